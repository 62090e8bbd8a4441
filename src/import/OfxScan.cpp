#include "import/OfxScan.h"

#include "import/Statement.h"

#include <QString>

#include <algorithm>

namespace fnk::imports {

namespace {

[[noreturn]] void refuse(const QString& message) { throw StatementError{message}; }

bool isTagChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.'
        || c == '_';
}

// The character set the texts are written in: OFX 1.x says so in its
// header ("CHARSET:1252", "ENCODING:UTF-8"), OFX 2.x in its XML declaration
// (UTF-8 unless told).  Only what comes before <OFX> is the header.
bool textIsUtf8(const QByteArray& bytes)
{
    QByteArray head = bytes.left(1024).toUpper();
    const qsizetype body = head.indexOf("<OFX>");
    if (body >= 0)
        head.truncate(body);
    if (head.contains("<?XML"))
        return !head.contains("ENCODING=\"ISO-8859") && !head.contains("ENCODING=\"WINDOWS-1252")
            && !head.contains("ENCODING='ISO-8859");
    return head.contains("ENCODING:UTF-8") || head.contains("CHARSET:UTF-8");
}

}  // namespace

OfxScan scanOfx(const QByteArray& bytes)
{
    OfxScan scan;
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
    OfxScannedTransaction* current = nullptr;
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
            // A payee left open inside a transaction ends with it.
            inPayee = std::any_of(open.begin(), open.end(), [](const Open& o) { return o.name == "PAYEE"; });
            if (name == "STMTTRN" && current) {
                // The blank space after it goes with it: libofx copies every
                // line of a part, empty ones too.
                qsizetype e = i + 1;
                while (e < n && (p[e] == '\r' || p[e] == '\n' || p[e] == ' ' || p[e] == '\t'))
                    ++e;
                current->end = e;
                current = nullptr;
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
            // A transaction belongs inside <OFX>: one outside it would be
            // read by the scan but not by libofx.
            if (std::none_of(open.begin(), open.end(), [](const Open& o) { return o.name == "OFX"; }))
                refuse(QStringLiteral("Line %1: a transaction (STMTTRN) outside <OFX>.").arg(line));
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

QByteArray ofxPart(const QByteArray& bytes, const OfxScan& scan, qsizetype from, qsizetype to)
{
    const auto& scanned = scan.transactions;
    const qsizetype total = qsizetype(scanned.size());
    QByteArray part;
    part.reserve(bytes.size() / (total / std::max<qsizetype>(to - from, 1) + 1) + 4096);
    qsizetype at = 0;
    for (qsizetype k = 0; k < total; ++k) {
        const OfxScannedTransaction& t = scanned[std::size_t(k)];
        if (k >= from && k < to)
            continue;
        part.append(bytes.constData() + at, t.begin - at);
        at = t.end;
    }
    part.append(bytes.constData() + at, bytes.size() - at);
    return part;
}

}  // namespace fnk::imports
