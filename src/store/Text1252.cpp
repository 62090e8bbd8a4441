#include "store/Text1252.h"

#include <array>
#include <cstring>

namespace fnk::store {

namespace {

// 0x80..0x9F of Windows-1252.  The five bytes the code page leaves undefined
// decode to the C1 control of the same value, so they survive a round trip.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int encodeExact(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

int bestFit(QChar c)
{
    const char16_t u = c.unicode();
    switch (u) {
    case 0x2000: case 0x2001: case 0x2002: case 0x2003: case 0x2004: case 0x2005:
    case 0x2006: case 0x2007: case 0x2008: case 0x2009: case 0x200A: case 0x202F:
    case 0x205F: case 0x3000:
        return ' ';
    case 0x2010: case 0x2011: case 0x2012: case 0x2015: case 0x2212:
        return '-';
    case 0x201B: case 0x2032: return '\'';
    case 0x201F: case 0x2033: return '"';
    case 0x2044: case 0x2215: return '/';
    case 0x2024: return '.';
    default: break;
    }
    // Letters with marks the code page lacks: keep the base letter.
    const QString d = c.decomposition();
    if (!d.isEmpty()) {
        const int e = encodeExact(d.at(0).unicode());
        if (e >= 0x20)
            return e;
    }
    return '?';
}

std::array<unsigned char, 256> makeUpperTable()
{
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) {
        t[b] = static_cast<unsigned char>(b);
        const char ch = static_cast<char>(b);
        const QString up = decode1252(&ch, 1).toUpper();
        if (up.size() == 1) {
            const int e = encodeExact(up.at(0).unicode());
            if (e >= 0)
                t[b] = static_cast<unsigned char>(e);
        }
    }
    return t;
}

}  // namespace

QString decode1252(const char* bytes, std::size_t length)
{
    QString out(qsizetype(length), Qt::Uninitialized);
    QChar* d = out.data();
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

QString decode1252(const QByteArray& bytes)
{
    return decode1252(bytes.constData(), std::size_t(bytes.size()));
}

char encode1252Char(QChar c)
{
    int e = encodeExact(c.unicode());
    if (e < 0)
        e = bestFit(c);
    return static_cast<char>(e);
}

bool fits1252(const QString& text)
{
    for (const QChar c : text)
        if (encodeExact(c.unicode()) < 0)
            return false;
    return true;
}

QByteArray encode1252(const QString& text)
{
    QByteArray out;
    appendEncoded1252(out, text);
    return out;
}

void appendEncoded1252(QByteArray& out, const QString& text)
{
    // A buffer already in use keeps growing as it does: reserving exact
    // sizes on every call would copy it again and again.
    if (out.isEmpty())
        out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;  // one character outside the code page
            out.append('?');
            continue;
        }
        out.append(encode1252Char(c));
    }
}

void writeField(char* dest, std::size_t width, const QString& text)
{
    // As encode1252, one byte a character, straight into the field.
    std::size_t n = 0;
    for (qsizetype i = 0; i < text.size() && n < width; ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            dest[n++] = char(c.unicode());
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            dest[n++] = '?';
            continue;
        }
        dest[n++] = encode1252Char(c);
    }
    std::memset(dest + n, ' ', width - n);
}

QByteArray fixedField(const QString& text, std::size_t width)
{
    QByteArray out(qsizetype(width), ' ');
    writeField(out.data(), width, text);
    return out;
}

QString trimSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

unsigned char upper1252(unsigned char byte)
{
    static const std::array<unsigned char, 256> table = makeUpperTable();
    return table[byte];
}

void upper1252InPlace(char* bytes, std::size_t length)
{
    static const std::array<unsigned char, 256> table = makeUpperTable();
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(table[static_cast<unsigned char>(bytes[i])]);
}

QString upper1252(const QString& text)
{
    QByteArray b = encode1252(text);
    upper1252InPlace(b.data(), std::size_t(b.size()));
    return decode1252(b);
}

}  // namespace fnk::store
