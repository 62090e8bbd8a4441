#include "app/ConfigWindow.h"
#include "platform/Accessibility.h"

#include "app/Settings.h"
#include "app/Splash.h"
#include "store/FileIo.h"
#include "support/TestSupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

using fnk::app::ConfigWindow;
using fnk::app::firstRunDefaults;
using fnk::app::SettingsRecord;
using fnk::platform::FileDialog;
using fnk::platform::Icon;
using fnk::platform::ScriptedMessagePort;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

constexpr int kSize = 1274;

template <class T>
T* child(QWidget& window, const QString& name)
{
    T* w = window.findChild<T*>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

QLineEdit* box(QWidget& w, const QString& name) { return child<QLineEdit>(w, name); }

// Clicks a button where the user would: check boxes and option buttons take
// clicks on their indicator and caption only.
void click(QAbstractButton* button)
{
    QPoint at = button->rect().center();
    if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
        QStyleOptionButton opt;
        opt.initFrom(button);
        const auto element = qobject_cast<QCheckBox*>(button) ? QStyle::SE_CheckBoxIndicator
                                                               : QStyle::SE_RadioButtonIndicator;
        at = button->style()->subElementRect(element, &opt, button).center();
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

void click(QWidget& w, const QString& name) { click(child<QAbstractButton>(w, name)); }

// A stored record unlike the first-run defaults in every field the window
// shows, with patterned reserved bytes that must come through a save.  Its
// texts carry no leading spaces, so opening and saving it changes nothing.
SettingsRecord storedRecord()
{
    QByteArray bytes = firstRunDefaults().toBytes();
    for (int i : {216, 224, 226, 582, 591, 613, 774})
        for (int j = 0; j < 8; ++j)
            bytes[i + j] = char(0xA0 + i % 37 + j);
    SettingsRecord r = *SettingsRecord::fromBytes(bytes);
    r.setFiscalYearStartMonth(4);
    r.setFiscalYearStartDay(6);
    r.setDefaultRangeCode(1095);
    r.setPassword(QStringLiteral("ab"));
    r.setOwnerName(QStringLiteral("Jane Doe"));
    r.setUserField1Name(QStringLiteral("Payee"));
    r.setUserField2Name(QStringLiteral("Check No"));
    r.setUserField1ListFlag('Y');
    r.setUserField2ListFlag('N');
    r.setEditorProgram(QStringLiteral("/usr/bin/kwrite"));
    r.setAlternateFolder1(QStringLiteral("/data/one/"));
    r.setAlternateFolder2(QString());
    r.setColumnLayout(QStringLiteral("-2n1-"));
    r.setToolTipsFlag('N');
    r.setWindowWidth(12000);
    r.setConfirmationFlag('Y');
    return r;
}

// Writes `r` as fnk41.cfg and returns the bytes written.
QByteArray store(const Fixture& fx, const SettingsRecord& r)
{
    writeBytes(fx.path("fnk41.cfg"), r.toBytes());
    return readBytes(fx.path("fnk41.cfg"));
}

QByteArray cfg(const Fixture& fx) { return readBytes(fx.path("fnk41.cfg")); }

QByteArray field(const QByteArray& bytes, int offset, int width) { return bytes.mid(offset, width); }

QByteArray padded(const QByteArray& text, int width)
{
    return text.left(width) + QByteArray(qMax(0, width - int(text.size())), ' ');
}

QStringList checkedOptions(QWidget& w)
{
    QStringList names;
    for (QRadioButton* b : child<QGroupBox>(w, "InitDisplayFrame")->findChildren<QRadioButton*>())
        if (b->isChecked())
            names << b->objectName();
    return names;
}

QList<FileDialog> dialogsShown(const ScriptedMessagePort& port)
{
    QList<FileDialog> out;
    for (const auto& s : port.shown())
        if (s.kind == ScriptedMessagePort::Shown::File)
            out << s.fileDialog;
    return out;
}

// Restores the process's current folder when a test has moved it.
struct CurrentFolderGuard {
    QString saved = QDir::currentPath();
    ~CurrentFolderGuard() { QDir::setCurrent(saved); }
};

}  // namespace

class TestConfigWindow : public QObject {
    Q_OBJECT

private slots:
    void controlsCarryTheirTexts();
    void openFillsControlsFromFile();
    void openSelectsTheStoredRangeOption_data();
    void openSelectsTheStoredRangeOption();
    void openWithoutReadableFileUsesRecordInMemory_data();
    void openWithoutReadableFileUsesRecordInMemory();
    void openingAgainWhileOpenKeepsWhatWasTyped();
    void saveStoresTheControls();
    void saveWithoutChangesKeepsEveryByte();
    void textsAreCutAtTheirFieldWidth_data();
    void textsAreCutAtTheirFieldWidth();
    void saveKeepsChangesMadeInMemoryMeanwhile();
    void quitWritesNothing_data();
    void quitWritesNothing();
    void badFiscalStartIsRefused_data();
    void badFiscalStartIsRefused();
    void goodFiscalStartIsStored_data();
    void goodFiscalStartIsStored();
    void folderPickKeepsTheFolderPart_data();
    void folderPickKeepsTheFolderPart();
    void programPickFillsEditor();
    void useCurrentTakesTheCurrentFolder_data();
    void useCurrentTakesTheCurrentFolder();
    void failedWriteKeepsOldFileAndWindow();
    void passwordOutsideTheCodePageIsRefused();
    void passwordTypedIsStoredAndMasked();
    void startUpGateComparesAsStored();
};

void TestConfigWindow::controlsCarryTheirTexts()
{
    Fixture fx;
    ConfigWindow w(fx.folder());
    QCOMPARE(w.objectName(), QStringLiteral("FNK3Config"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Fennick Configuration Settings"));
    QVERIFY(w.isWindow());

    struct Box {
        const char* name;
        const char* label;
        const char* tip;
        int maxLength;  // 0: any length
    };
    const Box boxes[] = {
        {"FYMonth", "FY Starts Month ?", "First month of your fiscal year", 0},
        {"FYDay", "FY Starts Day?", "First day of your fiscal year", 0},
        {"PasswordEd", "Password", "Start-up password - Max 10 characters", 10},
        {"OwnerNameEd", "Owner Name", "Name printed in report titles - Max 40 characters", 40},
        {"UDF1NameEd", "Name For User Field 1", "Name for user-defined field #1 - Max 10 characters",
         10},
        {"UDF2NameEd", "Name For User Field 2", "Name for user-defined field #2 - Max 10 characters",
         10},
        {"EditorName", "Editor", "Leave blank to use Wordpad or Word", 80},
        {"AltFolder1Path", "Alt. Folder 1", "Save path to alternate data folder", 100},
        {"AltFolder2Path", "Alt. Folder 2", "Save path to alternate data folder", 100},
    };
    const QList<QLabel*> labels = w.findChildren<QLabel*>();
    for (const Box& b : boxes) {
        QLineEdit* e = box(w, b.name);
        QCOMPARE(e->toolTip(), QLatin1String(b.tip));
        QCOMPARE(e->maxLength(), b.maxLength > 0 ? b.maxLength : QLineEdit().maxLength());
        QStringList labelTexts;
        for (QLabel* l : labels)
            if (l->buddy() == e)
                labelTexts << l->text();
        QCOMPARE(labelTexts, QStringList{QLatin1String(b.label)});
    }

    struct Button {
        const char* name;
        const char* caption;
        const char* tip;
    };
    const Button buttons[] = {
        {"UDF1Save", "Save List Items?", "Check to save each item entered in this field"},
        {"UDF2Save", "Save List Items?", "Check to save each item entered in this field"},
        {"PromptsCheck", "Prompt for confirmation on record replace and delete", ""},
        {"Ed_Search", "...", "Choose the editor program"},
        {"AF1_Search", "...", "Choose alternate data folder 1"},
        {"AF2_Search", "...", "Choose alternate data folder 2"},
        {"AltFolder1Save", "Use Current", "Make the CURRENT folder Alternate 1"},
        {"AltFolder2Save", "Use Current", "Make the CURRENT folder Alternate 2"},
        {"SaveConfig", "Save", "Quit Settings - save any changes"},
        {"QuitConfig", "Quit", "Quit Settings without saving any changes"},
    };
    for (const Button& b : buttons) {
        QAbstractButton* button = child<QAbstractButton>(w, b.name);
        QCOMPARE(fnk::platform::withoutMarks(button->text()), QLatin1String(b.caption));
        QCOMPARE(button->toolTip(), QLatin1String(b.tip));
    }
    for (const char* name : {"UDF1Save", "UDF2Save", "PromptsCheck"})
        QVERIFY(qobject_cast<QCheckBox*>(child<QAbstractButton>(w, name)));

    // The ten option buttons, in order, in one group box and one exclusive group.
    auto* frame = child<QGroupBox>(w, "InitDisplayFrame");
    QCOMPARE(frame->title(), QStringLiteral("At Start Up Display..."));
    const QList<QRadioButton*> options = frame->findChildren<QRadioButton*>();
    const QStringList names{"SUD_FiscalYear", "SUD_30Days", "SUD_60Days", "SUD_90Days",
                            "SUD_180Days",    "SUD_1Cal",   "SUD_2Cal",   "SUD_3Cal",
                            "SUD_4Cal",       "SUD_5Cal"};
    const QStringList captions{"Full Fiscal Year", "Past 30 Days", "Past 60 Days", "Past 90 Days",
                               "Past 180 Days",    "Past 1 Year",  "Past 2 Years", "Past 3 Years",
                               "Past 4 Years",     "Past 5 Years"};
    QCOMPARE(options.size(), 10);
    QButtonGroup* group = options.first()->group();
    QVERIFY(group);
    QVERIFY(group->exclusive());
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(options[i]->objectName(), names[i]);
        QCOMPARE(fnk::platform::withoutMarks(options[i]->text()), captions[i]);
        QCOMPARE(options[i]->group(), group);
    }
}

void TestConfigWindow::openFillsControlsFromFile()
{
    Fixture fx;
    SettingsRecord stored = storedRecord();
    stored.setPassword(QStringLiteral("  ab"));
    stored.setOwnerName(QStringLiteral("  Jane Doe"));
    stored.setUserField1Name(QStringLiteral(" Payee"));
    const QByteArray before = store(fx, stored);

    // What the main window holds differs from the file; the file wins.
    SettingsRecord inMemory = firstRunDefaults();
    inMemory.setColumnLayout(QStringLiteral("-1n2-"));
    inMemory.setBoldFontsFlag('N');

    ConfigWindow w(fx.folder());
    QSignalSpy reloaded(&w, &ConfigWindow::reloaded);
    w.open(inMemory);

    QVERIFY(w.isVisible());
    QVERIFY(!w.isModal());
    QCOMPARE(reloaded.count(), 1);
    QCOMPARE(reloaded.first().first().value<SettingsRecord>(), stored);
    QCOMPARE(w.record(), stored);
    QCOMPARE(cfg(fx), before);

    QCOMPARE(checkedOptions(w), QStringList{"SUD_3Cal"});
    QCOMPARE(box(w, "FYMonth")->text(), QStringLiteral("4"));
    QCOMPARE(box(w, "FYDay")->text(), QStringLiteral("6"));
    QCOMPARE(box(w, "PasswordEd")->text(), QStringLiteral("ab"));
    QCOMPARE(box(w, "OwnerNameEd")->text(), QStringLiteral("Jane Doe"));
    QCOMPARE(box(w, "UDF1NameEd")->text(), QStringLiteral("Payee"));
    QCOMPARE(box(w, "UDF2NameEd")->text(), QStringLiteral("Check No"));
    QCOMPARE(box(w, "EditorName")->text(), QStringLiteral("/usr/bin/kwrite"));
    QCOMPARE(box(w, "AltFolder1Path")->text(), QStringLiteral("/data/one/"));
    QCOMPARE(box(w, "AltFolder2Path")->text(), QString());
    QVERIFY(child<QCheckBox>(w, "UDF1Save")->isChecked());
    QVERIFY(!child<QCheckBox>(w, "UDF2Save")->isChecked());
    QVERIFY(child<QCheckBox>(w, "PromptsCheck")->isChecked());

    const int height = child<QPushButton>(w, "AltFolder1Save")->height();
    for (const char* name : {"Ed_Search", "AF1_Search", "AF2_Search"})
        QCOMPARE(child<QPushButton>(w, name)->height(), height);

    // Flags other than "Y" leave the boxes unticked.
    w.close();
    SettingsRecord odd = stored;
    odd.setUserField1ListFlag(' ');
    odd.setUserField2ListFlag('y');
    odd.setConfirmationFlag('N');
    store(fx, odd);
    w.open(inMemory);
    QVERIFY(!child<QCheckBox>(w, "UDF1Save")->isChecked());
    QVERIFY(!child<QCheckBox>(w, "UDF2Save")->isChecked());
    QVERIFY(!child<QCheckBox>(w, "PromptsCheck")->isChecked());
}

void TestConfigWindow::openSelectsTheStoredRangeOption_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("option");  // empty: none selected
    const QList<QPair<int, QString>> rows{
        {0, "SUD_FiscalYear"}, {30, "SUD_30Days"}, {60, "SUD_60Days"},   {90, "SUD_90Days"},
        {180, "SUD_180Days"},  {365, "SUD_1Cal"},  {730, "SUD_2Cal"},    {1095, "SUD_3Cal"},
        {1460, "SUD_4Cal"},    {1825, "SUD_5Cal"}, {45, QString()},      {-1, QString()},
        {366, QString()}};
    for (const auto& [code, option] : rows)
        QTest::addRow("%d", code) << code << option;
}

void TestConfigWindow::openSelectsTheStoredRangeOption()
{
    QFETCH(int, code);
    QFETCH(QString, option);
    Fixture fx;
    SettingsRecord r = storedRecord();
    ConfigWindow w(fx.folder());

    // A choice from an earlier opening does not linger.
    r.setDefaultRangeCode(code == 730 ? 60 : 730);
    store(fx, r);
    w.open(r);
    QCOMPARE(checkedOptions(w).size(), 1);
    click(w, "QuitConfig");

    r.setDefaultRangeCode(qint16(code));
    const QByteArray before = store(fx, r);
    w.open(firstRunDefaults());
    QCOMPARE(checkedOptions(w), option.isEmpty() ? QStringList() : QStringList{option});

    // Saving leaves the code as it was, whether an option shows it or none.
    click(w, "SaveConfig");
    QVERIFY(!w.isVisible());
    QCOMPARE(cfg(fx), before);
}

void TestConfigWindow::openWithoutReadableFileUsesRecordInMemory_data()
{
    QTest::addColumn<QByteArray>("file");  // null: no file
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("short file") << QByteArray(100, 'x');
    QTest::newRow("long file") << QByteArray(kSize + 1, 'x');
}

void TestConfigWindow::openWithoutReadableFileUsesRecordInMemory()
{
    QFETCH(QByteArray, file);
    Fixture fx;
    if (!file.isNull())
        writeBytes(fx.path("fnk41.cfg"), file);

    SettingsRecord inMemory = firstRunDefaults();
    inMemory.setUserField1Name(QStringLiteral("Shop"));
    inMemory.setDefaultRangeCode(90);
    ConfigWindow w(fx.folder());
    QSignalSpy reloaded(&w, &ConfigWindow::reloaded);
    w.open(inMemory);

    QVERIFY(w.isVisible());
    QCOMPARE(reloaded.count(), 0);
    QCOMPARE(w.record(), inMemory);
    QCOMPARE(box(w, "UDF1NameEd")->text(), QStringLiteral("Shop"));
    QCOMPARE(checkedOptions(w), QStringList{"SUD_90Days"});
    // Opening does not touch the file.
    QCOMPARE(QFileInfo::exists(fx.path("fnk41.cfg")), !file.isNull());
    if (!file.isNull())
        QCOMPARE(cfg(fx), file);
    QVERIFY(fx.port.messagesShown().isEmpty());
}

void TestConfigWindow::openingAgainWhileOpenKeepsWhatWasTyped()
{
    Fixture fx;
    SettingsRecord r = storedRecord();
    store(fx, r);
    ConfigWindow w(fx.folder());
    QSignalSpy reloaded(&w, &ConfigWindow::reloaded);
    w.open(r);
    box(w, "UDF1NameEd")->setText(QStringLiteral("Typed"));

    r.setUserField1Name(QStringLiteral("Changed"));
    store(fx, r);
    w.open(r);
    QVERIFY(w.isVisible());
    QCOMPARE(box(w, "UDF1NameEd")->text(), QStringLiteral("Typed"));
    QCOMPARE(reloaded.count(), 1);
}

void TestConfigWindow::saveStoresTheControls()
{
    Fixture fx;
    const QByteArray before = store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    QSignalSpy saved(&w, &ConfigWindow::saved);
    w.open(firstRunDefaults());

    click(w, "SUD_2Cal");
    QCOMPARE(checkedOptions(w), QStringList{"SUD_2Cal"});
    click(w, "PromptsCheck");
    click(w, "UDF1Save");
    click(w, "UDF2Save");
    QVERIFY(!child<QCheckBox>(w, "PromptsCheck")->isChecked());

    box(w, "FYMonth")->setText(QStringLiteral("10"));
    box(w, "FYDay")->setText(QStringLiteral("15"));
    box(w, "PasswordEd")->setText(QStringLiteral(" pw "));
    QLineEdit* udf1 = box(w, "UDF1NameEd");
    udf1->clear();
    QTest::keyClicks(udf1, QStringLiteral("Transactions"));
    box(w, "UDF2NameEd")->setText(QStringLiteral("  Ref "));
    QLineEdit* owner = box(w, "OwnerNameEd");
    owner->clear();
    QTest::keyClicks(owner, QStringLiteral("  Jane Q. Public"));
    box(w, "EditorName")->setText(QString());
    box(w, "AltFolder2Path")->setText(QStringLiteral("/data/two/ "));

    click(w, "SaveConfig");
    QVERIFY(!w.isVisible());
    QVERIFY(fx.port.messagesShown().isEmpty());

    const QByteArray after = cfg(fx);
    QCOMPARE(after.size(), kSize);
    QCOMPARE(field(after, 0, 6), QByteArray("\x0A\x00\x0F\x00\xDA\x02", 6));
    QCOMPARE(field(after, 6, 10), padded("pw", 10));
    QCOMPARE(field(after, 234, 40), padded("Jane Q. Public", 40));
    QCOMPARE(field(after, 274, 10), QByteArray("Transactio"));
    QCOMPARE(field(after, 284, 10), padded("Ref", 10));
    QCOMPARE(field(after, 294, 2), QByteArray("NY"));
    QCOMPARE(field(after, 296, 80), padded("", 80));
    QCOMPARE(field(after, 376, 100), padded("/data/one/", 100));
    QCOMPARE(field(after, 476, 100), padded("/data/two/", 100));
    QCOMPARE(after.at(612), 'N');

    // Everything else is as it was read.
    QByteArray expected = before;
    for (const auto& [offset, width] :
         QList<QPair<int, int>>{{0, 16}, {234, 62}, {296, 280}, {612, 1}})
        expected.replace(offset, width, after.mid(offset, width));
    QCOMPARE(after, expected);

    QCOMPARE(saved.count(), 1);
    QCOMPARE(saved.first().first().value<SettingsRecord>().toBytes(), after);
    QCOMPARE(w.record().toBytes(), after);
}

void TestConfigWindow::saveWithoutChangesKeepsEveryByte()
{
    Fixture fx;
    const QByteArray before = store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    w.open(firstRunDefaults());
    click(w, "SaveConfig");
    QVERIFY(!w.isVisible());
    QCOMPARE(cfg(fx), before);
}

void TestConfigWindow::textsAreCutAtTheirFieldWidth_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    QTest::newRow("password") << "PasswordEd" << 6 << 10;
    QTest::newRow("owner") << "OwnerNameEd" << 234 << 40;
    QTest::newRow("user field 1") << "UDF1NameEd" << 274 << 10;
    QTest::newRow("user field 2") << "UDF2NameEd" << 284 << 10;
    QTest::newRow("editor") << "EditorName" << 296 << 80;
    QTest::newRow("folder 1") << "AltFolder1Path" << 376 << 100;
    QTest::newRow("folder 2") << "AltFolder2Path" << 476 << 100;
}

void TestConfigWindow::textsAreCutAtTheirFieldWidth()
{
    QFETCH(QString, name);
    QFETCH(int, offset);
    QFETCH(int, width);
    Fixture fx;
    const QByteArray before = store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    w.open(firstRunDefaults());

    QByteArray text;
    for (int i = 0; i < width + 7; ++i)
        text += char('a' + i % 26);
    box(w, name)->setText(QString::fromLatin1(text));
    click(w, "SaveConfig");

    const QByteArray after = cfg(fx);
    QCOMPARE(field(after, offset, width), text.left(width));
    QByteArray expected = before;
    expected.replace(offset, width, text.left(width));
    QCOMPARE(after, expected);
}

void TestConfigWindow::saveKeepsChangesMadeInMemoryMeanwhile()
{
    Fixture fx;
    const SettingsRecord r = storedRecord();
    store(fx, r);
    SettingsRecord program = firstRunDefaults();
    ConfigWindow w(fx.folder(), program);
    w.open(program);
    box(w, "UDF2NameEd")->setText(QStringLiteral("Memo"));

    // The main window turns tool tips on and changes the layout meanwhile.
    program.setColumnLayout(QStringLiteral("-21n-"));
    program.setToolTipsFlag('Y');
    QCOMPARE(box(w, "UDF2NameEd")->text(), QStringLiteral("Memo"));

    click(w, "SaveConfig");
    const QByteArray after = cfg(fx);
    QCOMPARE(field(after, 576, 6), QByteArray("-21n-Y"));
    QCOMPARE(field(after, 284, 10), padded("Memo", 10));
}

void TestConfigWindow::quitWritesNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Quit button") << 0;
    QTest::newRow("Escape key") << 1;
    QTest::newRow("window closed") << 2;
}

void TestConfigWindow::quitWritesNothing()
{
    QFETCH(int, how);
    Fixture fx;
    const SettingsRecord r = storedRecord();
    const QByteArray before = store(fx, r);
    ConfigWindow w(fx.folder());
    QSignalSpy saved(&w, &ConfigWindow::saved);
    w.open(firstRunDefaults());
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    click(w, "SUD_5Cal");
    click(w, "PromptsCheck");
    box(w, "FYMonth")->setText(QStringLiteral("13"));
    box(w, "UDF1NameEd")->setText(QStringLiteral("Other"));
    box(w, "OwnerNameEd")->setText(QStringLiteral("Someone"));

    switch (how) {
    case 0: click(w, "QuitConfig"); break;
    case 1: QTest::keyClick(box(w, "UDF1NameEd"), Qt::Key_Escape); break;
    default: w.close(); break;
    }
    QVERIFY(!w.isVisible());
    QCOMPARE(cfg(fx), before);
    QCOMPARE(saved.count(), 0);
    QCOMPARE(w.record(), r);  // what was read stays
    QVERIFY(fx.port.messagesShown().isEmpty());
}

void TestConfigWindow::badFiscalStartIsRefused_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("says");
    const QString m = "FY Starts Month must be a whole number from 1 to 12";
    QTest::newRow("month 13") << "13" << "1" << "FYMonth" << m;
    QTest::newRow("month 0") << "0" << "1" << "FYMonth" << m;
    QTest::newRow("month -1") << "-1" << "1" << "FYMonth" << m;
    QTest::newRow("month abc") << "abc" << "1" << "FYMonth" << m;
    QTest::newRow("month empty") << "" << "1" << "FYMonth" << m;
    QTest::newRow("month 1.5") << "1.5" << "1" << "FYMonth" << m;
    QTest::newRow("month too big for 16 bits") << "65537" << "1" << "FYMonth" << m;
    QTest::newRow("day abc") << "1" << "abc" << "FYDay"
                             << "FY Starts Day must be a whole number from 1 to 31 for month 1";
    QTest::newRow("day 30 of February") << "2" << "30" << "FYDay"
                                        << "FY Starts Day must be a whole number from 1 to 29 for "
                                           "month 2";
    QTest::newRow("day 31 of April") << "4" << "31" << "FYDay" << "from 1 to 30 for month 4";
    QTest::newRow("day 32") << "12" << "32" << "FYDay" << "from 1 to 31 for month 12";
    QTest::newRow("day 0") << "3" << "0" << "FYDay" << "from 1 to 31 for month 3";
    QTest::newRow("day empty") << "3" << "" << "FYDay" << "from 1 to 31 for month 3";
    QTest::newRow("both bad") << "x" << "y" << "FYMonth" << m;
}

void TestConfigWindow::badFiscalStartIsRefused()
{
    QFETCH(QString, month);
    QFETCH(QString, day);
    QFETCH(QString, box);
    QFETCH(QString, says);
    Fixture fx;
    const QByteArray before = store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    QSignalSpy saved(&w, &ConfigWindow::saved);
    w.open(firstRunDefaults());

    click(w, "SUD_2Cal");
    ::box(w, "FYMonth")->clear();
    QTest::keyClicks(::box(w, "FYMonth"), month);
    ::box(w, "FYDay")->clear();
    QTest::keyClicks(::box(w, "FYDay"), day);
    click(w, "SaveConfig");

    const auto shown = fx.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Nothing to do!"));
    QVERIFY(shown[0].icon == Icon::Exclamation || shown[0].icon == Icon::Information);
    QVERIFY2(shown[0].text.contains(says), qPrintable(shown[0].text));
    QVERIFY(w.isVisible());
    QCOMPARE(cfg(fx), before);
    QCOMPARE(saved.count(), 0);
    QCOMPARE(w.record().defaultRangeCode(), qint16(1095));
    // What was typed stays for the user to put right.
    QCOMPARE(::box(w, box)->text(), box == "FYMonth" ? month : day);
}

void TestConfigWindow::goodFiscalStartIsStored_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("29 February") << "2" << "29" << QByteArray("\x02\x00\x1D\x00", 4);
    QTest::newRow("31 December") << "12" << "31" << QByteArray("\x0C\x00\x1F\x00", 4);
    QTest::newRow("30 April, leading zero") << "04" << "30" << QByteArray("\x04\x00\x1E\x00", 4);
    QTest::newRow("spaces around") << " 1 " << " 1" << QByteArray("\x01\x00\x01\x00", 4);
}

void TestConfigWindow::goodFiscalStartIsStored()
{
    QFETCH(QString, month);
    QFETCH(QString, day);
    QFETCH(QByteArray, stored);
    Fixture fx;
    store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    w.open(firstRunDefaults());
    box(w, "FYMonth")->setText(month);
    box(w, "FYDay")->setText(day);
    click(w, "SaveConfig");
    QVERIFY(fx.port.messagesShown().isEmpty());
    QVERIFY(!w.isVisible());
    QCOMPARE(field(cfg(fx), 0, 4), stored);
}

void TestConfigWindow::folderPickKeepsTheFolderPart_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("offset");
    QTest::newRow("folder 1") << "AF1_Search" << "AltFolder1Path" << 376;
    QTest::newRow("folder 2") << "AF2_Search" << "AltFolder2Path" << 476;
}

void TestConfigWindow::folderPickKeepsTheFolderPart()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(int, offset);
    Fixture fx;
    store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    w.open(firstRunDefaults());
    QLineEdit* path = ::box(w, box);
    path->setText(fx.folder());

    fx.port.queueFile(QStringLiteral("/data/home/(select a folder)"));
    click(w, button);
    QCOMPARE(path->text(), QStringLiteral("/data/home/"));

    const QList<FileDialog> dialogs = dialogsShown(fx.port);
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs[0].kind, FileDialog::Save);
    QCOMPARE(dialogs[0].title, QStringLiteral("Select a folder..."));
    QCOMPARE(dialogs[0].filter, QStringLiteral("Folders|.|"));
    QCOMPARE(dialogs[0].initialName, QStringLiteral("(select a folder)"));
    // It starts in the folder the box named.
    QCOMPARE(dialogs[0].folder, fx.dir.path());

    // Cancelled: nothing changes.
    fx.port.queueFile(QString());
    click(w, button);
    QCOMPARE(dialogsShown(fx.port).size(), 2);
    QCOMPARE(path->text(), QStringLiteral("/data/home/"));

    fx.port.queueFile(QStringLiteral("/(select a folder)"));
    click(w, button);
    QCOMPARE(path->text(), QStringLiteral("/"));
    fx.port.queueFile(QStringLiteral("/srv/money/ledger 2/(select a folder)"));
    click(w, button);
    QCOMPARE(path->text(), QStringLiteral("/srv/money/ledger 2/"));
    QCOMPARE(fx.port.pendingAnswers(), 0);

    click(w, "SaveConfig");
    QCOMPARE(field(cfg(fx), offset, 100), padded("/srv/money/ledger 2/", 100));
}

void TestConfigWindow::programPickFillsEditor()
{
    Fixture fx;
    store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    w.open(firstRunDefaults());
    QLineEdit* editor = box(w, "EditorName");

    fx.port.queueFile(QStringLiteral("/opt/office/bin/writer"));
    click(w, "Ed_Search");
    QCOMPARE(editor->text(), QStringLiteral("/opt/office/bin/writer"));
    const QList<FileDialog> dialogs = dialogsShown(fx.port);
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs[0].kind, FileDialog::Save);
    QCOMPARE(dialogs[0].title, QStringLiteral("Select a program..."));
    QCOMPARE(dialogs[0].initialName, QString());
#ifdef Q_OS_WIN
    QCOMPARE(dialogs[0].filter, QStringLiteral("Programs|*.exe|"));
#else
    QCOMPARE(dialogs[0].filter, QStringLiteral("Programs|*|"));
#endif

    fx.port.queueFile(QString());
    click(w, "Ed_Search");
    QCOMPARE(editor->text(), QStringLiteral("/opt/office/bin/writer"));

    click(w, "SaveConfig");
    QCOMPARE(field(cfg(fx), 296, 80), padded("/opt/office/bin/writer", 80));
}

void TestConfigWindow::useCurrentTakesTheCurrentFolder_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("root");
    QTest::newRow("folder 1") << "AltFolder1Save" << "AltFolder1Path" << false;
    QTest::newRow("folder 2") << "AltFolder2Save" << "AltFolder2Path" << false;
    QTest::newRow("folder 1, root") << "AltFolder1Save" << "AltFolder1Path" << true;
}

void TestConfigWindow::useCurrentTakesTheCurrentFolder()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(bool, root);
    Fixture fx;
    CurrentFolderGuard guard;
    store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    w.open(firstRunDefaults());

    QVERIFY(QDir(fx.folder()).mkdir(QStringLiteral("Sub Folder")));
    const QString target = root ? QStringLiteral("/") : fx.path("Sub Folder");
    QVERIFY(QDir::setCurrent(target));
    const QString expected = root ? QStringLiteral("/") : QFileInfo(target).canonicalFilePath();

    click(w, button);
    QCOMPARE(::box(w, box)->text(), expected);
    QVERIFY(root || !::box(w, box)->text().endsWith(QLatin1Char('/')));
    QVERIFY(dialogsShown(fx.port).isEmpty());
}

void TestConfigWindow::failedWriteKeepsOldFileAndWindow()
{
    Fixture fx;
    const QByteArray before = store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    QSignalSpy saved(&w, &ConfigWindow::saved);
    w.open(firstRunDefaults());
    box(w, "UDF1NameEd")->setText(QStringLiteral("New Name"));

    fnk::store::testing::failWritesAfter(0);
    click(w, "SaveConfig");
    const auto shown = fx.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Error - operation aborted"));
    QCOMPARE(shown[0].icon, Icon::Critical);
    QVERIFY(shown[0].text.contains(QStringLiteral("Error number: ")));
    QCOMPARE(cfg(fx), before);
    QVERIFY(w.isVisible());
    QCOMPARE(saved.count(), 0);
    QCOMPARE(w.record().toBytes(), before);
    QCOMPARE(box(w, "UDF1NameEd")->text(), QStringLiteral("New Name"));

    // Once the disk is back, "Save" works.
    fnk::store::testing::reset();
    click(w, "SaveConfig");
    QVERIFY(!w.isVisible());
    QCOMPARE(saved.count(), 1);
    QCOMPARE(field(cfg(fx), 274, 10), padded("New Name", 10));
}

void TestConfigWindow::passwordOutsideTheCodePageIsRefused()
{
    Fixture fx;
    const QByteArray before = store(fx, storedRecord());
    ConfigWindow w(fx.folder());
    QSignalSpy saved(&w, &ConfigWindow::saved);
    w.open(firstRunDefaults());
    box(w, "PasswordEd")->setText(QStringLiteral("пароль"));
    click(w, "SaveConfig");

    const auto shown = fx.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, Icon::Exclamation);
    QVERIFY2(shown[0].text.contains(QStringLiteral("\"п\"")), qPrintable(shown[0].text));
    QVERIFY(shown[0].text.contains(QStringLiteral("The settings have not been saved.")));
    QCOMPARE(cfg(fx), before);
    QCOMPARE(saved.count(), 0);
    QVERIFY(w.isVisible());

    // Letters of the code page, the euro sign among them, are stored as typed.
    fx.port.clear();
    box(w, "PasswordEd")->setText(QStringLiteral("Grüße€"));
    click(w, "SaveConfig");
    QVERIFY(fx.port.messagesShown().isEmpty());
    QCOMPARE(saved.count(), 1);
    QCOMPARE(field(cfg(fx), 6, 10), padded("Gr\xFC\xDF" "e\x80", 10));
}

void TestConfigWindow::passwordTypedIsStoredAndMasked()
{
    // A first run stores no password: ten spaces.  What the user types into
    // the box is kept, and the next start asks for it.
    Fixture fx;
    store(fx, firstRunDefaults());
    ConfigWindow w(fx.folder());
    w.open(firstRunDefaults());
    QLineEdit* password = box(w, "PasswordEd");
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QVERIFY(password->text().isEmpty());
    QTest::keyClicks(password, QStringLiteral("s3cret"));
    QCOMPARE(password->text(), QStringLiteral("s3cret"));
    click(w, "SaveConfig");
    QVERIFY(!w.isVisible());
    QCOMPARE(field(cfg(fx), 6, 10), padded("s3cret", 10));

    w.open(firstRunDefaults());
    QCOMPARE(password->text(), QStringLiteral("s3cret"));

    const auto stored = fnk::app::SettingsFile(fx.folder()).read();
    QVERIFY(stored.record.hasPassword());
    fnk::app::Splash gate(stored.record.password());
    QCOMPARE(gate.passwordBox()->echoMode(), QLineEdit::Password);
    QSignalSpy passed(&gate, &fnk::app::Splash::passed);
    QTest::keyClicks(gate.passwordBox(), QStringLiteral("s3cret"));
    click(gate, "Command1");
    QCOMPARE(passed.count(), 1);
}

void TestConfigWindow::startUpGateComparesAsStored()
{
    Fixture fx;
    // A file written before such passwords were refused holds stand-ins.
    SettingsRecord r = firstRunDefaults();
    r.setPassword(QStringLiteral("пароль"));
    QCOMPARE(field(r.toBytes(), 6, 10), padded("??????", 10));

    fnk::app::Splash gate(r.password());
    QSignalSpy passed(&gate, &fnk::app::Splash::passed);
    gate.passwordBox()->setText(QStringLiteral("wrong"));
    click(gate, "Command1");
    QCOMPARE(passed.count(), 0);
    QCOMPARE(gate.attempts(), 1);
    gate.passwordBox()->setText(QStringLiteral("пароль"));
    click(gate, "Command1");
    QCOMPARE(passed.count(), 1);
    QCOMPARE(gate.attempts(), 1);

    // A password typed longer than its field matches what the field kept.
    r.setPassword(QStringLiteral("Straße€123456"));
    fnk::app::Splash longer(r.password());
    QSignalSpy longPassed(&longer, &fnk::app::Splash::passed);
    longer.passwordBox()->setText(QStringLiteral("Straße€123456"));
    click(longer, "Command1");
    QCOMPARE(longPassed.count(), 1);
    QCOMPARE(longer.attempts(), 0);
}

QTEST_MAIN(TestConfigWindow)
#include "test_config_window.moc"
