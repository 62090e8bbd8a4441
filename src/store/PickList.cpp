#include "store/PickList.h"

#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QDir>
#include <QByteArrayView>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <vector>

namespace fnk::store {

namespace {

struct Content {
    QByteArray bytes;
    std::vector<QByteArrayView> lines;  // into bytes, without their line ends
};

Content readLines(const QString& path)
{
    touchFile(path);
    QFile f(path);
    openFile(f, QIODevice::ReadOnly);
    Content c;
    c.bytes = readAt(f, 0, f.size());
    f.close();

    // Lines end at CR LF, CR or LF.  The next of each is found with memchr
    // and kept until the scan passes it.
    const char* p = c.bytes.constData();
    const char* const end = p + c.bytes.size();
    c.lines.reserve(std::size_t(c.bytes.count('\n') + c.bytes.count('\r') + 1));
    const char* nextLf = nullptr;
    const char* nextCr = nullptr;
    auto next = [&](char ch, const char*& cached) {
        if (cached == nullptr || (cached < p && cached != end)) {
            cached = static_cast<const char*>(std::memchr(p, ch, std::size_t(end - p)));
            if (cached == nullptr)
                cached = end;
        }
        return cached;
    };
    while (p < end) {
        const char* stop = std::min(next('\n', nextLf), next('\r', nextCr));
        c.lines.emplace_back(p, stop - p);
        if (stop == end)
            break;
        p = stop + ((*stop == '\r' && stop + 1 < end && stop[1] == '\n') ? 2 : 1);
    }
    return c;
}

// Each byte decodes to one character and only the space byte to a space, so
// the line's spaces are trimmed, and its length compared, before decoding.
bool lineMatches(QByteArrayView line, const QString& trimmedValue)
{
    qsizetype first = 0;
    qsizetype last = line.size();
    while (first < last && line[first] == ' ')
        ++first;
    while (last > first && line[last - 1] == ' ')
        --last;
    if (last - first != trimmedValue.size())
        return false;
    return decode1252(line.data() + first, std::size_t(last - first)) == trimmedValue;
}

}  // namespace

PickList PickList::forField(const QString& dataFolder, int field)
{
    if (field != 1 && field != 2)
        throw FileError(QStringLiteral("No pick list for user field %1").arg(field), 5,
                        dataFolder);
    const QDir dir(dataFolder);
    const QString stem = QStringLiteral("udf%1").arg(field);
    return PickList(dir.filePath(stem + QStringLiteral(".dat")),
                    dir.filePath(stem + QStringLiteral(".tmp")));
}

QStringList PickList::load() const
{
    QStringList out;
    const Content c = readLines(path_);
    for (const QByteArrayView line : c.lines)
        out.append(decode1252(line.data(), std::size_t(line.size())));
    return out;
}

bool PickList::contains(const QString& value) const
{
    const QString wanted = trimSpaces(value);
    const Content c = readLines(path_);
    for (const QByteArrayView line : c.lines)
        if (lineMatches(line, wanted))
            return true;
    return false;
}

bool PickList::add(const QString& typed)
{
    // The list holds what a record can hold: the first 10 characters.  That
    // stored form is what is compared, so a long value is remembered once.
    const QByteArray value = encode1252(typed).left(kValueWidth);
    const QString wanted = trimSpaces(decode1252(value));
    if (wanted.isEmpty())
        return false;
    const Content c = readLines(path_);
    for (const QByteArrayView line : c.lines)
        if (lineMatches(line, wanted))
            return false;

    QByteArray out;
    // A last line left without its line end is closed first, so the new value
    // starts a line of its own.
    if (!c.bytes.isEmpty() && !c.bytes.endsWith('\n') && !c.bytes.endsWith('\r'))
        out.append("\r\n");
    out.append(value);
    out.append("\r\n");

    QFile f(path_);
    openFile(f, QIODevice::ReadWrite);
    const qint64 oldSize = f.size();
    try {
        writeAt(f, oldSize, out.constData(), out.size());
        syncData(f);
    } catch (...) {
        f.resize(oldSize);
        throw;
    }
    return true;
}

int PickList::remove(const QString& value)
{
    const QString wanted = trimSpaces(value);
    const Content c = readLines(path_);
    QByteArray kept;
    int dropped = 0;
    for (const QByteArrayView line : c.lines) {
        if (lineMatches(line, wanted)) {
            ++dropped;
            continue;
        }
        kept.append(line);
        kept.append("\r\n");
    }
    replaceWholeFile(workPath_, path_, kept);
    return dropped;
}

}  // namespace fnk::store
