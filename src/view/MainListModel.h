#pragma once

#include "store/Money.h"
#include "view/ColumnLayout.h"

#include <QAbstractTableModel>
#include <QColor>

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

class QPalette;

namespace fnk::view {

// One listed record, kept compact: the numbers and the raw stored text bytes.
// Cell texts are made only when the view asks for them.
struct ListRow {
    double day = 0;            // EntryDate as stored
    double recordNumber = 0;   // RecordNumber as stored
    store::Money amount = 0;
    std::array<char, 60> note;
    std::array<char, 10> user1;
    std::array<char, 10> user2;
    std::array<char, 10> code;
};

// The rows of the list as they were when it was taken, in display order.
// The list never changes the vectors a snapshot holds: it makes new ones
// (a rebuild, a clear) or copies the order first (a sort, a row taken out),
// so a snapshot can be read from another thread while the list goes on.
struct ListSnapshot {
    std::shared_ptr<const std::vector<ListRow>> rows;
    std::shared_ptr<const std::vector<std::uint32_t>> order;
    int rowCount() const { return order ? int(order->size()) : 0; }
    const ListRow& rowAt(int row) const { return (*rows)[(*order)[std::size_t(row)]]; }
};

// The main list: nine cells a row.
//  0 date text, 1 amount text, 2..5 the layout columns (note trimmed; user
//  fields and category code as stored), 6 record number, 7 day number,
//  8 plain amount value.  Cells 6 to 8 are for the program, not the user.
class MainListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kDate = 0, kAmount = 1, kRecordNumber = 6, kDayNumber = 7, kAmountValue = 8 };
    static constexpr int kColumns = 9;
    static constexpr int kFirstHidden = 6;
    static QString openItemText() { return QStringLiteral("****?****"); }

    explicit MainListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The text of cell `column` of `row`, as the list shows it.
    QString cellText(int row, int column) const;
    const ListRow& rowAt(int row) const { return (*rowData_)[(*orderData_)[size_t(row)]]; }
    // The rows as they are now; see ListSnapshot.
    ListSnapshot snapshot() const;
    double recordNumberAt(int row) const { return rowAt(row).recordNumber; }

    // Header and column layout.
    void setLayout(const QString& layoutCode, const QString& user1Name, const QString& user2Name);
    const QString& headerText() const { return header_; }
    const QList<HeaderCell>& headerCells() const { return headerCells_; }
    const QString& layoutCode() const { return layout_; }
    void setMacroMode(bool on) { macroMode_ = on; }
    // The amounts' colours follow the list's palette: money out red, an open
    // item blue, money in the palette's text, each readable on the list's
    // background.
    void followPalette(const QPalette& palette);
    QColor amountColour(store::Money amount) const;

    // Building (used by the list builder).
    void beginBuild(bool keepRows, std::size_t expected);
    void appendRow(const ListRow& row)
    {
        rowData_->push_back(row);
        if (keeping_)
            present_.insert(row.recordNumber);
    }
    bool containsRecord(double recordNumber) const;
    void endBuild();  // sorts newest first (stable) and publishes the rows

    void clearRows();
    // Takes one row out of the list; the files are not touched.
    void removeRowAt(int row);
    // Heading sort: date by day number, amount by value, others as text
    // ignoring case.  Stable.
    void sortByColumn(int column, Qt::SortOrder order);

    // Memory held for the rows, in bytes.
    std::size_t memoryBytes() const;

private:
    QString layoutText(const ListRow& r, int column) const;
    void finishSort(const QModelIndexList& before, const std::vector<std::uint32_t>& oldOrder);
    void detachOrder();
    std::shared_ptr<std::vector<ListRow>> rowData_ = std::make_shared<std::vector<ListRow>>();
    // display order: indexes into rows
    std::shared_ptr<std::vector<std::uint32_t>> orderData_ = std::make_shared<std::vector<std::uint32_t>>();
    QString layout_ = QStringLiteral("-n12-");
    QString header_;
    QList<HeaderCell> headerCells_;
    std::array<Field, 4> fields_{};
    bool macroMode_ = false;
    QColor outColour_{200, 0, 0};
    QColor openColour_{0, 0, 255};
    QColor inColour_{0, 0, 0};
    bool building_ = false;
    bool keeping_ = false;
    std::unordered_set<double> present_;  // record numbers listed, while keeping rows
};

}  // namespace fnk::view
