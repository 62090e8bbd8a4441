#pragma once

#include "reports/ReportBuild.h"

#include <QAbstractScrollArea>
#include <QByteArray>

#include <vector>

namespace fnk::reports {

// The read-only viewer of a report text: the file is read once and kept as
// its bytes with an index of where each line starts; only the lines on
// screen are decoded and painted, so a report of millions of lines shows at
// once and scrolls anywhere at the same speed.
//
// The text shown is one empty line followed by the file's lines.  Lines end
// in CR LF (a lone LF also ends one); the end of the last line ends the text.
// Characters are Windows-1252.
class ReportView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ReportView(QWidget* parent = nullptr);

    // Shows the text of `path`, replacing what was shown.  Returns false,
    // showing nothing, when the file cannot be read.
    bool loadFile(const QString& path);
    // Shows a text read already (by readReportText, say in another thread).
    void setText(ReportText text);
    // Shows nothing and gives the text's memory back.
    void clear();

    // Lines shown, the leading empty line included (0 when nothing is shown).
    int lineCount() const { return int(starts_.size()); }
    QString lineText(int line) const;
    // The whole text as shown, lines joined by "\n".
    QString toPlainText() const;
    // The first line at the top of the view.
    int firstVisibleLine() const;
    // Memory held for the text and its index, in bytes.
    std::size_t memoryBytes() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateScrollBars();
    int linesPerPage() const;
    int lineHeight() const;
    int charWidth() const;

    QByteArray text_;
    // Where each shown line starts in text_ and how long it is (end of line
    // left out).  Line 0 is the leading empty line.
    using Line = ReportText::Line;
    std::vector<Line> starts_;
    qsizetype widest_ = 0;  // characters in the longest line
};

}  // namespace fnk::reports
