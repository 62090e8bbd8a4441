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
    return store::copyThroughWorkFile(sourcePath, workPathFor(targetPath), targetPath, step);
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
