#pragma once

// Names for screen readers and access keys for the keyboard.

#include <QString>

class QMenu;
class QWidget;

namespace fnk::platform {

// A caption as a screen reader says it: without its access-key marks ("&")
// and without padding spaces.
QString plainCaption(const QString& text);
// A caption without its access-key marks ("&&" stands for one "&").
QString withoutMarks(const QString& text);

// The name a screen reader gives `control`: its accessible name, or else
// the text of the label whose buddy it is, or its button text.
QString spokenName(const QWidget* control);

// Gives every control of `window` that takes the focus and that a screen
// reader could not name an accessible name: its label's or button's text
// without padding, else its tool tip, else (the parts of a combo box, a
// spin box or a calendar) the name of the control it belongs to.  A control
// named by its label or caption keeps following that text.
void nameControls(QWidget* window);

// From now on every window the program shows has its controls named as it
// is shown (message boxes, file dialogs and windows of their own too).
void nameControlsOnShow();

// Gives each entry of `menu` that has no access key one that no other
// entry of the menu uses, preferring the first letter of a word, and again
// each time the menu opens, so entries whose text changes keep one.
void giveAccessKeys(QMenu* menu);

// The access key of a caption ("R&ange": 'A'), or a null character.
QChar accessKey(const QString& caption);

}  // namespace fnk::platform
