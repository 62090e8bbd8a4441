#include "store/Maintenance.h"

#include "store/FileIo.h"
#include "store/RecordFile.h"

#include <QFile>

#include <cstring>

namespace fnk::store {

qint64 PurgeDeletedRecs(const QString& recordFile, const QString& dataFolder)
{
    const QString workPath = dataFolder + QStringLiteral("temp.dat");
    const QString backupPath = dataFolder + QStringLiteral("fennick.bak");
    const RecordFile records(recordFile);

    QFile work(workPath);
    if (!work.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw FileError(QStringLiteral("Cannot create ") + workPath, kPathFileAccess, workPath);
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
    keepCopy(recordFile, backupPath);
    renameOver(workPath, recordFile);
    return removed;
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
