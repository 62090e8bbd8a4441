#pragma once

#include <QString>

namespace fnk::app {

// The program folder: the executable's folder, or the per-user application
// data folder when the executable's folder cannot be written.  Always ends in "/".
QString programFolder();
QString withTrailingSlash(const QString& folder);

}  // namespace fnk::app
