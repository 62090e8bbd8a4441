// The category file: its 540-byte entries, counting and writing, sorting by
// code, the code-to-name lookup and moving records to another code.

#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtTest>

using namespace fnk::store;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

CategoryEntry entry(const QString& code, const QString& name = QString(),
                    const QString& description = QString())
{
    CategoryEntry e;
    e.setCategoryCode(code);
    e.setCategoryName(name.isNull() ? QStringLiteral("name of ") + code : name);
    e.setCategoryDescription(description);
    return e;
}

QByteArray bytesOf(const std::vector<CategoryEntry>& entries)
{
    QByteArray out;
    for (const CategoryEntry& e : entries) {
        char buf[CategoryEntry::kSize];
        e.encode(buf);
        out.append(buf, CategoryEntry::kSize);
    }
    return out;
}

QStringList codesIn(const CategoryFile& file)
{
    QStringList out;
    for (const CategoryEntry& e : file.readAll())
        out.append(trimSpaces(e.categoryCodeText()));
    return out;
}

QStringList namesIn(const CategoryFile& file)
{
    QStringList out;
    for (const CategoryEntry& e : file.readAll())
        out.append(trimSpaces(e.categoryNameText()));
    return out;
}

void makeCategories(const CategoryFile& file, const QStringList& codes)
{
    std::vector<CategoryEntry> entries;
    for (const QString& c : codes)
        entries.push_back(entry(c));
    writeBytes(file.path(), bytesOf(entries));
}

LedgerRecord filed(const QString& code, bool deleted = false, int i = 0)
{
    LedgerRecord r;
    r.entryDate = 45000 + i;
    r.setCategoryCode(code);
    r.amount = -Money(i + 1) * 10000;
    r.setNote(QStringLiteral("item %1").arg(i));
    r.deletedFlag = deleted ? 'Y' : 'N';
    return r;
}

}  // namespace

class CategoryFileTest : public QObject {
    Q_OBJECT

private slots:
    void entryLayout();
    void reservedBytesAreCarried();
    void missingFileIsCreatedEmpty();
    void damagedLengthHoldsWholeEntries();
    void writeInPlaceAndAppend();
    void failedWritesLeaveFileUnchanged();
    void rewriteGoesThroughWorkFile();

    void sortOrders_data();
    void sortOrders();
    void sortCarriesWholeEntries();
    void sortLeavesOrderedFileAlone();
    void sortMatchesAdjacentExchange();
    void failedSortLeavesFileUnchanged();

    void labelLookup();

    void chaseMovesMatchingRecords();
    void chaseWithDeleteMarks();
    void chaseWritesOnlyMatches();
};

void CategoryFileTest::entryLayout()
{
    const CategoryEntry e = entry(QStringLiteral("TAX"), QStringLiteral("Taxes and duties – all"),
                                  QString(600, QLatin1Char('d')));
    char buf[CategoryEntry::kSize];
    std::memset(buf, 0, sizeof buf);
    e.encode(buf);
    const QByteArray b(buf, CategoryEntry::kSize);
    QCOMPARE(b.mid(0, 10), QByteArray("TAX       "));
    QCOMPARE(b.mid(10, 20), QByteArray("Taxes and duties \x96 a"));
    QCOMPARE(b.mid(30, 500), QByteArray(500, 'd'));
    QCOMPARE(b.mid(530, 10), QByteArray(10, ' '));

    const CategoryEntry back = CategoryEntry::decode(buf);
    QCOMPARE(back.categoryCodeText(), QStringLiteral("TAX       "));
    QCOMPARE(back.categoryNameText(), QStringLiteral("Taxes and duties – a"));
    QCOMPARE(back.categoryDescriptionText(), QString(500, QLatin1Char('d')));

    const CategoryEntry blank;
    blank.encode(buf);
    QCOMPARE(QByteArray(buf, CategoryEntry::kSize), QByteArray(540, ' '));
}

void CategoryFileTest::reservedBytesAreCarried()
{
    Fixture fx;
    CategoryFile file = CategoryFile::inFolder(fx.folder());
    QByteArray raw = bytesOf({entry(QStringLiteral("ZZ")), entry(QStringLiteral("AA"))});
    raw.replace(530, 10, QByteArray("\x01RES\0\xFF" "abcd", 10));
    writeBytes(file.path(), raw);

    CategoryEntry e = file.read(1);
    QCOMPARE(QByteArray(e.categoryReserved.data(), 10), QByteArray("\x01RES\0\xFF" "abcd", 10));
    e.setCategoryName(QStringLiteral("renamed"));
    file.write(1, e);
    QCOMPARE(readBytes(file.path()).mid(530, 10), QByteArray("\x01RES\0\xFF" "abcd", 10));

    QVERIFY(SortCategoryFile(file));
    const QByteArray sorted = readBytes(file.path());
    QCOMPARE(sorted.mid(540, 10), QByteArray("ZZ        "));
    QCOMPARE(sorted.mid(540 + 530, 10), QByteArray("\x01RES\0\xFF" "abcd", 10));
}

void CategoryFileTest::missingFileIsCreatedEmpty()
{
    Fixture fx;
    const CategoryFile file = CategoryFile::inFolder(fx.folder());
    QCOMPARE(file.path(), fx.path(QStringLiteral("category.dat")));
    QCOMPARE(file.workPath(), fx.path(QStringLiteral("category.tmp")));
    QVERIFY(!QFileInfo::exists(file.path()));
    QCOMPARE(file.count(), qint64(0));
    QVERIFY(QFileInfo::exists(file.path()));
    QCOMPARE(QFileInfo(file.path()).size(), qint64(0));
    QVERIFY(file.readAll().empty());
    QVERIFY_THROWS_EXCEPTION(FileError, file.read(1));
}

void CategoryFileTest::damagedLengthHoldsWholeEntries()
{
    Fixture fx;
    CategoryFile file = CategoryFile::inFolder(fx.folder());
    const QString bad = fx.path(QStringLiteral("category.dat.bad"));
    QCOMPARE(file.damagedPath(), bad);
    const QByteArray whole = bytesOf({entry(QStringLiteral("B")), entry(QStringLiteral("A"))});
    const QByteArray tail(100, 'T');
    writeBytes(file.path(), whole + tail);

    QCOMPARE(file.count(), qint64(2));
    QCOMPARE(file.strayBytes(), qint64(100));
    QCOMPARE(file.readAll().size(), std::size_t(2));
    QVERIFY_THROWS_EXCEPTION(FileError, file.read(3));

    // A change in place leaves the tail alone and keeps nothing aside.
    file.write(2, entry(QStringLiteral("A"), QStringLiteral("renamed")));
    QCOMPARE(readBytes(file.path()).mid(1080), tail);
    QVERIFY(!QFileInfo::exists(bad));
    const QByteArray damaged = readBytes(file.path());

    // The sort keeps the damaged file aside, then writes the whole entries.
    QVERIFY(SortCategoryFile(file));
    QCOMPARE(codesIn(file), QStringList({"A", "B"}));
    QCOMPARE(readBytes(bad), damaged);
    QCOMPARE(QFileInfo(file.path()).size(), qint64(1080));
    QCOMPARE(file.strayBytes(), qint64(0));

    // An append over a damaged tail keeps the file aside first, as does a
    // rewrite.
    writeBytes(file.path(), whole + tail);
    QCOMPARE(file.append(entry(QStringLiteral("C"))), qint64(3));
    QCOMPARE(QFileInfo(file.path()).size(), qint64(1620));
    QCOMPARE(codesIn(file), QStringList({"B", "A", "C"}));
    QCOMPARE(readBytes(bad), whole + tail);
    writeBytes(file.path(), whole + "xyz");
    file.rewrite({entry(QStringLiteral("D"))});
    QCOMPARE(codesIn(file), QStringList({"D"}));
    QCOMPARE(readBytes(bad), whole + "xyz");
    // A whole file is not kept aside.
    file.rewrite({entry(QStringLiteral("E"))});
    QCOMPARE(readBytes(bad), whole + "xyz");

    // Where the damaged file cannot be kept aside, nothing is written.
    QFile::remove(bad);
    QVERIFY(QDir(fx.folder()).mkdir(QStringLiteral("category.dat.bad")));
    writeBytes(file.path(), whole + tail);
    QVERIFY_THROWS_EXCEPTION(FileError, file.append(entry(QStringLiteral("C"))));
    QVERIFY_THROWS_EXCEPTION(FileError, file.rewrite({entry(QStringLiteral("C"))}));
    QVERIFY_THROWS_EXCEPTION(FileError, SortCategoryFile(file));
    QCOMPARE(readBytes(file.path()), whole + tail);
}

void CategoryFileTest::writeInPlaceAndAppend()
{
    Fixture fx;
    CategoryFile file = CategoryFile::inFolder(fx.folder());
    QCOMPARE(file.append(entry(QStringLiteral("FOOD"))), qint64(1));
    QCOMPARE(file.append(entry(QStringLiteral("RENT"))), qint64(2));
    QCOMPARE(file.append(entry(QStringLiteral("WAGES"))), qint64(3));
    const QByteArray before = readBytes(file.path());
    QCOMPARE(before.size(), qsizetype(1620));

    file.write(2, entry(QStringLiteral("HOME"), QStringLiteral("Housing")));
    const QByteArray after = readBytes(file.path());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(540), before.left(540));
    QCOMPARE(after.mid(1080), before.mid(1080));
    QCOMPARE(file.read(2).categoryNameText(), QStringLiteral("Housing             "));

    file.write(4, entry(QStringLiteral("TAX")));
    QCOMPARE(file.count(), qint64(4));
    QVERIFY_THROWS_EXCEPTION(FileError, file.write(6, entry(QStringLiteral("X"))));
    QVERIFY_THROWS_EXCEPTION(FileError, file.write(0, entry(QStringLiteral("X"))));
    QCOMPARE(codesIn(file), QStringList({"FOOD", "HOME", "WAGES", "TAX"}));
}

void CategoryFileTest::failedWritesLeaveFileUnchanged()
{
    Fixture fx;
    CategoryFile file = CategoryFile::inFolder(fx.folder());
    const QByteArray before =
        bytesOf({entry(QStringLiteral("A")), entry(QStringLiteral("B"))}) + QByteArray(9, 'x');
    writeBytes(file.path(), before);

    testing::failWritesAfter(0);
    QVERIFY_THROWS_EXCEPTION(FileError, file.append(entry(QStringLiteral("C"))));
    QCOMPARE(readBytes(file.path()), before);
    QVERIFY_THROWS_EXCEPTION(FileError, file.write(1, entry(QStringLiteral("Z"))));
    QCOMPARE(readBytes(file.path()), before);
    try {
        file.rewrite({entry(QStringLiteral("Q"))});
        QFAIL("the rewrite should have failed");
    } catch (const FileError& e) {
        QCOMPARE(e.number(), int(kDiskFull));
    }
    QCOMPARE(readBytes(file.path()), before);
    QVERIFY(!QFileInfo::exists(file.workPath()));
}

void CategoryFileTest::rewriteGoesThroughWorkFile()
{
    Fixture fx;
    CategoryFile file = CategoryFile::inFolder(fx.folder());
    makeCategories(file, {"FOOD", "RENT", "TAX"});
    // A work file left over from an interrupted run is not built upon.
    writeBytes(file.workPath(), bytesOf({entry(QStringLiteral("OLD")), entry(QStringLiteral("JUNK"))}));

    std::vector<CategoryEntry> kept;
    for (const CategoryEntry& e : file.readAll())
        if (trimSpaces(e.categoryCodeText()) != QLatin1String("RENT"))
            kept.push_back(e);
    file.rewrite(kept);
    QCOMPARE(codesIn(file), QStringList({"FOOD", "TAX"}));
    QCOMPARE(QFileInfo(file.path()).size(), qint64(1080));
    QVERIFY(!QFileInfo::exists(file.workPath()));

    file.rewrite({});
    QCOMPARE(file.count(), qint64(0));
    QVERIFY(QFileInfo::exists(file.path()));
}

void CategoryFileTest::sortOrders_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("mixed case") << QStringList{"wa", "FO", "Sh", "TX"}
                                << QStringList{"FO", "Sh", "TX", "wa"};
    QTest::newRow("prefix first") << QStringList{"ABC", "AB"} << QStringList{"AB", "ABC"};
    QTest::newRow("prefix already first") << QStringList{"AB", "ABC"} << QStringList{"AB", "ABC"};
    QTest::newRow("case-equal keep order") << QStringList{"ab", "AB"} << QStringList{"ab", "AB"};
    QTest::newRow("case-equal keep order 2") << QStringList{"AB", "ab"} << QStringList{"AB", "ab"};
    QTest::newRow("three reversed") << QStringList{"C", "A", "B"} << QStringList{"A", "B", "C"};
    QTest::newRow("food next to FOOD")
        << QStringList{"food", "CAR", "FOOD", "BANK"} << QStringList{"BANK", "CAR", "food", "FOOD"};
    // Padding spaces sort below every printable character: "A B" and "A"
    // compare "A B" against "A  ".
    QTest::newRow("inner space") << QStringList{"AB", "A B", "A"} << QStringList{"A", "A B", "AB"};
    QTest::newRow("digits before letters") << QStringList{"b", "10", "9", "_x"}
                                           << QStringList{"10", "9", "b", "_x"};
    // By code: "[" (0x5B) sorts after "Z" and after upper-cased "z".
    QTest::newRow("character codes") << QStringList{"[", "z", "Y"} << QStringList{"Y", "z", "["};
    // Upper-casing covers the page's accented letters; "é" becomes "É" (0xC9).
    QTest::newRow("accented") << QStringList{"éa", "Ea", "Éb", "Fa"}
                              << QStringList{"Ea", "Fa", "éa", "Éb"};
    QTest::newRow("one") << QStringList{"X"} << QStringList{"X"};
}

void CategoryFileTest::sortOrders()
{
    Fixture fx;
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    const CategoryFile file = CategoryFile::inFolder(fx.folder());
    makeCategories(file, before);
    SortCategoryFile(file);
    QCOMPARE(codesIn(file), after);
    QVERIFY(!QFileInfo::exists(file.workPath()));
}

void CategoryFileTest::sortCarriesWholeEntries()
{
    Fixture fx;
    const CategoryFile file = CategoryFile::inFolder(fx.folder());
    writeBytes(file.path(),
               bytesOf({entry(QStringLiteral("wa"), QStringLiteral("Wages"), QStringLiteral("pay")),
                        entry(QStringLiteral("Sh"), QStringLiteral("Shelter"), QStringLiteral("rent")),
                        entry(QStringLiteral("FO"), QStringLiteral("Food"), QStringLiteral("meals"))}));
    QVERIFY(SortCategoryFile(file));
    const auto all = file.readAll();
    QCOMPARE(all.size(), std::size_t(3));
    QCOMPARE(all[0].categoryCodeText(), QStringLiteral("FO        "));
    QCOMPARE(trimSpaces(all[0].categoryNameText()), QStringLiteral("Food"));
    QCOMPARE(trimSpaces(all[0].categoryDescriptionText()), QStringLiteral("meals"));
    QCOMPARE(all[2].categoryCodeText(), QStringLiteral("wa        "));  // case kept
    QCOMPARE(trimSpaces(all[2].categoryNameText()), QStringLiteral("Wages"));
    QCOMPARE(namesIn(file), QStringList({"Food", "Shelter", "Wages"}));
}

void CategoryFileTest::sortLeavesOrderedFileAlone()
{
    Fixture fx;
    const CategoryFile file = CategoryFile::inFolder(fx.folder());
    QVERIFY(!SortCategoryFile(file));  // a missing file is created, nothing to sort
    QVERIFY(QFileInfo::exists(file.path()));

    makeCategories(file, {"AB", "ab", "ABC", "B"});
    const QByteArray before = readBytes(file.path());
    testing::failWritesAfter(0);  // any write would throw
    QVERIFY(!SortCategoryFile(file));
    QCOMPARE(readBytes(file.path()), before);
    QVERIFY(!QFileInfo::exists(file.workPath()));
}

void CategoryFileTest::sortMatchesAdjacentExchange()
{
    // Against a literal adjacent-exchange sort on random codes drawn from a
    // small alphabet, so ties in case and prefixes come up often.
    Fixture fx;
    const CategoryFile file = CategoryFile::inFolder(fx.folder());
    QRandomGenerator rng(20261207);
    const QString alphabet = QStringLiteral("aAbB é");
    for (int round = 0; round < 40; ++round) {
        const int n = int(rng.bounded(2, 25));
        std::vector<CategoryEntry> entries;
        for (int i = 0; i < n; ++i) {
            QString code;
            const int len = int(rng.bounded(1, 5));
            for (int k = 0; k < len; ++k)
                code += alphabet.at(rng.bounded(int(alphabet.size())));
            entries.push_back(entry(code, QStringLiteral("entry %1").arg(i)));
        }
        writeBytes(file.path(), bytesOf(entries));

        std::vector<CategoryEntry> expected = entries;
        const auto key = [](const CategoryEntry& e) {
            QByteArray k(e.categoryCode.data(), CategoryEntry::kCodeWidth);
            upper1252InPlace(k.data(), std::size_t(k.size()));
            return k;  // QByteArray compares bytes as unsigned
        };
        for (int pass = 0; pass < n; ++pass)
            for (int j = 0; j + 1 < n; ++j)
                if (key(expected[j]) > key(expected[j + 1]))
                    std::swap(expected[j], expected[j + 1]);

        SortCategoryFile(file);
        QCOMPARE(readBytes(file.path()), bytesOf(expected));
    }
}

void CategoryFileTest::failedSortLeavesFileUnchanged()
{
    Fixture fx;
    const CategoryFile file = CategoryFile::inFolder(fx.folder());
    makeCategories(file, {"wa", "FO", "Sh"});
    const QByteArray before = readBytes(file.path());
    testing::failWritesAfter(0);
    QVERIFY_THROWS_EXCEPTION(FileError, SortCategoryFile(file));
    QCOMPARE(readBytes(file.path()), before);
    QVERIFY(!QFileInfo::exists(file.workPath()));
}

void CategoryFileTest::labelLookup()
{
    Fixture fx;
    const CategoryFile file = CategoryFile::inFolder(fx.folder());

    // A missing file is created and the name stays as the caller set it.
    QString name = QStringLiteral("prefilled");
    QVERIFY(!getlabel(file, QStringLiteral("FO        "), name));
    QCOMPARE(name, QStringLiteral("prefilled"));
    QVERIFY(QFileInfo::exists(file.path()));

    writeBytes(file.path(), bytesOf({entry(QStringLiteral("FOX"), QStringLiteral("Foxes")),
                                     entry(QStringLiteral("FO"), QStringLiteral("Food")),
                                     entry(QStringLiteral("FO"), QStringLiteral("Second food")),
                                     entry(QStringLiteral("fo"), QStringLiteral("lower")),
                                     entry(QStringLiteral(" FO"), QStringLiteral("spaced"))}));

    // The code is compared as given against the full stored field.
    QVERIFY(getlabel(file, QStringLiteral("FO        "), name));
    QCOMPARE(name, QStringLiteral("Food                "));  // the first match, with padding
    QVERIFY(getlabel(file, QStringLiteral("fo        "), name));
    QCOMPARE(name, QStringLiteral("lower               "));
    QVERIFY(getlabel(file, QStringLiteral(" FO       "), name));
    QCOMPARE(name, QStringLiteral("spaced              "));

    name = QStringLiteral("unchanged");
    for (const QString& code : {QStringLiteral("FO"), QStringLiteral("Fo        "),
                                QStringLiteral("FO         "), QString(), QStringLiteral("FOOD      ")}) {
        QVERIFY(!getlabel(file, code, name));
        QCOMPARE(name, QStringLiteral("unchanged"));
    }
}

void CategoryFileTest::chaseMovesMatchingRecords()
{
    Fixture fx;
    RecordFile records(fx.path(QStringLiteral("fennick.dat")));
    const QList<LedgerRecord> start = {
        filed(QStringLiteral("FO"), false, 0),  filed(QStringLiteral("FOX"), false, 1),
        filed(QStringLiteral("FO"), true, 2),   filed(QStringLiteral(" FO"), false, 3),
        filed(QStringLiteral("fo"), false, 4),  filed(QStringLiteral("FOOD"), true, 5),
        filed(QStringLiteral("F O"), false, 6),
    };
    for (LedgerRecord r : start)
        records.FileNewEntry(r);
    const QByteArray before = readBytes(records.path());

    QCOMPARE(ChaseCat(records, QStringLiteral(" FO  "), QStringLiteral("  FOOD "), 'N'), qint64(3));

    const auto after = records.readAll();
    QCOMPARE(after.size(), std::size_t(7));
    const QByteArray bytes = readBytes(records.path());
    for (int i : {0, 2, 3}) {
        QCOMPARE(after[i].categoryCodeText(), QStringLiteral("FOOD      "));
        QCOMPARE(after[i].isDeleted(), i == 2);  // marks are left as they were
        // Everything but the code is as it was.
        QCOMPARE(bytes.mid(i * 125, 8), before.mid(i * 125, 8));
        QCOMPARE(bytes.mid(i * 125 + 18, 107), before.mid(i * 125 + 18, 107));
    }
    for (int i : {1, 4, 5, 6})
        QCOMPARE(bytes.mid(i * 125, 125), before.mid(i * 125, 125));

    // A long new code is cut to the field.
    QCOMPARE(ChaseCat(records, QStringLiteral("FOX"), QStringLiteral("FOXES AND HOUNDS"), 'N'),
             qint64(1));
    QCOMPARE(records.read(2).categoryCodeText(), QStringLiteral("FOXES AND "));

    // A code no record carries changes nothing.
    const QByteArray now = readBytes(records.path());
    QCOMPARE(ChaseCat(records, QStringLiteral("NONE"), QStringLiteral("X"), 'Y'), qint64(0));
    QCOMPARE(readBytes(records.path()), now);
}

void CategoryFileTest::chaseWithDeleteMarks()
{
    Fixture fx;
    RecordFile records(fx.path(QStringLiteral("fennick.dat")));
    for (LedgerRecord r : {filed(QStringLiteral("CAR"), false, 0), filed(QStringLiteral("CARS"), false, 1),
                           filed(QStringLiteral("CAR"), true, 2), filed(QStringLiteral("CAR"), false, 3)})
        records.FileNewEntry(r);

    // Deleting a category passes the code from the panel as the new code.
    QCOMPARE(ChaseCat(records, QStringLiteral("CAR       "), QStringLiteral("CAR"), 'Y'), qint64(3));
    const auto after = records.readAll();
    QVERIFY(after[0].isDeleted());
    QVERIFY(!after[1].isDeleted());
    QVERIFY(after[2].isDeleted());
    QVERIFY(after[3].isDeleted());
    QCOMPARE(after[3].categoryCodeText(), QStringLiteral("CAR       "));
    QCOMPARE(after[3].amount, Money(-40000));
    QCOMPARE(after[3].recordNumber, 4.0);

    // Any mark but "Y" leaves deletion marks alone.
    QCOMPARE(ChaseCat(records, QStringLiteral("CARS"), QStringLiteral("AUTO"), 'y'), qint64(1));
    QVERIFY(!records.read(2).isDeleted());
}

void CategoryFileTest::chaseWritesOnlyMatches()
{
    Fixture fx;
    RecordFile records(fx.path(QStringLiteral("fennick.dat")));
    for (int i = 0; i < 50; ++i) {
        LedgerRecord r = filed(i % 10 == 3 ? QStringLiteral("TAX") : QStringLiteral("RENT"), false, i);
        records.FileNewEntry(r);
    }
    // Five records match; a sixth write would fail.
    testing::failWritesAfter(5);
    QCOMPARE(ChaseCat(records, QStringLiteral("TAX"), QStringLiteral("DUTY"), 'N'), qint64(5));
    testing::reset();
    int duty = 0;
    for (const LedgerRecord& r : records.readAll())
        duty += trimSpaces(r.categoryCodeText()) == QLatin1String("DUTY");
    QCOMPARE(duty, 5);
}

QTEST_GUILESS_MAIN(CategoryFileTest)
#include "test_categories.moc"
