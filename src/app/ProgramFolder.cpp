#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace fnk::app {

QString withTrailingSlash(const QString& folder)
{
    QString f = folder.trimmed();
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

namespace {
bool writable(const QString& folder)
{
    QTemporaryFile probe(folder + QStringLiteral("fnk-probe-XXXXXX"));
    return probe.open();
}
}  // namespace

QString programFolder()
{
    const QString exeFolder = withTrailingSlash(QCoreApplication::applicationDirPath());
    if (writable(exeFolder))
        return exeFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return withTrailingSlash(data);
}

}  // namespace fnk::app
