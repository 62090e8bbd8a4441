#include "app/Ledger.h"

#include "app/Settings.h"
#include "macros/MacroFile.h"
#include "reports/ReportFiles.h"
#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/Maintenance.h"
#include "store/RecordFile.h"

#include <QDir>
#include <QFileInfo>

namespace fnk::app {

Ledger::Ledger(const QString& programFolder, QObject* parent) : QObject(parent)
{
    session_.programFolder =
        programFolder.endsWith(QLatin1Char('/')) ? programFolder : programFolder + QLatin1Char('/');
    session_.setDataFolder(session_.programFolder);
    session_.settings = firstRunDefaults();
}

Ledger::~Ledger()
{
    dropHistories();
    if (privateFolder_) {
        // The report folder of a read-only run keeps only what the user asked
        // for (a PDF printed without a printer, a copy opened in an editor).
        const QString folder = session_.privateFolder_;
        reports::removeReportWorkFiles(folder);
        QDir().rmdir(folder);
    }
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
    dropHistories();
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
    if (on && !privateFolder_) {
        privateFolder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/fennick-XXXXXX"));
        privateFolder_->setAutoRemove(false);
        // Without one, reports use the data folder and fail there with the
        // usual file error.
        if (privateFolder_->isValid())
            session_.privateFolder_ = privateFolder_->path() + QLatin1Char('/');
    }
    session_.readOnly = on;
    emit readOnlyChanged(on);
}

// --------------------------------------------------------------- folders

void Ledger::switchDataFolder(const QString& folder, bool reindex)
{
    // The history of the folder left behind goes with it.
    dropHistories();
    session_.setDataFolder(folder);
    if (!reindex) {
        startHistory();
        return;
    }
    if (!QFileInfo(session_.dataFolder).isDir())
        throw store::FileError(QStringLiteral("Path not found: ") + session_.dataFolder,
                               store::kPathNotFound, session_.dataFolder);
    if (!session_.readOnly)
        store::RecordFile(session_.recordFile()).reindex();
    startHistory();
}

// ------------------------------------------------------ record file work

bool Ledger::reindex()
{
    store::ChangeScope change = beginChange(QStringLiteral("Re-Index"));
    const bool renumbered = store::RecordFile(session_.recordFile()).reindex() > 0;
    if (renumbered)
        session_.recordsChangedBeneath();
    return renumbered;
}

qint64 Ledger::purgeDeleted()
{
    return changeRecords(
        QStringLiteral("Purge Deleted Records"),
        [this] { return store::PurgeDeletedRecs(session_.recordFile(), session_.dataFolder); });
}

qint64 Ledger::restoreDeleted()
{
    return changeRecords(QStringLiteral("Restore Deleted Records"),
                         [this] { return store::RestoreDeletedRecords(session_.recordFile()); });
}

// ---------------------------------------------------------------- macros

Ledger::MacroOpen Ledger::enterMacroEdit(const QString& path)
{
    if (macros::checkMacroFile(path) == macros::MacroCheck::Damaged)
        return MacroOpen::Damaged;
    store::RecordFile(path).reindex();
    session_.setMacroEdit(path);
    macroHistory_.reset();
    if (!session_.readOnly) {
        try {
            macroHistory_ = std::make_unique<store::UndoHistory>(
                store::UndoHistory::macroWorkFolderOf(session_.dataFolder), QStringList{path});
        } catch (const store::FileError&) {
            // No work folder can be made: macro edit goes on without undo.
        }
    }
    emit historyChanged();
    return MacroOpen::Opened;
}

void Ledger::leaveMacroEdit()
{
    macroHistory_.reset();
    session_.setMacroEdit(QString());
    emit historyChanged();
}

qint64 Ledger::playMacro(const QString& path, const QDate& date,
                         const std::function<void(qint64, qint64)>& progress)
{
    return changeRecords(
        QStringLiteral("Play Macro"),
        [&] { return macros::playMacro(path, session_.recordFile(), date, progress); });
}

// ------------------------------------------------------------------ undo

QStringList Ledger::importFilesOf(const QString& dataFolder)
{
    return {dataFolder + QStringLiteral("fnk_seen.txt"), dataFolder + QStringLiteral("fnk_rule.txt")};
}

void Ledger::startHistory()
{
    history_.reset();
    if (!session_.readOnly && QFileInfo(session_.dataFolder).isDir()) {
        const QString& d = session_.dataFolder;
        QStringList files{d + QStringLiteral("fennick.dat"), d + QStringLiteral("category.dat"),
                          d + QStringLiteral("udf1.dat"), d + QStringLiteral("udf2.dat")};
        files += importFilesOf(d);
        try {
            history_ = std::make_unique<store::UndoHistory>(store::UndoHistory::workFolderOf(d), files);
        } catch (const store::FileError&) {
            // No work folder can be made: the commands run as before, without undo.
        }
    }
    emit historyChanged();
}

void Ledger::dropHistories()
{
    macroHistory_.reset();
    history_.reset();
}

store::ChangeScope Ledger::beginChange(const QString& text)
{
    std::vector<store::UndoHistory::Step> steps;
    if (history_)
        steps.push_back(history_->begin(text));
    if (macroHistory_ && session_.macroMode)
        steps.push_back(macroHistory_->begin(text));
    return store::ChangeScope(std::move(steps), [this] { emit historyChanged(); });
}

store::ChangeScope Ledger::beginFolderChange(const QString& text)
{
    std::vector<store::UndoHistory::Step> steps;
    if (history_)
        steps.push_back(history_->begin(text));
    return store::ChangeScope(std::move(steps), [this] { emit historyChanged(); });
}

store::UndoHistory* Ledger::currentHistory() const
{
    if (session_.readOnly)
        return nullptr;
    return session_.macroMode ? macroHistory_.get() : history_.get();
}

bool Ledger::canUndo() const
{
    const store::UndoHistory* h = currentHistory();
    return h && h->canUndo();
}

bool Ledger::canRedo() const
{
    const store::UndoHistory* h = currentHistory();
    return h && h->canRedo();
}

QString Ledger::undoText() const
{
    const store::UndoHistory* h = currentHistory();
    return h ? h->undoText() : QString();
}

QString Ledger::redoText() const
{
    const store::UndoHistory* h = currentHistory();
    return h ? h->redoText() : QString();
}

void Ledger::undo() { swap(true); }
void Ledger::redo() { swap(false); }

void Ledger::swap(bool undo)
{
    store::UndoHistory* h = currentHistory();
    if (!h || (undo ? !h->canUndo() : !h->canRedo()))
        return;
    QStringList changed;
    try {
        changed = undo ? h->undo() : h->redo();
    } catch (...) {
        emit historyChanged();
        throw;
    }
    // Record numbers taken before are no good once the record file was put
    // back, shorter, longer or in another order.
    if (changed.contains(session_.recordFile()))
        session_.recordsChangedBeneath();
    emit historyChanged();
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
