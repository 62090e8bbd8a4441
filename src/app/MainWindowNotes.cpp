// The main window's notes documents, help and About box.
#include "app/MainWindow.h"

#include "notes/Notes.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "store/FileIo.h"

#include <QDir>

namespace fnk::app {

void MainWindow::mu_NotesOpen()
{
    try {
        QDir::setCurrent(session_.dataFolder);
        const int year = session_.range.currentFiscalYear;
        notes::ensureNotesFile(session_.dataFolder, year, platform::clock().today());
        notes::openNotes(session_.dataFolder, notes::notesFileName(year),
                         session_.settings.editorProgram());
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

void MainWindow::mu_HelpContents() { help_.showContents(); }

void MainWindow::mu_HelpWeb()
{
    // One temporary folder for the program's run: a page shown from it must
    // outlast the command.
    static notes::WebLink link;
    try {
        link.visit(notes::webAddress());
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

void MainWindow::mu_HelpAbout()
{
    platform::messages().inform(QStringLiteral("Fennick"), notes::aboutText());
}

}  // namespace fnk::app
