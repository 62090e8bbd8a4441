// Macro files: any file is judged empty, good (whole records) or damaged by
// its length alone; the record reader takes the whole records of any file;
// a good macro plays into the ledger record for record with the chosen date.

#include "FuzzSupport.h"

#include "macros/MacroFile.h"
#include "store/Dates.h"
#include "store/LedgerRecord.h"
#include "store/RecordFile.h"

#include <cstring>

using fnk::macros::MacroCheck;
using fnk::store::LedgerRecord;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = fuzz::bytesOf(data, size);
    const qsizetype recordSize = qsizetype(LedgerRecord::kSize);
    // Half the time the input is cut to whole records, so good files come up.
    if (size > 0 && (data[0] & 1))
        bytes.truncate(bytes.size() - bytes.size() % recordSize);
    const QString path = fuzz::scratchFile(QStringLiteral("macro.fnk"));
    fuzz::writeWhole(path, bytes);

    const MacroCheck check = fnk::macros::checkMacroFile(path);
    if (bytes.isEmpty())
        FUZZ_CHECK(check == MacroCheck::Empty);
    else if (bytes.size() % recordSize == 0)
        FUZZ_CHECK(check == MacroCheck::Good);
    else
        FUZZ_CHECK(check == MacroCheck::Damaged);
    FUZZ_CHECK(fuzz::readWhole(path) == bytes);  // the check never changes the file

    const fnk::store::RecordFile macro(path);
    const qsizetype whole = bytes.size() / recordSize;
    FUZZ_CHECK(macro.count() == whole);
    const std::vector<LedgerRecord> records = macro.readAll();
    FUZZ_CHECK(qsizetype(records.size()) == whole);
    for (qsizetype i = 0; i < whole; ++i) {
        char out[LedgerRecord::kSize];
        records[std::size_t(i)].encode(out);
        FUZZ_CHECK(std::memcmp(out, bytes.constData() + i * recordSize, sizeof out) == 0);
    }

    if (check != MacroCheck::Good)
        return 0;
    const QString ledger = fuzz::scratchFile(QStringLiteral("fennick.dat"));
    fuzz::writeWhole(ledger, QByteArray());
    const QDate date(2024, 2, 29);
    FUZZ_CHECK(fnk::macros::playMacro(path, ledger, date) == whole);
    const QByteArray played = fuzz::readWhole(ledger);
    FUZZ_CHECK(played.size() == bytes.size());
    for (qsizetype i = 0; i < whole; ++i) {
        const char* in = bytes.constData() + i * recordSize;
        const char* out = played.constData() + i * recordSize;
        FUZZ_CHECK(fnk::store::rawEntryDate(out) == fnk::store::dayFromDate(date));
        FUZZ_CHECK(fnk::store::rawRecordNumber(out) == double(i + 1));
        FUZZ_CHECK(std::memcmp(in + LedgerRecord::kCategoryCode, out + LedgerRecord::kCategoryCode,
                               LedgerRecord::kRecordNumber - LedgerRecord::kCategoryCode)
                   == 0);
        FUZZ_CHECK(std::memcmp(in + LedgerRecord::kDeletedFlag, out + LedgerRecord::kDeletedFlag,
                               LedgerRecord::kSize - LedgerRecord::kDeletedFlag)
                   == 0);
    }
    return 0;
}
