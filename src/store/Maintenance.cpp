#include "store/Maintenance.h"

#include "store/FileIo.h"
#include "store/RecordFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <memory>

#include <cstring>

namespace fnk::store {

namespace {

// The work file of a purge: beside the file it replaces, so the last rename
// never crosses a file system.
std::unique_ptr<QFile> openWorkFile(const QString& recordFile, const QString& dataFolder)
{
    const QFileInfo target(recordFile);
    if (target.absoluteDir() == QDir(dataFolder)) {
        auto work = std::make_unique<QFile>(dataFolder + QStringLiteral("temp.dat"));
        if (!work->open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw FileError(QStringLiteral("Cannot create ") + work->fileName(), kPathFileAccess,
                            work->fileName());
        return work;
    }
    // Elsewhere (a macro file) a name of its own, so no file of the user's
    // there is written over ("bills.fnk.a1B2c3.purge"); what a killed purge
    // left under such a name goes first.
    const QString workPath = target.absoluteFilePath() + QStringLiteral(".purge");
    removeWorkFileLeftovers(workPath);
    auto work = std::make_unique<QTemporaryFile>(target.absoluteFilePath()
                                                 + QStringLiteral(".XXXXXX.purge"));
    work->setAutoRemove(false);
    if (!work->open())
        throw FileError(QStringLiteral("Cannot create a work file beside ") + recordFile,
                        kPathFileAccess, recordFile);
    return work;
}

}  // namespace

qint64 PurgeDeletedRecs(const QString& recordFile, const QString& dataFolder)
{
    const QString backupPath = dataFolder + QStringLiteral("fennick.bak");
    const RecordFile records(recordFile);

    const std::unique_ptr<QFile> workFile = openWorkFile(recordFile, dataFolder);
    QFile& work = *workFile;
    const QString workPath = work.fileName();
    qint64 next = 1;
    qint64 removed = 0;
    try {
        QByteArray block;
        block.reserve(qsizetype(RecordFile::kBlockRecords * LedgerRecord::kSize));
        qint64 offset = 0;
        auto flushBlock = [&] {
            writeAt(work, offset, block.constData(), block.size());
            offset += block.size();
            block.clear();
        };
        records.forEachRaw([&](const char* rec, qint64) {
            if (rawDeleted(rec)) {
                ++removed;
                return;
            }
            LedgerRecord r = LedgerRecord::decode(rec);
            r.recordNumber = double(next++);
            char buf[LedgerRecord::kSize];
            r.encode(buf);
            block.append(buf, qsizetype(LedgerRecord::kSize));
            if (block.size() >= qsizetype(RecordFile::kBlockRecords * LedgerRecord::kSize))
                flushBlock();
        });
        if (!block.isEmpty())
            flushBlock();
        syncFile(work);
    } catch (...) {
        work.close();
        QFile::remove(workPath);
        throw;
    }
    work.close();

    // The old file becomes the backup without ever leaving its own name; the
    // complete new file then replaces it in one step.
    try {
        keepCopy(recordFile, backupPath);
    } catch (...) {
        QFile::remove(workPath);
        throw;
    }
    try {
        renameOver(workPath, recordFile);
    } catch (...) {
        QFile::remove(workPath);
        // The backup may be a second name of the live file, which later edits
        // in place would change too: it becomes a copy of its own, or goes.
        try {
            copyThroughWorkFile(recordFile, backupPath + QStringLiteral(".lnk"), backupPath);
        } catch (...) {
            QFile::remove(backupPath);
        }
        throw;
    }
    return removed;
}

void removePurgeLeftovers(const QString& dataFolder)
{
    // "temp.dat" is whole only while a purge runs; with the ledger in its
    // place it is never the one copy of anything.
    if (QFileInfo(dataFolder + QStringLiteral("fennick.dat")).isFile())
        QFile::remove(dataFolder + QStringLiteral("temp.dat"));
}

qint64 RestoreDeletedRecords(const QString& recordFile)
{
    QFile f(recordFile);
    if (!QFile::exists(recordFile))
        touchFile(recordFile);
    openFile(f, QIODevice::ReadWrite);
    const qint64 rec = qint64(LedgerRecord::kSize);
    const qint64 total = f.size() / rec;
    qint64 restored = 0;
    for (qint64 first = 0; first < total; first += RecordFile::kBlockRecords) {
        const qint64 want = std::min(RecordFile::kBlockRecords, total - first);
        const QByteArray block = readAt(f, first * rec, want * rec);
        for (qint64 i = 0; i < block.size() / rec; ++i) {
            if (block.at(qsizetype(i * rec + LedgerRecord::kDeletedFlag)) != 'Y')
                continue;
            const char n = 'N';
            writeAt(f, (first + i) * rec + qint64(LedgerRecord::kDeletedFlag), &n, 1);
            ++restored;
        }
    }
    return restored;
}

}  // namespace fnk::store
