// The OFX scan alone, fast enough for long runs: any input is scanned whole
// or refused with a message naming its line; what is scanned lies in order
// within the input; and a document cut into parts, as large statements are
// for libofx, scans again to exactly the transactions of each part.

#include "FuzzSupport.h"

#include "import/OfxScan.h"
#include "import/Statement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace fnk::imports;
    if (size < 1)
        return 0;
    const qsizetype partSize = 1 + data[0] % 4;
    const QByteArray bytes = fuzz::bytesOf(data + 1, size - 1);
    OfxScan scan;
    try {
        scan = scanOfx(bytes);
    } catch (const StatementError& e) {
        FUZZ_CHECK(e.message.contains(QLatin1String("Line ")) || e.message.contains(QLatin1String("<OFX>")));
        return 0;
    }
    const auto& all = scan.transactions;
    const qsizetype total = qsizetype(all.size());
    qsizetype last = 0;
    for (const OfxScannedTransaction& t : all) {
        FUZZ_CHECK(t.begin >= last && t.begin < t.end && t.end <= bytes.size());
        FUZZ_CHECK(bytes.mid(t.begin, 9).toUpper() == "<STMTTRN>");
        last = t.end;
    }
    for (qsizetype from = 0; from < total; from += partSize) {
        const qsizetype to = std::min(total, from + partSize);
        OfxScan part;
        try {
            part = scanOfx(ofxPart(bytes, scan, from, to));
        } catch (const StatementError&) {
            FUZZ_CHECK(!"a part of a scanned document was refused");
        }
        FUZZ_CHECK(qsizetype(part.transactions.size()) == to - from);
        FUZZ_CHECK(part.utf8 == scan.utf8);
        for (qsizetype k = from; k < to; ++k) {
            const OfxScannedTransaction& a = all[std::size_t(k)];
            const OfxScannedTransaction& b = part.transactions[std::size_t(k - from)];
            FUZZ_CHECK(a.posted == b.posted && a.amount == b.amount && a.payeeName == b.payeeName);
            FUZZ_CHECK(a.end - a.begin == b.end - b.begin);
        }
    }
    return 0;
}
