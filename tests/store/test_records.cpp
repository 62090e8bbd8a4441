// The record file: the 125-byte layout on disk, appending, replacing in
// place, damaged files, write failures and re-indexing.

#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/LedgerRecord.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QtEndian>
#include <QtTest>

#include <cstring>

using namespace fnk::store;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

double doubleAt(const QByteArray& b, qsizetype offset)
{
    quint64 bits = qFromLittleEndian<quint64>(b.constData() + offset);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

qint64 int64At(const QByteArray& b, qsizetype offset)
{
    return qFromLittleEndian<qint64>(b.constData() + offset);
}

LedgerRecord sample(int i)
{
    LedgerRecord r;
    r.entryDate = 40000 + i;
    r.setCategoryCode(QStringLiteral("C%1").arg(i));
    r.amount = Money(i) * 10000;
    r.setNote(QStringLiteral("note %1").arg(i));
    return r;
}

// A file of `n` records numbered `numbers[i]` (or their position), made
// without going through RecordFile.
QByteArray fileOf(int n, const QList<double>& numbers = {})
{
    QByteArray all;
    for (int i = 0; i < n; ++i) {
        LedgerRecord r = sample(i + 1);
        r.recordNumber = i < numbers.size() ? numbers[i] : double(i + 1);
        char buf[LedgerRecord::kSize];
        r.encode(buf);
        all.append(buf, LedgerRecord::kSize);
    }
    return all;
}

}  // namespace

class RecordFileTest : public QObject {
    Q_OBJECT

private slots:
    void layoutOnDisk();
    void textFieldsDecodeFullWidth();
    void appendToEmptyFile();
    void appendNumbersAfterExisting();
    void replaceTouchesOnlyItsRecord();
    void replaceRefusesRecordsThatAreNotThere();
    void partialLastRecordIsIgnored();
    void failedWritesLeaveFileUnchanged();
    void walkCrossesBlockBoundary();
    void reindexWritesOnlyWrongNumbers();
};

void RecordFileTest::layoutOnDisk()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));

    LedgerRecord income;
    income.entryDate = dayFromDate(QDate(2002, 1, 1));
    income.setCategoryCode(QStringLiteral("FOOD"));
    income.amount = 125000;
    income.setNote(QString(75, QLatin1Char('x')).replace(59, 1, QLatin1Char('E')));
    income.setUserField1(QStringLiteral("abc"));
    income.setUserField2(QStringLiteral("0123456789XYZ"));
    QCOMPARE(file.FileNewEntry(income), qint64(1));

    LedgerRecord expense = income;
    expense.amount = -125000;
    QCOMPARE(file.FileNewEntry(expense), qint64(2));

    const QByteArray b = readBytes(file.path());
    QCOMPARE(b.size(), qsizetype(250));

    // Date: a whole day number as a little-endian double.
    QCOMPARE(doubleAt(b, 0), 37257.0);
    double whole = 37257.0;
    quint64 bits;
    std::memcpy(&bits, &whole, 8);
    QCOMPARE(b.mid(0, 8), QByteArray(reinterpret_cast<const char*>(&bits), 8));

    QCOMPARE(b.mid(8, 10), QByteArray("FOOD      "));
    QCOMPARE(int64At(b, 18), qint64(125000));
    QCOMPARE(b.mid(18, 8), QByteArray("\x48\xE8\x01\x00\x00\x00\x00\x00", 8));
    // Note cut at 60: the 60th character is the last one kept.
    QCOMPARE(b.mid(26, 60), QByteArray(59, 'x') + 'E');
    QCOMPARE(b.mid(86, 10), QByteArray("abc       "));
    QCOMPARE(b.mid(96, 10), QByteArray("0123456789"));
    QCOMPARE(doubleAt(b, 106), 1.0);
    QCOMPARE(b.at(114), 'N');
    QCOMPARE(b.mid(115, 10), QByteArray(10, ' '));

    // The expense differs only in its amount and its record number.
    QCOMPARE(int64At(b, 125 + 18), qint64(-125000));
    QCOMPARE(b.mid(125 + 18, 8), QByteArray("\xB8\x17\xFE\xFF\xFF\xFF\xFF\xFF", 8));
    QCOMPARE(doubleAt(b, 125 + 106), 2.0);
    QCOMPARE(b.mid(125, 18), b.mid(0, 18));
    QCOMPARE(b.mid(125 + 26, 80), b.mid(26, 80));
    QCOMPARE(b.mid(125 + 114, 11), b.mid(114, 11));

    // And both read back as written.
    const LedgerRecord back = file.read(2);
    QCOMPARE(back.entryDate, 37257.0);
    QCOMPARE(back.amount, Money(-125000));
    QCOMPARE(back.recordNumber, 2.0);
    QVERIFY(!back.isDeleted());
}

void RecordFileTest::textFieldsDecodeFullWidth()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));
    LedgerRecord r;
    r.setCategoryCode(QStringLiteral("Café"));
    r.setNote(QStringLiteral("“Rent” €500"));
    r.deletedFlag = 'Y';
    file.FileNewEntry(r);

    const QByteArray b = readBytes(file.path());
    QCOMPARE(b.mid(8, 10), QByteArray("Caf\xE9      "));
    QCOMPARE(b.mid(26, 11), QByteArray("\x93Rent\x94 \x80" "500"));
    QCOMPARE(b.at(114), 'Y');

    const LedgerRecord back = file.read(1);
    QCOMPARE(back.categoryCodeText(), QStringLiteral("Café      "));
    QCOMPARE(back.noteText(), QStringLiteral("“Rent” €500") + QString(49, QLatin1Char(' ')));
    QCOMPARE(back.userField1Text(), QString(10, QLatin1Char(' ')));
    QVERIFY(back.isDeleted());
}

void RecordFileTest::appendToEmptyFile()
{
    Fixture fx;
    const QString path = fx.path(QStringLiteral("fennick.dat"));
    RecordFile file(path);
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(file.count(), qint64(0));
    QVERIFY(QFileInfo::exists(path));  // created empty by the first open

    LedgerRecord r = sample(1);
    r.recordNumber = 99;
    QCOMPARE(file.FileNewEntry(r), qint64(1));
    QCOMPARE(r.recordNumber, 1.0);
    QCOMPARE(QFileInfo(path).size(), qint64(125));
    QCOMPARE(file.read(1).recordNumber, 1.0);
    QCOMPARE(file.count(), qint64(1));
}

void RecordFileTest::appendNumbersAfterExisting()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));
    writeBytes(file.path(), fileOf(40));
    LedgerRecord r = sample(41);
    QCOMPARE(file.FileNewEntry(r), qint64(41));
    QCOMPARE(file.count(), qint64(41));
    QCOMPARE(file.read(41).recordNumber, 41.0);
    QCOMPARE(readBytes(file.path()).left(40 * 125), fileOf(40));
}

void RecordFileTest::replaceTouchesOnlyItsRecord()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));
    const QByteArray before = fileOf(10);
    writeBytes(file.path(), before);

    LedgerRecord r = file.read(7);
    r.setNote(QStringLiteral("changed"));
    r.amount = -1;
    file.ReplaceRecord(6.6, r);  // the selected number is rounded

    const QByteArray after = readBytes(file.path());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(750), before.left(750));
    QCOMPARE(after.mid(875), before.mid(875));
    QVERIFY(after.mid(750, 125) != before.mid(750, 125));
    const LedgerRecord back = LedgerRecord::decode(after.constData() + 750);
    QCOMPARE(back.noteText().trimmed(), QStringLiteral("changed"));
    QCOMPARE(back.amount, Money(-1));
    QCOMPARE(back.recordNumber, 7.0);  // written as read
}

void RecordFileTest::replaceRefusesRecordsThatAreNotThere()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));
    const QByteArray before = fileOf(3);
    writeBytes(file.path(), before);
    const LedgerRecord r = sample(9);
    for (double selected : {0.0, 0.4, 3.6, 4.0, -1.0, qQNaN(), qInf()})
        QVERIFY_THROWS_EXCEPTION(FileError, file.ReplaceRecord(selected, r));
    QVERIFY_THROWS_EXCEPTION(FileError, file.read(0));
    QVERIFY_THROWS_EXCEPTION(FileError, file.read(4));
    QCOMPARE(readBytes(file.path()), before);
}

void RecordFileTest::partialLastRecordIsIgnored()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));
    const QByteArray whole = fileOf(3);
    writeBytes(file.path(), whole + QByteArray(40, '\x7F'));

    QCOMPARE(file.count(), qint64(3));
    QCOMPARE(file.readAll().size(), std::size_t(3));
    QVERIFY_THROWS_EXCEPTION(FileError, file.read(4));

    LedgerRecord r = sample(4);
    QCOMPARE(file.FileNewEntry(r), qint64(4));
    const QByteArray after = readBytes(file.path());
    QCOMPARE(after.size(), qsizetype(500));
    QCOMPARE(after.left(375), whole);
    const LedgerRecord back = LedgerRecord::decode(after.constData() + 375);
    QCOMPARE(back.recordNumber, 4.0);
    QCOMPARE(back.categoryCodeText(), QStringLiteral("C4        "));
}

void RecordFileTest::failedWritesLeaveFileUnchanged()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));
    const QByteArray before = fileOf(5) + QByteArray(17, 'z');
    writeBytes(file.path(), before);

    LedgerRecord r = sample(8);
    testing::failWritesAfter(0);
    try {
        file.FileNewEntry(r);
        QFAIL("the append should have failed");
    } catch (const FileError& e) {
        QCOMPARE(e.number(), int(kDiskFull));
        QCOMPARE(e.path(), file.path());
    }
    QCOMPARE(readBytes(file.path()), before);

    QVERIFY_THROWS_EXCEPTION(FileError, file.ReplaceRecord(2, r));
    QCOMPARE(readBytes(file.path()), before);

    testing::reset();
    file.ReplaceRecord(2, r);
    QCOMPARE(file.read(2).categoryCodeText(), QStringLiteral("C8        "));
}

void RecordFileTest::walkCrossesBlockBoundary()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));
    const int n = int(RecordFile::kBlockRecords) + 3;
    writeBytes(file.path(), fileOf(n) + QByteArray(60, ' '));

    qint64 seen = 0;
    bool inOrder = true;
    file.forEachRaw([&](const char* bytes, qint64 pos) {
        ++seen;
        inOrder = inOrder && pos == seen && rawRecordNumber(bytes) == double(pos)
                  && rawAmount(bytes) == Money(pos) * 10000;
    });
    QCOMPARE(seen, qint64(n));
    QVERIFY(inOrder);

    const auto all = file.readAll();
    QCOMPARE(all.size(), std::size_t(n));
    QCOMPARE(all.back().recordNumber, double(n));
    QCOMPARE(all.back().noteText().trimmed(), QStringLiteral("note %1").arg(n));
}

void RecordFileTest::reindexWritesOnlyWrongNumbers()
{
    Fixture fx;
    RecordFile file(fx.path(QStringLiteral("fennick.dat")));

    writeBytes(file.path(), fileOf(3, {7, 7, 2}));
    QCOMPARE(file.reindex(), qint64(3));
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(file.read(n).recordNumber, double(n));
    QCOMPARE(readBytes(file.path()), fileOf(3));

    // Two wrong numbers among five: two writes are all it may make.
    writeBytes(file.path(), fileOf(5, {1, 9, 3, 0.5, 5}));
    testing::failWritesAfter(2);
    QCOMPARE(file.reindex(), qint64(2));
    QCOMPARE(readBytes(file.path()), fileOf(5));

    // Nothing left to fix: no write at all.
    testing::failWritesAfter(0);
    QCOMPARE(file.reindex(), qint64(0));
}

QTEST_GUILESS_MAIN(RecordFileTest)
#include "test_records.moc"
