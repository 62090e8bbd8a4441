#pragma once

#include <QDate>
#include <QString>

namespace fnk::notes {

// The notes document of one fiscal year in one data folder, e.g. "2002fnk.doc".
QString notesFileName(int fiscalYear);

// Makes sure the document exists; a new one gets its seven header lines.  An
// existing document is never changed.  Returns its full path.  Throws
// store::FileError.
QString ensureNotesFile(const QString& dataFolder, int fiscalYear, const QDate& today);

// Opens the notes document: with the editor program when one is set,
// otherwise with the program the desktop associates with it.  Returns false
// when the request could not be handed over.
bool openNotes(const QString& dataFolder, const QString& fileName, const QString& editorProgram);

// The help built into the program, shown when the help file is missing.
QString builtInHelp();

// The About box text.
QString aboutText();

}  // namespace fnk::notes
