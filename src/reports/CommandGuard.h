#pragma once

// What the output and export commands share: the hourglass while they work
// and one way of turning a failure into the program's error box.

#include "platform/ErrorReport.h"
#include "platform/Printing.h"
#include "store/FileIo.h"

#include <QCursor>
#include <QGuiApplication>

#include <exception>
#include <new>
#include <stdexcept>

namespace fnk::reports::detail {

// Shows the hourglass for its lifetime, so no way out of a command leaves it on.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Error numbers for failures that are not a file's or the printer's.
constexpr int kOverflow = 6;
constexpr int kOutOfMemory = 7;
constexpr int kUnexpected = 51;

inline void reportFailure(const std::exception& e)
{
    if (const auto* f = dynamic_cast<const store::FileError*>(&e))
        platform::ErrorReport(f->name(), f->number());
    else if (const auto* p = dynamic_cast<const platform::PrintError*>(&e))
        platform::ErrorReport(p->name(), p->number());
    else if (dynamic_cast<const std::overflow_error*>(&e))
        platform::ErrorReport(QStringLiteral("Overflow"), kOverflow);
    else if (dynamic_cast<const std::bad_alloc*>(&e))
        platform::ErrorReport(QStringLiteral("Out of memory"), kOutOfMemory);
    else
        platform::ErrorReport(QString::fromLocal8Bit(e.what()), kUnexpected);
}

}  // namespace fnk::reports::detail
