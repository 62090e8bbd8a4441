#pragma once

#include "app/FolderLock.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "store/ChangeScope.h"
#include "store/UndoHistory.h"

#include <QDate>
#include <QObject>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <type_traits>

namespace fnk::platform {
class MessagePort;
}

namespace fnk::app {

// The open data set and every command that changes it: the folder and its
// lock, re-index, purge, restores, macro edit and play, the settings.  It
// holds no widget and shows nothing; results come back as return values,
// failures as store::FileError.  The window asks the user, calls here, then
// shows the outcome.
//
// It is the only caller of the session's setters, so the rule that no record
// number taken before a change writes after it holds here once: every command
// that may have changed or renumbered the record file advances the session's
// epoch, whether it ended well or not.
//
// It also keeps the undo history of the data folder (and, in macro edit, one
// of the macro file): each of its commands runs inside a step, and whatever
// changes the files elsewhere (the panels, the import window) opens its step
// through beginChange().
class Ledger : public QObject {
    Q_OBJECT
public:
    explicit Ledger(const QString& programFolder, QObject* parent = nullptr);
    ~Ledger() override;

    Session& session() { return session_; }
    const Session& session() const { return session_; }

    // ----------------------------------------------------------- the lock
    // Takes the lock of `folder` before it becomes the data folder.  Held
    // (or a folder where no lock file can be made): the folder is written as
    // usual.  InUse: another copy holds it and nothing changed; the caller
    // asks the user, then calls openReadOnly() or keeps the folder in use.
    // ReadOnly: the folder cannot be written; the caller tells the user and
    // calls openReadOnly().
    FolderLock::Outcome lockDataFolder(const QString& folder);
    // The folder about to be used is opened without its lock: every writing
    // command stays off while it is in use.  At start-up the settings stay
    // unwritten for the whole run too.
    void openReadOnly(bool atStartUp);
    // A purge stopped between its two renames leaves the backup as a second
    // name of the ledger; this makes it a copy of its own.  A work file a
    // killed purge left goes too.
    static void settleBackup(const QString& folder);

    // ------------------------------------------------------------ folders
    // Makes `folder` the data folder (after lockDataFolder()).  With
    // `reindex`, checks that the folder is there and re-indexes its record
    // file.  Throws FileError; the folder has then changed all the same.
    void switchDataFolder(const QString& folder, bool reindex);

    // ---------------------------------------------------- record file work
    // Re-indexes the record file; true when it renumbered records.
    bool reindex();
    // Removes the records marked deleted; returns how many.
    qint64 purgeDeleted();
    // Clears every deletion mark; returns how many.
    qint64 restoreDeleted();
    // Runs `work`, which may rewrite or add to the record file (a restore of
    // the internal backup with its questions, an import's end), and lets go
    // of every record number afterwards, whether it ended well or not.
    template <typename Work>
    auto changeRecords(Work&& work) -> std::invoke_result_t<Work>
    {
        try {
            if constexpr (std::is_void_v<std::invoke_result_t<Work>>) {
                work();
                session_.recordsChangedBeneath();
            } else {
                auto result = work();
                session_.recordsChangedBeneath();
                return result;
            }
        } catch (...) {
            session_.recordsChangedBeneath();
            throw;
        }
    }

    // The same as one change the user can undo, named `text`.
    template <typename Work>
    auto changeRecords(const QString& text, Work&& work) -> std::invoke_result_t<Work>
    {
        store::ChangeScope change = beginChange(text);
        return changeRecords(std::forward<Work>(work));
    }

    // The import window closed: it may have added to the record file.
    void importEnded() { session_.recordsChangedBeneath(); }

    // ---------------------------------------------------------------- undo
    // The files an import run may change beside the record file: the ids of
    // the statements imported and the category rules.
    static QStringList importFilesOf(const QString& dataFolder);
    // Makes the history of the data folder anew (the old one goes), once the
    // folder is open and checked; none in a folder opened read-only.
    void startHistory();
    // Opens a change of the data set named `text`: one step in the folder's
    // history, and in macro edit one in the macro file's too.
    store::ChangeScope beginChange(const QString& text);
    // A change that is always the data folder's (an import run), even in
    // macro edit.
    store::ChangeScope beginFolderChange(const QString& text);
    // The history undo and redo work on: the macro file's in macro edit.
    bool canUndo() const;
    bool canRedo() const;
    QString undoText() const;
    QString redoText() const;
    // Undo the last command, or redo the last undone.  Throw
    // store::UndoRefused when a file is not as the program left it and
    // FileError when the disk fails; the files are then as they were.
    void undo();
    void redo();

    // -------------------------------------------------------------- macros
    enum class MacroOpen { Opened, Damaged };
    // Macro edit on `path` (created empty when missing), re-indexed first.
    MacroOpen enterMacroEdit(const QString& path);
    void leaveMacroEdit();
    // Plays the macro file into the record file under `date`; returns the
    // records written.
    qint64 playMacro(const QString& path, const QDate& date,
                     const std::function<void(qint64, qint64)>& progress);

    // ----------------------------------------------------------- settings
    // Loads the settings of the program folder (the defaults when there is
    // no file; a damaged or unreadable file is told through `port`).  A
    // first run in a writable folder also gets four starter categories.
    // Returns what was loaded and how.
    LoadedSettings loadSettings(platform::MessagePort& port);
    // Whether the settings loaded hold no window size of the user's (a
    // first run, or a damaged or unreadable file replaced by the defaults).
    bool noStoredSize() const { return noStoredSize_; }
    // Writes the settings in memory, unless another copy held the program
    // folder at start-up or the file was held back.  Throws FileError.
    void writeSettings() const;

signals:
    // The data folder was opened read-only, or writable again.
    void readOnlyChanged(bool readOnly);
    // What undo and redo would do changed.
    void historyChanged();

private:
    void setReadOnly(bool on);
    store::UndoHistory* currentHistory() const;
    void swap(bool undo);
    void dropHistories();

    Session session_;
    bool noStoredSize_ = false;
    std::unique_ptr<store::UndoHistory> history_;       // of the data folder
    std::unique_ptr<store::UndoHistory> macroHistory_;  // of the macro file in macro edit
    // The report folder of a read-only run, made the first time a folder
    // opens read-only; at exit its work files go, and the folder with them
    // unless the user's outputs are left in it.
    std::unique_ptr<QTemporaryDir> privateFolder_;
};

}  // namespace fnk::app
