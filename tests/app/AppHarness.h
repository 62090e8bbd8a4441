#pragma once

#include "app/MainWindow.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/RecordFile.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLabel>
#include <QTableView>
#include <QtTest>

#include <memory>

// A main window started in a temporary program folder.
struct AppHarness : fnk::testsupport::Fixture {
    std::unique_ptr<fnk::app::MainWindow> window;

    fnk::app::MainWindow& start()
    {
        window = std::make_unique<fnk::app::MainWindow>(folder());
        window->startUp();
        return *window;
    }
    QAction* action(const char* name) const { return window->action(QLatin1String(name)); }
    // Runs a report command and waits until its build in the background has
    // ended.
    void report(const char* command)
    {
        action(command)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!window->reportBuilding(), 60000);
    }
    template <typename T = QWidget>
    T* child(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QString panel(const char* bar, int n) const
    {
        return child<QLabel>(QStringLiteral("%1_%2").arg(QLatin1String(bar)).arg(n).toLatin1())->text();
    }
    QStringList column(int col) const
    {
        QStringList out;
        for (int r = 0; r < window->listModel()->rowCount(); ++r)
            out << window->listModel()->cellText(r, col);
        return out;
    }
    void addRecord(const QDate& date, fnk::store::Money amount, const QString& code,
                   const QString& note, bool deleted = false)
    {
        fnk::store::LedgerRecord r;
        r.entryDate = fnk::store::dayFromDate(date);
        r.amount = amount;
        r.setCategoryCode(code);
        r.setNote(note);
        r.deletedFlag = deleted ? 'Y' : 'N';
        fnk::store::RecordFile(path(QStringLiteral("fennick.dat"))).FileNewEntry(r);
    }
    void addCategory(const QString& code, const QString& name)
    {
        fnk::store::CategoryEntry e;
        e.setCategoryCode(code);
        e.setCategoryName(name);
        fnk::store::CategoryFile(path(QStringLiteral("category.dat"))).append(e);
    }
    // Double-clicks (or clicks) a row of a table view.
    static void dblClickRow(QTableView* view, int row)
    {
        QCoreApplication::processEvents();  // let the view lay out its rows
        const QRect r = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, r.center());
    }
    static void clickRow(QTableView* view, int row)
    {
        QCoreApplication::processEvents();
        const QRect r = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    }
};
