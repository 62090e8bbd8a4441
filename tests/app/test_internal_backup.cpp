// The "Create Internal Backup File" and "Restore Internal Backup File"
// commands: which boxes they show, what they say, and what they leave.

#include "app/InternalBackup.h"

#include "store/FileIo.h"
#include "store/LedgerRecord.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

using fnk::app::mu_CreateBackup;
using fnk::app::mu_RestoreBackup;
using fnk::platform::Answer;
using fnk::platform::Buttons;
using fnk::platform::Icon;
using fnk::store::LedgerRecord;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

QByteArray recordsOf(int n, int marked = 0)
{
    QByteArray all;
    for (int i = 1; i <= n; ++i) {
        LedgerRecord r;
        r.entryDate = 46000 + i;
        r.amount = -fnk::store::Money(i) * 2500;
        r.setNote(QStringLiteral("entry %1 of %2").arg(i).arg(n));
        r.recordNumber = i;
        r.deletedFlag = i <= marked ? 'Y' : 'N';
        char buf[LedgerRecord::kSize];
        r.encode(buf);
        all.append(buf, LedgerRecord::kSize);
    }
    return all;
}

void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified)
{
    writeBytes(path, bytes);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

const QDateTime kDatTime(QDate(2026, 11, 30), QTime(17, 45, 10));
const QDateTime kBakTime(QDate(2026, 10, 2), QTime(8, 3, 0));

struct Files {
    Fixture fx;
    QString dat = fx.path(QStringLiteral("fennick.dat"));
    QString bak = fx.path(QStringLiteral("fennick.bak"));
    QString folder = fx.folder();

    // What the questions show before their own sentence.
    QString summaries(int datRecords, int datMarked, int bakRecords, int bakMarked) const
    {
        return QStringLiteral("Your current %1 data file contains %2 records, %3 of which are "
                              "marked for deletion. The file was last modified 11/30/2026 "
                              "5:45:10 PM\n\n"
                              "Your backup %1 data file contains %4 records, %5 of which are "
                              "marked for deletion. The file was last modified 10/2/2026 "
                              "8:03:00 AM\n\n")
            .arg(folder)
            .arg(datRecords)
            .arg(datMarked)
            .arg(bakRecords)
            .arg(bakMarked);
    }
};

void checkFinished(const Fixture& fx, const QString& text)
{
    const auto last = fx.port.lastMessage();
    QVERIFY(last.has_value());
    QCOMPARE(last->title, QStringLiteral("Finished"));
    QCOMPARE(last->text, text);
    QCOMPARE(last->icon, Icon::Information);
}

}  // namespace

class TestInternalBackupCommands : public QObject {
    Q_OBJECT
private slots:
    void createOverNoRecordsAsksNothing_data();
    void createOverNoRecordsAsksNothing();
    void createOverRecordsAsksFirst();
    void restoreOfEmptyBackupHasNothingToDo();
    void restoreAsksAndCopiesTheBackup();
    void fileFailureIsReportedAndChangesNothing();
};

void TestInternalBackupCommands::createOverNoRecordsAsksNothing_data()
{
    QTest::addColumn<bool>("backupExists");
    QTest::newRow("no backup") << false;
    QTest::newRow("empty backup") << true;
}

void TestInternalBackupCommands::createOverNoRecordsAsksNothing()
{
    QFETCH(bool, backupExists);
    Files f;
    writeFile(f.dat, recordsOf(4, 1), kDatTime);
    if (backupExists)
        writeFile(f.bak, {}, kBakTime);

    QVERIFY(mu_CreateBackup(f.dat, f.folder));
    QCOMPARE(f.fx.port.messagesShown().size(), 1);
    checkFinished(f.fx, QStringLiteral("New backup file created!"));
    QCOMPARE(readBytes(f.bak), recordsOf(4, 1));
}

void TestInternalBackupCommands::createOverRecordsAsksFirst()
{
    Files f;
    writeFile(f.dat, recordsOf(6, 2), kDatTime);
    writeFile(f.bak, recordsOf(12), kBakTime);

    f.fx.port.queueAnswer(Answer::No);
    QVERIFY(!mu_CreateBackup(f.dat, f.folder));
    QCOMPARE(f.fx.port.messagesShown().size(), 1);
    const auto ask = f.fx.port.messagesShown().first();
    QCOMPARE(ask.title, QStringLiteral("Create backup data file?"));
    QCOMPARE(ask.icon, Icon::Question);
    QCOMPARE(ask.buttons, Buttons::YesNo);
    QCOMPARE(ask.text,
             f.summaries(6, 2, 12, 0)
                 + QStringLiteral(
                     "Do you wish to replace the existing backup file with the current data? If "
                     "you answer yes, you will be able to restore your current data in the event "
                     "you are displeased with an import operation. Note, however, that this will "
                     "over-write the existing backup set!"));
    QCOMPARE(readBytes(f.bak), recordsOf(12));

    f.fx.port.clear();
    f.fx.port.queueAnswer(Answer::Yes);
    QVERIFY(mu_CreateBackup(f.dat, f.folder));
    QCOMPARE(f.fx.port.messagesShown().size(), 2);
    checkFinished(f.fx, QStringLiteral("New backup file created!"));
    QCOMPARE(readBytes(f.bak), recordsOf(6, 2));
    QCOMPARE(f.fx.port.pendingAnswers(), 0);
}

void TestInternalBackupCommands::restoreOfEmptyBackupHasNothingToDo()
{
    Files f;
    writeFile(f.dat, recordsOf(5), kDatTime);

    // The list is still to show all categories afterwards.
    QVERIFY(mu_RestoreBackup(f.dat, f.folder));
    QCOMPARE(f.fx.port.messagesShown().size(), 1);
    const auto box = f.fx.port.messagesShown().first();
    QCOMPARE(box.title, QStringLiteral("Nothing to do!"));
    QCOMPARE(box.text, QStringLiteral("Your backup data file for ") + f.folder
                           + QStringLiteral("\ndoes not contain any records!"));
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(box.buttons, Buttons::Ok);
    QCOMPARE(readBytes(f.dat), recordsOf(5));
    QCOMPARE(QFileInfo(f.bak).size(), 0);
}

void TestInternalBackupCommands::restoreAsksAndCopiesTheBackup()
{
    Files f;
    writeFile(f.dat, recordsOf(3), kDatTime);
    writeFile(f.bak, recordsOf(8, 2), kBakTime);

    f.fx.port.queueAnswer(Answer::No);
    QVERIFY(mu_RestoreBackup(f.dat, f.folder));
    QCOMPARE(f.fx.port.messagesShown().size(), 1);
    const auto ask = f.fx.port.messagesShown().first();
    QCOMPARE(ask.title, QStringLiteral("Confirm"));
    QCOMPARE(ask.icon, Icon::Question);
    QCOMPARE(ask.buttons, Buttons::YesNo);
    QCOMPARE(ask.text, f.summaries(3, 0, 8, 2)
                           + QStringLiteral("Do you wish to replace the current set with the backup?"));
    QCOMPARE(readBytes(f.dat), recordsOf(3));

    f.fx.port.clear();
    f.fx.port.queueAnswer(Answer::Yes);
    QVERIFY(mu_RestoreBackup(f.dat, f.folder));
    checkFinished(f.fx, QStringLiteral("Previous data restored!"));
    QCOMPARE(readBytes(f.dat), readBytes(f.bak));
    QCOMPARE(readBytes(f.bak), recordsOf(8, 2));
    QCOMPARE(f.fx.port.pendingAnswers(), 0);
}

void TestInternalBackupCommands::fileFailureIsReportedAndChangesNothing()
{
    Files f;
    writeFile(f.dat, recordsOf(3), kDatTime);
    writeFile(f.bak, recordsOf(4), kBakTime);

    fnk::store::testing::failWritesAfter(0);
    f.fx.port.queueAnswer(Answer::Yes);
    QVERIFY(!mu_CreateBackup(f.dat, f.folder));
    f.fx.port.queueAnswer(Answer::Yes);
    QVERIFY(!mu_RestoreBackup(f.dat, f.folder));
    fnk::store::testing::reset();

    const auto shown = f.fx.port.messagesShown();
    QCOMPARE(shown.size(), 4);  // each command: its question, then the error box
    for (int i : {1, 3}) {
        QCOMPARE(shown[i].title, QStringLiteral("Error - operation aborted"));
        QCOMPARE(shown[i].icon, Icon::Critical);
        QVERIFY(shown[i].text.contains(QStringLiteral("Error number: 61")));
    }
    QCOMPARE(readBytes(f.dat), recordsOf(3));
    QCOMPARE(readBytes(f.bak), recordsOf(4));
}

QTEST_GUILESS_MAIN(TestInternalBackupCommands)
#include "test_internal_backup.moc"
