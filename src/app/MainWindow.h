#pragma once

#include "app/CommandStates.h"
#include "app/ConfigWindow.h"
#include "app/Ledger.h"
#include "app/MainWidgets.h"
#include "app/Session.h"
#include "app/Splash.h"
#include "platform/HelpViewer.h"
#include "view/CategoryListModel.h"
#include "view/MainListModel.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QKeyEvent;

namespace fnk::app {

class ConfigWindow;
class ListCommands;
class ReportCommands;
class Splash;

// The main window: menus, tool bar, the main list, the category list, the
// floating panels and the two status bars, built by MainWidgets.  A
// command's slot asks the user, hands the work to the Ledger (anything that
// changes the data set) or the layers below, then shows the outcome.  The
// Search and Range commands live in ListCommands, the report commands in
// ReportCommands; each menu item runs the slot of its name on the first of
// them that has it.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up steps: settings, start-up form, range, re-index, lists.
    // The window becomes visible when the start-up form lets the user in.
    void startUp();

    Session& session() { return session_; }
    Ledger& ledger() { return ledger_; }
    view::MainListModel* listModel() const { return ui_.listModel; }
    view::CategoryListModel* categoryModel() const { return ui_.categoryModel; }
    QAction* action(const QString& name) const { return ui_.actions.value(name); }
    QAction* action(Command c) const { return ui_.action(c); }
    Splash* splash() const { return splash_; }

    // Rebuilds the main list with the search in force (or the given search
    // argument), then focuses it.
    void rebuildList();
    void rebuildList(const QString& searchArgument);
    void PopCategoryGrid();

    // Whether a report is being built.  The build runs in a thread of its
    // own; meanwhile the window answers (it paints, moves and closes, and Esc
    // stops the build) but every command, the lists and the tool bar wait.
    bool reportBuilding() const;

signals:
    void endProgram();
    // A report build ended: shown, failed or stopped.
    void reportBuildEnded();

public slots:
    // File
    void mu_ReIndex();
    void mu_ConfigSettings();
    void mu_Exit();
    // Records
    void mu_Undo() { undoOrRedo(true); }
    void mu_Redo() { undoOrRedo(false); }
    void mu_PurgeDeletedRecords();
    void mu_RestoreDeletedRecords();
    // Search
    void mu_AllCats();
    void mu_ClearTheGrid();
    // Data folders
    void mu_DefaultDataFolder();
    void mu_AlternateFolder1() { alternateFolder(1); }
    void mu_AlternateFolder2() { alternateFolder(2); }
    void mu_SelectDataFolder();
    // Display options and list layout
    void mu_ToolTipsOff();
    void mu_ToolTipsOn();
    void mu_NoBold();
    void MakeFontsRegular() { setFontsBold(false); }
    void MakeFontsBold() { setFontsBold(true); }
    void mu_GridFormat();
    void MainGrid_HeadingClick(int column);
    // Internal backup and import
    void mu_CreateBackup();
    void mu_RestoreBackup();
    void mu_Import();
    void mu_Backup();
    // Accessories
    void mu_TinyCalc();
    void mu_Game();
    // Notes and help
    void mu_NotesOpen();
    void mu_HelpContents();
    void mu_HelpAbout();
    void mu_HelpWeb();
    // Macros
    void mu_MacroCreate();
    void mu_MacroQuit();
    void mu_PlayMacro();
    void MacDateOK_Click();
    void MacCancel_Click();
    // Records and categories
    void mu_NewEntry();
    void MainGrid_DblClick();
    void ListPopDelete_Click();
    void mu_NewCategory();
    void mu_EditCategory();
    // Category list
    void CategoryGrid_Click();
    void CategoryGrid_DblClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sets every command, tool button and list from the window's modes.
    Modes modes() const;
    void updateCommands();
    // The main list as the record panel wants it (off while it takes a new entry).
    void setListWanted(bool on);
    void gatePassed();
    void writeSettings();
    void alternateFolder(int which);
    // Makes `folder` the data folder; re-indexes its record file when asked.
    void switchDataFolder(const QString& folder, bool reindex);
    void setFontsBold(bool bold);
    void followBoldSetting(QWidget* window);
    QList<QWidget*> secondaryWindows() const;
    void TurnMacroOn();
    void TurnMacroOff();
    double currentRecordNumber() const;
    void MainGrid_MouseUp(const QPoint& pos);
    bool listKey(QKeyEvent* key);
    // Asks, runs a whole-file command and reports its count as "Finished!".
    void wholeFileCommand(const QString& question, const std::function<qint64()>& work,
                          const QString& finished);
    // Closes the record panel (and the category panel when `otherFile`) and
    // empties the list: the record file changed or was renumbered.
    void forgetRecordNumbers(bool otherFile);
    // Locks `folder` before it becomes the data folder.  When another copy
    // holds it, asks whether to open it read-only; false means no (the
    // program ends at start-up, a switch does not happen).
    bool takeDataFolder(const QString& folder, bool atStartUp);
    void readOnlyChanged(bool on);
    // Undo or redo the last command, then show the lists as after it.
    void undoOrRedo(bool undo);

    Ledger ledger_;
    Session& session_ = ledger_.session();
    MainWidgets ui_;
    ListCommands* list_ = nullptr;
    ReportCommands* reports_ = nullptr;
    std::unique_ptr<Splash> splash_holder_;
    QPointer<Splash> splash_;
    QPointer<ConfigWindow> config_;
    bool started_ = false;
    platform::HelpViewer help_;
    QList<QPointer<QWidget>> secondary_;  // windows that follow the font setting
    QList<QPointer<QWidget>> games_;
    QPointer<QWidget> import_;  // from the import window's opening to its finished()
    QPointer<QWidget> backup_;
    bool listWanted_ = true;
    QString chosenMacro_;  // the macro file last chosen for play
    QMetaObject::Connection focusConnection_;
    QString sortDirection_;  // "", "Dn" (next heading click sorts ascending) or "Up"
};

}  // namespace fnk::app
