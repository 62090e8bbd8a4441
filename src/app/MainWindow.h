#pragma once

#include "app/CommandStates.h"
#include "app/ConfigWindow.h"
#include "app/Ledger.h"
#include "app/Session.h"
#include "app/Splash.h"
#include "edit/CategoryPanel.h"
#include "edit/EditPanel.h"
#include "platform/HelpViewer.h"
#include "platform/WaitCursor.h"
#include "reports/ReportBuildJob.h"
#include "view/CategoryListModel.h"
#include "view/MainListModel.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCalendarWidget;
class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableView;
class QToolButton;

namespace fnk::reports {
class ReportView;
}

namespace fnk::app {

class ConfigWindow;
class Splash;

// The main window: menus, tool bar, the main list, the category list, the
// floating panels and the two status bars.  A command's slot asks the user,
// hands the work to the Ledger (anything that changes the data set), the
// report job or the layers below, then shows the outcome.
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
    view::MainListModel* listModel() const { return listModel_; }
    view::CategoryListModel* categoryModel() const { return categoryModel_; }
    QAction* action(const QString& name) const { return actions_.value(name); }
    QAction* action(Command c) const { return commands_[std::size_t(c)]; }
    Splash* splash() const { return splash_; }

    // Rebuilds the main list with the search in force (or the given search
    // argument), then focuses it.
    void rebuildList();
    void rebuildList(const QString& searchArgument);
    void PopCategoryGrid();

    // Whether a report is being built.  The build runs in a thread of its
    // own; meanwhile the window answers (it paints, moves and closes, and Esc
    // stops the build) but every command, the lists and the tool bar wait.
    bool reportBuilding() const { return reportJob_->running(); }

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
    // Range
    void mu_DefaultRange();
    void mu_FiscalYear();
    void mu_NextYear();
    void mu_previousYear();
    void mu_SelectDates();
    void presetRange(int days);
    void DateDialOK_Click();
    // Search
    void mu_SearchFragment();
    void mu_SearchComplete();
    void mu_SearchUDF1() { openUserFieldSearch(1); }
    void mu_SearchUDF2() { openUserFieldSearch(2); }
    void UDFSearchList_Click();
    void UDFSearchPrompt_Click();
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
    // Internal backup, import and report output
    void mu_CreateBackup();
    void mu_RestoreBackup();
    void mu_Import();
    void mu_Backup();
    void mu_PrintReport();
    void mu_WriteText();
    void mu_EditReport();
    void mu_WriteComma();
    void mu_WriteCommaSummary();
    void mu_ReportChart();
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
    // Free selection and the report view
    void mu_NewReport();
    void mu_QuitReports();
    void mu_ReturnToList();
    void mu_ReportSummary();
    void mu_ReportFull();
    void mu_ReportSummaryWide();
    void mu_ReportFullUser();
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
    void buildMenus();
    QWidget* buildToolBar();
    void buildPanels(QWidget* listArea);
    QStatusBar* buildStatusBar(const QString& name, const QStringList& tips, QList<QLabel*>& panels);
    // Sets every command, tool button and list from the window's modes.
    Modes modes() const;
    void updateCommands();
    Command commandFor(const QAction* action) const;
    // The main list as the record panel wants it (off while it takes a new entry).
    void setListWanted(bool on);
    void gatePassed();
    void placeFromSettings();
    // Sizes the window for its whole list and status panels, within the
    // screen: the first run has no size of the user's.
    void fitFirstRunWindow();
    // Keeps the window tall enough for the record panel over its list.
    void keepRecordPanelWhole();
    void storeGeometry();
    void applyRange();
    void showStatus(const view::StatusPanels& status);
    void fitStatusPanels();
    void focusListIfEnabled();
    void setColumnWidths();
    void layoutOverlays();
    void centreOverList(QWidget* panel);
    void reportFailure(const std::exception& e);
    void writeSettings();
    void openUserFieldSearch(int field);
    void alternateFolder(int which);
    // Makes `folder` the data folder; re-indexes its record file when asked.
    void switchDataFolder(const QString& folder, bool reindex);
    void setFontsBold(bool bold);
    void followBoldSetting(QWidget* window);
    void SetGridColors(QWidget* focused);
    QList<QWidget*> secondaryWindows() const;
    void setListBackground(const QColor& colour);
    void TurnMacroOn();
    void TurnMacroOff();
    void TurnReportsOn();
    void TurnReportsOff();
    void removeSelectedRow();
    void runReport(int kind);
    void reportProgress(int value, int maximum);
    void endReportBuild(reports::ReportBuildJob::Outcome outcome,
                        const std::shared_ptr<reports::ReportText>& text, const std::exception_ptr& error);
    void showReportText();
    edit::EditContext editContext();
    edit::CategoryContext categoryContext();
    double currentRecordNumber() const;
    void MainGrid_MouseUp(const QPoint& pos);
    bool listKey(QKeyEvent* key);
    // Asks, runs a whole-file command and reports its count as "Finished!".
    void wholeFileCommand(const QString& question, const std::function<qint64()>& work,
                          const QString& finished);
    void closeUserFieldSearch();
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
    view::MainListModel* listModel_ = nullptr;
    view::CategoryListModel* categoryModel_ = nullptr;
    QHash<QString, QAction*> actions_;
    std::array<QAction*, kCommandCount> commands_{};
    QHash<QString, QToolButton*> buttons_;
    struct ToolButton {
        QToolButton* button;
        Command command;  // the command it runs
        ButtonRole role;
    };
    std::vector<ToolButton> toolButtons_;
    std::unique_ptr<Splash> splash_holder_;
    QPointer<Splash> splash_;
    QPointer<ConfigWindow> config_;

    QWidget* toolRow_ = nullptr;
    QTableView* mainGrid_ = nullptr;
    QTableView* categoryGrid_ = nullptr;
    QPushButton* allButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* udfPrompt_ = nullptr;
    QListWidget* udfList_ = nullptr;
    edit::EditPanel* editPanel_ = nullptr;
    edit::CategoryPanel* categoryPanel_ = nullptr;
    QMenu* listPop_ = nullptr;
    QFrame* dateFrame_ = nullptr;
    QFrame* macDateFrame_ = nullptr;
    QCalendarWidget* monthView1_ = nullptr;
    QCalendarWidget* monthView2_ = nullptr;
    reports::ReportView* viewer_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QStatusBar* displayBar_ = nullptr;
    QStatusBar* generalBar_ = nullptr;
    QList<QLabel*> displayPanels_;
    QList<QLabel*> generalPanels_;
    QWidget* listArea_ = nullptr;
    bool started_ = false;
    platform::HelpViewer help_;
    QList<QPointer<QWidget>> secondary_;  // windows that follow the font setting
    QList<QPointer<QWidget>> games_;
    QPointer<QWidget> import_;  // from the import window's opening to its finished()
    QPointer<QWidget> backup_;
    bool wideReport_ = false;  // the last report built was a wide one
    reports::ReportBuildJob* reportJob_ = nullptr;
    std::optional<platform::WaitCursor> buildCursor_;
    bool reportShown_ = false;  // the report view is up: being built or on screen
    bool reportClosedInFreeSelection_ = false;
    bool listWanted_ = true;
    // Stops a running build and waits for its thread.
    void stopReportBuild();
    QPointer<QWidget> chart_;  // the chart of the report on screen
    QString chosenMacro_;  // the macro file last chosen for play
    QString lastFragment_;
    QString lastComplete_;
    int udfField_ = 0;  // the user field the search panel serves
    QMetaObject::Connection focusConnection_;
    QString sortDirection_;  // "", "Dn" (next heading click sorts ascending) or "Up"
};

}  // namespace fnk::app
