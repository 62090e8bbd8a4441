// The settings record: only 1,274 bytes make a record, a record writes back
// byte for byte, the window geometry reads within what five characters hold,
// and the settings file sorts any content into first run, good or damaged.

#include "FuzzSupport.h"

#include "app/Settings.h"

#include <cstring>

using fnk::app::SettingsFile;
using fnk::app::SettingsRecord;

namespace {

void checkGeometry(SettingsRecord& r, int (SettingsRecord::*get)() const,
                   void (SettingsRecord::*set)(int))
{
    const int v = (r.*get)();
    FUZZ_CHECK(v >= SettingsRecord::kGeometryMin && v <= SettingsRecord::kGeometryMax);
    SettingsRecord copy = r;
    (copy.*set)(v);
    FUZZ_CHECK((copy.*get)() == v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray raw = fuzz::bytesOf(data, size);
    const auto exact = SettingsRecord::fromBytes(raw);
    FUZZ_CHECK(exact.has_value() == (size == SettingsRecord::kSize));

    QByteArray padded = raw.left(qsizetype(SettingsRecord::kSize));
    if (padded.size() < qsizetype(SettingsRecord::kSize))
        padded.append(QByteArray(qsizetype(SettingsRecord::kSize) - padded.size(), ' '));
    auto parsed = SettingsRecord::fromBytes(padded);
    FUZZ_CHECK(parsed.has_value());
    SettingsRecord r = *parsed;
    FUZZ_CHECK(r.toBytes() == padded);

    checkGeometry(r, &SettingsRecord::windowTop, &SettingsRecord::setWindowTop);
    checkGeometry(r, &SettingsRecord::windowLeft, &SettingsRecord::setWindowLeft);
    checkGeometry(r, &SettingsRecord::windowHeight, &SettingsRecord::setWindowHeight);
    checkGeometry(r, &SettingsRecord::windowWidth, &SettingsRecord::setWindowWidth);

    // Every text read stores back without changing a byte.
    SettingsRecord copy = r;
    copy.setPassword(r.password());
    copy.setOwnerName(r.ownerName());
    copy.setUserField1Name(r.userField1Name());
    copy.setUserField2Name(r.userField2Name());
    copy.setEditorProgram(r.editorProgram());
    copy.setAlternateFolder1(r.alternateFolder1());
    copy.setAlternateFolder2(r.alternateFolder2());
    copy.setColumnLayout(r.columnLayout());
    FUZZ_CHECK(copy == r);
    FUZZ_CHECK(r.password().size() == qsizetype(SettingsRecord::kPasswordWidth));
    FUZZ_CHECK(r.columnLayout().size() == qsizetype(SettingsRecord::kColumnLayoutWidth));

    // The file: empty is a first run, exactly one record is good, anything
    // else is damaged; a record written reads back the same.
    const SettingsFile file(fuzz::scratchFolder());
    fuzz::writeWhole(file.path(), raw);
    const SettingsFile::ReadResult read = file.read();
    if (size == 0) {
        FUZZ_CHECK(read.status == SettingsFile::Status::FirstRun);
    } else if (size == SettingsRecord::kSize) {
        FUZZ_CHECK(read.status == SettingsFile::Status::Good);
        FUZZ_CHECK(read.record == *exact);
    } else {
        FUZZ_CHECK(read.status == SettingsFile::Status::Damaged);
        FUZZ_CHECK(!read.problem.isEmpty());
    }
    file.write(r);
    const SettingsFile::ReadResult back = file.read();
    FUZZ_CHECK(back.status == SettingsFile::Status::Good);
    FUZZ_CHECK(back.record == r);
    FUZZ_CHECK(!QFile::exists(file.workPath()));
    return 0;
}
