// Whole-file copies and saves through work files: a file of the user's that
// happens to carry the work file's name is never touched, and a failure
// leaves neither a half-written target nor a work file behind.

#include "store/FileIo.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

using namespace fnk::store;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray blocks(int count, char fill)
{
    return QByteArray(qsizetype(count) * qsizetype(kCopyBlockSize), fill);
}

struct FailureGuard {
    ~FailureGuard() { testing::reset(); }
};

}  // namespace

class FileCopiesTest : public QObject {
    Q_OBJECT

private slots:
    void copyLeavesAFileOfTheWorkFilesNameAlone();
    void failedCopyLeavesNothingBehind();
    void stoppedCopyLeavesNothingBehind();
    void saveLeavesAFileOfTheWorkFilesNameAlone();
    void failedSaveLeavesTheTargetAsItWas();
    void saveKeepsOrGivesPermissions();
    void leftoverOfAKilledRunGoesWithTheNext();
};

void FileCopiesTest::copyLeavesAFileOfTheWorkFilesNameAlone()
{
    Fixture fx;
    const QString source = fx.path("fennick.dat");
    const QString target = fx.path("copy/fennick.dat");
    QVERIFY(QDir().mkpath(fx.path("copy")));
    writeBytes(source, blocks(2, 'n') + "tail");
    writeBytes(target + ".part", "the user's own file");
    writeBytes(target, "old copy");

    QVERIFY(copyThroughWorkFile(source, target + ".part", target));
    QCOMPARE(readBytes(target), blocks(2, 'n') + "tail");
    QCOMPARE(readBytes(target + ".part"), QByteArray("the user's own file"));
    QCOMPARE(filesIn(fx.path("copy")), QStringList({"fennick.dat", "fennick.dat.part"}));
}

void FileCopiesTest::failedCopyLeavesNothingBehind()
{
    Fixture fx;
    FailureGuard guard;
    const QString source = fx.path("fennick.dat");
    const QString target = fx.path("copy/fennick.dat");
    QVERIFY(QDir().mkpath(fx.path("copy")));
    writeBytes(source, blocks(3, 'n'));
    writeBytes(target, "old copy");
    writeBytes(target + ".part", "the user's own file");

    testing::failWritesAfter(1);
    try {
        copyThroughWorkFile(source, target + ".part", target);
        QFAIL("the copy went through a full disk");
    } catch (const FileError& e) {
        QCOMPARE(e.number(), int(kDiskFull));
        // The message names the file the user knows, not the work file.
        QCOMPARE(e.name(), QStringLiteral("Disk full writing ") + target);
        QCOMPARE(e.path(), target);
    }
    testing::reset();
    QCOMPARE(readBytes(target), QByteArray("old copy"));
    QCOMPARE(readBytes(target + ".part"), QByteArray("the user's own file"));
    QCOMPARE(filesIn(fx.path("copy")), QStringList({"fennick.dat", "fennick.dat.part"}));

    // A folder that does not exist: no work file can be made, nothing appears.
    QVERIFY_THROWS_EXCEPTION(FileError, copyThroughWorkFile(source, fx.path("gone/x.part"),
                                                            fx.path("gone/x")));
    QVERIFY(!QFileInfo::exists(fx.path("gone")));
}

void FileCopiesTest::stoppedCopyLeavesNothingBehind()
{
    Fixture fx;
    const QString source = fx.path("fennick.dat");
    const QString target = fx.path("fennick.bak");
    writeBytes(source, blocks(3, 'n'));
    QList<qint64> seen;
    const bool done = copyThroughWorkFile(source, target + ".tmp", target,
                                          [&](qint64 sofar, qint64 size) {
                                              seen << sofar;
                                              return size > 0 && seen.size() < 2;
                                          });
    QVERIFY(!done);
    QCOMPARE(seen, (QList<qint64>{kCopyBlockSize, 2 * kCopyBlockSize}));
    QCOMPARE(filesIn(fx.folder()), QStringList({"fennick.dat"}));
}

void FileCopiesTest::saveLeavesAFileOfTheWorkFilesNameAlone()
{
    Fixture fx;
    const QString target = fx.path("report.txt");
    writeBytes(target + ".part", "the user's own file");

    saveWholeFile(target, "first\r\n");
    QCOMPARE(readBytes(target), QByteArray("first\r\n"));
    saveWholeFile(target, "second, longer\r\n");
    QCOMPARE(readBytes(target), QByteArray("second, longer\r\n"));
    saveWholeFile(target, QByteArray());
    QCOMPARE(readBytes(target), QByteArray());
    QCOMPARE(readBytes(target + ".part"), QByteArray("the user's own file"));
    QCOMPARE(filesIn(fx.folder()), QStringList({"report.txt", "report.txt.part"}));
}

void FileCopiesTest::failedSaveLeavesTheTargetAsItWas()
{
    Fixture fx;
    FailureGuard guard;
    const QString target = fx.path("report.txt");
    writeBytes(target, "old report");

    testing::failWritesAfter(0);
    QVERIFY_THROWS_EXCEPTION(FileError, saveWholeFile(target, "new report"));
    testing::reset();
    QCOMPARE(readBytes(target), QByteArray("old report"));
    QCOMPARE(filesIn(fx.folder()), QStringList({"report.txt"}));

    // A target that is a folder cannot be replaced: the folder stays, no
    // work file is left.
    QVERIFY(QDir().mkdir(fx.path("folder.txt")));
    QVERIFY_THROWS_EXCEPTION(FileError, saveWholeFile(fx.path("folder.txt"), "text"));
    QVERIFY(QFileInfo(fx.path("folder.txt")).isDir());
    QCOMPARE(filesIn(fx.folder()), QStringList({"report.txt"}));
}

void FileCopiesTest::saveKeepsOrGivesPermissions()
{
    Fixture fx;
    const QString target = fx.path("report.txt");
    const auto rw = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto everyone = QFileDevice::ReadGroup | QFileDevice::ReadOther;

    // A new file is not left private as a work file would be: it gets what
    // the file-creation mask gives any new file.
    const QString plain = fx.path("plain.txt");
    {
        QFile f(plain);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const auto expected = QFileInfo(plain).permissions() & (rw | everyone | QFileDevice::WriteGroup
                                                            | QFileDevice::WriteOther);
    saveWholeFile(target, "new");
    const auto mask = rw | everyone | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    QCOMPARE(QFileInfo(target).permissions() & mask, expected);

    // An existing file keeps its own.
    QVERIFY(QFile::setPermissions(target, rw));
    saveWholeFile(target, "again");
    QCOMPARE(QFileInfo(target).permissions() & mask, rw);
    QCOMPARE(readBytes(target), QByteArray("again"));
}

// A kill between creating the unique work file and its rename leaves it
// behind; the next copy or save of the same file removes it, and only it.
void FileCopiesTest::leftoverOfAKilledRunGoesWithTheNext()
{
    Fixture fx;
    const QString source = fx.path("fennick.dat");
    writeBytes(source, "ledger");
    const QString target = fx.path("report.txt");
    writeBytes(fx.path("report.txt.a1B2c3.part"), "left by a killed save");
    writeBytes(fx.path("fennick.bak.Zq9x0W.tmp"), "left by a killed copy");
    // Names of the user's that only look alike.
    writeBytes(fx.path("report.txt.a1-2c3.part"), "mine");
    writeBytes(fx.path("report.txt.a1B2c34.part"), "mine");
    writeBytes(fx.path("report.txt.part"), "mine");

    saveWholeFile(target, "new\r\n");
    QVERIFY(copyThroughWorkFile(source, fx.path("fennick.bak.tmp"), fx.path("fennick.bak")));
    QCOMPARE(filesIn(fx.folder()),
             QStringList({"fennick.bak", "fennick.dat", "report.txt", "report.txt.a1-2c3.part",
                          "report.txt.a1B2c34.part", "report.txt.part"}));
    QCOMPARE(readBytes(fx.path("fennick.bak")), QByteArray("ledger"));
}

QTEST_GUILESS_MAIN(FileCopiesTest)
#include "test_file_copies.moc"
