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
std::function<bool(const QString&)>& writeCheck()
{
    static std::function<bool(const QString&)> check;
    return check;
}
}  // namespace

bool canWriteIn(const QString& folder)
{
    if (writeCheck())
        return writeCheck()(folder);
    QTemporaryFile probe(withTrailingSlash(folder) + QStringLiteral("fnk-probe-XXXXXX"));
    return probe.open();
}

void testing::setWriteCheck(std::function<bool(const QString&)> check)
{
    writeCheck() = std::move(check);
}

bool isInstalledCopy(const QString& exeFolder)
{
    return QFileInfo::exists(withTrailingSlash(exeFolder)
                             + QStringLiteral("../share/applications/fennick.desktop"));
}

bool holdsDataSet(const QString& folder)
{
    const QString f = withTrailingSlash(folder);
    return QFileInfo::exists(f + QStringLiteral("fnk41.cfg"))
        || QFileInfo::exists(f + QStringLiteral("fennick.dat"));
}

QString programFolderFor(const QString& exeFolder)
{
    const QString own = withTrailingSlash(exeFolder);
    // A data set there stays the one in use even where it cannot be written:
    // it is opened read-only rather than left for an empty one elsewhere.
    if (!isInstalledCopy(own) && (canWriteIn(own) || holdsDataSet(own)))
        return own;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return withTrailingSlash(data);
}

QString programFolder() { return programFolderFor(QCoreApplication::applicationDirPath()); }

}  // namespace fnk::app
