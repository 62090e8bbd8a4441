// Ledger records: any 125 bytes decode, encode back to the same bytes, and
// the fast field readers agree with the decoded record.

#include "FuzzSupport.h"

#include "store/Dates.h"
#include "store/LedgerRecord.h"

#include <cmath>
#include <cstring>

using fnk::store::LedgerRecord;

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char in[LedgerRecord::kSize];
    std::memset(in, ' ', sizeof in);
    std::memcpy(in, data, std::min(size, sizeof in));

    const LedgerRecord r = LedgerRecord::decode(in);
    char out[LedgerRecord::kSize];
    r.encode(out);
    FUZZ_CHECK(std::memcmp(in, out, sizeof in) == 0);

    FUZZ_CHECK(sameBits(fnk::store::rawEntryDate(in), r.entryDate));
    FUZZ_CHECK(sameBits(fnk::store::rawRecordNumber(in), r.recordNumber));
    FUZZ_CHECK(fnk::store::rawAmount(in) == r.amount);
    FUZZ_CHECK(fnk::store::rawDeleted(in) == r.isDeleted());
    FUZZ_CHECK(r.isDeleted() == (in[LedgerRecord::kDeletedFlag] == 'Y'));

    // Text fields come back at full width and store back unchanged.
    FUZZ_CHECK(r.categoryCodeText().size() == qsizetype(LedgerRecord::kCodeWidth));
    FUZZ_CHECK(r.noteText().size() == qsizetype(LedgerRecord::kNoteWidth));
    FUZZ_CHECK(r.userField1Text().size() == qsizetype(LedgerRecord::kUserWidth));
    FUZZ_CHECK(r.userField2Text().size() == qsizetype(LedgerRecord::kUserWidth));
    LedgerRecord copy = r;
    copy.setCategoryCode(r.categoryCodeText());
    copy.setNote(r.noteText());
    copy.setUserField1(r.userField1Text());
    copy.setUserField2(r.userField2Text());
    char again[LedgerRecord::kSize];
    copy.encode(again);
    FUZZ_CHECK(std::memcmp(in, again, sizeof in) == 0);

    // A text longer than the field is cut; the fields around it stay.
    if (size > LedgerRecord::kSize) {
        // A few times the field's width is plenty; more only slows the run.
        const QString extra = QString::fromUtf8(reinterpret_cast<const char*>(data) + LedgerRecord::kSize,
                                                qsizetype(std::min<std::size_t>(size - LedgerRecord::kSize, 256)));
        copy.setNote(extra);
        copy.encode(again);
        FUZZ_CHECK(std::memcmp(in, again, LedgerRecord::kNote) == 0);
        FUZZ_CHECK(std::memcmp(in + LedgerRecord::kUserField1, again + LedgerRecord::kUserField1,
                               LedgerRecord::kSize - LedgerRecord::kUserField1)
                   == 0);
        FUZZ_CHECK(copy.noteText().size() == qsizetype(LedgerRecord::kNoteWidth));
    }

    // The stored date: a day the format allows is a date and shows as one;
    // anything else (NaN, infinities, far years) is no date and shows empty.
    const QLocale& locale = fuzz::localeFor(static_cast<unsigned char>(size));
    const QDate date = fnk::store::dateFromDay(r.entryDate);
    const QString shown = fnk::store::formatDay(r.entryDate, locale);
    if (fnk::store::isValidDay(r.entryDate)) {
        FUZZ_CHECK(date.isValid());
        FUZZ_CHECK(fnk::store::dayFromDate(date) == std::trunc(r.entryDate));
        FUZZ_CHECK(!shown.isEmpty());
        FUZZ_CHECK(fnk::store::parseShortDate(shown, locale) == date);
    } else {
        FUZZ_CHECK(!date.isValid());
        FUZZ_CHECK(shown.isEmpty());
    }
    return 0;
}
