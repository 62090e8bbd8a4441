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

namespace fnk::reports {

namespace {

constexpr int kRuleWidth = 79;
constexpr int kFullBar = 25;
constexpr int kOwnerWidth = 40;

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
    const int barCount =
        largest == 0 ? 0 : int(roundHalfEven(std::fabs(double(sub * fullBar) / double(largest))));

    return QStringLiteral("   ") + c.categoryNameText() + QStringLiteral("  ")
        + detail::moneyText(sub) + QStringLiteral("  (") + percentText + QStringLiteral(" %)")
        + QStringLiteral("  ") + QString(barCount, QLatin1Char('|'));
}

void appendSide(QStringList& out, const std::vector<store::CategoryEntry>& cats,
                const std::vector<store::LedgerRecord>& recs, store::Money total,
                store::Money largest, int fullBar)
{
    const detail::CategoryIndex index = detail::indexByCategory(recs);
    for (const store::CategoryEntry& c : cats) {
        store::Money sub = 0;
        for (std::size_t i : detail::recordsOf(index, c))
            sub += recs[i].amount;
        if (sub != 0)
            out << categoryLine(c, sub, total, largest, fullBar);
    }
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

CategoryIndex indexByCategory(const std::vector<store::LedgerRecord>& recs)
{
    CategoryIndex index;
    for (std::size_t i = 0; i < recs.size(); ++i)
        index[std::string(recs[i].categoryCode.data(), recs[i].categoryCode.size())].push_back(i);
    return index;
}

const std::vector<std::size_t>& recordsOf(const CategoryIndex& index, const store::CategoryEntry& c)
{
    static const std::vector<std::size_t> none;
    const auto it = index.find(std::string(c.categoryCode.data(), c.categoryCode.size()));
    return it == index.end() ? none : it->second;
}

std::vector<store::CategoryEntry> readCategories(const ReportContext& ctx)
{
    return store::CategoryFile(categoryFilePath(ctx)).readAll();
}

std::vector<store::LedgerRecord> readWorkFile(const QString& path)
{
    return store::RecordFile(path).readAll();
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
    const QString categoryPath = categoryFilePath(ctx);
    const QString incomePath = incomeFilePath(ctx.dataFolder);
    const QString expensePath = expenseFilePath(ctx.dataFolder);
    const store::Money totalIncome = TotalUp(incomePath);
    const store::Money totalExpense = TotalUp(expensePath);
    const store::Money largestIncome = GetLargestCategory(incomePath, categoryPath);
    const store::Money largestExpense = GetLargestCategory(expensePath, categoryPath);
    const std::vector<store::CategoryEntry> cats = readCategories(ctx);

    QStringList out;
    out << QStringLiteral(" --- Summary of money that went OUT ---") << QString() << kColumnHeading
        << QString();
    appendSide(out, cats, readWorkFile(expensePath), totalExpense, largestExpense, fullBar);
    out << QString() << QStringLiteral("   Total Expense:        ") + moneyText(totalExpense)
        << QString();

    out << QStringLiteral(" --- Summary of money that came IN ---") << QString() << kColumnHeading
        << QString();
    appendSide(out, cats, readWorkFile(incomePath), totalIncome, largestIncome, fullBar);
    out << QString() << QStringLiteral("   Total Income :        ") + moneyText(totalIncome)
        << QString();

    const store::Money spent = -totalExpense;
    if (totalIncome > spent)
        out << QStringLiteral("   A SURPLUS of          ") + moneyText(totalIncome - spent);
    else if (spent > totalIncome)
        out << QStringLiteral("   A DEFICIT of          ") + moneyText(spent - totalIncome);
    return out;
}

QStringList openItemLines(const ReportContext& ctx, const QString& columnHeading,
                          const ItemLine& item)
{
    const std::vector<store::LedgerRecord> todo = readWorkFile(todoFilePath(ctx.dataFolder));
    QStringList out;
    const CategoryIndex index = indexByCategory(todo);
    for (const store::CategoryEntry& c : readCategories(ctx)) {
        bool first = true;
        for (std::size_t i : recordsOf(index, c)) {
            const store::LedgerRecord& r = todo[i];
            if (first) {
                out << QString() << QStringLiteral("   Category: ") + c.categoryNameText()
                    << QString() << columnHeading << QString();
                first = false;
            }
            out << item(r);
        }
    }
    return out;
}

QStringList lineItemLines(const ReportContext& ctx, int ruleWidth, const QString& columnHeading,
                          const ItemLine& item)
{
    const std::vector<store::CategoryEntry> cats = readCategories(ctx);
    QStringList out;
    auto side = [&](const QString& title, const QString& path) {
        out << QString() << rule(ruleWidth) << title << rule(ruleWidth);
        const std::vector<store::LedgerRecord> recs = readWorkFile(path);
        const CategoryIndex index = indexByCategory(recs);
        for (const store::CategoryEntry& c : cats) {
            bool first = true;
            for (std::size_t i : recordsOf(index, c)) {
                const store::LedgerRecord& r = recs[i];
                if (first) {
                    const QString desc = store::trimSpaces(c.categoryDescriptionText());
                    out << QString() << QStringLiteral("Category: ") + c.categoryNameText();
                    if (!desc.isEmpty())
                        out << QStringLiteral(" > ") + desc;
                    out << QString() << columnHeading << QString();
                    first = false;
                }
                out << item(r);
            }
        }
    };
    side(QStringLiteral("   Expense Line Items..."), expenseFilePath(ctx.dataFolder));
    side(QStringLiteral("   Income Line Items..."), incomeFilePath(ctx.dataFolder));
    return out;
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
    store::openFile(f, QIODevice::WriteOnly | QIODevice::Append);
    store::writeAt(f, f.size(), bytes.constData(), bytes.size());
    f.close();
}

}  // namespace detail

store::Money GetLargestCategory(const QString& workFile, const QString& categoryFile)
{
    const std::vector<store::LedgerRecord> recs = detail::readWorkFile(workFile);
    store::Money largest = 0;
    const detail::CategoryIndex index = detail::indexByCategory(recs);
    for (const store::CategoryEntry& c : store::CategoryFile(categoryFile).readAll()) {
        store::Money sum = 0;
        for (std::size_t i : detail::recordsOf(index, c))
            sum += std::abs(recs[i].amount);
        if (sum > largest)
            largest = sum;
    }
    return largest;
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
    out << detail::openItemLines(ctx, QStringLiteral("   Date        Note"),
                                 [](const store::LedgerRecord& r) {
                                     return QStringLiteral("   ") + detail::dateText(r.entryDate)
                                         + QStringLiteral("  ") + store::trimSpaces(r.noteText());
                                 });
    detail::appendToReport(ctx, out);
}

void WriteDetails(const ReportContext& ctx)
{
    detail::appendToReport(
        ctx,
        detail::lineItemLines(ctx, kRuleWidth, QStringLiteral("Date             Amount  Note"),
                              [](const store::LedgerRecord& r) {
                                  return detail::dateText(r.entryDate)
                                      + detail::moneyText(std::abs(r.amount)) + QStringLiteral("  ")
                                      + store::trimSpaces(r.noteText());
                              }));
}

void WriteReportEnd(const ReportContext& ctx)
{
    detail::appendToReport(ctx, {detail::rule(kRuleWidth), QStringLiteral("   End of report")});
}

}  // namespace fnk::reports
