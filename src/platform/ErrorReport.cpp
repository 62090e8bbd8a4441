#include "platform/ErrorReport.h"

#include "platform/MessagePort.h"

namespace fnk::platform {

QString errorReportText(const QString& errorName, int errorNumber)
{
    const QString sep = QStringLiteral("\n\n");
    return QStringLiteral("An error has occurred, and this operation has been aborted...") + sep
        + QStringLiteral("Error name: ") + errorName + sep
        + QStringLiteral("Error number: ") + QString::number(errorNumber) + sep
        + QStringLiteral("Please make a note of the error name and number, and which process you "
                         "are having trouble with.")
        + sep
        + QStringLiteral("In the event you are unable to solve the problem yourself, this "
                         "information will make it much more likely that Tovermill tech support "
                         "will be able to help in a timely manner. Thanks, and sorry you are "
                         "having trouble!");
}

void ErrorReport(const QString& errorName, int errorNumber)
{
    messages().message({QStringLiteral("Error - operation aborted"),
                        errorReportText(errorName, errorNumber), Icon::Critical, Buttons::Ok,
                        Answer::Ok});
}

}  // namespace fnk::platform
