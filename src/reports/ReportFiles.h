#pragma once

#include "store/Money.h"

#include <QString>

#include <functional>

namespace fnk::view {
class MainListModel;
struct ListSnapshot;
}

namespace fnk::reports {

// The report work files of a data folder (`dataFolder` ends with its
// separator).  Each is a plain array of 125-byte ledger records numbered
// from 1; the writers and the export read only these, never the main list.
QString reportFilePath(const QString& dataFolder);   // "report.tmp": every listed row
QString incomeFilePath(const QString& dataFolder);   // "income.tmp": amount > 0
QString expenseFilePath(const QString& dataFolder);  // "expense.tmp": amount < 0
QString todoFilePath(const QString& dataFolder);     // "todo.tmp": amount 0, the open items

// Removes the work files above, their ".wrk" forms and the report text
// "fnk_rep.tmp" from `folder`; what a user asked for there (a printed PDF,
// the copy an editor opened) stays.
void removeReportWorkFiles(const QString& folder);

// Progress of the work-file build: called after every block of
// kProgressRows list rows and after the last row, with the number of rows
// done (the last call gives rowCount()) and the bar's maximum, which is the
// list's row count with the heading row counted (rowCount() + 1).
using ReportProgress = std::function<void(int value, int maximum)>;
inline constexpr int kProgressRows = 4096;

// Copies the rows of the main list, in the order they are listed, into the
// four work files of `dataFolder`.  The caller sorts the list newest first
// (date column, descending) before calling, as every report lists the
// records that way; the list itself is only read.
//
// Record n of "report.tmp" is list row n (row 0 of the model is row 1), and
// every work-file record carries that row number as its RecordNumber.  The
// rows whose amount is above, below or exactly zero go, in list order and
// numbered from 1, into "income.tmp", "expense.tmp" and "todo.tmp".  The
// category code, note and user fields come from the four layout cells of
// the row (as the list's layout code places them), trimmed of spaces; the
// date and amount are the row's own values; DeletedFlag is "N".
//
// All four files are written to work files ("report.wrk" ...) and only then
// renamed into place; the files of the previous build serve as the work
// files, written over.  On a failure (store::FileError, which is rethrown)
// none of the four files, old or new, is left, so nothing ever reads a mix of
// two builds; every report builds them anew, and nothing reads them before a
// report has been built.  They are scratch files, so they are not forced to
// the device.
void MakeReportFiles(const view::MainListModel& list, const QString& dataFolder,
                     const ReportProgress& progress = {});
void MakeReportFiles(const view::ListSnapshot& list, const QString& dataFolder,
                     const ReportProgress& progress);

// The sum of the amounts of every whole record of a work file; 0 for an
// empty file.  A missing file is created empty.  Throws store::FileError,
// and std::overflow_error when the sum does not fit in Money.
store::Money TotalUp(const QString& path);

}  // namespace fnk::reports
