#pragma once

#include <QDate>
#include <QString>
#include <QTemporaryDir>

namespace fnk::notes {

// The notes document of one fiscal year in one data folder, e.g. "2002fnk.doc".
QString notesFileName(int fiscalYear);

// Makes sure the document exists; a new one gets its seven header lines.  An
// existing document is never changed.  Returns its full path.  Throws
// store::FileError.
QString ensureNotesFile(const QString& dataFolder, int fiscalYear, const QDate& today);

// Opens the notes document: with the editor program when one is set,
// otherwise with the program the desktop associates with it.  When no
// program takes it, the user is told so in a plain message (and where the
// editor is set) and false is returned.
bool openNotes(const QString& dataFolder, const QString& fileName, const QString& editorProgram);

// The help built into the program, shown when the help file is missing.
QString builtInHelp();

// The About box text.
QString aboutText();

// The maker's web page, as the build sets it; empty when none is set.
QString webAddress();

// The page shown when no web address is set: the About text and the help
// contents, as one HTML document.
QByteArray aboutPage();

// The web link.  Its document "junk.HTM" lives in a temporary folder of its
// own, which goes with this object.
class WebLink {
public:
    // Writes the document, asks the shell for the program that opens it (the
    // browser) and has that program open `address`; an empty address opens
    // the document itself, which then holds aboutPage().  "Browser Not Found"
    // or "URL Failed" says which step failed.  The document is removed
    // unless it is the page being shown.  Throws store::FileError when the
    // document cannot be written.
    void visit(const QString& address);
    QString documentPath() const;

private:
    QTemporaryDir dir_;
};

}  // namespace fnk::notes
