// The import's line reader: any file is cut at CR LF, CR and LF exactly as
// the simple rule says, also where a line end falls on the reader's block
// boundary; the line count and the first lines agree with it.

#include "FuzzSupport.h"

#include "import/TextLines.h"
#include "store/Text1252.h"

namespace {
// The reader fills its buffer in blocks of this size.
constexpr qsizetype kBlock = 64 * 1024;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    QByteArray bytes = fuzz::bytesOf(data + 1, size - 1);
    // One input in eight is moved to just before the block boundary, so a
    // line end falls across it; scanning the padding is what makes a run
    // slow, so those runs read the file once only.
    const bool padded = (data[0] & 0xE0) == 0xE0;
    if (padded)
        bytes.prepend(QByteArray(kBlock - (data[0] & 3), 'a'));
    const QString path = fuzz::scratchFile(QStringLiteral("import.csv"));
    fuzz::writeWhole(path, bytes);

    const QList<QByteArray> expected = fuzz::splitTextLines(bytes);
    fnk::imports::TextLines reader(path);
    QString line;
    qsizetype n = 0;
    while (reader.next(line)) {
        FUZZ_CHECK(n < expected.size());
        FUZZ_CHECK(line == fnk::store::decode1252(expected.at(n)));
        ++n;
    }
    FUZZ_CHECK(n == expected.size());
    FUZZ_CHECK(!reader.next(line));
    if (padded)
        return 0;

    FUZZ_CHECK(fnk::imports::countLines(path) == expected.size());
    const int want = data[0] & 7;
    const QStringList first = fnk::imports::firstLines(path, want);
    FUZZ_CHECK(first.size() == std::min<qsizetype>(want, expected.size()));
    for (qsizetype i = 0; i < first.size(); ++i)
        FUZZ_CHECK(first.at(i) == fnk::store::decode1252(expected.at(i)));
    return 0;
}
