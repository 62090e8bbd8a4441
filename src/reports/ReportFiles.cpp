#include "reports/ReportFiles.h"

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

void writeWorkFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    store::openFile(f, QIODevice::WriteOnly | QIODevice::Truncate);
    try {
        store::writeAt(f, 0, data.constData(), data.size());
    } catch (...) {
        f.close();
        throw;
    }
    f.close();
}

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

void MakeReportFiles(const view::MainListModel& list, const QString& dataFolder,
                     const ReportProgress& progress)
{
    const int rows = list.rowCount();

    std::array<QByteArray, kWorkFiles> data;
    std::array<qsizetype, kWorkFiles> counts{};
    for (int i = 0; i < rows; ++i) {
        const store::Money a = list.rowAt(i).amount;
        ++counts[a > 0 ? kIncome : a < 0 ? kExpense : kTodo];
    }
    counts[kReport] = rows;
    for (int w = 0; w < kWorkFiles; ++w)
        data[size_t(w)].reserve(counts[size_t(w)] * qsizetype(store::LedgerRecord::kSize));

    char bytes[store::LedgerRecord::kSize];
    for (int i = 0; i < rows; ++i) {
        const int rowNumber = i + 1;  // the heading row is row 0
        if (progress && (rowNumber % kProgressRows == 0 || rowNumber == rows))
            progress(rowNumber, rows + 1);

        const view::ListRow& row = list.rowAt(i);
        // The stored bytes with their leading spaces removed, padded again:
        // the same as the list's cell text trimmed and written back, without
        // the round trip through text.
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

        const int side = rec.amount > 0 ? kIncome : rec.amount < 0 ? kExpense : kTodo;
        data[size_t(side)].append(bytes, sizeof bytes);
        data[kReport].append(bytes, sizeof bytes);
    }

    // Every work file is complete on disk before any old file is replaced.
    try {
        for (int w = 0; w < kWorkFiles; ++w)
            writeWorkFile(workPath(dataFolder, w), data[size_t(w)]);
    } catch (...) {
        for (int w = 0; w < kWorkFiles; ++w)
            QFile::remove(workPath(dataFolder, w));
        throw;
    }
    for (int w = 0; w < kWorkFiles; ++w)
        store::renameOver(workPath(dataFolder, w), targetPath(dataFolder, w));
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
