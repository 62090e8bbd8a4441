#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

class QFile;

namespace fnk::store {

// A file operation that failed.  Commands catch it and show the program's
// error box with its name and number.
class FileError : public std::runtime_error {
public:
    FileError(const QString& name, int number, const QString& path);
    const QString& name() const { return name_; }
    int number() const { return number_; }
    const QString& path() const { return path_; }

private:
    QString name_;
    int number_;
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

// Low-level file steps shared by every file format.  Each throws FileError.
void openFile(QFile& file, int mode);  // QIODevice::OpenMode flags
QByteArray readAt(QFile& file, qint64 offset, qint64 length);
void writeAt(QFile& file, qint64 offset, const char* data, qint64 length);
void syncFile(QFile& file);            // flush to the OS and then to the disk
void touchFile(const QString& path);   // creates an empty file when missing

// Writes `data` into `workPath`, flushes it to disk and renames it over
// `targetPath` in one step; the target always holds either its old or its new
// content.
void replaceWholeFile(const QString& workPath, const QString& targetPath, const QByteArray& data);
// Renames an already written and synced work file over the target in one step.
void renameOver(const QString& workPath, const QString& targetPath);
// Makes `linkPath` hold the content of `path` (a hard link, or a synced copy
// where links are not possible), replacing whatever `linkPath` held.
void keepCopy(const QString& path, const QString& copyPath);

// Failure injection for tests: after `okWrites` more successful writes, every
// write fails as a full disk would, until reset.  -1 switches it off.
namespace testing {
void failWritesAfter(int okWrites);
void reset();
}  // namespace testing

}  // namespace fnk::store
