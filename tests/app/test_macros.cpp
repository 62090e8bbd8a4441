#include "AppHarness.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>

using namespace fnk;

namespace {
store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

void writeMacro(const QString& path, int records)
{
    store::RecordFile f(path);
    for (int i = 1; i <= records; ++i) {
        store::LedgerRecord r;
        r.entryDate = store::dayFromDate(QDate(1999, 1, i));
        r.amount = -dollars(10 * i);
        r.setCategoryCode("SH");
        r.setNote(QStringLiteral("bill %1").arg(i));
        r.deletedFlag = i == 3 ? 'Y' : 'N';
        f.FileNewEntry(r);
    }
}
}  // namespace

class MacroTest : public QObject {
    Q_OBJECT
private slots:
    void malformedAndEmptyFiles()
    {
        AppHarness h;
        h.start();
        testsupport::writeBytes(h.path("bad.fnk"), QByteArray(251, 'x'));
        for (const char* command : {"mu_MacroCreate", "mu_PlayMacro"}) {
            h.port.queueFile(h.path("bad.fnk"));
            h.action(command)->trigger();
            const auto m = h.port.lastMessage();
            QVERIFY(m);
            QCOMPARE(m->title, QStringLiteral("Error"));
            QCOMPARE(m->icon, platform::Icon::Critical);
        }
        QVERIFY(h.port.messagesShown()[0].text.endsWith("The macro edit operation has been aborted."));
        QVERIFY(h.port.messagesShown()[1].text.endsWith("The macro play operation has been aborted."));
        QCOMPARE(h.port.shown().first().fileDialog.filter, QStringLiteral("Fennick Macro Files|*.fnk"));
        QCOMPARE(h.port.shown().first().fileDialog.title, QStringLiteral("Select a file..."));
        QVERIFY(!h.window->session().macroMode);

        // A new, empty macro can be edited but not played.
        h.port.queueFile(h.path("new.fnk"));
        h.action("mu_PlayMacro")->trigger();
        QVERIFY(h.port.lastMessage()->text.endsWith("play operation has been aborted."));
        h.port.queueFile(h.path("new.fnk"));
        h.action("mu_MacroCreate")->trigger();
        QVERIFY(h.window->session().macroMode);
    }

    void editingAMacroInPlaceOfTheLedger()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 5, 1), dollars(1), "FO", "ledger entry");
        writeMacro(h.path("bills.fnk"), 2);
        auto& w = h.start();
        QVERIFY(!h.action("mu_MacroQuit")->isEnabled());
        h.port.queueFile(h.path("bills.fnk"));
        h.action("mu_MacroCreate")->trigger();
        QCOMPARE(h.column(0), (QStringList{"(macro)", "(macro)"}));
        QCOMPARE(h.panel("GeneralStatusBar", 1), "Macro Edit!!! File: " + h.path("bills.fnk"));
        QVERIFY(!h.child("GeneralStatusBar_2")->isVisible());
        QCOMPARE(h.child<QTableView>("MainGrid")->palette().color(QPalette::Base), QColor(255, 255, 0));
        QVERIFY(!h.action("mu_File")->isEnabled());
        QVERIFY(!h.action("mu_DisplayRange")->isEnabled());
        QVERIFY(!h.action("mu_SelectDataFolder")->isEnabled());
        QVERIFY(h.action("mu_MacroQuit")->isEnabled());
        QVERIFY(!h.child("DateUp")->isEnabled());

        // Entries go to the macro file.
        h.action("mu_NewEntry")->trigger();
        AppHarness::clickRow(h.child<QTableView>("CategoryGrid"), 0);
        h.child<QLineEdit>("AmountBox")->setText("7");
        QTest::mouseClick(h.child<QPushButton>("NewExpenseButton"), Qt::LeftButton);
        QCOMPARE(store::RecordFile(h.path("bills.fnk")).count(), 3);
        QCOMPARE(store::RecordFile(h.path("fennick.dat")).count(), 1);
        QCOMPARE(w.listModel()->rowCount(), 3);

        h.action("mu_MacroQuit")->trigger();
        QVERIFY(!w.session().macroMode);
        QCOMPARE(h.column(2), QStringList{"ledger entry"});
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("FY 2026 - 1/1/2026  >>  12/31/2026"));
        QVERIFY(h.action("mu_File")->isEnabled());
        QVERIFY(!h.action("mu_MacroQuit")->isEnabled());
        QVERIFY(h.child("DateUp")->isEnabled());
    }

    void playingAMacroUnderOneDate()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 5, 1), dollars(1), "FO", "ledger entry");
        writeMacro(h.path("bills.fnk"), 3);
        auto& w = h.start();
        h.port.queueFile(h.path("bills.fnk"));
        h.action("mu_PlayMacro")->trigger();
        auto* frame = h.child("MacDateFrame");
        QVERIFY(frame->isVisible());
        QCOMPARE(h.child<QCalendarWidget>("MonthView3")->selectedDate(), QDate(2026, 12, 7));
        QTest::mouseClick(h.child<QPushButton>("MacCancel"), Qt::LeftButton);
        QVERIFY(!frame->isVisible());
        store::RecordFile ledger(h.path("fennick.dat"));
        QCOMPARE(ledger.count(), 1);

        h.port.queueFile(h.path("bills.fnk"));
        h.action("mu_PlayMacro")->trigger();
        h.child<QCalendarWidget>("MonthView3")->setSelectedDate(QDate(2026, 6, 15));
        QTest::mouseClick(h.child<QPushButton>("MacDateOK"), Qt::LeftButton);
        QCOMPARE(ledger.count(), 4);
        for (int n = 2; n <= 4; ++n) {
            const auto r = ledger.read(n);
            QCOMPARE(r.entryDate, store::dayFromDate(QDate(2026, 6, 15)));
            QCOMPARE(r.recordNumber, double(n));
            QCOMPARE(r.noteText().trimmed(), QStringLiteral("bill %1").arg(n - 1));
        }
        QCOMPARE(ledger.read(4).deletedFlag, 'Y');  // the mark is kept
        QCOMPARE(w.listModel()->rowCount(), 3);
        QVERIFY(!h.child("ProgressBar1")->isVisible());
    }
};

QTEST_MAIN(MacroTest)
#include "test_macros.moc"
