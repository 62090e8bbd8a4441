#pragma once

#include "store/ChangeScope.h"
#include "store/LedgerRecord.h"

#include <QFrame>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace fnk::edit
{

// What the record edit panel reads from the program each time it acts.
struct EditContext {
    QString recordFile;     // the current record file (the ledger, or the macro file)
    QString dataFolder;     // holds udf1.dat and udf2.dat
    QString categoryFile;   // category.dat, for the name of a stored record's code
    QString rememberedCode; // 10 characters; spaces when all categories are shown
    QString rememberedName; // 20 characters; "All Categories" when all are shown
    QString user1Name;      // the user fields' names, 10 characters as stored
    QString user2Name;
    bool user1KeepsList = false; // list flag "Y": new values are remembered
    bool user2KeepsList = false;
    bool confirm = true;    // ask before replacing or deleting a record
    bool macroMode = false; // replacing keeps the record's date
    // Changes whenever the record file changes or is renumbered: the panel
    // writes only under the count it was opened under.
    quint64 recordEpoch = 0;
    // Opens the undo step every change of the files runs in (none: not undoable).
    store::BeginChange beginChange;
};

// Which pick lists a save added a value to, so a failed save can take them
// back out.
struct PickListAdditions {
    QString value1; // the stored form of the value added, empty when none
    QString value2;
};

// The record edit panel "EditFrame": the form in which a new income or
// expense is typed, a stored record is changed or marked deleted.  It holds
// the current-record buffer and the selected record number; the main window
// hosts it and follows its signals.
//
// States: closed (hidden, selected record 0); open for a new record
// (selected record 0, Delete and both Replace buttons disabled; the main
// window disables its list and the "All" button); open on a stored record
// (selected record above 0, every action button enabled).
class EditPanel : public QFrame
{
    Q_OBJECT
public:
    enum class State { Closed, NewRecord, StoredRecord };
    using ContextProvider = std::function<EditContext()>;

    explicit EditPanel(ContextProvider context, QWidget* parent = nullptr);

    State state() const { return state_; }
    // The record open in the panel, 0 when none.
    double selectedRecord() const { return selected_; }
    // The current-record buffer: the record as last read or written.
    const store::LedgerRecord& currentRecord() const { return buffer_; }

    // Enables the six action buttons, reloads both pick lists from their
    // files and sets the two user-field labels.  Throws store::FileError when
    // a list cannot be read; the panel is then left as it was.
    void PumpUpEditBox();
    // Remembers the texts of the two user-field lists in their pick lists
    // when the field keeps a list and the value is new.  Throws
    // store::FileError; a failure leaves both lists as they were.
    PickListAdditions AddToUserFields();

    // The five date-step buttons; macro edit mode turns them off, since a
    // macro's dates are set when it is played.
    void setDateStepsEnabled(bool enabled);

public slots:
    // Opens the panel empty for a new record.
    void mu_NewEntry();
    // Opens stored record `recordNumber` of the current record file (a list
    // row's double click).  Returns false, leaving the panel as it was, when
    // the record cannot be read.
    bool openRecord(double recordNumber);
    // Marks stored record `recordNumber` deleted (the list's pop-up
    // "Delete"), asking first when confirmation is on.  Returns whether the
    // record was marked.
    bool deleteRecord(double recordNumber);
    // The category list's single click: the category of the record in the panel.
    void setCategory(const QString& code, const QString& name);

    void NewIncomeButton_Click();
    void NewExpenseButton_Click();
    void ReplaceIncomeButton_Click();
    void ReplaceExpenseButton_Click();
    void DeleteButton_Click();
    void CloseButton_Click();

    void DateDn_Click();
    void DateUp_Click();
    void DateDn30_Click();
    void DateUp30_Click();
    void TodayButton_Click();

    void UDF1Delete_Click();
    void UDF2Delete_Click();

signals:
    // The panel opened for a new record: the main window disables its list
    // and the "All" button and gives the category list the focus.
    void openedForNew();
    // The panel opened on a stored record.  The list and the "All" button
    // stay enabled (and are enabled again if a new entry was open).
    void openedForRecord(double recordNumber);
    // A save or delete wrote the record file and the panel closed: the main
    // window enables its list, rebuilds it with the search in force and
    // focuses it.
    void closedAfterSave();
    // The panel closed without writing: the main window enables its list,
    // selects its current row and focuses it, without a rebuild.
    void closedWithoutSave();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct AmountRead {
        bool ok = false;
        store::Money magnitude = 0;
        bool wasEmpty = false;
        QString problem;
    };

    void buildControls();
    AmountRead readAmount() const;
    void saveNew(bool income);
    void replace(bool income);
    void fillFromPanel(store::LedgerRecord& rec, store::Money amount, bool readDate) const;
    void takeBackAdditions(const EditContext& ctx, const PickListAdditions& added);
    bool saveWithPickLists(const EditContext& ctx, const QString& command,
                           const std::function<void()>& write);
    void shiftDate(int days, int months);
    void removeFromPickList(int field);
    void closePanel(bool saved);
    void setAmountColour(bool red);
    std::pair<QStringList, QStringList> loadPickLists(const EditContext& ctx) const;
    void applyPump(const EditContext& ctx, const QStringList& list1, const QStringList& list2);
    // The record file changed or was renumbered since the panel opened: it
    // closes as Esc closes it, and nothing is written.
    bool closedAsStale(const EditContext& ctx);

    ContextProvider context_;
    State state_ = State::Closed;
    double selected_ = 0;
    quint64 openedEpoch_ = 0;
    store::LedgerRecord buffer_;

    QLineEdit* dateBox_ = nullptr;
    QLineEdit* amountBox_ = nullptr;
    QLineEdit* codeBox_ = nullptr;
    QLineEdit* nameBox_ = nullptr;
    QLineEdit* noteBox_ = nullptr;
    QLabel* user1Label_ = nullptr;
    QLabel* user2Label_ = nullptr;
    QComboBox* userList1_ = nullptr;
    QComboBox* userList2_ = nullptr;
    QPushButton* dateDn_ = nullptr;
    QPushButton* dateUp_ = nullptr;
    QPushButton* dateDn30_ = nullptr;
    QPushButton* dateUp30_ = nullptr;
    QPushButton* todayButton_ = nullptr;
    QPushButton* newIncome_ = nullptr;
    QPushButton* newExpense_ = nullptr;
    QPushButton* replaceIncome_ = nullptr;
    QPushButton* replaceExpense_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

} // namespace fnk::edit
