#pragma once

// One report build beside the window: the thread, its progress, its
// cancellation and its end, in one object.  The job builds from a snapshot
// of the list taken when it starts, so nothing the window does to the list
// meanwhile reaches the build.

#include "reports/ReportBuild.h"
#include "view/MainListModel.h"

#include <QElapsedTimer>
#include <QObject>

#include <atomic>
#include <exception>
#include <memory>

class QThread;

namespace fnk::reports {

class ReportBuildJob : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Built, Failed, Cancelled };
    Q_ENUM(Outcome)

    explicit ReportBuildJob(QObject* parent = nullptr);
    // Cancels a build still running and waits for its thread.
    ~ReportBuildJob() override;

    // Starts building `kind` from the rows `list` holds now.  A job runs one
    // build at a time: false when one is running.
    bool start(ReportKind kind, const ReportContext& ctx, const view::ListSnapshot& list);
    bool running() const { return thread_ != nullptr; }

    // Stops the build and waits for its thread; ended(Cancelled) has been
    // emitted when it returns.  Nothing happens when no build runs.
    void cancel();
    // Waits for the build to end (and ended() to be emitted).
    void wait();

    // How often progress() may be emitted, in milliseconds.
    static constexpr int kProgressInterval = 150;

signals:
    // A few times a second, in the thread that owns the job.
    void progress(int value, int maximum);
    // Once a build, in the thread that owns the job.  `text` is the report
    // when built; `error` the failure when failed.
    void ended(reports::ReportBuildJob::Outcome outcome, std::shared_ptr<reports::ReportText> text,
               std::exception_ptr error);

private:
    void finish(bool cancelled);

    QThread* thread_ = nullptr;
    std::atomic<bool> cancel_{false};
    std::shared_ptr<ReportText> text_;
    std::exception_ptr error_;
    std::atomic<qint64> lastProgress_{0};
    QElapsedTimer clock_;
};

}  // namespace fnk::reports
