#include "reports/ReportBuildJob.h"

#include <QThread>

namespace fnk::reports {

ReportBuildJob::ReportBuildJob(QObject* parent) : QObject(parent) { clock_.start(); }

ReportBuildJob::~ReportBuildJob()
{
    if (thread_) {
        cancel_ = true;
        thread_->wait();
        delete thread_;
    }
}

bool ReportBuildJob::start(ReportKind kind, const ReportContext& ctx, const view::ListSnapshot& list)
{
    if (thread_)
        return false;
    cancel_ = false;
    text_.reset();
    error_ = nullptr;
    lastProgress_ = -kProgressInterval;
    thread_ = QThread::create([this, kind, ctx, list] {
        try {
            ReportText text = buildReport(kind, ctx, list, [this](int value, int maximum) {
                // The bar moves a few times a second; a repaint for every
                // row would cost more than the rows themselves.
                const qint64 now = clock_.elapsed();
                if (value < maximum - 1 && now - lastProgress_.load() < kProgressInterval)
                    return;
                lastProgress_ = now;
                QMetaObject::invokeMethod(
                    this, [this, value, maximum] {
                        if (thread_ && !cancel_)
                            emit progress(value, maximum);
                    },
                    Qt::QueuedConnection);
            }, &cancel_);
            text_ = std::make_shared<ReportText>(std::move(text));
        } catch (...) {
            error_ = std::current_exception();
        }
    });
    connect(thread_, &QThread::finished, this, [this] { finish(false); });
    thread_->start();
    return true;
}

void ReportBuildJob::cancel()
{
    if (!thread_)
        return;
    cancel_ = true;
    finish(true);
}

void ReportBuildJob::wait()
{
    if (thread_)
        finish(false);
}

void ReportBuildJob::finish(bool cancelled)
{
    if (!thread_)
        return;  // ended already
    QThread* t = std::exchange(thread_, nullptr);
    disconnect(t, nullptr, this, nullptr);
    t->wait();
    delete t;
    std::shared_ptr<ReportText> text = std::move(text_);
    std::exception_ptr error = std::exchange(error_, nullptr);
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const BuildCancelled&) {
            cancelled = true;
            error = nullptr;
        } catch (...) {
        }
    }
    if (cancelled)
        emit ended(Outcome::Cancelled, nullptr, nullptr);
    else if (error)
        emit ended(Outcome::Failed, nullptr, error);
    else
        emit ended(Outcome::Built, std::move(text), nullptr);
}

}  // namespace fnk::reports
