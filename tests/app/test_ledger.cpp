// The ledger without a window: the folder lock's outcomes, a folder switch,
// and the epoch that every change of the record file advances, whether the
// command ended well or not.
#include "app/Ledger.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "support/OtherCopy.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using namespace fnk;
using app::FolderLock;
using app::Ledger;

namespace {

void addRecord(const QString& file, int day, store::Money amount, bool deleted)
{
    store::LedgerRecord r;
    r.entryDate = day;
    r.amount = amount;
    r.setCategoryCode(QStringLiteral("FO"));
    r.setNote(QStringLiteral("entry"));
    r.deletedFlag = deleted ? 'Y' : 'N';
    store::RecordFile(file).FileNewEntry(r);
}

}  // namespace

class LedgerTest : public QObject {
    Q_OBJECT
private slots:
    void lockOutcomes()
    {
        testsupport::Fixture f;
        QDir(f.folder()).mkdir(QStringLiteral("b"));
        const QString b = f.path(QStringLiteral("b/"));
        Ledger ledger(f.folder());
        QSignalSpy readOnly(&ledger, &Ledger::readOnlyChanged);

        QCOMPARE(ledger.lockDataFolder(f.folder()), FolderLock::Outcome::Held);
        QVERIFY(!ledger.session().readOnly);
        QCOMPARE(readOnly.count(), 1);

        // Another copy holds b: nothing changes until the caller decides.
        testsupport::OtherCopy other(b);
        QCOMPARE(ledger.lockDataFolder(b), FolderLock::Outcome::InUse);
        QVERIFY(!ledger.session().readOnly);
        QCOMPARE(ledger.session().folderLock.folder(), f.folder());
        QCOMPARE(readOnly.count(), 1);
        QCOMPARE(ledger.session().folderLock.holder().pid, other.process.processId());

        ledger.openReadOnly(false);
        QVERIFY(ledger.session().readOnly);
        QVERIFY(!ledger.session().settingsReadOnly);  // only a start-up refusal keeps the settings
        QVERIFY(ledger.session().folderLock.folder().isEmpty());
        QCOMPARE(readOnly.takeLast().at(0).toBool(), true);

        // A folder that is not there: no lock, and the switch itself fails.
        const QString missing = f.path(QStringLiteral("missing/"));
        QCOMPARE(ledger.lockDataFolder(missing), FolderLock::Outcome::NotPossible);
        QVERIFY(ledger.session().readOnly);  // unchanged: the folder was never opened
    }

    void folderSwitchChecksAndReindexes()
    {
        testsupport::Fixture f;
        QDir(f.folder()).mkdir(QStringLiteral("b"));
        const QString b = f.path(QStringLiteral("b/"));
        // Record numbers out of step: the re-index of the switch renumbers.
        addRecord(b + QStringLiteral("fennick.dat"), 46000, 100, false);
        addRecord(b + QStringLiteral("fennick.dat"), 46001, 200, false);
        {
            store::RecordFile rf(b + QStringLiteral("fennick.dat"));
            store::LedgerRecord r = rf.read(2);
            r.recordNumber = 7;
            rf.write(2, r);
        }
        Ledger ledger(f.folder());
        QSignalSpy changed(&ledger.session(), &app::Session::recordFileChanged);
        const quint64 before = ledger.session().recordEpoch();
        QCOMPARE(ledger.lockDataFolder(b), FolderLock::Outcome::Held);
        ledger.switchDataFolder(b, true);
        QCOMPARE(ledger.session().dataFolder, b);
        QCOMPARE(ledger.session().recordFile(), b + QStringLiteral("fennick.dat"));
        QCOMPARE(changed.count(), 1);
        QVERIFY(ledger.session().recordEpoch() > before);
        QCOMPARE(store::RecordFile(b + QStringLiteral("fennick.dat")).read(2).recordNumber, 2.0);

        // A folder that is gone: the switch throws, named as the path.
        const QString gone = f.path(QStringLiteral("gone/"));
        try {
            ledger.switchDataFolder(gone, true);
            QFAIL("a missing folder was taken");
        } catch (const store::FileError& e) {
            QCOMPARE(e.number(), int(store::kPathNotFound));
            QCOMPARE(e.name(), QStringLiteral("Path not found: ") + gone);
        }
    }

    void everyRecordChangeAdvancesTheEpoch()
    {
        testsupport::Fixture f;
        const QString file = f.path(QStringLiteral("fennick.dat"));
        addRecord(file, 46000, 100, true);
        addRecord(file, 46001, 200, false);
        Ledger ledger(f.folder());
        QSignalSpy renumbered(&ledger.session(), &app::Session::recordsRenumbered);
        const QByteArray bytes = testsupport::readBytes(file);

        // A purge that fails on a full disk: the file stays, the numbers go.
        quint64 epoch = ledger.session().recordEpoch();
        store::testing::failWritesAfter(0);
        QVERIFY_THROWS_EXCEPTION(store::FileError, ledger.purgeDeleted());
        store::testing::reset();
        QCOMPARE(testsupport::readBytes(file), bytes);
        QCOMPARE(renumbered.count(), 1);
        QVERIFY(ledger.session().recordEpoch() > epoch);

        epoch = ledger.session().recordEpoch();
        QCOMPARE(ledger.restoreDeleted(), 1);
        QCOMPARE(renumbered.count(), 2);
        QVERIFY(ledger.session().recordEpoch() > epoch);
        QCOMPARE(ledger.purgeDeleted(), 0);
        QCOMPARE(renumbered.count(), 3);

        // A re-index that finds nothing to renumber keeps the numbers.
        QVERIFY(!ledger.reindex());
        QCOMPARE(renumbered.count(), 3);

        // Work of the caller's that fails still lets go of the numbers.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 ledger.changeRecords([]() -> int { throw std::runtime_error("x"); }));
        QCOMPARE(renumbered.count(), 4);
    }

    void macroEditSwitchesTheRecordFile()
    {
        testsupport::Fixture f;
        Ledger ledger(f.folder());
        QSignalSpy changed(&ledger.session(), &app::Session::recordFileChanged);
        const QString macro = f.path(QStringLiteral("bills.fnk"));
        QCOMPARE(ledger.enterMacroEdit(macro), Ledger::MacroOpen::Opened);
        QVERIFY(ledger.session().macroMode);
        QCOMPARE(ledger.session().recordFile(), macro);
        QCOMPARE(changed.count(), 1);

        // A file that holds no records of ours is refused and nothing changes.
        testsupport::writeBytes(f.path(QStringLiteral("bad.fnk")), QByteArray(130, 'x'));
        QCOMPARE(ledger.enterMacroEdit(f.path(QStringLiteral("bad.fnk"))), Ledger::MacroOpen::Damaged);
        QCOMPARE(ledger.session().recordFile(), macro);
        QCOMPARE(changed.count(), 1);

        ledger.leaveMacroEdit();
        QVERIFY(!ledger.session().macroMode);
        QCOMPARE(ledger.session().recordFile(), f.path(QStringLiteral("fennick.dat")));
        QCOMPARE(changed.count(), 2);
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        return testsupport::holdFolder(argv[2]);
    }
    QCoreApplication app(argc, argv);
    LedgerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ledger.moc"
