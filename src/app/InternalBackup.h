#pragma once

#include <QString>

namespace fnk::app {

// "Create Internal Backup File": copies the record file to the data folder's
// "fennick.bak".  When the backup already holds records the user is shown
// what both files hold and asked first.  Returns true when a new backup was
// written; false when the user declined or a file failure was reported (the
// old backup is then left as it was).  The import calls it too.
bool mu_CreateBackup(const QString& recordFile, const QString& dataFolder);

// "Restore Internal Backup File": puts a copy of "fennick.bak" in place of
// the record file after the user has seen both summaries and said Yes; the
// backup itself stays as it is, so it can be restored again.
//
// Returns true when the caller must now show all categories (clearing the
// category filter and the search and rebuilding the list).  That is every
// way the command ends normally: after a restore, after No, and after the
// message that the backup holds no records.  It returns false only when a
// file failure aborted the command with the error box; the record file is
// then unchanged and the view is left as it was.
//
// The command runs to its end before it returns, so there is nothing for
// the caller to wait for.
bool mu_RestoreBackup(const QString& recordFile, const QString& dataFolder);

}  // namespace fnk::app
