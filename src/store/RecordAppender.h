#pragma once

#include "store/LedgerRecord.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace fnk::store {

// Adds many records to the end of a record file in one command (an import, a
// macro play).  The file is opened once, at the first record; records are
// numbered on from its count of whole records and written in blocks of
// kBlockRecords; finish() writes what is still queued and flushes the file's
// data to the disk before it returns.
//
// A failed block write leaves no part of its block: the file is cut back to
// the records of the blocks written before it (or, for the first block, to
// the file as it was, a damaged tail included), those are flushed to the
// disk, and the FileError goes on to the caller.  The run is then over:
// written() is the count of this run's records the file holds, and further
// appends are refused.  A run dropped without finish() keeps the blocks
// already written and loses the queued records.
class RecordAppender {
public:
    static constexpr qint64 kBlockRecords = 2048;  // 256,000 bytes a write

    explicit RecordAppender(QString path);
    ~RecordAppender();
    RecordAppender(const RecordAppender&) = delete;
    RecordAppender& operator=(const RecordAppender&) = delete;

    // Sets the record's RecordNumber to the position it takes and queues it,
    // writing the queue out when it makes a whole block.  Returns the
    // position.  Throws FileError.
    qint64 append(LedgerRecord& record);
    // Writes the queued records and flushes the file to the disk.  Throws
    // FileError.
    void finish();

    qint64 written() const { return written_; }  // this run's records in the file
    qint64 queued() const { return queued_; }

private:
    void open();
    void writeQueue();

    QString path_;
    QFile file_;
    QByteArray block_;
    qint64 blockRecords_;
    qint64 firstNumber_ = 0;  // the first record's position, once open
    qint64 written_ = 0;
    qint64 queued_ = 0;
    QByteArray oldTail_;      // the damaged tail the first block writes over
    bool failed_ = false;
};

namespace testing {
// Records per block of the appenders made from now on (0 restores
// kBlockRecords), so that tests can fail writes between blocks of a small run.
void setAppendBlockRecords(qint64 records);
}  // namespace testing

}  // namespace fnk::store
