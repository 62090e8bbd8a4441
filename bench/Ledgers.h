#pragma once

#include <QDate>
#include <QString>

namespace fnk::bench {

// A realistic ledger: twenty years of dates in entry order, forty categories,
// notes and user fields, a few records marked deleted.
void writeLedger(const QString& path, qint64 records);
QDate firstDate();
QDate lastDate();

}  // namespace fnk::bench
