#pragma once

// Small helpers the two editing panels build their controls with.

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

namespace fnk::edit::detail
{

template <typename W> W* named(W* w, const char* name, const char* tip = nullptr)
{
    w->setObjectName(QLatin1String(name));
    if (tip)
        w->setToolTip(QString::fromUtf8(tip));
    return w;
}

// A label for `field`, whose access key moves to it.
inline QLabel* labelFor(QWidget* parent, const char* name, const QString& text, QWidget* field)
{
    auto* l = named(new QLabel(text, parent), name);
    l->setBuddy(field);
    return l;
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                           const char* tip)
{
    return named(new QPushButton(caption, parent), name, tip);
}

inline QLineEdit* lineEdit(QWidget* parent, const char* name, const QString& text, const char* tip,
                           bool readOnly = false)
{
    auto* e = named(new QLineEdit(text, parent), name, tip);
    e->setReadOnly(readOnly);
    // Tab passes over a box that only shows; a click still selects its text.
    if (readOnly)
        e->setFocusPolicy(Qt::ClickFocus);
    return e;
}

// The look of a panel floating over the main list; hidden until opened.
inline void makeFloating(QFrame* frame, const char* name)
{
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setLineWidth(2);
    frame->setAutoFillBackground(true);
    frame->hide();
}

} // namespace fnk::edit::detail
