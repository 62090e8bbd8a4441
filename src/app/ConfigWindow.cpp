#include "app/ConfigWindow.h"

#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <initializer_list>

namespace fnk::app {

const ConfigWindow::RangeOption ConfigWindow::kRangeOptions[10] = {
    {"SUD_FiscalYear", "&Full Fiscal Year", 0}, {"SUD_30Days", "Past &30 Days", 30},
    {"SUD_60Days", "Past &60 Days", 60},         {"SUD_90Days", "Past &90 Days", 90},
    {"SUD_180Days", "Past 1&80 Days", 180},     {"SUD_1Cal", "Past &1 Year", 365},
    {"SUD_2Cal", "Past &2 Years", 730},          {"SUD_3Cal", "Past 3 &Years", 1095},
    {"SUD_4Cal", "Past &4 Years", 1460},         {"SUD_5Cal", "Past &5 Years", 1825},
};

namespace {

const QString kNothingToDo = QStringLiteral("Nothing to do!");
const QString kFolderFilter = QStringLiteral("Folders|.|");
const QString kFolderTitle = QStringLiteral("Select a folder...");
const QString kFolderName = QStringLiteral("(select a folder)");
const QString kProgramTitle = QStringLiteral("Select a program...");
#ifdef Q_OS_WIN
const QString kProgramFilter = QStringLiteral("Programs|*.exe|");
#else
// Programs carry no ".exe" here; "*.exe" would hide every one of them.
const QString kProgramFilter = QStringLiteral("Programs|*|");
#endif

// Stored text fields are padded with spaces; only spaces are taken off.
QString withoutPadding(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// The days a fiscal year may start on in each month; February allows the
// 29th, as a leap year has it.
constexpr int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The folder a picker starts in: the one the box names, when it exists.
QString startFolder(const QString& path)
{
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (info.isDir())
        return QDir::cleanPath(path);
    if (info.isFile())
        return info.absolutePath();
    return QString();
}

QLineEdit* newTextBox(QWidget* parent, const char* name, const char* toolTip, int maxLength)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(QLatin1String(toolTip));
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    return box;
}

QPushButton* newButton(QWidget* parent, const char* name, const char* caption,
                       const char* toolTip = nullptr)
{
    auto* button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    if (toolTip)
        button->setToolTip(QLatin1String(toolTip));
    button->setAutoDefault(false);
    return button;
}

QCheckBox* newCheckBox(QWidget* parent, const char* name, const char* caption,
                       const char* toolTip = nullptr)
{
    auto* box = new QCheckBox(QLatin1String(caption), parent);
    box->setObjectName(QLatin1String(name));
    if (toolTip)
        box->setToolTip(QLatin1String(toolTip));
    return box;
}

QLabel* newLabel(QWidget* parent, const char* text, QWidget* buddy)
{
    auto* label = new QLabel(QLatin1String(text), parent);
    label->setObjectName(buddy->objectName() + QStringLiteral("Label"));
    label->setBuddy(buddy);
    return label;
}

// Wide enough for `chars` average characters plus the frame.
void fitWidth(QLineEdit* box, int chars)
{
    const QFontMetrics fm = box->fontMetrics();
    box->setFixedWidth(fm.horizontalAdvance(QLatin1Char('0')) * chars + 16);
}

}  // namespace

ConfigWindow::ConfigWindow(const QString& programFolder, SettingsRecord& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), file_(programFolder), record_(settings)
{
    setObjectName(QStringLiteral("FNK3Config"));
    setWindowTitle(QStringLiteral("Fennick Configuration Settings"));
    setWindowModality(Qt::NonModal);

    using W = SettingsRecord;

    // Created in the order the Tab key visits them.
    fyMonth_ = newTextBox(this, "FYMonth", "First month of your fiscal year", 0);
    fyDay_ = newTextBox(this, "FYDay", "First day of your fiscal year", 0);
    password_ = newTextBox(this, "PasswordEd", "Start-up password - Max 10 characters",
                           W::kPasswordWidth);
    password_->setEchoMode(QLineEdit::Password);
    ownerName_ = newTextBox(this, "OwnerNameEd", "Name printed in report titles - Max 40 characters",
                            W::kOwnerNameWidth);
    udf1Name_ = newTextBox(this, "UDF1NameEd", "Name for user-defined field #1 - Max 10 characters",
                           W::kUserFieldNameWidth);
    udf1Save_ = newCheckBox(this, "UDF1Save", "Save &List Items?",
                            "Check to save each item entered in this field");
    udf2Name_ = newTextBox(this, "UDF2NameEd", "Name for user-defined field #2 - Max 10 characters",
                           W::kUserFieldNameWidth);
    udf2Save_ = newCheckBox(this, "UDF2Save", "Save List &Items?",
                            "Check to save each item entered in this field");
    prompts_ = newCheckBox(this, "PromptsCheck",
                           "&Prompt for confirmation on record replace and delete");
    editor_ = newTextBox(this, "EditorName", "Leave blank to use Wordpad or Word",
                         W::kEditorProgramWidth);
    editorSearch_ = newButton(this, "Ed_Search", "...", "Choose the editor program");
    folder1_ = newTextBox(this, "AltFolder1Path", "Save path to alternate data folder",
                          W::kFolderWidth);
    folder1Search_ = newButton(this, "AF1_Search", "...", "Choose alternate data folder 1");
    folder1Current_ = newButton(this, "AltFolder1Save", "&Use Current",
                                "Make the CURRENT folder Alternate 1");
    folder2_ = newTextBox(this, "AltFolder2Path", "Save path to alternate data folder",
                          W::kFolderWidth);
    folder2Search_ = newButton(this, "AF2_Search", "...", "Choose alternate data folder 2");
    folder2Current_ = newButton(this, "AltFolder2Save", "Use &Current",
                                "Make the CURRENT folder Alternate 2");

    initDisplay_ = new QGroupBox(QStringLiteral("At Start Up Display..."), this);
    initDisplay_->setObjectName(QStringLiteral("InitDisplayFrame"));
    rangeGroup_ = new QButtonGroup(this);
    rangeGroup_->setExclusive(true);
    auto* rangeLayout = new QVBoxLayout(initDisplay_);
    for (const RangeOption& option : kRangeOptions) {
        auto* button = new QRadioButton(QLatin1String(option.caption), initDisplay_);
        button->setObjectName(QLatin1String(option.objectName));
        rangeGroup_->addButton(button, option.code);
        rangeLayout->addWidget(button);
    }
    rangeLayout->addStretch(1);

    save_ = newButton(this, "SaveConfig", "&Save", "Quit Settings - save any changes");
    quit_ = newButton(this, "QuitConfig", "&Quit", "Quit Settings without saving any changes");

    // Short boxes get the width of what they hold; the paths take the rest.
    fitWidth(fyMonth_, 4);
    fitWidth(fyDay_, 4);
    fitWidth(password_, 12);
    fitWidth(udf1Name_, 12);
    fitWidth(udf2Name_, 12);
    for (QLineEdit* box : {editor_, folder1_, folder2_, ownerName_})
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 40);

    auto* form = new QGridLayout;
    int row = 0;
    auto addShort = [&](const char* label, QWidget* box, QWidget* beside = nullptr) {
        auto* line = new QHBoxLayout;
        line->addWidget(box);
        if (beside) {
            line->addSpacing(12);
            line->addWidget(beside);
        }
        line->addStretch(1);
        form->addWidget(newLabel(this, label, box), row, 0);
        form->addLayout(line, row, 1, 1, 3);
        ++row;
    };
    auto addPath = [&](const char* label, QLineEdit* box, QPushButton* search,
                       QPushButton* current) {
        form->addWidget(newLabel(this, label, box), row, 0);
        form->addWidget(box, row, 1);
        form->addWidget(search, row, 2);
        if (current)
            form->addWidget(current, row, 3);
        ++row;
    };
    addShort("FY Starts Month ?", fyMonth_);
    addShort("FY Starts Day?", fyDay_);
    addShort("Password", password_);
    form->addWidget(newLabel(this, "Owner Name", ownerName_), row, 0);
    form->addWidget(ownerName_, row, 1, 1, 3);
    ++row;
    addShort("Name For User Field 1", udf1Name_, udf1Save_);
    addShort("Name For User Field 2", udf2Name_, udf2Save_);
    form->addWidget(prompts_, row++, 0, 1, 4);
    addPath("Editor", editor_, editorSearch_, nullptr);
    addPath("Alt. Folder 1", folder1_, folder1Search_, folder1Current_);
    addPath("Alt. Folder 2", folder2_, folder2Search_, folder2Current_);
    form->setColumnStretch(1, 1);
    form->setRowStretch(row, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addWidget(initDisplay_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(quit_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    const int searchWidth =
        qMax(folder1Current_->sizeHint().height(),
             editorSearch_->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    for (QPushButton* b : {editorSearch_, folder1Search_, folder2Search_})
        b->setFixedWidth(searchWidth);

    connect(save_, &QPushButton::clicked, this, &ConfigWindow::SaveConfig_Click);
    connect(quit_, &QPushButton::clicked, this, &ConfigWindow::QuitConfig_Click);
    connect(folder1Search_, &QPushButton::clicked, this, &ConfigWindow::AF1_Search_Click);
    connect(folder2Search_, &QPushButton::clicked, this, &ConfigWindow::AF2_Search_Click);
    connect(editorSearch_, &QPushButton::clicked, this, &ConfigWindow::Ed_Search_Click);
    connect(folder1Current_, &QPushButton::clicked, this, &ConfigWindow::AltFolder1Save_Click);
    connect(folder2Current_, &QPushButton::clicked, this, &ConfigWindow::AltFolder2Save_Click);
    // Escape leaves as "Quit" does.
    auto* escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, &ConfigWindow::QuitConfig_Click);
}

void ConfigWindow::open(const SettingsRecord& current)
{
    record_ = current;
    if (!isVisible()) {
        // The stored record takes the place of the one in memory; without a
        // readable file the record in memory stays.
        const SettingsFile::ReadResult read = file_.read();
        const bool reread = read.status == SettingsFile::Status::Good;
        if (reread)
            record_ = read.record;
        fillControls();
        if (reread)
            emit reloaded(record_);
    }
    show();
    raise();
    activateWindow();
}

void ConfigWindow::fillControls()
{
    selectRangeOption(record_.defaultRangeCode());

    fyMonth_->setText(QString::number(record_.fiscalYearStartMonth()));
    fyDay_->setText(QString::number(record_.fiscalYearStartDay()));
    // Trimmed as every box is: the ten spaces of "no password" would fill
    // the box to its length and drop whatever is typed.
    password_->setText(withoutPadding(record_.password()));
    ownerName_->setText(withoutPadding(record_.ownerName()));
    editor_->setText(withoutPadding(record_.editorProgram()));
    folder1_->setText(withoutPadding(record_.alternateFolder1()));
    folder2_->setText(withoutPadding(record_.alternateFolder2()));
    udf1Name_->setText(withoutPadding(record_.userField1Name()));
    udf2Name_->setText(withoutPadding(record_.userField2Name()));

    udf1Save_->setChecked(record_.userField1ListFlag() == 'Y');
    udf2Save_->setChecked(record_.userField2ListFlag() == 'Y');
    prompts_->setChecked(record_.confirmationFlag() == 'Y');

    const int height = folder1Current_->sizeHint().height();
    for (QPushButton* b : {editorSearch_, folder1Search_, folder2Search_})
        b->setFixedHeight(height);

    fyMonth_->setFocus();
}

void ConfigWindow::selectRangeOption(qint16 code)
{
    // An exclusive group will not let its checked button go; it is opened
    // up for a moment so that a code matching no button leaves none selected.
    rangeGroup_->setExclusive(false);
    for (QAbstractButton* button : rangeGroup_->buttons())
        button->setChecked(rangeGroup_->id(button) == code);
    rangeGroup_->setExclusive(true);
}

bool ConfigWindow::readFiscalStart(qint16& month, qint16& day)
{
    bool ok = false;
    const int m = fyMonth_->text().trimmed().toInt(&ok, 10);
    if (!ok || m < 1 || m > 12) {
        refuse(fyMonth_, QStringLiteral("FY Starts Month must be a whole number from 1 to 12."));
        return false;
    }
    const int lastDay = kDaysInMonth[m - 1];
    const int d = fyDay_->text().trimmed().toInt(&ok, 10);
    if (!ok || d < 1 || d > lastDay) {
        refuse(fyDay_, QStringLiteral("FY Starts Day must be a whole number from 1 to %1 for month %2.")
                           .arg(lastDay)
                           .arg(m));
        return false;
    }
    month = qint16(m);
    day = qint16(d);
    return true;
}

void ConfigWindow::refuse(QLineEdit* box, const QString& text)
{
    platform::messages().message({kNothingToDo,
                                  text + QStringLiteral("\n\nThe settings have not been saved."),
                                  platform::Icon::Exclamation, platform::Buttons::Ok,
                                  platform::Answer::Ok});
    box->setFocus();
    box->selectAll();
}

void ConfigWindow::SaveConfig_Click()
{
    qint16 month = 0;
    qint16 day = 0;
    if (!readFiscalStart(month, day))
        return;
    // The password is stored in the code page of the settings file; a
    // character it lacks would be stored as a stand-in, and the password
    // typed at start-up would never match it.
    const QString typed = password_->text();
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QString c = typed.mid(i, typed.at(i).isHighSurrogate() ? 2 : 1);
        if (!store::fits1252(c)) {
            refuse(password_, QStringLiteral("The password cannot hold the character \"")
                                  + c + QStringLiteral("\". Use letters, digits and signs of "
                                                       "Western European languages only."));
            return;
        }
    }

    SettingsRecord next = record_;
    // With no option selected the code stays as it was.
    for (const RangeOption& option : kRangeOptions)
        if (rangeGroup_->button(option.code)->isChecked())
            next.setDefaultRangeCode(option.code);

    next.setFiscalYearStartMonth(month);
    next.setFiscalYearStartDay(day);

    // The setters cut each text at its field's width and pad it.
    next.setPassword(withoutPadding(password_->text()));
    next.setOwnerName(withoutPadding(ownerName_->text()));
    next.setUserField1Name(withoutPadding(udf1Name_->text()));
    next.setUserField2Name(withoutPadding(udf2Name_->text()));
    next.setEditorProgram(withoutPadding(editor_->text()));
    next.setAlternateFolder1(withoutPadding(folder1_->text()));
    next.setAlternateFolder2(withoutPadding(folder2_->text()));

    next.setUserField1ListFlag(udf1Save_->isChecked() ? 'Y' : 'N');
    next.setUserField2ListFlag(udf2Save_->isChecked() ? 'Y' : 'N');
    next.setConfirmationFlag(prompts_->isChecked() ? 'Y' : 'N');

    try {
        file_.write(next);
    } catch (const store::FileError& e) {
        // The file keeps its old record; the window stays open to try again
        // or to quit.
        platform::reportException(e);
        return;
    }
    record_ = next;
    emit saved(record_);
    close();
}

void ConfigWindow::QuitConfig_Click() { close(); }

void ConfigWindow::pickFolder(QLineEdit* box)
{
    const QString full = platform::messages().file(
        {platform::FileDialog::Save, kFolderTitle, kFolderFilter, kFolderName,
         startFolder(box->text())});
    if (full.isEmpty())
        return;
    // The folder is what is left of the full name without its file-name
    // part, separator included.
    const qsizetype cut = qMax(full.lastIndexOf(QLatin1Char('/')), full.lastIndexOf(QLatin1Char('\\')));
    box->setText(full.left(cut + 1));
}

void ConfigWindow::AF1_Search_Click() { pickFolder(folder1_); }
void ConfigWindow::AF2_Search_Click() { pickFolder(folder2_); }

void ConfigWindow::Ed_Search_Click()
{
    const QString program = platform::messages().file(
        {platform::FileDialog::Save, kProgramTitle, kProgramFilter, QString(),
         startFolder(editor_->text())});
    if (!program.isEmpty())
        editor_->setText(program);
}

void ConfigWindow::AltFolder1Save_Click() { folder1_->setText(QDir::currentPath()); }
void ConfigWindow::AltFolder2Save_Click() { folder2_->setText(QDir::currentPath()); }

}  // namespace fnk::app
