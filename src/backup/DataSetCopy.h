#pragma once

#include "store/FileIo.h"

#include <QLatin1String>
#include <QString>
#include <QStringList>

#include <functional>

namespace fnk::backup
{

// The files that make up one data set: every macro file, the record file,
// the category file and the two pick-list files.  The internal backup, the
// report work files and the settings file are not part of it.
inline constexpr QLatin1String kDataSetPattern("*.fnk;fennick.dat;category.dat;udf?.dat");

// True when `fileName` (a bare name) matches the data-set pattern.  Letter
// case is ignored, as the file list does.
bool matchesDataSet(const QString& fileName);

// The names of the data-set files in `folder`: regular files only, hidden
// ones left out, sorted by name without regard to case.  An unreadable or
// missing folder yields an empty list.
QStringList dataSetFiles(const QString& folder);

// A folder text as the copy uses it: trimmed, and ending in "/".
QString folderForCopy(const QString& text);

// True when two folder texts name the same folder: equal without regard to
// case once both end in "/", or one and the same folder on disk (a link, a
// "..", a second mount of it).
bool sameFolder(const QString& a, const QString& b);

// Files are copied in blocks of this size so that the window can keep up
// between blocks.
inline constexpr qint64 kCopyBlockSize = store::kCopyBlockSize;

// Called after each block with the bytes copied so far and the size the
// source had when the copy began.  Returning false stops the copy.
using BlockStep = std::function<bool(qint64 done, qint64 size)>;

// The work file a copy is written to before it takes the target's name.
QString workPathFor(const QString& targetPath);

// Copies `sourcePath` to `targetPath`, replacing a file of that name.  The
// bytes go to the work file beside the target, which is flushed to disk and
// then renamed over the target in one step, so the target only ever holds
// its old content or the complete new one.  The copy keeps the source's
// modification time and permissions where the target's file system can hold
// them.
//
// Returns false when `step` stopped the copy; the work file is then removed
// and the target is as it was.  Throws store::FileError on any failure, also
// leaving the target as it was and no work file behind.
bool copyFile(const QString& sourcePath, const QString& targetPath, const BlockStep& step = {});

struct CopySteps {
    // Before each file: its position in the list and its name.  Returning
    // false stops the copy before that file.
    std::function<bool(int index, const QString& name)> fileStarting;
    BlockStep blockDone;
};

// Copies each of `names`, in order, from `sourceFolder` to `targetFolder`
// (both ending in "/").  Returns true when every file was copied and false
// when a step stopped the copy.  Throws store::FileError at the first
// failure.  Either way the files copied before stay in the target and those
// not reached keep what they held.
bool copyDataSet(const QString& sourceFolder, const QString& targetFolder, const QStringList& names,
                 const CopySteps& steps = {});

// Checks that a drive (a mounted file system's root) can be read.  Throws
// store::FileError: "Device unavailable" when nothing readable is mounted
// there, "Permission denied" when its root folder cannot be listed.
void checkDrive(const QString& rootPath);

// The error number of a drive that cannot be read.
inline constexpr int kDeviceUnavailable = 68;

} // namespace fnk::backup
