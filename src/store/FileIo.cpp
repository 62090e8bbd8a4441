#include "store/FileIo.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace fnk::store {

namespace {
int g_okWrites = -1;
int g_writeCalls = 0;
testing::Fault g_fault = testing::Fault::DiskFull;

// Whether this write call is to fail, and how.
std::optional<testing::Fault> injectedFailure()
{
    ++g_writeCalls;
    if (g_okWrites < 0)
        return std::nullopt;
    if (g_okWrites == 0) {
        const testing::Fault f = g_fault;
        if (f == testing::Fault::ShortWrite)
            g_fault = testing::Fault::DiskFull;  // the disk is now full
        return f;
    }
    --g_okWrites;
    return std::nullopt;
}

[[noreturn]] void throwFor(const QFile& file, const QString& what)
{
    int number = kPathFileAccess;
    switch (file.error()) {
    case QFileDevice::OpenError:
        number = QFileInfo::exists(file.fileName()) ? kPermissionDenied : kPathNotFound;
        break;
    case QFileDevice::PermissionsError: number = kPermissionDenied; break;
    case QFileDevice::ResourceError: number = kDiskFull; break;
    case QFileDevice::ReadError:
    case QFileDevice::WriteError: number = kDeviceIo; break;
    default: break;
    }
    throw FileError(what + QStringLiteral(" (") + file.errorString() + QLatin1Char(')'), number,
                    file.fileName());
}

[[noreturn]] void throwErrno(const QString& what, const QString& path, int err)
{
    int number = kPathFileAccess;
    if (err == ENOSPC || err == EDQUOT)
        number = kDiskFull;
    else if (err == EACCES || err == EPERM || err == EROFS)
        number = kPermissionDenied;
    else if (err == ENOENT)
        number = kPathNotFound;
    throw FileError(what + QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(err))
                        + QLatin1Char(')'),
                    number, path);
}
}  // namespace

FileError::FileError(const QString& name, int number, const QString& path)
    : std::runtime_error(name.toStdString()), name_(name), number_(number), path_(path)
{
}

void openFile(QFile& file, int mode)
{
    if (!file.open(QIODevice::OpenMode(mode)))
        throwFor(file, QStringLiteral("Cannot open ") + file.fileName());
}

QByteArray readAt(QFile& file, qint64 offset, qint64 length)
{
    if (!file.seek(offset))
        throwFor(file, QStringLiteral("Cannot seek in ") + file.fileName());
    QByteArray out = file.read(length);
    if (out.size() != length && file.error() != QFileDevice::NoError)
        throwFor(file, QStringLiteral("Cannot read ") + file.fileName());
    return out;
}

void restoreAt(QFile& file, qint64 offset, const char* data, qint64 length)
{
    // Straight to the file, so that a full disk is reported as one and a
    // partial write is carried on until it fails.
    if (!file.flush())
        throwFor(file, QStringLiteral("Cannot write ") + file.fileName());
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(file.handle(), data + done, size_t(length - done),
                                   off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throwErrno(QStringLiteral("Cannot write ") + file.fileName(), file.fileName(),
                       n < 0 ? errno : ENOSPC);
        done += n;
    }
    if (!file.seek(offset + length))
        throwFor(file, QStringLiteral("Cannot seek in ") + file.fileName());
}

void writeAt(QFile& file, qint64 offset, const char* data, qint64 length)
{
    if (const auto fault = injectedFailure()) {
        const QString what = QStringLiteral("Cannot write ") + file.fileName();
        if (*fault == testing::Fault::ReadOnly)
            throwErrno(what, file.fileName(), EROFS);
        if (*fault == testing::Fault::ShortWrite && length > 1)
            restoreAt(file, offset, data, length / 2);
        throw FileError(QStringLiteral("Disk full writing ") + file.fileName(), kDiskFull,
                        file.fileName());
    }
    restoreAt(file, offset, data, length);
}

void syncFile(QFile& file)
{
    if (!file.flush())
        throwFor(file, QStringLiteral("Cannot write ") + file.fileName());
    if (::fsync(file.handle()) != 0)
        throwErrno(QStringLiteral("Cannot flush ") + file.fileName(), file.fileName(), errno);
}

void syncData(QFile& file)
{
    if (!file.flush())
        throwFor(file, QStringLiteral("Cannot write ") + file.fileName());
    if (::fdatasync(file.handle()) != 0)
        throwErrno(QStringLiteral("Cannot flush ") + file.fileName(), file.fileName(), errno);
}

void touchFile(const QString& path)
{
    if (QFileInfo::exists(path))
        return;
    QFile f(path);
    openFile(f, QIODevice::ReadWrite);
    f.close();
}

void renameOver(const QString& workPath, const QString& targetPath)
{
    // rename(2) replaces the target in one step.
    if (std::rename(QFile::encodeName(workPath).constData(),
                    QFile::encodeName(targetPath).constData())
        != 0)
        throwErrno(QStringLiteral("Cannot rename ") + workPath + QStringLiteral(" to ")
                       + targetPath,
                   targetPath, errno);
    const QString dir = QFileInfo(targetPath).absolutePath();
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void replaceWholeFile(const QString& workPath, const QString& targetPath, const QByteArray& data)
{
    QFile work(workPath);
    if (!work.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throwFor(work, QStringLiteral("Cannot create ") + workPath);
    try {
        writeAt(work, 0, data.constData(), data.size());
        syncFile(work);
    } catch (...) {
        work.close();
        QFile::remove(workPath);
        throw;
    }
    work.close();
    renameOver(workPath, targetPath);
}

void keepCopy(const QString& path, const QString& copyPath)
{
    const QByteArray src = QFile::encodeName(path);
    const QByteArray dst = QFile::encodeName(copyPath);
    const QString linkWork = copyPath + QStringLiteral(".lnk");
    const QByteArray lw = QFile::encodeName(linkWork);
    ::unlink(lw.constData());
    if (::link(src.constData(), lw.constData()) == 0) {
        renameOver(linkWork, copyPath);
        return;
    }
    copyThroughWorkFile(path, linkWork, copyPath);
}

bool copyThroughWorkFile(const QString& source, const QString& workPath, const QString& target,
                         const std::function<bool(qint64, qint64)>& step)
{
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.isFile())
        throw FileError(QStringLiteral("File not found: ") + source, kFileNotFound, source);
    QFile in(source);
    openFile(in, QIODevice::ReadOnly);
    const qint64 size = in.size();
    QFile work(workPath);
    if (!work.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throwFor(work, QStringLiteral("Cannot create ") + workPath);
    auto drop = [&] {
        work.close();
        QFile::remove(workPath);
    };
    try {
        QByteArray block(qsizetype(kCopyBlockSize), Qt::Uninitialized);
        qint64 done = 0;
        for (;;) {
            const qint64 got = in.read(block.data(), kCopyBlockSize);
            if (got < 0)
                throwFor(in, QStringLiteral("Cannot read ") + source);
            if (got == 0)
                break;
            writeAt(work, done, block.constData(), got);
            done += got;
            if (step && !step(done, size)) {
                drop();
                return false;
            }
        }
        // File systems without these (a FAT stick) refuse them; the copy
        // itself is still whole.
        work.setPermissions(sourceInfo.permissions());
        work.setFileTime(sourceInfo.lastModified(), QFileDevice::FileModificationTime);
        syncFile(work);
        work.close();
        renameOver(workPath, target);
    } catch (...) {
        drop();
        throw;
    }
    return true;
}

namespace testing {
void failWritesAfter(int okWrites, Fault fault)
{
    g_okWrites = okWrites;
    g_fault = fault;
}
int writeCalls() { return g_writeCalls; }
void reset()
{
    g_okWrites = -1;
    g_writeCalls = 0;
    g_fault = Fault::DiskFull;
}
}  // namespace testing

}  // namespace fnk::store
