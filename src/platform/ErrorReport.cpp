#include "platform/ErrorReport.h"

#include "platform/MessagePort.h"

#include <new>

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

void reportException(const std::exception& e, int otherNumber)
{
    if (const auto* f = dynamic_cast<const Failure*>(&e))
        ErrorReport(f->name(), f->number());
    else if (dynamic_cast<const std::overflow_error*>(&e))
        ErrorReport(QStringLiteral("Overflow"), kOverflow);
    else if (dynamic_cast<const std::bad_alloc*>(&e))
        ErrorReport(QStringLiteral("Out of memory"), kOutOfMemory);
    else
        ErrorReport(QString::fromLocal8Bit(e.what()), otherNumber);
}

void reportCurrentException(int otherNumber)
{
    try {
        throw;
    } catch (const std::exception& e) {
        reportException(e, otherNumber);
    } catch (...) {
        ErrorReport(QStringLiteral("Unknown error"), otherNumber);
    }
}

}  // namespace fnk::platform
