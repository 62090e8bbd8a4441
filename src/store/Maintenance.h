#pragma once

#include <QString>

namespace fnk::store {

// Whole-file upkeep of a record file.  The questions and messages around them
// belong to the commands that call these.

// Rewrites the record file without the records marked deleted, renumbered
// 1, 2, 3 ... in their old order.  The complete new file is written to a work
// file beside the record file first ("temp.dat" when the record file is in
// `dataFolder`, a name of its own elsewhere, as for a macro on another file
// system); the old file is kept as `dataFolder` + "fennick.bak"; then the
// new file takes the record file's name in one step.  When that last step
// fails, the record file is as it was and "fennick.bak" is a copy of it of
// its own (or gone), never a second name of the live file.  Returns the
// number of records removed.
qint64 PurgeDeletedRecs(const QString& recordFile, const QString& dataFolder);

// Removes the work file "temp.dat" that a purge killed while it wrote left
// in `dataFolder`, once the ledger itself is there.  (A purge of a macro
// elsewhere removes its own leftovers beside the macro when it next runs.)
void removePurgeLeftovers(const QString& dataFolder);

// Clears every deletion mark in place.  Returns the number restored.
qint64 RestoreDeletedRecords(const QString& recordFile);

}  // namespace fnk::store
