#pragma once

#include "platform/WaitCursor.h"
#include "reports/ReportBuildJob.h"

#include <QObject>
#include <QPointer>

#include <exception>
#include <memory>
#include <optional>

class QWidget;

namespace fnk::app {

class Session;
struct MainWidgets;

// The main window's free selection mode and report view: the Reports and
// List Mode commands, the build of a report in the background and the
// report's chart and copies.  The window binds these slots to their menu
// items by name, hears modeChanged() to set its commands and listWanted() to
// rebuild its list, and otherwise leaves the report alone.
class ReportCommands : public QObject {
    Q_OBJECT
public:
    ReportCommands(Session& session, MainWidgets& ui, QObject* parent);

    // A report is being built: its thread runs, everything else waits.
    bool building() const { return job_->running(); }
    // The report view is up: being built or on screen.
    bool shown() const { return reportShown_; }
    // A report was shown and closed since free selection began.
    bool closedInFreeSelection() const { return reportClosedInFreeSelection_; }
    // Stops a running build and waits for its thread.
    void stopBuild();
    // Takes the current row out of the free selection.
    void removeSelectedRow();

signals:
    // The report's mode changed: the window sets its commands anew.
    void modeChanged();
    // Leaving free selection: the list shows every category again.
    void listWanted();
    // A report build ended: shown, failed or stopped.
    void buildEnded();

public slots:
    void mu_NewReport();
    void mu_QuitReports();
    void mu_ReturnToList();
    void mu_ReportSummary();
    void mu_ReportFull();
    void mu_ReportSummaryWide();
    void mu_ReportFullUser();
    void mu_ReportChart();
    void mu_PrintReport();
    void mu_WriteText();
    void mu_EditReport();
    void mu_WriteComma();
    void mu_WriteCommaSummary();

private:
    void setListBackground(const QColor& colour);
    void TurnReportsOn();
    void TurnReportsOff();
    void runReport(int kind);
    void reportProgress(int value, int maximum);
    void endReportBuild(reports::ReportBuildJob::Outcome outcome,
                        const std::shared_ptr<reports::ReportText>& text, const std::exception_ptr& error);
    void showReportText();

    Session& session_;
    MainWidgets& ui_;
    reports::ReportBuildJob* job_ = nullptr;
    std::optional<platform::WaitCursor> buildCursor_;
    bool wideReport_ = false;  // the last report built was a wide one
    bool reportShown_ = false;  // the report view is up: being built or on screen
    bool reportClosedInFreeSelection_ = false;
    QPointer<QWidget> chart_;  // the chart of the report on screen
};

}  // namespace fnk::app
