// The program's commands through the real Qt dialogs, not the scripted
// port: each test finds the file dialog, message box or input box among the
// top-level windows, types a name or presses a button as a user would, and
// checks the files afterwards.  Qt's own file dialog is used on every
// desktop, so the tests do not depend on the theme.

#include "AppHarness.h"

#include "import/ImportWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

using namespace fnk;

namespace {
store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

// Dialogs that never showed up, or showed up unasked; each test checks this
// stays empty.
QStringList g_missed;
int g_pending = 0;  // whenShown() calls still looking

// Runs `act` on the first visible top-level `T` once one shows.  It polls
// from the event loop the dialog's own exec() runs; after five seconds it
// gives up, closes whatever modal window is up and notes the miss.
template <typename T>
void whenShown(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    ++g_pending;
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            T* d = qobject_cast<T*>(w);
            if (d && d->isVisible()) {
                timer->stop();
                timer->deleteLater();
                --g_pending;
                act(d);
                return;
            }
        }
        if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            --g_pending;
            g_missed << QLatin1String(T::staticMetaObject.className());
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        }
    });
    timer->start(10);
}

// Types `path` into the file dialog's name box and presses Enter.
void typeFileName(QFileDialog* d, const QString& path)
{
    auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
}

void chooseFile(const QString& path)
{
    whenShown<QFileDialog>([path](QFileDialog* d) { typeFileName(d, path); });
}

// Presses each button in turn on the message boxes that come one after
// another, keeping each box's title and text where asked.
struct BoxAnswer {
    QMessageBox::StandardButton button;
    QString* seen = nullptr;
};

void pressOnBoxes(QList<BoxAnswer> answers)
{
    if (answers.isEmpty())
        return;
    const BoxAnswer first = answers.takeFirst();
    whenShown<QMessageBox>([first, answers](QMessageBox* box) {
        if (first.seen)
            *first.seen = box->windowTitle() + QLatin1Char('|') + box->text();
        QAbstractButton* b = box->button(first.button);
        if (!b) {
            g_missed << QStringLiteral("button on \"%1\"").arg(box->text());
            box->close();
            return;
        }
        pressOnBoxes(answers);  // looks for the next box once this one is gone
        QTest::mouseClick(b, Qt::LeftButton);
    });
}

// A started main window whose every box is a real one.
struct RealHarness : AppHarness {
    RealHarness()
    {
        g_missed.clear();
        g_pending = 0;
        platform::setMessagePort(nullptr);
        platform::QtMessagePort::setNativeFileDialogs(false);
        // A box nobody waits for is closed after two seconds and noted, so
        // an unexpected one fails the test instead of hanging it.
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            idleTicks = modal && g_pending == 0 ? idleTicks + 1 : 0;
            if (idleTicks > 20) {
                idleTicks = 0;
                const auto* box = qobject_cast<QMessageBox*>(modal);
                g_missed << QStringLiteral("unexpected %1 \"%2\"")
                                .arg(QLatin1String(modal->metaObject()->className()),
                                     box ? box->text() : modal->windowTitle());
                modal->close();
            }
        });
        watchdog.start(100);
    }
    ~RealHarness() { platform::QtMessagePort::setNativeFileDialogs(true); }

    QTimer watchdog;
    int idleTicks = 0;

    // A full report of three entries on the screen.
    void showReport()
    {
        for (int i = 1; i <= 3; ++i)
            addRecord(QDate(2026, 6, i), dollars(i), "FO", QStringLiteral("n%1").arg(i));
        start();
        action("mu_FiscalYear")->trigger();
        report("mu_ReportFull");
    }
};
}  // namespace

class RealDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void newMacroFileFromTheOpenDialog()
    {
        RealHarness h;
        auto& w = h.start();
        // Edit takes a name that is not there yet, adds the extension and
        // starts an empty macro file.
        chooseFile(h.path("rent"));
        h.action("mu_MacroCreate")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QVERIFY(w.session().macroMode);
        QCOMPARE(w.session().macroFile, h.path("rent.fnk"));
        QVERIFY(QFileInfo(h.path("rent.fnk")).isFile());
        QCOMPARE(QFileInfo(h.path("rent.fnk")).size(), 0);
        QCOMPARE(w.listModel()->rowCount(), 0);
        h.action("mu_MacroQuit")->trigger();

        // Play takes only a file that is there: the dialog says so and stays.
        QString warning;
        bool stayedOpen = false;
        whenShown<QFileDialog>([&](QFileDialog* d) {
            whenShown<QMessageBox>([&](QMessageBox* box) {
                warning = box->text();
                whenShown<QFileDialog>([&](QFileDialog* again) {
                    stayedOpen = true;
                    again->reject();
                });
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            });
            typeFileName(d, h.path("nothing.fnk"));
        });
        h.action("mu_PlayMacro")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QVERIFY(stayedOpen);
        QVERIFY2(warning.contains(QStringLiteral("nothing.fnk")), qPrintable(warning));
        QVERIFY(!QFileInfo::exists(h.path("nothing.fnk")));
        QVERIFY(!h.child("MacDateFrame")->isVisible());
    }

    void exportToANewFileThenAppendThroughConfirm()
    {
        RealHarness h;
        h.showReport();
        const QString out = h.path("out.csv");
        QString seen;
        chooseFile(out);
        pressOnBoxes({{QMessageBox::Ok, &seen}});
        h.action("mu_WriteComma")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QVERIFY2(seen.startsWith(QStringLiteral("Export Complete|")), qPrintable(seen));
        const QByteArray once = testsupport::readBytes(out);
        QVERIFY(once.contains("n2"));

        // The file is there now: Confirm asks first; Cancel leaves it alone.
        chooseFile(out);
        pressOnBoxes({{QMessageBox::Cancel, &seen}});
        h.action("mu_WriteComma")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QVERIFY2(seen.startsWith(QStringLiteral("Confirm|") + out + QStringLiteral(" already exists!")),
                 qPrintable(seen));
        QCOMPARE(testsupport::readBytes(out), once);

        // OK appends the same data again.
        chooseFile(out);
        pressOnBoxes({{QMessageBox::Ok}, {QMessageBox::Ok, &seen}});
        h.action("mu_WriteComma")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QVERIFY2(seen.startsWith(QStringLiteral("Export Complete|")), qPrintable(seen));
        QCOMPARE(testsupport::readBytes(out), once + once);
    }

    void typedNameTakesTheChosenFileType()
    {
        RealHarness h;
        h.showReport();
        // "Comma-separated values" picked in the type box, a bare name typed.
        QStringList filters;
        whenShown<QFileDialog>([&](QFileDialog* d) {
            filters = d->nameFilters();
            auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QVERIFY(types);
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Down);
            typeFileName(d, h.path("export1"));
        });
        QString done;
        pressOnBoxes({{QMessageBox::Ok, &done}});
        h.action("mu_WriteComma")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QCOMPARE(filters.size(), 2);
        QVERIFY2(done.contains(h.path("export1.csv")), qPrintable(done));
        QVERIFY(!QFileInfo::exists(h.path("export1")));
        const QByteArray csv = testsupport::readBytes(h.path("export1.csv"));
        QVERIFY2(csv.contains(",FO        ,n2") && !csv.contains('"'), csv.constData());

        // The report as text: the only type there is, ".txt", is added.
        chooseFile(h.path("report"));
        pressOnBoxes({{QMessageBox::Ok, &done}});
        h.action("mu_WriteText")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QVERIFY(!QFileInfo::exists(h.path("report")));
        QCOMPARE(testsupport::readBytes(h.path("report.txt")), testsupport::readBytes(h.path("fnk_rep.tmp")));
    }

    void saveAsTextOverAnExistingFile()
    {
        RealHarness h;
        h.showReport();
        const QString target = h.path("report.txt");
        testsupport::writeBytes(target, "an older report");
        QString confirm;
        QString finished;
        chooseFile(target);
        pressOnBoxes({{QMessageBox::Ok, &confirm}, {QMessageBox::Ok, &finished}});
        h.action("mu_WriteText")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QVERIFY2(confirm.startsWith(QStringLiteral("Confirm file over-write|") + target), qPrintable(confirm));
        QVERIFY2(finished.startsWith(QStringLiteral("Finished|")), qPrintable(finished));
        QCOMPARE(testsupport::readBytes(target), testsupport::readBytes(h.path("fnk_rep.tmp")));
    }

    void choosingAnImportFile()
    {
        RealHarness h;
        h.addRecord(QDate(2026, 6, 1), dollars(1), "FO", "kept");
        auto& w = h.start();
        const QString csv = h.path("bank.csv");
        testsupport::writeBytes(csv, "6/2/2026,5.00,coffee\r\n6/3/2026,7.50,lunch\r\n");
        h.action("mu_Import")->trigger();
        imports::ImportWindow* import = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* i = qobject_cast<imports::ImportWindow*>(top); i && i->isVisible())
                import = i;
        QVERIFY(import);

        // The file chosen, then the internal backup it offers.
        QString backup;
        chooseFile(csv);
        pressOnBoxes({{QMessageBox::Ok, &backup}});
        QTest::mouseClick(import->findChild<QPushButton*>("SelectFile"), Qt::LeftButton);
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QCOMPARE(import->importFile(), csv);
        QCOMPARE(import->lineCount(), qint64(2));
        QVERIFY2(backup.endsWith(QStringLiteral("New backup file created!")), qPrintable(backup));
        QCOMPARE(testsupport::readBytes(h.path("fennick.bak")), testsupport::readBytes(h.path("fennick.dat")));
        import->close();
        QVERIFY(w.isVisible());
    }

    void searchInputBox()
    {
        RealHarness h;
        for (const char* note : {"many fish", "bluefish", "bread"})
            h.addRecord(QDate(2026, 6, 1), dollars(1), "FO", QLatin1String(note));
        auto& w = h.start();
        QCOMPARE(w.listModel()->rowCount(), 3);
        QString prompt;
        whenShown<QInputDialog>([&](QInputDialog* d) {
            prompt = d->labelText();
            auto* box = d->findChild<QLineEdit*>();
            box->setText(QStringLiteral("FiSh"));
            QTest::mouseClick(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        h.action("mu_SearchFragment")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QVERIFY(prompt.endsWith(QStringLiteral("Look for what?")));
        QCOMPARE(h.column(2), (QStringList{"many fish", "bluefish"}));

        // Cancel keeps the search in force; the box offers the last text.
        QString offered;
        whenShown<QInputDialog>([&](QInputDialog* d) {
            offered = d->textValue();
            QTest::mouseClick(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                              Qt::LeftButton);
        });
        h.action("mu_SearchFragment")->trigger();
        QVERIFY2(g_missed.isEmpty(), qPrintable(g_missed.join(", ")));
        QCOMPARE(offered, QStringLiteral("FiSh"));
        QCOMPARE(h.column(2), (QStringList{"many fish", "bluefish"}));
    }
};

QTEST_MAIN(RealDialogsTest)
#include "test_real_dialogs.moc"
