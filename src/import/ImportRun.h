#pragma once

#include "import/DelimitedText.h"
#include "import/ImportChecks.h"
#include "import/TextLines.h"

#include <QLocale>
#include <QString>

#include <functional>

namespace fnk::imports {

// The run of the import window without the window: every record the import
// file gives (see walkRecords) is appended to the record file through one
// store::RecordAppender, leaving out those `skip` holds when it is given.
// The records are on disk when it returns, also when it stops at a refused
// line: the records before that line stay.  `imported` is kept equal to the
// number of records of this run the record file holds, also when a
// store::FileError is thrown: the blocks written before a failed write stay,
// the failed block leaves nothing.  `step(line, imported)` runs after each
// line that gives a record, for the window's progress.
WalkEnd importRecords(const QString& importFile, const QString& recordFile, const Links& links,
                      bool skipHeader, const RecordKeys* skip, TextEncoding encoding,
                      qint64& imported,
                      const std::function<void(qint64 line, qint64 imported)>& step = {},
                      const QLocale& locale = QLocale());

}  // namespace fnk::imports
