// The main window as a person uses it: searches with letters of the code
// page, keys and mouse buttons on the list, bold fonts in windows opened
// later, the first run, a list that cannot be rebuilt, and status figures
// that show whole.

#include "AppHarness.h"

#include "store/FileIo.h"
#include "store/Money.h"

#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

using namespace fnk;

namespace {

store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

QTableView* grid(AppHarness& h) { return h.child<QTableView>("MainGrid"); }

QPoint rowCentre(QTableView* view, int row)
{
    return view->visualRect(view->model()->index(row, 1)).center();
}

// Every widget of a window, the window included.
QList<QWidget*> allOf(QWidget* window)
{
    QList<QWidget*> all = window->findChildren<QWidget*>();
    all.prepend(window);
    return all;
}

int regularWidgets(QWidget* window)
{
    int n = 0;
    for (QWidget* w : allOf(window))
        if (!w->font().bold())
            ++n;
    return n;
}

}  // namespace

class DailyUseTest : public QObject {
    Q_OBJECT
private slots:
    void searchesUpperCaseBothSidesInTheCodePage()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 3, 1), dollars(1), "FO", QStringLiteral("Straße 5"));
        h.addRecord(QDate(2026, 3, 2), dollars(2), "FO", QStringLiteral("STRASSE 7"));
        h.addRecord(QDate(2026, 3, 3), dollars(3), "FO", QStringLiteral("50 µg salt"));
        h.addRecord(QDate(2026, 3, 4), dollars(4), "FO", QStringLiteral("Café au lait"));
        h.start();

        h.port.queueInput(QStringLiteral("straße"));
        h.action("mu_SearchFragment")->trigger();
        QCOMPARE(h.column(2), QStringList{"Straße 5"});
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("Word Search = STRAßE "));

        h.port.queueInput(QStringLiteral("µg"));
        h.action("mu_SearchComplete")->trigger();
        QCOMPARE(h.column(2), QStringList{"50 µg salt"});

        h.port.queueInput(QStringLiteral("CAFÉ"));
        h.action("mu_SearchFragment")->trigger();
        QCOMPARE(h.column(2), QStringList{"Café au lait"});

        // A rebuild by another command applies the stored words the same way.
        h.port.queueInput(QStringLiteral("strAße"));
        h.action("mu_SearchComplete")->trigger();
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.column(2), QStringList{"Straße 5"});
    }

    void keypadDeleteTakesRowsOutInFreeSelection()
    {
        AppHarness h;
        for (int i = 1; i <= 4; ++i)
            h.addRecord(QDate(2026, 6, i), dollars(i), "FO", QStringLiteral("n%1").arg(i));
        auto& w = h.start();
        QTest::mouseClick(h.child<QToolButton>("btn_ModeBlue"), Qt::LeftButton);
        QVERIFY(w.session().freeSelection);
        grid(h)->setFocus();
        grid(h)->setCurrentIndex(w.listModel()->index(1, 0));
        QTest::keyClick(grid(h), Qt::Key_Delete, Qt::KeypadModifier);
        QCOMPARE(h.column(2), (QStringList{"n4", "n2", "n1"}));
        QTest::keyClick(grid(h), Qt::Key_Delete);
        QCOMPARE(h.column(2).size(), 2);
        // With Shift the key is not the plain Delete.
        QTest::keyClick(grid(h), Qt::Key_Delete, Qt::ShiftModifier | Qt::KeypadModifier);
        QCOMPARE(h.column(2).size(), 2);
    }

    void rightClickLeavesTheCurrentRow()
    {
        AppHarness h;
        for (int i = 1; i <= 4; ++i)
            h.addRecord(QDate(2026, 2, i), dollars(i), "FO", QStringLiteral("r%1").arg(i));
        auto& w = h.start();
        w.session().settings.setConfirmsReplaceAndDelete(false);
        auto* pop = w.findChild<QMenu*>("ListPop");
        QVERIFY(pop);
        QCoreApplication::processEvents();
        grid(h)->setCurrentIndex(w.listModel()->index(1, 0));  // r3
        QCOMPARE(w.listModel()->cellText(1, 2), QStringLiteral("r3"));

        const QPoint at = rowCentre(grid(h), 3);  // r1
        QTest::mouseClick(grid(h)->viewport(), Qt::RightButton, {}, at);
        if (!pop->isVisible()) {
            // Where the platform makes no menu event of the click, the
            // desktop would send it now.
            QContextMenuEvent e(QContextMenuEvent::Mouse, at, grid(h)->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(grid(h)->viewport(), &e);
        }
        QCOMPARE(grid(h)->currentIndex().row(), 1);
        QVERIFY(pop->isVisible());
        pop->hide();

        // The menu acts on the current row, not the one under the pointer.
        w.findChild<QAction*>("ListPopDelete")->trigger();
        QCOMPARE(store::RecordFile(h.path("fennick.dat")).read(3).deletedFlag, 'Y');
        QCOMPARE(store::RecordFile(h.path("fennick.dat")).read(1).deletedFlag, 'N');
        QCOMPARE(h.column(2), (QStringList{"r4", "r2", "r1"}));

        // A left click still moves it.
        QTest::mouseClick(grid(h)->viewport(), Qt::LeftButton, {}, rowCentre(grid(h), 2));
        QCOMPARE(grid(h)->currentIndex().row(), 2);
    }

    void windowsOpenedLaterFollowTheBoldSetting()
    {
        AppHarness h;
        auto& w = h.start();
        QVERIFY(w.session().settings.boldFonts());

        // The settings window is made only when first asked for.
        h.action("mu_ConfigSettings")->trigger();
        QWidget* config = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->objectName() == QLatin1String("FNK3Config"))
                config = t;
        QVERIFY(config);
        QVERIFY(config->isVisible());
        QCOMPARE(regularWidgets(config), 0);

        // A message box made after the setting follows it too.
        {
            QMessageBox box(QMessageBox::Information, QStringLiteral("Fennick"),
                            QStringLiteral("A message"));
            box.show();
            QCOMPARE(regularWidgets(&box), 0);
        }

        // Regular fonts: the open window follows, and so does a new one.
        h.action("mu_NoBold")->trigger();
        QVERIFY(!w.session().settings.boldFonts());
        QCOMPARE(regularWidgets(config), int(allOf(config).size()));
        QMessageBox box(QMessageBox::Information, QStringLiteral("Fennick"), QStringLiteral("Plain"));
        box.show();
        QCOMPARE(regularWidgets(&box), int(allOf(&box).size()));
        config->close();
    }

    void firstRunGoesOnPastAFailingStep()
    {
        AppHarness h;
        QVERIFY(!QFile::exists(h.path("fnk41.cfg")));
        // The settings are written, Shelter is added, Food meets a full disk,
        // then the disk is back.
        store::testing::failWritesAfter(2, 1);
        auto& w = h.start();
        store::testing::reset();
        QVERIFY(QFile::exists(h.path("fnk41.cfg")));
        QStringList codes;
        for (int r = 0; r < w.categoryModel()->rowCount(); ++r)
            codes << w.categoryModel()->rowAt(r).code.trimmed();
        QCOMPARE(codes, (QStringList{"SH", "TX", "WA"}));
    }

    void failedRebuildShowsTheFiguresOfTheRowsListed()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 6, 1), dollars(100), "FO", "in");
        h.addRecord(QDate(2026, 6, 2), dollars(-30), "FO", "out");
        auto& w = h.start();
        QCOMPARE(h.panel("DisplayStatusBar", 4), QStringLiteral("2 Items"));

        // The record file can no longer be read.
        QVERIFY(QFile::remove(h.path("fennick.dat")));
        QVERIFY(QDir().mkdir(h.path("fennick.dat")));
        h.port.clear();
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Error - operation aborted"));
        QCOMPARE(w.listModel()->rowCount(), 0);
        QCOMPARE(h.panel("DisplayStatusBar", 1), QStringLiteral("(+) ") + store::formatCurrency(0));
        QCOMPARE(h.panel("DisplayStatusBar", 2), QStringLiteral("(-) ") + store::formatCurrency(0));
        QCOMPARE(h.panel("DisplayStatusBar", 3), QStringLiteral("(=) ") + store::formatCurrency(0));
        QCOMPARE(h.panel("DisplayStatusBar", 4), QStringLiteral("0 Items"));
    }

    void statusFiguresShowWhole()
    {
        AppHarness h;
        for (int i = 1; i <= 3; ++i)
            h.addRecord(QDate(2026, 6, i), dollars(250'000'000), "FO", QStringLiteral("big %1").arg(i));
        h.addRecord(QDate(2026, 6, 9), dollars(-99'999'999), "FO", "cost");
        auto& w = h.start();
        w.resize(200, w.height());
        QCoreApplication::processEvents();
        auto fits = [&](int panel, const QString& text) {
            auto* l = h.child<QLabel>(QStringLiteral("DisplayStatusBar_%1").arg(panel).toLatin1());
            const int room = l->contentsRect().width() - l->fontMetrics().horizontalAdvance('x') / 2;
            return room >= l->fontMetrics().horizontalAdvance(text);
        };
        for (int p = 1; p <= 4; ++p)
            QVERIFY2(fits(p, h.panel("DisplayStatusBar", p)), qPrintable(h.panel("DisplayStatusBar", p)));
        // Room is kept for long lists and amounts up to the report's money text.
        QVERIFY(fits(4, QStringLiteral("1000000 Items")));
        QVERIFY(fits(2, QStringLiteral("(-) ") + store::formatCurrency(-dollars(100'000'000))));

        // Bold fonts are wider; the panels follow.
        h.action("mu_NoBold")->trigger();
        h.action("mu_NoBold")->trigger();
        QVERIFY(w.session().settings.boldFonts());
        QCoreApplication::processEvents();
        for (int p = 1; p <= 4; ++p)
            QVERIFY2(fits(p, h.panel("DisplayStatusBar", p)), qPrintable(h.panel("DisplayStatusBar", p)));
    }
};

QTEST_MAIN(DailyUseTest)
#include "test_daily_use.moc"
