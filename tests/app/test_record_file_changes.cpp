// Commands that change the record file beneath an open record panel, or
// renumber its records: the panel lets go of its record, so no later button
// writes to the wrong file or the wrong record.  And the data folder stays
// put while the import window is open.

#include "AppHarness.h"

#include "app/Settings.h"
#include "edit/EditPanel.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <functional>

using namespace fnk;
using platform::Answer;

namespace {
store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

void writeRecords(const QString& path, const QString& prefix, int count)
{
    store::RecordFile f(path);
    for (int i = 1; i <= count; ++i) {
        store::LedgerRecord r;
        r.entryDate = store::dayFromDate(QDate(2026, 3, i));
        r.amount = -dollars(i);
        r.setCategoryCode("FO");
        r.setNote(QStringLiteral("%1 %2").arg(prefix).arg(i));
        r.deletedFlag = i == 1 ? 'Y' : 'N';
        f.FileNewEntry(r);
    }
}

QWidget* visibleTop(const char* name)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String(name) && top->isVisible())
            return top;
    return nullptr;
}

using Step = std::function<void(AppHarness&, const QString& other)>;
void nothing(AppHarness&, const QString&) {}
}  // namespace

Q_DECLARE_METATYPE(Step)

class RecordFileChangesTest : public QObject {
    Q_OBJECT
private slots:
    void commandsLetGoOfTheOpenRecord_data()
    {
        QTest::addColumn<Step>("before");  // after start-up, before the record opens
        QTest::addColumn<Step>("command");
        const Step yes = [](AppHarness& h, const QString&) { h.port.queueAnswer(Answer::Yes); };
        const Step macroIn = [](AppHarness& h, const QString&) {
            h.port.queueFile(h.path("bills.fnk"));
            h.action("mu_MacroCreate")->trigger();
        };
        QTest::newRow("macro edit") << Step(nothing) << macroIn;
        QTest::newRow("quit macro edit") << macroIn << Step([](AppHarness& h, const QString&) {
            h.action("mu_MacroQuit")->trigger();
        });
        QTest::newRow("purge") << Step(nothing) << Step([yes](AppHarness& h, const QString& o) {
            yes(h, o);
            h.action("mu_PurgeDeletedRecords")->trigger();
        });
        QTest::newRow("restore deleted") << Step(nothing) << Step([yes](AppHarness& h, const QString& o) {
            yes(h, o);
            h.action("mu_RestoreDeletedRecords")->trigger();
        });
        QTest::newRow("restore backup") << Step(nothing) << Step([yes](AppHarness& h, const QString& o) {
            writeRecords(h.path("fennick.bak"), "backup", 3);
            yes(h, o);
            h.action("mu_RestoreBackup")->trigger();
        });
        const Step alternate = [](AppHarness& h, const QString&) {
            h.action("mu_AlternateFolder1")->trigger();
        };
        QTest::newRow("alternate folder") << Step(nothing) << alternate;
        QTest::newRow("default folder") << alternate << Step([](AppHarness& h, const QString&) {
            h.action("mu_DefaultDataFolder")->trigger();
        });
        QTest::newRow("select folder") << Step(nothing) << Step([](AppHarness& h, const QString& o) {
            h.port.queueFile(o + "/(select a folder)");
            h.action("mu_SelectDataFolder")->trigger();
        });
        QTest::newRow("import") << Step(nothing) << Step([](AppHarness& h, const QString&) {
            h.action("mu_Import")->trigger();
            QWidget* import = visibleTop("fnk3cdi");
            QVERIFY(import);
            import->close();
        });
        QTest::newRow("macro play") << Step(nothing) << Step([](AppHarness& h, const QString&) {
            h.port.queueFile(h.path("bills.fnk"));
            h.action("mu_PlayMacro")->trigger();
            QTest::mouseClick(h.child<QPushButton>("MacDateOK"), Qt::LeftButton);
        });
    }

    void commandsLetGoOfTheOpenRecord()
    {
        QFETCH(Step, before);
        QFETCH(Step, command);
        AppHarness h;
        QTemporaryDir otherDir;
        const QString other = otherDir.path();
        app::SettingsRecord s = app::firstRunDefaults();
        s.setAlternateFolder1(other);
        app::SettingsFile(h.folder()).write(s);
        h.addCategory("FO", "Food");
        writeRecords(h.path("fennick.dat"), "ledger", 4);
        writeRecords(h.path("bills.fnk"), "macro", 4);
        writeRecords(other + "/fennick.dat", "other", 4);
        auto& w = h.start();
        before(h, other);

        auto* panel = w.findChild<edit::EditPanel*>("EditFrame");
        QVERIFY(panel->openRecord(3));
        h.child<QLineEdit>("AmountBox")->setText("55");
        h.child<QLineEdit>("NoteBox")->setText("typed into the panel");
        command(h, other);

        QCOMPARE(panel->state(), edit::EditPanel::State::Closed);
        QVERIFY(!panel->isVisible());
        const QStringList files{h.path("fennick.dat"), h.path("bills.fnk"), other + "/fennick.dat"};
        QList<QByteArray> after;
        for (const QString& f : files)
            after << testsupport::readBytes(f);
        h.port.clear();
        panel->ReplaceIncomeButton_Click();
        panel->ReplaceExpenseButton_Click();
        panel->DeleteButton_Click();
        panel->NewIncomeButton_Click();
        for (int i = 0; i < files.size(); ++i)
            QVERIFY2(testsupport::readBytes(files[i]) == after[i], qPrintable(files[i]));
        QVERIFY(h.port.messagesShown().isEmpty());

        // The list was built again on the file now in use: its rows carry
        // that file's numbers, so the pop-up menu's Delete marks the row shown.
        QTableView* grid = h.child<QTableView>("MainGrid");
        QVERIFY(w.listModel()->rowCount() >= 2);
        grid->setCurrentIndex(w.listModel()->index(1, 0));
        const double n = w.listModel()->recordNumberAt(1);
        const QString note = h.column(2).at(1);
        const store::RecordFile current(w.session().recordFile());
        QCOMPARE(current.read(qint64(n)).noteText().trimmed(), note);
    }

    void importKeepsTheDataFolder()
    {
        AppHarness h;
        writeRecords(h.path("fennick.dat"), "ledger", 2);
        writeRecords(h.path("bills.fnk"), "macro", 2);
        testsupport::writeBytes(h.path("in.csv"), "1/2/2026,5,imported\r\n");
        auto& w = h.start();
        const char* folderCommands[] = {"mu_DefaultDataFolder", "mu_AlternateFolder1",
                                        "mu_AlternateFolder2", "mu_SelectDataFolder"};
        for (const char* c : folderCommands)
            QVERIFY(h.action(c)->isEnabled());

        h.action("mu_Import")->trigger();
        QWidget* import = visibleTop("fnk3cdi");
        QVERIFY(import);
        for (const char* c : folderCommands)
            QVERIFY2(!h.action(c)->isEnabled(), c);
        QVERIFY(!h.child<QToolButton>("btn_Open")->isEnabled());
        h.port.clear();
        h.action("mu_SelectDataFolder")->trigger();
        QTest::mouseClick(h.child<QToolButton>("btn_Open"), Qt::LeftButton);
        QVERIFY(h.port.shown().isEmpty());
        QCOMPARE(w.session().dataFolder, h.folder());

        // Macro edit in between: the import's backup is still of the ledger,
        // and ending macro edit leaves the folder commands off.
        h.port.queueFile(h.path("bills.fnk"));
        h.action("mu_MacroCreate")->trigger();
        QVERIFY(w.session().macroMode);
        h.port.queueFile(h.path("in.csv"));
        QTest::mouseClick(import->findChild<QPushButton*>("SelectFile"), Qt::LeftButton);
        QCOMPARE(testsupport::readBytes(h.path("fennick.bak")),
                 testsupport::readBytes(h.path("fennick.dat")));
        h.action("mu_MacroQuit")->trigger();
        for (const char* c : folderCommands)
            QVERIFY2(!h.action(c)->isEnabled(), c);

        import->close();
        for (const char* c : folderCommands)
            QVERIFY2(h.action(c)->isEnabled(), c);
        QVERIFY(h.child<QToolButton>("btn_Open")->isEnabled());

        // Closed in macro edit, the commands stay off until it ends.
        h.action("mu_Import")->trigger();
        h.port.queueFile(h.path("bills.fnk"));
        h.action("mu_MacroCreate")->trigger();
        visibleTop("fnk3cdi")->close();
        QVERIFY(!h.action("mu_SelectDataFolder")->isEnabled());
        h.action("mu_MacroQuit")->trigger();
        QVERIFY(h.action("mu_SelectDataFolder")->isEnabled());
    }
};

QTEST_MAIN(RecordFileChangesTest)
#include "test_record_file_changes.moc"
