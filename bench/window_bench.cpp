// What the user waits for, timed through the real main window: the four
// reports from the command to the viewer's first painted screen, scrolling
// the viewer, heading sorts, resident memory; and the import, macro play,
// data-set backup and category recode over large ledgers.  Prints one figure
// a line: name records value unit.  On a platform other than X the names
// carry the prefix "offscreen_", as nothing is laid out for a real screen.
//
// Usage: fennick-bench-window [--summaries-only] [--appends-only] [records ...]
//        (default 100000 1000000; --appends-only times only the import and
//        macro play)
#include "bench/Ledgers.h"

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "backup/DataSetCopy.h"
#include "import/ImportWindow.h"
#include "macros/MacroFile.h"
#include "platform/MessagePort.h"
#include "store/CategoryFile.h"
#include "store/LedgerRecord.h"
#include "store/RecordFile.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace fnk;

namespace {

bool onX = false;
bool summariesOnly = false;  // --summaries-only: leave out the two full reports
bool reportsOnly = false;    // --reports-only: leave out the file commands and the import
bool appendsOnly = false;    // --appends-only: only the import and the macro play

void print(const char* name, qint64 records, double value, const char* unit)
{
    std::printf("%s%s %lld %.1f %s\n", onX ? "" : "offscreen_", name,
                static_cast<long long>(records), value, unit);
    std::fflush(stdout);
}

double residentMB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Runs `work` from inside the event loop and waits until `done` says so.
// Returns the elapsed time; `stall` receives the longest time the event
// loop did not turn (what the user feels as a frozen window).
double runInLoop(const std::function<void()>& work, const std::function<bool()>& done,
                 double& stall, int timeoutMs = 600000)
{
    QEventLoop loop;
    QElapsedTimer t;
    QElapsedTimer sinceTick;
    stall = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        stall = std::max(stall, ms(sinceTick));
        sinceTick.restart();
        if (done() || t.elapsed() > timeoutMs)
            loop.quit();
    });
    t.start();
    sinceTick.start();
    ticker.start();
    QTimer::singleShot(0, &loop, [&] {
        work();
        stall = std::max(stall, ms(sinceTick));
        sinceTick.restart();
    });
    loop.exec();
    return ms(t);
}

// Counts paint events of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void waitExposed(QWidget& w)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000 && !(w.windowHandle() && w.windowHandle()->isExposed()))
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

QString folderWithLedger(const QTemporaryDir& folder, const QString& ledger)
{
    const QString data = folder.path() + QLatin1Char('/');
    QFile::copy(ledger, data + QStringLiteral("fennick.dat"));
    bench::writeCategories(data + QStringLiteral("category.dat"));
    app::SettingsRecord s = app::firstRunDefaults();
    s.setDefaultRangeCode(1825 * 4);  // twenty years: every record listed
    app::SettingsFile(folder.path()).write(s);
    return data;
}

void benchReports(const QString& ledger, qint64 records)
{
    QTemporaryDir folder;
    folderWithLedger(folder, ledger);
    app::MainWindow w(folder.path());
    w.resize(1000, 700);
    w.startUp();
    w.show();
    waitExposed(w);
    const double listMB = residentMB();
    print("window_resident_list_shown", records, listMB, "MB");

    auto* viewer = w.findChild<QAbstractScrollArea*>(QStringLiteral("Viewer"));
    PaintCounter counter;
    viewer->viewport()->installEventFilter(&counter);

    // Heading sorts with the list view attached, as the user clicks them.
    static const char* const kSortNames[] = {"window_sort_date", "window_sort_amount",
                                             "window_sort_note", "window_sort_user1",
                                             "window_sort_user2", "window_sort_category"};
    for (int c = 0; c < 6; ++c) {
        double stall = 0;
        const double t = runInLoop([&] { w.MainGrid_HeadingClick(c); }, [] { return true; }, stall);
        print(kSortNames[c], records, t, "ms");
    }

    w.action(QStringLiteral("mu_NewReport"))->trigger();
    struct Report {
        const char* command;
        const char* name;
    };
    const Report reports[] = {{"mu_ReportSummary", "summary_narrow"},
                              {"mu_ReportSummaryWide", "summary_wide"},
                              {"mu_ReportFull", "full_narrow"},
                              {"mu_ReportFullUser", "full_wide"}};
    for (const Report& r : reports) {
        if (summariesOnly && QByteArray(r.name).startsWith("full"))
            continue;
        const QByteArray name = QByteArray("window_report_") + r.name;
        counter.paints = 0;
        double stall = 0;
        const double shown = runInLoop(
            [&] { w.action(QLatin1String(r.command))->trigger(); },
            [&] { return viewer->isVisible() && counter.paints > 0; }, stall);
        print(name + "_first_screen", records, shown, "ms");
        print(name + "_longest_stall", records, stall, "ms");
        const double textMB =
            double(QFileInfo(w.session().dataFolder + QStringLiteral("fnk_rep.tmp")).size()) / 1e6;
        print(name + "_text_size", records, textMB, "MB");
        print(name + "_resident_above_list", records, residentMB() - listMB, "MB");

        auto key = [&](int k, Qt::KeyboardModifiers mods) {
            counter.paints = 0;
            double st = 0;
            return runInLoop(
                [&] {
                    QKeyEvent press(QEvent::KeyPress, k, mods);
                    QApplication::sendEvent(viewer, &press);
                    QKeyEvent release(QEvent::KeyRelease, k, mods);
                    QApplication::sendEvent(viewer, &release);
                    viewer->viewport()->repaint();
                },
                [&] { return counter.paints > 0; }, st);
        };
        print(name + "_scroll_to_end", records, key(Qt::Key_End, Qt::ControlModifier), "ms");
        print(name + "_at_end", records,
              viewer->verticalScrollBar()->value() == viewer->verticalScrollBar()->maximum() ? 1 : 0,
              "yes");
        print(name + "_page_up", records, key(Qt::Key_PageUp, Qt::NoModifier), "ms");
        print(name + "_scroll_to_start", records, key(Qt::Key_Home, Qt::ControlModifier), "ms");
        print(name + "_page_down", records, key(Qt::Key_PageDown, Qt::NoModifier), "ms");

        w.action(QStringLiteral("mu_ReturnToList"))->trigger();
        QApplication::processEvents();
        print(name + "_resident_after_close", records, residentMB() - listMB, "MB");
    }
}

// A comma-delimited file of `lines` lines, imported through the import window.
void benchImport(qint64 lines)
{
    QTemporaryDir folder;
    const QString data = folder.path() + QLatin1Char('/');
    const QString csv = data + QStringLiteral("bank.csv");
    {
        QFile f(csv);
        f.open(QIODevice::WriteOnly);
        QByteArray block;
        for (qint64 i = 0; i < lines; ++i) {
            const QDate d = bench::firstDate().addDays(int(i % 7300));
            block += d.toString(Qt::ISODate).toLatin1() + ',' + QByteArray::number(-(i % 99999) - 1)
                + '.' + QByteArray::number(10 + i % 90) + ",Card payment " + QByteArray::number(i % 997)
                + ",C" + QByteArray::number(10 + i % 30) + ",Card,Home\r\n";
            if (block.size() > (1 << 20)) {
                f.write(block);
                block.clear();
            }
        }
        f.write(block);
    }
    const QString dat = data + QStringLiteral("fennick.dat");
    QFile(dat).open(QIODevice::WriteOnly);

    platform::ScriptedMessagePort port;
    platform::ScopedMessagePort scoped(&port);  // for this window's own answers
    imports::ImportWindow win(dat);
    win.show();
    QApplication::processEvents();
    port.queueFile(csv);
    QElapsedTimer t;
    t.start();
    win.findChild<QPushButton*>(QStringLiteral("SelectFile"))->click();
    print("import_file_chosen", lines, ms(t), "ms");
    const std::pair<const char*, const char*> links[] = {
        {"DateLink", "1 "}, {"AmountLink", "2 "}, {"NoteLink", "3 "},
        {"CatLink", "4 "},  {"UDF1Link", "5 "},   {"UDF2Link", "6 "}};
    for (const auto& [box, text] : links)
        win.findChild<QLineEdit*>(QLatin1String(box))->setText(QLatin1String(text));
    port.queueAnswer(platform::Answer::Yes);
    t.restart();
    win.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    print("import_csv", lines, ms(t), "ms");
    print("import_records_written", lines, double(QFileInfo(dat).size() / store::LedgerRecord::kSize),
          "records");
}

void benchFileCommands(const QString& ledger, qint64 records)
{
    QTemporaryDir folder;
    const QString data = folderWithLedger(folder, ledger);
    const QString dat = data + QStringLiteral("fennick.dat");

    // Macro play of 10,000 entries onto the ledger.
    {
        const QString macro = data + QStringLiteral("bench.fnk");
        QFile::copy(ledger, data + QStringLiteral("src.dat"));
        QFile src(data + QStringLiteral("src.dat"));
        src.open(QIODevice::ReadOnly);
        QFile m(macro);
        m.open(QIODevice::WriteOnly);
        m.write(src.read(10000 * store::LedgerRecord::kSize));
        m.close();
        src.close();
        QFile::remove(data + QStringLiteral("src.dat"));
        QElapsedTimer t;
        t.start();
        const qint64 n = macros::playMacro(macro, dat, QDate(2026, 1, 1));
        print("macro_play_10000", records, ms(t), "ms");
        print("macro_play_appended", records, double(n), "records");
    }
    if (appendsOnly)
        return;

    // The data-set backup of the whole folder to another one.
    {
        QTemporaryDir target;
        const QStringList names = backup::dataSetFiles(data);
        QElapsedTimer t;
        t.start();
        backup::copyDataSet(data, target.path() + QLatin1Char('/'), names);
        print("dataset_backup", records, ms(t), "ms");
        print("dataset_backup_files", records, double(names.size()), "files");
    }

    // The category recode: every record of one of forty categories moves.
    {
        store::RecordFile file(dat);
        QElapsedTimer t;
        t.start();
        const qint64 n = store::ChaseCat(file, QStringLiteral("C05"), QStringLiteral("C41"), 'N');
        print("chasecat", records, ms(t), "ms");
        print("chasecat_moved", records, double(n), "records");
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    onX = QGuiApplication::platformName() == QLatin1String("xcb");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    std::vector<qint64> sizes;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--summaries-only")
            summariesOnly = true;
        else if (QByteArray(argv[i]) == "--reports-only")
            reportsOnly = true;
        else if (QByteArray(argv[i]) == "--appends-only")
            appendsOnly = true;
        else
            sizes.push_back(QByteArray(argv[i]).toLongLong());
    }
    // Every box is answered by script: a real one would wait for a person.
    platform::ScriptedMessagePort port;
    platform::ScopedMessagePort scoped(&port);
    if (sizes.empty())
        sizes = {100000, 1000000};
    QTemporaryDir dir;
    for (qint64 n : sizes) {
        const QString path = dir.filePath(QStringLiteral("fennick-%1.dat").arg(n));
        bench::writeLedger(path, n);
        if (!appendsOnly)
            benchReports(path, n);
        if (reportsOnly)
            continue;
        benchFileCommands(path, n);
        benchImport(n);
    }
    return 0;
}
