#pragma once

#include <QString>

namespace fnk::platform {

// The program's common failure box, "Error - operation aborted".
void ErrorReport(const QString& errorName, int errorNumber);
QString errorReportText(const QString& errorName, int errorNumber);

}  // namespace fnk::platform
