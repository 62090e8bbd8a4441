#include "store/FileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <optional>
#include <cstdio>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fnk::store {

namespace {
int g_okWrites = -1;
QString g_failRenameOnto;
int g_failingWrites = -1;  // -1: every write fails once the good ones are used
int g_writeCalls = 0;
std::atomic<FileWatcher*> g_watcher{nullptr};
testing::Fault g_fault = testing::Fault::DiskFull;

// Whether this write call is to fail, and how.
std::optional<testing::Fault> injectedFailure()
{
    // Writes may come from more than one thread (a report writes two files
    // at once).
    static std::mutex hooks;
    const std::lock_guard<std::mutex> lock(hooks);
    ++g_writeCalls;
    if (g_okWrites < 0)
        return std::nullopt;
    if (g_okWrites == 0) {
        if (g_failingWrites == 0) {
            g_okWrites = -1;  // the failing run is over: the disk has room again
            return std::nullopt;
        }
        if (g_failingWrites > 0)
            --g_failingWrites;
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

}  // namespace

void throwErrno(const QString& what, const QString& path, int err)
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

FileError::FileError(const QString& name, int number, const QString& path)
    : platform::Failure(name, number), path_(path)
{
}

FileWatcher* setFileWatcher(FileWatcher* watcher) { return g_watcher.exchange(watcher); }

void openFile(QFile& file, int mode)
{
    if (mode & QIODevice::WriteOnly)
        if (FileWatcher* w = g_watcher.load())
            w->opening(file.fileName());
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

namespace {
void putAt(QFile& file, qint64 offset, const char* data, qint64 length)
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
}  // namespace

void restoreAt(QFile& file, qint64 offset, const char* data, qint64 length)
{
    if (FileWatcher* w = g_watcher.load())
        w->writing(file, offset, length);
    putAt(file, offset, data, length);
}

void writeAt(QFile& file, qint64 offset, const char* data, qint64 length)
{
    if (FileWatcher* w = g_watcher.load())
        w->writing(file, offset, length);
    if (const auto fault = injectedFailure()) {
        const QString what = QStringLiteral("Cannot write ") + file.fileName();
        if (*fault == testing::Fault::Stop)
            ::_exit(0);
        if (*fault == testing::Fault::ReadOnly)
            throwErrno(what, file.fileName(), EROFS);
        if (*fault == testing::Fault::ShortWrite && length > 1)
            putAt(file, offset, data, length / 2);
        throw FileError(QStringLiteral("Disk full writing ") + file.fileName(), kDiskFull,
                        file.fileName());
    }
    putAt(file, offset, data, length);
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
    if (FileWatcher* w = g_watcher.load())
        w->opening(path);
    QFile f(path);
    openFile(f, QIODevice::ReadWrite);
    f.close();
}

void renameOver(const QString& workPath, const QString& targetPath)
{
    if (!g_failRenameOnto.isEmpty() && g_failRenameOnto == targetPath) {
        g_failRenameOnto.clear();
        throwErrno(QStringLiteral("Cannot rename ") + workPath + QStringLiteral(" to ") + targetPath,
                   targetPath, EXDEV);
    }
    if (FileWatcher* w = g_watcher.load())
        w->replacing(targetPath);
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
    const QString linkWork = copyPath + QStringLiteral(".lnk");
    const QByteArray lw = QFile::encodeName(linkWork);
    ::unlink(lw.constData());
    if (sameFile(path, copyPath))
        return;  // a run stopped after this step left it so: nothing to do
    if (::link(src.constData(), lw.constData()) == 0) {
        renameOver(linkWork, copyPath);
        return;
    }
    copyThroughWorkFile(path, linkWork, copyPath);
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

bool separateCopy(const QString& path, const QString& copyPath)
{
    const QString linkWork = copyPath + QStringLiteral(".lnk");
    if (sameFile(path, linkWork))
        ::unlink(QFile::encodeName(linkWork).constData());
    if (!sameFile(path, copyPath))
        return false;
    copyThroughWorkFile(path, copyPath + QStringLiteral(".lnk"), copyPath);
    return true;
}

namespace {

// A work file of its own beside the target: the name asked for with a unique
// part before its last ending ("report.txt.part" becomes
// "report.txt.a1B2c3.part"), so that no file of the user's is ever taken for
// it.  It is removed again unless kept() is called after the rename.
class WorkFile {
public:
    explicit WorkFile(const QString& workPath) : file_(uniqueTemplate(workPath))
    {
        removeLeftovers(workPath);
        if (!file_.open())
            throwFor(file_, QStringLiteral("Cannot create a work file beside ") + workPath);
    }
    QFile& file() { return file_; }
    QString path() const { return file_.fileName(); }
    void drop()
    {
        file_.close();
        file_.remove();
    }
    void renameOver(const QString& target)
    {
        file_.close();
        store::renameOver(path(), target);
        file_.setAutoRemove(false);
    }

    // A run killed part way leaves its work file behind under its unique
    // name; the next run of the same step removes it.  One program holds the
    // folder and runs one such step at a time, so none of them is in use.
    static void removeLeftovers(const QString& workPath)
    {
        const QFileInfo t(uniqueTemplate(workPath));
        const QString name = t.fileName();
        const qsizetype at = name.lastIndexOf(QStringLiteral("XXXXXX"));
        const QString before = name.left(at);
        const QString after = name.mid(at + 6);
        const QDir dir = t.absoluteDir();
        for (const QString& n : dir.entryList(QDir::Files | QDir::Hidden)) {
            if (n.size() != name.size() || !n.startsWith(before) || !n.endsWith(after))
                continue;
            bool unique = true;  // the six letters and digits QTemporaryFile puts in
            for (qsizetype i = at; i < at + 6; ++i)
                unique = unique && n.at(i).isLetterOrNumber() && n.at(i).unicode() < 128;
            if (unique)
                QFile::remove(dir.filePath(n));
        }
    }

    static QString uniqueTemplate(const QString& workPath)
    {
        const qsizetype slash = workPath.lastIndexOf(QLatin1Char('/'));
        const qsizetype dot = workPath.lastIndexOf(QLatin1Char('.'));
        if (dot > slash + 1)
            return workPath.left(dot) + QStringLiteral(".XXXXXX") + workPath.mid(dot);
        return workPath + QStringLiteral(".XXXXXX");
    }

private:
    QTemporaryFile file_;
};

}  // namespace

void removeWorkFileLeftovers(const QString& workPath) { WorkFile::removeLeftovers(workPath); }

namespace {

// A failed write names the file the user asked for, not the work file.
[[noreturn]] void rethrowFor(const FileError& e, const QString& workPath, const QString& target)
{
    if (e.path() != workPath)
        throw e;
    QString name = e.name();
    name.replace(workPath, target);
    throw FileError(name, e.number(), target);
}

}  // namespace

// Fills `work` through `fill`, flushes it and renames it over `target`.  When
// `fill` gives up (false) or anything fails, the work file is removed; a
// failure names `target`, not the work file.
static bool finishThroughWorkFile(WorkFile& work, const QString& target, const std::function<bool()>& fill)
{
    try {
        if (!fill()) {
            work.drop();
            return false;
        }
        syncFile(work.file());
        work.renameOver(target);
    } catch (const FileError& e) {
        const QString usedPath = work.path();
        work.drop();
        rethrowFor(e, usedPath, target);
    } catch (...) {
        work.drop();
        throw;
    }
    return true;
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
    WorkFile work(workPath);
    return finishThroughWorkFile(work, target, [&] {
        QByteArray block(qsizetype(kCopyBlockSize), Qt::Uninitialized);
        qint64 done = 0;
        for (;;) {
            const qint64 got = in.read(block.data(), kCopyBlockSize);
            if (got < 0)
                throwFor(in, QStringLiteral("Cannot read ") + source);
            if (got == 0)
                break;
            writeAt(work.file(), done, block.constData(), got);
            done += got;
            if (step && !step(done, size))
                return false;
        }
        // File systems without these (a FAT stick) refuse them; the copy
        // itself is still whole.
        work.file().setPermissions(sourceInfo.permissions());
        work.file().setFileTime(sourceInfo.lastModified(), QFileDevice::FileModificationTime);
        return true;
    });
}

void saveWholeFile(const QString& target, const QByteArray& data)
{
    const QFileInfo old(target);
    QFileDevice::Permissions permissions;
    if (old.isFile()) {
        permissions = old.permissions();
    } else {
        // A new file gets what the user's file-creation mask allows.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const mode_t mode = 0666 & ~mask;
        const std::pair<mode_t, QFileDevice::Permission> bits[] = {
            {S_IRUSR, QFileDevice::ReadOwner}, {S_IWUSR, QFileDevice::WriteOwner},
            {S_IRGRP, QFileDevice::ReadGroup}, {S_IWGRP, QFileDevice::WriteGroup},
            {S_IROTH, QFileDevice::ReadOther}, {S_IWOTH, QFileDevice::WriteOther}};
        for (const auto& [bit, permission] : bits)
            if (mode & bit)
                permissions |= permission;
        if (permissions & QFileDevice::ReadOwner)
            permissions |= QFileDevice::ReadUser;
        if (permissions & QFileDevice::WriteOwner)
            permissions |= QFileDevice::WriteUser;
    }
    WorkFile work(target + QStringLiteral(".part"));
    finishThroughWorkFile(work, target, [&] {
        writeAt(work.file(), 0, data.constData(), data.size());
        work.file().setPermissions(permissions);
        return true;
    });
}

namespace testing {
void failWritesAfter(int okWrites, Fault fault)
{
    g_okWrites = okWrites;
    g_fault = fault;
    g_failingWrites = -1;
}
void failWritesAfter(int okWrites, int failingWrites)
{
    g_okWrites = okWrites;
    g_fault = Fault::DiskFull;
    g_failingWrites = failingWrites;
}
void failRenameOnto(const QString& targetPath) { g_failRenameOnto = targetPath; }
int writeCalls() { return g_writeCalls; }
void reset()
{
    g_okWrites = -1;
    g_writeCalls = 0;
    g_fault = Fault::DiskFull;
    g_failingWrites = -1;
    g_failRenameOnto.clear();
}
}  // namespace testing

}  // namespace fnk::store
