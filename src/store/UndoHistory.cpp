#include "store/UndoHistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fnk::store {

namespace {

constexpr qint64 kEntryMax = qint64(1) << 20;     // bytes of one kept range at most
constexpr qint64 kFlushAt = qint64(1) << 20;      // kept ranges are written out in blocks
constexpr qint64 kCompareMax = qint64(1) << 16;   // a step's ranges compared at its end
constexpr qint64 kTrailer = 16;                   // offset and length after each range
constexpr qint64 kRecordSize = 1024;              // one step in the index
constexpr int kMaxFiles = 8;
constexpr qint64 kSampleBlock = 4096;
constexpr int kSampleBlocks = 32;

enum Kind : qint32 { kInPlace = 1, kWhole = 2 };

QByteArray nameOf(const QString& path) { return QFile::encodeName(path); }

[[noreturn]] void failErrno(const QString& what, const QString& path, int err)
{
    throwErrno(what, path, err);
}

void syncFolderOf(const QString& path)
{
    const int fd = ::open(nameOf(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void removeFile(const QString& path) { ::unlink(nameOf(path).constData()); }

bool statOf(const QString& path, struct stat& st)
{
    return ::stat(nameOf(path).constData(), &st) == 0;
}

quint64 mix(quint64 h, const char* p, qint64 n)
{
    for (qint64 i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 0x100000001b3ULL;
    }
    return h;
}

// The file size, or -1 when there is no file.
qint64 sizeOrAbsent(const QString& path)
{
    struct stat st {};
    return statOf(path, st) ? qint64(st.st_size) : -1;
}

// Kept ranges: each one's bytes followed by its offset and length, so that
// the file can be read from its end, last range first.
class RangeWriter {
public:
    RangeWriter() = default;
    explicit RangeWriter(QString path) : path_(std::move(path))
    {
        removeFile(path_);
        buffer_.reserve(qsizetype(kFlushAt + kEntryMax + kTrailer));
    }
    const QString& path() const { return path_; }
    bool empty() const { return bytes_ == 0; }
    qint64 bytes() const { return bytes_; }

    void add(qint64 offset, const char* data, qint64 length)
    {
        while (length > 0) {
            const qint64 n = std::min(length, kEntryMax);
            buffer_.append(data, qsizetype(n));
            const qint64 trailer[2] = {offset, n};
            buffer_.append(reinterpret_cast<const char*>(trailer), kTrailer);
            bytes_ += n;
            offset += n;
            data += n;
            length -= n;
            if (buffer_.size() >= kFlushAt)
                flush();
        }
    }

    // Writes what is held in memory.  On failure the file is cut back to the
    // ranges written before and the rest stays in memory.
    void flush()
    {
        if (buffer_.isEmpty() && written_ > 0)
            return;
        QFile f(path_);
        openFile(f, QIODevice::ReadWrite);
        try {
            writeAt(f, written_, buffer_.constData(), buffer_.size());
        } catch (...) {
            f.resize(written_);
            throw;
        }
        written_ += buffer_.size();
        buffer_.resize(0);  // keeps its room for the next block
    }

private:
    QString path_;
    QByteArray buffer_;
    qint64 written_ = 0;
    qint64 bytes_ = 0;
};

// Reads kept ranges from the last to the first.  The bytes given are good
// until the next call.
class RangeReader {
public:
    explicit RangeReader(const QString& path) : file_(path)
    {
        if (!QFileInfo::exists(path))
            return;
        openFile(file_, QIODevice::ReadOnly);
        pos_ = file_.size();
    }

    bool next(qint64& offset, QByteArrayView& bytes)
    {
        if (pos_ < kTrailer)
            return false;
        qint64 trailer[2];
        std::memcpy(trailer, bytesIn(pos_ - kTrailer, pos_), kTrailer);
        const qint64 start = pos_ - kTrailer - trailer[1];
        if (trailer[1] < 0 || start < 0)
            throw FileError(QStringLiteral("Damaged undo file ") + file_.fileName(), kDeviceIo,
                            file_.fileName());
        offset = trailer[0];
        bytes = QByteArrayView(bytesIn(start, pos_ - kTrailer), qsizetype(trailer[1]));
        pos_ = start;
        return true;
    }

private:
    const char* bytesIn(qint64 from, qint64 to)
    {
        if (from < windowStart_ || to > windowStart_ + windowSize_) {
            windowStart_ = std::max<qint64>(0, to - std::max(kFlushAt, to - from));
            windowSize_ = to - windowStart_;
            if (window_.size() < windowSize_)
                window_.resize(qsizetype(windowSize_));
            qint64 got = 0;
            while (got < windowSize_) {
                const ssize_t n = ::pread(file_.handle(), window_.data() + got, size_t(windowSize_ - got),
                                          off_t(windowStart_ + got));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    throw FileError(QStringLiteral("Cannot read ") + file_.fileName(), kDeviceIo,
                                    file_.fileName());
                got += n;
            }
        }
        return window_.constData() + (from - windowStart_);
    }

    QFile file_;
    qint64 pos_ = 0;
    QByteArray window_;
    qint64 windowStart_ = 0;
    qint64 windowSize_ = 0;
};

// Reads `length` bytes of `file` at `offset` into `out`, which keeps its room
// from call to call.
void readInto(QFile& file, qint64 offset, qint64 length, QByteArray& out)
{
    if (out.size() < length)
        out.resize(qsizetype(length));
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::pread(file.handle(), out.data() + got, size_t(length - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileError(QStringLiteral("Cannot read ") + file.fileName(), kDeviceIo, file.fileName());
        got += n;
    }
}

// Writes the kept ranges of `ranges` into `path` and makes it `size` bytes
// long (-1: removes it).  With `mayFail` the writes are ordinary ones;
// without, they only put back bytes a failed write changed.
void putRanges(const QString& path, const QString& ranges, qint64 size, bool mayFail)
{
    if (size < 0) {
        if (::unlink(nameOf(path).constData()) != 0 && errno != ENOENT)
            failErrno(QStringLiteral("Cannot remove ") + path, path, errno);
        syncFolderOf(path);
        return;
    }
    const bool created = !QFileInfo::exists(path);
    QFile f(path);
    openFile(f, QIODevice::ReadWrite);
    const auto put = [&](qint64 at, const char* data, qint64 n) {
        if (mayFail)
            writeAt(f, at, data, n);
        else
            restoreAt(f, at, data, n);
    };
    // A file that grows is not lengthened first: the zeros would read as
    // records if the program were stopped before its bytes went in.  What
    // lies past its end goes in last, front to back, as an append does.
    const qint64 end = std::min(f.size(), size);
    if (f.size() > size && !f.resize(size))
        throw FileError(QStringLiteral("Cannot set the length of ") + path, kDeviceIo, path);
    QByteArray tail(qsizetype(size - end), '\0');
    RangeReader reader(ranges);
    qint64 offset = 0;
    QByteArrayView bytes;
    while (reader.next(offset, bytes)) {
        const qint64 n = std::min<qint64>(bytes.size(), size - offset);
        if (n <= 0)
            continue;
        const qint64 inside = std::clamp<qint64>(end - offset, 0, n);
        if (inside > 0)
            put(offset, bytes.constData(), inside);
        if (inside < n)
            std::memcpy(tail.data() + (offset + inside - end), bytes.constData() + inside, size_t(n - inside));
    }
    if (!tail.isEmpty())
        put(end, tail.constData(), tail.size());
    syncData(f);
    f.close();
    if (created)
        syncFolderOf(path);
}

// Keeps in `counter` what `path` holds where the ranges of `ranges` (and a
// file of `size`) would change it.  Returns the file's size (-1: no file).
qint64 keepCounter(const QString& path, const QString& ranges, qint64 size, const QString& counter)
{
    RangeWriter out(counter);
    const qint64 now = sizeOrAbsent(path);
    if (now >= 0) {
        QFile f(path);
        openFile(f, QIODevice::ReadOnly);
        RangeReader reader(ranges);
        qint64 offset = 0;
        QByteArrayView bytes;
        QByteArray held;
        while (reader.next(offset, bytes)) {
            const qint64 n = std::min<qint64>(bytes.size(), now - offset);
            if (n > 0) {
                readInto(f, offset, n, held);
                out.add(offset, held.constData(), n);
            }
        }
        for (qint64 at = std::max<qint64>(size, 0); at < now; at += kEntryMax) {
            const qint64 n = std::min(kEntryMax, now - at);
            readInto(f, at, n, held);
            out.add(at, held.constData(), n);
        }
    }
    out.flush();
    return now;
}

// Makes `copy` hold the file `path` as it is now: a hard link, or a copy
// where links are not possible.  Returns false when there is no file.
bool keepWhole(const QString& path, const QString& copy)
{
    removeFile(copy);
    if (!QFileInfo::exists(path))
        return false;
    if (::link(nameOf(path).constData(), nameOf(copy).constData()) == 0)
        return true;
    copyThroughWorkFile(path, copy + QStringLiteral(".part"), copy);
    return true;
}

// Puts the kept file `image` in place of `path` (none: removes `path`).
// Returns whether `image` itself became `path`.
bool putWhole(const QString& path, const QString& image, bool present)
{
    if (!present) {
        if (::unlink(nameOf(path).constData()) != 0 && errno != ENOENT)
            failErrno(QStringLiteral("Cannot remove ") + path, path, errno);
        syncFolderOf(path);
        return false;
    }
    struct stat kept {};
    struct stat folder {};
    // The kept file moves in when nothing else names it; a second name (the
    // internal backup after a purge) must never become the live file.
    if (statOf(image, kept) && kept.st_nlink == 1
        && statOf(QFileInfo(path).absolutePath(), folder) && kept.st_dev == folder.st_dev) {
        renameOver(image, path);
        return true;
    }
    copyThroughWorkFile(image, path + QStringLiteral(".undo"), path);
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------

struct UndoHistory::StepFile {
    qint32 file = 0;
    qint32 kind = 0;
    qint64 size = 0;  // in place: the length the kept ranges go with; whole: 1, or -1 for none
    quint64 before = 0;
    quint64 after = 0;
};

struct UndoHistory::StepRecord {
    std::vector<StepFile> files;
    QString text;

    QByteArray encode() const
    {
        QByteArray out(qsizetype(kRecordSize), '\0');
        const qint32 n = qint32(files.size());
        std::memcpy(out.data(), &n, 4);
        for (qsizetype i = 0; i < qsizetype(files.size()); ++i)
            std::memcpy(out.data() + 8 + i * sizeof(StepFile), &files[std::size_t(i)], sizeof(StepFile));
        const qsizetype room = kRecordSize - 8 - kMaxFiles * qsizetype(sizeof(StepFile));
        QString t = text;
        QByteArray utf8 = t.toUtf8();
        while (utf8.size() > room) {
            t.chop(1);
            utf8 = t.toUtf8();
        }
        const qint32 len = qint32(utf8.size());
        std::memcpy(out.data() + 4, &len, 4);
        std::memcpy(out.data() + 8 + kMaxFiles * sizeof(StepFile), utf8.constData(), std::size_t(len));
        return out;
    }
    static StepRecord decode(const QByteArray& in)
    {
        StepRecord r;
        qint32 n = 0;
        qint32 len = 0;
        std::memcpy(&n, in.constData(), 4);
        std::memcpy(&len, in.constData() + 4, 4);
        n = std::clamp(n, 0, kMaxFiles);
        for (qint32 i = 0; i < n; ++i) {
            StepFile f;
            std::memcpy(&f, in.constData() + 8 + i * sizeof(StepFile), sizeof(StepFile));
            r.files.push_back(f);
        }
        const qsizetype room = kRecordSize - 8 - kMaxFiles * qsizetype(sizeof(StepFile));
        r.text = QString::fromUtf8(in.constData() + 8 + kMaxFiles * sizeof(StepFile),
                                   std::clamp<qsizetype>(len, 0, room));
        return r;
    }
};

// What one open step keeps of each tracked file, from the file layer's
// reports.
class UndoHistory::Recorder : public FileWatcher {
public:
    struct Capture {
        int kind = 0;  // 0: untouched
        qint64 sizeBefore = -1;
        Identity before;
        quint64 versionBefore = 0;
        RangeWriter ranges;
        QString image;
        bool imagePresent = false;
    };

    Recorder(UndoHistory& history, QString text)
        : history_(history), text_(std::move(text)), captures_(history.tracked_.size())
    {
        previous_ = setFileWatcher(this);
    }
    ~Recorder() override { stop(); }

    void stop()
    {
        if (!stopped_) {
            setFileWatcher(previous_);
            stopped_ = true;
        }
    }

    void opening(const QString& path) override
    {
        if (previous_)
            previous_->opening(path);
        const int i = history_.indexOf(path);
        if (i < 0)
            return;
        const std::lock_guard<std::mutex> lock(mutex_);
        start(i);
    }

    void writing(QFile& file, qint64 offset, qint64 length) override
    {
        if (previous_)
            previous_->writing(file, offset, length);
        const int i = history_.indexOf(file.fileName());
        if (i < 0)
            return;
        const std::lock_guard<std::mutex> lock(mutex_);
        start(i);
        Capture& c = captures_[std::size_t(i)];
        if (c.kind != kInPlace)
            return;
        // Only bytes the file had before the step matter: what lies beyond
        // its old length goes when the step is undone.
        const qint64 end = std::min({offset + length, c.sizeBefore, file.size()});
        if (offset >= end)
            return;
        try {
            QByteArray old(qsizetype(end - offset), Qt::Uninitialized);
            qint64 got = 0;
            if ((file.openMode() & QIODevice::ReadOnly) && file.flush()) {
                while (got < old.size()) {
                    const ssize_t n = ::pread(file.handle(), old.data() + got, size_t(old.size() - got),
                                              off_t(offset + got));
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n <= 0)
                        break;
                    got += n;
                }
            }
            if (got != old.size()) {
                QFile reader(file.fileName());
                openFile(reader, QIODevice::ReadOnly);
                old = readAt(reader, offset, end - offset);
            }
            c.ranges.add(offset, old.constData(), old.size());
        } catch (...) {
            broken_ = true;
            throw;
        }
    }

    void replacing(const QString& target) override
    {
        if (previous_)
            previous_->replacing(target);
        const int i = history_.indexOf(target);
        if (i < 0)
            return;
        const std::lock_guard<std::mutex> lock(mutex_);
        start(i);
        Capture& c = captures_[std::size_t(i)];
        if (c.kind != kInPlace)
            return;
        // The file is about to be replaced as a whole: what it held before
        // the step is kept as a file.
        try {
            c.image = history_.stepFile(-1, i, ".img");
            c.imagePresent = c.sizeBefore >= 0;
            if (c.imagePresent) {
                if (c.ranges.empty() && sizeOrAbsent(history_.tracked_[std::size_t(i)].path) == c.sizeBefore) {
                    keepWhole(history_.tracked_[std::size_t(i)].path, c.image);
                } else {
                    // Changed in place earlier in this step: a copy, with the
                    // changes taken back.
                    removeFile(c.image);
                    copyThroughWorkFile(history_.tracked_[std::size_t(i)].path,
                                        c.image + QStringLiteral(".part"), c.image);
                    c.ranges.flush();
                    putRanges(c.image, c.ranges.path(), c.sizeBefore, true);
                }
            }
            removeFile(c.ranges.path());
            c.ranges = RangeWriter();
            c.kind = kWhole;
        } catch (...) {
            broken_ = true;
            throw;
        }
    }

    UndoHistory& history_;
    QString text_;
    std::vector<Capture> captures_;
    FileWatcher* previous_ = nullptr;
    std::mutex mutex_;
    bool broken_ = false;
    bool stopped_ = false;

private:
    void start(int i)
    {
        Capture& c = captures_[std::size_t(i)];
        if (c.kind != 0)
            return;
        Tracked& t = history_.tracked_[std::size_t(i)];
        c.before = identityOf(t.path);
        // Changed by something else since the history last saw it: older
        // steps of this file can no longer be undone.
        if (!t.known || !(c.before == t.identity))
            t.version = history_.freshVersion();
        t.known = true;
        t.identity = c.before;
        c.versionBefore = t.version;
        c.sizeBefore = c.before.exists ? c.before.size : -1;
        c.ranges = RangeWriter(history_.stepFile(-1, i, ".rng"));
        c.kind = kInPlace;
    }
};

// ---------------------------------------------------------------------------

UndoHistory::UndoHistory(QString workFolder, QStringList files)
    : folder_(std::move(workFolder)), files_(std::move(files))
{
    if (!folder_.endsWith(QLatin1Char('/')))
        folder_ += QLatin1Char('/');
    for (const QString& f : files_.mid(0, kMaxFiles)) {
        Tracked t;
        t.path = f;
        t.clean = QDir::cleanPath(QFileInfo(f).absoluteFilePath());
        tracked_.push_back(t);
    }
    removeWorkFolder(folder_);
    // A run killed while it put a copy in place left its work file.
    for (const Tracked& t : tracked_) {
        const QFileInfo info(t.path);
        const QString stem = info.fileName() + QLatin1Char('.');
        for (const QString& n : info.dir().entryList({stem + QStringLiteral("??????.undo")}, QDir::Files))
            QFile::remove(info.dir().filePath(n));
    }
    if (!QDir().mkpath(folder_))
        throw FileError(QStringLiteral("Cannot create ") + folder_, kPathFileAccess, folder_);
}

UndoHistory::~UndoHistory() { removeWorkFolder(folder_); }

QString UndoHistory::workFolderOf(const QString& dataFolder)
{
    return dataFolder + QStringLiteral("fnk_undo.wrk/");
}

QString UndoHistory::macroWorkFolderOf(const QString& dataFolder)
{
    return dataFolder + QStringLiteral("fnk_undo_macro.wrk/");
}

void UndoHistory::removeWorkFolder(const QString& workFolder)
{
    QDir dir(workFolder);
    if (dir.exists())
        dir.removeRecursively();
}

int UndoHistory::indexOf(const QString& path) const
{
    for (std::size_t i = 0; i < tracked_.size(); ++i)
        if (tracked_[i].path == path)
            return int(i);
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (std::size_t i = 0; i < tracked_.size(); ++i)
        if (tracked_[i].clean == clean)
            return int(i);
    return -1;
}

QString UndoHistory::stepFile(qint64 step, int file, const char* ending) const
{
    return folder_ + (step < 0 ? QStringLiteral("open") : QString::number(step))
        + QLatin1Char('-') + QString::number(file) + QLatin1String(ending);
}

QString UndoHistory::indexPath() const { return folder_ + QStringLiteral("steps.idx"); }

UndoHistory::Identity UndoHistory::identityOf(const QString& path)
{
    Identity id;
    struct stat st {};
    if (!statOf(path, st))
        return id;
    id.exists = true;
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    id.size = qint64(st.st_size);
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    quint64 h = 0xcbf29ce484222325ULL;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        if (id.size <= kSampleBlock * kSampleBlocks) {
            const QByteArray all = f.readAll();
            h = mix(h, all.constData(), all.size());
        } else {
            QByteArray block(qsizetype(kSampleBlock), Qt::Uninitialized);
            for (int i = 0; i < kSampleBlocks; ++i) {
                const qint64 at = (id.size - kSampleBlock) / (kSampleBlocks - 1) * i;
                const qint64 got = ::pread(f.handle(), block.data(), size_t(kSampleBlock), off_t(at));
                h = mix(h, block.constData(), std::max<qint64>(got, 0));
            }
        }
    }
    id.check = h;
    return id;
}

UndoHistory::StepRecord UndoHistory::readRecord(qint64 step) const
{
    QFile f(indexPath());
    openFile(f, QIODevice::ReadOnly);
    const QByteArray bytes = readAt(f, step * kRecordSize, kRecordSize);
    if (bytes.size() != kRecordSize)
        throw FileError(QStringLiteral("Cannot read ") + indexPath(), kDeviceIo, indexPath());
    return StepRecord::decode(bytes);
}

void UndoHistory::writeRecord(qint64 step, const StepRecord& record, bool append)
{
    QFile f(indexPath());
    openFile(f, QIODevice::ReadWrite);
    const QByteArray bytes = record.encode();
    if (append)
        writeAt(f, step * kRecordSize, bytes.constData(), kRecordSize);
    else
        restoreAt(f, step * kRecordSize, bytes.constData(), kRecordSize);
}

void UndoHistory::dropRedo()
{
    for (qint64 s = done_; s < count_; ++s)
        for (int i = 0; i < int(tracked_.size()); ++i)
            for (const char* ending : {".rng", ".img", ".new"})
                removeFile(stepFile(s, i, ending));
    if (count_ > done_) {
        QFile f(indexPath());
        if (f.exists())
            f.resize(done_ * kRecordSize);
    }
    count_ = done_;
}

void UndoHistory::refreshTexts()
{
    undoText_.clear();
    redoText_.clear();
    try {
        if (done_ > 0)
            undoText_ = readRecord(done_ - 1).text;
        if (done_ < count_)
            redoText_ = readRecord(done_).text;
    } catch (const FileError&) {
    }
}

UndoHistory::Step UndoHistory::begin(const QString& text)
{
    if (recording_)
        return Step(this, nullptr);
    recording_ = true;
    return Step(this, std::make_unique<Recorder>(*this, text));
}

void UndoHistory::finishStep(Recorder& r, bool keep)
{
    r.stop();
    recording_ = false;
    bool broken = r.broken_ || !keep;
    std::optional<FileError> failure;
    if (!broken) {
        try {
            for (auto& c : r.captures_)
                if (c.kind == kInPlace)
                    c.ranges.flush();
        } catch (const FileError& e) {
            broken = true;
            failure = e;
        }
    }

    // Which files the step changed.
    std::vector<int> changed;
    for (int i = 0; i < int(r.captures_.size()); ++i) {
        Recorder::Capture& c = r.captures_[std::size_t(i)];
        if (c.kind == 0)
            continue;
        const QString& path = tracked_[std::size_t(i)].path;
        const Identity now = identityOf(path);
        bool differs = false;
        if (c.kind == kWhole) {
            differs = now.exists != c.before.exists || now.inode != c.before.inode
                || now.device != c.before.device || now.size != c.before.size
                || now.modifiedNs != c.before.modifiedNs;
        } else if ((now.exists ? now.size : -1) != c.sizeBefore) {
            differs = true;
        } else if (!c.ranges.empty()) {
            differs = broken || c.ranges.bytes() > kCompareMax;
            // A byte's old value is the one its first write kept; the ranges
            // read last to first leave exactly those (a failed save that put
            // its bytes back kept them twice).
            std::map<qint64, char> old;
            try {
                RangeReader reader(c.ranges.path());
                qint64 offset = 0;
                QByteArrayView bytes;
                while (!differs && reader.next(offset, bytes))
                    for (qsizetype k = 0; k < bytes.size(); ++k)
                        old[offset + k] = bytes[k];
                QFile f(path);
                openFile(f, QIODevice::ReadOnly);
                for (auto it = old.begin(); !differs && it != old.end();) {
                    // Runs of neighbouring bytes are read at once.
                    auto end = it;
                    QByteArray want;
                    while (end != old.end() && end->first == it->first + want.size()) {
                        want.append(end->second);
                        ++end;
                    }
                    differs = readAt(f, it->first, want.size()) != want;
                    it = end;
                }
            } catch (const FileError&) {
                differs = true;
            }
        }
        Tracked& t = tracked_[std::size_t(i)];
        t.identity = now;
        if (differs)
            changed.push_back(i);
    }

    const auto dropOpenFiles = [&] {
        for (int i = 0; i < int(r.captures_.size()); ++i)
            for (const char* ending : {".rng", ".img", ".img.part"})
                removeFile(stepFile(-1, i, ending));
    };
    if (changed.empty()) {
        dropOpenFiles();
        return;
    }
    if (!broken) {
        try {
            dropRedo();
            StepRecord rec;
            rec.text = r.text_;
            for (const int i : changed) {
                const Recorder::Capture& c = r.captures_[std::size_t(i)];
                StepFile f;
                f.file = i;
                f.kind = c.kind;
                f.before = c.versionBefore;
                f.after = freshVersion();
                if (c.kind == kInPlace) {
                    f.size = c.sizeBefore;
                    if (QFileInfo::exists(c.ranges.path())
                        && ::rename(nameOf(c.ranges.path()).constData(),
                                    nameOf(stepFile(done_, i, ".rng")).constData())
                            != 0)
                        failErrno(QStringLiteral("Cannot rename ") + c.ranges.path(), c.ranges.path(), errno);
                } else {
                    f.size = c.imagePresent ? 1 : -1;
                    if (c.imagePresent
                        && ::rename(nameOf(c.image).constData(), nameOf(stepFile(done_, i, ".img")).constData())
                            != 0)
                        failErrno(QStringLiteral("Cannot rename ") + c.image, c.image, errno);
                }
                rec.files.push_back(f);
            }
            writeRecord(done_, rec, true);
            for (const StepFile& f : rec.files)
                tracked_[std::size_t(f.file)].version = f.after;
            ++done_;
            count_ = done_;
            dropOpenFiles();
            refreshTexts();
            return;
        } catch (const FileError& e) {
            failure = e;
            for (const int i : changed)
                for (const char* ending : {".rng", ".img"})
                    removeFile(stepFile(done_, i, ending));
        }
    }
    // The change cannot be undone: neither can what came before it in these
    // files, and what could be redone is gone.
    dropOpenFiles();
    dropRedo();
    for (const int i : changed)
        tracked_[std::size_t(i)].version = freshVersion();
    refreshTexts();
    if (failure)
        throw *failure;
}

QStringList UndoHistory::undo() { return canUndo() ? swap(true) : QStringList(); }

QStringList UndoHistory::redo() { return canRedo() ? swap(false) : QStringList(); }

QStringList UndoHistory::swap(bool undo)
{
    const qint64 step = undo ? done_ - 1 : done_;
    StepRecord rec = readRecord(step);
    const QString action = (undo ? QStringLiteral("Undo ") : QStringLiteral("Redo ")) + rec.text;

    // Every file must be as this history left it.
    for (const StepFile& f : rec.files) {
        const Tracked& t = tracked_[std::size_t(f.file)];
        if (!t.known || t.version != (undo ? f.after : f.before) || !(identityOf(t.path) == t.identity))
            throw UndoRefused(QStringLiteral("%1 is not possible: the file %2 has been changed by "
                                             "something else since. Nothing was changed.")
                                  .arg(action, QFileInfo(t.path).fileName()),
                              kPathFileAccess, t.path);
    }

    // What the files hold now is kept first, for the way back.
    struct Work {
        QString image;
        QString counter;
        qint64 counterSize = -1;  // in place: the file's length now; whole: 1 or -1
        bool applied = false;
        bool consumed = false;
    };
    std::vector<Work> work(rec.files.size());
    const auto dropCounters = [&] {
        for (const Work& w : work)
            removeFile(w.counter);
    };
    try {
        for (std::size_t k = 0; k < rec.files.size(); ++k) {
            const StepFile& f = rec.files[k];
            const QString& path = tracked_[std::size_t(f.file)].path;
            Work& w = work[k];
            w.counter = stepFile(step, f.file, ".new");
            if (f.kind == kInPlace) {
                w.image = stepFile(step, f.file, ".rng");
                w.counterSize = keepCounter(path, w.image, f.size, w.counter);
            } else {
                w.image = stepFile(step, f.file, ".img");
                w.counterSize = keepWhole(path, w.counter) ? 1 : -1;
            }
        }
    } catch (...) {
        dropCounters();
        throw;
    }

    // Then the kept state goes in, file by file; a failure takes back the
    // files done so far.
    std::size_t k = 0;
    try {
        for (; k < rec.files.size(); ++k) {
            const StepFile& f = rec.files[k];
            const QString& path = tracked_[std::size_t(f.file)].path;
            Work& w = work[k];
            if (f.kind == kInPlace)
                putRanges(path, w.image, f.size, true);
            else
                w.consumed = putWhole(path, w.image, f.size > 0);
            w.applied = true;
        }
    } catch (...) {
        for (std::size_t j = k + 1; j-- > 0;) {
            const StepFile& f = rec.files[j];
            const QString& path = tracked_[std::size_t(f.file)].path;
            Work& w = work[j];
            try {
                if (f.kind == kInPlace) {
                    putRanges(path, w.counter, w.counterSize, false);
                } else if (w.applied) {
                    if (w.consumed)
                        ::link(nameOf(path).constData(), nameOf(w.image).constData());
                    if (w.counterSize > 0)
                        putWhole(path, w.counter, true);
                    else
                        putWhole(path, QString(), false);
                }
            } catch (...) {
            }
        }
        dropCounters();
        for (const StepFile& f : rec.files)
            tracked_[std::size_t(f.file)].identity = identityOf(tracked_[std::size_t(f.file)].path);
        throw;
    }

    // The kept state of the step is now the other side.
    QStringList touched;
    for (std::size_t j = 0; j < rec.files.size(); ++j) {
        StepFile& f = rec.files[j];
        Work& w = work[j];
        Tracked& t = tracked_[std::size_t(f.file)];
        removeFile(w.image);
        if (QFileInfo::exists(w.counter))
            ::rename(nameOf(w.counter).constData(), nameOf(w.image).constData());
        f.size = w.counterSize;
        touched << t.path;
        t.version = undo ? f.before : f.after;
        t.identity = identityOf(t.path);
    }
    try {
        writeRecord(step, rec, false);
    } catch (const FileError&) {
        // The history can no longer tell what it holds: it starts again.
        done_ = 0;
        dropRedo();
        for (Tracked& t : tracked_)
            t.version = freshVersion();
        refreshTexts();
        return touched;
    }
    done_ += undo ? -1 : 1;
    refreshTexts();
    return touched;
}

// ---------------------------------------------------------------------------

UndoHistory::Step::Step(UndoHistory* history, std::unique_ptr<Recorder> recorder)
    : history_(history), recorder_(std::move(recorder))
{
}

UndoHistory::Step::Step(Step&& other) noexcept
    : history_(other.history_), recorder_(std::move(other.recorder_))
{
}

UndoHistory::Step::~Step()
{
    try {
        commit();
    } catch (...) {
    }
}

void UndoHistory::Step::setText(const QString& text)
{
    if (recorder_)
        recorder_->text_ = text;
}

bool UndoHistory::Step::commit()
{
    if (!recorder_)
        return false;
    const qint64 before = history_->done_;
    history_->finishStep(*recorder_, true);
    recorder_.reset();
    return history_->done_ == before + 1;
}

void UndoHistory::Step::abandon()
{
    if (!recorder_)
        return;
    history_->finishStep(*recorder_, false);
    recorder_.reset();
}

}  // namespace fnk::store
