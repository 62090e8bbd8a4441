#pragma once

#include "store/FileIo.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace fnk::store {

// Undo or redo was not done because a file it would put back is no longer as
// this program left it (another program changed it, a copy was put in its
// place).  Nothing was changed.
class UndoRefused : public FileError {
public:
    using FileError::FileError;
};

// The undo and redo history of a few files (the data set of a folder, or a
// macro file in macro edit), for one run.
//
// A command runs inside a step:
//     auto step = history.begin(QStringLiteral("Delete Record"));
//     ...the command...
//     step.commit();
// While the step is open, the file layer reports every change before it is
// made (see FileWatcher), and the step keeps what the change replaces:
// the old bytes of a range written in place, the old length of a file
// appended to, and the old file itself (a hard link, or a copy where links
// are not possible) when a file is replaced as a whole.  So a command cannot
// forget to be undoable.
//
// All of it is kept on disk in a work folder of its own; memory holds only
// the few tracked files' states and the texts of the next undo and redo, at
// any depth.  Undo puts back exactly the bytes the files had before the
// command, redo those it left; each also keeps the bytes it replaces, so
// undo and redo can alternate without end.  Whole files are put back by one
// rename (or a copy through a work file and one rename, where the kept file
// has another name too, as after a purge, whose old file is also the internal
// backup), ranges in place with the old bytes put back when a write fails;
// the files are flushed to disk.  Undo and redo check first that every file
// they touch is as the history last left it (its size, time and a sample of
// its content); if not, they refuse with UndoRefused and change nothing.
class UndoHistory {
public:
    // Keeps the history of `files` (full paths, at most 8) in `workFolder`,
    // which is made anew: whatever a killed run left there goes first, and
    // so do the work files of copies it was putting in place.  The folder is
    // removed when the history goes.  One history at a time for a folder.
    UndoHistory(QString workFolder, QStringList files);
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // The work folders of a data folder ("fnk_undo.wrk" and, for the macro
    // file of macro edit, "fnk_undo_macro.wrk"), with a trailing "/".
    static QString workFolderOf(const QString& dataFolder);
    static QString macroWorkFolderOf(const QString& dataFolder);
    // Removes a work folder a killed run left behind.
    static void removeWorkFolder(const QString& workFolder);

    class Recorder;
    // One command's changes.  The destructor does what commit() does, so a
    // command that fails part way (an import that kept its first blocks)
    // can still be undone; errors there are swallowed.
    class Step {
    public:
        Step(Step&& other) noexcept;
        Step& operator=(Step&&) = delete;
        ~Step();
        // The user's name of the command, as changed by what it did
        // ("Import of 212 Records").
        void setText(const QString& text);
        // Records the step if it changed any file (then what could be redone
        // is dropped).  Returns whether it was recorded.  A step whose
        // changes could not be kept (a full disk) is not recorded, and the
        // older steps of the files it changed can no longer be undone; when
        // that is found here, the FileError goes on to the caller (the
        // command's changes stay).
        bool commit();
        // Records nothing.  The older steps of the files it changed can no
        // longer be undone.
        void abandon();

    private:
        friend class UndoHistory;
        Step(UndoHistory* history, std::unique_ptr<Recorder> recorder);
        UndoHistory* history_ = nullptr;
        std::unique_ptr<Recorder> recorder_;
    };

    // Opens a step.  Inside an open step this gives an empty one, so that a
    // command made of others is one step.  A step ends before its history.
    [[nodiscard]] Step begin(const QString& text);
    bool recording() const { return recording_; }

    bool canUndo() const { return done_ > 0 && !recording_; }
    bool canRedo() const { return done_ < count_ && !recording_; }
    QString undoText() const { return undoText_; }  // the step's text, "" when none
    QString redoText() const { return redoText_; }
    qint64 undoCount() const { return done_; }
    qint64 redoCount() const { return count_ - done_; }

    // Undo the last step done, or redo the last undone; each returns the
    // files it put back (so that a caller knows when the record file was
    // replaced or renumbered).  Throw UndoRefused when a file is not as this
    // history left it, FileError when the disk fails; either way the files
    // are as they were.
    QStringList undo();
    QStringList redo();

    const QString& workFolder() const { return folder_; }
    const QStringList& files() const { return files_; }

    // A file's state as last seen by the history.
    struct Identity {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        quint64 check = 0;  // of a sample of the content
        bool operator==(const Identity&) const = default;
    };
    static Identity identityOf(const QString& path);

private:
    struct Tracked {
        QString path;
        QString clean;
        quint64 version = 0;
        bool known = false;
        Identity identity;
    };
    struct StepFile;
    struct StepRecord;

    int indexOf(const QString& path) const;
    quint64 freshVersion() { return ++lastVersion_; }
    QString stepFile(qint64 step, int file, const char* ending) const;
    QString indexPath() const;
    StepRecord readRecord(qint64 step) const;
    void writeRecord(qint64 step, const StepRecord& record, bool append);
    void dropRedo();
    void refreshTexts();
    QStringList swap(bool undo);
    void finishStep(Recorder& recorder, bool keep);

    QString folder_;
    QStringList files_;
    std::vector<Tracked> tracked_;
    qint64 count_ = 0;  // steps in the index
    qint64 done_ = 0;   // of those, the ones in force
    quint64 lastVersion_ = 0;
    bool recording_ = false;
    QString undoText_;
    QString redoText_;
};

}  // namespace fnk::store
