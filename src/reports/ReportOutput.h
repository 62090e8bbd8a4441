#pragma once

#include <QString>

namespace fnk::reports {

// The three ways the report text "fnk_rep.tmp" of `dataFolder` (ending in its
// separator) leaves the program.  Each works on the file the last report
// build wrote.  A failure shows the error box; the hourglass is off again
// before it shows.

// Prints the report through platform::printer(): 10-point "Courier New"
// (landscape for a wide report), every page starting with three empty lines,
// every report line printed as a tab and the line.  A narrow report puts 55
// lines on its first page and 57 on each further one, a wide report 39 and
// 41; each page is a document of its own.  Without a printer the pages go to
// "fnk_rep.pdf" in `dataFolder`, and a message says so.
void mu_PrintReport(const QString& dataFolder, bool wideReport);

// Copies the report to a text file the user names, after confirming that an
// existing file is to be over-written.  The copy is written beside the file
// and then takes its name, so the file never holds half a report.
void mu_WriteText(const QString& dataFolder);

// Copies the report to "fnk_rep.doc" in `dataFolder` and opens that copy:
// with the editor program when one is set (started in `dataFolder` with the
// argument "fnk_rep.doc"), otherwise with the desktop's program for it.
void mu_EditReport(const QString& dataFolder, const QString& editorProgram);

}  // namespace fnk::reports
