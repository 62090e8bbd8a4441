#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QStatusBar;
class QTableView;
class QWidget;

namespace fnk::app {

// The size a window needs for every shown column of `list` and every panel
// of `bars` to show whole, where `list` shares its row with controls
// `besideList` wide and the rest of the window keeps `current`'s height or
// more.  It never exceeds `available` (the screen's area for windows, less
// the window's frame).
QSize wholeLayoutSize(const QTableView* list, int besideList, const QList<QStatusBar*>& bars,
                      const QSize& current, const QSize& available);

// The width a status bar needs for each of its panels to show its text
// whole, with the space shared out by their stretch factors.
int wholeStatusWidth(const QStatusBar* bar);

}  // namespace fnk::app
