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

bool isInstalledCopy(const QString& exeFolder)
{
    return QFileInfo::exists(withTrailingSlash(exeFolder)
                             + QStringLiteral("../share/applications/fennick.desktop"));
}

QString programFolderFor(const QString& exeFolder)
{
    const QString own = withTrailingSlash(exeFolder);
    if (!isInstalledCopy(own) && writable(own))
        return own;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return withTrailingSlash(data);
}

QString programFolder() { return programFolderFor(QCoreApplication::applicationDirPath()); }

}  // namespace fnk::app
