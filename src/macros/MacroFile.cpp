#include "macros/MacroFile.h"

#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordAppender.h"
#include "store/RecordFile.h"

#include <QFileInfo>

namespace fnk::macros {

MacroCheck checkMacroFile(const QString& path)
{
    store::touchFile(path);
    const qint64 length = QFileInfo(path).size();
    if (length == 0)
        return MacroCheck::Empty;
    return length % qint64(store::LedgerRecord::kSize) == 0 ? MacroCheck::Good : MacroCheck::Damaged;
}

qint64 playMacro(const QString& macroPath, const QString& recordFile, const QDate& date,
                 const std::function<void(qint64, qint64)>& progress)
{
    const std::vector<store::LedgerRecord> macro = store::RecordFile(macroPath).readAll();
    store::RecordAppender ledger(recordFile);
    const double day = store::dayFromDate(date);
    const qint64 total = qint64(macro.size());
    qint64 done = 0;
    // Progress counts the records written to the file, block by block.
    for (store::LedgerRecord r : macro) {
        r.entryDate = day;
        ledger.append(r);
        if (progress && ledger.written() > done) {
            done = ledger.written();
            progress(done, total);
        }
    }
    ledger.finish();
    if (progress && ledger.written() > done)
        progress(ledger.written(), total);
    return ledger.written();
}

}  // namespace fnk::macros
