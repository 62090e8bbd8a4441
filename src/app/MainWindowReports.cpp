// The main window's free selection mode and report view.
#include "app/MainWindow.h"

#include "platform/Colours.h"
#include "platform/MessagePort.h"
#include "reports/ChartWindow.h"
#include "platform/ErrorReport.h"
#include "platform/WaitCursor.h"
#include "reports/ReportBuild.h"
#include "reports/ReportFiles.h"
#include "reports/ReportView.h"
#include "reports/ReportWriter.h"
#include "store/FileIo.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QToolButton>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <exception>

namespace fnk::app {

namespace {
const QColor kCyan(0, 255, 255);
}  // namespace

void MainWindow::setListBackground(const QColor& colour)
{
    // The window's own background clears the mark; any other colour is the
    // hue of a mode, made to suit the palette.
    const bool own = colour == palette().color(QPalette::Base);
    for (QTableView* v : {mainGrid_, categoryGrid_}) {
        if (own)
            platform::clearMark(v);
        else
            platform::markBackground(v, colour);
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
    reportClosedInFreeSelection_ = false;
    updateCommands();
}

void MainWindow::TurnReportsOff()
{
    if (session_.settings.toolTipsShown())
        mainGrid_->setToolTip(QStringLiteral("Double-click any line item to edit"));
    session_.freeSelection = false;
    setListBackground(palette().color(QPalette::Base));
    for (int i : {1, 0, 3, 4})
        displayPanels_[i]->show();
    reportShown_ = false;
    viewer_->hide();
    viewer_->clear();
    updateCommands();
}

void MainWindow::mu_NewReport()
{
    TurnReportsOn();
    buttons_.value(QStringLiteral("btn_ModeWhite"))->show();
    buttons_.value(QStringLiteral("btn_ModeBlue"))->hide();
}

void MainWindow::mu_QuitReports()
{
    TurnReportsOff();
    buttons_.value(QStringLiteral("btn_ModeWhite"))->hide();
    buttons_.value(QStringLiteral("btn_ModeBlue"))->show();
    session_.showAllCategories();
    rebuildList();
}

void MainWindow::removeSelectedRow()
{
    stopReportBuild();
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
    if (reportBuilding())
        return;
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
    // The work files follow the list, newest first.
    listModel_->sortByColumn(view::MainListModel::kDate, Qt::DescendingOrder);
    buildCursor_.emplace(Qt::BusyCursor);
    progress_->setRange(0, listModel_->rowCount() + 1);
    progress_->setValue(0);
    progress_->show();
    progress_->raise();

    reports::ReportContext ctx;
    ctx.dataFolder = session_.dataFolder;
    ctx.categoryFile = session_.categoryFile();
    ctx.earliestText = session_.range.earliestText();
    ctx.latestText = session_.range.latestText();
    ctx.ownerName = session_.settings.ownerName();
    ctx.user1Name = session_.settings.userField1Name();
    ctx.user2Name = session_.settings.userField2Name();
    ctx.layoutCode = session_.settings.columnLayout();

    reportShown_ = true;
    reportJob_->start(k, ctx, listModel_->snapshot());
    updateCommands();
}

void MainWindow::reportProgress(int value, int maximum)
{
    progress_->setRange(0, maximum);
    progress_->setValue(value);
}

void MainWindow::stopReportBuild() { reportJob_->cancel(); }

void MainWindow::endReportBuild(reports::ReportBuildJob::Outcome outcome,
                                  const std::shared_ptr<reports::ReportText>& text,
                                  const std::exception_ptr& error)
{
    progress_->hide();
    buildCursor_.reset();
    updateCommands();
    if (outcome == reports::ReportBuildJob::Outcome::Built) {
        viewer_->setText(std::move(*text));
        showReportText();
    } else {
        mu_ReturnToList();
        if (outcome == reports::ReportBuildJob::Outcome::Failed) {
            try {
                std::rethrow_exception(error);
            } catch (...) {
                platform::reportCurrentException();
            }
        }
    }
    emit reportBuildEnded();
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
#ifdef __GLIBC__
    // What the build's thread freed stays with the allocator until asked for.
    malloc_trim(0);
#endif
    reportShown_ = false;
    // Closing a report gives back the list's menus, in free selection too.
    if (session_.freeSelection)
        reportClosedInFreeSelection_ = true;
    updateCommands();
    focusListIfEnabled();
}

void MainWindow::showReportText()
{
    // The viewer shows one empty line, then the report's lines.
    layoutOverlays();
    viewer_->show();
    viewer_->raise();
    viewer_->setFocus();
}

}  // namespace fnk::app
