// Speed and memory figures on large ledgers.  Prints one figure a line:
//   name records value unit
#include "bench/Ledgers.h"

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "edit/EditPanel.h"
#include "reports/ReportFiles.h"
#include "reports/ReportWriter.h"
#include "store/Dates.h"
#include "store/Maintenance.h"
#include "store/RecordFile.h"
#include "view/ListBuilder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextBrowser>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace fnk;

namespace fnk::bench {
void benchChaseCat(const QString& ledger, qint64 records);
void benchImportRun(qint64 lines);
void benchUndo(const QString& ledger, qint64 records);
void benchReportCancel(const QString& ledger, qint64 records);
void benchStatements(qint64 transactions);
}

namespace {

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

void print(const char* name, qint64 records, double value, const char* unit)
{
    std::printf("%s %lld %.1f %s\n", name, static_cast<long long>(records), value, unit);
    std::fflush(stdout);
}

void benchList(const QString& path, qint64 records)
{
    const int runs = 3;
    print("plain_read", records, bestOf(runs, [&] {
              QFile f(path);
              f.open(QIODevice::ReadOnly);
              const QByteArray all = f.readAll();
              if (all.size() != records * 125)
                  std::abort();
          }),
          "ms");

    view::MainListModel model;
    view::ListQuery q;
    q.recordFile = path;
    q.earliest = bench::firstDate();
    q.latest = bench::lastDate();
    q.user1IsPickList = false;
    view::BuildResult r;
    print("popmaingrid_all", records, bestOf(runs, [&] { r = view::PopMainGrid(model, q, {}); }),
          "ms");
    print("popmaingrid_all_rows", records, double(model.rowCount()), "rows");
    print("model_bytes_per_row", records, double(model.memoryBytes()) / model.rowCount(), "bytes");

    view::ListQuery year = q;
    year.earliest = QDate(bench::lastDate().year(), 1, 1);
    print("popmaingrid_year", records, bestOf(runs, [&] { r = view::PopMainGrid(model, year, {}); }),
          "ms");
    print("popmaingrid_year_rows", records, double(model.rowCount()), "rows");

    print("popmaingrid_word_search", records,
          bestOf(runs, [&] { r = view::PopMainGrid(model, q, QStringLiteral("GROCER")); }), "ms");
    print("popmaingrid_word_search_rows", records, double(model.rowCount()), "rows");
}

// Start-up of the main window on a program folder holding the ledger, from
// creating the window to the list shown.
void benchStartUp(const QString& ledger, qint64 records)
{
    QTemporaryDir folder;
    const QString dat = folder.filePath(QStringLiteral("fennick.dat"));
    QFile::copy(ledger, dat);
    app::SettingsRecord s = app::firstRunDefaults();
    s.setDefaultRangeCode(1825 * 4);  // twenty years: every record listed
    app::SettingsFile(folder.path()).write(s);
    QElapsedTimer t;
    t.start();
    {
        app::MainWindow w(folder.path());
        w.startUp();
        QApplication::processEvents();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        print("startup_to_list_shown", records, ms, "ms");
        print("startup_rows_listed", records, double(w.listModel()->rowCount()), "rows");

        // One new record typed into the entry panel and saved; the save
        // ends with the full rebuild of the list.
        w.mu_NewEntry();
        auto* panel = w.findChild<edit::EditPanel*>(QStringLiteral("EditFrame"));
        panel->setCategory(QStringLiteral("C01       "), QStringLiteral("Bench"));
        w.findChild<QLineEdit*>(QStringLiteral("AmountBox"))->setText(QStringLiteral("12.50"));
        w.findChild<QLineEdit*>(QStringLiteral("NoteBox"))->setText(QStringLiteral("bench save"));
        QElapsedTimer save;
        save.start();
        panel->NewExpenseButton_Click();
        print("save_new_record_and_rebuild", records, double(save.nsecsElapsed()) / 1e6, "ms");
        print("rows_after_save", records, double(w.listModel()->rowCount()), "rows");
    }
}

// The list of every entry of `ledger` in the benchmark's dates.
view::ListQuery fillList(view::MainListModel& model, const QString& ledger)
{
    view::ListQuery q;
    q.recordFile = ledger;
    q.earliest = bench::firstDate();
    q.latest = bench::lastDate();
    view::PopMainGrid(model, q, {});
    return q;
}

// The number heading sorts alone, three rounds: the amount, then the date
// (the sort a report asks for after the user sorted by another heading).
void benchNumberSorts(const QString& ledger, qint64 records)
{
    view::MainListModel model;
    fillList(model, ledger);
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        model.sortByColumn(view::MainListModel::kAmount, Qt::AscendingOrder);
        print("heading_sort_amount", records, double(t.nsecsElapsed()) / 1e6, "ms");
        t.restart();
        model.sortByColumn(view::MainListModel::kDate, Qt::DescendingOrder);
        print("heading_sort_date", records, double(t.nsecsElapsed()) / 1e6, "ms");
    }
}

// Whole-list and whole-file commands on the ledger.
void benchCommands(const QString& ledger, qint64 records)
{
    QTemporaryDir folder;
    const QString data = folder.path() + QLatin1Char('/');
    QFile::copy(ledger, data + QStringLiteral("fennick.dat"));
    bench::writeCategories(data + QStringLiteral("category.dat"));
    view::MainListModel model;
    const view::ListQuery q = fillList(model, data + QStringLiteral("fennick.dat"));

    QElapsedTimer t;
    t.start();
    model.sortByColumn(2, Qt::AscendingOrder);
    print("heading_sort_note", records, double(t.nsecsElapsed()) / 1e6, "ms");
    t.restart();
    model.sortByColumn(view::MainListModel::kAmount, Qt::AscendingOrder);
    print("heading_sort_amount", records, double(t.nsecsElapsed()) / 1e6, "ms");

    t.restart();
    model.sortByColumn(view::MainListModel::kDate, Qt::DescendingOrder);
    print("heading_sort_date", records, double(t.nsecsElapsed()) / 1e6, "ms");
    t.restart();
    reports::MakeReportFiles(model, data);
    print("report_work_files", records, double(t.nsecsElapsed()) / 1e6, "ms");
    reports::ReportContext ctx;
    ctx.dataFolder = data;
    ctx.earliestText = store::formatShortDate(q.earliest);
    ctx.latestText = store::formatShortDate(q.latest);
    reports::writeReport(reports::ReportKind::FullNarrow, ctx);
    print("report_full_narrow", records, double(t.nsecsElapsed()) / 1e6, "ms");
    print("report_text_size", records,
          double(QFileInfo(data + QStringLiteral("fnk_rep.tmp")).size()) / 1e6, "MB");

    {
        QFile f(data + QStringLiteral("fnk_rep.tmp"));
        f.open(QIODevice::ReadOnly);
        const QString text = QString::fromLatin1(f.readAll());
        t.restart();
        QTextBrowser viewer;
        viewer.setReadOnly(true);
        viewer.setPlainText(text);
        viewer.resize(800, 600);
        viewer.show();
        QApplication::processEvents();
        print("report_viewer_shown", records, double(t.nsecsElapsed()) / 1e6, "ms");
    }

    t.restart();
    const qint64 removed = store::PurgeDeletedRecs(q.recordFile, data);
    print("purge", records, double(t.nsecsElapsed()) / 1e6, "ms");
    print("purge_removed", records, double(removed), "records");
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // --import-only: only the import run without its window; --undo-only:
    // only undo and redo.
    const bool importOnly = argc > 1 && QByteArray(argv[1]) == "--import-only";
    // --statements: only bank statements of 100,000 transactions per format.
    if (argc > 1 && QByteArray(argv[1]) == "--statements") {
        bench::benchStatements(100000);
        return 0;
    }
    const bool undoOnly = argc > 1 && QByteArray(argv[1]) == "--undo-only";
    // --sort-only: the amount and date heading sorts at a million entries.
    if (argc > 1 && QByteArray(argv[1]) == "--sort-only") {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fennick.dat"));
        bench::writeLedger(path, 1000000);
        benchNumberSorts(path, 1000000);
        return 0;
    }
    // --report-cancel-only: how soon a report build stops, at a million entries.
    if (argc > 1 && QByteArray(argv[1]) == "--report-cancel-only") {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fennick.dat"));
        bench::writeLedger(path, 1000000);
        bench::writeCategories(dir.filePath(QStringLiteral("category.dat")));
        bench::benchReportCancel(path, 1000000);
        return 0;
    }
    QTemporaryDir dir;
    for (qint64 n : {qint64(100000), qint64(1000000)}) {
        if (!undoOnly)
            bench::benchImportRun(n);
        if (n == 100000 && !undoOnly && !importOnly)
            bench::benchStatements(n);
        if (importOnly)
            continue;
        const QString path = dir.filePath(QStringLiteral("fennick-%1.dat").arg(n));
        bench::writeLedger(path, n);
        bench::benchUndo(path, n);
        if (undoOnly)
            continue;
        benchList(path, n);
        benchStartUp(path, n);
        benchCommands(path, n);
        bench::benchChaseCat(path, n);
        bench::benchReportCancel(path, n);
    }
    return 0;
}
