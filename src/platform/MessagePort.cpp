#include "platform/MessagePort.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>

namespace fnk::platform {

namespace {
QtMessagePort& qtPort()
{
    static QtMessagePort port;
    return port;
}
MessagePort* g_port = nullptr;
QPointer<QWidget> g_parent;
bool g_nativeFileDialogs = true;

QMessageBox::StandardButton toQt(Answer a)
{
    switch (a) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

// What a box answers when it is dismissed without a choice (Esc or the close box).
Answer escapeAnswer(Buttons b)
{
    switch (b) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel: return Answer::Cancel;
    }
    return Answer::Cancel;
}
}  // namespace

MessagePort& messages() { return g_port ? *g_port : qtPort(); }
void setMessagePort(MessagePort* port) { g_port = port; }
void setDialogParent(QWidget* parent) { g_parent = parent; }

Answer MessagePort::inform(const QString& title, const QString& text, Icon icon)
{
    return message({title, text, icon, Buttons::Ok, Answer::Ok});
}

bool MessagePort::askYesNo(const QString& title, const QString& text, Icon icon, Answer defaultButton)
{
    return message({title, text, icon, Buttons::YesNo, defaultButton}) == Answer::Yes;
}

QString toQtFilter(const QString& programFilter)
{
    const QStringList parts = programFilter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(parts[i], pattern);
    }
    if (parts.size() % 2 == 1)
        out << parts.last();
    return out.join(QStringLiteral(";;"));
}

QString filterSuffix(const QString& programFilter, int index)
{
    const QStringList parts = programFilter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    if (index < 0 || 2 * qsizetype(index) + 1 >= parts.size())
        return {};
    const QString pattern = parts[2 * index + 1].trimmed();
    if (!pattern.startsWith(QLatin1String("*.")))
        return {};
    const QString suffix = pattern.mid(2);
    for (const QChar c : suffix)
        if (c == QLatin1Char(';') || c == QLatin1Char(' ') || c == QLatin1Char('*')
            || c == QLatin1Char('?') || c == QLatin1Char('.'))
            return {};
    return suffix;
}

QString withChosenSuffix(const QString& path, const QString& programFilter, int index)
{
    const QString suffix = filterSuffix(programFilter, index);
    const QFileInfo info(path);
    if (suffix.isEmpty() || info.fileName().isEmpty() || info.fileName().contains(QLatin1Char('.'))
        || info.isDir())
        return path;
    return path + QLatin1Char('.') + suffix;
}

Answer QtMessagePort::message(const MessageBox& box)
{
    QMessageBox mb(g_parent);
    mb.setWindowTitle(box.title);
    mb.setText(box.text);
    switch (box.icon) {
    case Icon::None: mb.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: mb.setIcon(QMessageBox::Information); break;
    case Icon::Question: mb.setIcon(QMessageBox::Question); break;
    case Icon::Exclamation: mb.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: mb.setIcon(QMessageBox::Critical); break;
    }
    switch (box.buttons) {
    case Buttons::Ok: mb.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::YesNo: mb.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::OkCancel: mb.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNoCancel:
        mb.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    if (mb.button(toQt(box.defaultButton)))
        mb.setDefaultButton(toQt(box.defaultButton));
    mb.setEscapeButton(toQt(escapeAnswer(box.buttons)));
    switch (mb.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return escapeAnswer(box.buttons);
    }
}

QString QtMessagePort::input(const InputBox& box)
{
    QInputDialog d(g_parent);
    d.setWindowTitle(box.title);
    d.setInputMode(QInputDialog::TextInput);
    d.setLabelText(box.prompt);
    d.setTextValue(box.defaultText);
    // A long question wraps at about sixty characters instead of stretching
    // the box across the screen.
    if (auto* label = d.findChild<QLabel*>()) {
        label->setWordWrap(true);
        const QFontMetrics fm = label->fontMetrics();
        const int width = std::min(fm.averageCharWidth() * 60, fm.horizontalAdvance(box.prompt));
        label->setMinimumWidth(std::max(width, fm.averageCharWidth() * 30));
    }
    if (d.exec() != QDialog::Accepted)
        return {};
    return d.textValue();
}

QString QtMessagePort::file(const FileDialog& dialog)
{
    QString start = dialog.folder;
    if (!dialog.initialName.isEmpty())
        start = start.isEmpty() ? dialog.initialName : start + QLatin1Char('/') + dialog.initialName;
    QFileDialog d(g_parent, dialog.title, QString(), toQtFilter(dialog.filter));
    if (!dialog.folder.isEmpty())
        d.setDirectory(dialog.folder);
    if (!dialog.initialName.isEmpty())
        d.selectFile(start);
    d.setOption(QFileDialog::DontUseNativeDialog, !g_nativeFileDialogs);
    switch (dialog.kind) {
    case FileDialog::Open:
        d.setAcceptMode(QFileDialog::AcceptOpen);
        d.setFileMode(QFileDialog::ExistingFile);
        break;
    case FileDialog::OpenOrNew:
        d.setAcceptMode(QFileDialog::AcceptOpen);
        d.setFileMode(QFileDialog::AnyFile);
        break;
    case FileDialog::Save:
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setFileMode(QFileDialog::AnyFile);
        d.setOption(QFileDialog::DontConfirmOverwrite, true);
        break;
    }
    // A name typed without an extension gets the chosen file type's, and
    // follows the type box as the user changes it.
    const QStringList types = d.nameFilters();
    const auto chosenType = [&d, types] { return int(types.indexOf(d.selectedNameFilter())); };
    if (dialog.kind != FileDialog::Open) {
        d.setDefaultSuffix(filterSuffix(dialog.filter, chosenType()));
        QObject::connect(&d, &QFileDialog::filterSelected, &d,
                         [&d, &dialog, types](const QString& type) {
                             d.setDefaultSuffix(filterSuffix(dialog.filter, int(types.indexOf(type))));
                         });
    }
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return QString();
    const QString chosen = d.selectedFiles().constFirst();
    // A desktop's own dialog may leave the extension to the program.
    return dialog.kind == FileDialog::Open ? chosen
                                           : withChosenSuffix(chosen, dialog.filter, chosenType());
}

void QtMessagePort::setNativeFileDialogs(bool native) { g_nativeFileDialogs = native; }

Answer ScriptedMessagePort::message(const MessageBox& box)
{
    Shown s;
    s.kind = Shown::Message;
    s.box = box;
    shown_.push_back(s);
    if (box.buttons == Buttons::Ok)
        return Answer::Ok;
    if (answers_.empty())
        return escapeAnswer(box.buttons);
    const Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

QString ScriptedMessagePort::input(const InputBox& box)
{
    Shown s;
    s.kind = Shown::Input;
    s.inputBox = box;
    shown_.push_back(s);
    if (inputs_.empty())
        return QString();
    QString t = inputs_.front();
    inputs_.pop_front();
    return t;
}

QString ScriptedMessagePort::file(const FileDialog& dialog)
{
    Shown s;
    s.kind = Shown::File;
    s.fileDialog = dialog;
    shown_.push_back(s);
    if (files_.empty())
        return QString();
    const ChosenFile chosen = files_.front();
    files_.pop_front();
    // As the dialog itself completes a typed name.
    if (dialog.kind == FileDialog::Open)
        return chosen.path;
    return withChosenSuffix(chosen.path, dialog.filter, chosen.filter);
}

QList<MessageBox> ScriptedMessagePort::messagesShown() const
{
    QList<MessageBox> out;
    for (const Shown& s : shown_)
        if (s.kind == Shown::Message)
            out << s.box;
    return out;
}

std::optional<MessageBox> ScriptedMessagePort::lastMessage() const
{
    for (auto it = shown_.rbegin(); it != shown_.rend(); ++it)
        if (it->kind == Shown::Message)
            return it->box;
    return std::nullopt;
}

}  // namespace fnk::platform
