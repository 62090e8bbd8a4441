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
// The window works on its own copy of the program's settings record.  open()
// replaces that copy with the stored record and "Save" writes it; both hand
// the result to the main window through reloaded() and saved(), which take
// the place of the main window's record.  A change the main window makes to
// its record while this window is open is passed in with setRecord(), so that
// "Save" carries it along.
class ConfigWindow : public QWidget {
    Q_OBJECT
public:
    // `programFolder` is the folder of fnk41.cfg, ending in "/".
    explicit ConfigWindow(const QString& programFolder, QWidget* parent = nullptr);

    // Opens the window ("Program Settings").  Reads fnk41.cfg into the
    // window's record; when the file is missing or cannot be read, `current`
    // (the record the program holds) is used instead.  Fills the controls and
    // shows and raises the window.  When the window is already open it is
    // only brought to the front: what the user has typed so far stays.
    void open(const SettingsRecord& current);

    // The program's record changed while the window is open.  The controls
    // keep what the user typed; "Save" applies them to this record.
    void setRecord(const SettingsRecord& current) { record_ = current; }
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
    SettingsRecord record_;

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
