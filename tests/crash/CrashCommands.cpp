#include "crash/CrashCommands.h"

#include "app/Settings.h"
#include "backup/DataSetCopy.h"
#include "import/DelimitedText.h"
#include "import/ImportRun.h"
#include "import/TextLines.h"
#include "macros/MacroFile.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/InternalBackup.h"
#include "store/Maintenance.h"
#include "store/PickList.h"
#include "store/RecordFile.h"
#include "store/UndoHistory.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace fnk::crash {

namespace {

const char* const kCodes[] = {"FOOD", "RENT", "CAR", "FUN", "GIFT"};

store::LedgerRecord makeRecord(int i)
{
    store::LedgerRecord r;
    r.entryDate = 40000 + i % 3000;
    r.setCategoryCode(QString::fromLatin1(kCodes[i % 5]));
    r.amount = store::Money(i) * 1370 - 50000;
    r.setNote(QStringLiteral("Entry %1 caf\u00e9").arg(i));
    r.setUserField1(QStringLiteral("U%1").arg(i % 7));
    r.recordNumber = i;
    r.deletedFlag = i % 5 == 0 ? 'Y' : 'N';
    return r;
}

QByteArray ledgerBytes(int count, int from = 1)
{
    QByteArray out(qsizetype(count) * qsizetype(store::LedgerRecord::kSize), Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        makeRecord(from + i).encode(out.data() + qsizetype(i) * qsizetype(store::LedgerRecord::kSize));
    return out;
}

void put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw store::FileError(QStringLiteral("Cannot prepare ") + path, store::kPathFileAccess,
                               path);
}

store::CategoryEntry category(const QString& code, const QString& name)
{
    store::CategoryEntry e;
    e.setCategoryCode(code);
    e.setCategoryName(name);
    e.setCategoryDescription(name + QStringLiteral(" and the like"));
    return e;
}

void prepareData(const QString& dir, const Sizes& sizes, int salt)
{
    put(dir + QStringLiteral("fennick.dat"), ledgerBytes(sizes.ledger, 1 + salt));
    QByteArray cats;
    for (const char* code : kCodes) {
        char buf[store::CategoryEntry::kSize];
        category(QString::fromLatin1(code), QStringLiteral("Name of ") + QLatin1String(code))
            .encode(buf);
        cats.append(buf, qsizetype(sizeof buf));
    }
    put(dir + QStringLiteral("category.dat"), cats);
    put(dir + QStringLiteral("udf1.dat"), "Alpha\r\nBeta\r\n");
    put(dir + QStringLiteral("udf2.dat"), "Gamma\r\n");
}

}  // namespace

const QList<Command>& commands()
{
    static const QList<Command> all = {
        {"new", Kind::Append, QStringLiteral("fennick.dat")},
        {"replace", Kind::InPlace, QStringLiteral("fennick.dat")},
        {"delete", Kind::InPlace, QStringLiteral("fennick.dat")},
        {"purge", Kind::Whole, {}},
        {"restore", Kind::InPlace, QStringLiteral("fennick.dat")},
        {"catsave", Kind::Whole, {}},
        {"catreplace", Kind::Whole, {}},
        {"catdelete", Kind::Whole, {}},
        {"chasecat", Kind::Whole, {}},
        {"pick", Kind::Append, QStringLiteral("udf1.dat")},
        {"import", Kind::Append, QStringLiteral("fennick.dat")},
        {"macro", Kind::Append, QStringLiteral("fennick.dat")},
        {"backup", Kind::Whole, {}},
        {"restorebackup", Kind::Whole, {}},
        {"dataset", Kind::Whole, {}},
        {"settings", Kind::Whole, {}},
        {"undo-purge", Kind::Undo, QStringLiteral("fennick.dat")},
        {"undo-catdelete", Kind::Undo, QStringLiteral("fennick.dat")},
        {"undo-restore", Kind::Undo, QStringLiteral("fennick.dat")},
        {"undo-import", Kind::Undo, QStringLiteral("fennick.dat")},
        {"redo-catreplace", Kind::Undo, QStringLiteral("fennick.dat")},
        {"redo-macro", Kind::Undo, QStringLiteral("fennick.dat")},
        {"redo-purge", Kind::Undo, QStringLiteral("fennick.dat")},
        {"redo-catdelete", Kind::Undo, QStringLiteral("fennick.dat")},
        {"redo-restore", Kind::Undo, QStringLiteral("fennick.dat")},
        {"redo-import", Kind::Undo, QStringLiteral("fennick.dat")},
        {"redo-restorebackup", Kind::Undo, QStringLiteral("fennick.dat")},
    };
    return all;
}

const Command* findCommand(const QString& name)
{
    for (const Command& c : commands())
        if (QLatin1String(c.name) == name)
            return &c;
    return nullptr;
}

void prepare(const QString& folder, const Sizes& sizes)
{
    prepareData(folder, sizes, 0);
    prepareData(folder + QStringLiteral("stick/"), Sizes{sizes.ledger / 2, 0, 0, 0}, 7);
    put(folder + QStringLiteral("fennick.bak"), ledgerBytes(sizes.ledger / 3, 11));
    put(folder + QStringLiteral("month.fnk"), ledgerBytes(sizes.macroRecords, 500));
    QByteArray csv;
    for (int i = 1; i <= sizes.importLines; ++i)
        csv += QStringLiteral("%1/%2/2021,%3.%4,Imported line %5\r\n")
                   .arg(1 + i % 12)
                   .arg(1 + i % 28)
                   .arg(i % 900)
                   .arg(i % 100, 2, 10, QLatin1Char('0'))
                   .arg(i)
                   .toLatin1();
    put(folder + QStringLiteral("bank.csv"), csv);
    app::SettingsRecord settings;
    settings.setOwnerName(QStringLiteral("Before"));
    app::SettingsFile(folder).write(settings);
}

void run(const QString& name, const QString& folder, const Sizes& sizes,
         const std::function<void(int)>& saved, const std::function<void()>& step)
{
    const auto report = [&](int k) {
        if (saved)
            saved(k);
    };
    const auto between = [&] {
        if (step)
            step();
    };
    const QString ledger = folder + QStringLiteral("fennick.dat");
    store::RecordFile records(ledger);
    store::CategoryFile cats(folder + QStringLiteral("category.dat"));

    // "undo-<command>": the command as one step of the data folder's
    // history, then its undo; "redo-<command>" then redoes it too.
    if (name.startsWith(QLatin1String("undo-")) || name.startsWith(QLatin1String("redo-"))) {
        QStringList files;
        for (const char* n : {"fennick.dat", "category.dat", "udf1.dat", "udf2.dat"})
            files << folder + QLatin1String(n);
        store::UndoHistory history(store::UndoHistory::workFolderOf(folder), files);
        {
            auto undoStep = history.begin(name.mid(5));
            run(name.mid(5), folder, sizes, saved, step);
            undoStep.commit();
        }
        // Run again after a kill, the command may find nothing left to do.
        if (!history.canUndo())
            return;
        between();
        history.undo();
        if (name.startsWith(QLatin1String("redo-"))) {
            between();
            history.redo();
        }
        return;
    }

    if (name == QLatin1String("new")) {
        for (int k = 1; k <= sizes.saves; ++k) {
            store::LedgerRecord r = makeRecord(100000 + k);
            records.FileNewEntry(r);
            report(k);
        }
    } else if (name == QLatin1String("replace") || name == QLatin1String("delete")) {
        const bool del = name == QLatin1String("delete");
        for (int k = 1; k <= sizes.saves; ++k) {
            store::LedgerRecord r = del ? records.read(k) : makeRecord(200000 + k);
            if (del)
                r.deletedFlag = 'Y';
            r.recordNumber = k;
            records.ReplaceRecord(k, r);
            report(k);
        }
    } else if (name == QLatin1String("purge")) {
        store::PurgeDeletedRecs(ledger, folder);
    } else if (name == QLatin1String("restore")) {
        store::RestoreDeletedRecords(ledger);
    } else if (name == QLatin1String("catsave")) {
        cats.append(category(QStringLiteral("BOOKS"), QStringLiteral("Books")));
        between();
        store::SortCategoryFile(cats);
    } else if (name == QLatin1String("catreplace")) {
        cats.write(2, category(QStringLiteral("HOME"), QStringLiteral("Home")));
        between();
        store::ChaseCat(records, QStringLiteral("RENT"), QStringLiteral("HOME"), 'N');
    } else if (name == QLatin1String("catdelete")) {
        std::vector<store::CategoryEntry> kept = cats.readAll();
        kept.erase(kept.begin() + 2);
        cats.rewrite(kept);
        between();
        store::ChaseCat(records, QStringLiteral("CAR"), QStringLiteral("CAR"), 'Y');
    } else if (name == QLatin1String("chasecat")) {
        store::ChaseCat(records, QStringLiteral("FOOD"), QStringLiteral("GROCERY"), 'N');
    } else if (name == QLatin1String("pick")) {
        store::PickList list = store::PickList::forField(folder, 1);
        for (int k = 1; k <= sizes.saves; ++k) {
            list.add(QStringLiteral("Val%1").arg(k));
            report(k);
        }
    } else if (name == QLatin1String("import")) {
        imports::Links links;
        links.date = 1;
        links.amount = 2;
        links.note = 3;
        qint64 imported = 0;
        int told = 0;
        const imports::WalkEnd end = imports::importRecords(
            folder + QStringLiteral("bank.csv"), ledger, links, false, nullptr,
            imports::TextEncoding::Detect, imported, [&](qint64, qint64 written) {
                if (written > told)
                    report(told = int(written));
            });
        if (end.refusedLine > 0)
            throw store::FileError(QStringLiteral("Import line refused: ") + end.problem, 13,
                                   ledger);
        if (imported > told)
            report(int(imported));
    } else if (name == QLatin1String("macro")) {
        macros::playMacro(folder + QStringLiteral("month.fnk"), ledger, QDate(2024, 3, 1),
                          [&](qint64 done, qint64) { report(int(done)); });
    } else if (name == QLatin1String("backup")) {
        store::createBackup(ledger, folder);
    } else if (name == QLatin1String("restorebackup")) {
        store::restoreBackup(ledger, folder);
    } else if (name == QLatin1String("dataset")) {
        const QString stick = folder + QStringLiteral("stick/");
        backup::copyDataSet(folder, stick, backup::dataSetFiles(folder),
                            {[&](int index, const QString&) {
                                 if (index > 0)
                                     between();
                                 return true;
                             },
                             {}});
    } else if (name == QLatin1String("settings")) {
        app::SettingsRecord settings;
        settings.setOwnerName(QStringLiteral("After"));
        settings.setWindowWidth(12345);
        app::SettingsFile(folder).write(settings);
    } else {
        throw store::FileError(QStringLiteral("No such command: ") + name, 5, name);
    }
}

QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            out.insert(base.relativeFilePath(path), f.readAll());
    }
    return out;
}

QStringList workFiles(const QMap<QString, QByteArray>& files)
{
    QStringList out;
    for (auto it = files.keyBegin(); it != files.keyEnd(); ++it) {
        const QString& n = *it;
        if (n.endsWith(QLatin1String(".tmp")) || n.endsWith(QLatin1String(".part"))
            || n.endsWith(QLatin1String(".lnk")) || n.endsWith(QLatin1String("temp.dat"))
            || n.endsWith(QLatin1String(".undo")) || n.startsWith(QLatin1String("fnk_undo")))
            out << n;
    }
    return out;
}

bool madeOfStates(const QList<QByteArray>& states, const QByteArray& now)
{
    if (states.contains(now))
        return true;
    const qsizetype rec = qsizetype(store::LedgerRecord::kSize);
    for (qsizetype at = 0; at < now.size(); at += rec) {
        const QByteArray piece = now.mid(at, rec);
        bool found = false;
        for (const QByteArray& s : states)
            found = found || s.mid(at, piece.size()) == piece;
        if (!found)
            return false;
    }
    return true;
}

}  // namespace fnk::crash
