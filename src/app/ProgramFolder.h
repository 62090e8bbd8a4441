#pragma once

#include <QString>

namespace fnk::app {

// The program folder: the executable's folder, or the per-user application
// data folder (~/.local/share/Fennick/Fennick) when the executable's folder
// cannot be written or the program is an installed copy.  An installed copy
// is one whose desktop entry stands beside it in ../share/applications: its
// bin folder belongs to the system even where the user (root) may write it.
// Always ends in "/".
QString programFolder();
QString programFolderFor(const QString& exeFolder);
bool isInstalledCopy(const QString& exeFolder);
QString withTrailingSlash(const QString& folder);

}  // namespace fnk::app
