// Printing, saving and editing the report text: page splits, orientation,
// the PDF written where there is no printer, the over-write question, the
// editor program and the desktop's own program, and failures.

#include "platform/Printing.h"
#include "platform/Shell.h"
#include "reports/ReportOutput.h"
#include "store/FileIo.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPrinterInfo>
#include <QtTest>

using namespace fnk;
using fnk::platform::Answer;
using fnk::platform::RecordingPrinter;
using fnk::platform::RecordingShell;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

// A report text of `count` lines; the first holds a code-page letter.
QByteArray reportText(int count)
{
    QByteArray out;
    for (int i = 1; i <= count; ++i)
        out += (i == 1 ? QByteArray("caf\xE9 ") : QByteArray("line ")) + QByteArray::number(i)
            + "\r\n";
    return out;
}

QStringList reportLines(int count)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << (i == 1 ? QStringLiteral("café ") : QStringLiteral("line ")) + QString::number(i);
    return out;
}

void expectErrorBox(const Fixture& fx)
{
    const auto last = fx.port.lastMessage();
    QVERIFY(last.has_value());
    QCOMPARE(last->title, QString("Error - operation aborted"));
    QCOMPARE(last->icon, platform::Icon::Critical);
    QVERIFY(!QGuiApplication::overrideCursor());
}

int pdfPages(const QByteArray& pdf)
{
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page/") + pdf.count("/Type /Page>")
               + pdf.count("/Type /Page "));
}

}  // namespace

class OutputTest : public QObject {
    Q_OBJECT

private slots:
    void printPages_data();
    void printPages();
    void printWithoutPrinterSaysWhere();
    void printFailures();
    void qtPrinterWritesPdfPages();
    void fixedPitchFallback();

    void writeTextTwice();
    void writeTextCancelAndFailure();
    void savedCopiesLeaveAFileOfTheWorkFilesNameAlone();

    void editReport_data();
    void editReport();
    void editReportFailures();
};

void OutputTest::printPages_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QList<int>>("pages");
    QTest::newRow("narrow 150") << 150 << false << QList<int>{55, 57, 38};
    QTest::newRow("wide 100") << 100 << true << QList<int>{39, 41, 20};
    QTest::newRow("empty") << 0 << false << QList<int>{0};
    QTest::newRow("narrow 55") << 55 << false << QList<int>{55, 0};
    QTest::newRow("narrow 112") << 112 << false << QList<int>{55, 57, 0};
    QTest::newRow("wide 40") << 40 << true << QList<int>{39, 1};
}

void OutputTest::printPages()
{
    QFETCH(int, lines);
    QFETCH(bool, wide);
    QFETCH(QList<int>, pages);
    Fixture fx;
    RecordingPrinter printer;
    platform::ScopedPrinter guard(&printer);
    writeBytes(fx.path("fnk_rep.tmp"), reportText(lines));

    reports::mu_PrintReport(fx.folder(), wide);

    QCOMPARE(printer.runsEnded(), 1);
    QStringList printed;
    QList<int> counts;
    for (const RecordingPrinter::Document& d : printer.documents()) {
        QCOMPARE(d.fontFamily, QString("Courier New"));
        QCOMPARE(d.pointSize, 10);
        QCOMPARE(d.landscape, wide);
        QVERIFY(d.ended);
        QVERIFY(d.lines.size() >= 3);
        QCOMPARE(d.lines.mid(0, 3), QStringList({"", "", ""}));
        counts << int(d.lines.size() - 3);
        printed << d.lines.mid(3);
    }
    QCOMPARE(counts, pages);
    QStringList expected;
    for (const QString& l : reportLines(lines))
        expected << "\t" + l;
    QCOMPARE(printed, expected);
    QVERIFY(fx.port.shown().isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void OutputTest::printWithoutPrinterSaysWhere()
{
    Fixture fx;
    RecordingPrinter printer;
    printer.setWritesPdf(true);
    platform::ScopedPrinter guard(&printer);
    writeBytes(fx.path("fnk_rep.tmp"), reportText(3));

    reports::mu_PrintReport(fx.folder(), false);

    QCOMPARE(printer.pdfPath(), fx.path("fnk_rep.pdf"));
    const auto box = fx.port.lastMessage();
    QVERIFY(box.has_value());
    QCOMPARE(box->icon, platform::Icon::Information);
    QVERIFY(box->text.endsWith("\n\n" + fx.path("fnk_rep.pdf")));
}

void OutputTest::printFailures()
{
    Fixture fx;
    {
        // No report text: nothing reaches the printer.
        RecordingPrinter printer;
        platform::ScopedPrinter guard(&printer);
        reports::mu_PrintReport(fx.folder(), true);
        QVERIFY(printer.documents().isEmpty());
        QVERIFY(!printer.inRun());
        expectErrorBox(fx);
        QVERIFY(fx.port.lastMessage()->text.contains("Error number: 53"));
    }
    {
        // The printer fails part-way: the run is dropped.
        fx.port.clear();
        RecordingPrinter printer;
        printer.failAtLine(70);
        platform::ScopedPrinter guard(&printer);
        writeBytes(fx.path("fnk_rep.tmp"), reportText(150));
        reports::mu_PrintReport(fx.folder(), false);
        QVERIFY(printer.aborted());
        QCOMPARE(printer.runsEnded(), 0);
        expectErrorBox(fx);
        QVERIFY(fx.port.lastMessage()->text.contains("The printer is not responding"));
        QCOMPARE(fx.port.messagesShown().size(), 1);
    }
}

void OutputTest::qtPrinterWritesPdfPages()
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("a printer is set up; the PDF form is used only without one");
    Fixture fx;
    const QString pdf = fx.path("fnk_rep.pdf");
    platform::QtLinePrinter printer;

    printer.beginRun(pdf);
    for (int page = 0; page < 2; ++page) {
        printer.beginDocument("Courier New", 10, true);
        for (const QString& l : reportLines(5))
            printer.printLine("\t" + l);
        printer.endDocument();
    }
    QCOMPARE(printer.endRun(), pdf);
    const QByteArray two = readBytes(pdf);
    QVERIFY(two.startsWith("%PDF"));
    QCOMPARE(pdfPages(two), 2);
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files), QStringList({"fnk_rep.pdf"}));

    // A document longer than the paper goes on to further sheets.
    printer.beginRun(pdf);
    printer.beginDocument("Courier New", 10, false);
    for (const QString& l : reportLines(200))
        printer.printLine(l);
    printer.endDocument();
    QCOMPARE(printer.endRun(), pdf);
    QVERIFY(pdfPages(readBytes(pdf)) >= 3);

    // An abandoned run leaves the last finished file alone.
    const QByteArray finished = readBytes(pdf);
    printer.beginRun(pdf);
    printer.beginDocument("Courier New", 10, false);
    printer.printLine("half");
    printer.abortRun();
    QCOMPARE(readBytes(pdf), finished);
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files), QStringList({"fnk_rep.pdf"}));
}

void OutputTest::fixedPitchFallback()
{
    const QFont missing = platform::linePrintFont("No Such Family Fennick", 10);
    QVERIFY(QFontInfo(missing).fixedPitch());
    QCOMPARE(missing.pointSize(), 10);
    const QFont courier = platform::linePrintFont("Courier New", 10);
    QCOMPARE(courier.pointSize(), 10);
    QVERIFY(courier.family() == "Courier New" || QFontInfo(courier).fixedPitch());
}

void OutputTest::writeTextTwice()
{
    Fixture fx;
    const QString target = fx.path("saved.txt");
    writeBytes(fx.path("fnk_rep.tmp"), reportText(60));
    fx.port.queueFile(target);
    reports::mu_WriteText(fx.folder());

    QCOMPARE(readBytes(target), reportText(60));
    QCOMPARE(fx.port.shown().size(), 2);
    const platform::FileDialog& d = fx.port.shown()[0].fileDialog;
    QCOMPARE(d.kind, platform::FileDialog::Save);
    QCOMPARE(d.title, QString("Provide a file name..."));
    QCOMPARE(d.filter, QString("Text files|*.txt"));
    QVERIFY(d.initialName.isEmpty());
    QCOMPARE(fx.port.lastMessage()->title, QString("Finished"));
    QCOMPARE(fx.port.lastMessage()->icon, platform::Icon::Information);
    QCOMPARE(fx.port.lastMessage()->text, "This report been copied to the file\n\n" + target);

    // The second save asks, then replaces the longer old copy exactly.
    fx.port.clear();
    writeBytes(fx.path("fnk_rep.tmp"), reportText(2));
    fx.port.queueFile(target);
    fx.port.queueAnswer(Answer::Ok);
    reports::mu_WriteText(fx.folder());
    QCOMPARE(readBytes(target), reportText(2));
    const QList<platform::MessageBox> boxes = fx.port.messagesShown();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].title, QString("Confirm file over-write"));
    QCOMPARE(boxes[0].text,
             target + " already exists! If you continue, the file will be over-written. Proceed?");
    QCOMPARE(boxes[0].icon, platform::Icon::Exclamation);
    QCOMPARE(boxes[0].buttons, platform::Buttons::OkCancel);
    QCOMPARE(boxes[0].defaultButton, Answer::Cancel);
    QCOMPARE(boxes[1].title, QString("Finished"));
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files), QStringList({"fnk_rep.tmp", "saved.txt"}));

    // A name typed without an extension gets the filter's: the same file.
    fx.port.clear();
    fx.port.queueFile(fx.path("saved"));
    fx.port.queueAnswer(Answer::Ok);
    reports::mu_WriteText(fx.folder());
    QCOMPARE(fx.port.messagesShown().size(), 2);
    QCOMPARE(fx.port.lastMessage()->text, "This report been copied to the file\n\n" + target);
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files), QStringList({"fnk_rep.tmp", "saved.txt"}));
}

void OutputTest::writeTextCancelAndFailure()
{
    Fixture fx;
    const QString target = fx.path("saved.txt");
    writeBytes(fx.path("fnk_rep.tmp"), reportText(4));
    writeBytes(target, "keep me\r\n");

    reports::mu_WriteText(fx.folder());  // dialog cancelled
    fx.port.queueFile(target);
    fx.port.queueAnswer(Answer::Cancel);
    reports::mu_WriteText(fx.folder());
    QCOMPARE(readBytes(target), QByteArray("keep me\r\n"));
    QCOMPARE(fx.port.messagesShown().size(), 1);  // the question only

    fx.port.queueFile(fx.path("no/such/folder/report.txt"));
    reports::mu_WriteText(fx.folder());
    expectErrorBox(fx);
    QCOMPARE(fx.port.messagesShown().size(), 2);
}

void OutputTest::savedCopiesLeaveAFileOfTheWorkFilesNameAlone()
{
    Fixture fx;
    RecordingShell shell;
    platform::ScopedShell guard(&shell);
    const QString target = fx.path("saved.txt");
    writeBytes(fx.path("fnk_rep.tmp"), reportText(5));
    writeBytes(target + ".part", "the user's own file");
    writeBytes(fx.path("fnk_rep.doc.part"), "another of the user's files");

    fx.port.queueFile(target);
    reports::mu_WriteText(fx.folder());
    QCOMPARE(readBytes(target), reportText(5));
    reports::mu_EditReport(fx.folder(), QString());
    QCOMPARE(readBytes(fx.path("fnk_rep.doc")), reportText(5));
    QCOMPARE(readBytes(target + ".part"), QByteArray("the user's own file"));
    QCOMPARE(readBytes(fx.path("fnk_rep.doc.part")), QByteArray("another of the user's files"));

    // A failed save over an existing copy keeps it and leaves no work file.
    fx.port.clear();
    fx.port.queueFile(target);
    fx.port.queueAnswer(Answer::Ok);
    store::testing::failWritesAfter(0);
    reports::mu_WriteText(fx.folder());
    store::testing::reset();
    expectErrorBox(fx);
    QCOMPARE(readBytes(target), reportText(5));
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files),
             QStringList({"fnk_rep.doc", "fnk_rep.doc.part", "fnk_rep.tmp", "saved.txt",
                          "saved.txt.part"}));
}

void OutputTest::editReport_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("program");  // empty: the desktop opens the document
    QTest::newRow("no editor") << "" << "";
    QTest::newRow("blank setting") << QString(80, ' ') << "";
    QTest::newRow("editor set") << "  /opt/writer/bin/writer   " << "/opt/writer/bin/writer";
    QTest::newRow("path with spaces") << "/opt/My Writer/writer" << "/opt/My Writer/writer";
}

void OutputTest::editReport()
{
    QFETCH(QString, editor);
    QFETCH(QString, program);
    Fixture fx;
    RecordingShell shell;
    platform::ScopedShell guard(&shell);
    writeBytes(fx.path("fnk_rep.tmp"), reportText(7));
    writeBytes(fx.path("fnk_rep.doc"), reportText(30));

    reports::mu_EditReport(fx.folder(), editor);

    QCOMPARE(readBytes(fx.path("fnk_rep.doc")), reportText(7));
    QCOMPARE(shell.requests().size(), 1);
    const RecordingShell::Request& r = shell.requests()[0];
    if (program.isEmpty()) {
        QCOMPARE(r.kind, RecordingShell::Request::OpenDocument);
        QCOMPARE(r.path, fx.path("fnk_rep.doc"));
    } else {
        QCOMPARE(r.kind, RecordingShell::Request::StartProgram);
        QCOMPARE(r.program, program);
        QCOMPARE(r.arguments, QStringList({"fnk_rep.doc"}));
        QCOMPARE(r.workingFolder, fx.folder());
    }
    QVERIFY(fx.port.shown().isEmpty());
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files), QStringList({"fnk_rep.doc", "fnk_rep.tmp"}));
}

void OutputTest::editReportFailures()
{
    Fixture fx;
    RecordingShell shell;
    platform::ScopedShell guard(&shell);

    // No report text: the old copy stays and nothing is opened.
    writeBytes(fx.path("fnk_rep.doc"), "old copy");
    reports::mu_EditReport(fx.folder(), "/usr/bin/editor");
    QVERIFY(shell.requests().isEmpty());
    QCOMPARE(readBytes(fx.path("fnk_rep.doc")), QByteArray("old copy"));
    expectErrorBox(fx);

    // A program that is not there is no fault of the program's: a plain
    // message says what is missing and where the editor is set.
    writeBytes(fx.path("fnk_rep.tmp"), reportText(3));
    for (const QString& editor : {QString("/usr/bin/editor"), QString()}) {
        fx.port.clear();
        shell.queueResult(false);
        reports::mu_EditReport(fx.folder(), editor);
        QCOMPARE(fx.port.messagesShown().size(), 1);
        const platform::MessageBox box = *fx.port.lastMessage();
        QCOMPARE(box.title, QString("Program Not Found"));
        QCOMPARE(box.icon, platform::Icon::Exclamation);
        QVERIFY2(box.text.contains(editor.isEmpty() ? fx.path("fnk_rep.doc") : editor),
                 qPrintable(box.text));
        QVERIFY2(box.text.contains("Program Settings"), qPrintable(box.text));
        QVERIFY(!box.text.contains("tech support"));
        QCOMPARE(readBytes(fx.path("fnk_rep.doc")), reportText(3));
    }
    QCOMPARE(shell.requests().size(), 2);

    // The desktop shell reports a program that cannot be started.
    QVERIFY(!platform::QtShell().startProgram(fx.path("no-such-editor"), {"fnk_rep.doc"},
                                              fx.folder()));
}

QTEST_MAIN(OutputTest)
#include "test_output.moc"
