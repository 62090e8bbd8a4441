// The main window's data-folder switches, display options and list layout
// commands.
#include "app/MainWindow.h"

#include "app/ProgramFolder.h"
#include "app/ReportCommands.h"
#include "platform/MessagePort.h"
#include "platform/WaitCursor.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace fnk::app {

// ----------------------------------------------------------- data folders

void MainWindow::switchDataFolder(const QString& folder, bool reindex)
{
    if (!takeDataFolder(withTrailingSlash(folder), false))
        return;  // another copy holds it and the user kept the folder in use
    {
        // Throws when the folder cannot be used; the caller reports it.
        platform::WaitCursor busy;
        try {
            ledger_.switchDataFolder(withTrailingSlash(folder), reindex);
        } catch (...) {
            ui_.generalPanels[1]->setText(session_.dataFolder);
            throw;
        }
    }
    ui_.generalPanels[1]->setText(session_.dataFolder);
    PopCategoryGrid();
    session_.showAllCategories();
    rebuildList();
}

void MainWindow::mu_DefaultDataFolder()
{
    try {
        switchDataFolder(session_.programFolder, false);
    } catch (const std::exception& e) {
        reportFailure(e);
    }
    ui_.focusListIfEnabled();
}

void MainWindow::alternateFolder(int which)
{
    const QString folder = (which == 1 ? session_.settings.alternateFolder1()
                                       : session_.settings.alternateFolder2())
                               .trimmed();
    if (folder.isEmpty())
        return;
    try {
        switchDataFolder(folder, true);
    } catch (const std::exception& e) {
        reportFailure(e);
        mu_DefaultDataFolder();
        return;
    }
    ui_.focusListIfEnabled();
}

void MainWindow::mu_SelectDataFolder()
{
    const QString chosen = platform::messages().file(
        {platform::FileDialog::Save, QStringLiteral("Select a folder..."),
         QStringLiteral("Folders|.|"), QStringLiteral("(select a folder)"), session_.dataFolder});
    if (chosen.isEmpty())
        return;
    const QString name = QFileInfo(chosen).fileName();
    try {
        switchDataFolder(chosen.left(chosen.size() - name.size()), true);
    } catch (const std::exception& e) {
        reportFailure(e);
        mu_DefaultDataFolder();
    }
}

// -------------------------------------------------------- display options

void MainWindow::mu_ToolTipsOff()
{
    ui_.mainGrid->setToolTip(QString());
    ui_.categoryGrid->setToolTip(QString());
    ui_.allButton->setToolTip(QString());
    ui_.actions.value(QStringLiteral("mu_ToolTipsOff"))->setVisible(false);
    ui_.actions.value(QStringLiteral("mu_ToolTipsOn"))->setVisible(true);
    session_.settings.setToolTipsShown(false);
    writeSettings();
}

void MainWindow::mu_ToolTipsOn()
{
    session_.settings.setToolTipsShown(true);
    writeSettings();
    ui_.actions.value(QStringLiteral("mu_ToolTipsOn"))->setVisible(false);
    ui_.actions.value(QStringLiteral("mu_ToolTipsOff"))->setVisible(true);
    platform::messages().inform(
        QStringLiteral("Tool Tips On"),
        QStringLiteral("The Tool Tips will reappear the next time you start the program."));
}

namespace {
void setBold(QWidget* top, bool bold)
{
    QList<QWidget*> all = top->findChildren<QWidget*>();
    all.prepend(top);
    for (QWidget* w : all) {
        QFont f = w->font();
        if (f.bold() == bold)
            continue;
        f.setBold(bold);
        w->setFont(f);
    }
}
}  // namespace

void MainWindow::setFontsBold(bool bold)
{
    // Every control of the main window and of its secondary windows.
    QList<QWidget*> tops{this};
    if (config_)
        tops << config_.data();
    for (QWidget* extra : secondaryWindows())
        tops << extra;
    for (QWidget* top : tops)
        setBold(top, bold);
    session_.settings.setBoldFonts(bold);
    ui_.fitStatusPanels();
    ui_.keepRecordPanelWhole();
}

void MainWindow::followBoldSetting(QWidget* window)
{
    // A window opened after the setting was applied (the settings window,
    // a message box, a file dialog) takes bold fonts as it is shown.  Pop-up
    // lists and tool tips belong to a window that already follows it.
    if (!window->isWindow() || window == this || !session_.settings.boldFonts())
        return;
    const Qt::WindowType type = window->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip)
        return;
    setBold(window, true);
}

void MainWindow::mu_NoBold()
{
    QAction* a = ui_.actions.value(QStringLiteral("mu_NoBold"));
    // The entry is checkable, so Qt has already flipped the tick: the tick
    // now says what the fonts are to be.
    setFontsBold(a->isChecked());
}

// ------------------------------------------------------------ list layout

void MainWindow::mu_GridFormat()
{
    const QString code = session_.settings.columnLayout();
    if (!view::ColumnLayout::isValid(code))
        return;
    session_.settings.setColumnLayout(view::ColumnLayout::next(code));
    rebuildList();
    ui_.mainGrid->setFocus();
}

void MainWindow::MainGrid_HeadingClick(int column)
{
    reports_->stopBuild();
    if (sortDirection_.isEmpty())
        sortDirection_ = QStringLiteral("Dn");
    if (column < 0 || column >= view::MainListModel::kFirstHidden)
        return;
    const bool ascending = sortDirection_ == QLatin1String("Dn");
    ui_.listModel->sortByColumn(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    sortDirection_ = ascending ? QStringLiteral("Up") : QStringLiteral("Dn");
    ui_.mainGrid->setCurrentIndex(ui_.listModel->index(0, column));
}

}  // namespace fnk::app
