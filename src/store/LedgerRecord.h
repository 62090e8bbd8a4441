#pragma once

#include "store/Money.h"

#include <QString>

#include <array>
#include <cstddef>

namespace fnk::store {

// One entry of a record file: 125 bytes, little-endian, fields packed.
//   0  8 EntryDate     IEEE double, day number
//   8 10 CategoryCode  text
//  18  8 Amount        signed 64-bit ten-thousandths
//  26 60 Note          text
//  86 10 UserField1    text
//  96 10 UserField2    text
// 106  8 RecordNumber  IEEE double, the record's own 1-based position
// 114  1 DeletedFlag   "Y" = deleted
// 115 10 Reserved      spaces
// Text fields hold the raw Windows-1252 bytes, space padded, exactly as stored.
struct LedgerRecord {
    static constexpr std::size_t kSize = 125;
    static constexpr std::size_t kCodeWidth = 10;
    static constexpr std::size_t kNoteWidth = 60;
    static constexpr std::size_t kUserWidth = 10;
    static constexpr std::size_t kReservedWidth = 10;

    enum Offset : std::size_t {
        kEntryDate = 0,
        kCategoryCode = 8,
        kAmount = 18,
        kNote = 26,
        kUserField1 = 86,
        kUserField2 = 96,
        kRecordNumber = 106,
        kDeletedFlag = 114,
        kReserved = 115,
    };

    double entryDate = 0.0;
    std::array<char, kCodeWidth> categoryCode;
    Money amount = 0;
    std::array<char, kNoteWidth> note;
    std::array<char, kUserWidth> userField1;
    std::array<char, kUserWidth> userField2;
    double recordNumber = 0.0;
    char deletedFlag = 'N';
    std::array<char, kReservedWidth> reserved;

    LedgerRecord();

    bool isDeleted() const { return deletedFlag == 'Y'; }

    // Decoded texts, full width with their padding.
    QString categoryCodeText() const;
    QString noteText() const;
    QString userField1Text() const;
    QString userField2Text() const;

    // Encoded, cut at the width and padded with spaces.
    void setCategoryCode(const QString& text);
    void setNote(const QString& text);
    void setUserField1(const QString& text);
    void setUserField2(const QString& text);

    void encode(char* out) const;                  // kSize bytes
    static LedgerRecord decode(const char* in);    // kSize bytes
};

// Field readers straight from the 125 stored bytes, for the fast paths.
double rawEntryDate(const char* rec);
Money rawAmount(const char* rec);
double rawRecordNumber(const char* rec);
inline bool rawDeleted(const char* rec) { return rec[LedgerRecord::kDeletedFlag] == 'Y'; }

}  // namespace fnk::store
