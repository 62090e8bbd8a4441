// The main window's file commands that hand over to other modules: the
// internal backup, the import window and the report output; and the lock
// that keeps a second copy of the program off the data folder.
#include "app/FolderNotices.h"
#include "app/InternalBackup.h"
#include "app/MainWindow.h"

#include "backup/BackupWindow.h"
#include "import/ImportWindow.h"
#include "reports/Export.h"
#include "reports/ReportOutput.h"
#include "edit/CategoryPanel.h"
#include "edit/EditPanel.h"
#include "platform/MessagePort.h"
#include "store/FileIo.h"
#include "store/Maintenance.h"

#include <QFileInfo>

namespace fnk::app {

namespace {
// Every command that writes to the data folder (or to a macro file).
const char* const kWritingCommands[] = {
    "mu_NewEntry", "mu_EditEntry", "mu_PurgeDeletedRecords", "mu_RestoreDeletedRecords",
    "mu_NewCategory", "mu_EditCategory", "mu_PlayMacro", "mu_MacroCreate", "mu_Import",
    "mu_CreateBackup", "mu_RestoreBackup", "mu_ReIndex", "mu_NotesOpen"};
}  // namespace

bool MainWindow::lockForbids(const QString& command) const
{
    if (session_.settingsReadOnly && command == QLatin1String("mu_ConfigSettings"))
        return true;
    if (!session_.readOnly)
        return false;
    for (const char* c : kWritingCommands)
        if (command == QLatin1String(c))
            return true;
    return false;
}

bool MainWindow::lockDataFolder(const QString& folder, bool atStartUp)
{
    FolderLock& lock = session_.folderLock;
    switch (lock.take(folder)) {
    case FolderLock::Outcome::Held:
        setReadOnly(false);
        settleBackup(folder);
        return true;
    case FolderLock::Outcome::ReadOnly:
        // Looked through, never written; the user hears why once.
        lock.release();
        if (atStartUp)
            session_.settingsReadOnly = true;  // the settings file lives there too
        tellReadOnlyFolder(folder, atStartUp);
        setReadOnly(true);
        return true;
    case FolderLock::Outcome::NotPossible:
        // A folder where no lock file can be made (and yet one that can be
        // written) holds no data another copy could write; a missing one
        // fails the switch later.
        if (QFileInfo(folder).isDir()) {
            lock.release();
            setReadOnly(false);
        }
        return true;
    case FolderLock::Outcome::InUse:
        break;
    }
    const QString noDoes = atStartUp ? QStringLiteral("the program ends")
                                     : QStringLiteral("the data folder stays ") + session_.dataFolder;
    if (!platform::messages().askYesNo(QStringLiteral("Data folder in use"),
                                       FolderLock::inUseText(folder, lock.holder(), noDoes),
                                       platform::Icon::Exclamation, platform::Answer::No))
        return false;
    lock.release();
    if (atStartUp)
        session_.settingsReadOnly = true;
    setReadOnly(true);
    return true;
}

void MainWindow::settleBackup(const QString& folder)
{
    // A purge stopped between its two renames leaves the backup as a second
    // name of the ledger; the first edit in place would change both.
    try {
        store::separateCopy(folder + QStringLiteral("fennick.dat"), folder + QStringLiteral("fennick.bak"));
    } catch (const store::FileError&) {
        // the backup stays as it is; the ledger itself is sound
    }
    store::removePurgeLeftovers(folder);
}

void MainWindow::setReadOnly(bool on)
{
    if (on) {
        // Nothing opened on the folder before stays open to write through.
        if (editPanel_->isVisible())
            editPanel_->CloseButton_Click();
        if (categoryPanel_->isVisible())
            categoryPanel_->QuitCat_Click();
    }
    session_.readOnly = on;
    for (const char* c : kWritingCommands)
        setCommandEnabled(c, true);  // lockForbids keeps them off while read-only
    setCommandEnabled("mu_ConfigSettings", true);
    setWindowTitle(on ? QStringLiteral("Fennick (read-only)") : QStringLiteral("Fennick"));
}

void MainWindow::mu_CreateBackup()
{
    app::mu_CreateBackup(session_.recordFile(), session_.dataFolder);
}

void MainWindow::mu_RestoreBackup()
{
    const bool ok = app::mu_RestoreBackup(session_.recordFile(), session_.dataFolder);
    // Whatever the answer, the file may be another now.
    session_.recordsChangedBeneath();
    if (ok)
        mu_AllCats();
    else
        rebuildList();
}

void MainWindow::mu_Import()
{
    if (import_) {
        import_->show();
        import_->raise();
        return;
    }
    // The import window works on its own; when it closes, by any means, the
    // list shows every category again.  Its target, the backup it offers and
    // the rebuild all follow the data folder of this moment, which stays in
    // force while it is open.
    const QString recordFile = session_.recordFile();
    const QString dataFolder = session_.dataFolder;
    auto* w = new imports::ImportWindow(recordFile, nullptr);
    w->setAttribute(Qt::WA_DeleteOnClose);
    QFont f = w->font();
    f.setBold(session_.settings.boldFonts());
    w->setFont(f);
    w->setInternalBackup([recordFile, dataFolder] { app::mu_CreateBackup(recordFile, dataFolder); });
    connect(w, &imports::ImportWindow::finished, this, [this] {
        importOpen_ = false;
        updateFolderCommands();
        session_.recordsChangedBeneath();
        mu_AllCats();
    });
    import_ = w;
    importOpen_ = true;
    updateFolderCommands();
    secondary_ << QPointer<QWidget>(w);
    w->show();
}

void MainWindow::updateFolderCommands()
{
    const bool on = !session_.macroMode && !importOpen_;
    for (const char* c : {"mu_DefaultDataFolder", "mu_AlternateFolder1", "mu_AlternateFolder2",
                          "mu_SelectDataFolder"})
        setCommandEnabled(c, on);
}

void MainWindow::mu_Backup()
{
    if (backup_) {
        backup_->show();
        backup_->raise();
        return;
    }
    auto* w = new backup::BackupWindow(session_.dataFolder, nullptr);
    w->setAttribute(Qt::WA_DeleteOnClose);
    QFont f = w->font();
    f.setBold(session_.settings.boldFonts());
    w->setFont(f);
    backup_ = w;
    secondary_ << QPointer<QWidget>(w);
    w->show();
}

void MainWindow::mu_PrintReport() { reports::mu_PrintReport(session_.dataFolder, wideReport_); }
void MainWindow::mu_WriteText() { reports::mu_WriteText(session_.dataFolder); }
void MainWindow::mu_EditReport()
{
    reports::mu_EditReport(session_.dataFolder, session_.settings.editorProgram());
}
void MainWindow::mu_WriteComma() { reports::mu_WriteComma(session_.dataFolder, session_.categoryFile()); }
void MainWindow::mu_WriteCommaSummary()
{
    reports::mu_WriteCommaSummary(session_.dataFolder, session_.categoryFile());
}

}  // namespace fnk::app
