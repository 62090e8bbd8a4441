// The data backup utility: which files make up a data set, the copy to
// another folder, and the backup window.

#include "backup/BackupWindow.h"
#include "platform/Accessibility.h"
#include "backup/DataSetCopy.h"
#include "platform/ErrorReport.h"
#include "store/FileIo.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

using namespace fnk::backup;
using fnk::platform::Icon;
using fnk::platform::MessageBox;
using fnk::store::FileError;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace
{

// The data-set files in list order; the record file spans several copy
// blocks.
const QStringList kSet = {QStringLiteral("category.dat"), QStringLiteral("fennick.dat"),
                          QStringLiteral("house.fnk"),    QStringLiteral("Trip.FNK"),
                          QStringLiteral("udf1.dat"),     QStringLiteral("udf2.dat")};

QByteArray contentOf(const QString& name, int generation)
{
    QByteArray bytes = (name + QLatin1Char('#') + QString::number(generation)).toLatin1();
    if (name == QLatin1String("fennick.dat")) {
        bytes.reserve(int(2 * kCopyBlockSize + 1000));
        for (int i = 0; bytes.size() < 2 * kCopyBlockSize + 1000; ++i)
            bytes.append(char((i * 131 + generation * 7) % 251));
    }
    return bytes;
}

// Writes the data set into `folder`; generation 0 stands for older copies.
void writeSet(const QString& folder, int generation, const QStringList& names = kSet)
{
    QDir().mkpath(folder);
    for (const QString& name : names)
        writeBytes(folder + name, contentOf(name, generation));
}

// Names of the files in `folder` whose content is that of `generation`.
QStringList holding(const QString& folder, int generation)
{
    QStringList out;
    for (const QString& name : kSet)
        if (readBytes(folder + name) == contentOf(name, generation))
            out.append(name);
    return out;
}

QStringList workFilesIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files);
}

template <class T> T* child(QWidget& window, const char* name)
{
    T* w = window.findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

QString labelText(QWidget& w, const char* name)
{
    return child<QLabel>(w, name)->text();
}

QStringList listed(QWidget& w)
{
    QStringList out;
    auto* list = child<QListWidget>(w, "BackMeUp");
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

// Picks a folder in the folder picker as a click would.
void pickFolder(QWidget& w, const QString& folder)
{
    auto* view = child<QTreeView>(w, "BackUpDir");
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    QVERIFY(model);
    const QModelIndex index = model->index(QDir::cleanPath(folder));
    QVERIFY(index.isValid());
    view->setCurrentIndex(index);
}

QString pickedFolder(QWidget& w)
{
    auto* view = child<QTreeView>(w, "BackUpDir");
    return qobject_cast<QFileSystemModel*>(view->model())->filePath(view->currentIndex());
}

void compareBox(const MessageBox& box, const QString& title, const QString& text, Icon icon)
{
    QCOMPARE(box.title, title);
    QCOMPARE(box.text, text);
    QCOMPARE(box.icon, icon);
}

} // namespace

class BackupTest : public QObject
{
    Q_OBJECT

private slots:
    void choosesTheDataSet();
    void folderTexts();
    void copyReplacesOlderCopies();
    void failedOrStoppedCopyKeepsTargetFiles();
    void windowAtOpening();
    void copyFromTheWindow();
    void sameFolderIsRefused_data();
    void sameFolderIsRefused();
    void failedWindowCopy();
    void drivePicker();
    void closingDuringCopy();
};

void BackupTest::choosesTheDataSet()
{
    Fixture fx;
    writeSet(fx.folder(), 1);
    for (const char* other : {"fennick.bak", "fnk41.cfg", "report.tmp", "income.tmp", "fnk_rep.tmp",
                              "fnk_rep.doc", "temp.dat", "category.tmp", "udf1.tmp", "udf12.dat",
                              "xfennick.dat", "fennick.dat.part", "trip.fnk.txt", "2026.doc"})
        writeBytes(fx.path(QLatin1String(other)), "x");
    QVERIFY(QDir().mkdir(fx.path(QStringLiteral("old.fnk"))));

    // Letter case counts neither in matching nor in the order.
    QCOMPARE(dataSetFiles(fx.folder()), kSet);
    QVERIFY(matchesDataSet(QStringLiteral("FENNICK.DAT")));
    QVERIFY(matchesDataSet(QStringLiteral("udfx.dat")));
    QVERIFY(!matchesDataSet(QStringLiteral("udf.dat")));
    QCOMPARE(dataSetFiles(fx.path(QStringLiteral("missing/"))), QStringList());
}

void BackupTest::folderTexts()
{
    Fixture fx;
    QCOMPARE(folderForCopy(QStringLiteral("  /media/stick/backup ")),
             QStringLiteral("/media/stick/backup/"));
    QCOMPARE(folderForCopy(QStringLiteral("/media/stick/")), QStringLiteral("/media/stick/"));
    QCOMPARE(folderForCopy(QStringLiteral("/")), QStringLiteral("/"));

    QVERIFY(sameFolder(QStringLiteral("/Data/Home/"), QStringLiteral(" /data/home")));
    QVERIFY(!sameFolder(QStringLiteral("/data/home/"), QStringLiteral("/data/home2/")));

    const QString data = fx.path(QStringLiteral("data"));
    const QString other = fx.path(QStringLiteral("other"));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/sub")));
    QVERIFY(QDir().mkpath(other));
    QVERIFY(QFile::link(data, fx.path(QStringLiteral("link"))));
    QVERIFY(sameFolder(data, fx.path(QStringLiteral("link/"))));
    QVERIFY(sameFolder(data, data + QStringLiteral("/sub/..")));
    QVERIFY(!sameFolder(data, other));
    QVERIFY(!sameFolder(data, data + QStringLiteral("/sub")));
}

void BackupTest::copyReplacesOlderCopies()
{
    Fixture fx;
    const QString data = fx.path(QStringLiteral("data/"));
    const QString stick = fx.path(QStringLiteral("stick/"));
    writeSet(data, 1);
    writeSet(stick, 0, {QStringLiteral("fennick.dat"), QStringLiteral("udf1.dat")});
    writeBytes(stick + QStringLiteral("keep.txt"), "mine");
    const QDateTime stamp(QDate(2025, 3, 1), QTime(10, 30));
    {
        QFile f(data + QStringLiteral("fennick.dat"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }

    QStringList started;
    QList<qint64> blocks;
    CopySteps steps;
    steps.fileStarting = [&](int index, const QString& name) {
        started.append(QString::number(index) + name);
        return true;
    };
    steps.blockDone = [&](qint64 done, qint64 size) {
        if (size > kCopyBlockSize)
            blocks.append(done);
        return true;
    };
    QVERIFY(copyDataSet(data, stick, kSet, steps));

    QCOMPARE(holding(stick, 1), kSet);
    QCOMPARE(holding(data, 1), kSet);
    QCOMPARE(readBytes(stick + QStringLiteral("keep.txt")), QByteArray("mine"));
    QCOMPARE(workFilesIn(stick), QStringList());
    QCOMPARE(QFileInfo(stick + QStringLiteral("fennick.dat")).lastModified(), stamp);
    QCOMPARE(started, (QStringList{"0category.dat", "1fennick.dat", "2house.fnk", "3Trip.FNK",
                                   "4udf1.dat", "5udf2.dat"}));
    const qint64 size = contentOf(QStringLiteral("fennick.dat"), 1).size();
    QCOMPARE(blocks, (QList<qint64>{kCopyBlockSize, 2 * kCopyBlockSize, size}));
}

void BackupTest::failedOrStoppedCopyKeepsTargetFiles()
{
    Fixture fx;
    const QString data = fx.path(QStringLiteral("data/"));
    const QString stick = fx.path(QStringLiteral("stick/"));
    writeSet(data, 1);

    // A full disk in the middle of the record file: the category file was
    // already copied, the rest keep their older copies.
    writeSet(stick, 0);
    fnk::store::testing::failWritesAfter(2);
    try {
        copyDataSet(data, stick, kSet);
        QFAIL("the copy did not fail");
    } catch (const FileError& e) {
        QCOMPARE(e.number(), int(fnk::store::kDiskFull));
    }
    fnk::store::testing::reset();
    QCOMPARE(holding(stick, 1), QStringList{"category.dat"});
    QCOMPARE(holding(stick, 0), kSet.mid(1));
    QCOMPARE(workFilesIn(stick), QStringList());

    // Stopped after the record file's first block.
    writeSet(stick, 0);
    CopySteps stopInRecordFile;
    stopInRecordFile.blockDone = [](qint64, qint64 size) { return size <= kCopyBlockSize; };
    QVERIFY(!copyDataSet(data, stick, kSet, stopInRecordFile));
    QCOMPARE(holding(stick, 1), QStringList{"category.dat"});
    QCOMPARE(holding(stick, 0), kSet.mid(1));
    QCOMPARE(workFilesIn(stick), QStringList());

    // A file standing where the target folder must be.
    const QString blocker = fx.path(QStringLiteral("blocker"));
    writeBytes(blocker, "file");
    try {
        copyDataSet(data, blocker + QLatin1Char('/'), kSet);
        QFAIL("the copy did not fail");
    } catch (const FileError& e) {
        QCOMPARE(e.number(), int(fnk::store::kPathNotFound));
    }
    QCOMPARE(readBytes(blocker), QByteArray("file"));

    // A source file gone since the list was read.
    try {
        copyFile(data + QStringLiteral("gone.fnk"), stick + QStringLiteral("gone.fnk"));
        QFAIL("the copy did not fail");
    } catch (const FileError& e) {
        QCOMPARE(e.number(), int(fnk::store::kFileNotFound));
    }
    QVERIFY(!QFileInfo::exists(stick + QStringLiteral("gone.fnk")));
}

void BackupTest::windowAtOpening()
{
    Fixture fx;
    writeSet(fx.folder(), 1);
    writeBytes(fx.path(QStringLiteral("fennick.bak")), "old");
    BackupWindow w(fx.folder());

    QCOMPARE(w.objectName(), QStringLiteral("frmBackup"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Fennick Data Backup"));
    QVERIFY(w.isWindow());
    QCOMPARE(w.windowModality(), Qt::NonModal);
    QCOMPARE(w.sourceFolder(), fx.folder());

    QCOMPARE(labelText(w, "Backuplist"), fx.folder());
    QCOMPARE(labelText(w, "BackUpTarget"), fx.folder());
    QCOMPARE(labelText(w, "TargetCaption"), QStringLiteral("Target:"));
    QCOMPARE(labelText(w, "BackUpProgress"), QStringLiteral("progress"));
    QCOMPARE(listed(w), kSet);
    QCOMPARE(pickedFolder(w), fx.dir.path());
    auto* drive = child<QComboBox>(w, "BackUpDrive");
    QCOMPARE(drive->currentData().toString(), QStorageInfo(fx.folder()).rootPath());

    const struct {
        const char* name;
        const char* toolTip;
    } tips[] = {{"BackMeUp", "These are the files to be backed up"},
                {"BackUpDrive", "This specifies the TARGET drive"},
                {"BackUpDir", "This specifies the TARGET folder"},
                {"RunBackup", "Start data backup process"},
                {"StopBackup", "Quit data backup utility"}};
    for (const auto& t : tips)
        QCOMPARE(child<QWidget>(w, t.name)->toolTip(), QLatin1String(t.toolTip));
    QCOMPARE(fnk::platform::withoutMarks(child<QPushButton>(w, "RunBackup")->text()),
             QStringLiteral("Copy all Source files to Target"));
    QCOMPARE(fnk::platform::withoutMarks(child<QPushButton>(w, "StopBackup")->text()),
             QStringLiteral("Close"));

    w.show();
    child<QPushButton>(w, "StopBackup")->click();
    QVERIFY(!w.isVisible());
    QVERIFY(fx.port.messagesShown().isEmpty());
}

void BackupTest::copyFromTheWindow()
{
    Fixture fx;
    const QString data = fx.path(QStringLiteral("data/"));
    const QString stick = fx.path(QStringLiteral("stick/backup"));
    writeSet(data, 1, kSet.mid(0, 5));
    writeSet(stick, 0, {QStringLiteral("fennick.dat")});
    BackupWindow w(data);
    w.show();

    pickFolder(w, stick);
    QCOMPARE(labelText(w, "BackUpTarget"), stick);
    // A file saved after the window opened goes along.
    writeSet(data, 1, {QStringLiteral("udf2.dat")});

    child<QPushButton>(w, "RunBackup")->click();
    QCOMPARE(labelText(w, "BackUpTarget"), stick + QLatin1Char('/'));
    QCOMPARE(labelText(w, "Backuplist"), data);
    QCOMPARE(holding(stick + QLatin1Char('/'), 1), kSet);
    QCOMPARE(listed(w), kSet);
    QCOMPARE(child<QListWidget>(w, "BackMeUp")->currentRow(), kSet.size() - 1);
    QCOMPARE(labelText(w, "BackUpProgress"), QStringLiteral("Copying: udf2.dat"));
    QCOMPARE(fx.port.messagesShown().size(), 1);
    compareBox(fx.port.messagesShown().at(0), QStringLiteral("Finished"),
               QStringLiteral("Backup completed!"), Icon::Information);
    QVERIFY(child<QPushButton>(w, "RunBackup")->isEnabled());
    QVERIFY(!w.isCopying());
}

void BackupTest::sameFolderIsRefused_data()
{
    QTest::addColumn<QString>("target"); // "@" stands for the data folder
    QTest::newRow("same") << "@/";
    QTest::newRow("no final separator") << "@";
    QTest::newRow("spaces around") << "  @  ";
    QTest::newRow("other letter case") << "upper";
    QTest::newRow("through a link") << "link";
}

void BackupTest::sameFolderIsRefused()
{
    QFETCH(QString, target);
    Fixture fx;
    const QString data = fx.path(QStringLiteral("data"));
    writeSet(data + QLatin1Char('/'), 1);
    QVERIFY(QFile::link(data, fx.path(QStringLiteral("link"))));
    if (target == QLatin1String("upper"))
        target = data.toUpper();
    else if (target == QLatin1String("link"))
        target = fx.path(QStringLiteral("link"));
    else
        target.replace(QLatin1Char('@'), data);

    BackupWindow w(data + QLatin1Char('/'));
    child<QLabel>(w, "BackUpTarget")->setText(target);
    child<QPushButton>(w, "RunBackup")->click();

    QCOMPARE(fx.port.messagesShown().size(), 1);
    compareBox(fx.port.messagesShown().at(0), QStringLiteral("Nothing to do!"),
               QStringLiteral("Target and source are the same! Please select a different target "
                              "folder."),
               Icon::Exclamation);
    QCOMPARE(labelText(w, "BackUpTarget"), folderForCopy(target));
    QCOMPARE(labelText(w, "BackUpProgress"), QStringLiteral("progress"));
    QCOMPARE(holding(data + QLatin1Char('/'), 1), kSet);
    QCOMPARE(workFilesIn(data), QStringList());
}

void BackupTest::failedWindowCopy()
{
    Fixture fx;
    const QString data = fx.path(QStringLiteral("data/"));
    const QString stick = fx.path(QStringLiteral("stick/"));
    writeSet(data, 1);
    writeSet(stick, 0);
    BackupWindow w(data);
    w.show();
    pickFolder(w, stick);

    fnk::store::testing::failWritesAfter(2);
    child<QPushButton>(w, "RunBackup")->click();
    fnk::store::testing::reset();

    QCOMPARE(fx.port.messagesShown().size(), 1);
    compareBox(fx.port.messagesShown().at(0), QStringLiteral("Error - operation aborted"),
               fnk::platform::errorReportText(QStringLiteral("Disk full writing ") + stick +
                                                  QStringLiteral("fennick.dat"),
                                              fnk::store::kDiskFull),
               Icon::Critical);
    QCOMPARE(holding(stick, 1), QStringList{"category.dat"});
    QCOMPARE(holding(stick, 0), kSet.mid(1));
    QCOMPARE(workFilesIn(stick), QStringList());
    QVERIFY(w.isVisible());

    // The window stays usable: the next try goes through.
    fx.port.clear();
    child<QPushButton>(w, "RunBackup")->click();
    QCOMPARE(holding(stick, 1), kSet);
    QCOMPARE(fx.port.lastMessage()->text, QStringLiteral("Backup completed!"));
}

void BackupTest::drivePicker()
{
    Fixture fx;
    const QString data = fx.path(QStringLiteral("data/"));
    const QString stick = fx.path(QStringLiteral("stick"));
    writeSet(data, 1);
    QVERIFY(QDir().mkpath(stick));
    BackupWindow w(data);
    auto* drive = child<QComboBox>(w, "BackUpDrive");
    const QString firstDrive = drive->currentData().toString();

    // No disk in the drive: the pickers stay where they were.
    drive->addItem(QStringLiteral("/no/disk"), QStringLiteral("/no/disk/"));
    drive->setCurrentIndex(drive->count() - 1);
    QCOMPARE(fx.port.messagesShown().size(), 1);
    compareBox(fx.port.messagesShown().at(0), QStringLiteral("Error - operation aborted"),
               fnk::platform::errorReportText(QStringLiteral("Device unavailable"), 68),
               Icon::Critical);
    QCOMPARE(drive->currentData().toString(), firstDrive);
    QCOMPARE(pickedFolder(w), fx.path(QStringLiteral("data")));
    QCOMPARE(labelText(w, "BackUpTarget"), data);

    // A readable drive: the folder picker moves to its root, and the target
    // follows.
    fx.port.clear();
    drive->addItem(stick, stick);
    drive->setCurrentIndex(drive->count() - 1);
    QCOMPARE(pickedFolder(w), stick);
    QCOMPARE(labelText(w, "BackUpTarget"), stick);
    QVERIFY(fx.port.messagesShown().isEmpty());
}

void BackupTest::closingDuringCopy()
{
    Fixture fx;
    const QString data = fx.path(QStringLiteral("data/"));
    const QString stick = fx.path(QStringLiteral("stick/"));
    writeSet(data, 1);

    // Close while the copy runs: it stops, and says nothing.
    {
        writeSet(stick, 0);
        BackupWindow w(data);
        w.show();
        pickFolder(w, stick);
        auto* run = child<QPushButton>(w, "RunBackup");
        bool runWasEnabled = true;
        QTimer::singleShot(0, &w, [&] {
            runWasEnabled = run->isEnabled();
            child<QPushButton>(w, "StopBackup")->click();
        });
        run->click();
        QVERIFY(!runWasEnabled);
        QVERIFY(!w.isVisible());
        QVERIFY(fx.port.messagesShown().isEmpty());
        QVERIFY(holding(stick, 0).contains(QStringLiteral("udf2.dat")));
        QCOMPARE(workFilesIn(stick), QStringList());
        QVERIFY(run->isEnabled());
    }

    // The window destroyed while the copy runs.
    writeSet(stick, 0);
    QPointer<BackupWindow> w = new BackupWindow(data);
    w->show();
    pickFolder(*w, stick);
    QTimer::singleShot(0, w.data(), [&] { delete w.data(); });
    child<QPushButton>(*w, "RunBackup")->click();
    QVERIFY(w.isNull());
    QVERIFY(fx.port.messagesShown().isEmpty());
    QVERIFY(holding(stick, 0).contains(QStringLiteral("udf2.dat")));
    QCOMPARE(workFilesIn(stick), QStringList());
}

QTEST_MAIN(BackupTest)
#include "test_backup.moc"
