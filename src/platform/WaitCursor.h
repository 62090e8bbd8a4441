#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace fnk::platform {

// Shows the hourglass (or another busy pointer) for its lifetime, so no way
// out of a command, a return or an exception, leaves it on.
class WaitCursor {
public:
    explicit WaitCursor(Qt::CursorShape shape = Qt::WaitCursor)
    {
        QGuiApplication::setOverrideCursor(QCursor(shape));
    }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace fnk::platform
