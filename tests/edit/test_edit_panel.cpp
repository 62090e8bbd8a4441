// The record edit panel: opening for a new or a stored record, reading the
// panel into a record, replacing and deleting, the date buttons, the pick
// lists of the user fields and what a failed write leaves behind.

#include "edit/EditPanel.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"
#include "platform/Colours.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

using namespace fnk;
using edit::EditContext;
using edit::EditPanel;
using platform::Answer;
using platform::Icon;
using store::LedgerRecord;
using store::Money;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace
{

const QString kNewFailed = QStringLiteral("\n\nNew record entry failed.");
const QString kNotReplaced = QStringLiteral("\n\nRecord not replaced.");
const QString kErrorTitle = QStringLiteral("Error - operation aborted");

LedgerRecord sample(int n, const QString& code = QStringLiteral("FOOD"))
{
    LedgerRecord r;
    r.entryDate = store::dayFromDate(QDate(2026, 1, 1).addDays(n));
    r.setCategoryCode(code);
    r.amount = (n % 2 ? -1 : 1) * (Money(n) * 10000 + 2500);
    r.setNote(QStringLiteral("  note %1").arg(n));
    r.setUserField1(QStringLiteral("Bank"));
    r.setUserField2(QStringLiteral("Joe"));
    r.recordNumber = n;
    return r;
}

QByteArray bytesOf(const std::vector<LedgerRecord>& records)
{
    QByteArray out;
    for (const LedgerRecord& r : records) {
        char buf[LedgerRecord::kSize];
        r.encode(buf);
        out.append(buf, LedgerRecord::kSize);
    }
    return out;
}

QByteArray fileOf(int count)
{
    std::vector<LedgerRecord> records;
    for (int n = 1; n <= count; ++n)
        records.push_back(sample(n));
    return bytesOf(records);
}

// One panel on its own, with the program's state in `ctx`.
struct Panel : testsupport::Fixture {
    EditContext ctx;
    std::unique_ptr<EditPanel> panel;

    Panel()
    {
        ctx.recordFile = path(QStringLiteral("fennick.dat"));
        ctx.dataFolder = folder();
        ctx.categoryFile = path(QStringLiteral("category.dat"));
        ctx.rememberedCode = QStringLiteral("FOOD      ");
        ctx.rememberedName = QStringLiteral("Food                ");
        ctx.user1Name = QStringLiteral("Account   ");
        ctx.user2Name = QStringLiteral("Payee     ");
        ctx.user1KeepsList = true;
        ctx.user2KeepsList = true;
        ctx.confirm = false;
        panel = std::make_unique<EditPanel>([this] { return ctx; });
        panel->resize(600, 220);
    }

    template <typename T = QWidget> T* child(const char* name) const
    {
        T* w = panel->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QLineEdit* box(const char* name) const { return child<QLineEdit>(name); }
    QComboBox* list(int field) const
    {
        return child<QComboBox>(field == 1 ? "UserList1" : "UserList2");
    }
    void click(const char* name) const
    {
        QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton);
    }
    void type(const char* name, const QString& text) const
    {
        QLineEdit* e = box(name);
        e->clear();
        QTest::keyClicks(e, text);
    }
    void typeUser(int field, const QString& text) const
    {
        QLineEdit* e = list(field)->lineEdit();
        e->clear();
        QTest::keyClicks(e, text);
    }
    QByteArray records() const { return readBytes(ctx.recordFile); }
    LedgerRecord record(qint64 n) const { return store::RecordFile(ctx.recordFile).read(n); }
    QByteArray pickFile(int field) const
    {
        return readBytes(path(QStringLiteral("udf%1.dat").arg(field)));
    }
    QStringList entries(int field) const
    {
        QStringList out;
        for (int i = 0; i < list(field)->count(); ++i)
            out << list(field)->itemText(i);
        return out;
    }
    QStringList titles() const
    {
        QStringList out;
        for (const platform::MessageBox& m : port.messagesShown())
            out << m.title;
        return out;
    }
    void newEntry()
    {
        panel->show();
        panel->mu_NewEntry();
    }
};

} // namespace

class EditPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void controlsCarryNamesCaptionsAndTips();
    void newEntryOpensEmptyWithRememberedCategory();
    void savedAmountTakesSignFromButton_data();
    void savedAmountTakesSignFromButton();
    void savedRecordFields();
    void emptyAmountSavesZero();
    void unreadableAmountWritesNothing_data();
    void unreadableAmountWritesNothing();
    void emptyCategoryIsRefused();
    void newRecordFollowsTheLast();
    void openShowsStoredRecord();
    void openOfMissingRecordChangesNothing();
    void replaceWritesOnlyThatRecord();
    void replaceInMacroModeKeepsDate();
    void deleteWritesRecordAsRead();
    void confirmationSetting_data();
    void confirmationSetting();
    void popupDeleteAnsweredNoLeavesOpenRecord();
    void closeWritesNothing();
    void staleNumberingWritesNothing_data();
    void staleNumberingWritesNothing();
    void dateButtons_data();
    void dateButtons();
    void pickListsRememberNewValuesOnce();
    void pickListRemoval();
    void failedSaveLeavesFilesAndPanel();
    void failedRecordWriteTakesBackPickListValue();
    void failedReplaceKeepsRecordAsRead();
};

void EditPanelTest::controlsCarryNamesCaptionsAndTips()
{
    Panel p;
    QCOMPARE(p.panel->objectName(), QStringLiteral("EditFrame"));
    QVERIFY(!p.panel->isVisible());
    QCOMPARE(p.panel->state(), EditPanel::State::Closed);

    struct Control {
        const char* name;
        const char* text;
        const char* tip;
    };
    const Control boxes[] = {
        {"DateBox", "date", ""},
        {"AmountBox", "amount", "Amount of income or expense"},
        {"CategoryCodeBox", "code", "Category code - click list on right to change"},
        {"CategoryBox", "category", "Category name - click list on right to change"},
        {"NoteBox", "note", "Type a short note here - up to 60 characters"},
    };
    for (const Control& c : boxes) {
        QCOMPARE(p.box(c.name)->text(), QString::fromUtf8(c.text));
        QCOMPARE(p.box(c.name)->toolTip(), QString::fromUtf8(c.tip));
    }
    const Control buttons[] = {
        {"DateDn", "<", "Change date - one day lower"},
        {"DateUp", ">", "Change date - one day higher"},
        {"DateDn30", "<30", "Change date - 30 days lower"},
        {"DateUp30", "30>", "Change date - 30 days higher"},
        {"TodayButton", "!", "Change date - make today"},
        {"UDF1Delete", nullptr, "Remove item from pick list"},
        {"UDF2Delete", nullptr, "Remove item from pick list"},
        {"NewIncomeButton", nullptr, "Save new income record"},
        {"NewExpenseButton", nullptr, "Save new expense record"},
        {"ReplaceIncomeButton", nullptr, "Replace this record - save as income"},
        {"ReplaceExpenseButton", nullptr, "Replace this record - save as expense"},
        {"DeleteButton", nullptr, "Delete record (CTRL-DEL)"},
        {"CloseButton", nullptr, "Quit record edit - no changes (ESC)"},
    };
    for (const Control& c : buttons) {
        if (c.text)
            QCOMPARE(p.child<QPushButton>(c.name)->text(), QString::fromUtf8(c.text));
        QCOMPARE(p.child<QPushButton>(c.name)->toolTip(), QString::fromUtf8(c.tip));
    }
    for (const char* name : {"DateBox", "CategoryCodeBox", "CategoryBox"})
        QVERIFY2(p.box(name)->isReadOnly(), name);
    QVERIFY(!p.box("AmountBox")->isReadOnly());
    QCOMPARE(p.box("NoteBox")->maxLength(), 60);
    QCOMPARE(p.child<QLabel>("User1Label")->text(), QStringLiteral("user def 1"));
    QCOMPARE(p.child<QLabel>("User2Label")->text(), QStringLiteral("user def 2"));
    for (int f : {1, 2}) {
        QVERIFY(p.list(f)->isEditable());
        QCOMPARE(p.list(f)->toolTip(),
                 QStringLiteral("Single or list of user-defined item(s). See Settings!"));
    }

    // Typing beyond 60 characters into the note keeps the first 60.
    p.newEntry();
    p.type("NoteBox", QString(75, QLatin1Char('n')));
    QCOMPARE(p.box("NoteBox")->text().size(), 60);
}

void EditPanelTest::newEntryOpensEmptyWithRememberedCategory()
{
    Panel p;
    writeBytes(p.path(QStringLiteral("udf1.dat")), "Bank\r\nCash\r\n");
    writeBytes(p.ctx.recordFile, fileOf(3));
    // Left as an expense from an earlier record: the new entry starts clean.
    QVERIFY(p.panel->openRecord(1));
    p.click("CloseButton");

    QSignalSpy opened(p.panel.get(), &EditPanel::openedForNew);
    p.newEntry();
    QCOMPARE(opened.count(), 1);
    QVERIFY(p.panel->isVisible());
    QCOMPARE(p.panel->state(), EditPanel::State::NewRecord);
    QCOMPARE(p.panel->selectedRecord(), 0.0);
    QCOMPARE(p.box("DateBox")->text(), QStringLiteral("12/7/2026"));
    QCOMPARE(p.box("CategoryCodeBox")->text(), p.ctx.rememberedCode);
    QCOMPARE(p.box("CategoryBox")->text(), p.ctx.rememberedName);
    QCOMPARE(p.box("AmountBox")->text(), QString());
    QCOMPARE(p.box("AmountBox")->palette().color(QPalette::Text), QColor(0, 0, 0));
    QCOMPARE(p.box("NoteBox")->text(), QString());
    QCOMPARE(p.list(1)->currentText(), QString());
    QCOMPARE(p.entries(1), QStringList({"Bank", "Cash"}));
    QCOMPARE(p.entries(2), QStringList());
    QVERIFY(QFileInfo::exists(p.path(QStringLiteral("udf2.dat")))); // created empty
    QCOMPARE(p.child<QLabel>("User1Label")->text(), QStringLiteral("Account   "));
    QCOMPARE(p.child<QLabel>("User2Label")->text(), QStringLiteral("Payee     "));
    for (const char* name : {"NewIncomeButton", "NewExpenseButton", "CloseButton"})
        QVERIFY2(p.child<QPushButton>(name)->isEnabled(), name);
    for (const char* name : {"DeleteButton", "ReplaceIncomeButton", "ReplaceExpenseButton"})
        QVERIFY2(!p.child<QPushButton>(name)->isEnabled(), name);

    // With all categories shown the code is blank and the name says so.
    p.click("CloseButton");
    p.ctx.rememberedCode = QString(10, QLatin1Char(' '));
    p.ctx.rememberedName = QStringLiteral("All Categories");
    p.newEntry();
    QCOMPARE(p.box("CategoryCodeBox")->text(), QString(10, QLatin1Char(' ')));
    QCOMPARE(p.box("CategoryBox")->text(), QStringLiteral("All Categories"));
}

void EditPanelTest::savedAmountTakesSignFromButton_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<qint64>("stored");
    QTest::newRow("expense with symbol, grouping, trailing minus")
        << QStringLiteral("$1,234.50-") << QStringLiteral("NewExpenseButton") << qint64(-12345000);
    QTest::newRow("same text as income")
        << QStringLiteral("$1,234.50-") << QStringLiteral("NewIncomeButton") << qint64(12345000);
    QTest::newRow("leading minus on income is dropped")
        << QStringLiteral("-12.5") << QStringLiteral("NewIncomeButton") << qint64(125000);
    QTest::newRow("spaces inside")
        << QStringLiteral(" 1 000 ") << QStringLiteral("NewExpenseButton") << qint64(-10000000);
    QTest::newRow("fifth decimal rounds half to even")
        << QStringLiteral("0.00005") << QStringLiteral("NewIncomeButton") << qint64(0);
    QTest::newRow("fifth decimal rounds up past half")
        << QStringLiteral("0.000051") << QStringLiteral("NewExpenseButton") << qint64(-1);
}

void EditPanelTest::savedAmountTakesSignFromButton()
{
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(qint64, stored);
    Panel p;
    p.newEntry();
    p.type("AmountBox", typed);
    p.click(button.toLatin1().constData());
    QCOMPARE(p.port.messagesShown().size(), 0);
    QCOMPARE(store::RecordFile(p.ctx.recordFile).count(), qint64(1));
    QCOMPARE(p.record(1).amount, Money(stored));
}

void EditPanelTest::savedRecordFields()
{
    Panel p;
    QSignalSpy saved(p.panel.get(), &EditPanel::closedAfterSave);
    p.newEntry();
    p.box("DateBox")->setText(QStringLiteral("1/1/2002"));
    p.panel->setCategory(QStringLiteral("TX        "), QStringLiteral("Taxes               "));
    p.type("AmountBox", QStringLiteral("12.50"));
    p.type("NoteBox", QStringLiteral(" quarterly "));
    p.typeUser(1, QStringLiteral("ABCDEFGHIJKL")); // 12 characters
    p.typeUser(2, QStringLiteral("Joe"));
    p.click("NewExpenseButton");

    QCOMPARE(saved.count(), 1);
    QVERIFY(!p.panel->isVisible());
    QCOMPARE(p.panel->state(), EditPanel::State::Closed);
    QCOMPARE(p.panel->selectedRecord(), 0.0);

    const QByteArray bytes = p.records();
    QCOMPARE(bytes.size(), 125);
    const LedgerRecord r = LedgerRecord::decode(bytes.constData());
    QCOMPARE(r.entryDate, double(QDate(1899, 12, 30).daysTo(QDate(2002, 1, 1))));
    QCOMPARE(r.categoryCodeText(), QStringLiteral("TX        "));
    QCOMPARE(r.amount, Money(-125000));
    QCOMPARE(r.noteText(), QStringLiteral(" quarterly ").leftJustified(60, QLatin1Char(' ')));
    QCOMPARE(r.userField1Text(), QStringLiteral("ABCDEFGHIJ"));
    QCOMPARE(r.userField2Text(), QStringLiteral("Joe       "));
    QCOMPARE(r.recordNumber, 1.0);
    QCOMPARE(bytes.at(114), 'N');
    QCOMPARE(bytes.mid(115, 10), QByteArray(10, ' '));

    // The code is written as the box holds it, left-aligned into ten.
    p.newEntry();
    p.panel->setCategory(QStringLiteral(" CAR"), QStringLiteral("Car"));
    p.type("AmountBox", QStringLiteral("1"));
    p.click("NewIncomeButton");
    QCOMPARE(p.record(2).categoryCodeText(), QStringLiteral(" CAR      "));
    QCOMPARE(p.record(2).recordNumber, 2.0);
}

void EditPanelTest::emptyAmountSavesZero()
{
    for (const QString& typed : {QString(), QStringLiteral("   ")}) {
        Panel p;
        p.newEntry();
        p.type("AmountBox", typed);
        p.click("NewExpenseButton");
        QCOMPARE(p.port.messagesShown().size(), 0);
        QCOMPARE(store::RecordFile(p.ctx.recordFile).count(), qint64(1));
        QCOMPARE(p.record(1).amount, Money(0));
        QCOMPARE(p.box("AmountBox")->text(), QStringLiteral("0"));
    }
}

void EditPanelTest::unreadableAmountWritesNothing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reason");
    QTest::newRow("two decimal separators")
        << QStringLiteral("1.2.3") << QStringLiteral("decimal separator");
    QTest::newRow("letters only") << QStringLiteral("abc") << QStringLiteral("no digits");
    QTest::newRow("only a minus") << QStringLiteral("-") << QStringLiteral("no digits");
    QTest::newRow("grouping after decimals")
        << QStringLiteral("1.234,5") << QStringLiteral("grouping");
    QTest::newRow("too large") << QStringLiteral("9999999999999999999")
                               << QStringLiteral("too large");
}

void EditPanelTest::unreadableAmountWritesNothing()
{
    QFETCH(QString, typed);
    QFETCH(QString, reason);

    // A new record.
    {
        Panel p;
        p.newEntry();
        p.type("AmountBox", typed);
        p.typeUser(1, QStringLiteral("Bank"));
        p.click("NewIncomeButton");
        const auto shown = p.port.messagesShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("Nothing to do!"));
        QCOMPARE(shown[0].icon, Icon::Information);
        QVERIFY2(shown[0].text.endsWith(kNewFailed), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(reason), qPrintable(shown[0].text));
        QVERIFY(shown[0].text.size() > kNewFailed.size() + 5);
        QCOMPARE(p.records(), QByteArray());
        QCOMPARE(p.pickFile(1), QByteArray()); // nothing remembered either
        QVERIFY(p.panel->isVisible());
        QCOMPARE(p.panel->state(), EditPanel::State::NewRecord);
        QCOMPARE(p.box("AmountBox")->text(), typed);
    }
    // A replace: refused before the question is asked.
    {
        Panel p;
        p.ctx.confirm = true;
        writeBytes(p.ctx.recordFile, fileOf(3));
        const QByteArray before = p.records();
        QVERIFY(p.panel->openRecord(2));
        p.type("AmountBox", typed);
        p.click("ReplaceExpenseButton");
        const auto shown = p.port.messagesShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("Nothing to do!"));
        QVERIFY2(shown[0].text.endsWith(kNotReplaced), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(reason), qPrintable(shown[0].text));
        QCOMPARE(p.records(), before);
        QCOMPARE(p.panel->state(), EditPanel::State::StoredRecord);
        QCOMPARE(p.panel->selectedRecord(), 2.0);
    }
}

void EditPanelTest::emptyCategoryIsRefused()
{
    for (const QString& code : {QString(10, QLatin1Char(' ')), QString()}) {
        Panel p;
        p.ctx.rememberedCode = code;
        p.ctx.rememberedName = QStringLiteral("All Categories");
        p.newEntry();
        p.type("AmountBox", QStringLiteral("5"));
        p.typeUser(1, QStringLiteral("Bank"));
        p.click("NewExpenseButton");
        const auto shown = p.port.messagesShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("Nothing to do!"));
        QCOMPARE(shown[0].icon, Icon::Information);
        QCOMPARE(shown[0].text,
                 QStringLiteral("You must specify a category for the new record - click the "
                                "category list on the right.\n\nNew record entry failed."));
        QCOMPARE(p.records(), QByteArray());
        QCOMPARE(p.pickFile(1), QByteArray());
        QCOMPARE(p.panel->state(), EditPanel::State::NewRecord);
        QVERIFY(p.panel->isVisible());

        // Picking a category then lets it save.
        p.panel->setCategory(QStringLiteral("FO        "), QStringLiteral("Food"));
        p.click("NewExpenseButton");
        QCOMPARE(store::RecordFile(p.ctx.recordFile).count(), qint64(1));
    }
}

void EditPanelTest::newRecordFollowsTheLast()
{
    Panel p;
    writeBytes(p.ctx.recordFile, fileOf(40));
    const QByteArray before = p.records();
    p.newEntry();
    p.type("AmountBox", QStringLiteral("7"));
    p.click("NewIncomeButton");
    const QByteArray after = p.records();
    QCOMPARE(after.size(), 41 * 125);
    QCOMPARE(after.left(40 * 125), before);
    QCOMPARE(p.record(41).recordNumber, 41.0);
    QCOMPARE(p.record(41).amount, Money(70000));
    QCOMPARE(p.panel->currentRecord().recordNumber, 41.0);
}

void EditPanelTest::openShowsStoredRecord()
{
    Panel p;
    store::CategoryEntry food;
    food.setCategoryCode(QStringLiteral("FOOD"));
    food.setCategoryName(QStringLiteral("Groceries"));
    store::CategoryFile(p.ctx.categoryFile).append(food);
    writeBytes(p.path(QStringLiteral("udf1.dat")), "Cash\r\nBank\r\n");

    std::vector<LedgerRecord> recs{sample(1), sample(2), sample(3, QStringLiteral("GONE"))};
    recs[0].amount = -125000;  // an expense of 12.50
    recs[1].amount = 12345000; // an income of 1234.50
    writeBytes(p.ctx.recordFile, bytesOf(recs));

    QSignalSpy opened(p.panel.get(), &EditPanel::openedForRecord);
    p.panel->show();
    QVERIFY(p.panel->openRecord(1));
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toDouble(), 1.0);
    QCOMPARE(p.panel->state(), EditPanel::State::StoredRecord);
    QCOMPARE(p.panel->selectedRecord(), 1.0);
    QCOMPARE(p.box("DateBox")->text(), QStringLiteral("1/2/2026"));
    QCOMPARE(p.box("AmountBox")->text(), QStringLiteral("12.5"));
    const QPalette typed = p.box("AmountBox")->palette();
    QVERIFY(typed.color(QPalette::Text).red() > 150 && typed.color(QPalette::Text).green() == 0);
    QVERIFY(platform::contrastRatio(typed.color(QPalette::Text), typed.color(QPalette::Base)) >= 4.5);
    QCOMPARE(p.box("CategoryCodeBox")->text(), QStringLiteral("FOOD      "));
    QCOMPARE(p.box("CategoryBox")->text(), QStringLiteral("Groceries           "));
    QCOMPARE(p.box("NoteBox")->text(), QStringLiteral("note 1"));
    QCOMPARE(p.list(1)->currentText(), QStringLiteral("Bank      "));
    QCOMPARE(p.list(2)->currentText(), QStringLiteral("Joe       "));
    QCOMPARE(p.entries(1), QStringList({"Cash", "Bank"}));
    QCOMPARE(p.child<QLabel>("User1Label")->text(), QStringLiteral("Account   "));
    for (const char* name : {"NewIncomeButton", "NewExpenseButton", "ReplaceIncomeButton",
                             "ReplaceExpenseButton", "DeleteButton", "CloseButton"})
        QVERIFY2(p.child<QPushButton>(name)->isEnabled(), name);
    QCOMPARE(p.panel->currentRecord().amount, Money(-125000));

    // Another row opens in the panel in its place: an income shows black.
    QVERIFY(p.panel->openRecord(2));
    QCOMPARE(p.panel->selectedRecord(), 2.0);
    QCOMPARE(p.box("AmountBox")->text(), QStringLiteral("1234.5"));
    QCOMPARE(p.box("AmountBox")->palette().color(QPalette::Text), QColor(0, 0, 0));

    // A code without a category shows no name, not the one before.
    QVERIFY(p.panel->openRecord(3));
    QCOMPARE(p.box("CategoryCodeBox")->text(), QStringLiteral("GONE      "));
    QCOMPARE(p.box("CategoryBox")->text(), QString());
}

void EditPanelTest::openOfMissingRecordChangesNothing()
{
    Panel p;
    writeBytes(p.ctx.recordFile, fileOf(3));
    QVERIFY(!p.panel->openRecord(4));
    QVERIFY(!p.panel->openRecord(0));
    QCOMPARE(p.panel->state(), EditPanel::State::Closed);
    QVERIFY(!p.panel->isVisible());

    // Open on record 2, then a bad row: still record 2, as it was read.
    QVERIFY(p.panel->openRecord(2));
    QVERIFY(!p.panel->openRecord(9));
    QCOMPARE(p.panel->selectedRecord(), 2.0);
    QCOMPARE(p.panel->currentRecord().recordNumber, 2.0);
    QCOMPARE(p.box("NoteBox")->text(), QStringLiteral("note 2"));
    QCOMPARE(p.port.messagesShown().size(), 0);
}

void EditPanelTest::replaceWritesOnlyThatRecord()
{
    Panel p;
    writeBytes(p.ctx.recordFile, fileOf(10));
    const QByteArray before = p.records();
    QSignalSpy saved(p.panel.get(), &EditPanel::closedAfterSave);

    QVERIFY(p.panel->openRecord(7));
    p.type("AmountBox", QStringLiteral("99.99"));
    p.type("NoteBox", QStringLiteral("changed"));
    p.typeUser(2, QStringLiteral("Ann"));
    p.panel->setCategory(QStringLiteral("TX        "), QStringLiteral("Taxes"));
    p.click("ReplaceIncomeButton");

    QCOMPARE(saved.count(), 1);
    QCOMPARE(p.panel->state(), EditPanel::State::Closed);
    QCOMPARE(p.panel->selectedRecord(), 0.0);
    const QByteArray after = p.records();
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(750), before.left(750));
    QCOMPARE(after.mid(875), before.mid(875));
    QVERIFY(after.mid(750, 125) != before.mid(750, 125));

    const LedgerRecord r = p.record(7);
    QCOMPARE(r.amount, Money(999900));
    QCOMPARE(r.noteText().trimmed(), QStringLiteral("changed"));
    QCOMPARE(r.userField2Text(), QStringLiteral("Ann       "));
    QCOMPARE(r.categoryCodeText(), QStringLiteral("TX        "));
    QCOMPARE(r.entryDate, sample(7).entryDate);
    QCOMPARE(r.recordNumber, 7.0);
    QCOMPARE(r.deletedFlag, 'N');

    // A replace of a deleted record clears the mark; an expense is negated.
    std::vector<LedgerRecord> recs{sample(1), sample(2)};
    recs[1].deletedFlag = 'Y';
    recs[1].recordNumber = 5; // carried as read
    writeBytes(p.ctx.recordFile, bytesOf(recs));
    QVERIFY(p.panel->openRecord(2));
    p.type("AmountBox", QStringLiteral("3"));
    p.click("ReplaceExpenseButton");
    QCOMPARE(p.record(2).amount, Money(-30000));
    QCOMPARE(p.record(2).deletedFlag, 'N');
    QCOMPARE(p.record(2).recordNumber, 5.0);
}

void EditPanelTest::replaceInMacroModeKeepsDate()
{
    for (const bool macro : {false, true}) {
        Panel p;
        p.ctx.macroMode = macro;
        p.ctx.recordFile = p.path(QStringLiteral("rent.fnk"));
        writeBytes(p.ctx.recordFile, fileOf(3));
        QVERIFY(p.panel->openRecord(2));
        p.click("DateUp");
        p.click("ReplaceIncomeButton");
        const double expected = sample(2).entryDate + (macro ? 0 : 1);
        QCOMPARE(p.record(2).entryDate, expected);
        QVERIFY(!QFileInfo::exists(p.path(QStringLiteral("fennick.dat"))));
    }

    // Macro edit mode turns the date steps off; opening a record then
    // leaves them off and does not focus "!".
    Panel p;
    writeBytes(p.ctx.recordFile, fileOf(2));
    p.panel->show();
    p.panel->setDateStepsEnabled(false);
    QVERIFY(p.panel->openRecord(1));
    p.newEntry();
    for (const char* name : {"DateDn", "DateUp", "DateDn30", "DateUp30", "TodayButton"})
        QVERIFY2(!p.child<QPushButton>(name)->isEnabled(), name);
    const QString date = p.box("DateBox")->text();
    p.click("DateUp");
    QCOMPARE(p.box("DateBox")->text(), date);
    p.panel->setDateStepsEnabled(true);
    p.click("DateUp");
    QCOMPARE(p.box("DateBox")->text(), QStringLiteral("12/8/2026"));
}

void EditPanelTest::deleteWritesRecordAsRead()
{
    Panel p;
    writeBytes(p.ctx.recordFile, fileOf(5));
    const QByteArray before = p.records();
    QVERIFY(p.panel->openRecord(3));
    p.type("AmountBox", QStringLiteral("500"));
    p.type("NoteBox", QStringLiteral("typed but not saved"));
    p.click("DeleteButton");

    QCOMPARE(p.panel->state(), EditPanel::State::Closed);
    QCOMPARE(p.panel->selectedRecord(), 0.0);
    QByteArray expected = before;
    expected[2 * 125 + 114] = 'Y';
    QCOMPARE(p.records(), expected);
    QCOMPARE(p.record(3).amount, sample(3).amount);
}

void EditPanelTest::confirmationSetting_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<int>("answer"); // -1: none queued
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("question");
    const QString rep = QStringLiteral("Replace record?");
    const QString del = QStringLiteral("Delete record?");
    QTest::newRow("replace, setting off")
        << "ReplaceIncomeButton" << false << -1 << true << QString();
    QTest::newRow("delete, setting off") << "DeleteButton" << false << -1 << true << QString();
    QTest::newRow("replace, No") << "ReplaceIncomeButton" << true << int(Answer::No) << false
                                 << rep;
    QTest::newRow("replace, Yes") << "ReplaceExpenseButton" << true << int(Answer::Yes) << true
                                  << rep;
    QTest::newRow("delete, No") << "DeleteButton" << true << int(Answer::No) << false << del;
    QTest::newRow("delete, Yes") << "DeleteButton" << true << int(Answer::Yes) << true << del;
}

void EditPanelTest::confirmationSetting()
{
    QFETCH(QString, command);
    QFETCH(bool, confirm);
    QFETCH(int, answer);
    QFETCH(bool, written);
    QFETCH(QString, question);

    Panel p;
    p.ctx.confirm = confirm;
    writeBytes(p.ctx.recordFile, fileOf(4));
    const QByteArray before = p.records();
    if (answer >= 0)
        p.port.queueAnswer(Answer(answer));
    QVERIFY(p.panel->openRecord(4));
    p.type("AmountBox", QStringLiteral("1"));
    p.click(command.toLatin1().constData());

    const auto shown = p.port.messagesShown();
    if (question.isEmpty()) {
        QCOMPARE(shown.size(), 0);
    } else {
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("Confirm"));
        QCOMPARE(shown[0].text, question);
        QCOMPARE(shown[0].icon, Icon::Question);
        QCOMPARE(shown[0].buttons, platform::Buttons::YesNo);
    }
    QCOMPARE(p.port.pendingAnswers(), 0);
    QCOMPARE(p.records() != before, written);
    if (written) {
        QCOMPARE(p.panel->state(), EditPanel::State::Closed);
    } else {
        QCOMPARE(p.panel->state(), EditPanel::State::StoredRecord);
        QCOMPARE(p.panel->selectedRecord(), 4.0);
        QVERIFY(p.panel->isVisible());
        QCOMPARE(p.box("AmountBox")->text(), QStringLiteral("1"));
    }
}

void EditPanelTest::popupDeleteAnsweredNoLeavesOpenRecord()
{
    Panel p;
    p.ctx.confirm = true;
    writeBytes(p.ctx.recordFile, fileOf(5));
    const QByteArray before = p.records();
    QVERIFY(p.panel->openRecord(2));

    // The list's pop-up deletes another row; No keeps record 2 open as read.
    p.port.queueAnswer(Answer::No);
    QVERIFY(!p.panel->deleteRecord(4));
    QCOMPARE(p.records(), before);
    QCOMPARE(p.panel->selectedRecord(), 2.0);
    QCOMPARE(p.panel->currentRecord().recordNumber, 2.0);

    // Replace now still goes to record 2.
    p.type("AmountBox", QStringLiteral("8"));
    p.port.queueAnswer(Answer::Yes);
    p.click("ReplaceIncomeButton");
    QCOMPARE(p.record(2).amount, Money(80000));
    QCOMPARE(p.record(4).deletedFlag, 'N');

    // Yes marks the row's record.
    QSignalSpy saved(p.panel.get(), &EditPanel::closedAfterSave);
    p.port.queueAnswer(Answer::Yes);
    QVERIFY(p.panel->deleteRecord(4));
    QCOMPARE(p.record(4).deletedFlag, 'Y');
    QCOMPARE(p.record(4).amount, sample(4).amount);
    QCOMPARE(saved.count(), 1);
}

void EditPanelTest::closeWritesNothing()
{
    Panel p;
    writeBytes(p.ctx.recordFile, fileOf(3));
    const QByteArray before = p.records();
    QSignalSpy closed(p.panel.get(), &EditPanel::closedWithoutSave);
    QSignalSpy saved(p.panel.get(), &EditPanel::closedAfterSave);

    QVERIFY(p.panel->openRecord(3));
    p.type("AmountBox", QStringLiteral("77"));
    p.click("CloseButton");
    QCOMPARE(closed.count(), 1);
    QCOMPARE(p.panel->selectedRecord(), 0.0);
    QVERIFY(!p.panel->isVisible());

    // Esc in the panel closes it too.
    p.newEntry();
    p.type("AmountBox", QStringLiteral("5"));
    QTest::keyClick(p.box("AmountBox"), Qt::Key_Escape);
    QCOMPARE(closed.count(), 2);
    QCOMPARE(p.panel->state(), EditPanel::State::Closed);

    QCOMPARE(saved.count(), 0);
    QCOMPARE(p.records(), before);
    QCOMPARE(p.port.messagesShown().size(), 0);
}

void EditPanelTest::staleNumberingWritesNothing_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<bool>("stored");
    QTest::newRow("replace income") << QByteArray("ReplaceIncomeButton") << true;
    QTest::newRow("replace expense") << QByteArray("ReplaceExpenseButton") << true;
    QTest::newRow("delete") << QByteArray("DeleteButton") << true;
    QTest::newRow("new income") << QByteArray("NewIncomeButton") << false;
    QTest::newRow("new expense") << QByteArray("NewExpenseButton") << false;
}

// The record file was renumbered (or is another) after the panel opened:
// every writing button closes the panel as Esc does and writes nothing,
// even with the new file in the context.
void EditPanelTest::staleNumberingWritesNothing()
{
    QFETCH(QByteArray, button);
    QFETCH(bool, stored);
    Panel p;
    writeBytes(p.ctx.recordFile, fileOf(3));
    const QString other = p.path(QStringLiteral("other.fnk"));
    writeBytes(other, fileOf(3));
    const QByteArray before = p.records();
    QSignalSpy closed(p.panel.get(), &EditPanel::closedWithoutSave);
    QSignalSpy saved(p.panel.get(), &EditPanel::closedAfterSave);

    p.ctx.recordEpoch = 4;
    if (stored)
        QVERIFY(p.panel->openRecord(2));
    else
        p.newEntry();
    p.type("AmountBox", QStringLiteral("99"));
    p.ctx.recordEpoch = 5;
    p.ctx.recordFile = other;
    p.click(button.constData());

    QCOMPARE(closed.count(), 1);
    QCOMPARE(saved.count(), 0);
    QCOMPARE(p.panel->state(), EditPanel::State::Closed);
    QCOMPARE(readBytes(p.path(QStringLiteral("fennick.dat"))), before);
    QCOMPARE(readBytes(other), before);
    QVERIFY(p.port.messagesShown().isEmpty());

    // Opened again under the new count, the same button writes.
    if (stored)
        QVERIFY(p.panel->openRecord(2));
    else
        p.newEntry();
    p.type("AmountBox", QStringLiteral("99"));
    p.click(button.constData());
    QCOMPARE(saved.count(), 1);
    QVERIFY(readBytes(other) != before);
}

void EditPanelTest::dateButtons_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("result");
    QTest::newRow("31 Jan + month") << "1/31/2026"
                                    << "DateUp30"
                                    << "2/28/2026";
    QTest::newRow("31 Jan + month, leap year") << "1/31/2024"
                                               << "DateUp30"
                                               << "2/29/2024";
    QTest::newRow("1 Mar 2000 - day") << "3/1/2000"
                                      << "DateDn"
                                      << "2/29/2000";
    QTest::newRow("1 Mar 1900 - day") << "3/1/1900"
                                      << "DateDn"
                                      << "2/28/1900";
    QTest::newRow("31 Mar - month") << "3/31/2026"
                                    << "DateDn30"
                                    << "2/28/2026";
    QTest::newRow("15 Jan - month") << "1/15/2026"
                                    << "DateDn30"
                                    << "12/15/2025";
    QTest::newRow("31 Dec + day") << "12/31/2026"
                                  << "DateUp"
                                  << "1/1/2027";
    QTest::newRow("today") << "5/5/1999"
                           << "TodayButton"
                           << "12/7/2026";
    QTest::newRow("not a date stays") << "date"
                                      << "DateUp"
                                      << "date";
}

void EditPanelTest::dateButtons()
{
    QFETCH(QString, start);
    QFETCH(QString, button);
    QFETCH(QString, result);
    Panel p;
    p.newEntry();
    p.box("DateBox")->setText(start);
    p.click(button.toLatin1().constData());
    QCOMPARE(p.box("DateBox")->text(), result);
}

void EditPanelTest::pickListsRememberNewValuesOnce()
{
    Panel p;
    const auto save = [&](const QString& one, const QString& two) {
        p.newEntry();
        p.type("AmountBox", QStringLiteral("1"));
        p.typeUser(1, one);
        p.typeUser(2, two);
        p.click("NewExpenseButton");
        QCOMPARE(p.panel->state(), EditPanel::State::Closed);
    };

    save(QStringLiteral("Bank"), QStringLiteral("Joe"));
    save(QStringLiteral("Bank"), QStringLiteral(" Joe "));
    QCOMPARE(p.pickFile(1), QByteArray("Bank\r\n"));
    QCOMPARE(p.pickFile(2), QByteArray("Joe\r\n"));

    // Letter case makes a new value; a long one is kept as its first ten.
    save(QStringLiteral("bank"), QStringLiteral("ABCDEFGHIJKLMN"));
    save(QStringLiteral("bank"), QStringLiteral("ABCDEFGHIJKLMN"));
    QCOMPARE(p.pickFile(1), QByteArray("Bank\r\nbank\r\n"));
    QCOMPARE(p.pickFile(2), QByteArray("Joe\r\nABCDEFGHIJ\r\n"));

    // Empty or all-space values add nothing.
    save(QString(), QStringLiteral("   "));
    QCOMPARE(p.pickFile(1), QByteArray("Bank\r\nbank\r\n"));
    QCOMPARE(p.pickFile(2), QByteArray("Joe\r\nABCDEFGHIJ\r\n"));

    // The lists offer what the files hold, the next time the panel opens.
    p.newEntry();
    QCOMPARE(p.entries(1), QStringList({"Bank", "bank"}));

    // A field whose flag is not "Y" remembers nothing, but still offers its list.
    p.click("CloseButton");
    p.ctx.user1KeepsList = false;
    save(QStringLiteral("Card"), QStringLiteral("Ann"));
    QCOMPARE(p.pickFile(1), QByteArray("Bank\r\nbank\r\n"));
    QCOMPARE(p.pickFile(2), QByteArray("Joe\r\nABCDEFGHIJ\r\nAnn\r\n"));
    p.newEntry();
    QCOMPARE(p.entries(1), QStringList({"Bank", "bank"}));
    QCOMPARE(store::RecordFile(p.ctx.recordFile).count(), qint64(6));
    QCOMPARE(p.record(6).userField1Text(), QStringLiteral("Card      "));

    // A replace remembers values too.
    p.click("CloseButton");
    p.ctx.user1KeepsList = true;
    QVERIFY(p.panel->openRecord(6));
    p.typeUser(1, QStringLiteral("Visa"));
    p.click("ReplaceExpenseButton");
    QCOMPARE(p.pickFile(1), QByteArray("Bank\r\nbank\r\nVisa\r\n"));
}

void EditPanelTest::pickListRemoval()
{
    Panel p;
    const QString udf1 = p.path(QStringLiteral("udf1.dat"));
    writeBytes(udf1, "Bank\r\nCash\r\nCash\r\nCard\r\n");
    writeBytes(p.path(QStringLiteral("udf2.dat")), "Cash\r\n");
    p.newEntry();
    QCOMPARE(p.entries(1), QStringList({"Bank", "Cash", "Cash", "Card"}));

    // No keeps the list.
    p.typeUser(1, QStringLiteral("Cash"));
    p.port.queueAnswer(Answer::No);
    p.click("UDF1Delete");
    const auto shown = p.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Confirm"));
    QCOMPARE(shown[0].text, QStringLiteral("Remove item Cash from pick list?"));
    QCOMPARE(shown[0].icon, Icon::Question);
    QCOMPARE(readBytes(udf1), QByteArray("Bank\r\nCash\r\nCash\r\nCard\r\n"));

    // Yes drops every copy, through the work file, and reloads the entries.
    writeBytes(p.path(QStringLiteral("udf1.tmp")), "left over\r\n");
    p.typeUser(1, QStringLiteral(" Cash "));
    p.port.queueAnswer(Answer::Yes);
    p.click("UDF1Delete");
    QCOMPARE(readBytes(udf1), QByteArray("Bank\r\nCard\r\n"));
    QVERIFY(!QFileInfo::exists(p.path(QStringLiteral("udf1.tmp"))));
    QCOMPARE(p.entries(1), QStringList({"Bank", "Card"}));
    // The other list is a file of its own.
    QCOMPARE(p.pickFile(2), QByteArray("Cash\r\n"));
    QCOMPARE(p.entries(2), QStringList({"Cash"}));

    // The second field's button works on the second list.
    p.list(2)->setCurrentIndex(0);
    p.port.queueAnswer(Answer::Yes);
    p.click("UDF2Delete");
    QCOMPARE(p.pickFile(2), QByteArray());
    QCOMPARE(p.entries(2), QStringList());
    QCOMPARE(p.port.pendingAnswers(), 0);
}

void EditPanelTest::failedSaveLeavesFilesAndPanel()
{
    // The record write fails.
    {
        Panel p;
        writeBytes(p.ctx.recordFile, fileOf(40));
        const QByteArray before = p.records();
        QSignalSpy saved(p.panel.get(), &EditPanel::closedAfterSave);
        p.newEntry();
        p.type("AmountBox", QStringLiteral("25"));
        p.type("NoteBox", QStringLiteral("keep me"));
        store::testing::failWritesAfter(0);
        p.click("NewExpenseButton");
        store::testing::reset();

        const auto shown = p.port.messagesShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, kErrorTitle);
        QCOMPARE(shown[0].icon, Icon::Critical);
        QVERIFY(shown[0].text.contains(QStringLiteral("Error number: 61")));
        QCOMPARE(p.records(), before);
        QCOMPARE(saved.count(), 0);
        QCOMPARE(p.panel->state(), EditPanel::State::NewRecord);
        QVERIFY(p.panel->isVisible());
        QCOMPARE(p.box("AmountBox")->text(), QStringLiteral("25"));
        QCOMPARE(p.box("NoteBox")->text(), QStringLiteral("keep me"));

        // Once the disk takes writes again the same panel saves.
        p.click("NewExpenseButton");
        QCOMPARE(saved.count(), 1);
        QCOMPARE(p.record(41).amount, Money(-250000));
    }
    // The pick-list write fails first: neither file changes.
    {
        Panel p;
        writeBytes(p.ctx.recordFile, fileOf(2));
        writeBytes(p.path(QStringLiteral("udf1.dat")), "Bank\r\n");
        const QByteArray before = p.records();
        p.newEntry();
        p.type("AmountBox", QStringLiteral("25"));
        p.typeUser(1, QStringLiteral("Cash"));
        store::testing::failWritesAfter(0);
        p.click("NewIncomeButton");
        store::testing::reset();
        QCOMPARE(p.titles(), QStringList({kErrorTitle}));
        QCOMPARE(p.records(), before);
        QCOMPARE(p.pickFile(1), QByteArray("Bank\r\n"));
        QCOMPARE(p.panel->state(), EditPanel::State::NewRecord);
    }
    // Removing from a pick list fails: the list and the entries stay.
    {
        Panel p;
        writeBytes(p.path(QStringLiteral("udf1.dat")), "Bank\r\nCash\r\n");
        p.newEntry();
        p.typeUser(1, QStringLiteral("Cash"));
        p.port.queueAnswer(Answer::Yes);
        store::testing::failWritesAfter(0);
        p.click("UDF1Delete");
        store::testing::reset();
        QCOMPARE(p.titles(), QStringList({"Confirm", kErrorTitle}));
        QCOMPARE(p.pickFile(1), QByteArray("Bank\r\nCash\r\n"));
        QCOMPARE(p.entries(1), QStringList({"Bank", "Cash"}));
    }
}

void EditPanelTest::failedRecordWriteTakesBackPickListValue()
{
    Panel p;
    // A record file that cannot be opened for writing: a folder in its place.
    p.ctx.recordFile = p.path(QStringLiteral("ledger"));
    QVERIFY(QDir(p.folder()).mkdir(QStringLiteral("ledger")));
    writeBytes(p.path(QStringLiteral("udf1.dat")), "Bank\r\n");
    writeBytes(p.path(QStringLiteral("udf2.dat")), "Joe\r\n");
    p.newEntry();
    p.type("AmountBox", QStringLiteral("3"));
    p.typeUser(1, QStringLiteral("Cash"));
    p.typeUser(2, QStringLiteral("Ann"));
    p.click("NewExpenseButton");
    QCOMPARE(p.titles(), QStringList({kErrorTitle}));
    QCOMPARE(p.pickFile(1), QByteArray("Bank\r\n"));
    QCOMPARE(p.pickFile(2), QByteArray("Joe\r\n"));
    QCOMPARE(p.panel->state(), EditPanel::State::NewRecord);
    QCOMPARE(p.list(1)->currentText(), QStringLiteral("Cash"));
}

void EditPanelTest::failedReplaceKeepsRecordAsRead()
{
    Panel p;
    writeBytes(p.ctx.recordFile, fileOf(5));
    const QByteArray before = p.records();
    QVERIFY(p.panel->openRecord(2));
    p.type("AmountBox", QStringLiteral("1000"));
    store::testing::failWritesAfter(0);
    p.click("ReplaceIncomeButton");
    store::testing::reset();
    QCOMPARE(p.titles(), QStringList({kErrorTitle}));
    QCOMPARE(p.records(), before);
    QCOMPARE(p.panel->state(), EditPanel::State::StoredRecord);
    QCOMPARE(p.panel->selectedRecord(), 2.0);

    // A delete after the failed replace writes the record as it was read.
    p.click("DeleteButton");
    QByteArray expected = before;
    expected[125 + 114] = 'Y';
    QCOMPARE(p.records(), expected);
}

QTEST_MAIN(EditPanelTest)
#include "test_edit_panel.moc"
