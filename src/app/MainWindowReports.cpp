// The main window's free selection mode and report view.
#include "app/MainWindow.h"

#include "platform/MessagePort.h"
#include "reports/ChartWindow.h"
#include "reports/CommandGuard.h"
#include "reports/ReportFiles.h"
#include "reports/ReportView.h"
#include "reports/ReportWriter.h"
#include "store/FileIo.h"

#include <QElapsedTimer>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QToolButton>

namespace fnk::app {

namespace {
const char* const kReportViewMenus[] = {"mu_File", "mu_Records", "mu_Macro",
                                        "mu_Search", "mu_DisplayRange", "mu_ListMode"};
const char* const kReportViewButtons[] = {"btn_Open", "btn_BackUp", "btn_New",
                                          "btn_Macro", "btn_ModeBlue", "btn_ModeWhite"};
const char* const kViewerButtons[] = {"brn_Print", "btn_EditReport", "btn_CloseReport"};
const char* const kOutputCommands[] = {"mu_ReturnToList", "mu_PrintReport", "mu_EditReport",
                                       "mu_WriteText", "mu_WriteComma", "mu_WriteCommaSummary",
                                       "mu_ReportChart"};
const char* const kReportCommands[] = {"mu_ReportSummary", "mu_ReportFull", "mu_ReportFullUser",
                                       "mu_ReportSummaryWide"};
const QColor kCyan(0, 255, 255);
}  // namespace

void MainWindow::setCommandEnabled(const char* name, bool on)
{
    QAction* a = actions_.value(QLatin1String(name));
    if (!a)
        return;
    // A command that is not built stays disabled whatever the mode says.
    a->setEnabled(on && (a->menu() || isBuilt(QLatin1String(name))));
    for (auto it = buttonActions_.cbegin(); it != buttonActions_.cend(); ++it)
        if (it.value() == QLatin1String(name))
            buttons_.value(it.key())->setEnabled(a->isEnabled());
}

void MainWindow::setButtonEnabled(const char* button, bool on)
{
    QToolButton* b = buttons_.value(QLatin1String(button));
    const QString command = buttonActions_.value(QLatin1String(button));
    if (b)
        b->setEnabled(on && isBuilt(command));
}

void MainWindow::setListBackground(const QColor& colour)
{
    for (QTableView* v : {mainGrid_, categoryGrid_}) {
        QPalette p = v->palette();
        p.setColor(QPalette::Base, colour);
        v->setPalette(p);
    }
}

// -------------------------------------------------------- free selection

void MainWindow::TurnReportsOn()
{
    viewer_->clear();
    if (session_.settings.toolTipsShown())
        mainGrid_->setToolTip(QStringLiteral("Highlight item and press DELETE key to remove from report"));
    session_.freeSelection = true;
    setListBackground(kCyan);
    for (int i : {0, 1, 3, 4})
        displayPanels_[i]->hide();
    displayPanels_[2]->setText(view::freeSelectionStatus(listModel_->rowCount()));
    for (const char* m : {"mu_File", "mu_Records", "mu_Macro"})
        setCommandEnabled(m, false);
    setCommandEnabled("mu_QuitReports", true);
    for (const char* c : kReportCommands)
        setCommandEnabled(c, true);
    for (const char* c : kOutputCommands)
        setCommandEnabled(c, false);
}

void MainWindow::TurnReportsOff()
{
    if (session_.settings.toolTipsShown())
        mainGrid_->setToolTip(QStringLiteral("Double-click any line item to edit"));
    session_.freeSelection = false;
    setListBackground(palette().color(QPalette::Base));
    for (int i : {1, 0, 3, 4})
        displayPanels_[i]->show();
    for (const char* m : {"mu_File", "mu_Records", "mu_Macro"})
        setCommandEnabled(m, true);
    for (const char* c : kOutputCommands)
        setCommandEnabled(c, false);
    viewer_->hide();
    viewer_->clear();
}

void MainWindow::mu_NewReport()
{
    TurnReportsOn();
    buttons_.value(QStringLiteral("btn_ModeWhite"))->show();
    buttons_.value(QStringLiteral("btn_ModeBlue"))->hide();
    setCommandEnabled("mu_NewReport", false);
    setCommandEnabled("mu_QuitReports", true);
}

void MainWindow::mu_QuitReports()
{
    TurnReportsOff();
    buttons_.value(QStringLiteral("btn_ModeWhite"))->hide();
    buttons_.value(QStringLiteral("btn_ModeBlue"))->show();
    setCommandEnabled("mu_NewReport", true);
    setCommandEnabled("mu_QuitReports", false);
    session_.showAllCategories();
    rebuildList();
}

void MainWindow::removeSelectedRow()
{
    // The last item row can not be taken out.
    const int row = mainGrid_->currentIndex().row();
    if (listModel_->rowCount() < 2 || row < 0)
        return;
    listModel_->removeRowAt(row);
    setListBackground(kCyan);
    displayPanels_[2]->setText(view::freeSelectionStatus(listModel_->rowCount()));
    mainGrid_->setCurrentIndex(listModel_->index(std::min(row, listModel_->rowCount() - 1), 0));
}

// ----------------------------------------------------------- report view

void MainWindow::runReport(int kind)
{
    const auto k = static_cast<reports::ReportKind>(kind);
    wideReport_ = reports::isWideReport(k);
    if (listModel_->rowCount() < 1) {
        platform::messages().inform(
            QStringLiteral("Nothing to do!"),
            QStringLiteral("You must first build a list of items in order to generate a report. "
                           "Please select categories and/or perform word searches to build "
                           "your list."));
        return;
    }
    if (chart_)
        chart_->close();  // its work files are about to be written anew
    enterReportView();
    // The work files follow the list, newest first.
    listModel_->sortByColumn(view::MainListModel::kDate, Qt::DescendingOrder);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    progress_->setRange(0, listModel_->rowCount() + 1);
    progress_->setValue(0);
    progress_->show();
    progress_->raise();
    // The bar moves a few times a second; a repaint for every row would cost
    // more than the rows themselves.
    QElapsedTimer sinceBar;
    sinceBar.start();
    const QString textPath = reports::reportTextPath(session_.dataFolder);
    try {
        reports::MakeReportFiles(*listModel_, session_.dataFolder, [&](int value, int maximum) {
            if (value < maximum - 1 && sinceBar.elapsed() < 150)
                return;
            sinceBar.restart();
            progress_->setRange(0, maximum);
            progress_->setValue(value);
        });
        progress_->hide();
        reports::ReportContext ctx;
        ctx.dataFolder = session_.dataFolder;
        ctx.categoryFile = session_.categoryFile();
        ctx.earliestText = session_.range.earliestText();
        ctx.latestText = session_.range.latestText();
        ctx.ownerName = session_.settings.ownerName();
        ctx.user1Name = session_.settings.userField1Name();
        ctx.user2Name = session_.settings.userField2Name();
        ctx.layoutCode = session_.settings.columnLayout();
        reports::writeReport(k, ctx);
        if (!viewer_->loadFile(textPath))
            throw store::FileError(QStringLiteral("Cannot read ") + textPath, store::kFileNotFound,
                                   textPath);
    } catch (const std::exception& e) {
        progress_->hide();
        QApplication::restoreOverrideCursor();
        mu_ReturnToList();
        reports::detail::reportFailure(e);
        return;
    }
    QApplication::restoreOverrideCursor();
    showReportText();
}

void MainWindow::mu_ReportSummary() { runReport(int(reports::ReportKind::SummaryNarrow)); }
void MainWindow::mu_ReportFull() { runReport(int(reports::ReportKind::FullNarrow)); }
void MainWindow::mu_ReportSummaryWide() { runReport(int(reports::ReportKind::SummaryWide)); }
void MainWindow::mu_ReportFullUser() { runReport(int(reports::ReportKind::FullWide)); }

void MainWindow::mu_ReportChart()
{
    // The chart reads the work files the report on screen was written from.
    reports::ReportContext ctx;
    ctx.dataFolder = session_.dataFolder;
    ctx.categoryFile = session_.categoryFile();
    ctx.earliestText = session_.range.earliestText();
    ctx.latestText = session_.range.latestText();
    try {
        auto* chart = new reports::ChartWindow(reports::readChartData(ctx), session_.dataFolder, this);
        if (chart_)
            chart_->close();
        chart_ = chart;
        chart->show();
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

void MainWindow::mu_ReturnToList()
{
    if (chart_)
        chart_->close();  // it belongs to the report that is closing
    viewer_->hide();
    viewer_->clear();  // the text's memory goes back; the file stays for the copies
    for (const char* m : kReportViewMenus)
        setCommandEnabled(m, true);
    for (const char* b : kReportViewButtons)
        setButtonEnabled(b, true);
    for (const char* b : kViewerButtons)
        setButtonEnabled(b, false);
    for (const char* c : kOutputCommands)
        setCommandEnabled(c, false);
    focusListIfEnabled();
}

void MainWindow::enterReportView()
{
    for (const char* m : kReportViewMenus)
        setCommandEnabled(m, false);
    for (const char* b : kReportViewButtons)
        setButtonEnabled(b, false);
    for (const char* b : kViewerButtons)
        setButtonEnabled(b, true);
}

void MainWindow::showReportText()
{
    // The viewer shows one empty line, then the report's lines.
    layoutOverlays();
    viewer_->show();
    viewer_->raise();
    viewer_->setFocus();
    for (const char* c : kOutputCommands)
        setCommandEnabled(c, true);
}

}  // namespace fnk::app
