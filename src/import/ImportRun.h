#pragma once

#include "import/DelimitedText.h"
#include "import/ImportChecks.h"
#include "import/TextLines.h"
#include "import/Statement.h"
#include "import/StatementMemory.h"

#include <QHash>

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
                      const QLocale& locale = QLocale(),
                      SplitRule rule = SplitRule::None);

// How a statement's transactions get their category codes: the one the user
// gave the row, else the QIF category when it names a category of the
// ledger (by code or by name), else the rule the note matches, else the
// default (blank when none is chosen).
struct StatementCategories {
    CategoryRules rules;
    QString defaultCode;
    QHash<QString, QString> codeOf;       // upper-case code or name -> code
    QHash<qsizetype, QString> givenRows;  // row of the statement -> code

    // The categories of the data folder's category file.  Throws
    // store::FileError.
    void readCategories(const QString& categoryFile);
    QString categoryFor(const StatementTransaction& t, qsizetype row) const;
};

// The record a transaction becomes (its record number is set on append).
store::LedgerRecord statementRecord(const StatementTransaction& t, const QString& category);

// How a statement's run ended.
struct StatementRunEnd {
    qint64 imported = 0;  // records of this run the record file holds
    qint64 skipped = 0;   // transactions left out as imported before
    QString runTag;       // the tag its ids are kept under (empty when none)
};

// The run of a statement: every transaction whose id the seen-ids file does
// not hold is appended through one store::RecordAppender, in the order of
// the statement, and its id is then kept in the seen-ids file under the run's
// tag (the record number of its first record).  The records are on disk
// when it returns.  When a write fails, the blocks written before it stay,
// their ids are kept, and the store::FileError goes on with `end` telling
// what was written.  `step(row, imported)` runs after each transaction.
void importStatement(const Statement& statement, const StatementCategories& categories,
                     const QString& recordFile, const QString& seenFile, StatementRunEnd& end,
                     const std::function<void(qint64 row, qint64 imported)>& step = {});

}  // namespace fnk::imports
