// Purge of deleted records: where its work file goes, and what a failed last
// step leaves behind.

#include "store/FileIo.h"
#include "store/LedgerRecord.h"
#include "store/Maintenance.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace fnk;
using testsupport::readBytes;

namespace {

void writeRecords(const QString& path, int count)
{
    store::RecordFile f(path);
    for (int i = 1; i <= count; ++i) {
        store::LedgerRecord r;
        r.entryDate = 46000 + i;
        r.amount = -store::Money(i) * 10000;
        r.setNote(QStringLiteral("entry %1").arg(i));
        r.deletedFlag = i % 2 == 0 ? 'Y' : 'N';
        f.FileNewEntry(r);
    }
}

struct stat statOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        st.st_ino = 0;
    return st;
}

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

class MaintenanceTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { store::testing::reset(); }

    void macroElsewhereIsPurgedBesideItself()
    {
        testsupport::Fixture fx;
        QTemporaryDir macroDir(QDir::tempPath() + QStringLiteral("/macros-XXXXXX"));
        // On this machine /dev/shm is often a file system of its own: the
        // macro goes there when it is, so the last rename would cross.
        QTemporaryDir shm(QStringLiteral("/dev/shm/fnk-XXXXXX"));
        const bool otherDevice = shm.isValid() && statOf(shm.path()).st_dev != statOf(fx.folder()).st_dev;
        const QString folder = otherDevice ? shm.path() : macroDir.path();
        const QString macro = folder + QStringLiteral("/bills.fnk");
        writeRecords(macro, 5);
        testsupport::writeBytes(folder + QStringLiteral("/temp.dat"), "the user's own file");
        const QByteArray before = readBytes(macro);

        QCOMPARE(store::PurgeDeletedRecs(macro, fx.folder()), qint64(2));
        const store::RecordFile purged(macro);
        QCOMPARE(purged.count(), 3);
        for (int n = 1; n <= 3; ++n) {
            QCOMPARE(purged.read(n).recordNumber, double(n));
            QCOMPARE(purged.read(n).noteText().trimmed(), QStringLiteral("entry %1").arg(2 * n - 1));
        }
        QCOMPARE(readBytes(fx.path(QStringLiteral("fennick.bak"))), before);
        // Nothing left over, and a file that happens to be called temp.dat is
        // neither used nor removed.
        QCOMPARE(namesIn(folder), (QStringList{QStringLiteral("bills.fnk"), QStringLiteral("temp.dat")}));
        QCOMPARE(readBytes(folder + QStringLiteral("/temp.dat")), QByteArray("the user's own file"));
        QVERIFY(!QFileInfo::exists(fx.path(QStringLiteral("temp.dat"))));
        if (!otherDevice)
            qInfo("no second file system here: the macro sat in another folder of the same one");
    }

    void failedLastRenameLeavesABackupOfItsOwn()
    {
        testsupport::Fixture fx;
        const QString dat = fx.path(QStringLiteral("fennick.dat"));
        const QString bak = fx.path(QStringLiteral("fennick.bak"));
        writeRecords(dat, 4);
        const QByteArray before = readBytes(dat);

        store::testing::failRenameOnto(dat);
        QVERIFY_THROWS_EXCEPTION(store::FileError, store::PurgeDeletedRecs(dat, fx.folder()));
        QCOMPARE(readBytes(dat), before);
        QCOMPARE(readBytes(bak), before);
        QCOMPARE(statOf(dat).st_nlink, nlink_t(1));
        QVERIFY(statOf(bak).st_ino != statOf(dat).st_ino);
        QCOMPARE(namesIn(fx.folder()), (QStringList{QStringLiteral("fennick.bak"), QStringLiteral("fennick.dat")}));

        // An edit in place of the live file leaves the backup as it was.
        store::RecordFile live(dat);
        store::LedgerRecord r = live.read(1);
        r.setNote(QStringLiteral("changed later"));
        live.write(1, r);
        QCOMPARE(readBytes(bak), before);

        // Without the fault the same purge goes through.
        QCOMPARE(store::PurgeDeletedRecs(dat, fx.folder()), qint64(2));
        QCOMPARE(live.count(), 2);
        QCOMPARE(live.read(1).noteText().trimmed(), QStringLiteral("changed later"));
    }

    // A run killed after the old ledger became the backup, but before the new
    // one took its name, leaves the backup and its link work file as further
    // names of the live ledger.
    void purgeStoppedBetweenItsRenamesIsSettled()
    {
        testsupport::Fixture fx;
        const QString dat = fx.path(QStringLiteral("fennick.dat"));
        const QString bak = fx.path(QStringLiteral("fennick.bak"));
        const QString lnk = bak + QStringLiteral(".lnk");
        writeRecords(dat, 4);
        const QByteArray before = readBytes(dat);
        QCOMPARE(::link(QFile::encodeName(dat).constData(), QFile::encodeName(bak).constData()), 0);
        QCOMPARE(::link(QFile::encodeName(dat).constData(), QFile::encodeName(lnk).constData()), 0);

        // The next start makes the backup a file of its own.
        QVERIFY(store::separateCopy(dat, bak));
        QVERIFY(!store::sameFile(dat, bak));
        QVERIFY(!QFileInfo::exists(lnk));
        QVERIFY(!store::separateCopy(dat, bak));
        store::RecordFile live(dat);
        store::LedgerRecord r = live.read(1);
        r.setNote(QStringLiteral("changed later"));
        live.write(1, r);
        QCOMPARE(readBytes(bak), before);

        // The purge run again leaves no link work file behind, even where the
        // backup is still a second name of the ledger when it starts.
        QCOMPARE(::link(QFile::encodeName(dat).constData(), QFile::encodeName(lnk).constData()), 0);
        QFile::remove(bak);
        QCOMPARE(::link(QFile::encodeName(dat).constData(), QFile::encodeName(bak).constData()), 0);
        const QByteArray edited = readBytes(dat);
        QCOMPARE(store::PurgeDeletedRecs(dat, fx.folder()), qint64(2));
        QCOMPARE(namesIn(fx.folder()), (QStringList{QStringLiteral("fennick.bak"), QStringLiteral("fennick.dat")}));
        QCOMPARE(readBytes(bak), edited);
        QCOMPARE(live.count(), 2);
        QVERIFY(!store::sameFile(dat, bak));
    }

    // A purge killed while it wrote leaves its work file: the next opening of
    // the folder, or the next purge, takes it away.
    void leftoverWorkFilesAreRemoved()
    {
        testsupport::Fixture fx;
        const QString dat = fx.path(QStringLiteral("fennick.dat"));
        const QString temp = fx.path(QStringLiteral("temp.dat"));
        testsupport::writeBytes(temp, QByteArray(200, 'x'));
        // Without a ledger beside it, the file is not taken for a leftover.
        store::removePurgeLeftovers(fx.folder());
        QVERIFY(QFileInfo::exists(temp));
        writeRecords(dat, 4);
        const QByteArray ledger = readBytes(dat);
        store::removePurgeLeftovers(fx.folder());
        QVERIFY(!QFileInfo::exists(temp));
        QCOMPARE(readBytes(dat), ledger);

        // Beside a macro elsewhere: its unique work files go with its next
        // purge; files of the user's that only look alike stay.
        QTemporaryDir macroDir(QDir::tempPath() + QStringLiteral("/macros-XXXXXX"));
        const QString folder = macroDir.path();
        const QString macro = folder + QStringLiteral("/bills.fnk");
        writeRecords(macro, 5);
        const QStringList kept{QStringLiteral("bills.fnk.backup"), QStringLiteral("bills.fnk.a1B2c.purge"),
                               QStringLiteral("temp.dat")};
        for (const QString& n : kept)
            testsupport::writeBytes(folder + u'/' + n, "the user's own file");
        testsupport::writeBytes(folder + QStringLiteral("/bills.fnk.k9X2aQ.purge"), QByteArray(300, 'y'));
        QCOMPARE(store::PurgeDeletedRecs(macro, fx.folder()), qint64(2));
        QStringList expected = kept;
        expected << QStringLiteral("bills.fnk");
        expected.sort();
        QCOMPARE(namesIn(folder), expected);
    }
};

QTEST_MAIN(MaintenanceTest)
#include "test_maintenance.moc"
