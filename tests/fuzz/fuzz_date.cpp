// Dates: whatever the short-date parse and the import's date reader accept
// is a day the record format can hold, and shows as text that reads back to
// the same date.

#include "FuzzSupport.h"

#include "import/DelimitedText.h"
#include "store/Dates.h"

#include <cstring>

using namespace fnk::store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QLocale& locale = fuzz::localeFor(data[0]);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1,
                                           qsizetype(size - 1));

    const QDate shortDate = parseShortDate(text, locale);
    if (shortDate.isValid()) {
        FUZZ_CHECK(isValidDay(dayFromDate(shortDate)));
        FUZZ_CHECK(dateFromDay(dayFromDate(shortDate)) == shortDate);
        FUZZ_CHECK(parseShortDate(formatShortDate(shortDate, locale), locale) == shortDate);
        // What the short form accepts the import accepts as the same day.
        FUZZ_CHECK(fnk::imports::readImportDate(text, locale) == shortDate);
    }

    // An imported date after 30 December 1899 becomes a record's date.
    const QDate imported = fnk::imports::readImportDate(text, locale);
    if (imported.isValid() && dayFromDate(imported) > 0.0) {
        FUZZ_CHECK(isValidDay(dayFromDate(imported)));
        FUZZ_CHECK(parseShortDate(formatShortDate(imported, locale), locale) == imported);
    }

    // A stored day number, any bit pattern.
    if (size >= 9) {
        double day;
        std::memcpy(&day, data + 1, sizeof day);
        const QString shown = formatDay(day, locale);
        FUZZ_CHECK(shown.isEmpty() == !isValidDay(day));
        if (!shown.isEmpty())
            FUZZ_CHECK(parseShortDate(shown, locale) == dateFromDay(day));
    }
    return 0;
}
