#include "reports/NarrowReport.h"

#include "platform/Clock.h"
#include "reports/ReportFiles.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QFile>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace fnk::reports {

namespace {

constexpr int kRuleWidth = 79;
constexpr int kFullBar = 25;
constexpr int kOwnerWidth = 40;
constexpr qsizetype kFlushBytes = 4 << 20;

// Round to the nearest whole number, halves to the even one.
double roundHalfEven(double x)
{
    const double down = std::floor(x);
    const double diff = x - down;
    if (diff > 0.5)
        return down + 1.0;
    if (diff < 0.5)
        return down;
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

// A share as ten-thousandths, within a range that cannot overflow.
store::Money shareToFixed(double share)
{
    const double scaled = roundHalfEven(share * double(store::kMoneyScale));
    constexpr double kLimit = 1e15;
    return store::Money(std::fmax(-kLimit, std::fmin(kLimit, scaled)));
}

// One line of a category summary.  The share of the side's total becomes a
// percentage with at most two decimals; the bar count scales the category's
// amount to the largest category of the side.  Both are 0 when the side has
// nothing to divide by.
QString categoryLine(const store::CategoryEntry& c, store::Money sub, store::Money total,
                     store::Money largest, int fullBar)
{
    const double share = total == 0 ? 0.0 : double(sub) / double(total);
    const store::Money percent = shareToFixed(share) * 100;
    const QString percentText = store::plainAmount(percent).rightJustified(5, QLatin1Char(' '));

    // The largest category is at least as large as this one, so the count
    // never exceeds fullBar.
    store::Money bar = 0;
    if (__builtin_mul_overflow(sub, store::Money(fullBar), &bar))
        throw std::overflow_error("graph bar out of range");
    const int barCount =
        largest == 0 ? 0 : int(roundHalfEven(std::fabs(double(bar) / double(largest))));

    return QStringLiteral("   ") + c.categoryNameText() + QStringLiteral("  ")
        + detail::moneyText(sub) + QStringLiteral("  (") + percentText + QStringLiteral(" %)")
        + QStringLiteral("  ") + QString(barCount, QLatin1Char('|'));
}

void appendSide(QStringList& out, const std::vector<store::CategoryEntry>& cats,
                const detail::SideSums& side, int fullBar)
{
    const store::Money largest = side.largest(cats);
    for (const store::CategoryEntry& c : cats) {
        const store::Money sub = side.of(c).amount;
        if (sub != 0)
            out << categoryLine(c, sub, side.total, largest, fullBar);
    }
}

std::string codeKey(const char* code)
{
    return std::string(code, store::LedgerRecord::kCodeWidth);
}

std::string codeKey(const store::CategoryEntry& c)
{
    return std::string(c.categoryCode.data(), c.categoryCode.size());
}

bool isAscii(const char* bytes, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return false;
    return true;
}

const QString kColumnHeading =
    QStringLiteral("   Category                  Sub Total             Graph");

}  // namespace

QString reportTextPath(const QString& dataFolder)
{
    return dataFolder + QStringLiteral("fnk_rep.tmp");
}

namespace detail {

QString categoryFilePath(const ReportContext& ctx)
{
    return ctx.categoryFile.isEmpty() ? store::CategoryFile::inFolder(ctx.dataFolder).path()
                                      : ctx.categoryFile;
}

QString rule(int width)
{
    return QString(width, QLatin1Char('-'));
}

QString dateText(double day)
{
    return store::formatDay(day);
}

QString moneyText(store::Money amount)
{
    QString out;
    store::MoneyRight(amount, out);
    return out;
}

QString fixedWidth(const QString& text, int width)
{
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

bool belongsTo(const store::LedgerRecord& r, const store::CategoryEntry& c)
{
    return r.categoryCode == c.categoryCode;
}

std::vector<store::CategoryEntry> readCategories(const ReportContext& ctx)
{
    return store::CategoryFile(categoryFilePath(ctx)).readAll();
}

WorkFile::WorkFile(const QString& path, const std::atomic<bool>* cancel)
{
    store::RecordFile file(path);
    // The whole file is held: one allocation instead of a doubling series
    // of copies (a million records are over 100 MB).
    bytes.reserve(qsizetype(file.count()) * qsizetype(store::LedgerRecord::kSize));
    file.forEachRaw([&](const char* rec, qint64 number) {
        if (cancel && number % kProgressRows == 0 && cancel->load(std::memory_order_relaxed))
            throw BuildCancelled();
        const std::size_t at = size();
        bytes.append(rec, qsizetype(store::LedgerRecord::kSize));
        byCode[codeKey(rec + store::LedgerRecord::kCategoryCode)].push_back(std::uint32_t(at));
    });
}

const std::vector<std::uint32_t>& WorkFile::recordsOf(const store::CategoryEntry& c) const
{
    static const std::vector<std::uint32_t> none;
    const auto it = byCode.find(codeKey(c));
    return it == byCode.end() ? none : it->second;
}

SideSums::SideSums(const QString& path)
{
    store::RecordFile(path).forEachRaw([&](const char* rec, qint64) {
        const store::Money a = store::rawAmount(rec);
        Sums& s = byCode[codeKey(rec + store::LedgerRecord::kCategoryCode)];
        if (__builtin_add_overflow(total, a, &total) || __builtin_add_overflow(s.amount, a, &s.amount)
            || __builtin_add_overflow(s.absolute, absolute(a), &s.absolute))
            throw std::overflow_error("category total out of range");
    });
}

SideSums::Sums SideSums::of(const store::CategoryEntry& c) const
{
    const auto it = byCode.find(codeKey(c));
    return it == byCode.end() ? Sums{} : it->second;
}

store::Money SideSums::largest(const std::vector<store::CategoryEntry>& cats) const
{
    store::Money out = 0;
    for (const store::CategoryEntry& c : cats)
        out = std::max(out, of(c).absolute);
    return out;
}

QStringList headerLines(const ReportContext& ctx, const QString& title, int ruleWidth)
{
    const double today = store::dayFromDate(platform::clock().today());
    double earliest = today;
    double latest = 0;
    store::RecordFile(reportFilePath(ctx.dataFolder)).forEachRaw([&](const char* bytes, qint64) {
        const double day = store::rawEntryDate(bytes);
        if (day <= earliest)
            earliest = day;
        if (day >= latest)
            latest = day;
    });
    if (latest == 0)
        latest = today;

    return {title, rule(ruleWidth),
            QStringLiteral("Searched the period ") + ctx.earliestText + QStringLiteral(" through ")
                + ctx.latestText + QStringLiteral(", inclusive."),
            QStringLiteral("Records found span  ") + dateText(earliest)
                + QStringLiteral(" through ") + dateText(latest) + QStringLiteral(", inclusive."),
            rule(ruleWidth)};
}

QStringList summaryLines(const ReportContext& ctx, int fullBar)
{
    const SideSums expense(expenseFilePath(ctx.dataFolder));
    const SideSums income(incomeFilePath(ctx.dataFolder));
    const std::vector<store::CategoryEntry> cats = readCategories(ctx);

    QStringList out;
    out << QStringLiteral(" --- Summary of money that went OUT ---") << QString() << kColumnHeading
        << QString();
    appendSide(out, cats, expense, fullBar);
    out << QString() << QStringLiteral("   Total Expense:        ") + moneyText(expense.total)
        << QString();

    out << QStringLiteral(" --- Summary of money that came IN ---") << QString() << kColumnHeading
        << QString();
    appendSide(out, cats, income, fullBar);
    out << QString() << QStringLiteral("   Total Income :        ") + moneyText(income.total)
        << QString();

    store::Money spent = 0;
    if (__builtin_sub_overflow(store::Money(0), expense.total, &spent))
        throw std::overflow_error("expense total out of range");
    store::Money difference = 0;
    if (income.total > spent) {
        if (__builtin_sub_overflow(income.total, spent, &difference))
            throw std::overflow_error("surplus out of range");
        out << QStringLiteral("   A SURPLUS of          ") + moneyText(difference);
    } else if (spent > income.total) {
        if (__builtin_sub_overflow(spent, income.total, &difference))
            throw std::overflow_error("deficit out of range");
        out << QStringLiteral("   A DEFICIT of          ") + moneyText(difference);
    }
    return out;
}

void openItemLines(ReportAppender& out, const ReportContext& ctx, const QString& columnHeading,
                   const ItemLine& item)
{
    const WorkFile todo(todoFilePath(ctx.dataFolder), ctx.cancel);
    for (const store::CategoryEntry& c : readCategories(ctx)) {
        bool first = true;
        for (std::uint32_t i : todo.recordsOf(c)) {
            if (first) {
                out.lines({QString(), QStringLiteral("   Category: ") + c.categoryNameText(),
                           QString(), columnHeading, QString()});
                first = false;
            }
            item(out.bytes(), todo.record(i));
            out.endLine();
        }
    }
}

void lineItemLines(ReportAppender& out, const ReportContext& ctx, int ruleWidth,
                   const QString& columnHeading, const ItemLine& item)
{
    const std::vector<store::CategoryEntry> cats = readCategories(ctx);
    auto side = [&](const QString& title, const QString& path) {
        out.lines({QString(), rule(ruleWidth), title, rule(ruleWidth)});
        const WorkFile recs(path, ctx.cancel);
        for (const store::CategoryEntry& c : cats) {
            bool first = true;
            for (std::uint32_t i : recs.recordsOf(c)) {
                if (first) {
                    const QString desc = store::trimSpaces(c.categoryDescriptionText());
                    out.lines({QString(), QStringLiteral("Category: ") + c.categoryNameText()});
                    if (!desc.isEmpty())
                        out.line(QStringLiteral(" > ") + desc);
                    out.lines({QString(), columnHeading, QString()});
                    first = false;
                }
                item(out.bytes(), recs.record(i));
                out.endLine();
            }
        }
    };
    side(QStringLiteral("   Expense Line Items..."), expenseFilePath(ctx.dataFolder));
    side(QStringLiteral("   Income Line Items..."), incomeFilePath(ctx.dataFolder));
}

ReportAppender::ReportAppender(const ReportContext& ctx)
    : file_(reportTextPath(ctx.dataFolder)), end_(ctx.textEnd), cancel_(ctx.cancel)
{
    if (cancel_ && cancel_->load(std::memory_order_relaxed))
        throw BuildCancelled();
    if (end_) {
        store::openFile(file_, QIODevice::ReadWrite);
        at_ = *end_;
    } else {
        store::openFile(file_, QIODevice::WriteOnly | QIODevice::Append);
        at_ = file_.size();
    }
    buffer_.reserve(kFlushBytes + 4096);
}

void ReportAppender::line(const QString& text)
{
    appendText(buffer_, text);
    endLine();
}

void ReportAppender::lines(const QStringList& texts)
{
    for (const QString& t : texts)
        line(t);
}

void ReportAppender::endLine()
{
    buffer_ += "\r\n";
    if (buffer_.size() >= kFlushBytes)
        write();
}

void ReportAppender::write()
{
    if (cancel_ && cancel_->load(std::memory_order_relaxed))
        throw BuildCancelled();
    store::writeAt(file_, at_, buffer_.constData(), buffer_.size());
    at_ += buffer_.size();
    if (end_)
        *end_ = at_;
    buffer_.resize(0);
}

void ReportAppender::finish()
{
    write();
    file_.close();
}

void appendText(QByteArray& out, const QString& text)
{
    store::appendEncoded1252(out, text);
}

void appendField(QByteArray& out, const char* bytes, std::size_t length, bool trimmed)
{
    if (trimmed) {
        while (length > 0 && bytes[0] == ' ') {
            ++bytes;
            --length;
        }
        while (length > 0 && bytes[length - 1] == ' ')
            --length;
    }
    // Plain ASCII comes back from the code page unchanged.
    if (isAscii(bytes, length))
        out.append(bytes, qsizetype(length));
    else
        appendText(out, store::decode1252(bytes, length));
}

void appendDate(QByteArray& out, double day)
{
    // A report shows the same few thousand days over and over: their bytes
    // are kept, for each thread and as long as the locale stays.
    static thread_local QLocale cachedLocale;
    static thread_local std::unordered_map<qint64, QByteArray> cache;
    if (!store::isValidDay(day)) {
        appendText(out, dateText(day));
        return;
    }
    const QLocale locale;
    if (!(locale == cachedLocale) || cache.size() > 200000) {
        cache.clear();
        cachedLocale = locale;
    }
    auto [it, added] = cache.try_emplace(qint64(std::trunc(day)));
    if (added)
        it->second = store::encode1252(dateText(day));
    out += it->second;
}

void appendMoney(QByteArray& out, store::Money amount)
{
    appendText(out, moneyText(amount));
}

store::Money absolute(store::Money amount)
{
    if (amount == std::numeric_limits<store::Money>::min())
        throw std::overflow_error("amount out of range");
    return amount < 0 ? -amount : amount;
}

void appendToReport(const ReportContext& ctx, const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString& line : lines) {
        bytes += store::encode1252(line);
        bytes += "\r\n";
    }

    QFile f(reportTextPath(ctx.dataFolder));
    if (ctx.textEnd) {
        store::openFile(f, QIODevice::ReadWrite);
        store::writeAt(f, *ctx.textEnd, bytes.constData(), bytes.size());
        *ctx.textEnd += bytes.size();
    } else {
        store::openFile(f, QIODevice::WriteOnly | QIODevice::Append);
        store::writeAt(f, f.size(), bytes.constData(), bytes.size());
    }
    f.close();
}

}  // namespace detail

store::Money GetLargestCategory(const QString& workFile, const QString& categoryFile)
{
    return detail::SideSums(workFile).largest(store::CategoryFile(categoryFile).readAll());
}

void WriteReportHeader(const ReportContext& ctx)
{
    const QString title = QStringLiteral("Cashflow Record for ")
        + detail::fixedWidth(ctx.ownerName, kOwnerWidth) + QStringLiteral("Printed: ")
        + store::formatShortDate(platform::clock().today());
    detail::appendToReport(ctx, detail::headerLines(ctx, title, kRuleWidth));
}

void WriteSummary(const ReportContext& ctx)
{
    QStringList out = detail::summaryLines(ctx, kFullBar);
    out << QString() << detail::rule(kRuleWidth) << QStringLiteral("   Open Items")
        << detail::rule(kRuleWidth);
    detail::ReportAppender report(ctx);
    report.lines(out);
    detail::openItemLines(report, ctx, QStringLiteral("   Date        Note"),
                          [](QByteArray& line, const char* rec) {
                              line += "   ";
                              detail::appendDate(line, store::rawEntryDate(rec));
                              line += "  ";
                              detail::appendField(line, rec + store::LedgerRecord::kNote,
                                                  store::LedgerRecord::kNoteWidth, true);
                          });
    report.finish();
}

void WriteDetails(const ReportContext& ctx)
{
    detail::ReportAppender report(ctx);
    detail::lineItemLines(report, ctx, kRuleWidth,
                          QStringLiteral("Date             Amount  Note"),
                          [](QByteArray& line, const char* rec) {
                              detail::appendDate(line, store::rawEntryDate(rec));
                              detail::appendMoney(line, detail::absolute(store::rawAmount(rec)));
                              line += "  ";
                              detail::appendField(line, rec + store::LedgerRecord::kNote,
                                                  store::LedgerRecord::kNoteWidth, true);
                          });
    report.finish();
}

void WriteReportEnd(const ReportContext& ctx)
{
    detail::appendToReport(ctx, {detail::rule(kRuleWidth), QStringLiteral("   End of report")});
}

}  // namespace fnk::reports
