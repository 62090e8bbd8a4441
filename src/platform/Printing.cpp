#include "platform/Printing.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextOption>

#include <algorithm>
#include <cstdio>

namespace fnk::platform {

namespace {
LinePrinter* g_printer = nullptr;

QtLinePrinter& qtPrinter()
{
    static QtLinePrinter p;
    return p;
}

// Tab stops every eight character widths, as on a line printer.
constexpr int kTabColumns = 8;
}  // namespace

void LinePrinter::printDrawing(const QSizeF&, const DrawFunction&)
{
    throw PrintError(QStringLiteral("This printer prints text only"), kPrinterError);
}

LinePrinter& printer() { return g_printer ? *g_printer : qtPrinter(); }
void setPrinter(LinePrinter* p) { g_printer = p; }

QFont linePrintFont(const QString& family, int pointSize)
{
    if (QFontDatabase::hasFamily(family)) {
        QFont f(family, pointSize);
        f.setStyleHint(QFont::TypeWriter);
        return f;
    }
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(pointSize);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    if (!QFontInfo(f).fixedPitch()) {
        // The desktop's fixed font is not fixed-pitch after all: take the
        // first installed family that is.
        for (const QString& candidate : QFontDatabase::families())
            if (QFontDatabase::isFixedPitch(candidate)) {
                f.setFamily(candidate);
                break;
            }
    }
    return f;
}

// ---------------------------------------------------------------- Qt printer

QtLinePrinter::QtLinePrinter() = default;

QtLinePrinter::~QtLinePrinter() { abortRun(); }

void QtLinePrinter::beginRun(const QString& pdfPath)
{
    abortRun();
    toPdf_ = QPrinterInfo::availablePrinters().isEmpty();
    pdfPath_ = pdfPath;
    pdfWork_ = pdfPath + QStringLiteral(".tmp");
    pdfStarted_ = false;
}

void QtLinePrinter::openPainter()
{
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        const QString where = toPdf_ ? pdfWork_ : printer_->printerName();
        printer_.reset();
        throw PrintError(QStringLiteral("Cannot start printing on ") + where, kPrinterError);
    }
}

void QtLinePrinter::closePainter()
{
    const bool ended = painter_->end();
    painter_.reset();
    const bool failed = !ended || printer_->printerState() == QPrinter::Error;
    const QString where = toPdf_ ? pdfWork_ : printer_->printerName();
    printer_.reset();
    if (failed)
        throw PrintError(QStringLiteral("Printing failed on ") + where, kPrinterError);
}

void QtLinePrinter::beginDocument(const QString& fontFamily, int pointSize, bool landscape)
{
    if (painter_ && !toPdf_)
        throw PrintError(QStringLiteral("A document is already being printed"), kPrinterError);
    font_ = linePrintFont(fontFamily, pointSize);
    if (!toPdf_ || !pdfStarted_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (toPdf_) {
            printer_->setOutputFormat(QPrinter::PdfFormat);
            printer_->setOutputFileName(pdfWork_);
            printer_->setDocName(QStringLiteral("Fennick report"));
        }
        if (landscape)
            printer_->setPageOrientation(QPageLayout::Landscape);
        openPainter();
        pdfStarted_ = toPdf_;
    } else {
        // The next document of a PDF run is the file's next page.
        if (landscape && printer_->pageLayout().orientation() != QPageLayout::Landscape)
            printer_->setPageOrientation(QPageLayout::Landscape);
        if (!printer_->newPage())
            throw PrintError(QStringLiteral("Cannot start a new page in ") + pdfWork_,
                             kPrinterError);
    }
    painter_->setFont(font_);
    y_ = 0;
}

void QtLinePrinter::nextSheet()
{
    if (!printer_->newPage())
        throw PrintError(QStringLiteral("Cannot start a new page on ") + printer_->printerName(),
                         kPrinterError);
    painter_->setFont(font_);
    y_ = 0;
}

void QtLinePrinter::printLine(const QString& line)
{
    if (!painter_)
        throw PrintError(QStringLiteral("No document is open for printing"), kPrinterError);
    const QFontMetricsF fm(font_, printer_.get());
    const QRectF page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    if (y_ > 0 && y_ + fm.height() > page.height())
        nextSheet();
    if (!line.isEmpty()) {
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setTabStopDistance(fm.horizontalAdvance(QLatin1Char(' ')) * kTabColumns);
        painter_->drawText(QRectF(0, y_, page.width(), fm.lineSpacing()), line, option);
    }
    y_ += fm.lineSpacing();
}

void QtLinePrinter::printDrawing(const QSizeF& size, const DrawFunction& draw)
{
    if (!painter_)
        throw PrintError(QStringLiteral("No document is open for printing"), kPrinterError);
    if (size.isEmpty())
        return;
    const QRectF page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    const double scale = std::min(page.width() / size.width(), page.height() / size.height());
    if (y_ > 0 && y_ + size.height() * scale > page.height())
        nextSheet();
    painter_->save();
    painter_->translate(0, y_);
    painter_->scale(scale, scale);
    draw(*painter_);
    painter_->restore();
    painter_->setFont(font_);
    y_ += size.height() * scale;
}

void QtLinePrinter::endDocument()
{
    if (!painter_)
        throw PrintError(QStringLiteral("No document is open for printing"), kPrinterError);
    if (!toPdf_)
        closePainter();
}

QString QtLinePrinter::endRun()
{
    if (!toPdf_ || !pdfStarted_)
        return {};
    pdfStarted_ = false;
    if (painter_) {
        try {
            closePainter();
        } catch (...) {
            QFile::remove(pdfWork_);
            throw;
        }
    }
    if (std::rename(QFile::encodeName(pdfWork_).constData(),
                    QFile::encodeName(pdfPath_).constData())
        != 0) {
        QFile::remove(pdfWork_);
        throw PrintError(QStringLiteral("Cannot rename ") + pdfWork_ + QStringLiteral(" to ")
                             + pdfPath_,
                         kPrinterError);
    }
    return pdfPath_;
}

void QtLinePrinter::abortRun() noexcept
{
    if (painter_) {
        if (!toPdf_)
            printer_->abort();
        painter_->end();
        painter_.reset();
    }
    printer_.reset();
    if (pdfStarted_)
        QFile::remove(pdfWork_);
    pdfStarted_ = false;
}

// --------------------------------------------------------- recording printer

void RecordingPrinter::beginRun(const QString& pdfPath)
{
    if (inRun_)
        throw std::logic_error("print run started twice");
    inRun_ = true;
    aborted_ = false;
    pdfPath_ = pdfPath;
    linesInRun_ = 0;
}

void RecordingPrinter::beginDocument(const QString& fontFamily, int pointSize, bool landscape)
{
    if (!inRun_ || (!documents_.isEmpty() && !documents_.last().ended))
        throw std::logic_error("document begun outside a run or inside another document");
    documents_.push_back({fontFamily, pointSize, landscape, {}, false, {}, {}});
}

void RecordingPrinter::printLine(const QString& line)
{
    if (!inRun_ || documents_.isEmpty() || documents_.last().ended)
        throw std::logic_error("line printed outside a document");
    if (failAt_ > 0 && ++linesInRun_ >= failAt_)
        throw PrintError(QStringLiteral("The printer is not responding"), kPrinterError);
    documents_.last().lines.push_back(line);
}

void RecordingPrinter::printDrawing(const QSizeF& size, const DrawFunction& draw)
{
    if (!inRun_ || documents_.isEmpty() || documents_.last().ended)
        throw std::logic_error("drawing printed outside a document");
    QPicture picture;
    QPainter painter(&picture);
    draw(painter);
    painter.end();
    documents_.last().drawingSizes.push_back(size);
    documents_.last().drawnBounds.push_back(picture.boundingRect());
}

void RecordingPrinter::endDocument()
{
    if (!inRun_ || documents_.isEmpty() || documents_.last().ended)
        throw std::logic_error("document ended twice or never begun");
    documents_.last().ended = true;
}

QString RecordingPrinter::endRun()
{
    if (!inRun_ || (!documents_.isEmpty() && !documents_.last().ended))
        throw std::logic_error("run ended with a document open");
    inRun_ = false;
    ++runsEnded_;
    return writesPdf_ ? pdfPath_ : QString();
}

void RecordingPrinter::abortRun() noexcept
{
    inRun_ = false;
    aborted_ = true;
}

}  // namespace fnk::platform
