#pragma once

#include "store/LedgerRecord.h"
#include "store/Money.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace fnk::imports {

// How the lines of an import file are cut into fields, chosen by the last
// three characters of the file's name (any case): "TXT" files have every
// field quoted, "CSV" files are cut at every comma.  Any other name yields
// no fields at all.  QuotedCsv is the plain rule with quoted fields, which
// the user asks for on a ".csv" file.
enum class SplitRule { None, Quoted, Plain, QuotedCsv };
SplitRule splitRuleFor(const QString& fileName);

// Quoted lines: fields are separated by quote, comma, quote; each field loses
// a leading comma, then a leading quote, then a trailing quote, then its
// outer spaces.  A comma inside a quoted field stays in it; a line whose
// fields are not all quoted gives fewer, merged fields.
QStringList splitQuoted(const QString& line);
// Plain lines: every comma ends a field; outer spaces are removed and quotes
// stay.  A line ending in a comma has a final empty field.
QStringList splitPlain(const QString& line);
// CSV lines with quoted fields (RFC 4180 within one line): a field whose
// first character after spaces is a double quote runs to its closing quote;
// commas inside stay, a doubled quote stands for one, the surrounding quotes
// go.  Other fields are cut as by splitPlain.  A quote left open runs to the
// end of the line.
QStringList splitQuotedCsv(const QString& line);
QStringList splitLine(const QString& line, SplitRule rule);

// The field list's lines for one line of the file: the heading
// "||||||||||| RECORD n ||||||||||||" and "k = text" for each field.
QStringList previewLines(int lineNumber, const QStringList& fields);

// The field number a clicked line of the field list names: the text before
// an "=" found among its first six characters ("3 = Food" gives "3 "), or
// empty (a heading line).
QString GetLinkNo(const QString& selectedLine);
// The numeric value of a link's text: its leading number, 0 when it has none.
int linkValue(const QString& linkText);

// Which field number feeds each ledger field; 0 matches no field.
struct Links {
    int date = 0;
    int amount = 0;
    int note = 0;
    int category = 0;
    int userField1 = 0;
    int userField2 = 0;
};

// Resets a record to the empty entry every imported line starts from.
void ClearEntry(store::LedgerRecord& record);

// Reads a signed amount in the locale's number form: digits with the
// locale's decimal separator and digit grouping, an optional currency
// symbol, and the sign as a leading "+" or "-", a trailing "-" or
// surrounding parentheses.  `value` keeps the sign.
store::AmountParse readSignedAmount(const QString& text, const QLocale& locale = QLocale());

// Reads a date: ISO "yyyy-MM-dd" in every locale, else the locale's short
// date with a four-digit year, the same with a two-digit year (taken as 1930
// to 2029), or the locale's long date.  Invalid QDate when it is none of these.
QDate readImportDate(const QString& text, const QLocale& locale = QLocale());
// The quick reading readImportDate tries first, of trimmed text: ISO dates
// and the locale's short date where that is made only of numbers and
// separators, digits written out in full (a four-digit year).  Gives the
// date the full reading gives, or an invalid date wherever it leaves the
// answer to the full reading.
QDate quickImportDate(const QString& trimmed, const QLocale& locale = QLocale());

// One line's fields made into a record.
struct LineRecord {
    enum Kind {
        Record,   // the line gives a dated record
        Skipped,  // no date field matched, or its date is not after 30 December 1899
        Refused,  // a linked date or amount could not be read
    } kind = Skipped;
    store::LedgerRecord record;
    QString problem;  // for Refused: what was wrong, for the user
    bool refusedDate = false;  // Refused for the date field
};
LineRecord buildRecord(const QStringList& fields, const Links& links,
                       const QLocale& locale = QLocale());

}  // namespace fnk::imports
