#include "app/MainWindow.h"
#include "app/FolderNotices.h"

#include "app/MainMenus.h"

#include "app/ConfigWindow.h"
#include "app/Splash.h"
#include "edit/CategoryPanel.h"
#include "accessories/Game.h"
#include "accessories/TinyCalc.h"
#include "edit/EditPanel.h"
#include "notes/Notes.h"
#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "platform/Printing.h"
#include "platform/WaitCursor.h"
#include "reports/ReportView.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/Maintenance.h"
#include "store/PickList.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QAction>

#include <algorithm>
#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QScrollBar>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

// Resources live in this static library; the executable must register them.
static void initAppResources() { Q_INIT_RESOURCE(icons); }

namespace fnk::app {

namespace {

template <typename W>
W* named(W* w, const char* name, const char* tip = nullptr)
{
    w->setObjectName(QLatin1String(name));
    if (tip)
        w->setToolTip(QString::fromUtf8(tip));
    return w;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const char* tip)
{
    return named(new QPushButton(caption, parent), name, tip);
}

QFrame* floatingFrame(QWidget* parent, const char* name)
{
    auto* f = named(new QFrame(parent), name);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Raised);
    f->setLineWidth(2);
    f->setAutoFillBackground(true);
    f->hide();
    return f;
}

}  // namespace

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), ledger_(programFolder)
{
    initAppResources();
    setObjectName(QStringLiteral("FNK_3_Main"));
    setWindowTitle(QStringLiteral("Fennick"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/fennick.svg")));
    platform::setDialogParent(this);
    reportJob_ = new reports::ReportBuildJob(this);
    connect(reportJob_, &reports::ReportBuildJob::progress, this, &MainWindow::reportProgress);
    connect(reportJob_, &reports::ReportBuildJob::ended, this, &MainWindow::endReportBuild);
    connect(&ledger_, &Ledger::readOnlyChanged, this, &MainWindow::readOnlyChanged);

    listModel_ = new view::MainListModel(this);
    categoryModel_ = new view::CategoryListModel(this);

    buildMenus();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("CentralArea"));
    auto* col = new QVBoxLayout(central);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    toolRow_ = buildToolBar();
    col->addWidget(toolRow_);

    listArea_ = new QWidget(central);
    listArea_->setObjectName(QStringLiteral("ListArea"));
    auto* row = new QHBoxLayout(listArea_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    mainGrid_ = named(new QTableView(listArea_), "MainGrid", "Double-click any line item to edit");
    mainGrid_->setModel(listModel_);
    listModel_->followPalette(mainGrid_->palette());
    mainGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    mainGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    mainGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mainGrid_->setWordWrap(false);
    mainGrid_->setTabKeyNavigation(false);
    mainGrid_->verticalHeader()->hide();
    mainGrid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    mainGrid_->verticalHeader()->setDefaultSectionSize(mainGrid_->fontMetrics().height() + 4);
    mainGrid_->horizontalHeader()->setHighlightSections(false);
    for (int c = view::MainListModel::kFirstHidden; c < view::MainListModel::kColumns; ++c)
        mainGrid_->setColumnHidden(c, true);
    row->addWidget(mainGrid_, 1);

    auto* right = new QWidget(listArea_);
    right->setObjectName(QStringLiteral("CategoryColumn"));
    auto* rcol = new QVBoxLayout(right);
    rcol->setContentsMargins(0, 0, 0, 0);
    rcol->setSpacing(0);
    auto* buttonsRow = new QHBoxLayout;
    allButton_ = button(right, "AllCategoryButton", QStringLiteral("A&ll <F8>"), "Display all categories");
    clearButton_ = button(right, "NoCategory", QStringLiteral("&Clear"), "Clear the list (display nothing)");
    buttonsRow->addWidget(allButton_);
    buttonsRow->addWidget(clearButton_);
    rcol->addLayout(buttonsRow);
    udfPrompt_ = button(right, "UDFSearchPrompt", QString(), nullptr);
    udfPrompt_->hide();
    rcol->addWidget(udfPrompt_);

    categoryGrid_ = named(new QTableView(right), "CategoryGrid",
                          "Double-click any category to narrow your view");
    categoryGrid_->setModel(categoryModel_);
    categoryGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    categoryGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    categoryGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    categoryGrid_->setWordWrap(false);
    categoryGrid_->setTabKeyNavigation(false);  // Tab leaves the list
    categoryGrid_->verticalHeader()->hide();
    categoryGrid_->verticalHeader()->setDefaultSectionSize(categoryGrid_->fontMetrics().height() + 4);
    categoryGrid_->installEventFilter(this);
    const int cw = categoryGrid_->fontMetrics().averageCharWidth();
    categoryGrid_->setColumnWidth(0, categoryModel_->widthOf(0) * cw + 8);
    categoryGrid_->setColumnWidth(1, categoryModel_->widthOf(1) * cw + 8);
    right->setFixedWidth((categoryModel_->widthOf(0) + categoryModel_->widthOf(1)) * cw + 16
                         + categoryGrid_->verticalScrollBar()->sizeHint().width());
    rcol->addWidget(categoryGrid_, 1);
    udfList_ = named(new QListWidget(right), "UDFSearchList");
    udfList_->setAccessibleName(QStringLiteral("User field values"));
    udfList_->hide();
    rcol->addWidget(udfList_, 1);
    row->addWidget(right);
    col->addWidget(listArea_, 1);

    displayBar_ = buildStatusBar(QStringLiteral("DisplayStatusBar"),
                                 {QStringLiteral("Total of money IN"), QStringLiteral("Total of money OUT"),
                                  QStringLiteral("Balance between IN/OUT"),
                                  QStringLiteral("Number of items currently displayed"),
                                  QStringLiteral("Name of category currently displayed")},
                                 displayPanels_);
    generalBar_ = buildStatusBar(QStringLiteral("GeneralStatusBar"),
                                 {QStringLiteral("This is the date range currently displayed"),
                                  QStringLiteral("This is the data folder currently in use"),
                                  QStringLiteral("Today's date")},
                                 generalPanels_);
    col->addWidget(displayBar_);
    col->addWidget(generalBar_);
    setCentralWidget(central);

    buildPanels(listArea_);

    progress_ = named(new QProgressBar(central), "ProgressBar1");
    progress_->hide();

    listArea_->installEventFilter(this);
    mainGrid_->installEventFilter(this);
    mainGrid_->viewport()->installEventFilter(this);

    connect(allButton_, &QPushButton::clicked, this, &MainWindow::mu_AllCats);
    connect(clearButton_, &QPushButton::clicked, this, &MainWindow::mu_ClearTheGrid);
    connect(categoryGrid_, &QTableView::clicked, this, &MainWindow::CategoryGrid_Click);
    connect(udfList_, &QListWidget::itemClicked, this, &MainWindow::UDFSearchList_Click);
    connect(mainGrid_, &QTableView::doubleClicked, this, &MainWindow::MainGrid_DblClick);
    mainGrid_->horizontalHeader()->setSectionsClickable(true);
    connect(mainGrid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::MainGrid_HeadingClick);
    connect(mainGrid_, &QTableView::pressed, this, [this] {
        if (sortDirection_.isEmpty())
            sortDirection_ = QStringLiteral("Dn");
    });
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == mainGrid_ || now == categoryGrid_)
            SetGridColors(now);
    });
    listPop_ = new QMenu(this);
    listPop_->setObjectName(QStringLiteral("ListPop"));
    QAction* popEdit = listPop_->addAction(QStringLiteral("&Edit"));
    popEdit->setObjectName(QStringLiteral("ListPopEdit"));
    QAction* popDelete = listPop_->addAction(QStringLiteral("&Delete"));
    popDelete->setObjectName(QStringLiteral("ListPopDelete"));
    connect(popEdit, &QAction::triggered, this, &MainWindow::MainGrid_DblClick);
    connect(popDelete, &QAction::triggered, this, &MainWindow::ListPopDelete_Click);
    mainGrid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mainGrid_, &QWidget::customContextMenuRequested, this, &MainWindow::MainGrid_MouseUp);
    // Esc stops a report build, or closes the record panel.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] {
        if (reportBuilding())
            stopReportBuild();
        else if (editPanel_->isVisible())
            editPanel_->CloseButton_Click();
        else if (session_.freeSelection && mainGrid_->hasFocus() && !viewer_->isVisible())
            mu_QuitReports();
        else if (session_.macroMode && mainGrid_->hasFocus())
            mu_MacroQuit();
    });
    // The window sees every key before its controls (Ctrl or Alt with
    // Delete, on release, even inside a text box).
    qApp->installEventFilter(this);
    connect(udfPrompt_, &QPushButton::clicked, this, &MainWindow::UDFSearchPrompt_Click);
    connect(categoryGrid_, &QTableView::doubleClicked, this, &MainWindow::CategoryGrid_DblClick);
    // Record numbers taken before the record file changed or was renumbered
    // are let go of before the next command can write through them.
    connect(&session_, &Session::recordFileChanged, this, [this] { forgetRecordNumbers(true); });
    connect(&session_, &Session::recordsRenumbered, this, [this] { forgetRecordNumbers(false); });
    connect(&ledger_, &Ledger::historyChanged, this, &MainWindow::updateCommands);

    updateCommands();
    // Column widths follow the header string, set again only when the layout
    // changes, so widths the user drags stay through rebuilds.
    connect(listModel_, &QAbstractItemModel::headerDataChanged, this, &MainWindow::setColumnWidths);
    setColumnWidths();

    // Shrinking below three status-bar heights or four category-button
    // widths leaves every control where it was.
    const int s = displayBar_->sizeHint().height() + generalBar_->sizeHint().height();
    setMinimumSize(4 * allButton_->sizeHint().width() + 1, 3 * s + 1);

    // Every control has a name a screen reader can say, in this window and
    // in every window the program shows.
    platform::nameControls(this);
    platform::nameControlsOnShow();
}

MainWindow::~MainWindow()
{
    stopReportBuild();
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

QStatusBar* MainWindow::buildStatusBar(const QString& name, const QStringList& tips,
                                       QList<QLabel*>& panels)
{
    auto* bar = new QStatusBar(this);
    bar->setObjectName(name);
    bar->setSizeGripEnabled(name == QLatin1String("GeneralStatusBar"));
    for (int i = 0; i < tips.size(); ++i) {
        auto* l = new QLabel(bar);
        l->setObjectName(name + QStringLiteral("_%1").arg(i + 1));
        l->setToolTip(tips[i]);
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(40);
        bar->addWidget(l, i == tips.size() - 1 || name == QLatin1String("GeneralStatusBar") ? 2 : 1);
        panels << l;
    }
    return bar;
}

void MainWindow::buildMenus()
{
    actions_ = buildMainMenus(menuBar());
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        commands_[i] = actions_.value(commandName(Command(i)));
        if (!commands_[i])
            qFatal("no action for command %s", qPrintable(commandName(Command(i))));
    }
    // Each command runs the slot of its own name (mu_ReIndex runs
    // mu_ReIndex()); Edit Entry and the preset ranges are bound below.  A
    // command left without a slot stops the program at once rather than
    // doing nothing when chosen.
    const QMetaMethod triggered = QMetaMethod::fromSignal(&QAction::triggered);
    QStringList unbound;
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        QAction* a = commands_[i];
        if (a->menu())
            continue;
        const QByteArray slot = commandName(Command(i)).toLatin1() + "()";
        const int index = metaObject()->indexOfSlot(slot.constData());
        if (index >= 0)
            connect(a, triggered, this, metaObject()->method(index));
        else
            unbound << commandName(Command(i));
    }
    connect(action(Command::EditEntry), &QAction::triggered, this, &MainWindow::MainGrid_DblClick);
    unbound.removeOne(commandName(Command::EditEntry));
    for (const auto& p : view::DateRange::presets()) {
        const int days = p.days;
        connect(actions_.value(QLatin1String(p.command)), &QAction::triggered, this,
                [this, days] { presetRange(days); });
        unbound.removeOne(QLatin1String(p.command));
    }
    if (!unbound.isEmpty())
        qFatal("commands without a slot: %s", qPrintable(unbound.join(QLatin1Char(' '))));
    // Exactly one of the two tool-tip entries is visible.
    actions_.value(QStringLiteral("mu_ToolTipsOn"))->setVisible(false);
    actions_.value(QStringLiteral("mu_NoBold"))->setCheckable(true);
    actions_.value(QStringLiteral("mu_NoBold"))->setChecked(true);
}

QWidget* MainWindow::buildToolBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBarRow"));
    auto* lay = new QHBoxLayout(bar);
    lay->setContentsMargins(2, 2, 2, 2);
    lay->setSpacing(2);
    for (const ToolButtonDef& b : toolButtonDefs()) {
        QToolButton* t = makeToolButton(b, bar);
        QAction* a = actions_.value(QLatin1String(b.action));
        const bool focusAfter = QLatin1String(b.name) == QLatin1String("btn_ModeBlue");
        connect(t, &QToolButton::clicked, this, [this, a, focusAfter] {
            if (a && a->isEnabled())
                a->trigger();
            if (focusAfter)
                mainGrid_->setFocus();
        });
        buttons_.insert(QLatin1String(b.name), t);
        toolButtons_.push_back({t, commandFor(a), b.role});
        lay->addWidget(t);
        if (QLatin1String(b.name) == QLatin1String("btn_ModeWhite"))
            t->hide();  // shares its place with btn_ModeBlue
    }
    lay->addStretch(1);
    return bar;
}

void MainWindow::buildPanels(QWidget* area)
{
    // Record entry and category editing.
    editPanel_ = new edit::EditPanel([this] { return editContext(); }, area);
    editPanel_->hide();
    categoryPanel_ = new edit::CategoryPanel([this] { return categoryContext(); }, area);
    categoryPanel_->hide();
    // In the record panel the category list comes between the amount and the note.
    QWidget::setTabOrder(editPanel_->findChild<QWidget*>(QStringLiteral("AmountBox")), categoryGrid_);
    QWidget::setTabOrder(categoryGrid_, editPanel_->findChild<QWidget*>(QStringLiteral("NoteBox")));

    connect(editPanel_, &edit::EditPanel::openedForNew, this, [this] {
        setListWanted(false);
        allButton_->setEnabled(false);
        categoryGrid_->setFocus();
    });
    connect(editPanel_, &edit::EditPanel::openedForRecord, this, [this] {
        allButton_->setEnabled(true);
        setListWanted(true);
    });
    connect(editPanel_, &edit::EditPanel::closedAfterSave, this, [this] {
        allButton_->setEnabled(true);
        setListWanted(true);
        rebuildList();
        // An entry saved with a date the list does not show leaves it: say so
        // where the dates shown are, until the list changes again.
        const store::LedgerRecord& saved = editPanel_->currentRecord();
        const double first = store::dayFromDate(session_.range.earliest());
        const double last = store::dayFromDate(session_.range.latest());
        if (!session_.macroMode && !saved.isDeleted()
            && !(first <= saved.entryDate && saved.entryDate <= last))
            generalBar_->showMessage(QStringLiteral("Saved; outside the dates shown"), 15000);
    });
    connect(editPanel_, &edit::EditPanel::closedWithoutSave, this, [this] {
        allButton_->setEnabled(true);
        setListWanted(true);
        const QModelIndex cur = mainGrid_->currentIndex();
        if (cur.isValid())
            mainGrid_->selectRow(cur.row());
        mainGrid_->setFocus();
    });
    connect(categoryPanel_, &edit::CategoryPanel::categoriesChanged, this,
            &MainWindow::PopCategoryGrid);
    connect(categoryPanel_, &edit::CategoryPanel::rememberedCategoryChanged, this,
            [this](const QString& code, const QString& name) {
                session_.rememberedCode = code;
                session_.rememberedName = name;
            });
    connect(categoryPanel_, &edit::CategoryPanel::listNeedsRebuild, this,
            [this] { rebuildList(); });

    // Date range choice.
    dateFrame_ = floatingFrame(area, "DateDialFrame");
    {
        auto* g = new QGridLayout(dateFrame_);
        monthView1_ = named(new QCalendarWidget(dateFrame_), "MonthView1");
        monthView2_ = named(new QCalendarWidget(dateFrame_), "MonthView2");
        auto* earliest = new QLabel(QStringLiteral("Earliest &Date"), dateFrame_);
        auto* latest = new QLabel(QStringLiteral("La&test Date"), dateFrame_);
        earliest->setBuddy(monthView1_);
        latest->setBuddy(monthView2_);
        g->addWidget(earliest, 0, 0);
        g->addWidget(latest, 0, 1);
        g->addWidget(monthView1_, 1, 0);
        g->addWidget(monthView2_, 1, 1);
        auto* ok = button(dateFrame_, "DateDialOK", QStringLiteral("&OK"), "Click to accept date shown");
        g->addWidget(ok, 2, 0, 1, 2, Qt::AlignHCenter);
        connect(ok, &QPushButton::clicked, this, &MainWindow::DateDialOK_Click);
        dateFrame_->adjustSize();
    }

    // Macro play date.
    macDateFrame_ = floatingFrame(area, "MacDateFrame");
    {
        auto* g = new QGridLayout(macDateFrame_);
        auto* select = new QLabel(QStringLiteral("Select Date"), macDateFrame_);
        auto* monthView3 = named(new QCalendarWidget(macDateFrame_), "MonthView3");
        select->setBuddy(monthView3);
        g->addWidget(select, 0, 0, 1, 2);
        g->addWidget(monthView3, 1, 0, 1, 2);
        auto* ok = button(macDateFrame_, "MacDateOK", QStringLiteral("&OK"), nullptr);
        auto* cancel = button(macDateFrame_, "MacCancel", QStringLiteral("Ca&ncel"), nullptr);
        g->addWidget(ok, 2, 0);
        g->addWidget(cancel, 2, 1);
        connect(ok, &QPushButton::clicked, this, &MainWindow::MacDateOK_Click);
        connect(cancel, &QPushButton::clicked, this, &MainWindow::MacCancel_Click);
        macDateFrame_->adjustSize();
    }

    // Report viewer.
    viewer_ = named(new reports::ReportView(area), "Viewer");
    viewer_->setAccessibleName(QStringLiteral("Report"));
    // Reports line up in columns: "Courier New", or the nearest fixed-pitch font.
    viewer_->setFont(platform::linePrintFont(QStringLiteral("Courier New"), viewer_->font().pointSize()));
    viewer_->hide();
}

Command MainWindow::commandFor(const QAction* a) const
{
    for (std::size_t i = 0; i < kCommandCount; ++i)
        if (commands_[i] == a)
            return Command(i);
    qFatal("a tool button without its command");
}

Modes MainWindow::modes() const
{
    Modes m;
    m.readOnly = session_.readOnly;
    m.settingsReadOnly = session_.settingsReadOnly;
    m.macroEdit = session_.macroMode;
    m.freeSelection = session_.freeSelection;
    m.reportClosedInFreeSelection = reportClosedInFreeSelection_;
    m.reportShown = reportShown_;
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
        commands_[i]->setEnabled(states.command[i]);
    for (const ToolButton& b : toolButtons_)
        b.button->setEnabled(states.button(b.command, b.role));
    mainGrid_->setEnabled(states.mainGrid && listWanted_);
    categoryGrid_->setEnabled(states.categoryGrid);
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

    placeFromSettings();

    const QDate today = platform::clock().today();
    session_.range.setFiscalStart(session_.settings.fiscalYearStartMonth(),
                                  session_.settings.fiscalYearStartDay());
    session_.range.currentFiscalYear = view::DateRange::fiscalYearOf(
        today, session_.settings.fiscalYearStartMonth(), session_.settings.fiscalYearStartDay());
    session_.range.SetRange(session_.settings.defaultRangeCode(), 0, today);
    applyRange();

    generalPanels_[1]->setText(session_.dataFolder);
    generalPanels_[2]->setText(store::formatShortDate(today));

    mu_ReIndex();
    PopCategoryGrid();
    session_.showAllCategories();
    rebuildList();

    const QString u1 = session_.settings.userField1Name();
    const QString u2 = session_.settings.userField2Name();
    findChild<QLabel*>(QStringLiteral("User1Label"))->setText(u1);
    findChild<QLabel*>(QStringLiteral("User2Label"))->setText(u2);
    actions_.value(QStringLiteral("mu_SearchUDF1"))->setText(QStringLiteral("Search by ") + u1);
    actions_.value(QStringLiteral("mu_SearchUDF2"))->setText(QStringLiteral("Search by ") + u2);
    if (!session_.settings.alternateFolder1().trimmed().isEmpty())
        actions_.value(QStringLiteral("mu_AlternateFolder1"))
            ->setText(QStringLiteral("Data Folder: ") + session_.settings.alternateFolder1().trimmed());
    if (!session_.settings.alternateFolder2().trimmed().isEmpty())
        actions_.value(QStringLiteral("mu_AlternateFolder2"))
            ->setText(QStringLiteral("Data Folder: ") + session_.settings.alternateFolder2().trimmed());

    if (!session_.settings.toolTipsShown())
        mu_ToolTipsOff();
    if (!session_.settings.boldFonts()) {
        MakeFontsRegular();
        actions_.value(QStringLiteral("mu_NoBold"))->setChecked(false);
    } else {
        MakeFontsBold();
    }

    buttons_.value(QStringLiteral("btn_ModeWhite"))->hide();
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
        fitFirstRunWindow();
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
    focusListIfEnabled();
}

void MainWindow::placeFromSettings()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    auto px = [dpi](int twips) { return int(std::lround(double(twips) * dpi / 1440.0)); };
    const SettingsRecord& s = session_.settings;
    QRect r(px(s.windowLeft()), px(s.windowTop()), std::max(px(s.windowWidth()), minimumWidth()),
            std::max(px(s.windowHeight()), minimumHeight()));
    // Keep the window on a screen the user can see.
    bool visible = false;
    for (QScreen* sc : QGuiApplication::screens())
        if (sc->availableGeometry().intersects(r.adjusted(0, 0, -r.width() / 2, -r.height() / 2)))
            visible = true;
    if (!visible && screen) {
        const QRect avail = screen->availableGeometry();
        r.moveTopLeft(avail.topLeft() + QPoint(50, 50));
        r.setSize(r.size().boundedTo(avail.size()));
    }
    resize(r.size());
    move(r.topLeft());
}

void MainWindow::storeGeometry()
{
    QScreen* sc = screen();
    const double dpi = sc ? sc->logicalDotsPerInch() : 96.0;
    auto twips = [dpi](int px) { return int(std::lround(double(px) * 1440.0 / dpi)); };
    const QRect g = geometry();
    session_.settings.setWindowTop(twips(pos().y()));
    session_.settings.setWindowLeft(twips(pos().x()));
    session_.settings.setWindowHeight(twips(g.height()));
    session_.settings.setWindowWidth(twips(g.width()));
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
    stopReportBuild();
    help_.quit();
    storeGeometry();
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
    stopReportBuild();
    try {
        platform::WaitCursor busy;
        const view::BuildResult r =
            view::PopMainGrid(*listModel_, session_.listQuery(), searchArgument);
        showStatus(r.status);
        if (r.currentRow >= 0)
            mainGrid_->setCurrentIndex(listModel_->index(r.currentRow, 0));
    } catch (const std::exception& e) {
        // The figures follow the rows the list holds now, not the old list.
        showStatus(view::listedStatus(*listModel_, session_.freeSelection));
        reportFailure(e);
        return;
    }
    focusListIfEnabled();
}

void MainWindow::showStatus(const view::StatusPanels& status)
{
    generalBar_->clearMessage();
    for (int i = 0; i < 5; ++i)
        if (!status.panel[i].isNull())
            displayPanels_[i]->setText(status.panel[i]);
    fitStatusPanels();
}

void MainWindow::fitStatusPanels()
{
    // The figures show whole: each panel is at least as wide as the money
    // text of the reports (100,000,000 in its negative form) or a count of
    // ten million items, and wider when its text is.
    static const QString money =
        QStringLiteral("(-) ") + store::formatCurrency(-100000000LL * store::kMoneyScale);
    static const QString count = QStringLiteral("10000000 Items");
    for (int i = 0; i < 4; ++i) {
        QLabel* l = displayPanels_[i];
        const QFontMetrics fm = l->fontMetrics();
        const int text = std::max(fm.horizontalAdvance(i < 3 ? money : count),
                                  fm.horizontalAdvance(l->text()));
        const int frame = l->width() - l->contentsRect().width();
        // A framed label indents its text by half an "x".
        l->setMinimumWidth(text + frame + fm.horizontalAdvance(QLatin1Char('x')));
    }
}

void MainWindow::focusListIfEnabled()
{
    if (mainGrid_->isEnabled() && isVisible())
        mainGrid_->setFocus();
}

void MainWindow::setColumnWidths()
{
    const int cw = mainGrid_->fontMetrics().averageCharWidth();
    const auto& cells = listModel_->headerCells();
    for (int c = 0; c < view::MainListModel::kFirstHidden && c < cells.size(); ++c)
        mainGrid_->setColumnWidth(c, cells[c].width * cw + 8);
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
    categoryModel_->setRows(std::move(rows));
    if (categoryModel_->rowCount() > 0)
        categoryGrid_->setCurrentIndex(categoryModel_->index(0, 0));
}

void MainWindow::CategoryGrid_Click()
{
    const QModelIndex cur = categoryGrid_->currentIndex();
    if (!cur.isValid())
        return;
    const auto& row = categoryModel_->rowAt(cur.row());
    editPanel_->setCategory(row.code, row.name);
    categoryGrid_->selectRow(cur.row());
    focusListIfEnabled();
}

void MainWindow::CategoryGrid_DblClick()
{
    const QModelIndex cur = categoryGrid_->currentIndex();
    if (!cur.isValid())
        return;
    const auto& row = categoryModel_->rowAt(cur.row());
    session_.rememberedCode = row.code.leftJustified(10, QLatin1Char(' '), true);
    session_.rememberedName = row.name.leftJustified(20, QLatin1Char(' '), true);
    editPanel_->setCategory(session_.rememberedCode, session_.rememberedName);
    categoryGrid_->selectRow(cur.row());
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
            && (w == this || isAncestorOf(w)) && editPanel_->isVisible()
            && editPanel_->selectedRecord() > 0) {
            editPanel_->DeleteButton_Click();
            return true;
        }
    }
    if (watched == categoryGrid_ && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (editPanel_->isVisible()) {
                CategoryGrid_Click();
                findChild<QLineEdit*>(QStringLiteral("AmountBox"))->setFocus();
            }
            if (!editPanel_->isVisible())
                CategoryGrid_DblClick();
            return true;
        }
    }
    if (watched == mainGrid_ && event->type() == QEvent::KeyPress
        && listKey(static_cast<QKeyEvent*>(event)))
        return true;
    // The pop-up menu acts on the current row: a right-click leaves it where
    // it is rather than moving it to the row under the pointer.
    if ((event->type() == QEvent::MouseButtonPress
            || event->type() == QEvent::MouseButtonDblClick)
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton
        && watched->parent() == mainGrid_ && watched == mainGrid_->viewport())
        return true;
    if (watched == mainGrid_ && event->type() == QEvent::PaletteChange)
        listModel_->followPalette(mainGrid_->palette());
    if ((watched == listArea_ || watched == mainGrid_)
        && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        layoutOverlays();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::forgetRecordNumbers(bool otherFile)
{
    // The record panel closes as Esc closes it; the category panel too when
    // the files beneath it are others now.  The list's rows go until the
    // command rebuilds them, so the pop-up menu finds no stale number.
    stopReportBuild();
    if (editPanel_->state() != edit::EditPanel::State::Closed)
        editPanel_->CloseButton_Click();
    if (otherFile && categoryPanel_->isVisible())
        categoryPanel_->QuitCat_Click();
    listModel_->clearRows();
}

void MainWindow::mu_AllCats()
{
    session_.showAllCategories();
    session_.searchText.clear();
    rebuildList();
}

void MainWindow::mu_ClearTheGrid()
{
    stopReportBuild();
    listModel_->clearRows();
    listModel_->setLayout(session_.settings.columnLayout(), session_.settings.userField1Name(),
                          session_.settings.userField2Name());
    showStatus(view::clearedStatus(session_.freeSelection));
}

// --------------------------------------------------------------- editing

edit::EditContext MainWindow::editContext()
{
    edit::EditContext c;
    c.recordFile = session_.recordFile();
    c.dataFolder = session_.dataFolder;
    c.categoryFile = session_.categoryFile();
    c.rememberedCode = session_.rememberedCode;
    c.rememberedName = session_.rememberedName;
    c.user1Name = session_.settings.userField1Name();
    c.user2Name = session_.settings.userField2Name();
    c.user1KeepsList = session_.settings.userField1KeepsPickList();
    c.user2KeepsList = session_.settings.userField2KeepsPickList();
    c.confirm = session_.settings.confirmsReplaceAndDelete();
    c.macroMode = session_.macroMode;
    c.recordEpoch = session_.recordEpoch();
    c.beginChange = [ledger = &ledger_](const QString& text) {
        return ledger->beginChange(text);
    };
    return c;
}

edit::CategoryContext MainWindow::categoryContext()
{
    edit::CategoryContext c;
    c.categoryFile = session_.categoryFile();
    c.recordFile = session_.recordFile();
    c.rememberedCode = session_.rememberedCode;
    c.rememberedName = session_.rememberedName;
    c.beginChange = [ledger = &ledger_](const QString& text) {
        return ledger->beginChange(text);
    };
    return c;
}

void MainWindow::mu_NewEntry()
{
    if (session_.readOnly)
        return;
    centreOverList(editPanel_);
    editPanel_->mu_NewEntry();
    editPanel_->raise();
}

double MainWindow::currentRecordNumber() const
{
    const QModelIndex cur = mainGrid_->currentIndex();
    if (!cur.isValid() || cur.row() >= listModel_->rowCount())
        return 0;
    return listModel_->recordNumberAt(cur.row());
}

void MainWindow::MainGrid_DblClick()
{
    if (session_.freeSelection || session_.readOnly)
        return;
    const double n = currentRecordNumber();
    if (n <= 0)
        return;
    centreOverList(editPanel_);
    editPanel_->openRecord(n);
    editPanel_->raise();
}

void MainWindow::ListPopDelete_Click()
{
    const double n = currentRecordNumber();
    if (n > 0 && !session_.readOnly && editPanel_->deleteRecord(n))
        rebuildList();
}

void MainWindow::MainGrid_MouseUp(const QPoint& pos)
{
    // The first data row does not offer the menu.
    if (session_.freeSelection || mainGrid_->currentIndex().row() < 1)
        return;
    listPop_->popup(mainGrid_->viewport()->mapToGlobal(pos));
}

void MainWindow::mu_NewCategory()
{
    centreOverList(categoryPanel_);
    categoryPanel_->mu_NewCategory();
    categoryPanel_->raise();
}

void MainWindow::mu_EditCategory()
{
    centreOverList(categoryPanel_);
    categoryPanel_->mu_EditCategory();
    categoryPanel_->raise();
}

bool MainWindow::listKey(QKeyEvent* k)
{
    // Keys on the list while no record panel is open.
    if (editPanel_->isVisible())
        return false;
    if (session_.freeSelection) {
        // The Delete key of the keypad counts as Delete.
        if (k->key() == Qt::Key_Delete
            && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            removeSelectedRow();
            return true;
        }
        if (k->key() == Qt::Key_Escape && !viewer_->isVisible()) {
            mu_QuitReports();
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

// ---------------------------------------------------------------- search

void MainWindow::mu_SearchFragment()
{
    const QString answer = platform::messages().input(
        {QStringLiteral("Search for a word or phrase fragment"),
         QStringLiteral("This search looks for the item you specify, even if it is only part of "
                        "a longer word. For example, it will find \"fish\" in \"many fish\" and "
                        "also in \"bluefish\"\n\nLook for what?"),
         lastFragment_});
    lastFragment_ = answer;
    if (answer.isEmpty())
        return;
    session_.searchText = answer;
    rebuildList(store::upper1252(answer));
}

void MainWindow::mu_SearchComplete()
{
    const QString answer = platform::messages().input(
        {QStringLiteral("Search for a complete word or phrase"),
         QStringLiteral("This search looks for the complete item you specify, not for the item "
                        "\"buried\" in a larger word. For example, it will find \"fish\" in "
                        "\"many fish\" but not in \"bluefish\"\n\nLook for what?"),
         lastComplete_});
    lastComplete_ = answer;
    if (answer.isEmpty())
        return;
    session_.searchText = answer;
    rebuildList(QLatin1Char(' ') + store::upper1252(answer) + QLatin1Char(' '));
}

void MainWindow::openUserFieldSearch(int field)
{
    udfField_ = field;
    udfList_->clear();
    try {
        udfList_->addItems(store::PickList::forField(session_.dataFolder, field).load());
    } catch (const std::exception& e) {
        reportFailure(e);
    }
    const QString name = field == 1 ? session_.settings.userField1Name()
                                    : session_.settings.userField2Name();
    udfList_->setAccessibleName(platform::plainCaption(name));
    udfPrompt_->setAccessibleName(QStringLiteral("Select ") + platform::plainCaption(name));
    udfPrompt_->setText(QStringLiteral("Sele&ct ")
                        + QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
    allButton_->hide();
    clearButton_->hide();
    categoryGrid_->hide();
    udfPrompt_->show();
    udfList_->show();
    udfList_->setFocus();
}

void MainWindow::closeUserFieldSearch()
{
    udfList_->hide();
    udfPrompt_->hide();
    allButton_->show();
    clearButton_->show();
    categoryGrid_->show();
}

void MainWindow::UDFSearchList_Click()
{
    QListWidgetItem* item = udfList_->currentItem();
    if (!item)
        return;
    session_.searchText = (udfField_ == 1 ? QStringLiteral("|udf1|") : QStringLiteral("|udf2|"))
        + store::upper1252(item->text().trimmed());
    closeUserFieldSearch();
    rebuildList();
}

void MainWindow::UDFSearchPrompt_Click() { closeUserFieldSearch(); }

// ------------------------------------------------------------- the range

void MainWindow::applyRange()
{
    generalPanels_[0]->setText(session_.range.statusText());
    monthView1_->setSelectedDate(session_.range.earliest());
    monthView2_->setSelectedDate(session_.range.latest());
}

void MainWindow::presetRange(int days)
{
    session_.range.SetRange(days, 0, platform::clock().today());
    applyRange();
    if (!session_.freeSelection)
        rebuildList();
    focusListIfEnabled();
}

void MainWindow::mu_DefaultRange() { presetRange(session_.settings.defaultRangeCode()); }

void MainWindow::mu_FiscalYear()
{
    session_.range.currentFiscalYear = view::DateRange::fiscalYearOf(
        platform::clock().today(), session_.settings.fiscalYearStartMonth(),
        session_.settings.fiscalYearStartDay());
    presetRange(0);
}

void MainWindow::mu_NextYear()
{
    ++session_.range.currentFiscalYear;
    presetRange(0);
}

void MainWindow::mu_previousYear()
{
    --session_.range.currentFiscalYear;
    presetRange(0);
}

void MainWindow::mu_SelectDates()
{
    applyRange();  // the calendars show the range in force: the saved pair
    centreOverList(dateFrame_);
    dateFrame_->show();
    dateFrame_->raise();
    monthView1_->setFocus();
}

void MainWindow::DateDialOK_Click()
{
    QString refusal;
    if (!session_.range.acceptDates(monthView1_->selectedDate(), monthView2_->selectedDate(),
                                    &refusal)) {
        platform::messages().inform(QStringLiteral("Nothing to do!"), refusal);
        applyRange();  // back to the saved pair
        return;
    }
    dateFrame_->hide();
    generalPanels_[0]->setText(session_.range.statusText());
    if (!session_.freeSelection)
        rebuildList();
    focusListIfEnabled();
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
    if (categoryPanel_->isVisible())
        categoryPanel_->QuitCat_Click();
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
    layoutOverlays();
}

void MainWindow::centreOverList(QWidget* panel)
{
    panel->adjustSize();
    const QRect list = mainGrid_->geometry();
    const QSize s = panel->size().boundedTo(listArea_->size());
    // Centred over the list; a panel wider than the list stays whole inside
    // the window instead of hanging off its left edge.
    const int left = std::clamp(list.left() + (list.width() - s.width()) / 2, 0,
                                std::max(0, listArea_->width() - s.width()));
    const int top = std::clamp(list.top() + (list.height() - s.height()) / 2, 0,
                               std::max(0, listArea_->height() - s.height()));
    panel->setGeometry(left, top, s.width(), s.height());
}

void MainWindow::layoutOverlays()
{
    if (!mainGrid_)
        return;
    for (QWidget* p : {static_cast<QWidget*>(editPanel_), static_cast<QWidget*>(categoryPanel_),
                       static_cast<QWidget*>(dateFrame_), static_cast<QWidget*>(macDateFrame_)})
        centreOverList(p);
    // The viewer covers the band of the lists.
    viewer_->setGeometry(0, mainGrid_->y(), listArea_->width(), mainGrid_->height());
    // The progress bar covers the upper status bar.
    progress_->setGeometry(displayBar_->geometry());
    progress_->raise();
}

void MainWindow::reportFailure(const std::exception& e)
{
    // A failure that is not a file's is reported as number 5.
    platform::reportException(e, 5);
}

}  // namespace fnk::app
