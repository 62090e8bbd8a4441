#pragma once

#include <atomic>
#include <exception>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/CategoryFile.h"
#include "store/LedgerRecord.h"
#include "store/Money.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>

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
    // Where the next section of the text goes, when the text is written over
    // the last report's (writeReport sets it); without it each section is
    // appended at the file's end.
    std::shared_ptr<qint64> textEnd;
    // Set while the report is built beside the window: once it is true, the
    // writers stop at their next block with BuildCancelled.
    const std::atomic<bool>* cancel = nullptr;
};

// Thrown out of a report build that was told to stop; the files are then
// those of the last report that ended.
struct BuildCancelled : std::exception {
    const char* what() const noexcept override { return "report build cancelled"; }
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

std::vector<store::CategoryEntry> readCategories(const ReportContext& ctx);

// A work file read once: its whole records as stored, and where the records
// of each stored category code are, in file order.
// Read whole, with a stop between blocks when `cancel` is set (BuildCancelled).
struct WorkFile {
    explicit WorkFile(const QString& path, const std::atomic<bool>* cancel = nullptr);
    std::size_t size() const { return std::size_t(bytes.size()) / store::LedgerRecord::kSize; }
    const char* record(std::size_t i) const
    {
        return bytes.constData() + i * store::LedgerRecord::kSize;
    }
    const std::vector<std::uint32_t>& recordsOf(const store::CategoryEntry& c) const;

    QByteArray bytes;
    std::unordered_map<std::string, std::vector<std::uint32_t>> byCode;
};

// The amounts of a work file, read once: the total, and for each stored
// category code the sum of its amounts and of their absolute values.  Every
// sum is checked: one that does not fit in Money throws std::overflow_error.
struct SideSums {
    explicit SideSums(const QString& path);
    store::Money total = 0;
    struct Sums {
        store::Money amount = 0;
        store::Money absolute = 0;
    };
    std::unordered_map<std::string, Sums> byCode;
    Sums of(const store::CategoryEntry& c) const;
    // The largest per-category sum of absolute amounts over `cats`.
    store::Money largest(const std::vector<store::CategoryEntry>& cats) const;
};

// The five header lines: `title` (the first line), a rule, the searched
// period, the span of the listed records, a rule.
QStringList headerLines(const ReportContext& ctx, const QString& title, int ruleWidth);
// The money-out and money-in summaries, their totals and the surplus or
// deficit line, with graph bars scaled so the largest category gets
// `fullBar` of them.  Throws std::overflow_error when a sum does not fit.
QStringList summaryLines(const ReportContext& ctx, int fullBar);

// Appends lines to the report text "fnk_rep.tmp", opened once, in large
// writes.  finish() writes what is left and closes the file.
class ReportAppender {
public:
    explicit ReportAppender(const ReportContext& ctx);
    void line(const QString& text);
    void lines(const QStringList& texts);
    // Bytes of the line being built; endLine() ends it.
    QByteArray& bytes() { return buffer_; }
    void endLine();
    void finish();

private:
    void write();
    QFile file_;
    QByteArray buffer_;
    std::shared_ptr<qint64> end_;  // the text's end, when written over an old one
    qint64 at_ = 0;
    const std::atomic<bool>* cancel_ = nullptr;
};

// Appending parts of a line in the report's code page.
void appendText(QByteArray& out, const QString& text);
// A stored text field, as its decoded text (trimmed of spaces at both ends
// when `trimmed`) written back.
void appendField(QByteArray& out, const char* bytes, std::size_t length, bool trimmed);
void appendDate(QByteArray& out, double day);
void appendMoney(QByteArray& out, store::Money amount);
// The absolute value of an amount; std::overflow_error for the one amount
// whose absolute value does not fit.
store::Money absolute(store::Money amount);

// Appends the bytes of one item line for a stored record.
using ItemLine = std::function<void(QByteArray& out, const char* record)>;
// The open items of "todo.tmp" by category, each category headed by an
// empty line, its name, an empty line, `columnHeading` and an empty line.
void openItemLines(ReportAppender& out, const ReportContext& ctx, const QString& columnHeading,
                   const ItemLine& item);
// The expense and then the income line items by category, each side opened
// by a title between two rules of `ruleWidth`, each category by its name,
// its description if it has one, and `columnHeading`.
void lineItemLines(ReportAppender& out, const ReportContext& ctx, int ruleWidth,
                   const QString& columnHeading, const ItemLine& item);

// Appends `lines`, each ended by CR LF, to the report text and closes it.
void appendToReport(const ReportContext& ctx, const QStringList& lines);

}  // namespace detail

}  // namespace fnk::reports
