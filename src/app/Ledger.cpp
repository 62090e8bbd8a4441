#include "app/Ledger.h"

#include "app/Settings.h"
#include "macros/MacroFile.h"
#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/Maintenance.h"
#include "store/RecordFile.h"

#include <QFileInfo>

namespace fnk::app {

Ledger::Ledger(const QString& programFolder, QObject* parent) : QObject(parent)
{
    session_.programFolder =
        programFolder.endsWith(QLatin1Char('/')) ? programFolder : programFolder + QLatin1Char('/');
    session_.setDataFolder(session_.programFolder);
    session_.settings = firstRunDefaults();
}

// ------------------------------------------------------------------ lock

FolderLock::Outcome Ledger::lockDataFolder(const QString& folder)
{
    FolderLock& lock = session_.folderLock;
    const FolderLock::Outcome outcome = lock.take(folder);
    switch (outcome) {
    case FolderLock::Outcome::Held:
        setReadOnly(false);
        settleBackup(folder);
        break;
    case FolderLock::Outcome::NotPossible:
        // A folder where no lock file can be made (and yet one that can be
        // written) holds no data another copy could write; a missing one
        // fails the switch later.
        if (QFileInfo(folder).isDir()) {
            lock.release();
            setReadOnly(false);
        }
        break;
    case FolderLock::Outcome::ReadOnly:  // the caller opens it read-only
    case FolderLock::Outcome::InUse:
        break;
    }
    return outcome;
}

void Ledger::openReadOnly(bool atStartUp)
{
    session_.folderLock.release();
    if (atStartUp)
        session_.settingsReadOnly = true;
    setReadOnly(true);
}

void Ledger::settleBackup(const QString& folder)
{
    try {
        store::separateCopy(folder + QStringLiteral("fennick.dat"), folder + QStringLiteral("fennick.bak"));
    } catch (const store::FileError&) {
        // the backup stays as it is; the ledger itself is sound
    }
    store::removePurgeLeftovers(folder);
}

void Ledger::setReadOnly(bool on)
{
    session_.readOnly = on;
    emit readOnlyChanged(on);
}

// --------------------------------------------------------------- folders

void Ledger::switchDataFolder(const QString& folder, bool reindex)
{
    session_.setDataFolder(folder);
    if (!reindex)
        return;
    if (!QFileInfo(session_.dataFolder).isDir())
        throw store::FileError(QStringLiteral("Path not found: ") + session_.dataFolder,
                               store::kPathNotFound, session_.dataFolder);
    if (!session_.readOnly)
        store::RecordFile(session_.recordFile()).reindex();
}

// ------------------------------------------------------ record file work

bool Ledger::reindex()
{
    const bool renumbered = store::RecordFile(session_.recordFile()).reindex() > 0;
    if (renumbered)
        session_.recordsChangedBeneath();
    return renumbered;
}

qint64 Ledger::purgeDeleted()
{
    return changeRecords(
        [this] { return store::PurgeDeletedRecs(session_.recordFile(), session_.dataFolder); });
}

qint64 Ledger::restoreDeleted()
{
    return changeRecords([this] { return store::RestoreDeletedRecords(session_.recordFile()); });
}

// ---------------------------------------------------------------- macros

Ledger::MacroOpen Ledger::enterMacroEdit(const QString& path)
{
    if (macros::checkMacroFile(path) == macros::MacroCheck::Damaged)
        return MacroOpen::Damaged;
    store::RecordFile(path).reindex();
    session_.setMacroEdit(path);
    return MacroOpen::Opened;
}

void Ledger::leaveMacroEdit() { session_.setMacroEdit(QString()); }

qint64 Ledger::playMacro(const QString& path, const QDate& date,
                         const std::function<void(qint64, qint64)>& progress)
{
    return changeRecords(
        [&] { return macros::playMacro(path, session_.recordFile(), date, progress); });
}

// -------------------------------------------------------------- settings

LoadedSettings Ledger::loadSettings(platform::MessagePort& port)
{
    const LoadedSettings loaded = loadOrCreate(session_.programFolder, port);
    session_.settings = loaded.record;
    noStoredSize_ = loaded.firstRun || loaded.damaged || loaded.unreadable;
    if (!loaded.firstRun || session_.readOnly)
        return loaded;
    // A first run also gets four starter categories, unless some exist.
    // Each step that fails is skipped and set-up goes on with the next.
    store::CategoryFile cats(session_.categoryFile());
    try {
        if (cats.count() != 0)
            return loaded;
    } catch (const std::exception&) {
        return loaded;
    }
    const std::pair<const char*, const char*> starters[] = {
        {"SH", "Shelter"}, {"FO", "Food"}, {"WA", "Wages"}, {"TX", "Taxes"}};
    for (const auto& [code, name] : starters) {
        try {
            store::CategoryEntry e;
            e.setCategoryCode(QLatin1String(code));
            e.setCategoryName(QLatin1String(name));
            cats.append(e);
        } catch (const std::exception&) {
        }
    }
    return loaded;
}

void Ledger::writeSettings() const
{
    if (session_.settingsReadOnly)
        return;  // another copy holds the program folder
    const SettingsFile file(session_.programFolder);
    if (file.isHeldBack())
        return;  // unreadable at start-up: the user has been told, the file stays as it is
    file.write(session_.settings);
}

}  // namespace fnk::app
