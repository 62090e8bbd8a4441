#include "AppHarness.h"

#include <QPushButton>
#include <QToolButton>

using namespace fnk;
using platform::Answer;

namespace {
store::Money dollars(qint64 d) { return d * store::kMoneyScale; }

QWidget* visibleTop(const char* name)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String(name) && top->isVisible())
            return top;
    return nullptr;
}
}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void internalBackupThroughTheMenus()
    {
        AppHarness h;
        h.addRecord(QDate(2026, 5, 1), dollars(1), "FO", "kept");
        auto& w = h.start();
        h.action("mu_CreateBackup")->trigger();
        QCOMPARE(h.port.lastMessage()->text, QStringLiteral("New backup file created!"));
        const QByteArray saved = testsupport::readBytes(h.path("fennick.dat"));
        QCOMPARE(testsupport::readBytes(h.path("fennick.bak")), saved);

        h.addRecord(QDate(2026, 5, 2), dollars(2), "FO", "added later");
        AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), 0);
        h.port.queueAnswer(Answer::Yes);
        h.action("mu_RestoreBackup")->trigger();
        QCOMPARE(h.port.lastMessage()->text, QStringLiteral("Previous data restored!"));
        QCOMPARE(testsupport::readBytes(h.path("fennick.dat")), saved);
        QCOMPARE(h.column(2), QStringList{"kept"});
        QCOMPARE(w.session().rememberedName, QStringLiteral("All Categories"));
    }

    void importAndBackupWindowsOpenAlongside()
    {
        AppHarness h;
        auto& w = h.start();
        h.action("mu_Import")->trigger();
        QWidget* import = visibleTop("fnk3cdi");
        QVERIFY(import);
        AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), 0);
        QCOMPARE(w.session().rememberedName.trimmed(), QStringLiteral("Food"));
        // Closing the import window shows every category again.
        import->close();
        QCOMPARE(w.session().rememberedName, QStringLiteral("All Categories"));

        QTest::mouseClick(h.child<QToolButton>("btn_BackUp"), Qt::LeftButton);
        QVERIFY(visibleTop("frmBackup"));
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(FileCommandsTest)
#include "test_file_commands.moc"
