// A folder that holds a ledger but cannot be written: the program's own
// folder at start-up, or a data folder switched to later.  The folder is made
// read-only; where that does not stop this process (root ignores permission
// bits), the program's write check is told the same, so the program never
// gets as far as a write that would go through.
#include "AppHarness.h"

#include "app/FolderLock.h"
#include "app/ProgramFolder.h"
#include "app/Settings.h"
#include "reports/ChartWindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

using namespace fnk;

namespace {

// Every file under `folder` with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out.insert(path, testsupport::readBytes(path));
    }
    return out;
}

// Makes folders read-only for its lifetime.
struct ReadOnlyFolders {
    QStringList folders;
    bool bitsIgnored = false;

    explicit ReadOnlyFolders(const QStringList& list) : folders(list)
    {
        for (const QString& f : folders)
            QFile::setPermissions(f, QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                         | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
        QFile probe(folders.first() + QStringLiteral("probe"));
        bitsIgnored = probe.open(QIODevice::WriteOnly);
        if (bitsIgnored) {
            probe.remove();
            const QStringList held = folders;
            app::testing::setWriteCheck([held](const QString& folder) {
                for (const QString& f : held)
                    if (QDir(folder) == QDir(f))
                        return false;
                return true;
            });
        }
    }
    ~ReadOnlyFolders()
    {
        app::testing::setWriteCheck(nullptr);
        for (const QString& f : folders)
            QFile::setPermissions(f, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                         | QFileDevice::ExeOwner);
    }
};

const char* const kWriting[] = {"mu_NewEntry", "mu_PurgeDeletedRecords", "mu_NewCategory",
                                "mu_PlayMacro", "mu_Import", "mu_ReIndex", "mu_NotesOpen"};

}  // namespace

class ReadOnlyFolderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void programFolderKeepsTheDataSetItHolds()
    {
        testsupport::Fixture fx;
        const QString perUser = app::withTrailingSlash(
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        for (const char* name : {"fnk41.cfg", "fennick.dat"}) {
            QTemporaryDir exe;
            const QString own = app::withTrailingSlash(exe.path());
            testsupport::writeBytes(own + QLatin1String(name), QByteArray(125, ' '));
            ReadOnlyFolders ro({own});
            QVERIFY(!app::canWriteIn(own));
            QCOMPARE(app::programFolderFor(exe.path()), own);
        }
        // Nothing of the user's there: the per-user folder.
        QTemporaryDir empty;
        testsupport::writeBytes(app::withTrailingSlash(empty.path()) + QStringLiteral("fnk40.HLP"), "help");
        ReadOnlyFolders ro({app::withTrailingSlash(empty.path())});
        QCOMPARE(app::programFolderFor(empty.path()), perUser);
    }

    void startInAReadOnlyProgramFolder()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 5, 1), -store::kMoneyScale, "FO", "bread");
        h.addRecord(QDate(2026, 5, 2), -store::kMoneyScale, "FO", "milk");
        app::SettingsFile(h.folder()).write(app::firstRunDefaults());
        const auto before = snapshot(h.folder());
        ReadOnlyFolders ro({h.folder()});

        auto& w = h.start();
        QVERIFY(w.isVisible());
        QVERIFY(w.session().readOnly);
        QCOMPARE(w.session().dataFolder, h.folder());
        QCOMPARE(w.windowTitle(), QStringLiteral("Fennick (read-only)"));
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.column(2), (QStringList{"milk", "bread"}));
        QCOMPARE(w.categoryModel()->rowCount(), 1);
        for (const char* c : kWriting)
            QVERIFY2(!h.action(c)->isEnabled(), c);
        QVERIFY(!h.action("mu_ConfigSettings")->isEnabled());

        // Told once, with the reason.
        const QList<platform::MessageBox> told = h.port.messagesShown();
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].title, QStringLiteral("Data Folder Read-Only"));
        QCOMPARE(told[0].icon, platform::Icon::Exclamation);
        QVERIFY2(told[0].text.contains(h.folder()), qPrintable(told[0].text));
        QVERIFY(told[0].text.contains(QStringLiteral("cannot be written")));
        QVERIFY(told[0].text.contains(QStringLiteral("settings")));
        QVERIFY(told[0].text.contains(QStringLiteral("make reports")));
        h.action("mu_DefaultDataFolder")->trigger();
        QCOMPARE(h.port.messagesShown().size(), 1);

        // Reports still work: their files go to a folder of the run's own,
        // and what the user writes out goes where the user says.
        h.report("mu_ReportFull");
        QVERIFY(h.action("mu_ReturnToList")->isEnabled());  // the report is on screen
        QCOMPARE(h.port.messagesShown().size(), 1);          // no error box
        QCOMPARE(snapshot(h.folder()), before);
        QTemporaryDir out;
        const QString copy = out.filePath(QStringLiteral("copy.txt"));
        h.port.queueFile(copy);
        h.action("mu_WriteText")->trigger();
        const QByteArray text = testsupport::readBytes(copy);
        QVERIFY2(text.contains("bread") && text.contains("milk"), text.constData());
        // The chart's pictures are offered a folder the user keeps.
        h.action("mu_ReportChart")->trigger();
        auto* chart = qobject_cast<reports::ChartWindow*>(
            w.findChild<QWidget*>(QStringLiteral("fnkChart")));
        QVERIFY(chart);
        h.port.queueFile(QString());  // cancelled
        chart->savePng();
        QCOMPARE(h.port.shown().last().kind, platform::ScriptedMessagePort::Shown::File);
        QCOMPARE(h.port.shown().last().fileDialog.folder, QDir::homePath());
        h.action("mu_ReturnToList")->trigger();
        const QString reportFolder = w.session().reportFolder();
        QVERIFY(QFileInfo::exists(reportFolder + QStringLiteral("fnk_rep.tmp")));

        h.window.reset();  // closing writes no settings
        QCOMPARE(snapshot(h.folder()), before);
        QVERIFY(!QFileInfo::exists(reportFolder));  // its work files went at exit
    }

    void switchToAReadOnlyDataFolder()
    {
        AppHarness h;
        const QString other = h.path(QStringLiteral("other/"));
        QVERIFY(QDir(h.folder()).mkdir(QStringLiteral("other")));
        store::LedgerRecord r;
        r.entryDate = store::dayFromDate(QDate(2026, 5, 3));
        r.amount = store::kMoneyScale;
        r.setCategoryCode(QStringLiteral("WA"));
        r.setNote(QStringLiteral("elsewhere"));
        store::RecordFile(other + QStringLiteral("fennick.dat")).FileNewEntry(r);
        testsupport::writeBytes(other + QStringLiteral("category.dat"), QByteArray());
        const auto before = snapshot(other);
        const QString empty = h.path(QStringLiteral("empty/"));
        QVERIFY(QDir(h.folder()).mkdir(QStringLiteral("empty")));
        app::SettingsRecord s = app::firstRunDefaults();
        s.setAlternateFolder1(other);
        app::SettingsFile(h.folder()).write(s);

        auto& w = h.start();
        QVERIFY(!w.session().readOnly);
        ReadOnlyFolders ro({other, empty});
        // Without a data set a read-only folder is no ledger to open: the
        // switch fails as for a missing folder.
        app::FolderLock probe;
        QCOMPARE(probe.take(empty), app::FolderLock::Outcome::NotPossible);
        QCOMPARE(probe.take(other), app::FolderLock::Outcome::ReadOnly);
        QVERIFY(probe.folder().isEmpty());
        for (int round = 0; round < 2; ++round) {
            h.action("mu_AlternateFolder1")->trigger();
            QCOMPARE(w.session().dataFolder, other);
            QVERIFY(w.session().readOnly);
            QVERIFY(!h.action("mu_NewEntry")->isEnabled());
            // The settings live in the program folder, which can be written.
            QVERIFY(h.action("mu_ConfigSettings")->isEnabled());
            h.action("mu_FiscalYear")->trigger();
            QCOMPARE(h.column(2), QStringList{"elsewhere"});
            // Told the first time only; no error box.
            const QList<platform::MessageBox> told = h.port.messagesShown();
            QCOMPARE(told.size(), 1);
            QCOMPARE(told[0].title, QStringLiteral("Data Folder Read-Only"));
            QVERIFY(told[0].text.contains(other));
            QVERIFY(!told[0].text.contains(QStringLiteral("settings")));

            h.action("mu_DefaultDataFolder")->trigger();
            QVERIFY(!w.session().readOnly);
            QVERIFY(h.action("mu_NewEntry")->isEnabled());
        }
        QCOMPARE(snapshot(other), before);
    }
};

QTEST_MAIN(ReadOnlyFolderTest)
#include "test_read_only_folder.moc"
