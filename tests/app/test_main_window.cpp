#include "AppHarness.h"
#include "platform/Accessibility.h"

#include "app/Settings.h"
#include "app/Splash.h"
#include "store/FileIo.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

#include <unistd.h>

using namespace fnk;
using platform::Answer;

namespace {
store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

void writeSettings(const QString& folder, const std::function<void(app::SettingsRecord&)>& change)
{
    app::SettingsRecord s = app::firstRunDefaults();
    change(s);
    app::SettingsFile(folder).write(s);
}
}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunInAnEmptyFolder()
    {
        AppHarness h;
        auto& w = h.start();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Fennick"));
        QCOMPARE(w.objectName(), QStringLiteral("FNK_3_Main"));

        QCOMPARE(QFileInfo(h.path("fnk41.cfg")).size(), 1274);
        QCOMPARE(QFileInfo(h.path("fennick.dat")).size(), 0);
        const auto cats = store::CategoryFile(h.path("category.dat")).readAll();
        QStringList codes;
        for (const auto& c : cats)
            codes << c.categoryCodeText().trimmed();
        QCOMPARE(codes, (QStringList{"FO", "SH", "TX", "WA"}));
        QCOMPARE(w.categoryModel()->rowCount(), 4);
        QCOMPARE(w.categoryModel()->rowAt(0).name, QStringLiteral("Food                "));

        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("FY 2026 - 1/1/2026  >>  12/31/2026"));
        QCOMPARE(h.panel("GeneralStatusBar", 2), h.folder());
        QCOMPARE(h.panel("GeneralStatusBar", 3), QStringLiteral("12/7/2026"));
        QCOMPARE(h.panel("DisplayStatusBar", 4), QStringLiteral("0 Items"));
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("Category = All Categories "));
        QCOMPARE(h.child<QLabel>("User1Label")->text(), QStringLiteral("user 1    "));
        QCOMPARE(h.action("mu_SearchUDF1")->text(), QStringLiteral("Search by user 1    "));
        QCOMPARE(w.listModel()->layoutCode(), QStringLiteral("-n12-"));
        QCOMPARE(w.listModel()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Note"));

        // Menus, shortcuts and tool tips as the user sees them.
        QCOMPARE(h.action("mu_DefaultRange")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F1));
        QCOMPARE(fnk::platform::withoutMarks(h.action("mu_ToolTipsOff")->text()),
                 QStringLiteral("Turn off \"Tool Tips\""));
        QVERIFY(h.action("mu_ToolTipsOff")->isVisible() != h.action("mu_ToolTipsOn")->isVisible());
        QVERIFY(h.action("mu_PurgeDeletedRecords")->isEnabled());
        QVERIFY(h.action("mu_HelpWeb")->isEnabled());
        QVERIFY(h.child<QToolButton>("btn_Web")->isEnabled());
        QVERIFY(h.child<QToolButton>("btn_Macro")->isEnabled());
        // Commands of the report view and the two modes wait for them.
        for (const char* waiting : {"mu_QuitReports", "mu_MacroQuit", "mu_ReturnToList",
                                    "mu_PrintReport", "mu_WriteComma"})
            QVERIFY2(!h.action(waiting)->isEnabled(), waiting);
        QVERIFY(!h.child<QToolButton>("brn_Print")->isEnabled());
        QVERIFY(!h.child<QToolButton>("btn_ModeWhite")->isVisible());
        QCOMPARE(h.child<QToolButton>("btn_Web")->toolTip(), QStringLiteral("Visit Tovermill on the web!"));
        QVERIFY(!h.child<QToolButton>("btn_New")->icon().isNull());
        QCOMPARE(h.child("MainGrid")->toolTip(), QStringLiteral("Double-click any line item to edit"));
        QCOMPARE(h.child<QLabel>("DisplayStatusBar_3")->toolTip(), QStringLiteral("Balance between IN/OUT"));
        for (const char* hidden : {"EditFrame", "CategoryFrame", "DateDialFrame", "MacDateFrame",
                                   "Viewer", "UDFSearchList", "UDFSearchPrompt", "ProgressBar1"})
            QVERIFY2(!h.child(hidden)->isVisible(), hidden);
        QVERIFY(h.port.messagesShown().isEmpty());

        // Closing stores the window's place and writes the settings back.
        w.resize(900, 500);
        w.close();
        const auto read = app::SettingsFile(h.folder()).read();
        QCOMPARE(read.status, app::SettingsFile::Status::Good);
        QVERIFY(read.record.windowWidth() > 9135);
    }

    void secondRunKeepsCategoriesAndReindexes()
    {
        AppHarness h;
        h.addCategory("ZZ", "Last");
        h.addCategory("10", "Ten");
        h.addCategory("9", "Nine");
        h.addRecord(QDate(2026, 3, 1), dollars(5), "ZZ", "first");
        h.addRecord(QDate(2026, 3, 2), dollars(6), "ZZ", "second");
        // Damage the record numbers; start-up puts them right.
        store::RecordFile f(h.path("fennick.dat"));
        auto r = f.read(1);
        r.recordNumber = 7;
        f.write(1, r);
        writeSettings(h.folder(), [](app::SettingsRecord&) {});
        auto& w = h.start();
        QCOMPARE(f.read(1).recordNumber, 1.0);
        QCOMPARE(w.categoryModel()->rowCount(), 3);
        QCOMPARE(w.categoryModel()->rowAt(0).code.trimmed(), QStringLiteral("9"));
        QCOMPARE(w.categoryModel()->rowAt(1).code.trimmed(), QStringLiteral("10"));
        QCOMPARE(h.column(2), (QStringList{"second", "first"}));
        QCOMPARE(h.panel("DisplayStatusBar", 4), QStringLiteral("2 Items"));
    }

    void passwordGate()
    {
        AppHarness h;
        writeSettings(h.folder(), [](app::SettingsRecord& s) { s.setPassword("Secret"); });
        auto& w = h.start();
        app::Splash* splash = w.splash();
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QVERIFY(!w.isVisible());
        QSignalSpy ended(&w, &app::MainWindow::endProgram);
        auto* box = splash->findChild<QLineEdit*>("UserPasswordBox");
        auto* start = splash->findChild<QPushButton*>("Command1");
        QCOMPARE(fnk::platform::withoutMarks(start->text()), QStringLiteral("START"));

        QStringList offered;
        for (const char* attempt : {"secret", "wrong", "SECRET"}) {
            box->setText(QLatin1String(attempt));
            QTest::mouseClick(start, Qt::LeftButton);
            const auto m = h.port.lastMessage();
            QVERIFY(m);
            QCOMPARE(m->title, QStringLiteral("Incorrect Password!"));
            QCOMPARE(m->icon, platform::Icon::Exclamation);
            offered << m->text.section("You may make ", 1).section(' ', 0, 0);
        }
        QCOMPARE(offered, (QStringList{"2", "1", "0"}));
        QVERIFY(h.port.lastMessage()->text.startsWith(
            "This program is password protected. You must enter the correct password in the box "
            "in order to enter.\n\nYou may make "));
        QVERIFY(!w.isVisible());
        QCOMPARE(ended.count(), 0);
        // The fourth START ends the program without a message, even with the right word.
        box->setText("Secret");
        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(h.port.messagesShown().size(), 3);
    }

    void passwordWithSurroundingSpacesPasses()
    {
        AppHarness h;
        writeSettings(h.folder(), [](app::SettingsRecord& s) { s.setPassword("Secret"); });
        auto& w = h.start();
        w.splash()->findChild<QLineEdit*>("UserPasswordBox")->setText("  Secret ");
        QTest::mouseClick(w.splash()->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QVERIFY(w.isVisible());
        QVERIFY(h.port.messagesShown().isEmpty());
    }

    void presetsAndTheFiscalYearWalk()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 11, 6), dollars(1), "FO", "too old for 30 days");
        h.addRecord(QDate(2026, 11, 7), dollars(2), "FO", "earliest of 30 days");
        h.addRecord(QDate(2026, 12, 7), dollars(3), "FO", "today");
        h.addRecord(QDate(2027, 5, 1), dollars(4), "FO", "next year");
        h.addRecord(QDate(2028, 5, 1), dollars(5), "FO", "two years on");
        h.start();
        h.action("mu_30Days")->trigger();
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("30 Days - 11/7/2026  >>  12/7/2026"));
        QCOMPARE(h.column(2), (QStringList{"today", "earliest of 30 days"}));
        QCOMPARE(h.child<QCalendarWidget>("MonthView1")->selectedDate(), QDate(2026, 11, 7));

        h.action("mu_NextYear")->trigger();
        QCOMPARE(h.column(2), QStringList{"next year"});
        h.action("mu_NextYear")->trigger();
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("FY 2028 - 1/1/2028  >>  12/31/2028"));
        QCOMPARE(h.column(2), QStringList{"two years on"});
        h.action("mu_previousYear")->trigger();
        h.action("mu_previousYear")->trigger();
        h.action("mu_previousYear")->trigger();
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("FY 2025 - 1/1/2025  >>  12/31/2025"));
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("FY 2026 - 1/1/2026  >>  12/31/2026"));
        h.action("mu_1825days")->trigger();
        QVERIFY(h.panel("GeneralStatusBar", 1).startsWith("5 Years - 12/8/2021  >>  "));
    }

    void fiscalYearStartAndDefaultRangeFromSettings()
    {
        AppHarness h;
        writeSettings(h.folder(), [](app::SettingsRecord& s) {
            s.setFiscalYearStartMonth(7);
            s.setDefaultRangeCode(45);
        });
        h.clockToday(QDate(2003, 3, 15));
        h.start();
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("1/29/2003  >>  3/15/2003"));
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("FY 2003 - 7/1/2002  >>  6/30/2003"));
        h.action("mu_DefaultRange")->trigger();
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("1/29/2003  >>  3/15/2003"));
    }

    void selectDatesRefusesAReversedPair()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 4, 1), dollars(1), "FO", "april");
        h.addRecord(QDate(2026, 4, 2), dollars(1), "FO", "april 2");
        h.start();
        h.action("mu_SelectDates")->trigger();
        auto* frame = h.child("DateDialFrame");
        QVERIFY(frame->isVisible());
        auto* m1 = h.child<QCalendarWidget>("MonthView1");
        auto* m2 = h.child<QCalendarWidget>("MonthView2");
        m1->setSelectedDate(QDate(2026, 5, 1));
        m2->setSelectedDate(QDate(2026, 4, 1));
        QTest::mouseClick(h.child<QPushButton>("DateDialOK"), Qt::LeftButton);
        const auto m = h.port.lastMessage();
        QVERIFY(m);
        QCOMPARE(m->title, QStringLiteral("Nothing to do!"));
        QCOMPARE(m->text, QStringLiteral("The latest date you have selected: 4/1/2026\n\n is older than "
                                         "the earliest: 5/1/2026\n\nPlease try again."));
        QVERIFY(frame->isVisible());
        QCOMPARE(m1->selectedDate(), QDate(2026, 1, 1));
        QCOMPARE(m2->selectedDate(), QDate(2026, 12, 31));
        QCOMPARE(h.column(2).size(), 2);

        m1->setSelectedDate(QDate(2026, 4, 1));
        m2->setSelectedDate(QDate(2026, 4, 1));
        QTest::mouseClick(h.child<QPushButton>("DateDialOK"), Qt::LeftButton);
        QVERIFY(!frame->isVisible());
        QCOMPARE(h.panel("GeneralStatusBar", 1), QStringLiteral("4/1/2026  >>  4/1/2026"));
        QCOMPARE(h.column(2), QStringList{"april"});
    }

    void categoryFilterAllAndClear()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 4, 1), dollars(1), "FO", "food");
        h.addRecord(QDate(2026, 4, 2), -dollars(2), "SH", "shelter");
        auto& w = h.start();
        auto* grid = h.child<QTableView>("CategoryGrid");
        // A single click never changes the main list.
        AppHarness::clickRow(grid, 1);
        QCOMPARE(h.column(2).size(), 2);
        AppHarness::dblClickRow(grid, 1);  // SH Shelter
        QCOMPARE(h.column(2), QStringList{"shelter"});
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("Category = Shelter "));
        QCOMPARE(w.session().rememberedCode, QStringLiteral("SH        "));

        h.action("mu_AllCats")->trigger();
        QCOMPARE(h.column(2).size(), 2);
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("Category = All Categories "));

        // Enter in the category list filters while no record is being entered.
        grid->setFocus();
        grid->setCurrentIndex(w.categoryModel()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(h.column(2), QStringList{"food"});

        QTest::mouseClick(h.child<QPushButton>("AllCategoryButton"), Qt::LeftButton);
        QCOMPARE(h.column(2).size(), 2);

        QTest::mouseClick(h.child<QPushButton>("NoCategory"), Qt::LeftButton);
        QCOMPARE(w.listModel()->rowCount(), 0);
        QCOMPARE(h.panel("DisplayStatusBar", 1), QStringLiteral("(+) $0.00"));
        QCOMPARE(h.panel("DisplayStatusBar", 4), QStringLiteral("0 Items"));
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("(Cleared)"));
        // The next rebuild fills it again.
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.column(2).size(), 2);
    }

    void purgeAndRestore()
    {
        AppHarness h;
        for (int i = 1; i <= 5; ++i)
            h.addRecord(QDate(2026, 4, i), dollars(i), "FO", QStringLiteral("r%1").arg(i), i == 2 || i == 4);
        const QByteArray before = testsupport::readBytes(h.path("fennick.dat"));
        h.start();
        QCOMPARE(h.column(2).size(), 3);

        h.port.queueAnswer(Answer::No);
        h.action("mu_PurgeDeletedRecords")->trigger();
        QCOMPARE(testsupport::readBytes(h.path("fennick.dat")), before);
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Confirm"));

        h.port.queueAnswer(Answer::Yes);
        h.action("mu_RestoreDeletedRecords")->trigger();
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Finished!"));
        QCOMPARE(h.port.lastMessage()->text,
                 QStringLiteral("2 records that were marked for deletion have been restored."));
        QCOMPARE(h.column(2).size(), 5);

        // Mark two again and purge them away.
        store::RecordFile f(h.path("fennick.dat"));
        for (int n : {2, 4}) {
            auto r = f.read(n);
            r.deletedFlag = 'Y';
            f.write(n, r);
        }
        const QByteArray marked = testsupport::readBytes(h.path("fennick.dat"));
        h.port.queueAnswer(Answer::Yes);
        h.action("mu_PurgeDeletedRecords")->trigger();
        QCOMPARE(h.port.lastMessage()->text,
                 QStringLiteral("2 records which were marked for deletion have been removed."));
        QCOMPARE(f.count(), 3);
        QStringList notes;
        for (int n = 1; n <= 3; ++n) {
            QCOMPARE(f.read(n).recordNumber, double(n));
            notes << f.read(n).noteText().trimmed();
        }
        QCOMPARE(notes, (QStringList{"r1", "r3", "r5"}));
        QCOMPARE(testsupport::readBytes(h.path("fennick.bak")), marked);
        QVERIFY(!QFile::exists(h.path("temp.dat")));
        QCOMPARE(h.column(2).size(), 3);

        // A purge with nothing marked still reports, and the backup equals the file.
        h.port.queueAnswer(Answer::Yes);
        h.action("mu_PurgeDeletedRecords")->trigger();
        QVERIFY(h.port.lastMessage()->text.startsWith("0 records"));
        QCOMPARE(testsupport::readBytes(h.path("fennick.bak")),
                 testsupport::readBytes(h.path("fennick.dat")));
        QCOMPARE(h.port.pendingAnswers(), 0);
    }

    // A purge killed while it wrote its work file, or between its two
    // renames: the next start finds the ledger whole, makes the backup a file
    // of its own and removes the work file, without a word.
    void startSettlesAKilledPurge()
    {
        AppHarness h;
        for (int i = 1; i <= 3; ++i)
            h.addRecord(QDate(2026, 6, i), -store::kMoneyScale * i, "FO", QStringLiteral("r%1").arg(i));
        const QByteArray ledger = testsupport::readBytes(h.path("fennick.dat"));
        testsupport::writeBytes(h.path("temp.dat"), ledger.left(125 + 60));
        QCOMPARE(::link(QFile::encodeName(h.path("fennick.dat")).constData(),
                        QFile::encodeName(h.path("fennick.bak")).constData()),
                 0);
        h.start();
        QVERIFY(!QFileInfo::exists(h.path("temp.dat")));
        QVERIFY(!store::sameFile(h.path("fennick.dat"), h.path("fennick.bak")));
        QCOMPARE(testsupport::readBytes(h.path("fennick.bak")), ledger);
        QCOMPARE(testsupport::readBytes(h.path("fennick.dat")), ledger);
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.column(2), (QStringList{"r3", "r2", "r1"}));
        QVERIFY(h.port.messagesShown().isEmpty());
    }

    void damagedSettingsFileIsKeptAside()
    {
        AppHarness h;
        testsupport::writeBytes(h.path("fnk41.cfg"), QByteArray(100, 'x'));
        auto& w = h.start();
        QVERIFY(w.isVisible());
        QCOMPARE(testsupport::readBytes(h.path("fnk41.cfg.bad")), QByteArray(100, 'x'));
        QCOMPARE(QFileInfo(h.path("fnk41.cfg")).size(), 1274);
        QCOMPARE(h.port.messagesShown().size(), 1);
    }

    // A category file of a wrong length: the user hears of it once, every
    // whole entry is used, and the damaged file is kept aside before the
    // start-up sort writes over it.
    void damagedCategoryFileIsToldAndKeptAside()
    {
        AppHarness h;
        h.addCategory("ZZ", "Last");
        h.addCategory("AA", "First");
        QByteArray damaged = testsupport::readBytes(h.path("category.dat")) + QByteArray(100, 'T');
        testsupport::writeBytes(h.path("category.dat"), damaged);
        auto& w = h.start();
        QVERIFY(w.isVisible());
        QCOMPARE(w.categoryModel()->rowCount(), 2);
        QCOMPARE(h.port.messagesShown().size(), 1);
        const platform::MessageBox told = *h.port.lastMessage();
        QCOMPARE(told.title, QStringLiteral("Category File Damaged"));
        QCOMPARE(told.icon, platform::Icon::Exclamation);
        QVERIFY2(told.text.contains(h.path("category.dat.bad")), qPrintable(told.text));
        QVERIFY(told.text.contains(QStringLiteral("1,180 bytes")));
        QCOMPARE(testsupport::readBytes(h.path("category.dat.bad")), damaged);
        QCOMPARE(QFileInfo(h.path("category.dat")).size(), 1080);
        QCOMPARE(testsupport::readBytes(h.path("category.dat")).left(2), QByteArray("AA"));

        h.action("mu_DefaultDataFolder")->trigger();
        QCOMPARE(h.port.messagesShown().size(), 1);
    }

    void unreadableSettingsFileIsNeverWritten()
    {
        AppHarness h;
        // Every read of this fails, and it must stay as it is.
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), h.path("fnk41.cfg")));
        auto& w = h.start();
        QVERIFY(w.isVisible());
        QCOMPARE(h.port.messagesShown().size(), 1);
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Settings File Unreadable"));
        h.action("mu_NoBold")->trigger();  // a setting changed in memory
        h.port.clear();
        w.close();
        QCOMPARE(QFileInfo(h.path("fnk41.cfg")).symLinkTarget(), QStringLiteral("/proc/self/mem"));
        QVERIFY(!QFileInfo::exists(h.path("fnk41.cfg.bad")));
        QVERIFY(!QFileInfo::exists(h.path("fnk41.tmp")));
        QVERIFY(h.port.messagesShown().isEmpty());  // told once, at start-up
    }

    void settingsWindowSaveAndQuit()
    {
        AppHarness h;
        auto& w = h.start();
        h.action("mu_ConfigSettings")->trigger();
        QWidget* config = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("FNK3Config") && top->isVisible())
                config = top;
        QVERIFY(config);
        QVERIFY(w.isVisible());  // the settings window does not block the main window

        const QByteArray before = testsupport::readBytes(h.path("fnk41.cfg"));
        config->findChild<QLineEdit*>("UDF1NameEd")->setText("Payee");
        QTest::mouseClick(config->findChild<QPushButton*>("QuitConfig"), Qt::LeftButton);
        QVERIFY(!config->isVisible());
        QCOMPARE(testsupport::readBytes(h.path("fnk41.cfg")), before);

        h.action("mu_ConfigSettings")->trigger();
        QCOMPARE(config->findChild<QLineEdit*>("UDF1NameEd")->text(), QStringLiteral("user 1"));
        config->findChild<QLineEdit*>("UDF1NameEd")->setText("Payee");
        config->findChild<QLineEdit*>("OwnerNameEd")->setText("The Smiths");
        QTest::mouseClick(config->findChild<QPushButton*>("SaveConfig"), Qt::LeftButton);
        QVERIFY(!config->isVisible());
        QCOMPARE(w.session().settings.userField1Name(), QStringLiteral("Payee     "));
        QCOMPARE(app::SettingsFile(h.folder()).read().record.ownerName().trimmed(),
                 QStringLiteral("The Smiths"));
    }

    void windowPlacedFromStoredTwips()
    {
        AppHarness h;
        writeSettings(h.folder(), [](app::SettingsRecord& s) {
            s.setWindowWidth(9000);
            s.setWindowHeight(6000);
            s.setWindowLeft(-99999);  // off every screen
            s.setWindowTop(-9999);
        });
        auto& w = h.start();
        const double dpi = w.screen()->logicalDotsPerInch();
        QCOMPARE(w.width(), int(std::lround(9000 * dpi / 1440.0)));
        QVERIFY(w.screen()->availableGeometry().intersects(w.geometry()));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
