#include "support/TestSupport.h"
#include "platform/Colours.h"

#include "store/Dates.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"
#include "view/ListBuilder.h"

#include <QBrush>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace fnk;
using store::LedgerRecord;
using view::MainListModel;

namespace {

void add(store::RecordFile& f, const QDate& date, store::Money amount,
         const QString& code = QStringLiteral("FO"), const QString& note = {},
         const QString& user1 = {}, const QString& user2 = {}, bool deleted = false)
{
    LedgerRecord r;
    r.entryDate = store::dayFromDate(date);
    r.amount = amount;
    r.setCategoryCode(code);
    r.setNote(note);
    r.setUserField1(user1);
    r.setUserField2(user2);
    r.deletedFlag = deleted ? 'Y' : 'N';
    f.FileNewEntry(r);
}

QStringList column(const MainListModel& m, int col)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.cellText(r, col);
    return out;
}

store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

}  // namespace

class ListBuilderTest : public QObject {
    Q_OBJECT

    view::ListQuery queryFor(const testsupport::Fixture& fx)
    {
        view::ListQuery q;
        q.recordFile = fx.path(QStringLiteral("fennick.dat"));
        q.earliest = QDate(2026, 1, 1);
        q.latest = QDate(2026, 12, 31);
        return q;
    }

private slots:
    void ordersNewestFirstKeepingFileOrderOnTies()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 3, 1), dollars(1), {}, QStringLiteral("first"));
        add(f, QDate(2026, 3, 3), dollars(2), {}, QStringLiteral("third"));
        add(f, QDate(2026, 3, 2), dollars(3), {}, QStringLiteral("second a"));
        add(f, QDate(2026, 3, 2), dollars(4), {}, QStringLiteral("second b"));
        MainListModel m;
        const auto r = view::PopMainGrid(m, queryFor(fx), {});
        QCOMPARE(column(m, 2), (QStringList{"third", "second a", "second b", "first"}));
        QCOMPARE(column(m, 0).first(), QStringLiteral("3/3/2026"));
        QCOMPARE(column(m, MainListModel::kRecordNumber), (QStringList{"2", "3", "4", "1"}));
        QCOMPARE(column(m, MainListModel::kDayNumber).first(),
                 QString::number(qint64(store::dayFromDate(QDate(2026, 3, 3)))));
        QCOMPARE(r.currentRow, 0);
    }

    void rangeIncludesBothEndsAndExcludesOutside()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 2, 28), dollars(1), {}, QStringLiteral("before"));
        add(f, QDate(2026, 3, 1), dollars(1), {}, QStringLiteral("earliest"));
        add(f, QDate(2026, 3, 31), dollars(1), {}, QStringLiteral("latest"));
        add(f, QDate(2026, 4, 1), dollars(1), {}, QStringLiteral("after"));
        MainListModel m;
        auto q = queryFor(fx);
        q.earliest = QDate(2026, 3, 1);
        q.latest = QDate(2026, 3, 31);
        view::PopMainGrid(m, q, {});
        QCOMPARE(column(m, 2), (QStringList{"latest", "earliest"}));

        // A one-day range lists only that day.
        q.earliest = q.latest = QDate(2026, 3, 1);
        view::PopMainGrid(m, q, {});
        QCOMPARE(column(m, 2), QStringList{"earliest"});

        q.latest = QDate();
        QVERIFY_THROWS_EXCEPTION(view::RangeError, view::PopMainGrid(m, q, {}));
    }

    void totalsColoursAndStatusPanels()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 5, 1), dollars(100));
        add(f, QDate(2026, 5, 2), -dollars(30));
        add(f, QDate(2026, 5, 3), -dollars(20));
        add(f, QDate(2026, 5, 4), 0, {}, QStringLiteral("open item"));
        add(f, QDate(2026, 5, 5), dollars(999), {}, {}, {}, {}, true);
        MainListModel m;
        const auto r = view::PopMainGrid(m, queryFor(fx), {});
        QCOMPARE(r.status.panel[0], QStringLiteral("(+) $100.00"));
        QCOMPARE(r.status.panel[1], QStringLiteral("(-) ($50.00)"));
        QCOMPARE(r.status.panel[2], QStringLiteral("(=) $50.00"));
        QCOMPARE(r.status.panel[3], QStringLiteral("4 Items"));
        QCOMPARE(r.status.panel[4], QStringLiteral("Category = All Categories "));
        QCOMPARE(r.totals.count, 4);

        QCOMPARE(column(m, 1), (QStringList{"****?****", "($20.00)", "($30.00)", "$100.00"}));
        QCOMPARE(column(m, MainListModel::kAmountValue), (QStringList{"0", "-20", "-30", "100"}));
        auto colour = [&](int row, int col) {
            return m.data(m.index(row, col), Qt::ForegroundRole).value<QBrush>().color();
        };
        // Open items blue, money out red, readable on a white list.
        QCOMPARE(colour(0, 1), QColor(Qt::blue));
        QVERIFY(colour(1, 1).red() > 150 && colour(1, 1).green() == 0 && colour(1, 1).blue() == 0);
        QVERIFY(platform::contrastRatio(colour(1, 1), Qt::white) >= 4.5);
        QCOMPARE(colour(3, 1), QColor(Qt::black));
        QCOMPARE(colour(3, MainListModel::kRecordNumber), QColor(Qt::white));

        // An empty file lists nothing and says so.
        testsupport::Fixture empty;
        const auto e = view::PopMainGrid(m, queryFor(empty), {});
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(e.status.panel[3], QStringLiteral("0 Items"));
        QCOMPARE(e.currentRow, -1);
        QVERIFY(QFile::exists(empty.path(QStringLiteral("fennick.dat"))));
    }

    void categoryFilterComparesWholeCodesExactly()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 5, 1), dollars(1), QStringLiteral("FO"), QStringLiteral("fo upper"));
        add(f, QDate(2026, 5, 2), dollars(1), QStringLiteral("FOX"), QStringLiteral("fox"));
        add(f, QDate(2026, 5, 3), dollars(1), QStringLiteral("fo"), QStringLiteral("fo lower"));
        MainListModel m;
        auto q = queryFor(fx);
        q.categoryCode = QStringLiteral("FO        ");
        q.categoryName = QStringLiteral("Food                ");
        const auto r = view::PopMainGrid(m, q, {});
        QCOMPARE(column(m, 2), QStringList{"fo upper"});
        QCOMPARE(r.status.panel[4], QStringLiteral("Category = Food "));
        // The category code shows as stored, padding included.
        QCOMPARE(m.cellText(0, 5), QStringLiteral("FO        "));
    }

    void wordSearchesNoteAndFreeTextUserFields()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 5, 1), dollars(1), {}, QStringLiteral("Rent for May"));
        add(f, QDate(2026, 5, 2), dollars(1), {}, QStringLiteral("Parental leave"));
        add(f, QDate(2026, 5, 3), dollars(1), {}, QStringLiteral("Rented a van"));
        add(f, QDate(2026, 5, 4), dollars(1), {}, QStringLiteral("other"), QStringLiteral("rent"));
        add(f, QDate(2026, 5, 5), dollars(1), {}, QStringLiteral("fish"));
        add(f, QDate(2026, 5, 6), dollars(1), {}, QStringLiteral("bluefish, fried"));
        MainListModel m;
        auto q = queryFor(fx);
        // A search ignores the category filter.
        q.categoryCode = QStringLiteral("ZZ");

        auto r = view::PopMainGrid(m, q, QStringLiteral("RENT"));
        QCOMPARE(column(m, 2), (QStringList{"Rented a van", "Parental leave", "Rent for May"}));
        QCOMPARE(r.status.panel[4], QStringLiteral("Word Search = RENT "));

        q.user1IsPickList = false;
        view::PopMainGrid(m, q, QStringLiteral("RENT"));
        QCOMPARE(m.rowCount(), 4);

        view::PopMainGrid(m, q, QStringLiteral(" RENT "));
        QCOMPARE(column(m, 2), (QStringList{"other", "Rent for May"}));

        // A whole word at the start and end of the note, but not inside one
        // or before a comma.
        view::PopMainGrid(m, q, QStringLiteral(" FISH "));
        QCOMPARE(column(m, 2), QStringList{"fish"});
        view::PopMainGrid(m, q, QStringLiteral("FISH"));
        QCOMPARE(m.rowCount(), 2);
    }

    void userFieldSearchMatchesWholeValueIgnoringCase()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 5, 1), dollars(1), {}, QStringLiteral("a"), QStringLiteral("SMITH"));
        add(f, QDate(2026, 5, 2), dollars(1), {}, QStringLiteral("b"), QStringLiteral(" smith"));
        add(f, QDate(2026, 5, 3), dollars(1), {}, QStringLiteral("c"), QStringLiteral("Smithers"));
        add(f, QDate(2026, 5, 4), dollars(1), {}, QStringLiteral("d"), {}, QStringLiteral("Smith"));
        MainListModel m;
        auto r = view::PopMainGrid(m, queryFor(fx), QStringLiteral("|UDF1|SMITH"));
        QCOMPARE(column(m, 2), (QStringList{"b", "a"}));
        QCOMPARE(r.status.panel[4], QStringLiteral("user 1 = SMITH "));
        r = view::PopMainGrid(m, queryFor(fx), QStringLiteral("|UDF2|SMITH"));
        QCOMPARE(column(m, 2), QStringList{"d"});
        QCOMPARE(r.status.panel[4], QStringLiteral("user 2 = SMITH "));
    }

    void macroModeListsEveryLiveRecordUndated()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(1990, 1, 1), dollars(5), QStringLiteral("XX"), QStringLiteral("old"));
        add(f, QDate(2026, 5, 1), dollars(5), QStringLiteral("YY"), QStringLiteral("gone"), {}, {}, true);
        MainListModel m;
        auto q = queryFor(fx);
        q.macroMode = true;
        q.categoryCode = QStringLiteral("YY");
        view::PopMainGrid(m, q, QStringLiteral("NOTHING"));
        QCOMPARE(column(m, 2), QStringList{"old"});
        QCOMPARE(m.cellText(0, 0), QStringLiteral("(macro)"));
    }

    void freeSelectionKeepsRowsAndAddsOnlyMissingOnes()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        for (int d = 1; d <= 5; ++d)
            add(f, QDate(2026, 6, d), dollars(d), {}, QStringLiteral("n%1").arg(d));
        MainListModel m;
        auto q = queryFor(fx);
        view::PopMainGrid(m, q, {});
        q.freeSelection = true;
        m.removeRowAt(1);  // n4
        m.removeRowAt(1);  // n3
        QCOMPARE(column(m, 2), (QStringList{"n5", "n2", "n1"}));

        // A narrower rebuild keeps what is listed and adds nothing twice.
        q.earliest = q.latest = QDate(2026, 6, 5);
        auto r = view::PopMainGrid(m, q, {});
        QCOMPARE(column(m, 2), (QStringList{"n5", "n2", "n1"}));
        QCOMPARE(r.status.panel[2], QStringLiteral("Free Selection Mode: 3 items selected."));
        QVERIFY(r.status.panel[0].isNull());
        QVERIFY(r.status.panel[3].isNull());

        // The full range brings back the removed rows, newest first.
        q.earliest = QDate(2026, 1, 1);
        view::PopMainGrid(m, q, {});
        QCOMPARE(column(m, 2), (QStringList{"n5", "n4", "n3", "n2", "n1"}));
    }

    void headerStringsAndLayoutColumns()
    {
        const QString sp4(4, ' ');
        QCOMPARE(view::headerString(QStringLiteral("-n12-"), QStringLiteral("user 1"),
                                    QStringLiteral("user 2")),
                 QStringLiteral("<Date") + QString(12, ' ') + "|>Amount" + QString(7, ' ')
                     + "|<Note" + QString(58, ' ') + "|<user 1" + sp4 + sp4 + "|<user 2" + sp4
                     + sp4 + "|<Category" + QString(204, ' ') + "|||");
        QCOMPARE(view::headerString(QStringLiteral("--n12"), QStringLiteral("Payee"),
                                    QStringLiteral("Job")),
                 QStringLiteral("<Date") + QString(12, ' ') + "|>Amount" + QString(7, ' ')
                     + "|<Category" + sp4 + "|<Note" + QString(58, ' ') + "|<Payee     " + sp4
                     + "|<Job       " + QString(204, ' ') + "|||");

        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 5, 1), dollars(1), QStringLiteral("CAT"), QStringLiteral("  note  "),
                QStringLiteral("one"), QStringLiteral("two"));
        MainListModel m;
        auto q = queryFor(fx);
        const QStringList expected[] = {
            {"note", "one       ", "two       ", "CAT       "},
            {"one       ", "note", "two       ", "CAT       "},
            {"one       ", "two       ", "note", "CAT       "},
            {"note", "two       ", "one       ", "CAT       "},
            {"two       ", "note", "one       ", "CAT       "},
            {"two       ", "one       ", "note", "CAT       "},
            {"CAT       ", "note", "one       ", "two       "},
        };
        QString code = QStringLiteral("-n12-");
        for (const QStringList& cells : expected) {
            q.layoutCode = code;
            view::PopMainGrid(m, q, {});
            QStringList got;
            for (int c = 2; c <= 5; ++c)
                got << m.cellText(0, c);
            QCOMPARE(got, cells);
            code = view::ColumnLayout::next(code);
        }
        QCOMPARE(code, QStringLiteral("-n12-"));
        QCOMPARE(view::ColumnLayout::next(QStringLiteral("bogus")), QStringLiteral("bogus"));
        QCOMPARE(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Amount"));
        QCOMPARE(m.headerCells().at(1).width, 13);
        QVERIFY(m.headerCells().at(1).rightAligned);
    }

    void damagedRecordsDoNotStopTheBuild()
    {
        testsupport::Fixture fx;
        const QString path = fx.path(QStringLiteral("fennick.dat"));
        store::RecordFile f(path);
        add(f, QDate(2026, 5, 1), dollars(1), {}, QStringLiteral("good"));
        add(f, QDate(2026, 5, 2), std::numeric_limits<store::Money>::max(), {}, QStringLiteral("huge"));
        add(f, QDate(2026, 5, 3), std::numeric_limits<store::Money>::max(), {}, QStringLiteral("huge 2"));
        LedgerRecord bad;
        bad.entryDate = std::numeric_limits<double>::quiet_NaN();
        bad.setNote(QStringLiteral("no date"));
        bad.note[0] = '\x01';
        f.FileNewEntry(bad);
        // A partial record at the end of the file is not listed.
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::Append));
        raw.write(QByteArray(40, 'x'));
        raw.close();

        MainListModel m;
        auto r = view::PopMainGrid(m, queryFor(fx), {});
        QCOMPARE(m.rowCount(), 3);
        QCOMPARE(r.totals.in, std::numeric_limits<store::Money>::max());

        auto q = queryFor(fx);
        q.macroMode = true;
        view::PopMainGrid(m, q, {});
        QCOMPARE(m.rowCount(), 4);
        // The undated record is listed last with its bytes shown as stored.
        m.setMacroMode(false);
        QCOMPARE(m.cellText(3, 0), QString());
        QCOMPARE(m.cellText(3, 2).at(0), QChar(0x01));
    }

    void headingSortsAndRowRemoval()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        add(f, QDate(2026, 5, 1), -dollars(50), {}, QStringLiteral("banana"));
        add(f, QDate(2026, 5, 2), dollars(10), {}, QStringLiteral("Apple"));
        add(f, QDate(2026, 5, 3), -dollars(5), {}, QStringLiteral("cherry"));
        MainListModel m;
        view::PopMainGrid(m, queryFor(fx), {});
        m.sortByColumn(MainListModel::kAmount, Qt::AscendingOrder);
        QCOMPARE(column(m, 2), (QStringList{"banana", "cherry", "Apple"}));
        m.sortByColumn(2, Qt::AscendingOrder);
        QCOMPARE(column(m, 2), (QStringList{"Apple", "banana", "cherry"}));
        m.sortByColumn(2, Qt::DescendingOrder);
        QCOMPARE(column(m, 2), (QStringList{"cherry", "banana", "Apple"}));
        m.sortByColumn(MainListModel::kDate, Qt::AscendingOrder);
        QCOMPARE(column(m, 2), (QStringList{"banana", "Apple", "cherry"}));
        m.removeRowAt(1);
        QCOMPARE(column(m, 2), (QStringList{"banana", "cherry"}));
        QCOMPARE(m.recordNumberAt(1), 3.0);

        // Equal keys keep their order both ways; text keys ignore case and
        // leading spaces of the note.
        add(f, QDate(2026, 5, 4), -dollars(5), {}, QStringLiteral("  BANANA split"));
        add(f, QDate(2026, 5, 5), -dollars(5), {}, QStringLiteral("apple"));
        view::PopMainGrid(m, queryFor(fx), {});
        m.sortByColumn(MainListModel::kAmount, Qt::AscendingOrder);
        QCOMPARE(column(m, 2), (QStringList{"banana", "apple", "BANANA split", "cherry", "Apple"}));
        m.sortByColumn(MainListModel::kAmount, Qt::DescendingOrder);
        QCOMPARE(column(m, 2), (QStringList{"Apple", "apple", "BANANA split", "cherry", "banana"}));
        m.sortByColumn(2, Qt::AscendingOrder);
        QCOMPARE(column(m, 2), (QStringList{"Apple", "apple", "banana", "BANANA split", "cherry"}));
    }

    void textSortsMatchAStableSortOfTheKeys()
    {
        // Few distinct values (ranked) and mostly distinct ones (compared
        // directly) must give the same order as a plain stable sort of the
        // upper-cased keys, both ways, with equal keys in list order.
        for (const bool fewValues : {true, false}) {
            testsupport::Fixture fx;
            QByteArray ledger;
            const int rows = 1500;
            static const char* const kWords[] = {"rent", "Rent", " rent", "r\xe9sum\xe9", "R\xc9SUM\xc9",
                                                 "zebra", "", "apple pie", "Apple"};
            for (int i = 0; i < rows; ++i) {
                LedgerRecord r;
                r.entryDate = store::dayFromDate(QDate(2026, 1, 1).addDays(i % 7));
                r.amount = i;
                r.setCategoryCode(QStringLiteral("C%1").arg(i % 5));
                const QString word = QString::fromLatin1(kWords[(i * 7) % 9]);
                r.setNote(fewValues ? word : word + QString::number(i * 7919 % rows));
                r.setUserField1(QString::fromLatin1(kWords[i % 9]));
                r.recordNumber = i + 1;
                r.deletedFlag = 'N';
                char bytes[LedgerRecord::kSize];
                r.encode(bytes);
                ledger.append(bytes, sizeof bytes);
            }
            testsupport::writeBytes(fx.path(QStringLiteral("fennick.dat")), ledger);
            MainListModel m;
            view::PopMainGrid(m, queryFor(fx), {});
            QCOMPARE(m.rowCount(), rows);
            for (int col : {2, 3, 5}) {
                for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                    QList<QPair<QByteArray, double>> expected;
                    for (int r = 0; r < m.rowCount(); ++r) {
                        QByteArray key = store::encode1252(m.cellText(r, col)).leftJustified(60, ' ');
                        store::upper1252InPlace(key.data(), std::size_t(key.size()));
                        expected << qMakePair(key, m.recordNumberAt(r));
                    }
                    std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
                        return order == Qt::AscendingOrder ? a.first < b.first : b.first < a.first;
                    });
                    m.sortByColumn(col, order);
                    for (int r = 0; r < m.rowCount(); ++r)
                        if (m.recordNumberAt(r) != expected[r].second)
                            QFAIL(qPrintable(QStringLiteral("column %1 row %2 differs").arg(col).arg(r)));
                }
            }
        }
    }

    // The number sorts give the order a stable sort of the list as it stood
    // gives, with dates before 1900 (negative day numbers), huge and
    // negative amounts and many equal keys.
    void numberSortsMatchAStableSort()
    {
        testsupport::Fixture fx;
        store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
        for (int i = 0; i < 600; ++i)
            add(f, i % 97 == 0 ? QDate(1899, 1, 1).addDays(i % 5) : QDate(2020, 1, 1).addDays(i * 79 % 40),
                i % 101 == 0 ? (i % 2 ? 1 : -1) * (store::Money(1) << 50) : store::Money(i * 7 % 30 - 15) * 2500);
        MainListModel m;
        view::ListQuery q = queryFor(fx);
        q.earliest = QDate(1899, 1, 1);
        view::PopMainGrid(m, q, {});
        QCOMPARE(m.rowCount(), 600);
        for (const int col : {MainListModel::kAmount, MainListModel::kDate, MainListModel::kAmount, MainListModel::kDate})
            for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                QList<QPair<double, double>> expected;  // key, record number
                for (int r = 0; r < m.rowCount(); ++r)
                    expected << qMakePair(col == MainListModel::kDate ? m.rowAt(r).day : double(m.rowAt(r).amount),
                                          m.recordNumberAt(r));
                std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
                    return order == Qt::AscendingOrder ? a.first < b.first : b.first < a.first;
                });
                m.sortByColumn(col, order);
                for (int r = 0; r < m.rowCount(); ++r)
                    QVERIFY2(m.recordNumberAt(r) == expected[r].second,
                             qPrintable(QStringLiteral("column %1 row %2").arg(col).arg(r)));
            }
    }
};

QTEST_MAIN(ListBuilderTest)
#include "test_list_builder.moc"
