#pragma once

// A report built from start to end without a window: the work files from the
// list, the text from the work files, and the text read back and cut into
// lines for the viewer.  It runs away from the window's thread, so the
// window keeps answering while a report of a million rows is built.

#include "reports/ReportFiles.h"
#include "reports/ReportWriter.h"

#include <QByteArray>

#include <atomic>
#include <exception>
#include <vector>

namespace fnk::view {
class MainListModel;
struct ListSnapshot;
}

namespace fnk::reports {

// The report text as the viewer shows it: the file's bytes and where each
// shown line starts.  Line 0 is the empty line shown above the text; every
// LF ends a line, a CR before it is not part of the line, and the end of the
// text ends the last one.
struct ReportText {
    struct Line {
        qsizetype start;
        qsizetype length;
    };
    QByteArray bytes;
    std::vector<Line> lines;
    qsizetype widest = 0;  // characters in the longest line
};

// Reads and indexes the text of `path`.  Throws store::FileError.
ReportText readReportText(const QString& path, const std::atomic<bool>* cancel = nullptr);

// MakeReportFiles, writeReport and readReportText in turn.  `progress` is
// called as MakeReportFiles calls it, from the thread that builds.  The list
// is only read, and must not change until this returns.  A set `cancel` is
// seen between blocks of rows and between the steps.
ReportText buildReport(ReportKind kind, const ReportContext& ctx, const view::ListSnapshot& list,
                       const ReportProgress& progress, const std::atomic<bool>* cancel = nullptr);
ReportText buildReport(ReportKind kind, const ReportContext& ctx, const view::MainListModel& list,
                       const ReportProgress& progress, const std::atomic<bool>* cancel = nullptr);

}  // namespace fnk::reports
