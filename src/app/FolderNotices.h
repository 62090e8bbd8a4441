#pragma once

#include <QString>

namespace fnk::app {

// What the user is told, once per run, about a data folder found in a state
// the program works around.

// The folder holds a data set but cannot be written: it is open read-only.
// `settingsToo` when the settings file lives there as well.
void tellReadOnlyFolder(const QString& folder, bool settingsToo);

// The category file has a wrong length: its whole entries are used, and it
// is kept aside before it is next written over.  Says nothing for a whole
// file.
void tellDamagedCategoryFile(const QString& categoryFile);

}  // namespace fnk::app
