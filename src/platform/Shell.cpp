#include "platform/Shell.h"

#include "platform/MessagePort.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace fnk::platform {

namespace {
Shell* g_shell = nullptr;

QtShell& qtShell()
{
    static QtShell s;
    return s;
}
}  // namespace

Shell& shell() { return g_shell ? *g_shell : qtShell(); }

void tellNoProgramFor(const QString& document, const QString& editor)
{
    const QString where = QStringLiteral("The program to use can be set in Program Settings (File "
                                         "menu), in the box \"Editor\".");
    const QString text = editor.isEmpty()
        ? QStringLiteral("No program on this computer is set up to open the document\n\n%1\n\n%2")
              .arg(document, where)
        : QStringLiteral("The editor program\n\n%1\n\ncould not be started: it is not there, or "
                         "it cannot be run. It was to open the document\n\n%2\n\n%3")
              .arg(editor, document, where);
    messages().message({QStringLiteral("Program Not Found"), text, Icon::Exclamation, Buttons::Ok,
                        Answer::Ok});
}
void setShell(Shell* s) { g_shell = s; }

bool QtShell::openDocument(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString QtShell::programFor(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return {};
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

bool QtShell::startProgram(const QString& program, const QStringList& args,
                           const QString& workingFolder)
{
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, args, workingFolder);
}

bool QtShell::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool RecordingShell::answer()
{
    if (results_.empty())
        return true;
    const bool ok = results_.front();
    results_.pop_front();
    return ok;
}

bool RecordingShell::openDocument(const QString& path)
{
    Request r;
    r.kind = Request::OpenDocument;
    r.path = path;
    requests_.push_back(r);
    return answer();
}

QString RecordingShell::programFor(const QString& path)
{
    Request r;
    r.kind = Request::ProgramFor;
    r.path = path;
    requests_.push_back(r);
    return program_;
}

bool RecordingShell::startProgram(const QString& program, const QStringList& args,
                                  const QString& workingFolder)
{
    Request r;
    r.kind = Request::StartProgram;
    r.program = program;
    r.arguments = args;
    r.workingFolder = workingFolder;
    requests_.push_back(r);
    return answer();
}

bool RecordingShell::openUrl(const QUrl& url)
{
    Request r;
    r.kind = Request::OpenUrl;
    r.url = url;
    requests_.push_back(r);
    return answer();
}

}  // namespace fnk::platform
