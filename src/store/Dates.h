#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace fnk::store {

// Dates are day numbers: days since 30 December 1899 (day 0).  A stored
// fraction is a time of day and is ignored for the date.
QDate dateFromDay(double day);   // invalid QDate for NaN, infinities or days out of range
double dayFromDate(const QDate& date);
bool isValidDay(double day);

// The locale's short date pattern with a four-digit year, so it reads back.
QString shortDatePattern(const QLocale& locale = QLocale());
QString formatShortDate(const QDate& date, const QLocale& locale = QLocale());
// Empty text for a day that is not a date.
QString formatDay(double day, const QLocale& locale = QLocale());
// Reads a short date text; invalid QDate when it is not one, or when its day
// is outside what a record can hold.
QDate parseShortDate(const QString& text, const QLocale& locale = QLocale());

}  // namespace fnk::store
