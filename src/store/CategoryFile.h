#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <vector>

namespace fnk::store {

class RecordFile;

// One category of "category.dat": 540 bytes, fields packed.
//   0  10 CategoryCode         text, the key ledger records refer to
//  10  20 CategoryName         text
//  30 500 CategoryDescription  text
// 530  10 CategoryReserved     spaces in a new entry, otherwise carried as read
// Text fields hold the raw Windows-1252 bytes, space padded, exactly as stored.
struct CategoryEntry {
    static constexpr std::size_t kSize = 540;
    static constexpr std::size_t kCodeWidth = 10;
    static constexpr std::size_t kNameWidth = 20;
    static constexpr std::size_t kDescriptionWidth = 500;
    static constexpr std::size_t kReservedWidth = 10;

    enum Offset : std::size_t {
        kCategoryCode = 0,
        kCategoryName = 10,
        kCategoryDescription = 30,
        kCategoryReserved = 530,
    };

    std::array<char, kCodeWidth> categoryCode;
    std::array<char, kNameWidth> categoryName;
    std::array<char, kDescriptionWidth> categoryDescription;
    std::array<char, kReservedWidth> categoryReserved;

    CategoryEntry();  // every field spaces

    // Decoded texts, full width with their padding.
    QString categoryCodeText() const;
    QString categoryNameText() const;
    QString categoryDescriptionText() const;

    // Encoded, cut at the width and padded with spaces.
    void setCategoryCode(const QString& text);
    void setCategoryName(const QString& text);
    void setCategoryDescription(const QString& text);

    void encode(char* out) const;                  // kSize bytes
    static CategoryEntry decode(const char* in);   // kSize bytes
};

// The category file: a plain array of 540-byte entries numbered from 1.  Each
// call opens the file, does its work and closes it again.  A missing file is
// created empty by the first call; a file whose length is not a multiple of
// 540 holds only its whole entries, and before an append, a rewrite or a sort
// writes over its stray bytes it is copied whole to damagedPath().  Failures
// throw FileError, and a failed write leaves the file as it was.
class CategoryFile {
public:
    explicit CategoryFile(QString path) : path_(std::move(path)) {}
    // "category.dat" in the given data folder.
    static CategoryFile inFolder(const QString& dataFolder);

    const QString& path() const { return path_; }
    // The work file of whole-file rewrites: "category.tmp" beside the file.
    QString workPath() const;

    // Where a damaged file is kept before it is written over:
    // "category.dat.bad" beside it.
    QString damagedPath() const;
    // The bytes after the last whole entry; 0 in a file that is whole.
    qint64 strayBytes() const;

    qint64 count() const;
    CategoryEntry read(qint64 n) const;
    // Overwrites entry n in place, or appends when n is count() + 1.
    void write(qint64 n, const CategoryEntry& entry);
    // Writes `entry` after the last whole entry; returns its position.
    qint64 append(const CategoryEntry& entry);
    std::vector<CategoryEntry> readAll() const;

    // Replaces the whole file with `entries`, in that order: they are written
    // to the work file, which then takes the file's place in one step.
    void rewrite(const std::vector<CategoryEntry>& entries);

private:
    QString path_;
};

// The name of the first category whose stored 10-character code (padding
// included) equals `code` exactly as given.  `name` receives that entry's
// 20-character name with its padding; when no entry matches it is left as it
// was.  Returns whether a match was found.
bool getlabel(const CategoryFile& categories, const QString& code, QString& name);

// Moves every record of `records` filed under `oldCode` to `newCode`.  Codes
// compare with leading and trailing spaces removed, case-sensitively; records
// already marked deleted are moved too.  With `deleteFlag` 'Y' the moved
// records are also marked deleted.  Only the code and the deletion mark of
// the matching records change.  The whole file is rewritten through its work
// file and renamed over the old one in one step, so a failure or a crash
// leaves either every record moved or none; when nothing matches the file
// is not touched.  Returns how many records were moved.
qint64 ChaseCat(RecordFile& records, const QString& oldCode, const QString& newCode,
                char deleteFlag);

// Puts the category file in ascending order of upper-cased code, each code
// compared as its full 10 stored bytes, padding included, byte by byte;
// entries with equal codes keep their order.  The stored codes keep their
// case.  A file already in order is not touched; otherwise the sorted file is
// written through the work file (a damaged one is kept aside first, and the
// sorted file holds its whole entries only).  Returns whether the file was
// rewritten.
bool SortCategoryFile(const CategoryFile& categories);

}  // namespace fnk::store
