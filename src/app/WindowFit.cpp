#include "app/WindowFit.h"

#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>

#include <algorithm>

namespace fnk::app {

namespace {

// The box layout, at any depth of `lay`, that holds `w`.
QBoxLayout* holderOf(QLayout* lay, const QWidget* w)
{
    if (lay->indexOf(w) >= 0)
        return qobject_cast<QBoxLayout*>(lay);
    for (int i = 0; i < lay->count(); ++i)
        if (QLayout* sub = lay->itemAt(i)->layout())
            if (QBoxLayout* h = holderOf(sub, w))
                return h;
    return nullptr;
}

}  // namespace

int wholeStatusWidth(const QStatusBar* bar)
{
    int sum = 0;
    int stretch = 0;
    int spacing = 0;
    QList<std::pair<int, int>> panels;  // width needed, stretch
    for (QLabel* l : bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (l->isHidden())
            continue;
        const QFontMetrics fm = l->fontMetrics();
        // A framed label indents its text by half an "x" on each side.
        const int need = std::max(l->minimumWidth(), fm.horizontalAdvance(l->text()) + 2 * l->frameWidth()
                                                         + 2 * l->margin() + fm.horizontalAdvance(QLatin1Char('x')));
        QBoxLayout* box = bar->layout() ? holderOf(bar->layout(), l) : nullptr;
        const int s = box ? box->stretch(box->indexOf(l)) : 0;
        spacing = box ? box->spacing() : 0;
        panels.append({need, s});
        sum += need + spacing;
        stretch += s;
    }
    // Space beyond the panels' minimum widths is shared by stretch, so each
    // panel's share of the whole must hold its text.
    int proportional = 0;
    for (const auto& [need, s] : panels)
        if (s > 0)
            proportional = std::max(proportional, need * stretch / s + spacing * int(panels.size()));
    const int grip = bar->isSizeGripEnabled() ? bar->style()->pixelMetric(QStyle::PM_SizeGripSize) : 0;
    return std::max(sum, proportional) + grip + 16;
}

QSize wholeLayoutSize(const QTableView* list, int besideList, const QList<QStatusBar*>& bars,
                      const QSize& current, const QSize& available)
{
    int columns = 0;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        if (!list->isColumnHidden(c))
            columns += list->columnWidth(c);
    int width = columns + 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width()
        + besideList;
    for (const QStatusBar* bar : bars)
        width = std::max(width, wholeStatusWidth(bar));
    const QSize wanted(std::max(width, current.width()), current.height());
    return wanted.boundedTo(available);
}

}  // namespace fnk::app
