#include "import/Statement.h"

#include "import/TextLines.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QDate>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <vector>

namespace fnk::imports {

namespace {

[[noreturn]] void refuse(const QString& message) { throw StatementError{message}; }

QString lineText(qint64 line) { return QStringLiteral("Line %1: ").arg(line); }

bool isDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

QString joinNote(const QString& first, const QString& second)
{
    const QString a = first.simplified();
    const QString b = second.simplified();
    if (a.isEmpty())
        return b;
    if (b.isEmpty() || b == a)
        return a;
    return a + QLatin1Char(' ') + b;
}

QString amountKey(store::Money amount) { return QString::number(amount); }

// The id made of what a transaction shows, for formats without one.
QString contentId(qint64 day, store::Money amount, const QString& note)
{
    return QString::number(day) + QLatin1Char('|') + amountKey(amount) + QLatin1Char('|') + note;
}

}  // namespace

// ------------------------------------------------------------ common parts

StatementFormat statementFormatOf(const QByteArray& head)
{
    QByteArray h = head.left(4096);
    if (h.startsWith("\xEF\xBB\xBF"))
        h.remove(0, 3);
    const QByteArray trimmed = h.trimmed();
    if (trimmed.startsWith("OFXHEADER") || h.contains("<OFX>") || h.contains("<?OFX")
        || h.contains("<ofx>"))
        return StatementFormat::Ofx;
    if (h.contains("BkToCstmrStmt") || h.contains("camt.053"))
        return StatementFormat::Camt;
    if (trimmed.startsWith("!Type:") || trimmed.startsWith("!type:")
        || trimmed.startsWith("!Account") || trimmed.startsWith("!Option")
        || trimmed.startsWith("!Clear"))
        return StatementFormat::Qif;
    return StatementFormat::None;
}

StatementFormat statementFormatOfFile(const QString& path)
{
    QFile f(path);
    store::openFile(f, QIODevice::ReadOnly);
    return statementFormatOf(store::readAt(f, 0, std::min<qint64>(f.size(), 4096)));
}

QString statementFormatName(StatementFormat format)
{
    switch (format) {
    case StatementFormat::Ofx:
        return QStringLiteral("OFX");
    case StatementFormat::Qif:
        return QStringLiteral("QIF");
    case StatementFormat::Camt:
        return QStringLiteral("CAMT.053");
    case StatementFormat::None:
        break;
    }
    return QString();
}

DateOrder localeDateOrder(const QLocale& locale)
{
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = pattern.indexOf(QLatin1Char('d'));
    const qsizetype m = pattern.indexOf(QLatin1Char('M'));
    return d >= 0 && m >= 0 && d < m ? DateOrder::DayFirst : DateOrder::MonthFirst;
}

void numberRepeatedIds(QList<StatementTransaction>& transactions)
{
    QHash<QString, int> seen;
    seen.reserve(transactions.size());
    for (StatementTransaction& t : transactions) {
        const int n = ++seen[t.id];
        if (n > 1)
            t.id += QStringLiteral("#%1").arg(n);
    }
}

std::optional<store::Money> readStatementAmount(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1).trimmed();
    }
    store::Money whole = 0;
    store::Money fraction = 0;
    int decimals = -1;  // -1 before the decimal point
    int digits = 0;
    for (const QChar c : text) {
        if (c == u'.' || c == u',') {
            if (decimals >= 0)
                return std::nullopt;
            decimals = 0;
            continue;
        }
        if (!isDigit(c))
            return std::nullopt;
        const int v = c.unicode() - u'0';
        ++digits;
        if (decimals < 0) {
            if (whole > (INT64_MAX / store::kMoneyScale - 9) / 10)
                return std::nullopt;
            whole = whole * 10 + v;
        } else {
            if (++decimals > 4) {
                if (v != 0)
                    return std::nullopt;  // finer than the ledger keeps
                continue;
            }
            fraction = fraction * 10 + v;
        }
    }
    if (digits == 0)
        return std::nullopt;
    for (int d = std::max(decimals, 0); d < 4; ++d)
        fraction *= 10;
    const store::Money value = whole * store::kMoneyScale + fraction;
    return negative ? -value : value;
}

// ---------------------------------------------------------------------- QIF

namespace {

// Day, month and year as a QIF date writes them: "1/15/26", "1/15'26",
// "01/15/2026", "15.01.2026", "2026-01-15", with spaces allowed in a part.
struct QifDate {
    int a = 0, b = 0, year = 0;  // a and b are day and month in some order
    bool yearFirst = false;
    bool ok = false;
};

QifDate splitQifDate(const QString& text)
{
    QifDate out;
    int parts[3] = {0, 0, 0};
    int widths[3] = {0, 0, 0};
    QChar lastSeparator;
    int n = 0;
    bool inNumber = false;
    for (const QChar c : text) {
        if (isDigit(c)) {
            if (!inNumber) {
                if (n == 3)
                    return out;
                inNumber = true;
                ++n;
            }
            if (widths[n - 1] >= 4)
                return out;
            parts[n - 1] = parts[n - 1] * 10 + (c.unicode() - u'0');
            ++widths[n - 1];
        } else if (c == u'/' || c == u'-' || c == u'.' || c == u'\'' || c == u' ') {
            if (inNumber)
                inNumber = false;
            if (c != u' ')
                lastSeparator = c;
            // "1/15' 6": the space after the apostrophe pads the year.
        } else {
            return out;
        }
    }
    if (n != 3)
        return out;
    if (widths[0] == 4) {
        out.yearFirst = true;
        out.year = parts[0];
        out.a = parts[1];  // month
        out.b = parts[2];  // day
    } else {
        out.a = parts[0];
        out.b = parts[1];
        out.year = parts[2];
        if (widths[2] <= 2)
            out.year += lastSeparator == u'\'' || parts[2] < 30 ? 2000 : 1900;
        else if (widths[2] == 3)
            return out;
    }
    out.ok = true;
    return out;
}

QDate qifDate(const QifDate& d, DateOrder order)
{
    if (d.yearFirst)
        return QDate(d.year, d.a, d.b);
    return order == DateOrder::MonthFirst ? QDate(d.year, d.a, d.b) : QDate(d.year, d.b, d.a);
}

// QIF amounts may group thousands: with both "," and "." the last is the
// decimal point, and a mark that comes more than once groups.
std::optional<store::Money> readQifAmount(QString text)
{
    text = text.trimmed();
    text.remove(QLatin1Char('$'));
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
    if (dot >= 0 && comma >= 0)
        text.remove(dot > comma ? QLatin1Char(',') : QLatin1Char('.'), Qt::CaseSensitive);
    else if (text.count(QLatin1Char(',')) > 1)
        text.remove(QLatin1Char(','));
    else if (text.count(QLatin1Char('.')) > 1)
        text.remove(QLatin1Char('.'));
    return readStatementAmount(text);
}

struct QifSplit {
    QString category;
    QString memo;
    std::optional<store::Money> amount;
    qint64 line = 0;
};

struct QifEntry {
    qint64 line = 0;  // the entry's first line
    QString date;
    qint64 dateLine = 0;
    QString amount;
    qint64 amountLine = 0;
    QString payee, memo, category;
    QList<QifSplit> splits;
    bool any = false;
};

// The sections whose entries are transactions.
bool isTransactionType(const QString& type)
{
    static const char* const kinds[] = {"bank", "cash", "ccard", "oth a", "oth l", "invst",
                                        "invoice"};
    const QString t = type.trimmed().toLower();
    for (const char* k : kinds)
        if (t == QLatin1String(k))
            return true;
    return false;
}

}  // namespace

Statement readQif(const QByteArray& bytes, const StatementOptions& options)
{
    Statement out;
    out.format = StatementFormat::Qif;
    const bool utf8 = detectEncoding(bytes) == TextEncoding::Utf8;
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);

    // The lines, decoded.
    QStringList lines;
    {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= data.size(); ++i) {
            if (i == data.size() || data[i] == '\n' || data[i] == '\r') {
                if (i == data.size() && start == i)
                    break;
                const QByteArray raw = data.mid(start, i - start);
                lines << (utf8 ? QString::fromUtf8(raw) : store::decode1252(raw));
                if (i < data.size() && data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                    ++i;
                start = i + 1;
            }
        }
    }

    // The order of day and month: as told, else from the first date that
    // shows it, else the locale's.
    if (options.dateOrder) {
        out.dateOrder = *options.dateOrder;
    } else {
        out.dateOrder = localeDateOrder(options.locale);
        for (const QString& l : lines) {
            if (!l.startsWith(QLatin1Char('D')))
                continue;
            const QifDate d = splitQifDate(l.mid(1));
            if (!d.ok || d.yearFirst)
                continue;
            if (d.a > 12 && d.b <= 12) {
                out.dateOrder = DateOrder::DayFirst;
                out.dateOrderDecided = true;
                break;
            }
            if (d.b > 12 && d.a <= 12) {
                out.dateOrder = DateOrder::MonthFirst;
                out.dateOrderDecided = true;
                break;
            }
        }
    }

    enum class Section { None, Transactions, AccountList, Other } section = Section::None;
    QString account;
    QString pendingAccount;
    bool sawType = false;
    QifEntry entry;

    const auto finish = [&](qint64 endLine) {
        if (section == Section::AccountList) {
            if (!pendingAccount.isEmpty())
                account = pendingAccount;
            pendingAccount.clear();
            entry = {};
            return;
        }
        if (!entry.any || section != Section::Transactions) {
            entry = {};
            return;
        }
        if (entry.date.isEmpty())
            refuse(lineText(entry.line) + QStringLiteral("the transaction ending at line %1 has no "
                                                         "date (D).")
                                              .arg(endLine));
        const QifDate parts = splitQifDate(entry.date);
        const QDate date = parts.ok ? qifDate(parts, out.dateOrder) : QDate();
        if (!date.isValid() || store::dayFromDate(date) <= 0)
            refuse(lineText(entry.dateLine) + QStringLiteral("\"D%1\" is no date%2.")
                                                  .arg(entry.date,
                                                       parts.ok && !parts.yearFirst
                                                           ? (out.dateOrder == DateOrder::DayFirst
                                                                  ? QStringLiteral(" with the day first")
                                                                  : QStringLiteral(" with the month first"))
                                                           : QString()));
        const qint64 day = qint64(store::dayFromDate(date));
        if (!account.isEmpty() && !out.accounts.contains(account))
            out.accounts << account;
        if (entry.splits.isEmpty()) {
            if (entry.amount.isEmpty())
                refuse(lineText(entry.line) + QStringLiteral("the transaction ending at line %1 "
                                                             "has no amount (T).")
                                                  .arg(endLine));
            const std::optional<store::Money> amount = readQifAmount(entry.amount);
            if (!amount)
                refuse(lineText(entry.amountLine)
                       + QStringLiteral("\"T%1\" is no amount.").arg(entry.amount));
            StatementTransaction t;
            t.day = day;
            t.amount = *amount;
            t.payee = entry.payee.simplified();
            t.note = joinNote(entry.payee, entry.memo);
            t.categoryHint = entry.category.trimmed();
            t.account = account;
            t.id = QStringLiteral("QIF|") + account + QLatin1Char('|')
                + contentId(day, t.amount, t.note);
            out.transactions << t;
        } else {
            int k = 0;
            for (const QifSplit& s : entry.splits) {
                ++k;
                if (!s.amount)
                    refuse(lineText(s.line)
                           + QStringLiteral("the split has no readable amount ($)."));
                StatementTransaction t;
                t.day = day;
                t.amount = *s.amount;
                t.payee = entry.payee.simplified();
                t.note = joinNote(entry.payee, s.memo.isEmpty() ? entry.memo : s.memo);
                t.categoryHint = s.category.trimmed();
                t.account = account;
                t.id = QStringLiteral("QIF|") + account + QLatin1Char('|')
                    + contentId(day, t.amount, t.note) + QStringLiteral("|split %1").arg(k);
                out.transactions << t;
            }
        }
        entry = {};
    };

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qint64 lineNo = i + 1;
        const QString& l = lines.at(i);
        if (l.trimmed().isEmpty())
            continue;
        const QChar code = l.at(0);
        const QString value = l.mid(1);
        if (code == u'!') {
            if (entry.any)
                refuse(lineText(lineNo) + QStringLiteral("\"%1\" begins before the transaction of "
                                                         "line %2 ends (^).")
                                              .arg(l.trimmed())
                                              .arg(entry.line));
            const QString header = l.trimmed();
            if (header.startsWith(QLatin1String("!Type:"), Qt::CaseInsensitive)) {
                sawType = true;
                section = isTransactionType(header.mid(6)) ? Section::Transactions
                                                           : Section::Other;
            } else if (header.compare(QLatin1String("!Account"), Qt::CaseInsensitive) == 0) {
                section = Section::AccountList;
            } else if (header.startsWith(QLatin1String("!Option"), Qt::CaseInsensitive)
                       || header.startsWith(QLatin1String("!Clear"), Qt::CaseInsensitive)) {
                // Settings of the program that wrote the file.
            } else {
                section = Section::Other;
            }
            continue;
        }
        if (section == Section::None)
            refuse(lineText(lineNo) + QStringLiteral("a QIF file begins with a \"!Type:\" line."));
        if (code == u'^') {
            finish(lineNo);
            continue;
        }
        if (!entry.any) {
            entry.any = true;
            entry.line = lineNo;
        }
        if (section == Section::AccountList) {
            if (code == u'N')
                pendingAccount = value.trimmed();
            continue;
        }
        switch (code.unicode()) {
        case u'D':
            entry.date = value.trimmed();
            entry.dateLine = lineNo;
            break;
        case u'T':
        case u'U':
            if (entry.amount.isEmpty() || code == u'T') {
                entry.amount = value.trimmed();
                entry.amountLine = lineNo;
            }
            break;
        case u'P':
            entry.payee = value;
            break;
        case u'M':
            entry.memo = value;
            break;
        case u'L':
            entry.category = value;
            break;
        case u'S':
            entry.splits.push_back({value, {}, std::nullopt, lineNo});
            break;
        case u'E':
            if (entry.splits.isEmpty())
                refuse(lineText(lineNo) + QStringLiteral("a split memo (E) before its split (S)."));
            entry.splits.back().memo = value;
            break;
        case u'$':
            if (entry.splits.isEmpty())
                refuse(lineText(lineNo)
                       + QStringLiteral("a split amount ($) before its split (S)."));
            entry.splits.back().amount = readQifAmount(value);
            entry.splits.back().line = lineNo;
            if (!entry.splits.back().amount)
                refuse(lineText(lineNo) + QStringLiteral("\"$%1\" is no amount.").arg(value));
            break;
        default:
            break;  // number, cleared mark, address and the like
        }
    }
    if (entry.any && section == Section::Transactions)
        refuse(lineText(entry.line) + QStringLiteral("the last transaction has no end (^): the "
                                                     "file may be cut short."));
    if (!sawType)
        refuse(QStringLiteral("Line 1: no \"!Type:\" line: this is no QIF file."));
    if (out.accounts.isEmpty() && !account.isEmpty())
        out.accounts << account;
    numberRepeatedIds(out.transactions);
    return out;
}

// ----------------------------------------------------------------- CAMT.053

namespace {

struct CamtDetails {
    std::optional<store::Money> amount;
    QString creditDebit;
    QString reference;  // Refs/AcctSvcrRef
    QString debtor, creditor;
    QStringList remittance;
    qint64 line = 0;
};

struct CamtEntry {
    qint64 line = 0;
    QString amountText;
    QString creditDebit;
    QString status;
    QString bookingDate;
    QString valueDate;
    QString entryRef;
    QString servicerRef;
    QString additional;
    QList<CamtDetails> details;
};

// The element path below the element `depth` levels down, as
// "AmtDtls/TxAmt/Amt", a view into the whole path kept with its start of
// each level.
QStringView camtPath(const QString& path, const std::vector<qsizetype>& starts, qsizetype depth)
{
    if (depth >= qsizetype(starts.size()))
        return {};
    return QStringView(path).mid(starts[std::size_t(depth)] + 1);
}

}  // namespace

Statement readCamt(const QByteArray& bytes)
{
    Statement out;
    out.format = StatementFormat::Camt;
    QXmlStreamReader xml(bytes);
    QStringList stack;
    QString path;                 // "/Document/BkToCstmrStmt/..."
    std::vector<qsizetype> starts;  // where each level's "/" is in `path`
    bool isCamt = false;
    bool sawStatement = false;
    QString account;
    std::optional<CamtEntry> entry;
    qsizetype entryDepth = 0;
    qsizetype detailsDepth = 0;

    const auto where = [&] {
        return QStringLiteral("Line %1, element %2: ").arg(xml.lineNumber()).arg(stack.join(QLatin1Char('/')));
    };

    const auto finishEntry = [&] {
        CamtEntry& e = *entry;
        const QString at = QStringLiteral("Line %1, entry (Ntry): ").arg(e.line);
        if (e.status == QLatin1String("PDNG") || e.status == QLatin1String("INFO"))
            return;  // not booked yet: a later statement books it
        const std::optional<store::Money> amount = readStatementAmount(e.amountText);
        if (e.amountText.isEmpty())
            refuse(at + QStringLiteral("no amount (Amt)."));
        if (!amount || *amount < 0)
            refuse(at + QStringLiteral("\"%1\" is no amount (Amt).").arg(e.amountText));
        if (e.creditDebit != QLatin1String("CRDT") && e.creditDebit != QLatin1String("DBIT"))
            refuse(at + QStringLiteral("no credit or debit mark (CdtDbtInd)."));
        const QString dateText = !e.bookingDate.isEmpty() ? e.bookingDate : e.valueDate;
        if (dateText.isEmpty())
            refuse(at + QStringLiteral("no booking date (BookgDt)."));
        const QDate date = QDate::fromString(dateText.left(10), Qt::ISODate);
        if (!date.isValid() || store::dayFromDate(date) <= 0)
            refuse(at + QStringLiteral("\"%1\" is no date (BookgDt).").arg(dateText));
        const qint64 day = qint64(store::dayFromDate(date));

        // A batch entry whose transactions carry their own amounts gives one
        // record each; any other entry gives one record.
        bool split = e.details.size() > 1;
        for (const CamtDetails& d : e.details)
            split = split && d.amount.has_value();
        const auto make = [&](store::Money value, const QString& creditDebit,
                              const CamtDetails* d) {
            StatementTransaction t;
            t.day = day;
            t.account = account;
            const bool debit = creditDebit == QLatin1String("DBIT");
            t.amount = debit ? -value : value;
            if (d) {
                t.payee = (debit ? d->creditor : d->debtor).simplified();
                t.note = joinNote(t.payee, d->remittance.join(QLatin1Char(' ')));
            }
            if (t.note.isEmpty())
                t.note = e.additional.simplified();
            return t;
        };
        const QString base = QStringLiteral("CAMT|") + account + QLatin1Char('|');
        if (split) {
            int k = 0;
            for (const CamtDetails& d : e.details) {
                ++k;
                if (*d.amount < 0)
                    refuse(QStringLiteral("Line %1, transaction details (TxDtls): the amount is "
                                          "negative.")
                               .arg(d.line));
                StatementTransaction t = make(
                    *d.amount, d.creditDebit.isEmpty() ? e.creditDebit : d.creditDebit, &d);
                if (!d.reference.isEmpty())
                    t.id = base + d.reference;
                else if (!e.servicerRef.isEmpty())
                    t.id = base + e.servicerRef + QStringLiteral("/%1").arg(k);
                else if (!e.entryRef.isEmpty())
                    t.id = base + e.entryRef + QStringLiteral("/%1").arg(k);
                else
                    t.id = base + contentId(day, t.amount, t.note);
                out.transactions << t;
            }
        } else {
            StatementTransaction t =
                make(*amount, e.creditDebit, e.details.isEmpty() ? nullptr : &e.details.front());
            if (!e.servicerRef.isEmpty())
                t.id = base + e.servicerRef;
            else if (!e.entryRef.isEmpty())
                t.id = base + e.entryRef;
            else
                t.id = base + contentId(day, t.amount, t.note);
            out.transactions << t;
        }
    };

    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString name = xml.name().toString();
            if (stack.isEmpty()) {
                const QString ns = xml.namespaceUri().toString();
                // Every version of the message: camt.053.001.02, .04, .08...
                const qsizetype at = ns.indexOf(QLatin1String("camt.053.001."));
                isCamt = name == QLatin1String("Document") && at >= 0;
                if (!isCamt)
                    refuse(QStringLiteral("Line %1: the document is no CAMT.053 bank statement "
                                          "(its root is %2 in \"%3\").")
                               .arg(xml.lineNumber())
                               .arg(name, ns));
            }
            stack << name;
            starts.push_back(path.size());
            path += QLatin1Char('/') + name;
            if (name == QLatin1String("BkToCstmrStmt") && stack.size() == 2)
                sawStatement = true;
            else if (name == QLatin1String("Stmt") && stack.size() == 3)
                account.clear();
            else if (name == QLatin1String("Ntry") && stack.size() == 4) {
                entry = CamtEntry{};
                entry->line = xml.lineNumber();
                entryDepth = stack.size();
            } else if (entry && name == QLatin1String("TxDtls")) {
                entry->details.push_back({});
                entry->details.back().line = xml.lineNumber();
                detailsDepth = stack.size();
            }
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            if (entry && stack.size() == entryDepth && stack.back() == QLatin1String("Ntry")) {
                finishEntry();
                entry.reset();
            }
            if (detailsDepth == stack.size())
                detailsDepth = 0;
            stack.removeLast();
            path.truncate(starts.back());
            starts.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::Characters || xml.isWhitespace())
            continue;
        const QString text = xml.text().toString().trimmed();
        // Statement level: the account.
        if (stack.size() >= 4 && stack.at(2) == QLatin1String("Stmt") && !entry) {
            const QStringView p = camtPath(path, starts, 3);
            if (p == QLatin1String("Acct/Id/IBAN") || p == QLatin1String("Acct/Id/Othr/Id")) {
                account = text;
                if (!out.accounts.contains(account))
                    out.accounts << account;
            }
            continue;
        }
        if (!entry)
            continue;
        if (detailsDepth > 0) {
            CamtDetails& d = entry->details.back();
            const QStringView p = camtPath(path, starts, detailsDepth);
            if (p == QLatin1String("Amt") || p == QLatin1String("AmtDtls/TxAmt/Amt")) {
                if (!d.amount) {
                    d.amount = readStatementAmount(text);
                    if (!d.amount)
                        refuse(where() + QStringLiteral("\"%1\" is no amount.").arg(text));
                }
            } else if (p == QLatin1String("CdtDbtInd")) {
                d.creditDebit = text;
            } else if (p == QLatin1String("Refs/AcctSvcrRef")) {
                d.reference = text;
            } else if (p == QLatin1String("RltdPties/Dbtr/Nm")
                       || p == QLatin1String("RltdPties/Dbtr/Pty/Nm")) {
                d.debtor = text;
            } else if (p == QLatin1String("RltdPties/Cdtr/Nm")
                       || p == QLatin1String("RltdPties/Cdtr/Pty/Nm")) {
                d.creditor = text;
            } else if (p == QLatin1String("RmtInf/Ustrd")) {
                d.remittance << text;
            }
            continue;
        }
        const QStringView p = camtPath(path, starts, entryDepth);
        if (p == QLatin1String("Amt"))
            entry->amountText = text;
        else if (p == QLatin1String("CdtDbtInd"))
            entry->creditDebit = text;
        else if (p == QLatin1String("Sts") || p == QLatin1String("Sts/Cd"))
            entry->status = text;
        else if (p == QLatin1String("BookgDt/Dt") || p == QLatin1String("BookgDt/DtTm"))
            entry->bookingDate = text;
        else if (p == QLatin1String("ValDt/Dt") || p == QLatin1String("ValDt/DtTm"))
            entry->valueDate = text;
        else if (p == QLatin1String("NtryRef"))
            entry->entryRef = text;
        else if (p == QLatin1String("AcctSvcrRef"))
            entry->servicerRef = text;
        else if (p == QLatin1String("AddtlNtryInf"))
            entry->additional = text;
    }
    if (xml.hasError()) {
        const QString element = stack.isEmpty() ? QString()
                                                 : QStringLiteral(", element ") + stack.join(QLatin1Char('/'));
        QString problem = xml.errorString();
        if (!problem.endsWith(QLatin1Char('.')))
            problem += QLatin1Char('.');
        refuse(QStringLiteral("Line %1%2: %3").arg(xml.lineNumber()).arg(element, problem));
    }
    if (!isCamt)
        refuse(QStringLiteral("Line 1: the file holds no XML document."));
    if (!sawStatement)
        refuse(QStringLiteral("The document holds no bank-to-customer statement (BkToCstmrStmt)."));
    numberRepeatedIds(out.transactions);
    return out;
}

// ------------------------------------------------------------------- a file

Statement readStatement(const QString& path, const StatementOptions& options)
{
    QFile f(path);
    store::openFile(f, QIODevice::ReadOnly);
    if (f.size() > kMaxStatementBytes)
        refuse(QStringLiteral("The file is %1 MB, larger than a bank statement can be (%2 MB).")
                   .arg(f.size() / (1024 * 1024))
                   .arg(kMaxStatementBytes / (1024 * 1024)));
    const QByteArray bytes = store::readAt(f, 0, f.size());
    f.close();
    switch (statementFormatOf(bytes)) {
    case StatementFormat::Ofx:
        return readOfx(bytes);
    case StatementFormat::Qif:
        return readQif(bytes, options);
    case StatementFormat::Camt:
        return readCamt(bytes);
    case StatementFormat::None:
        break;
    }
    refuse(QStringLiteral("Line 1: the file is no bank statement Fennick reads (OFX, QFX, QIF or "
                          "CAMT.053)."));
}

}  // namespace fnk::imports
