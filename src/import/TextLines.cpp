#include "import/TextLines.h"

#include "store/FileIo.h"
#include "store/Text1252.h"

namespace fnk::imports {

namespace {
constexpr qint64 kChunk = 64 * 1024;
}

TextLines::TextLines(const QString& path) : file_(path)
{
    store::openFile(file_, QIODevice::ReadOnly);
}

bool TextLines::fill()
{
    if (atEnd_)
        return false;
    buffer_.remove(0, pos_);
    pos_ = 0;
    const qsizetype had = buffer_.size();
    buffer_.resize(had + kChunk);
    const qint64 got = file_.read(buffer_.data() + had, kChunk);
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
            line = store::decode1252(data + pos_, std::size_t(end - pos_));
            qsizetype after = end + 1;
            if (data[end] == '\r' && after < size && data[after] == '\n')
                ++after;
            pos_ = after;
            return true;
        }
        if (atEnd_) {
            if (pos_ >= size)
                return false;
            line = store::decode1252(data + pos_, std::size_t(size - pos_));
            pos_ = size;
            return true;
        }
        scanned = end - pos_;
        fill();
    }
}

qint64 countLines(const QString& path)
{
    TextLines lines(path);
    QString line;
    qint64 n = 0;
    while (lines.next(line))
        ++n;
    return n;
}

QStringList firstLines(const QString& path, int count)
{
    TextLines lines(path);
    QStringList out;
    QString line;
    while (out.size() < count && lines.next(line))
        out << line;
    return out;
}

}  // namespace fnk::imports
