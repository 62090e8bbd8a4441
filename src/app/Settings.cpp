#include "app/Settings.h"

#include "app/ProgramFolder.h"
#include "platform/MessagePort.h"
#include "store/Text1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace fnk::app {

// ---- SettingsRecord ---------------------------------------------------------

SettingsRecord::SettingsRecord() = default;

std::optional<SettingsRecord> SettingsRecord::fromBytes(QByteArrayView bytes)
{
    if (bytes.size() != qsizetype(kSize))
        return std::nullopt;
    SettingsRecord r;
    std::memcpy(r.bytes_.data(), bytes.data(), kSize);
    return r;
}

QByteArray SettingsRecord::toBytes() const { return QByteArray(bytes_.data(), qsizetype(kSize)); }

qint16 SettingsRecord::int16At(std::size_t offset) const
{
    return qFromLittleEndian<qint16>(bytes_.data() + offset);
}

void SettingsRecord::setInt16At(std::size_t offset, qint16 value)
{
    qToLittleEndian<qint16>(value, bytes_.data() + offset);
}

QString SettingsRecord::textAt(std::size_t offset, std::size_t width) const
{
    return store::decode1252(bytes_.data() + offset, width);
}

void SettingsRecord::setTextAt(std::size_t offset, std::size_t width, const QString& text)
{
    store::writeField(bytes_.data() + offset, width, text);
}

qint16 SettingsRecord::fiscalYearStartMonth() const { return int16At(kFiscalMonth); }
qint16 SettingsRecord::fiscalYearStartDay() const { return int16At(kFiscalDay); }
qint16 SettingsRecord::defaultRangeCode() const { return int16At(kDefaultRange); }
void SettingsRecord::setFiscalYearStartMonth(qint16 month) { setInt16At(kFiscalMonth, month); }
void SettingsRecord::setFiscalYearStartDay(qint16 day) { setInt16At(kFiscalDay, day); }
void SettingsRecord::setDefaultRangeCode(qint16 code) { setInt16At(kDefaultRange, code); }

QString SettingsRecord::password() const { return textAt(kPassword, kPasswordWidth); }
QString SettingsRecord::ownerName() const { return textAt(kOwnerName, kOwnerNameWidth); }
QString SettingsRecord::userField1Name() const { return textAt(kUserField1Name, kUserFieldNameWidth); }
QString SettingsRecord::userField2Name() const { return textAt(kUserField2Name, kUserFieldNameWidth); }
QString SettingsRecord::editorProgram() const { return textAt(kEditorProgram, kEditorProgramWidth); }
QString SettingsRecord::alternateFolder1() const { return textAt(kAlternateFolder1, kFolderWidth); }
QString SettingsRecord::alternateFolder2() const { return textAt(kAlternateFolder2, kFolderWidth); }
QString SettingsRecord::columnLayout() const { return textAt(kColumnLayout, kColumnLayoutWidth); }

void SettingsRecord::setPassword(const QString& t) { setTextAt(kPassword, kPasswordWidth, t); }
void SettingsRecord::setOwnerName(const QString& t) { setTextAt(kOwnerName, kOwnerNameWidth, t); }
void SettingsRecord::setUserField1Name(const QString& t)
{
    setTextAt(kUserField1Name, kUserFieldNameWidth, t);
}
void SettingsRecord::setUserField2Name(const QString& t)
{
    setTextAt(kUserField2Name, kUserFieldNameWidth, t);
}
void SettingsRecord::setEditorProgram(const QString& t)
{
    setTextAt(kEditorProgram, kEditorProgramWidth, t);
}
void SettingsRecord::setAlternateFolder1(const QString& t)
{
    setTextAt(kAlternateFolder1, kFolderWidth, t);
}
void SettingsRecord::setAlternateFolder2(const QString& t)
{
    setTextAt(kAlternateFolder2, kFolderWidth, t);
}
void SettingsRecord::setColumnLayout(const QString& code)
{
    setTextAt(kColumnLayout, kColumnLayoutWidth, code);
}

bool SettingsRecord::hasPassword() const { return !password().trimmed().isEmpty(); }

int SettingsRecord::geometryValue(const char* field)
{
    std::size_t i = 0;
    while (i < kGeometryWidth && field[i] == ' ')
        ++i;
    bool negative = false;
    if (i < kGeometryWidth && (field[i] == '-' || field[i] == '+')) {
        negative = field[i] == '-';
        ++i;
    }
    int value = 0;
    for (; i < kGeometryWidth && field[i] >= '0' && field[i] <= '9'; ++i)
        value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

void SettingsRecord::writeGeometry(char* field, int twips)
{
    const QByteArray digits = QByteArray::number(std::clamp(twips, kGeometryMin, kGeometryMax));
    std::memset(field, ' ', kGeometryWidth);
    std::memcpy(field, digits.constData(), std::size_t(digits.size()));
}

int SettingsRecord::windowTop() const { return geometryValue(bytes_.data() + kWindowTop); }
int SettingsRecord::windowLeft() const { return geometryValue(bytes_.data() + kWindowLeft); }
int SettingsRecord::windowHeight() const { return geometryValue(bytes_.data() + kWindowHeight); }
int SettingsRecord::windowWidth() const { return geometryValue(bytes_.data() + kWindowWidth); }
void SettingsRecord::setWindowTop(int twips) { writeGeometry(bytes_.data() + kWindowTop, twips); }
void SettingsRecord::setWindowLeft(int twips) { writeGeometry(bytes_.data() + kWindowLeft, twips); }
void SettingsRecord::setWindowHeight(int twips)
{
    writeGeometry(bytes_.data() + kWindowHeight, twips);
}
void SettingsRecord::setWindowWidth(int twips) { writeGeometry(bytes_.data() + kWindowWidth, twips); }

SettingsRecord firstRunDefaults()
{
    // Starts from zero bytes: the reserved areas not named here stay zero.
    SettingsRecord r;
    r.setFiscalYearStartMonth(1);
    r.setFiscalYearStartDay(1);
    r.setDefaultRangeCode(0);
    r.setPassword(QString());

    // The two long reserved text areas and the short one are blank.
    std::memset(r.bytes_.data() + SettingsRecord::kReservedText1, ' ',
                SettingsRecord::kReservedTextWidth);
    std::memset(r.bytes_.data() + SettingsRecord::kReservedText2, ' ',
                SettingsRecord::kReservedTextWidth);
    std::memset(r.bytes_.data() + SettingsRecord::kReservedBlank8, ' ',
                SettingsRecord::kReservedBlank8Width);

    r.setOwnerName(QString());
    r.setUserField1Name(QStringLiteral("user 1"));
    r.setUserField2Name(QStringLiteral("user 2"));
    r.setUserField1ListFlag('Y');
    r.setUserField2ListFlag('Y');
    r.setEditorProgram(QString());
    r.setAlternateFolder1(QString());
    r.setAlternateFolder2(QString());
    r.setColumnLayout(QStringLiteral("-n12-"));
    r.setToolTipsFlag('Y');
    r.setBoldFontsFlag(' ');
    r.setWindowTop(50);
    r.setWindowLeft(50);
    r.setWindowHeight(6030);
    r.setWindowWidth(9135);
    r.setConfirmationFlag('Y');
    return r;
}

// ---- SettingsFile -----------------------------------------------------------

SettingsFile::SettingsFile(const QString& programFolder) : folder_(withTrailingSlash(programFolder))
{
}

QString SettingsFile::path() const { return folder_ + QLatin1String(kFileName); }
QString SettingsFile::workPath() const { return folder_ + QLatin1String(kWorkFileName); }
QString SettingsFile::damagedPath() const { return folder_ + QLatin1String(kDamagedFileName); }

SettingsFile::ReadResult SettingsFile::read() const
{
    ReadResult result;
    auto damaged = [&result](const QString& problem) {
        result.status = Status::Damaged;
        result.problem = problem;
        return result;
    };
    auto unreadable = [&result](const QString& problem) {
        result.status = Status::Unreadable;
        result.problem = problem;
        return result;
    };
    try {
        const QFileInfo info(path());
        if (!info.exists())
            return result;  // first run
        if (info.isDir())
            return unreadable(QStringLiteral("it is a folder, not a file"));

        QFile file(path());
        if (!file.open(QIODevice::ReadOnly))
            return unreadable(QStringLiteral("it could not be opened (%1)").arg(file.errorString()));
        // One byte more than a record, to tell a long file from a good one.
        const QByteArray bytes = file.read(qint64(SettingsRecord::kSize) + 1);
        if (file.error() != QFileDevice::NoError)
            return unreadable(QStringLiteral("it could not be read (%1)").arg(file.errorString()));
        if (bytes.isEmpty() && file.size() == 0)
            return result;  // first run

        const std::optional<SettingsRecord> record = SettingsRecord::fromBytes(bytes);
        if (!record) {
            const QLocale locale;
            return damaged(QStringLiteral("it holds %1 bytes instead of %2")
                               .arg(locale.toString(qMax(file.size(), qint64(bytes.size()))),
                                    locale.toString(qint64(SettingsRecord::kSize))));
        }
        result.status = Status::Good;
        result.record = *record;
        return result;
    } catch (const std::exception& e) {
        return unreadable(QStringLiteral("it could not be read (%1)").arg(QString::fromLocal8Bit(e.what())));
    }
}

namespace {
// The settings files held back in this run, by path.
QSet<QString>& heldBack()
{
    static QSet<QString> paths;
    return paths;
}
}  // namespace

void SettingsFile::holdBack() const { heldBack().insert(QFileInfo(path()).absoluteFilePath()); }

bool SettingsFile::isHeldBack() const
{
    return heldBack().contains(QFileInfo(path()).absoluteFilePath());
}

void SettingsFile::write(const SettingsRecord& record) const
{
    if (isHeldBack())
        throw store::FileError(
            QStringLiteral("The settings file %1 could not be read when the program started, so it "
                           "is not written over; the settings in use hold until the program ends.")
                .arg(QDir::toNativeSeparators(path())),
            store::kPermissionDenied, path());
    refuseReadOnlyFolder();
    store::replaceWholeFile(workPath(), path(), record.toBytes());
}

void SettingsFile::keepDamaged() const
{
    refuseReadOnlyFolder();
    store::renameOver(path(), damagedPath());
}

void SettingsFile::refuseReadOnlyFolder() const
{
    if (!canWriteIn(folder_))
        throw store::FileError(QStringLiteral("The folder %1 cannot be written")
                                   .arg(QDir::toNativeSeparators(folder_)),
                               store::kPermissionDenied, path());
}

// ---- Start-up ---------------------------------------------------------------

namespace {

std::optional<store::FileError> tryWrite(const SettingsFile& file, const SettingsRecord& record)
{
    try {
        file.write(record);
    } catch (const store::FileError& e) {
        return e;
    }
    return std::nullopt;
}

void tellDamaged(platform::MessagePort& port, const SettingsFile& file, const QString& problem,
                 const std::optional<store::FileError>& keepError)
{
    const QString cfg = QDir::toNativeSeparators(file.path());
    const QString bad = QDir::toNativeSeparators(file.damagedPath());
    QString text = QStringLiteral("The settings file %1 is damaged: %2.").arg(cfg, problem)
                   + QStringLiteral("\n\nYour settings have been reset to the first-run defaults.");
    if (!keepError)
        text += QStringLiteral(" The damaged file has been kept as %1.").arg(bad);
    else
        text += QStringLiteral(" The damaged file could not be kept as %1 (%2), so it has not been"
                               " replaced.")
                    .arg(bad, keepError->name());
    port.message({QStringLiteral("Settings File Damaged"), text, platform::Icon::Exclamation,
                  platform::Buttons::Ok, platform::Answer::Ok});
}

}  // namespace

LoadedSettings loadOrCreate(const QString& programFolder, platform::MessagePort& port)
{
    const SettingsFile file(programFolder);
    const SettingsFile::ReadResult read = file.read();
    LoadedSettings out;
    switch (read.status) {
    case SettingsFile::Status::Good:
        out.record = read.record;
        return out;
    case SettingsFile::Status::FirstRun:
        out.firstRun = true;
        out.record = firstRunDefaults();
        out.writeError = tryWrite(file, out.record);
        return out;
    case SettingsFile::Status::Damaged:
        break;
    case SettingsFile::Status::Unreadable:
        out.unreadable = true;
        out.record = firstRunDefaults();
        file.holdBack();
        port.message({QStringLiteral("Settings File Unreadable"),
                      QStringLiteral("The settings file %1 could not be read: %2.\n\nThe program "
                                     "goes on with the first-run settings for now. The file is left "
                                     "as it is and will not be written over until the program "
                                     "ends; once it can be read again, your settings come back.")
                          .arg(QDir::toNativeSeparators(file.path()), read.problem),
                      platform::Icon::Exclamation, platform::Buttons::Ok, platform::Answer::Ok});
        return out;
    }

    out.damaged = true;
    out.record = firstRunDefaults();
    // The damaged bytes go aside before anything writes over them; when they
    // cannot, the file is left alone.
    std::optional<store::FileError> keepError;
    try {
        file.keepDamaged();
    } catch (const store::FileError& e) {
        keepError = e;
    }
    if (!keepError)
        out.writeError = tryWrite(file, out.record);
    tellDamaged(port, file, read.problem, keepError);
    return out;
}

}  // namespace fnk::app
