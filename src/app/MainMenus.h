#pragma once

// The main window's menus and tool buttons as data: each menu item's action
// (named by its command's objectName), caption and key, and each tool
// button's picture, tool tip, command and role.

#include "app/CommandStates.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class QAction;
class QMenuBar;
class QObject;
class QToolButton;
class QWidget;

namespace fnk::app {

// Builds the menus on `bar`; returns every action by its objectName, the
// menus' own actions included.
QHash<QString, QAction*> buildMainMenus(QMenuBar* bar);

// Connects each command's action to the slot of its own name (mu_ReIndex
// runs mu_ReIndex()) on the first of `receivers` that has one: the window,
// then its command objects.  A command left without a slot, other than those
// in `boundElsewhere`, stops the program at once rather than doing nothing
// when chosen.  Menus run no slot.
void bindCommandSlots(const std::array<QAction*, kCommandCount>& commands,
                      const QList<QObject*>& receivers, const QStringList& boundElsewhere);

struct ToolButtonDef {
    const char* name;
    const char* tip;
    const char* action;        // the menu command it runs
    const char* themeIcon;     // freedesktop name, or none
    const char* resourceIcon;  // :/icons/<name>.svg
    ButtonRole role;
};
const std::vector<ToolButtonDef>& toolButtonDefs();
// A tool button of `def`, with its picture and tool tip, on `parent`.
QToolButton* makeToolButton(const ToolButtonDef& def, QWidget* parent);

}  // namespace fnk::app
