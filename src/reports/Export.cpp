#include "reports/Export.h"

#include "platform/MessagePort.h"
#include "platform/ErrorReport.h"
#include "platform/WaitCursor.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/LedgerRecord.h"
#include "store/Money.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <vector>

namespace fnk::reports {

using store::CategoryEntry;
using store::LedgerRecord;
using store::Money;

void StripQuoteAndComma(const QString& text, QString& result)
{
    result.reserve(result.size() + text.size());
    for (const QChar c : text)
        result.append(c == QLatin1Char('"') || c == QLatin1Char(',') ? QLatin1Char(' ') : c);
}

namespace {

// Quote and separator of the file's form, by the last three characters of its
// name, compared exactly.
struct Form {
    QString quote;
    QString separator;
};

Form formOf(const QString& fileName)
{
    const QString last = fileName.right(3);
    if (last == QLatin1String("txt"))
        return {QStringLiteral("\""), QStringLiteral("\",\"")};
    if (last == QLatin1String("csv"))
        return {QString(), QStringLiteral(",")};
    return {};
}

QString padded(const QString& text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '), true);
}

// A note or user field with quotes and commas made spaces, trimmed and padded
// back to its width.
QString cleaned(const QString& field, int width)
{
    QString stripped;
    StripQuoteAndComma(field, stripped);
    return padded(store::trimSpaces(stripped), width);
}

QByteArray codeKey(const LedgerRecord& r)
{
    return QByteArray(r.categoryCode.data(), qsizetype(r.categoryCode.size()));
}

QByteArray codeKey(const CategoryEntry& e)
{
    return QByteArray(e.categoryCode.data(), qsizetype(e.categoryCode.size()));
}

// One work file's records with, for each stored category code, the records
// filed under it in record order.
struct Section {
    std::vector<LedgerRecord> records;
    QHash<QByteArray, std::vector<std::size_t>> byCode;

    explicit Section(const QString& path) : records(store::RecordFile(path).readAll())
    {
        for (std::size_t i = 0; i < records.size(); ++i)
            byCode[codeKey(records[i])].push_back(i);
    }
    const std::vector<std::size_t>& of(const CategoryEntry& e) const
    {
        static const std::vector<std::size_t> none;
        const auto it = byCode.constFind(codeKey(e));
        return it == byCode.cend() ? none : it.value();
    }
};

void appendLine(QByteArray& out, const Form& form, const QStringList& fields)
{
    out += store::encode1252(form.quote + fields.join(form.separator) + form.quote);
    out += "\r\n";
}

void writeLineItems(QByteArray& out, const Form& form, const Section& section,
                    const std::vector<CategoryEntry>& categories)
{
    for (const CategoryEntry& c : categories) {
        for (const std::size_t i : section.of(c)) {
            const LedgerRecord& r = section.records[i];
            appendLine(out, form,
                       {store::editAmountText(r.amount), r.categoryCodeText(),
                        cleaned(r.noteText(), int(LedgerRecord::kNoteWidth)),
                        store::formatDay(r.entryDate).trimmed(),
                        cleaned(r.userField1Text(), int(LedgerRecord::kUserWidth)),
                        cleaned(r.userField2Text(), int(LedgerRecord::kUserWidth))});
        }
    }
}

void writeTotals(QByteArray& out, const Form& form, const Section& section,
                 const std::vector<CategoryEntry>& categories)
{
    for (const CategoryEntry& c : categories) {
        Money total = 0;
        for (const std::size_t i : section.of(c))
            if (__builtin_add_overflow(total, section.records[i].amount, &total))
                throw std::overflow_error("category total out of range");
        appendLine(out, form,
                   {c.categoryCodeText(), c.categoryNameText(), store::editAmountText(total)});
    }
}

// Appends `data` to the file; a failed append cuts the file back to what it
// held before (and removes a file that the export created).
void appendToFile(const QString& path, const QByteArray& data)
{
    const bool existed = QFileInfo::exists(path);
    QFile f(path);
    store::openFile(f, QIODevice::ReadWrite);
    const qint64 start = f.size();
    try {
        constexpr qsizetype kChunk = 64 * 1024;
        for (qsizetype at = 0; at < data.size(); at += kChunk)
            store::writeAt(f, start + at, data.constData() + at,
                           std::min(kChunk, data.size() - at));
        store::syncFile(f);
    } catch (...) {
        f.resize(start);
        f.close();
        if (!existed)
            QFile::remove(path);
        throw;
    }
    f.close();
}

enum class Export { LineItems, Summary };

void runExport(Export kind, const QString& dataFolder, const QString& categoryFile)
{
    platform::FileDialog dialog;
    dialog.kind = platform::FileDialog::Save;
    dialog.title = QStringLiteral("Provide a file name...");
    dialog.filter = QStringLiteral(
        "Comma-delimited text (*.txt)|*.txt|Comma-separated values (*.csv)|*.csv");
    const QString fileName = platform::messages().file(dialog);
    if (fileName.isEmpty())
        return;

    const QFileInfo existing(fileName);
    if (existing.exists() && existing.size() > 0) {
        const platform::Answer a = platform::messages().message(
            {QStringLiteral("Confirm"),
             fileName
                 + QStringLiteral(" already exists! If you continue, the new data will be "
                                  "appended to the existing file. Proceed?"),
             platform::Icon::Exclamation, platform::Buttons::OkCancel, platform::Answer::Cancel});
        if (a != platform::Answer::Ok)
            return;
    }

    const Form form = formOf(fileName);
    try {
        platform::WaitCursor busy;
        const std::vector<CategoryEntry> categories = store::CategoryFile(categoryFile).readAll();
        const Section expenses(dataFolder + QStringLiteral("expense.tmp"));
        const Section income(dataFolder + QStringLiteral("income.tmp"));
        QByteArray out;
        for (const Section* s : {&expenses, &income}) {
            if (kind == Export::LineItems)
                writeLineItems(out, form, *s, categories);
            else
                writeTotals(out, form, *s, categories);
        }
        appendToFile(fileName, out);
    } catch (const std::exception& e) {
        platform::reportException(e);
        return;
    }

    const QString what = kind == Export::LineItems
        ? QStringLiteral("The data contained in this report been exported to the file")
        : QStringLiteral("The data (category summary only) contained in this report been "
                         "exported to the file");
    platform::messages().inform(
        QStringLiteral("Export Complete"),
        what + QStringLiteral("\n\n") + fileName
            + QStringLiteral("\n\nThis file can be read by many different applications, "
                             "including spreadsheets, etc."));
}

}  // namespace

void mu_WriteComma(const QString& dataFolder, const QString& categoryFile)
{
    runExport(Export::LineItems, dataFolder, categoryFile);
}

void mu_WriteCommaSummary(const QString& dataFolder, const QString& categoryFile)
{
    runExport(Export::Summary, dataFolder, categoryFile);
}

}  // namespace fnk::reports
