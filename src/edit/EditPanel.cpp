#include "edit/EditPanel.h"

#include "edit/PanelWidgets.h"
#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/Money.h"
#include "store/PickList.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <cmath>
#include <iterator>

namespace fnk::edit
{

using detail::button;
using detail::labelFor;
using detail::lineEdit;
using detail::named;
using platform::Icon;

namespace
{

const QString kNothingToDo = QStringLiteral("Nothing to do!");
const QString kTwoBreaks = QStringLiteral("\n\n");
const QString kNewFailed = QStringLiteral("New record entry failed.");
const QString kNotReplaced = QStringLiteral("Record not replaced.");
constexpr const char* kUserListTip = "Single or list of user-defined item(s). See Settings!";

QString withoutSpaces(QString text)
{
    return text.remove(QLatin1Char(' '));
}

// The form a value takes in a record field and in a pick list: its first 10
// characters in the file's code page.
QString storedForm(const QString& typed)
{
    return store::decode1252(store::encode1252(typed).left(store::PickList::kValueWidth));
}

QComboBox* userList(QWidget* parent, const char* name)
{
    auto* c = named(new QComboBox(parent), name, kUserListTip);
    c->setEditable(true);
    // The list offers values; it never adds to itself or completes a value
    // the user is typing (values differ by letter case).
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setCompleter(nullptr);
    return c;
}

// Replaces a list's entries and leaves its text empty.
void fillEntries(QComboBox* list, const QStringList& entries)
{
    list->clear();
    list->addItems(entries);
    list->setCurrentIndex(-1);
    list->setEditText(QString());
}

} // namespace

EditPanel::EditPanel(ContextProvider context, QWidget* parent)
    : QFrame(parent), context_(std::move(context))
{
    detail::makeFloating(this, "EditFrame");
    buildControls();
}

void EditPanel::buildControls()
{
    auto* g = new QGridLayout(this);
    dateBox_ = lineEdit(this, "DateBox", QStringLiteral("date"), nullptr, true);
    dateDn30_ = button(this, "DateDn30", QStringLiteral("<30"), "Change date - 30 days lower");
    dateDn_ = button(this, "DateDn", QStringLiteral("<"), "Change date - one day lower");
    dateUp_ = button(this, "DateUp", QStringLiteral(">"), "Change date - one day higher");
    dateUp30_ = button(this, "DateUp30", QStringLiteral("30>"), "Change date - 30 days higher");
    todayButton_ = button(this, "TodayButton", QStringLiteral("!"), "Change date - make today");
    // Small buttons keep the panel narrow enough to sit over the list.
    for (QPushButton* b : {dateDn30_, dateDn_, dateUp_, dateUp30_, todayButton_})
        b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("30>")) + 20);
    g->setHorizontalSpacing(4);
    g->addWidget(labelFor(this, "DateLabel", QStringLiteral("Date"), dateBox_), 0, 2, 1, 2);
    g->addWidget(dateDn30_, 1, 0);
    g->addWidget(dateDn_, 1, 1);
    g->addWidget(dateBox_, 1, 2, 1, 2);
    g->addWidget(dateUp_, 1, 4);
    g->addWidget(dateUp30_, 1, 5);
    g->addWidget(todayButton_, 1, 6);

    amountBox_ =
        lineEdit(this, "AmountBox", QStringLiteral("amount"), "Amount of income or expense");
    codeBox_ = lineEdit(this, "CategoryCodeBox", QStringLiteral("code"),
                        "Category code - click list on right to change", true);
    nameBox_ = lineEdit(this, "CategoryBox", QStringLiteral("category"),
                        "Category name - click list on right to change", true);
    g->addWidget(labelFor(this, "AmountLabel", QStringLiteral("Amo&unt"), amountBox_), 2, 0, 1, 3);
    g->addWidget(labelFor(this, "CodeLabel", QStringLiteral("Code"), codeBox_), 2, 3);
    g->addWidget(labelFor(this, "CategoryLabel", QStringLiteral("Category"), nameBox_), 2, 4, 1, 3);
    g->addWidget(amountBox_, 3, 0, 1, 3);
    g->addWidget(codeBox_, 3, 3, 1, 1);
    g->addWidget(nameBox_, 3, 4, 1, 3);

    noteBox_ = lineEdit(this, "NoteBox", QStringLiteral("note"),
                        "Type a short note here - up to 60 characters");
    noteBox_->setMaxLength(int(store::LedgerRecord::kNoteWidth));
    g->addWidget(labelFor(this, "NoteLabel", QStringLiteral("No&te"), noteBox_), 4, 0, 1, 7);
    g->addWidget(noteBox_, 5, 0, 1, 7);

    user1Label_ = named(new QLabel(QStringLiteral("user def 1"), this), "User1Label");
    user2Label_ = named(new QLabel(QStringLiteral("user def 2"), this), "User2Label");
    userList1_ = userList(this, "UserList1");
    userList2_ = userList(this, "UserList2");
    user1Label_->setBuddy(userList1_);
    user2Label_->setBuddy(userList2_);
    // A cross, not a letter: it takes no access key.
    auto* udf1Delete =
        button(this, "UDF1Delete", QStringLiteral("\u00d7"), "Remove item from pick list");
    auto* udf2Delete =
        button(this, "UDF2Delete", QStringLiteral("\u00d7"), "Remove item from pick list");
    for (QPushButton* b : {udf1Delete, udf2Delete})
        b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("30>")) + 20);
    g->addWidget(user1Label_, 6, 0);
    g->addWidget(userList1_, 6, 1, 1, 5);
    g->addWidget(udf1Delete, 6, 6);
    g->addWidget(user2Label_, 7, 0);
    g->addWidget(userList2_, 7, 1, 1, 5);
    g->addWidget(udf2Delete, 7, 6);

    newIncome_ = button(this, "NewIncomeButton", QStringLiteral("&New +"), "Save new income record");
    newExpense_ =
        button(this, "NewExpenseButton", QStringLiteral("Ne&w -"), "Save new expense record");
    replaceIncome_ = button(this, "ReplaceIncomeButton", QStringLiteral("Re&place +"),
                            "Replace this record - save as income");
    replaceExpense_ = button(this, "ReplaceExpenseButton", QStringLiteral("Replace &-"),
                             "Replace this record - save as expense");
    deleteButton_ =
        button(this, "DeleteButton", QStringLiteral("&Delete"), "Delete record (CTRL-DEL)");
    closeButton_ =
        button(this, "CloseButton", QStringLiteral("Cl&ose"), "Quit record edit - no changes (ESC)");
    auto* actions = new QGridLayout;
    actions->setSpacing(4);
    actions->addWidget(newIncome_, 0, 0);
    actions->addWidget(newExpense_, 0, 1);
    actions->addWidget(closeButton_, 0, 2);
    actions->addWidget(replaceIncome_, 1, 0);
    actions->addWidget(replaceExpense_, 1, 1);
    actions->addWidget(deleteButton_, 1, 2);
    g->addLayout(actions, 8, 0, 1, 7);

    // Tab goes from the date to the amount, the note, the user fields and
    // the buttons (the main window puts its category list after the
    // amount); it passes over the boxes that only show.
    QWidget* order[] = {dateDn30_,  dateDn_,     dateUp_,      dateUp30_,      todayButton_,
                        amountBox_, noteBox_,    userList1_,   udf1Delete,     userList2_,
                        udf2Delete, newIncome_,  newExpense_,  closeButton_,   replaceIncome_,
                        replaceExpense_, deleteButton_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    setAmountColour(false);

    connect(dateDn30_, &QPushButton::clicked, this, &EditPanel::DateDn30_Click);
    connect(dateDn_, &QPushButton::clicked, this, &EditPanel::DateDn_Click);
    connect(dateUp_, &QPushButton::clicked, this, &EditPanel::DateUp_Click);
    connect(dateUp30_, &QPushButton::clicked, this, &EditPanel::DateUp30_Click);
    connect(todayButton_, &QPushButton::clicked, this, &EditPanel::TodayButton_Click);
    connect(udf1Delete, &QPushButton::clicked, this, &EditPanel::UDF1Delete_Click);
    connect(udf2Delete, &QPushButton::clicked, this, &EditPanel::UDF2Delete_Click);
    connect(newIncome_, &QPushButton::clicked, this, &EditPanel::NewIncomeButton_Click);
    connect(newExpense_, &QPushButton::clicked, this, &EditPanel::NewExpenseButton_Click);
    connect(replaceIncome_, &QPushButton::clicked, this, &EditPanel::ReplaceIncomeButton_Click);
    connect(replaceExpense_, &QPushButton::clicked, this, &EditPanel::ReplaceExpenseButton_Click);
    connect(deleteButton_, &QPushButton::clicked, this, &EditPanel::DeleteButton_Click);
    connect(closeButton_, &QPushButton::clicked, this, &EditPanel::CloseButton_Click);

    adjustSize();
}

void EditPanel::setAmountColour(bool red)
{
    // Money out is typed in red, money in in the text colour of the panel.
    const QPalette own = palette();
    QPalette p = amountBox_->palette();
    p.setColor(QPalette::Text, red ? platform::readableOn(QColor(255, 0, 0), own.color(QPalette::Base))
                                   : own.color(QPalette::Text));
    amountBox_->setPalette(p);
}

// ------------------------------------------------------------ pick lists

std::pair<QStringList, QStringList> EditPanel::loadPickLists(const EditContext& ctx) const
{
    QStringList one = store::PickList::forField(ctx.dataFolder, 1).load();
    QStringList two = store::PickList::forField(ctx.dataFolder, 2).load();
    return {std::move(one), std::move(two)};
}

void EditPanel::applyPump(const EditContext& ctx, const QStringList& list1,
                          const QStringList& list2)
{
    for (QPushButton* b :
         {deleteButton_, closeButton_, replaceIncome_, replaceExpense_, newIncome_, newExpense_})
        b->setEnabled(true);
    fillEntries(userList1_, list1);
    fillEntries(userList2_, list2);
    user1Label_->setText(ctx.user1Name);
    user2Label_->setText(ctx.user2Name);
    // The names are stored padded; a screen reader says them without it.
    for (auto [list, name] : {std::pair{userList1_, ctx.user1Name}, std::pair{userList2_, ctx.user2Name}}) {
        const QString spoken = platform::plainCaption(name);
        list->setAccessibleName(spoken.isEmpty() ? list->toolTip() : spoken);
    }
}

void EditPanel::PumpUpEditBox()
{
    const EditContext ctx = context_();
    const auto [one, two] = loadPickLists(ctx);
    applyPump(ctx, one, two);
}

PickListAdditions EditPanel::AddToUserFields()
{
    const EditContext ctx = context_();
    PickListAdditions added;
    const QString typed1 = userList1_->currentText();
    const QString typed2 = userList2_->currentText();
    if (ctx.user1KeepsList && store::PickList::forField(ctx.dataFolder, 1).add(typed1))
        added.value1 = storedForm(typed1);
    if (ctx.user2KeepsList) {
        try {
            if (store::PickList::forField(ctx.dataFolder, 2).add(typed2))
                added.value2 = storedForm(typed2);
        } catch (const store::FileError&) {
            takeBackAdditions(ctx, added);
            throw;
        }
    }
    return added;
}

void EditPanel::takeBackAdditions(const EditContext& ctx, const PickListAdditions& added)
{
    // A value is added only when the list did not hold it, so removing it
    // again takes out exactly the line that was added.
    try {
        if (!added.value1.isEmpty())
            store::PickList::forField(ctx.dataFolder, 1).remove(added.value1);
        if (!added.value2.isEmpty())
            store::PickList::forField(ctx.dataFolder, 2).remove(added.value2);
    } catch (const store::FileError&) {
        // The value stays remembered; the record itself was not written,
        // which is what the error box reports.
    }
}

void EditPanel::UDF1Delete_Click()
{
    removeFromPickList(1);
}
void EditPanel::UDF2Delete_Click()
{
    removeFromPickList(2);
}

void EditPanel::removeFromPickList(int field)
{
    QComboBox* list = field == 1 ? userList1_ : userList2_;
    const QString value = list->currentText();
    if (!platform::messages().askYesNo(QStringLiteral("Confirm"),
                                       QStringLiteral("Remove item ") + value +
                                           QStringLiteral(" from pick list?")))
        return;
    const EditContext ctx = context_();
    try {
        store::ChangeScope change =
            store::beginChange(ctx.beginChange, QStringLiteral("Remove Pick-List Value"));
        store::PickList pick = store::PickList::forField(ctx.dataFolder, field);
        pick.remove(value);
        fillEntries(list, pick.load());
    } catch (const store::FileError& e) {
        platform::reportException(e);
    }
}

// ------------------------------------------------------------ opening

void EditPanel::mu_NewEntry()
{
    const EditContext ctx = context_();
    std::pair<QStringList, QStringList> lists;
    try {
        lists = loadPickLists(ctx);
    } catch (const store::FileError& e) {
        platform::reportException(e);
        return;
    }
    applyPump(ctx, lists.first, lists.second);

    dateBox_->setText(store::formatShortDate(platform::clock().today()));
    noteBox_->clear();
    codeBox_->setText(ctx.rememberedCode);
    nameBox_->setText(ctx.rememberedName);
    amountBox_->clear();
    setAmountColour(false);
    deleteButton_->setEnabled(false);
    replaceIncome_->setEnabled(false);
    replaceExpense_->setEnabled(false);

    selected_ = 0;
    openedEpoch_ = ctx.recordEpoch;
    state_ = State::NewRecord;
    show();
    if (parentWidget())
        raise(); // above the list it floats over
    emit openedForNew();
}

bool EditPanel::openRecord(double recordNumber)
{
    if (!std::isfinite(recordNumber) || recordNumber < 0.5)
        return false;
    const EditContext ctx = context_();

    // Everything is read first, so that a failure leaves the panel, the
    // buffer and the selected record as they were.
    store::LedgerRecord rec;
    QString name;
    std::pair<QStringList, QStringList> lists;
    try {
        rec = store::RecordFile(ctx.recordFile).read(qint64(std::nearbyint(recordNumber)));
        store::getlabel(store::CategoryFile(ctx.categoryFile), rec.categoryCodeText(), name);
        lists = loadPickLists(ctx);
    } catch (const store::FileError&) {
        return false;
    }

    selected_ = std::nearbyint(recordNumber);
    openedEpoch_ = ctx.recordEpoch;
    buffer_ = rec;

    dateBox_->setText(store::formatDay(rec.entryDate));
    setAmountColour(rec.amount < 0);
    QString amount = store::editAmountText(rec.amount);
    if (amount.startsWith(QLatin1Char('-')))
        amount.remove(0, 1);
    amountBox_->setText(amount);
    codeBox_->setText(rec.categoryCodeText());
    nameBox_->setText(name);
    noteBox_->setText(store::trimSpaces(rec.noteText()));
    applyPump(ctx, lists.first, lists.second);
    userList1_->setEditText(rec.userField1Text());
    userList2_->setEditText(rec.userField2Text());

    state_ = State::StoredRecord;
    show();
    if (parentWidget())
        raise(); // above the list it floats over
    if (todayButton_->isEnabled())
        todayButton_->setFocus();
    emit openedForRecord(selected_);
    return true;
}

void EditPanel::setCategory(const QString& code, const QString& name)
{
    codeBox_->setText(code);
    nameBox_->setText(name);
}

// ------------------------------------------------------------ saving

EditPanel::AmountRead EditPanel::readAmount() const
{
    AmountRead out;
    QString typed = amountBox_->text();
    out.wasEmpty = withoutSpaces(typed).isEmpty();
    if (out.wasEmpty)
        typed = QStringLiteral("0");
    QString cleaned;
    store::FixNumberString(typed, cleaned);
    const store::AmountParse parsed = store::parseCleanAmount(cleaned);
    out.ok = parsed.ok;
    out.magnitude = parsed.value;
    out.problem = parsed.problem;
    return out;
}

void EditPanel::fillFromPanel(store::LedgerRecord& rec, store::Money amount, bool readDate) const
{
    if (readDate)
        rec.entryDate = store::dayFromDate(store::parseShortDate(dateBox_->text()));
    rec.setNote(noteBox_->text());
    rec.setUserField1(userList1_->currentText());
    rec.setUserField2(userList2_->currentText());
    rec.deletedFlag = 'N';
    rec.reserved.fill(' ');
    rec.setCategoryCode(codeBox_->text());
    rec.amount = amount;
}

void EditPanel::NewIncomeButton_Click()
{
    saveNew(true);
}
void EditPanel::NewExpenseButton_Click()
{
    saveNew(false);
}
void EditPanel::ReplaceIncomeButton_Click()
{
    replace(true);
}
void EditPanel::ReplaceExpenseButton_Click()
{
    replace(false);
}

bool EditPanel::closedAsStale(const EditContext& ctx)
{
    if (ctx.recordEpoch == openedEpoch_)
        return false;
    closePanel(false);
    return true;
}

void EditPanel::saveNew(bool income)
{
    if (state_ == State::Closed)
        return;
    const EditContext ctx = context_();
    if (closedAsStale(ctx))
        return;
    auto& port = platform::messages();
    if (store::trimSpaces(codeBox_->text()).isEmpty()) {
        port.inform(kNothingToDo,
                    QStringLiteral("You must specify a category for the new record - click the "
                                   "category list on the right.") +
                        kTwoBreaks + kNewFailed);
        return;
    }
    const AmountRead amount = readAmount();
    if (!amount.ok) {
        port.inform(kNothingToDo, amount.problem + kTwoBreaks + kNewFailed);
        return;
    }
    if (!store::parseShortDate(dateBox_->text()).isValid()) {
        port.inform(kNothingToDo,
                    QStringLiteral("The date is not a valid date.") + kTwoBreaks + kNewFailed);
        return;
    }

    store::LedgerRecord rec;
    fillFromPanel(rec, income ? amount.magnitude : -amount.magnitude, true);

    if (!saveWithPickLists(ctx, QStringLiteral("New Record"),
                           [&] { store::RecordFile(ctx.recordFile).FileNewEntry(rec); }))
        return;
    buffer_ = rec;
    if (amount.wasEmpty)
        amountBox_->setText(QStringLiteral("0"));
    closePanel(true);
}

bool EditPanel::saveWithPickLists(const EditContext& ctx, const QString& command,
                                  const std::function<void()>& write)
{
    // The record and the values its lists learnt are one change.
    store::ChangeScope change = store::beginChange(ctx.beginChange, command);
    // The pick lists learn the values first; when the record cannot be
    // written they are taken back out, so nothing is half saved.
    PickListAdditions added;
    try {
        added = AddToUserFields();
    } catch (const store::FileError& e) {
        platform::reportException(e);
        return false;
    }
    try {
        write();
    } catch (const store::FileError& e) {
        takeBackAdditions(ctx, added);
        platform::reportException(e);
        return false;
    }
    return true;
}

void EditPanel::replace(bool income)
{
    if (state_ != State::StoredRecord || selected_ <= 0)
        return;
    const EditContext ctx = context_();
    if (closedAsStale(ctx))
        return;
    auto& port = platform::messages();
    // The panel is checked before the question, so a refused amount never
    // follows a "Yes".
    const AmountRead amount = readAmount();
    if (!amount.ok) {
        port.inform(kNothingToDo, amount.problem + kTwoBreaks + kNotReplaced);
        return;
    }
    if (!ctx.macroMode && !store::parseShortDate(dateBox_->text()).isValid()) {
        port.inform(kNothingToDo,
                    QStringLiteral("The date is not a valid date.") + kTwoBreaks + kNotReplaced);
        return;
    }
    if (ctx.confirm && !port.askYesNo(QStringLiteral("Confirm"), QStringLiteral("Replace record?")))
        return;

    // Filled in a copy: a failed write leaves the buffer as it was read.
    store::LedgerRecord rec = buffer_;
    fillFromPanel(rec, income ? amount.magnitude : -amount.magnitude, !ctx.macroMode);

    if (!saveWithPickLists(ctx, QStringLiteral("Replace Record"),
                           [&] { store::RecordFile(ctx.recordFile).ReplaceRecord(selected_, rec); }))
        return;
    buffer_ = rec;
    if (amount.wasEmpty)
        amountBox_->setText(QStringLiteral("0"));
    closePanel(true);
}

void EditPanel::DeleteButton_Click()
{
    if (state_ != State::StoredRecord || selected_ <= 0)
        return;
    const EditContext ctx = context_();
    if (closedAsStale(ctx))
        return;
    if (ctx.confirm &&
        !platform::messages().askYesNo(QStringLiteral("Confirm"), QStringLiteral("Delete record?")))
        return;
    // Only the mark changes: the record is written as it was read.
    store::LedgerRecord rec = buffer_;
    rec.deletedFlag = 'Y';
    try {
        store::ChangeScope change = store::beginChange(ctx.beginChange, QStringLiteral("Delete Record"));
        store::RecordFile(ctx.recordFile).ReplaceRecord(selected_, rec);
    } catch (const store::FileError& e) {
        platform::reportException(e);
        return;
    }
    buffer_ = rec;
    closePanel(true);
}

bool EditPanel::deleteRecord(double recordNumber)
{
    if (!std::isfinite(recordNumber) || recordNumber < 0.5)
        return false;
    const EditContext ctx = context_();
    const double n = std::nearbyint(recordNumber);
    store::LedgerRecord rec;
    try {
        rec = store::RecordFile(ctx.recordFile).read(qint64(n));
    } catch (const store::FileError& e) {
        platform::reportException(e);
        return false;
    }
    if (ctx.confirm &&
        !platform::messages().askYesNo(QStringLiteral("Confirm"), QStringLiteral("Delete record?")))
        return false;
    rec.deletedFlag = 'Y';
    try {
        store::ChangeScope change = store::beginChange(ctx.beginChange, QStringLiteral("Delete Record"));
        store::RecordFile(ctx.recordFile).ReplaceRecord(n, rec);
    } catch (const store::FileError& e) {
        platform::reportException(e);
        return false;
    }
    buffer_ = rec;
    closePanel(true);
    return true;
}

void EditPanel::CloseButton_Click()
{
    if (state_ == State::Closed)
        return;
    closePanel(false);
}

void EditPanel::closePanel(bool saved)
{
    selected_ = 0;
    state_ = State::Closed;
    hide();
    if (saved)
        emit closedAfterSave();
    else
        emit closedWithoutSave();
}

void EditPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && state_ != State::Closed) {
        CloseButton_Click();
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}

// ------------------------------------------------------------ dates

void EditPanel::shiftDate(int days, int months)
{
    const QDate date = store::parseShortDate(withoutSpaces(dateBox_->text()));
    if (!date.isValid())
        return;
    // A calendar month keeps the day, or takes the month's last day when the
    // day does not exist in it.
    const QDate shifted = date.addDays(days).addMonths(months);
    if (shifted.isValid() && store::isValidDay(store::dayFromDate(shifted)))
        dateBox_->setText(store::formatShortDate(shifted));
}

void EditPanel::DateDn_Click()
{
    shiftDate(-1, 0);
}
void EditPanel::DateUp_Click()
{
    shiftDate(1, 0);
}
void EditPanel::DateDn30_Click()
{
    shiftDate(0, -1);
}
void EditPanel::DateUp30_Click()
{
    shiftDate(0, 1);
}

void EditPanel::setDateStepsEnabled(bool enabled)
{
    for (QPushButton* b : {dateDn_, dateUp_, dateDn30_, dateUp30_, todayButton_})
        b->setEnabled(enabled);
}

void EditPanel::TodayButton_Click()
{
    dateBox_->setText(store::formatShortDate(platform::clock().today()));
}

} // namespace fnk::edit
