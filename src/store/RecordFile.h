#pragma once

#include "store/LedgerRecord.h"

#include <QFile>
#include <QString>

#include <functional>
#include <vector>

namespace fnk::store {

// A record file (the ledger "fennick.dat", a macro file, the internal backup
// or a report work file): a plain array of 125-byte records numbered from 1.
// Each call opens the file, does its work and closes it again.  A missing file
// is created empty by the first call.  A file whose length is not a multiple
// of 125 holds only its whole records.  Failures throw FileError.
class RecordFile {
public:
    explicit RecordFile(QString path) : path_(std::move(path)) {}
    const QString& path() const { return path_; }
    // The work file of whole-file rewrites: the file's name plus ".tmp".
    QString workPath() const { return path_ + QStringLiteral(".tmp"); }

    qint64 count() const;
    LedgerRecord read(qint64 n) const;
    void write(qint64 n, const LedgerRecord& record);

    // Appends `record` after the last whole record, setting its RecordNumber
    // to its position first.  Returns that position.
    qint64 FileNewEntry(LedgerRecord& record);
    // Overwrites record `selected` (rounded to a whole number) in place; the
    // record's RecordNumber is written as it stands.
    void ReplaceRecord(double selected, const LedgerRecord& record);

    // Every whole record in file order, read in large blocks.  The callback
    // gets the 125 stored bytes and the record's position.
    void forEachRaw(const std::function<void(const char* bytes, qint64 n)>& visit) const;
    // The same as decoded records.
    std::vector<LedgerRecord> readAll() const;

    // Rewrites every record's RecordNumber to its position, writing only the
    // records whose number is wrong.  Returns how many were rewritten.
    qint64 reindex();

    static constexpr qint64 kBlockRecords = 8192;

private:
    void openForUpdate(QFile& f) const;
    QString path_;
};

}  // namespace fnk::store
