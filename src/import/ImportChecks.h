#pragma once

// What the import window checks before it writes: which lines of the file
// give records and how they will be stored, whether the first line is a
// header, which lines repeat a record already kept, and the field links that
// worked for a file of the same shape last time.

#include "import/DelimitedText.h"
#include "import/TextLines.h"
#include "store/LedgerRecord.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace fnk::imports {

// True when the text has no digit 0 to 9: a column name rather than a date.
bool holdsNoDigit(const QString& text);

// The header box's first setting for a file: on when the date is linked and
// the first line's date field (empty when the line has no such field) holds
// no digit.
bool looksLikeHeader(const QStringList& firstLineFields, const Links& links);

// One line of the preview: what the run will do with it.
struct PreviewRow {
    enum Status {
        Stored,      // becomes a record as shown
        Skipped,     // gives no date: passed over
        Header,      // the first line, skipped as a header
        Unreadable,  // its date or amount cannot be read: the run stops here
    } status = Skipped;
    qint64 line = 0;
    QString date;      // the locale's short date
    QString amount;    // money text, sign kept
    QString note;      // as stored, trailing spaces removed
    QString category;  // as stored, trailing spaces removed
    QString problem;   // for Unreadable
    bool dateUnreadable = false;  // for Unreadable: the date, not the amount
};
QList<PreviewRow> previewRecords(const QStringList& lines, SplitRule rule, const Links& links,
                                 bool skipHeader, const QLocale& locale = QLocale());

// How a walk through the import file ended.
struct WalkEnd {
    qint64 lines = 0;        // lines read
    qint64 refusedLine = 0;  // the line whose date or amount could not be read, or 0
    QString problem;
};
// Reads the import file line by line as the run does and hands every record
// it gives, with its line number, to `take`.  A first line that is not a date
// is passed over when `skipHeader` is set.  Stops at the first line that is
// refused.  The lines are cut by `rule`, or by the rule of the file's name
// when it is None.  Throws store::FileError (and whatever `take` throws).
WalkEnd walkRecords(const QString& path, const Links& links, bool skipHeader,
                    const std::function<void(const store::LedgerRecord&, qint64 line)>& take,
                    TextEncoding encoding = TextEncoding::Detect,
                    const QLocale& locale = QLocale(), SplitRule rule = SplitRule::None);

// The date (the whole day), amount and note of every live record of a record
// file, for telling whether an imported record repeats one.  Notes compare as
// stored: the same Windows-1252 bytes, padded to their width.
class RecordKeys {
public:
    static constexpr std::size_t kKeySize = 8 + 8 + store::LedgerRecord::kNoteWidth;

    // One pass over the record file.  Throws store::FileError.
    static RecordKeys fromRecordFile(const QString& path);

    void add(const store::LedgerRecord& record);
    bool contains(const store::LedgerRecord& record) const;
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    using Key = std::array<char, kKeySize>;
    static Key keyOf(double day, store::Money amount, const char* note);
    static std::uint64_t hashOf(const Key& key);
    void addKey(const Key& key);
    bool containsKey(const Key& key) const;
    void grow();

    std::vector<char> keys_;          // kKeySize bytes per kept key
    std::vector<std::uint32_t> slots_;  // index + 1 into keys_, 0 for a free slot
    std::size_t count_ = 0;
};

// The field links kept for files of one shape: the number of fields of the
// first line and the first line itself.  Stored in "fnk_link.dat" beside the
// record file, one shape a line, newest first.
QString linkMemoryPath(const QString& recordFile);
std::optional<Links> recallLinks(const QString& memoryFile, int fieldCount,
                                 const QString& firstLine);
// The links kept for a ".csv" file's first line with whether its fields were
// cut as quoted: `fieldCount(quoted)` gives the line's field count by each
// rule.  A line of the file may carry a seventh value after the six links,
// 1 for quoted fields; without it (every line an older program wrote) the
// fields are plain.
struct RecalledLinks {
    Links links;
    bool quotedFields = false;
};
std::optional<RecalledLinks> recallLinks(const QString& memoryFile, const QString& firstLine,
                                         const std::function<int(bool quoted)>& fieldCount);
// Keeps `links` for the shape, replacing what was kept for it; the file is
// written beside itself and renamed over the old one.  `quotedFields` adds
// the seventh value; unset, the line is as an older program wrote it.
// Throws store::FileError.
void rememberLinks(const QString& memoryFile, int fieldCount, const QString& firstLine,
                   const Links& links, bool quotedFields = false);
// How many shapes the file keeps; the oldest are dropped beyond it.
constexpr int kRememberedShapes = 64;

}  // namespace fnk::imports
