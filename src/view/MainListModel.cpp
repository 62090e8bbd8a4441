#include "view/MainListModel.h"

#include "platform/Colours.h"
#include "store/Dates.h"
#include "store/Text1252.h"

#include <QBrush>
#include <QPalette>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <cmath>
#include <numeric>

namespace fnk::view {

namespace {
template <std::size_t N>
QString text(const std::array<char, N>& a)
{
    return store::decode1252(a.data(), N);
}

QString numberText(double v)
{
    if (!std::isfinite(v))
        return QString::number(v);
    if (v == std::trunc(v) && std::abs(v) < 1e15)
        return QString::number(qint64(v));
    return QString::number(v, 'g', 15);
}

// Text columns hold few distinct values (a household's notes, accounts and
// codes repeat), so the rows are grouped by their stored bytes, only the
// distinct values get their upper-cased keys and are ranked, and the rows are
// then placed by counting, which keeps rows of equal keys in their order.
// `field(row)` gives a row's bytes as they sort (the note without its leading
// spaces), trailing spaces left out.  Gives up (returns false) when the values are mostly distinct;
// `positions` then holds nothing useful.
template <typename Field>
bool sortByDistinctKeys(const std::vector<ListRow>& rows, const std::vector<std::uint32_t>& order,
                        const Field& field, bool ascending, std::vector<std::uint32_t>& positions)
{
    const std::size_t n = order.size();
    const std::size_t limit = n / 4 + 1024;
    std::unordered_map<std::string_view, std::uint32_t> ids;
    ids.reserve(std::min<std::size_t>(limit, 4096));
    // By stored row, in storage order: the rows are read one after another.
    std::vector<std::uint32_t> idOfRow(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto [it, added] = ids.try_emplace(field(rows[r]), std::uint32_t(ids.size()));
        idOfRow[r] = it->second;
        if (added && ids.size() > limit)
            return false;
    }
    // The sort keys of the distinct values: upper-cased, padded to one width.
    constexpr std::size_t kWidth = 60;
    std::vector<std::array<char, kWidth>> keys(ids.size());
    for (const auto& [value, id] : ids) {
        std::array<char, kWidth>& k = keys[id];
        k.fill(' ');
        std::memcpy(k.data(), value.data(), std::min(value.size(), kWidth));
        store::upper1252InPlace(k.data(), k.size());
    }
    std::vector<std::uint32_t> byKey(keys.size());
    std::iota(byKey.begin(), byKey.end(), 0u);
    std::sort(byKey.begin(), byKey.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int c = std::memcmp(keys[a].data(), keys[b].data(), kWidth);
        return ascending ? c < 0 : c > 0;
    });
    // Values whose keys are equal share a rank.
    std::vector<std::uint32_t> rank(keys.size());
    std::uint32_t ranks = 0;
    for (std::size_t r = 0; r < byKey.size(); ++r) {
        if (r > 0 && std::memcmp(keys[byKey[r]].data(), keys[byKey[r - 1]].data(), kWidth) != 0)
            ++ranks;
        rank[byKey[r]] = ranks;
    }
    std::vector<std::uint32_t> start(std::size_t(ranks) + 2, 0);
    for (std::size_t p = 0; p < n; ++p)
        ++start[rank[idOfRow[order[p]]] + 1];
    for (std::size_t r = 1; r < start.size(); ++r)
        start[r] += start[r - 1];
    for (std::size_t p = 0; p < n; ++p)
        positions[start[rank[idOfRow[order[p]]]]++] = std::uint32_t(p);
    return true;
}

}  // namespace

MainListModel::MainListModel(QObject* parent) : QAbstractTableModel(parent)
{
    setLayout(layout_, QStringLiteral("user 1"), QStringLiteral("user 2"));
}

int MainListModel::rowCount(const QModelIndex& parent) const
{
    const std::vector<std::uint32_t>& order_ = *orderData_;
    return parent.isValid() || building_ ? 0 : int(order_.size());
}

int MainListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QString MainListModel::layoutText(const ListRow& r, int column) const
{
    switch (fields_[size_t(column - 2)]) {
    case Field::Note: return text(r.note).trimmed();
    case Field::User1: return text(r.user1);
    case Field::User2: return text(r.user2);
    case Field::Category: return text(r.code);
    }
    return {};
}

QString MainListModel::cellText(int row, int column) const
{
    const ListRow& r = rowAt(row);
    switch (column) {
    case kDate: return macroMode_ ? QStringLiteral("(macro)") : store::formatDay(r.day);
    case kAmount: return r.amount == 0 ? openItemText() : store::formatCurrency(r.amount);
    case 2: case 3: case 4: case 5: return layoutText(r, column);
    case kRecordNumber: return numberText(r.recordNumber);
    case kDayNumber: return numberText(r.day);
    case kAmountValue: return store::plainAmount(r.amount);
    default: return {};
    }
}

void MainListModel::followPalette(const QPalette& palette)
{
    const QColor back = palette.color(QPalette::Base);
    outColour_ = platform::readableOn(QColor(255, 0, 0), back);
    openColour_ = platform::readableOn(QColor(0, 0, 255), back);
    inColour_ = platform::readableOn(palette.color(QPalette::Text), back);
    if (rowCount() > 0)
        emit dataChanged(index(0, kAmount), index(rowCount() - 1, kAmount), {Qt::ForegroundRole});
}

QColor MainListModel::amountColour(store::Money amount) const
{
    return amount < 0 ? outColour_ : amount == 0 ? openColour_ : inColour_;
}

QVariant MainListModel::data(const QModelIndex& index, int role) const
{
    const std::vector<std::uint32_t>& order_ = *orderData_;
    if (!index.isValid() || index.row() >= int(order_.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::ForegroundRole:
        if (index.column() == kAmount) {
            const store::Money a = rowAt(index.row()).amount;
            return QBrush(amountColour(a));
        }
        if (index.column() == kRecordNumber)
            return QBrush(QColor(Qt::white));
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() < headerCells_.size() && headerCells_[index.column()].rightAligned)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant MainListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= headerCells_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return headerCells_[section].title;
    if (role == Qt::TextAlignmentRole)
        return int((headerCells_[section].rightAligned ? Qt::AlignRight : Qt::AlignLeft)
                   | Qt::AlignVCenter);
    return {};
}

void MainListModel::setLayout(const QString& layoutCode, const QString& user1Name,
                              const QString& user2Name)
{
    const std::vector<std::uint32_t>& order_ = *orderData_;
    // Every rebuild passes the layout in force; only a change is announced.
    const QString header = headerString(layoutCode, user1Name, user2Name);
    if (header == header_ && layoutCode == layout_)
        return;
    layout_ = layoutCode;
    fields_ = ColumnLayout::fields(layoutCode);
    header_ = header;
    headerCells_ = parseHeaderString(header_);
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
    if (!order_.empty())
        emit dataChanged(index(0, 0), index(int(order_.size()) - 1, kColumns - 1));
}

void MainListModel::beginBuild(bool keepRows, std::size_t expected)
{
    beginResetModel();
    building_ = true;
    if (!keepRows) {
        // New vectors: a snapshot taken of the old rows keeps them.
        rowData_ = std::make_shared<std::vector<ListRow>>();
        orderData_ = std::make_shared<std::vector<std::uint32_t>>();
        rowData_->reserve(expected);
    } else {
        // Keep the rows still listed, in their current order.
        auto kept = std::make_shared<std::vector<ListRow>>();
        kept->reserve(orderData_->size() + expected);
        for (std::uint32_t i : *orderData_)
            kept->push_back((*rowData_)[i]);
        rowData_ = std::move(kept);
        orderData_ = std::make_shared<std::vector<std::uint32_t>>();
        keeping_ = true;
        present_.clear();
        for (const ListRow& r : *rowData_)
            present_.insert(r.recordNumber);
    }
}

bool MainListModel::containsRecord(double recordNumber) const
{
    return present_.count(recordNumber) != 0;
}

void MainListModel::endBuild()
{
    std::vector<ListRow>& rows_ = *rowData_;
    std::vector<std::uint32_t>& order_ = *orderData_;
    const std::size_t n = rows_.size();
    if (rows_.capacity() > n + n / 8 + 64) {
        rows_.shrink_to_fit();
    }
    order_.resize(n);

    // Newest first; rows of the same day keep their order.  Whole days in a
    // small span (the normal case) sort by counting, anything else by a
    // stable comparison sort.
    bool whole = true;
    double lo = 0, hi = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = rows_[i].day;
        if (!(d == std::trunc(d)) || !std::isfinite(d)) {
            whole = false;
            break;
        }
        if (i == 0 || d < lo)
            lo = d;
        if (i == 0 || d > hi)
            hi = d;
    }
    if (n > 0 && whole && hi - lo < 8.0e6) {
        const std::size_t span = std::size_t(hi - lo) + 1;
        std::vector<std::uint32_t> start(span + 1, 0);
        for (const ListRow& r : rows_)
            ++start[std::size_t(hi - r.day) + 1];
        for (std::size_t k = 1; k <= span; ++k)
            start[k] += start[k - 1];
        for (std::size_t i = 0; i < n; ++i)
            order_[start[std::size_t(hi - rows_[i].day)]++] = std::uint32_t(i);
    } else {
        std::iota(order_.begin(), order_.end(), 0u);
        std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
            const double da = rows_[a].day, db = rows_[b].day;
            // Days that are not numbers sort last.
            if (std::isnan(da) || std::isnan(db))
                return !std::isnan(da) && std::isnan(db);
            return da > db;
        });
    }
    building_ = false;
    keeping_ = false;
    present_.clear();
    endResetModel();
}

void MainListModel::clearRows()
{
    beginResetModel();
    rowData_ = std::make_shared<std::vector<ListRow>>();
    orderData_ = std::make_shared<std::vector<std::uint32_t>>();
    endResetModel();
}

void MainListModel::removeRowAt(int row)
{
    detachOrder();
    std::vector<std::uint32_t>& order_ = *orderData_;
    if (row < 0 || row >= int(order_.size()))
        return;
    beginRemoveRows({}, row, row);
    order_.erase(order_.begin() + row);
    endRemoveRows();
}

void MainListModel::sortByColumn(int column, Qt::SortOrder order)
{
    detachOrder();
    const std::vector<ListRow>& rows_ = *rowData_;
    std::vector<std::uint32_t>& order_ = *orderData_;
    if (column < 0 || column >= kFirstHidden)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> oldOrder = order_;
    const bool asc = order == Qt::AscendingOrder;

    // Each row gets a key: a number for the date and the amount, otherwise
    // the upper-cased text bytes (the note trimmed at its start, the others
    // as stored).  Sorting (key, position) pairs keeps rows with equal keys
    // in their order.
    struct Keyed {
        std::uint64_t prefix;  // orders like the key's first eight bytes / the number
        std::uint32_t position;
    };
    const std::size_t n = order_.size();
    std::vector<std::uint32_t> sorted(n);
    if (column != kDate && column != kAmount) {
        const Field f = fields_[size_t(column - 2)];
        // Trailing spaces are left out too: the keys are padded with them
        // again, and shorter values hash faster.
        const auto trimmed = [](const char* data, std::size_t size, bool leading) {
            std::size_t first = 0;
            while (leading && first < size && data[first] == ' ')
                ++first;
            while (size > first && data[size - 1] == ' ')
                --size;
            return std::string_view(data + first, size - first);
        };
        const auto field = [f, &trimmed](const ListRow& r) -> std::string_view {
            switch (f) {
            case Field::Note: return trimmed(r.note.data(), r.note.size(), true);
            case Field::User1: return trimmed(r.user1.data(), r.user1.size(), false);
            case Field::User2: return trimmed(r.user2.data(), r.user2.size(), false);
            case Field::Category: break;
            }
            return trimmed(r.code.data(), r.code.size(), false);
        };
        if (sortByDistinctKeys(rows_, order_, field, asc, sorted)) {
            for (std::size_t p = 0; p < n; ++p)
                sorted[p] = order_[sorted[p]];
            order_.swap(sorted);
            finishSort(before, oldOrder);
            return;
        }
    }
    std::vector<Keyed> keyed(n);
    std::vector<std::array<char, 60>> text;  // full text keys, by position
    if (column == kDate || column == kAmount) {
        for (std::size_t p = 0; p < n; ++p) {
            const ListRow& r = rows_[order_[p]];
            std::uint64_t k;
            if (column == kAmount) {
                k = std::uint64_t(r.amount) ^ (std::uint64_t(1) << 63);  // signed order
            } else {
                // A double's bits, flipped so unsigned order is numeric order.
                std::uint64_t bits;
                std::memcpy(&bits, &r.day, sizeof bits);
                k = (bits >> 63) ? ~bits : bits ^ (std::uint64_t(1) << 63);
            }
            keyed[p] = {asc ? k : ~k, std::uint32_t(p)};
        }
    } else {
        text.resize(n);
        for (std::size_t p = 0; p < n; ++p) {
            const ListRow& r = rows_[order_[p]];
            std::array<char, 60>& key = text[p];
            key.fill(' ');
            switch (fields_[size_t(column - 2)]) {
            case Field::Note: {
                std::size_t first = 0;
                while (first < r.note.size() && r.note[first] == ' ')
                    ++first;
                std::memcpy(key.data(), r.note.data() + first, r.note.size() - first);
                break;
            }
            case Field::User1: std::memcpy(key.data(), r.user1.data(), r.user1.size()); break;
            case Field::User2: std::memcpy(key.data(), r.user2.data(), r.user2.size()); break;
            case Field::Category: std::memcpy(key.data(), r.code.data(), r.code.size()); break;
            }
            store::upper1252InPlace(key.data(), key.size());
            std::uint64_t prefix = 0;
            for (int b = 0; b < 8; ++b)
                prefix = (prefix << 8) | std::uint8_t(key[size_t(b)]);
            keyed[p] = {asc ? prefix : ~prefix, std::uint32_t(p)};
        }
    }
    // A list already in this order (the date order every report asks for
    // of a list as it was built) is left as it is: a stable sort of it
    // would give it back unchanged.
    if (text.empty()
        && std::is_sorted(keyed.begin(), keyed.end(),
                          [](const Keyed& a, const Keyed& b) { return a.prefix < b.prefix; })) {
        finishSort(before, oldOrder);
        return;
    }
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        if (!text.empty()) {
            const int c = std::memcmp(text[a.position].data(), text[b.position].data(), 60);
            if (c != 0)
                return asc ? c < 0 : c > 0;
        }
        return a.position < b.position;
    });
    for (std::size_t p = 0; p < n; ++p)
        sorted[p] = order_[keyed[p].position];
    order_.swap(sorted);
    finishSort(before, oldOrder);
}

void MainListModel::finishSort(const QModelIndexList& before, const std::vector<std::uint32_t>& oldOrder)
{
    const std::vector<ListRow>& rows_ = *rowData_;
    const std::vector<std::uint32_t>& order_ = *orderData_;
    // Keep persistent indexes (the current row) on their rows.
    std::vector<int> newPos(rows_.size(), -1);
    for (std::size_t p = 0; p < order_.size(); ++p)
        newPos[order_[p]] = int(p);
    QModelIndexList after;
    for (const QModelIndex& i : before)
        after << index(newPos[oldOrder[size_t(i.row())]], i.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MainListModel::detachOrder()
{
    // A snapshot shares the display order until the list changes it.
    if (orderData_.use_count() > 1)
        orderData_ = std::make_shared<std::vector<std::uint32_t>>(*orderData_);
}

ListSnapshot MainListModel::snapshot() const { return ListSnapshot{rowData_, orderData_}; }

std::size_t MainListModel::memoryBytes() const
{
    const std::vector<ListRow>& rows_ = *rowData_;
    const std::vector<std::uint32_t>& order_ = *orderData_;
    return rows_.capacity() * sizeof(ListRow) + order_.capacity() * sizeof(std::uint32_t);
}

}  // namespace fnk::view
