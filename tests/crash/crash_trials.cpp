// Kill -9 trials: each trial copies a prepared data folder, starts one
// command in a child process, kills it with SIGKILL at a random moment, then
// checks what the files hold and runs the same command again on them.
// Usage: crash_trials <child program> <trials> [seed]
#include "crash/CrashCommands.h"

#include "app/Settings.h"
#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/PickList.h"
#include "store/RecordFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace fnk;
using Files = QMap<QString, QByteArray>;

namespace {

constexpr qsizetype kRec = qsizetype(store::LedgerRecord::kSize);

struct Prepared {
    const crash::Command* command = nullptr;
    QString folder;       // the untouched data folder the trials copy
    Files before;
    Files after;
    QList<Files> states;  // before, after each whole-file step, after
    qint64 micros = 0;    // how long the command takes here
};

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    const Files files = crash::snapshot(from);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = to + it.key();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(it.value()) != it.value().size()) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(path));
            std::exit(3);
        }
    }
}

// Problems found in one killed folder; empty when it is sound.
QStringList check(const Prepared& p, const Files& killed, int saves)
{
    QStringList problems;
    QSet<QString> names;
    for (const Files* m : {&p.before, &p.after, &killed})
        for (auto it = m->keyBegin(); it != m->keyEnd(); ++it)
            names.insert(*it);
    const QStringList work = crash::workFiles(killed);
    for (const QString& name : names) {
        if (work.contains(name))
            continue;  // a work file a kill left: the next run must cope
        const bool present = killed.contains(name);
        const QByteArray k = killed.value(name);
        const QByteArray b = p.before.value(name);
        const QByteArray a = p.after.value(name);
        if (p.command->kind == crash::Kind::Undo) {
            // A kill inside the command or inside its undo: every record
            // as one of the states, the other files whole.
            QList<QByteArray> seen;
            bool existed = false;
            for (const Files& s : p.states) {
                if (s.contains(name))
                    seen << s.value(name);
                existed = existed || s.contains(name);
            }
            const bool ok = name == p.command->file ? crash::madeOfStates(seen, k) : seen.contains(k);
            if ((present && !ok) || (!present && existed && seen.size() == p.states.size()))
                problems << name + QStringLiteral(" holds what neither the command nor its undo left");
            continue;
        }
        if (p.command->kind == crash::Kind::Whole || name != p.command->file) {
            bool any = false;
            for (const Files& s : p.states)
                if (s.contains(name) == present && s.value(name) == k)
                    any = true;
            if (!any)
                problems << name + QStringLiteral(" holds neither an old nor a new content");
            continue;
        }
        if (p.command->kind == crash::Kind::InPlace) {
            if (k.size() != b.size()) {
                problems << name + QStringLiteral(" changed its length");
                continue;
            }
            for (qsizetype r = 0; r < k.size() / kRec; ++r) {
                const QByteArray kr = k.mid(r * kRec, kRec);
                if (kr != b.mid(r * kRec, kRec) && kr != a.mid(r * kRec, kRec))
                    problems << QStringLiteral("record %1 of %2 is torn").arg(r + 1).arg(name);
                else if (r < saves && kr != a.mid(r * kRec, kRec))
                    problems << QStringLiteral("saved record %1 was lost").arg(r + 1);
            }
            continue;
        }
        // Appends: the old content, then whole saves, then at most a tail.
        if (!k.startsWith(b)) {
            problems << name + QStringLiteral(" lost part of its old content");
            continue;
        }
        if (name.endsWith(QLatin1String(".dat")) && name != QLatin1String("fennick.dat")) {
            // a pick list: whole lines of the new values, a partial last one
            if (!a.startsWith(k))
                problems << name + QStringLiteral(" holds lines that were never added");
            if (k.mid(b.size()).count("\r\n") < saves)
                problems << name + QStringLiteral(" lost a value whose save had returned");
            continue;
        }
        const QByteArray whole = k.left(k.size() / kRec * kRec);
        if (!a.startsWith(whole))
            problems << name + QStringLiteral(" holds a record that was never saved");
        if (whole.size() < b.size() + saves * kRec)
            problems << QStringLiteral("%1 of %2 saved records are missing")
                            .arg((b.size() + saves * kRec - whole.size()) / kRec)
                            .arg(saves);
    }
    return problems;
}

// What the next start reads, then the same command once more.
QStringList restart(const Prepared& p, const QString& folder, const crash::Sizes& sizes)
{
    QStringList problems;
    try {
        const auto settings = app::SettingsFile(folder).read();
        if (settings.status != app::SettingsFile::Status::Good)
            problems << QStringLiteral("the settings file no longer reads: ") + settings.problem;
        store::RecordFile(folder + QStringLiteral("fennick.dat")).readAll();
        store::CategoryFile::inFolder(folder).readAll();
        store::PickList::forField(folder, 1).load();
        crash::run(QLatin1String(p.command->name), folder, sizes);
    } catch (const store::FileError& e) {
        problems << QStringLiteral("the next run failed: ") + e.name();
    }
    const QStringList left = crash::workFiles(crash::snapshot(folder));
    if (!left.isEmpty())
        problems << QStringLiteral("work files left after the next run: ") + left.join(u' ');
    return problems;
}

struct ChildRun {
    bool finished = false;  // the command ended before the kill
    int saves = 0;
};

ChildRun runAndKill(const char* child, const Prepared& p, const QString& folder,
                    const crash::Sizes& sizes, qint64 delayMicros)
{
    int fds[2];
    if (::pipe(fds) != 0)
        std::exit(3);
    const QByteArray cmd = p.command->name;
    const QByteArray dir = QFile::encodeName(folder);
    const QByteArray n1 = QByteArray::number(sizes.ledger), n2 = QByteArray::number(sizes.saves),
                     n3 = QByteArray::number(sizes.importLines),
                     n4 = QByteArray::number(sizes.macroRecords);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execl(child, child, cmd.constData(), dir.constData(), n1.constData(), n2.constData(),
                n3.constData(), n4.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    QByteArray out;
    char buf[4096];
    // Wait for the child to be ready, then let it work for the delay.
    while (!out.contains("ready\n")) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    ::usleep(useconds_t(delayMicros));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    ::close(fds[0]);
    ChildRun r;
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("saved "))
            r.saves = line.mid(6).toInt();
        if (line == "done")
            r.finished = true;
        if (line.startsWith("error ")) {
            std::fprintf(stderr, "child failed: %s\n", line.constData());
            std::exit(3);
        }
    }
    if (!out.contains("ready\n")) {
        std::fprintf(stderr, "the child %s did not start\n", child);
        std::exit(3);
    }
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s child trials [seed]\n", argv[0]);
        return 64;
    }
    const char* child = argv[1];
    const int trials = std::atoi(argv[2]);
    const quint32 seed = argc > 3 ? quint32(std::strtoul(argv[3], nullptr, 10))
                                  : quint32(std::random_device{}());
    std::printf("crash trials: %d, seed %u\n", trials, seed);
    std::fflush(stdout);

    // A kill leaves the page cache alone, so the trials need no real disk:
    // a memory file system spares them the waits of every flush.
    const char* base = std::getenv("FENNICK_CRASH_DIR");
    const QString where = base ? QString::fromLocal8Bit(base)
        : QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                            : QDir::tempPath();
    QTemporaryDir tmp(where + QStringLiteral("/fennick-crash-XXXXXX"));
    std::printf("trial folders in %s\n", qPrintable(where));
    const crash::Sizes sizes;
    QList<Prepared> prepared;
    for (const crash::Command& c : crash::commands()) {
        Prepared p;
        p.command = &c;
        p.folder = tmp.filePath(QStringLiteral("start-") + QLatin1String(c.name) + u'/');
        QDir().mkpath(p.folder);
        crash::prepare(p.folder, sizes);
        p.before = crash::snapshot(p.folder);
        const QString full = tmp.filePath(QStringLiteral("full-") + QLatin1String(c.name) + u'/');
        copyFolder(p.folder, full);
        p.states << p.before;
        QElapsedTimer timer;
        timer.start();
        crash::run(QLatin1String(c.name), full, sizes, {},
                   [&] { p.states << crash::snapshot(full); });
        p.micros = timer.nsecsElapsed() / 1000;
        p.after = crash::snapshot(full);
        p.states << p.after;
        prepared << p;
    }

    std::mt19937 rng(seed);
    int failures = 0;
    int killedMidway = 0;
    for (int t = 0; t < trials; ++t) {
        const Prepared& p = prepared.at(t % prepared.size());
        // A moment inside the command, now and then just after it.
        const qint64 delay = std::uniform_int_distribution<qint64>(0, p.micros * 5 / 4)(rng);
        const QString folder = tmp.filePath(QStringLiteral("trial/"));
        QDir(folder).removeRecursively();
        copyFolder(p.folder, folder);
        const ChildRun r = runAndKill(child, p, folder, sizes, delay);
        if (!r.finished)
            ++killedMidway;
        QStringList problems = check(p, crash::snapshot(folder), r.saves);
        if (problems.isEmpty())
            problems = restart(p, folder, sizes);
        if (!problems.isEmpty()) {
            ++failures;
            std::printf("FAIL trial %d (seed %u) %s killed after %lld us, %d saves: %s\n", t,
                        seed, p.command->name, static_cast<long long>(delay), r.saves,
                        qPrintable(problems.mid(0, 5).join(QStringLiteral("; "))));
            std::fflush(stdout);
        }
    }
    std::printf("crash trials: %d, killed inside the command: %d, failed: %d (seed %u)\n", trials,
                killedMidway, failures, seed);
    return failures == 0 ? 0 : 1;
}
