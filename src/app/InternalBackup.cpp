#include "app/InternalBackup.h"

#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "store/FileIo.h"
#include "store/InternalBackup.h"

namespace fnk::app {

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

constexpr QLatin1String kTwoBreaks("\n\n");

QString bothSummaries(const QString& recordFile, const QString& dataFolder,
                      store::FileSummary* backup)
{
    const store::FileSummary current = store::summarize(recordFile);
    *backup = store::summarize(store::backupPath(dataFolder));
    return store::currentSummaryText(dataFolder, current) + kTwoBreaks
        + store::backupSummaryText(dataFolder, *backup) + kTwoBreaks;
}

}  // namespace

bool mu_CreateBackup(const QString& recordFile, const QString& dataFolder)
{
    try {
        store::FileSummary backup;
        const QString summaries = bothSummaries(recordFile, dataFolder, &backup);
        if (backup.records != 0
            && !platform::messages().askYesNo(
                QStringLiteral("Create backup data file?"),
                summaries
                    + QStringLiteral(
                        "Do you wish to replace the existing backup file with the current data? "
                        "If you answer yes, you will be able to restore your current data in the "
                        "event you are displeased with an import operation. Note, however, that "
                        "this will over-write the existing backup set!"),
                Icon::Question))
            return false;
        store::createBackup(recordFile, dataFolder);
    } catch (const store::FileError& e) {
        platform::reportException(e);
        return false;
    }
    platform::messages().inform(QStringLiteral("Finished"), QStringLiteral("New backup file created!"));
    return true;
}

bool mu_RestoreBackup(const QString& recordFile, const QString& dataFolder)
{
    try {
        store::FileSummary backup;
        const QString summaries = bothSummaries(recordFile, dataFolder, &backup);
        if (backup.records == 0) {
            platform::messages().message(
                {QStringLiteral("Nothing to do!"),
                 QStringLiteral("Your backup data file for ") + dataFolder
                     + QStringLiteral("\ndoes not contain any records!"),
                 Icon::Exclamation, Buttons::Ok, Answer::Ok});
            return true;
        }
        if (!platform::messages().askYesNo(
                QStringLiteral("Confirm"),
                summaries + QStringLiteral("Do you wish to replace the current set with the backup?"),
                Icon::Question))
            return true;
        store::restoreBackup(recordFile, dataFolder);
    } catch (const store::FileError& e) {
        platform::reportException(e);
        return false;
    }
    platform::messages().inform(QStringLiteral("Finished"), QStringLiteral("Previous data restored!"));
    return true;
}

}  // namespace fnk::app
