#pragma once

// The figures of the report's category summary, read from the same work
// files the report writers read, for drawing them as a chart.

#include "reports/NarrowReport.h"
#include "store/Money.h"

#include <QList>
#include <QString>

namespace fnk::reports {

struct ChartBar {
    QString name;        // the category's name, trailing spaces removed
    store::Money amount = 0;  // the category's signed sum, as its report line shows it
};

struct ChartData {
    QList<ChartBar> out;  // money out by category, in the report's order
    QList<ChartBar> in;   // money in by category, in the report's order
    store::Money totalOut = 0;  // "Total Expense": negative or zero
    store::Money totalIn = 0;   // "Total Income"
    QString earliestText;       // the period the report searched
    QString latestText;

    // Income less expense: above zero a surplus, below zero a deficit.
    store::Money result() const { return totalIn + totalOut; }
    // The largest category amount of either side, as a positive number; 0
    // when there are no bars.
    store::Money largest() const;
};

// Reads "expense.tmp", "income.tmp" and the category file of the report's
// context.  A category gets a bar on a side when its sum there is not zero;
// records of no category count in the totals only.  A sum that does not fit
// throws std::overflow_error; file failures throw store::FileError.
ChartData readChartData(const ReportContext& ctx);

// Chart texts, shared by the window and the printout.
QString chartMoney(store::Money amount);       // the locale's currency text
QString chartResultText(const ChartData& d);   // "A SURPLUS of $200.00", or empty when even

}  // namespace fnk::reports
