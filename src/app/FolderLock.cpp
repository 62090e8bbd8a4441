#include "app/FolderLock.h"

#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

namespace fnk::app {

FolderLock::FolderLock() = default;
FolderLock::~FolderLock() = default;

QString FolderLock::lockPath(const QString& folder) { return folder + QStringLiteral("fennick.lck"); }

FolderLock::Outcome FolderLock::take(const QString& folder)
{
    if (lock_ && folder == folder_)
        return Outcome::Held;
    // Tried for real: the permission bits say nothing on a read-only mount.
    if (QFileInfo(folder).isDir() && !canWriteIn(folder))
        return Outcome::ReadOnly;
    auto next = std::make_unique<QLockFile>(lockPath(folder));
    // The folder stays locked for as long as it is in use, so age alone
    // never makes a lock stale: only a holder whose process is gone does.
    next->setStaleLockTime(0);
    if (next->tryLock(0)) {
        lock_ = std::move(next);
        folder_ = folder;
        return Outcome::Held;
    }
    if (next->error() != QLockFile::LockFailedError)
        return Outcome::NotPossible;
    Holder h;
    if (!next->getLockInfo(&h.pid, &h.host, &h.program))
        h = Holder{};
    // Held by this process already (the same folder under another name, or
    // a second window of this copy): not another copy.
    if (h.pid == QCoreApplication::applicationPid() && h.host == QSysInfo::machineHostName())
        return Outcome::Held;
    holder_ = h;
    return Outcome::InUse;
}

void FolderLock::release()
{
    lock_.reset();
    folder_.clear();
}

QString FolderLock::inUseText(const QString& folder, const Holder& holder, const QString& noDoes)
{
    QString who = QStringLiteral("another copy of Fennick");
    if (holder.pid > 0) {
        who += QStringLiteral(" (process %1").arg(holder.pid);
        if (!holder.program.isEmpty())
            who += QStringLiteral(", \"%1\"").arg(holder.program);
        if (!holder.host.isEmpty() && holder.host != QSysInfo::machineHostName())
            who += QStringLiteral(", on %1").arg(holder.host);
        who += QLatin1Char(')');
    }
    return QStringLiteral("The data folder %1 is in use by %2.\n\nTwo copies working on one folder "
                          "can overwrite each other's records.\n\nOpen it read-only, with every "
                          "command that writes turned off?\n(No: %3.)")
        .arg(folder, who, noDoes);
}

}  // namespace fnk::app
