// The delimited-text import: cutting lines into fields, link numbers,
// signed amounts and dates, records built from a line, and the import window
// from the file choice through the preview and links to the run, its
// messages and its failures.

#include "import/DelimitedText.h"
#include "import/ImportChecks.h"
#include "import/ImportWindow.h"
#include "import/TextLines.h"
#include "platform/Accessibility.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordAppender.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace fnk;
using imports::ImportWindow;
using imports::LineRecord;
using imports::Links;
using imports::SplitRule;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::MessageBox;
using store::LedgerRecord;
using store::RecordFile;
using testsupport::writeBytes;
using testsupport::readBytes;

namespace {

const QString kHeading1 = QStringLiteral("||||||||||| RECORD 1 ||||||||||||");
const QString kErrorTitle = QStringLiteral("Error - operation aborted");
const QString kFinishedTail = QStringLiteral(
    " records have been imported.\n\nIMPORTANT: As soon as you return to the main screen, please "
    "set the date range to encompass several years and carefully review the records. If it looks "
    "like the data is corrupted, then restore the internal backup file that you should have made "
    "before starting!");

QByteArray crlfLines(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + "\r\n";
    return out;
}

LedgerRecord seeded(int i)
{
    LedgerRecord r;
    r.entryDate = 40000 + i;
    r.amount = 10000 * i;
    return r;
}

struct Window : testsupport::Fixture {
    QString recordPath = path(QStringLiteral("fennick.dat"));
    std::unique_ptr<ImportWindow> w = std::make_unique<ImportWindow>(recordPath);
    int backupsOffered = 0;
    QString fileAtBackup;  // what the window held when the backup was offered
    int rowsAtBackup = -1;

    Window()
    {
        w->setInternalBackup([this] {
            ++backupsOffered;
            fileAtBackup = w->importFile();
            rowsAtBackup = list()->count();
        });
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qWarning("import window not exposed");
    }

    template <typename T = QWidget> T* child(const char* name) const
    {
        T* c = w->findChild<T*>(QLatin1String(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    QListWidget* list() const { return child<QListWidget>("InputList"); }
    QLineEdit* link(const char* name) const { return child<QLineEdit>(name); }
    QString label1() const { return child<QLabel>("Label1")->text(); }
    void click(const char* name) const
    {
        QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton);
    }

    // Writes the file, chooses it with "Select File" and returns its path.
    QString choose(const QString& name, const QByteArray& bytes)
    {
        const QString p = path(name);
        writeBytes(p, bytes);
        port.queueFile(p);
        click("SelectFile");
        return p;
    }
    QStringList listLines() const
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->item(i)->text();
        return out;
    }
    // Clicks the field list's line `row`, then the link box.
    void linkTo(const char* linkName, int row) const
    {
        QListWidgetItem* item = list()->item(row);
        QVERIFY(item);
        list()->scrollToItem(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(item).center());
        QCOMPARE(list()->currentRow(), row);
        QTest::mouseClick(link(linkName), Qt::LeftButton);
    }
    // Links the boxes to the field lines of the first record in the preview
    // (row 0 is its heading, row k its field k).
    void linkFields(std::initializer_list<std::pair<const char*, int>> pairs) const
    {
        for (const auto& [name, field] : pairs)
            linkTo(name, field);
    }
    std::vector<LedgerRecord> records() const { return RecordFile(recordPath).readAll(); }
    QStringList titles() const
    {
        QStringList out;
        for (const MessageBox& m : port.messagesShown())
            out << m.title;
        return out;
    }
};

}  // namespace

class ImportTest : public QObject {
    Q_OBJECT

private slots:
    void splitsQuotedAndPlainLines()
    {
        const QString line = QStringLiteral("\"01/02/2002\",\"-12.50\",\"Food, weekly\"");
        QCOMPARE(imports::splitQuoted(line),
                 QStringList({"01/02/2002", "-12.50", "Food, weekly"}));
        QCOMPARE(imports::splitPlain(line),
                 QStringList({"\"01/02/2002\"", "\"-12.50\"", "\"Food", "weekly\""}));

        // Only quote-comma-quote separates; outer spaces go, inner ones stay.
        QCOMPARE(imports::splitQuoted(QStringLiteral("\"a\",b,\"c\"")), QStringList({"a\",b,\"c"}));
        QCOMPARE(imports::splitQuoted(QStringLiteral("\" a b \",\"\",\"c")),
                 QStringList({"a b", "", "c"}));
        QCOMPARE(imports::splitQuoted(QStringLiteral("\"a\",\"")), QStringList({"a", ""}));
        QCOMPARE(imports::splitQuoted(QStringLiteral("plain text")), QStringList({"plain text"}));

        QCOMPARE(imports::splitPlain(QStringLiteral("a, b ,c")), QStringList({"a", "b", "c"}));
        QCOMPARE(imports::splitPlain(QStringLiteral("a,,b,")), QStringList({"a", "", "b", ""}));
        QCOMPARE(imports::splitPlain(QStringLiteral(",")), QStringList({"", ""}));
        QCOMPARE(imports::splitPlain(QStringLiteral("\ttab\t")), QStringList({"\ttab\t"}));

        for (const QString& empty : {QString(), QStringLiteral("")}) {
            QVERIFY(imports::splitQuoted(empty).isEmpty());
            QVERIFY(imports::splitPlain(empty).isEmpty());
        }

        QCOMPARE(imports::splitRuleFor(QStringLiteral("/home/x/BANK.TXT")), SplitRule::Quoted);
        QCOMPARE(imports::splitRuleFor(QStringLiteral("bank.Csv")), SplitRule::Plain);
        QCOMPARE(imports::splitRuleFor(QStringLiteral("bank.dat")), SplitRule::None);
        QCOMPARE(imports::splitRuleFor(QString()), SplitRule::None);
        QVERIFY(imports::splitLine(QStringLiteral("a,b"), SplitRule::None).isEmpty());
    }

    void previewAndLinkNumbers()
    {
        QCOMPARE(imports::previewLines(2, {"a", ""}),
                 QStringList({"||||||||||| RECORD 2 ||||||||||||", "1 = a", "2 = "}));
        QCOMPARE(imports::previewLines(1, {}), QStringList({kHeading1}));

        QCOMPARE(imports::GetLinkNo(QStringLiteral("3 = Food")), QStringLiteral("3 "));
        QCOMPARE(imports::GetLinkNo(QStringLiteral("12 = a=b")), QStringLiteral("12 "));
        QCOMPARE(imports::GetLinkNo(QStringLiteral("abcde=x")), QStringLiteral("abcde"));
        QCOMPARE(imports::GetLinkNo(QStringLiteral("abcdef=x")), QString());
        QCOMPARE(imports::GetLinkNo(kHeading1), QString());
        QCOMPARE(imports::GetLinkNo(QString()), QString());

        QCOMPARE(imports::linkValue(QStringLiteral("3 ")), 3);
        QCOMPARE(imports::linkValue(QStringLiteral(" 12x")), 12);
        QCOMPARE(imports::linkValue(QStringLiteral("abc")), 0);
        QCOMPARE(imports::linkValue(QString()), 0);
    }

    void readsSignedAmounts()
    {
        testsupport::pinLocale();
        const QLocale us;
        const std::pair<const char*, store::Money> good[] = {
            {"-12.50", -125000},     {"12.50-", -125000}, {"(12.50)", -125000},
            {"($1,234.5)", -12345000}, {"-$4", -40000},   {"$ 4 -", -40000},
            {"+3", 30000},           {" 0.125 ", 1250},  {"1,000", 10000000},
        };
        for (const auto& [text, value] : good) {
            const store::AmountParse a = imports::readSignedAmount(QLatin1String(text), us);
            QVERIFY2(a.ok, text);
            QCOMPARE(a.value, value);
        }
        for (const char* bad : {"", "-", "abc", "12.5.1", "(-1)", "--1", "1-2", "12 USD", "()"})
            QVERIFY2(!imports::readSignedAmount(QLatin1String(bad), us).ok, bad);

        const QLocale de(QLocale::German, QLocale::Germany);
        const store::AmountParse a = imports::readSignedAmount(QStringLiteral("-1.234,50 €"), de);
        QVERIFY(a.ok);
        QCOMPARE(a.value, store::Money(-12345000));
    }

    void readsDates()
    {
        testsupport::pinLocale();
        const QLocale us;
        const QDate jan2(2002, 1, 2);
        for (const char* text : {"01/02/2002", "1/2/2002", "1/2/02", "2002-01-02",
                                 "Wednesday, January 2, 2002"})
            QCOMPARE(imports::readImportDate(QLatin1String(text), us), jan2);
        QCOMPARE(imports::readImportDate(QStringLiteral("7/4/30"), us), QDate(1930, 7, 4));
        QCOMPARE(imports::readImportDate(QStringLiteral("7/4/29"), us), QDate(2029, 7, 4));
        for (const char* bad : {"", "Date", "13/45/2002", "2/30/2002", "1/2", "2002-13-01"})
            QVERIFY2(!imports::readImportDate(QLatin1String(bad), us).isValid(), bad);

        // The day and the month come in the locale's order.
        QCOMPARE(imports::readImportDate(QStringLiteral("01/02/2002"),
                                         QLocale(QLocale::English, QLocale::UnitedKingdom)),
                 QDate(2002, 2, 1));
    }

    void buildsRecordsFromFields()
    {
        testsupport::pinLocale();
        const QString longNote = QString(59, QLatin1Char('n')) + QStringLiteral("XYZ");
        const Links all{1, 2, 3, 4, 5, 6};
        LineRecord r = imports::buildRecord(
            {"01/02/2002", "-12.50", longNote, "GROCERIES-AND-MORE", "u1", "user field two"}, all);
        QCOMPARE(r.kind, LineRecord::Record);
        QCOMPARE(r.record.entryDate, store::dayFromDate(QDate(2002, 1, 2)));
        QCOMPARE(r.record.amount, store::Money(-125000));
        QCOMPARE(r.record.noteText(), longNote.left(60));
        QCOMPARE(r.record.categoryCodeText(), QStringLiteral("GROCERIES-"));
        QCOMPARE(r.record.userField1Text(), QStringLiteral("u1        "));
        QCOMPARE(r.record.userField2Text(), QStringLiteral("user field"));
        QCOMPARE(r.record.deletedFlag, 'N');
        QCOMPARE(QByteArray(r.record.reserved.data(), 10), QByteArray(10, ' '));

        // One field may feed several ledger fields; unmatched ones stay empty.
        r = imports::buildRecord({"2002-01-02", "Rent"}, Links{1, 0, 2, 2, 0, 9});
        QCOMPARE(r.kind, LineRecord::Record);
        QCOMPARE(r.record.amount, store::Money(0));
        QCOMPARE(r.record.categoryCodeText(), QStringLiteral("Rent      "));
        QCOMPARE(r.record.noteText().trimmed(), QStringLiteral("Rent"));
        QCOMPARE(r.record.userField2Text(), QString(10, QLatin1Char(' ')));

        // No date field, or a date not after 30 December 1899: skipped.
        QCOMPARE(imports::buildRecord({"x", "1"}, Links{3, 2}).kind, LineRecord::Skipped);
        QCOMPARE(imports::buildRecord({}, all).kind, LineRecord::Skipped);
        QCOMPARE(imports::buildRecord({"12/30/1899", "1"}, all).kind, LineRecord::Skipped);
        QCOMPARE(imports::buildRecord({"12/31/1899", "1"}, all).kind, LineRecord::Record);

        r = imports::buildRecord({"Date", "Amount"}, all);
        QCOMPARE(r.kind, LineRecord::Refused);
        QVERIFY2(r.problem.contains(QLatin1String("(\"Date\") is not a date")), qPrintable(r.problem));
        r = imports::buildRecord({"1/2/2002", "twelve"}, all);
        QCOMPARE(r.kind, LineRecord::Refused);
        QVERIFY2(r.problem.contains(QLatin1String("(\"twelve\") is not an amount")),
                 qPrintable(r.problem));
    }

    void windowControlsAndTexts()
    {
        Window f;
        QCOMPARE(f.w->objectName(), QStringLiteral("fnk3cdi"));
        QCOMPARE(f.w->windowTitle(), QStringLiteral("Comma-Delimited Import Field Selector"));
        QVERIFY(f.w->isWindow());
        QCOMPARE(f.w->windowModality(), Qt::NonModal);

        const char* const buttons[][3] = {
            {"SelectFile", "Select File", "Click to select a file to import"},
            {"ClearFields", "Clear Fields", "Clear all fields and start over"},
            {"Command1", "Import", "Start the import operation"},
            {"Command2", "Cancel/Quit", "Quit import utility without further action"},
        };
        for (const auto& b : buttons) {
            QCOMPARE(platform::withoutMarks(f.child<QPushButton>(b[0])->text()), QLatin1String(b[1]));
            QCOMPARE(f.child<QPushButton>(b[0])->toolTip(), QLatin1String(b[2]));
        }
        const char* const links[][2] = {
            {"DateLink", "Date"},   {"AmountLink", "Amount"},     {"NoteLink", "Note"},
            {"CatLink", "Category"}, {"UDF1Link", "User Field 1"}, {"UDF2Link", "User Field 2"},
        };
        for (const auto& l : links) {
            QLabel* label = f.child<QLabel>((QByteArray(l[0]) + "Label").constData());
            QCOMPARE(label->text(), QLatin1String(l[1]));
            QCOMPARE(label->buddy(), f.link(l[0]));
            QVERIFY(f.link(l[0])->text().isEmpty());
        }
        QCOMPARE(f.label1(), QStringLiteral("Import file name... ?"));
        QCOMPARE(f.child<QLabel>("Label1")->toolTip(),
                 QStringLiteral("this is the file you have selected"));
        QCOMPARE(f.child<QLabel>("Label21")->text(), QStringLiteral("Fennick Fields"));
        QCOMPARE(f.child<QLabel>("InputListLabel")->text(), QStringLiteral("Import File Data Fields"));
        QCOMPARE(f.child<QLabel>("Label8")->text(),
                 QStringLiteral(
                     "The \"Import File Data Fields\" list on the right shows the first five records "
                     "from the data file you selected. You must match up the fields with the "
                     "\"Fennick Fields\" list in the middle. Highlight each item on the right in "
                     "turn and then click on the correct field number box to make the field number "
                     "appear. Fennick fields which have no corresponding import file field number "
                     "will simply be left empty."));
        QVERIFY(f.w->findChild<QProgressBar*>(QStringLiteral("ProgressBar1")));
    }

    void choosingAFilePreviewsItsFirstFiveLines()
    {
        Window f;
        // Cancelling the dialog changes nothing and offers no backup.
        f.click("SelectFile");
        QCOMPARE(f.port.shown().size(), 1);
        const platform::FileDialog d = f.port.shown().front().fileDialog;
        QCOMPARE(d.kind, platform::FileDialog::Open);
        QCOMPARE(d.title, QStringLiteral("Select a file..."));
        QCOMPARE(d.filter, QStringLiteral("Comma-delimited text (*.txt)|*.txt|"
                                          "Comma-separated values (*.csv)|*.csv|"
                                          "Bank statements (*.ofx *.qfx *.qif *.xml)|"
                                          "*.ofx;*.qfx;*.qif;*.xml"));
        QVERIFY(d.initialName.isEmpty());
        QCOMPARE(f.backupsOffered, 0);
        QVERIFY(f.w->importFile().isEmpty());

        // Six lines, the third empty, the last without a line end.
        const QString p = f.choose(
            QStringLiteral("bank.TXT"),
            "\"01/02/2002\",\"-12.50\",\"Food, weekly\"\r\n\"1/3/2002\",\"7\"\n\r\n\"4\"\r"
            "\"5\",\"caf\xe9\"\r\n\"6\"");
        QCOMPARE(f.backupsOffered, 1);
        QCOMPARE(f.fileAtBackup, p);
        QCOMPARE(f.rowsAtBackup, 0);
        QCOMPARE(f.w->importFile(), p);
        QCOMPARE(f.w->lineCount(), qint64(6));
        QCOMPARE(f.label1(), p + QStringLiteral(" appears to contain 6 records."));
        QCOMPARE(f.listLines(),
                 QStringList({kHeading1, "1 = 01/02/2002", "2 = -12.50", "3 = Food, weekly",
                              "||||||||||| RECORD 2 ||||||||||||", "1 = 1/3/2002", "2 = 7",
                              "||||||||||| RECORD 3 ||||||||||||",
                              "||||||||||| RECORD 4 ||||||||||||", "1 = 4",
                              "||||||||||| RECORD 5 ||||||||||||", "1 = 5",
                              QStringLiteral("2 = caf\u00e9")}));

        // The same line cut at every comma in a ".csv" file.
        f.choose(QStringLiteral("bank.csv"), "\"01/02/2002\",\"-12.50\",\"Food, weekly\"");
        QCOMPARE(f.backupsOffered, 2);
        QCOMPARE(f.listLines(), QStringList({kHeading1, "1 = \"01/02/2002\"", "2 = \"-12.50\"",
                                             "3 = \"Food", "4 = weekly\""}));

        // Another kind of file shows nothing, and an unreadable one fails.
        f.choose(QStringLiteral("bank.dat"), "1/2/2002,5");
        QCOMPARE(f.backupsOffered, 3);
        QCOMPARE(f.list()->count(), 0);
        QCOMPARE(f.label1(), QStringLiteral("Import file name... ?"));
        QVERIFY(f.port.messagesShown().isEmpty());

        f.port.queueFile(f.path(QStringLiteral("missing.csv")));
        f.click("SelectFile");
        QCOMPARE(f.backupsOffered, 4);
        QCOMPARE(f.titles(), QStringList({kErrorTitle}));
        QVERIFY(f.port.lastMessage()->text.contains(QLatin1String("Error number: 76")));
        QCOMPARE(f.label1(), QStringLiteral("Import file name... ?"));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void linkBoxesTakeTheClickedFieldNumber()
    {
        Window f;
        f.choose(QStringLiteral("a.txt"), "\"1/2/2002\",\"5\",\"x\"");
        f.linkTo("AmountLink", 2);
        QCOMPARE(f.link("AmountLink")->text(), QStringLiteral("2 "));
        f.linkTo("DateLink", 1);
        f.linkTo("NoteLink", 3);
        QCOMPARE(f.link("DateLink")->text(), QStringLiteral("1 "));
        QCOMPARE(f.link("NoteLink")->text(), QStringLiteral("3 "));
        // A heading line selected empties the link clicked.
        f.linkTo("NoteLink", 0);
        QVERIFY(f.link("NoteLink")->text().isEmpty());
        QCOMPARE(f.link("DateLink")->text(), QStringLiteral("1 "));

        f.click("ClearFields");
        for (const char* name : {"DateLink", "AmountLink", "NoteLink", "CatLink", "UDF1Link",
                                 "UDF2Link"})
            QVERIFY(f.link(name)->text().isEmpty());
    }

    void importRunAppendsRecords()
    {
        Window f;
        for (int i = 1; i <= 2; ++i) {
            LedgerRecord r = seeded(i);
            RecordFile(f.recordPath).FileNewEntry(r);
        }
        f.choose(QStringLiteral("bank.csv"),
                 crlfLines({"01/02/2002, -12.50 ,Food shop,GROCERIES-WEEKLY,u1,user field two",
                            "2002-01-03,(7.25),Fuel,CAR", "", "1/4/02,100.00-", "1/5/2002,+3",
                            "1/6/2002"}));
        // Nothing linked: refused before anything else.
        f.click("Command1");
        const MessageBox nothing = *f.port.lastMessage();
        QCOMPARE(nothing.title, QStringLiteral("Nothing to do!"));
        QCOMPARE(nothing.text, QStringLiteral("Records to be imported MUST have a least a Date "
                                              "field and an Amount field specified."));
        QCOMPARE(nothing.icon, Icon::Exclamation);
        f.linkTo("DateLink", 1);
        f.click("Command1");
        QCOMPARE(f.titles(), QStringList({"Nothing to do!", "Nothing to do!"}));

        f.linkFields({{"AmountLink", 2}, {"NoteLink", 3}, {"CatLink", 4}, {"UDF1Link", 5},
                      {"UDF2Link", 6}});
        f.port.clear();
        f.port.queueAnswer(Answer::No);
        f.click("Command1");
        const MessageBox ready = *f.port.lastMessage();
        QCOMPARE(ready.title, QStringLiteral("Ready..."));
        QCOMPARE(ready.text,
                 QStringLiteral(
                     "Ready to attempt data import. Please be advised that the import operation "
                     "cannot weed out duplicate records, nor can it tell whether or not the data "
                     "being imported is valid!\n\nIMPORTANT: if you have not recently run a data "
                     "backup then you are strongly advised to quit the import operation now and "
                     "do so!\n\nProceed?"));
        QCOMPARE(ready.icon, Icon::Question);
        QCOMPARE(ready.buttons, Buttons::YesNo);
        QCOMPARE(ready.defaultButton, Answer::No);
        QCOMPARE(f.titles(), QStringList({"Ready..."}));
        QCOMPARE(f.records().size(), std::size_t(2));

        f.port.clear();
        f.port.queueAnswer(Answer::Yes);
        f.click("Command1");
        QCOMPARE(f.titles(), QStringList({"Ready...", "Finished"}));
        QCOMPARE(f.port.lastMessage()->text, QStringLiteral("5") + kFinishedTail);
        QCOMPARE(f.port.lastMessage()->icon, Icon::Information);
        QVERIFY(!QGuiApplication::overrideCursor());
        auto* bar = f.child<QProgressBar>("ProgressBar1");
        QCOMPARE(bar->maximum(), 6);
        QCOMPARE(bar->value(), 6);

        const std::vector<LedgerRecord> recs = f.records();
        QCOMPARE(recs.size(), std::size_t(7));
        const struct {
            QDate date;
            store::Money amount;
            const char* note;
            const char* code;
            const char* user1;
            const char* user2;
        } want[] = {
            {{2002, 1, 2}, -125000, "Food shop", "GROCERIES-", "u1        ", "user field"},
            {{2002, 1, 3}, -72500, "Fuel", "CAR       ", "          ", "          "},
            {{2002, 1, 4}, -1000000, "", "          ", "          ", "          "},
            {{2002, 1, 5}, 30000, "", "          ", "          ", "          "},
            {{2002, 1, 6}, 0, "", "          ", "          ", "          "},
        };
        for (std::size_t i = 0; i < std::size(want); ++i) {
            const LedgerRecord& r = recs[i + 2];
            QCOMPARE(store::dateFromDay(r.entryDate), want[i].date);
            QCOMPARE(r.amount, want[i].amount);
            QCOMPARE(r.noteText().trimmed(), QLatin1String(want[i].note));
            QCOMPARE(r.categoryCodeText(), QLatin1String(want[i].code));
            QCOMPARE(r.userField1Text(), QLatin1String(want[i].user1));
            QCOMPARE(r.userField2Text(), QLatin1String(want[i].user2));
            QCOMPARE(r.recordNumber, double(i + 3));
            QCOMPARE(r.deletedFlag, 'N');
        }

        // The window stays open for another run.  The same lines again
        // repeat kept records: the user is asked, and may stop, skip them or
        // import them all.
        QVERIFY(f.w->isVisible());
        f.port.clear();
        f.port.queueAnswer(Answer::Yes);
        f.port.queueAnswer(Answer::Cancel);
        f.click("Command1");
        QCOMPARE(f.titles(), QStringList({"Ready...", "Possible duplicates"}));
        const MessageBox repeats = *f.port.lastMessage();
        QVERIFY2(repeats.text.startsWith(QLatin1String("5 lines of this file have the same date, "
                                                       "amount and note as a record already")),
                 qPrintable(repeats.text));
        QCOMPARE(repeats.buttons, Buttons::YesNoCancel);
        QCOMPARE(repeats.defaultButton, Answer::No);
        QCOMPARE(f.records().size(), std::size_t(7));

        f.port.clear();
        f.port.queueAnswer(Answer::Yes);
        f.port.queueAnswer(Answer::No);
        f.click("Command1");
        QCOMPARE(f.titles(), QStringList({"Ready...", "Possible duplicates", "Finished"}));
        QCOMPARE(f.port.lastMessage()->text, QStringLiteral("0") + kFinishedTail);
        QCOMPARE(f.records().size(), std::size_t(7));

        f.port.queueAnswer(Answer::Yes);
        f.port.queueAnswer(Answer::Yes);
        f.click("Command1");
        QCOMPARE(f.port.lastMessage()->text, QStringLiteral("5") + kFinishedTail);
        QCOMPARE(f.records().size(), std::size_t(12));
        QCOMPARE(f.port.pendingAnswers(), 0);
    }

    void skippedLinesAndOtherFiles()
    {
        Window f;
        // The date linked to field 3: lines with fewer fields are not counted.
        f.choose(QStringLiteral("x.txt"),
                 crlfLines({"\"-1\",\"n\",\"1/2/2002\"", "\"-2\",\"n\"", "\"-3\""}));
        f.linkFields({{"AmountLink", 1}, {"DateLink", 3}});
        f.port.queueAnswer(Answer::Yes);
        f.click("Command1");
        QCOMPARE(f.port.lastMessage()->text, QStringLiteral("1") + kFinishedTail);
        QCOMPARE(f.records().size(), std::size_t(1));

        // A file of another kind keeps no preview and imports nothing, even
        // with the links of an earlier file still set.
        f.choose(QStringLiteral("x.dat"), crlfLines({"\"-1\",\"n\",\"1/2/2002\""}));
        QCOMPARE(f.list()->count(), 0);
        f.port.queueAnswer(Answer::Yes);
        f.click("Command1");
        QCOMPARE(f.port.lastMessage()->title, QStringLiteral("Finished"));
        QCOMPARE(f.port.lastMessage()->text, QStringLiteral("0") + kFinishedTail);
        QCOMPARE(f.records().size(), std::size_t(1));
    }

    void failuresEndTheRun()
    {
        Window f;
        auto run = [&f] {
            f.port.clear();
            f.port.queueAnswer(Answer::Yes);
            f.click("Command1");
        };
        // A heading line of column names, not taken for a header by the
        // user, stops the run at its first line.
        f.choose(QStringLiteral("h.txt"),
                 crlfLines({"\"Date\",\"Amount\"", "\"1/2/2002\",\"1\""}));
        f.linkFields({{"DateLink", 1}, {"AmountLink", 2}});
        auto* header = f.child<QCheckBox>("HeaderLine");
        QVERIFY(header->isChecked());
        QTest::mouseClick(header, Qt::LeftButton);
        QVERIFY(!header->isChecked());
        run();
        QCOMPARE(f.titles(), QStringList({"Ready...", kErrorTitle}));
        const QString text = f.port.lastMessage()->text;
        QVERIFY2(text.contains(QLatin1String("line 1, field 1 (\"Date\") is not a date")),
                 qPrintable(text));
        QVERIFY(text.contains(QLatin1String("imported before this line: 0")));
        QVERIFY(text.contains(QLatin1String("Error number: 13")));
        QCOMPARE(f.port.lastMessage()->icon, Icon::Critical);
        QVERIFY(f.records().empty());
        QVERIFY(!QGuiApplication::overrideCursor());

        // Records before an unreadable amount stay; the failing one is not written.
        writeBytes(f.w->importFile(),
                   crlfLines({"\"1/2/2002\",\"1\"", "\"1/3/2002\",\"2\"", "\"1/4/2002\",\"x\"",
                              "\"1/5/2002\",\"4\""}));
        run();
        QCOMPARE(f.titles(), QStringList({"Ready...", kErrorTitle}));
        QVERIFY(f.port.lastMessage()->text.contains(QLatin1String("line 3, field 2")));
        QVERIFY(f.port.lastMessage()->text.contains(QLatin1String("imported before this line: 2")));
        QCOMPARE(f.records().size(), std::size_t(2));

        // A full disk while appending, in blocks of one record: the block
        // written before the failed one stays, and the message counts it.
        writeBytes(f.w->importFile(), crlfLines({"\"1/6/2002\",\"1\"", "\"1/7/2002\",\"2\""}));
        store::testing::setAppendBlockRecords(1);
        store::testing::failWritesAfter(1);
        run();
        store::testing::reset();
        store::testing::setAppendBlockRecords(0);
        QCOMPARE(f.titles(), QStringList({"Ready...", kErrorTitle}));
        QVERIFY(f.port.lastMessage()->text.contains(QLatin1String("Error number: 61")));
        QVERIFY(f.port.lastMessage()->text.contains(QLatin1String("imported before this line: 1")));
        QCOMPARE(f.records().size(), std::size_t(3));
        QCOMPARE(store::dateFromDay(f.records().back().entryDate), QDate(2002, 1, 6));

        // The same lines in one block: the failed block leaves nothing.
        writeBytes(f.w->importFile(), crlfLines({"\"1/8/2002\",\"1\"", "\"1/9/2002\",\"2\""}));
        const QByteArray before = readBytes(f.recordPath);
        store::testing::failWritesAfter(0, store::testing::Fault::ShortWrite);
        run();
        store::testing::reset();
        QCOMPARE(f.titles(), QStringList({"Ready...", kErrorTitle}));
        QVERIFY(f.port.lastMessage()->text.contains(QLatin1String("Error number: 61")));
        QVERIFY(f.port.lastMessage()->text.contains(QLatin1String("imported before this line: 0")));
        QCOMPARE(readBytes(f.recordPath), before);
    }

    void largeFileImportsEveryLine()
    {
        Window f;
        constexpr int kLines = 40000;
        QByteArray bytes;
        bytes.reserve(kLines * 20);
        for (int i = 1; i <= kLines; ++i)
            bytes += "1/2/2002,-" + QByteArray::number(i) + ",n\r\n";
        f.choose(QStringLiteral("big.csv"), bytes);
        QCOMPARE(f.w->lineCount(), qint64(kLines));
        QVERIFY(f.label1().endsWith(QLatin1String(" appears to contain 40000 records.")));
        f.linkFields({{"DateLink", 1}, {"AmountLink", 2}});
        f.port.queueAnswer(Answer::Yes);
        f.click("Command1");
        QCOMPARE(f.port.lastMessage()->text, QStringLiteral("40000") + kFinishedTail);
        QCOMPARE(f.child<QProgressBar>("ProgressBar1")->value(), kLines);
        const RecordFile file(f.recordPath);
        QCOMPARE(file.count(), qint64(kLines));
        const LedgerRecord last = file.read(kLines);
        QCOMPARE(last.recordNumber, double(kLines));
        QCOMPARE(last.amount, store::Money(-kLines) * store::kMoneyScale);
    }

    void isoDatesInEveryLocale()
    {
        const QDate dec7(2026, 12, 7);
        for (const auto& [language, country] :
             {std::pair{QLocale::English, QLocale::UnitedStates},
              std::pair{QLocale::English, QLocale::UnitedKingdom},
              std::pair{QLocale::German, QLocale::Germany}, std::pair{QLocale::Dutch, QLocale::Netherlands},
              std::pair{QLocale::Swedish, QLocale::Sweden}, std::pair{QLocale::Japanese, QLocale::Japan},
              std::pair{QLocale::French, QLocale::Canada}, std::pair{QLocale::Hungarian, QLocale::Hungary}}) {
            const QLocale l(language, country);
            QCOMPARE(imports::readImportDate(QStringLiteral("2026-12-07"), l), dec7);
            QCOMPARE(imports::readImportDate(QStringLiteral(" 2026-12-07 "), l), dec7);
            // The locale's own short date still reads.
            QCOMPARE(imports::readImportDate(store::formatShortDate(dec7, l), l), dec7);
            for (const char* bad : {"2026-02-30", "2026-13-01"})
                QVERIFY2(!imports::readImportDate(QLatin1String(bad), l).isValid(), bad);
        }
        // Not ISO, so not a date where the locale has no such form.
        QVERIFY(!imports::readImportDate(QStringLiteral("2026-12-7"),
                                         QLocale(QLocale::English, QLocale::UnitedStates))
                     .isValid());
    }

    // The quick reading of plain numeric dates: where it gives a date, the
    // locale's short-date reading (or ISO) gives the same one, across the
    // years and over day and month numbers out of range; and it does decide
    // the locale's own short dates, padded or not.
    void quickDatesAgreeWithTheLocale()
    {
        // The date in the pattern's order, "d" and "M" unpadded unless `pad`.
        auto fill = [](const QString& pattern, int y, int m, int d, bool pad) {
            QString out;
            for (qsizetype i = 0; i < pattern.size();) {
                const QChar c = pattern.at(i);
                qsizetype run = 1;
                while (i + run < pattern.size() && pattern.at(i + run) == c)
                    ++run;
                const int width = pad || run > 1 ? int(run) : 1;
                if (c == QLatin1Char('y'))
                    out += QStringLiteral("%1").arg(y, 4, 10, QLatin1Char('0'));
                else if (c == QLatin1Char('M') || c == QLatin1Char('d'))
                    out += QStringLiteral("%1").arg(c == QLatin1Char('M') ? m : d, pad ? 2 : width,
                                                    10, QLatin1Char('0'));
                else
                    out += pattern.mid(i, run);
                i += run;
            }
            return out;
        };
        int decided = 0;
        for (const auto& [language, country] :
             {std::pair{QLocale::English, QLocale::UnitedStates},
              std::pair{QLocale::English, QLocale::UnitedKingdom},
              std::pair{QLocale::German, QLocale::Germany}, std::pair{QLocale::Dutch, QLocale::Netherlands},
              std::pair{QLocale::Swedish, QLocale::Sweden}, std::pair{QLocale::Japanese, QLocale::Japan},
              std::pair{QLocale::French, QLocale::Canada}, std::pair{QLocale::Hungarian, QLocale::Hungary}}) {
            const QLocale l(language, country);
            const QString pattern = store::shortDatePattern(l);
            auto check = [&](const QString& text, bool mustDecide) {
                const QDate quick = imports::quickImportDate(text, l);
                const bool iso = text.size() == 10 && text.at(4) == QLatin1Char('-')
                    && text.at(7) == QLatin1Char('-') && text.at(0).isDigit();
                const QDate full = iso ? QDate::fromString(text, QStringLiteral("yyyy-MM-dd"))
                                       : store::parseShortDate(text, l);
                if (quick.isValid()) {
                    ++decided;
                    QVERIFY2(quick == full, qPrintable(l.name() + u' ' + text));
                    QCOMPARE(imports::readImportDate(text, l), full);
                } else if (mustDecide) {
                    QVERIFY2(false, qPrintable(l.name() + QStringLiteral(" left undecided: ") + text));
                }
            };
            for (QDate d(1899, 12, 1); d.year() < 2101; d = d.addDays(331)) {
                check(store::formatShortDate(d, l), true);
                check(d.toString(Qt::ISODate), true);
                check(fill(pattern, d.year(), d.month(), d.day(), false), true);
                check(fill(pattern, d.year(), d.month(), d.day(), true), false);
            }
            for (const int y : {1, 99, 100, 2000, 2001, 9999})
                for (int m = 0; m <= 13; ++m)
                    for (const int d : {0, 1, 9, 10, 28, 29, 30, 31, 32})
                        for (const bool pad : {false, true}) {
                            check(fill(pattern, y, m, d, pad), false);
                            check(QStringLiteral("%1-%2-%3")
                                      .arg(y, 4, 10, QLatin1Char('0'))
                                      .arg(m, 2, 10, QLatin1Char('0'))
                                      .arg(d, 2, 10, QLatin1Char('0')),
                                  false);
                        }
            for (const char* odd : {"1/2/2002 ", "1//2/2002", "1/2/20021", "123/1/2002",
                                    "1.2.2002", "1/2/-200", "+1/2/2002", "2002-1-02"})
                check(QLatin1String(odd), false);
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(decided > 8 * 4 * 200);
    }

    void readsUtf8AndWindows1252Files()
    {
        testsupport::Fixture fx;
        using imports::TextEncoding;
        QCOMPARE(imports::detectEncoding(QByteArray("plain ascii\r\n")), TextEncoding::Windows1252);
        QCOMPARE(imports::detectEncoding(QByteArray("caf\xc3\xa9 \xe2\x82\xac")), TextEncoding::Utf8);
        QCOMPARE(imports::detectEncoding(QByteArray("\xef\xbb\xbf" "abc")), TextEncoding::Windows1252);
        QCOMPARE(imports::detectEncoding(QByteArray("\xef\xbb\xbf" "\xc3\xa9")), TextEncoding::Utf8);
        // Not UTF-8: a lone Windows-1252 letter, an overlong form, a
        // surrogate, a code point beyond U+10FFFF, a sequence cut at the end.
        for (const QByteArray& bad : {QByteArray("caf\xe9"), QByteArray("\xc0\xaf"),
                                      QByteArray("\xed\xa0\x80"), QByteArray("\xf4\x90\x80\x80"),
                                      QByteArray("\xc3\xa9 \xe2\x82"), QByteArray("\xc3\xa9\x80")})
            QCOMPARE(imports::detectEncoding(bad), TextEncoding::Windows1252);

        // A character cut by the reader's block boundary is still whole.
        const QString split = fx.path(QStringLiteral("split.csv"));
        writeBytes(split, QByteArray(64 * 1024 - 1, 'a') + "\xc3\xa9\r\n");
        QCOMPARE(imports::detectEncoding(split), TextEncoding::Utf8);
        QCOMPARE(imports::firstLines(split, 1).front().right(2), QStringLiteral("a\u00e9"));
        // Reads shorter than the byte-order mark: the mark is still dropped
        // and not taken for a character beyond ASCII.
        const QString marked = fx.path(QStringLiteral("marked.csv"));
        writeBytes(marked, "\xef\xbb\xbf" "abc\r\nd");
        for (const qint64 size : {1, 2, 3}) {
            imports::testing::setReadSize(size);
            QCOMPARE(imports::detectEncoding(marked), TextEncoding::Windows1252);
            QCOMPARE(imports::firstLines(marked, 3), (QStringList{QStringLiteral("abc"), QStringLiteral("d")}));
        }
        imports::testing::setReadSize(0);

        // The three kinds a spreadsheet writes, each imported with its
        // accented note, the first line a date despite the mark.
        const QString note = QStringLiteral("Caf\u00e9 cr\u00e8me br\u00fbl\u00e9e");
        const QList<std::pair<const char*, QByteArray>> files = {
            {"bom.csv", "\xef\xbb\xbf" + note.toUtf8() + ",2026-12-07,-4.50\r\n"},
            {"utf8.csv", note.toUtf8() + ",2026-12-07,-4.50\r\n"},
            {"cp1252.csv", store::encode1252(note) + ",2026-12-07,-4.50\r\n"},
        };
        for (const auto& [name, bytes] : files) {
            Window f;
            f.choose(QLatin1String(name), bytes);
            QCOMPARE(f.listLines().at(1), QStringLiteral("1 = ") + note);
            f.linkFields({{"NoteLink", 1}, {"DateLink", 2}, {"AmountLink", 3}});
            f.port.queueAnswer(Answer::Yes);
            f.click("Command1");
            QCOMPARE(f.port.lastMessage()->text, QStringLiteral("1") + kFinishedTail);
            const std::vector<LedgerRecord> recs = f.records();
            QCOMPARE(recs.size(), std::size_t(1));
            QCOMPARE(recs.front().noteText().trimmed(), note);
            QCOMPARE(store::dateFromDay(recs.front().entryDate), QDate(2026, 12, 7));
        }
    }

    void previewShowsTheRecordsAsStored()
    {
        testsupport::pinLocale();
        const QStringList lines = {"Date,Amount,Note,Category", "2026-12-07,(12.50),Market ,FOOD",
                                   "12/8/2026,twelve,Bad,X", "", "12/9/2026,3,Pay,WAGES-AND-MORE"};
        const Links links{1, 2, 3, 4, 0, 0};
        QList<imports::PreviewRow> rows =
            imports::previewRecords(lines, SplitRule::Plain, links, true);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[0].status, imports::PreviewRow::Header);
        QCOMPARE(rows[1].status, imports::PreviewRow::Stored);
        QCOMPARE(rows[1].date, QStringLiteral("12/7/2026"));
        QCOMPARE(rows[1].amount, QStringLiteral("($12.50)"));
        QCOMPARE(rows[1].note, QStringLiteral("Market"));
        QCOMPARE(rows[1].category, QStringLiteral("FOOD"));
        QCOMPARE(rows[2].status, imports::PreviewRow::Unreadable);
        QVERIFY(rows[2].problem.contains(QLatin1String("\"twelve\"")));
        QVERIFY(!rows[2].dateUnreadable);
        QCOMPARE(rows[3].status, imports::PreviewRow::Skipped);
        QCOMPARE(rows[4].category, QStringLiteral("WAGES-AND-"));  // cut as stored
        QCOMPARE(rows[4].line, qint64(5));
        // Without the header box the first line is one the run stops at.
        rows = imports::previewRecords(lines, SplitRule::Plain, links, false);
        QCOMPARE(rows[0].status, imports::PreviewRow::Unreadable);
        QVERIFY(rows[0].dateUnreadable);

        // The header box's own setting: on when the date field holds no digit.
        QVERIFY(imports::looksLikeHeader({"Date", "Amount"}, Links{1, 2}));
        QVERIFY(imports::looksLikeHeader({"Amount"}, Links{2, 1}));
        QVERIFY(!imports::looksLikeHeader({"Booked 2026", "x"}, Links{1, 2}));
        QVERIFY(!imports::looksLikeHeader({"Date"}, Links{0, 1}));

        // In the window, beside the field list, and following the links.
        Window f;
        f.choose(QStringLiteral("p.csv"), crlfLines({"Date,Amount,Note", "2026-12-07,-1,a",
                                                     "2026-12-08,x,b"}));
        auto* preview = f.child<QTreeWidget>("RecordPreview");
        auto* header = f.child<QCheckBox>("HeaderLine");
        QCOMPARE(preview->topLevelItemCount(), 3);
        QVERIFY(!header->isChecked());  // nothing linked yet
        QCOMPARE(preview->topLevelItem(1)->text(1), QString());
        f.linkFields({{"DateLink", 1}, {"AmountLink", 2}, {"NoteLink", 3}});
        QVERIFY(header->isChecked());
        QCOMPARE(preview->topLevelItem(0)->text(3), QStringLiteral("(header line: skipped)"));
        QCOMPARE(preview->topLevelItem(1)->text(1), QStringLiteral("12/7/2026"));
        QCOMPARE(preview->topLevelItem(1)->text(2), QStringLiteral("($1.00)"));
        QCOMPARE(preview->topLevelItem(1)->text(3), QStringLiteral("a"));
        QVERIFY(preview->topLevelItem(2)->text(3).startsWith(QLatin1String("Cannot be read")));
        QCOMPARE(preview->topLevelItem(2)->text(2), QStringLiteral("?"));
        QVERIFY(preview->topLevelItem(2)->toolTip(3).contains(QLatin1String("(\"x\") is not an amount")));
        QVERIFY(preview->topLevelItem(2)->font(3).bold());
        QCOMPARE(preview->topLevelItem(2)->data(0, Qt::UserRole).toInt(),
                 int(imports::PreviewRow::Unreadable));
        QVERIFY(f.port.messagesShown().isEmpty());
    }

    void headerLineIsSkipped()
    {
        Window f;
        f.choose(QStringLiteral("h.csv"),
                 crlfLines({"Booking date,Amount,Text", "2026-12-07,-3,a", "2026-12-08,-4,b"}));
        f.linkFields({{"DateLink", 1}, {"AmountLink", 2}, {"NoteLink", 3}});
        QVERIFY(f.child<QCheckBox>("HeaderLine")->isChecked());
        f.port.queueAnswer(Answer::Yes);
        f.click("Command1");
        QCOMPARE(f.titles(), QStringList({"Ready...", "Finished"}));
        QCOMPARE(f.port.lastMessage()->text, QStringLiteral("2") + kFinishedTail);
        QCOMPARE(f.records().size(), std::size_t(2));

        // The box skips only a first line that is no date: a date there is
        // imported, and a later line that is no date still stops the run.
        Window g;
        g.choose(QStringLiteral("g.csv"),
                 crlfLines({"2026-12-07,-3,a", "Total,-3,sum", "2026-12-09,-5,c"}));
        g.linkFields({{"DateLink", 1}, {"AmountLink", 2}});
        auto* header = g.child<QCheckBox>("HeaderLine");
        QVERIFY(!header->isChecked());
        QTest::mouseClick(header, Qt::LeftButton);
        QVERIFY(header->isChecked());
        g.port.queueAnswer(Answer::Yes);
        g.click("Command1");
        QCOMPARE(g.titles(), QStringList({"Ready...", "Error - operation aborted"}));
        QVERIFY(g.port.lastMessage()->text.contains(QLatin1String("line 2, field 1")));
        QCOMPARE(g.records().size(), std::size_t(1));
    }

    void recordKeysTellRepeats()
    {
        testsupport::Fixture fx;
        const QString path = fx.path(QStringLiteral("fennick.dat"));
        RecordFile file(path);
        auto entry = [](double day, store::Money amount, const char* note) {
            LedgerRecord r;
            r.entryDate = day;
            r.amount = amount;
            r.setNote(QLatin1String(note));
            return r;
        };
        LedgerRecord kept = entry(46000.25, -50000, "Market");
        file.FileNewEntry(kept);
        LedgerRecord gone = entry(46001, -1, "Deleted");
        gone.deletedFlag = 'Y';
        file.FileNewEntry(gone);

        const imports::RecordKeys keys = imports::RecordKeys::fromRecordFile(path);
        QCOMPARE(keys.size(), std::size_t(1));
        QVERIFY(keys.contains(entry(46000, -50000, "Market")));  // the same day
        QVERIFY(!keys.contains(entry(46001, -50000, "Market")));
        QVERIFY(!keys.contains(entry(46000, -50001, "Market")));
        QVERIFY(!keys.contains(entry(46000, -50000, "market")));
        QVERIFY(!keys.contains(entry(46001, -1, "Deleted")));  // not a live record

        // Many keys, past every growth of the table.
        imports::RecordKeys many;
        for (int i = 0; i < 5000; ++i)
            many.add(entry(40000 + i % 97, i, "n"));
        many.add(entry(40000, 0, "n"));  // once only
        QCOMPARE(many.size(), std::size_t(5000));
        for (int i = 0; i < 5000; ++i)
            QVERIFY(many.contains(entry(40000 + i % 97, i, "n")));
        for (int i = 5000; i < 6000; ++i)
            QVERIFY(!many.contains(entry(40000 + i % 97, i, "n")));
        QVERIFY(!imports::RecordKeys().contains(kept));
    }

    void linksAreRememberedForFilesOfTheSameShape()
    {
        testsupport::Fixture fx;
        const QString memory = fx.path(QStringLiteral("fnk_link.dat"));
        QCOMPARE(imports::linkMemoryPath(fx.path(QStringLiteral("fennick.dat"))), memory);
        QVERIFY(!imports::recallLinks(memory, 3, QStringLiteral("a,b,c")));

        const QString first = QStringLiteral("Date,Amount,Caf\u00e9\tnote");
        imports::rememberLinks(memory, 3, first, Links{1, 2, 3, 0, 0, 0});
        imports::rememberLinks(memory, 4, first, Links{2, 1, 0, 0, 0, 4});
        QCOMPARE(imports::recallLinks(memory, 3, first)->note, 3);
        QCOMPARE(imports::recallLinks(memory, 4, first)->userField2, 4);
        QVERIFY(!imports::recallLinks(memory, 3, QStringLiteral("Date,Amount,Other")));
        // Kept again: the new links replace the old ones.
        imports::rememberLinks(memory, 3, first, Links{3, 2, 1, 0, 0, 0});
        const std::optional<Links> again = imports::recallLinks(memory, 3, first);
        QCOMPARE(again->date, 3);
        QCOMPARE(again->note, 1);
        QVERIFY(!QFileInfo::exists(memory + QStringLiteral(".wrk")));

        // Damaged lines are passed over; the newest shapes are kept.
        writeBytes(memory, testsupport::readBytes(memory) + "junk\r\n3\t1,2\tx\r\n-1\t1,2,3,4,5,6\ty\r\n");
        QCOMPARE(imports::recallLinks(memory, 3, first)->date, 3);
        for (int i = 0; i < imports::kRememberedShapes + 5; ++i)
            imports::rememberLinks(memory, 2, QString::number(i), Links{1, 2, 0, 0, 0, 0});
        QVERIFY(imports::recallLinks(memory, 2, QString::number(imports::kRememberedShapes + 4)));
        QVERIFY(imports::recallLinks(memory, 2, QStringLiteral("5")));
        QVERIFY(!imports::recallLinks(memory, 2, QStringLiteral("4")));
        QVERIFY(!imports::recallLinks(memory, 3, first));

        // In the window: links of a finished run come back for the next
        // file of that shape, and stay the user's to change.
        Window f;
        f.choose(QStringLiteral("jan.csv"), crlfLines({"Date,Amount,Text", "2026-01-07,-3,a"}));
        f.linkFields({{"DateLink", 1}, {"AmountLink", 2}, {"NoteLink", 3}});
        f.port.queueAnswer(Answer::No);  // stopped: nothing is remembered
        f.click("Command1");
        f.click("ClearFields");
        f.choose(QStringLiteral("jan.csv"), crlfLines({"Date,Amount,Text", "2026-01-07,-3,a"}));
        QVERIFY(f.link("DateLink")->text().isEmpty());
        f.linkFields({{"DateLink", 1}, {"AmountLink", 2}, {"NoteLink", 3}});
        f.port.queueAnswer(Answer::Yes);
        f.click("Command1");
        QCOMPARE(f.port.lastMessage()->title, QStringLiteral("Finished"));

        f.click("ClearFields");
        f.choose(QStringLiteral("feb.csv"), crlfLines({"Date,Amount,Text", "2026-02-07,-9,b"}));
        QCOMPARE(f.link("DateLink")->text(), QStringLiteral("1 "));
        QCOMPARE(f.link("AmountLink")->text(), QStringLiteral("2 "));
        QCOMPARE(f.link("NoteLink")->text(), QStringLiteral("3 "));
        QVERIFY(f.link("CatLink")->text().isEmpty());
        QCOMPARE(f.child<QTreeWidget>("RecordPreview")->topLevelItem(1)->text(2),
                 QStringLiteral("($9.00)"));
        f.linkTo("NoteLink", 1);
        QCOMPARE(f.link("NoteLink")->text(), QStringLiteral("1 "));

        // Another first line, or another number of fields: nothing filled in.
        f.click("ClearFields");
        f.choose(QStringLiteral("mar.csv"), crlfLines({"Date,Amount,Text,Extra", "2026-03-07,-9,b,c"}));
        QVERIFY(f.link("DateLink")->text().isEmpty());
    }

    void closingEmitsFinished()
    {
        Window f;
        QSignalSpy spy(f.w.get(), &ImportWindow::finished);
        f.click("Command2");
        QCOMPARE(spy.count(), 1);
        QVERIFY(!f.w->isVisible());
        f.w->show();
        QVERIFY(f.w->close());
        QCOMPARE(spy.count(), 2);
    }
};

QTEST_MAIN(ImportTest)
#include "test_import.moc"
