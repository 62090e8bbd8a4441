#include "import/DelimitedText.h"

#include "store/Dates.h"
#include "store/Text1252.h"

#include <limits>

namespace fnk::imports {

namespace {
const QChar kQuote = QLatin1Char('"');
const QChar kComma = QLatin1Char(',');

bool isSeparatorAt(const QString& line, qsizetype i)
{
    return i + 2 < line.size() && line.at(i) == kQuote && line.at(i + 1) == kComma
        && line.at(i + 2) == kQuote;
}

bool isIsoDate(const QString& t)
{
    if (t.size() != 10 || t.at(4) != QLatin1Char('-') || t.at(7) != QLatin1Char('-'))
        return false;
    for (qsizetype i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!t.at(i).isDigit() || t.at(i).unicode() > 0x7F)
            return false;
    return true;
}

// The value of `count` ASCII digits at `at`, or -1.
int digitsAt(QStringView t, qsizetype at, qsizetype count)
{
    if (at + count > t.size())
        return -1;
    int v = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

bool isAsciiDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

// A short-date pattern made only of numbers ("d", "dd", "M", "MM", "yyyy")
// with separators between them that hold no letter or digit; empty when the
// pattern is anything else.
struct NumericPattern {
    enum Part { Day, Month, Year, Separator };
    struct Piece {
        Part part;
        int width;      // 1 for "d" and "M" (one or two digits), else exact
        QString text;   // for Separator
    };
    QList<Piece> pieces;
};

NumericPattern numericPattern(const QString& pattern)
{
    NumericPattern out;
    bool day = false, month = false, year = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run) == c)
            ++run;
        if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
            bool& seen = c == QLatin1Char('d') ? day : c == QLatin1Char('M') ? month : year;
            const bool fits = c == QLatin1Char('y') ? run == 4 : run <= 2;
            const bool apart = out.pieces.isEmpty()
                || out.pieces.back().part == NumericPattern::Separator;
            if (seen || !fits || !apart)
                return {};
            seen = true;
            const auto part = c == QLatin1Char('d') ? NumericPattern::Day
                : c == QLatin1Char('M')             ? NumericPattern::Month
                                                    : NumericPattern::Year;
            out.pieces.push_back({part, run == 1 ? 1 : int(run), {}});
        } else {
            if (c.isLetterOrNumber() || c == QLatin1Char('\'') || c.unicode() > 0x7F)
                return {};
            if (out.pieces.isEmpty() || out.pieces.back().part != NumericPattern::Separator)
                out.pieces.push_back({NumericPattern::Separator, 0, {}});
            out.pieces.back().text += pattern.mid(i, run);
        }
        i += run;
    }
    if (!day || !month || !year)
        return {};
    return out;
}

// The date the text gives by the pattern, or an invalid one.
QDate readByPattern(QStringView t, const NumericPattern& pattern)
{
    int d = 0, m = 0, y = 0;
    qsizetype at = 0;
    for (const NumericPattern::Piece& piece : pattern.pieces) {
        if (piece.part == NumericPattern::Separator) {
            if (!t.mid(at).startsWith(piece.text))
                return {};
            at += piece.text.size();
            continue;
        }
        qsizetype width = piece.width;
        if (width == 1 && at + 1 < t.size() && isAsciiDigit(t[at + 1]))
            width = 2;
        const int v = digitsAt(t, at, width);
        if (v < 0)
            return {};
        at += width;
        if (at < t.size() && isAsciiDigit(t[at]))
            return {};
        (piece.part == NumericPattern::Day ? d : piece.part == NumericPattern::Month ? m : y) = v;
    }
    if (at != t.size())
        return {};
    return QDate(y, m, d);
}

// Without its outer spaces, as store::trimSpaces.
QString spacesTrimmed(QStringView field)
{
    qsizetype first = 0;
    qsizetype last = field.size();
    while (first < last && field[first] == QLatin1Char(' '))
        ++first;
    while (last > first && field[last - 1] == QLatin1Char(' '))
        --last;
    return field.mid(first, last - first).toString();
}

QString finishQuoted(QStringView field)
{
    if (field.startsWith(kComma))
        field = field.mid(1);
    if (field.startsWith(kQuote))
        field = field.mid(1);
    if (field.endsWith(kQuote))
        field.chop(1);
    return spacesTrimmed(field);
}
}  // namespace

SplitRule splitRuleFor(const QString& fileName)
{
    const QString tail = fileName.right(3).toUpper();
    if (tail == QLatin1String("TXT"))
        return SplitRule::Quoted;
    if (tail == QLatin1String("CSV"))
        return SplitRule::Plain;
    return SplitRule::None;
}

QStringList splitQuoted(const QString& line)
{
    // A field runs up to and with the quote that opens a separator; the
    // next one starts at its comma.
    QStringList fields;
    const QStringView text(line);
    const qsizetype last = line.size() - 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= last; ++i) {
        if (isSeparatorAt(line, i)) {
            fields << finishQuoted(text.mid(start, i + 1 - start));
            start = i + 1;
        } else if (i == last) {
            fields << finishQuoted(text.mid(start));
        }
    }
    return fields;
}

QStringList splitPlain(const QString& line)
{
    QStringList fields;
    if (line.isEmpty())
        return fields;
    const QStringView text(line);
    fields.reserve(line.count(kComma) + 1);
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = line.indexOf(kComma, start);
        if (comma < 0) {
            fields << spacesTrimmed(text.mid(start));
            return fields;
        }
        fields << spacesTrimmed(text.mid(start, comma - start));
        start = comma + 1;
    }
}

QStringList splitQuotedCsv(const QString& line)
{
    QStringList fields;
    if (line.isEmpty())
        return fields;
    const QStringView text(line);
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        qsizetype j = i;
        while (j < n && text[j] == QLatin1Char(' '))
            ++j;
        if (j < n && text[j] == kQuote) {
            // A quoted field: to its closing quote, "" standing for one quote;
            // what follows the closing quote up to the comma stays, trimmed.
            QString field;
            ++j;
            while (j < n) {
                if (text[j] == kQuote) {
                    if (j + 1 < n && text[j + 1] == kQuote) {
                        field += kQuote;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                field += text[j++];
            }
            const qsizetype comma = line.indexOf(kComma, j);
            field += spacesTrimmed(text.mid(j, (comma < 0 ? n : comma) - j));
            fields << field;
            if (comma < 0)
                return fields;
            i = comma + 1;
            continue;
        }
        const qsizetype comma = line.indexOf(kComma, i);
        if (comma < 0) {
            fields << spacesTrimmed(text.mid(i));
            return fields;
        }
        fields << spacesTrimmed(text.mid(i, comma - i));
        i = comma + 1;
    }
}

QStringList splitLine(const QString& line, SplitRule rule)
{
    switch (rule) {
    case SplitRule::Quoted: return splitQuoted(line);
    case SplitRule::Plain: return splitPlain(line);
    case SplitRule::QuotedCsv: return splitQuotedCsv(line);
    case SplitRule::None: break;
    }
    return {};
}

QStringList previewLines(int lineNumber, const QStringList& fields)
{
    QStringList out;
    out << QStringLiteral("||||||||||| RECORD ") + QString::number(lineNumber)
            + QStringLiteral(" ||||||||||||");
    for (qsizetype k = 0; k < fields.size(); ++k)
        out << QString::number(k + 1) + QStringLiteral(" = ") + fields.at(k);
    return out;
}

QString GetLinkNo(const QString& selectedLine)
{
    const qsizetype at = selectedLine.left(6).indexOf(QLatin1Char('='));
    return at < 0 ? QString() : selectedLine.left(at);
}

int linkValue(const QString& linkText)
{
    qsizetype i = 0;
    while (i < linkText.size() && linkText.at(i) == QLatin1Char(' '))
        ++i;
    qint64 value = 0;
    for (; i < linkText.size(); ++i) {
        const QChar c = linkText.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return int(value);
}

void ClearEntry(store::LedgerRecord& record)
{
    record.amount = 0;
    record.setCategoryCode(QString());
    record.deletedFlag = 'N';
    record.recordNumber = 0.0;
    record.setNote(QString());
    record.entryDate = 0.0;
    record.reserved.fill(' ');
    record.setUserField1(QString());
    record.setUserField2(QString());
}

store::AmountParse readSignedAmount(const QString& text, const QLocale& locale)
{
    store::AmountParse refused;
    QString t = text.trimmed();
    bool negative = false;
    bool hasSign = false;

    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')')) && t.size() >= 2) {
        negative = true;
        hasSign = true;
        t = t.mid(1, t.size() - 2).trimmed();
    }
    // The symbol of the last locale asked for is kept, for each thread.
    static thread_local QLocale symbolLocale;
    static thread_local QString cachedSymbol;
    static thread_local bool symbolKept = false;
    if (!symbolKept || !(symbolLocale == locale)) {
        cachedSymbol = locale.currencySymbol();
        symbolLocale = locale;
        symbolKept = true;
    }
    const QString& symbol = cachedSymbol;
    auto dropSymbol = [&] {
        if (symbol.isEmpty())
            return;
        if (t.startsWith(symbol))
            t = t.mid(symbol.size()).trimmed();
        else if (t.endsWith(symbol))
            t = t.chopped(symbol.size()).trimmed();
    };
    dropSymbol();
    const QChar minus = QLatin1Char('-');
    const QChar plus = QLatin1Char('+');
    if (!t.isEmpty() && (t.front() == minus || t.front() == plus)) {
        if (hasSign) {
            refused.problem = QStringLiteral("The amount has more than one sign.");
            return refused;
        }
        negative = t.front() == minus;
        hasSign = true;
        t = t.mid(1).trimmed();
    } else if (!t.isEmpty() && t.back() == minus) {
        if (hasSign) {
            refused.problem = QStringLiteral("The amount has more than one sign.");
            return refused;
        }
        negative = true;
        hasSign = true;
        t = t.chopped(1).trimmed();
    }
    dropSymbol();

    store::AmountParse r = store::parseCleanAmount(t, locale);
    if (r.ok && negative)
        r.value = -r.value;
    return r;
}

QDate quickImportDate(const QString& trimmed, const QLocale& locale)
{
    if (isIsoDate(trimmed)) {
        const QDate d(digitsAt(trimmed, 0, 4), digitsAt(trimmed, 5, 2), digitsAt(trimmed, 8, 2));
        return d;
    }
    // The pattern is looked at again only when the locale's changes.
    static thread_local QString cachedText;
    static thread_local NumericPattern cached;
    const QString pattern = store::shortDatePattern(locale);
    if (pattern != cachedText) {
        cached = numericPattern(pattern);
        cachedText = pattern;
    }
    if (cached.pieces.isEmpty())
        return {};
    const QDate d = readByPattern(trimmed, cached);
    return d.isValid() && store::isValidDay(store::dayFromDate(d)) ? d : QDate();
}

QDate readImportDate(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    // The plain numeric forms are read directly; whatever they do not settle
    // goes through the locale's own reading below.
    const QDate quick = quickImportDate(t, locale);
    if (quick.isValid())
        return quick;
    // "2026-12-07" means that day wherever the program runs: four digits
    // first can be no locale's day or month.
    if (isIsoDate(t))
        return QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    QDate d = store::parseShortDate(t, locale);
    if (d.isValid())
        return d;
    QString twoDigit = store::shortDatePattern(locale);
    twoDigit.replace(QLatin1String("yyyy"), QLatin1String("yy"));
    d = locale.toDate(t, twoDigit);
    if (d.isValid()) {
        // Qt reads "yy" as 1900 to 1999.
        if (d.year() < 1930)
            d = d.addYears(100);
        return d;
    }
    return locale.toDate(t, QLocale::LongFormat);
}

LineRecord buildRecord(const QStringList& fields, const Links& links, const QLocale& locale)
{
    LineRecord out;
    ClearEntry(out.record);
    store::LedgerRecord& rec = out.record;
    // The date first, so a line is known to have no date whatever else it holds.
    if (links.date > 0 && links.date <= fields.size()) {
        const QString& text = fields.at(links.date - 1);
        const QDate d = readImportDate(text, locale);
        if (!d.isValid()) {
            out.kind = LineRecord::Refused;
            out.refusedDate = true;
            out.problem =
                QStringLiteral("field %1 (\"%2\") is not a date").arg(links.date).arg(text);
            return out;
        }
        rec.entryDate = store::dayFromDate(d);
    }
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const int k = int(i + 1);
        const QString& text = fields.at(i);
        if (links.amount == k) {
            const store::AmountParse a = readSignedAmount(text, locale);
            if (!a.ok) {
                out.kind = LineRecord::Refused;
                out.problem = QStringLiteral("field %1 (\"%2\") is not an amount: %3")
                                  .arg(k)
                                  .arg(text, a.problem);
                return out;
            }
            rec.amount = a.value;
        }
        if (links.note == k)
            rec.setNote(text);
        if (links.category == k)
            rec.setCategoryCode(text);
        if (links.userField1 == k)
            rec.setUserField1(text);
        if (links.userField2 == k)
            rec.setUserField2(text);
    }
    out.kind = rec.entryDate > 0.0 ? LineRecord::Record : LineRecord::Skipped;
    return out;
}

}  // namespace fnk::imports
