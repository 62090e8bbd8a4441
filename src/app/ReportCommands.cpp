// The main window's free selection mode and report view.
#include "app/ReportCommands.h"

#include "app/MainWidgets.h"
#include "app/ProgramFolder.h"
#include "app/Session.h"

#include "platform/Colours.h"
#include "platform/MessagePort.h"
#include "reports/ChartWindow.h"
#include "reports/Export.h"
#include "platform/ErrorReport.h"
#include "platform/WaitCursor.h"
#include "reports/ReportBuild.h"
#include "reports/ReportFiles.h"
#include "reports/ReportOutput.h"
#include "reports/ReportView.h"
#include "reports/ReportWriter.h"
#include "store/FileIo.h"
#include "view/ListBuilder.h"
#include "view/MainListModel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QToolButton>
#include <QWidget>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <exception>

namespace fnk::app {

namespace {
const QColor kCyan(0, 255, 255);
}  // namespace

ReportCommands::ReportCommands(Session& session, MainWidgets& ui, QObject* parent)
    : QObject(parent), session_(session), ui_(ui), job_(new reports::ReportBuildJob(this))
{
    connect(job_, &reports::ReportBuildJob::progress, this, &ReportCommands::reportProgress);
    connect(job_, &reports::ReportBuildJob::ended, this, &ReportCommands::endReportBuild);
}

void ReportCommands::setListBackground(const QColor& colour)
{
    // The window's own background clears the mark; any other colour is the
    // hue of a mode, made to suit the palette.
    const bool own = colour == ui_.window->palette().color(QPalette::Base);
    for (QTableView* v : {ui_.mainGrid, ui_.categoryGrid}) {
        if (own)
            platform::clearMark(v);
        else
            platform::markBackground(v, colour);
    }
}

// -------------------------------------------------------- free selection

void ReportCommands::TurnReportsOn()
{
    ui_.viewer->clear();
    if (session_.settings.toolTipsShown())
        ui_.mainGrid->setToolTip(QStringLiteral("Highlight item and press DELETE key to remove from report"));
    session_.freeSelection = true;
    setListBackground(kCyan);
    for (int i : {0, 1, 3, 4})
        ui_.displayPanels[i]->hide();
    ui_.displayPanels[2]->setText(view::freeSelectionStatus(ui_.listModel->rowCount()));
    reportClosedInFreeSelection_ = false;
    emit modeChanged();
}

void ReportCommands::TurnReportsOff()
{
    if (session_.settings.toolTipsShown())
        ui_.mainGrid->setToolTip(QStringLiteral("Double-click any line item to edit"));
    session_.freeSelection = false;
    setListBackground(ui_.window->palette().color(QPalette::Base));
    for (int i : {1, 0, 3, 4})
        ui_.displayPanels[i]->show();
    reportShown_ = false;
    ui_.viewer->hide();
    ui_.viewer->clear();
    emit modeChanged();
}

void ReportCommands::mu_NewReport()
{
    TurnReportsOn();
    ui_.buttons.value(QStringLiteral("btn_ModeWhite"))->show();
    ui_.buttons.value(QStringLiteral("btn_ModeBlue"))->hide();
}

void ReportCommands::mu_QuitReports()
{
    TurnReportsOff();
    ui_.buttons.value(QStringLiteral("btn_ModeWhite"))->hide();
    ui_.buttons.value(QStringLiteral("btn_ModeBlue"))->show();
    session_.showAllCategories();
    emit listWanted();
}

void ReportCommands::removeSelectedRow()
{
    stopBuild();
    // The last item row can not be taken out.
    const int row = ui_.mainGrid->currentIndex().row();
    if (ui_.listModel->rowCount() < 2 || row < 0)
        return;
    ui_.listModel->removeRowAt(row);
    setListBackground(kCyan);
    ui_.displayPanels[2]->setText(view::freeSelectionStatus(ui_.listModel->rowCount()));
    ui_.mainGrid->setCurrentIndex(ui_.listModel->index(std::min(row, ui_.listModel->rowCount() - 1), 0));
}

// ----------------------------------------------------------- report view

void ReportCommands::runReport(int kind)
{
    if (building())
        return;
    const auto k = static_cast<reports::ReportKind>(kind);
    wideReport_ = reports::isWideReport(k);
    if (ui_.listModel->rowCount() < 1) {
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
    ui_.listModel->sortByColumn(view::MainListModel::kDate, Qt::DescendingOrder);
    buildCursor_.emplace(Qt::BusyCursor);
    ui_.progress->setRange(0, ui_.listModel->rowCount() + 1);
    ui_.progress->setValue(0);
    ui_.progress->show();
    ui_.progress->raise();

    reports::ReportContext ctx;
    ctx.dataFolder = session_.reportFolder();
    ctx.categoryFile = session_.categoryFile();
    ctx.earliestText = session_.range.earliestText();
    ctx.latestText = session_.range.latestText();
    ctx.ownerName = session_.settings.ownerName();
    ctx.user1Name = session_.settings.userField1Name();
    ctx.user2Name = session_.settings.userField2Name();
    ctx.layoutCode = session_.settings.columnLayout();

    reportShown_ = true;
    job_->start(k, ctx, ui_.listModel->snapshot());
    emit modeChanged();
}

void ReportCommands::reportProgress(int value, int maximum)
{
    ui_.progress->setRange(0, maximum);
    ui_.progress->setValue(value);
}

void ReportCommands::stopBuild() { job_->cancel(); }

void ReportCommands::endReportBuild(reports::ReportBuildJob::Outcome outcome,
                                    const std::shared_ptr<reports::ReportText>& text,
                                    const std::exception_ptr& error)
{
    ui_.progress->hide();
    buildCursor_.reset();
    emit modeChanged();
    if (outcome == reports::ReportBuildJob::Outcome::Built) {
        ui_.viewer->setText(std::move(*text));
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
    emit buildEnded();
}

void ReportCommands::mu_ReportSummary() { runReport(int(reports::ReportKind::SummaryNarrow)); }
void ReportCommands::mu_ReportFull() { runReport(int(reports::ReportKind::FullNarrow)); }
void ReportCommands::mu_ReportSummaryWide() { runReport(int(reports::ReportKind::SummaryWide)); }
void ReportCommands::mu_ReportFullUser() { runReport(int(reports::ReportKind::FullWide)); }

void ReportCommands::mu_ReportChart()
{
    // The chart reads the work files the report on screen was written from.
    reports::ReportContext ctx;
    ctx.dataFolder = session_.reportFolder();
    ctx.categoryFile = session_.categoryFile();
    ctx.earliestText = session_.range.earliestText();
    ctx.latestText = session_.range.latestText();
    try {
        auto* chart = new reports::ChartWindow(reports::readChartData(ctx), session_.reportFolder(), ui_.window);
        // A picture is the user's to keep: never offered the run's own
        // report folder of a read-only run.
        if (session_.readOnly && !canWriteIn(session_.dataFolder))
            chart->setSaveFolder(QDir::homePath());
        if (chart_)
            chart_->close();
        chart_ = chart;
        chart->show();
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

void ReportCommands::mu_ReturnToList()
{
    if (chart_)
        chart_->close();  // it belongs to the report that is closing
    ui_.viewer->hide();
    ui_.viewer->clear();  // the text's memory goes back; the file stays for the copies
#ifdef __GLIBC__
    // What the build's thread freed stays with the allocator until asked for.
    malloc_trim(0);
#endif
    reportShown_ = false;
    // Closing a report gives back the list's menus, in free selection too.
    if (session_.freeSelection)
        reportClosedInFreeSelection_ = true;
    emit modeChanged();
    ui_.focusListIfEnabled();
}

void ReportCommands::showReportText()
{
    // The viewer shows one empty line, then the report's lines.
    ui_.layoutOverlays();
    ui_.viewer->show();
    ui_.viewer->raise();
    ui_.viewer->setFocus();
}

// ---------------------------------------------------------- report output

void ReportCommands::mu_PrintReport() { reports::mu_PrintReport(session_.reportFolder(), wideReport_); }
void ReportCommands::mu_WriteText() { reports::mu_WriteText(session_.reportFolder()); }
void ReportCommands::mu_EditReport()
{
    reports::mu_EditReport(session_.reportFolder(), session_.settings.editorProgram());
}
void ReportCommands::mu_WriteComma() { reports::mu_WriteComma(session_.reportFolder(), session_.categoryFile()); }
void ReportCommands::mu_WriteCommaSummary()
{
    reports::mu_WriteCommaSummary(session_.reportFolder(), session_.categoryFile());
}

}  // namespace fnk::app
