#include "notes/Notes.h"

#include "platform/Shell.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QFile>
#include <QFileInfo>

// The built-in help lives in this static library's resources.
static void initHelpResources() { Q_INIT_RESOURCE(help); }

namespace fnk::notes {

QString builtInHelp()
{
    initHelpResources();
    return QStringLiteral(":/help/fennick-help.html");
}

QString notesFileName(int fiscalYear)
{
    return QString::number(fiscalYear) + QStringLiteral("fnk.doc");
}

QString ensureNotesFile(const QString& dataFolder, int fiscalYear, const QDate& today)
{
    const QString name = notesFileName(fiscalYear);
    const QString path = dataFolder + name;
    if (QFileInfo(path).size() > 0)
        return path;
    const QStringList header = {
        QStringLiteral("New Fennick note file for fiscal year ") + QString::number(fiscalYear),
        QStringLiteral("Created ") + store::formatShortDate(today),
        QStringLiteral("Complete path and file name:"),
        path,
        QStringLiteral("This file *must* be saved with the extension '.doc' to work!"),
        QStringLiteral("Depending on your wordprocessor, you may have to force this"),
        QStringLiteral("with the Save As function..."),
    };
    QByteArray text;
    for (const QString& line : header)
        text += store::encode1252(line) + "\r\n";
    // Written whole through a work file: a half-written header never stands
    // under the document's name.
    store::replaceWholeFile(path + QStringLiteral(".tmp"), path, text);
    return path;
}

bool openNotes(const QString& dataFolder, const QString& fileName, const QString& editorProgram)
{
    const QString editor = editorProgram.trimmed();
    if (!editor.isEmpty())
        return platform::shell().startProgram(editor, {fileName}, dataFolder);
    return platform::shell().openDocument(dataFolder + fileName);
}

QString aboutText()
{
    return QStringLiteral("Fennick v.4.2 - August 18, 2002") + QStringLiteral("\n\n")
        + QStringLiteral("A Tovermill program for keeping a household's cashflow record.");
}

}  // namespace fnk::notes
