#pragma once

#include "app/CommandStates.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <exception>
#include <vector>

class QAction;
class QCalendarWidget;
class QFrame;
class QLabel;
class QListWidget;
class QMainWindow;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableView;
class QToolButton;
class QWidget;

namespace fnk::view {
class CategoryListModel;
class DateRange;
class MainListModel;
struct StatusPanels;
}  // namespace fnk::view
namespace fnk::edit {
class CategoryPanel;
class EditPanel;
}  // namespace fnk::edit
namespace fnk::reports {
class ReportView;
}

namespace fnk::app {

class Ledger;
class SettingsRecord;

// Reports a failure of a command; one that is not a file's is number 5.
void reportFailure(const std::exception& e);

// The main window's widgets, menus and tool buttons: built once by
// setupUi(), then reached by the window and its command objects through these
// pointers.  Nothing here runs a command; the few helpers only place, size and
// fill the widgets.
struct MainWidgets {
    // Builds every widget of `window`.  The record and category panels take
    // their files and undo steps from `ledger`.
    void setupUi(QMainWindow* window, Ledger& ledger);

    QAction* action(Command c) const { return commands[std::size_t(c)]; }
    Command commandFor(const QAction* action) const;

    // The status panels show `status`; the figures fit whole.
    void showStatus(const view::StatusPanels& status);
    void fitStatusPanels();
    void focusListIfEnabled();
    void setColumnWidths();
    // The range panel and both calendars show `range`.
    void applyRange(const view::DateRange& range);
    // The floating panels centred over the list, the viewer over its band.
    void layoutOverlays();
    void centreOverList(QWidget* panel);
    // Greys the heading of the list without the focus.
    void SetGridColors(QWidget* focused);
    // The window where the settings put it, kept on a screen the user can
    // see; and its place and size back into the settings.
    void placeWindow(const SettingsRecord& settings);
    void storeGeometry(SettingsRecord& settings) const;
    // Sizes the window for its whole list and status panels, within the
    // screen: the first run has no size of the user's.
    void fitFirstRunWindow();
    // Keeps the window tall enough for the record panel over its list.
    void keepRecordPanelWhole();

    QMainWindow* window = nullptr;
    view::MainListModel* listModel = nullptr;
    view::CategoryListModel* categoryModel = nullptr;
    QHash<QString, QAction*> actions;  // every action by its objectName
    std::array<QAction*, kCommandCount> commands{};
    QHash<QString, QToolButton*> buttons;
    struct ToolButton {
        QToolButton* button;
        Command command;  // the command it runs
        ButtonRole role;
    };
    std::vector<ToolButton> toolButtons;

    QWidget* toolRow = nullptr;
    QWidget* listArea = nullptr;
    QTableView* mainGrid = nullptr;
    QTableView* categoryGrid = nullptr;
    QPushButton* allButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* udfPrompt = nullptr;
    QListWidget* udfList = nullptr;
    edit::EditPanel* editPanel = nullptr;
    edit::CategoryPanel* categoryPanel = nullptr;
    QMenu* listPop = nullptr;
    QAction* popEdit = nullptr;
    QAction* popDelete = nullptr;
    QFrame* dateFrame = nullptr;
    QPushButton* dateOk = nullptr;
    QFrame* macDateFrame = nullptr;
    QPushButton* macDateOk = nullptr;
    QPushButton* macCancel = nullptr;
    QCalendarWidget* monthView1 = nullptr;
    QCalendarWidget* monthView2 = nullptr;
    reports::ReportView* viewer = nullptr;
    QProgressBar* progress = nullptr;
    QStatusBar* displayBar = nullptr;
    QStatusBar* generalBar = nullptr;
    QList<QLabel*> displayPanels;
    QList<QLabel*> generalPanels;

private:
    void buildMenus();
    QWidget* buildToolBar();
    void buildPanels(Ledger& ledger);
    QStatusBar* buildStatusBar(const QString& name, const QStringList& tips, QList<QLabel*>& panels);
};

}  // namespace fnk::app
