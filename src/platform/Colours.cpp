#include "platform/Colours.h"

#include <QPalette>
#include <QWidget>

#include <cmath>

namespace fnk::platform {

namespace {

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// `from` moved the fraction `t` of the way to `to`, channel by channel.
QColor mix(const QColor& from, const QColor& to, double t)
{
    auto ch = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QColor(ch(from.red(), to.red()), ch(from.green(), to.green()), ch(from.blue(), to.blue()));
}

// The field's own colours, as its window gives them.
QPalette inherited(const QWidget* field)
{
    return field->parentWidget() ? field->parentWidget()->palette() : field->palette();
}

}  // namespace

double relativeLuminance(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& hue, const QColor& background, double minimum)
{
    const QColor start = hue.toRgb();
    if (contrastRatio(start, background) >= minimum)
        return start;
    // Toward black on a background that contrasts more with black than with
    // white, otherwise toward white; the hue's angle stays.
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    const QColor end = contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
    if (contrastRatio(end, background) < minimum)
        return end;
    double low = 0.0;  // not enough
    double high = 1.0; // enough
    for (int i = 0; i < 16; ++i) {
        const double mid = (low + high) / 2;
        if (contrastRatio(mix(start, end, mid), background) >= minimum)
            high = mid;
        else
            low = mid;
    }
    QColor out = mix(start, end, high);
    // Rounding to whole channels may land a hair short; one more step ends it.
    for (double t = high; contrastRatio(out, background) < minimum && t < 1.0;) {
        t = std::min(1.0, t + 1.0 / 255);
        out = mix(start, end, t);
    }
    return out;
}

bool isDark(const QPalette& palette)
{
    return relativeLuminance(palette.color(QPalette::Base))
        < relativeLuminance(palette.color(QPalette::Text));
}

QColor markedBackground(const QColor& hue, const QPalette& palette)
{
    if (!isDark(palette))
        return hue.toRgb();
    return mix(palette.color(QPalette::Base), hue.toRgb(), 0.3);
}

void markBackground(QWidget* field, const QColor& hue)
{
    const QPalette own = inherited(field);
    const QColor back = markedBackground(hue, own);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, back);
    p.setColor(QPalette::Text, readableOn(own.color(QPalette::Text), back));
    field->setPalette(p);
}

void clearMark(QWidget* field)
{
    const QPalette own = inherited(field);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, own.color(QPalette::Base));
    p.setColor(QPalette::Text, own.color(QPalette::Text));
    field->setPalette(p);
}

}  // namespace fnk::platform
