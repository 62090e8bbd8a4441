#include "platform/HelpViewer.h"

#include <QFile>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

namespace fnk::platform {

void HelpViewer::registerHelp(QWidget* owner, const QString& helpFile, const QString& builtInHelp)
{
    owner_ = owner;
    helpFile_ = helpFile;
    builtIn_ = builtInHelp;
}

void HelpViewer::showContents()
{
    if (!browser_) {
        browser_ = new QTextBrowser;
        browser_->setObjectName(QStringLiteral("HelpViewer"));
        browser_->setAttribute(Qt::WA_DeleteOnClose);
        browser_->setWindowTitle(QStringLiteral("Fennick Help"));
        browser_->setOpenExternalLinks(true);
        browser_->resize(640, 560);
        browser_->setAccessibleName(QStringLiteral("Help"));
        // Esc closes help, as it closes every window of its own.
        auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), browser_);
        QObject::connect(esc, &QShortcut::activated, browser_, &QWidget::close);
    }
    const QString source = QFile::exists(helpFile_) ? helpFile_ : builtIn_;
    browser_->setSource(source.startsWith(QLatin1Char(':'))
                            ? QUrl(QStringLiteral("qrc") + source)
                            : QUrl::fromLocalFile(source),
                        QTextDocument::HtmlResource);
    browser_->home();
    browser_->show();
    browser_->raise();
    browser_->activateWindow();
}

void HelpViewer::quit()
{
    if (browser_)
        browser_->close();
}

}  // namespace fnk::platform
