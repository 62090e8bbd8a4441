#include "import/ImportChecks.h"

#include "import/TextLines.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstring>

namespace fnk::imports {

namespace {

QString withoutTrailingSpaces(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
        --n;
    return text.left(n);
}

// The first line is skipped as a header when asked and its date is no date.
bool isSkippedHeader(qint64 lineNumber, bool skipHeader, const LineRecord& built)
{
    return skipHeader && lineNumber == 1 && built.kind == LineRecord::Refused
        && built.refusedDate;
}

}  // namespace

bool holdsNoDigit(const QString& text)
{
    for (const QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            return false;
    return true;
}

bool looksLikeHeader(const QStringList& firstLineFields, const Links& links)
{
    if (links.date <= 0)
        return false;
    const QString field = links.date <= firstLineFields.size() ? firstLineFields.at(links.date - 1)
                                                              : QString();
    return holdsNoDigit(field);
}

QList<PreviewRow> previewRecords(const QStringList& lines, SplitRule rule, const Links& links,
                                 bool skipHeader, const QLocale& locale)
{
    QList<PreviewRow> rows;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        PreviewRow row;
        row.line = i + 1;
        const LineRecord built = buildRecord(splitLine(lines.at(i), rule), links, locale);
        switch (built.kind) {
        case LineRecord::Record:
            row.status = PreviewRow::Stored;
            row.date = store::formatDay(built.record.entryDate, locale);
            row.amount = store::formatCurrency(built.record.amount, locale);
            row.note = withoutTrailingSpaces(built.record.noteText());
            row.category = withoutTrailingSpaces(built.record.categoryCodeText());
            break;
        case LineRecord::Skipped:
            row.status = PreviewRow::Skipped;
            break;
        case LineRecord::Refused:
            row.status = isSkippedHeader(row.line, skipHeader, built) ? PreviewRow::Header
                                                                       : PreviewRow::Unreadable;
            row.problem = built.problem;
            row.dateUnreadable = built.refusedDate;
            break;
        }
        rows << row;
    }
    return rows;
}

WalkEnd walkRecords(const QString& path, const Links& links, bool skipHeader,
                    const std::function<void(const store::LedgerRecord&, qint64)>& take,
                    TextEncoding encoding, const QLocale& locale, SplitRule givenRule)
{
    WalkEnd end;
    const SplitRule rule = givenRule == SplitRule::None ? splitRuleFor(path) : givenRule;
    if (rule == SplitRule::None)
        return end;  // no line of such a file has a field
    TextLines lines(path, encoding);
    QString line;
    while (lines.next(line)) {
        ++end.lines;
        const LineRecord built = buildRecord(splitLine(line, rule), links, locale);
        if (built.kind == LineRecord::Refused) {
            if (isSkippedHeader(end.lines, skipHeader, built))
                continue;
            end.refusedLine = end.lines;
            end.problem = built.problem;
            return end;
        }
        if (built.kind == LineRecord::Record)
            take(built.record, end.lines);
    }
    return end;
}

// ------------------------------------------------------------ record keys

RecordKeys::Key RecordKeys::keyOf(double day, store::Money amount, const char* note)
{
    Key key;
    const std::int64_t whole = std::isfinite(day) ? std::int64_t(std::floor(day)) : INT64_MIN;
    std::memcpy(key.data(), &whole, 8);
    std::memcpy(key.data() + 8, &amount, 8);
    std::memcpy(key.data() + 16, note, store::LedgerRecord::kNoteWidth);
    return key;
}

std::uint64_t RecordKeys::hashOf(const Key& key)
{
    // FNV-1a, then mixed so the low bits pick slots evenly.
    std::uint64_t h = 1469598103934665603ULL;
    for (char c : key) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

RecordKeys RecordKeys::fromRecordFile(const QString& path)
{
    RecordKeys keys;
    store::RecordFile(path).forEachRaw([&keys](const char* bytes, qint64) {
        if (store::rawDeleted(bytes))
            return;
        keys.addKey(keyOf(store::rawEntryDate(bytes), store::rawAmount(bytes),
                          bytes + store::LedgerRecord::kNote));
    });
    return keys;
}

void RecordKeys::add(const store::LedgerRecord& record)
{
    addKey(keyOf(record.entryDate, record.amount, record.note.data()));
}

bool RecordKeys::contains(const store::LedgerRecord& record) const
{
    return containsKey(keyOf(record.entryDate, record.amount, record.note.data()));
}

bool RecordKeys::containsKey(const Key& key) const
{
    if (slots_.empty())
        return false;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = hashOf(key) & mask;; s = (s + 1) & mask) {
        const std::uint32_t at = slots_[s];
        if (at == 0)
            return false;
        if (std::memcmp(keys_.data() + std::size_t(at - 1) * kKeySize, key.data(), kKeySize) == 0)
            return true;
    }
}

void RecordKeys::grow()
{
    const std::size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
    slots_.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < count_; ++i) {
        Key key;
        std::memcpy(key.data(), keys_.data() + i * kKeySize, kKeySize);
        std::size_t s = hashOf(key) & mask;
        while (slots_[s] != 0)
            s = (s + 1) & mask;
        slots_[s] = std::uint32_t(i + 1);
    }
}

void RecordKeys::addKey(const Key& key)
{
    if (containsKey(key))
        return;
    // At most half the slots are taken, so every search ends at a free one.
    if ((count_ + 1) * 2 > slots_.size())
        grow();
    keys_.insert(keys_.end(), key.begin(), key.end());
    ++count_;
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = hashOf(key) & mask;
    while (slots_[s] != 0)
        s = (s + 1) & mask;
    slots_[s] = std::uint32_t(count_);
}

// ------------------------------------------------------- remembered links

namespace {

struct Shape {
    int fieldCount = 0;
    QByteArray firstLine;  // Windows-1252, as the file keeps it
    Links links;
    bool quoted = false;
};

QByteArray linksText(const Links& l, bool quoted)
{
    return QByteArray::number(l.date) + ',' + QByteArray::number(l.amount) + ','
        + QByteArray::number(l.note) + ',' + QByteArray::number(l.category) + ','
        + QByteArray::number(l.userField1) + ',' + QByteArray::number(l.userField2)
        + (quoted ? ",1" : "");
}

// Six links, then for quoted fields a seventh value 1.
std::optional<Links> parseLinks(const QByteArray& text, bool& quoted)
{
    const QList<QByteArray> parts = text.split(',');
    if (parts.size() != 6 && parts.size() != 7)
        return std::nullopt;
    int v[7] = {0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        v[i] = parts.at(i).toInt(&ok);
        if (!ok || v[i] < 0)
            return std::nullopt;
    }
    if (v[6] > 1)
        return std::nullopt;
    quoted = v[6] == 1;
    return Links{v[0], v[1], v[2], v[3], v[4], v[5]};
}

// Each line: field count, tab, six links, tab, first line.  Lines that do
// not read so are left out.
std::vector<Shape> readShapes(const QString& memoryFile)
{
    std::vector<Shape> shapes;
    QFile f(memoryFile);
    if (!f.exists())
        return shapes;
    store::openFile(f, QIODevice::ReadOnly);
    const QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw store::FileError(QStringLiteral("Cannot read ") + memoryFile, store::kDeviceIo,
                               memoryFile);
    for (QByteArray line : all.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype tab1 = line.indexOf('\t');
        const qsizetype tab2 = tab1 < 0 ? -1 : line.indexOf('\t', tab1 + 1);
        if (tab2 < 0)
            continue;
        bool ok = false;
        const int count = line.left(tab1).toInt(&ok);
        bool quoted = false;
        const std::optional<Links> links =
            parseLinks(line.mid(tab1 + 1, tab2 - tab1 - 1), quoted);
        if (!ok || count < 0 || !links)
            continue;
        shapes.push_back({count, line.mid(tab2 + 1), *links, quoted});
    }
    return shapes;
}

QByteArray shapeLine(const QString& firstLine)
{
    // A line of the import file holds no line end; a tab is kept as it is,
    // since the first line comes last.
    return store::encode1252(firstLine);
}

}  // namespace

QString linkMemoryPath(const QString& recordFile)
{
    return QFileInfo(recordFile).absolutePath() + QStringLiteral("/fnk_link.dat");
}

std::optional<Links> recallLinks(const QString& memoryFile, int fieldCount,
                                 const QString& firstLine)
{
    const QByteArray wanted = shapeLine(firstLine);
    for (const Shape& s : readShapes(memoryFile))
        if (s.fieldCount == fieldCount && s.firstLine == wanted && !s.quoted)
            return s.links;
    return std::nullopt;
}

std::optional<RecalledLinks> recallLinks(const QString& memoryFile, const QString& firstLine,
                                         const std::function<int(bool)>& fieldCount)
{
    const QByteArray wanted = shapeLine(firstLine);
    for (const Shape& s : readShapes(memoryFile))
        if (s.firstLine == wanted && s.fieldCount == fieldCount(s.quoted))
            return RecalledLinks{s.links, s.quoted};
    return std::nullopt;
}

void rememberLinks(const QString& memoryFile, int fieldCount, const QString& firstLine,
                   const Links& links, bool quotedFields)
{
    const QByteArray wanted = shapeLine(firstLine);
    std::vector<Shape> shapes = readShapes(memoryFile);
    QByteArray out = QByteArray::number(fieldCount) + '\t' + linksText(links, quotedFields)
        + '\t' + wanted + "\r\n";
    int kept = 1;
    for (const Shape& s : shapes) {
        if (kept >= kRememberedShapes)
            break;
        if (s.fieldCount == fieldCount && s.firstLine == wanted && s.quoted == quotedFields)
            continue;
        out += QByteArray::number(s.fieldCount) + '\t' + linksText(s.links, s.quoted) + '\t'
            + s.firstLine
            + "\r\n";
        ++kept;
    }
    store::replaceWholeFile(memoryFile + QStringLiteral(".wrk"), memoryFile, out);
}

}  // namespace fnk::imports
