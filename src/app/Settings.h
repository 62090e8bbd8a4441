#pragma once

#include "store/FileIo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace fnk::platform {
class MessagePort;
}

namespace fnk::app {

// The user's settings: the one 1,274-byte record of "fnk41.cfg" in the
// program folder, little-endian, fields packed.
//    0   2 fiscal-year start month   int16
//    2   2 fiscal-year start day     int16
//    4   2 default range code        int16 (0 = fiscal year, else past days)
//    6  10 start-up password         text, blank = none
//   16 100 reserved                  blank in a new file
//  116 100 reserved                  blank in a new file
//  216  18 reserved                  (8 + 2 + 8 bytes)
//  234  40 owner name                text, shown in report titles
//  274  10 user field 1 name         text
//  284  10 user field 2 name         text
//  294   1 user field 1 list flag    "Y" = keeps a pick list, "N" = free text
//  295   1 user field 2 list flag
//  296  80 editor program            text, blank = the system's word processor
//  376 100 alternate folder 1        text, blank = none
//  476 100 alternate folder 2        text
//  576   5 column layout code        text, "-n12-" and the like
//  581   1 tool tips                 "N" = hidden, otherwise shown
//  582   8 reserved                  blank in a new file
//  590   1 bold fonts                "N" = regular, otherwise bold
//  591   1 reserved
//  592   5 window top                decimal text, twips
//  597   5 window left
//  602   5 window height
//  607   5 window width
//  612   1 confirmation              "N" = no questions, otherwise ask
//  613 661 reserved
// Bytes the accessors do not name are kept exactly as read, so a read and a
// write never change them.
class SettingsRecord {
public:
    static constexpr std::size_t kSize = 1274;

    enum Offset : std::size_t {
        kFiscalMonth = 0,
        kFiscalDay = 2,
        kDefaultRange = 4,
        kPassword = 6,
        kReservedText1 = 16,
        kReservedText2 = 116,
        kReservedBinary = 216,
        kOwnerName = 234,
        kUserField1Name = 274,
        kUserField2Name = 284,
        kUserField1ListFlag = 294,
        kUserField2ListFlag = 295,
        kEditorProgram = 296,
        kAlternateFolder1 = 376,
        kAlternateFolder2 = 476,
        kColumnLayout = 576,
        kToolTips = 581,
        kReservedBlank8 = 582,
        kBoldFonts = 590,
        kReservedByte = 591,
        kWindowTop = 592,
        kWindowLeft = 597,
        kWindowHeight = 602,
        kWindowWidth = 607,
        kConfirmation = 612,
        kReservedTail = 613,
    };

    enum Width : std::size_t {
        kPasswordWidth = 10,
        kReservedTextWidth = 100,
        kReservedBinaryWidth = 18,
        kOwnerNameWidth = 40,
        kUserFieldNameWidth = 10,
        kEditorProgramWidth = 80,
        kFolderWidth = 100,
        kColumnLayoutWidth = 5,
        kReservedBlank8Width = 8,
        kGeometryWidth = 5,
        kReservedTailWidth = kSize - kReservedTail,
    };

    // What a five-character geometry field can hold.
    static constexpr int kGeometryMin = -9999;
    static constexpr int kGeometryMax = 99999;

    // Every byte zero; see firstRunDefaults() for a usable record.
    SettingsRecord();
    // The record as stored; nullopt unless `bytes` is exactly kSize long.
    static std::optional<SettingsRecord> fromBytes(QByteArrayView bytes);
    QByteArray toBytes() const;
    const char* data() const { return bytes_.data(); }

    bool operator==(const SettingsRecord&) const = default;

    qint16 fiscalYearStartMonth() const;
    qint16 fiscalYearStartDay() const;
    qint16 defaultRangeCode() const;
    void setFiscalYearStartMonth(qint16 month);
    void setFiscalYearStartDay(qint16 day);
    void setDefaultRangeCode(qint16 code);

    // Text fields come back at their full width with the stored padding;
    // callers trim where they compare or show.  Setters cut the text at the
    // width and pad it with spaces.
    QString password() const;
    QString ownerName() const;
    QString userField1Name() const;
    QString userField2Name() const;
    QString editorProgram() const;
    QString alternateFolder1() const;
    QString alternateFolder2() const;
    QString columnLayout() const;
    void setPassword(const QString& text);
    void setOwnerName(const QString& text);
    void setUserField1Name(const QString& text);
    void setUserField2Name(const QString& text);
    void setEditorProgram(const QString& text);
    void setAlternateFolder1(const QString& text);
    void setAlternateFolder2(const QString& text);
    void setColumnLayout(const QString& code);

    // True when the trimmed password is not empty.
    bool hasPassword() const;

    // One-character flags, as stored.
    char userField1ListFlag() const { return bytes_[kUserField1ListFlag]; }
    char userField2ListFlag() const { return bytes_[kUserField2ListFlag]; }
    char toolTipsFlag() const { return bytes_[kToolTips]; }
    char boldFontsFlag() const { return bytes_[kBoldFonts]; }
    char confirmationFlag() const { return bytes_[kConfirmation]; }
    void setUserField1ListFlag(char flag) { bytes_[kUserField1ListFlag] = flag; }
    void setUserField2ListFlag(char flag) { bytes_[kUserField2ListFlag] = flag; }
    void setToolTipsFlag(char flag) { bytes_[kToolTips] = flag; }
    void setBoldFontsFlag(char flag) { bytes_[kBoldFonts] = flag; }
    void setConfirmationFlag(char flag) { bytes_[kConfirmation] = flag; }

    // What the flags mean.  A list flag that is neither "Y" nor "N" makes the
    // field neither keep a pick list nor count as free text.
    bool userField1KeepsPickList() const { return userField1ListFlag() == 'Y'; }
    bool userField2KeepsPickList() const { return userField2ListFlag() == 'Y'; }
    bool userField1IsFreeText() const { return userField1ListFlag() == 'N'; }
    bool userField2IsFreeText() const { return userField2ListFlag() == 'N'; }
    bool toolTipsShown() const { return toolTipsFlag() != 'N'; }
    bool boldFonts() const { return boldFontsFlag() != 'N'; }
    bool confirmsReplaceAndDelete() const { return confirmationFlag() != 'N'; }
    void setToolTipsShown(bool on) { setToolTipsFlag(on ? 'Y' : 'N'); }
    void setBoldFonts(bool bold) { setBoldFontsFlag(bold ? ' ' : 'N'); }
    void setConfirmsReplaceAndDelete(bool ask) { setConfirmationFlag(ask ? 'Y' : 'N'); }

    // Main window geometry in twips.  Reading takes the number at the start
    // of the text (0 when there is none); writing stores plain digits, a
    // minus sign for negative values, left-aligned and space padded, with the
    // value first brought into kGeometryMin..kGeometryMax.
    int windowTop() const;
    int windowLeft() const;
    int windowHeight() const;
    int windowWidth() const;
    void setWindowTop(int twips);
    void setWindowLeft(int twips);
    void setWindowHeight(int twips);
    void setWindowWidth(int twips);

    static int geometryValue(const char* field);  // kGeometryWidth bytes
    static void writeGeometry(char* field, int twips);

private:
    qint16 int16At(std::size_t offset) const;
    void setInt16At(std::size_t offset, qint16 value);
    QString textAt(std::size_t offset, std::size_t width) const;
    void setTextAt(std::size_t offset, std::size_t width, const QString& text);

    std::array<char, kSize> bytes_{};

    friend SettingsRecord firstRunDefaults();
};

// The settings a new program folder starts with.
SettingsRecord firstRunDefaults();

// "fnk41.cfg" in one program folder.
class SettingsFile {
public:
    static constexpr const char* kFileName = "fnk41.cfg";
    static constexpr const char* kWorkFileName = "fnk41.tmp";
    static constexpr const char* kDamagedFileName = "fnk41.cfg.bad";

    explicit SettingsFile(const QString& programFolder);

    QString path() const;
    QString workPath() const;
    QString damagedPath() const;

    enum class Status {
        FirstRun,  // no file, or an empty one
        Good,      // the record was read
        Damaged,   // read, and not a settings record (wrong length)
        Unreadable,  // there, but it could not be opened or read
    };
    struct ReadResult {
        Status status = Status::FirstRun;
        SettingsRecord record;  // only meaningful when Good
        QString problem;        // why the file is damaged or unreadable
    };

    // Never throws.
    ReadResult read() const;
    // Replaces the file as a whole in one step: the file always holds either
    // the old record or the new one.  Throws store::FileError, also when the
    // file is held back.
    void write(const SettingsRecord& record) const;
    // A settings file that could not be read at start-up is held back: no
    // write goes over it for the rest of the run.
    void holdBack() const;
    bool isHeldBack() const;
    // Renames the file to fnk41.cfg.bad, replacing an older one.  Throws
    // store::FileError.
    void keepDamaged() const;

private:
    // Throws when no file can be made in the folder (a read-only one).
    void refuseReadOnlyFolder() const;
    QString folder_;
};

struct LoadedSettings {
    SettingsRecord record;
    bool firstRun = false;  // there was no settings file, or an empty one
    bool damaged = false;   // the file was damaged and the defaults took its place
    // The file could not be read: the defaults hold in memory only, and the
    // file is held back (never written) for this run.
    bool unreadable = false;
    // A first run or a damaged file writes the defaults at once; a failure
    // of that write is kept here for the caller to report or pass over.
    std::optional<store::FileError> writeError;
};

// Start-up's way to the settings: reads fnk41.cfg in `programFolder`.  A
// missing or empty file gives the first-run defaults, written at once.  A
// damaged file is moved aside to fnk41.cfg.bad and the defaults take its
// place; the user is told through `port`.  A file that cannot be opened or
// read is left as it is and held back; the user is told, and the defaults
// serve this run.  Never throws.
LoadedSettings loadOrCreate(const QString& programFolder, platform::MessagePort& port);

}  // namespace fnk::app
