#include "app/Settings.h"

#include "store/FileIo.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <climits>
#include <unistd.h>
#include <functional>

using fnk::app::firstRunDefaults;
using fnk::app::loadOrCreate;
using fnk::app::SettingsFile;
using fnk::app::SettingsRecord;
using fnk::platform::Buttons;
using fnk::platform::Icon;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

constexpr int kSize = 1274;

// The byte image of a new settings file, laid out by hand from the record
// layout rather than through the accessors.
QByteArray expectedNewFile()
{
    QByteArray b(kSize, '\0');
    auto put = [&b](int offset, const QByteArray& bytes) { b.replace(offset, bytes.size(), bytes); };
    put(0, QByteArray("\x01\x00\x01\x00\x00\x00", 6));  // month 1, day 1, range 0
    put(6, QByteArray(10, ' '));                         // no password
    put(16, QByteArray(200, ' '));                       // the two blank reserved areas
    put(234, QByteArray(40, ' '));                       // owner name
    put(274, "user 1    user 2    YY");
    put(296, QByteArray(280, ' '));                      // editor and both folders
    put(576, "-n12-Y");
    put(582, QByteArray(8, ' '));
    put(590, " ");                                       // bold fonts
    put(592, "50   50   6030 9135 Y");
    return b;
}

// Every byte different from its neighbours and from the texts the tests
// store, so a byte written in the wrong place shows.
QByteArray patternBytes()
{
    QByteArray b(kSize, '\0');
    for (int i = 0; i < kSize; ++i)
        b[i] = char(0x80 + (i * 7) % 0x7F);
    return b;
}

struct Range {
    int offset;
    int width;
};

// Offsets of the bytes no accessor names.
const QList<Range> kReserved = {{16, 100}, {116, 100}, {216, 8}, {224, 2}, {226, 8},
                                {582, 8},  {591, 1},   {613, 161}, {774, 500}};

using TextSetter = std::function<void(SettingsRecord&, const QString&)>;
using TextGetter = std::function<QString(const SettingsRecord&)>;

struct TextField {
    int offset;
    int width;
    TextSetter set;
    TextGetter get;
};

TextField textField(const QString& name)
{
    using R = SettingsRecord;
    if (name == "password")
        return {6, 10, &R::setPassword, &R::password};
    if (name == "owner")
        return {234, 40, &R::setOwnerName, &R::ownerName};
    if (name == "user1")
        return {274, 10, &R::setUserField1Name, &R::userField1Name};
    if (name == "user2")
        return {284, 10, &R::setUserField2Name, &R::userField2Name};
    if (name == "editor")
        return {296, 80, &R::setEditorProgram, &R::editorProgram};
    if (name == "folder1")
        return {376, 100, &R::setAlternateFolder1, &R::alternateFolder1};
    if (name == "folder2")
        return {476, 100, &R::setAlternateFolder2, &R::alternateFolder2};
    if (name == "layout")
        return {576, 5, &R::setColumnLayout, &R::columnLayout};
    qFatal("unknown field");
}

SettingsRecord recordOf(const QByteArray& bytes)
{
    const auto r = SettingsRecord::fromBytes(bytes);
    if (!r)
        qFatal("record of the wrong size");
    return *r;
}

QByteArray slice(const QByteArray& b, int offset, int width) { return b.mid(offset, width); }

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void newFolderGetsFirstRunDefaults_data();
    void newFolderGetsFirstRunDefaults();
    void storedFileIsReadAsItIs();
    void readsEveryFieldFromItsOffset();
    void numbersAreLittleEndian16Bit_data();
    void numbersAreLittleEndian16Bit();
    void textFieldsAreCutAndPadded_data();
    void textFieldsAreCutAndPadded();
    void userFieldNameKeepsItsFirstTenCharacters();
    void textIsStoredInWindows1252();
    void flagsMeanWhatTheyStore_data();
    void flagsMeanWhatTheyStore();
    void flagSettersStoreYesNoAndBlank();
    void geometryTextIsRead_data();
    void geometryTextIsRead();
    void geometryIsWritten_data();
    void geometryIsWritten();
    void reservedBytesSurviveReadAndWrite();
    void damagedFileIsKeptAndDefaultsUsed_data();
    void damagedFileIsKeptAndDefaultsUsed();
    void unreadableFileIsHeldBack_data();
    void unreadableFileIsHeldBack();
    void damagedFileThatCannotBeMovedIsLeftAlone();
    void failedWriteLeavesOldFile();
    void failedFirstRunWriteIsReported();
};

void TestSettings::newFolderGetsFirstRunDefaults_data()
{
    QTest::addColumn<bool>("emptyFileExists");
    QTest::newRow("no file") << false;
    QTest::newRow("empty file") << true;
}

void TestSettings::newFolderGetsFirstRunDefaults()
{
    QFETCH(bool, emptyFileExists);
    Fixture fx;
    if (emptyFileExists)
        writeBytes(fx.path("fnk41.cfg"), QByteArray());

    // The folder without its trailing separator must do as well.
    const auto loaded = loadOrCreate(fx.dir.path(), fx.port);
    QVERIFY(loaded.firstRun);
    QVERIFY(!loaded.damaged);
    QVERIFY(!loaded.writeError.has_value());
    QVERIFY(fx.port.messagesShown().isEmpty());

    const QByteArray file = readBytes(fx.path("fnk41.cfg"));
    QCOMPARE(file.size(), kSize);
    QCOMPARE(slice(file, 576, 5), QByteArray("-n12-"));
    QCOMPARE(file.at(612), 'Y');
    QCOMPARE(file.at(581), 'Y');
    QCOMPARE(file, expectedNewFile());
    QCOMPARE(loaded.record.toBytes(), file);
    QCOMPARE(firstRunDefaults().toBytes(), expectedNewFile());
    QVERIFY(!QFileInfo::exists(fx.path("fnk41.tmp")));
    QVERIFY(!QFileInfo::exists(fx.path("fnk41.cfg.bad")));

    // The file just written is a good one the next time.
    const auto again = loadOrCreate(fx.folder(), fx.port);
    QVERIFY(!again.firstRun);
    QVERIFY(!again.damaged);
    QCOMPARE(again.record, loaded.record);
    QVERIFY(fx.port.messagesShown().isEmpty());
}

void TestSettings::storedFileIsReadAsItIs()
{
    Fixture fx;
    SettingsRecord stored = firstRunDefaults();
    stored.setPassword(QStringLiteral("secret"));
    stored.setDefaultRangeCode(90);
    writeBytes(fx.path("fnk41.cfg"), stored.toBytes());

    const SettingsFile::ReadResult read = SettingsFile(fx.folder()).read();
    QCOMPARE(read.status, SettingsFile::Status::Good);
    QCOMPARE(read.record, stored);

    const auto loaded = loadOrCreate(fx.folder(), fx.port);
    QVERIFY(!loaded.firstRun);
    QVERIFY(!loaded.damaged);
    QCOMPARE(loaded.record, stored);
    QVERIFY(loaded.record.hasPassword());
    QCOMPARE(readBytes(fx.path("fnk41.cfg")), stored.toBytes());
    QVERIFY(fx.port.messagesShown().isEmpty());
}

void TestSettings::readsEveryFieldFromItsOffset()
{
    QByteArray b = patternBytes();
    auto put = [&b](int offset, const QByteArray& bytes) { b.replace(offset, bytes.size(), bytes); };
    put(0, QByteArray("\x04\x00\x06\x00\x6D\x01", 6));  // April, 6th, 365 days
    put(6, "  pass    ");
    put(234, QByteArray("Ada Lovelace").leftJustified(40, ' '));
    put(274, "Account   Payee     NY");
    put(296, QByteArray("/usr/bin/editor").leftJustified(80, ' '));
    put(376, QByteArray("/home/ada/books/").leftJustified(100, ' '));
    put(476, QByteArray("/mnt/old/").leftJustified(100, ' '));
    put(576, "-21n-N");
    put(590, "N");
    put(592, "-15  30   4500 8000 N");

    const SettingsRecord r = recordOf(b);
    QCOMPARE(r.fiscalYearStartMonth(), qint16(4));
    QCOMPARE(r.fiscalYearStartDay(), qint16(6));
    QCOMPARE(r.defaultRangeCode(), qint16(365));
    QCOMPARE(r.password(), QStringLiteral("  pass    "));
    QVERIFY(r.hasPassword());
    QCOMPARE(r.ownerName().trimmed(), QStringLiteral("Ada Lovelace"));
    QCOMPARE(r.ownerName().size(), 40);
    QCOMPARE(r.userField1Name(), QStringLiteral("Account   "));
    QCOMPARE(r.userField2Name(), QStringLiteral("Payee     "));
    QCOMPARE(r.userField1ListFlag(), 'N');
    QCOMPARE(r.userField2ListFlag(), 'Y');
    QCOMPARE(r.editorProgram().trimmed(), QStringLiteral("/usr/bin/editor"));
    QCOMPARE(r.alternateFolder1().trimmed(), QStringLiteral("/home/ada/books/"));
    QCOMPARE(r.alternateFolder2().trimmed(), QStringLiteral("/mnt/old/"));
    QCOMPARE(r.columnLayout(), QStringLiteral("-21n-"));
    QVERIFY(!r.toolTipsShown());
    QVERIFY(!r.boldFonts());
    QCOMPARE(r.windowTop(), -15);
    QCOMPARE(r.windowLeft(), 30);
    QCOMPARE(r.windowHeight(), 4500);
    QCOMPARE(r.windowWidth(), 8000);
    QVERIFY(!r.confirmsReplaceAndDelete());

    put(6, QByteArray(10, ' '));
    QVERIFY(!recordOf(b).hasPassword());
}

void TestSettings::numbersAreLittleEndian16Bit_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("range 2 years") << 4 << 730 << QByteArray("\xDA\x02", 2);
    QTest::newRow("range 5 years") << 4 << 1825 << QByteArray("\x21\x07", 2);
    QTest::newRow("range fiscal year") << 4 << 0 << QByteArray("\x00\x00", 2);
    QTest::newRow("month 12") << 0 << 12 << QByteArray("\x0C\x00", 2);
    QTest::newRow("day 31") << 2 << 31 << QByteArray("\x1F\x00", 2);
    QTest::newRow("negative day") << 2 << -2 << QByteArray("\xFE\xFF", 2);
    QTest::newRow("largest month") << 0 << 32767 << QByteArray("\xFF\x7F", 2);
}

void TestSettings::numbersAreLittleEndian16Bit()
{
    QFETCH(int, offset);
    QFETCH(int, value);
    QFETCH(QByteArray, stored);
    Fixture fx;

    SettingsRecord r = firstRunDefaults();
    const qint16 v = qint16(value);
    if (offset == 0)
        r.setFiscalYearStartMonth(v);
    else if (offset == 2)
        r.setFiscalYearStartDay(v);
    else
        r.setDefaultRangeCode(v);

    const SettingsFile file(fx.folder());
    file.write(r);
    const QByteArray onDisk = readBytes(file.path());
    QCOMPARE(onDisk.size(), kSize);
    QCOMPARE(slice(onDisk, offset, 2), stored);
    // Nothing else moved.
    QByteArray expected = expectedNewFile();
    expected.replace(offset, 2, stored);
    QCOMPARE(onDisk, expected);

    const SettingsRecord back = file.read().record;
    const qint16 read = offset == 0   ? back.fiscalYearStartMonth()
                        : offset == 2 ? back.fiscalYearStartDay()
                                      : back.defaultRangeCode();
    QCOMPARE(read, v);
}

void TestSettings::textFieldsAreCutAndPadded_data()
{
    QTest::addColumn<QString>("field");
    for (const char* f :
         {"password", "owner", "user1", "user2", "editor", "folder1", "folder2", "layout"})
        QTest::newRow(f) << QString::fromLatin1(f);
}

void TestSettings::textFieldsAreCutAndPadded()
{
    QFETCH(QString, field);
    const TextField tf = textField(field);
    const QByteArray pattern = patternBytes();

    // Longer than the field: only the first `width` characters are kept and
    // the neighbouring fields are untouched.
    QString longText;
    for (int i = 0; i < tf.width + 7; ++i)
        longText += QChar(u'A' + i % 26);
    SettingsRecord r = recordOf(pattern);
    tf.set(r, longText);
    QByteArray expected = pattern;
    expected.replace(tf.offset, tf.width, longText.left(tf.width).toLatin1());
    QCOMPARE(r.toBytes(), expected);
    QCOMPARE(tf.get(r), longText.left(tf.width));

    // Shorter: padded on the right with spaces.
    tf.set(r, QStringLiteral("ab"));
    expected.replace(tf.offset, tf.width, QByteArray("ab").leftJustified(tf.width, ' '));
    QCOMPARE(r.toBytes(), expected);
    QCOMPARE(tf.get(r), QStringLiteral("ab").leftJustified(tf.width, u' '));

    // Empty: all spaces.
    tf.set(r, QString());
    expected.replace(tf.offset, tf.width, QByteArray(tf.width, ' '));
    QCOMPARE(r.toBytes(), expected);
}

void TestSettings::userFieldNameKeepsItsFirstTenCharacters()
{
    Fixture fx;
    SettingsRecord r = firstRunDefaults();
    r.setUserField1Name(QStringLiteral("Bank account"));
    r.setUserField2Name(QStringLiteral("Reference number"));
    const SettingsFile file(fx.folder());
    file.write(r);

    const QByteArray onDisk = readBytes(file.path());
    QCOMPARE(slice(onDisk, 274, 10), QByteArray("Bank accou"));
    QCOMPARE(slice(onDisk, 284, 10), QByteArray("Reference "));
    QCOMPARE(onDisk.at(294), 'Y');  // the list flag after the names is untouched
    QCOMPARE(file.read().record.userField1Name(), QStringLiteral("Bank accou"));
}

void TestSettings::textIsStoredInWindows1252()
{
    SettingsRecord r = firstRunDefaults();
    r.setOwnerName(QStringLiteral(u"Zoë’s €"));
    QCOMPARE(slice(r.toBytes(), 234, 8), QByteArray("Zo\xEB\x92s \x80 "));
    QCOMPARE(r.ownerName().trimmed(), QStringLiteral(u"Zoë’s €"));
}

void TestSettings::flagsMeanWhatTheyStore_data()
{
    QTest::addColumn<char>("flag");
    QTest::addColumn<bool>("keepsPickList");
    QTest::addColumn<bool>("freeText");
    QTest::addColumn<bool>("shownOrBoldOrAsks");  // tool tips, bold fonts, confirmation
    QTest::newRow("Y") << 'Y' << true << false << true;
    QTest::newRow("N") << 'N' << false << true << false;
    QTest::newRow("blank") << ' ' << false << false << true;
    QTest::newRow("zero byte") << '\0' << false << false << true;
    QTest::newRow("lower-case n") << 'n' << false << false << true;
}

void TestSettings::flagsMeanWhatTheyStore()
{
    QFETCH(char, flag);
    QFETCH(bool, keepsPickList);
    QFETCH(bool, freeText);
    QFETCH(bool, shownOrBoldOrAsks);

    // Each flag alone at its offset; the others hold the opposite meaning.
    const char other = flag == 'N' ? 'Y' : 'N';
    for (int offset : {294, 295, 581, 590, 612}) {
        QByteArray b = patternBytes();
        for (int o : {294, 295, 581, 590, 612})
            b[o] = other;
        b[offset] = flag;
        const SettingsRecord r = recordOf(b);
        const QByteArray at = "offset " + QByteArray::number(offset);
        QVERIFY2(r.userField1KeepsPickList() == (offset == 294 ? keepsPickList : other == 'Y'), at);
        QVERIFY2(r.userField1IsFreeText() == (offset == 294 ? freeText : other == 'N'), at);
        QVERIFY2(r.userField2KeepsPickList() == (offset == 295 ? keepsPickList : other == 'Y'), at);
        QVERIFY2(r.userField2IsFreeText() == (offset == 295 ? freeText : other == 'N'), at);
        QVERIFY2(r.toolTipsShown() == (offset == 581 ? shownOrBoldOrAsks : other != 'N'), at);
        QVERIFY2(r.boldFonts() == (offset == 590 ? shownOrBoldOrAsks : other != 'N'), at);
        QVERIFY2(r.confirmsReplaceAndDelete() == (offset == 612 ? shownOrBoldOrAsks : other != 'N'),
                 at);
    }
}

void TestSettings::flagSettersStoreYesNoAndBlank()
{
    const QByteArray pattern = patternBytes();
    SettingsRecord r = recordOf(pattern);
    r.setToolTipsShown(false);
    r.setBoldFonts(false);
    r.setConfirmsReplaceAndDelete(false);
    r.setUserField1ListFlag('N');
    r.setUserField2ListFlag('Y');
    QByteArray expected = pattern;
    expected[581] = 'N';
    expected[590] = 'N';
    expected[612] = 'N';
    expected[294] = 'N';
    expected[295] = 'Y';
    QCOMPARE(r.toBytes(), expected);

    r.setToolTipsShown(true);
    r.setBoldFonts(true);
    r.setConfirmsReplaceAndDelete(true);
    expected[581] = 'Y';
    expected[590] = ' ';
    expected[612] = 'Y';
    QCOMPARE(r.toBytes(), expected);
}

void TestSettings::geometryTextIsRead_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("default top") << QByteArray("50   ") << 50;
    QTest::newRow("default width") << QByteArray("9135 ") << 9135;
    QTest::newRow("five digits") << QByteArray("99999") << 99999;
    QTest::newRow("negative") << QByteArray("-120 ") << -120;
    QTest::newRow("most negative") << QByteArray("-9999") << -9999;
    QTest::newRow("plus sign") << QByteArray("+15  ") << 15;
    QTest::newRow("leading spaces") << QByteArray("  75 ") << 75;
    QTest::newRow("right-aligned") << QByteArray(" 6030") << 6030;
    QTest::newRow("number then letters") << QByteArray("12ab ") << 12;
    QTest::newRow("number then space then digits") << QByteArray("1 234") << 1;
    QTest::newRow("letters") << QByteArray("abc  ") << 0;
    QTest::newRow("letters then number") << QByteArray("x500 ") << 0;
    QTest::newRow("minus alone") << QByteArray("-    ") << 0;
    QTest::newRow("blank") << QByteArray("     ") << 0;
    QTest::newRow("zero bytes") << QByteArray(5, '\0') << 0;
}

void TestSettings::geometryTextIsRead()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(SettingsRecord::geometryValue(text.constData()), value);

    // The same text in each of the four fields.
    QByteArray b = expectedNewFile();
    for (int offset : {592, 597, 602, 607})
        b.replace(offset, 5, text);
    const SettingsRecord r = recordOf(b);
    QCOMPARE(r.windowTop(), value);
    QCOMPARE(r.windowLeft(), value);
    QCOMPARE(r.windowHeight(), value);
    QCOMPARE(r.windowWidth(), value);
}

void TestSettings::geometryIsWritten_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("zero") << 0 << QByteArray("0    ");
    QTest::newRow("default top") << 50 << QByteArray("50   ");
    QTest::newRow("default height") << 6030 << QByteArray("6030 ");
    QTest::newRow("five digits") << 12345 << QByteArray("12345");
    QTest::newRow("negative") << -120 << QByteArray("-120 ");
    QTest::newRow("most negative that fits") << -9999 << QByteArray("-9999");
    QTest::newRow("too large") << 100000 << QByteArray("99999");
    QTest::newRow("too negative") << -10000 << QByteArray("-9999");
    QTest::newRow("int max") << INT_MAX << QByteArray("99999");
    QTest::newRow("int min") << INT_MIN << QByteArray("-9999");
}

void TestSettings::geometryIsWritten()
{
    QFETCH(int, value);
    QFETCH(QByteArray, text);
    using Setter = void (SettingsRecord::*)(int);
    const struct {
        int offset;
        Setter set;
    } fields[] = {{592, &SettingsRecord::setWindowTop},
                  {597, &SettingsRecord::setWindowLeft},
                  {602, &SettingsRecord::setWindowHeight},
                  {607, &SettingsRecord::setWindowWidth}};

    for (const auto& f : fields) {
        const QByteArray pattern = patternBytes();
        SettingsRecord r = recordOf(pattern);
        (r.*f.set)(value);
        QByteArray expected = pattern;
        expected.replace(f.offset, 5, text);
        QCOMPARE(r.toBytes(), expected);
        // What is written reads back as the value, brought into range.
        QCOMPARE(SettingsRecord::geometryValue(r.data() + f.offset),
                 std::clamp(value, SettingsRecord::kGeometryMin, SettingsRecord::kGeometryMax));
    }
}

void TestSettings::reservedBytesSurviveReadAndWrite()
{
    Fixture fx;
    const QByteArray pattern = patternBytes();
    writeBytes(fx.path("fnk41.cfg"), pattern);

    // A plain read and write gives back the file byte for byte.
    const auto loaded = loadOrCreate(fx.folder(), fx.port);
    QVERIFY(!loaded.firstRun);
    QVERIFY(!loaded.damaged);
    QCOMPARE(loaded.record.toBytes(), pattern);
    const SettingsFile file(fx.folder());
    file.write(loaded.record);
    QCOMPARE(readBytes(fx.path("fnk41.cfg")), pattern);

    // Changing every named field leaves every reserved byte as it was.
    SettingsRecord r = loaded.record;
    r.setFiscalYearStartMonth(7);
    r.setFiscalYearStartDay(15);
    r.setDefaultRangeCode(1095);
    r.setPassword(QStringLiteral("pw"));
    r.setOwnerName(QStringLiteral("Owner"));
    r.setUserField1Name(QStringLiteral("One"));
    r.setUserField2Name(QStringLiteral("Two"));
    r.setUserField1ListFlag('N');
    r.setUserField2ListFlag('N');
    r.setEditorProgram(QStringLiteral("/bin/ed"));
    r.setAlternateFolder1(QStringLiteral("/a/"));
    r.setAlternateFolder2(QStringLiteral("/b/"));
    r.setColumnLayout(QStringLiteral("--n12"));
    r.setToolTipsShown(false);
    r.setBoldFonts(false);
    r.setWindowTop(-30);
    r.setWindowLeft(-45);
    r.setWindowHeight(7000);
    r.setWindowWidth(11000);
    r.setConfirmsReplaceAndDelete(false);
    file.write(r);

    const QByteArray onDisk = readBytes(fx.path("fnk41.cfg"));
    QCOMPARE(onDisk.size(), kSize);
    int reservedCount = 0;
    for (const Range& range : kReserved) {
        QCOMPARE(slice(onDisk, range.offset, range.width), slice(pattern, range.offset, range.width));
        reservedCount += range.width;
    }
    // Every byte outside the reserved areas was set by one of the calls above.
    int changed = 0;
    for (int i = 0; i < kSize; ++i)
        changed += onDisk.at(i) != pattern.at(i);
    QCOMPARE(changed, kSize - reservedCount);

    const SettingsRecord back = file.read().record;
    QCOMPARE(back, r);
    QCOMPARE(back.windowLeft(), -45);
    QCOMPARE(back.columnLayout(), QStringLiteral("--n12"));
}

void TestSettings::damagedFileIsKeptAndDefaultsUsed_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("one byte") << 1;
    QTest::newRow("too short") << 1000;
    QTest::newRow("one byte too long") << kSize + 1;
    QTest::newRow("two records") << 2 * kSize;
}

void TestSettings::damagedFileIsKeptAndDefaultsUsed()
{
    QFETCH(int, length);
    Fixture fx;
    QByteArray original = patternBytes().repeated(2).left(length);
    writeBytes(fx.path("fnk41.cfg"), original);
    writeBytes(fx.path("fnk41.cfg.bad"), "an older damaged file");

    const auto loaded = loadOrCreate(fx.folder(), fx.port);
    QVERIFY(loaded.damaged);
    QVERIFY(!loaded.firstRun);
    QVERIFY(!loaded.writeError.has_value());
    QCOMPARE(loaded.record.toBytes(), expectedNewFile());

    const auto shown = fx.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, Icon::Exclamation);
    QCOMPARE(shown[0].buttons, Buttons::Ok);
    QVERIFY(!shown[0].title.isEmpty());
    const QString cfg = QDir::toNativeSeparators(fx.path("fnk41.cfg"));
    QVERIFY2(shown[0].text.contains(cfg + QLatin1Char(' ')), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(cfg + QStringLiteral(".bad")), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(QStringLiteral("first-run defaults")), qPrintable(shown[0].text));

    QCOMPARE(readBytes(fx.path("fnk41.cfg.bad")), original);
    QCOMPARE(readBytes(fx.path("fnk41.cfg")), expectedNewFile());

    // From now on the file is good.
    fx.port.clear();
    const auto again = loadOrCreate(fx.folder(), fx.port);
    QVERIFY(!again.damaged);
    QVERIFY(fx.port.messagesShown().isEmpty());
}

void TestSettings::unreadableFileIsHeldBack_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder in its place") << QStringLiteral("folder");
    // Opens, even for root, and every read of it fails.
    QTest::newRow("a read error") << QStringLiteral("read error");
    QTest::newRow("no permission") << QStringLiteral("permission");
}

// A file that is there but cannot be opened or read is not damage: it is
// told once, the defaults serve this run, and nothing writes over the file
// or moves it aside.
void TestSettings::unreadableFileIsHeldBack()
{
    QFETCH(QString, kind);
    Fixture fx;
    const QString cfg = fx.path("fnk41.cfg");
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(fx.folder()).mkdir(QStringLiteral("fnk41.cfg")));
        writeBytes(fx.path("fnk41.cfg/inside"), "x");
    } else if (kind == QLatin1String("read error")) {
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), cfg));
    } else {
        if (::geteuid() == 0)
            QSKIP("root reads a file whatever its permissions");
        writeBytes(cfg, firstRunDefaults().toBytes());
        QVERIFY(QFile::setPermissions(cfg, QFileDevice::Permissions()));
    }

    const SettingsFile file(fx.folder());
    QCOMPARE(file.read().status, SettingsFile::Status::Unreadable);
    const auto loaded = loadOrCreate(fx.folder(), fx.port);
    QVERIFY(loaded.unreadable);
    QVERIFY(!loaded.damaged);
    QVERIFY(!loaded.firstRun);
    QCOMPARE(loaded.record, firstRunDefaults());
    const auto shown = fx.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Settings File Unreadable"));
    QCOMPARE(shown[0].icon, Icon::Exclamation);
    QVERIFY2(shown[0].text.contains(QDir::toNativeSeparators(cfg)), qPrintable(shown[0].text));
    QVERIFY2(!shown[0].text.contains(QStringLiteral("damaged")), qPrintable(shown[0].text));

    QVERIFY(!QFileInfo::exists(fx.path("fnk41.cfg.bad")));
    QVERIFY(!QFileInfo::exists(fx.path("fnk41.tmp")));
    // No write goes over it for the rest of the run.
    QVERIFY(file.isHeldBack());
    SettingsRecord changed = firstRunDefaults();
    changed.setOwnerName(QStringLiteral("Someone"));
    QVERIFY_THROWS_EXCEPTION(fnk::store::FileError, file.write(changed));
    if (kind == QLatin1String("folder"))
        QCOMPARE(readBytes(fx.path("fnk41.cfg/inside")), QByteArray("x"));
    else if (kind == QLatin1String("read error"))
        QCOMPARE(QFileInfo(cfg).symLinkTarget(), QStringLiteral("/proc/self/mem"));
    else {
        QVERIFY(QFile::setPermissions(cfg, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(readBytes(cfg), firstRunDefaults().toBytes());
    }
    QVERIFY(!QFileInfo::exists(fx.path("fnk41.tmp")));
}

void TestSettings::damagedFileThatCannotBeMovedIsLeftAlone()
{
    Fixture fx;
    const QByteArray original("short and damaged");
    writeBytes(fx.path("fnk41.cfg"), original);
    // A folder with something in it cannot be replaced by the damaged file.
    QVERIFY(QDir(fx.folder()).mkdir(QStringLiteral("fnk41.cfg.bad")));
    writeBytes(fx.path("fnk41.cfg.bad/keep"), "k");

    const auto loaded = loadOrCreate(fx.folder(), fx.port);
    QVERIFY(loaded.damaged);
    QCOMPARE(loaded.record, firstRunDefaults());
    const auto shown = fx.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, Icon::Exclamation);
    QVERIFY2(!shown[0].text.contains(QStringLiteral("has been kept")), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(QStringLiteral("first-run defaults")), qPrintable(shown[0].text));
    QCOMPARE(readBytes(fx.path("fnk41.cfg")), original);
}

void TestSettings::failedWriteLeavesOldFile()
{
    Fixture fx;
    const SettingsFile file(fx.folder());
    SettingsRecord old = firstRunDefaults();
    old.setOwnerName(QStringLiteral("Old Owner"));
    file.write(old);
    const QByteArray before = readBytes(file.path());
    QCOMPARE(before, old.toBytes());

    SettingsRecord changed = old;
    changed.setOwnerName(QStringLiteral("New Owner"));
    changed.setWindowWidth(12000);
    fnk::store::testing::failWritesAfter(0);
    try {
        file.write(changed);
        QFAIL("the write did not fail");
    } catch (const fnk::store::FileError& e) {
        QCOMPARE(e.number(), int(fnk::store::kDiskFull));
    }
    QCOMPARE(readBytes(file.path()), before);
    QVERIFY(!QFileInfo::exists(file.workPath()));

    fnk::store::testing::reset();
    file.write(changed);
    QCOMPARE(readBytes(file.path()), changed.toBytes());
}

void TestSettings::failedFirstRunWriteIsReported()
{
    Fixture fx;
    fnk::store::testing::failWritesAfter(0);
    const auto loaded = loadOrCreate(fx.folder(), fx.port);
    QVERIFY(loaded.firstRun);
    QVERIFY(loaded.writeError.has_value());
    QCOMPARE(loaded.writeError->number(), int(fnk::store::kDiskFull));
    QCOMPARE(loaded.record, firstRunDefaults());
    QVERIFY(!QFileInfo::exists(fx.path("fnk41.cfg")));
    QVERIFY(!QFileInfo::exists(fx.path("fnk41.tmp")));
    QVERIFY(fx.port.messagesShown().isEmpty());
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
