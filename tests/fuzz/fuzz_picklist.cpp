// Pick lists: any file reads as the lines the simple rule cuts; a value
// added is found afterwards and added once only; a value removed is gone
// and every other line stays, in order.

#include "FuzzSupport.h"

#include "store/PickList.h"
#include "store/Text1252.h"

using fnk::store::PickList;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says how much of the rest is the typed value; the
    // remainder is the file.
    const std::size_t typedLength = std::min<std::size_t>(data[0] % 16, size - 1);
    const QString typed =
        fnk::store::decode1252(reinterpret_cast<const char*>(data) + 1, typedLength);
    const QByteArray bytes = fuzz::bytesOf(data + 1 + typedLength, size - 1 - typedLength);

    const PickList list(fuzz::scratchFile(QStringLiteral("udf1.dat")),
                        fuzz::scratchFile(QStringLiteral("udf1.tmp")));
    fuzz::writeWhole(list.path(), bytes);

    QStringList expected;
    for (const QByteArray& l : fuzz::splitTextLines(bytes))
        expected << fnk::store::decode1252(l);
    const QStringList before = list.load();
    FUZZ_CHECK(before == expected);
    for (qsizetype i = 0; i < before.size() && i < 4; ++i)
        FUZZ_CHECK(list.contains(before.at(i)));

    // A field holds one line of text: the typed value never has a line end.
    if (typed.contains(QLatin1Char('\r')) || typed.contains(QLatin1Char('\n')))
        return 0;

    PickList writable = list;
    const QString stored = fnk::store::decode1252(fnk::store::encode1252(typed).left(PickList::kValueWidth));
    const QString key = fnk::store::trimSpaces(stored);
    const bool had = list.contains(stored);
    const bool added = writable.add(typed);
    FUZZ_CHECK(added == (!key.isEmpty() && !had));
    QStringList now = list.load();
    if (added) {
        FUZZ_CHECK(now == before + QStringList{stored});
        FUZZ_CHECK(list.contains(stored));
        FUZZ_CHECK(!writable.add(typed));
    } else {
        FUZZ_CHECK(now == before);
    }

    if (key.isEmpty())
        return 0;
    QStringList kept;
    int matching = 0;
    for (const QString& l : now) {
        if (fnk::store::trimSpaces(l) == key)
            ++matching;
        else
            kept << l;
    }
    FUZZ_CHECK(writable.remove(stored) == matching);
    FUZZ_CHECK(list.load() == kept);
    FUZZ_CHECK(!list.contains(stored));
    FUZZ_CHECK(!QFile::exists(list.workPath()));
    return 0;
}
