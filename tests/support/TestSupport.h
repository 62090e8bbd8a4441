#pragma once

#include "platform/Clock.h"
#include "platform/MessagePort.h"

#include <QLocale>
#include <QString>
#include <QTemporaryDir>

namespace fnk::testsupport {

// Pins the locale to en_US and "today" for one test case; a temporary
// folder stands for the program folder.
struct Fixture {
    Fixture();
    ~Fixture();
    QString folder() const;  // ends in "/"
    QString path(const QString& name) const { return folder() + name; }
    void clockToday(const QDate& d) { platform::clock().setToday(d); }

    QTemporaryDir dir;
    platform::ScriptedMessagePort port;
    platform::ScopedMessagePort portGuard{&port};
};

void pinLocale();
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

}  // namespace fnk::testsupport
