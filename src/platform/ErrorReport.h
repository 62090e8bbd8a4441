#pragma once

#include <QString>

#include <exception>
#include <stdexcept>

namespace fnk::platform {

// The program's common failure box, "Error - operation aborted".
void ErrorReport(const QString& errorName, int errorNumber);
QString errorReportText(const QString& errorName, int errorNumber);

// A failure that carries the name and number the error box shows: a file's
// (store::FileError) or the printer's (PrintError).
class Failure : public std::runtime_error {
public:
    Failure(const QString& name, int number)
        : std::runtime_error(name.toStdString()), name_(name), number_(number)
    {
    }
    const QString& name() const { return name_; }
    int number() const { return number_; }

private:
    QString name_;
    int number_;
};

// Error numbers for failures that are not a file's or the printer's.
constexpr int kOverflow = 6;
constexpr int kOutOfMemory = 7;
constexpr int kUnexpected = 51;

// The one way from an exception to the error box: a Failure shows its own
// name and number, an overflow and a lack of memory theirs, and anything
// else its text with `otherNumber`.
void reportException(const std::exception& e, int otherNumber = kUnexpected);
// The same for the exception being handled (inside a catch block).
void reportCurrentException(int otherNumber = kUnexpected);

}  // namespace fnk::platform
