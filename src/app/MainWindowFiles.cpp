// The main window's file commands that hand over to other modules: the
// internal backup and the import window; and the lock that keeps a second
// copy of the program off the data folder.
#include "app/FolderNotices.h"
#include "app/InternalBackup.h"
#include "app/MainWindow.h"

#include "backup/BackupWindow.h"
#include "import/ImportWindow.h"
#include "edit/CategoryPanel.h"
#include "edit/EditPanel.h"
#include "platform/MessagePort.h"
#include "store/FileIo.h"

#include <QFileInfo>

namespace fnk::app {

bool MainWindow::takeDataFolder(const QString& folder, bool atStartUp)
{
    switch (ledger_.lockDataFolder(folder)) {
    case FolderLock::Outcome::ReadOnly:
        // Looked through, never written; the user hears why once.
        tellReadOnlyFolder(folder, atStartUp);
        ledger_.openReadOnly(atStartUp);  // at start-up the settings file lives there too
        return true;
    case FolderLock::Outcome::InUse:
        break;
    default:
        return true;
    }
    const QString noDoes = atStartUp ? QStringLiteral("the program ends")
                                     : QStringLiteral("the data folder stays ") + session_.dataFolder;
    if (!platform::messages().askYesNo(
            QStringLiteral("Data folder in use"),
            FolderLock::inUseText(folder, session_.folderLock.holder(), noDoes),
            platform::Icon::Exclamation, platform::Answer::No))
        return false;
    ledger_.openReadOnly(atStartUp);
    return true;
}

void MainWindow::readOnlyChanged(bool on)
{
    if (on) {
        // Nothing opened on the folder before stays open to write through.
        if (ui_.editPanel->isVisible())
            ui_.editPanel->CloseButton_Click();
        if (ui_.categoryPanel->isVisible())
            ui_.categoryPanel->QuitCat_Click();
    }
    updateCommands();
    setWindowTitle(on ? QStringLiteral("Fennick (read-only)") : QStringLiteral("Fennick"));
}

void MainWindow::mu_CreateBackup()
{
    app::mu_CreateBackup(session_.recordFile(), session_.dataFolder);
}

void MainWindow::mu_RestoreBackup()
{
    // Whatever the answer, the file may be another now.
    const bool ok = ledger_.changeRecords(
        QStringLiteral("Restore Internal Backup"), [this] { return app::mu_RestoreBackup(session_.recordFile(), session_.dataFolder); });
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
    // Its runs are changes of the data folder of its opening, macro edit or not.
    w->setBeginChange([this](const QString& text) { return ledger_.beginFolderChange(text); });
    connect(w, &imports::ImportWindow::finished, this, [this] {
        import_ = nullptr;
        updateCommands();
        ledger_.importEnded();
        mu_AllCats();
    });
    import_ = w;
    updateCommands();
    secondary_ << QPointer<QWidget>(w);
    w->show();
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

}  // namespace fnk::app
