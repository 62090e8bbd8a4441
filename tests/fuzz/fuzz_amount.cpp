// Amounts: the entry panel's clean-up keeps only digits, full stops and
// commas; the clean parse and the import's signed parse never give a value
// that the program's own amount texts do not read back to.

#include "FuzzSupport.h"

#include "import/DelimitedText.h"
#include "store/Money.h"

using fnk::store::Money;

namespace {

bool onlyAmountCharacters(const QString& s)
{
    for (const QChar c : s)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')
              || c == QLatin1Char(',')))
            return false;
    return true;
}

void checkReadsBack(Money value, const QLocale& locale)
{
    const fnk::store::AmountParse plain =
        fnk::imports::readSignedAmount(fnk::store::editAmountText(value, locale), locale);
    FUZZ_CHECK(plain.ok && plain.value == value);
    // The currency text rounds to cents, so only whole cents come back exactly.
    if (value % 100 == 0) {
        const fnk::store::AmountParse shown =
            fnk::imports::readSignedAmount(fnk::store::formatCurrency(value, locale), locale);
        FUZZ_CHECK(shown.ok && shown.value == value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QLocale& locale = fuzz::localeFor(data[0]);
    const QString original = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1,
                                                qsizetype(size - 1));

    QString typed = original;
    QString cleaned = QStringLiteral("7");  // what was there stays in front
    fnk::store::FixNumberString(typed, cleaned);
    FUZZ_CHECK(typed == original.trimmed());
    FUZZ_CHECK(cleaned.startsWith(QLatin1Char('7')));
    FUZZ_CHECK(cleaned.size() <= typed.size() + 1);
    FUZZ_CHECK(onlyAmountCharacters(cleaned));

    cleaned.remove(0, 1);
    const fnk::store::AmountParse clean = fnk::store::parseCleanAmount(cleaned, locale);
    FUZZ_CHECK(clean.ok == clean.problem.isEmpty());
    if (clean.ok) {
        FUZZ_CHECK(clean.value >= 0);
        checkReadsBack(clean.value, locale);
        checkReadsBack(-clean.value, locale);
    }

    const fnk::store::AmountParse direct = fnk::store::parseCleanAmount(original, locale);
    FUZZ_CHECK(direct.ok == direct.problem.isEmpty());
    if (direct.ok)
        FUZZ_CHECK(direct.value >= 0);

    const fnk::store::AmountParse signedValue = fnk::imports::readSignedAmount(original, locale);
    FUZZ_CHECK(signedValue.ok == signedValue.problem.isEmpty());
    if (signedValue.ok)
        checkReadsBack(signedValue.value, locale);
    return 0;
}
