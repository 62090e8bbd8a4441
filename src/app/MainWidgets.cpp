// The main window's widgets: what the constructor of a designer form would
// build, kept apart from the window's commands.
#include "app/MainWidgets.h"

#include "app/Ledger.h"
#include "app/MainMenus.h"
#include "app/Settings.h"
#include "app/WindowFit.h"
#include "edit/CategoryPanel.h"
#include "edit/EditPanel.h"
#include "platform/Colours.h"
#include "platform/ErrorReport.h"
#include "platform/Printing.h"
#include "reports/ReportView.h"
#include "store/FileIo.h"
#include "view/CategoryListModel.h"
#include "view/ListBuilder.h"
#include "view/MainListModel.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

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

edit::EditContext editContext(Ledger& ledger)
{
    const Session& session = ledger.session();
    edit::EditContext c;
    c.recordFile = session.recordFile();
    c.dataFolder = session.dataFolder;
    c.categoryFile = session.categoryFile();
    c.rememberedCode = session.rememberedCode;
    c.rememberedName = session.rememberedName;
    c.user1Name = session.settings.userField1Name();
    c.user2Name = session.settings.userField2Name();
    c.user1KeepsList = session.settings.userField1KeepsPickList();
    c.user2KeepsList = session.settings.userField2KeepsPickList();
    c.confirm = session.settings.confirmsReplaceAndDelete();
    c.macroMode = session.macroMode;
    c.recordEpoch = session.recordEpoch();
    c.beginChange = [ledger = &ledger](const QString& text) {
        return ledger->beginChange(text);
    };
    return c;
}

edit::CategoryContext categoryContext(Ledger& ledger)
{
    const Session& session = ledger.session();
    edit::CategoryContext c;
    c.categoryFile = session.categoryFile();
    c.recordFile = session.recordFile();
    c.rememberedCode = session.rememberedCode;
    c.rememberedName = session.rememberedName;
    c.beginChange = [ledger = &ledger](const QString& text) {
        return ledger->beginChange(text);
    };
    return c;
}

}  // namespace

void reportFailure(const std::exception& e)
{
    // A failure that is not a file's is reported as number 5.
    platform::reportException(e, 5);
}

void MainWidgets::setupUi(QMainWindow* w, Ledger& ledger)
{
    window = w;
    listModel = new view::MainListModel(window);
    categoryModel = new view::CategoryListModel(window);

    buildMenus();

    auto* central = new QWidget(window);
    central->setObjectName(QStringLiteral("CentralArea"));
    auto* col = new QVBoxLayout(central);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    toolRow = buildToolBar();
    col->addWidget(toolRow);

    listArea = new QWidget(central);
    listArea->setObjectName(QStringLiteral("ListArea"));
    auto* row = new QHBoxLayout(listArea);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    mainGrid = named(new QTableView(listArea), "MainGrid", "Double-click any line item to edit");
    mainGrid->setModel(listModel);
    listModel->followPalette(mainGrid->palette());
    mainGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    mainGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    mainGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mainGrid->setWordWrap(false);
    mainGrid->setTabKeyNavigation(false);
    mainGrid->verticalHeader()->hide();
    mainGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    mainGrid->verticalHeader()->setDefaultSectionSize(mainGrid->fontMetrics().height() + 4);
    mainGrid->horizontalHeader()->setHighlightSections(false);
    for (int c = view::MainListModel::kFirstHidden; c < view::MainListModel::kColumns; ++c)
        mainGrid->setColumnHidden(c, true);
    row->addWidget(mainGrid, 1);

    auto* right = new QWidget(listArea);
    right->setObjectName(QStringLiteral("CategoryColumn"));
    auto* rcol = new QVBoxLayout(right);
    rcol->setContentsMargins(0, 0, 0, 0);
    rcol->setSpacing(0);
    auto* buttonsRow = new QHBoxLayout;
    allButton = button(right, "AllCategoryButton", QStringLiteral("A&ll <F8>"), "Display all categories");
    clearButton = button(right, "NoCategory", QStringLiteral("&Clear"), "Clear the list (display nothing)");
    buttonsRow->addWidget(allButton);
    buttonsRow->addWidget(clearButton);
    rcol->addLayout(buttonsRow);
    udfPrompt = button(right, "UDFSearchPrompt", QString(), nullptr);
    udfPrompt->hide();
    rcol->addWidget(udfPrompt);

    categoryGrid = named(new QTableView(right), "CategoryGrid",
                          "Double-click any category to narrow your view");
    categoryGrid->setModel(categoryModel);
    categoryGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    categoryGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    categoryGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    categoryGrid->setWordWrap(false);
    categoryGrid->setTabKeyNavigation(false);  // Tab leaves the list
    categoryGrid->verticalHeader()->hide();
    categoryGrid->verticalHeader()->setDefaultSectionSize(categoryGrid->fontMetrics().height() + 4);
    categoryGrid->installEventFilter(window);
    const int cw = categoryGrid->fontMetrics().averageCharWidth();
    categoryGrid->setColumnWidth(0, categoryModel->widthOf(0) * cw + 8);
    categoryGrid->setColumnWidth(1, categoryModel->widthOf(1) * cw + 8);
    right->setFixedWidth((categoryModel->widthOf(0) + categoryModel->widthOf(1)) * cw + 16
                         + categoryGrid->verticalScrollBar()->sizeHint().width());
    rcol->addWidget(categoryGrid, 1);
    udfList = named(new QListWidget(right), "UDFSearchList");
    udfList->setAccessibleName(QStringLiteral("User field values"));
    udfList->hide();
    rcol->addWidget(udfList, 1);
    row->addWidget(right);
    col->addWidget(listArea, 1);

    displayBar = buildStatusBar(QStringLiteral("DisplayStatusBar"),
                                 {QStringLiteral("Total of money IN"), QStringLiteral("Total of money OUT"),
                                  QStringLiteral("Balance between IN/OUT"),
                                  QStringLiteral("Number of items currently displayed"),
                                  QStringLiteral("Name of category currently displayed")},
                                 displayPanels);
    generalBar = buildStatusBar(QStringLiteral("GeneralStatusBar"),
                                 {QStringLiteral("This is the date range currently displayed"),
                                  QStringLiteral("This is the data folder currently in use"),
                                  QStringLiteral("Today's date")},
                                 generalPanels);
    col->addWidget(displayBar);
    col->addWidget(generalBar);
    window->setCentralWidget(central);

    buildPanels(ledger);

    progress = named(new QProgressBar(central), "ProgressBar1");
    progress->hide();

    listPop = new QMenu(window);
    listPop->setObjectName(QStringLiteral("ListPop"));
    popEdit = listPop->addAction(QStringLiteral("&Edit"));
    popEdit->setObjectName(QStringLiteral("ListPopEdit"));
    popDelete = listPop->addAction(QStringLiteral("&Delete"));
    popDelete->setObjectName(QStringLiteral("ListPopDelete"));
}

QStatusBar* MainWidgets::buildStatusBar(const QString& name, const QStringList& tips,
                                         QList<QLabel*>& panels)
{
    auto* bar = new QStatusBar(window);
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

void MainWidgets::buildMenus()
{
    actions = buildMainMenus(window->menuBar());
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        commands[i] = actions.value(commandName(Command(i)));
        if (!commands[i])
            qFatal("no action for command %s", qPrintable(commandName(Command(i))));
    }
    // Exactly one of the two tool-tip entries is visible.
    actions.value(QStringLiteral("mu_ToolTipsOn"))->setVisible(false);
    actions.value(QStringLiteral("mu_NoBold"))->setCheckable(true);
    actions.value(QStringLiteral("mu_NoBold"))->setChecked(true);
}

QWidget* MainWidgets::buildToolBar()
{
    auto* bar = new QWidget(window);
    bar->setObjectName(QStringLiteral("ToolBarRow"));
    auto* lay = new QHBoxLayout(bar);
    lay->setContentsMargins(2, 2, 2, 2);
    lay->setSpacing(2);
    for (const ToolButtonDef& b : toolButtonDefs()) {
        QToolButton* t = makeToolButton(b, bar);
        QAction* a = actions.value(QLatin1String(b.action));
        const bool focusAfter = QLatin1String(b.name) == QLatin1String("btn_ModeBlue");
        QObject::connect(t, &QToolButton::clicked, t, [this, a, focusAfter] {
            if (a && a->isEnabled())
                a->trigger();
            if (focusAfter)
                mainGrid->setFocus();
        });
        buttons.insert(QLatin1String(b.name), t);
        toolButtons.push_back({t, commandFor(a), b.role});
        lay->addWidget(t);
        if (QLatin1String(b.name) == QLatin1String("btn_ModeWhite"))
            t->hide();  // shares its place with btn_ModeBlue
    }
    lay->addStretch(1);
    return bar;
}

void MainWidgets::buildPanels(Ledger& ledger)
{
    // Record entry and category editing.
    editPanel = new edit::EditPanel([&ledger] { return editContext(ledger); }, listArea);
    editPanel->hide();
    categoryPanel = new edit::CategoryPanel([&ledger] { return categoryContext(ledger); }, listArea);
    categoryPanel->hide();
    // In the record panel the category list comes between the amount and the note.
    QWidget::setTabOrder(editPanel->findChild<QWidget*>(QStringLiteral("AmountBox")), categoryGrid);
    QWidget::setTabOrder(categoryGrid, editPanel->findChild<QWidget*>(QStringLiteral("NoteBox")));

    // Date range choice.
    dateFrame = floatingFrame(listArea, "DateDialFrame");
    {
        auto* g = new QGridLayout(dateFrame);
        monthView1 = named(new QCalendarWidget(dateFrame), "MonthView1");
        monthView2 = named(new QCalendarWidget(dateFrame), "MonthView2");
        auto* earliest = new QLabel(QStringLiteral("Earliest &Date"), dateFrame);
        auto* latest = new QLabel(QStringLiteral("La&test Date"), dateFrame);
        earliest->setBuddy(monthView1);
        latest->setBuddy(monthView2);
        g->addWidget(earliest, 0, 0);
        g->addWidget(latest, 0, 1);
        g->addWidget(monthView1, 1, 0);
        g->addWidget(monthView2, 1, 1);
        dateOk = button(dateFrame, "DateDialOK", QStringLiteral("&OK"), "Click to accept date shown");
        g->addWidget(dateOk, 2, 0, 1, 2, Qt::AlignHCenter);
        dateFrame->adjustSize();
    }

    // Macro play date.
    macDateFrame = floatingFrame(listArea, "MacDateFrame");
    {
        auto* g = new QGridLayout(macDateFrame);
        auto* select = new QLabel(QStringLiteral("Select Date"), macDateFrame);
        auto* monthView3 = named(new QCalendarWidget(macDateFrame), "MonthView3");
        select->setBuddy(monthView3);
        g->addWidget(select, 0, 0, 1, 2);
        g->addWidget(monthView3, 1, 0, 1, 2);
        macDateOk = button(macDateFrame, "MacDateOK", QStringLiteral("&OK"), nullptr);
        macCancel = button(macDateFrame, "MacCancel", QStringLiteral("Ca&ncel"), nullptr);
        g->addWidget(macDateOk, 2, 0);
        g->addWidget(macCancel, 2, 1);
        macDateFrame->adjustSize();
    }

    // Report viewer.
    viewer = named(new reports::ReportView(listArea), "Viewer");
    viewer->setAccessibleName(QStringLiteral("Report"));
    // Reports line up in columns: "Courier New", or the nearest fixed-pitch font.
    viewer->setFont(platform::linePrintFont(QStringLiteral("Courier New"), viewer->font().pointSize()));
    viewer->hide();
}

Command MainWidgets::commandFor(const QAction* a) const
{
    for (std::size_t i = 0; i < kCommandCount; ++i)
        if (commands[i] == a)
            return Command(i);
    qFatal("a tool button without its command");
}

void MainWidgets::showStatus(const view::StatusPanels& status)
{
    generalBar->clearMessage();
    for (int i = 0; i < 5; ++i)
        if (!status.panel[i].isNull())
            displayPanels[i]->setText(status.panel[i]);
    fitStatusPanels();
}

void MainWidgets::fitStatusPanels()
{
    // The figures show whole: each panel is at least as wide as the money
    // text of the reports (100,000,000 in its negative form) or a count of
    // ten million items, and wider when its text is.
    static const QString money =
        QStringLiteral("(-) ") + store::formatCurrency(-100000000LL * store::kMoneyScale);
    static const QString count = QStringLiteral("10000000 Items");
    for (int i = 0; i < 4; ++i) {
        QLabel* l = displayPanels[i];
        const QFontMetrics fm = l->fontMetrics();
        const int text = std::max(fm.horizontalAdvance(i < 3 ? money : count),
                                  fm.horizontalAdvance(l->text()));
        const int frame = l->width() - l->contentsRect().width();
        // A framed label indents its text by half an "x".
        l->setMinimumWidth(text + frame + fm.horizontalAdvance(QLatin1Char('x')));
    }
}

void MainWidgets::focusListIfEnabled()
{
    if (mainGrid->isEnabled() && window->isVisible())
        mainGrid->setFocus();
}

void MainWidgets::setColumnWidths()
{
    const int cw = mainGrid->fontMetrics().averageCharWidth();
    const auto& cells = listModel->headerCells();
    for (int c = 0; c < view::MainListModel::kFirstHidden && c < cells.size(); ++c)
        mainGrid->setColumnWidth(c, cells[c].width * cw + 8);
}

void MainWidgets::centreOverList(QWidget* panel)
{
    panel->adjustSize();
    const QRect list = mainGrid->geometry();
    const QSize s = panel->size().boundedTo(listArea->size());
    // Centred over the list; a panel wider than the list stays whole inside
    // the window instead of hanging off its left edge.
    const int left = std::clamp(list.left() + (list.width() - s.width()) / 2, 0,
                                std::max(0, listArea->width() - s.width()));
    const int top = std::clamp(list.top() + (list.height() - s.height()) / 2, 0,
                               std::max(0, listArea->height() - s.height()));
    panel->setGeometry(left, top, s.width(), s.height());
}

void MainWidgets::layoutOverlays()
{
    if (!mainGrid)
        return;
    for (QWidget* p : {static_cast<QWidget*>(editPanel), static_cast<QWidget*>(categoryPanel),
                       static_cast<QWidget*>(dateFrame), static_cast<QWidget*>(macDateFrame)})
        centreOverList(p);
    // The viewer covers the band of the lists.
    viewer->setGeometry(0, mainGrid->y(), listArea->width(), mainGrid->height());
    // The progress bar covers the upper status bar.
    progress->setGeometry(displayBar->geometry());
    progress->raise();
}

void MainWidgets::applyRange(const view::DateRange& range)
{
    generalPanels[0]->setText(range.statusText());
    monthView1->setSelectedDate(range.earliest());
    monthView2->setSelectedDate(range.latest());
}

void MainWidgets::SetGridColors(QWidget* focused)
{
    // The focused list's heading in the text colour of the window, the
    // other one greyed, both readable on the heading's background.
    const QColor back = window->palette().color(QPalette::Button);
    const QColor active = platform::readableOn(window->palette().color(QPalette::ButtonText), back);
    const QColor text = window->palette().color(QPalette::ButtonText);
    const QColor grey = platform::readableOn(
        QColor((text.red() + back.red()) / 2, (text.green() + back.green()) / 2,
               (text.blue() + back.blue()) / 2),
        back);
    auto paint = [](QTableView* view, const QColor& c) {
        QPalette p = view->horizontalHeader()->palette();
        p.setColor(QPalette::ButtonText, c);
        p.setColor(QPalette::WindowText, c);
        view->horizontalHeader()->setPalette(p);
    };
    const bool listHasFocus = focused == mainGrid;
    paint(mainGrid, listHasFocus ? active : grey);
    paint(categoryGrid, listHasFocus ? grey : active);
}

// ----------------------------------------------------- the window's place

void MainWidgets::placeWindow(const SettingsRecord& s)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    auto px = [dpi](int twips) { return int(std::lround(double(twips) * dpi / 1440.0)); };
    QRect r(px(s.windowLeft()), px(s.windowTop()), std::max(px(s.windowWidth()), window->minimumWidth()),
            std::max(px(s.windowHeight()), window->minimumHeight()));
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
    window->resize(r.size());
    window->move(r.topLeft());
}

void MainWidgets::storeGeometry(SettingsRecord& settings) const
{
    QScreen* sc = window->screen();
    const double dpi = sc ? sc->logicalDotsPerInch() : 96.0;
    auto twips = [dpi](int px) { return int(std::lround(double(px) * 1440.0 / dpi)); };
    const QRect g = window->geometry();
    settings.setWindowTop(twips(window->pos().y()));
    settings.setWindowLeft(twips(window->pos().x()));
    settings.setWindowHeight(twips(g.height()));
    settings.setWindowWidth(twips(g.width()));
}

void MainWidgets::fitFirstRunWindow()
{
    QScreen* sc = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!sc)
        return;
    // The window's frame is not known before it is shown: room is left for
    // a title bar and borders.
    const QRect avail = sc->availableGeometry();
    const QSize room = avail.size() - QSize(16, 48);
    fitStatusPanels();
    const QWidget* beside = window->findChild<QWidget*>(QStringLiteral("CategoryColumn"));
    // Two thirds of the screen's height give the list room for a few weeks.
    const QSize start(window->width(), std::max(window->height(), avail.height() * 2 / 3));
    const QSize s = wholeLayoutSize(mainGrid, beside ? beside->width() : 0, {displayBar, generalBar},
                                    start, room);
    window->resize(s.expandedTo(window->minimumSize()));
    // Whole on the screen.
    const int left = std::clamp(window->x(), avail.left(),
                                std::max(avail.left(), avail.right() - 16 - window->width()));
    const int top = std::clamp(window->y(), avail.top(),
                               std::max(avail.top(), avail.bottom() - 48 - window->height()));
    window->move(left, top);
}

void MainWidgets::keepRecordPanelWhole()
{
    // The panel floats over the list and is cut off where the list ends.
    const int around = window->menuBar()->sizeHint().height() + toolRow->sizeHint().height()
        + displayBar->sizeHint().height() + generalBar->sizeHint().height();
    window->setMinimumHeight(
        std::max(window->minimumHeight(), around + editPanel->sizeHint().height() + 4));
}

}  // namespace fnk::app
