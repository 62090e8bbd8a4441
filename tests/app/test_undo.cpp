// Undo and redo through the real window: after Undo the files of the data
// set are byte for byte as before the command, after Redo as after it, along
// a chain of different commands; the menu names what it would undo; a file
// changed behind the program's back is refused and left alone.
#include "AppHarness.h"

#include "platform/Accessibility.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

using namespace fnk;
using platform::Answer;

namespace {

store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

// The files undo keeps, each as its bytes, or "-" when it is missing.
QStringList dataSet(const AppHarness& h)
{
    QStringList out;
    for (const char* name : {"fennick.dat", "category.dat", "udf1.dat", "udf2.dat", "fnk_seen.txt"}) {
        const QString p = h.path(QLatin1String(name));
        out << (QFile::exists(p) ? QString::fromLatin1(testsupport::readBytes(p).toHex()) : QStringLiteral("-"));
    }
    return out;
}

int categoryRow(const AppHarness& h, const char* code)
{
    const auto* cats = h.window->categoryModel();
    for (int r = 0; r < cats->rowCount(); ++r)
        if (cats->rowAt(r).code.trimmed() == QLatin1String(code))
            return r;
    return -1;
}

QString caption(QAction* a) { return platform::withoutMarks(a->text()); }

struct Command {
    const char* undoText;
    std::function<void(AppHarness&)> run;
};

void newRecord(AppHarness& h, const char* amount, const char* note, const char* pick)
{
    h.action("mu_NewEntry")->trigger();
    AppHarness::clickRow(h.child<QTableView>("CategoryGrid"), 0);
    h.child<QLineEdit>("AmountBox")->setText(QLatin1String(amount));
    h.child<QLineEdit>("NoteBox")->setText(QLatin1String(note));
    h.child<QComboBox>("UserList1")->setEditText(QLatin1String(pick));
    QTest::mouseClick(h.child<QPushButton>("NewExpenseButton"), Qt::LeftButton);
}

void writeMacro(const QString& path)
{
    store::RecordFile f(path);
    for (int i = 1; i <= 2; ++i) {
        store::LedgerRecord r;
        r.entryDate = store::dayFromDate(QDate(1999, 1, i));
        r.amount = -dollars(10 * i);
        r.setCategoryCode("FO");
        r.setNote(QStringLiteral("bill %1").arg(i));
        f.FileNewEntry(r);
    }
}

}  // namespace

class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void chainOfCommandsUndoneAndRedone()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addCategory("SH", "Shelter");
        h.addRecord(QDate(2026, 3, 1), dollars(5), "FO", "first");
        h.addRecord(QDate(2026, 3, 2), dollars(6), "SH", "rent", true);
        h.addRecord(QDate(2026, 3, 3), dollars(7), "FO", "third");
        writeMacro(h.path("bills.fnk"));
        auto& w = h.start();
        w.session().settings.setConfirmsReplaceAndDelete(false);
        QAction* undo = h.action("mu_Undo");
        QAction* redo = h.action("mu_Redo");
        QVERIFY(!undo->isEnabled());
        QVERIFY(!redo->isEnabled());
        QCOMPARE(caption(undo), QStringLiteral("Undo"));
        QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(redo->shortcuts().size(), 2);

        const std::vector<Command> commands = {
            {"New Record", [](AppHarness& h) { newRecord(h, "12.50", "groceries", "Bank"); }},
            {"Delete Record",
             [](AppHarness& h) {
                 AppHarness::clickRow(h.child<QTableView>("MainGrid"), 1);
                 h.window->findChild<QAction*>("ListPopDelete")->trigger();
             }},
            {"Replace Record",
             [](AppHarness& h) {
                 AppHarness::dblClickRow(h.child<QTableView>("MainGrid"), 0);
                 h.child<QLineEdit>("AmountBox")->setText("99");
                 QTest::mouseClick(h.child<QPushButton>("ReplaceIncomeButton"), Qt::LeftButton);
             }},
            {"New Category",
             [](AppHarness& h) {
                 h.action("mu_NewCategory")->trigger();
                 h.child<QLineEdit>("CatCodeEd")->setText("CAR");
                 h.child<QLineEdit>("CatLabelEd")->setText("Car costs");
                 QTest::mouseClick(h.child<QPushButton>("SaveCat"), Qt::LeftButton);
             }},
            {"Replace Category",
             [](AppHarness& h) {
                 AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), categoryRow(h, "FO"));
                 h.action("mu_EditCategory")->trigger();
                 h.child<QLineEdit>("CatCodeEd")->setText("FOOD");
                 QTest::mouseClick(h.child<QPushButton>("ReplaceCat"), Qt::LeftButton);
             }},
            {"Restore Deleted Records",
             [](AppHarness& h) {
                 h.port.queueAnswer(Answer::Yes);
                 h.action("mu_RestoreDeletedRecords")->trigger();
             }},
            {"Delete Category",
             [](AppHarness& h) {
                 AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), categoryRow(h, "SH"));
                 h.action("mu_EditCategory")->trigger();
                 for (int i = 0; i < 3; ++i)  // delete it, its records too, sure
                     h.port.queueAnswer(Answer::Yes);
                 QTest::mouseClick(h.child<QPushButton>("DeleteCat"), Qt::LeftButton);
             }},
            {"Purge Deleted Records",
             [](AppHarness& h) {
                 h.port.queueAnswer(Answer::Yes);
                 h.action("mu_PurgeDeletedRecords")->trigger();
             }},
            {"Play Macro",
             [](AppHarness& h) {
                 h.port.queueFile(h.path("bills.fnk"));
                 h.action("mu_PlayMacro")->trigger();
                 h.child<QCalendarWidget>("MonthView3")->setSelectedDate(QDate(2026, 6, 15));
                 QTest::mouseClick(h.child<QPushButton>("MacDateOK"), Qt::LeftButton);
             }},
        };

        // The record panel makes the pick lists it reads as it opens.
        h.action("mu_NewEntry")->trigger();
        QTest::mouseClick(h.child<QPushButton>("CloseButton"), Qt::LeftButton);
        std::vector<QStringList> states{dataSet(h)};
        for (const Command& c : commands) {
            c.run(h);
            QCOMPARE(h.port.pendingAnswers(), 0);
            states.push_back(dataSet(h));
            QVERIFY2(states.back() != states[states.size() - 2], c.undoText);
            QVERIFY(undo->isEnabled());
            QVERIFY(!redo->isEnabled());  // a new command drops what could be redone
            QCOMPARE(caption(undo), QStringLiteral("Undo ") + QLatin1String(c.undoText));
        }
        QVERIFY(!QFile::exists(h.path("fnk_undo_macro.wrk")));
        QVERIFY(QDir(h.path("fnk_undo.wrk")).exists());

        for (std::size_t i = commands.size(); i-- > 0;) {
            QCOMPARE(caption(undo), QStringLiteral("Undo ") + QLatin1String(commands[i].undoText));
            undo->trigger();
            QCOMPARE(dataSet(h), states[i]);
            QCOMPARE(caption(redo), QStringLiteral("Redo ") + QLatin1String(commands[i].undoText));
        }
        QVERIFY(!undo->isEnabled());
        QCOMPARE(w.listModel()->rowCount(), 2);  // the deleted one is not listed
        for (std::size_t i = 0; i < commands.size(); ++i) {
            redo->trigger();
            QCOMPARE(dataSet(h), states[i + 1]);
        }
        QVERIFY(!redo->isEnabled());

        // Half way back, a new command leaves nothing to redo.
        undo->trigger();
        undo->trigger();
        QVERIFY(redo->isEnabled());
        newRecord(h, "1", "after undo", "");
        QVERIFY(!redo->isEnabled());
        QCOMPARE(caption(undo), QStringLiteral("Undo New Record"));
        for (const auto& m : h.port.messagesShown())
            QVERIFY2(m.icon != platform::Icon::Critical || m.title == QStringLiteral("Confirm"),
                     qPrintable(m.text));
    }

    void macroEditHasAHistoryOfItsOwn()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 3, 1), dollars(5), "FO", "ledger");
        writeMacro(h.path("bills.fnk"));
        auto& w = h.start();
        newRecord(h, "3", "in the ledger", "");
        QCOMPARE(caption(h.action("mu_Undo")), QStringLiteral("Undo New Record"));

        const QByteArray macro = testsupport::readBytes(h.path("bills.fnk"));
        h.port.queueFile(h.path("bills.fnk"));
        h.action("mu_MacroCreate")->trigger();
        QVERIFY(w.session().macroMode);
        QVERIFY(!h.action("mu_Undo")->isEnabled());
        newRecord(h, "4", "in the macro", "");
        const QByteArray edited = testsupport::readBytes(h.path("bills.fnk"));
        QVERIFY(edited != macro);
        const QByteArray ledger = testsupport::readBytes(h.path("fennick.dat"));
        h.action("mu_Undo")->trigger();
        QCOMPARE(testsupport::readBytes(h.path("bills.fnk")), macro);
        QCOMPARE(testsupport::readBytes(h.path("fennick.dat")), ledger);
        QCOMPARE(w.listModel()->rowCount(), 2);
        h.action("mu_Redo")->trigger();
        QCOMPARE(testsupport::readBytes(h.path("bills.fnk")), edited);

        // Leaving macro edit drops its history; the ledger's is there again.
        h.action("mu_MacroQuit")->trigger();
        QVERIFY(!QFile::exists(h.path("fnk_undo_macro.wrk")));
        QCOMPARE(caption(h.action("mu_Undo")), QStringLiteral("Undo New Record"));
        QVERIFY(!h.action("mu_Redo")->isEnabled());
        h.action("mu_Undo")->trigger();
        QCOMPARE(store::RecordFile(h.path("fennick.dat")).count(), 1);
        QCOMPARE(testsupport::readBytes(h.path("bills.fnk")), edited);
    }

    void importRunForgetsItsIdsWhenUndone()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 3, 1), dollars(5), "FO", "ledger");
        h.start();
        const QStringList before = dataSet(h);
        const QString qif = h.path("bank.qif");
        testsupport::writeBytes(qif, "!Type:Bank\nD12/25/25\nT-3.50\nPCoffee\n^\nD12/26/25\nT-4.00\nPTea\n^\n");
        h.action("mu_Import")->trigger();
        QWidget* import = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("fnk3cdi") && top->isVisible())
                import = top;
        QVERIFY(import);
        h.port.queueFile(qif);
        QTest::mouseClick(import->findChild<QPushButton*>("SelectFile"), Qt::LeftButton);
        h.port.queueAnswer(Answer::Yes);
        QTest::mouseClick(import->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Finished"));
        // The import window holds the ids it read: undo waits for it to close.
        QVERIFY(!h.action("mu_Undo")->isEnabled());
        import->close();
        const QStringList after = dataSet(h);
        QVERIFY(after[4] != QStringLiteral("-"));
        QCOMPARE(caption(h.action("mu_Undo")), QStringLiteral("Undo Import of 2 Records"));
        h.action("mu_Undo")->trigger();
        QCOMPARE(dataSet(h), before);
        h.action("mu_Redo")->trigger();
        QCOMPARE(dataSet(h), after);
    }

    void statesFollowTheHistoryAndTheModes()
    {
        app::Modes m;
        m.canUndo = true;
        QVERIFY(app::commandStates(m).on(app::Command::Undo));
        QVERIFY(!app::commandStates(m).on(app::Command::Redo));
        m.canRedo = true;
        for (bool app::Modes::*off : {&app::Modes::readOnly, &app::Modes::reportBuilding, &app::Modes::importOpen}) {
            app::Modes blocked = m;
            blocked.*off = true;
            QVERIFY(!app::commandStates(blocked).on(app::Command::Undo));
            QVERIFY(!app::commandStates(blocked).on(app::Command::Redo));
        }
    }

    void fileChangedBehindTheProgramIsRefused()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 3, 1), dollars(5), "FO", "ledger");
        auto& w = h.start();
        newRecord(h, "3", "typed", "");
        // Another program adds a record of its own.
        h.addRecord(QDate(2026, 3, 2), dollars(8), "FO", "elsewhere");
        const QStringList before = dataSet(h);
        h.action("mu_Undo")->trigger();
        QCOMPARE(dataSet(h), before);
        const auto shown = h.port.lastMessage();
        QVERIFY(shown);
        QCOMPARE(shown->title, QStringLiteral("Undo"));
        QVERIFY(shown->text.contains(QStringLiteral("fennick.dat has been changed by something else")));
        QVERIFY(h.action("mu_Undo")->isEnabled());  // still there, for when the file is put back

        // A folder switch drops the history of the folder left behind.
        QTemporaryDir other;
        h.port.queueFile(other.path() + QStringLiteral("/(select a folder)"));
        h.action("mu_SelectDataFolder")->trigger();
        QCOMPARE(w.session().dataFolder, other.path() + QLatin1Char('/'));
        QVERIFY(!h.action("mu_Undo")->isEnabled());
        QVERIFY(!QFile::exists(h.path("fnk_undo.wrk")));
        QCOMPARE(caption(h.action("mu_Undo")), QStringLiteral("Undo"));
    }
};

QTEST_MAIN(UndoTest)
#include "test_undo.moc"
