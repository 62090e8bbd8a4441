#pragma once

#include <QString>
#include <QWidget>

class QCloseEvent;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace fnk::backup
{

// The data backup utility: copies the data-set files of the data folder to a
// folder the user picks, typically on a removable disk.  A separate window
// that does not block the main window.
//
// The drive picker lists the roots of the mounted file systems; the folder
// picker is a tree of folders.  Choosing either shows the chosen folder as
// the target.  The source is the data folder given when the window was made;
// a later switch of data folders does not change it.
class BackupWindow : public QWidget
{
    Q_OBJECT
public:
    // `dataFolder` ends in "/".  Fills the source and target labels, the
    // folder picker and the file list from it.
    explicit BackupWindow(const QString& dataFolder, QWidget* parent = nullptr);
    ~BackupWindow() override;

    const QString& sourceFolder() const { return source_; }
    // True while a copy is running (window events go on during it).
    bool isCopying() const { return copying_; }

protected:
    // Closing the window during a copy stops the copy after the block in
    // hand; the file being copied keeps its old content in the target.
    void closeEvent(QCloseEvent* event) override;

private slots:
    void BackUpDrive_Change(int index);
    void BackUpDir_Change(const QModelIndex& current);
    void RunBackup_Click();
    void StopBackup_Click();
    void keepFolderInView();

private:
    void fillDrives();
    void selectDriveOf(const QString& folder);
    void showFolder(const QString& folder);
    void fillFileList();
    void setControlsEnabled(bool enabled);

    QString source_;
    QString driveShown_;         // root of the drive the pickers agree on
    bool followCurrent_ = false; // keep the picked folder in view as rows load
    bool copying_ = false;
    bool stopRequested_ = false;

    QLabel* sourceLabel_ = nullptr;
    QListWidget* fileList_ = nullptr;
    QComboBox* drive_ = nullptr;
    QTreeView* folder_ = nullptr;
    QFileSystemModel* folders_ = nullptr;
    QLabel* target_ = nullptr;
    QLabel* progress_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* stop_ = nullptr;
};

} // namespace fnk::backup
