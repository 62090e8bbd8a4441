#pragma once

#include <QDateTime>
#include <QString>

namespace fnk::store {

// The internal backup: one copy of the record file kept beside it in the data
// folder as "fennick.bak".  The user makes it before risky work and can put
// it back in place of the record file.  A purge writes the same file.

QString backupPath(const QString& dataFolder);  // dataFolder + "fennick.bak"

// What a record file holds, shown before a backup is made or restored.
struct FileSummary {
    qint64 records = 0;      // whole 125-byte records; a damaged tail is not counted
    qint64 marked = 0;       // of those, the records marked deleted ("Y")
    QDateTime lastModified;  // as the file system reports it
};

// A missing file is created empty first.  Throws FileError.
FileSummary summarize(const QString& path);

// "Your current <folder> data file contains N records, M of which are marked
// for deletion. The file was last modified <date and time>"; the backup's
// text begins "Your backup ".  `dataFolder` is shown as given.
QString currentSummaryText(const QString& dataFolder, const FileSummary& summary);
QString backupSummaryText(const QString& dataFolder, const FileSummary& summary);

// The date and time in the locale's general date form: the short date, then
// the time with seconds; a time of exactly midnight shows the date alone.
QString generalDateTime(const QDateTime& when);

// Whole-file copies.  The copy is written to a work file beside the target
// ("fennick.bak.tmp", "<record file>.tmp"), flushed to disk and renamed over
// the target in one step, so the target always holds either its old or its
// complete new content, and the source is never touched.  The copy keeps the
// source's modification time.  Throw FileError; on failure the work file is
// removed and the target is as it was.
void createBackup(const QString& recordFile, const QString& dataFolder);
void restoreBackup(const QString& recordFile, const QString& dataFolder);

// The copy both of them make.
void copyWholeFile(const QString& source, const QString& workPath, const QString& target);

}  // namespace fnk::store
