// CAMT.053 statements: read whole or refused with a message; what is read
// holds, and written back as a plain statement of one entry a transaction it
// reads back the same.

#include "StatementFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const auto read = fuzz::readOrRefuse([&] { return fnk::imports::readCamt(bytes); });
    if (!read)
        return 0;
    FUZZ_CHECK(read->format == fnk::imports::StatementFormat::Camt);
    fuzz::checkRead(*read);

    QByteArray again = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Document xmlns=\"urn:iso:std:"
                       "iso:20022:tech:xsd:camt.053.001.04\"><BkToCstmrStmt><Stmt><Acct><Id><IBAN>"
                       "X</IBAN></Id></Acct>\n";
    for (const fuzz::StatementTransaction& t : read->transactions) {
        const bool debit = t.amount < 0;
        again += "<Ntry><Amt Ccy=\"EUR\">" + fuzz::amountText(debit ? -t.amount : t.amount)
            + "</Amt><CdtDbtInd>" + (debit ? "DBIT" : "CRDT") + "</CdtDbtInd><BookgDt><Dt>"
            + fuzz::isoDay(t.day) + "</Dt></BookgDt><AddtlNtryInf>" + fuzz::escaped(t.note)
            + "</AddtlNtryInf></Ntry>\n";
    }
    again += "</Stmt></BkToCstmrStmt></Document>\n";
    const auto back = fuzz::readOrRefuse([&] { return fnk::imports::readCamt(again); });
    FUZZ_CHECK(back.has_value());
    fuzz::checkSame(*read, *back);
    return 0;
}
