#include "support/TestSupport.h"

#include "store/FileIo.h"

#include <QFile>

namespace fnk::testsupport {

void pinLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

Fixture::Fixture()
{
    pinLocale();
    platform::clock().setToday(QDate(2026, 12, 7));
    store::testing::reset();
}

Fixture::~Fixture()
{
    platform::clock().useSystemDate();
    store::testing::reset();
}

QString Fixture::folder() const { return dir.path() + QLatin1Char('/'); }

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

}  // namespace fnk::testsupport
