#include "app/MainWindow.h"

#include "accessories/Game.h"
#include "accessories/TinyCalc.h"
#include "app/ConfigWindow.h"
#include "app/FolderNotices.h"
#include "app/ListCommands.h"
#include "app/MainMenus.h"
#include "app/ReportCommands.h"
#include "app/Splash.h"
#include "edit/CategoryPanel.h"
#include "edit/EditPanel.h"
#include "notes/Notes.h"
#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/MessagePort.h"
#include "platform/WaitCursor.h"
#include "reports/ReportView.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/Maintenance.h"
#include "store/Text1252.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>

// Resources live in this static library; the executable must register them.
static void initAppResources() { Q_INIT_RESOURCE(icons); }

namespace fnk::app {

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), ledger_(programFolder)
{
    initAppResources();
    setObjectName(QStringLiteral("FNK_3_Main"));
    setWindowTitle(QStringLiteral("Fennick"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/fennick.svg")));
    platform::setDialogParent(this);
    connect(&ledger_, &Ledger::readOnlyChanged, this, &MainWindow::readOnlyChanged);

    ui_.setupUi(this, ledger_);
    list_ = new ListCommands(session_, ui_, this);
    reports_ = new ReportCommands(session_, ui_, this);
    connect(list_, &ListCommands::listWanted, this, qOverload<>(&MainWindow::rebuildList));
    connect(list_, &ListCommands::listWantedFor, this, qOverload<const QString&>(&MainWindow::rebuildList));
    connect(reports_, &ReportCommands::modeChanged, this, &MainWindow::updateCommands);
    connect(reports_, &ReportCommands::listWanted, this, qOverload<>(&MainWindow::rebuildList));
    connect(reports_, &ReportCommands::buildEnded, this, &MainWindow::reportBuildEnded);
    // Each command runs the slot of its own name on the window or on one of
    // its command objects; Edit Entry and the preset ranges are bound below.
    QStringList elsewhere{commandName(Command::EditEntry)};
    for (const auto& p : view::DateRange::presets())
        elsewhere << QLatin1String(p.command);
    bindCommandSlots(ui_.commands, {this, list_, reports_}, elsewhere);
    connect(action(Command::EditEntry), &QAction::triggered, this, &MainWindow::MainGrid_DblClick);
    for (const auto& p : view::DateRange::presets()) {
        const int days = p.days;
        connect(action(QLatin1String(p.command)), &QAction::triggered, list_,
                [this, days] { list_->presetRange(days); });
    }
    connect(ui_.editPanel, &edit::EditPanel::openedForNew, this, [this] {
        setListWanted(false);
        ui_.allButton->setEnabled(false);
        ui_.categoryGrid->setFocus();
    });
    connect(ui_.editPanel, &edit::EditPanel::openedForRecord, this, [this] {
        ui_.allButton->setEnabled(true);
        setListWanted(true);
    });
    connect(ui_.editPanel, &edit::EditPanel::closedAfterSave, this, [this] {
        ui_.allButton->setEnabled(true);
        setListWanted(true);
        rebuildList();
        // An entry saved with a date the list does not show leaves it: say so
        // where the dates shown are, until the list changes again.
        const store::LedgerRecord& saved = ui_.editPanel->currentRecord();
        const double first = store::dayFromDate(session_.range.earliest());
        const double last = store::dayFromDate(session_.range.latest());
        if (!session_.macroMode && !saved.isDeleted()
            && !(first <= saved.entryDate && saved.entryDate <= last))
            ui_.generalBar->showMessage(QStringLiteral("Saved; outside the dates shown"), 15000);
    });
    connect(ui_.editPanel, &edit::EditPanel::closedWithoutSave, this, [this] {
        ui_.allButton->setEnabled(true);
        setListWanted(true);
        const QModelIndex cur = ui_.mainGrid->currentIndex();
        if (cur.isValid())
            ui_.mainGrid->selectRow(cur.row());
        ui_.mainGrid->setFocus();
    });
    connect(ui_.categoryPanel, &edit::CategoryPanel::categoriesChanged, this,
            &MainWindow::PopCategoryGrid);
    connect(ui_.categoryPanel, &edit::CategoryPanel::rememberedCategoryChanged, this,
            [this](const QString& code, const QString& name) {
                session_.rememberedCode = code;
                session_.rememberedName = name;
            });
    connect(ui_.categoryPanel, &edit::CategoryPanel::listNeedsRebuild, this,
            [this] { rebuildList(); });
    connect(ui_.macDateOk, &QPushButton::clicked, this, &MainWindow::MacDateOK_Click);
    connect(ui_.macCancel, &QPushButton::clicked, this, &MainWindow::MacCancel_Click);

    ui_.categoryGrid->installEventFilter(this);
    ui_.listArea->installEventFilter(this);
    ui_.mainGrid->installEventFilter(this);
    ui_.mainGrid->viewport()->installEventFilter(this);

    connect(ui_.allButton, &QPushButton::clicked, this, &MainWindow::mu_AllCats);
    connect(ui_.clearButton, &QPushButton::clicked, this, &MainWindow::mu_ClearTheGrid);
    connect(ui_.categoryGrid, &QTableView::clicked, this, &MainWindow::CategoryGrid_Click);
    connect(ui_.mainGrid, &QTableView::doubleClicked, this, &MainWindow::MainGrid_DblClick);
    ui_.mainGrid->horizontalHeader()->setSectionsClickable(true);
    connect(ui_.mainGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::MainGrid_HeadingClick);
    connect(ui_.mainGrid, &QTableView::pressed, this, [this] {
        if (sortDirection_.isEmpty())
            sortDirection_ = QStringLiteral("Dn");
    });
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == ui_.mainGrid || now == ui_.categoryGrid)
            ui_.SetGridColors(now);
    });
    connect(ui_.popEdit, &QAction::triggered, this, &MainWindow::MainGrid_DblClick);
    connect(ui_.popDelete, &QAction::triggered, this, &MainWindow::ListPopDelete_Click);
    ui_.mainGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui_.mainGrid, &QWidget::customContextMenuRequested, this, &MainWindow::MainGrid_MouseUp);
    // Esc stops a report build, or closes the record panel.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] {
        if (reportBuilding())
            reports_->stopBuild();
        else if (ui_.editPanel->isVisible())
            ui_.editPanel->CloseButton_Click();
        else if (session_.freeSelection && ui_.mainGrid->hasFocus() && !ui_.viewer->isVisible())
            reports_->mu_QuitReports();
        else if (session_.macroMode && ui_.mainGrid->hasFocus())
            mu_MacroQuit();
    });
    // The window sees every key before its controls (Ctrl or Alt with
    // Delete, on release, even inside a text box).
    qApp->installEventFilter(this);
    connect(ui_.categoryGrid, &QTableView::doubleClicked, this, &MainWindow::CategoryGrid_DblClick);
    // Record numbers taken before the record file changed or was renumbered
    // are let go of before the next command can write through them.
    connect(&session_, &Session::recordFileChanged, this, [this] { forgetRecordNumbers(true); });
    connect(&session_, &Session::recordsRenumbered, this, [this] { forgetRecordNumbers(false); });
    connect(&ledger_, &Ledger::historyChanged, this, &MainWindow::updateCommands);

    updateCommands();
    // Column widths follow the header string, set again only when the layout
    // changes, so widths the user drags stay through rebuilds.
    connect(ui_.listModel, &QAbstractItemModel::headerDataChanged, this, [this] { ui_.setColumnWidths(); });
    ui_.setColumnWidths();

    // Shrinking below three status-bar heights or four category-button
    // widths leaves every control where it was.
    const int s = ui_.displayBar->sizeHint().height() + ui_.generalBar->sizeHint().height();
    setMinimumSize(4 * ui_.allButton->sizeHint().width() + 1, 3 * s + 1);

    // Every control has a name a screen reader can say, in this window and
    // in every window the program shows.
    platform::nameControls(this);
    platform::nameControlsOnShow();
}

MainWindow::~MainWindow()
{
    reports_->stopBuild();
    qApp->removeEventFilter(this);
    disconnect(focusConnection_);
    platform::setDialogParent(nullptr);
    if (config_)
        delete config_;
    // The secondary windows end with the program.
    for (const auto& list : {secondary_, games_})
        for (const QPointer<QWidget>& w : list)
            delete w.data();
}

Modes MainWindow::modes() const
{
    Modes m;
    m.readOnly = session_.readOnly;
    m.settingsReadOnly = session_.settingsReadOnly;
    m.macroEdit = session_.macroMode;
    m.freeSelection = session_.freeSelection;
    m.reportClosedInFreeSelection = reports_->closedInFreeSelection();
    m.reportShown = reports_->shown();
    m.reportBuilding = reportBuilding();
    m.importOpen = bool(import_);
    m.canUndo = ledger_.canUndo();
    m.canRedo = ledger_.canRedo();
    return m;
}

void MainWindow::updateCommands()
{
    const CommandStates states = commandStates(modes());
    for (std::size_t i = 0; i < kCommandCount; ++i)
        ui_.commands[i]->setEnabled(states.command[i]);
    for (const MainWidgets::ToolButton& b : ui_.toolButtons)
        b.button->setEnabled(states.button(b.command, b.role));
    ui_.mainGrid->setEnabled(states.mainGrid && listWanted_);
    ui_.categoryGrid->setEnabled(states.categoryGrid);
    // Undo and redo name the command they would act on.
    auto named = [](const QString& caption, const QString& command) {
        QString escaped = command;
        escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
        return command.isEmpty() ? caption : caption + QLatin1Char(' ') + escaped;
    };
    action(Command::Undo)->setText(named(QStringLiteral("&Undo"), ledger_.undoText()));
    action(Command::Redo)->setText(named(QStringLiteral("Re&do"), ledger_.redoText()));
}

void MainWindow::setListWanted(bool on)
{
    listWanted_ = on;
    updateCommands();
}

bool MainWindow::reportBuilding() const { return reports_->building(); }

// ---------------------------------------------------------------- start-up

void MainWindow::startUp()
{
    if (started_)
        return;
    started_ = true;
    if (!takeDataFolder(session_.dataFolder, true)) {
        emit endProgram();
        return;
    }

    help_.registerHelp(this, session_.programFolder + QStringLiteral("fnk40.HLP"),
                       notes::builtInHelp());

    // The start-up form, with the settings loaded behind it.
    ledger_.loadSettings(platform::messages());
    splash_ = new Splash(session_.settings.password());
    splash_holder_.reset(splash_);
    connect(splash_, &Splash::passed, this, &MainWindow::gatePassed);
    connect(splash_, &Splash::endProgram, this, &MainWindow::endProgram);
    splash_->show();
    QApplication::processEvents();
    if (session_.settings.hasPassword())
        splash_->passwordBox()->setFocus();

    ui_.placeWindow(session_.settings);

    const QDate today = platform::clock().today();
    session_.range.setFiscalStart(session_.settings.fiscalYearStartMonth(),
                                  session_.settings.fiscalYearStartDay());
    session_.range.currentFiscalYear = view::DateRange::fiscalYearOf(
        today, session_.settings.fiscalYearStartMonth(), session_.settings.fiscalYearStartDay());
    session_.range.SetRange(session_.settings.defaultRangeCode(), 0, today);
    ui_.applyRange(session_.range);

    ui_.generalPanels[1]->setText(session_.dataFolder);
    ui_.generalPanels[2]->setText(store::formatShortDate(today));

    mu_ReIndex();
    PopCategoryGrid();
    session_.showAllCategories();
    rebuildList();

    const QString u1 = session_.settings.userField1Name();
    const QString u2 = session_.settings.userField2Name();
    findChild<QLabel*>(QStringLiteral("User1Label"))->setText(u1);
    findChild<QLabel*>(QStringLiteral("User2Label"))->setText(u2);
    ui_.actions.value(QStringLiteral("mu_SearchUDF1"))->setText(QStringLiteral("Search by ") + u1);
    ui_.actions.value(QStringLiteral("mu_SearchUDF2"))->setText(QStringLiteral("Search by ") + u2);
    if (!session_.settings.alternateFolder1().trimmed().isEmpty())
        ui_.actions.value(QStringLiteral("mu_AlternateFolder1"))
            ->setText(QStringLiteral("Data Folder: ") + session_.settings.alternateFolder1().trimmed());
    if (!session_.settings.alternateFolder2().trimmed().isEmpty())
        ui_.actions.value(QStringLiteral("mu_AlternateFolder2"))
            ->setText(QStringLiteral("Data Folder: ") + session_.settings.alternateFolder2().trimmed());

    if (!session_.settings.toolTipsShown())
        mu_ToolTipsOff();
    if (!session_.settings.boldFonts()) {
        MakeFontsRegular();
        ui_.actions.value(QStringLiteral("mu_NoBold"))->setChecked(false);
    } else {
        MakeFontsBold();
    }

    ui_.buttons.value(QStringLiteral("btn_ModeWhite"))->hide();
    updateCommands();

    try {
        if (!session_.readOnly && store::SortCategoryFile(store::CategoryFile(session_.categoryFile())))
            PopCategoryGrid();
    } catch (const std::exception& e) {
        reportFailure(e);
    }
    // What can be undone starts here, with the folder as it was opened.
    ledger_.startHistory();

    if (ledger_.noStoredSize())
        ui_.fitFirstRunWindow();
    if (!session_.settings.hasPassword())
        gatePassed();
}

void MainWindow::gatePassed()
{
    if (session_.settings.hasPassword())
        writeSettings();
    if (splash_) {
        splash_->hide();
        splash_holder_.release()->deleteLater();
    }
    show();
    ui_.focusListIfEnabled();
}

void MainWindow::writeSettings()
{
    try {
        ledger_.writeSettings();
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    reports_->stopBuild();
    help_.quit();
    ui_.storeGeometry(session_.settings);
    writeSettings();
    if (config_)
        config_->close();
    event->accept();
    emit endProgram();
}

// --------------------------------------------------------------- the lists

void MainWindow::rebuildList() { rebuildList(store::upper1252(session_.searchText)); }

void MainWindow::rebuildList(const QString& searchArgument)
{
    // A report being built would no longer be of the list shown.
    reports_->stopBuild();
    try {
        platform::WaitCursor busy;
        const view::BuildResult r =
            view::PopMainGrid(*ui_.listModel, session_.listQuery(), searchArgument);
        ui_.showStatus(r.status);
        if (r.currentRow >= 0)
            ui_.mainGrid->setCurrentIndex(ui_.listModel->index(r.currentRow, 0));
    } catch (const std::exception& e) {
        // The figures follow the rows the list holds now, not the old list.
        ui_.showStatus(view::listedStatus(*ui_.listModel, session_.freeSelection));
        reportFailure(e);
        return;
    }
    ui_.focusListIfEnabled();
}

void MainWindow::PopCategoryGrid()
{
    std::vector<view::CategoryListModel::Row> rows;
    try {
        for (const store::CategoryEntry& e : store::CategoryFile(session_.categoryFile()).readAll())
            rows.push_back({e.categoryCodeText(), e.categoryNameText()});
    } catch (const std::exception& e) {
        reportFailure(e);
    }
    tellDamagedCategoryFile(session_.categoryFile());
    ui_.categoryModel->setRows(std::move(rows));
    if (ui_.categoryModel->rowCount() > 0)
        ui_.categoryGrid->setCurrentIndex(ui_.categoryModel->index(0, 0));
}

void MainWindow::CategoryGrid_Click()
{
    const QModelIndex cur = ui_.categoryGrid->currentIndex();
    if (!cur.isValid())
        return;
    const auto& row = ui_.categoryModel->rowAt(cur.row());
    ui_.editPanel->setCategory(row.code, row.name);
    ui_.categoryGrid->selectRow(cur.row());
    ui_.focusListIfEnabled();
}

void MainWindow::CategoryGrid_DblClick()
{
    const QModelIndex cur = ui_.categoryGrid->currentIndex();
    if (!cur.isValid())
        return;
    const auto& row = ui_.categoryModel->rowAt(cur.row());
    session_.rememberedCode = row.code.leftJustified(10, QLatin1Char(' '), true);
    session_.rememberedName = row.name.leftJustified(20, QLatin1Char(' '), true);
    ui_.editPanel->setCategory(session_.rememberedCode, session_.rememberedName);
    ui_.categoryGrid->selectRow(cur.row());
    session_.searchText.clear();
    rebuildList();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType())
        followBoldSetting(static_cast<QWidget*>(watched));
    if (event->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        if (k->key() == Qt::Key_Delete && !k->isAutoRepeat()
            && (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && w
            && (w == this || isAncestorOf(w)) && ui_.editPanel->isVisible()
            && ui_.editPanel->selectedRecord() > 0) {
            ui_.editPanel->DeleteButton_Click();
            return true;
        }
    }
    if (watched == ui_.categoryGrid && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (ui_.editPanel->isVisible()) {
                CategoryGrid_Click();
                findChild<QLineEdit*>(QStringLiteral("AmountBox"))->setFocus();
            }
            if (!ui_.editPanel->isVisible())
                CategoryGrid_DblClick();
            return true;
        }
    }
    if (watched == ui_.mainGrid && event->type() == QEvent::KeyPress
        && listKey(static_cast<QKeyEvent*>(event)))
        return true;
    // The pop-up menu acts on the current row: a right-click leaves it where
    // it is rather than moving it to the row under the pointer.
    if ((event->type() == QEvent::MouseButtonPress
            || event->type() == QEvent::MouseButtonDblClick)
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton
        && watched->parent() == ui_.mainGrid && watched == ui_.mainGrid->viewport())
        return true;
    if (watched == ui_.mainGrid && event->type() == QEvent::PaletteChange)
        ui_.listModel->followPalette(ui_.mainGrid->palette());
    if ((watched == ui_.listArea || watched == ui_.mainGrid)
        && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        ui_.layoutOverlays();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::forgetRecordNumbers(bool otherFile)
{
    // The record panel closes as Esc closes it; the category panel too when
    // the files beneath it are others now.  The list's rows go until the
    // command rebuilds them, so the pop-up menu finds no stale number.
    reports_->stopBuild();
    if (ui_.editPanel->state() != edit::EditPanel::State::Closed)
        ui_.editPanel->CloseButton_Click();
    if (otherFile && ui_.categoryPanel->isVisible())
        ui_.categoryPanel->QuitCat_Click();
    ui_.listModel->clearRows();
}

void MainWindow::mu_AllCats()
{
    session_.showAllCategories();
    session_.searchText.clear();
    rebuildList();
}

void MainWindow::mu_ClearTheGrid()
{
    reports_->stopBuild();
    ui_.listModel->clearRows();
    ui_.listModel->setLayout(session_.settings.columnLayout(), session_.settings.userField1Name(),
                          session_.settings.userField2Name());
    ui_.showStatus(view::clearedStatus(session_.freeSelection));
}

// --------------------------------------------------------------- editing

void MainWindow::mu_NewEntry()
{
    if (session_.readOnly)
        return;
    ui_.centreOverList(ui_.editPanel);
    ui_.editPanel->mu_NewEntry();
    ui_.editPanel->raise();
}

double MainWindow::currentRecordNumber() const
{
    const QModelIndex cur = ui_.mainGrid->currentIndex();
    if (!cur.isValid() || cur.row() >= ui_.listModel->rowCount())
        return 0;
    return ui_.listModel->recordNumberAt(cur.row());
}

void MainWindow::MainGrid_DblClick()
{
    if (session_.freeSelection || session_.readOnly)
        return;
    const double n = currentRecordNumber();
    if (n <= 0)
        return;
    ui_.centreOverList(ui_.editPanel);
    ui_.editPanel->openRecord(n);
    ui_.editPanel->raise();
}

void MainWindow::ListPopDelete_Click()
{
    const double n = currentRecordNumber();
    if (n > 0 && !session_.readOnly && ui_.editPanel->deleteRecord(n))
        rebuildList();
}

void MainWindow::MainGrid_MouseUp(const QPoint& pos)
{
    // The first data row does not offer the menu.
    if (session_.freeSelection || ui_.mainGrid->currentIndex().row() < 1)
        return;
    ui_.listPop->popup(ui_.mainGrid->viewport()->mapToGlobal(pos));
}

void MainWindow::mu_NewCategory()
{
    ui_.centreOverList(ui_.categoryPanel);
    ui_.categoryPanel->mu_NewCategory();
    ui_.categoryPanel->raise();
}

void MainWindow::mu_EditCategory()
{
    ui_.centreOverList(ui_.categoryPanel);
    ui_.categoryPanel->mu_EditCategory();
    ui_.categoryPanel->raise();
}

bool MainWindow::listKey(QKeyEvent* k)
{
    // Keys on the list while no record panel is open.
    if (ui_.editPanel->isVisible())
        return false;
    if (session_.freeSelection) {
        // The Delete key of the keypad counts as Delete.
        if (k->key() == Qt::Key_Delete
            && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            reports_->removeSelectedRow();
            return true;
        }
        if (k->key() == Qt::Key_Escape && !ui_.viewer->isVisible()) {
            reports_->mu_QuitReports();
            return true;
        }
        return false;
    }
    switch (k->key()) {
    case Qt::Key_Escape:
        if (!session_.macroMode)
            return false;
        mu_MacroQuit();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        MainGrid_DblClick();
        return true;
    case Qt::Key_Insert:
        mu_NewEntry();
        return true;
    default:
        return false;
    }
}

// --------------------------------------------------------- file upkeep

void MainWindow::mu_ReIndex()
{
    if (session_.readOnly)
        return;
    try {
        platform::WaitCursor busy;
        ledger_.reindex();
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

void MainWindow::wholeFileCommand(const QString& question, const std::function<qint64()>& work,
                                  const QString& finished)
{
    if (!platform::messages().askYesNo(QStringLiteral("Confirm"), question))
        return;
    qint64 count = 0;
    try {
        platform::WaitCursor busy;
        count = work();
    } catch (const std::exception& e) {
        reportFailure(e);
        rebuildList();
        return;
    }
    rebuildList();
    platform::messages().inform(QStringLiteral("Finished!"), QString::number(count) + finished);
}

void MainWindow::mu_PurgeDeletedRecords()
{
    wholeFileCommand(
        QStringLiteral("When records are deleted, they are not actually removed, but just marked "
                       "for deletion. This function, however, actually removes all records which "
                       "are so marked. Proceed?"),
        [this] { return ledger_.purgeDeleted(); },
        QStringLiteral(" records which were marked for deletion have been removed."));
}

void MainWindow::mu_RestoreDeletedRecords()
{
    wholeFileCommand(
        QStringLiteral("When records are deleted, they are not actually removed, but just marked "
                       "for deletion. This function restores all records which are so marked. "
                       "Proceed?"),
        [this] { return ledger_.restoreDeleted(); },
        QStringLiteral(" records that were marked for deletion have been restored."));
}

void MainWindow::undoOrRedo(bool undo)
{
    if (session_.readOnly || !(undo ? ledger_.canUndo() : ledger_.canRedo()))
        return;
    try {
        platform::WaitCursor busy;
        if (undo)
            ledger_.undo();
        else
            ledger_.redo();
    } catch (const store::UndoRefused& e) {
        platform::messages().inform(undo ? QStringLiteral("Undo") : QStringLiteral("Redo"), e.name(),
                                    platform::Icon::Exclamation);
        return;
    } catch (const std::exception& e) {
        reportFailure(e);
        rebuildList();
        return;
    }
    // The categories may be others now, and the category panel's one gone.
    if (ui_.categoryPanel->isVisible())
        ui_.categoryPanel->QuitCat_Click();
    PopCategoryGrid();
    rebuildList();
}

// ------------------------------------------------------------ settings

void MainWindow::mu_ConfigSettings()
{
    if (!config_) {
        config_ = new ConfigWindow(session_.programFolder, session_.settings, nullptr);
    }
    config_->open(session_.settings);
}

void MainWindow::mu_Exit() { close(); }

QList<QWidget*> MainWindow::secondaryWindows() const
{
    QList<QWidget*> out;
    for (const QPointer<QWidget>& w : secondary_)
        if (w)
            out << w.data();
    return out;
}

void MainWindow::mu_TinyCalc()
{
    // A separate window that deletes itself when closed.
    auto* calc = new accessories::TinyCalc(nullptr);
    QFont f = calc->font();
    f.setBold(session_.settings.boldFonts());
    calc->setFont(f);
    secondary_ << QPointer<QWidget>(calc);
    calc->show();
}

void MainWindow::mu_Game()
{
    auto* game = new accessories::Game(nullptr);
    games_ << QPointer<QWidget>(game);
    game->show();
}

// ---------------------------------------------------------------- layout

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    ui_.layoutOverlays();
}

}  // namespace fnk::app
