// Bank statements of 100,000 transactions in each format: reading the file
// into transactions, and the whole import (reading, the seen-ids check, the
// records appended and flushed, the ids kept) into an empty record file.
#include "import/ImportRun.h"
#include "import/Statement.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>

namespace fnk::bench {

namespace {

void print(const QByteArray& name, qint64 n, double value, const char* unit)
{
    std::printf("%s %lld %.1f %s\n", name.constData(), static_cast<long long>(n), value, unit);
    std::fflush(stdout);
}

QByteArray money(qint64 i)
{
    const qint64 cents = (i * 7919) % 250000 - 200000;
    const qint64 a = cents < 0 ? -cents : cents;
    return (cents < 0 ? "-" : "") + QByteArray::number(a / 100) + '.'
        + QByteArray::number(a % 100).rightJustified(2, '0');
}

// Processor time of this process and of the readers it forked and waited
// for (a large OFX statement is read by two processes), in milliseconds.
double processorMs()
{
    double ms = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        ms += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0
            + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
    }
    return ms;
}

QDate dayOf(qint64 i) { return QDate(2020, 1, 1).addDays(int(i / 40)); }

QByteArray ofx(qint64 n)
{
    QByteArray b = "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nSECURITY:NONE\r\n"
                   "ENCODING:USASCII\r\nCHARSET:1252\r\nCOMPRESSION:NONE\r\nOLDFILEUID:NONE\r\n"
                   "NEWFILEUID:NONE\r\n\r\n<OFX><SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO"
                   "</STATUS><DTSERVER>20250101<LANGUAGE>ENG</SONRS></SIGNONMSGSRSV1>\r\n"
                   "<BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS>\r\n"
                   "<STMTRS><CURDEF>USD<BANKACCTFROM><BANKID>121099999<ACCTID>00012345"
                   "<ACCTTYPE>CHECKING</BANKACCTFROM>\r\n<BANKTRANLIST><DTSTART>20200101"
                   "<DTEND>20271231\r\n";
    for (qint64 i = 0; i < n; ++i)
        b += "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>" + dayOf(i).toString(QStringLiteral("yyyyMMdd")).toLatin1()
            + "<TRNAMT>" + money(i) + "<FITID>T" + QByteArray::number(i) + "<NAME>Card payment "
            + QByteArray::number(i % 997) + "<MEMO>Store " + QByteArray::number(i % 31)
            + "</STMTTRN>\r\n";
    b += "</BANKTRANLIST><LEDGERBAL><BALAMT>0.00<DTASOF>20271231</LEDGERBAL></STMTRS>"
         "</STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
    return b;
}

QByteArray qif(qint64 n)
{
    QByteArray b = "!Type:Bank\r\n";
    for (qint64 i = 0; i < n; ++i) {
        const QDate d = dayOf(i);
        b += "D" + QByteArray::number(d.month()) + '/' + QByteArray::number(d.day()) + '\''
            + QByteArray::number(d.year() % 100).rightJustified(2, '0') + "\r\nT" + money(i)
            + "\r\nPCard payment " + QByteArray::number(i % 997) + "\r\nMStore "
            + QByteArray::number(i) + "\r\n^\r\n";
    }
    return b;
}

QByteArray camt(qint64 n)
{
    QByteArray b = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"urn:iso:std:iso:"
                   "20022:tech:xsd:camt.053.001.02\"><BkToCstmrStmt><GrpHdr><MsgId>B1</MsgId>"
                   "<CreDtTm>2027-12-31T10:00:00</CreDtTm></GrpHdr><Stmt><Id>S1</Id><CreDtTm>"
                   "2027-12-31T10:00:00</CreDtTm><Acct><Id><IBAN>DE89370400440532013000</IBAN>"
                   "</Id></Acct>\n";
    for (qint64 i = 0; i < n; ++i) {
        const QByteArray m = money(i);
        const bool debit = m.startsWith('-');
        b += "<Ntry><Amt Ccy=\"EUR\">" + (debit ? m.mid(1) : m) + "</Amt><CdtDbtInd>"
            + (debit ? "DBIT" : "CRDT") + "</CdtDbtInd><Sts>BOOK</Sts><BookgDt><Dt>"
            + dayOf(i).toString(Qt::ISODate).toLatin1() + "</Dt></BookgDt><AcctSvcrRef>R"
            + QByteArray::number(i) + "</AcctSvcrRef><NtryDtls><TxDtls><RltdPties><"
            + (debit ? "Cdtr" : "Dbtr") + "><Nm>Party " + QByteArray::number(i % 997) + "</Nm></"
            + (debit ? "Cdtr" : "Dbtr") + "></RltdPties><RmtInf><Ustrd>Invoice "
            + QByteArray::number(i) + "</Ustrd></RmtInf></TxDtls></NtryDtls></Ntry>\n";
    }
    b += "</Stmt></BkToCstmrStmt></Document>\n";
    return b;
}

}  // namespace

void benchStatements(qint64 n)
{
    QTemporaryDir folder;
    const struct {
        const char* kind;
        const char* file;
        QByteArray (*make)(qint64);
    } formats[] = {{"ofx", "bank.ofx", ofx}, {"qif", "bank.qif", qif}, {"camt", "bank.xml", camt}};
    for (const auto& f : formats) {
        const QString path = folder.filePath(QLatin1String(f.file));
        {
            QFile out(path);
            out.open(QIODevice::WriteOnly);
            out.write(f.make(n));
        }
        const QByteArray kind(f.kind);
        QElapsedTimer t;
        t.start();
        qint64 read = 0;
        try {
            read = imports::readStatement(path).transactions.size();
        } catch (const imports::StatementError& e) {
            std::printf("statement_%s_error %s\n", f.kind, qPrintable(e.message));
            continue;
        }
        print("statement_read_" + kind, n, double(t.nsecsElapsed()) / 1e6, "ms");

        const QString dat = folder.filePath(QStringLiteral("fennick-%1.dat").arg(QLatin1String(kind)));
        const QString seen = folder.filePath(QStringLiteral("seen-%1.txt").arg(QLatin1String(kind)));
        QFile(dat).open(QIODevice::WriteOnly);
        t.restart();
        // The processor time too: on a machine shared with other work the
        // clock on the wall says more about the others.
        const double cpu = processorMs();
        const imports::Statement s = imports::readStatement(path);
        imports::StatementRunEnd end;
        imports::importStatement(s, {}, dat, seen, end);
        print("statement_import_" + kind, n, double(t.nsecsElapsed()) / 1e6, "ms");
        print("statement_import_cpu_" + kind, n,
              processorMs() - cpu, "ms");
        print("statement_import_records_" + kind, n, double(end.imported), "records");
        // The same statement again: every transaction is skipped.
        t.restart();
        imports::importStatement(imports::readStatement(path), {}, dat, seen, end);
        print("statement_reimport_" + kind, n, double(t.nsecsElapsed()) / 1e6, "ms");
        print("statement_reimport_skipped_" + kind, n, double(end.skipped), "records");
        if (read != n)
            print("statement_lost_" + kind, n, double(n - read), "transactions");
    }
}

}  // namespace fnk::bench
