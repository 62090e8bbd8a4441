#pragma once

#include <QDate>
#include <QString>

namespace fnk::bench {

// A realistic ledger: twenty years of dates in entry order, forty categories,
// notes and user fields, a few records marked deleted.
void writeLedger(const QString& path, qint64 records);
void writeCategories(const QString& path);  // the forty categories C00 to C39
QDate firstDate();
QDate lastDate();
// A bank statement of `lines` lines (date, amount, note, category, two user
// fields), dated in ISO form or the locale's short form.
void writeImportCsv(const QString& path, qint64 lines, bool iso);

}  // namespace fnk::bench
