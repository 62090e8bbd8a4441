// How soon Esc stops a report build at each of its steps: the build of a
// full wide report over the whole ledger is stopped after growing delays and
// the stop (the flag set and the thread joined) is timed.
#include "reports/ReportBuildJob.h"
#include "store/RecordFile.h"
#include "view/ListBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace fnk::bench {

void benchReportCancel(const QString& ledger, qint64 records)
{
    view::MainListModel list;
    view::ListQuery q;
    q.recordFile = ledger;
    q.earliest = QDate(1899, 12, 31);
    q.latest = QDate(2200, 1, 1);
    view::PopMainGrid(list, q, {});
    reports::ReportContext ctx;
    ctx.dataFolder = QFileInfo(ledger).absolutePath() + QLatin1Char('/');
    ctx.categoryFile = ctx.dataFolder + QStringLiteral("category.dat");
    ctx.earliestText = QStringLiteral("1/1/1900");
    ctx.latestText = QStringLiteral("1/1/2200");

    // The whole build first, to know its length.
    reports::ReportBuildJob job;
    QElapsedTimer whole;
    whole.start();
    job.start(reports::ReportKind::FullWide, ctx, list.snapshot());
    job.wait();
    const qint64 buildMs = whole.elapsed();
    std::printf("report_build_full_wide %lld %lld ms\n", static_cast<long long>(records),
                static_cast<long long>(buildMs));

    double worst = 0;
    for (int step = 0; step < 12; ++step) {
        const qint64 delay = buildMs * step / 12;
        job.start(reports::ReportKind::FullWide, ctx, list.snapshot());
        QThread::msleep(static_cast<unsigned long>(delay));
        QElapsedTimer stop;
        stop.start();
        job.cancel();
        const double ms = double(stop.nsecsElapsed()) / 1e6;
        worst = std::max(worst, ms);
        std::printf("report_cancel_after_%lldms %lld %.1f ms\n", static_cast<long long>(delay),
                    static_cast<long long>(records), ms);
    }
    std::printf("report_cancel_worst %lld %.1f ms\n", static_cast<long long>(records), worst);
    std::fflush(stdout);
}

}  // namespace fnk::bench
