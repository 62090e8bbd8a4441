// OFX statements through the scan and libofx: read whole or refused with a
// message; what is read holds, and the ids stay apart.  (libofx is not
// built for fuzzing: the search is guided by the scan, and libofx is run
// on whatever the scan lets through.)

#include "StatementFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const auto read = fuzz::readOrRefuse([&] { return fnk::imports::readOfx(bytes); });
    if (!read)
        return 0;
    FUZZ_CHECK(read->format == fnk::imports::StatementFormat::Ofx);
    fuzz::checkRead(*read);
    for (const fuzz::StatementTransaction& t : read->transactions)
        FUZZ_CHECK(t.id.startsWith(QLatin1String("OFX|")));
    return 0;
}
