// QIF statements: read whole or refused with a message; what is read holds,
// and written back as plain QIF (ISO-like dates, one entry a transaction)
// it reads back the same.

#include "StatementFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    fnk::imports::StatementOptions options;
    options.locale = fuzz::localeFor(data[0] & 7);
    if (data[0] & 8)
        options.dateOrder = (data[0] & 16) ? fnk::imports::DateOrder::DayFirst
                                           : fnk::imports::DateOrder::MonthFirst;
    const QByteArray bytes = fuzz::bytesOf(data + 1, size - 1);
    const auto read = fuzz::readOrRefuse([&] { return fnk::imports::readQif(bytes, options); });
    if (!read)
        return 0;
    FUZZ_CHECK(read->format == fnk::imports::StatementFormat::Qif);
    fuzz::checkRead(*read);

    QByteArray again = "!Type:Bank\n";
    for (const fuzz::StatementTransaction& t : read->transactions) {
        // A note starting with a line code letter is still the payee.
        again += "D" + fuzz::isoDay(t.day) + "\nT" + fuzz::amountText(t.amount) + "\nP"
            + t.note.toUtf8() + "\n^\n";
    }
    const auto back = fuzz::readOrRefuse([&] { return fnk::imports::readQif(again); });
    FUZZ_CHECK(back.has_value());
    fuzz::checkSame(*read, *back);
    return 0;
}
