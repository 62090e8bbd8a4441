#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

namespace fnk::crash {

// How the files of a command change while it runs, which decides what a
// crash may leave behind.
enum class Kind {
    Append,   // records (or pick-list lines) added one save at a time
    InPlace,  // records overwritten one at a time, the file keeps its length
    Whole,    // files replaced as a whole, each in one step
    Undo,     // a command, then its undo (and redo): each record, line or
              // file as one of the states passed through
};

struct Command {
    const char* name;
    Kind kind;
    QString file;  // the file an Append or InPlace command writes ("" for Whole)
};

// Every command the crash and disk-fault tests cover.
const QList<Command>& commands();
const Command* findCommand(const QString& name);

// Sizes of the prepared data.  The crash trials use the large ones so that a
// kill lands inside the work; the disk-fault runs, which repeat a command
// once per write call, use small ones.
struct Sizes {
    int ledger = 20000;  // records in fennick.dat
    int saves = 80;      // saves of a record or pick-list command
    int importLines = 1500;
    int macroRecords = 400;
};

// Fills `folder` (ending in "/") with a data set, a settings file, an
// internal backup, a macro file, an import file and a backup folder
// "stick/" holding an older data set.
void prepare(const QString& folder, const Sizes& sizes);

// Runs command `name` on `folder`.  `saved(k)` is called after the k-th
// record or pick-list save has returned; `step()` is called between the
// whole-file steps of a command made of several.  Throws store::FileError.
void run(const QString& name, const QString& folder, const Sizes& sizes,
         const std::function<void(int)>& saved = {}, const std::function<void()>& step = {});

// Every regular file under `folder`, by path relative to it, with content.
QMap<QString, QByteArray> snapshot(const QString& folder);
// Names of work files a finished command must not leave behind (the undo
// history's work folder among them).
QStringList workFiles(const QMap<QString, QByteArray>& files);

// Whether `now` is made of the states a file passed through: one of them
// whole, or each of its records (125 bytes) the same record of one of them,
// a last partial record included.  The files a command and its undo changed
// are so after a kill or a failed write.
bool madeOfStates(const QList<QByteArray>& states, const QByteArray& now);

}  // namespace fnk::crash
