// Undo and redo of every kind of change to a data folder's files: the bytes
// come back exactly, a file changed by something else is refused, and a disk
// fault during undo leaves the files as they were.

#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/InternalBackup.h"
#include "store/LedgerRecord.h"
#include "store/Maintenance.h"
#include "store/PickList.h"
#include "store/RecordAppender.h"
#include "store/RecordFile.h"
#include "store/UndoHistory.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <sys/stat.h>

#include <functional>
#include <map>
#include <memory>
#include <random>

using namespace fnk::store;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

namespace {

const QStringList kNames = {QStringLiteral("fennick.dat"), QStringLiteral("category.dat"),
                            QStringLiteral("udf1.dat"), QStringLiteral("udf2.dat")};

// Every data file's bytes; "<none>" for a missing one.
using Files = std::map<QString, QByteArray>;

Files filesIn(const QString& folder)
{
    Files out;
    for (const QString& n : kNames + QStringList{QStringLiteral("fennick.bak")})
        out[n] = QFileInfo::exists(folder + n) ? readBytes(folder + n) : QByteArray("<none>");
    return out;
}

LedgerRecord sample(int i)
{
    LedgerRecord r;
    r.entryDate = 46000 + i;
    r.setCategoryCode(i % 3 == 0 ? QStringLiteral("FOOD") : QStringLiteral("RENT"));
    r.amount = -Money(i) * 10000;
    r.setNote(QStringLiteral("entry %1").arg(i));
    r.deletedFlag = i % 4 == 0 ? 'Y' : 'N';
    return r;
}

CategoryEntry category(const QString& code)
{
    CategoryEntry e;
    e.setCategoryCode(code);
    e.setCategoryName(code.toLower());
    return e;
}

struct Folder {
    Fixture fx;
    QString dir = fx.folder();
    QString ledger = dir + QStringLiteral("fennick.dat");
    std::unique_ptr<UndoHistory> history;

    Folder()
    {
        QByteArray records;
        for (int i = 1; i <= 40; ++i) {
            LedgerRecord r = sample(i);
            r.recordNumber = i;
            char bytes[LedgerRecord::kSize];
            r.encode(bytes);
            records.append(bytes, qsizetype(LedgerRecord::kSize));
        }
        writeBytes(ledger, records);
        CategoryFile cats = CategoryFile::inFolder(dir);
        for (const char* code : {"RENT", "FOOD", "CAR"})
            cats.append(category(QString::fromLatin1(code)));
        PickList::forField(dir, 1).add(QStringLiteral("cash"));
        history = std::make_unique<UndoHistory>(UndoHistory::workFolderOf(dir), paths());
    }
    QStringList paths() const
    {
        QStringList out;
        for (const QString& n : kNames)
            out << dir + n;
        return out;
    }
    // Runs `command` as one step; returns the files before and after it.
    std::pair<Files, Files> run(const QString& text, const std::function<void()>& command)
    {
        const Files before = filesIn(dir);
        auto step = history->begin(text);
        command();
        step.commit();
        return {before, filesIn(dir)};
    }
};

using Command = std::function<void(Folder&)>;

}  // namespace

Q_DECLARE_METATYPE(Command)

class UndoHistoryTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { testing::reset(); }

    void eachKindOfChangeComesBackByteForByte_data()
    {
        QTest::addColumn<Command>("command");
        QTest::newRow("record saved in place") << Command([](Folder& f) {
            LedgerRecord r = sample(99);
            r.recordNumber = 7;
            RecordFile(f.ledger).ReplaceRecord(7, r);
        });
        QTest::newRow("deletion mark") << Command([](Folder& f) {
            RecordFile records(f.ledger);
            LedgerRecord r = records.read(5);
            r.deletedFlag = 'Y';
            records.write(5, r);
        });
        QTest::newRow("one record appended") << Command([](Folder& f) {
            LedgerRecord r = sample(41);
            RecordFile(f.ledger).FileNewEntry(r);
        });
        QTest::newRow("import in blocks over a damaged tail") << Command([](Folder& f) {
            testing::setAppendBlockRecords(16);
            RecordAppender appender(f.ledger);
            for (int i = 0; i < 100; ++i) {
                LedgerRecord r = sample(100 + i);
                appender.append(r);
            }
            appender.finish();
            testing::setAppendBlockRecords(0);
        });
        QTest::newRow("purge") << Command([](Folder& f) { PurgeDeletedRecs(f.ledger, f.dir); });
        QTest::newRow("category deleted, records recoded") << Command([](Folder& f) {
            RecordFile records(f.ledger);
            ChaseCat(records, QStringLiteral("FOOD"), QStringLiteral("CAR"), 'Y');
            CategoryFile cats = CategoryFile::inFolder(f.dir);
            auto all = cats.readAll();
            all.erase(all.begin() + 1);
            cats.rewrite(all);
        });
        QTest::newRow("category list sorted") << Command([](Folder& f) {
            SortCategoryFile(CategoryFile::inFolder(f.dir));
        });
        QTest::newRow("pick-list value added to a new list") << Command([](Folder& f) {
            PickList::forField(f.dir, 2).add(QStringLiteral("visa"));
        });
        QTest::newRow("pick-list value removed") << Command([](Folder& f) {
            PickList::forField(f.dir, 1).remove(QStringLiteral("cash"));
        });
        QTest::newRow("deleted records restored") << Command([](Folder& f) {
            RestoreDeletedRecords(f.ledger);
        });
        QTest::newRow("internal backup restored") << Command([](Folder& f) {
            restoreBackup(f.ledger, f.dir);
        });
        QTest::newRow("in place, then replaced whole in one step") << Command([](Folder& f) {
            LedgerRecord r = sample(77);
            r.recordNumber = 3;
            RecordFile(f.ledger).write(3, r);
            auto step = f.history->begin(QStringLiteral("inner"));  // joins the outer step
            PurgeDeletedRecs(f.ledger, f.dir);
        });
        QTest::newRow("first category of a new file") << Command([](Folder& f) {
            CategoryFile::inFolder(f.dir).append(category(QStringLiteral("NEW")));
        });
    }

    void eachKindOfChangeComesBackByteForByte()
    {
        QFETCH(Command, command);
        Folder f;
        // A backup older than the ledger; no category file yet.
        createBackup(f.ledger, f.dir);
        LedgerRecord extra = sample(50);
        RecordFile(f.ledger).FileNewEntry(extra);
        const QByteArray tag = QTest::currentDataTag();
        if (tag.startsWith("import"))
            QFile(f.ledger).resize(41 * 125 - 30);
        if (tag.startsWith("first category"))
            QFile::remove(f.dir + QStringLiteral("category.dat"));
        // The files were changed behind the history's back: a new one.
        f.history.reset();
        f.history = std::make_unique<UndoHistory>(UndoHistory::workFolderOf(f.dir), f.paths());
        const Files before = filesIn(f.dir);
        Files after;
        {
            auto step = f.history->begin(QStringLiteral("Change"));
            command(f);
        }
        after = filesIn(f.dir);
        QVERIFY(before != after);
        QVERIFY(f.history->canUndo());
        QCOMPARE(f.history->undoText(), QStringLiteral("Change"));

        for (int round = 0; round < 2; ++round) {
            f.history->undo();
            Files undone = filesIn(f.dir);
            undone[QStringLiteral("fennick.bak")] = before.at(QStringLiteral("fennick.bak"));
            QCOMPARE(undone, before);
            // The internal backup stays as the command left it.
            QCOMPARE(filesIn(f.dir).at(QStringLiteral("fennick.bak")),
                     after.at(QStringLiteral("fennick.bak")));
            QVERIFY(!f.history->canUndo());
            QCOMPARE(f.history->redoText(), QStringLiteral("Change"));
            f.history->redo();
            QCOMPARE(filesIn(f.dir), after);
        }
        // What undo and redo put back is the file's own: editing it in place
        // changes nothing kept.
        LedgerRecord r = sample(1);
        RecordFile(f.ledger).write(1, r);
        QCOMPARE(filesIn(f.dir).at(QStringLiteral("fennick.bak")), after.at(QStringLiteral("fennick.bak")));
    }

    void aChainIsUndoneAndRedoneInOrder()
    {
        Folder f;
        std::vector<Files> states{filesIn(f.dir)};
        const auto step = [&](const QString& text, const std::function<void()>& command) {
            states.push_back(f.run(text, command).second);
        };
        step(QStringLiteral("Delete Record"), [&] {
            LedgerRecord r = RecordFile(f.ledger).read(2);
            r.deletedFlag = 'Y';
            RecordFile(f.ledger).write(2, r);
        });
        step(QStringLiteral("Import of 30 Records"), [&] {
            RecordAppender a(f.ledger);
            for (int i = 0; i < 30; ++i) {
                LedgerRecord r = sample(200 + i);
                a.append(r);
            }
            a.finish();
        });
        step(QStringLiteral("Purge"), [&] { PurgeDeletedRecs(f.ledger, f.dir); });
        step(QStringLiteral("Sort Categories"), [&] { SortCategoryFile(CategoryFile::inFolder(f.dir)); });
        step(QStringLiteral("Add to List"), [&] { PickList::forField(f.dir, 1).add(QStringLiteral("card")); });
        QCOMPARE(f.history->undoCount(), 5);

        const auto sameData = [&](std::size_t i) {
            Files now = filesIn(f.dir);
            Files want = states[i];
            now.erase(QStringLiteral("fennick.bak"));
            want.erase(QStringLiteral("fennick.bak"));
            return now == want;
        };
        for (std::size_t i = 5; i-- > 0;) {
            f.history->undo();
            QVERIFY2(sameData(i), qPrintable(QStringLiteral("after undo to state %1").arg(i)));
        }
        QCOMPARE(f.history->redoText(), QStringLiteral("Delete Record"));
        for (std::size_t i = 1; i <= 5; ++i) {
            f.history->redo();
            QVERIFY(sameData(i));
        }
        QCOMPARE(f.history->undoText(), QStringLiteral("Add to List"));

        // A new change after two undos drops what could be redone, files too.
        f.history->undo();
        f.history->undo();
        f.run(QStringLiteral("Save Record"), [&] {
            LedgerRecord r = sample(9);
            r.recordNumber = 1;
            RecordFile(f.ledger).write(1, r);
        });
        QVERIFY(!f.history->canRedo());
        QCOMPARE(f.history->undoCount(), 4);
        for (const QString& n : QDir(f.history->workFolder()).entryList(QDir::Files))
            QVERIFY2(!n.startsWith(QLatin1Char('4')), qPrintable(n));
        QCOMPARE(f.history->undo(), QStringList{f.ledger});
        QVERIFY(sameData(3));
    }

    void nothingChangedRecordsNothing()
    {
        Folder f;
        SortCategoryFile(CategoryFile::inFolder(f.dir));
        f.run(QStringLiteral("Add to List"), [&] { PickList::forField(f.dir, 1).add(QStringLiteral("x")); });
        f.history->undo();
        // Already sorted; a failed save that put its bytes back.
        f.run(QStringLiteral("Sort"), [&] { SortCategoryFile(CategoryFile::inFolder(f.dir)); });
        f.run(QStringLiteral("Save Record"), [&] {
            testing::failWritesAfter(0, testing::Fault::ShortWrite);
            QVERIFY_THROWS_EXCEPTION(FileError, RecordFile(f.ledger).write(3, sample(3)));
            testing::reset();
        });
        QVERIFY(!f.history->canUndo());
        QCOMPARE(f.history->redoText(), QStringLiteral("Add to List"));
    }

    void aFileChangedBySomethingElseIsRefused()
    {
        Folder f;
        f.run(QStringLiteral("Save Record"), [&] { RecordFile(f.ledger).write(4, sample(4)); });
        f.run(QStringLiteral("Add to List"), [&] { PickList::forField(f.dir, 1).add(QStringLiteral("x")); });

        // The list is put back by another program with its old time: its
        // content tells.
        const QString list = f.dir + QStringLiteral("udf1.dat");
        const QDateTime time = QFileInfo(list).lastModified();
        const QByteArray listBytes = readBytes(list);
        writeBytes(list, QByteArray(listBytes).replace("x", "y"));
        QFile l(list);
        l.open(QIODevice::ReadWrite);
        l.setFileTime(time, QFileDevice::FileModificationTime);
        l.close();
        const Files changed = filesIn(f.dir);
        try {
            f.history->undo();
            QFAIL("undo went ahead");
        } catch (const UndoRefused& e) {
            QVERIFY(e.name().contains(QStringLiteral("Undo Add to List")));
            QVERIFY(e.name().contains(QStringLiteral("udf1.dat")));
        }
        QCOMPARE(filesIn(f.dir), changed);
        QVERIFY(f.history->canUndo());

        // The list was not in the older step: that one can go... once the
        // newer is out of the way, which it cannot be.  A new change of the
        // list starts from what the other program left.
        f.run(QStringLiteral("Add to List"), [&] { PickList::forField(f.dir, 1).add(QStringLiteral("z")); });
        f.history->undo();
        QCOMPARE(filesIn(f.dir), changed);
        QVERIFY_THROWS_EXCEPTION(UndoRefused, f.history->undo());

        // The ledger changed by something else: its step is refused too.
        Folder g;
        g.run(QStringLiteral("Save Record"), [&] { RecordFile(g.ledger).write(4, sample(4)); });
        QFile(g.ledger).resize(125 * 39);
        QVERIFY_THROWS_EXCEPTION(UndoRefused, g.history->undo());
        QCOMPARE(QFileInfo(g.ledger).size(), 125 * 39);
    }

    void aDiskFaultDuringUndoLeavesTheFiles_data()
    {
        QTest::addColumn<Command>("command");
        QTest::newRow("in place") << Command([](Folder& f) { RestoreDeletedRecords(f.ledger); });
        QTest::newRow("import") << Command([](Folder& f) {
            RecordAppender a(f.ledger);
            for (int i = 0; i < 3000; ++i) {
                LedgerRecord r = sample(i);
                a.append(r);
            }
            a.finish();
        });
        QTest::newRow("purge, whose old file is also the backup") << Command([](Folder& f) {
            PurgeDeletedRecs(f.ledger, f.dir);
        });
        QTest::newRow("two files") << Command([](Folder& f) {
            RecordFile records(f.ledger);
            ChaseCat(records, QStringLiteral("FOOD"), QStringLiteral("CAR"), 'N');
            records.write(1, sample(11));
            PickList::forField(f.dir, 2).add(QStringLiteral("new"));
            CategoryFile::inFolder(f.dir).rewrite({category(QStringLiteral("CAR"))});
        });
    }

    void aDiskFaultDuringUndoLeavesTheFiles()
    {
        QFETCH(Command, command);
        for (const bool renameFails : {false, true}) {
            Folder f;
            const auto [before, after] = f.run(QStringLiteral("Change"), [&] { command(f); });
            // Every write call of the undo fails in turn, then of the redo.
            for (const bool undo : {true, false}) {
                const Files start = undo ? after : before;
                const Files goal = undo ? before : after;
                bool done = false;
                for (int ok = 0; !done && ok < 200; ++ok) {
                    if (renameFails && ok < 2)
                        testing::failRenameOnto(f.dir + kNames[ok]);
                    else
                        testing::failWritesAfter(ok, testing::Fault::ShortWrite);
                    try {
                        undo ? f.history->undo() : f.history->redo();
                        done = true;
                    } catch (const FileError&) {
                        testing::reset();
                        Files now = filesIn(f.dir);
                        now[QStringLiteral("fennick.bak")] = start.at(QStringLiteral("fennick.bak"));
                        QCOMPARE(now, start);
                        QCOMPARE(f.history->canUndo(), undo);
                    }
                    testing::reset();
                }
                if (!done)
                    undo ? f.history->undo() : f.history->redo();
                Files now = filesIn(f.dir);
                now[QStringLiteral("fennick.bak")] = goal.at(QStringLiteral("fennick.bak"));
                QCOMPARE(now, goal);
            }
            // Nothing left behind beside the data files.
            for (const QString& n : QDir(f.dir).entryList(QDir::Files))
                QVERIFY2(!n.contains(QStringLiteral(".undo")), qPrintable(n));
        }
    }

    void aFailedCommandKeepsWhatItWrote()
    {
        Folder f;
        const Files start = filesIn(f.dir);
        testing::setAppendBlockRecords(8);
        {
            auto step = f.history->begin(QStringLiteral("Import of 50 Records"));
            RecordAppender a(f.ledger);
            try {
                for (int i = 0; i < 50; ++i) {
                    LedgerRecord r = sample(i);
                    a.append(r);
                    if (i == 20)
                        testing::failWritesAfter(0);
                }
                QFAIL("the import went through");
            } catch (const FileError&) {
            }
            testing::reset();
            step.setText(QStringLiteral("Import of 16 Records"));
        }
        testing::setAppendBlockRecords(0);
        QCOMPARE(RecordFile(f.ledger).count(), 56);
        QCOMPARE(f.history->undoText(), QStringLiteral("Import of 16 Records"));
        f.history->undo();
        QCOMPARE(filesIn(f.dir), start);

        // A step whose change could not be kept leaves its files beyond undo.
        f.history->redo();
        f.run(QStringLiteral("Add to List"), [&] { PickList::forField(f.dir, 1).add(QStringLiteral("x")); });
        {
            auto step = f.history->begin(QStringLiteral("Save Record"));
            RecordFile(f.ledger).write(2, sample(2));
            step.abandon();
        }
        f.history->undo();  // the list's step is untouched
        QVERIFY_THROWS_EXCEPTION(UndoRefused, f.history->undo());
    }

    // Random commands, undos and redos against a model: the list of states
    // the files passed through and where in it they stand.
    void randomSequencesMatchTheModel()
    {
        for (const unsigned seed : {11u, 2026u, 90210u}) {
            Folder f;
            std::mt19937 rng(seed);
            const auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); };
            const auto data = [&] {
                Files now = filesIn(f.dir);
                now.erase(QStringLiteral("fennick.bak"));
                return now;
            };
            const std::vector<std::function<void()>> commands = {
                [&] { RecordFile(f.ledger).write(1 + pick(int(RecordFile(f.ledger).count())), sample(pick(99))); },
                [&] {
                    LedgerRecord r = sample(pick(99));
                    RecordFile(f.ledger).FileNewEntry(r);
                },
                [&] {
                    RecordAppender a(f.ledger);
                    for (int i = pick(40); i >= 0; --i) {
                        LedgerRecord r = sample(i);
                        a.append(r);
                    }
                    a.finish();
                },
                [&] { PurgeDeletedRecs(f.ledger, f.dir); },
                [&] { RestoreDeletedRecords(f.ledger); },
                [&] {
                    RecordFile records(f.ledger);
                    ChaseCat(records, pick(2) ? QStringLiteral("FOOD") : QStringLiteral("RENT"),
                             QStringLiteral("CAR"), pick(2) ? 'Y' : 'N');
                },
                [&] { CategoryFile::inFolder(f.dir).append(category(QStringLiteral("C%1").arg(pick(9)))); },
                [&] { SortCategoryFile(CategoryFile::inFolder(f.dir)); },
                [&] { PickList::forField(f.dir, 1 + pick(2)).add(QStringLiteral("v%1").arg(pick(5))); },
                [&] { PickList::forField(f.dir, 1 + pick(2)).remove(QStringLiteral("v%1").arg(pick(5))); },
                [&] { createBackup(f.ledger, f.dir); },
                [&] { restoreBackup(f.ledger, f.dir); },
            };
            std::vector<Files> states{data()};
            std::size_t at = 0;
            for (int op = 0; op < 70; ++op) {
                const int what = pick(int(commands.size()) + 6);
                if (what >= int(commands.size()) + 3 && f.history->canUndo()) {
                    f.history->undo();
                    --at;
                } else if (what >= int(commands.size()) && f.history->canRedo()) {
                    f.history->redo();
                    ++at;
                } else {
                    auto step = f.history->begin(QStringLiteral("Command %1").arg(op));
                    commands[std::size_t(what % int(commands.size()))]();
                    if (step.commit()) {
                        states.resize(++at);
                        states.push_back(data());
                    }
                }
                QVERIFY2(data() == states[at], qPrintable(QStringLiteral("seed %1, step %2").arg(seed).arg(op)));
                QCOMPARE(f.history->undoCount(), qint64(at));
                QCOMPARE(f.history->redoCount(), qint64(states.size() - 1 - at));
            }
        }
    }

    // A macro on another file system: its history keeps copies, not links,
    // and puts them back by copy.
    void aMacroElsewhereHasAHistoryOfItsOwn()
    {
        Folder f;
        QTemporaryDir shm(QStringLiteral("/dev/shm/fnk-XXXXXX"));
        struct stat a {};
        struct stat b {};
        const bool other = shm.isValid() && ::stat(QFile::encodeName(shm.path()).constData(), &a) == 0
            && ::stat(QFile::encodeName(f.dir).constData(), &b) == 0 && a.st_dev != b.st_dev;
        if (!other)
            QSKIP("no second file system here");
        const QString macro = shm.path() + QStringLiteral("/month.fnk");
        QFile::copy(f.ledger, macro);
        UndoHistory macroHistory(UndoHistory::macroWorkFolderOf(f.dir), {macro});
        const QByteArray before = readBytes(macro);
        {
            auto step = macroHistory.begin(QStringLiteral("Purge"));
            PurgeDeletedRecs(macro, f.dir);
        }
        const QByteArray after = readBytes(macro);
        QVERIFY(!f.history->canUndo());
        macroHistory.undo();
        QCOMPARE(readBytes(macro), before);
        macroHistory.redo();
        QCOMPARE(readBytes(macro), after);
        QCOMPARE(QDir(shm.path()).entryList(QDir::Files), QStringList{QStringLiteral("month.fnk")});
    }

    void theWorkFolderGoesWithTheHistory()
    {
        Fixture fx;
        const QString work = UndoHistory::workFolderOf(fx.folder());
        QDir().mkpath(work);
        writeBytes(work + QStringLiteral("3-0.img"), "left by a killed run");
        {
            UndoHistory history(work, {fx.path(QStringLiteral("fennick.dat"))});
            QVERIFY(!QFileInfo::exists(work + QStringLiteral("3-0.img")));
            QVERIFY(!history.canUndo());
            auto step = history.begin(QStringLiteral("Save Record"));
            LedgerRecord r = sample(1);
            RecordFile(fx.path(QStringLiteral("fennick.dat"))).FileNewEntry(r);
        }
        QVERIFY(!QFileInfo::exists(work));
        QVERIFY(QFileInfo::exists(fx.path(QStringLiteral("fennick.dat"))));
    }
};

QTEST_GUILESS_MAIN(UndoHistoryTest)
#include "test_undo_history.moc"
