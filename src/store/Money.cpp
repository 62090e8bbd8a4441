#include "store/Money.h"

#include <limits>

namespace fnk::store {

void FixNumberString(QString& input, QString& output)
{
    input = input.trimmed();
    for (const QChar c : std::as_const(input)) {
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')
            || c == QLatin1Char(','))
            output.append(c);
    }
}

AmountParse parseCleanAmount(const QString& cleaned, const QLocale& locale)
{
    AmountParse r;
    const QString decimalSep = locale.decimalPoint();
    const QString groupSep = locale.groupSeparator();
    const QChar dec = decimalSep.size() == 1 ? decimalSep.at(0) : QLatin1Char('.');
    const QChar grp = groupSep.size() == 1 ? groupSep.at(0) : QChar();

    using U = unsigned __int128;
    constexpr U kMax = U(std::numeric_limits<Money>::max());
    U whole = 0;
    QString fraction;
    bool seenDecimal = false;
    bool anyDigit = false;
    bool tooLarge = false;

    for (const QChar c : cleaned) {
        if (c.isDigit() && c.unicode() < 0x80) {
            anyDigit = true;
            const int d = c.unicode() - '0';
            if (seenDecimal) {
                fraction.append(c);
            } else if (!tooLarge) {
                whole = whole * 10 + U(d);
                if (whole > kMax / U(kMoneyScale))
                    tooLarge = true;
            }
        } else if (c == dec) {
            if (seenDecimal) {
                r.problem = QStringLiteral("The amount has more than one decimal separator.");
                return r;
            }
            seenDecimal = true;
        } else if (!grp.isNull() && c == grp) {
            if (seenDecimal) {
                r.problem = QStringLiteral("The amount has a digit grouping mark after the "
                                           "decimal separator.");
                return r;
            }
        } else {
            r.problem = QStringLiteral("The amount contains \"%1\", which is not a decimal "
                                       "separator or digit grouping mark here.")
                            .arg(c);
            return r;
        }
    }
    if (!anyDigit) {
        r.problem = QStringLiteral("The amount contains no digits.");
        return r;
    }
    if (tooLarge) {
        r.problem = QStringLiteral("The amount is too large to be stored.");
        return r;
    }

    // Four decimals kept; the rest rounds half to even.
    U frac4 = 0;
    for (int i = 0; i < 4; ++i)
        frac4 = frac4 * 10 + U(i < fraction.size() ? fraction.at(i).unicode() - '0' : 0);
    U value = whole * U(kMoneyScale) + frac4;
    if (fraction.size() > 4) {
        const int first = fraction.at(4).unicode() - '0';
        bool restNonZero = false;
        for (int i = 5; i < fraction.size(); ++i)
            if (fraction.at(i) != QLatin1Char('0'))
                restNonZero = true;
        const bool roundUp = first > 5 || (first == 5 && (restNonZero || (value % 2) == 1));
        if (roundUp)
            ++value;
    }
    if (value > kMax) {
        r.problem = QStringLiteral("The amount is too large to be stored.");
        return r;
    }
    r.ok = true;
    r.value = Money(value);
    return r;
}

namespace {

// Grouped digits of an unsigned whole number in the locale's own digits.
QString groupedWhole(std::uint64_t whole, const QLocale& locale)
{
    return locale.toString(qulonglong(whole));
}

// Magnitude of a money amount rounded to cents (half away from zero), as
// whole units and cents; works for the full 64-bit range.
void splitCents(Money amount, std::uint64_t& whole, int& cents)
{
    const std::uint64_t mag = amount < 0 ? std::uint64_t(0) - std::uint64_t(amount)
                                         : std::uint64_t(amount);
    std::uint64_t c = mag / 100;
    if (mag % 100 >= 50)
        ++c;
    whole = c / 100;
    cents = int(c % 100);
}

}  // namespace

QString formatCurrency(Money amount, const QLocale& locale)
{
    std::uint64_t whole = 0;
    int cents = 0;
    splitCents(amount, whole, cents);
    const bool negative = amount < 0 && (whole != 0 || cents != 0);

    QString number = groupedWhole(whole, locale);
    number += locale.decimalPoint();
    const QString centsText = QString::number(cents).rightJustified(2, QLatin1Char('0'));
    for (const QChar c : centsText)
        number += locale.toString(c.unicode() - '0');

    // The locale's currency pattern, taken from a one-digit probe so the
    // symbol's place and the negative form are the locale's own.
    const QString seven = locale.toString(7);
    QString pattern = locale.toCurrencyString(qlonglong(negative ? -7 : 7));
    const int at = int(pattern.lastIndexOf(seven));
    if (at < 0)
        return (negative ? locale.negativeSign() : QString()) + locale.currencySymbol() + number;
    pattern.replace(at, seven.size(), number);
    return pattern;
}

int moneyRightWidth(const QLocale& locale)
{
    return int(formatCurrency(Money(100000000) * kMoneyScale, locale).size());
}

void MoneyRight(Money amount, QString& output, const QLocale& locale)
{
    const int width = moneyRightWidth(locale);
    const QString text = formatCurrency(amount, locale).trimmed();
    output = text.size() >= width ? text : QString(width - text.size(), QLatin1Char(' ')) + text;
}

namespace {
QString plainWith(Money amount, const QString& decimalSep)
{
    const bool negative = amount < 0;
    const std::uint64_t mag = negative ? std::uint64_t(0) - std::uint64_t(amount)
                                       : std::uint64_t(amount);
    QString text = QString::number(mag / std::uint64_t(kMoneyScale));
    std::uint64_t frac = mag % std::uint64_t(kMoneyScale);
    if (frac != 0) {
        QString f = QString::number(frac).rightJustified(4, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        text += decimalSep + f;
    }
    return negative ? QLatin1Char('-') + text : text;
}
}  // namespace

QString plainAmount(Money amount) { return plainWith(amount, QStringLiteral(".")); }

QString editAmountText(Money amount, const QLocale& locale)
{
    return plainWith(amount, locale.decimalPoint());
}

}  // namespace fnk::store
