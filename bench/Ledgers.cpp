#include "bench/Ledgers.h"

#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/LedgerRecord.h"

#include <QFile>

#include <random>
#include <vector>

namespace fnk::bench {

void writeCategories(const QString& path)
{
    std::vector<store::CategoryEntry> all;
    for (int c = 0; c < 40; ++c) {
        store::CategoryEntry e;
        e.setCategoryCode(QStringLiteral("C%1").arg(c, 2, 10, QLatin1Char('0')));
        e.setCategoryName(QStringLiteral("Category %1").arg(c));
        all.push_back(e);
    }
    store::CategoryFile(path).rewrite(all);
}

QDate firstDate() { return QDate(2006, 1, 1); }
QDate lastDate() { return QDate(2025, 12, 31); }

void writeLedger(const QString& path, qint64 records)
{
    static const char* const kNotes[] = {
        "Grocery store", "Rent for the month", "Electric bill", "Salary", "Fuel",
        "Dinner with friends", "Pharmacy", "Insurance premium", "Phone and internet",
        "Books and school supplies", "Hardware store - garden", "Birthday present",
        "Doctor visit co-pay", "Car service", "Water bill", "Interest",
    };
    static const char* const kUser1[] = {"Bank", "Cash", "Card", "Cheque", "Transfer"};
    static const char* const kUser2[] = {"Home", "Work", "Car", "Kids", "Garden", "Travel"};

    std::mt19937_64 rng(42);
    const double first = store::dayFromDate(firstDate());
    const double span = double(firstDate().daysTo(lastDate()));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    std::vector<char> block;
    block.reserve(8192 * store::LedgerRecord::kSize);
    for (qint64 i = 0; i < records; ++i) {
        store::LedgerRecord r;
        r.entryDate = first + std::floor(span * double(i) / double(records));
        const int cat = int(rng() % 40);
        r.setCategoryCode(QStringLiteral("C%1").arg(cat, 2, 10, QLatin1Char('0')));
        const qint64 cents = qint64(rng() % 250000) + 1;
        r.amount = (cat < 4 ? cents : -cents) * 100;
        r.setNote(QStringLiteral("%1 #%2").arg(QLatin1String(kNotes[rng() % 16])).arg(i % 997));
        r.setUserField1(QLatin1String(kUser1[rng() % 5]));
        r.setUserField2(QLatin1String(kUser2[rng() % 6]));
        r.recordNumber = double(i + 1);
        r.deletedFlag = (rng() % 200 == 0) ? 'Y' : 'N';
        char buf[store::LedgerRecord::kSize];
        r.encode(buf);
        block.insert(block.end(), buf, buf + sizeof buf);
        if (block.size() >= 8192 * store::LedgerRecord::kSize) {
            f.write(block.data(), qint64(block.size()));
            block.clear();
        }
    }
    f.write(block.data(), qint64(block.size()));
}

}  // namespace fnk::bench
