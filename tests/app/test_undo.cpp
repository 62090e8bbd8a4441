// Undo and redo through the real window: after Undo the files of the data
// set are byte for byte as before the command, after Redo as after it, along
// a chain of different commands; the menu names what it would undo; a file
// changed behind the program's back is refused and left alone.
#include "AppHarness.h"

#include "platform/Accessibility.h"
#include "store/PickList.h"

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

// Runs each command in turn, then undoes them all and redoes them all: after
// each undo the data set is byte for byte as before that command, after each
// redo as the command left it.  The internal backup is only ever what the
// commands made of it.
struct Walk {
    std::vector<QStringList> before, after;  // of each command
};
Walk undoAllRedoAll(AppHarness& h, const std::vector<Command>& commands,
                    const std::function<void()>& whenAllUndone = {})
{
    QAction* undo = h.action("mu_Undo");
    QAction* redo = h.action("mu_Redo");
    const QString bak = h.path("fennick.bak");
    auto backup = [&] { return QFile::exists(bak) ? testsupport::readBytes(bak) : QByteArray("-"); };
    auto fail = [](const QString& what) { QTest::qFail(qPrintable(what), __FILE__, __LINE__); };
    Walk walk;
    for (const Command& c : commands) {
        walk.before.push_back(dataSet(h));
        c.run(h);
        walk.after.push_back(dataSet(h));
        const QString name = QLatin1String(c.undoText);
        if (h.port.pendingAnswers() != 0 || walk.after.back() == walk.before.back())
            return fail(name + QStringLiteral(" did not run as meant")), walk;
        if (caption(undo) != QStringLiteral("Undo ") + name || redo->isEnabled())
            return fail(name + QStringLiteral(": the menu offers ") + caption(undo) + QLatin1Char('/') + caption(redo)), walk;
    }
    const QByteArray backupLeft = backup();
    for (std::size_t i = commands.size(); i-- > 0;) {
        const QString name = QLatin1String(commands[i].undoText);
        if (caption(undo) != QStringLiteral("Undo ") + name)
            return fail(QStringLiteral("the menu offers ") + caption(undo)), walk;
        undo->trigger();
        if (dataSet(h) != walk.before[i] || backup() != backupLeft
            || caption(redo) != QStringLiteral("Redo ") + name)
            return fail(QStringLiteral("undo of ") + name), walk;
    }
    if (undo->isEnabled())
        return fail(QStringLiteral("there is more to undo than the commands run")), walk;
    if (whenAllUndone)
        whenAllUndone();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        redo->trigger();
        if (dataSet(h) != walk.after[i] || backup() != backupLeft)
            return fail(QStringLiteral("redo of ") + QLatin1String(commands[i].undoText)), walk;
    }
    return walk;
}

// Writes `number` into the record-number field of record `n` (from 1).
void misnumber(AppHarness& h, qint64 n, double number)
{
    const QString path = h.path("fennick.dat");
    QByteArray bytes = testsupport::readBytes(path);
    const qsizetype size = qsizetype(store::LedgerRecord::kSize);
    store::LedgerRecord r = store::LedgerRecord::decode(bytes.constData() + (n - 1) * size);
    r.recordNumber = number;
    r.encode(bytes.data() + (n - 1) * size);
    testsupport::writeBytes(path, bytes);
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
        int listedAtStart = -1;
        undoAllRedoAll(h, commands, [&] { listedAtStart = w.listModel()->rowCount(); });
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(listedAtStart, 2);  // the list follows: the deleted one is not listed
        QVERIFY(!QFile::exists(h.path("fnk_undo_macro.wrk")));
        QVERIFY(QDir(h.path("fnk_undo.wrk")).exists());
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

    // The commands the chain above leaves out: a re-index that renumbered,
    // pick-list values added to both lists and one taken out, a record
    // deleted from its panel, a category renamed to the other end of the
    // sorted list, one deleted with its records kept, and a restore of the
    // internal backup.
    void otherCommandsUndoneAndRedone()
    {
        AppHarness h;
        h.addCategory("BA", "Bank fees");
        h.addCategory("FO", "Food");
        h.addCategory("SH", "Shelter");
        h.addRecord(QDate(2026, 3, 1), dollars(5), "BA", "fee");
        h.addRecord(QDate(2026, 3, 2), dollars(6), "FO", "bread");
        h.addRecord(QDate(2026, 3, 3), dollars(7), "SH", "rent");
        testsupport::writeBytes(h.path("udf1.dat"), "Cash\r\nCard\r\n");
        testsupport::writeBytes(h.path("udf2.dat"), "Home\r\n");
        {
            store::RecordFile backup(h.path("fennick.bak"));
            store::LedgerRecord r;
            r.entryDate = store::dayFromDate(QDate(2025, 1, 1));
            r.amount = dollars(40);
            r.setCategoryCode("FO");
            r.setNote("from the backup");
            backup.FileNewEntry(r);
        }
        auto& w = h.start();
        w.session().settings.setConfirmsReplaceAndDelete(false);
        auto editCategory = [](AppHarness& h, const char* code) {
            AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), categoryRow(h, code));
            h.action("mu_EditCategory")->trigger();
        };

        // Another program leaves a record misnumbered.
        misnumber(h, 2, 9);
        const std::vector<Command> commands = {
            {"Re-Index", [](AppHarness& h) { h.action("mu_ReIndex")->trigger(); }},
            {"New Record",
             [](AppHarness& h) {
                 h.action("mu_NewEntry")->trigger();
                 AppHarness::clickRow(h.child<QTableView>("CategoryGrid"), 0);
                 h.child<QLineEdit>("AmountBox")->setText("8");
                 h.child<QComboBox>("UserList1")->setEditText("Loan");
                 h.child<QComboBox>("UserList2")->setEditText("Office");
                 QTest::mouseClick(h.child<QPushButton>("NewIncomeButton"), Qt::LeftButton);
             }},
            {"Remove Pick-List Value",
             [](AppHarness& h) {
                 h.action("mu_NewEntry")->trigger();
                 h.child<QComboBox>("UserList1")->setEditText("Cash");
                 h.port.queueAnswer(Answer::Yes);
                 QTest::mouseClick(h.child<QPushButton>("UDF1Delete"), Qt::LeftButton);
                 QTest::mouseClick(h.child<QPushButton>("CloseButton"), Qt::LeftButton);
             }},
            {"Delete Record",
             [](AppHarness& h) {
                 AppHarness::dblClickRow(h.child<QTableView>("MainGrid"), 0);
                 QTest::mouseClick(h.child<QPushButton>("DeleteButton"), Qt::LeftButton);
             }},
            {"Replace Category",
             [&](AppHarness& h) {
                 editCategory(h, "BA");
                 h.child<QLineEdit>("CatCodeEd")->setText("ZB");
                 QTest::mouseClick(h.child<QPushButton>("ReplaceCat"), Qt::LeftButton);
             }},
            {"Delete Category",
             [&](AppHarness& h) {
                 editCategory(h, "FO");
                 h.port.queueAnswer(Answer::Yes);
                 h.port.queueAnswer(Answer::No);  // its records stay
                 QTest::mouseClick(h.child<QPushButton>("DeleteCat"), Qt::LeftButton);
             }},
            {"Restore Internal Backup",
             [](AppHarness& h) {
                 h.port.queueAnswer(Answer::Yes);
                 h.action("mu_RestoreBackup")->trigger();
             }},
        };
        const Walk walk = undoAllRedoAll(h, commands);
        if (QTest::currentTestFailed())
            return;
        // What each command changed, so that the states compared above are
        // the ones meant: 0 records, 1 categories, 2 and 3 the pick lists.
        auto changed = [&](std::size_t command) {
            QList<int> out;
            for (int f = 0; f < 4; ++f)
                if (walk.before[command][f] != walk.after[command][f])
                    out << f;
            return out;
        };
        QCOMPARE(changed(0), QList<int>({0}));
        QCOMPARE(changed(1), QList<int>({0, 2, 3}));
        QCOMPARE(changed(2), QList<int>({2}));
        QCOMPARE(store::PickList::forField(h.folder(), 1).load(), QStringList({"Card", "Loan"}));
        QCOMPARE(changed(3), QList<int>({0}));
        QCOMPARE(walk.after[3][0].size(), walk.before[3][0].size());  // only a mark
        QCOMPARE(changed(4), QList<int>({0, 1}));                     // the records follow the code
        QCOMPARE(changed(5), QList<int>({1}));
        QCOMPARE(changed(6), QList<int>({0}));
        QCOMPARE(store::RecordFile(h.path("fennick.dat")).count(), 1);

        // A re-index with nothing to renumber is no command to undo.
        h.action("mu_ReIndex")->trigger();
        QCOMPARE(caption(h.action("mu_Undo")), QStringLiteral("Undo Restore Internal Backup"));
    }

    // The keys work as the menu items do.  Free selection takes rows out of
    // the list only: no file changes, nothing is added to the history, and
    // with the Records menu away neither key undoes anything.
    void keysAndFreeSelection()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        for (int i = 1; i <= 3; ++i)
            h.addRecord(QDate(2026, 3, i), dollars(i), "FO", QStringLiteral("item %1").arg(i));
        auto& w = h.start();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* grid = h.child<QTableView>("MainGrid");
        h.action("mu_NewEntry")->trigger();  // makes the pick lists
        QTest::mouseClick(h.child<QPushButton>("CloseButton"), Qt::LeftButton);
        const QStringList before = dataSet(h);
        newRecord(h, "4", "typed", "");
        const QStringList after = dataSet(h);
        QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(dataSet(h), before);
        QTest::keyClick(grid, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(dataSet(h), after);
        QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(dataSet(h), after);  // nothing left to redo

        h.action("mu_NewReport")->trigger();
        QVERIFY(w.session().freeSelection);
        grid->setCurrentIndex(w.listModel()->index(1, 0));
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(w.listModel()->rowCount(), 3);
        QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(dataSet(h), after);
        QCOMPARE(caption(h.action("mu_Undo")), QStringLiteral("Undo New Record"));
        h.action("mu_QuitReports")->trigger();
        QVERIFY(!w.session().freeSelection);
        h.action("mu_Undo")->trigger();
        QCOMPARE(dataSet(h), before);
        QVERIFY(!h.action("mu_Undo")->isEnabled());
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
