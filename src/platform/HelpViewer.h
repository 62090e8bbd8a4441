#pragma once

#include <QPointer>
#include <QTextBrowser>
#include <QString>

class QWidget;

namespace fnk::platform {

// The program's help window: one help file tied to the main window, opened
// at its contents page and closed when the program ends.
class HelpViewer {
public:
    // Remembers the owner window and the help file.  When the file is
    // missing, the help built into the program is shown instead.
    void registerHelp(QWidget* owner, const QString& helpFile, const QString& builtInHelp);
    void showContents();
    void quit();
    QTextBrowser* window() const { return browser_; }

private:
    QPointer<QWidget> owner_;
    QString helpFile_;
    QString builtIn_;
    QPointer<QTextBrowser> browser_;
};

}  // namespace fnk::platform
