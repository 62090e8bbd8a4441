#include "store/CategoryFile.h"

#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <unordered_map>

namespace fnk::store {

namespace {
constexpr qint64 kRec = qint64(CategoryEntry::kSize);
constexpr int kBadRecordNumber = 63;

template <std::size_t N>
QString text(const std::array<char, N>& a)
{
    return decode1252(a.data(), N);
}

// The whole content of the file, created empty when missing.
QByteArray readWhole(const QString& path)
{
    touchFile(path);
    QFile f(path);
    openFile(f, QIODevice::ReadOnly);
    return readAt(f, 0, f.size());
}

// A file of a wrong length is copied whole to "category.dat.bad" before
// anything writes over its bytes, so none of them is lost unseen.  A failed
// copy throws, and the write does not happen.
void keepDamaged(const CategoryFile& file)
{
    if (file.strayBytes() == 0)
        return;
    copyThroughWorkFile(file.path(), file.damagedPath() + QStringLiteral(".part"),
                        file.damagedPath());
}

[[noreturn]] void badNumber(qint64 n, const QString& path)
{
    throw FileError(QStringLiteral("Bad record number %1 in %2").arg(n).arg(path),
                    kBadRecordNumber, path);
}
}  // namespace

CategoryEntry::CategoryEntry()
{
    categoryCode.fill(' ');
    categoryName.fill(' ');
    categoryDescription.fill(' ');
    categoryReserved.fill(' ');
}

QString CategoryEntry::categoryCodeText() const { return text(categoryCode); }
QString CategoryEntry::categoryNameText() const { return text(categoryName); }
QString CategoryEntry::categoryDescriptionText() const { return text(categoryDescription); }

void CategoryEntry::setCategoryCode(const QString& t)
{
    writeField(categoryCode.data(), kCodeWidth, t);
}
void CategoryEntry::setCategoryName(const QString& t)
{
    writeField(categoryName.data(), kNameWidth, t);
}
void CategoryEntry::setCategoryDescription(const QString& t)
{
    writeField(categoryDescription.data(), kDescriptionWidth, t);
}

void CategoryEntry::encode(char* out) const
{
    std::memcpy(out + kCategoryCode, categoryCode.data(), kCodeWidth);
    std::memcpy(out + kCategoryName, categoryName.data(), kNameWidth);
    std::memcpy(out + kCategoryDescription, categoryDescription.data(), kDescriptionWidth);
    std::memcpy(out + kCategoryReserved, categoryReserved.data(), kReservedWidth);
}

CategoryEntry CategoryEntry::decode(const char* in)
{
    CategoryEntry e;
    std::memcpy(e.categoryCode.data(), in + kCategoryCode, kCodeWidth);
    std::memcpy(e.categoryName.data(), in + kCategoryName, kNameWidth);
    std::memcpy(e.categoryDescription.data(), in + kCategoryDescription, kDescriptionWidth);
    std::memcpy(e.categoryReserved.data(), in + kCategoryReserved, kReservedWidth);
    return e;
}

CategoryFile CategoryFile::inFolder(const QString& dataFolder)
{
    return CategoryFile(QDir(dataFolder).filePath(QStringLiteral("category.dat")));
}

QString CategoryFile::workPath() const
{
    return QFileInfo(path_).dir().filePath(QStringLiteral("category.tmp"));
}

QString CategoryFile::damagedPath() const { return path_ + QStringLiteral(".bad"); }

qint64 CategoryFile::strayBytes() const
{
    const QFileInfo info(path_);
    return info.isFile() ? info.size() % kRec : 0;
}

qint64 CategoryFile::count() const
{
    QFileInfo info(path_);
    if (!info.exists()) {
        touchFile(path_);
        return 0;
    }
    return info.size() / kRec;
}

CategoryEntry CategoryFile::read(qint64 n) const
{
    touchFile(path_);
    QFile f(path_);
    openFile(f, QIODevice::ReadOnly);
    if (n < 1 || n > f.size() / kRec)
        badNumber(n, path_);
    const QByteArray bytes = readAt(f, (n - 1) * kRec, kRec);
    if (bytes.size() != kRec)
        throw FileError(QStringLiteral("Input past end of file ") + path_, 62, path_);
    return CategoryEntry::decode(bytes.constData());
}

void CategoryFile::write(qint64 n, const CategoryEntry& entry)
{
    QFile f(path_);
    openFile(f, QIODevice::ReadWrite);
    const qint64 total = f.size() / kRec;
    if (n < 1 || n > total + 1)
        badNumber(n, path_);
    char buf[CategoryEntry::kSize];
    entry.encode(buf);
    const qint64 at = (n - 1) * kRec;
    if (n <= total) {
        // In place: on failure put the old bytes back.
        const QByteArray old = readAt(f, at, kRec);
        try {
            writeAt(f, at, buf, kRec);
        } catch (...) {
            try {
                restoreAt(f, at, old.constData(), kRec);
            } catch (...) {
            }
            throw;
        }
        syncData(f);
        return;
    }
    // After the last whole entry: on failure cut the file back to what it
    // was, a damaged tail included.
    const QByteArray tail = readAt(f, at, f.size() - at);
    if (!tail.isEmpty())
        keepDamaged(*this);
    try {
        writeAt(f, at, buf, kRec);
    } catch (...) {
        f.resize(at);
        if (!tail.isEmpty()) {
            f.seek(at);
            f.write(tail);
        }
        f.flush();
        throw;
    }
    syncData(f);
}

qint64 CategoryFile::append(const CategoryEntry& entry)
{
    const qint64 n = count() + 1;
    write(n, entry);
    return n;
}

std::vector<CategoryEntry> CategoryFile::readAll() const
{
    const QByteArray all = readWhole(path_);
    const qint64 total = all.size() / kRec;
    std::vector<CategoryEntry> out;
    out.reserve(std::size_t(total));
    for (qint64 i = 0; i < total; ++i)
        out.push_back(CategoryEntry::decode(all.constData() + i * kRec));
    return out;
}

void CategoryFile::rewrite(const std::vector<CategoryEntry>& entries)
{
    keepDamaged(*this);
    QByteArray data(qsizetype(entries.size() * CategoryEntry::kSize), Qt::Uninitialized);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].encode(data.data() + i * CategoryEntry::kSize);
    replaceWholeFile(workPath(), path_, data);
}

bool getlabel(const CategoryFile& categories, const QString& code, QString& name)
{
    // A stored code is always 10 characters, so a code of another length
    // cannot match; the file is still opened as every lookup does.
    const QByteArray all = readWhole(categories.path());
    const qint64 total = all.size() / kRec;
    for (qint64 i = 0; i < total; ++i) {
        const char* rec = all.constData() + i * kRec;
        if (decode1252(rec + CategoryEntry::kCategoryCode, CategoryEntry::kCodeWidth) == code) {
            name = decode1252(rec + CategoryEntry::kCategoryName, CategoryEntry::kNameWidth);
            return true;
        }
    }
    return false;
}

qint64 ChaseCat(RecordFile& records, const QString& oldCode, const QString& newCode,
                char deleteFlag)
{
    const QString from = trimSpaces(oldCode);
    // The new code's stored bytes, made once.
    char newField[LedgerRecord::kSize];
    {
        LedgerRecord r;
        r.setCategoryCode(trimSpaces(newCode));
        r.encode(newField);
    }
    // A ledger uses few distinct codes: each stored form is decoded once.
    std::unordered_map<std::string, bool> matches;
    const auto matching = [&](const char* rec) {
        const std::string key(rec + LedgerRecord::kCategoryCode, LedgerRecord::kCodeWidth);
        auto it = matches.find(key);
        if (it == matches.end())
            it = matches
                     .emplace(key, trimSpaces(decode1252(key.data(), LedgerRecord::kCodeWidth))
                                       == from)
                     .first;
        return it->second;
    };

    const QString path = records.path();
    touchFile(path);
    QFile in(path);
    openFile(in, QIODevice::ReadOnly);
    const qint64 size = in.size();
    const qint64 rec = qint64(LedgerRecord::kSize);
    const qint64 total = size / rec;

    // A first pass finds whether anything moves at all.
    qint64 moved = 0;
    const qint64 blockBytes = RecordFile::kBlockRecords * rec;
    QByteArray block(qsizetype(blockBytes), Qt::Uninitialized);
    for (qint64 first = 0; first < total; first += RecordFile::kBlockRecords) {
        const qint64 want = std::min(RecordFile::kBlockRecords, total - first) * rec;
        const qint64 got = in.read(block.data(), want);
        if (got != want)
            throw FileError(QStringLiteral("Cannot read ") + path, kDeviceIo, path);
        for (qint64 i = 0; i < got / rec; ++i)
            if (matching(block.constData() + i * rec))
                ++moved;
    }
    if (moved == 0)
        return 0;

    const QString workPath = records.workPath();
    QFile work(workPath);
    if (!work.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw FileError(QStringLiteral("Cannot create ") + workPath, kPathFileAccess, workPath);
    try {
        if (!in.seek(0))
            throw FileError(QStringLiteral("Cannot read ") + path, kDeviceIo, path);
        qint64 offset = 0;
        // Whole records first, then a damaged tail as it was.
        while (offset < size) {
            const qint64 want = std::min(blockBytes, size - offset);
            const qint64 got = in.read(block.data(), want);
            if (got != want)
                throw FileError(QStringLiteral("Cannot read ") + path, kDeviceIo, path);
            for (qint64 i = 0; (i + 1) * rec <= got; ++i) {
                char* r = block.data() + i * rec;
                if (!matching(r))
                    continue;
                std::memcpy(r + LedgerRecord::kCategoryCode, newField + LedgerRecord::kCategoryCode,
                            LedgerRecord::kCodeWidth);
                if (deleteFlag == 'Y')
                    r[LedgerRecord::kDeletedFlag] = 'Y';
            }
            writeAt(work, offset, block.constData(), got);
            offset += got;
        }
        syncFile(work);
        work.close();
        in.close();
        renameOver(workPath, path);
    } catch (...) {
        work.close();
        QFile::remove(workPath);
        throw;
    }
    return moved;
}

bool SortCategoryFile(const CategoryFile& categories)
{
    const QByteArray all = readWhole(categories.path());
    const std::size_t total = std::size_t(all.size() / kRec);
    if (total < 2)
        return false;

    using Key = std::array<unsigned char, CategoryEntry::kCodeWidth>;
    std::vector<Key> keys(total);
    for (std::size_t i = 0; i < total; ++i) {
        const char* code = all.constData() + i * CategoryEntry::kSize;
        for (std::size_t k = 0; k < CategoryEntry::kCodeWidth; ++k)
            keys[i][k] = upper1252(static_cast<unsigned char>(code[k]));
    }
    // Byte-wise comparison of unsigned bytes: the order of character codes.
    const auto less = [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; };

    std::vector<std::size_t> order(total);
    std::iota(order.begin(), order.end(), std::size_t(0));
    if (std::is_sorted(order.begin(), order.end(), less))
        return false;
    // A stable sort gives exactly the order of repeated adjacent exchanges of
    // strictly greater neighbours.
    std::stable_sort(order.begin(), order.end(), less);

    // The damaged file goes aside whole; the sorted file holds the whole
    // entries only.
    keepDamaged(categories);
    QByteArray sorted = all.left(qsizetype(total) * kRec);
    for (std::size_t i = 0; i < total; ++i)
        std::memcpy(sorted.data() + i * CategoryEntry::kSize,
                    all.constData() + order[i] * CategoryEntry::kSize, CategoryEntry::kSize);
    replaceWholeFile(categories.workPath(), categories.path(), sorted);
    return true;
}

}  // namespace fnk::store
