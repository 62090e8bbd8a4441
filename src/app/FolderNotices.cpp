#include "app/FolderNotices.h"

#include "platform/MessagePort.h"
#include "store/CategoryFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

namespace fnk::app {

namespace {

// Whether `key` is new to this run; remembers it.
bool firstTime(const QString& kind, const QString& path)
{
    static QSet<QString> told;
    const QString key = kind + QLatin1Char('|') + QFileInfo(path).absoluteFilePath();
    if (told.contains(key))
        return false;
    told.insert(key);
    return true;
}

}  // namespace

void tellReadOnlyFolder(const QString& folder, bool settingsToo)
{
    if (!firstTime(QStringLiteral("read-only"), folder))
        return;
    QString text = QStringLiteral("The data folder %1 cannot be written: it is read-only, or you "
                                  "may not write there.\n\nIts ledger is open read-only: you can "
                                  "look through it, search it and make reports, but every command "
                                  "that writes is turned off.")
                       .arg(QDir::toNativeSeparators(folder));
    if (settingsToo)
        text += QStringLiteral(" The program's settings are kept in this folder as well, so "
                               "settings changed in this run cannot be saved.");
    text += QStringLiteral("\n\nTo change the ledger, make the folder writable (or copy it to one "
                           "that is) and open it again.");
    platform::messages().message({QStringLiteral("Data Folder Read-Only"), text,
                                  platform::Icon::Exclamation, platform::Buttons::Ok,
                                  platform::Answer::Ok});
}

void tellDamagedCategoryFile(const QString& categoryFile)
{
    const store::CategoryFile file(categoryFile);
    const qint64 stray = file.strayBytes();
    if (stray == 0 || !firstTime(QStringLiteral("categories"), categoryFile))
        return;
    const QLocale locale;
    const qint64 size = QFileInfo(categoryFile).size();
    const qint64 entries = size / qint64(store::CategoryEntry::kSize);
    const QString text =
        QStringLiteral("The category file %1 is damaged: it holds %2 bytes, which is not a whole "
                       "number of categories of %3 bytes each.\n\nThe %4 whole categories in it "
                       "are used; the last %5 bytes are not. Before the file is next written, the "
                       "damaged file is kept as %6, so nothing in it is lost.")
            .arg(QDir::toNativeSeparators(categoryFile), locale.toString(size),
                 locale.toString(qint64(store::CategoryEntry::kSize)), locale.toString(entries),
                 locale.toString(stray), QDir::toNativeSeparators(file.damagedPath()));
    platform::messages().message({QStringLiteral("Category File Damaged"), text,
                                  platform::Icon::Exclamation, platform::Buttons::Ok,
                                  platform::Answer::Ok});
}

}  // namespace fnk::app
