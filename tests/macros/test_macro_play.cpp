// Playing a macro onto the record file: the records as the macro holds them
// with the chosen date, numbered on from the file's count; progress hears
// only of records written; a failed block leaves the blocks before it.

#include "macros/MacroFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordAppender.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QtTest>

using namespace fnk;
using store::LedgerRecord;
using store::Money;
using testsupport::Fixture;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

constexpr qsizetype kRec = qsizetype(LedgerRecord::kSize);

QByteArray recordsOf(int first, int count, bool macro)
{
    QByteArray all;
    for (int i = first; i < first + count; ++i) {
        LedgerRecord r;
        r.entryDate = 44000 + i;
        r.amount = Money(i) * -2500;
        r.setCategoryCode(QStringLiteral("M%1").arg(i));
        r.setNote(QStringLiteral("macro line %1").arg(i));
        r.setUserField2(QStringLiteral("x%1").arg(i));
        r.deletedFlag = macro && i % 2 == 0 ? 'Y' : 'N';
        r.recordNumber = macro ? 0 : i;
        char buf[LedgerRecord::kSize];
        r.encode(buf);
        all.append(buf, kRec);
    }
    return all;
}

}  // namespace

class MacroPlayTest : public QObject {
    Q_OBJECT

private slots:
    void init() { testsupport::pinLocale(); }
    void cleanup()
    {
        store::testing::reset();
        store::testing::setAppendBlockRecords(0);
    }

    void playsEveryRecordWithTheDate()
    {
        Fixture f;
        const QString macro = f.path("month.fnk");
        const QString ledger = f.path("fennick.dat");
        writeBytes(macro, recordsOf(1, 5, true));
        writeBytes(ledger, recordsOf(1, 2, false));
        store::testing::setAppendBlockRecords(2);
        QList<qint64> heard;
        const qint64 n = macros::playMacro(macro, ledger, QDate(2024, 3, 1),
                                           [&](qint64 done, qint64 total) {
                                               QCOMPARE(total, qint64(5));
                                               heard << done;
                                           });
        QCOMPARE(n, qint64(5));
        QCOMPARE(heard, (QList<qint64>{2, 4, 5}));
        const std::vector<LedgerRecord> all = store::RecordFile(ledger).readAll();
        const std::vector<LedgerRecord> played = store::RecordFile(macro).readAll();
        QCOMPARE(all.size(), std::size_t(7));
        QCOMPARE(readBytes(ledger).left(2 * kRec), recordsOf(1, 2, false));
        for (std::size_t i = 0; i < played.size(); ++i) {
            LedgerRecord expected = played[i];
            expected.entryDate = store::dayFromDate(QDate(2024, 3, 1));
            expected.recordNumber = double(3 + i);
            char want[LedgerRecord::kSize];
            char got[LedgerRecord::kSize];
            expected.encode(want);
            all[2 + i].encode(got);
            QCOMPARE(QByteArray(got, kRec), QByteArray(want, kRec));
        }
        QCOMPARE(all[3].deletedFlag, 'Y');  // deletion marks are played as kept
    }

    void failedBlockKeepsTheBlocksBefore()
    {
        Fixture f;
        const QString macro = f.path("month.fnk");
        const QString ledger = f.path("fennick.dat");
        writeBytes(macro, recordsOf(1, 5, true));
        const QByteArray before = recordsOf(1, 2, false);
        writeBytes(ledger, before);
        store::testing::setAppendBlockRecords(2);
        store::testing::failWritesAfter(1, store::testing::Fault::ShortWrite);
        QList<qint64> heard;
        int number = 0;
        try {
            macros::playMacro(macro, ledger, QDate(2024, 3, 1),
                              [&](qint64 done, qint64) { heard << done; });
        } catch (const store::FileError& e) {
            number = e.number();
        }
        store::testing::reset();
        QCOMPARE(number, int(store::kDiskFull));
        QCOMPARE(heard, QList<qint64>{2});
        const QByteArray now = readBytes(ledger);
        QCOMPARE(now.size(), 4 * kRec);
        QVERIFY(now.startsWith(before));
        QCOMPARE(store::RecordFile(ledger).read(4).recordNumber, 4.0);
    }
};

QTEST_GUILESS_MAIN(MacroPlayTest)
#include "test_macro_play.moc"
