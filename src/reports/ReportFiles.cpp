#include "reports/ReportFiles.h"

#include "reports/NarrowReport.h"

#include "store/FileIo.h"
#include "store/LedgerRecord.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"
#include "view/ColumnLayout.h"
#include "view/MainListModel.h"

#include <QFile>

#include <cstring>
#include <stdexcept>

#include <array>
#include <atomic>
#include <exception>
#include <thread>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace fnk::reports {

namespace {

enum WorkFile { kReport, kIncome, kExpense, kTodo, kWorkFiles };

const std::array<const char*, kWorkFiles> kStems = {"report", "income", "expense", "todo"};

QString targetPath(const QString& folder, int which)
{
    return folder + QLatin1String(kStems[size_t(which)]) + QStringLiteral(".tmp");
}

QString workPath(const QString& folder, int which)
{
    return folder + QLatin1String(kStems[size_t(which)]) + QStringLiteral(".wrk");
}

// One work file being written: records gather in a block that goes out in
// one write when full.  The file of the last build, when there is one, is
// taken as the work file and written over: the system holds its pages
// already, and writing over them costs a fraction of filling a new file and
// freeing the old one.
class WorkFileWriter {
public:
    static constexpr qsizetype kBlockBytes = qsizetype(32768) * qsizetype(store::LedgerRecord::kSize);

    WorkFileWriter(const QString& work, const QString& target) : file_(work)
    {
        if (QFile::exists(target)) {
            QFile::remove(work);
            std::rename(QFile::encodeName(target).constData(), QFile::encodeName(work).constData());
        }
        store::openFile(file_, QIODevice::ReadWrite);
        block_.reserve(kBlockBytes);
    }
    void add(const char* bytes)
    {
        block_.append(bytes, qsizetype(store::LedgerRecord::kSize));
        if (block_.size() >= kBlockBytes)
            flush();
    }
    void finish()
    {
        flush();
        if (file_.size() != written_ && !file_.resize(written_))
            throw store::FileError(QStringLiteral("Cannot write ") + file_.fileName(),
                                   store::kDeviceIo, file_.fileName());
        file_.close();
    }

private:
    void flush()
    {
        if (block_.isEmpty())
            return;
        store::writeAt(file_, written_, block_.constData(), block_.size());
        written_ += block_.size();
        block_.resize(0);
    }
    QFile file_;
    QByteArray block_;
    qint64 written_ = 0;
};

template <std::size_t N>
void copyTrimmed(std::array<char, N>& dest, const std::array<char, N>& src)
{
    std::size_t first = 0;
    while (first < N && src[first] == ' ')
        ++first;
    dest.fill(' ');
    std::memcpy(dest.data(), src.data() + first, N - first);
}

}  // namespace

QString reportFilePath(const QString& dataFolder)
{
    return targetPath(dataFolder, kReport);
}
QString incomeFilePath(const QString& dataFolder)
{
    return targetPath(dataFolder, kIncome);
}
QString expenseFilePath(const QString& dataFolder)
{
    return targetPath(dataFolder, kExpense);
}
QString todoFilePath(const QString& dataFolder)
{
    return targetPath(dataFolder, kTodo);
}

void removeReportWorkFiles(const QString& folder)
{
    for (int w = kReport; w < kWorkFiles; ++w) {
        QFile::remove(targetPath(folder, w));
        QFile::remove(workPath(folder, w));
    }
    QFile::remove(reportTextPath(folder));
}

namespace {

// A row's record as the work files hold it: the stored bytes with their
// leading spaces removed, padded again (the same as the list's cell text
// trimmed and written back, without the round trip through text), numbered
// by its place in the list.
void encodeRow(const view::ListRow& row, int rowNumber, char* bytes)
{
    store::LedgerRecord rec;
    copyTrimmed(rec.categoryCode, row.code);
    copyTrimmed(rec.note, row.note);
    copyTrimmed(rec.userField1, row.user1);
    copyTrimmed(rec.userField2, row.user2);
    rec.entryDate = row.day;
    rec.amount = row.amount;
    rec.recordNumber = double(rowNumber);
    rec.deletedFlag = 'N';
    rec.encode(bytes);
}

// Lists this long have "report.tmp" written by a second thread while this
// one writes the three sides: each file's writing is mostly the system
// filling the pages of a file, which two cores do side by side.
constexpr int kRowsForTwoThreads = 65536;

}  // namespace

void MakeReportFiles(const view::MainListModel& list, const QString& dataFolder,
                     const ReportProgress& progress)
{
    MakeReportFiles(list.snapshot(), dataFolder, progress);
}

void MakeReportFiles(const view::ListSnapshot& list, const QString& dataFolder,
                     const ReportProgress& progress)
{
    const int rows = list.rowCount();
    std::array<std::unique_ptr<WorkFileWriter>, kWorkFiles> files;
    std::thread whole;
    std::exception_ptr wholeFailed;
    std::atomic<bool> stopWhole{false};
    // Outside the try block: the second thread runs it until it is joined.
    const auto writeWhole = [&] {
        char bytes[store::LedgerRecord::kSize];
        for (int i = 0; i < rows && !stopWhole.load(std::memory_order_relaxed); ++i) {
            encodeRow(list.rowAt(i), i + 1, bytes);
            files[kReport]->add(bytes);
        }
        files[kReport]->finish();
    };
    try {
        for (int w = 0; w < kWorkFiles; ++w)
            files[size_t(w)] = std::make_unique<WorkFileWriter>(workPath(dataFolder, w),
                                                                targetPath(dataFolder, w));
        const bool twoThreads = rows >= kRowsForTwoThreads;
        if (twoThreads) {
            whole = std::thread([&] {
                try {
                    writeWhole();
                } catch (...) {
                    wholeFailed = std::current_exception();
                }
            });
        }
        char bytes[store::LedgerRecord::kSize];
        for (int i = 0; i < rows; ++i) {
            const int rowNumber = i + 1;  // the heading row is row 0
            if (progress && (rowNumber % kProgressRows == 0 || rowNumber == rows))
                progress(rowNumber, rows + 1);
            const view::ListRow& row = list.rowAt(i);
            encodeRow(row, rowNumber, bytes);
            const int side = row.amount > 0 ? kIncome : row.amount < 0 ? kExpense : kTodo;
            files[size_t(side)]->add(bytes);
            if (!twoThreads)
                files[kReport]->add(bytes);
        }
        for (int w = kIncome; w < kWorkFiles; ++w)
            files[size_t(w)]->finish();
        if (twoThreads) {
            whole.join();
            if (wholeFailed)
                std::rethrow_exception(wholeFailed);
        } else {
            files[kReport]->finish();
        }
    } catch (...) {
        stopWhole = true;
        if (whole.joinable())
            whole.join();
        // No file of this build or the last stays: nothing can read a mix.
        files = {};
        for (int w = 0; w < kWorkFiles; ++w) {
            QFile::remove(workPath(dataFolder, w));
            QFile::remove(targetPath(dataFolder, w));
        }
        throw;
    }
    // Scratch files: renamed into place, but not forced to the disk.
    for (int w = 0; w < kWorkFiles; ++w) {
        const QString work = workPath(dataFolder, w);
        const QString target = targetPath(dataFolder, w);
        if (std::rename(QFile::encodeName(work).constData(), QFile::encodeName(target).constData()) != 0) {
            const int error = errno;
            for (int v = 0; v < kWorkFiles; ++v) {
                QFile::remove(workPath(dataFolder, v));
                QFile::remove(targetPath(dataFolder, v));
            }
            throw store::FileError(QStringLiteral("Cannot rename ") + work + QStringLiteral(" to ") + target
                                       + QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(error))
                                       + QLatin1Char(')'),
                                   error == EACCES || error == EPERM ? store::kPermissionDenied : store::kPathFileAccess,
                                   target);
        }
    }
}

store::Money TotalUp(const QString& path)
{
    store::Money total = 0;
    store::RecordFile(path).forEachRaw([&](const char* bytes, qint64) {
        if (__builtin_add_overflow(total, store::rawAmount(bytes), &total))
            throw std::overflow_error("work file total out of range");
    });
    return total;
}

}  // namespace fnk::reports
