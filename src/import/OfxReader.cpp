// OFX and QFX statements, SGML (1.x) and XML (2.x), read with libofx.
//
// libofx checks the document against the OFX DTDs, converts its texts from
// the header's character set and hands over each account and transaction.
// Two things it gives are not what the ledger needs: the posting date comes
// as a moment in time, converted through the statement's time zone (so a
// late-evening date can become the next day), and the amount as a floating
// point number.  A quick scan of our own therefore reads the date part of
// DTPOSTED and the TRNAMT text of each STMTTRN, in file order, and the two
// are paired.  The scan also finds damage with its line number (a cut-off
// file, an end tag that closes nothing), which libofx reports only on its
// error output.
//
// libofx takes time that grows with the square of the transactions in one
// document, so a large statement is handed over in parts: each part is the
// whole document with all but a slice of its STMTTRN elements left out.

#include "import/Statement.h"

#include "store/Dates.h"
#include "store/Text1252.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <libofx/libofx.h>

#include <vector>

// libofx's switches for what it prints; the reader reports on its own.
extern int ofx_ERROR_msg;
extern int ofx_WARNING_msg;
extern int ofx_INFO_msg;
extern int ofx_STATUS_msg;
extern int ofx_PARSER_msg;

namespace fnk::imports {

namespace {

[[noreturn]] void refuse(const QString& message) { throw StatementError{message}; }

// The STMTTRN elements a part of the document holds.
constexpr qsizetype kPartTransactions = 1000;

struct ScannedTransaction {
    qsizetype begin = 0;  // byte offset of "<STMTTRN>"
    qsizetype end = 0;    // past "</STMTTRN>" and the blank space after it
    qint64 line = 0;
    QByteArray posted;    // DTPOSTED
    QByteArray amount;    // TRNAMT
    QByteArray payeeName; // PAYEE/NAME, raw
    qint64 postedLine = 0, amountLine = 0;
};

struct Scan {
    std::vector<ScannedTransaction> transactions;
    bool utf8 = false;
};

bool isTagChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.'
        || c == '_';
}

// The character set the texts are written in: OFX 1.x says so in its
// header ("CHARSET:1252", "ENCODING:UTF-8"), OFX 2.x in its XML declaration
// (UTF-8 unless told).
bool textIsUtf8(const QByteArray& bytes)
{
    const QByteArray head = bytes.left(1024).toUpper();
    if (head.contains("<?XML"))
        return !head.contains("ENCODING=\"ISO-8859") && !head.contains("ENCODING=\"WINDOWS-1252")
            && !head.contains("ENCODING='ISO-8859");
    return head.contains("ENCODING:UTF-8") || head.contains("CHARSET:UTF-8");
}

Scan scanOfx(const QByteArray& bytes)
{
    Scan scan;
    scan.utf8 = textIsUtf8(bytes);
    struct Open {
        QByteArray name;
        qint64 line;
    };
    std::vector<Open> open;
    bool sawOfx = false;
    qint64 line = 1;
    const char* p = bytes.constData();
    const qsizetype n = bytes.size();
    ScannedTransaction* current = nullptr;
    bool inPayee = false;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '\n') {
            ++line;
            continue;
        }
        if (p[i] != '<')
            continue;
        const qsizetype tagStart = i;
        if (i + 1 < n && (p[i + 1] == '?' || p[i + 1] == '!')) {
            // A declaration, processing instruction or comment.
            const qsizetype close = bytes.indexOf('>', i);
            if (close < 0)
                refuse(QStringLiteral("Line %1: a tag without its end (>): the file may be cut "
                                      "short.")
                           .arg(line));
            for (qsizetype k = i; k < close; ++k)
                line += p[k] == '\n';
            i = close;
            continue;
        }
        const bool closing = i + 1 < n && p[i + 1] == '/';
        qsizetype j = i + (closing ? 2 : 1);
        const qsizetype nameStart = j;
        while (j < n && isTagChar(p[j]))
            ++j;
        if (j >= n || p[j] != '>' || j == nameStart)
            refuse(QStringLiteral("Line %1: \"%2\" is no OFX tag%3.")
                       .arg(line)
                       .arg(QString::fromLatin1(bytes.mid(i, std::min<qsizetype>(j - i + 1, 40))),
                            j >= n ? QStringLiteral(": the file may be cut short") : QString()));
        const QByteArray name = bytes.mid(nameStart, j - nameStart).toUpper();
        i = j;
        if (closing) {
            qsizetype k = qsizetype(open.size()) - 1;
            while (k >= 0 && open[std::size_t(k)].name != name)
                --k;
            if (k < 0)
                refuse(QStringLiteral("Line %1: </%2> closes no <%2>.")
                           .arg(line)
                           .arg(QString::fromLatin1(name)));
            open.resize(std::size_t(k));
            if (name == "STMTTRN" && current) {
                // The blank space after it goes with it: libofx copies every
                // line of a part, empty ones too.
                qsizetype e = i + 1;
                while (e < n && (p[e] == '\r' || p[e] == '\n' || p[e] == ' ' || p[e] == '\t'))
                    ++e;
                current->end = e;
                current = nullptr;
            } else if (name == "PAYEE") {
                inPayee = false;
            }
            continue;
        }
        if (name == "OFX")
            sawOfx = true;
        // An element's value runs to the next tag.
        qsizetype v = i + 1;
        while (v < n && p[v] != '<')
            ++v;
        const QByteArray value = bytes.mid(i + 1, v - i - 1).trimmed();
        if (name == "STMTTRN") {
            if (current)
                refuse(QStringLiteral("Line %1: a transaction (STMTTRN) begins inside the one of "
                                      "line %2.")
                           .arg(line)
                           .arg(current->line));
            scan.transactions.push_back({});
            current = &scan.transactions.back();
            current->begin = tagStart;
            current->line = line;
        } else if (name == "PAYEE") {
            inPayee = true;
        } else if (current && name == "DTPOSTED") {
            current->posted = value;
            current->postedLine = line;
        } else if (current && name == "TRNAMT") {
            current->amount = value;
            current->amountLine = line;
        } else if (current && inPayee && name == "NAME") {
            current->payeeName = value;
        }
        open.push_back({name, line});
    }
    if (!sawOfx)
        refuse(QStringLiteral("The file has no <OFX> element: it is no OFX statement."));
    if (current)
        refuse(QStringLiteral("Line %1: the transaction (STMTTRN) has no end: the file may be cut "
                              "short.")
                   .arg(current->line));
    for (const Open& o : open)
        if (o.name == "OFX")
            refuse(QStringLiteral("Line %1: the statement ends before </OFX>: the file may be cut "
                                  "short (<OFX> is on line %2).")
                       .arg(line)
                       .arg(o.line));
    return scan;
}

QString unescape(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString t = text;
    t.replace(QLatin1String("&lt;"), QLatin1String("<"));
    t.replace(QLatin1String("&gt;"), QLatin1String(">"));
    t.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    t.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return t;
}

struct Delivered {
    QString account;
    QString fitid;
    QString name;
    QString memo;
};

struct Collect {
    std::vector<Delivered> transactions;
    QStringList accounts;
    bool complained = false;  // libofx reported an error
};

int onAccount(const OfxAccountData data, void* context)
{
    auto* c = static_cast<Collect*>(context);
    if (data.account_id_valid) {
        const QString id = QString::fromUtf8(data.account_id).simplified();
        if (!c->accounts.contains(id))
            c->accounts << id;
    }
    return 0;
}

int onTransaction(const OfxTransactionData data, void* context)
{
    // Investment trades come here too; only bank and card lines (STMTTRN)
    // are the ledger's.
    if (data.invtransactiontype_valid)
        return 0;
    auto* c = static_cast<Collect*>(context);
    Delivered d;
    if (data.account_id_valid)
        d.account = QString::fromUtf8(data.account_id).simplified();
    if (data.fi_id_valid)
        d.fitid = QString::fromUtf8(data.fi_id).trimmed();
    if (data.name_valid)
        d.name = QString::fromUtf8(data.name);
    if (data.memo_valid)
        d.memo = QString::fromUtf8(data.memo);
    c->transactions.push_back(std::move(d));
    return 0;
}

// One part of the document through libofx.
Collect parse(const QByteArray& document)
{
    ofx_ERROR_msg = 0;
    ofx_WARNING_msg = 0;
    ofx_INFO_msg = 0;
    ofx_STATUS_msg = 0;
    ofx_PARSER_msg = 0;
    QTemporaryFile file;
    if (!file.open() || file.write(document) != document.size() || !file.flush())
        refuse(QStringLiteral("The OFX statement cannot be handed to its reader: no room for a "
                              "scratch file in %1.")
                   .arg(QDir::tempPath()));
    Collect collect;
    LibofxContextPtr context = libofx_get_new_context();
    ofx_set_account_cb(context, onAccount, &collect);
    ofx_set_transaction_cb(context, onTransaction, &collect);
    const QByteArray path = QFile::encodeName(file.fileName());
    // libofx reports a document that strays from the DTD (a missing element
    // many banks leave out) and reads on; what it delivers is checked
    // against the scan, so only a part it could not follow is refused.
    const int result = libofx_proc_file(context, path.constData(), OFX);
    libofx_free_context(context);
    collect.complained = result != 0;
    return collect;
}

}  // namespace

Statement readOfx(const QByteArray& bytes)
{
    Statement out;
    out.format = StatementFormat::Ofx;
    const Scan scan = scanOfx(bytes);
    const auto& scanned = scan.transactions;
    const qsizetype total = qsizetype(scanned.size());
    const qint64 lastLine = bytes.count('\n') + 1;

    std::vector<Delivered> delivered;
    delivered.reserve(std::size_t(total));
    for (qsizetype from = 0; from == 0 || from < total; from += kPartTransactions) {
        const qsizetype to = std::min(total, from + kPartTransactions);
        QByteArray part;
        qint64 firstLine = 1, partLastLine = lastLine;
        if (total <= kPartTransactions) {
            part = bytes;
        } else {
            part.reserve(bytes.size() / (total / kPartTransactions + 1) + 4096);
            qsizetype at = 0;
            for (qsizetype k = 0; k < total; ++k) {
                const ScannedTransaction& t = scanned[std::size_t(k)];
                if (k >= from && k < to)
                    continue;
                part.append(bytes.constData() + at, t.begin - at);
                at = t.end;
            }
            part.append(bytes.constData() + at, bytes.size() - at);
            firstLine = scanned[std::size_t(from)].line;
            partLastLine = to < total ? scanned[std::size_t(to)].line : lastLine;
        }
        Collect c = parse(part);
        if (qsizetype(c.transactions.size()) != to - from)
            refuse(QStringLiteral("Lines %1 to %2: the OFX reader (libofx) %3 %4 transactions "
                                  "where the file holds %5 (STMTTRN).")
                       .arg(firstLine)
                       .arg(partLastLine)
                       .arg(c.complained ? QStringLiteral("could not follow the OFX rules and found")
                                         : QStringLiteral("found"))
                       .arg(c.transactions.size())
                       .arg(to - from));
        for (Delivered& d : c.transactions)
            delivered.push_back(std::move(d));
        for (const QString& a : c.accounts)
            if (!out.accounts.contains(a))
                out.accounts << a;
        if (total == 0)
            break;
    }

    out.transactions.reserve(total);
    for (qsizetype k = 0; k < total; ++k) {
        const ScannedTransaction& s = scanned[std::size_t(k)];
        const Delivered& d = delivered[std::size_t(k)];
        StatementTransaction t;
        // DTPOSTED: its date part, "YYYYMMDD", whatever time and zone follow.
        const QDate date = s.posted.size() >= 8
            ? QDate::fromString(QString::fromLatin1(s.posted.left(8)), QStringLiteral("yyyyMMdd"))
            : QDate();
        if (s.posted.isEmpty())
            refuse(QStringLiteral("Line %1: the transaction (STMTTRN) has no date (DTPOSTED).")
                       .arg(s.line));
        if (!date.isValid() || store::dayFromDate(date) <= 0)
            refuse(QStringLiteral("Line %1: DTPOSTED \"%2\" is no date.")
                       .arg(s.postedLine)
                       .arg(QString::fromLatin1(s.posted.left(40))));
        if (s.amount.isEmpty())
            refuse(QStringLiteral("Line %1: the transaction (STMTTRN) has no amount (TRNAMT).")
                       .arg(s.line));
        const std::optional<store::Money> amount =
            readStatementAmount(QString::fromLatin1(s.amount));
        if (!amount)
            refuse(QStringLiteral("Line %1: TRNAMT \"%2\" is no amount.")
                       .arg(s.amountLine)
                       .arg(QString::fromLatin1(s.amount.left(40))));
        t.day = qint64(store::dayFromDate(date));
        t.amount = *amount;
        QString name = unescape(d.name).simplified();
        if (name.isEmpty() && !s.payeeName.isEmpty())
            name = unescape(scan.utf8 ? QString::fromUtf8(s.payeeName)
                                      : store::decode1252(s.payeeName))
                       .simplified();
        t.payee = name;
        t.account = d.account;
        t.note = name;
        const QString memo = unescape(d.memo).simplified();
        if (!memo.isEmpty() && memo != name)
            t.note = name.isEmpty() ? memo : name + QLatin1Char(' ') + memo;
        t.id = QStringLiteral("OFX|") + d.account + QLatin1Char('|')
            + (d.fitid.isEmpty() ? QString::number(t.day) + QLatin1Char('|')
                       + QString::number(t.amount) + QLatin1Char('|') + t.note
                                 : d.fitid);
        out.transactions << t;
    }
    numberRepeatedIds(out.transactions);
    return out;
}

}  // namespace fnk::imports
