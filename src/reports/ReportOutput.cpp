#include "reports/ReportOutput.h"

#include "platform/MessagePort.h"
#include "platform/Printing.h"
#include "platform/Shell.h"
#include "platform/WaitCursor.h"
#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace fnk::reports {

namespace {

const QString kReportFile = QStringLiteral("fnk_rep.tmp");

QString inFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QByteArray readReport(const QString& dataFolder)
{
    const QString path = inFolder(dataFolder, kReportFile);
    if (!QFileInfo::exists(path))
        throw store::FileError(QStringLiteral("File not found: ") + path, store::kFileNotFound,
                               path);
    QFile f(path);
    store::openFile(f, QIODevice::ReadOnly);
    QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw store::FileError(QStringLiteral("Cannot read ") + path, store::kDeviceIo, path);
    return all;
}

// The report's lines: each ends at a line feed, with the carriage return
// before it dropped; a last line without an end still counts.
QStringList reportLines(const QByteArray& text)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        qsizetype len = end - start;
        if (len > 0 && text.at(start + len - 1) == '\r')
            --len;
        lines.push_back(store::decode1252(text.constData() + start, std::size_t(len)));
        start = next;
    }
    return lines;
}

// Asks the user for a file name and, when the file already holds data,
// whether to over-write it.  Empty when the user stops.
QString chooseTextFile()
{
    platform::FileDialog dialog;
    dialog.kind = platform::FileDialog::Save;
    dialog.filter = QStringLiteral("Text files|*.txt");
    dialog.title = QStringLiteral("Provide a file name...");
    const QString fileName = platform::messages().file(dialog);
    if (fileName.isEmpty())
        return {};
    const QFileInfo existing(fileName);
    if (existing.exists() && existing.size() > 0) {
        const platform::Answer a = platform::messages().message(
            {QStringLiteral("Confirm file over-write"),
             fileName
                 + QStringLiteral(" already exists! If you continue, the file will be "
                                  "over-written. Proceed?"),
             platform::Icon::Exclamation, platform::Buttons::OkCancel, platform::Answer::Cancel});
        if (a != platform::Answer::Ok)
            return {};
    }
    return fileName;
}

constexpr int kPointSize = 10;
const QString kFontFamily = QStringLiteral("Courier New");

}  // namespace

void mu_PrintReport(const QString& dataFolder, bool wideReport)
{
    platform::LinePrinter& out = platform::printer();
    QString pdf;
    try {
        platform::WaitCursor busy;
        const QStringList lines = reportLines(readReport(dataFolder));
        const int pageEnd = wideReport ? 40 : 56;
        auto startPage = [&] {
            out.beginDocument(kFontFamily, kPointSize, wideReport);
            for (int i = 0; i < 3; ++i)
                out.printLine(QString());
        };

        out.beginRun(inFolder(dataFolder, QStringLiteral("fnk_rep.pdf")));
        // The three empty lines at the top count as two against the first page.
        int counter = 2;
        startPage();
        for (const QString& line : lines) {
            out.printLine(QLatin1Char('\t') + line);
            if (++counter > pageEnd) {
                out.endDocument();
                counter = 0;
                startPage();
            }
        }
        out.endDocument();
        pdf = out.endRun();
    } catch (const std::exception& e) {
        out.abortRun();
        platform::reportException(e);
        return;
    }
    if (!pdf.isEmpty())
        platform::messages().inform(
            QStringLiteral("Print Report"),
            QStringLiteral("No printer is set up on this computer, so the report has been "
                           "written to the file")
                + QStringLiteral("\n\n") + pdf);
}

void mu_WriteText(const QString& dataFolder)
{
    const QString fileName = chooseTextFile();
    if (fileName.isEmpty())
        return;
    try {
        platform::WaitCursor busy;
        store::saveWholeFile(fileName, readReport(dataFolder));
    } catch (const std::exception& e) {
        platform::reportException(e);
        return;
    }
    platform::messages().inform(QStringLiteral("Finished"),
                                QStringLiteral("This report been copied to the file\n\n")
                                    + fileName);
}

void mu_EditReport(const QString& dataFolder, const QString& editorProgram)
{
    const QString document = QStringLiteral("fnk_rep.doc");
    try {
        store::saveWholeFile(inFolder(dataFolder, document), readReport(dataFolder));
    } catch (const std::exception& e) {
        platform::reportException(e);
        return;
    }

    // A missing program is the desktop's state, not a fault: the user is
    // told what is missing and where the editor is set.
    const QString editor = editorProgram.trimmed();
    const bool handedOver = editor.isEmpty()
        ? platform::shell().openDocument(inFolder(dataFolder, document))
        : platform::shell().startProgram(editor, {document}, dataFolder);
    if (!handedOver)
        platform::tellNoProgramFor(inFolder(dataFolder, document), editor);
}

}  // namespace fnk::reports
