#include "AppHarness.h"

#include "store/Text1252.h"

#include "reports/ReportView.h"
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

    void reportCommandsShowTheReportAndCloseAgain()
    {
        AppHarness h;
        auto& w = h.start();
        QVERIFY(!h.action("mu_PrintReport")->isEnabled());
        QVERIFY(!h.action("mu_ReturnToList")->isEnabled());
        // Nothing listed: nothing to report, and nothing written.
        h.action("mu_ReportSummary")->trigger();
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Nothing to do!"));
        QCOMPARE(h.port.lastMessage()->text,
                 QStringLiteral("You must first build a list of items in order to generate a report. "
                                "Please select categories and/or perform word searches to build your list."));
        QVERIFY(!QFile::exists(h.path("report.tmp")));

        for (int i = 1; i <= 3; ++i)
            h.addRecord(QDate(2026, 6, i), i == 2 ? 0 : dollars(i * (i == 3 ? -1 : 1)), "FO",
                        QStringLiteral("n%1").arg(i));
        h.action("mu_FiscalYear")->trigger();
        h.action("mu_ReportFull")->trigger();
        auto* viewer = h.child<reports::ReportView>("Viewer");
        QVERIFY(viewer->isVisible());
        const QString text = viewer->toPlainText();
        QVERIFY(text.startsWith('\n'));
        const QString file = store::decode1252(testsupport::readBytes(h.path("fnk_rep.tmp")));
        QCOMPARE(text.mid(1), file.left(file.size() - 2).replace("\r\n", "\n"));
        QCOMPARE(QFileInfo(h.path("todo.tmp")).size(), 125);
        QCOMPARE(QFileInfo(h.path("report.tmp")).size(), 375);
        QVERIFY(!h.action("mu_File")->isEnabled());
        QVERIFY(!h.child("btn_New")->isEnabled());
        QVERIFY(h.child("btn_CloseReport")->isEnabled());
        QVERIFY(h.action("mu_PrintReport")->isEnabled());
        QVERIFY(h.action("mu_WriteCommaSummary")->isEnabled());

        QTest::mouseClick(h.child<QToolButton>("btn_CloseReport"), Qt::LeftButton);
        QVERIFY(!viewer->isVisible());
        QVERIFY(h.action("mu_File")->isEnabled());
        QVERIFY(h.child("btn_New")->isEnabled());
        QVERIFY(!h.child("btn_CloseReport")->isEnabled());
        QVERIFY(!h.action("mu_PrintReport")->isEnabled());
        QCOMPARE(w.listModel()->rowCount(), 3);
    }
};

QTEST_MAIN(ReportModeTest)
#include "test_report_mode.moc"
