#include "notes/Notes.h"

#include "platform/MessagePort.h"
#include "platform/Shell.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

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
    const bool handedOver = editor.isEmpty()
        ? platform::shell().openDocument(dataFolder + fileName)
        : platform::shell().startProgram(editor, {fileName}, dataFolder);
    if (!handedOver)
        platform::tellNoProgramFor(dataFolder + fileName, editor);
    return handedOver;
}

QString aboutText()
{
    return QStringLiteral("Fennick v.4.2 - August 18, 2002") + QStringLiteral("\n\n")
        + QStringLiteral("A Tovermill program for keeping a household's cashflow record.");
}

QString webAddress()
{
#ifdef FENNICK_WEB_ADDRESS
    return QStringLiteral(FENNICK_WEB_ADDRESS).trimmed();
#else
    return {};
#endif
}

QByteArray aboutPage()
{
    QFile help(builtInHelp());
    QString body;
    if (help.open(QIODevice::ReadOnly)) {
        body = QString::fromUtf8(help.readAll());
        const qsizetype open = body.indexOf(QLatin1String("<body>"), 0, Qt::CaseInsensitive);
        const qsizetype close = body.lastIndexOf(QLatin1String("</body>"), -1, Qt::CaseInsensitive);
        if (open >= 0 && close > open)
            body = body.mid(open + 6, close - open - 6);
    }
    QString about = aboutText().toHtmlEscaped();
    about.replace(QLatin1Char('\n'), QLatin1String("<br>\n"));
    const QString page = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                                        "<title>Fennick</title></head><body>\n<p>")
        + about + QStringLiteral("</p>\n<hr>\n") + body + QStringLiteral("\n</body></html>\n");
    return page.toUtf8();
}

QString WebLink::documentPath() const { return dir_.filePath(QStringLiteral("junk.HTM")); }

void WebLink::visit(const QString& address)
{
    auto& port = platform::messages();
    const QString document = documentPath();
    if (!dir_.isValid())
        throw store::FileError(QStringLiteral("Cannot make a temporary folder for ") + document,
                               store::kPathNotFound, document);
    const bool documentIsPage = address.trimmed().isEmpty();
    // Without an address the document is the page; otherwise it only serves
    // to find the browser, as a placeholder written like a delimited value.
    store::replaceWholeFile(document + QStringLiteral(".tmp"), document,
                            documentIsPage ? aboutPage() : QByteArray("\"<HTML> <\\HTML>\"\r\n"));
    bool shown = false;
    const QString browser = platform::shell().programFor(document);
    if (browser.isEmpty()) {
        port.inform(QStringLiteral("Browser Not Found"), QStringLiteral("Could not find your Browser"),
                    platform::Icon::Exclamation);
    } else {
        const QString target =
            documentIsPage ? QUrl::fromLocalFile(document).toString() : address.trimmed();
        shown = platform::shell().startProgram(browser, {target}, dir_.path());
        if (!shown)
            port.inform(QStringLiteral("URL Failed"), QStringLiteral("Web Page not Opened"),
                        platform::Icon::Exclamation);
    }
    if (!(documentIsPage && shown))
        QFile::remove(document);
}

}  // namespace fnk::notes
