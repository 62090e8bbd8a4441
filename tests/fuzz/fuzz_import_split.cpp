// Import fields: both splitting rules give one field per separator plus one,
// with no outer spaces; fields written the way the export writes them split
// back to themselves; a line made into a record holds only what the format
// allows.

#include "FuzzSupport.h"

#include "import/DelimitedText.h"
#include "store/Dates.h"
#include "store/Text1252.h"

#include <cstring>

using namespace fnk::imports;

namespace {

bool noOuterSpaces(const QStringList& fields)
{
    for (const QString& f : fields)
        if (f != fnk::store::trimSpaces(f))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const QLocale& locale = fuzz::localeFor(data[0]);
    // The link numbers, 0 to 7 each, from two bytes.
    const unsigned bits = unsigned(data[1]) | (unsigned(data[2]) << 8);
    Links links;
    links.date = int(bits & 7);
    links.amount = int((bits >> 3) & 7);
    links.note = int((bits >> 6) & 7);
    links.category = int((bits >> 9) & 7);
    links.userField1 = int((bits >> 12) & 7);
    links.userField2 = int((bits >> 13) & 7);
    const QString line = fnk::store::decode1252(reinterpret_cast<const char*>(data) + 3, size - 3);

    const QStringList plain = splitPlain(line);
    FUZZ_CHECK(plain.size() == (line.isEmpty() ? 0 : line.count(QLatin1Char(',')) + 1));
    FUZZ_CHECK(noOuterSpaces(plain));
    for (const QString& f : plain)
        FUZZ_CHECK(!f.contains(QLatin1Char(',')));

    const QStringList quoted = splitQuoted(line);
    qsizetype separators = 0;
    for (qsizetype i = 0; i + 2 < line.size(); ++i)
        if (line.mid(i, 3) == QLatin1String("\",\""))
            ++separators;
    FUZZ_CHECK(quoted.size() == (line.isEmpty() ? 0 : separators + 1));
    FUZZ_CHECK(noOuterSpaces(quoted));

    FUZZ_CHECK(splitLine(line, SplitRule::Plain) == plain);
    FUZZ_CHECK(splitLine(line, SplitRule::Quoted) == quoted);
    FUZZ_CHECK(splitLine(line, SplitRule::None).isEmpty());

    // Quoted CSV fields: a line without quotes cuts as the plain rule does,
    // and fields written as RFC 4180 writes them (each quoted, a quote
    // doubled) cut back to themselves.
    const QStringList csv = splitQuotedCsv(line);
    FUZZ_CHECK(splitLine(line, SplitRule::QuotedCsv) == csv);
    if (!line.contains(QLatin1Char('"')))
        FUZZ_CHECK(csv == plain);
    if (!plain.isEmpty()) {
        QStringList written;
        for (QString f : plain)
            written << QLatin1Char('"') + f.replace(QLatin1String("\""), QLatin1String("\"\""))
                    + QLatin1Char('"');
        FUZZ_CHECK(splitQuotedCsv(written.join(QLatin1Char(','))) == plain);
    }

    // Fields without commas or quotes, joined as the export joins them.
    if (!plain.isEmpty()) {
        QStringList clean;
        for (QString f : plain)
            clean << fnk::store::trimSpaces(f.remove(QLatin1Char('"')));
        const QString joined = clean.join(QLatin1Char(','));
        FUZZ_CHECK(splitPlain(joined) == (joined.isEmpty() ? QStringList() : clean));
        FUZZ_CHECK(splitQuoted(QLatin1Char('"') + clean.join(QStringLiteral("\",\""))
                               + QLatin1Char('"'))
                   == clean);
    }

    // The field list shows each field under its number, and a click on a
    // field's line names that number.
    const QStringList preview = previewLines(1, quoted);
    FUZZ_CHECK(preview.size() == quoted.size() + 1);
    FUZZ_CHECK(GetLinkNo(preview.at(0)).isEmpty());
    for (qsizetype k = 1; k < preview.size() && k < 10000; ++k)
        FUZZ_CHECK(linkValue(GetLinkNo(preview.at(k))) == k);

    for (const QStringList* fields : {&plain, &quoted}) {
        const LineRecord made = buildRecord(*fields, links, locale);
        const fnk::store::LedgerRecord& r = made.record;
        FUZZ_CHECK((made.kind == LineRecord::Refused) == !made.problem.isEmpty());
        FUZZ_CHECK(r.deletedFlag == 'N' && r.recordNumber == 0.0);
        FUZZ_CHECK(std::memcmp(r.reserved.data(), "          ", r.reserved.size()) == 0);
        if (made.kind == LineRecord::Record) {
            FUZZ_CHECK(r.entryDate > 0.0 && fnk::store::isValidDay(r.entryDate));
            FUZZ_CHECK(r.entryDate == double(qint64(r.entryDate)));
        }
        if (made.kind != LineRecord::Refused && links.amount >= 1
            && links.amount <= fields->size()) {
            const fnk::store::AmountParse a =
                readSignedAmount(fields->at(links.amount - 1), locale);
            FUZZ_CHECK(a.ok && a.value == r.amount);
        }
    }
    return 0;
}
