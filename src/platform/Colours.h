#pragma once

// Colours that keep their meaning on any desktop palette.  Every coloured
// text of the program is a hue (red for money out, blue for an open item)
// made readable on the background it is drawn on: darkened on a light
// background, lightened on a dark one, until its contrast reaches the 4.5:1
// that ordinary text needs (WCAG AA).

#include <QColor>

class QPalette;
class QWidget;

namespace fnk::platform {

constexpr double kReadableContrast = 4.5;

// The relative luminance of an opaque colour, 0 (black) to 1 (white).
double relativeLuminance(const QColor& c);
// The contrast between two opaque colours, 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// The shade of `hue` nearest to it with at least `minimum` contrast on
// `background`.  Where no shade reaches it (a mid-grey background), the
// shade with the most contrast.
QColor readableOn(const QColor& hue, const QColor& background,
                  double minimum = kReadableContrast);

// Whether a palette draws light text on dark fields.
bool isDark(const QPalette& palette);

// A field background that marks a mode in `hue` (macro edit, free
// selection): the hue itself on a light palette, a deep shade of it on a
// dark one.
QColor markedBackground(const QColor& hue, const QPalette& palette);

// Gives a list or box the marked background of `hue`, with its text made
// readable on it; clearMark() gives it back the colours of its window.
void markBackground(QWidget* field, const QColor& hue);
void clearMark(QWidget* field);

}  // namespace fnk::platform
