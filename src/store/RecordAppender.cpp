#include "store/RecordAppender.h"

#include "store/FileIo.h"

#include <algorithm>

#include <unistd.h>

namespace fnk::store {

namespace {
constexpr qint64 kRec = qint64(LedgerRecord::kSize);
qint64 g_blockRecords = 0;  // 0: kBlockRecords
}  // namespace

RecordAppender::RecordAppender(QString path)
    : path_(std::move(path)),
      blockRecords_(g_blockRecords > 0 ? g_blockRecords : kBlockRecords)
{
}

RecordAppender::~RecordAppender()
{
    // A run that stopped early keeps its written blocks; they go to the disk
    // as a finished run's would.
    if (file_.isOpen() && written_ > 0)
        ::fdatasync(file_.handle());
}

void RecordAppender::open()
{
    file_.setFileName(path_);
    openFile(file_, QIODevice::ReadWrite);
    const qint64 size = file_.size();
    const qint64 whole = size / kRec;
    // The new records go after the last whole record, over a damaged tail.
    if (size > whole * kRec)
        oldTail_ = readAt(file_, whole * kRec, size - whole * kRec);
    firstNumber_ = whole + 1;
}

qint64 RecordAppender::append(LedgerRecord& record)
{
    if (failed_)
        throw FileError(QStringLiteral("Cannot write ") + path_, kDeviceIo, path_);
    if (!file_.isOpen())
        open();
    const qint64 n = firstNumber_ + written_ + queued_;
    // The block grows with the run up to its full size, so that a run of a
    // few records never takes a whole block's memory.
    if ((queued_ + 1) * kRec > block_.size()) {
        const qint64 room = std::min(blockRecords_, std::max<qint64>(64, 2 * (block_.size() / kRec)));
        block_.resize(qsizetype(room * kRec));
    }
    record.recordNumber = double(n);
    record.encode(block_.data() + queued_ * kRec);
    ++queued_;
    if (queued_ == blockRecords_)
        writeQueue();
    return n;
}

void RecordAppender::writeQueue()
{
    if (queued_ == 0)
        return;
    const qint64 at = (firstNumber_ - 1 + written_) * kRec;
    try {
        writeAt(file_, at, block_.constData(), queued_ * kRec);
    } catch (...) {
        failed_ = true;
        queued_ = 0;
        // Whatever part of the block reached the file goes again; the first
        // block puts back the tail it wrote over.
        try {
            file_.resize(at);
            if (written_ == 0 && !oldTail_.isEmpty())
                restoreAt(file_, at, oldTail_.constData(), oldTail_.size());
            if (written_ > 0)
                ::fdatasync(file_.handle());
        } catch (...) {
        }
        throw;
    }
    written_ += queued_;
    queued_ = 0;
}

void RecordAppender::finish()
{
    if (failed_)
        throw FileError(QStringLiteral("Cannot write ") + path_, kDeviceIo, path_);
    if (!file_.isOpen())
        return;  // nothing was appended: the file is untouched
    writeQueue();
    syncData(file_);
    file_.close();
}

namespace testing {
void setAppendBlockRecords(qint64 records) { g_blockRecords = records; }
}  // namespace testing

}  // namespace fnk::store
