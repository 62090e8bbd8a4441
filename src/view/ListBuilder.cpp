#include "view/ListBuilder.h"

#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QFileInfo>

#include <cstring>
#include <string_view>

namespace fnk::view {

namespace {

using store::LedgerRecord;

std::string_view trimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

enum class Mode { Category, Words, User1, User2 };

struct Matcher {
    Mode mode = Mode::Category;
    bool allCategories = true;
    char code[10];
    QByteArray sought;  // Windows-1252, upper case (words) or trimmed value
    bool user1Free = false;
    bool user2Free = false;

    bool matches(const char* rec) const
    {
        switch (mode) {
        case Mode::Category:
            return allCategories
                || std::memcmp(rec + LedgerRecord::kCategoryCode, code, 10) == 0;
        case Mode::Words: {
            // " " + note + [" " + user 1] + [" " + user 2] + " ", upper case.
            char text[1 + 60 + 11 + 11 + 1];
            std::size_t n = 0;
            text[n++] = ' ';
            std::memcpy(text + n, rec + LedgerRecord::kNote, 60);
            n += 60;
            if (user1Free) {
                text[n++] = ' ';
                std::memcpy(text + n, rec + LedgerRecord::kUserField1, 10);
                n += 10;
            }
            if (user2Free) {
                text[n++] = ' ';
                std::memcpy(text + n, rec + LedgerRecord::kUserField2, 10);
                n += 10;
            }
            text[n++] = ' ';
            store::upper1252InPlace(text, n);
            return std::string_view(text, n).find(
                       std::string_view(sought.constData(), std::size_t(sought.size())))
                != std::string_view::npos;
        }
        case Mode::User1:
        case Mode::User2: {
            char field[10];
            std::memcpy(field,
                        rec + (mode == Mode::User1 ? LedgerRecord::kUserField1
                                                   : LedgerRecord::kUserField2),
                        10);
            store::upper1252InPlace(field, 10);
            return trimSpaces(std::string_view(field, 10))
                == std::string_view(sought.constData(), std::size_t(sought.size()));
        }
        }
        return false;
    }
};

// Totals saturate rather than wrap on absurd amounts.
void addToTotals(ListTotals& t, store::Money a)
{
    if (__builtin_add_overflow(t.net, a, &t.net))
        t.net = a < 0 ? INT64_MIN : INT64_MAX;
    if (a > 0 && __builtin_add_overflow(t.in, a, &t.in))
        t.in = INT64_MAX;
    if (a < 0 && __builtin_add_overflow(t.out, a, &t.out))
        t.out = INT64_MIN;
    ++t.count;
}

// Panels 1 to 4: money in, money out, balance and the number of rows.
void writeTotals(StatusPanels& s, const ListTotals& t, qint64 rows)
{
    s.panel[0] = QStringLiteral("(+) ") + store::formatCurrency(t.in);
    s.panel[1] = QStringLiteral("(-) ") + store::formatCurrency(t.out);
    s.panel[2] = QStringLiteral("(=) ") + store::formatCurrency(t.net);
    s.panel[3] = QString::number(rows) + QStringLiteral(" Items");
}

QByteArray upperBytes(const QString& s)
{
    QByteArray b = store::encode1252(s);
    store::upper1252InPlace(b.data(), std::size_t(b.size()));
    return b;
}

}  // namespace

QString freeSelectionStatus(qint64 rows)
{
    return QStringLiteral("Free Selection Mode: ") + QString::number(rows)
        + QStringLiteral(" items selected.");
}

StatusPanels clearedStatus(bool freeSelection)
{
    StatusPanels s;
    if (freeSelection) {
        s.panel[2] = freeSelectionStatus(0);
        return s;
    }
    s.panel[0] = QStringLiteral("(+) ") + store::formatCurrency(0);
    s.panel[1] = QStringLiteral("(-) ") + store::formatCurrency(0);
    s.panel[2] = QStringLiteral("(=) ") + store::formatCurrency(0);
    s.panel[3] = QStringLiteral("0 Items");
    s.panel[4] = QStringLiteral("(Cleared)");
    return s;
}

StatusPanels listedStatus(const MainListModel& model, bool freeSelection)
{
    StatusPanels s;
    const int rows = model.rowCount();
    if (freeSelection) {
        s.panel[2] = freeSelectionStatus(rows);
        return s;
    }
    ListTotals t;
    for (int r = 0; r < rows; ++r)
        addToTotals(t, model.rowAt(r).amount);
    writeTotals(s, t, rows);
    return s;
}

BuildResult PopMainGrid(MainListModel& model, const ListQuery& query, const QString& search)
{
    // The search form decides the mode.
    Matcher m;
    QString soughtText;
    if (search.startsWith(QLatin1String("|UDF1|")) || search.startsWith(QLatin1String("|UDF2|"))) {
        m.mode = search.at(4) == QLatin1Char('1') ? Mode::User1 : Mode::User2;
        soughtText = search.mid(6);
        const QByteArray b = upperBytes(soughtText);
        const std::string_view t = trimSpaces(std::string_view(b.constData(), std::size_t(b.size())));
        m.sought = QByteArray(t.data(), qsizetype(t.size()));
    } else if (!search.isEmpty()) {
        m.mode = Mode::Words;
        m.sought = upperBytes(search);
        m.user1Free = !query.user1IsPickList;
        m.user2Free = !query.user2IsPickList;
    } else {
        m.allCategories = query.categoryCode.trimmed().isEmpty();
        store::writeField(m.code, 10, query.categoryCode);
    }

    if (!query.macroMode && (!query.earliest.isValid() || !query.latest.isValid()))
        throw RangeError("The date range is not a pair of dates.");
    const double earliest = store::dayFromDate(query.earliest);
    const double latest = store::dayFromDate(query.latest);

    model.setLayout(query.layoutCode, query.user1Name, query.user2Name);
    model.setMacroMode(query.macroMode);

    const store::RecordFile file(query.recordFile);
    const qint64 total = file.count();

    BuildResult result;
    ListTotals& t = result.totals;
    model.beginBuild(query.freeSelection, std::size_t(std::max<qint64>(total, 0)));
    try {
        file.forEachRaw([&](const char* rec, qint64) {
            if (store::rawDeleted(rec))
                return;
            if (!query.macroMode) {
                const double day = store::rawEntryDate(rec);
                if (!(earliest <= day && day <= latest))
                    return;
                if (!m.matches(rec))
                    return;
            }
            ListRow row;
            row.recordNumber = store::rawRecordNumber(rec);
            if (query.freeSelection && model.containsRecord(row.recordNumber))
                return;
            row.day = store::rawEntryDate(rec);
            row.amount = store::rawAmount(rec);
            std::memcpy(row.note.data(), rec + LedgerRecord::kNote, 60);
            std::memcpy(row.user1.data(), rec + LedgerRecord::kUserField1, 10);
            std::memcpy(row.user2.data(), rec + LedgerRecord::kUserField2, 10);
            std::memcpy(row.code.data(), rec + LedgerRecord::kCategoryCode, 10);
            model.appendRow(row);
            addToTotals(t, row.amount);
        });
    } catch (...) {
        model.endBuild();
        throw;
    }
    model.endBuild();

    const int rows = model.rowCount();
    result.currentRow = rows > 0 && total > 0 ? 0 : -1;

    StatusPanels& s = result.status;
    if (query.freeSelection) {
        s.panel[2] = freeSelectionStatus(rows);
        return result;
    }
    writeTotals(s, t, rows);
    switch (m.mode) {
    case Mode::Category:
        s.panel[4] = QStringLiteral("Category = ") + query.categoryName.trimmed() + QLatin1Char(' ');
        break;
    case Mode::Words:
        s.panel[4] = QStringLiteral("Word Search = ") + search.trimmed() + QLatin1Char(' ');
        break;
    case Mode::User1:
    case Mode::User2:
        s.panel[4] = (m.mode == Mode::User1 ? query.user1Name : query.user2Name).trimmed()
            + QStringLiteral(" = ") + soughtText + QLatin1Char(' ');
        break;
    }
    return result;
}

}  // namespace fnk::view
