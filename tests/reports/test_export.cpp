// The delimited exports of the last report build: line items and category
// totals in the quoted, comma and bare forms, appending, the questions and
// messages, and failures.

#include "reports/Export.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QtTest>

using namespace fnk;
using namespace fnk::store;
using fnk::platform::Answer;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

LedgerRecord rec(const QString& code, Money amount, const QDate& date, const QString& note,
                 const QString& uf1 = QString(), const QString& uf2 = QString())
{
    LedgerRecord r;
    r.setCategoryCode(code);
    r.amount = amount;
    r.entryDate = dayFromDate(date);
    r.setNote(note);
    r.setUserField1(uf1);
    r.setUserField2(uf2);
    return r;
}

void writeRecords(const QString& path, const std::vector<LedgerRecord>& records)
{
    RecordFile file(path);
    for (std::size_t i = 0; i < records.size(); ++i)
        file.write(qint64(i) + 1, records[i]);
}

void writeCategories(const QString& path, const QList<QPair<QString, QString>>& codesAndNames)
{
    CategoryFile file(path);
    for (const auto& [code, name] : codesAndNames) {
        CategoryEntry e;
        e.setCategoryCode(code);
        e.setCategoryName(name);
        file.append(e);
    }
}

QString pad(const QString& s, int width) { return s.leftJustified(width, QLatin1Char(' ')); }
const QString kBlank10(10, QLatin1Char(' '));

// Line items of one build: expenses and income in two categories, records
// that must not be exported (a code differing in case, a code missing from
// the category file, an open item).
void writeLineItemBuild(const Fixture& fx)
{
    writeCategories(fx.path("category.dat"), {{"RENT", "Housing"},
                                              {"FOOD", "Groceries"},
                                              {"SPARE", "Unused"}});
    writeRecords(fx.path("expense.tmp"),
                 {rec("FOOD", -125000, {2026, 3, 5}, "Milk, \"fresh\" eggs"),
                  rec("RENT", -2500000, {2026, 3, 1}, "\"March\"", "A,B", "x\"y"),
                  rec("food", -10000, {2026, 3, 2}, "lower-case code"),
                  rec("GONE", -50000, {2026, 3, 3}, "no such category"),
                  rec("FOOD", -525, {2025, 12, 31}, ",lead")});
    writeRecords(fx.path("income.tmp"), {rec("FOOD", 10000000, {2026, 2, 14}, "Refund", "CARD")});
    writeRecords(fx.path("todo.tmp"), {rec("FOOD", 0, {2026, 3, 4}, "Open item")});
}

QList<QByteArray> linesOf(const QString& path)
{
    QList<QByteArray> lines = readBytes(path).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& l : lines) {
        if (!l.endsWith('\r'))
            return {"line without CRLF: " + l};
        l.chop(1);
    }
    return lines;
}

QString exportComplete(const QString& first, const QString& fileName)
{
    return first + "\n\n" + fileName
        + "\n\nThis file can be read by many different applications, including spreadsheets, "
          "etc.";
}

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    void lineItemForms_data();
    void lineItemForms();
    void typedNameTakesTheChosenFilter_data();
    void typedNameTakesTheChosenFilter();
    void summaryTotals();
    void appendsAndAsksOnlyForFileWithData();
    void cancelledDialogDoesNothing();
    void failedExportLeavesFileAsItWas();
};

void ExportTest::lineItemForms_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("quote");
    QTest::addColumn<QString>("separator");
    QTest::newRow("csv") << "items.csv" << "" << ",";
    QTest::newRow("txt") << "items.txt" << "\"" << "\",\"";
    QTest::newRow("upper-case TXT") << "items.TXT" << "" << "";
    QTest::newRow("other") << "items.dat" << "" << "";
}

void ExportTest::lineItemForms()
{
    QFETCH(QString, name);
    QFETCH(QString, quote);
    QFETCH(QString, separator);
    Fixture fx;
    writeLineItemBuild(fx);
    const QString target = fx.path(name);
    fx.port.queueFile(target);

    reports::mu_WriteComma(fx.folder(), fx.path("category.dat"));

    // Category-file order within each section, expenses before income.
    const QList<QStringList> fields = {
        {"-250", "RENT      ", pad("March", 60), "3/1/2026", pad("A B", 10), pad("x y", 10)},
        {"-12.5", "FOOD      ", pad("Milk   fresh  eggs", 60), "3/5/2026", kBlank10, kBlank10},
        {"-0.0525", "FOOD      ", pad("lead", 60), "12/31/2025", kBlank10, kBlank10},
        {"1000", "FOOD      ", pad("Refund", 60), "2/14/2026", pad("CARD", 10), kBlank10}};
    QList<QByteArray> expected;
    for (const QStringList& f : fields)
        expected << (quote + f.join(separator) + quote).toLatin1();
    QCOMPARE(linesOf(target), expected);
    if (name == "items.csv")
        QCOMPARE(linesOf(target).at(1),
                 QByteArray("-12.5,FOOD      ,Milk   fresh  eggs") + QByteArray(42, ' ')
                     + ",3/5/2026," + QByteArray(10, ' ') + "," + QByteArray(10, ' '));

    const auto& shown = fx.port.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].kind, platform::ScriptedMessagePort::Shown::File);
    QCOMPARE(shown[0].fileDialog.kind, platform::FileDialog::Save);
    QCOMPARE(shown[0].fileDialog.title, QString("Provide a file name..."));
    QCOMPARE(shown[0].fileDialog.filter,
             QString("Comma-delimited text (*.txt)|*.txt|Comma-separated values (*.csv)|*.csv"));
    QVERIFY(shown[0].fileDialog.initialName.isEmpty());
    QCOMPARE(shown[1].box.title, QString("Export Complete"));
    QCOMPARE(shown[1].box.icon, platform::Icon::Information);
    QCOMPARE(shown[1].box.text,
             exportComplete("The data contained in this report been exported to the file",
                            target));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void ExportTest::typedNameTakesTheChosenFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("filter");  // 0: "*.txt", 1: "*.csv"
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("csv chosen") << "export1" << 1 << "export1.csv" << QByteArray("-250,RENT      ,");
    QTest::newRow("txt chosen") << "export1" << 0 << "export1.txt" << QByteArray("\"-250\",\"RENT ");
    QTest::newRow("typed extension wins") << "export1.txt" << 1 << "export1.txt"
                                          << QByteArray("\"-250\",\"RENT ");
}

void ExportTest::typedNameTakesTheChosenFilter()
{
    QFETCH(QString, typed);
    QFETCH(int, filter);
    QFETCH(QString, written);
    QFETCH(QByteArray, start);
    Fixture fx;
    writeLineItemBuild(fx);
    fx.port.queueFile(fx.path(typed), filter);

    reports::mu_WriteComma(fx.folder(), fx.path("category.dat"));

    QVERIFY2(linesOf(fx.path(written)).value(0).startsWith(start),
             linesOf(fx.path(written)).value(0).constData());
    QCOMPARE(QDir(fx.folder()).entryList({"export1*"}, QDir::Files), QStringList{written});
    QCOMPARE(fx.port.lastMessage()->text,
             exportComplete("The data contained in this report been exported to the file",
                            fx.path(written)));
}

void ExportTest::summaryTotals()
{
    Fixture fx;
    writeCategories(fx.path("category.dat"), {{"FOOD", "Groceries"},
                                              {"RENT", "Rent, \"house\""},
                                              {"WAGES", "Pay"},
                                              {"GIFT", "Presents"},
                                              {"CAR", "Car"}});
    writeRecords(fx.path("expense.tmp"), {rec("FOOD", -125000, {2026, 1, 1}, "a"),
                                          rec("RENT", -9000000, {2026, 1, 2}, "b"),
                                          rec("FOOD", -77500, {2026, 1, 3}, "c"),
                                          rec("CAR", -1, {2026, 1, 4}, "d"),
                                          rec("NOPE", -10000, {2026, 1, 5}, "e")});
    writeRecords(fx.path("income.tmp"), {rec("WAGES", 25000000, {2026, 1, 6}, "f"),
                                         rec("FOOD", 5000, {2026, 1, 7}, "g"),
                                         rec("WAGES", 1230000, {2026, 1, 8}, "h")});
    writeRecords(fx.path("todo.tmp"), {rec("GIFT", 0, {2026, 1, 9}, "open")});
    const QString target = fx.path("totals.csv");
    fx.port.queueFile(target);

    reports::mu_WriteCommaSummary(fx.folder(), fx.path("category.dat"));

    QCOMPARE(linesOf(target), QList<QByteArray>({"FOOD      ,Groceries           ,-20.25",
                                                 "RENT      ,Rent, \"house\"       ,-900",
                                                 "WAGES     ,Pay                 ,0",
                                                 "GIFT      ,Presents            ,0",
                                                 "CAR       ,Car                 ,-0.0001",
                                                 "FOOD      ,Groceries           ,0.5",
                                                 "RENT      ,Rent, \"house\"       ,0",
                                                 "WAGES     ,Pay                 ,2623",
                                                 "GIFT      ,Presents            ,0",
                                                 "CAR       ,Car                 ,0"}));
    QCOMPARE(fx.port.lastMessage()->text,
             exportComplete("The data (category summary only) contained in this report been "
                            "exported to the file",
                            target));
}

void ExportTest::appendsAndAsksOnlyForFileWithData()
{
    Fixture fx;
    writeLineItemBuild(fx);
    const QString target = fx.path("twice.txt");
    writeBytes(target, QByteArray());  // an empty file is not asked about
    fx.port.queueFile(target);
    reports::mu_WriteComma(fx.folder(), fx.path("category.dat"));
    const QByteArray once = readBytes(target);
    QCOMPARE(linesOf(target).size(), 4);
    QCOMPARE(fx.port.messagesShown().size(), 1);

    fx.port.clear();
    fx.port.queueFile(target);
    fx.port.queueAnswer(Answer::Ok);
    reports::mu_WriteComma(fx.folder(), fx.path("category.dat"));
    QCOMPARE(readBytes(target), once + once);
    const QList<platform::MessageBox> boxes = fx.port.messagesShown();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].title, QString("Confirm"));
    QCOMPARE(boxes[0].text, target + " already exists! If you continue, the new data will be "
                                     "appended to the existing file. Proceed?");
    QCOMPARE(boxes[0].icon, platform::Icon::Exclamation);
    QCOMPARE(boxes[0].buttons, platform::Buttons::OkCancel);
    QCOMPARE(boxes[0].defaultButton, Answer::Cancel);
    QCOMPARE(boxes[1].title, QString("Export Complete"));

    fx.port.clear();
    fx.port.queueFile(target);
    fx.port.queueAnswer(Answer::Cancel);
    reports::mu_WriteCommaSummary(fx.folder(), fx.path("category.dat"));
    QCOMPARE(readBytes(target), once + once);
    QCOMPARE(fx.port.messagesShown().size(), 1);
    QCOMPARE(fx.port.pendingAnswers(), 0);
}

void ExportTest::cancelledDialogDoesNothing()
{
    Fixture fx;
    writeLineItemBuild(fx);
    const QStringList before = QDir(fx.folder()).entryList(QDir::Files);
    reports::mu_WriteComma(fx.folder(), fx.path("category.dat"));
    reports::mu_WriteCommaSummary(fx.folder(), fx.path("category.dat"));
    QCOMPARE(fx.port.shown().size(), 2);
    QVERIFY(fx.port.messagesShown().isEmpty());
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files), before);
}

void ExportTest::failedExportLeavesFileAsItWas()
{
    Fixture fx;
    writeLineItemBuild(fx);
    // Enough line items that the export is written in several steps, so the
    // failure comes after part of it is on disk.
    QByteArray many;
    for (int i = 0; i < 1500; ++i) {
        char buf[LedgerRecord::kSize];
        rec("FOOD", -10000 - i, {2026, 1, 1}, QStringLiteral("item %1").arg(i)).encode(buf);
        many.append(buf, LedgerRecord::kSize);
    }
    writeBytes(fx.path("expense.tmp"), many);
    const QString existing = fx.path("old.csv");
    writeBytes(existing, "kept\r\n");
    const QString fresh = fx.path("new.csv");

    fx.port.queueFile(existing);
    fx.port.queueAnswer(Answer::Ok);
    fx.port.queueFile(fresh);
    testing::failWritesAfter(1);
    reports::mu_WriteComma(fx.folder(), fx.path("category.dat"));
    testing::failWritesAfter(1);
    reports::mu_WriteComma(fx.folder(), fx.path("category.dat"));
    testing::reset();

    QCOMPARE(readBytes(existing), QByteArray("kept\r\n"));
    QVERIFY(!QFileInfo::exists(fresh));
    const QList<platform::MessageBox> boxes = fx.port.messagesShown();
    QCOMPARE(boxes.size(), 3);  // the question, then one error box per export
    for (int i : {1, 2}) {
        QCOMPARE(boxes[i].title, QString("Error - operation aborted"));
        QCOMPARE(boxes[i].icon, platform::Icon::Critical);
        QVERIFY(boxes[i].text.contains("Error number: 61"));
    }
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(ExportTest)
#include "test_export.moc"
