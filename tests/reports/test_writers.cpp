#include "support/TestSupport.h"

#include "reports/ReportFiles.h"
#include "reports/ReportWriter.h"
#include "reports/WideReport.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"
#include "view/ListBuilder.h"

#include <QtTest>

#include <limits>
#include <stdexcept>

using namespace fnk;
using reports::ReportKind;

namespace {

struct Entry {
    QDate date;
    store::Money cents;
    const char* code;
    const char* note;
    const char* user1 = "";
    const char* user2 = "";
};

store::LedgerRecord record(const Entry& e)
{
    store::LedgerRecord r;
    r.entryDate = store::dayFromDate(e.date);
    r.amount = e.cents * 100;
    r.setCategoryCode(QLatin1String(e.code));
    r.setNote(QLatin1String(e.note));
    r.setUserField1(QLatin1String(e.user1));
    r.setUserField2(QLatin1String(e.user2));
    return r;
}

void addCategory(const testsupport::Fixture& fx, const char* code, const char* name,
                 const char* description = "")
{
    store::CategoryEntry c;
    c.setCategoryCode(QLatin1String(code));
    c.setCategoryName(QLatin1String(name));
    c.setCategoryDescription(QLatin1String(description));
    store::CategoryFile::inFolder(fx.folder()).append(c);
}

// Lists the entries as the main window does (newest first) and builds the
// work files from that list.
void buildWorkFiles(const testsupport::Fixture& fx, const QList<Entry>& entries, const QDate& from,
                    const QDate& to)
{
    store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
    for (const Entry& e : entries) {
        store::LedgerRecord r = record(e);
        f.FileNewEntry(r);
    }
    view::MainListModel m;
    view::ListQuery q;
    q.recordFile = f.path();
    q.earliest = from;
    q.latest = to;
    view::PopMainGrid(m, q, {});
    reports::MakeReportFiles(m, fx.folder());
}

reports::ReportContext context(const testsupport::Fixture& fx, const QString& from,
                               const QString& to)
{
    reports::ReportContext ctx;
    ctx.dataFolder = fx.folder();
    ctx.earliestText = from;
    ctx.latestText = to;
    ctx.ownerName = QStringLiteral("Pat Doe");
    ctx.user1Name = QStringLiteral("Account");
    ctx.user2Name = QStringLiteral("Purpose");
    return ctx;
}

QStringList reportLines(const testsupport::Fixture& fx)
{
    const QByteArray bytes = testsupport::readBytes(fx.path(QStringLiteral("fnk_rep.tmp")));
    if (!bytes.endsWith("\r\n"))
        return {QStringLiteral("<no CR LF at the end>")};
    QStringList lines = store::decode1252(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// Line by line, so a failure shows the line that differs.
void compareLines(const QStringList& actual, const QStringList& expected)
{
    for (int i = 0; i < std::min(actual.size(), expected.size()); ++i)
        if (actual[i] != expected[i])
            QFAIL(qPrintable(QStringLiteral("line %1 differs:\n   got [%2]\n  want [%3]")
                                 .arg(i + 1)
                                 .arg(actual[i], expected[i])));
    QCOMPARE(actual.size(), expected.size());
}

QString pad(const QString& s, int width)
{
    return s.leftJustified(width, QLatin1Char(' '));
}
QString money(const QString& s)
{
    return s.rightJustified(15, QLatin1Char(' '));
}  // "$100,000,000.00"
QString bars(int n)
{
    return QString(n, QLatin1Char('|'));
}
QString rule(int n)
{
    return QString(n, QLatin1Char('-'));
}

const QString kOut = QStringLiteral(" --- Summary of money that went OUT ---");
const QString kIn = QStringLiteral(" --- Summary of money that came IN ---");
const QString kHeading = QStringLiteral("   Category                  Sub Total             Graph");
const QString kExpense = QStringLiteral("   Total Expense:        ");
const QString kIncome = QStringLiteral("   Total Income :        ");

// Three kinds of category, an open item in two of them, and one category
// without records.
const QList<Entry> kLedger = {
    {QDate(2026, 11, 2), -75000, "SH", "Rent November", "bank", "rent"},
    {QDate(2026, 11, 5), -20000, "FO", "Market", "cash", "weekly"},
    {QDate(2026, 11, 15), 0, "FO", "Return bottles", "", "todo"},
    {QDate(2026, 11, 20), -5000, "FO", "Bakery", "card", ""},
    {QDate(2026, 11, 30), 120000, "WA", "Pay", "bank", ""},
    {QDate(2026, 12, 1), 0, "WA", "Bonus?"},
};

void addLedgerCategories(const testsupport::Fixture& fx)
{
    addCategory(fx, "FO", "Food", "Groceries and meals out");
    addCategory(fx, "SH", "Shelter");
    addCategory(fx, "TX", "Taxes");
    addCategory(fx, "WA", "Wages");
}

// The summary lines common to both widths of the ledger above, the bar
// counts aside.
QStringList ledgerSummary(int foodBars, int shelterBars, int wagesBars)
{
    return {kOut,
            QString(),
            kHeading,
            QString(),
            QStringLiteral("   Food                  ") + money(QStringLiteral("($250.00)"))
                + QStringLiteral("  (   25 %)  ") + bars(foodBars),
            QStringLiteral("   Shelter               ") + money(QStringLiteral("($750.00)"))
                + QStringLiteral("  (   75 %)  ") + bars(shelterBars),
            QString(),
            kExpense + money(QStringLiteral("($1,000.00)")),
            QString(),
            kIn,
            QString(),
            kHeading,
            QString(),
            QStringLiteral("   Wages                 ") + money(QStringLiteral("$1,200.00"))
                + QStringLiteral("  (  100 %)  ") + bars(wagesBars),
            QString(),
            kIncome + money(QStringLiteral("$1,200.00")),
            QString(),
            QStringLiteral("   A SURPLUS of          ") + money(QStringLiteral("$200.00"))};
}

}  // namespace

class WritersTest : public QObject {
    Q_OBJECT

private slots:
    void fullNarrowReport()
    {
        testsupport::Fixture fx;
        addLedgerCategories(fx);
        buildWorkFiles(fx, kLedger, QDate(2026, 11, 1), QDate(2026, 12, 7));
        const auto ctx = context(fx, QStringLiteral("11/1/2026"), QStringLiteral("12/7/2026"));
        reports::writeReport(ReportKind::SummaryWide, ctx);
        reports::writeReport(ReportKind::FullNarrow, ctx);  // starts the text afresh

        QStringList want{
            QStringLiteral(
                "Cashflow Record for Pat Doe                                 Printed: 12/7/2026"),
            rule(79), QStringLiteral("Searched the period 11/1/2026 through 12/7/2026, inclusive."),
            QStringLiteral("Records found span  11/2/2026 through 12/1/2026, inclusive."),
            rule(79)};
        want << ledgerSummary(8, 25, 25);
        want << QString() << rule(79) << QStringLiteral("   Open Items") << rule(79) << QString()
             << QStringLiteral("   Category: Food                ") << QString()
             << QStringLiteral("   Date        Note") << QString()
             << QStringLiteral("   11/15/2026  Return bottles") << QString()
             << QStringLiteral("   Category: Wages               ") << QString()
             << QStringLiteral("   Date        Note") << QString()
             << QStringLiteral("   12/1/2026  Bonus?");
        want << QString() << rule(79) << QStringLiteral("   Expense Line Items...") << rule(79)
             << QString() << QStringLiteral("Category: Food                ")
             << QStringLiteral(" > Groceries and meals out") << QString()
             << QStringLiteral("Date             Amount  Note") << QString()
             << QStringLiteral("11/20/2026") + money(QStringLiteral("$50.00"))
                + QStringLiteral("  Bakery")
             << QStringLiteral("11/5/2026") + money(QStringLiteral("$200.00"))
                + QStringLiteral("  Market")
             << QString() << QStringLiteral("Category: Shelter             ") << QString()
             << QStringLiteral("Date             Amount  Note") << QString()
             << QStringLiteral("11/2/2026") + money(QStringLiteral("$750.00"))
                + QStringLiteral("  Rent November");
        want << QString() << rule(79) << QStringLiteral("   Income Line Items...") << rule(79)
             << QString() << QStringLiteral("Category: Wages               ") << QString()
             << QStringLiteral("Date             Amount  Note") << QString()
             << QStringLiteral("11/30/2026") + money(QStringLiteral("$1,200.00"))
                + QStringLiteral("  Pay");
        want << rule(79) << QStringLiteral("   End of report");
        compareLines(reportLines(fx), want);
    }

    // The dates of the detail lines follow a change of locale between two
    // reports, though the writer keeps the bytes of the dates it has shown.
    void detailDatesFollowTheLocale()
    {
        testsupport::Fixture fx;
        addLedgerCategories(fx);
        buildWorkFiles(fx, kLedger, QDate(2026, 11, 1), QDate(2026, 12, 7));
        const auto ctx = context(fx, QStringLiteral("11/1/2026"), QStringLiteral("12/7/2026"));
        reports::writeReport(ReportKind::FullNarrow, ctx);
        QVERIFY(reportLines(fx).contains(QStringLiteral("11/20/2026") + money(QStringLiteral("$50.00"))
                                         + QStringLiteral("  Bakery")));
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        reports::writeReport(ReportKind::FullNarrow, ctx);
        QLocale::setDefault(before);
        bool found = false;
        for (const QString& line : reportLines(fx)) {
            QVERIFY2(!line.startsWith(QStringLiteral("11/20/2026")), qPrintable(line));
            found = found || (line.startsWith(QStringLiteral("20.11.2026")) && line.endsWith(QStringLiteral("  Bakery")));
        }
        QVERIFY(found);
    }

    void fullWideReport()
    {
        testsupport::Fixture fx;
        addLedgerCategories(fx);
        buildWorkFiles(fx, kLedger, QDate(2026, 11, 1), QDate(2026, 12, 7));
        auto ctx = context(fx, QStringLiteral("11/1/2026"), QStringLiteral("12/7/2026"));
        ctx.layoutCode = QStringLiteral("-21n-");
        reports::writeReport(ReportKind::FullWide, ctx);

        // Layout "-21n-": user field 2, user field 1, note.
        const QString headings =
            QStringLiteral("Purpose     Account     Note") + QString(57, QLatin1Char(' '));
        auto fields = [](const char* u2, const char* u1, const char* note) {
            return pad(QLatin1String(u2), 10) + QStringLiteral("  ") + pad(QLatin1String(u1), 10)
                + QStringLiteral("  ") + pad(QLatin1String(note), 60);
        };
        QStringList want{
            QStringLiteral("Cashflow Record for Pat Doe                                 ")
                + QString(34, QLatin1Char(' ')) + QStringLiteral("Printed: 12/7/2026"),
            rule(113),
            QStringLiteral("Searched the period 11/1/2026 through 12/7/2026, inclusive."),
            QStringLiteral("Records found span  11/2/2026 through 12/1/2026, inclusive."),
            rule(113)};
        want << ledgerSummary(20, 59, 59);
        want << QString() << rule(113) << QStringLiteral("   Open Items") << rule(113) << QString()
             << QStringLiteral("   Category: Food                ") << QString()
             << QStringLiteral("   Date           ") + headings << QString()
             << QStringLiteral("   11/15/2026     ") + fields("todo", "", "Return bottles")
             << QString() << QStringLiteral("   Category: Wages               ") << QString()
             << QStringLiteral("   Date           ") + headings << QString()
             << QStringLiteral("   12/1/2026     ") + fields("", "", "Bonus?");
        const QString itemHeading = QStringLiteral("Date               Amount  ") + headings;
        want << QString() << rule(113) << QStringLiteral("   Expense Line Items...") << rule(113)
             << QString() << QStringLiteral("Category: Food                ")
             << QStringLiteral(" > Groceries and meals out") << QString() << itemHeading
             << QString()
             << QStringLiteral("11/20/2026  ") + money(QStringLiteral("$50.00"))
                + QStringLiteral("  ") + fields("", "card", "Bakery")
             << QStringLiteral("11/5/2026  ") + money(QStringLiteral("$200.00"))
                + QStringLiteral("  ") + fields("weekly", "cash", "Market")
             << QString() << QStringLiteral("Category: Shelter             ") << QString()
             << itemHeading << QString()
             << QStringLiteral("11/2/2026  ") + money(QStringLiteral("$750.00"))
                + QStringLiteral("  ") + fields("rent", "bank", "Rent November");
        want << QString() << rule(113) << QStringLiteral("   Income Line Items...") << rule(113)
             << QString() << QStringLiteral("Category: Wages               ") << QString()
             << itemHeading << QString()
             << QStringLiteral("11/30/2026  ") + money(QStringLiteral("$1,200.00"))
                + QStringLiteral("  ") + fields("", "bank", "Pay");
        want << rule(113) << QStringLiteral("   End of report");
        compareLines(reportLines(fx), want);

        // Two more orders: the note first, and the note last.
        ctx.layoutCode = QStringLiteral("-n12-");
        reports::writeReport(ReportKind::FullWide, ctx);
        QStringList lines = reportLines(fx);
        int at = int(lines.indexOf(QStringLiteral("   Expense Line Items...")));
        QCOMPARE(lines.value(at + 6),
                 QStringLiteral("Date               Amount  Note") + QString(57, QLatin1Char(' '))
                     + QStringLiteral("Account     Purpose   "));
        QCOMPARE(lines.value(at + 8),
                 QStringLiteral("11/20/2026  ") + money(QStringLiteral("$50.00"))
                     + QStringLiteral("  ") + pad(QStringLiteral("Bakery"), 60)
                     + QStringLiteral(" card        ") + pad(QString(), 10));
        ctx.layoutCode = QStringLiteral("-12n-");
        reports::writeReport(ReportKind::SummaryWide, ctx);
        lines = reportLines(fx);
        at = int(lines.indexOf(QStringLiteral("   Category: Food                ")));
        QCOMPARE(lines.value(at + 2),
                 QStringLiteral("   Date           Account     Purpose     Note")
                     + QString(57, QLatin1Char(' ')));
        QCOMPARE(lines.value(at + 4),
                 QStringLiteral("   11/15/2026     ") + pad(QString(), 10)
                     + QStringLiteral("  todo        Return bottles")
                     + QString(46, QLatin1Char(' ')));
    }

    void sharesBarsAndSpan()
    {
        // Every record after today: the span starts today.  No open items.
        testsupport::Fixture fx;
        addCategory(fx, "GA", "Gas");
        addCategory(fx, "RE", "Repairs");
        addCategory(fx, "SA", "Salary");
        addCategory(fx, "TI", "Tips");
        buildWorkFiles(fx,
                       {{QDate(2026, 12, 10), -25000, "GA", "fill up"},
                        {QDate(2026, 12, 20), -50000, "RE", "roof"},
                        {QDate(2026, 12, 15), 50000, "SA", "pay"},
                        {QDate(2026, 12, 12), 27000, "TI", "tips"}},
                       QDate(2026, 12, 1), QDate(2026, 12, 31));
        const auto ctx = context(fx, QStringLiteral("12/1/2026"), QStringLiteral("12/31/2026"));
        reports::writeReport(ReportKind::SummaryNarrow, ctx);
        compareLines(
            reportLines(fx),
            {QStringLiteral(
                 "Cashflow Record for Pat Doe                                 Printed: 12/7/2026"),
             rule(79),
             QStringLiteral("Searched the period 12/1/2026 through 12/31/2026, inclusive."),
             QStringLiteral("Records found span  12/7/2026 through 12/20/2026, inclusive."),
             rule(79), kOut, QString(), kHeading, QString(),
             // 1/3 of the side; 25 x 250 / 500 = 12.5 bars, an even 12.
             QStringLiteral("   Gas                   ") + money(QStringLiteral("($250.00)"))
                 + QStringLiteral("  (33.33 %)  ") + bars(12),
             QStringLiteral("   Repairs               ") + money(QStringLiteral("($500.00)"))
                 + QStringLiteral("  (66.67 %)  ") + bars(25),
             QString(), kExpense + money(QStringLiteral("($750.00)")), QString(), kIn, QString(),
             kHeading, QString(),
             // 500 / 770 = 0.64935; 25 x 270 / 500 = 13.5 bars, an even 14.
             QStringLiteral("   Salary                ") + money(QStringLiteral("$500.00"))
                 + QStringLiteral("  (64.94 %)  ") + bars(25),
             QStringLiteral("   Tips                  ") + money(QStringLiteral("$270.00"))
                 + QStringLiteral("  (35.06 %)  ") + bars(14),
             QString(), kIncome + money(QStringLiteral("$770.00")), QString(),
             QStringLiteral("   A SURPLUS of          ") + money(QStringLiteral("$20.00")),
             QString(), rule(79), QStringLiteral("   Open Items"), rule(79), rule(79),
             QStringLiteral("   End of report")});

        // Wide bars: 59 x 250 / 500 = 29.5, an even 30; 59 x 270 / 500 = 31.86.
        reports::writeReport(ReportKind::SummaryWide, ctx);
        const QStringList wide = reportLines(fx);
        QCOMPARE(wide.value(9),
                 QStringLiteral("   Gas                   ") + money(QStringLiteral("($250.00)"))
                     + QStringLiteral("  (33.33 %)  ") + bars(30));
        QCOMPARE(wide.value(19),
                 QStringLiteral("   Tips                  ") + money(QStringLiteral("$270.00"))
                     + QStringLiteral("  (35.06 %)  ") + bars(32));
        QCOMPARE(wide.mid(wide.size() - 5),
                 (QStringList{rule(113), QStringLiteral("   Open Items"), rule(113), rule(113),
                              QStringLiteral("   End of report")}));
    }

    void totalsWithoutCategoryLines()
    {
        testsupport::Fixture fx;
        addCategory(fx, "FO", "Food");
        // "XX" is no category: counted in the totals, listed nowhere.
        buildWorkFiles(fx,
                       {{QDate(2026, 6, 1), -10000, "FO", "shop"},
                        {QDate(2026, 6, 2), 10000, "XX", "found money"}},
                       QDate(2026, 6, 1), QDate(2026, 6, 30));
        auto ctx = context(fx, QStringLiteral("6/1/2026"), QStringLiteral("6/30/2026"));
        reports::writeReport(ReportKind::SummaryNarrow, ctx);
        QStringList lines = reportLines(fx);
        // Equal totals: neither a surplus nor a deficit line.
        QCOMPARE(lines.mid(lines.indexOf(kIn), 8),
                 (QStringList{kIn, QString(), kHeading, QString(), QString(),
                              kIncome + money(QStringLiteral("$100.00")), QString(), QString()}));

        // No categories at all, no owner name, and expenses only.
        QVERIFY(QFile::remove(store::CategoryFile::inFolder(fx.folder()).path()));
        QFile::remove(fx.path(QStringLiteral("fennick.dat")));
        buildWorkFiles(fx, {{QDate(2026, 6, 3), -1250, "FO", "stamps"}}, QDate(2026, 6, 1),
                       QDate(2026, 6, 30));
        ctx.ownerName.clear();
        reports::writeReport(ReportKind::FullNarrow, ctx);
        compareLines(reportLines(fx),
                     {QStringLiteral("Cashflow Record for ") + QString(40, QLatin1Char(' '))
                          + QStringLiteral("Printed: 12/7/2026"),
                      rule(79),
                      QStringLiteral("Searched the period 6/1/2026 through 6/30/2026, inclusive."),
                      QStringLiteral("Records found span  6/3/2026 through 6/3/2026, inclusive."),
                      rule(79),
                      kOut,
                      QString(),
                      kHeading,
                      QString(),
                      QString(),
                      kExpense + money(QStringLiteral("($12.50)")),
                      QString(),
                      kIn,
                      QString(),
                      kHeading,
                      QString(),
                      QString(),
                      kIncome + money(QStringLiteral("$0.00")),
                      QString(),
                      QStringLiteral("   A DEFICIT of          ") + money(QStringLiteral("$12.50")),
                      QString(),
                      rule(79),
                      QStringLiteral("   Open Items"),
                      rule(79),
                      QString(),
                      rule(79),
                      QStringLiteral("   Expense Line Items..."),
                      rule(79),
                      QString(),
                      rule(79),
                      QStringLiteral("   Income Line Items..."),
                      rule(79),
                      rule(79),
                      QStringLiteral("   End of report")});

        // A writer that fails leaves no half report behind.
        store::testing::failWritesAfter(1);
        QVERIFY_THROWS_EXCEPTION(store::FileError,
                                 reports::writeReport(ReportKind::FullNarrow, ctx));
        store::testing::reset();
        QVERIFY(!QFile::exists(fx.path(QStringLiteral("fnk_rep.tmp"))));
    }

    void sumsThatDoNotFitStopTheReport()
    {
        // Work files are plain data: amounts near the limits of Money make
        // every checked sum of the writers overflow in turn.
        constexpr store::Money kMax = std::numeric_limits<store::Money>::max();
        constexpr store::Money kMin = std::numeric_limits<store::Money>::min();
        struct Case {
            const char* what;
            ReportKind kind;
            QList<QPair<const char*, store::Money>> income, expense;
        };
        const QList<Case> cases = {
            {"side total", ReportKind::SummaryNarrow, {{"FO", kMax / 2 + 1}, {"SH", kMax / 2 + 1}}, {}},
            {"category sum", ReportKind::SummaryWide, {}, {{"FO", kMin / 2 - 1}, {"FO", kMin / 2}}},
            {"wide bar only", ReportKind::SummaryWide, {{"FO", kMax / 50}}, {}},
            {"narrow bar", ReportKind::SummaryNarrow, {{"FO", kMax / 20}}, {}},
            {"full wide", ReportKind::FullWide, {{"FO", kMax / 50}}, {}},
            {"negated expense", ReportKind::FullNarrow, {}, {{"SH", kMin}}},
        };
        for (const Case& c : cases) {
            testsupport::Fixture fx;
            addCategory(fx, "FO", "Food");
            addCategory(fx, "SH", "Shelter");
            auto fill = [&](const QString& path, const QList<QPair<const char*, store::Money>>& rows) {
                store::RecordFile file(path);
                for (const auto& [code, amount] : rows) {
                    store::LedgerRecord r = record({QDate(2026, 7, 1), 0, code, "big"});
                    r.amount = amount;
                    file.FileNewEntry(r);
                    store::RecordFile(reports::reportFilePath(fx.folder())).FileNewEntry(r);
                }
            };
            fill(reports::incomeFilePath(fx.folder()), c.income);
            fill(reports::expenseFilePath(fx.folder()), c.expense);
            // An old text from an earlier report is not left to be shown either.
            testsupport::writeBytes(fx.path(QStringLiteral("fnk_rep.tmp")), "old\r\n");
            QVERIFY_THROWS_EXCEPTION(std::overflow_error,
                                     reports::writeReport(c.kind, context(fx, {}, {})));
            QVERIFY2(!QFile::exists(fx.path(QStringLiteral("fnk_rep.tmp"))), c.what);
        }

        // The same files one step inside the limits give a report.
        testsupport::Fixture fx;
        addCategory(fx, "FO", "Food");
        store::LedgerRecord r = record({QDate(2026, 7, 1), 0, "FO", "big"});
        r.amount = kMax / 25;
        store::RecordFile(reports::incomeFilePath(fx.folder())).FileNewEntry(r);
        store::RecordFile(reports::reportFilePath(fx.folder())).FileNewEntry(r);
        QCOMPARE(reports::TotalUp(reports::incomeFilePath(fx.folder())), kMax / 25);
        reports::writeReport(ReportKind::FullNarrow, context(fx, {}, {}));
        QString total;
        store::MoneyRight(kMax / 25, total);
        const QStringList lines = reportLines(fx);
        QVERIFY(lines.contains(kIncome + total));
        QVERIFY(lines.contains(QStringLiteral("   Food                  ") + total
                               + QStringLiteral("  (  100 %)  ") + bars(25)));

        r.amount = kMax;
        store::RecordFile(reports::incomeFilePath(fx.folder())).FileNewEntry(r);
        QVERIFY_THROWS_EXCEPTION(std::overflow_error,
                                 reports::TotalUp(reports::incomeFilePath(fx.folder())));
    }

    void sideTotallingZeroDrawsNoDivision()
    {
        // Work files that net to zero on one side (not something the build
        // writes, but the files are plain data): the lines still come out.
        testsupport::Fixture fx;
        addCategory(fx, "FO", "Food");
        addCategory(fx, "SH", "Shelter");
        store::RecordFile expense(reports::expenseFilePath(fx.folder()));
        for (const Entry& e : {Entry{QDate(2026, 7, 1), -1000, "FO", "a"},
                               Entry{QDate(2026, 7, 2), 1000, "SH", "b"}}) {
            store::LedgerRecord r = record(e);
            expense.FileNewEntry(r);
            store::RecordFile(reports::reportFilePath(fx.folder())).FileNewEntry(r);
        }
        reports::writeReport(ReportKind::SummaryNarrow, context(fx, {}, {}));
        const QStringList lines = reportLines(fx);
        QCOMPARE(lines.mid(9, 4),
                 (QStringList{
                     QStringLiteral("   Food                  ") + money(QStringLiteral("($10.00)"))
                         + QStringLiteral("  (    0 %)  ") + bars(25),
                     QStringLiteral("   Shelter               ") + money(QStringLiteral("$10.00"))
                         + QStringLiteral("  (    0 %)  ") + bars(25),
                     QString(), kExpense + money(QStringLiteral("$0.00"))}));
    }
};

QTEST_MAIN(WritersTest)
#include "test_writers.moc"
