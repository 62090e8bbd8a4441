#include "reports/ChartData.h"

#include "reports/NarrowReport.h"
#include "reports/ReportFiles.h"
#include "store/CategoryFile.h"
#include "store/LedgerRecord.h"

#include <stdexcept>
#include <vector>

namespace fnk::reports {

namespace {

store::Money checkedAdd(store::Money a, store::Money b)
{
    store::Money sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        throw std::overflow_error("chart sum out of range");
    return sum;
}

store::Money checkedAbs(store::Money a)
{
    if (a == INT64_MIN)
        throw std::overflow_error("chart amount out of range");
    return a < 0 ? -a : a;
}

QString trimmedRight(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
        --n;
    return text.left(n);
}

// One side: the bars in category-file order and the side's total, from the
// same checked sums the report writers use.
void readSide(const QString& workFile, const std::vector<store::CategoryEntry>& cats,
              QList<ChartBar>& bars, store::Money& total)
{
    const detail::SideSums sums(workFile);
    total = sums.total;
    for (const store::CategoryEntry& c : cats) {
        const store::Money sub = sums.of(c).amount;
        if (sub != 0)
            bars.push_back({trimmedRight(c.categoryNameText()), sub});
    }
}

}  // namespace

store::Money ChartData::largest() const
{
    store::Money most = 0;
    for (const QList<ChartBar>* side : {&out, &in})
        for (const ChartBar& b : *side)
            most = std::max(most, checkedAbs(b.amount));
    return most;
}

ChartData readChartData(const ReportContext& ctx)
{
    ChartData d;
    d.earliestText = ctx.earliestText;
    d.latestText = ctx.latestText;
    const std::vector<store::CategoryEntry> cats = detail::readCategories(ctx);
    readSide(expenseFilePath(ctx.dataFolder), cats, d.out, d.totalOut);
    readSide(incomeFilePath(ctx.dataFolder), cats, d.in, d.totalIn);
    checkedAdd(d.totalIn, d.totalOut);  // the surplus or deficit must fit too
    checkedAbs(d.totalOut);
    return d;
}

QString chartMoney(store::Money amount)
{
    return store::formatCurrency(amount);
}

QString chartResultText(const ChartData& d)
{
    const store::Money r = d.result();
    if (r > 0)
        return QStringLiteral("A SURPLUS of ") + chartMoney(r);
    if (r < 0)
        return QStringLiteral("A DEFICIT of ") + chartMoney(-r);
    return {};
}

}  // namespace fnk::reports
