#include "import/ImportRun.h"

#include "store/RecordAppender.h"

namespace fnk::imports {

WalkEnd importRecords(const QString& importFile, const QString& recordFile, const Links& links,
                      bool skipHeader, const RecordKeys* skip, TextEncoding encoding,
                      qint64& imported, const std::function<void(qint64, qint64)>& step,
                      const QLocale& locale)
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
            encoding, locale);
        records.finish();
    } catch (...) {
        imported = records.written();
        throw;
    }
    imported = records.written();
    return end;
}

}  // namespace fnk::imports
