#pragma once

#include <QString>

#include <functional>

namespace fnk::app {

// The program folder: the executable's folder, or the per-user application
// data folder (~/.local/share/Fennick/Fennick) when the program is an
// installed copy, or when the executable's folder cannot be written and holds
// no data set (no fnk41.cfg, no fennick.dat): a data set in a folder that
// cannot be written is opened read-only, never replaced by an empty one.  An
// installed copy is one whose desktop entry stands beside it in
// ../share/applications: its bin folder belongs to the system even where the
// user (root) may write it.  Always ends in "/".
QString programFolder();
QString programFolderFor(const QString& exeFolder);
bool isInstalledCopy(const QString& exeFolder);
// Whether `folder` holds the settings file or the ledger of a data set.
bool holdsDataSet(const QString& folder);
QString withTrailingSlash(const QString& folder);

// Whether a file can be made in `folder`, found by making one: permission
// bits tell nothing on a read-only mount, or to root.
bool canWriteIn(const QString& folder);

namespace testing {
// Puts `check` in the place of canWriteIn's real try; nullptr restores it.
// For tests run as root, whom a folder made read-only does not stop.
void setWriteCheck(std::function<bool(const QString& folder)> check);
}  // namespace testing

}  // namespace fnk::app
