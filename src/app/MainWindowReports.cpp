// The main window's free selection mode and report view.
#include "app/MainWindow.h"

#include "platform/Colours.h"
#include "platform/MessagePort.h"
#include "reports/ChartWindow.h"
#include "reports/CommandGuard.h"
#include "reports/ReportBuild.h"
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
#include <QThread>
#include <QToolButton>

#include <atomic>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <exception>

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
    const bool enabled = on && (a->menu() || isBuilt(QLatin1String(name)));
    setHeldEnabled(a, enabled);
    for (auto it = buttonActions_.cbegin(); it != buttonActions_.cend(); ++it)
        if (it.value() == QLatin1String(name))
            setHeldEnabled(buttons_.value(it.key()), enabled);
}

void MainWindow::setButtonEnabled(const char* button, bool on)
{
    QToolButton* b = buttons_.value(QLatin1String(button));
    const QString command = buttonActions_.value(QLatin1String(button));
    if (b)
        setHeldEnabled(b, on && isBuilt(command));
}

void MainWindow::setHeldEnabled(QObject* o, bool on)
{
    // While a build holds the commands off, a change waits for its end.
    if (!o)
        return;
    if (held_.contains(o))
        held_[o] = on;
    else if (auto* a = qobject_cast<QAction*>(o))
        a->setEnabled(on);
    else if (auto* w = qobject_cast<QWidget*>(o))
        w->setEnabled(on);
}

void MainWindow::holdForBuild(bool on)
{
    if (on) {
        for (QAction* a : std::as_const(actions_)) {
            held_.insert(a, a->isEnabled());
            a->setEnabled(false);
        }
        for (QToolButton* b : std::as_const(buttons_)) {
            held_.insert(b, b->isEnabled());
            b->setEnabled(false);
        }
        for (QWidget* w : {static_cast<QWidget*>(mainGrid_), static_cast<QWidget*>(categoryGrid_)}) {
            held_.insert(w, w->isEnabled());
            w->setEnabled(false);
        }
        return;
    }
    const QHash<QObject*, bool> states = std::exchange(held_, {});
    for (auto it = states.cbegin(); it != states.cend(); ++it)
        setHeldEnabled(it.key(), it.value());
}

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

struct MainWindow::ReportJob {
    std::atomic<bool> cancel{false};
    QThread* thread = nullptr;
    reports::ReportText text;
    std::exception_ptr error;
};

void MainWindow::runReport(int kind)
{
    if (reportJob_)
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
    enterReportView();
    // The work files follow the list, newest first.
    listModel_->sortByColumn(view::MainListModel::kDate, Qt::DescendingOrder);
    QApplication::setOverrideCursor(Qt::BusyCursor);
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

    // The list is only read by the build; every way of changing it stops
    // the build first (stopReportBuild).
    holdForBuild(true);

    auto job = std::make_shared<ReportJob>();
    QProgressBar* bar = progress_;
    const view::MainListModel* list = listModel_;
    ReportJob* j = job.get();
    job->thread = QThread::create([j, k, ctx, list, bar] {
        // The bar moves a few times a second; a repaint for every row would
        // cost more than the rows themselves.
        QElapsedTimer sinceBar;
        sinceBar.start();
        try {
            j->text = reports::buildReport(k, ctx, *list, [&](int value, int maximum) {
                if (value < maximum - 1 && sinceBar.elapsed() < 150)
                    return;
                sinceBar.restart();
                QMetaObject::invokeMethod(
                    bar, [bar, value, maximum] {
                        bar->setRange(0, maximum);
                        bar->setValue(value);
                    },
                    Qt::QueuedConnection);
            }, &j->cancel);
        } catch (...) {
            j->error = std::current_exception();
        }
    });
    connect(job->thread, &QThread::finished, this, [this, job] { endReportBuild(job, false); });
    reportJob_ = job;
    job->thread->start();
}

void MainWindow::stopReportBuild()
{
    if (!reportJob_)
        return;
    const std::shared_ptr<ReportJob> job = reportJob_;
    job->cancel = true;
    endReportBuild(job, true);
}

void MainWindow::endReportBuild(const std::shared_ptr<ReportJob>& job, bool discard)
{
    if (job != reportJob_)
        return;  // ended already
    reportJob_.reset();
    disconnect(job->thread, nullptr, this, nullptr);
    job->thread->wait();
    delete job->thread;
    job->thread = nullptr;
    holdForBuild(false);
    progress_->hide();
    QApplication::restoreOverrideCursor();
    if (discard || job->error) {
        mu_ReturnToList();
        if (!discard) {
            try {
                std::rethrow_exception(job->error);
            } catch (const reports::BuildCancelled&) {
            } catch (const std::exception& e) {
                reports::detail::reportFailure(e);
            }
        }
    } else {
        viewer_->setText(std::move(job->text));
        showReportText();
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
