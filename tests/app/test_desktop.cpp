// The main window on today's desktops: colours that read on a light and a
// dark palette, names for screen readers, access keys, the tab order of the
// record panel, the first-run size and the texts of its boxes.

#include "AppHarness.h"

#include "app/Settings.h"
#include "app/Splash.h"
#include "app/WindowFit.h"
#include "platform/Accessibility.h"
#include "platform/Colours.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <memory>

using namespace fnk;
using platform::contrastRatio;
#include "support/DarkPalette.h"

using fnk::testsupport::darkPalette;

namespace {

store::Money dollars(qint64 d) { return d * store::kMoneyScale; }


// A palette for the whole application for one test.
struct AppPalette {
    QPalette old = qApp->palette();
    explicit AppPalette(const QPalette& p) { qApp->setPalette(p); }
    ~AppPalette() { qApp->setPalette(old); }
};

void activate(QWidget* w)
{
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

// The name a screen reader gets for `w`.
QString spoken(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// Every control of `window` that Tab can reach has a name, without padding.
QStringList unnamed(QWidget* window)
{
    QStringList out;
    QList<QWidget*> all = window->findChildren<QWidget*>();
    all.prepend(window);
    for (QWidget* w : all) {
        if (w->isWindow() || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        const QString name = spoken(w);
        if (name.isEmpty() || name != name.simplified())
            out << QStringLiteral("%1 %2 '%3'").arg(QLatin1String(w->metaObject()->className()),
                                                   w->objectName(), name);
    }
    return out;
}

// Faults in the access keys of captions shown together: one with letters
// and no key, or a key used twice.
QStringList keyFaults(const QList<std::pair<QString, QString>>& captions)
{
    QStringList faults;
    QHash<QChar, QString> seen;
    for (const auto& [text, who] : captions) {
        const QChar k = platform::accessKey(text);
        if (k.isNull() && std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); }))
            faults << who + QStringLiteral(" has no access key");
        else if (!k.isNull() && seen.contains(k))
            faults << QStringLiteral("%1 and %2 share %3").arg(seen[k], who, QString(k));
        seen.insert(k, who);
    }
    return faults;
}

// What `window` shows now: its menu bar, its buttons and its labels' keys.
QStringList accessKeyFaults(QWidget* window)
{
    QList<std::pair<QString, QString>> captions;
    if (auto* mw = qobject_cast<QMainWindow*>(window); mw && mw->menuWidget())
        for (QAction* a : mw->menuBar()->actions())
            captions.append({a->text(), a->objectName()});
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(window) && (b->focusPolicy() & Qt::TabFocus) && !b->text().isEmpty())
            captions.append({b->text(), b->objectName()});
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->isVisibleTo(window) && l->buddy() && !platform::accessKey(l->text()).isNull())
            captions.append({l->text(), l->objectName()});
    return keyFaults(captions);
}

QStringList menuFaults(QMenu* menu)
{
    emit menu->aboutToShow();
    QList<std::pair<QString, QString>> captions;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isVisible())
            captions.append({a->text(), a->objectName()});
    return keyFaults(captions);
}

QWidget* topLevel(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return w;
    return nullptr;
}

// The named control that has the focus (the box inside a combo box counts
// as the combo box).
QString focusName()
{
    QWidget* w = QApplication::focusWidget();
    while (w && w->objectName().isEmpty())
        w = w->parentWidget();
    return w ? w->objectName() : QString();
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT

    void checkColours(const QPalette& palette)
    {
        AppPalette applied(palette);
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 12, 1), dollars(50), "FO", "in");
        h.addRecord(QDate(2026, 12, 2), -dollars(20), "FO", "out");
        h.addRecord(QDate(2026, 12, 3), 0, "FO", "open");
        auto& w = h.start();
        activate(&w);
        auto* grid = h.child<QTableView>("MainGrid");
        auto* cats = h.child<QTableView>("CategoryGrid");
        auto amountsRead = [&](const char* mode) {
            const QColor back = grid->palette().color(QPalette::Base);
            QCOMPARE(w.listModel()->rowCount(), 3);
            for (int r = 0; r < 3; ++r) {
                const QColor c = w.listModel()
                                     ->data(w.listModel()->index(r, view::MainListModel::kAmount),
                                            Qt::ForegroundRole)
                                     .value<QBrush>()
                                     .color();
                QVERIFY2(contrastRatio(c, back) >= 4.5, mode);
            }
            QVERIFY2(contrastRatio(grid->palette().color(QPalette::Text), back) >= 4.5, mode);
        };
        amountsRead("list");
        const QColor out = w.listModel()->amountColour(-1);
        const QColor open = w.listModel()->amountColour(0);
        QVERIFY(out.red() > out.green() && out.red() > out.blue());
        QVERIFY(open.blue() > open.red() && open.blue() > open.green());

        // The focused list's heading and the other, both readable, unlike.
        cats->setFocus();
        grid->setFocus();
        auto heading = [](QTableView* v) {
            return v->horizontalHeader()->palette().color(QPalette::ButtonText);
        };
        const QColor button = w.palette().color(QPalette::Button);
        QVERIFY(contrastRatio(heading(grid), button) >= 4.5);
        QVERIFY(contrastRatio(heading(cats), button) >= 4.5);
        QVERIFY(heading(grid) != heading(cats));

        // Free selection and macro edit mark the list and keep it readable.
        const QColor plain = grid->palette().color(QPalette::Base);
        h.action("mu_NewReport")->trigger();
        QVERIFY(grid->palette().color(QPalette::Base) != plain);
        amountsRead("free selection");
        h.action("mu_QuitReports")->trigger();
        QCOMPARE(grid->palette().color(QPalette::Base), plain);
        h.port.queueFile(h.path("new.fnk"));
        h.action("mu_MacroCreate")->trigger();
        QVERIFY(w.session().macroMode);
        const QColor macro = grid->palette().color(QPalette::Base);
        QVERIFY(macro != plain && macro.red() > macro.blue() && macro.green() > macro.blue());
        QVERIFY(contrastRatio(grid->palette().color(QPalette::Text), macro) >= 4.5);
        h.action("mu_MacroQuit")->trigger();

        // The amount of a stored expense is typed in red.
        AppHarness::dblClickRow(grid, 1);
        auto* amount = h.child<QLineEdit>("AmountBox");
        QVERIFY(h.child("EditFrame")->isVisible());
        const QColor typed = amount->palette().color(QPalette::Text);
        QVERIFY(typed.red() > typed.green());
        QVERIFY(contrastRatio(typed, amount->palette().color(QPalette::Base)) >= 4.5);
    }

private slots:
    // Windows of their own that outlive a test's main window (help) go.
    void cleanup()
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            top->close();
    }

    void coloursReadOnALightPalette()
    {
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        checkColours(fusion->standardPalette());
    }
    void coloursReadOnADarkPalette() { checkColours(darkPalette()); }

    void everyWindowNamesEveryControl()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 12, 1), -dollars(20), "FO", "out");
        auto& w = h.start();
        w.show();
        for (const char* panel : {"mu_NewEntry", "mu_NewCategory", "mu_SelectDates", "mu_SearchUDF1"})
            h.action(panel)->trigger();
        QVERIFY2(unnamed(&w).isEmpty(), qPrintable(unnamed(&w).join(", ")));
        // The user fields are named without their stored padding.
        QCOMPARE(spoken(h.child("UserList1")), QStringLiteral("user 1"));
        h.child<QPushButton>("CloseButton")->click();
        h.child<QPushButton>("QuitCat")->click();
        h.child<QPushButton>("DateDialOK")->click();

        h.report("mu_ReportSummary");
        for (const char* command : {"mu_ReportChart", "mu_ConfigSettings", "mu_TinyCalc", "mu_Game",
                                    "mu_HelpContents", "mu_Backup", "mu_Import"})
            h.action(command)->trigger();
        app::Splash splash(QStringLiteral("secret"));
        splash.show();
        int windows = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible() || top == &w)
                continue;
            ++windows;
            QVERIFY2(unnamed(top).isEmpty(), qPrintable(top->objectName() + ": " + unnamed(top).join(", ")));
        }
        QVERIFY(windows >= 8);
    }

    void accessKeysAreGivenAndUnique()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 12, 1), -dollars(20), "FO", "out");
        auto& w = h.start();
        w.show();
        for (QAction* m : w.menuBar()->actions())
            QVERIFY2(menuFaults(m->menu()).isEmpty(), qPrintable(menuFaults(m->menu()).join(", ")));
        QVERIFY(menuFaults(w.findChild<QMenu*>(QStringLiteral("ListPop"))).isEmpty());
        QCOMPARE(w.menuBar()->actions().at(5)->text(), QStringLiteral("L&ist Mode"));

        // The window with each of its panels open in turn.
        auto check = [&](QWidget* window, const char* state) {
            const QStringList faults = accessKeyFaults(window);
            QVERIFY2(faults.isEmpty(), qPrintable(QLatin1String(state) + ": " + faults.join(", ")));
        };
        check(&w, "list");
        h.action("mu_NewEntry")->trigger();
        check(&w, "record panel");
        h.child<QPushButton>("CloseButton")->click();
        h.action("mu_NewCategory")->trigger();
        check(&w, "category panel");
        h.child<QPushButton>("QuitCat")->click();
        h.action("mu_SelectDates")->trigger();
        check(&w, "date range");
        h.child<QPushButton>("DateDialOK")->click();
        h.action("mu_SearchUDF1")->trigger();
        check(&w, "user field search");

        h.report("mu_ReportSummary");
        for (const char* command : {"mu_ReportChart", "mu_ConfigSettings", "mu_TinyCalc", "mu_Backup", "mu_Game"})
            h.action(command)->trigger();
        for (const char* name : {"fnkChart", "FNK3Config", "TinyCalc", "frmBackup", "FNKGame"}) {
            QWidget* top = topLevel(name);
            QVERIFY2(top, name);
            check(top, name);
        }
        h.action("mu_ReturnToList")->trigger();
        h.action("mu_Import")->trigger();
        QVERIFY(topLevel("fnk3cdi"));
        check(topLevel("fnk3cdi"), "import window");

        // The chart has a key of its own, used by no other command.
        const QKeySequence chart = h.action("mu_ReportChart")->shortcut();
        QVERIFY(!chart.isEmpty());
        for (QAction* a : w.findChildren<QAction*>())
            QVERIFY(a == h.action("mu_ReportChart") || a->shortcut() != chart);
    }

    void recordPanelTabsInReadingOrder()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        h.addRecord(QDate(2026, 12, 1), -dollars(20), "FO", "out");
        auto& w = h.start();
        activate(&w);
        auto tabs = [](int count) {
            QStringList seen;
            for (int i = 0; i < count; ++i) {
                seen << focusName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            return seen;
        };
        const QStringList fields = {"DateDn30",  "DateDn",     "DateUp",    "DateUp30",   "TodayButton",
                                    "AmountBox", "CategoryGrid", "NoteBox", "UserList1",  "UDF1Delete",
                                    "UserList2", "UDF2Delete", "NewIncomeButton", "NewExpenseButton",
                                    "CloseButton"};
        h.action("mu_NewEntry")->trigger();
        h.child("DateDn30")->setFocus();
        QCOMPARE(tabs(fields.size()), fields);
        h.child<QPushButton>("CloseButton")->click();

        AppHarness::dblClickRow(h.child<QTableView>("MainGrid"), 0);
        QVERIFY(h.child("EditFrame")->isVisible());
        h.child("DateDn30")->setFocus();
        const QStringList all =
            fields + QStringList{"ReplaceIncomeButton", "ReplaceExpenseButton", "DeleteButton"};
        QCOMPARE(tabs(all.size()), all);
        // Each box the panel shows has a visible label naming it.
        for (const char* box : {"DateBox", "AmountBox", "CategoryCodeBox", "CategoryBox", "NoteBox"}) {
            QVERIFY2(!spoken(h.child(box)).isEmpty(), box);
            QVERIFY2(!h.child<QLineEdit>(box)->isReadOnly()
                         || !(h.child(box)->focusPolicy() & Qt::TabFocus),
                     box);
        }
    }

    void escClosesHelpAndTheGame()
    {
        AppHarness h;
        auto& w = h.start();
        w.show();
        for (const char* command : {"mu_HelpContents", "mu_Game"}) {
            h.action(command)->trigger();
            QWidget* top = topLevel(command == QLatin1String("mu_Game") ? "FNKGame" : "HelpViewer");
            QVERIFY2(top, command);
            activate(top);
            QTest::keyClick(top, Qt::Key_Escape);
            QTRY_VERIFY(!topLevel(command == QLatin1String("mu_Game") ? "FNKGame" : "HelpViewer"));
        }
    }

    void firstRunShowsTheWholeLayout()
    {
        // Large print, as a desktop may set it.
        const QFont old = QApplication::font();
        QFont large = old;
        large.setPointSize(16);
        QApplication::setFont(large);
        auto restore = qScopeGuard([&] { QApplication::setFont(old); });
        AppHarness h;
        auto& w = h.start();
        w.show();
        // The record panel, taller with its labels, shows whole over the list.
        auto panelWhole = [&] {
            h.action("mu_NewEntry")->trigger();
            QWidget* panel = h.child("EditFrame");
            const bool whole = panel->height() >= panel->sizeHint().height();
            h.child<QPushButton>("CloseButton")->click();
            return whole;
        };
        QVERIFY(panelWhole());
        auto* grid = h.child<QTableView>("MainGrid");
        const QRect avail = w.screen()->availableGeometry();
        QVERIFY(w.width() <= avail.width() && w.height() <= avail.height());
        QVERIFY(w.width() > 609);
        // With the room the function asks for, every column and panel is whole.
        const QSize whole = app::wholeLayoutSize(grid, h.child("CategoryColumn")->width(),
                                                 {h.child<QStatusBar>("DisplayStatusBar"),
                                                  h.child<QStatusBar>("GeneralStatusBar")},
                                                 w.size(), QSize(10000, 10000));
        w.resize(whole);
        QTRY_COMPARE(w.size(), whole);
        int columns = 0;
        for (int c = 0; c < view::MainListModel::kFirstHidden; ++c)
            columns += grid->columnWidth(c);
        QVERIFY(grid->viewport()->width() >= columns);
        for (QLabel* l : w.findChildren<QLabel*>()) {
            if (!qobject_cast<QStatusBar*>(l->parentWidget()) || !l->isVisible())
                continue;
            QVERIFY2(l->contentsRect().width() >= l->fontMetrics().horizontalAdvance(l->text()),
                     qPrintable(l->objectName()));
        }
        w.close();
        const int fitted = w.width();
        h.window.reset();

        // Next time the size the user left wins.
        app::SettingsRecord r = app::loadOrCreate(h.folder(), h.port).record;
        r.setWindowWidth(9135);
        app::SettingsFile(h.folder()).write(r);
        auto& again = h.start();
        again.show();
        QVERIFY(again.width() < fitted);
        QVERIFY(panelWhole());
    }

    void searchBoxWrapsItsQuestion()
    {
        AppHarness h;
        platform::QtMessagePort port;
        int width = 0;
        bool whole = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QInputDialog*>(top); d && d->isVisible()) {
                    width = d->width();
                    auto* label = d->findChild<QLabel*>();
                    whole = label->height() >= label->heightForWidth(label->width());
                    d->reject();
                }
        });
        const QString question = QStringLiteral(
            "This search looks for the item you specify, even if it is only part of a longer word. "
            "For example, it will find \"fish\" in \"many fish\" and also in \"bluefish\"\n\nLook for what?");
        QCOMPARE(port.input({QStringLiteral("Search"), question, QString()}), QString());
        QVERIFY(width > 0);
        QVERIFY(whole);
        QVERIFY(width < QFontMetrics(QApplication::font()).averageCharWidth() * 80);
    }

    void savingOutsideTheDatesShownSaysSo()
    {
        AppHarness h;
        h.addCategory("FO", "Food");
        auto& w = h.start();
        auto* bar = h.child<QStatusBar>("GeneralStatusBar");
        auto save = [&](bool later) {
            h.action("mu_NewEntry")->trigger();
            AppHarness::clickRow(h.child<QTableView>("CategoryGrid"), 0);
            if (later)
                h.child<QPushButton>("DateUp30")->click();  // 1/7/2027, past the fiscal year
            h.child<QLineEdit>("AmountBox")->setText("5");
            h.child<QPushButton>("NewIncomeButton")->click();
        };
        save(false);
        QCOMPARE(bar->currentMessage(), QString());
        QCOMPARE(w.listModel()->rowCount(), 1);
        save(true);
        QCOMPARE(w.listModel()->rowCount(), 1);
        QCOMPARE(bar->currentMessage(), QStringLiteral("Saved; outside the dates shown"));
        h.action("mu_AllCats")->trigger();
        QCOMPARE(bar->currentMessage(), QString());
    }
};

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
