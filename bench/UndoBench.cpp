// Undo and redo of the two commands that change the most, a purge and an
// import, beside the command itself; and the history's memory as it grows
// deeper.
#include "bench/Ledgers.h"

#include "import/ImportRun.h"
#include "store/LedgerRecord.h"
#include "store/Maintenance.h"
#include "store/RecordFile.h"
#include "store/UndoHistory.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <unistd.h>

namespace fnk::bench {

namespace {

void print(const char* name, qint64 records, double value, const char* unit)
{
    std::printf("%s %lld %.1f %s\n", name, static_cast<long long>(records), value, unit);
    std::fflush(stdout);
}

// Each figure starts with nothing waiting to be written, so that none pays
// for the writes of the one before.
double timed(const std::function<void()>& work)
{
    ::sync();
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

// The resident memory of this process.
double residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble();
    return 0;
}

double folderKb(const QString& folder)
{
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext())
        bytes += QFileInfo(it.next()).size();
    return double(bytes) / 1024;
}

}  // namespace

void benchUndo(const QString& ledger, qint64 records)
{
    QTemporaryDir folder;
    const QString data = folder.path() + QLatin1Char('/');
    const QString dat = data + QStringLiteral("fennick.dat");
    QStringList files;
    for (const char* name : {"fennick.dat", "category.dat", "udf1.dat", "udf2.dat"})
        files << data + QLatin1String(name);
    writeCategories(data + QStringLiteral("category.dat"));

    // The commands alone, on a copy of the ledger, for comparison.
    QFile::copy(ledger, dat);
    print("undo_bench_purge_without_history", records,
          timed([&] { store::PurgeDeletedRecs(dat, data); }), "ms");
    const QString csv = data + QStringLiteral("bank.csv");
    writeImportCsv(csv, records, true);
    const imports::Links links{1, 2, 3, 4, 5, 6};
    qint64 imported = 0;
    print("undo_bench_import_without_history", records, timed([&] {
              imports::importRecords(csv, dat, links, false, nullptr,
                                     imports::TextEncoding::Windows1252, imported);
          }),
          "ms");
    QFile::remove(dat);
    QFile::remove(data + QStringLiteral("fennick.bak"));
    QFile::copy(ledger, dat);

    store::UndoHistory history(store::UndoHistory::workFolderOf(data), files);
    const double startKb = residentKb();

    // Best of three: the disk of a shared machine varies from run to run.
    // A purge's old file is also the internal backup, so its undo copies it;
    // after that the kept files move in by rename.
    double purge = 1e300, undoPurge = 1e300, redoPurge = 1e300, undoAgain = 1e300;
    for (int run = 0; run < 3; ++run) {
        purge = std::min(purge, timed([&] {
            auto step = history.begin(QStringLiteral("Purge"));
            store::PurgeDeletedRecs(dat, data);
            step.commit();
        }));
        undoPurge = std::min(undoPurge, timed([&] { history.undo(); }));
    }
    redoPurge = timed([&] { history.redo(); });
    undoAgain = timed([&] { history.undo(); });
    print("purge_in_step", records, purge, "ms");
    print("undo_purge", records, undoPurge, "ms");
    print("redo_purge", records, redoPurge, "ms");
    print("undo_purge_again", records, undoAgain, "ms");

    // An import appends, so its undo keeps the new records for redo and
    // cuts the file back.
    double import = 1e300, undoImport = 1e300;
    for (int run = 0; run < 3; ++run) {
        import = std::min(import, timed([&] {
            auto step = history.begin(QStringLiteral("Import"));
            imports::importRecords(csv, dat, links, false, nullptr,
                                   imports::TextEncoding::Windows1252, imported);
            step.commit();
        }));
        undoImport = std::min(undoImport, timed([&] { history.undo(); }));
    }
    print("import_in_step", records, import, "ms");
    print("undo_import", records, undoImport, "ms");
    print("redo_import", records, timed([&] { history.redo(); }), "ms");
    print("undo_import_again", records, timed([&] { history.undo(); }), "ms");
    // What the undone import keeps for redo: its records.
    print("undo_work_folder_after_undo_import", records, folderKb(history.workFolder()) / 1024, "MB");
    history.redo();

    // What keeping a step costs a single save: best of 20, plain and as a
    // step.
    {
        store::RecordFile saves(dat);
        const store::LedgerRecord kept = saves.read(records / 2);
        double plain = 1e300, inStep = 1e300;
        for (int i = 0; i < 20; ++i) {
            store::LedgerRecord r = kept;
            r.setNote(QStringLiteral("bench save %1").arg(i));
            plain = std::min(plain, timed([&] { saves.write(records / 2, r); }));
            r.setNote(QStringLiteral("bench step %1").arg(i));
            inStep = std::min(inStep, timed([&] {
                auto step = history.begin(QStringLiteral("Save Record"));
                saves.write(records / 2, r);
                step.commit();
            }));
        }
        print("save_record_plain", records, plain, "ms");
        print("save_record_as_step", records, inStep, "ms");
    }

    // Many small steps: the memory stays where it was.
    const double beforeSteps = residentKb();
    const store::RecordFile file(dat);
    store::RecordFile writer(dat);
    for (int i = 1; i <= 400; ++i) {
        auto step = history.begin(QStringLiteral("Save Record"));
        store::LedgerRecord r = file.read(i);
        r.setNote(QStringLiteral("changed %1").arg(i));
        writer.write(i, r);
        step.commit();
        if (i == 100)
            print("undo_memory_after_100_saves", records, residentKb() - beforeSteps, "KB");
    }
    print("undo_memory_after_400_saves", records, residentKb() - beforeSteps, "KB");
    print("undo_memory_since_history_opened", records, residentKb() - startKb, "KB");
    print("undo_depth", records, double(history.undoCount()), "steps");
    print("undo_one_save", records, timed([&] { history.undo(); }), "ms");
}

}  // namespace fnk::bench
