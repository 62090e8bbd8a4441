// A report build beside the caller: built from the rows of the moment it
// starts, whatever the list does meanwhile; stopped; failed; one end each.
#include "reports/NarrowReport.h"
#include "reports/ReportBuild.h"
#include "reports/ReportBuildJob.h"
#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"
#include "view/ListBuilder.h"

#include <QSignalSpy>
#include <QtTest>

using namespace fnk;
using Outcome = reports::ReportBuildJob::Outcome;

Q_DECLARE_METATYPE(std::shared_ptr<reports::ReportText>)
Q_DECLARE_METATYPE(std::exception_ptr)

namespace {

void fillList(const testsupport::Fixture& fx, view::MainListModel& m, int records)
{
    store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
    for (int i = 0; i < records; ++i) {
        store::LedgerRecord r;
        r.entryDate = 46023 + i % 300;  // 2026
        r.amount = (i % 3 - 1) * 12500;
        r.setCategoryCode(QStringLiteral("FO"));
        r.setNote(QStringLiteral("row %1").arg(i));
        f.FileNewEntry(r);
    }
    store::CategoryEntry food;
    food.setCategoryCode(QStringLiteral("FO"));
    food.setCategoryName(QStringLiteral("Food"));
    store::CategoryFile(fx.path(QStringLiteral("category.dat"))).append(food);
    view::ListQuery q;
    q.recordFile = f.path();
    q.earliest = QDate(2026, 1, 1);
    q.latest = QDate(2026, 12, 31);
    view::PopMainGrid(m, q, {});
}

reports::ReportContext context(const testsupport::Fixture& fx)
{
    reports::ReportContext ctx;
    ctx.dataFolder = fx.folder();
    ctx.categoryFile = fx.path(QStringLiteral("category.dat"));
    ctx.earliestText = QStringLiteral("1/1/2026");
    ctx.latestText = QStringLiteral("12/31/2026");
    return ctx;
}

struct Ends {
    QList<Outcome> outcomes;
    std::shared_ptr<reports::ReportText> text;
    std::exception_ptr error;
    explicit Ends(reports::ReportBuildJob& job)
    {
        QObject::connect(&job, &reports::ReportBuildJob::ended, &job,
                         [this](Outcome o, std::shared_ptr<reports::ReportText> t, std::exception_ptr e) {
                             outcomes << o;
                             text = std::move(t);
                             error = e;
                         });
    }
};

}  // namespace

class ReportBuildJobTest : public QObject {
    Q_OBJECT
private slots:
    void buildsTheRowsOfItsStart()
    {
        testsupport::Fixture fx;
        view::MainListModel list;
        fillList(fx, list, 40);
        reports::ReportBuildJob job;
        Ends ends(job);
        QVERIFY(job.start(reports::ReportKind::FullNarrow, context(fx), list.snapshot()));
        QVERIFY(job.running());
        QVERIFY(!job.start(reports::ReportKind::FullNarrow, context(fx), list.snapshot()));
        // The list goes on without the build: sorted, cut, emptied.
        list.sortByColumn(view::MainListModel::kAmount, Qt::AscendingOrder);
        list.removeRowAt(0);
        list.clearRows();
        QTRY_VERIFY(!job.running());
        QCOMPARE(ends.outcomes, QList<Outcome>{Outcome::Built});
        QVERIFY(ends.text);
        const QByteArray& text = ends.text->bytes;
        for (int i : {0, 17, 39})
            QVERIFY2(text.contains(QStringLiteral("row %1").arg(i).toLatin1()), qPrintable(QString::number(i)));
        QCOMPARE(store::RecordFile(fx.path(QStringLiteral("report.tmp"))).count(), 40);
    }

    void cancelEndsOnceAndKeepsNothingHalfMade()
    {
        testsupport::Fixture fx;
        view::MainListModel list;
        fillList(fx, list, 300);
        reports::ReportBuildJob job;
        Ends ends(job);
        QVERIFY(job.start(reports::ReportKind::FullWide, context(fx), list.snapshot()));
        job.cancel();
        QVERIFY(!job.running());
        QCOMPARE(ends.outcomes, QList<Outcome>{Outcome::Cancelled});
        QVERIFY(!ends.text);
        job.cancel();  // nothing runs: no second end
        QCOMPARE(ends.outcomes.size(), 1);

        // The job builds again after a stop.
        QVERIFY(job.start(reports::ReportKind::SummaryNarrow, context(fx), list.snapshot()));
        job.wait();
        QCOMPARE(ends.outcomes, (QList<Outcome>{Outcome::Cancelled, Outcome::Built}));
    }

    // The long reads of a build (a side's records, the report text) look
    // at the flag between blocks: a stop set while one runs ends it there.
    void longReadsStopOnTheFlag()
    {
        testsupport::Fixture fx;
        view::MainListModel list;
        fillList(fx, list, 3 * reports::kProgressRows);
        const reports::ReportContext ctx = context(fx);
        reports::MakeReportFiles(list, ctx.dataFolder, {});
        reports::writeReport(reports::ReportKind::FullWide, ctx);
        const QString side = reports::expenseFilePath(ctx.dataFolder);
        const QString text = reports::reportTextPath(ctx.dataFolder);
        std::atomic<bool> stop{false};
        QCOMPARE(reports::detail::WorkFile(side, &stop).size(), std::size_t(reports::kProgressRows));
        QVERIFY(reports::readReportText(text, &stop).bytes.contains("row 1"));
        stop = true;
        QVERIFY_THROWS_EXCEPTION(reports::BuildCancelled, reports::detail::WorkFile(side, &stop));
        QVERIFY_THROWS_EXCEPTION(reports::BuildCancelled, reports::readReportText(text, &stop));
    }

    void aFailureComesBackWithItsError()
    {
        testsupport::Fixture fx;
        view::MainListModel list;
        fillList(fx, list, 10);
        reports::ReportContext ctx = context(fx);
        ctx.dataFolder = fx.path(QStringLiteral("no such folder/"));
        reports::ReportBuildJob job;
        Ends ends(job);
        QVERIFY(job.start(reports::ReportKind::SummaryNarrow, ctx, list.snapshot()));
        job.wait();
        QCOMPARE(ends.outcomes, QList<Outcome>{Outcome::Failed});
        QVERIFY(ends.error);
        QVERIFY_THROWS_EXCEPTION(store::FileError, std::rethrow_exception(ends.error));
    }
};

QTEST_GUILESS_MAIN(ReportBuildJobTest)
#include "test_report_build_job.moc"
