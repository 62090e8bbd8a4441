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
        h.report("mu_ReportFull");
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

    // The build runs beside the window: while it runs nothing can change the
    // list it reads, Esc stops it, anything that changes the list stops it
    // first, and a failure is told in the window's thread.
    void reportBuildRunsBesideTheWindow()
    {
        AppHarness h;
        for (int i = 1; i <= 40; ++i)
            h.addRecord(QDate(2026, 6, 1 + i % 28), dollars(i % 3 == 0 ? -i : i), "FO",
                        QStringLiteral("n%1").arg(i));
        auto& w = h.start();
        h.action("mu_FiscalYear")->trigger();
        auto* viewer = h.child<reports::ReportView>("Viewer");
        auto* grid = h.child<QTableView>("MainGrid");
        QVERIFY(h.action("mu_ReportSummary")->isEnabled());

        // The build ends only in the window's event loop, so right after the
        // command it is still running.
        h.action("mu_ReportFull")->trigger();
        QVERIFY(w.reportBuilding());
        for (const char* c : {"mu_ReportSummary", "mu_ReportFull", "mu_ToolTipsOff", "mu_Help",
                              "mu_ConfigSettings", "mu_ReturnToList", "mu_Exit"})
            QVERIFY2(!h.action(c)->isEnabled(), c);
        QVERIFY(!grid->isEnabled());
        QVERIFY(!h.child("CategoryGrid")->isEnabled());
        QVERIFY(!h.child("btn_Summary")->isEnabled());
        QSignalSpy ended(&w, &app::MainWindow::reportBuildEnded);
        QVERIFY(ended.wait(30000));
        QVERIFY(!w.reportBuilding());
        QVERIFY(viewer->isVisible());
        const QString file = store::decode1252(testsupport::readBytes(h.path("fnk_rep.tmp")));
        QCOMPARE(viewer->toPlainText().mid(1), file.left(file.size() - 2).replace("\r\n", "\n"));
        // Held states come back as the report view sets them.
        QVERIFY(h.action("mu_ReturnToList")->isEnabled());
        QVERIFY(h.action("mu_Help")->isEnabled());
        QVERIFY(!h.action("mu_File")->isEnabled());
        QVERIFY(grid->isEnabled());
        h.action("mu_ReturnToList")->trigger();

        // Esc stops a build: the list view comes back as it was.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        h.action("mu_ReportSummaryWide")->trigger();
        QVERIFY(w.reportBuilding());
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.reportBuilding());
        QVERIFY(!viewer->isVisible());
        QVERIFY(!h.action("mu_PrintReport")->isEnabled());
        QVERIFY(h.action("mu_ReportSummary")->isEnabled());
        QVERIFY(h.action("mu_Help")->isEnabled());
        QCOMPARE(w.listModel()->rowCount(), 40);

        // A change of the list stops the build before it happens.
        h.action("mu_ReportFull")->trigger();
        QVERIFY(w.reportBuilding());
        w.rebuildList();
        QVERIFY(!w.reportBuilding());
        QVERIFY(!viewer->isVisible());
        QCOMPARE(w.listModel()->rowCount(), 40);
        QVERIFY(h.action("mu_ReportSummary")->isEnabled());

        // A work file that cannot be written: the error box, then the list.
        QVERIFY(QDir(h.folder()).mkdir(QStringLiteral("expense.wrk")));
        h.report("mu_ReportSummary");
        QVERIFY(!viewer->isVisible());
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Error - operation aborted"));
        QVERIFY(h.port.lastMessage()->text.contains(QStringLiteral("expense.wrk")));
        QVERIFY(h.action("mu_ReportSummary")->isEnabled());
        QVERIFY(grid->isEnabled());
    }
};

QTEST_MAIN(ReportModeTest)
#include "test_report_mode.moc"
