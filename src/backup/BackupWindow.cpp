#include "backup/BackupWindow.h"

#include "backup/DataSetCopy.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "platform/WaitCursor.h"
#include "store/FileIo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>

namespace fnk::backup
{

namespace
{

const QString kNothingToDo = QStringLiteral("Nothing to do!");
const QString kSameFolder =
    QStringLiteral("Target and source are the same! Please select a different target folder.");
const QString kCopying = QStringLiteral("Copying: ");

// The roots of the mounted file systems, read again each time the list
// drops down so that a disk plugged in meanwhile shows.
class DrivePicker final : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;

    void showPopup() override
    {
        if (beforePopup)
            beforePopup();
        QComboBox::showPopup();
    }
};

QString driveRootOf(const QString& folder)
{
    const QStorageInfo volume(folder);
    return volume.isValid() ? volume.rootPath() : QString();
}

// The model's path of a folder: no final "/" except on the root.
QString modelPath(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    return clean.isEmpty() ? QDir::rootPath() : clean;
}

QPushButton* newButton(QWidget* parent, const char* name, const char* caption, const char* toolTip)
{
    auto* button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(QLatin1String(toolTip));
    button->setAutoDefault(false);
    return button;
}

QLabel* newLabel(QWidget* parent, const char* name, const char* text)
{
    auto* label = new QLabel(QLatin1String(text), parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

BackupWindow::BackupWindow(const QString& dataFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(dataFolder)
{
    setObjectName(QStringLiteral("frmBackup"));
    setWindowTitle(QStringLiteral("Fennick Data Backup"));
    setWindowModality(Qt::NonModal);

    sourceLabel_ = newLabel(this, "Backuplist", "File list");
    fileList_ = new QListWidget(this);
    fileList_->setObjectName(QStringLiteral("BackMeUp"));
    fileList_->setToolTip(QStringLiteral("These are the files to be backed up"));
    fileList_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* drive = new DrivePicker(this);
    drive->beforePopup = [this] { fillDrives(); };
    drive_ = drive;
    drive_->setObjectName(QStringLiteral("BackUpDrive"));
    drive_->setToolTip(QStringLiteral("This specifies the TARGET drive"));

    folders_ = new QFileSystemModel(this);
    // Hidden folders are listed too: the per-user data folder is one.
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    folders_->setRootPath(QDir::rootPath());
    folder_ = new QTreeView(this);
    folder_->setObjectName(QStringLiteral("BackUpDir"));
    folder_->setToolTip(QStringLiteral("This specifies the TARGET folder"));
    folder_->setModel(folders_);
    folder_->setHeaderHidden(true);
    for (int column = 1; column < folders_->columnCount(); ++column)
        folder_->hideColumn(column);
    folder_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* targetCaption = newLabel(this, "TargetCaption", "Target:");
    target_ = newLabel(this, "BackUpTarget", "target");
    progress_ = newLabel(this, "BackUpProgress", "progress");
    for (QLabel* label : {sourceLabel_, target_, progress_})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);

    run_ = newButton(this, "RunBackup", "&Copy all Source files to Target",
                     "Start data backup process");
    stop_ = newButton(this, "StopBackup", "C&lose", "Quit data backup utility");

    auto* source = new QVBoxLayout;
    source->addWidget(sourceLabel_);
    source->addWidget(fileList_, 1);
    auto* pickers = new QVBoxLayout;
    pickers->addWidget(drive_);
    pickers->addWidget(folder_, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(source, 1);
    top->addLayout(pickers, 1);

    auto* targetLine = new QHBoxLayout;
    targetLine->addWidget(targetCaption);
    targetLine->addWidget(target_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(run_);
    buttons->addStretch(1);
    buttons->addWidget(stop_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(targetLine);
    layout->addWidget(progress_);
    layout->addLayout(buttons);
    resize(640, 420);

    // Opening: the source label, the target label, the folder picker and
    // the file list all start at the data folder.  No file is held open
    // between commands, so none needs closing first.
    fillDrives();
    showFolder(source_);
    sourceLabel_->setText(source_);
    target_->setText(source_);
    fillFileList();

    connect(drive_, &QComboBox::currentIndexChanged, this, &BackupWindow::BackUpDrive_Change);
    connect(folder_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &BackupWindow::BackUpDir_Change);
    connect(folders_, &QFileSystemModel::directoryLoaded, this, &BackupWindow::keepFolderInView);
    connect(folders_, &QAbstractItemModel::layoutChanged, this, &BackupWindow::keepFolderInView);
    connect(folders_, &QAbstractItemModel::rowsInserted, this, &BackupWindow::keepFolderInView);
    connect(folder_->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { followCurrent_ = false; });
    connect(run_, &QPushButton::clicked, this, &BackupWindow::RunBackup_Click);
    connect(stop_, &QPushButton::clicked, this, &BackupWindow::StopBackup_Click);
}

BackupWindow::~BackupWindow() = default;

void BackupWindow::fillDrives()
{
    struct Drive {
        QString root;
        QString name;
    };
    QList<Drive> drives;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = volume.rootPath();
        if (std::none_of(drives.cbegin(), drives.cend(),
                         [&](const Drive& d) { return d.root == root; }))
            drives.append({root, volume.name()});
    }
    std::sort(drives.begin(), drives.end(),
              [](const Drive& a, const Drive& b) { return a.root < b.root; });

    const QSignalBlocker quiet(drive_);
    drive_->clear();
    for (const Drive& d : drives)
        drive_->addItem(
            d.name.isEmpty() ? d.root : d.root + QStringLiteral("  [") + d.name + QLatin1Char(']'),
            d.root);
    selectDriveOf(driveShown_.isEmpty() ? source_ : driveShown_);
}

void BackupWindow::selectDriveOf(const QString& folder)
{
    const QString root = driveRootOf(folder);
    if (root.isEmpty())
        return;
    const QSignalBlocker quiet(drive_);
    int at = drive_->findData(root);
    if (at < 0) {
        // A drive that is no longer listed stays selectable while the
        // pickers show it.
        drive_->addItem(root, root);
        at = drive_->count() - 1;
    }
    drive_->setCurrentIndex(at);
    driveShown_ = root;
}

void BackupWindow::showFolder(const QString& folder)
{
    const QModelIndex index = folders_->index(modelPath(folder));
    if (!index.isValid())
        return;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        folder_->expand(up);
    folder_->setCurrentIndex(index);
    folder_->scrollTo(index);
    // The model reads folders in the background and sorts them later, which
    // moves the row; the view follows it until the user scrolls or clicks.
    followCurrent_ = true;
}

void BackupWindow::keepFolderInView()
{
    if (followCurrent_)
        folder_->scrollTo(folder_->currentIndex());
}

void BackupWindow::fillFileList()
{
    fileList_->clear();
    fileList_->addItems(dataSetFiles(source_));
}

void BackupWindow::setControlsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{run_, drive_, folder_})
        w->setEnabled(enabled);
}

void BackupWindow::BackUpDrive_Change(int index)
{
    if (index < 0)
        return;
    const QString root = drive_->itemData(index).toString();
    try {
        checkDrive(root);
    } catch (const store::FileError& e) {
        // The pickers stay on the folder they showed.
        selectDriveOf(driveShown_);
        platform::reportException(e);
        return;
    }
    driveShown_ = root;
    showFolder(root);
    target_->setText(folders_->filePath(folder_->currentIndex()));
}

void BackupWindow::BackUpDir_Change(const QModelIndex& current)
{
    if (!current.isValid())
        return;
    const QString path = folders_->filePath(current);
    followCurrent_ = false;
    target_->setText(path);
    // A folder on another mounted file system moves the drive picker along.
    if (driveRootOf(path) != driveShown_)
        selectDriveOf(path);
}

void BackupWindow::RunBackup_Click()
{
    if (copying_)
        return;
    const QString target = folderForCopy(target_->text());
    const QString source = folderForCopy(sourceLabel_->text());
    target_->setText(target);
    sourceLabel_->setText(source);
    if (sameFolder(target, source)) {
        platform::messages().inform(kNothingToDo, kSameFolder, platform::Icon::Exclamation);
        return;
    }

    // The list is read again so that the copy takes the data set as it is
    // now, with a macro file saved since the window opened.
    source_ = source;
    fillFileList();
    QStringList names;
    for (int i = 0; i < fileList_->count(); ++i)
        names.append(fileList_->item(i)->text());

    // Window events run between files and between blocks; the window may
    // be closed, or even destroyed, meanwhile.
    QPointer<BackupWindow> alive(this);
    QString current;
    auto keepUp = [&]() {
        QCoreApplication::processEvents();
        return alive && !stopRequested_;
    };
    CopySteps steps;
    steps.fileStarting = [&](int index, const QString& name) {
        if (!keepUp())
            return false;
        fileList_->setCurrentRow(index);
        current = kCopying + name;
        progress_->setText(current);
        return true;
    };
    steps.blockDone = [&](qint64 done, qint64 size) {
        if (done < size)
            progress_->setText(current + QStringLiteral(" - ") +
                               QString::number(done * 100 / size) + QLatin1Char('%'));
        else if (size > kCopyBlockSize)
            progress_->setText(current);
        return keepUp();
    };

    copying_ = true;
    stopRequested_ = false;
    setControlsEnabled(false);
    bool completed = false;
    std::optional<store::FileError> failure;
    {
        // Message boxes are shown only after the hourglass has gone.
        const platform::WaitCursor busy;
        try {
            completed = copyDataSet(source, target, names, steps);
        } catch (const store::FileError& e) {
            failure = e;
        }
    }
    if (!alive)
        return;
    copying_ = false;
    setControlsEnabled(true);

    if (failure)
        platform::ErrorReport(failure->name(), failure->number());
    else if (completed)
        platform::messages().inform(QStringLiteral("Finished"),
                                    QStringLiteral("Backup completed!"));
}

void BackupWindow::StopBackup_Click()
{
    close();
}

void BackupWindow::closeEvent(QCloseEvent* event)
{
    if (copying_)
        stopRequested_ = true;
    QWidget::closeEvent(event);
}

} // namespace fnk::backup
