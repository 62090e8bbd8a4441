#include "view/CategoryListModel.h"

#include "view/ColumnLayout.h"

#include <QRegularExpression>

#include <algorithm>

namespace fnk::view {

CategoryListModel::CategoryListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CategoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int CategoryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant CategoryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= int(rows_.size()))
        return {};
    const Row& r = rows_[size_t(index.row())];
    return index.column() == 0 ? r.code : r.name;
}

QVariant CategoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 2)
        return parseHeaderString(headerText()).at(section).title;
    return QAbstractTableModel::headerData(section, orientation, role);
}

int CategoryListModel::widthOf(int column) const
{
    return parseHeaderString(headerText()).at(column).width;
}

namespace {
// A code reads as a number when it is digits with at most one decimal point
// and an optional leading sign.
double asNumber(const QString& code, bool* ok)
{
    const QString t = code.trimmed();
    static const QRegularExpression re(QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)$"));
    *ok = re.match(t).hasMatch();
    return *ok ? t.toDouble() : 0.0;
}
}  // namespace

bool CategoryListModel::lessThan(const QString& a, const QString& b)
{
    bool aNum = false, bNum = false;
    const double av = asNumber(a, &aNum);
    const double bv = asNumber(b, &bNum);
    if (aNum && bNum)
        return av < bv;
    if (aNum != bNum)
        return aNum;
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) < 0;
}

void CategoryListModel::setRows(std::vector<Row> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const Row& x, const Row& y) { return lessThan(x.code, y.code); });
    endResetModel();
}

}  // namespace fnk::view
