#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

class QWidget;

namespace fnk::platform {

// Every message box, input box and file dialog of the program goes through
// the current MessagePort.  The Qt port shows real dialogs; the scripted port
// answers from a queue and records what would have been shown.
enum class Icon { None, Information, Question, Exclamation, Critical };
enum class Buttons { Ok, YesNo, OkCancel, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct MessageBox {
    QString title;
    QString text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    Answer defaultButton = Answer::Ok;  // Ok/Yes unless a Part says otherwise
};

struct InputBox {
    QString title;
    QString prompt;
    QString defaultText;
};

struct FileDialog {
    // Open: an existing file only.  OpenOrNew: an open dialog that also
    // takes the name of a file not yet there (the caller creates it).  Save:
    // any name; an existing file is not confirmed by the dialog.  With
    // OpenOrNew and Save a name typed without an extension gets the one of
    // the file type chosen in the dialog (withChosenSuffix).
    enum Kind { Open, Save, OpenOrNew } kind = Open;
    QString title;
    QString filter;       // "Name|pattern|Name|pattern" as the program gives it
    QString initialName;  // file name offered in the name box
    QString folder;       // folder the dialog starts in (may be empty)
};

class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual Answer message(const MessageBox& box) = 0;
    // Returns the text typed, or an empty text on Cancel (as the program's
    // input box always has).
    virtual QString input(const InputBox& box) = 0;
    // Returns the full path chosen, or an empty text on Cancel.
    virtual QString file(const FileDialog& dialog) = 0;

    // Convenience forms.
    Answer inform(const QString& title, const QString& text, Icon icon = Icon::Information);
    bool askYesNo(const QString& title, const QString& text, Icon icon = Icon::Question,
                  Answer defaultButton = Answer::Yes);
};

// The port in use; a Qt port unless a test put another in place.
MessagePort& messages();
void setMessagePort(MessagePort* port);  // nullptr restores the Qt port

// Parent widget for the Qt port's dialogs (the main window).
void setDialogParent(QWidget* parent);

// Converts "Name|pattern|Name|pattern|" to Qt's "Name (pattern);;Name (pattern)".
QString toQtFilter(const QString& programFilter);
// The extension of the file type at `index` (from 0) of a program filter:
// "csv" for "*.csv"; empty where its pattern names none or several.
QString filterSuffix(const QString& programFilter, int index);
// `path` with that extension added when its file name has none (no dot), as
// a file dialog completes a typed name.
QString withChosenSuffix(const QString& path, const QString& programFilter, int index);

class QtMessagePort final : public MessagePort {
public:
    Answer message(const MessageBox& box) override;
    QString input(const InputBox& box) override;
    QString file(const FileDialog& dialog) override;

    // The desktop's own file dialogs where it has them (the default), or
    // always Qt's, which look the same under every theme.
    static void setNativeFileDialogs(bool native);
};

// For tests: queue answers, then read back every box shown.
class ScriptedMessagePort final : public MessagePort {
public:
    struct Shown {
        enum Kind { Message, Input, File } kind = Message;
        MessageBox box;
        InputBox inputBox;
        FileDialog fileDialog;
    };

    void queueAnswer(Answer a) { answers_.push_back(a); }
    void queueInput(const QString& text) { inputs_.push_back(text); }
    // `filter` is the file type chosen in the dialog: its place in the
    // dialog's filter, 0 for the first (the one a dialog starts with).
    void queueFile(const QString& path, int filter = 0) { files_.push_back({path, filter}); }

    Answer message(const MessageBox& box) override;
    QString input(const InputBox& box) override;
    QString file(const FileDialog& dialog) override;

    const QList<Shown>& shown() const { return shown_; }
    QList<MessageBox> messagesShown() const;
    std::optional<MessageBox> lastMessage() const;
    void clear() { shown_.clear(); }
    // Answers queued but never asked for (a test checks this is empty).
    int pendingAnswers() const { return int(answers_.size() + inputs_.size() + files_.size()); }

private:
    std::deque<Answer> answers_;
    std::deque<QString> inputs_;
    struct ChosenFile {
        QString path;
        int filter = 0;
    };
    std::deque<ChosenFile> files_;
    QList<Shown> shown_;
};

// Installs a port for the lifetime of the guard.
class ScopedMessagePort {
public:
    explicit ScopedMessagePort(MessagePort* port) { setMessagePort(port); }
    ~ScopedMessagePort() { setMessagePort(nullptr); }
    ScopedMessagePort(const ScopedMessagePort&) = delete;
    ScopedMessagePort& operator=(const ScopedMessagePort&) = delete;
};

}  // namespace fnk::platform
