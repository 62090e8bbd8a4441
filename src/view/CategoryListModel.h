#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace fnk::view {

// The category list: code and name of every category, codes that read as
// numbers first (in number order), then the others ignoring case.
class CategoryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static QString headerText()
    {
        return QStringLiteral("<Code      |<Description                          ");
    }
    struct Row {
        QString code;  // 10 characters as stored
        QString name;  // 20 characters as stored
    };

    explicit CategoryListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Replaces the rows (in file order) and sorts them.
    void setRows(std::vector<Row> rows);
    const Row& rowAt(int row) const { return rows_[size_t(row)]; }
    int widthOf(int column) const;  // characters, from the header text

    static bool lessThan(const QString& a, const QString& b);

private:
    std::vector<Row> rows_;
};

}  // namespace fnk::view
