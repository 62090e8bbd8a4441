#pragma once

#include "app/Settings.h"

#include <QString>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace fnk::app {

// The settings window: edits the fields of the settings record that the user
// sets by hand and writes fnk41.cfg on "Save".  It is a separate window that
// does not block the main window.
//
// The window works on the program's settings record itself.  open()
// replaces it with the stored record and "Save" writes it (reloaded() and
// saved() tell of both).  A change the main window makes to the record while
// this window is open is therefore carried along by "Save".
class ConfigWindow : public QWidget {
    Q_OBJECT
public:
    // `programFolder` is the folder of fnk41.cfg, ending in "/".  `settings`
    // is the program's record: the window reads and writes that one record,
    // so a change made elsewhere while it is open is the one "Save" builds on.
    ConfigWindow(const QString& programFolder, SettingsRecord& settings, QWidget* parent = nullptr);
    // A window with a record of its own.
    explicit ConfigWindow(const QString& programFolder, QWidget* parent = nullptr)
        : ConfigWindow(programFolder, own_, parent)
    {
    }

    // Opens the window ("Program Settings").  Reads fnk41.cfg into the
    // window's record; when the file is missing or cannot be read, `current`
    // (the record the program holds) is used instead.  Fills the controls and
    // shows and raises the window.  When the window is already open it is
    // only brought to the front: what the user has typed so far stays.
    void open(const SettingsRecord& current);

    const SettingsRecord& record() const { return record_; }

    // The option buttons of "At Start Up Display..." and their range codes.
    struct RangeOption {
        const char* objectName;
        const char* caption;
        qint16 code;
    };
    static const RangeOption kRangeOptions[10];

signals:
    // open() read the stored record; it replaces the record held in memory.
    void reloaded(const fnk::app::SettingsRecord& record);
    // "Save" wrote this record to fnk41.cfg.
    void saved(const fnk::app::SettingsRecord& record);

private slots:
    void SaveConfig_Click();
    void QuitConfig_Click();
    void AF1_Search_Click();
    void AF2_Search_Click();
    void Ed_Search_Click();
    void AltFolder1Save_Click();
    void AltFolder2Save_Click();

private:
    void fillControls();
    void selectRangeOption(qint16 code);
    void pickFolder(QLineEdit* box);
    // Reads the two fiscal-year boxes; shows why and returns false when
    // they hold no valid month and day.
    bool readFiscalStart(qint16& month, qint16& day);
    void refuse(QLineEdit* box, const QString& text);

    SettingsFile file_;
    SettingsRecord own_ = firstRunDefaults();
    SettingsRecord& record_;

    QLineEdit* fyMonth_ = nullptr;
    QLineEdit* fyDay_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* ownerName_ = nullptr;
    QLineEdit* udf1Name_ = nullptr;
    QLineEdit* udf2Name_ = nullptr;
    QCheckBox* udf1Save_ = nullptr;
    QCheckBox* udf2Save_ = nullptr;
    QCheckBox* prompts_ = nullptr;
    QLineEdit* editor_ = nullptr;
    QPushButton* editorSearch_ = nullptr;
    QLineEdit* folder1_ = nullptr;
    QPushButton* folder1Search_ = nullptr;
    QPushButton* folder1Current_ = nullptr;
    QLineEdit* folder2_ = nullptr;
    QPushButton* folder2Search_ = nullptr;
    QPushButton* folder2Current_ = nullptr;
    QGroupBox* initDisplay_ = nullptr;
    QButtonGroup* rangeGroup_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* quit_ = nullptr;
};

}  // namespace fnk::app
