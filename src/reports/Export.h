#pragma once

#include <QString>

namespace fnk::reports {

// Exports of the last report build to a delimited text file the user names.
// Both read "expense.tmp" and "income.tmp" of `dataFolder` (ending in its
// separator) and the category file at `categoryFile`; open items are never
// exported.  A name ending in "txt" gets every field in double quotes with
// commas between, one ending in "csv" plain commas, any other name neither.
// Lines are appended to the file (the user confirms when it already holds
// data).  Expense lines come first, then income lines, each grouped by
// category in category-file order.  A failure shows the error box and leaves
// the file as it was before the export.

// One line per line item: amount, category code, note, date, user field 1,
// user field 2.
void mu_WriteComma(const QString& dataFolder, const QString& categoryFile);

// One line per category and section (expense, then income): code, name and
// the category's total, also when it is 0.
void mu_WriteCommaSummary(const QString& dataFolder, const QString& categoryFile);

// Every double quote and comma of `text` becomes a space; the length stays.
void StripQuoteAndComma(const QString& text, QString& result);

}  // namespace fnk::reports
