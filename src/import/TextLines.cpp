#include "import/TextLines.h"

#include "store/FileIo.h"
#include "store/Text1252.h"


namespace fnk::imports {

namespace {
constexpr qint64 kDefaultChunk = 64 * 1024;
qint64 g_readSize = kDefaultChunk;
const char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr qsizetype kMarkSize = 3;

// Checks UTF-8 a block at a time.  A sequence cut by the end of a block is
// carried over to the next one; overlong forms, surrogates and code points
// beyond U+10FFFF are not UTF-8.
class Utf8Check {
public:
    // False as soon as the bytes cannot be UTF-8.
    bool feed(const char* data, qsizetype size)
    {
        QByteArray joined;
        if (!carry_.isEmpty()) {
            joined = carry_ + QByteArray::fromRawData(data, size);
            carry_.clear();
            data = joined.constData();
            size = joined.size();
        }
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        qsizetype i = 0;
        while (i < size) {
            const unsigned char c = p[i];
            if (c < 0x80) {
                ++i;
                continue;
            }
            beyondAscii_ = true;
            int length = 0;
            if (c >= 0xC2 && c <= 0xDF)
                length = 2;
            else if (c >= 0xE0 && c <= 0xEF)
                length = 3;
            else if (c >= 0xF0 && c <= 0xF4)
                length = 4;
            else
                return false;
            if (i + length > size) {
                carry_ = QByteArray(data + i, size - i);
                return checkPrefix(p + i, size - i, length);
            }
            if (!checkPrefix(p + i, length, length))
                return false;
            i += length;
        }
        return true;
    }
    // True when the file ended on a whole character.
    bool finish() const { return carry_.isEmpty(); }
    bool beyondAscii() const { return beyondAscii_; }

private:
    // The first `have` bytes of a `length`-byte sequence.
    static bool checkPrefix(const unsigned char* s, qsizetype have, int length)
    {
        for (qsizetype k = 1; k < have; ++k)
            if ((s[k] & 0xC0) != 0x80)
                return false;
        if (have < 2)
            return true;
        const unsigned char lead = s[0];
        const unsigned char second = s[1];
        if (length == 3 && lead == 0xE0 && second < 0xA0)
            return false;  // overlong
        if (length == 3 && lead == 0xED && second >= 0xA0)
            return false;  // surrogate
        if (length == 4 && lead == 0xF0 && second < 0x90)
            return false;  // overlong
        if (length == 4 && lead == 0xF4 && second >= 0x90)
            return false;  // beyond U+10FFFF
        return true;
    }

    QByteArray carry_;
    bool beyondAscii_ = false;
};

TextEncoding verdict(const Utf8Check& check, bool valid)
{
    return valid && check.finish() && check.beyondAscii() ? TextEncoding::Utf8
                                                          : TextEncoding::Windows1252;
}

}  // namespace

TextEncoding detectEncoding(const QByteArray& bytes)
{
    const qsizetype skip = bytes.startsWith(kByteOrderMark) ? kMarkSize : 0;
    Utf8Check check;
    const bool valid = check.feed(bytes.constData() + skip, bytes.size() - skip);
    return verdict(check, valid);
}

TextEncoding detectEncoding(const QString& path)
{
    QFile f(path);
    store::openFile(f, QIODevice::ReadOnly);
    if (f.peek(kMarkSize) == QByteArray::fromRawData(kByteOrderMark, kMarkSize))
        f.skip(kMarkSize);
    Utf8Check check;
    QByteArray block(g_readSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = f.read(block.data(), g_readSize);
        if (got < 0)
            throw store::FileError(QStringLiteral("Cannot read ") + path + QStringLiteral(" (")
                                       + f.errorString() + QLatin1Char(')'),
                                   store::kDeviceIo, path);
        if (got == 0)
            break;
        if (!check.feed(block.constData(), qsizetype(got)))
            return TextEncoding::Windows1252;
    }
    return verdict(check, true);
}

TextLines::TextLines(const QString& path, TextEncoding encoding) : file_(path), encoding_(encoding)
{
    if (encoding_ == TextEncoding::Detect)
        encoding_ = detectEncoding(path);
    store::openFile(file_, QIODevice::ReadOnly);
    if (file_.peek(kMarkSize) == QByteArray::fromRawData(kByteOrderMark, kMarkSize))
        file_.skip(kMarkSize);
}

QString TextLines::decode(const char* bytes, qsizetype length) const
{
    if (encoding_ == TextEncoding::Utf8)
        return QString::fromUtf8(bytes, length);
    return store::decode1252(bytes, std::size_t(length));
}

bool TextLines::fill()
{
    if (atEnd_)
        return false;
    buffer_.remove(0, pos_);
    pos_ = 0;
    const qsizetype had = buffer_.size();
    buffer_.resize(had + g_readSize);
    const qint64 got = file_.read(buffer_.data() + had, g_readSize);
    if (got < 0)
        throw store::FileError(QStringLiteral("Cannot read ") + file_.fileName() + QStringLiteral(" (")
                                   + file_.errorString() + QLatin1Char(')'),
                               store::kDeviceIo, file_.fileName());
    buffer_.resize(had + got);
    if (got == 0)
        atEnd_ = true;
    return got > 0;
}

bool TextLines::next(QString& line)
{
    qsizetype scanned = 0;  // bytes after pos_ already known to hold no line end
    for (;;) {
        const char* data = buffer_.constData();
        const qsizetype size = buffer_.size();
        qsizetype end = pos_ + scanned;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        if (end < size) {
            // A carriage return as the last byte read may be the first half
            // of a pair: look at the next byte before deciding.
            if (data[end] == '\r' && end + 1 == size && !atEnd_) {
                scanned = end - pos_;
                fill();
                continue;
            }
            line = decode(data + pos_, end - pos_);
            qsizetype after = end + 1;
            if (data[end] == '\r' && after < size && data[after] == '\n')
                ++after;
            pos_ = after;
            return true;
        }
        if (atEnd_) {
            if (pos_ >= size)
                return false;
            line = decode(data + pos_, size - pos_);
            pos_ = size;
            return true;
        }
        scanned = end - pos_;
        fill();
    }
}

qint64 countLines(const QString& path, TextEncoding encoding)
{
    TextLines lines(path, encoding);
    QString line;
    qint64 n = 0;
    while (lines.next(line))
        ++n;
    return n;
}

QStringList firstLines(const QString& path, int count, TextEncoding encoding)
{
    TextLines lines(path, encoding);
    QStringList out;
    QString line;
    while (out.size() < count && lines.next(line))
        out << line;
    return out;
}

namespace testing {
void setReadSize(qint64 bytes)
{
    g_readSize = bytes > 0 ? bytes : kDefaultChunk;
}
}  // namespace testing

}  // namespace fnk::imports
