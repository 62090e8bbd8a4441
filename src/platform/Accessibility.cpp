#include "platform/Accessibility.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSet>

namespace fnk::platform {

namespace {

// The label of `window` whose buddy `control` is.
const QLabel* labelOf(const QWidget* control)
{
    const QWidget* window = control->window();
    for (const QLabel* l : window->findChildren<QLabel*>())
        if (l->buddy() == control)
            return l;
    return nullptr;
}

// The combo box, spin box or calendar whose part `control` is (its pop-up
// list too).
const QWidget* ownerOf(const QWidget* control)
{
    for (const QWidget* w = control->parentWidget(); w; w = w->parentWidget())
        if (qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w)
            || qobject_cast<const QCalendarWidget*>(w))
            return w;
    return nullptr;
}

bool takesFocus(const QWidget* w)
{
    return !w->isWindow() && (w->focusPolicy() & Qt::TabFocus);
}

class ShowWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow())
                nameControls(w);
        }
        return false;
    }
};

}  // namespace

QString plainCaption(const QString& text)
{
    return withoutMarks(text).simplified();
}

QString withoutMarks(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                out += text[++i];
            continue;
        }
        out += text[i];
    }
    return out;
}

QString spokenName(const QWidget* control)
{
    if (!control->accessibleName().isEmpty())
        return control->accessibleName();
    if (const QLabel* l = labelOf(control))
        return plainCaption(l->text());
    if (const auto* b = qobject_cast<const QAbstractButton*>(control))
        return plainCaption(b->text());
    return {};
}

void nameControls(QWidget* window)
{
    QList<QWidget*> controls = window->findChildren<QWidget*>();
    controls.prepend(window);
    for (QWidget* w : std::as_const(controls)) {
        if (!takesFocus(w) || !w->accessibleName().isEmpty())
            continue;
        const QLabel* label = labelOf(w);
        QString raw;
        if (label)
            raw = label->text();
        else if (const auto* b = qobject_cast<const QAbstractButton*>(w))
            raw = b->text();
        const QString plain = plainCaption(raw);
        if (!plain.isEmpty()) {
            // A button's clean caption speaks for itself and follows its
            // text.  A label's text is given as the name: not every control
            // (a list, a table) is named by its label otherwise.
            if (label || withoutMarks(raw) != plain)
                w->setAccessibleName(plain);
            continue;
        }
        QString name = plainCaption(w->toolTip());
        if (name.isEmpty())
            if (const QWidget* owner = ownerOf(w))
                name = spokenName(owner).isEmpty() ? plainCaption(owner->toolTip()) : spokenName(owner);
        if (name.isEmpty())
            if (const auto* box = qobject_cast<const QGroupBox*>(w->parentWidget()))
                name = plainCaption(box->title());
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

void nameControlsOnShow()
{
    static QPointer<ShowWatcher> watcher;
    if (watcher || !qApp)
        return;
    watcher = new ShowWatcher(qApp);
    qApp->installEventFilter(watcher);
}

QChar accessKey(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return {};
}

void giveAccessKeys(QMenu* menu)
{
    auto assign = [](QMenu* m) {
        QSet<QChar> used;
        const QList<QAction*> entries = m->actions();
        for (const QAction* a : entries)
            if (const QChar k = accessKey(a->text()); !k.isNull())
                used.insert(k);
        for (QAction* a : entries) {
            if (a->isSeparator() || a->text().isEmpty() || !accessKey(a->text()).isNull())
                continue;
            const QString text = a->text();
            // First letters of words first, then any letter or digit.
            qsizetype at = -1;
            for (int pass = 0; pass < 2 && at < 0; ++pass) {
                for (qsizetype i = 0; i < text.size(); ++i) {
                    const QChar c = text[i];
                    const bool wordStart = i == 0 || !text[i - 1].isLetterOrNumber();
                    if (c.isLetterOrNumber() && (pass == 1 || wordStart) && !used.contains(c.toUpper())) {
                        at = i;
                        break;
                    }
                }
            }
            if (at < 0)
                continue;
            used.insert(text[at].toUpper());
            a->setText(text.left(at) + QLatin1Char('&') + text.mid(at));
        }
    };
    assign(menu);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, assign] { assign(menu); });
}

}  // namespace fnk::platform
