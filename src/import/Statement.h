#pragma once

// Bank statements: OFX and QFX (read through libofx), QIF (read here) and
// ISO 20022 CAMT.053 (read with QXmlStreamReader), each made into one list of
// transactions.  No widgets and no writing: a statement is read whole into
// memory, and anything wrong with it stops the reading with one message
// naming the line or element, before a record is written.

#include "store/Money.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

namespace fnk::imports {

enum class StatementFormat { None, Ofx, Qif, Camt };

// The kind of statement the first bytes of a file show: an OFX header or
// <OFX>, a QIF "!Type:" (or "!Account") line, a CAMT.053 document
// (BkToCstmrStmt); None for anything else, a delimited-text file included.
StatementFormat statementFormatOf(const QByteArray& head);
// The same for a file, from its first bytes.  Throws store::FileError.
StatementFormat statementFormatOfFile(const QString& path);
QString statementFormatName(StatementFormat format);

// The order of day and month in QIF dates, which the files do not state.
enum class DateOrder { MonthFirst, DayFirst };

struct StatementTransaction {
    qint64 day = 0;          // day number of the booking date
    store::Money amount = 0; // signed: money out is negative
    QString payee;           // the other party, as the statement names it
    QString note;            // payee, then the memo or remittance text
    QString categoryHint;    // a QIF category (L, or S of a split); else empty
    QString id;              // what tells this transaction apart from all others
    QString account;         // the account it belongs to, as the statement names it
};

struct Statement {
    StatementFormat format = StatementFormat::None;
    QStringList accounts;  // the accounts the transactions belong to, in order
    QList<StatementTransaction> transactions;  // in the order of the file
    DateOrder dateOrder = DateOrder::MonthFirst;  // QIF: the order read
    bool dateOrderDecided = false;  // QIF: a date showed the order (else assumed)
};

// A statement that cannot be read: the message names the line or element.
struct StatementError {
    QString message;
};

// The largest statement read (a bank's statement is a fraction of it).
constexpr qint64 kMaxStatementBytes = qint64(256) * 1024 * 1024;

struct StatementOptions {
    // QIF: the order of day and month; unset takes the order the first date
    // that decides it shows, else the locale's.
    std::optional<DateOrder> dateOrder;
    QLocale locale = QLocale();
};

// Reads a statement file of any of the kinds.  Throws store::FileError when
// the file cannot be read and StatementError when it is no statement, or a
// damaged one.
Statement readStatement(const QString& path, const StatementOptions& options = {});

// The readers themselves, on the file's bytes.
Statement readQif(const QByteArray& bytes, const StatementOptions& options = {});
Statement readCamt(const QByteArray& bytes);
// OFX needs libofx, which reads files: `bytes` are written to a scratch file
// (in parts for a large statement) and read from there.
Statement readOfx(const QByteArray& bytes);

namespace testing {
// Called in the second process that reads the later parts of a large OFX
// statement, before it reads them (nullptr: nothing), so that a test can end
// that process there as a crash in libofx would.
void setOfxHelperStart(void (*hook)());
}  // namespace testing

// The order of day and month a locale's short date uses.
DateOrder localeDateOrder(const QLocale& locale);

// Gives each id that repeats within one statement (two equal coffees on one
// day) a running number, so that every transaction's id is its own and the
// same file gives the same ids again.
void numberRepeatedIds(QList<StatementTransaction>& transactions);

// Reads a decimal amount as statements write it: an optional sign, digits
// and one "." or "," decimal point (no grouping), up to four decimals.
std::optional<store::Money> readStatementAmount(QStringView text);

}  // namespace fnk::imports
