#pragma once

// What every statement reader must hold for any input: it reads the whole
// statement or refuses it with one message naming where; what it reads has
// real dates after 30 December 1899, ids of its own, notes without outer or
// doubled spaces; and written back in the same format (by the writers
// below), the transactions read back the same.

#include "FuzzSupport.h"

#include "import/Statement.h"
#include "store/Dates.h"

#include <QSet>

#include <functional>

namespace fuzz {

using fnk::imports::Statement;
using fnk::imports::StatementError;
using fnk::imports::StatementTransaction;

inline QByteArray amountText(fnk::store::Money m)
{
    const fnk::store::Money a = m < 0 ? -m : m;
    return QByteArray(m < 0 ? "-" : "") + QByteArray::number(a / 10000) + '.'
        + QByteArray::number(a % 10000).rightJustified(4, '0');
}

// XML and SGML text: the three characters that are markup.
inline QByteArray escaped(const QString& text)
{
    QByteArray b = text.toUtf8();
    b.replace('&', "&amp;");
    b.replace('<', "&lt;");
    b.replace('>', "&gt;");
    return b;
}

inline std::optional<Statement> readOrRefuse(const std::function<Statement()>& read)
{
    try {
        return read();
    } catch (const StatementError& e) {
        FUZZ_CHECK(!e.message.isEmpty());
        return std::nullopt;
    }
}

inline void checkRead(const Statement& s)
{
    QSet<QString> ids;
    for (const StatementTransaction& t : s.transactions) {
        FUZZ_CHECK(t.day > 0 && fnk::store::isValidDay(double(t.day)));
        FUZZ_CHECK(!t.id.isEmpty());
        FUZZ_CHECK(!ids.contains(t.id));
        ids.insert(t.id);
        FUZZ_CHECK(t.note == t.note.simplified());
    }
}

// The transactions of a statement read back from its rewrite: same days,
// amounts and notes in the same order.
inline void checkSame(const Statement& a, const Statement& b)
{
    FUZZ_CHECK(a.transactions.size() == b.transactions.size());
    for (qsizetype i = 0; i < a.transactions.size(); ++i) {
        const StatementTransaction& x = a.transactions.at(i);
        const StatementTransaction& y = b.transactions.at(i);
        FUZZ_CHECK(x.day == y.day);
        FUZZ_CHECK(x.amount == y.amount);
        FUZZ_CHECK(x.note == y.note);
    }
}

inline QByteArray isoDay(qint64 day)
{
    return fnk::store::dateFromDay(double(day)).toString(Qt::ISODate).toLatin1();
}

}  // namespace fuzz
