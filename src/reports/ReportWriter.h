#pragma once

#include "reports/NarrowReport.h"

namespace fnk::reports {

// The four reports of the "Reports" menu.
enum class ReportKind {
    SummaryNarrow,  // "Summary Report - Narrow Format"
    FullNarrow,     // "Full Report - Narrow Format (no User Fields)"
    SummaryWide,    // "Summary Report - Wide Format"
    FullWide,       // "Full Report - Wide Format (w/ User Fields)"
};

inline bool isWideReport(ReportKind kind)
{
    return kind == ReportKind::SummaryWide || kind == ReportKind::FullWide;
}

// Writes the report text "fnk_rep.tmp" anew from the work files that
// MakeReportFiles left: runs the writers of the kind in order (header,
// summary, details for a full report, end), writing over the old text from
// its start, then cuts the file at the new text's end.  When a writer fails,
// the partly written text is deleted and the store::FileError passed on.
void writeReport(ReportKind kind, const ReportContext& ctx);

}  // namespace fnk::reports
