#pragma once

#include "reports/ChartData.h"

#include <QImage>
#include <QSizeF>
#include <QWidget>

class QPainter;
class QPushButton;

namespace fnk::reports {

// The chart's own drawing: a white sheet `chartSize(d)` units large with the
// title, then money out and money in as horizontal bars in the report's
// category order, each with its amount, each side's total, and the surplus or
// deficit.  Every bar is scaled to the largest category of either side, so
// the two sides compare at a glance.  Text sizes are in the same units, so
// the drawing scales as a whole onto a screen, a page or a picture.
QSizeF chartSize(const ChartData& d);
void paintChart(QPainter& painter, const ChartData& d);
// The chart as a picture `scale` pixels to a unit.
QImage chartImage(const ChartData& d, double scale);

// "Chart of this Report": a window of its own that shows the chart of the
// report on screen and prints it or saves it as a PNG picture or a PDF file.
// It keeps the figures it was opened with; the report it belongs to is the
// one it was opened from.
class ChartWindow : public QWidget {
    Q_OBJECT
public:
    // `dataFolder` (ending in its separator) receives the PDF a print run
    // writes where there is no printer.
    ChartWindow(ChartData data, QString dataFolder, QWidget* parent = nullptr);

    const ChartData& data() const { return data_; }
    // The folder the save dialogs start in; the data folder unless set.
    void setSaveFolder(const QString& folder) { saveFolder_ = folder; }

public slots:
    // Prints through platform::printer(): one page, the chart scaled to fit.
    void printChart();
    // Ask for a file name (through the message port), confirm over-writing a
    // file that holds data, and write the file beside its name before it
    // takes the name.
    void savePng();
    void savePdf();

private:
    enum class Kind { Png, Pdf };
    void save(Kind kind);

    ChartData data_;
    QString dataFolder_;
    QString saveFolder_;
};

}  // namespace fnk::reports
