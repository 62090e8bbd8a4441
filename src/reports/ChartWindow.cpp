#include "reports/ChartWindow.h"

#include "platform/MessagePort.h"
#include "platform/Printing.h"
#include "platform/ErrorReport.h"
#include "platform/WaitCursor.h"
#include "store/FileIo.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <algorithm>

namespace fnk::reports {

namespace {

// The drawing's units.
constexpr double kWidth = 1000;
constexpr double kMargin = 30;
constexpr double kNameWidth = 230;   // category names, right-aligned before their bars
constexpr double kAmountWidth = 170;  // the amount after the longest bar
constexpr double kRow = 30;
constexpr double kBar = 20;
constexpr double kTitleBlock = 80;
constexpr double kSideHead = 40;
constexpr double kSideFoot = 44;
constexpr double kResultBlock = 50;
constexpr int kTextPixels = 15;
constexpr int kTitlePixels = 22;

const QColor kInk(0x20, 0x20, 0x20);
const QColor kOutColour(0xC0, 0x39, 0x2B);
const QColor kInColour(0x27, 0x8E, 0x4A);
const QColor kRuleColour(0xB0, 0xB0, 0xB0);

QFont unitFont(int pixels, bool bold = false)
{
    QFont f;
    f.setFamily(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

int rowsOf(const QList<ChartBar>& bars) { return std::max<int>(1, int(bars.size())); }

// Draws one side from `top`; returns where the next part starts.
double paintSide(QPainter& p, double top, const QString& heading, const QList<ChartBar>& bars,
                 const QString& totalCaption, store::Money total, store::Money largest,
                 const QColor& colour)
{
    const double barLeft = kMargin + kNameWidth + 12;
    const double barSpan = kWidth - kMargin - kAmountWidth - barLeft;

    p.setPen(kInk);
    p.setFont(unitFont(kTextPixels + 2, true));
    p.drawText(QRectF(kMargin, top, kWidth - 2 * kMargin, kSideHead - 8),
               Qt::AlignLeft | Qt::AlignBottom, heading);
    double y = top + kSideHead;

    p.setFont(unitFont(kTextPixels));
    if (bars.isEmpty()) {
        p.drawText(QRectF(barLeft, y, barSpan, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("(none)"));
        y += kRow;
    }
    for (const ChartBar& b : bars) {
        const store::Money size = b.amount < 0 ? -b.amount : b.amount;
        const double length =
            largest > 0 ? std::max(1.0, barSpan * double(size) / double(largest)) : 0.0;
        p.setPen(kInk);
        p.drawText(QRectF(kMargin, y, kNameWidth, kRow), Qt::AlignRight | Qt::AlignVCenter,
                   b.name);
        p.fillRect(QRectF(barLeft, y + (kRow - kBar) / 2, length, kBar), colour);
        p.drawText(QRectF(barLeft + length + 8, y, kAmountWidth + barSpan - length, kRow),
                   Qt::AlignLeft | Qt::AlignVCenter, chartMoney(b.amount));
        y += kRow;
    }

    p.setPen(kRuleColour);
    p.drawLine(QPointF(barLeft, y + 6), QPointF(kWidth - kMargin, y + 6));
    p.setPen(kInk);
    p.setFont(unitFont(kTextPixels, true));
    p.drawText(QRectF(kMargin, y + 10, kNameWidth, kRow), Qt::AlignRight | Qt::AlignVCenter,
               totalCaption);
    p.drawText(QRectF(barLeft, y + 10, barSpan + kAmountWidth, kRow),
               Qt::AlignLeft | Qt::AlignVCenter, chartMoney(total));
    return y + kSideFoot;
}

}  // namespace

QSizeF chartSize(const ChartData& d)
{
    const double height = kMargin + kTitleBlock + kSideHead + rowsOf(d.out) * kRow + kSideFoot
        + kSideHead + rowsOf(d.in) * kRow + kSideFoot + kResultBlock + kMargin;
    return {kWidth, height};
}

void paintChart(QPainter& p, const ChartData& d)
{
    const QSizeF size = chartSize(d);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(QRectF(QPointF(0, 0), size), Qt::white);

    p.setPen(kInk);
    p.setFont(unitFont(kTitlePixels, true));
    p.drawText(QRectF(kMargin, kMargin, kWidth - 2 * kMargin, 34), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Money out and money in by category"));
    p.setFont(unitFont(kTextPixels));
    p.drawText(QRectF(kMargin, kMargin + 36, kWidth - 2 * kMargin, 24),
               Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Searched the period ") + d.earliestText
                   + QStringLiteral(" through ") + d.latestText + QStringLiteral(", inclusive."));

    const store::Money largest = d.largest();
    double y = kMargin + kTitleBlock;
    y = paintSide(p, y, QStringLiteral("Money that went OUT"), d.out,
                  QStringLiteral("Total Expense:"), d.totalOut, largest, kOutColour);
    y = paintSide(p, y, QStringLiteral("Money that came IN"), d.in,
                  QStringLiteral("Total Income:"), d.totalIn, largest, kInColour);

    const QString result = chartResultText(d);
    if (!result.isEmpty()) {
        p.setPen(d.result() > 0 ? kInColour : kOutColour);
        p.setFont(unitFont(kTextPixels + 3, true));
        p.drawText(QRectF(kMargin, y + 8, kWidth - 2 * kMargin, kResultBlock - 8),
                   Qt::AlignLeft | Qt::AlignVCenter, result);
    }
    p.restore();
}

QImage chartImage(const ChartData& d, double scale)
{
    const QSizeF size = chartSize(d) * scale;
    QImage image(size.toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.scale(scale, scale);
    paintChart(p, d);
    p.end();
    return image;
}

namespace {

// Shows the drawing scaled to fit, in the middle of the widget.
class ChartView : public QWidget {
public:
    ChartView(const ChartData& d, QWidget* parent) : QWidget(parent), data_(d)
    {
        setObjectName(QStringLiteral("ChartView"));
        setMinimumSize(480, 360);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QSizeF size = chartSize(data_);
        const double scale = std::min(width() / size.width(), height() / size.height());
        p.translate((width() - size.width() * scale) / 2, (height() - size.height() * scale) / 2);
        p.scale(scale, scale);
        paintChart(p, data_);
    }
    QSize sizeHint() const override { return (chartSize(data_) * 0.8).toSize(); }

private:
    const ChartData& data_;
};

QPushButton* newButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

ChartWindow::ChartWindow(ChartData data, QString dataFolder, QWidget* parent)
    : QWidget(parent, Qt::Window),
      data_(std::move(data)),
      dataFolder_(std::move(dataFolder)),
      saveFolder_(dataFolder_)
{
    setObjectName(QStringLiteral("fnkChart"));
    setWindowTitle(QStringLiteral("Chart of this Report"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* view = new ChartView(data_, this);
    auto* print = newButton(this, "ChartPrint", QStringLiteral("&Print"));
    auto* png = newButton(this, "ChartSavePng", QStringLiteral("Save as P&NG..."));
    auto* pdf = newButton(this, "ChartSavePdf", QStringLiteral("Save as P&DF..."));
    auto* close = newButton(this, "ChartClose", QStringLiteral("&Close"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {print, png, pdf, close})
        buttons->addWidget(b);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(view, 1);
    outer->addLayout(buttons);

    connect(print, &QPushButton::clicked, this, &ChartWindow::printChart);
    connect(png, &QPushButton::clicked, this, &ChartWindow::savePng);
    connect(pdf, &QPushButton::clicked, this, &ChartWindow::savePdf);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void ChartWindow::printChart()
{
    platform::LinePrinter& out = platform::printer();
    QString pdf;
    try {
        platform::WaitCursor busy;
        out.beginRun(dataFolder_ + QStringLiteral("fnk_chart.pdf"));
        out.beginDocument(QStringLiteral("Courier New"), 10, false);
        out.printDrawing(chartSize(data_), [this](QPainter& p) { paintChart(p, data_); });
        out.endDocument();
        pdf = out.endRun();
    } catch (const std::exception& e) {
        out.abortRun();
        platform::reportException(e);
        return;
    }
    if (!pdf.isEmpty())
        platform::messages().inform(
            QStringLiteral("Print Chart"),
            QStringLiteral("No printer is set up on this computer, so the chart has been "
                           "written to the file")
                + QStringLiteral("\n\n") + pdf);
}

void ChartWindow::savePng() { save(Kind::Png); }
void ChartWindow::savePdf() { save(Kind::Pdf); }

void ChartWindow::save(Kind kind)
{
    const bool png = kind == Kind::Png;
    const QString suffix = png ? QStringLiteral(".png") : QStringLiteral(".pdf");
    platform::FileDialog dialog;
    dialog.kind = platform::FileDialog::Save;
    dialog.title = png ? QStringLiteral("Save the chart as a picture...")
                       : QStringLiteral("Save the chart as a PDF file...");
    dialog.filter = png ? QStringLiteral("PNG pictures|*.png") : QStringLiteral("PDF files|*.pdf");
    dialog.folder = saveFolder_;
    QString fileName = platform::messages().file(dialog);
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += suffix;

    const QFileInfo existing(fileName);
    if (existing.exists() && existing.size() > 0) {
        const platform::Answer a = platform::messages().message(
            {QStringLiteral("Confirm file over-write"),
             fileName
                 + QStringLiteral(" already exists! If you continue, the file will be "
                                  "over-written. Proceed?"),
             platform::Icon::Exclamation, platform::Buttons::OkCancel, platform::Answer::Cancel});
        if (a != platform::Answer::Ok)
            return;
    }

    try {
        platform::WaitCursor busy;
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            throw store::FileError(QStringLiteral("Cannot write ") + fileName + QStringLiteral(" (")
                                       + file.errorString() + QLatin1Char(')'),
                                   store::kPathFileAccess, fileName);
        bool written = false;
        if (png) {
            written = chartImage(data_, 2.0).save(&file, "PNG");
        } else {
            QPdfWriter writer(&file);
            writer.setTitle(QStringLiteral("Chart of this Report"));
            writer.setCreator(QStringLiteral("Fennick"));
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
            QPainter p;
            if (p.begin(&writer)) {
                const QSizeF size = chartSize(data_);
                const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
                const double scale =
                    std::min(page.width() / size.width(), page.height() / size.height());
                p.scale(scale, scale);
                paintChart(p, data_);
                written = p.end();
            }
        }
        if (!written || !file.commit())
            throw store::FileError(QStringLiteral("Cannot write ") + fileName + QStringLiteral(" (")
                                       + file.errorString() + QLatin1Char(')'),
                                   store::kDeviceIo, fileName);
    } catch (const std::exception& e) {
        platform::reportException(e);
        return;
    }
    platform::messages().inform(QStringLiteral("Finished"),
                                QStringLiteral("The chart has been saved to the file\n\n")
                                    + fileName);
}

}  // namespace fnk::reports
