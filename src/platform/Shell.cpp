#include "platform/Shell.h"

#include <QDesktopServices>
#include <QProcess>

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
void setShell(Shell* s) { g_shell = s; }

bool QtShell::openDocument(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
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
