#include "store/RecordFile.h"

#include "store/FileIo.h"

#include <QFileInfo>

#include <cmath>

namespace fnk::store {

namespace {
constexpr qint64 kRec = qint64(LedgerRecord::kSize);
}

void RecordFile::openForUpdate(QFile& f) const
{
    f.setFileName(path_);
    openFile(f, QIODevice::ReadWrite);
}

qint64 RecordFile::count() const
{
    QFileInfo info(path_);
    if (!info.exists()) {
        touchFile(path_);
        return 0;
    }
    return info.size() / kRec;
}

LedgerRecord RecordFile::read(qint64 n) const
{
    if (!QFileInfo::exists(path_))
        touchFile(path_);
    QFile f(path_);
    openFile(f, QIODevice::ReadOnly);
    const qint64 total = f.size() / kRec;
    if (n < 1 || n > total)
        throw FileError(QStringLiteral("Bad record number %1 in %2").arg(n).arg(path_), 63, path_);
    const QByteArray bytes = readAt(f, (n - 1) * kRec, kRec);
    if (bytes.size() != kRec)
        throw FileError(QStringLiteral("Input past end of file ") + path_, 62, path_);
    return LedgerRecord::decode(bytes.constData());
}

void RecordFile::write(qint64 n, const LedgerRecord& record)
{
    QFile f;
    openForUpdate(f);
    const qint64 total = f.size() / kRec;
    if (n < 1 || n > total + 1)
        throw FileError(QStringLiteral("Bad record number %1 in %2").arg(n).arg(path_), 63, path_);
    char buf[LedgerRecord::kSize];
    record.encode(buf);
    if (n <= total) {
        // An overwrite in place: on failure put the old bytes back.
        const QByteArray old = readAt(f, (n - 1) * kRec, kRec);
        try {
            writeAt(f, (n - 1) * kRec, buf, kRec);
        } catch (...) {
            try {
                restoreAt(f, (n - 1) * kRec, old.constData(), kRec);
            } catch (...) {
            }
            throw;
        }
        syncData(f);
        return;
    }
    // An append after the last whole record: on failure cut the file back to
    // what it was, damaged tail included.
    const qint64 oldSize = f.size();
    const QByteArray tail = readAt(f, total * kRec, oldSize - total * kRec);
    try {
        writeAt(f, total * kRec, buf, kRec);
    } catch (...) {
        f.resize(total * kRec);
        if (!tail.isEmpty()) {
            f.seek(total * kRec);
            f.write(tail);
        }
        f.flush();
        throw;
    }
    syncData(f);
}

qint64 RecordFile::FileNewEntry(LedgerRecord& record)
{
    const qint64 n = count() + 1;
    record.recordNumber = double(n);
    write(n, record);
    return n;
}

void RecordFile::ReplaceRecord(double selected, const LedgerRecord& record)
{
    if (!std::isfinite(selected) || std::abs(selected) > 9.0e15)
        throw FileError(QStringLiteral("Bad record number in ") + path_, 63, path_);
    const qint64 n = qint64(std::nearbyint(selected));
    if (n < 1 || n > count())
        throw FileError(QStringLiteral("Bad record number %1 in %2").arg(n).arg(path_), 63, path_);
    write(n, record);
}

void RecordFile::forEachRaw(const std::function<void(const char*, qint64)>& visit) const
{
    QFile f(path_);
    if (!QFileInfo::exists(path_))
        touchFile(path_);
    openFile(f, QIODevice::ReadOnly);
    const qint64 total = f.size() / kRec;
    // No bigger than the file: a macro of a few records needs no megabyte.
    QByteArray block(qsizetype(std::min(kBlockRecords, total) * kRec), Qt::Uninitialized);
    qint64 n = 0;
    while (n < total) {
        const qint64 want = std::min(kBlockRecords, total - n);
        const qint64 got = f.read(block.data(), want * kRec);
        if (got < 0)
            throw FileError(QStringLiteral("Cannot read ") + path_, kDeviceIo, path_);
        const qint64 whole = got / kRec;
        if (whole == 0)
            break;
        const char* p = block.constData();
        for (qint64 i = 0; i < whole; ++i)
            visit(p + i * kRec, n + i + 1);
        n += whole;
        if (got % kRec != 0)
            break;
    }
}

std::vector<LedgerRecord> RecordFile::readAll() const
{
    std::vector<LedgerRecord> out;
    forEachRaw([&](const char* bytes, qint64) { out.push_back(LedgerRecord::decode(bytes)); });
    return out;
}

qint64 RecordFile::reindex()
{
    QFile f;
    openForUpdate(f);
    const qint64 total = f.size() / kRec;
    qint64 rewritten = 0;
    for (qint64 first = 0; first < total; first += kBlockRecords) {
        const qint64 want = std::min(kBlockRecords, total - first);
        const QByteArray got = readAt(f, first * kRec, want * kRec);
        const qint64 whole = got.size() / kRec;
        for (qint64 i = 0; i < whole; ++i) {
            const char* rec = got.constData() + i * kRec;
            const qint64 n = first + i + 1;
            if (rawRecordNumber(rec) == double(n))
                continue;
            LedgerRecord r = LedgerRecord::decode(rec);
            r.recordNumber = double(n);
            char buf[LedgerRecord::kSize];
            r.encode(buf);
            writeAt(f, (n - 1) * kRec, buf, kRec);
            ++rewritten;
        }
    }
    if (rewritten > 0)
        syncData(f);
    return rewritten;
}

}  // namespace fnk::store
