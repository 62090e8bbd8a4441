#pragma once

// The quick scan of an OFX document that comes before libofx: where each
// transaction (STMTTRN) begins and ends, its posting date and amount as
// written, and the damage a reader would otherwise meet (a cut-off file, an
// end tag that closes nothing), with its line.  It also cuts a large
// document into parts for libofx.

#include <QByteArray>

#include <vector>

namespace fnk::imports {

struct OfxScannedTransaction {
    qsizetype begin = 0;  // byte offset of "<STMTTRN>"
    qsizetype end = 0;    // past "</STMTTRN>" and the blank space after it
    qint64 line = 0;
    QByteArray posted;    // DTPOSTED
    QByteArray amount;    // TRNAMT
    QByteArray payeeName; // PAYEE/NAME, raw
    qint64 postedLine = 0, amountLine = 0;
};

struct OfxScan {
    std::vector<OfxScannedTransaction> transactions;
    bool utf8 = false;  // the texts are UTF-8 (else Windows-1252)
};

// Throws StatementError naming the line of the damage.
OfxScan scanOfx(const QByteArray& bytes);

// The whole document with every transaction but those from `from` up to
// `to` (in the scan's numbering) left out.
QByteArray ofxPart(const QByteArray& bytes, const OfxScan& scan, qsizetype from, qsizetype to);

}  // namespace fnk::imports
