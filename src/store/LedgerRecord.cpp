#include "store/LedgerRecord.h"

#include "store/Text1252.h"

#include <QtEndian>

#include <cstring>

namespace fnk::store {

namespace {
template <typename T>
T loadLE(const char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return qFromLittleEndian(v);
}

template <typename T>
void storeLE(char* p, T v)
{
    v = qToLittleEndian(v);
    std::memcpy(p, &v, sizeof v);
}

template <std::size_t N>
QString text(const std::array<char, N>& a)
{
    return decode1252(a.data(), N);
}
}  // namespace

LedgerRecord::LedgerRecord()
{
    categoryCode.fill(' ');
    note.fill(' ');
    userField1.fill(' ');
    userField2.fill(' ');
    reserved.fill(' ');
}

QString LedgerRecord::categoryCodeText() const { return text(categoryCode); }
QString LedgerRecord::noteText() const { return text(note); }
QString LedgerRecord::userField1Text() const { return text(userField1); }
QString LedgerRecord::userField2Text() const { return text(userField2); }

void LedgerRecord::setCategoryCode(const QString& t) { writeField(categoryCode.data(), kCodeWidth, t); }
void LedgerRecord::setNote(const QString& t) { writeField(note.data(), kNoteWidth, t); }
void LedgerRecord::setUserField1(const QString& t) { writeField(userField1.data(), kUserWidth, t); }
void LedgerRecord::setUserField2(const QString& t) { writeField(userField2.data(), kUserWidth, t); }

void LedgerRecord::encode(char* out) const
{
    static_assert(sizeof(double) == 8 && sizeof(Money) == 8);
    double d = entryDate;
    quint64 bits;
    std::memcpy(&bits, &d, 8);
    storeLE<quint64>(out + kEntryDate, bits);
    std::memcpy(out + kCategoryCode, categoryCode.data(), kCodeWidth);
    storeLE<qint64>(out + kAmount, amount);
    std::memcpy(out + kNote, note.data(), kNoteWidth);
    std::memcpy(out + kUserField1, userField1.data(), kUserWidth);
    std::memcpy(out + kUserField2, userField2.data(), kUserWidth);
    d = recordNumber;
    std::memcpy(&bits, &d, 8);
    storeLE<quint64>(out + kRecordNumber, bits);
    out[kDeletedFlag] = deletedFlag;
    std::memcpy(out + kReserved, reserved.data(), kReservedWidth);
}

LedgerRecord LedgerRecord::decode(const char* in)
{
    LedgerRecord r;
    r.entryDate = rawEntryDate(in);
    std::memcpy(r.categoryCode.data(), in + kCategoryCode, kCodeWidth);
    r.amount = rawAmount(in);
    std::memcpy(r.note.data(), in + kNote, kNoteWidth);
    std::memcpy(r.userField1.data(), in + kUserField1, kUserWidth);
    std::memcpy(r.userField2.data(), in + kUserField2, kUserWidth);
    r.recordNumber = rawRecordNumber(in);
    r.deletedFlag = in[kDeletedFlag];
    std::memcpy(r.reserved.data(), in + kReserved, kReservedWidth);
    return r;
}

double rawEntryDate(const char* rec)
{
    const quint64 bits = loadLE<quint64>(rec + LedgerRecord::kEntryDate);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

Money rawAmount(const char* rec) { return loadLE<qint64>(rec + LedgerRecord::kAmount); }

double rawRecordNumber(const char* rec)
{
    const quint64 bits = loadLE<quint64>(rec + LedgerRecord::kRecordNumber);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

}  // namespace fnk::store
