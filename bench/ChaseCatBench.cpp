// A category recode over the whole ledger: one rewrite through the work file
// and one rename.
#include "bench/Ledgers.h"

#include "store/CategoryFile.h"
#include "store/RecordFile.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace fnk::bench {

void benchChaseCat(const QString& ledger, qint64 records)
{
    // On a copy, so the other figures see the ledger as written.
    const QString path = ledger + QStringLiteral(".chase");
    QFile::remove(path);
    QFile::copy(ledger, path);
    store::RecordFile file(path);
    double best = 1e300;
    qint64 moved = 0;
    // Back and forth: every run moves the same records.
    for (int i = 0; i < 4; ++i) {
        QElapsedTimer t;
        t.start();
        moved = i % 2 == 0 ? store::ChaseCat(file, QStringLiteral("C07"), QStringLiteral("X07"), 'N')
                           : store::ChaseCat(file, QStringLiteral("X07"), QStringLiteral("C07"), 'N');
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("chasecat %lld %.1f ms\n", static_cast<long long>(records), best);
    std::printf("chasecat_moved %lld %lld records\n", static_cast<long long>(records),
                static_cast<long long>(moved));
    std::fflush(stdout);
    QFile::remove(path);
}

}  // namespace fnk::bench
