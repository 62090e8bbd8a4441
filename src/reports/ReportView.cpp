#include "reports/ReportView.h"

#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace fnk::reports {

namespace {
constexpr int kMargin = 4;  // space around the text, as a text browser's document margin
}

ReportView::ReportView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

bool ReportView::loadFile(const QString& path)
{
    clear();
    try {
        setText(readReportText(path));
    } catch (const store::FileError&) {
        return false;
    }
    return true;
}

void ReportView::setText(ReportText text)
{
    text_ = std::move(text.bytes);
    starts_ = std::move(text.lines);
    widest_ = text.widest;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void ReportView::clear()
{
    QByteArray().swap(text_);
    std::vector<Line>().swap(starts_);
    widest_ = 0;
    updateScrollBars();
    viewport()->update();
}

QString ReportView::lineText(int line) const
{
    if (line < 0 || line >= lineCount())
        return {};
    const Line& l = starts_[std::size_t(line)];
    return store::decode1252(text_.constData() + l.start, std::size_t(l.length));
}

QString ReportView::toPlainText() const
{
    QStringList lines;
    lines.reserve(lineCount());
    for (int i = 0; i < lineCount(); ++i)
        lines << lineText(i);
    return lines.join(QLatin1Char('\n'));
}

int ReportView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

std::size_t ReportView::memoryBytes() const
{
    return std::size_t(text_.capacity()) + starts_.capacity() * sizeof(Line);
}

int ReportView::lineHeight() const
{
    return std::max(1, QFontMetrics(font()).lineSpacing());
}

int ReportView::charWidth() const
{
    return std::max(1, QFontMetrics(font()).horizontalAdvance(QLatin1Char('M')));
}

int ReportView::linesPerPage() const
{
    return std::max(1, (viewport()->height() - kMargin) / lineHeight());
}

void ReportView::updateScrollBars()
{
    const int page = linesPerPage();
    verticalScrollBar()->setRange(0, std::max(0, lineCount() - page));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    const qint64 width = qint64(widest_) * charWidth() + 2 * kMargin;
    horizontalScrollBar()->setRange(0, int(std::max<qint64>(0, width - viewport()->width())));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(charWidth());
}

void ReportView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.setFont(font());
    p.setPen(palette().color(QPalette::Text));
    const QFontMetrics fm(font());
    const int height = lineHeight();
    const int x = kMargin - horizontalScrollBar()->value();
    const int first = firstVisibleLine();
    const int last = std::min(lineCount(), first + linesPerPage() + 2);
    for (int line = first; line < last; ++line) {
        const int top = kMargin + (line - first) * height;
        p.drawText(x, top + fm.ascent(), lineText(line));
    }
}

void ReportView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ReportView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateScrollBars();
        viewport()->update();
    }
}

void ReportView::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_PageUp: v->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: v->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case Qt::Key_Left: h->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: h->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Home:
        if (ctrl)
            v->setValue(v->minimum());
        h->setValue(h->minimum());
        break;
    case Qt::Key_End:
        if (ctrl)
            v->setValue(v->maximum());
        else
            h->setValue(h->maximum());
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

}  // namespace fnk::reports
