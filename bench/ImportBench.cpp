// The import run without its window, in steps: reading the lines, cutting
// and reading their fields, and the whole run into an empty record file; for
// ISO dates and for the locale's short dates.
#include "bench/Ledgers.h"
#include "import/ImportRun.h"
#include "import/TextLines.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace fnk::bench {

namespace {

void print(const QByteArray& name, qint64 records, double value, const char* unit)
{
    std::printf("%s %lld %.1f %s\n", name.constData(), static_cast<long long>(records), value, unit);
    std::fflush(stdout);
}

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

}  // namespace

void writeImportCsv(const QString& path, qint64 lines, bool iso)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray block;
    const QDate first(2006, 1, 1);
    for (qint64 i = 0; i < lines; ++i) {
        const QDate d = first.addDays(int(i % 7300));
        const QByteArray date = iso ? d.toString(Qt::ISODate).toLatin1()
                                    : QByteArray::number(d.month()) + '/' + QByteArray::number(d.day())
                                          + '/' + QByteArray::number(d.year());
        block += date + ',' + QByteArray::number(-(i % 99999) - 1) + '.'
            + QByteArray::number(10 + i % 90) + ",Card payment " + QByteArray::number(i % 997)
            + ",C" + QByteArray::number(10 + i % 30) + ",Card,Home\r\n";
        if (block.size() > (1 << 20)) {
            f.write(block);
            block.clear();
        }
    }
    f.write(block);
}

void benchImportRun(qint64 lines)
{
    QTemporaryDir folder;
    imports::Links links{1, 2, 3, 4, 5, 6};
    for (const bool iso : {true, false}) {
        const QByteArray kind = iso ? "iso" : "short";
        const QString csv = folder.filePath(QStringLiteral("bank-%1.csv").arg(QLatin1String(kind)));
        writeImportCsv(csv, lines, iso);
        QElapsedTimer t;
        t.start();
        qint64 read = 0;
        imports::TextLines text(csv, imports::TextEncoding::Windows1252);
        QString line;
        while (text.next(line))
            ++read;
        print("import_lines_read_" + kind, lines, msSince(t), "ms");

        t.restart();
        qint64 built = 0;
        imports::walkRecords(csv, links, false, [&](const store::LedgerRecord&, qint64) { ++built; },
                             imports::TextEncoding::Windows1252);
        print("import_walk_" + kind, lines, msSince(t), "ms");

        const QString dat = folder.filePath(QStringLiteral("fennick-%1.dat").arg(QLatin1String(kind)));
        QFile(dat).open(QIODevice::WriteOnly);
        qint64 imported = 0;
        t.restart();
        imports::importRecords(csv, dat, links, false, nullptr, imports::TextEncoding::Windows1252,
                               imported);
        print("import_run_" + kind, lines, msSince(t), "ms");
        print("import_run_records_" + kind, lines, double(imported), "records");
        if (read != lines || built != lines)
            print("import_lines_lost_" + kind, lines, double(lines - std::min(read, built)), "lines");
    }
}

}  // namespace fnk::bench
