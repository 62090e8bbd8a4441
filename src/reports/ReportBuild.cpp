#include "reports/ReportBuild.h"

#include "store/FileIo.h"
#include "view/MainListModel.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace fnk::reports {

ReportText readReportText(const QString& path, const std::atomic<bool>* cancel)
{
    ReportText t;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw store::FileError(QStringLiteral("Cannot read ") + path + QStringLiteral(" (")
                                   + f.errorString() + QLatin1Char(')'),
                               store::kFileNotFound, path);
    // In blocks, so a stop is seen within one: a full report at a million
    // entries is over 100 MB of text.
    constexpr qint64 kReadBlock = qint64(8) << 20;
    t.bytes.resize(qsizetype(f.size()));
    qint64 got = 0;
    while (got < t.bytes.size()) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            throw BuildCancelled();
        const qint64 n = f.read(t.bytes.data() + got, std::min(kReadBlock, qint64(t.bytes.size()) - got));
        if (n < 0)
            throw store::FileError(QStringLiteral("Cannot read ") + path + QStringLiteral(" (")
                                       + f.errorString() + QLatin1Char(')'),
                                   store::kDeviceIo, path);
        if (n == 0)
            break;
        got += n;
    }
    t.bytes.truncate(qsizetype(got));

    const char* data = t.bytes.constData();
    const qsizetype size = t.bytes.size();
    std::size_t expected = 1;
    for (qsizetype at = 0; at < size;) {
        const void* lf = std::memchr(data + at, '\n', std::size_t(size - at));
        if (!lf)
            break;
        ++expected;
        at = static_cast<const char*>(lf) - data + 1;
    }
    t.lines.reserve(expected + 1);
    t.lines.push_back({0, 0});
    qsizetype at = 0;
    while (at < size) {
        const void* lf = std::memchr(data + at, '\n', std::size_t(size - at));
        const qsizetype end = lf ? static_cast<const char*>(lf) - data : size;
        qsizetype length = end - at;
        if (lf && length > 0 && data[end - 1] == '\r')
            --length;
        t.lines.push_back({at, length});
        t.widest = std::max(t.widest, length);
        at = end + 1;
    }
    return t;
}

ReportText buildReport(ReportKind kind, const ReportContext& ctx, const view::MainListModel& list,
                       const ReportProgress& progress, const std::atomic<bool>* cancel)
{
    return buildReport(kind, ctx, list.snapshot(), progress, cancel);
}

ReportText buildReport(ReportKind kind, const ReportContext& ctx, const view::ListSnapshot& list,
                       const ReportProgress& progress, const std::atomic<bool>* cancel)
{
    const auto check = [cancel] {
        if (cancel && cancel->load(std::memory_order_relaxed))
            throw BuildCancelled();
    };
    MakeReportFiles(list, ctx.dataFolder, [&](int value, int maximum) {
        check();
        if (progress)
            progress(value, maximum);
    });
    check();
    ReportContext writing = ctx;
    writing.cancel = cancel;
    writeReport(kind, writing);
    check();
    return readReportText(reportTextPath(ctx.dataFolder), cancel);
}

}  // namespace fnk::reports
