#include "AppHarness.h"

#include "app/Settings.h"
#include "notes/Notes.h"
#include "platform/Shell.h"

#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>

using namespace fnk;

class NotesHelpTest : public QObject {
    Q_OBJECT
private slots:
    void notesDocumentPerFiscalYear()
    {
        AppHarness h;
        platform::RecordingShell shell;
        platform::ScopedShell guard(&shell);
        h.start();
        h.action("mu_NotesOpen")->trigger();
        h.action("mu_NotesOpen")->trigger();
        const QByteArray doc = testsupport::readBytes(h.path("2026fnk.doc"));
        QCOMPARE(doc, QByteArray("New Fennick note file for fiscal year 2026\r\n"
                                 "Created 12/7/2026\r\n"
                                 "Complete path and file name:\r\n")
                          + h.path("2026fnk.doc").toLocal8Bit()
                          + QByteArray("\r\nThis file *must* be saved with the extension '.doc' to work!\r\n"
                                       "Depending on your wordprocessor, you may have to force this\r\n"
                                       "with the Save As function...\r\n"));
        QCOMPARE(shell.requests().size(), 2);
        QCOMPARE(shell.requests()[0].kind, platform::RecordingShell::Request::OpenDocument);
        QCOMPARE(shell.requests()[0].path, h.path("2026fnk.doc"));

        h.action("mu_NextYear")->trigger();
        h.action("mu_NotesOpen")->trigger();
        QVERIFY(QFile::exists(h.path("2027fnk.doc")));
        QCOMPARE(testsupport::readBytes(h.path("2026fnk.doc")), doc);

        // A desktop where nothing opens it gets a plain message, not the
        // error box: what is missing, and where the editor is set.
        h.port.clear();
        shell.queueResult(false);
        h.action("mu_NotesOpen")->trigger();
        QCOMPARE(h.port.messagesShown().size(), 1);
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Program Not Found"));
        QVERIFY(h.port.lastMessage()->text.contains(h.path("2027fnk.doc")));
        QVERIFY(h.port.lastMessage()->text.contains(QStringLiteral("Program Settings")));
    }

    void notesWithAnEditorProgram()
    {
        AppHarness h;
        platform::RecordingShell shell;
        platform::ScopedShell guard(&shell);
        app::SettingsRecord s = app::firstRunDefaults();
        s.setEditorProgram("/usr/bin/editor");
        app::SettingsFile(h.folder()).write(s);
        h.start();
        h.action("mu_NotesOpen")->trigger();
        QCOMPARE(shell.requests().size(), 1);
        const auto& r = shell.requests()[0];
        QCOMPARE(r.kind, platform::RecordingShell::Request::StartProgram);
        QCOMPARE(r.program, QStringLiteral("/usr/bin/editor"));
        QCOMPARE(r.arguments, QStringList{"2026fnk.doc"});
        QCOMPARE(r.workingFolder, h.folder());

        // An editor that cannot be started is named in a plain message.
        shell.queueResult(false);
        h.action("mu_NotesOpen")->trigger();
        QCOMPARE(h.port.messagesShown().size(), 1);
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Program Not Found"));
        QVERIFY(h.port.lastMessage()->text.contains(QStringLiteral("/usr/bin/editor")));
        QVERIFY(h.port.lastMessage()->text.contains(QStringLiteral("Program Settings")));
    }

    void webLinkFromTheMenuAndTheToolbar()
    {
        AppHarness h;
        platform::RecordingShell shell;
        platform::ScopedShell guard(&shell);
        h.start();
        QVERIFY(h.action("mu_HelpWeb")->isEnabled());
        h.action("mu_HelpWeb")->trigger();
        QTest::mouseClick(h.child<QToolButton>("btn_Web"), Qt::LeftButton);
        QVERIFY(h.port.shown().isEmpty());
        QCOMPARE(shell.requests().size(), 4);
        for (int i : {0, 2}) {
            QCOMPARE(shell.requests()[i].kind, platform::RecordingShell::Request::ProgramFor);
            const auto& start = shell.requests()[i + 1];
            QCOMPARE(start.kind, platform::RecordingShell::Request::StartProgram);
            QCOMPARE(start.program, QStringLiteral("browser"));
            QCOMPARE(start.arguments.size(), 1);
            if (notes::webAddress().isEmpty()) {
                // The page is a document of its own, outside the data folder.
                const QString page = QUrl(start.arguments[0]).toLocalFile();
                QVERIFY(!page.startsWith(h.folder()));
                QCOMPARE(testsupport::readBytes(page), notes::aboutPage());
            } else {
                QCOMPARE(start.arguments[0], notes::webAddress());
            }
        }
        // F7 runs the same command.
        QCOMPARE(h.action("mu_HelpWeb")->shortcut(), QKeySequence(Qt::Key_F7));
    }

    void helpAndAbout()
    {
        AppHarness h;
        auto& w = h.start();
        h.action("mu_HelpContents")->trigger();
        QTextBrowser* help = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("HelpViewer") && top->isVisible())
                help = qobject_cast<QTextBrowser*>(top);
        QVERIFY(help);
        QVERIFY(help->toPlainText().contains("Cashflow Record"));
        w.close();  // closing the program closes its help
        QVERIFY(!help->isVisible());

        h.action("mu_HelpAbout")->trigger();
        QCOMPARE(h.port.lastMessage()->title, QStringLiteral("Fennick"));
        QVERIFY(h.port.lastMessage()->text.startsWith("Fennick v.4.2 - August 18, 2002\n\n"));
    }
};

QTEST_MAIN(NotesHelpTest)
#include "test_notes_help.moc"
