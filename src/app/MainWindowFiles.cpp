// The main window's file commands that hand over to other modules: the
// internal backup, the import window and the report output.
#include "app/InternalBackup.h"
#include "app/MainWindow.h"

#include "backup/BackupWindow.h"
#include "import/ImportWindow.h"
#include "reports/Export.h"
#include "reports/ReportOutput.h"

namespace fnk::app {

void MainWindow::mu_CreateBackup()
{
    app::mu_CreateBackup(session_.recordFile(), session_.dataFolder);
}

void MainWindow::mu_RestoreBackup()
{
    if (app::mu_RestoreBackup(session_.recordFile(), session_.dataFolder))
        mu_AllCats();
}

void MainWindow::mu_Import()
{
    if (import_) {
        import_->show();
        import_->raise();
        return;
    }
    // The import window works on its own; when it closes, by any means, the
    // list shows every category again.
    auto* w = new imports::ImportWindow(session_.recordFile(), nullptr);
    w->setAttribute(Qt::WA_DeleteOnClose);
    QFont f = w->font();
    f.setBold(session_.settings.boldFonts());
    w->setFont(f);
    w->setInternalBackup([this] { app::mu_CreateBackup(session_.recordFile(), session_.dataFolder); });
    connect(w, &imports::ImportWindow::finished, this, &MainWindow::mu_AllCats);
    import_ = w;
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
