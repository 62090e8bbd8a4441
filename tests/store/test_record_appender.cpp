// Appending a run of records in blocks: the bytes match one-at-a-time
// appends, and a failed block write leaves whole earlier blocks only.

#include "store/FileIo.h"
#include "store/LedgerRecord.h"
#include "store/RecordAppender.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QtTest>

using namespace fnk::store;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

constexpr qsizetype kRec = qsizetype(LedgerRecord::kSize);

LedgerRecord sample(int i)
{
    LedgerRecord r;
    r.entryDate = 41000 + i;
    r.setCategoryCode(QStringLiteral("K%1").arg(i));
    r.amount = -Money(i) * 12345;
    r.setNote(QStringLiteral("appended %1").arg(i));
    r.setUserField1(QStringLiteral("u%1").arg(i));
    r.deletedFlag = i % 3 == 0 ? 'Y' : 'N';
    r.recordNumber = 999;  // replaced by the position
    return r;
}

// Three records, then 40 bytes of a record cut short.
QByteArray damagedStart()
{
    QByteArray all;
    for (int i = 1; i <= 3; ++i) {
        LedgerRecord r = sample(100 + i);
        r.recordNumber = i;
        char buf[LedgerRecord::kSize];
        r.encode(buf);
        all.append(buf, kRec);
    }
    return all + QByteArray(40, 'x');
}

// The file after appending sample(1) to sample(n) one record at a time.
QByteArray oneByOne(const QString& path, const QByteArray& start, int n)
{
    writeBytes(path, start);
    RecordFile file(path);
    for (int i = 1; i <= n; ++i) {
        LedgerRecord r = sample(i);
        file.FileNewEntry(r);
    }
    return readBytes(path);
}

}  // namespace

class RecordAppenderTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        testing::reset();
        testing::setAppendBlockRecords(0);
    }

    void blocksMatchSingleAppends_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("records");
        QTest::newRow("one block, part full") << 0 << 7;
        QTest::newRow("blocks of 2, last part full") << 2 << 7;
        QTest::newRow("blocks of 3, all full") << 3 << 9;
        QTest::newRow("blocks of 1") << 1 << 4;
        // The block grows from 64 records as a run goes on.
        QTest::newRow("growing past 64 and 128") << 0 << 200;
        QTest::newRow("a full block and more") << 0 << int(RecordAppender::kBlockRecords) + 70;
        QTest::newRow("blocks of 100, grown once") << 100 << 250;
    }
    void blocksMatchSingleAppends()
    {
        QFETCH(int, block);
        QFETCH(int, records);
        Fixture f;
        const QByteArray expected = oneByOne(f.path("ref.dat"), damagedStart(), records);
        QCOMPARE(expected.size(), (3 + records) * kRec);

        testing::setAppendBlockRecords(block);
        const QString path = f.path("fennick.dat");
        writeBytes(path, damagedStart());
        RecordAppender run(path);
        for (int i = 1; i <= records; ++i) {
            LedgerRecord r = sample(i);
            QCOMPARE(run.append(r), qint64(3 + i));
            QCOMPARE(r.recordNumber, double(3 + i));
            QCOMPARE(run.written() + run.queued(), qint64(i));
        }
        if (block > 0)
            QCOMPARE(run.written(), qint64(records / block * block));
        run.finish();
        QCOMPARE(run.written(), qint64(records));
        QCOMPARE(run.queued(), qint64(0));
        QCOMPARE(readBytes(path), expected);
    }

    void emptyRunTouchesNothing()
    {
        Fixture f;
        const QString path = f.path("fennick.dat");
        {
            RecordAppender run(path);
            run.finish();
            QCOMPARE(run.written(), qint64(0));
        }
        QVERIFY(!QFileInfo::exists(path));
        writeBytes(path, damagedStart());
        RecordAppender(path).finish();
        QCOMPARE(readBytes(path), damagedStart());
    }

    // Seven records in blocks of two are four write calls; each in turn
    // fails, whole or half written.
    void failedBlockLeavesEarlierBlocksOnly_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("disk full") << int(testing::Fault::DiskFull);
        QTest::newRow("short write") << int(testing::Fault::ShortWrite);
        QTest::newRow("read-only") << int(testing::Fault::ReadOnly);
    }
    void failedBlockLeavesEarlierBlocksOnly()
    {
        QFETCH(int, fault);
        Fixture f;
        const QByteArray full = oneByOne(f.path("ref.dat"), damagedStart(), 7);
        const QString path = f.path("fennick.dat");
        testing::setAppendBlockRecords(2);
        for (int k = 0; k < 4; ++k) {
            writeBytes(path, damagedStart());
            testing::reset();
            testing::failWritesAfter(k, testing::Fault(fault));
            RecordAppender run(path);
            bool failed = false;
            try {
                for (int i = 1; i <= 7; ++i) {
                    LedgerRecord r = sample(i);
                    run.append(r);
                }
                run.finish();
            } catch (const FileError& e) {
                failed = true;
                QCOMPARE(e.number(), fault == int(testing::Fault::ReadOnly) ? int(kPermissionDenied)
                                                                           : int(kDiskFull));
            }
            testing::reset();
            QVERIFY2(failed, qPrintable(QStringLiteral("write %1").arg(k + 1)));
            QCOMPARE(run.written(), qint64(2 * k));
            const QByteArray now = readBytes(path);
            if (k == 0)
                QCOMPARE(now, damagedStart());  // the damaged tail is back
            else
                QCOMPARE(now, full.left((3 + 2 * k) * kRec));
            // The run is over: nothing more is taken.
            LedgerRecord more = sample(8);
            QVERIFY_THROWS_EXCEPTION(FileError, run.append(more));
            QVERIFY_THROWS_EXCEPTION(FileError, run.finish());
            QCOMPARE(readBytes(path), now);
        }
    }

    void droppedRunKeepsWrittenBlocks()
    {
        Fixture f;
        const QByteArray full = oneByOne(f.path("ref.dat"), damagedStart(), 5);
        const QString path = f.path("fennick.dat");
        writeBytes(path, damagedStart());
        testing::setAppendBlockRecords(2);
        {
            RecordAppender run(path);
            for (int i = 1; i <= 5; ++i) {
                LedgerRecord r = sample(i);
                run.append(r);
            }
            QCOMPARE(run.written(), qint64(4));
        }
        QCOMPARE(readBytes(path), full.left((3 + 4) * kRec));
    }
};

QTEST_GUILESS_MAIN(RecordAppenderTest)
#include "test_record_appender.moc"
