// Every command under a failing disk: a full disk or a short write at each of
// its write calls in turn, a real small file system, and a read-only one.
#include "crash/CrashCommands.h"

#include "store/FileIo.h"
#include "store/RecordAppender.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fnk;
using Files = QMap<QString, QByteArray>;
using store::testing::Fault;

namespace {

constexpr qsizetype kRec = qsizetype(store::LedgerRecord::kSize);

crash::Sizes smallSizes()
{
    crash::Sizes s;
    s.ledger = 300;
    s.saves = 1;  // one save is one command
    s.importLines = 12;
    s.macroRecords = 6;
    return s;
}

// Commands that add several records keep those added before a failure.
bool keepsEarlierRecords(const QString& name)
{
    return name == QLatin1String("import") || name == QLatin1String("macro");
}

// Runs the command expecting it to fail once; returns the failure's number.
int failingRun(const QString& name, const QString& folder, QString& message)
{
    try {
        crash::run(name, folder, smallSizes());
    } catch (const store::FileError& e) {
        message = e.name();
        return e.number();
    }
    return 0;
}

// The folder after a failed command.  Each file is as it was before the
// command, or, for a command made of several steps, as a finished step left
// it: the failing step itself leaves no trace and no work file.  Commands
// that add several records keep the old ledger plus whole new records only;
// the deletion marks of a restore are cleared one record at a time.
void compareUnchanged(const QString& name, const QList<Files>& states, const Files& after)
{
    const Files& before = states.first();
    const Files& full = states.last();
    QCOMPARE(crash::workFiles(after), QStringList());
    if (crash::findCommand(name)->kind == crash::Kind::Undo) {
        // The command, its undo or its redo stopped: each record of the
        // ledger as one of the states, every other file whole.
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            QList<QByteArray> seen;
            for (const Files& s : states)
                if (s.contains(it.key()))
                    seen << s.value(it.key());
            if (seen.isEmpty())
                QFAIL(qPrintable(it.key() + QStringLiteral(" was left behind")));
            const bool ok = it.key() == QLatin1String("fennick.dat")
                ? crash::madeOfStates(seen, it.value())
                : seen.contains(it.value());
            if (!ok)
                QFAIL(qPrintable(it.key() + QStringLiteral(" holds a mix of old and new")));
        }
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            if (!after.contains(it.key()))
                QFAIL(qPrintable(it.key() + QStringLiteral(" was removed")));
        return;
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (!before.contains(it.key()) && !full.contains(it.key()))
            QFAIL(qPrintable(it.key() + QStringLiteral(" was left behind")));
    for (auto it = full.cbegin(); it != full.cend(); ++it) {
        if (before.contains(it.key()) || !after.contains(it.key()))
            continue;
        bool known = false;  // a file a finished step made
        for (const Files& s : states)
            known = known || (s.contains(it.key()) && s.value(it.key()) == after.value(it.key()));
        if (!known)
            QFAIL(qPrintable(it.key() + QStringLiteral(" was left half made")));
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            QFAIL(qPrintable(it.key() + QStringLiteral(" was removed")));
        const QByteArray now = after.value(it.key());
        if (it.key() == QLatin1String("fennick.dat") && keepsEarlierRecords(name)) {
            QVERIFY(now.startsWith(it.value()));
            QCOMPARE(now.size() % kRec, 0);
            QVERIFY(full.value(it.key()).startsWith(now));
            continue;
        }
        if (it.key() == QLatin1String("fennick.dat") && name == QLatin1String("restore")) {
            QCOMPARE(now.size(), it.value().size());
            for (qsizetype r = 0; r < now.size() / kRec; ++r) {
                const QByteArray rec = now.mid(r * kRec, kRec);
                QVERIFY(rec == it.value().mid(r * kRec, kRec)
                        || rec == full.value(it.key()).mid(r * kRec, kRec));
            }
            continue;
        }
        bool known = false;
        for (const Files& s : states)
            known = known || s.value(it.key()) == now;
        if (!known)
            QFAIL(qPrintable(it.key() + QStringLiteral(" holds a mix of old and new")));
    }
}

// The folder before, after each step and after a whole run of `name`.
QList<Files> statesOf(const QString& name)
{
    QTemporaryDir full;
    const QString dir = full.path() + u'/';
    crash::prepare(dir, smallSizes());
    QList<Files> states{crash::snapshot(dir)};
    store::testing::reset();
    crash::run(name, dir, smallSizes(), {}, [&] { states << crash::snapshot(dir); });
    states << crash::snapshot(dir);
    return states;
}

}  // namespace

class DiskFaults : public QObject {
    Q_OBJECT
    int faultsInjected = 0;
    int stops = 0;

private slots:
    void init()
    {
        testsupport::pinLocale();
        // Small blocks: the twelve lines of an import and the six records of a
        // macro take several block writes, so faults fall between blocks too.
        store::testing::setAppendBlockRecords(5);
    }
    void cleanup()
    {
        store::testing::reset();
        store::testing::setAppendBlockRecords(0);
    }
    void cleanupTestCase() { qInfo("injected faults: %d; stops: %d", faultsInjected, stops); }

    void faultAtEveryWrite_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("fault");
        for (const crash::Command& c : crash::commands()) {
            QTest::addRow("%s full", c.name) << QString::fromLatin1(c.name) << int(Fault::DiskFull);
            QTest::addRow("%s short", c.name) << QString::fromLatin1(c.name) << int(Fault::ShortWrite);
        }
    }
    // Counts the write calls of a whole run, then fails the k-th for each k.
    void faultAtEveryWrite()
    {
        QFETCH(QString, name);
        QFETCH(int, fault);
        const QList<Files> states = statesOf(name);
        const int calls = store::testing::writeCalls();
        QVERIFY2(calls > 0, "the command wrote nothing");
        // An undone command ends where it started, but went through a change.
        QVERIFY(states.last() != states.first()
                || (crash::findCommand(name)->kind == crash::Kind::Undo && states.at(1) != states.first()));
        faultsInjected += calls;

        for (int k = 0; k < calls; ++k) {
            QTemporaryDir dir;
            const QString folder = dir.path() + u'/';
            crash::prepare(folder, smallSizes());
            store::testing::reset();
            store::testing::failWritesAfter(k, Fault(fault));
            QString message;
            const int number = failingRun(name, folder, message);
            store::testing::reset();
            QVERIFY2(number == store::kDiskFull,
                     qPrintable(QStringLiteral("write %1 of %2: %3").arg(k + 1).arg(calls).arg(message)));
            QVERIFY(message.contains(QLatin1String("Disk full")));
            compareUnchanged(name, states, crash::snapshot(folder));
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("at write %1 of %2").arg(k + 1).arg(calls)));
        }
    }

    // The program stopped (as by a kill) at each write call of a command,
    // its undo and its redo in turn, in a child process: every file is left
    // as one of the states it passed through, each record of the ledger as
    // the same record of one of them.  What the stop leaves in the work
    // folder is for the next opening to clear.
    void stopAtEveryWrite_data()
    {
        QTest::addColumn<QString>("name");
        // "redo-" runs the command, its undo and its redo.
        for (const crash::Command& c : crash::commands())
            if (QLatin1String(c.name).startsWith(QLatin1String("redo-")))
                QTest::newRow(c.name) << QString::fromLatin1(c.name);
    }
    void stopAtEveryWrite()
    {
        QFETCH(QString, name);
        const QList<Files> states = statesOf(name);
        const int calls = store::testing::writeCalls();
        QVERIFY(calls > 0);
        // A stop leaves the page cache alone: a memory file system will do.
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                : QDir::tempPath();
        for (int k = 0; k < calls; ++k) {
            QTemporaryDir dir(base + QStringLiteral("/fennick-stop-XXXXXX"));
            const QString folder = dir.path() + u'/';
            crash::prepare(folder, smallSizes());
            const pid_t pid = ::fork();
            QVERIFY(pid >= 0);
            if (pid == 0) {
                store::testing::reset();
                store::testing::failWritesAfter(k, Fault::Stop);
                try {
                    crash::run(name, folder, smallSizes());
                } catch (...) {
                }
                ::_exit(3);  // the stop never came
            }
            int status = 0;
            QCOMPARE(::waitpid(pid, &status, 0), pid);
            QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0,
                     qPrintable(QStringLiteral("write %1 of %2 was not reached").arg(k + 1).arg(calls)));
            Files after = crash::snapshot(folder);
            for (const QString& work : crash::workFiles(after))
                after.remove(work);
            compareUnchanged(name, states, after);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("stopped at write %1 of %2").arg(k + 1).arg(calls)));
            ++stops;
        }
    }

    // A read-only file system refuses the first write: one message, nothing
    // changed, and the records still read.
    void readOnlyRefusal()
    {
        for (const crash::Command& c : crash::commands()) {
            const QString name = QString::fromLatin1(c.name);
            QTemporaryDir dir;
            const QString folder = dir.path() + u'/';
            crash::prepare(folder, smallSizes());
            const Files before = crash::snapshot(folder);
            store::testing::failWritesAfter(0, Fault::ReadOnly);
            QString message;
            const int number = failingRun(name, folder, message);
            store::testing::reset();
            QVERIFY2(number == store::kPermissionDenied, qPrintable(name + u' ' + message));
            QVERIFY2(crash::snapshot(folder) == before, qPrintable(name));
            QCOMPARE(store::RecordFile(folder + QStringLiteral("fennick.dat")).readAll().size(),
                     std::size_t(smallSizes().ledger));
        }
    }

    // The same on real file systems: a small tmpfs filled to several levels,
    // and one remounted read-only.  Needs a mount namespace of our own.
    void realFileSystems()
    {
        if (::geteuid() != 0)
            QSKIP("not running as root: no tmpfs can be mounted");
        if (::unshare(CLONE_NEWNS) != 0
            || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            QSKIP(qPrintable(QStringLiteral("no mount namespace: ") + QString::fromLocal8Bit(std::strerror(errno))));
        QTemporaryDir mountPoint;
        const QByteArray where = QFile::encodeName(mountPoint.path());
        const QString folder = mountPoint.path() + QStringLiteral("/data/");
        int refusedFull = 0, refusedReadOnly = 0;
        for (const crash::Command& c : crash::commands()) {
            const QString name = QString::fromLatin1(c.name);
            // Room for the data and then 0 to 5 more pages.
            for (int pages = 0; pages <= 5; ++pages) {
                if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=64m") != 0)
                    QSKIP(qPrintable(QStringLiteral("tmpfs cannot be mounted: ") + QString::fromLocal8Bit(std::strerror(errno))));
                QDir().mkpath(folder);
                crash::prepare(folder, smallSizes());
                const Files before = crash::snapshot(folder);
                const QList<Files> states = statesOf(name);
                qint64 used = 0;
                for (const QByteArray& b : before)
                    used += (b.size() + 4095) / 4096 * 4096;
                const QByteArray opts = "size=" + QByteArray::number(used + pages * 4096);
                QVERIFY(::mount("tmpfs", where.constData(), "tmpfs", MS_REMOUNT, opts.constData()) == 0);
                QString message;
                const int number = failingRun(name, folder, message);
                if (number != 0) {
                    ++refusedFull;
                    QVERIFY2(number == store::kDiskFull, qPrintable(name + u' ' + message));
                    compareUnchanged(name, states, crash::snapshot(folder));
                    if (QTest::currentTestFailed())
                        QFAIL(qPrintable(QStringLiteral("%1 with %2 pages free").arg(name).arg(pages)));
                }
                QVERIFY(::umount(where.constData()) == 0);
            }
            // Read-only.
            QVERIFY(::mount("tmpfs", where.constData(), "tmpfs", 0, "size=64m") == 0);
            QDir().mkpath(folder);
            crash::prepare(folder, smallSizes());
            const Files before = crash::snapshot(folder);
            QVERIFY(::mount("tmpfs", where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0);
            QString message;
            const int number = failingRun(name, folder, message);
            QVERIFY2(number != 0, qPrintable(name + QStringLiteral(" wrote to a read-only folder")));
            ++refusedReadOnly;
            QVERIFY2(crash::snapshot(folder) == before, qPrintable(name));
            QCOMPARE(store::RecordFile(folder + QStringLiteral("fennick.dat")).readAll().size(),
                     std::size_t(smallSizes().ledger));
            QVERIFY(::umount(where.constData()) == 0);
        }
        qInfo("full tmpfs refused %d runs; read-only refused %d", refusedFull, refusedReadOnly);
        QVERIFY(refusedFull > 0);
    }
};

QTEST_GUILESS_MAIN(DiskFaults)
#include "test_disk_faults.moc"
