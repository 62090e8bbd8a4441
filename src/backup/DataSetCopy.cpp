#include "backup/DataSetCopy.h"

#include "store/FileIo.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include <dirent.h>
#include <sys/stat.h>

namespace fnk::backup
{

namespace
{

const QList<QRegularExpression>& dataSetExpressions()
{
    static const QList<QRegularExpression> expressions = [] {
        QList<QRegularExpression> out;
        for (const QString& part : QString(kDataSetPattern).split(QLatin1Char(';')))
            out.append(QRegularExpression(QRegularExpression::wildcardToRegularExpression(part),
                                          QRegularExpression::CaseInsensitiveOption));
        return out;
    }();
    return expressions;
}

// The work file of one copy: removed again unless it was renamed over the
// target.
class WorkFile
{
public:
    explicit WorkFile(const QString& path) : file_(path) {}
    ~WorkFile()
    {
        if (!done_) {
            file_.close();
            QFile::remove(file_.fileName());
        }
    }
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    QFile& file() { return file_; }
    void renameOver(const QString& targetPath)
    {
        file_.close();
        store::renameOver(file_.fileName(), targetPath);
        done_ = true;
    }

private:
    QFile file_;
    bool done_ = false;
};

bool sameFolderOnDisk(const QString& a, const QString& b)
{
    struct stat sa {
    };
    struct stat sb {
    };
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return S_ISDIR(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

bool matchesDataSet(const QString& fileName)
{
    for (const QRegularExpression& re : dataSetExpressions())
        if (re.match(fileName).hasMatch())
            return true;
    return false;
}

QStringList dataSetFiles(const QString& folder)
{
    QStringList names;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
        if (matchesDataSet(entry.fileName()))
            names.append(entry.fileName());
    return names;
}

QString folderForCopy(const QString& text)
{
    QString folder = text.trimmed();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool sameFolder(const QString& a, const QString& b)
{
    const QString fa = folderForCopy(a);
    const QString fb = folderForCopy(b);
    return fa.compare(fb, Qt::CaseInsensitive) == 0 || sameFolderOnDisk(fa, fb);
}

QString workPathFor(const QString& targetPath)
{
    return targetPath + QStringLiteral(".part");
}

bool copyFile(const QString& sourcePath, const QString& targetPath, const BlockStep& step)
{
    const QFileInfo sourceInfo(sourcePath);
    if (!sourceInfo.isFile())
        throw store::FileError(QStringLiteral("File not found: ") + sourcePath,
                               store::kFileNotFound, sourcePath);
    QFile source(sourcePath);
    store::openFile(source, QIODevice::ReadOnly);
    const qint64 size = source.size();

    WorkFile work(workPathFor(targetPath));
    store::openFile(work.file(), QIODevice::WriteOnly | QIODevice::Truncate);

    QByteArray block(int(kCopyBlockSize), Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        const qint64 got = source.read(block.data(), kCopyBlockSize);
        if (got < 0)
            throw store::FileError(QStringLiteral("Cannot read ") + sourcePath +
                                       QStringLiteral(" (") + source.errorString() +
                                       QLatin1Char(')'),
                                   store::kDeviceIo, sourcePath);
        if (got == 0)
            break;
        store::writeAt(work.file(), done, block.constData(), got);
        done += got;
        if (step && !step(done, size))
            return false;
    }
    source.close();

    // File systems without these (a FAT stick) refuse them; the copy itself
    // is still whole.
    work.file().setPermissions(sourceInfo.permissions());
    work.file().setFileTime(sourceInfo.lastModified(), QFileDevice::FileModificationTime);
    store::syncFile(work.file());
    work.renameOver(targetPath);
    return true;
}

bool copyDataSet(const QString& sourceFolder, const QString& targetFolder, const QStringList& names,
                 const CopySteps& steps)
{
    for (int i = 0; i < names.size(); ++i) {
        if (steps.fileStarting && !steps.fileStarting(i, names.at(i)))
            return false;
        if (!copyFile(sourceFolder + names.at(i), targetFolder + names.at(i), steps.blockDone))
            return false;
    }
    return true;
}

void checkDrive(const QString& rootPath)
{
    const QStorageInfo volume(rootPath);
    if (!QFileInfo(rootPath).isDir() || !volume.isValid() || !volume.isReady())
        throw store::FileError(QStringLiteral("Device unavailable"), kDeviceUnavailable, rootPath);
    DIR* dir = ::opendir(QFile::encodeName(rootPath).constData());
    if (!dir)
        throw store::FileError(QStringLiteral("Permission denied"), store::kPermissionDenied,
                               rootPath);
    ::closedir(dir);
}

} // namespace fnk::backup
