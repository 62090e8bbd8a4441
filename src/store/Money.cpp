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
    // The separators of the last locale asked for are kept, for each thread.
    static thread_local QLocale cachedLocale;
    static thread_local QChar cachedDec = QLatin1Char('.');
    static thread_local QChar cachedGrp;
    static thread_local bool cachedAny = false;
    if (!cachedAny || !(cachedLocale == locale)) {
        const QString decimalSep = locale.decimalPoint();
        const QString groupSep = locale.groupSeparator();
        cachedDec = decimalSep.size() == 1 ? decimalSep.at(0) : QLatin1Char('.');
        cachedGrp = groupSep.size() == 1 ? groupSep.at(0) : QChar();
        cachedLocale = locale;
        cachedAny = true;
    }
    const QChar dec = cachedDec;
    const QChar grp = cachedGrp;

    using U = unsigned __int128;
    constexpr U kMax = U(std::numeric_limits<Money>::max());
    U whole = 0;
    // Of the decimals only the first five count, and whether any after them
    // is not zero.
    int fraction[5] = {};
    qsizetype fractionSize = 0;
    bool restNonZero = false;
    bool seenDecimal = false;
    bool anyDigit = false;
    bool tooLarge = false;

    for (const QChar c : cleaned) {
        if (c.isDigit() && c.unicode() < 0x80) {
            anyDigit = true;
            const int d = c.unicode() - '0';
            if (seenDecimal) {
                if (fractionSize < 5)
                    fraction[fractionSize] = d;
                else if (d != 0)
                    restNonZero = true;
                ++fractionSize;
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
        frac4 = frac4 * 10 + U(fraction[i]);
    U value = whole * U(kMoneyScale) + frac4;
    if (fractionSize > 4) {
        const int first = fraction[4];
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
// Locales that group by threes with one separator character are done here
// directly; any other grouping is left to the locale.
QString groupedWhole(std::uint64_t whole, const QLocale& locale)
{
    // Kept per thread: reports are built beside the window's thread.
    static thread_local QLocale cachedLocale;
    static thread_local bool cached = false;
    static thread_local bool byThrees = false;
    static thread_local QChar separator;
    static thread_local QString digits[10];
    if (!cached || cachedLocale != locale) {
        const QString g = locale.groupSeparator();
        QString expected;
        for (int d = 0; d < 10; ++d)
            digits[d] = locale.toString(d);
        byThrees = g.size() == 1 && digits[0].size() == 1;
        if (byThrees) {
            separator = g.at(0);
            expected = digits[1] + g + digits[2] + digits[3] + digits[4] + g + digits[5]
                + digits[6] + digits[7];
            byThrees = locale.toString(qulonglong(1234567)) == expected;
        }
        cachedLocale = locale;
        cached = true;
    }
    if (!byThrees)
        return locale.toString(qulonglong(whole));
    char plain[24];
    int n = 0;
    do {
        plain[n++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    QString out;
    out.reserve(n + n / 3);
    for (int i = n - 1; i >= 0; --i) {
        out += digits[plain[i] - '0'].at(0);
        if (i > 0 && i % 3 == 0)
            out += separator;
    }
    return out;
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

namespace {

// The pieces of a locale's currency text around the number, taken once from
// one-digit probes so the symbol's place and the negative form are the
// locale's own.
struct CurrencyPattern {
    QLocale locale;
    QString positiveBefore, positiveAfter, negativeBefore, negativeAfter;
    QString decimalPoint;
    QString digits[10];
    int rightWidth = 0;
};

void splitAround(const QString& probe, const QString& seven, QString& before, QString& after)
{
    const int at = int(probe.lastIndexOf(seven));
    before = at < 0 ? probe : probe.left(at);
    after = at < 0 ? QString() : probe.mid(at + seven.size());
}

QString formatWith(const CurrencyPattern& p, Money amount)
{
    std::uint64_t whole = 0;
    int cents = 0;
    splitCents(amount, whole, cents);
    const bool negative = amount < 0 && (whole != 0 || cents != 0);
    QString number = groupedWhole(whole, p.locale);
    number += p.decimalPoint;
    number += p.digits[cents / 10];
    number += p.digits[cents % 10];
    return negative ? p.negativeBefore + number + p.negativeAfter
                    : p.positiveBefore + number + p.positiveAfter;
}

const CurrencyPattern& patternFor(const QLocale& locale)
{
    static thread_local CurrencyPattern cached;  // per thread, as above
    static thread_local bool ready = false;
    if (ready && cached.locale == locale)
        return cached;
    CurrencyPattern p;
    p.locale = locale;
    const QString seven = locale.toString(7);
    splitAround(locale.toCurrencyString(qlonglong(7)), seven, p.positiveBefore, p.positiveAfter);
    splitAround(locale.toCurrencyString(qlonglong(-7)), seven, p.negativeBefore, p.negativeAfter);
    p.decimalPoint = locale.decimalPoint();
    for (int d = 0; d < 10; ++d)
        p.digits[d] = locale.toString(d);
    p.rightWidth = int(formatWith(p, Money(100000000) * kMoneyScale).size());
    cached = p;
    ready = true;
    return cached;
}

}  // namespace

QString formatCurrency(Money amount, const QLocale& locale)
{
    return formatWith(patternFor(locale), amount);
}

int moneyRightWidth(const QLocale& locale)
{
    return patternFor(locale).rightWidth;
}

void MoneyRight(Money amount, QString& output, const QLocale& locale)
{
    const CurrencyPattern& p = patternFor(locale);
    const QString text = formatWith(p, amount).trimmed();
    output = text.size() >= p.rightWidth ? text
                                         : QString(p.rightWidth - text.size(), QLatin1Char(' ')) + text;
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
