#include "reports/ReportWriter.h"

#include "reports/WideReport.h"
#include "store/FileIo.h"

#include <QFile>

namespace fnk::reports {

void writeReport(ReportKind kind, const ReportContext& given)
{
    const QString path = reportTextPath(given.dataFolder);
    // The last report's text is written over from its start and cut at the
    // new text's end: writing over pages the system holds already costs a
    // fraction of filling a new file.  Until then the file is no report.
    ReportContext ctx = given;
    ctx.textEnd = std::make_shared<qint64>(0);
    if (!QFile::exists(path))
        store::touchFile(path);
    try {
        switch (kind) {
        case ReportKind::SummaryNarrow:
            WriteReportHeader(ctx);
            WriteSummary(ctx);
            WriteReportEnd(ctx);
            break;
        case ReportKind::FullNarrow:
            WriteReportHeader(ctx);
            WriteSummary(ctx);
            WriteDetails(ctx);
            WriteReportEnd(ctx);
            break;
        case ReportKind::SummaryWide:
            WriteWideReportHeader(ctx);
            WriteWideSummary(ctx);
            WriteWideReportEnd(ctx);
            break;
        case ReportKind::FullWide:
            WriteWideReportHeader(ctx);
            WriteWideSummary(ctx);
            WriteWideDetails(ctx);
            WriteWideReportEnd(ctx);
            break;
        }
        QFile f(path);
        store::openFile(f, QIODevice::ReadWrite);
        if (f.size() != *ctx.textEnd && !f.resize(*ctx.textEnd))
            throw store::FileError(QStringLiteral("Cannot write ") + path + QStringLiteral(" (")
                                       + f.errorString() + QLatin1Char(')'),
                                   store::kDeviceIo, path);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

}  // namespace fnk::reports
