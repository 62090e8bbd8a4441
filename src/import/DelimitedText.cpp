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

QString finishQuoted(QString field)
{
    if (field.startsWith(kComma))
        field.remove(0, 1);
    if (field.startsWith(kQuote))
        field.remove(0, 1);
    if (field.endsWith(kQuote))
        field.chop(1);
    return store::trimSpaces(field);
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
    QStringList fields;
    QString current;
    const qsizetype last = line.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        current.append(line.at(i));
        if (isSeparatorAt(line, i)) {
            fields << finishQuoted(current);
            current.clear();
        } else if (i == last) {
            fields << finishQuoted(current);
        }
    }
    return fields;
}

QStringList splitPlain(const QString& line)
{
    QStringList fields;
    QString current;
    const qsizetype last = line.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        const QChar c = line.at(i);
        if (c == kComma) {
            fields << store::trimSpaces(current);
            current.clear();
            if (i == last)
                fields << QString();
        } else {
            current.append(c);
            if (i == last)
                fields << store::trimSpaces(current);
        }
    }
    return fields;
}

QStringList splitLine(const QString& line, SplitRule rule)
{
    switch (rule) {
    case SplitRule::Quoted: return splitQuoted(line);
    case SplitRule::Plain: return splitPlain(line);
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
    const QString symbol = locale.currencySymbol();
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

QDate readImportDate(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
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
