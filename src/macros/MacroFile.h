#pragma once

#include <QDate>
#include <QString>

#include <functional>

namespace fnk::macros {

// A macro file is a record file of ready-made entries.  It is well formed
// when its length is a whole number of 125-byte records.
enum class MacroCheck { Good, Empty, Damaged };
MacroCheck checkMacroFile(const QString& path);  // a missing file is created empty

// Appends every record of the macro, in order, to the record file, each with
// `date`; deletion marks and all other fields are kept.  Returns how many
// were appended.  The records are written in blocks and are on disk when it
// returns; `progress` hears of each block written.  Throws store::FileError;
// the blocks written before a failed one stay, and no part of the failed
// block does.
qint64 playMacro(const QString& macroPath, const QString& recordFile, const QDate& date,
                 const std::function<void(qint64 done, qint64 total)>& progress = {});

}  // namespace fnk::macros
