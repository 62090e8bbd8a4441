#pragma once

#include "import/DelimitedText.h"
#include "import/ImportChecks.h"
#include "import/ImportRun.h"
#include "store/ChangeScope.h"
#include "import/Statement.h"
#include "store/LedgerRecord.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QTreeWidget;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeWidgetItem;

namespace fnk::imports {

// A line of the import file whose date or amount could not be read.
struct LineRefused {
    qint64 line = 0;
    QString problem;
};

// The import window, "Comma-Delimited Import Field Selector": the user picks
// a ".txt" (every field quoted) or ".csv" (plain commas) file, sees its first
// five lines cut into numbered fields, matches field numbers to the ledger
// fields and imports.  Every line that gives a date is appended to the
// record file as a new record.
//
// The window is a separate top-level window that does not block the one that
// opened it.  Beside the field list it shows the first five records as the
// run will store them, marking a line the run would stop at.  Before it
// writes, the run counts the records that repeat one already kept and asks
// what to do with them.  The links of a run that finished are remembered for
// the next file of the same shape (see ImportChecks.h).  It emits
// finished() whenever it closes, by "Cancel/Quit" or by the window's own
// close; the opener then shows its refreshed list.
//
// The window also takes bank statements (OFX, QFX, QIF, CAMT.053), known by
// their content.  A statement has nothing to link: the field list shows its
// accounts and transactions, the preview its records, and the run appends
// every transaction not imported before (see StatementMemory.h).  In the
// preview the user gives a row a category with a double click and may keep
// that as a rule for every note holding the same payee.
class ImportWindow : public QWidget {
    Q_OBJECT
public:
    // `recordFile` is the record file new records are appended to.
    explicit ImportWindow(const QString& recordFile, QWidget* parent = nullptr);

    // The internal backup offered each time a file is chosen, after the path
    // is taken and before the file is read.  Without one nothing is offered.
    void setInternalBackup(std::function<void()> offerBackup) { offerBackup_ = std::move(offerBackup); }
    // Opens the undo step a run writes in (none: runs are not undoable).
    void setBeginChange(store::BeginChange begin) { beginChange_ = std::move(begin); }

    const QString& importFile() const { return importFile_; }
    qint64 lineCount() const { return lineCount_; }
    // The kind of statement chosen, None for a delimited-text file.
    StatementFormat statementFormat() const { return statement_.format; }
    // The tag the ids of the last statement run are kept under ("" if none).
    const QString& lastRunTag() const { return lastRunTag_; }

signals:
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void SelectFile_Click();
    void ClearFields_Click();
    void Command1_Click();
    void Command2_Click();
    void QuotedFields_Click();
    void DateOrder_Changed();
    void DefaultCategory_Changed();
    void RecordPreview_DoubleClick(QTreeWidgetItem* item);

private:
    enum LinkIndex { kDate, kAmount, kNote, kCategory, kUser1, kUser2, kLinkCount };

    void Link_Click(QLineEdit* link);
    QString GetLinkNo() const;
    void ClearEntry() { imports::ClearEntry(record_); }
    Links links() const;
    // Reads the import file and appends its records, counting them in
    // `imported`.  Throws store::FileError, or LineRefused for a line whose
    // date or amount cannot be read.
    void importLines(const Links& links, bool skipHeader, const RecordKeys* skip,
                     TextEncoding encoding, qint64& imported);
    void resetPreview();
    // The record preview and the header box's own setting, after the file or
    // a link changed.
    void linksChanged();
    void showRecordPreview();
    void setLinks(const Links& links);
    // Asks about records that repeat kept ones.  False when the user stops;
    // `skip` is set when they are to be left out.
    bool askAboutDuplicates(const Links& links, bool skipHeader, const RecordKeys& kept,
                            TextEncoding encoding, bool& skip);
    // The rule the delimited text is cut by: the file name's, with quoted
    // fields for a ".csv" file when the box is ticked.
    SplitRule splitRule() const;
    // The field list of the delimited text's first lines, by splitRule().
    void showFieldList();
    QString dataFolder() const;

    // Bank statements.
    bool isStatement() const { return statement_.format != StatementFormat::None; }
    // Reads the chosen statement; false (with the message shown) when it
    // cannot be read.
    bool readChosenStatement(std::optional<DateOrder> order);
    void showStatement();
    void showStatementPreview();
    void loadCategories();
    void importStatementRun();
    void setInstructions();

    QString recordFile_;
    QString importFile_;
    qint64 lineCount_ = 0;
    QStringList firstLines_;  // the lines the field list shows
    bool headerTouched_ = false;  // the user set the header box for this file
    bool running_ = false;        // an import run is writing
    store::LedgerRecord record_;
    std::function<void()> offerBackup_;
    store::BeginChange beginChange_;
    Statement statement_;
    SeenIds seen_;  // the ids imported before, for the preview
    StatementCategories categories_;
    QString lastRunTag_;

    QPushButton* selectFile_ = nullptr;
    QPushButton* clearFields_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* quit_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    QListWidget* inputList_ = nullptr;
    QTreeWidget* recordPreview_ = nullptr;
    QCheckBox* headerLine_ = nullptr;
    QCheckBox* quotedFields_ = nullptr;
    QComboBox* dateOrder_ = nullptr;
    QLabel* dateOrderLabel_ = nullptr;
    QComboBox* defaultCategory_ = nullptr;
    QLabel* instructions_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::array<QLineEdit*, kLinkCount> links_{};
};

}  // namespace fnk::imports
