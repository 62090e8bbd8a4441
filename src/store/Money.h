#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

namespace fnk::store {

// Money is a signed count of ten-thousandths (1.00 is 10000).  Nothing here
// passes through floating point.
using Money = std::int64_t;
constexpr Money kMoneyScale = 10000;

// Amount clean-up of the entry panel: trims `input` in place and appends its
// digits, full stops and commas, in order, to `output`.
void FixNumberString(QString& input, QString& output);

struct AmountParse {
    bool ok = false;
    Money value = 0;   // non-negative: the cleaned text carries no sign
    QString problem;   // why the text was refused, for the user
};

// Reads a cleaned amount (digits, "." and "," only) with the locale's decimal
// and group separators, rounding half to even at the fourth decimal.  Refuses
// text with no digits, two decimal separators, grouping after the decimal
// separator, or a value that does not fit.
AmountParse parseCleanAmount(const QString& cleaned, const QLocale& locale = QLocale());

// The locale's currency text: symbol, grouping, two decimals, the locale's
// negative form ("($12.50)" for en_US).
QString formatCurrency(Money amount, const QLocale& locale = QLocale());

// The report writers' right-aligned money text: padded on the left with spaces
// to the width of 100000000 in currency form.  Writes into `output`.
void MoneyRight(Money amount, QString& output, const QLocale& locale = QLocale());
int moneyRightWidth(const QLocale& locale = QLocale());

// Plain decimal text with a full stop and no trailing zeros: "12.5", "-250", "0".
QString plainAmount(Money amount);

// The amount as the entry panel shows it: the locale's decimal separator, no
// symbol, no grouping, no trailing zeros.
QString editAmountText(Money amount, const QLocale& locale = QLocale());

}  // namespace fnk::store
