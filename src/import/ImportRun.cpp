#include "import/ImportRun.h"

#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/RecordAppender.h"
#include "store/Text1252.h"

#include <QFile>

namespace fnk::imports {

WalkEnd importRecords(const QString& importFile, const QString& recordFile, const Links& links,
                      bool skipHeader, const RecordKeys* skip, TextEncoding encoding,
                      qint64& imported, const std::function<void(qint64, qint64)>& step,
                      const QLocale& locale, SplitRule rule)
{
    imported = 0;
    store::RecordAppender records(recordFile);
    WalkEnd end;
    try {
        end = walkRecords(
            importFile, links, skipHeader,
            [&](const store::LedgerRecord& built, qint64 line) {
                if (!skip || !skip->contains(built)) {
                    store::LedgerRecord r = built;
                    records.append(r);
                    imported = records.written();
                }
                if (step)
                    step(line, imported);
            },
            encoding, locale, rule);
        records.finish();
    } catch (...) {
        imported = records.written();
        throw;
    }
    imported = records.written();
    return end;
}

void StatementCategories::readCategories(const QString& categoryFile)
{
    codeOf.clear();
    if (!QFile::exists(categoryFile))
        return;
    for (const store::CategoryEntry& c : store::CategoryFile(categoryFile).readAll()) {
        const QString code = store::trimSpaces(c.categoryCodeText());
        const QString name = store::trimSpaces(c.categoryNameText());
        if (code.isEmpty())
            continue;
        codeOf.insert(code.toUpper(), code);
        if (!name.isEmpty() && !codeOf.contains(name.toUpper()))
            codeOf.insert(name.toUpper(), code);
    }
}

QString StatementCategories::categoryFor(const StatementTransaction& t, qsizetype row) const
{
    const auto given = givenRows.constFind(row);
    if (given != givenRows.constEnd())
        return *given;
    if (!t.categoryHint.isEmpty()) {
        const QString hint = t.categoryHint.trimmed().toUpper();
        auto known = codeOf.constFind(hint);
        // "Food:Groceries" names the category Food.
        if (known == codeOf.constEnd() && hint.contains(QLatin1Char(':')))
            known = codeOf.constFind(hint.section(QLatin1Char(':'), 0, 0).trimmed());
        if (known != codeOf.constEnd())
            return *known;
    }
    const QString ruled = rules.categoryFor(t.note);
    return ruled.isEmpty() ? defaultCode : ruled;
}

store::LedgerRecord statementRecord(const StatementTransaction& t, const QString& category)
{
    store::LedgerRecord r;
    ClearEntry(r);
    r.entryDate = double(t.day);
    r.amount = t.amount;
    r.setNote(t.note);
    r.setCategoryCode(category);
    return r;
}

void importStatement(const Statement& statement, const StatementCategories& categories,
                     const QString& recordFile, const QString& seenFile, StatementRunEnd& end,
                     const std::function<void(qint64, qint64)>& step)
{
    end = {};
    const SeenIds seen = SeenIds::read(seenFile);
    QSet<QString> thisRun;
    QStringList ids;
    store::RecordAppender records(recordFile);
    const auto keepIds = [&](qint64 written) {
        if (written <= 0)
            return;
        SeenIds::record(seenFile, ids.mid(0, written), end.runTag);
    };
    try {
        const QList<StatementTransaction>& all = statement.transactions;
        for (qsizetype row = 0; row < all.size(); ++row) {
            const StatementTransaction& t = all.at(row);
            if (seen.contains(t.id) || thisRun.contains(t.id)) {
                ++end.skipped;
            } else {
                store::LedgerRecord r = statementRecord(t, categories.categoryFor(t, row));
                const qint64 at = records.append(r);
                if (end.runTag.isEmpty())
                    end.runTag = QString::number(at);
                thisRun.insert(t.id);
                ids << t.id;
                end.imported = records.written();
            }
            if (step)
                step(row + 1, end.imported);
        }
        records.finish();
    } catch (const store::FileError&) {
        end.imported = records.written();
        try {
            keepIds(end.imported);
        } catch (const store::FileError&) {
            // The first failure is the one to report.
        }
        throw;
    }
    end.imported = records.written();
    keepIds(end.imported);
}

}  // namespace fnk::imports
