// Bank statements: OFX (SGML and XML), QIF and CAMT.053 written by hand
// after the formats' published examples, read into transactions; damaged
// files refused with their line; the run that appends them and remembers
// their ids (re-import, overlap, a run forgotten again); the category rules;
// quoted CSV fields and their remembered tick; and the import window with a
// statement, its rules and its layout.

#include "import/DelimitedText.h"
#include "import/ImportChecks.h"
#include "import/ImportRun.h"
#include "import/ImportWindow.h"
#include "import/OfxScan.h"
#include "import/Statement.h"
#include "import/StatementMemory.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordAppender.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QtTest>

#include <csignal>

#include <memory>

using namespace fnk;
using namespace fnk::imports;
using platform::Answer;
using store::LedgerRecord;
using store::RecordFile;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

qint64 day(int y, int m, int d) { return qint64(store::dayFromDate(QDate(y, m, d))); }

// Two checking accounts in one OFX 1.x (SGML) download, Windows-1252 text.
const QByteArray kOfxSgml =
    "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nSECURITY:NONE\r\nENCODING:USASCII\r\n"
    "CHARSET:1252\r\nCOMPRESSION:NONE\r\nOLDFILEUID:NONE\r\nNEWFILEUID:NONE\r\n\r\n"
    "<OFX>\r\n<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS>\r\n"
    "<DTSERVER>20260131120000<LANGUAGE>ENG</SONRS></SIGNONMSGSRSV1>\r\n"
    "<BANKMSGSRSV1>\r\n"
    "<STMTTRNRS><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS>\r\n"
    "<STMTRS><CURDEF>USD<BANKACCTFROM><BANKID>121099999<ACCTID>1452687<ACCTTYPE>CHECKING"
    "</BANKACCTFROM>\r\n<BANKTRANLIST><DTSTART>20260101<DTEND>20260131\r\n"
    "<STMTTRN>\r\n<TRNTYPE>CREDIT\r\n<DTPOSTED>20260103120000.000\r\n<TRNAMT>1500.00\r\n"
    "<FITID>0000486\r\n<NAME>PAYROLL DEPOSIT\r\n<MEMO>PAYROLL DEPOSIT\r\n</STMTTRN>\r\n"
    "<STMTTRN>\r\n<TRNTYPE>DEBIT\r\n<DTPOSTED>20260115233000[-5:EST]\r\n<TRNAMT>-34.51\r\n"
    "<FITID>0000487\r\n<NAME>Caf\xe9 Ren\xe9\r\n<MEMO>Lunch &amp; coffee\r\n</STMTTRN>\r\n"
    "<STMTTRN>\r\n<TRNTYPE>CHECK\r\n<DTPOSTED>20260120\r\n<TRNAMT>-25.00\r\n<FITID>0000488\r\n"
    "<CHECKNUM>319\r\n<PAYEE><NAME>CITY WATER<ADDR1>1 Main St<CITY>Springfield<STATE>IL"
    "<POSTALCODE>62701<PHONE>217-555-0100</PAYEE>\r\n</STMTTRN>\r\n"
    "</BANKTRANLIST><LEDGERBAL><BALAMT>1440.49<DTASOF>20260131</LEDGERBAL></STMTRS>"
    "</STMTTRNRS>\r\n"
    "<STMTTRNRS><TRNUID>2<STATUS><CODE>0<SEVERITY>INFO</STATUS>\r\n"
    "<STMTRS><CURDEF>USD<BANKACCTFROM><BANKID>121099999<ACCTID>9988774<ACCTTYPE>SAVINGS"
    "</BANKACCTFROM>\r\n<BANKTRANLIST><DTSTART>20260101<DTEND>20260131\r\n"
    "<STMTTRN>\r\n<TRNTYPE>INT\r\n<DTPOSTED>20260131\r\n<TRNAMT>.0125\r\n<FITID>0000486\r\n"
    "<NAME>INTEREST\r\n</STMTTRN>\r\n"
    "</BANKTRANLIST><LEDGERBAL><BALAMT>100.01<DTASOF>20260131</LEDGERBAL></STMTRS>"
    "</STMTTRNRS>\r\n</BANKMSGSRSV1>\r\n</OFX>\r\n";

// A credit card statement in OFX 2.x (XML), UTF-8.
const QByteArray kOfxXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<?OFX OFXHEADER=\"200\" VERSION=\"211\" SECURITY=\"NONE\" OLDFILEUID=\"NONE\" "
    "NEWFILEUID=\"NONE\"?>\n<OFX>\n<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0</CODE><SEVERITY>INFO"
    "</SEVERITY></STATUS><DTSERVER>20260201</DTSERVER><LANGUAGE>ENG</LANGUAGE></SONRS>"
    "</SIGNONMSGSRSV1>\n<CREDITCARDMSGSRSV1><CCSTMTTRNRS><TRNUID>1</TRNUID><STATUS><CODE>0"
    "</CODE><SEVERITY>INFO</SEVERITY></STATUS>\n<CCSTMTRS><CURDEF>EUR</CURDEF><CCACCTFROM>"
    "<ACCTID>4111222233334444</ACCTID></CCACCTFROM>\n<BANKTRANLIST><DTSTART>20260101</DTSTART>"
    "<DTEND>20260131</DTEND>\n"
    "<STMTTRN><TRNTYPE>POS</TRNTYPE><DTPOSTED>20260105</DTPOSTED><TRNAMT>-42.10</TRNAMT>"
    "<FITID>CC-1</FITID><NAME>Boulangerie Fran\xc3\xa7oise</NAME><MEMO>Pain</MEMO></STMTTRN>\n"
    "<STMTTRN><TRNTYPE>PAYMENT</TRNTYPE><DTPOSTED>20260125</DTPOSTED><TRNAMT>200,00</TRNAMT>"
    "<FITID>CC-2</FITID><NAME>Payment, thank you</NAME></STMTTRN>\n"
    "</BANKTRANLIST><LEDGERBAL><BALAMT>0</BALAMT><DTASOF>20260131</DTASOF></LEDGERBAL>"
    "</CCSTMTRS></CCSTMTTRNRS></CREDITCARDMSGSRSV1>\n</OFX>\n";

// Two accounts in QIF, with a split, apostrophe years and a category.
const QByteArray kQif =
    "!Option:AutoSwitch\r\n!Account\r\nNChecking\r\nTBank\r\n^\r\n!Clear:AutoSwitch\r\n"
    "!Type:Bank\r\n"
    "D2/10'26\r\nT-100.00\r\nC*\r\nPAmazon.com\r\nMtest order 1\r\nLFood:Groceries\r\n"
    "SFood:Groceries\r\nE50%\r\n$-50.00\r\nSCar\r\nE25%\r\n$-25.00\r\nSHealth\r\n$-25.00\r\n^\r\n"
    "D2/14'2026\r\nT1,067.50\r\nPT-Mobile\r\nLbills\r\n^\r\n"
    "D2/14'26\r\nU32.00\r\nPUS Post Office\r\nMmoney back\r\nLMiscellaneous\r\n^\r\n"
    "!Account\r\nNCard\r\nTCCard\r\n^\r\n!Type:CCard\r\n"
    "D3/1/26\r\nT-9.59\r\nPCaf\xe9 du Nord\r\n^\r\n";

const char* const kCamtHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.%1\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
    "<BkToCstmrStmt>\n<GrpHdr><MsgId>STMT-1</MsgId><CreDtTm>2026-11-05T06:00:00+01:00</CreDtTm>"
    "</GrpHdr>\n";

// A CAMT.053 statement: a transfer in, a card payment out, a batch entry of
// two direct debits, a pending entry, and an entry with only a booking text.
QByteArray camt(const char* version, bool partyInPty = false)
{
    const auto party = [&](const char* role, const char* name) {
        return QByteArray("<") + role + "><" + (partyInPty ? "Pty><Nm>" : "Nm>") + name
            + (partyInPty ? "</Nm></Pty>" : "</Nm>") + "</" + role + ">";
    };
    const QByteArray status = partyInPty ? "<Sts><Cd>BOOK</Cd></Sts>" : "<Sts>BOOK</Sts>";
    return QString::fromLatin1(kCamtHead).arg(QLatin1String(version)).toUtf8()
        + "<Stmt><Id>S-1</Id><Acct><Id><IBAN>DE89370400440532013000</IBAN></Id></Acct>\n"
          "<Bal><Tp><CdOrPrtry><Cd>PRCD</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">12500.00</Amt>"
          "<CdtDbtInd>CRDT</CdtDbtInd><Dt><Dt>2026-11-03</Dt></Dt></Bal>\n"
          "<Ntry><Amt Ccy=\"EUR\">1800.00</Amt><CdtDbtInd>CRDT</CdtDbtInd>" + status
        + "<BookgDt><Dt>2026-11-04</Dt></BookgDt><ValDt><Dt>2026-11-04</Dt></ValDt>"
          "<AcctSvcrRef>2026110400001</AcctSvcrRef><NtryDtls><TxDtls><RltdPties>"
        + party("Dbtr", "M\xc3\xbcller GmbH") + party("Cdtr", "Example Trading")
        + "</RltdPties><RmtInf><Ustrd>Invoice 4711</Ustrd><Ustrd>October</Ustrd></RmtInf>"
          "</TxDtls></NtryDtls></Ntry>\n"
          "<Ntry><Amt Ccy=\"EUR\">12.95</Amt><CdtDbtInd>DBIT</CdtDbtInd>" + status
        + "<BookgDt><DtTm>2026-11-04T23:10:00+01:00</DtTm></BookgDt><NtryRef>N-2</NtryRef>"
          "<NtryDtls><TxDtls><RltdPties>" + party("Cdtr", "Bookshop")
        + "</RltdPties></TxDtls></NtryDtls></Ntry>\n"
          "<Ntry><Amt Ccy=\"EUR\">75.00</Amt><CdtDbtInd>DBIT</CdtDbtInd>" + status
        + "<BookgDt><Dt>2026-11-05</Dt></BookgDt><AcctSvcrRef>B-3</AcctSvcrRef><NtryDtls>"
          "<Btch><NbOfTxs>2</NbOfTxs></Btch>"
          "<TxDtls><Refs><AcctSvcrRef>B-3-1</AcctSvcrRef></Refs><AmtDtls><TxAmt>"
          "<Amt Ccy=\"EUR\">45.00</Amt></TxAmt></AmtDtls><RltdPties>" + party("Cdtr", "Gym")
        + "</RltdPties><RmtInf><Ustrd>Membership</Ustrd></RmtInf></TxDtls>"
          "<TxDtls><AmtDtls><TxAmt><Amt Ccy=\"EUR\">30.00</Amt></TxAmt></AmtDtls><RltdPties>"
        + party("Cdtr", "Phone Co") + "</RltdPties></TxDtls></NtryDtls></Ntry>\n"
          "<Ntry><Amt Ccy=\"EUR\">5.00</Amt><CdtDbtInd>DBIT</CdtDbtInd>"
        + (partyInPty ? "<Sts><Cd>PDNG</Cd></Sts>" : "<Sts>PDNG</Sts>")
        + "<BookgDt><Dt>2026-11-06</Dt></BookgDt></Ntry>\n"
          "<Ntry><Amt Ccy=\"EUR\">2.50</Amt><CdtDbtInd>DBIT</CdtDbtInd>" + status
        + "<BookgDt><Dt>2026-11-06</Dt></BookgDt><AddtlNtryInf>Account fee</AddtlNtryInf>"
          "</Ntry>\n</Stmt>\n</BkToCstmrStmt>\n</Document>\n";
}

QString refusal(const std::function<void()>& read)
{
    try {
        read();
    } catch (const StatementError& e) {
        return e.message;
    }
    return QStringLiteral("(read without complaint)");
}

void addCategory(const QString& folder, const QString& code, const QString& name)
{
    store::CategoryEntry e;
    e.setCategoryCode(code);
    e.setCategoryName(name);
    store::CategoryFile::inFolder(folder).append(e);
}

}  // namespace

class StatementTest : public QObject {
    Q_OBJECT

private slots:
    void kindsAreKnownByContent()
    {
        QCOMPARE(statementFormatOf(kOfxSgml), StatementFormat::Ofx);
        QCOMPARE(statementFormatOf(kOfxXml), StatementFormat::Ofx);
        QCOMPARE(statementFormatOf(kQif), StatementFormat::Qif);
        QCOMPARE(statementFormatOf("\xEF\xBB\xBF!Type:Bank\nD1/1/26\n"), StatementFormat::Qif);
        QCOMPARE(statementFormatOf(camt("02")), StatementFormat::Camt);
        QCOMPARE(statementFormatOf("01/02/2002,-12.50,Food"), StatementFormat::None);
        QCOMPARE(statementFormatOf("<?xml version=\"1.0\"?><rss/>"), StatementFormat::None);
    }

    void readsOfxStatements()
    {
        testsupport::Fixture f;
        const Statement s = readOfx(kOfxSgml);
        QCOMPARE(s.accounts, QStringList({"121099999 1452687", "121099999 9988774"}));
        QCOMPARE(s.transactions.size(), 4);
        const auto& t = s.transactions;
        QCOMPARE(t[0].day, day(2026, 1, 3));
        QCOMPARE(t[0].amount, store::Money(15000000));
        QCOMPARE(t[0].note, QStringLiteral("PAYROLL DEPOSIT"));  // memo equal to the name
        // The date part of DTPOSTED, whatever its time and zone.
        QCOMPARE(t[1].day, day(2026, 1, 15));
        QCOMPARE(t[1].amount, store::Money(-345100));
        QCOMPARE(t[1].note, QStringLiteral("Caf\u00e9 Ren\u00e9 Lunch & coffee"));
        QCOMPARE(t[2].note, QStringLiteral("CITY WATER"));  // PAYEE/NAME
        QCOMPARE(t[3].amount, store::Money(125));
        // FITIDs repeat between accounts; the account tells them apart.
        QVERIFY(t[0].id != t[3].id);
        QCOMPARE(t[3].account, QStringLiteral("121099999 9988774"));

        const Statement x = readOfx(kOfxXml);
        QCOMPARE(x.transactions.size(), 2);
        QCOMPARE(x.transactions[0].note, QStringLiteral("Boulangerie Fran\u00e7oise Pain"));
        QCOMPARE(x.transactions[0].amount, store::Money(-421000));
        QCOMPARE(x.transactions[1].amount, store::Money(2000000));
        QCOMPARE(x.transactions[1].day, day(2026, 1, 25));
    }

    // A statement too large for one pass of libofx is read in parts, half
    // of them by a second process: every transaction comes back once, in
    // file order, with its own payee, memo and id, across the two accounts.
    void largeOfxStatementsComeBackWholeAndInOrder()
    {
        testsupport::Fixture f;
        const QByteArray head = kOfxSgml.left(kOfxSgml.indexOf("<STMTTRN>"));
        const QByteArray tail = kOfxSgml.mid(kOfxSgml.indexOf("</BANKTRANLIST>"));
        QVERIFY(tail.contains("9988774"));  // the second account's statement follows
        const int n = 2600;
        QByteArray doc = head;
        for (int i = 0; i < n; ++i)
            doc += "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>202601" + QByteArray::number(10 + i % 20)
                + "<TRNAMT>-" + QByteArray::number(i / 100) + '.'
                + QByteArray::number(i % 100).rightJustified(2, '0') + "<FITID>F"
                + QByteArray::number(i) + "<NAME>Caf\xe9 " + QByteArray::number(i)
                + (i % 3 ? "<MEMO>m" + QByteArray::number(i % 7) : QByteArray())
                + "</STMTTRN>\r\n";
        doc += tail;
        const Statement s = readOfx(doc);
        QCOMPARE(s.transactions.size(), n + 1);  // and the second account's one
        QCOMPARE(s.accounts, QStringList({"121099999 1452687", "121099999 9988774"}));
        QSet<QString> ids;
        for (int i = 0; i < n; ++i) {
            const StatementTransaction& t = s.transactions[i];
            const QString note = QStringLiteral("Caf\u00e9 %1").arg(i)
                + (i % 3 ? QStringLiteral(" m%1").arg(i % 7) : QString());
            if (t.amount != -store::Money(i) * 100 || t.note != note
                || t.day != day(2026, 1, 10 + i % 20)
                || t.id != QStringLiteral("OFX|121099999 1452687|F%1").arg(i))
                QFAIL(qPrintable(QStringLiteral("transaction %1 came back as %2 %3 \"%4\" %5")
                                     .arg(i)
                                     .arg(t.day)
                                     .arg(t.amount)
                                     .arg(t.note, t.id)));
            ids << t.id;
        }
        QCOMPARE(ids.size(), n);
        QCOMPARE(s.transactions[n].account, QStringLiteral("121099999 9988774"));

        // The second process dies as a crash in libofx would end it: the
        // statement is refused at the part it lost, never read short.
        if (QThread::idealThreadCount() > 1) {
            testing::setOfxHelperStart([] { ::raise(SIGKILL); });
            const QString why = refusal([&] { readOfx(doc); });
            testing::setOfxHelperStart(nullptr);
            QVERIFY2(why.contains(QStringLiteral("stopped on this part")), qPrintable(why));
            // Parts of 1,000: the first the helper had starts at transaction 1,000.
            const int firstLine = int(doc.left(doc.indexOf("<FITID>F1000<")).count('\n')) + 1;
            QVERIFY2(why.startsWith(QStringLiteral("Lines %1 to ").arg(firstLine)), qPrintable(why));
        }

        // Each part must scan as the whole did: a payee one transaction
        // leaves open (found by fuzzing) ends with that transaction, so the
        // next one's NAME is no payee's, with the first or without it.
        const QByteArray open = "OFXHEADER:100\n<OFX><STMTTRN><PAYEE><NAME>Water</STMTTRN>\n"
                                "<STMTTRN><NAME>Bakery</STMTTRN></OFX>\n";
        const OfxScan whole = scanOfx(open);
        QCOMPARE(whole.transactions.at(0).payeeName, QByteArray("Water"));
        QCOMPARE(whole.transactions.at(1).payeeName, QByteArray());
        QCOMPARE(scanOfx(ofxPart(open, whole, 1, 2)).transactions.at(0).payeeName, QByteArray());
        // The character set is the header's alone: a memo that reads like
        // one does not count (a part without it would read otherwise).
        QVERIFY(!scanOfx("OFXHEADER:100\nCHARSET:1252\n<OFX><STMTTRN><MEMO>ENCODING:UTF-8"
                         "</STMTTRN></OFX>\n")
                     .utf8);
        QVERIFY(scanOfx("OFXHEADER:100\nENCODING:UTF-8\n<OFX></OFX>\n").utf8);
    }

    void readsQifStatements()
    {
        testsupport::Fixture f;
        const Statement s = readQif(kQif);
        QCOMPARE(s.accounts, QStringList({"Checking", "Card"}));
        QVERIFY(s.dateOrderDecided);  // "2/14'2026"
        QCOMPARE(s.dateOrder, DateOrder::MonthFirst);
        QVERIFY(!readQif("!Type:Bank\nD1/2/26\nT1\n^\n").dateOrderDecided);
        const auto& t = s.transactions;
        QCOMPARE(t.size(), 6);
        // One record per split line, with the split's category and memo.
        QCOMPARE(t[0].day, day(2026, 2, 10));
        QCOMPARE(t[0].amount, store::Money(-500000));
        QCOMPARE(t[0].note, QStringLiteral("Amazon.com 50%"));
        QCOMPARE(t[0].categoryHint, QStringLiteral("Food:Groceries"));
        QCOMPARE(t[1].categoryHint, QStringLiteral("Car"));
        QCOMPARE(t[2].note, QStringLiteral("Amazon.com test order 1"));
        QCOMPARE(t[2].categoryHint, QStringLiteral("Health"));
        QCOMPARE(t[3].amount, store::Money(10675000));  // "1,067.50"
        QCOMPARE(t[3].day, day(2026, 2, 14));
        QCOMPARE(t[4].amount, store::Money(320000));  // U when there is no T
        QCOMPARE(t[4].note, QStringLiteral("US Post Office money back"));
        QCOMPARE(t[5].note, QStringLiteral("Caf\u00e9 du Nord"));
        QCOMPARE(t[5].account, QStringLiteral("Card"));

        // A date past the 12th decides the order; it can be overridden.
        const QByteArray dayFirst = "!Type:Bank\nD03/04/26\nT-1\nPA\n^\nD15/04/1999\nT-2\nPB\n^\n";
        const Statement d = readQif(dayFirst);
        QVERIFY(d.dateOrderDecided);
        QCOMPARE(d.dateOrder, DateOrder::DayFirst);
        QCOMPARE(d.transactions[0].day, day(2026, 4, 3));
        QCOMPARE(d.transactions[1].day, day(1999, 4, 15));
        StatementOptions monthFirst;
        monthFirst.dateOrder = DateOrder::MonthFirst;
        QCOMPARE(refusal([&] { readQif(dayFirst, monthFirst); }),
                 QStringLiteral("Line 6: \"D15/04/1999\" is no date with the month first."));

        // Two equal transactions on one day stay two.
        const Statement twice = readQif("!Type:Cash\nD1/5/26\nT-3.50\nPCoffee\n^\nD1/5/26\nT-3.50\n"
                                        "PCoffee\n^\n");
        QCOMPARE(twice.transactions.size(), 2);
        QVERIFY(twice.transactions[0].id != twice.transactions[1].id);

        // UTF-8 text is read as such.
        QCOMPARE(readQif("!Type:Bank\nD1/5/26\nT-1\nPCaf\xc3\xa9\n^\n").transactions[0].note,
                 QStringLiteral("Caf\u00e9"));
    }

    void readsCamtStatementsOfEveryVersion()
    {
        for (const auto& [version, pty] : {std::pair{"02", false}, std::pair{"04", false},
                                           std::pair{"08", true}}) {
            const Statement s = readCamt(camt(version, pty));
            QCOMPARE(s.accounts, QStringList({"DE89370400440532013000"}));
            const auto& t = s.transactions;
            QCOMPARE(t.size(), 5);  // the pending entry waits for a later statement
            QCOMPARE(t[0].amount, store::Money(18000000));
            QCOMPARE(t[0].day, day(2026, 11, 4));
            // A credit names the debtor, then the remittance lines joined.
            QCOMPARE(t[0].note, QStringLiteral("M\u00fcller GmbH Invoice 4711 October"));
            QCOMPARE(t[1].amount, store::Money(-129500));
            QCOMPARE(t[1].day, day(2026, 11, 4));  // the date of DtTm
            QCOMPARE(t[1].note, QStringLiteral("Bookshop"));
            // A batch entry whose details carry amounts: one record each.
            QCOMPARE(t[2].amount, store::Money(-450000));
            QCOMPARE(t[2].note, QStringLiteral("Gym Membership"));
            QCOMPARE(t[3].amount, store::Money(-300000));
            QCOMPARE(t[3].note, QStringLiteral("Phone Co"));
            QCOMPARE(t[4].note, QStringLiteral("Account fee"));
            QStringList ids;
            for (const StatementTransaction& x : t)
                ids << x.id;
            QCOMPARE(ids, QStringList({"CAMT|DE89370400440532013000|2026110400001",
                                       "CAMT|DE89370400440532013000|N-2",
                                       "CAMT|DE89370400440532013000|B-3-1",
                                       "CAMT|DE89370400440532013000|B-3/2",
                                       ids[4]}));
            QVERIFY(ids[4].contains(QLatin1String("Account fee")));
        }
    }

    void damagedStatementsAreRefusedWithTheirLine()
    {
        testsupport::Fixture f;
        // Cut off in the middle of a transaction.
        const QByteArray cut = kOfxSgml.left(kOfxSgml.indexOf("<FITID>0000487"));
        QCOMPARE(refusal([&] { readOfx(cut); }),
                 QStringLiteral("Line 26: the transaction (STMTTRN) has no end: the file may be cut "
                                "short."));
        QByteArray badAmount = kOfxSgml;
        badAmount.replace("<TRNAMT>-34.51", "<TRNAMT>-34.5.1");
        QCOMPARE(refusal([&] { readOfx(badAmount); }),
                 QStringLiteral("Line 29: TRNAMT \"-34.5.1\" is no amount."));
        QByteArray stray = kOfxSgml;
        stray.replace("</STMTTRN>\r\n<STMTTRN>\r\n<TRNTYPE>CHECK", "</STMTTRN>\r\n</FOO>\r\n<STMTTRN>\r\n<TRNTYPE>CHECK");
        QVERIFY(refusal([&] { readOfx(stray); }).startsWith(QLatin1String("Line 34: </FOO> closes no")));
        // Found by fuzzing: a transaction outside <OFX> (here holding it)
        // was counted by the scan, and its part lost the <OFX> element.
        QCOMPARE(refusal([&] {
                     readOfx("OFXHEADER:100\n<STMTTRN><TRNAMT>1<OFX><DTPOSTED>20260101</STMTTRN>\n"
                             "<STMTTRN><DTPOSTED>20260101<TRNAMT>2</STMTTRN></OFX>\n");
                 }),
                 QStringLiteral("Line 2: a transaction (STMTTRN) outside <OFX>."));
        QVERIFY(refusal([&] { readOfx(kOfxSgml.left(kOfxSgml.size() - 8)); })
                    .contains(QLatin1String("ends before </OFX>")));

        QCOMPARE(refusal([&] { readQif("!Type:Bank\nD1/5/26\nT-1\nPA\n"); }),
                 QStringLiteral("Line 2: the last transaction has no end (^): the file may be cut "
                                "short."));
        QCOMPARE(refusal([&] { readQif("!Type:Bank\nD1/5/26\nTabc\n^\n"); }),
                 QStringLiteral("Line 3: \"Tabc\" is no amount."));
        QCOMPARE(refusal([&] { readQif("!Type:Bank\nT-1\n^\n"); }),
                 QStringLiteral("Line 2: the transaction ending at line 3 has no date (D)."));

        QByteArray camtCut = camt("02");
        camtCut.truncate(camtCut.indexOf("<Ntry><Amt Ccy=\"EUR\">75.00"));
        QCOMPARE(refusal([&] { readCamt(camtCut); }),
                 QStringLiteral("Line 9, element Document/BkToCstmrStmt/Stmt: Premature end of "
                                "document."));
        QByteArray report = camt("02");
        report.replace("camt.053.001.02", "camt.052.001.02");
        QVERIFY(refusal([&] { readCamt(report); }).contains(QLatin1String("no CAMT.053")));
        QByteArray noDate = camt("02");
        noDate.replace("<BookgDt><Dt>2026-11-05</Dt></BookgDt>", "");
        QCOMPARE(refusal([&] { readCamt(noDate); }),
                 QStringLiteral("Line 9, entry (Ntry): no booking date (BookgDt)."));

        // Not a statement at all, though named as one.
        const QString p = f.path(QStringLiteral("notes.xml"));
        writeBytes(p, "<notes><n>hello</n></notes>");
        QVERIFY(refusal([&] { readStatement(p); }).contains(QLatin1String("no bank statement")));
    }

    void importRunSkipsWhatWasImportedBefore()
    {
        testsupport::Fixture f;
        const QString dat = f.path(QStringLiteral("fennick.dat"));
        const QString seen = SeenIds::pathIn(f.folder());
        addCategory(f.folder(), QStringLiteral("FOOD"), QStringLiteral("Food"));
        addCategory(f.folder(), QStringLiteral("HOME"), QStringLiteral("Miscellaneous"));
        StatementCategories categories;
        categories.readCategories(store::CategoryFile::inFolder(f.folder()).path());
        categories.rules.set(QStringLiteral("t-mobile"), QStringLiteral("PHONE"));
        categories.defaultCode = QStringLiteral("BANK");

        const Statement s = readQif(kQif);
        StatementRunEnd end;
        importStatement(s, categories, dat, seen, end);
        QCOMPARE(end.imported, qint64(6));
        QCOMPARE(end.skipped, qint64(0));
        QCOMPARE(end.runTag, QStringLiteral("1"));
        std::vector<LedgerRecord> r = RecordFile(dat).readAll();
        QCOMPARE(r.size(), std::size_t(6));
        QCOMPARE(r[0].recordNumber, 1.0);
        QCOMPARE(r[5].recordNumber, 6.0);
        QCOMPARE(r[0].deletedFlag, 'N');
        QCOMPARE(r[0].entryDate, double(day(2026, 2, 10)));
        QCOMPARE(r[0].categoryCodeText(), QStringLiteral("FOOD      "));  // "Food:..." names Food
        QCOMPARE(r[1].categoryCodeText().trimmed(), QStringLiteral("BANK"));  // "Car": unknown
        QCOMPARE(r[3].categoryCodeText().trimmed(), QStringLiteral("PHONE"));  // the rule
        QCOMPARE(r[4].categoryCodeText().trimmed(), QStringLiteral("HOME"));  // by its name
        QCOMPARE(r[5].noteText().trimmed(), QStringLiteral("Caf\u00e9 du Nord"));
        QCOMPARE(QByteArray(r[5].note.data(), 12), QByteArray("Caf\xe9 du Nord"));

        // The same statement again adds nothing.
        importStatement(readQif(kQif), categories, dat, seen, end);
        QCOMPARE(end.imported, qint64(0));
        QCOMPARE(end.skipped, qint64(6));
        QVERIFY(end.runTag.isEmpty());
        QCOMPARE(RecordFile(dat).count(), qint64(6));

        // An overlapping statement adds only its new transactions.
        const QByteArray later = kQif + "D3/2/26\r\nT-4.00\r\nPBakery\r\n^\r\n";
        importStatement(readQif(later), categories, dat, seen, end);
        QCOMPARE(end.imported, qint64(1));
        QCOMPARE(end.skipped, qint64(6));
        QCOMPARE(end.runTag, QStringLiteral("7"));

        // Taking the first run back forgets its ids, and only its ids.
        QCOMPARE(SeenIds::forgetRun(seen, QStringLiteral("1")), qsizetype(6));
        QCOMPARE(SeenIds::read(seen).size(), qsizetype(1));
        QVERIFY(!QFile::exists(seen + QStringLiteral(".wrk")));
        importStatement(readQif(later), categories, dat, seen, end);
        QCOMPARE(end.imported, qint64(6));
        QCOMPARE(end.skipped, qint64(1));
    }

    void failedWritesKeepTheIdsOfWhatWasWritten()
    {
        testsupport::Fixture f;
        const QString dat = f.path(QStringLiteral("fennick.dat"));
        const QString seen = SeenIds::pathIn(f.folder());
        QByteArray many = "!Type:Bank\n";
        for (int i = 1; i <= 10; ++i)
            many += "D1/" + QByteArray::number(i) + "/26\nT-" + QByteArray::number(i) + "\nPShop\n^\n";
        store::testing::setAppendBlockRecords(4);
        store::testing::failWritesAfter(1, 1);  // the second block's write fails
        StatementRunEnd end;
        bool failed = false;
        try {
            importStatement(readQif(many), {}, dat, seen, end);
        } catch (const store::FileError&) {
            failed = true;
        }
        store::testing::reset();
        store::testing::setAppendBlockRecords(0);
        QVERIFY(failed);
        QCOMPARE(end.imported, qint64(4));
        QCOMPARE(RecordFile(dat).count(), qint64(4));
        // Nothing twice and nothing lost: the rest comes in the next run.
        QCOMPARE(SeenIds::read(seen).size(), qsizetype(4));
        importStatement(readQif(many), {}, dat, seen, end);
        QCOMPARE(end.imported, qint64(6));
        QCOMPARE(end.skipped, qint64(4));
    }

    void rulesAndSeenIdsAreKeptAsText()
    {
        testsupport::Fixture f;
        const QString rulesPath = CategoryRules::pathIn(f.folder());
        CategoryRules rules;
        rules.set(QStringLiteral("Caf\u00e9"), QStringLiteral("FOOD"));
        rules.set(QStringLiteral("caf\u00e9 du nord"), QStringLiteral("TREAT"));
        rules.set(QStringLiteral("CAF\u00c9"), QStringLiteral("EATING"));  // replaces the first
        rules.write(rulesPath);
        QCOMPARE(readBytes(rulesPath),
                 QByteArray("CAF\xc3\x89\tEATING\ncaf\xc3\xa9 du nord\tTREAT\n"));
        const CategoryRules back = CategoryRules::read(rulesPath);
        QCOMPARE(back.categoryFor(QStringLiteral("Caf\u00e9 du Nord, Paris")), QStringLiteral("TREAT"));
        QCOMPARE(back.categoryFor(QStringLiteral("Grand caf\u00e9")), QStringLiteral("EATING"));
        QVERIFY(back.categoryFor(QStringLiteral("Bakery")).isEmpty());
        QVERIFY(!QFile::exists(rulesPath + QStringLiteral(".wrk")));

        const QString seenPath = SeenIds::pathIn(f.folder());
        writeBytes(seenPath, "3\tOFX|a|1\r\nbroken line\n3\tOFX|a|2\n9\tQIF|x\ty\n");
        SeenIds s = SeenIds::read(seenPath);
        QCOMPARE(s.size(), qsizetype(3));
        QVERIFY(s.contains(QStringLiteral("QIF|x\ty")));
        s.add({QStringLiteral("new\tid"), QStringLiteral("OFX|a|1")}, QStringLiteral("12"));
        QCOMPARE(s.forgetRun(QStringLiteral("3")), qsizetype(2));
        s.write(seenPath);
        QCOMPARE(readBytes(seenPath), QByteArray("9\tQIF|x\ty\n12\tnew id\n"));
    }

    void quotedCsvFieldsAndTheirTick()
    {
        const QString line = QStringLiteral("1/5/2026, \"Water, sewer\" ,\"He said \"\"hi\"\"\",x\"y,");
        QCOMPARE(splitQuotedCsv(line),
                 QStringList({"1/5/2026", "Water, sewer", "He said \"hi\"", "x\"y", ""}));
        // Unticked, the plain rule cuts as it always did.
        QCOMPARE(splitLine(line, SplitRule::Plain),
                 QStringList({"1/5/2026", "\"Water", "sewer\"", "\"He said \"\"hi\"\"\"", "x\"y",
                              ""}));
        QCOMPARE(splitQuotedCsv(QStringLiteral("\"open, to the end")),
                 QStringList({"open, to the end"}));
        QVERIFY(splitQuotedCsv(QString()).isEmpty());

        testsupport::Fixture f;
        const QString memory = f.path(QStringLiteral("fnk_link.dat"));
        // A file an older program wrote reads unchanged, its fields plain.
        writeBytes(memory, "3\t1,2,3,0,0,0\tdate,amount,note\r\n");
        const QString first = QStringLiteral("date,\"amount, in $\",note");
        const auto counts = [&](bool quoted) {
            return int(splitLine(first, quoted ? SplitRule::QuotedCsv : SplitRule::Plain).size());
        };
        QVERIFY(!recallLinks(memory, first, counts));
        const std::optional<RecalledLinks> old = recallLinks(
            memory, QStringLiteral("date,amount,note"), [](bool) { return 3; });
        QVERIFY(old && !old->quotedFields && old->links.note == 3);
        rememberLinks(memory, counts(true), first, Links{1, 2, 3, 0, 0, 0}, true);
        QCOMPARE(readBytes(memory), QByteArray("3\t1,2,3,0,0,0,1\tdate,\"amount, in $\",note\r\n"
                                               "3\t1,2,3,0,0,0\tdate,amount,note\r\n"));
        const std::optional<RecalledLinks> back = recallLinks(memory, first, counts);
        QVERIFY(back && back->quotedFields && back->links.amount == 2);
        // The old form of the call does not take a quoted shape for a plain one.
        QVERIFY(!recallLinks(memory, 3, first));
    }

    void windowImportsAStatement()
    {
        testsupport::Fixture f;
        const QString dat = f.path(QStringLiteral("fennick.dat"));
        addCategory(f.folder(), QStringLiteral("FOOD"), QStringLiteral("Food"));
        addCategory(f.folder(), QStringLiteral("UTIL"), QStringLiteral("Utilities"));
        ImportWindow w(dat);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* list = w.findChild<QListWidget*>(QStringLiteral("InputList"));
        auto* preview = w.findChild<QTreeWidget*>(QStringLiteral("RecordPreview"));
        auto* defaultCategory = w.findChild<QComboBox*>(QStringLiteral("DefaultCategory"));

        // Named as a text file, known by its content.
        const QString p = f.path(QStringLiteral("download.txt"));
        writeBytes(p, kOfxSgml);
        f.port.queueFile(p);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("SelectFile")), Qt::LeftButton);
        QCOMPARE(f.port.shown().front().fileDialog.filter,
                 QStringLiteral("Comma-delimited text (*.txt)|*.txt|Comma-separated values "
                                "(*.csv)|*.csv|Bank statements (*.ofx *.qfx *.qif *.xml)|*.ofx;"
                                "*.qfx;*.qif;*.xml"));
        QCOMPARE(w.statementFormat(), StatementFormat::Ofx);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 p + QStringLiteral(" is a bank statement (OFX) of 4 transactions."));
        QCOMPARE(list->item(0)->text(),
                 QStringLiteral("||||||||||| ACCOUNT 121099999 1452687 ||||||||||||"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("3 transactions"));
        QCOMPARE(list->item(5)->text(),
                 QStringLiteral("||||||||||| ACCOUNT 121099999 9988774 ||||||||||||"));
        QCOMPARE(list->item(6)->text(), QStringLiteral("1 transaction"));
        QCOMPARE(preview->topLevelItemCount(), 4);
        QCOMPARE(preview->topLevelItem(1)->text(1), QStringLiteral("1/15/2026"));
        QCOMPARE(preview->topLevelItem(1)->text(3), QStringLiteral("Caf\u00e9 Ren\u00e9 Lunch & coffee"));
        QVERIFY(!w.findChild<QLineEdit*>(QStringLiteral("DateLink"))->isEnabled());

        // A default category, and a rule made from one row.
        defaultCategory->setCurrentIndex(defaultCategory->findData(QStringLiteral("FOOD")));
        emit defaultCategory->activated(defaultCategory->currentIndex());
        QCOMPARE(preview->topLevelItem(2)->text(4), QStringLiteral("FOOD"));
        f.port.queueInput(QStringLiteral("util"));
        f.port.queueAnswer(Answer::Yes);
        emit preview->itemDoubleClicked(preview->topLevelItem(2), 4);
        QCOMPARE(f.port.shown().at(1).inputBox.prompt,
                 QStringLiteral("The category code for \"CITY WATER\":"));
        QCOMPARE(preview->topLevelItem(2)->text(4), QStringLiteral("UTIL"));
        QCOMPARE(readBytes(CategoryRules::pathIn(f.folder())), QByteArray("CITY WATER\tUTIL\n"));
        // An unknown code is refused.
        f.port.queueInput(QStringLiteral("NOPE"));
        emit preview->itemDoubleClicked(preview->topLevelItem(0), 4);
        QVERIFY(f.port.lastMessage()->text.startsWith(QLatin1String("There is no category \"NOPE\"")));

        f.port.queueAnswer(Answer::Yes);  // Ready...
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(f.port.lastMessage()->title, QStringLiteral("Finished"));
        QVERIFY(f.port.lastMessage()->text.startsWith(
            QLatin1String("4 records have been imported. 0 were skipped as already imported.")));
        QCOMPARE(w.lastRunTag(), QStringLiteral("1"));
        const std::vector<LedgerRecord> r = RecordFile(dat).readAll();
        QCOMPARE(r.size(), std::size_t(4));
        QCOMPARE(r[2].categoryCodeText().trimmed(), QStringLiteral("UTIL"));
        QCOMPARE(r[3].categoryCodeText().trimmed(), QStringLiteral("FOOD"));
        QCOMPARE(preview->topLevelItem(0)->text(4), QStringLiteral("(imported before: skipped)"));

        f.port.queueAnswer(Answer::Yes);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(f.port.lastMessage()->text.startsWith(
            QLatin1String("0 records have been imported. 4 were skipped as already imported.")));
        QCOMPARE(RecordFile(dat).count(), qint64(4));

        // A damaged statement: one message, nothing shown, nothing written.
        const QString bad = f.path(QStringLiteral("bad.qif"));
        writeBytes(bad, "!Type:Bank\nD1/5/26\nT-1\n");
        f.port.queueFile(bad);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("SelectFile")), Qt::LeftButton);
        QCOMPARE(f.port.lastMessage()->title, QStringLiteral("Bank statement"));
        QVERIFY(f.port.lastMessage()->text.contains(QLatin1String("Line 2: the last transaction")));
        QCOMPARE(list->count(), 0);
        QCOMPARE(preview->topLevelItemCount(), 0);
        QCOMPARE(w.statementFormat(), StatementFormat::None);
        QCOMPARE(f.port.pendingAnswers(), 0);
    }

    void windowQifDateOrderAndQuotedFields()
    {
        testsupport::Fixture f;
        ImportWindow w(f.path(QStringLiteral("fennick.dat")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* order = w.findChild<QComboBox*>(QStringLiteral("DateOrder"));
        auto* preview = w.findChild<QTreeWidget*>(QStringLiteral("RecordPreview"));
        auto* quoted = w.findChild<QCheckBox*>(QStringLiteral("QuotedFields"));
        auto* list = w.findChild<QListWidget*>(QStringLiteral("InputList"));
        QVERIFY(!order->isEnabled() && !quoted->isEnabled());

        const QString q = f.path(QStringLiteral("card.qif"));
        writeBytes(q, "!Type:CCard\nD03/04/26\nT-1\nPA\n^\n");
        f.port.queueFile(q);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("SelectFile")), Qt::LeftButton);
        QVERIFY(order->isEnabled());
        QCOMPARE(order->currentText(), QStringLiteral("Month first (M/D/Y)"));
        QCOMPARE(preview->topLevelItem(0)->text(1), QStringLiteral("3/4/2026"));
        order->setCurrentIndex(1);
        emit order->activated(1);
        QCOMPARE(preview->topLevelItem(0)->text(1), QStringLiteral("4/3/2026"));

        const QString c = f.path(QStringLiteral("bills.csv"));
        writeBytes(c, "1/5/2026,-12.50,\"Water, sewer\"\r\n");
        f.port.queueFile(c);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("SelectFile")), Qt::LeftButton);
        QVERIFY(!order->isEnabled());
        QVERIFY(quoted->isEnabled() && !quoted->isChecked());
        QCOMPARE(list->count(), 5);  // heading and four fields
        QTest::mouseClick(quoted, Qt::LeftButton);
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->item(3)->text(), QStringLiteral("3 = Water, sewer"));
        for (const auto& [name, row] : {std::pair{"DateLink", 1}, std::pair{"AmountLink", 2},
                                        std::pair{"NoteLink", 3}}) {
            list->setCurrentRow(row);
            QTest::mouseClick(w.findChild<QLineEdit*>(QLatin1String(name)), Qt::LeftButton);
        }
        QCOMPARE(preview->topLevelItem(0)->text(3), QStringLiteral("Water, sewer"));
        f.port.queueAnswer(Answer::Yes);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(RecordFile(f.path(QStringLiteral("fennick.dat"))).readAll().at(0).noteText().trimmed(),
                 QStringLiteral("Water, sewer"));
        // The tick comes back with the links for the next file of the shape.
        f.port.queueFile(c);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("SelectFile")), Qt::LeftButton);
        QVERIFY(quoted->isChecked());
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("NoteLink"))->text(), QStringLiteral("3 "));
    }

    void windowTextIsTrueAndWhole()
    {
        testsupport::Fixture f;
        ImportWindow w(f.path(QStringLiteral("fennick.dat")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString folder = f.path(QStringLiteral("a-rather-long-folder-name-for-statements"));
        QDir().mkpath(folder);
        const QString p = folder + QStringLiteral("/household-account-export-2026.csv");
        writeBytes(p, "01/02/2026,-12.50,A note long enough to need the width of its column,FOOD\r\n");
        f.port.queueFile(p);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("SelectFile")), Qt::LeftButton);
        auto* list = w.findChild<QListWidget*>(QStringLiteral("InputList"));
        for (const auto& [name, row] : {std::pair{"DateLink", 1}, std::pair{"AmountLink", 2},
                                        std::pair{"NoteLink", 3}, std::pair{"CatLink", 4}}) {
            list->setCurrentRow(row);
            QTest::mouseClick(w.findChild<QLineEdit*>(QLatin1String(name)), Qt::LeftButton);
        }
        QApplication::processEvents();

        // "on the right" and "in the middle", as the instructions say.
        auto* instructions = w.findChild<QLabel*>(QStringLiteral("Label8"));
        auto* link = w.findChild<QLineEdit*>(QStringLiteral("DateLink"));
        const auto left = [&](QWidget* c) { return c->mapTo(&w, QPoint(0, 0)).x(); };
        QVERIFY(left(instructions) + instructions->width() <= left(link));
        QVERIFY(left(link) + link->width() < left(list));
        auto* preview = w.findChild<QTreeWidget*>(QStringLiteral("RecordPreview"));
        QVERIFY(left(preview) + preview->width() <= left(list) + list->width());
        QVERIFY(preview->mapTo(&w, QPoint(0, 0)).y() > list->mapTo(&w, QPoint(0, 0)).y() + list->height());

        // The instructions and the file name are whole.
        for (auto* label : {instructions, w.findChild<QLabel*>(QStringLiteral("Label1"))})
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
                     qPrintable(label->objectName()));
        // The preview's category column is in sight.
        QHeaderView* header = preview->header();
        QVERIFY(header->sectionViewportPosition(4) + header->sectionSize(4)
                <= preview->viewport()->width());
        QCOMPARE(preview->topLevelItem(0)->text(4), QStringLiteral("FOOD"));
    }
};

QTEST_MAIN(StatementTest)
#include "test_statements.moc"
