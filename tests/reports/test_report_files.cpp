#include "support/TestSupport.h"

#include "reports/ReportFiles.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "view/ColumnLayout.h"
#include "view/ListBuilder.h"

#include <QDir>
#include <QtTest>

#include <functional>

using namespace fnk;
using store::LedgerRecord;

namespace {

store::Money dollars(qint64 d)
{
    return d * store::kMoneyScale;
}

void add(store::RecordFile& f, const QDate& date, store::Money amount, const QString& code,
         const QString& note, const QString& user1 = {}, const QString& user2 = {})
{
    LedgerRecord r;
    r.entryDate = store::dayFromDate(date);
    r.amount = amount;
    r.setCategoryCode(code);
    r.setNote(note);
    r.setUserField1(user1);
    r.setUserField2(user2);
    f.FileNewEntry(r);
}

// A ledger of `rows` live records numbered 1, 2, 3 ..., written at once;
// `fill` gives record i its fields.
void writeLedger(const testsupport::Fixture& fx, int rows,
                 const std::function<void(LedgerRecord&, int)>& fill)
{
    QByteArray ledger;
    ledger.reserve(qsizetype(rows) * qsizetype(LedgerRecord::kSize));
    for (int i = 0; i < rows; ++i) {
        LedgerRecord r;
        fill(r, i);
        r.recordNumber = i + 1;
        r.deletedFlag = 'N';
        char bytes[LedgerRecord::kSize];
        r.encode(bytes);
        ledger.append(bytes, sizeof bytes);
    }
    testsupport::writeBytes(fx.path(QStringLiteral("fennick.dat")), ledger);
}

void listAll(const testsupport::Fixture& fx, view::MainListModel& m,
             const QString& layout = QStringLiteral("-n12-"))
{
    view::ListQuery q;
    q.recordFile = fx.path(QStringLiteral("fennick.dat"));
    q.earliest = QDate(2026, 1, 1);
    q.latest = QDate(2026, 12, 31);
    q.layoutCode = layout;
    view::PopMainGrid(m, q, {});
}

QList<double> recordNumbers(const QString& path)
{
    QList<double> out;
    for (const LedgerRecord& r : store::RecordFile(path).readAll())
        out << r.recordNumber;
    return out;
}

QByteArray recordBytes(const QString& path, qint64 n)
{
    return testsupport::readBytes(path).mid((n - 1) * 125, 125);
}

}  // namespace

class ReportFilesTest : public QObject {
    Q_OBJECT

private slots:
    void splitsBySignAndNumbersByListRow()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 3, 1), dollars(100), QStringLiteral("WA"), QStringLiteral("pay"));
        add(f, QDate(2026, 3, 5), 0, QStringLiteral("FO"), QStringLiteral("open a"),
            QStringLiteral("cash"), QStringLiteral("wk 10"));
        add(f, QDate(2026, 3, 3), -dollars(40), QStringLiteral("SH"), QStringLiteral("rent part"));
        add(f, QDate(2026, 3, 4), 0, QStringLiteral("WA"), QStringLiteral("open b"));
        add(f, QDate(2026, 3, 2), -dollars(10), QStringLiteral("FO"), QStringLiteral("snack"));
        add(f, QDate(2026, 3, 6), 0, QStringLiteral("SH"), QStringLiteral("open c"));
        add(f, QDate(2026, 3, 7), 5000, QStringLiteral("WA"), QStringLiteral("refund"));
        view::MainListModel m;
        listAll(fx, m);  // newest first: 3/7, 3/6, 3/5, 3/4, 3/3, 3/2, 3/1

        QList<QPair<int, int>> progress;
        reports::MakeReportFiles(
            m, fx.folder(), [&](int value, int maximum) { progress << qMakePair(value, maximum); });
        // Fewer rows than a block: one call, at the last row.
        QCOMPARE(progress, (QList<QPair<int, int>>{{7, 8}}));

        const QString report = reports::reportFilePath(fx.folder());
        const QString income = reports::incomeFilePath(fx.folder());
        const QString expense = reports::expenseFilePath(fx.folder());
        const QString todo = reports::todoFilePath(fx.folder());
        QCOMPARE(QFileInfo(todo).size(), 375);
        QCOMPARE(recordNumbers(report), (QList<double>{1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(recordNumbers(todo), (QList<double>{2, 3, 4}));
        QCOMPARE(recordNumbers(income), (QList<double>{1, 7}));
        QCOMPARE(recordNumbers(expense), (QList<double>{5, 6}));

        // List row 3 is record 2 of the ledger; it is stored whole, with its
        // row number, in report.tmp and as the second open item.
        LedgerRecord want;
        want.entryDate = store::dayFromDate(QDate(2026, 3, 5));
        want.amount = 0;
        want.setCategoryCode(QStringLiteral("FO"));
        want.setNote(QStringLiteral("open a"));
        want.setUserField1(QStringLiteral("cash"));
        want.setUserField2(QStringLiteral("wk 10"));
        want.recordNumber = 3;
        QByteArray bytes(125, '\0');
        want.encode(bytes.data());
        QCOMPARE(recordBytes(report, 3), bytes);
        QCOMPARE(recordBytes(todo, 2), bytes);

        QCOMPARE(reports::TotalUp(income), dollars(100) + 5000);
        QCOMPARE(reports::TotalUp(expense), -dollars(50));
        QCOMPARE(reports::TotalUp(todo), store::Money(0));
        QCOMPARE(reports::TotalUp(fx.path(QStringLiteral("missing.tmp"))), store::Money(0));
    }

    void progressComesOncePerBlockAndAtTheEnd()
    {
        testsupport::Fixture fx;
        const int rows = reports::kProgressRows * 2 + 3;
        writeLedger(fx, rows, [](LedgerRecord& r, int i) {
            r.entryDate = store::dayFromDate(QDate(2026, 1, 1).addDays(i % 300));
            r.amount = i % 3 - 1;
            r.setCategoryCode(QStringLiteral("FO"));
        });
        view::MainListModel m;
        listAll(fx, m);
        QCOMPARE(m.rowCount(), rows);
        QList<QPair<int, int>> progress;
        reports::MakeReportFiles(
            m, fx.folder(), [&](int value, int maximum) { progress << qMakePair(value, maximum); });
        const int k = reports::kProgressRows;
        QCOMPARE(progress, (QList<QPair<int, int>>{{k, rows + 1}, {2 * k, rows + 1}, {rows, rows + 1}}));
        QCOMPARE(QFileInfo(reports::reportFilePath(fx.folder())).size(), qint64(rows) * 125);
    }

    void fieldsFollowTheColumnLayout()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 4, 1), -dollars(3), QStringLiteral("FO"), QStringLiteral("Groceries"),
            QStringLiteral("  cash"), QStringLiteral("wk 14"));
        for (const QString& code : view::ColumnLayout::codes()) {
            view::MainListModel m;
            listAll(fx, m, code);
            if (code == QStringLiteral("--n12")) {
                QCOMPARE(m.cellText(0, 2), QStringLiteral("FO        "));
                QCOMPARE(m.cellText(0, 5), QStringLiteral("wk 14     "));
            }
            reports::MakeReportFiles(m, fx.folder());
            const LedgerRecord r = store::RecordFile(reports::reportFilePath(fx.folder())).read(1);
            QCOMPARE(r.categoryCodeText(), QStringLiteral("FO        "));
            QCOMPARE(r.noteText().trimmed(), QStringLiteral("Groceries"));
            // Cells are trimmed, so the stored leading spaces are gone.
            QCOMPARE(r.userField1Text(), QStringLiteral("cash      "));
            QCOMPARE(r.userField2Text(), QStringLiteral("wk 14     "));
            QCOMPARE(r.deletedFlag, 'N');
        }
    }

    // The files of one build serve as the work files of the next: a smaller
    // build leaves no bytes of the larger one behind, and a failed build
    // leaves no file at all rather than a mix of the two.
    void rebuildsOverTheLastBuild()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 5, 1), dollars(10), QStringLiteral("WA"), QStringLiteral("first"));
        add(f, QDate(2026, 5, 2), -dollars(4), QStringLiteral("FO"), QStringLiteral("second"));
        add(f, QDate(2026, 5, 3), 0, QStringLiteral("FO"), QStringLiteral("third"));
        view::MainListModel m;
        listAll(fx, m);
        const QStringList names{QStringLiteral("report.tmp"), QStringLiteral("income.tmp"),
                                QStringLiteral("expense.tmp"), QStringLiteral("todo.tmp")};
        reports::MakeReportFiles(m, fx.folder());
        QCOMPARE(QFileInfo(fx.path(QStringLiteral("report.tmp"))).size(), 375);
        QCOMPARE(QFileInfo(fx.path(QStringLiteral("todo.tmp"))).size(), 125);

        // One row taken out: every file is exactly what a first build writes.
        m.removeRowAt(2);
        reports::MakeReportFiles(m, fx.folder());
        QList<QByteArray> rebuilt;
        for (const QString& n : names)
            rebuilt << testsupport::readBytes(fx.path(n));
        testsupport::Fixture fresh;
        reports::MakeReportFiles(m, fresh.folder());
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(rebuilt[i], testsupport::readBytes(fresh.path(names[i])));
        QCOMPARE(rebuilt[0].size(), 250);

        listAll(fx, m);
        store::testing::failWritesAfter(2);
        QVERIFY_THROWS_EXCEPTION(store::FileError, reports::MakeReportFiles(m, fx.folder()));
        store::testing::reset();
        for (const QString& n : names)
            QVERIFY2(!QFileInfo::exists(fx.path(n)), qPrintable(n));
        QCOMPARE(QDir(fx.folder()).entryList({QStringLiteral("*.wrk")}), QStringList());

        reports::MakeReportFiles(m, fx.folder());
        QCOMPARE(QFileInfo(fx.path(QStringLiteral("report.tmp"))).size(), 375);
        QCOMPARE(QFileInfo(fx.path(QStringLiteral("todo.tmp"))).size(), 125);
    }

    // A long list has its whole-list file written beside the three sides: it
    // holds every row in list order, each side exactly its rows of it, and a
    // failure in either leaves no file.
    void longListIsWrittenInTwoThreads()
    {
        testsupport::Fixture fx;
        const int rows = 70000;
        writeLedger(fx, rows, [](LedgerRecord& r, int i) {
            r.entryDate = store::dayFromDate(QDate(2026, 1, 1).addDays(i % 365));
            r.amount = i % 3 == 0 ? 0 : (i % 3 == 1 ? dollars(i % 500 + 1) : -dollars(i % 700 + 1));
            r.setCategoryCode(QStringLiteral("C%1").arg(i % 40));
            r.setNote(QStringLiteral("  note %1").arg(i % 997));
        });
        view::MainListModel m;
        listAll(fx, m);
        QCOMPARE(m.rowCount(), rows);
        m.sortByColumn(view::MainListModel::kDate, Qt::DescendingOrder);
        reports::MakeReportFiles(m, fx.folder());

        const qsizetype size = qsizetype(LedgerRecord::kSize);
        const QByteArray all = testsupport::readBytes(fx.path(QStringLiteral("report.tmp")));
        QCOMPARE(all.size(), rows * size);
        QByteArray income, expense, todo;
        for (int i = 0; i < rows; ++i) {
            const QByteArray rec = all.mid(i * size, size);
            QCOMPARE(store::rawRecordNumber(rec.constData()), double(i + 1));
            QCOMPARE(store::rawEntryDate(rec.constData()), m.rowAt(i).day);
            const store::Money a = store::rawAmount(rec.constData());
            (a > 0 ? income : a < 0 ? expense : todo) += rec;
        }
        QCOMPARE(testsupport::readBytes(fx.path(QStringLiteral("income.tmp"))), income);
        QCOMPARE(testsupport::readBytes(fx.path(QStringLiteral("expense.tmp"))), expense);
        QCOMPARE(testsupport::readBytes(fx.path(QStringLiteral("todo.tmp"))), todo);

        for (const int okWrites : {0, 2, 4, 5}) {  // the build writes 6 blocks
            store::testing::failWritesAfter(okWrites);
            QVERIFY_THROWS_EXCEPTION(store::FileError, reports::MakeReportFiles(m, fx.folder()));
            store::testing::reset();
            QCOMPARE(QDir(fx.folder()).entryList({QStringLiteral("*.tmp"), QStringLiteral("*.wrk")}),
                     QStringList());
        }
        reports::MakeReportFiles(m, fx.folder());
        QCOMPARE(testsupport::readBytes(fx.path(QStringLiteral("report.tmp"))), all);
    }
};

QTEST_MAIN(ReportFilesTest)
#include "test_report_files.moc"
