// One copy of the program per data folder.  The other copy is a child
// process: this test program started again with "--hold <folder>", which
// locks the folder, says "held" and waits until it is killed or its input
// closes.
#include "AppHarness.h"

#include "app/FolderLock.h"
#include "support/OtherCopy.h"

#include <QApplication>
#include <QDir>
#include <QProcess>

#include <cstdio>
#include <unistd.h>

using namespace fnk;
using app::FolderLock;
using testsupport::OtherCopy;
using testsupport::holdFolder;

namespace {

const char* const kWriting[] = {"mu_NewEntry", "mu_EditEntry", "mu_PurgeDeletedRecords",
                                "mu_RestoreDeletedRecords", "mu_NewCategory", "mu_EditCategory",
                                "mu_PlayMacro", "mu_MacroCreate", "mu_Import", "mu_CreateBackup",
                                "mu_RestoreBackup", "mu_ReIndex", "mu_NotesOpen"};

}  // namespace

class FolderLockTest : public QObject {
    Q_OBJECT
private slots:
    void aRunningCopyKeepsItsFolderHoweverOld()
    {
        testsupport::Fixture f;
        const QString folder = f.folder();
        OtherCopy other(folder);
        FolderLock lock;
        QCOMPARE(lock.take(folder), FolderLock::Outcome::InUse);
        QCOMPARE(lock.holder().pid, other.process.processId());
        QCOMPARE(lock.holder().program, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        QVERIFY(lock.folder().isEmpty());
        const QString text = FolderLock::inUseText(folder, lock.holder(), QStringLiteral("the program ends"));
        QVERIFY2(text.contains(QStringLiteral("process %1").arg(other.process.processId())), qPrintable(text));
        QVERIFY(text.contains(folder));

        // An hour-old lock of a live copy is still its lock.
        QFile file(FolderLock::lockPath(folder));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(lock.take(folder), FolderLock::Outcome::InUse);
    }

    void aKilledCopysLockIsTakenOver()
    {
        AppHarness h;
        {
            OtherCopy other(h.folder());
            other.kill();
        }
        QVERIFY(QFileInfo::exists(FolderLock::lockPath(h.folder())));
        FolderLock lock;
        QCOMPARE(lock.take(h.folder()), FolderLock::Outcome::Held);
        QCOMPARE(lock.folder(), h.folder());
        lock.release();
        QVERIFY(!QFileInfo::exists(FolderLock::lockPath(h.folder())));

        // The window takes a dead copy's folder without a question.
        {
            OtherCopy other(h.folder());
            other.kill();
        }
        auto& w = h.start();
        QVERIFY(!w.session().readOnly);
        QCOMPARE(w.session().folderLock.folder(), h.folder());
        QVERIFY(h.port.messagesShown().isEmpty());
    }

    void takingAnotherFolderLetsTheFirstGo()
    {
        testsupport::Fixture f;
        QDir(f.folder()).mkdir(QStringLiteral("b"));
        const QString a = f.folder(), b = f.path(QStringLiteral("b/"));
        FolderLock lock;
        QCOMPARE(lock.take(a), FolderLock::Outcome::Held);
        QCOMPARE(lock.take(a), FolderLock::Outcome::Held);  // again: still held
        QCOMPARE(lock.take(b), FolderLock::Outcome::Held);
        OtherCopy other(a);  // would fail if a were still held
        QCOMPARE(lock.take(a), FolderLock::Outcome::InUse);
        QCOMPARE(lock.folder(), b);  // a refused take keeps what was held
        QCOMPARE(lock.take(f.path(QStringLiteral("missing/"))), FolderLock::Outcome::NotPossible);
        QCOMPARE(lock.folder(), b);
    }

    void secondCopyOpensReadOnlyOrEnds()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 5, 1), 10000, "FO", "ledger entry");
        h.start();  // a first run writes the settings
        QVERIFY(h.action("mu_NewEntry")->isEnabled());
        h.window.reset();
        const QByteArray ledger = testsupport::readBytes(h.path("fennick.dat"));
        const QByteArray settings = testsupport::readBytes(h.path("fnk41.cfg"));
        QVERIFY(!settings.isEmpty());

        OtherCopy other(h.folder());
        // No: the program ends and shows nothing.
        {
            h.port.clear();
            h.port.queueAnswer(platform::Answer::No);
            h.window = std::make_unique<app::MainWindow>(h.folder());
            QSignalSpy ended(h.window.get(), &app::MainWindow::endProgram);
            h.window->startUp();
            QCOMPARE(ended.count(), 1);
            QVERIFY(!h.window->isVisible());
            const auto m = h.port.lastMessage();
            QVERIFY(m);
            QCOMPARE(m->title, QStringLiteral("Data folder in use"));
            QVERIFY(m->text.contains(QStringLiteral("process %1").arg(other.process.processId())));
            QCOMPARE(m->defaultButton, platform::Answer::No);
            h.window.reset();
        }
        // Yes: read-only, with every writing command off.
        h.port.clear();
        h.port.queueAnswer(platform::Answer::Yes);
        auto& w = h.start();
        QVERIFY(w.isVisible());
        QVERIFY(w.session().readOnly);
        QCOMPARE(w.windowTitle(), QStringLiteral("Fennick (read-only)"));
        QCOMPARE(w.listModel()->rowCount(), 1);  // the list still shows
        for (const char* c : kWriting)
            QVERIFY2(!h.action(c)->isEnabled(), c);
        QVERIFY(!h.action("mu_ConfigSettings")->isEnabled());
        QVERIFY(h.action("mu_NewReport")->isEnabled());  // reports only read the records
        QVERIFY(!h.child("btn_New")->isEnabled());
        QVERIFY(!h.child("btn_Macro")->isEnabled());
        // The list's own ways in write nothing either.
        auto* grid = h.child<QTableView>("MainGrid");
        grid->setCurrentIndex(w.listModel()->index(0, 0));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Insert);
        QVERIFY(!h.child("EditFrame")->isVisible());
        h.port.queueAnswer(platform::Answer::Yes);
        w.ListPopDelete_Click();
        QCOMPARE(h.port.pendingAnswers(), 1);
        // A report leaves the other copy's report files alone.
        h.report("mu_ReportSummary");
        QVERIFY(h.action("mu_ReturnToList")->isEnabled());
        QVERIFY(!QFileInfo::exists(h.path("report.tmp")));
        QVERIFY(!QFileInfo::exists(h.path("fnk_rep.tmp")));
        h.window.reset();  // the close writes no settings
        QCOMPARE(testsupport::readBytes(h.path("fennick.dat")), ledger);
        QCOMPARE(testsupport::readBytes(h.path("fnk41.cfg")), settings);
    }

    void folderSwitchesMoveTheLock()
    {
        AppHarness h;
        QDir(h.folder()).mkdir(QStringLiteral("b"));
        QDir(h.folder()).mkdir(QStringLiteral("c"));
        const QString b = h.path(QStringLiteral("b/")), c = h.path(QStringLiteral("c/"));
        auto& w = h.start();
        QCOMPARE(w.session().folderLock.folder(), h.folder());
        h.port.queueFile(b + QStringLiteral("(select a folder)"));
        h.action("mu_SelectDataFolder")->trigger();
        QCOMPARE(w.session().dataFolder, b);
        QCOMPARE(w.session().folderLock.folder(), b);
        OtherCopy first(h.folder());  // the program folder was let go

        OtherCopy holder(c);
        // No: the switch does not happen and b stays held.
        h.port.queueAnswer(platform::Answer::No);
        h.port.queueFile(c + QStringLiteral("(select a folder)"));
        h.action("mu_SelectDataFolder")->trigger();
        QCOMPARE(w.session().dataFolder, b);
        QCOMPARE(w.session().folderLock.folder(), b);
        QVERIFY(!w.session().readOnly);
        QVERIFY(h.port.lastMessage()->text.contains(QStringLiteral("stays ") + b));
        // Yes: c read-only, b let go.
        h.port.queueAnswer(platform::Answer::Yes);
        h.port.queueFile(c + QStringLiteral("(select a folder)"));
        h.action("mu_SelectDataFolder")->trigger();
        QCOMPARE(w.session().dataFolder, c);
        QVERIFY(w.session().readOnly);
        QVERIFY(!h.action("mu_NewEntry")->isEnabled());
        QVERIFY(w.session().folderLock.folder().isEmpty());
        // The settings belong to the program folder, which this copy held at
        // start-up: they are still written.
        QVERIFY(h.action("mu_ConfigSettings")->isEnabled());
        OtherCopy takesB(b);

        // Once the other copy is gone, c can be taken and written again.
        holder.kill();
        h.port.queueFile(c + QStringLiteral("(select a folder)"));
        h.action("mu_SelectDataFolder")->trigger();
        QVERIFY(!w.session().readOnly);
        QCOMPARE(w.session().folderLock.folder(), c);
        QVERIFY(h.action("mu_NewEntry")->isEnabled());
        QCOMPARE(w.windowTitle(), QStringLiteral("Fennick"));
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        return holdFolder(argv[2]);
    }
    QApplication app(argc, argv);
    FolderLockTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_folder_lock.moc"
