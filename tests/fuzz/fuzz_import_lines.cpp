// The import's line reader: any file is cut at CR LF, CR and LF exactly as
// the simple rule says, also where a line end falls on the reader's block
// boundaries; the line count and the first lines agree with it.  A leading
// byte-order mark is dropped, and the lines are decoded as UTF-8 exactly when
// the rest of the file is valid UTF-8 holding something beyond ASCII.

#include "FuzzSupport.h"

#include "import/TextLines.h"
#include "store/Text1252.h"

#include <QStringDecoder>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes = fuzz::bytesOf(data + 1, size - 1);
    // The reads are cut small (1 to 7 bytes, or the usual size for one input
    // in eight), so line ends, pairs of them, byte-order marks and UTF-8
    // sequences fall across their boundaries.
    const int readSize = data[0] >> 5;
    fnk::imports::testing::setReadSize(readSize);
    const QString path = fuzz::scratchFile(QStringLiteral("import.csv"));
    fuzz::writeWhole(path, bytes);

    const QByteArray mark("\xEF\xBB\xBF");
    const QByteArray body = bytes.startsWith(mark) ? bytes.mid(mark.size()) : bytes;
    const QList<QByteArray> expected = fuzz::splitTextLines(body);
    bool beyondAscii = false;
    for (const char c : body)
        beyondAscii = beyondAscii || (static_cast<unsigned char>(c) & 0x80);
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString whole = strict.decode(body);  // sets the error flag on a bad sequence
    const bool utf8 = beyondAscii && !strict.hasError();
    FUZZ_CHECK((fnk::imports::detectEncoding(bytes) == fnk::imports::TextEncoding::Utf8) == utf8);
    const auto decoded = [utf8](const QByteArray& raw) {
        return utf8 ? QString::fromUtf8(raw) : fnk::store::decode1252(raw);
    };
    Q_UNUSED(whole);
    fnk::imports::TextLines reader(path);
    QString line;
    qsizetype n = 0;
    while (reader.next(line)) {
        FUZZ_CHECK(n < expected.size());
        FUZZ_CHECK(line == decoded(expected.at(n)));
        ++n;
    }
    FUZZ_CHECK(n == expected.size());
    FUZZ_CHECK(!reader.next(line));

    FUZZ_CHECK(fnk::imports::countLines(path) == expected.size());
    const int want = data[0] & 7;
    const QStringList first = fnk::imports::firstLines(path, want);
    FUZZ_CHECK(first.size() == std::min<qsizetype>(want, expected.size()));
    for (qsizetype i = 0; i < first.size(); ++i)
        FUZZ_CHECK(first.at(i) == decoded(expected.at(i)));
    return 0;
}
