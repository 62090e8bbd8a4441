#include "AppHarness.h"

#include "app/Settings.h"

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QToolButton>

using namespace fnk;

namespace {
store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

void withSettings(AppHarness& h, const std::function<void(app::SettingsRecord&)>& change)
{
    app::SettingsRecord s = app::firstRunDefaults();
    change(s);
    app::SettingsFile(h.folder()).write(s);
}
}  // namespace

class OptionsTest : public QObject {
    Q_OBJECT
private slots:
    void dataFolderSwitches()
    {
        AppHarness h;
        QTemporaryDir other;
        const QString otherFolder = other.path();  // no trailing "/"
        // The other folder's records carry wrong numbers; the switch re-indexes.
        {
            store::RecordFile f(otherFolder + "/fennick.dat");
            store::LedgerRecord r;
            r.entryDate = store::dayFromDate(QDate(2026, 5, 1));
            r.amount = dollars(3);
            r.setNote("elsewhere");
            f.FileNewEntry(r);
            r.recordNumber = 9;
            f.write(1, r);
        }
        withSettings(h, [&](app::SettingsRecord& s) {
            s.setAlternateFolder1(otherFolder);
            s.setAlternateFolder2(h.folder() + "missing");
        });
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 5, 2), dollars(1), "FO", "at home");
        auto& w = h.start();
        QCOMPARE(h.action("mu_AlternateFolder1")->text(), "Data Folder: " + otherFolder);
        AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), 0);

        h.action("mu_AlternateFolder1")->trigger();
        QCOMPARE(w.session().dataFolder, otherFolder + "/");
        QCOMPARE(h.panel("GeneralStatusBar", 2), otherFolder + "/");
        QCOMPARE(h.column(2), QStringList{"elsewhere"});
        QCOMPARE(store::RecordFile(otherFolder + "/fennick.dat").read(1).recordNumber, 1.0);
        QVERIFY(QFile::exists(otherFolder + "/category.dat"));
        QCOMPARE(w.categoryModel()->rowCount(), 0);
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("Category = All Categories "));

        // A folder that does not exist: the error box, then the program folder.
        h.action("mu_AlternateFolder2")->trigger();
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Error - operation aborted"));
        QCOMPARE(w.session().dataFolder, h.folder());
        QCOMPARE(h.column(2), QStringList{"at home"});
        QVERIFY(!QFileInfo::exists(h.folder() + "missing"));

        // Select Data Folder: the folder of the name confirmed in the dialog.
        h.port.queueFile(otherFolder + "/(select a folder)");
        h.action("mu_SelectDataFolder")->trigger();
        const auto& dialog = h.port.shown().last().fileDialog;
        QCOMPARE(dialog.title, QStringLiteral("Select a folder..."));
        QCOMPARE(dialog.filter, QStringLiteral("Folders|.|"));
        QCOMPARE(dialog.initialName, QStringLiteral("(select a folder)"));
        QCOMPARE(w.session().dataFolder, otherFolder + "/");
        h.action("mu_SelectDataFolder")->trigger();  // cancelled
        QCOMPARE(w.session().dataFolder, otherFolder + "/");

        h.action("mu_DefaultDataFolder")->trigger();
        QCOMPARE(w.session().dataFolder, h.folder());
        // The settings stay in the program folder whatever the data folder.
        h.action("mu_AlternateFolder1")->trigger();
        w.close();
        QVERIFY(!QFile::exists(otherFolder + "/fnk41.cfg"));
        QCOMPARE(app::SettingsFile(h.folder()).read().status, app::SettingsFile::Status::Good);
    }

    void toolTipsAndBoldFonts()
    {
        AppHarness h;
        auto& w = h.start();
        auto* list = h.child("MainGrid");
        QVERIFY(!list->toolTip().isEmpty());
        QVERIFY(list->font().bold());
        QVERIFY(h.action("mu_NoBold")->isChecked());

        h.action("mu_ToolTipsOff")->trigger();
        QVERIFY(list->toolTip().isEmpty());
        QVERIFY(h.child("CategoryGrid")->toolTip().isEmpty());
        QVERIFY(h.child("AllCategoryButton")->toolTip().isEmpty());
        QVERIFY(!h.action("mu_ToolTipsOff")->isVisible());
        QVERIFY(h.action("mu_ToolTipsOn")->isVisible());
        QCOMPARE(testsupport::readBytes(h.path("fnk41.cfg")).at(581), 'N');

        h.action("mu_ToolTipsOn")->trigger();
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Tool Tips On"));
        QCOMPARE(h.port.lastMessage()->text,
                 QStringLiteral("The Tool Tips will reappear the next time you start the program."));
        QCOMPARE(testsupport::readBytes(h.path("fnk41.cfg")).at(581), 'Y');
        QVERIFY(list->toolTip().isEmpty());  // back only after a restart

        h.action("mu_NoBold")->trigger();
        QVERIFY(!list->font().bold());
        QVERIFY(!h.child("AmountBox")->font().bold());
        QVERIFY(!h.action("mu_NoBold")->isChecked());
        QVERIFY(!w.session().settings.boldFonts());
        h.action("mu_NoBold")->trigger();
        QVERIFY(list->font().bold());
        QVERIFY(h.action("mu_NoBold")->isChecked());
        QVERIFY(w.session().settings.boldFonts());
    }

    void accessoriesOpenInTheirOwnWindows()
    {
        AppHarness h;
        h.start();
        auto findTop = [](const char* name) -> QWidget* {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String(name) && top->isVisible())
                    return top;
            return nullptr;
        };
        QTest::mouseClick(h.child<QToolButton>("btn_Calc"), Qt::LeftButton);
        QWidget* calc = findTop("TinyCalc");
        QVERIFY(calc);
        QVERIFY(h.window->isVisible());
        // The calculator follows the font setting.
        h.action("mu_NoBold")->trigger();
        QVERIFY(!calc->findChild<QWidget*>("TCTopNum")->font().bold());
        h.action("mu_Game")->trigger();
        QVERIFY(findTop("FNKGame"));
        QCOMPARE(findTop("FNKGame")->windowTitle(), QStringLiteral("  48"));
    }

    void settingsAppliedAtStartUp()
    {
        AppHarness h;
        withSettings(h, [](app::SettingsRecord& s) {
            s.setToolTipsShown(false);
            s.setBoldFonts(false);
        });
        h.start();
        QVERIFY(h.child("MainGrid")->toolTip().isEmpty());
        QVERIFY(h.action("mu_ToolTipsOn")->isVisible());
        QVERIFY(!h.child("MainGrid")->font().bold());
        QVERIFY(!h.action("mu_NoBold")->isChecked());
    }

    void displayOrderAndHeadingSorts()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 5, 1), -dollars(50), "FO", "banana");
        h.addRecord(QDate(2026, 5, 2), dollars(10), "FO", "Apple");
        h.addRecord(QDate(2026, 5, 3), -dollars(5), "FO", "cherry");
        auto& w = h.start();
        const QByteArray stored = testsupport::readBytes(h.path("fnk41.cfg"));
        h.action("mu_GridFormat")->trigger();
        QCOMPARE(w.listModel()->layoutCode(), QStringLiteral("-1n2-"));
        QCOMPARE(w.listModel()->cellText(0, 3), QStringLiteral("cherry"));
        for (int i = 0; i < 6; ++i)
            h.action("mu_GridFormat")->trigger();
        QCOMPARE(w.listModel()->layoutCode(), QStringLiteral("-n12-"));
        // Changed in memory only; the next writer of the settings stores it.
        QCOMPARE(testsupport::readBytes(h.path("fnk41.cfg")), stored);

        auto* header = h.child<QTableView>("MainGrid")->horizontalHeader();
        auto clickHeading = [&](int column) {
            QCoreApplication::processEvents();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        };
        clickHeading(1);  // Amount, ascending: the largest expense first
        QCOMPARE(h.column(2), (QStringList{"banana", "cherry", "Apple"}));
        clickHeading(2);  // any heading next: descending
        QCOMPARE(h.column(2), (QStringList{"cherry", "banana", "Apple"}));
        clickHeading(2);
        QCOMPARE(h.column(2), (QStringList{"Apple", "banana", "cherry"}));
        // A rebuild puts the newest first again.
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.column(2), (QStringList{"cherry", "Apple", "banana"}));
    }

    void headingColoursFollowTheFocus()
    {
        AppHarness h;
        h.start();
        auto* list = h.child<QTableView>("MainGrid");
        auto* cats = h.child<QTableView>("CategoryGrid");
        auto colour = [](QTableView* v) {
            return v->horizontalHeader()->palette().color(QPalette::ButtonText);
        };
        h.window->activateWindow();
        cats->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(colour(cats), QColor(Qt::black));
        QVERIFY(colour(list) != QColor(Qt::black));
        list->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(colour(list), QColor(Qt::black));
        QVERIFY(colour(cats) != QColor(Qt::black));
    }
};

QTEST_MAIN(OptionsTest)
#include "test_options.moc"
