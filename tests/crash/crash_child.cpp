// Runs one command of the crash trials on a data folder so that the trials
// can kill it part way.  Usage:
//   fennick-crashchild <command> <folder> <ledger> <saves> <import lines> <macro records>
// Prints "ready" before the command starts, "saved <k>" after each save has
// returned, "step" between the whole-file steps and "done" at the end, each
// line written straight to the pipe before the work goes on.
#include "crash/CrashCommands.h"
#include "store/RecordAppender.h"

#include "store/FileIo.h"

#include <QCoreApplication>
#include <QLocale>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
void say(const QByteArray& line)
{
    const QByteArray out = line + '\n';
    qsizetype done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(1, out.constData() + done, size_t(out.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s command folder ledger saves lines macro\n", argv[0]);
        return 64;
    }
    fnk::crash::Sizes sizes;
    sizes.ledger = std::atoi(argv[3]);
    sizes.saves = std::atoi(argv[4]);
    sizes.importLines = std::atoi(argv[5]);
    sizes.macroRecords = std::atoi(argv[6]);
    // Blocks of a few hundred records, so that kills land between the blocks
    // of an import or a macro play as well as inside one.
    fnk::store::testing::setAppendBlockRecords(256);
    say("ready");
    try {
        fnk::crash::run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), sizes,
                        [](int k) { say("saved " + QByteArray::number(k)); },
                        [] { say("step"); });
    } catch (const fnk::store::FileError& e) {
        say("error " + e.name().toLocal8Bit());
        return 2;
    }
    say("done");
    return 0;
}
