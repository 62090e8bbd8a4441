#pragma once

#include "store/Money.h"
#include "view/MainListModel.h"

#include <QDate>
#include <QString>

#include <stdexcept>

namespace fnk::view {

// Everything the list builder reads from the rest of the program.
struct ListQuery {
    QString recordFile;           // the current record file
    QDate earliest;               // the date range, both ends included
    QDate latest;
    QString categoryCode;         // remembered category; blank = all
    QString categoryName = QStringLiteral("All Categories");
    QString layoutCode = QStringLiteral("-n12-");
    QString user1Name = QStringLiteral("user 1");
    QString user2Name = QStringLiteral("user 2");
    bool user1IsPickList = true;  // list flag "Y": not searched by word searches
    bool user2IsPickList = true;
    bool macroMode = false;       // every live record, no range, filter or search
    bool freeSelection = false;   // keep the rows listed, add only missing ones
};

struct ListTotals {
    store::Money in = 0;
    store::Money out = 0;
    store::Money net = 0;
    qint64 count = 0;
};

// The five panels of the totals status bar.  In free selection mode only
// panel 3 is written (the others are null strings: leave them as they are).
struct StatusPanels {
    QString panel[5];
};

struct BuildResult {
    ListTotals totals;
    StatusPanels status;
    int currentRow = -1;  // the row to make current (the newest), -1 for none
};

class RangeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Rebuilds the main list from the record file.  `search` is upper case:
// empty (category filter), "|UDF1|value", "|UDF2|value", or words sought in
// the note and the free-text user fields.  Throws RangeError for a range
// that is not two dates (before the list is touched) and store::FileError when
// the record file cannot be read.
BuildResult PopMainGrid(MainListModel& model, const ListQuery& query, const QString& search);

// The totals and count panels of the rows the list holds, for a rebuild
// that failed part-way; the last panel is left as it is.
StatusPanels listedStatus(const MainListModel& model, bool freeSelection);

// The panels of an emptied list ("Clear").
StatusPanels clearedStatus(bool freeSelection);
QString freeSelectionStatus(qint64 rows);

}  // namespace fnk::view
