#include "reports/ReportWriter.h"

#include "reports/WideReport.h"
#include "store/FileIo.h"

#include <QFile>

namespace fnk::reports {

void writeReport(ReportKind kind, const ReportContext& ctx)
{
    const QString path = reportTextPath(ctx.dataFolder);
    {
        QFile old(path);
        if (old.exists() && !old.remove())
            throw store::FileError(QStringLiteral("Cannot delete ") + path + QStringLiteral(" (")
                                       + old.errorString() + QLatin1Char(')'),
                                   store::kPermissionDenied, path);
    }
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
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

}  // namespace fnk::reports
