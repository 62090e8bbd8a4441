#pragma once

#include "platform/ErrorReport.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <stdexcept>

class QFile;

namespace fnk::store {

// A file operation that failed.  Commands catch it and show the program's
// error box with its name and number.
class FileError : public platform::Failure {
public:
    FileError(const QString& name, int number, const QString& path);
    const QString& path() const { return path_; }

private:
    QString path_;
};

// Error numbers the program reports.
enum ErrorNumber {
    kFileNotFound = 53,
    kBadFileMode = 54,
    kDiskFull = 61,
    kPermissionDenied = 70,
    kPathFileAccess = 75,
    kPathNotFound = 76,
    kDeviceIo = 57,
};

// Throws the FileError of a failed system call: `err` (an errno value)
// picks the number (disk full, permission denied, path not found).
[[noreturn]] void throwErrno(const QString& what, const QString& path, int err);

// Low-level file steps shared by every file format.  Each throws FileError.
void openFile(QFile& file, int mode);  // QIODevice::OpenMode flags
QByteArray readAt(QFile& file, qint64 offset, qint64 length);
void writeAt(QFile& file, qint64 offset, const char* data, qint64 length);
void syncFile(QFile& file);            // flush to the OS and then to the disk
// Flushes the file's data (not its times) to the disk: what a record save
// does before it returns.
void syncData(QFile& file);
// Puts bytes back where a failed write left them: the same as writeAt but
// never failed on purpose by the test hooks below, since it only rewrites
// space the file already holds.
void restoreAt(QFile& file, qint64 offset, const char* data, qint64 length);
void touchFile(const QString& path);   // creates an empty file when missing

// Writes `data` into `workPath`, flushes it to disk and renames it over
// `targetPath` in one step; the target always holds either its old or its new
// content.
void replaceWholeFile(const QString& workPath, const QString& targetPath, const QByteArray& data);
// Renames an already written and synced work file over the target in one step.
void renameOver(const QString& workPath, const QString& targetPath);
// Block size of file copies.
inline constexpr qint64 kCopyBlockSize = qint64(256) * 1024;

// Copies `source` onto `target` through a work file beside it, named after
// `workPath` with a unique part before its last ending (so that a file of
// that very name is left alone), in blocks: the work file is flushed to disk
// and renamed over the target in one step, so the target holds either its old
// or the complete new content; on any failure the work file is removed.
// The copy keeps the source's modification time and permissions where the
// file system allows.  `step(done, size)` runs after each block; when it
// returns false the copy stops, the work file is removed and false is
// returned.  A missing source is error 53.
bool copyThroughWorkFile(const QString& source, const QString& workPath, const QString& target,
                         const std::function<bool(qint64 done, qint64 size)>& step = {});

// A run killed part way leaves its work file of `workPath` behind under its
// unique name ("report.txt.a1B2c3.part" for "report.txt.part"); this removes
// every such file.  Only the six letters and digits of a unique part match,
// so a file of the user's that merely looks alike stays.
void removeWorkFileLeftovers(const QString& workPath);

// Writes `data` as the whole of `target` through a unique work file beside it
// ("<target>.<unique>.part"), flushed to disk and renamed over the target in
// one step.  An existing target keeps its permissions; a new one gets those
// of a newly created file.  On failure the target is as it was and no work
// file is left.
void saveWholeFile(const QString& target, const QByteArray& data);

// Makes `linkPath` hold the content of `path` (a hard link, or a synced copy
// where links are not possible), replacing whatever `linkPath` held.
void keepCopy(const QString& path, const QString& copyPath);

// Whether the two names are one file on disk (hard links of each other).
bool sameFile(const QString& a, const QString& b);

// Where `copyPath` is a second name of `path`, as a run stopped between the
// two steps of a purge leaves the backup, it becomes a copy of its own, so
// that edits of `path` in place no longer change it; a link work file such a
// run left is removed.  Returns whether the backup was a second name.
bool separateCopy(const QString& path, const QString& copyPath);

// Sees every change the file steps above make, before they make it: the undo
// history keeps what a command replaces through it, so no command can forget
// to.  Calls come from the thread that changes the file; a watcher ignores
// the files it does not keep.
class FileWatcher {
public:
    virtual ~FileWatcher() = default;
    // `path` is about to be opened for writing or created.
    virtual void opening(const QString& path) = 0;
    // `length` bytes of `file` at `offset` are about to be written over.
    virtual void writing(QFile& file, qint64 offset, qint64 length) = 0;
    // Another file is about to be renamed over `target`.
    virtual void replacing(const QString& target) = 0;
};
// Installs `watcher` (nullptr removes it); returns the one installed before.
FileWatcher* setFileWatcher(FileWatcher* watcher);

// Failure injection for tests.  After `okWrites` more successful write calls
// every further write call fails until reset.  DiskFull fails with nothing
// written; ShortWrite writes the first half of the bytes of the first failing
// call before failing, as a disk filling up part way through would (the calls
// after it fail as DiskFull); ReadOnly fails as a read-only file system
// does.  -1 switches it off.
namespace testing {
// Stop: the process ends at once (_exit) before the write, as if killed there.
enum class Fault { DiskFull, ShortWrite, ReadOnly, Stop };
void failWritesAfter(int okWrites, Fault fault = Fault::DiskFull);
// Write calls made since the last reset (counted whether they failed or not).
int writeCalls();
// As a full disk, but only for the next `failingWrites` write calls; then
// writes succeed again.
void failWritesAfter(int okWrites, int failingWrites);
// The next rename onto `targetPath` fails as one across file systems would.
void failRenameOnto(const QString& targetPath);
void reset();
}  // namespace testing

}  // namespace fnk::store
