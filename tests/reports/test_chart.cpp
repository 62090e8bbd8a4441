// The chart of a report: its figures against the written report's category
// summary, its sums that do not fit, the drawing's bars, and the window's
// print and save commands.

#include "support/TestSupport.h"

#include "platform/Printing.h"
#include "reports/ChartData.h"
#include "reports/ChartWindow.h"
#include "reports/ReportFiles.h"
#include "reports/ReportWriter.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"
#include "view/ListBuilder.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QtTest>

#include <limits>
#include <stdexcept>

using namespace fnk;
using platform::Answer;
using reports::ChartData;
using reports::ReportKind;

namespace {

struct Entry {
    QDate date;
    store::Money cents;
    const char* code;
    const char* note;
};

void addCategory(const testsupport::Fixture& fx, const char* code, const char* name)
{
    store::CategoryEntry c;
    c.setCategoryCode(QLatin1String(code));
    c.setCategoryName(QLatin1String(name));
    store::CategoryFile::inFolder(fx.folder()).append(c);
}

// Lists the entries as the main window does and builds the work files.
void buildWorkFiles(const testsupport::Fixture& fx, const QList<Entry>& entries)
{
    store::RecordFile f(fx.path(QStringLiteral("fennick.dat")));
    for (const Entry& e : entries) {
        store::LedgerRecord r;
        r.entryDate = store::dayFromDate(e.date);
        r.amount = e.cents * 100;
        r.setCategoryCode(QLatin1String(e.code));
        r.setNote(QLatin1String(e.note));
        f.FileNewEntry(r);
    }
    view::MainListModel m;
    view::ListQuery q;
    q.recordFile = f.path();
    q.earliest = QDate(2026, 1, 1);
    q.latest = QDate(2026, 12, 31);
    view::PopMainGrid(m, q, {});
    reports::MakeReportFiles(m, fx.folder());
}

reports::ReportContext context(const testsupport::Fixture& fx)
{
    reports::ReportContext ctx;
    ctx.dataFolder = fx.folder();
    ctx.earliestText = QStringLiteral("1/1/2026");
    ctx.latestText = QStringLiteral("12/31/2026");
    return ctx;
}

// What the written report's summary says, read back from its lines.
struct Summary {
    QList<std::pair<QString, QString>> out, in;  // name, money text
    QString totalOut, totalIn, result;           // money texts; result as "SURPLUS $x"
};

Summary readSummary(const testsupport::Fixture& fx)
{
    const QByteArray bytes = testsupport::readBytes(fx.path(QStringLiteral("fnk_rep.tmp")));
    const QStringList lines = store::decode1252(bytes).split(QStringLiteral("\r\n"));
    Summary s;
    QList<std::pair<QString, QString>>* side = nullptr;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String(" --- Summary of money that went OUT")))
            side = &s.out;
        else if (line.startsWith(QLatin1String(" --- Summary of money that came IN")))
            side = &s.in;
        else if (line.startsWith(QLatin1String("   Total Expense:")))
            s.totalOut = line.mid(25).trimmed(), side = nullptr;
        else if (line.startsWith(QLatin1String("   Total Income :")))
            s.totalIn = line.mid(25).trimmed(), side = nullptr;
        else if (line.startsWith(QLatin1String("   A SURPLUS of")))
            s.result = QStringLiteral("SURPLUS ") + line.mid(25).trimmed();
        else if (line.startsWith(QLatin1String("   A DEFICIT of")))
            s.result = QStringLiteral("DEFICIT ") + line.mid(25).trimmed();
        else if (side && line.size() > 40 && !line.startsWith(QLatin1String("   Category ")))
            side->push_back({line.mid(3, 20).trimmed(), line.mid(25, 15).trimmed()});
    }
    return s;
}

QList<std::pair<QString, QString>> barTexts(const QList<reports::ChartBar>& bars)
{
    QList<std::pair<QString, QString>> out;
    for (const reports::ChartBar& b : bars)
        out.push_back({b.name, reports::chartMoney(b.amount)});
    return out;
}

QString resultText(const ChartData& d)
{
    const QString r = reports::chartResultText(d);
    if (r.isEmpty())
        return {};
    return r.mid(2, 7) + QLatin1Char(' ') + r.mid(13);  // "SURPLUS $x" from "A SURPLUS of $x"
}

// Every report kind's summary agrees with the chart read from the same files.
void compareWithReports(const testsupport::Fixture& fx, const ChartData& d)
{
    for (ReportKind kind : {ReportKind::SummaryNarrow, ReportKind::FullWide}) {
        reports::writeReport(kind, context(fx));
        const Summary s = readSummary(fx);
        QCOMPARE(barTexts(d.out), s.out);
        QCOMPARE(barTexts(d.in), s.in);
        QCOMPARE(reports::chartMoney(d.totalOut), s.totalOut);
        QCOMPARE(reports::chartMoney(d.totalIn), s.totalIn);
        QCOMPARE(resultText(d), s.result);
    }
}

// The widths of the solid runs of `colour` in the picture, one per bar.
QList<int> barWidths(const QImage& image, const QColor& colour)
{
    QList<int> widths;
    int last = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                ++run;
        if (run > 0 && last == 0)
            widths << run;
        last = run;
    }
    return widths;
}

}  // namespace

class ChartTest : public QObject {
    Q_OBJECT

private slots:
    void chartFiguresAreTheReportsFigures()
    {
        testsupport::Fixture fx;
        // File order, not name order; one category only with an open item,
        // one on both sides, and records of a code no category has.
        addCategory(fx, "SH", "Shelter");
        addCategory(fx, "FO", "Food");
        addCategory(fx, "TD", "To do");
        addCategory(fx, "WA", "Wages");
        buildWorkFiles(fx, {
                               {QDate(2026, 3, 1), -75000, "SH", "Rent"},
                               {QDate(2026, 3, 2), -20012, "FO", "Market"},
                               {QDate(2026, 3, 3), -5000, "FO", "Bakery"},
                               {QDate(2026, 3, 4), 1500, "FO", "Bottle refund"},
                               {QDate(2026, 3, 5), 0, "TD", "Call the bank"},
                               {QDate(2026, 3, 6), 120000, "WA", "Pay"},
                               {QDate(2026, 3, 7), -999, "ZZ", "No such category"},
                               {QDate(2026, 3, 8), 333, "ZZ", "Nor this"},
                           });
        const ChartData d = reports::readChartData(context(fx));
        QCOMPARE(d.out.size(), 2);
        QCOMPARE(d.out[0].name, QStringLiteral("Shelter"));
        QCOMPARE(d.out[1].amount, store::Money(-(20012 + 5000) * 100));
        QCOMPARE(d.in.size(), 2);
        QCOMPARE(d.in[0].name, QStringLiteral("Food"));
        // Records of no category are in the totals only.
        QCOMPARE(d.totalOut, store::Money(-(75000 + 20012 + 5000 + 999) * 100));
        QCOMPARE(d.totalIn, store::Money((1500 + 120000 + 333) * 100));
        QCOMPARE(d.largest(), store::Money(120000) * 100);
        QCOMPARE(d.earliestText, QStringLiteral("1/1/2026"));
        compareWithReports(fx, d);

        // A deficit, and then totals that cancel out: no result line at all.
        testsupport::Fixture deficit;
        addCategory(deficit, "FO", "Food");
        buildWorkFiles(deficit, {{QDate(2026, 3, 2), -20000, "FO", "Market"},
                                 {QDate(2026, 3, 3), 5000, "FO", "Refund"}});
        const ChartData dd = reports::readChartData(context(deficit));
        QCOMPARE(reports::chartResultText(dd), QStringLiteral("A DEFICIT of $150.00"));
        compareWithReports(deficit, dd);

        testsupport::Fixture even;
        addCategory(even, "FO", "Food");
        buildWorkFiles(even, {{QDate(2026, 3, 2), -20000, "FO", "Market"},
                              {QDate(2026, 3, 3), 20000, "XX", "Gift"}});
        const ChartData de = reports::readChartData(context(even));
        QVERIFY(reports::chartResultText(de).isEmpty());
        QVERIFY(de.in.isEmpty());
        compareWithReports(even, de);
    }

    void sumsThatDoNotFitStopTheChart()
    {
        testsupport::Fixture fx;
        addCategory(fx, "FO", "Food");
        const store::Money big = std::numeric_limits<store::Money>::max() / 2 + 1;
        for (const QString& name : {QStringLiteral("income.tmp"), QStringLiteral("expense.tmp")}) {
            store::RecordFile f(fx.path(name));
            for (int i = 0; i < 2; ++i) {
                store::LedgerRecord r;
                r.entryDate = 46000;
                r.amount = name.startsWith(QLatin1Char('i')) ? big : -1;
                r.setCategoryCode(QStringLiteral("FO"));
                f.FileNewEntry(r);
            }
        }
        QVERIFY_THROWS_EXCEPTION(std::overflow_error, reports::readChartData(context(fx)));

        // The money in fits alone, but not with the money out taken away.
        testsupport::Fixture edge;
        const store::Money most = std::numeric_limits<store::Money>::max();
        {
            store::LedgerRecord r;
            r.entryDate = 46000;
            r.amount = std::numeric_limits<store::Money>::min();
            store::RecordFile(edge.path(QStringLiteral("expense.tmp"))).FileNewEntry(r);
            r.amount = most;
            store::RecordFile(edge.path(QStringLiteral("income.tmp"))).FileNewEntry(r);
        }
        QVERIFY_THROWS_EXCEPTION(std::overflow_error, reports::readChartData(context(edge)));
    }

    void barsAreScaledToTheLargestCategory()
    {
        ChartData d;
        d.out = {{QStringLiteral("Food"), -2500000}, {QStringLiteral("Shelter"), -7500000}};
        d.in = {{QStringLiteral("Wages"), 7500000}};
        d.totalOut = -10000000;
        d.totalIn = 7500000;
        const QImage image = reports::chartImage(d, 1.0);
        QCOMPARE(image.size(), reports::chartSize(d).toSize());

        const QList<int> out = barWidths(image, QColor(0xC0, 0x39, 0x2B));
        const QList<int> in = barWidths(image, QColor(0x27, 0x8E, 0x4A));
        // Two money-out bars; the deficit line's text is drawn in the same
        // colour, but not in solid runs this wide.
        QVERIFY2(out.size() >= 2, qPrintable(QString::number(out.size())));
        QVERIFY(!in.isEmpty());
        QVERIFY(out[1] > 300);
        QVERIFY2(std::abs(out[0] * 3 - out[1]) <= 6,
                 qPrintable(QStringLiteral("%1 %2").arg(out[0]).arg(out[1])));
        // The same amount on the other side has a bar of the same length.
        QVERIFY2(std::abs(in[0] - out[1]) <= 2,
                 qPrintable(QStringLiteral("%1 %2").arg(in[0]).arg(out[1])));

        // Every row of a longer chart is there: the drawing grows with it.
        ChartData longer = d;
        longer.out << reports::ChartBar{QStringLiteral("Taxes"), -100};
        QVERIFY(reports::chartSize(longer).height() > reports::chartSize(d).height());
    }

    void windowPrintsAndSaves()
    {
        testsupport::Fixture fx;
        testsupport::pinLocale();
        ChartData d;
        d.out = {{QStringLiteral("Food"), -2500000}};
        d.in = {{QStringLiteral("Wages"), 7500000}};
        d.totalOut = -2500000;
        d.totalIn = 7500000;
        reports::ChartWindow w(d, fx.folder());
        QCOMPARE(w.objectName(), QStringLiteral("fnkChart"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Chart of this Report"));
        QVERIFY(w.isWindow());
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        QCOMPARE(w.data().totalIn, d.totalIn);

        // Printing: one document holding the drawing, and where there is no
        // printer a message naming the PDF.
        platform::RecordingPrinter printer;
        printer.setWritesPdf(true);
        {
            platform::ScopedPrinter guard(&printer);
            QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("ChartPrint")),
                              Qt::LeftButton);
        }
        QCOMPARE(printer.runsEnded(), 1);
        QCOMPARE(printer.documents().size(), 1);
        const auto& doc = printer.documents().front();
        QVERIFY(doc.lines.isEmpty());
        QCOMPARE(doc.drawingSizes, QList<QSizeF>({reports::chartSize(d)}));
        QVERIFY(!doc.drawnBounds.front().isEmpty());
        QVERIFY(reports::chartSize(d).toSize().width() >= doc.drawnBounds.front().right());
        QCOMPARE(printer.pdfPath(), fx.path(QStringLiteral("fnk_chart.pdf")));
        QCOMPARE(fx.port.lastMessage()->title, QStringLiteral("Print Chart"));
        QVERIFY(fx.port.lastMessage()->text.endsWith(fx.path(QStringLiteral("fnk_chart.pdf"))));
        QVERIFY(!QGuiApplication::overrideCursor());

        // A printer that prints text only is an error, and the run is dropped.
        struct TextOnly final : platform::LinePrinter {
            bool aborted = false;
            void beginRun(const QString&) override {}
            void beginDocument(const QString&, int, bool) override {}
            void printLine(const QString&) override {}
            void endDocument() override {}
            QString endRun() override { return {}; }
            void abortRun() noexcept override { aborted = true; }
        } textOnly;
        {
            platform::ScopedPrinter guard(&textOnly);
            fx.port.clear();
            w.printChart();
        }
        QVERIFY(textOnly.aborted);
        QCOMPARE(fx.port.lastMessage()->title, QStringLiteral("Error - operation aborted"));

        // PNG: the suffix is added, the picture is the chart at twice its size.
        fx.port.clear();
        fx.port.queueFile(fx.path(QStringLiteral("chart")));
        w.savePng();
        const QString png = fx.path(QStringLiteral("chart.png"));
        QCOMPARE(fx.port.shown().front().fileDialog.kind, platform::FileDialog::Save);
        QCOMPARE(fx.port.lastMessage()->title, QStringLiteral("Finished"));
        QVERIFY(fx.port.lastMessage()->text.endsWith(png));
        QImage saved(png);
        QCOMPARE(saved.size(), (reports::chartSize(d) * 2.0).toSize());

        // Saving again over it asks first; Cancel keeps the file as it was.
        const QByteArray before = testsupport::readBytes(png);
        testsupport::writeBytes(png, "not a picture");
        fx.port.clear();
        fx.port.queueFile(png);
        fx.port.queueAnswer(Answer::Cancel);
        w.savePng();
        QCOMPARE(fx.port.lastMessage()->title, QStringLiteral("Confirm file over-write"));
        QCOMPARE(testsupport::readBytes(png), QByteArray("not a picture"));
        fx.port.queueFile(png);
        fx.port.queueAnswer(Answer::Ok);
        w.savePng();
        QCOMPARE(testsupport::readBytes(png), before);

        // PDF, and a folder that does not exist: the error box, no file, and
        // nothing left behind.
        fx.port.clear();
        fx.port.queueFile(fx.path(QStringLiteral("chart.pdf")));
        w.savePdf();
        QVERIFY(testsupport::readBytes(fx.path(QStringLiteral("chart.pdf"))).startsWith("%PDF"));
        QCOMPARE(fx.port.lastMessage()->title, QStringLiteral("Finished"));
        fx.port.queueFile(fx.path(QStringLiteral("missing/chart.pdf")));
        w.savePdf();
        QCOMPARE(fx.port.lastMessage()->title, QStringLiteral("Error - operation aborted"));
        QVERIFY(!QFileInfo::exists(fx.path(QStringLiteral("missing"))));
        QCOMPARE(QDir(fx.folder()).entryList(QDir::Files | QDir::NoDotAndDotDot),
                 QStringList({"chart.pdf", "chart.png"}));
        QCOMPARE(fx.port.pendingAnswers(), 0);
    }
};

QTEST_MAIN(ChartTest)
#include "test_chart.moc"
