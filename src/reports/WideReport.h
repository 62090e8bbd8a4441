#pragma once

#include "reports/NarrowReport.h"

#include "view/ColumnLayout.h"

#include <QString>

#include <vector>

namespace fnk::reports {

// The wide report: the narrow report on a landscape page, with 113-column
// rules, a 59-bar graph, and the two user fields beside the note in the
// order of the context's layout code, headed by the user-field names.  The
// calls append to the same report text and run in the order header,
// summary, [details,] end.  File failures throw store::FileError.
void WriteWideReportHeader(const ReportContext& ctx);
void WriteWideSummary(const ReportContext& ctx);
void WriteWideDetails(const ReportContext& ctx);
void WriteWideReportEnd(const ReportContext& ctx);

namespace detail {
// The column headings over the wide field block: "Note" and 57 spaces for
// the note, the 10-character name for a user field, two spaces after a user
// field that another field follows.
QString wideHeadingBlock(const ReportContext& ctx);
// The note (60 characters) and user fields (10 each) at full width, in the
// layout's order: one space after the note, two after a user field, nothing
// after the last.
// `fields` is the layout's order of the note and user fields; `rec` a stored
// record.
void appendWideFields(QByteArray& out, const std::vector<view::Field>& fields, const char* rec);
}  // namespace detail

}  // namespace fnk::reports
