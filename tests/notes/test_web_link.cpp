// The web link: its document in a temporary folder, the browser the shell
// finds for it, the address or the document itself handed to the browser, and
// the two failure messages.

#include "notes/Notes.h"
#include "platform/Shell.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QUrl>
#include <QtTest>

using namespace fnk;
using platform::Icon;
using platform::RecordingShell;
using testsupport::Fixture;
using testsupport::readBytes;
using Kind = RecordingShell::Request::Kind;

class WebLinkTest : public QObject {
    Q_OBJECT

private slots:
    void addressOpensInTheBrowserOfTheDocument();
    void withoutAnAddressTheDocumentIsThePage();
    void failuresSayWhichStepFailed();
    void eachLinkHasItsOwnFolder();
};

void WebLinkTest::addressOpensInTheBrowserOfTheDocument()
{
    Fixture fx;
    RecordingShell shell;
    platform::ScopedShell guard(&shell);
    shell.setProgram(QStringLiteral("/usr/bin/firefox"));
    notes::WebLink link;
    const QString doc = link.documentPath();
    QCOMPARE(QFileInfo(doc).fileName(), QStringLiteral("junk.HTM"));
    QVERIFY(!doc.startsWith(fx.folder()));

    link.visit(QStringLiteral(" https://example.org/fennick "));
    QCOMPARE(shell.requests().size(), 2);
    QCOMPARE(shell.requests()[0].kind, Kind::ProgramFor);
    QCOMPARE(shell.requests()[0].path, doc);
    QCOMPARE(shell.requests()[1].kind, Kind::StartProgram);
    QCOMPARE(shell.requests()[1].program, QStringLiteral("/usr/bin/firefox"));
    QCOMPARE(shell.requests()[1].arguments, QStringList{"https://example.org/fennick"});
    QVERIFY(fx.port.shown().isEmpty());
    // The document only served to find the browser.
    QVERIFY(!QFileInfo::exists(doc));
}

void WebLinkTest::withoutAnAddressTheDocumentIsThePage()
{
    Fixture fx;
    RecordingShell shell;
    platform::ScopedShell guard(&shell);
    notes::WebLink link;
    link.visit(QString());

    QCOMPARE(shell.requests().size(), 2);
    QCOMPARE(shell.requests()[1].kind, Kind::StartProgram);
    const QString doc = link.documentPath();
    QCOMPARE(shell.requests()[1].arguments, QStringList{QUrl::fromLocalFile(doc).toString()});
    QVERIFY(fx.port.shown().isEmpty());
    // The browser needs the page after the command has returned.
    const QString page = QString::fromUtf8(readBytes(doc));
    QCOMPARE(readBytes(doc), notes::aboutPage());
    QVERIFY(page.contains(QStringLiteral("Fennick v.4.2 - August 18, 2002<br>")));
    QVERIFY(page.contains(QStringLiteral("<a name=\"contents\">Contents</a>")));
    QCOMPARE(page.count(QStringLiteral("<body>"), Qt::CaseInsensitive), 1);
    QCOMPARE(page.count(QStringLiteral("</body>"), Qt::CaseInsensitive), 1);

    // Shown again, the page is written afresh in the same place.
    link.visit(QString());
    QCOMPARE(shell.requests().size(), 4);
    QCOMPARE(shell.requests()[3].arguments, shell.requests()[1].arguments);
    QCOMPARE(readBytes(doc), notes::aboutPage());
}

void WebLinkTest::failuresSayWhichStepFailed()
{
    Fixture fx;
    RecordingShell shell;
    platform::ScopedShell guard(&shell);
    notes::WebLink link;

    for (const QString& address : {QStringLiteral("https://example.org/"), QString()}) {
        fx.port.clear();
        shell.clear();
        shell.setProgram(QString());
        link.visit(address);
        QCOMPARE(shell.requests().size(), 1);  // no browser is started
        QCOMPARE(fx.port.messagesShown().size(), 1);
        QCOMPARE(fx.port.messagesShown()[0].title, QStringLiteral("Browser Not Found"));
        QCOMPARE(fx.port.messagesShown()[0].text, QStringLiteral("Could not find your Browser"));
        QCOMPARE(fx.port.messagesShown()[0].icon, Icon::Exclamation);
        QVERIFY(!QFileInfo::exists(link.documentPath()));

        fx.port.clear();
        shell.setProgram(QStringLiteral("browser"));
        shell.queueResult(false);
        link.visit(address);
        QCOMPARE(fx.port.messagesShown().size(), 1);
        QCOMPARE(fx.port.messagesShown()[0].title, QStringLiteral("URL Failed"));
        QCOMPARE(fx.port.messagesShown()[0].text, QStringLiteral("Web Page not Opened"));
        QCOMPARE(fx.port.messagesShown()[0].icon, Icon::Exclamation);
        QVERIFY(!QFileInfo::exists(link.documentPath()));
    }

    // The desktop's opener is found only for a document that exists.
    QCOMPARE(platform::QtShell().programFor(fx.path("missing.htm")), QString());
}

void WebLinkTest::eachLinkHasItsOwnFolder()
{
    Fixture fx;
    RecordingShell shell;
    platform::ScopedShell guard(&shell);
    QString folder;
    {
        notes::WebLink first;
        notes::WebLink second;
        QVERIFY(first.documentPath() != second.documentPath());
        first.visit(QString());
        folder = QFileInfo(first.documentPath()).absolutePath();
        QVERIFY(QFileInfo::exists(first.documentPath()));
    }
    // The page goes with its folder when the link does.
    QVERIFY(!QFileInfo::exists(folder));
}

QTEST_GUILESS_MAIN(WebLinkTest)
#include "test_web_link.moc"
