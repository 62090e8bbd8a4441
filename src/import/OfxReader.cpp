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
// libofx reads its DTD again for every document and slows down on large
// ones, so a large statement is handed over in parts: each part is the whole
// document with all but a slice of its STMTTRN elements left out.  The parts
// are read by two processes at once (see parseParts).

#include "import/OfxScan.h"
#include "import/Statement.h"

#include "store/Dates.h"
#include "store/Text1252.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QThread>

#include <libofx/libofx.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// libofx's switches for what it prints; the reader reports on its own.
extern int ofx_ERROR_msg;
extern int ofx_WARNING_msg;
extern int ofx_INFO_msg;
extern int ofx_STATUS_msg;
extern int ofx_PARSER_msg;

namespace fnk::imports {

namespace {

[[noreturn]] void refuse(const QString& message) { throw StatementError{message}; }

void (*helperStart)() = nullptr;

// The STMTTRN elements a part of the document holds.
constexpr qsizetype kPartTransactions = 1000;

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

// What libofx delivered, in plain strings: a part read in a forked
// process comes back through a pipe in this shape.
struct Delivered {
    std::string account;
    std::string fitid;
    std::string name;
    std::string memo;
};

struct Collect {
    std::vector<Delivered> transactions;
    std::vector<std::string> accounts;
    bool complained = false;  // libofx reported an error
    bool noScratch = false;   // the scratch file could not be written
};

std::string trimmed(const char* text)
{
    return QByteArray(text).trimmed().toStdString();
}

int onAccount(const OfxAccountData data, void* context)
{
    auto* c = static_cast<Collect*>(context);
    if (data.account_id_valid) {
        const std::string id = QByteArray(data.account_id).simplified().toStdString();
        if (std::find(c->accounts.begin(), c->accounts.end(), id) == c->accounts.end())
            c->accounts.push_back(id);
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
        d.account = QByteArray(data.account_id).simplified().toStdString();
    if (data.fi_id_valid)
        d.fitid = trimmed(data.fi_id);
    if (data.name_valid)
        d.name = data.name;
    if (data.memo_valid)
        d.memo = data.memo;
    c->transactions.push_back(std::move(d));
    return 0;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

// One part of the document through libofx.  Plain system calls only: this
// also runs in a forked process, where the rest of the program's state
// (its threads, Qt's locks) is not to be touched.
Collect parse(const QByteArray& document, const std::string& scratchFolder)
{
    Collect collect;
    std::string path = scratchFolder + "/fennick-ofx-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) {
        collect.noScratch = true;
        return collect;
    }
    const bool written = writeAll(fd, document.constData(), std::size_t(document.size()));
    ::close(fd);
    if (!written) {
        ::unlink(path.c_str());
        collect.noScratch = true;
        return collect;
    }
    LibofxContextPtr context = libofx_get_new_context();
    ofx_set_account_cb(context, onAccount, &collect);
    ofx_set_transaction_cb(context, onTransaction, &collect);
    // libofx reports a document that strays from the DTD (a missing element
    // many banks leave out) and reads on; what it delivers is checked
    // against the scan, so only a part it could not follow is refused.
    const int result = libofx_proc_file(context, path.c_str(), OFX);
    libofx_free_context(context);
    ::unlink(path.c_str());
    collect.complained = result != 0;
    return collect;
}

// The parts as bytes: a count, then each string as its length and bytes.
void putNumber(std::string& out, quint64 n) { out.append(reinterpret_cast<const char*>(&n), sizeof n); }
void putText(std::string& out, const std::string& text)
{
    putNumber(out, text.size());
    out += text;
}

std::string packParts(const std::vector<Collect>& parts)
{
    std::string out;
    putNumber(out, parts.size());
    for (const Collect& c : parts) {
        putNumber(out, (c.complained ? 1u : 0u) | (c.noScratch ? 2u : 0u));
        putNumber(out, c.accounts.size());
        for (const std::string& a : c.accounts)
            putText(out, a);
        putNumber(out, c.transactions.size());
        for (const Delivered& d : c.transactions) {
            putText(out, d.account);
            putText(out, d.fitid);
            putText(out, d.name);
            putText(out, d.memo);
        }
    }
    return out;
}

struct Unpacker {
    const std::string& in;
    std::size_t at = 0;
    bool number(quint64& n)
    {
        if (in.size() - at < sizeof n)
            return false;
        std::memcpy(&n, in.data() + at, sizeof n);
        at += sizeof n;
        return true;
    }
    bool text(std::string& t)
    {
        quint64 n = 0;
        if (!number(n) || in.size() - at < n)
            return false;
        t.assign(in, at, std::size_t(n));
        at += std::size_t(n);
        return true;
    }
};

std::optional<std::vector<Collect>> unpackParts(const std::string& in, std::size_t expected)
{
    Unpacker u{in};
    quint64 count = 0;
    if (!u.number(count) || count != expected)
        return std::nullopt;
    std::vector<Collect> parts(expected);
    for (Collect& c : parts) {
        quint64 flags = 0, accounts = 0, transactions = 0;
        if (!u.number(flags) || !u.number(accounts))
            return std::nullopt;
        c.complained = flags & 1u;
        c.noScratch = flags & 2u;
        c.accounts.resize(std::min<quint64>(accounts, in.size()));
        for (std::string& a : c.accounts)
            if (!u.text(a))
                return std::nullopt;
        if (!u.number(transactions) || transactions > in.size())
            return std::nullopt;
        c.transactions.resize(std::size_t(transactions));
        for (Delivered& d : c.transactions)
            if (!u.text(d.account) || !u.text(d.fitid) || !u.text(d.name) || !u.text(d.memo))
                return std::nullopt;
    }
    if (u.at != in.size())
        return std::nullopt;
    return parts;
}

// Reads the parts, the later half in a forked process while this one reads
// the earlier half: libofx keeps state in globals, so two threads could not
// share it, but two processes can, one on each core.  An empty result for
// the forked half means it stopped (a crash in libofx on this statement).
std::vector<std::optional<Collect>> parseParts(const std::vector<QByteArray>& documents)
{
    ofx_ERROR_msg = 0;
    ofx_WARNING_msg = 0;
    ofx_INFO_msg = 0;
    ofx_STATUS_msg = 0;
    ofx_PARSER_msg = 0;
    const std::string scratch = QFile::encodeName(QDir::tempPath()).toStdString();
    std::vector<std::optional<Collect>> out(documents.size());
    const std::size_t half = documents.size() / 2;
    int pipeEnds[2] = {-1, -1};
    pid_t child = -1;
    if (half > 0 && QThread::idealThreadCount() > 1 && ::pipe2(pipeEnds, O_CLOEXEC) == 0) {
        child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            if (helperStart)
                helperStart();
            std::vector<Collect> mine;
            for (std::size_t k = half; k < documents.size(); ++k)
                mine.push_back(parse(documents[k], scratch));
            const std::string packed = packParts(mine);
            ::_exit(writeAll(pipeEnds[1], packed.data(), packed.size()) ? 0 : 1);
        }
        ::close(pipeEnds[1]);
        if (child < 0)
            ::close(pipeEnds[0]);
    }
    const std::size_t mineEnd = child > 0 ? half : documents.size();
    for (std::size_t k = 0; k < mineEnd; ++k)
        out[k] = parse(documents[k], scratch);
    if (child > 0) {
        std::string packed;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            packed.append(buffer, std::size_t(n));
        }
        ::close(pipeEnds[0]);
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            if (auto parts = unpackParts(packed, documents.size() - half))
                for (std::size_t k = half; k < documents.size(); ++k)
                    out[k] = std::move((*parts)[k - half]);
    }
    return out;
}

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

void testing::setOfxHelperStart(void (*hook)()) { helperStart = hook; }

Statement readOfx(const QByteArray& bytes)
{
    Statement out;
    out.format = StatementFormat::Ofx;
    const OfxScan scan = scanOfx(bytes);
    const auto& scanned = scan.transactions;
    const qsizetype total = qsizetype(scanned.size());
    const qint64 lastLine = bytes.count('\n') + 1;

    // The parts: the whole document when it is small, else the whole
    // document with all but one slice of its transactions left out.
    struct Part {
        qsizetype from, to;
        qint64 firstLine, lastLine;
    };
    std::vector<Part> parts;
    std::vector<QByteArray> documents;
    for (qsizetype from = 0; from == 0 || from < total; from += kPartTransactions) {
        const qsizetype to = std::min(total, from + kPartTransactions);
        if (total <= kPartTransactions) {
            parts.push_back({from, to, 1, lastLine});
            documents.push_back(bytes);
            break;
        }
        QByteArray part = ofxPart(bytes, scan, from, to);
        parts.push_back({from, to, scanned[std::size_t(from)].line,
                         to < total ? scanned[std::size_t(to)].line : lastLine});
        documents.push_back(std::move(part));
    }

    std::vector<std::optional<Collect>> read = parseParts(documents);
    std::vector<Delivered> delivered;
    delivered.reserve(std::size_t(total));
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const Part& p = parts[k];
        if (!read[k])
            refuse(QStringLiteral("Lines %1 to %2: the OFX reader (libofx) stopped on this part "
                                  "of the statement.")
                       .arg(p.firstLine)
                       .arg(p.lastLine));
        Collect& c = *read[k];
        if (c.noScratch)
            refuse(QStringLiteral("The OFX statement cannot be handed to its reader: no room for a "
                                  "scratch file in %1.")
                       .arg(QDir::tempPath()));
        if (qsizetype(c.transactions.size()) != p.to - p.from)
            refuse(QStringLiteral("Lines %1 to %2: the OFX reader (libofx) %3 %4 transactions "
                                  "where the file holds %5 (STMTTRN).")
                       .arg(p.firstLine)
                       .arg(p.lastLine)
                       .arg(c.complained ? QStringLiteral("could not follow the OFX rules and found")
                                         : QStringLiteral("found"))
                       .arg(c.transactions.size())
                       .arg(p.to - p.from));
        for (Delivered& d : c.transactions)
            delivered.push_back(std::move(d));
        for (const std::string& a : c.accounts)
            if (!out.accounts.contains(fromUtf8(a)))
                out.accounts << fromUtf8(a);
    }

    out.transactions.reserve(total);
    for (qsizetype k = 0; k < total; ++k) {
        const OfxScannedTransaction& s = scanned[std::size_t(k)];
        const Delivered& raw = delivered[std::size_t(k)];
        const QString account = fromUtf8(raw.account), fitid = fromUtf8(raw.fitid);
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
        QString name = unescape(fromUtf8(raw.name)).simplified();
        if (name.isEmpty() && !s.payeeName.isEmpty())
            name = unescape(scan.utf8 ? QString::fromUtf8(s.payeeName)
                                      : store::decode1252(s.payeeName))
                       .simplified();
        t.payee = name;
        t.account = account;
        t.note = name;
        const QString memo = unescape(fromUtf8(raw.memo)).simplified();
        if (!memo.isEmpty() && memo != name)
            t.note = name.isEmpty() ? memo : name + QLatin1Char(' ') + memo;
        t.id = QStringLiteral("OFX|") + account + QLatin1Char('|')
            + (fitid.isEmpty() ? QString::number(t.day) + QLatin1Char('|')
                       + QString::number(t.amount) + QLatin1Char('|') + t.note
                                 : fitid);
        out.transactions << t;
    }
    numberRepeatedIds(out.transactions);
    return out;
}

}  // namespace fnk::imports
