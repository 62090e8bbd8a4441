#include "store/InternalBackup.h"

#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/LedgerRecord.h"
#include "store/RecordFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace fnk::store {

namespace {


QString summaryText(const QString& lead, const QString& dataFolder, const FileSummary& s)
{
    return lead + dataFolder + QStringLiteral(" data file contains ") + QString::number(s.records)
        + QStringLiteral(" records, ") + QString::number(s.marked)
        + QStringLiteral(" of which are marked for deletion. The file was last modified ")
        + generalDateTime(s.lastModified);
}

// The locale's long time pattern without its time-zone name.
QString timeWithSeconds(const QLocale& locale)
{
    const QString long_ = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : long_) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

QString workPathBeside(const QString& target)
{
    return target + QStringLiteral(".tmp");
}

}  // namespace

QString backupPath(const QString& dataFolder) { return dataFolder + QStringLiteral("fennick.bak"); }

FileSummary summarize(const QString& path)
{
    touchFile(path);
    FileSummary s;
    RecordFile(path).forEachRaw([&s](const char* rec, qint64) {
        ++s.records;
        if (rawDeleted(rec))
            ++s.marked;
    });
    s.lastModified = QFileInfo(path).lastModified();
    return s;
}

QString currentSummaryText(const QString& dataFolder, const FileSummary& summary)
{
    return summaryText(QStringLiteral("Your current "), dataFolder, summary);
}

QString backupSummaryText(const QString& dataFolder, const FileSummary& summary)
{
    return summaryText(QStringLiteral("Your backup "), dataFolder, summary);
}

QString generalDateTime(const QDateTime& when)
{
    const QLocale locale;
    if (!when.isValid())
        return {};
    if (when.time() == QTime(0, 0))
        return formatShortDate(when.date(), locale);
    return locale.toString(when, shortDatePattern(locale) + QLatin1Char(' ')
                                     + timeWithSeconds(locale));
}

void copyWholeFile(const QString& source, const QString& workPath, const QString& target)
{
    touchFile(source);  // a missing record file copies as an empty one
    copyThroughWorkFile(source, workPath, target);
}

void createBackup(const QString& recordFile, const QString& dataFolder)
{
    const QString target = backupPath(dataFolder);
    copyWholeFile(recordFile, workPathBeside(target), target);
}

void restoreBackup(const QString& recordFile, const QString& dataFolder)
{
    copyWholeFile(backupPath(dataFolder), workPathBeside(recordFile), recordFile);
}

}  // namespace fnk::store
