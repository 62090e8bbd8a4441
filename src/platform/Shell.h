#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>

namespace fnk::platform {

// What the program asks of the desktop: open a document with the program the
// desktop associates with it, find that program, start a named program, open
// a web address.  None of these waits for the program it starts.  Each
// returns whether the request was handed over.
class Shell {
public:
    virtual ~Shell() = default;
    virtual bool openDocument(const QString& path) = 0;
    // The program that opens the existing document `path` (for a web page,
    // the desktop's browser); empty when there is none.
    virtual QString programFor(const QString& path) = 0;
    // `program` is started directly with `args` (no shell, no command line to
    // split) in `workingFolder`.
    virtual bool startProgram(const QString& program, const QStringList& args,
                              const QString& workingFolder) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
};

// Says in a plain message (not the error box: nothing failed in the
// program) that no program took `document`: `editor` names the editor
// program that could not be started, or is empty when the desktop has no
// program for the document.  Says where the editor is set.
void tellNoProgramFor(const QString& document, const QString& editor);

// The shell in use; the Qt shell unless a test put another in place.
Shell& shell();
void setShell(Shell* s);  // nullptr restores the Qt shell

// Desktop services for documents and addresses, a detached process for
// programs.
class QtShell final : public Shell {
public:
    bool openDocument(const QString& path) override;
    // The desktop's opener, which hands a document or address to the program
    // the user chose for its type.
    QString programFor(const QString& path) override;
    bool startProgram(const QString& program, const QStringList& args,
                      const QString& workingFolder) override;
    bool openUrl(const QUrl& url) override;
};

// For tests: records every request and answers from a queue of results
// (true once the queue is empty).
class RecordingShell final : public Shell {
public:
    struct Request {
        enum Kind { OpenDocument, ProgramFor, StartProgram, OpenUrl } kind = OpenDocument;
        QString path;           // OpenDocument, ProgramFor
        QString program;        // StartProgram
        QStringList arguments;  // StartProgram
        QString workingFolder;  // StartProgram
        QUrl url;               // OpenUrl
    };

    void queueResult(bool ok) { results_.push_back(ok); }
    // What programFor() answers; empty for none.
    void setProgram(const QString& program) { program_ = program; }

    bool openDocument(const QString& path) override;
    QString programFor(const QString& path) override;
    bool startProgram(const QString& program, const QStringList& args,
                      const QString& workingFolder) override;
    bool openUrl(const QUrl& url) override;

    const QList<Request>& requests() const { return requests_; }
    void clear() { requests_.clear(); }

private:
    bool answer();
    std::deque<bool> results_;
    QList<Request> requests_;
    QString program_ = QStringLiteral("browser");
};

// Installs a shell for the lifetime of the guard.
class ScopedShell {
public:
    explicit ScopedShell(Shell* s) { setShell(s); }
    ~ScopedShell() { setShell(nullptr); }
    ScopedShell(const ScopedShell&) = delete;
    ScopedShell& operator=(const ScopedShell&) = delete;
};

}  // namespace fnk::platform
