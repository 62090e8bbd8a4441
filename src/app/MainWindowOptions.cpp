// The main window's data-folder switches, display options and list layout
// commands.
#include "app/MainWindow.h"

#include "app/ProgramFolder.h"
#include "app/WindowFit.h"
#include "platform/Colours.h"
#include "platform/MessagePort.h"
#include "platform/WaitCursor.h"

#include <QAction>

#include <algorithm>
#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
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
            generalPanels_[1]->setText(session_.dataFolder);
            throw;
        }
    }
    generalPanels_[1]->setText(session_.dataFolder);
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
    focusListIfEnabled();
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
    focusListIfEnabled();
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
    mainGrid_->setToolTip(QString());
    categoryGrid_->setToolTip(QString());
    allButton_->setToolTip(QString());
    actions_.value(QStringLiteral("mu_ToolTipsOff"))->setVisible(false);
    actions_.value(QStringLiteral("mu_ToolTipsOn"))->setVisible(true);
    session_.settings.setToolTipsShown(false);
    writeSettings();
}

void MainWindow::mu_ToolTipsOn()
{
    session_.settings.setToolTipsShown(true);
    writeSettings();
    actions_.value(QStringLiteral("mu_ToolTipsOn"))->setVisible(false);
    actions_.value(QStringLiteral("mu_ToolTipsOff"))->setVisible(true);
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
    fitStatusPanels();
    keepRecordPanelWhole();
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
    QAction* a = actions_.value(QStringLiteral("mu_NoBold"));
    // The entry is checkable, so Qt has already flipped the tick: the tick
    // now says what the fonts are to be.
    setFontsBold(a->isChecked());
}

void MainWindow::fitFirstRunWindow()
{
    QScreen* sc = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!sc)
        return;
    // The window's frame is not known before it is shown: room is left for
    // a title bar and borders.
    const QRect avail = sc->availableGeometry();
    const QSize room = avail.size() - QSize(16, 48);
    fitStatusPanels();
    const QWidget* beside = findChild<QWidget*>(QStringLiteral("CategoryColumn"));
    // Two thirds of the screen's height give the list room for a few weeks.
    const QSize start(width(), std::max(height(), avail.height() * 2 / 3));
    const QSize s = wholeLayoutSize(mainGrid_, beside ? beside->width() : 0, {displayBar_, generalBar_},
                                    start, room);
    resize(s.expandedTo(minimumSize()));
    // Whole on the screen.
    const int left = std::clamp(x(), avail.left(), std::max(avail.left(), avail.right() - 16 - width()));
    const int top = std::clamp(y(), avail.top(), std::max(avail.top(), avail.bottom() - 48 - height()));
    move(left, top);
}

void MainWindow::keepRecordPanelWhole()
{
    // The panel floats over the list and is cut off where the list ends.
    const int around = menuBar()->sizeHint().height() + toolRow_->sizeHint().height()
        + displayBar_->sizeHint().height() + generalBar_->sizeHint().height();
    setMinimumHeight(std::max(minimumHeight(), around + editPanel_->sizeHint().height() + 4));
}

void MainWindow::SetGridColors(QWidget* focused)
{
    // The focused list's heading in the text colour of the window, the
    // other one greyed, both readable on the heading's background.
    const QColor back = palette().color(QPalette::Button);
    const QColor active = platform::readableOn(palette().color(QPalette::ButtonText), back);
    const QColor text = palette().color(QPalette::ButtonText);
    const QColor grey = platform::readableOn(
        QColor((text.red() + back.red()) / 2, (text.green() + back.green()) / 2,
               (text.blue() + back.blue()) / 2),
        back);
    auto paint = [](QTableView* view, const QColor& c) {
        QPalette p = view->horizontalHeader()->palette();
        p.setColor(QPalette::ButtonText, c);
        p.setColor(QPalette::WindowText, c);
        view->horizontalHeader()->setPalette(p);
    };
    const bool listHasFocus = focused == mainGrid_;
    paint(mainGrid_, listHasFocus ? active : grey);
    paint(categoryGrid_, listHasFocus ? grey : active);
}

// ------------------------------------------------------------ list layout

void MainWindow::mu_GridFormat()
{
    const QString code = session_.settings.columnLayout();
    if (!view::ColumnLayout::isValid(code))
        return;
    session_.settings.setColumnLayout(view::ColumnLayout::next(code));
    rebuildList();
    mainGrid_->setFocus();
}

void MainWindow::MainGrid_HeadingClick(int column)
{
    stopReportBuild();
    if (sortDirection_.isEmpty())
        sortDirection_ = QStringLiteral("Dn");
    if (column < 0 || column >= view::MainListModel::kFirstHidden)
        return;
    const bool ascending = sortDirection_ == QLatin1String("Dn");
    listModel_->sortByColumn(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    sortDirection_ = ascending ? QStringLiteral("Up") : QStringLiteral("Dn");
    mainGrid_->setCurrentIndex(listModel_->index(0, column));
}

}  // namespace fnk::app
