#pragma once

// Shared pieces of the libFuzzer targets: a check that stops the run with a
// message (so a broken property counts as a crash and leaves its input
// behind), the locales the parsers are tried under, and a scratch folder for
// the readers that work on files.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                     \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

namespace fuzz {

// en_US first: the tests pin it.  The others change the decimal and group
// separators, the order of day and month, the currency symbol's side and
// the grouping.
inline const QLocale& localeFor(unsigned char selector)
{
    static const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),
        QLocale(QLocale::English, QLocale::UnitedKingdom),
        QLocale(QLocale::German, QLocale::Switzerland),
        QLocale(QLocale::Hindi, QLocale::India),
        QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::Dutch, QLocale::Netherlands),
    };
    return locales[selector % (sizeof locales / sizeof locales[0])];
}

// One folder for the whole run, in memory where the system offers it.
inline const QString& scratchFolder()
{
    static QTemporaryDir dir(QDir(QFile::exists(QStringLiteral("/dev/shm"))
                                      ? QStringLiteral("/dev/shm")
                                      : QDir::tempPath())
                                 .filePath(QStringLiteral("fennick-fuzz-XXXXXX")));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a scratch folder\n");
        std::abort();
    }
    static const QString path = dir.path();
    return path;
}

inline QString scratchFile(const QString& name)
{
    return QDir(scratchFolder()).filePath(name);
}

inline void writeWhole(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

inline QByteArray readWhole(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::abort();
    }
    return f.readAll();
}

// The input as bytes, without a copy.
inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Lines cut the way every text file of the program is cut: at CR LF, a lone
// CR or a lone LF; a last line without an end counts, and no empty line
// follows a final line end.
inline QList<QByteArray> splitTextLines(const QByteArray& b)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < b.size(); ++i) {
        if (b[i] == '\n' || b[i] == '\r') {
            lines << b.mid(start, i - start);
            if (b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < b.size())
        lines << b.mid(start);
    return lines;
}

}  // namespace fuzz
