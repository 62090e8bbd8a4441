#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "store/CategoryFile.h"
#include "store/LedgerRecord.h"
#include "store/Money.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace fnk::reports {

// Everything the report writers read besides the work files.
struct ReportContext {
    QString dataFolder;    // holds the work files and "fnk_rep.tmp"; ends with its separator
    QString categoryFile;  // the category file; empty means dataFolder + "category.dat"
    QString earliestText;  // the date range's first and last date, as the range shows them
    QString latestText;
    QString ownerName;  // report title; cut or padded to 40 characters
    QString user1Name;  // wide column headings; cut or padded to 10 characters
    QString user2Name;
    QString layoutCode = QStringLiteral("-n12-");  // wide field order
};

// "fnk_rep.tmp" in the data folder: the report text, CR LF lines in
// Windows-1252, which the writers append to section by section.
QString reportTextPath(const QString& dataFolder);

// The narrow report (79-column rules, 25-bar graph, notes only).  Each call
// appends its section to the report text and closes the file again; they run
// in the order header, summary, [details,] end.  The date texts are the
// locale's short dates and "today" is the program clock's.  File failures
// throw store::FileError.
void WriteReportHeader(const ReportContext& ctx);
void WriteSummary(const ReportContext& ctx);
void WriteDetails(const ReportContext& ctx);
void WriteReportEnd(const ReportContext& ctx);

// The largest per-category total of absolute amounts of a work file, over
// the categories of `categoryFile`; 0 when no record belongs to any.
store::Money GetLargestCategory(const QString& workFile, const QString& categoryFile);

// Building blocks shared with the wide writer.
namespace detail {

QString categoryFilePath(const ReportContext& ctx);
QString rule(int width);
QString dateText(double day);
QString moneyText(store::Money amount);
// `text` cut or padded with spaces to exactly `width` characters.
QString fixedWidth(const QString& text, int width);
// A record belongs to a category when the stored codes match byte for byte.
bool belongsTo(const store::LedgerRecord& r, const store::CategoryEntry& c);
// The positions of the records of each stored category code, in file order.
using CategoryIndex = std::unordered_map<std::string, std::vector<std::size_t>>;
CategoryIndex indexByCategory(const std::vector<store::LedgerRecord>& recs);
const std::vector<std::size_t>& recordsOf(const CategoryIndex& index, const store::CategoryEntry& c);

std::vector<store::CategoryEntry> readCategories(const ReportContext& ctx);
std::vector<store::LedgerRecord> readWorkFile(const QString& path);

// The five header lines: `title` (the first line), a rule, the searched
// period, the span of the listed records, a rule.
QStringList headerLines(const ReportContext& ctx, const QString& title, int ruleWidth);
// The money-out and money-in summaries, their totals and the surplus or
// deficit line, with graph bars scaled so the largest category gets
// `fullBar` of them.
QStringList summaryLines(const ReportContext& ctx, int fullBar);

using ItemLine = std::function<QString(const store::LedgerRecord&)>;
// The open items of "todo.tmp" by category, each category headed by an
// empty line, its name, an empty line, `columnHeading` and an empty line.
QStringList openItemLines(const ReportContext& ctx, const QString& columnHeading,
                          const ItemLine& item);
// The expense and then the income line items by category, each side opened
// by a title between two rules of `ruleWidth`, each category by its name,
// its description if it has one, and `columnHeading`.
QStringList lineItemLines(const ReportContext& ctx, int ruleWidth, const QString& columnHeading,
                          const ItemLine& item);

// Appends `lines`, each ended by CR LF, to the report text and closes it.
void appendToReport(const ReportContext& ctx, const QStringList& lines);

}  // namespace detail

}  // namespace fnk::reports
