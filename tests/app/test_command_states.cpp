// Which commands, buttons and lists are on in each mode of the window and in
// each mix of modes the program allows.  The states are recorded, step by
// step, against command_states.txt; a change that turns a command on or off
// shows there as a line that differs.  Run with FENNICK_RECORD_STATES=1 to
// write the file anew after a change that is meant.
#include "AppHarness.h"

#include "support/OtherCopy.h"

#include <QApplication>
#include <QToolButton>
#include <QWidget>

#include <map>

using namespace fnk;

namespace {

store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

// One line: every named action, tool button and both lists, with 1 for on.
QString states(const app::MainWindow& w)
{
    std::map<QString, bool> all;
    for (QAction* a : w.findChildren<QAction*>())
        if (a->objectName().startsWith(QLatin1String("mu_"))
            || a->objectName().startsWith(QLatin1String("ListPop")))
            all[a->objectName()] = a->isEnabled();
    for (QToolButton* b : w.findChildren<QToolButton*>())
        if (b->objectName().startsWith(QLatin1String("btn_")) || b->objectName().startsWith(QLatin1String("brn_")))
            all[b->objectName()] = b->isEnabled();
    for (const char* list : {"MainGrid", "CategoryGrid"})
        all[QLatin1String(list)] = w.findChild<QWidget*>(QLatin1String(list))->isEnabled();
    QStringList on, off;
    for (const auto& [name, enabled] : all)
        (enabled ? on : off) << name;
    return QStringLiteral("off: ") + off.join(QLatin1Char(' '));
}

struct Recorder {
    QStringList lines;
    void step(const QString& label, const app::MainWindow& w) { lines << label + QStringLiteral(" | ") + states(w); }
};

void fill(AppHarness& h)
{
    for (int i = 1; i <= 4; ++i)
        h.addRecord(QDate(2026, 6, i), dollars(i * (i % 2 ? 1 : -1)), "FO", QStringLiteral("n%1").arg(i));
    h.addCategory("FO", "Food");
}

void macroEdit(AppHarness& h)
{
    h.port.queueFile(h.path("bills.fnk"));
    h.action("mu_MacroCreate")->trigger();
}

void reportFromHere(AppHarness& h, Recorder& r, const QString& label)
{
    // The build holds everything off until it ends.
    h.action("mu_ReportSummary")->trigger();
    r.step(label + QStringLiteral(" building"), *h.window);
    QTRY_VERIFY_WITH_TIMEOUT(!h.window->reportBuilding(), 60000);
    r.step(label + QStringLiteral(" shown"), *h.window);
    h.action("mu_ReturnToList")->trigger();
    r.step(label + QStringLiteral(" closed"), *h.window);
}

}  // namespace

class CommandStatesTest : public QObject {
    Q_OBJECT
    Recorder rec;

private slots:
    void ledgerModes()
    {
        AppHarness h;
        fill(h);
        auto& w = h.start();
        rec.step(QStringLiteral("start"), w);

        reportFromHere(h, rec, QStringLiteral("report"));

        h.action("mu_NewReport")->trigger();
        rec.step(QStringLiteral("free selection"), w);
        reportFromHere(h, rec, QStringLiteral("free selection report"));
        h.action("mu_QuitReports")->trigger();
        rec.step(QStringLiteral("free selection left"), w);

        macroEdit(h);
        QVERIFY(w.session().macroMode);
        rec.step(QStringLiteral("macro edit"), w);
        // The mode buttons stay on in macro edit.
        QTest::mouseClick(h.child<QToolButton>("btn_ModeBlue"), Qt::LeftButton);
        rec.step(QStringLiteral("macro edit, free selection"), w);
        h.action("mu_QuitReports")->trigger();
        rec.step(QStringLiteral("macro edit, free selection left"), w);
        h.action("mu_MacroQuit")->trigger();
        rec.step(QStringLiteral("macro edit left"), w);

        h.action("mu_Import")->trigger();
        rec.step(QStringLiteral("import open"), w);
        h.action("mu_NewReport")->trigger();
        rec.step(QStringLiteral("import open, free selection"), w);
        reportFromHere(h, rec, QStringLiteral("import open, free selection report"));
        h.action("mu_QuitReports")->trigger();
        QWidget* import = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->objectName() == QLatin1String("fnk3cdi"))
                import = t;
        QVERIFY(import);
        import->close();
        QTRY_VERIFY(h.action("mu_DefaultDataFolder")->isEnabled());
        rec.step(QStringLiteral("import closed"), w);

        // Record panel open for a new entry and for a listed record.
        h.action("mu_NewEntry")->trigger();
        rec.step(QStringLiteral("record panel new"), w);
        QTest::keyClick(h.child("EditFrame"), Qt::Key_Escape);
        rec.step(QStringLiteral("record panel closed"), w);
    }

    void readOnlyFolder()
    {
        AppHarness h;
        fill(h);
        h.start();
        h.window.reset();
        testsupport::OtherCopy other(h.folder());
        h.port.clear();
        h.port.queueAnswer(platform::Answer::Yes);
        auto& w = h.start();
        QVERIFY(w.session().readOnly);
        rec.step(QStringLiteral("read-only"), w);
        reportFromHere(h, rec, QStringLiteral("read-only report"));
        h.action("mu_NewReport")->trigger();
        rec.step(QStringLiteral("read-only free selection"), w);
        h.action("mu_QuitReports")->trigger();
        macroEdit(h);
        rec.step(QStringLiteral("read-only macro edit"), w);
    }

    void cleanupTestCase()
    {
        const QString path =
            QFileInfo(QString::fromUtf8(__FILE__)).absolutePath() + QStringLiteral("/command_states.txt");
        if (qEnvironmentVariableIsSet("FENNICK_RECORD_STATES")) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(rec.lines.join(QLatin1Char('\n')).toUtf8() + '\n');
            return;
        }
        QFile in(path);
        QVERIFY2(in.open(QIODevice::ReadOnly), "command_states.txt is missing");
        const QStringList want = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(rec.lines.size(), want.size());
        for (int i = 0; i < want.size(); ++i)
            QCOMPARE(rec.lines[i], want[i]);
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        return testsupport::holdFolder(argv[2]);
    }
    QApplication app(argc, argv);
    CommandStatesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_command_states.moc"
