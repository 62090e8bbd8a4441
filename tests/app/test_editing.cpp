#include "AppHarness.h"
#include "platform/Accessibility.h"

#include "app/Settings.h"
#include "store/FileIo.h"
#include "store/PickList.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using namespace fnk;
using platform::Answer;

namespace {
store::Money dollars(qint64 d) { return d * store::kMoneyScale; }
}

class EditingTest : public QObject {
    Q_OBJECT

    QTableView* grid(AppHarness& h) { return h.child<QTableView>("MainGrid"); }

private slots:
    void newExpenseThroughTheInsertKey()
    {
        AppHarness h;
        for (int i = 1; i <= 40; ++i)
            h.addRecord(QDate(2026, 1, 1).addDays(i), dollars(i), "SH", QStringLiteral("r%1").arg(i));
        auto& w = h.start();
        grid(h)->setFocus();
        QTest::keyClick(grid(h), Qt::Key_Insert);
        auto* panel = h.child("EditFrame");
        QVERIFY(panel->isVisible());
        QVERIFY(!grid(h)->isEnabled());
        QVERIFY(!h.child("AllCategoryButton")->isEnabled());
        QCOMPARE(h.child<QLineEdit>("DateBox")->text(), QStringLiteral("12/7/2026"));
        QVERIFY(!h.child("ReplaceIncomeButton")->isEnabled());
        QVERIFY(!h.child("DeleteButton")->isEnabled());

        // The category comes from a single click on the category list.
        AppHarness::clickRow(h.child<QTableView>("CategoryGrid"), 0);  // FO Food
        QCOMPARE(h.child<QLineEdit>("CategoryCodeBox")->text(), QStringLiteral("FO        "));
        QCOMPARE(w.listModel()->rowCount(), 40);  // a click never filters
        h.child<QLineEdit>("AmountBox")->setText("$1,234.50-");
        h.child<QLineEdit>("NoteBox")->setText("Groceries");
        h.child<QComboBox>("UserList1")->setEditText("Bank");
        QTest::mouseClick(h.child<QPushButton>("NewExpenseButton"), Qt::LeftButton);

        QVERIFY(!panel->isVisible());
        QVERIFY(grid(h)->isEnabled());
        store::RecordFile f(h.path("fennick.dat"));
        QCOMPARE(f.count(), 41);
        const auto r = f.read(41);
        QCOMPARE(r.amount, store::Money(-12345000));
        QCOMPARE(r.recordNumber, 41.0);
        QCOMPARE(r.categoryCodeText(), QStringLiteral("FO        "));
        QCOMPARE(r.entryDate, store::dayFromDate(QDate(2026, 12, 7)));
        QCOMPARE(w.listModel()->rowCount(), 41);
        QCOMPARE(w.listModel()->cellText(0, 2), QStringLiteral("Groceries"));
        QCOMPARE(h.panel("DisplayStatusBar", 2), QStringLiteral("(-) ($1,234.50)"));
        QCOMPARE(store::PickList::forField(h.folder(), 1).load(), QStringList{"Bank"});
        QVERIFY(h.port.messagesShown().isEmpty());
    }

    void amountThatIsNotANumberWritesNothing()
    {
        AppHarness h;
        h.start();
        h.action("mu_NewEntry")->trigger();
        AppHarness::clickRow(h.child<QTableView>("CategoryGrid"), 0);
        h.child<QLineEdit>("AmountBox")->setText("1.2.3");
        QTest::mouseClick(h.child<QPushButton>("NewIncomeButton"), Qt::LeftButton);
        QCOMPARE(QFileInfo(h.path("fennick.dat")).size(), 0);
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Nothing to do!"));
        QVERIFY(h.child("EditFrame")->isVisible());
        QCOMPARE(h.child<QLineEdit>("AmountBox")->text(), QStringLiteral("1.2.3"));
        // Esc leaves the panel without saving.
        QTest::keyClick(h.child<QLineEdit>("AmountBox"), Qt::Key_Escape);
        QVERIFY(!h.child("EditFrame")->isVisible());
        QVERIFY(grid(h)->isEnabled());
    }

    void openReplaceAndDeleteFromTheList()
    {
        AppHarness h;
        for (int i = 1; i <= 10; ++i)
            h.addRecord(QDate(2026, 2, i), -dollars(i), "FO", QStringLiteral("r%1").arg(i));
        auto& w = h.start();
        const QByteArray before = testsupport::readBytes(h.path("fennick.dat"));
        // Row 3 is record 7 (newest first).
        grid(h)->setCurrentIndex(w.listModel()->index(3, 0));
        grid(h)->setFocus();
        QTest::keyClick(grid(h), Qt::Key_Return);
        QVERIFY(h.child("EditFrame")->isVisible());
        QCOMPARE(h.child<QLineEdit>("AmountBox")->text(), QStringLiteral("7"));
        QCOMPARE(h.child<QLineEdit>("NoteBox")->text(), QStringLiteral("r7"));
        QCOMPARE(h.child<QLineEdit>("CategoryBox")->text(), QStringLiteral("Food                "));

        h.child<QLineEdit>("AmountBox")->setText("70");
        h.port.queueAnswer(Answer::Yes);
        QTest::mouseClick(h.child<QPushButton>("ReplaceIncomeButton"), Qt::LeftButton);
        QCOMPARE(h.port.lastMessage()->text, QStringLiteral("Replace record?"));
        const QByteArray after = testsupport::readBytes(h.path("fennick.dat"));
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.left(750), before.left(750));
        QCOMPARE(after.mid(875), before.mid(875));
        QCOMPARE(store::RecordFile(h.path("fennick.dat")).read(7).amount, dollars(70));

        // Ctrl+Delete in the panel marks the record as it was read.
        grid(h)->setCurrentIndex(w.listModel()->index(3, 0));
        QTest::keyClick(grid(h), Qt::Key_Return);
        h.child<QLineEdit>("AmountBox")->setText("999");
        h.port.queueAnswer(Answer::Yes);
        QTest::keyClick(h.child<QLineEdit>("AmountBox"), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(h.port.lastMessage()->text, QStringLiteral("Delete record?"));
        const auto r7 = store::RecordFile(h.path("fennick.dat")).read(7);
        QCOMPARE(r7.deletedFlag, 'Y');
        QCOMPARE(r7.amount, dollars(70));
        QCOMPARE(w.listModel()->rowCount(), 9);
        QVERIFY(!h.child("EditFrame")->isVisible());
    }

    void listPopUpMenu()
    {
        AppHarness h;
        for (int i = 1; i <= 3; ++i)
            h.addRecord(QDate(2026, 2, i), dollars(i), "FO", QStringLiteral("r%1").arg(i));
        auto& w = h.start();
        auto* pop = w.findChild<QMenu*>("ListPop");
        QVERIFY(pop);
        auto rightClick = [&](int row) {
            grid(h)->setCurrentIndex(w.listModel()->index(row, 0));
            QCoreApplication::processEvents();
            const QPoint at = grid(h)->visualRect(w.listModel()->index(row, 1)).center();
            QContextMenuEvent e(QContextMenuEvent::Mouse, at, grid(h)->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(grid(h)->viewport(), &e);
        };
        rightClick(0);
        QVERIFY(!pop->isVisible());
        rightClick(1);
        QVERIFY(pop->isVisible());
        QStringList items;
        for (QAction* a : pop->actions())
            items << platform::withoutMarks(a->text());
        QCOMPARE(items, (QStringList{"Edit", "Delete"}));
        pop->hide();

        // Delete from the menu, with the confirmation setting off: no question.
        w.session().settings.setConfirmsReplaceAndDelete(false);
        w.findChild<QAction*>("ListPopDelete")->trigger();
        QCOMPARE(store::RecordFile(h.path("fennick.dat")).read(2).deletedFlag, 'Y');
        QCOMPARE(h.column(2), (QStringList{"r3", "r1"}));
        QVERIFY(h.port.messagesShown().isEmpty());
    }

    void categoryEditingFromTheMenus()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 2, 1), dollars(1), "FO", "lunch");
        h.addRecord(QDate(2026, 2, 2), dollars(2), "FO", "dinner", true);
        auto& w = h.start();

        h.action("mu_EditCategory")->trigger();
        QCOMPARE(h.port.lastMessage()->text,
                 QStringLiteral("Please double-click a category on the right to select it for editing."));

        h.action("mu_NewCategory")->trigger();
        QVERIFY(h.child("CategoryFrame")->isVisible());
        h.child<QLineEdit>("CatCodeEd")->setText("CAR");
        h.child<QLineEdit>("CatLabelEd")->setText("Car costs");
        QTest::mouseClick(h.child<QPushButton>("SaveCat"), Qt::LeftButton);
        QCOMPARE(w.categoryModel()->rowCount(), 5);
        QCOMPARE(w.categoryModel()->rowAt(0).code.trimmed(), QStringLiteral("CAR"));

        // Recode Food to FOOD: the records follow, deleted ones too.
        AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), 1);  // FO
        h.action("mu_EditCategory")->trigger();
        QCOMPARE(h.child<QLineEdit>("CatCodeEd")->text(), QStringLiteral("FO"));
        h.child<QLineEdit>("CatCodeEd")->setText("FOOD");
        QTest::mouseClick(h.child<QPushButton>("ReplaceCat"), Qt::LeftButton);
        store::RecordFile f(h.path("fennick.dat"));
        QCOMPARE(f.read(1).categoryCodeText().trimmed(), QStringLiteral("FOOD"));
        QCOMPARE(f.read(2).categoryCodeText().trimmed(), QStringLiteral("FOOD"));
        QCOMPARE(f.read(2).deletedFlag, 'Y');
        QCOMPARE(h.column(2), QStringList{"lunch"});

        // Deleting it with its records, when the work file cannot be made,
        // reports the failure and keeps the category file whole.
        const QByteArray cats = testsupport::readBytes(h.path("category.dat"));
        QDir(h.folder()).mkdir("category.tmp");
        QDir(h.folder()).mkdir("category.tmp/blocker");
        h.action("mu_EditCategory")->trigger();
        h.port.queueAnswer(Answer::Yes);
        QTest::mouseClick(h.child<QPushButton>("DeleteCat"), Qt::LeftButton);
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Error - operation aborted"));
        QCOMPARE(testsupport::readBytes(h.path("category.dat")), cats);
        QCOMPARE(f.read(1).deletedFlag, 'N');
    }

    void failedWriteChangesNothing()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 2, 1), dollars(1), "FO", "one");
        auto& w = h.start();
        const QByteArray before = testsupport::readBytes(h.path("fennick.dat"));
        h.action("mu_NewEntry")->trigger();
        AppHarness::clickRow(h.child<QTableView>("CategoryGrid"), 0);
        h.child<QLineEdit>("AmountBox")->setText("5");
        store::testing::failWritesAfter(0);
        QTest::mouseClick(h.child<QPushButton>("NewIncomeButton"), Qt::LeftButton);
        store::testing::reset();
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Error - operation aborted"));
        QCOMPARE(testsupport::readBytes(h.path("fennick.dat")), before);
        QVERIFY(h.child("EditFrame")->isVisible());
        QCOMPARE(w.listModel()->rowCount(), 1);
    }
};

QTEST_MAIN(EditingTest)
#include "test_editing.moc"
