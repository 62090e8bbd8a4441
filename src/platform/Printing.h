#pragma once

#include "platform/ErrorReport.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <QRect>
#include <QSizeF>

#include <functional>
#include <memory>
#include <stdexcept>

class QPainter;
class QPrinter;

namespace fnk::platform {

// A failure of the printer or of the file a print run writes.
class PrintError : public Failure {
public:
    PrintError(const QString& name, int number) : Failure(name, number) {}
};

constexpr int kPrinterError = 482;

// A printer that takes text one line at a time.  A print run holds one or
// more documents; each document has its own font and orientation.  Every
// step may throw PrintError; after one, abortRun() drops what is open.
class LinePrinter {
public:
    virtual ~LinePrinter() = default;
    // Starts a run.  Where the system has no printer the whole run is written
    // as pages of one PDF file, `pdfPath`.
    virtual void beginRun(const QString& pdfPath) = 0;
    // `landscape` false keeps the printer's own orientation.
    virtual void beginDocument(const QString& fontFamily, int pointSize, bool landscape) = 0;
    virtual void printLine(const QString& line) = 0;
    // Draws a picture `size` units large, in its own units, below what the
    // document holds, scaled to fit the page (on a new sheet when too little
    // of the page is left).  This printer cannot unless it says otherwise.
    using DrawFunction = std::function<void(QPainter&)>;
    virtual void printDrawing(const QSizeF& size, const DrawFunction& draw);
    virtual void endDocument() = 0;
    // Ends the run.  Returns the PDF file written, or an empty text when the
    // run went to a printer.
    virtual QString endRun() = 0;
    virtual void abortRun() noexcept = 0;
};

// The printer in use; the Qt printer unless a test put another in place.
LinePrinter& printer();
void setPrinter(LinePrinter* p);  // nullptr restores the Qt printer

// The font asked for, or the system's fixed-pitch font at that size when the
// family is not installed.
QFont linePrintFont(const QString& family, int pointSize);

// Prints through the system's default printer, one print job per document.
// Without any printer the documents become the pages of one PDF file, which
// is written beside its final name and takes that name when the run ends.
// A line that does not fit on the paper goes on to a new sheet rather than
// being lost.
class QtLinePrinter final : public LinePrinter {
public:
    QtLinePrinter();
    ~QtLinePrinter() override;

    void beginRun(const QString& pdfPath) override;
    void beginDocument(const QString& fontFamily, int pointSize, bool landscape) override;
    void printLine(const QString& line) override;
    void printDrawing(const QSizeF& size, const DrawFunction& draw) override;
    void endDocument() override;
    QString endRun() override;
    void abortRun() noexcept override;

private:
    void openPainter();
    void closePainter();
    void nextSheet();

    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    QFont font_;
    bool toPdf_ = false;
    bool pdfStarted_ = false;
    QString pdfPath_;
    QString pdfWork_;
    double y_ = 0;
};

// For tests: records every document and its lines.  It throws
// std::logic_error when driven out of order (a line outside a document, a
// run ended with a document open), so a test sees such mistakes.
class RecordingPrinter final : public LinePrinter {
public:
    struct Document {
        QString fontFamily;
        int pointSize = 0;
        bool landscape = false;
        QStringList lines;
        bool ended = false;
        QList<QSizeF> drawingSizes;  // each drawing's size, as asked
        QList<QRect> drawnBounds;    // what each drawing painted, in its own units
    };

    // Behave as a system without a printer: endRun() answers the PDF path.
    void setWritesPdf(bool on) { writesPdf_ = on; }
    // The printer fails on line `n` of the run (counted from 1); 0 never.
    void failAtLine(int n) { failAt_ = n; }

    void beginRun(const QString& pdfPath) override;
    void beginDocument(const QString& fontFamily, int pointSize, bool landscape) override;
    void printLine(const QString& line) override;
    void printDrawing(const QSizeF& size, const DrawFunction& draw) override;
    void endDocument() override;
    QString endRun() override;
    void abortRun() noexcept override;

    const QList<Document>& documents() const { return documents_; }
    int runsEnded() const { return runsEnded_; }
    bool aborted() const { return aborted_; }
    bool inRun() const { return inRun_; }
    const QString& pdfPath() const { return pdfPath_; }

private:
    QList<Document> documents_;
    QString pdfPath_;
    bool writesPdf_ = false;
    bool inRun_ = false;
    bool aborted_ = false;
    int runsEnded_ = 0;
    int failAt_ = 0;
    int linesInRun_ = 0;
};

// Installs a printer for the lifetime of the guard.
class ScopedPrinter {
public:
    explicit ScopedPrinter(LinePrinter* p) { setPrinter(p); }
    ~ScopedPrinter() { setPrinter(nullptr); }
    ScopedPrinter(const ScopedPrinter&) = delete;
    ScopedPrinter& operator=(const ScopedPrinter&) = delete;
};

}  // namespace fnk::platform
