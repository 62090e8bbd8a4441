#include "AppHarness.h"

#include <QTextBrowser>
#include <QToolButton>

using namespace fnk;

namespace {
store::Money dollars(qint64 d) { return d * store::kMoneyScale; }
}

class ReportModeTest : public QObject {
    Q_OBJECT
private slots:
    void freeSelectionTakesRowsOutOfTheList()
    {
        AppHarness h;
        for (int i = 1; i <= 5; ++i)
            h.addRecord(QDate(2026, 6, i), dollars(i), "FO", QStringLiteral("n%1").arg(i));
        auto& w = h.start();
        auto* grid = h.child<QTableView>("MainGrid");
        QTest::mouseClick(h.child<QToolButton>("btn_ModeBlue"), Qt::LeftButton);
        QVERIFY(w.session().freeSelection);
        QVERIFY(!h.child("btn_ModeBlue")->isVisible());
        QVERIFY(h.child("btn_ModeWhite")->isVisible());
        QVERIFY(!h.action("mu_NewReport")->isEnabled());
        QVERIFY(h.action("mu_QuitReports")->isEnabled());
        QVERIFY(!h.action("mu_File")->isEnabled());
        QCOMPARE(grid->palette().color(QPalette::Base), QColor(0, 255, 255));
        QVERIFY(!h.child("DisplayStatusBar_1")->isVisible());
        QCOMPARE(h.panel("DisplayStatusBar", 3), QStringLiteral("Free Selection Mode: 5 items selected."));
        QCOMPARE(grid->toolTip(), QStringLiteral("Highlight item and press DELETE key to remove from report"));

        // Enter and Insert do nothing here; Delete takes the row out of the
        // list only, down to the last one.
        grid->setFocus();
        grid->setCurrentIndex(w.listModel()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Insert);
        QVERIFY(!h.child("EditFrame")->isVisible());
        const QByteArray file = testsupport::readBytes(h.path("fennick.dat"));
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(h.column(2), QStringList{"n1"});
        QCOMPARE(h.panel("DisplayStatusBar", 3), QStringLiteral("Free Selection Mode: 1 items selected."));
        QCOMPARE(testsupport::readBytes(h.path("fennick.dat")), file);

        // A range change keeps the hand-picked rows.
        h.action("mu_30Days")->trigger();
        QCOMPARE(h.column(2), QStringList{"n1"});

        // Esc on the list leaves the mode and lists everything again.
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!w.session().freeSelection);
        QVERIFY(h.child("btn_ModeBlue")->isVisible());
        QVERIFY(h.child("DisplayStatusBar_1")->isVisible());
        QVERIFY(h.action("mu_File")->isEnabled());
        QCOMPARE(grid->toolTip(), QStringLiteral("Double-click any line item to edit"));
        QCOMPARE(h.column(2).size(), 0);  // the 30-day range now in force
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.column(2).size(), 5);
    }
};

QTEST_MAIN(ReportModeTest)
#include "test_report_mode.moc"
