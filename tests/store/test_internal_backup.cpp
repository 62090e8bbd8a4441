// The internal backup: what the summaries count and say, and the whole-file
// copies that make and restore the backup.

#include "store/FileIo.h"
#include "store/InternalBackup.h"
#include "store/LedgerRecord.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

using namespace fnk::store;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

// `n` records, those whose position is in `marked` carrying "Y".
QByteArray recordsOf(int n, const QList<int>& marked = {}, const QString& note = QStringLiteral("r"))
{
    QByteArray all;
    for (int i = 1; i <= n; ++i) {
        LedgerRecord r;
        r.entryDate = 45000 + i;
        r.amount = Money(i) * 10000;
        r.setNote(note + QString::number(i));
        r.recordNumber = i;
        r.deletedFlag = marked.contains(i) ? 'Y' : 'N';
        char buf[LedgerRecord::kSize];
        r.encode(buf);
        all.append(buf, LedgerRecord::kSize);
    }
    return all;
}

void setModified(const QString& path, const QDateTime& when)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

}  // namespace

class TestInternalBackup : public QObject {
    Q_OBJECT
private slots:
    void summariesCountWholeAndMarkedRecords();
    void missingFileIsCreatedEmpty();
    void copiesAreWholeAndIndependent();
    void failedCopyLeavesTargetAsItWas_data();
    void failedCopyLeavesTargetAsItWas();
};

void TestInternalBackup::summariesCountWholeAndMarkedRecords()
{
    Fixture fx;
    const QString dat = fx.path(QStringLiteral("fennick.dat"));
    // A damaged tail of 120 bytes whose would-be deletion mark is "Y" is no record.
    QByteArray tail = recordsOf(1, {1}).left(120);
    writeBytes(dat, recordsOf(10, {2, 5, 9}) + tail);
    const QDateTime when(QDate(2026, 3, 14), QTime(9, 26, 53));
    setModified(dat, when);

    const FileSummary s = summarize(dat);
    QCOMPARE(s.records, 10);
    QCOMPARE(s.marked, 3);
    QCOMPARE(s.lastModified, when);

    const QString folder = QStringLiteral("/home/ann/ledger/");
    const QString rest = QStringLiteral(
        "/home/ann/ledger/ data file contains 10 records, 3 of which are marked for deletion. "
        "The file was last modified 3/14/2026 9:26:53 AM");
    QCOMPARE(currentSummaryText(folder, s), QStringLiteral("Your current ") + rest);
    QCOMPARE(backupSummaryText(folder, s), QStringLiteral("Your backup ") + rest);

    // The general date form shows a time of midnight as the date alone, and
    // afternoon times in the twelve-hour clock.
    QCOMPARE(generalDateTime(QDateTime(QDate(2026, 1, 2), QTime(0, 0))), QStringLiteral("1/2/2026"));
    QCOMPARE(generalDateTime(QDateTime(QDate(2026, 12, 31), QTime(23, 5, 0))),
             QStringLiteral("12/31/2026 11:05:00 PM"));
}

void TestInternalBackup::missingFileIsCreatedEmpty()
{
    Fixture fx;
    const QString bak = backupPath(fx.folder());
    QCOMPARE(bak, fx.path(QStringLiteral("fennick.bak")));
    const FileSummary s = summarize(bak);
    QCOMPARE(s.records, 0);
    QCOMPARE(s.marked, 0);
    QVERIFY(QFileInfo::exists(bak));
    QCOMPARE(QFileInfo(bak).size(), 0);
    QVERIFY(s.lastModified.isValid());
}

void TestInternalBackup::copiesAreWholeAndIndependent()
{
    Fixture fx;
    const QString dat = fx.path(QStringLiteral("fennick.dat"));
    const QString bak = fx.path(QStringLiteral("fennick.bak"));
    // A damaged tail is copied too: the copy is byte for byte.
    const QByteArray original = recordsOf(7, {3}) + QByteArray("tail");
    writeBytes(dat, original);
    writeBytes(bak, recordsOf(12));
    const QDateTime when(QDate(2025, 6, 1), QTime(8, 0, 0));
    setModified(dat, when);

    createBackup(dat, fx.folder());
    QCOMPARE(readBytes(bak), original);
    QCOMPARE(readBytes(dat), original);
    QCOMPARE(QFileInfo(bak).lastModified(), when);
    QCOMPARE(filesIn(fx.folder()), QStringList({"fennick.bak", "fennick.dat"}));

    // Later changes to the record file do not reach the backup, and a restore
    // brings the record file back while the backup stays for another restore.
    LedgerRecord changed = RecordFile(dat).read(1);
    changed.setNote(QStringLiteral("changed"));
    RecordFile(dat).write(1, changed);
    RecordFile(dat).FileNewEntry(changed);
    QCOMPARE(readBytes(bak), original);

    restoreBackup(dat, fx.folder());
    QCOMPARE(readBytes(dat), original);
    QCOMPARE(readBytes(bak), original);
    QCOMPARE(filesIn(fx.folder()), QStringList({"fennick.bak", "fennick.dat"}));
}

void TestInternalBackup::failedCopyLeavesTargetAsItWas_data()
{
    QTest::addColumn<bool>("restore");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("okWrites");
    QTest::newRow("backup, first write") << false << 5 << 0;
    // More than one block: the failure comes with part of the copy written.
    QTest::newRow("backup, mid-copy") << false << 20000 << 1;
    QTest::newRow("restore, first write") << true << 5 << 0;
    QTest::newRow("restore, mid-copy") << true << 20000 << 1;
}

void TestInternalBackup::failedCopyLeavesTargetAsItWas()
{
    QFETCH(bool, restore);
    QFETCH(int, records);
    QFETCH(int, okWrites);
    Fixture fx;
    const QString dat = fx.path(QStringLiteral("fennick.dat"));
    const QString bak = fx.path(QStringLiteral("fennick.bak"));
    const QByteArray datBytes = recordsOf(restore ? 3 : records, {}, QStringLiteral("dat"));
    const QByteArray bakBytes = recordsOf(restore ? records : 3, {}, QStringLiteral("bak"));
    writeBytes(dat, datBytes);
    writeBytes(bak, bakBytes);

    testing::failWritesAfter(okWrites);
    bool threw = false;
    try {
        if (restore)
            restoreBackup(dat, fx.folder());
        else
            createBackup(dat, fx.folder());
    } catch (const FileError& e) {
        threw = true;
        QCOMPARE(e.number(), int(kDiskFull));
    }
    testing::reset();
    QVERIFY(threw);
    QCOMPARE(readBytes(dat), datBytes);
    QCOMPARE(readBytes(bak), bakBytes);
    QCOMPARE(filesIn(fx.folder()), QStringList({"fennick.bak", "fennick.dat"}));
}

QTEST_GUILESS_MAIN(TestInternalBackup)
#include "test_internal_backup.moc"
