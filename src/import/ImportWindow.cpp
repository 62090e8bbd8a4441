#include "import/ImportWindow.h"

#include "import/ImportRun.h"
#include "import/TextLines.h"
#include "platform/Colours.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "platform/WaitCursor.h"
#include "store/Money.h"
#include "store/CategoryFile.h"
#include "store/Dates.h"
#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTreeWidget>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <optional>

namespace fnk::imports {

namespace {

using platform::Answer;
using platform::Icon;

const QString kNoFileText = QStringLiteral("Import file name... ?");
const QString kTwoBreaks = QStringLiteral("\n\n");
constexpr int kPreviewLines = 5;
// The error number for a text that is not the date or number expected.
constexpr int kTypeMismatch = 13;

const char* const kInstructions =
    "The \"Import File Data Fields\" list on the right shows the first five records from the "
    "data file you selected. You must match up the fields with the \"Fennick Fields\" list in "
    "the middle. Highlight each item on the right in turn and then click on the correct field "
    "number box to make the field number appear. Fennick fields which have no corresponding "
    "import file field number will simply be left empty.";

struct LinkSpec {
    const char* objectName;
    const char* label;
};
constexpr LinkSpec kLinkSpecs[] = {
    {"DateLink", "Date"},     {"AmountLink", "Amount"},         {"NoteLink", "Note"},
    {"CatLink", "Category"},  {"UDF1Link", "User Field 1"},     {"UDF2Link", "User Field 2"},
};

QPushButton* newButton(QWidget* parent, const char* name, const char* caption, const char* tip)
{
    auto* button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(QLatin1String(tip));
    button->setAutoDefault(false);
    return button;
}

int toBarValue(qint64 n) { return int(std::clamp<qint64>(n, 0, INT_MAX)); }

// The bar moves a few times a second at most; the clock is read every so
// many lines.
constexpr qint64 kBarCheck = 512;
constexpr qint64 kBarMillis = 200;

QString linkText(int value)
{
    return value > 0 ? QString::number(value) + QLatin1Char(' ') : QString();
}

constexpr qsizetype kStatementRows = 2000;  // rows the lists show of a statement

const char* const kStatementInstructions =
    "The \"Import File Data Fields\" list on the right shows the accounts of the bank statement "
    "you selected and the transactions found for each. A statement has nothing to match up: "
    "the records below show how they will be stored, and Import adds those not imported "
    "before. Double-click a record to give it a category; Fennick offers to remember it for "
    "every note with the same payee.";

const char* const kFinishedAdvice =
    "IMPORTANT: As soon as you return to the main screen, please set the date range to "
    "encompass several years and carefully review the records. If it looks like the data is "
    "corrupted, then restore the internal backup file that you should have made before "
    "starting!";

QString transactionsText(qsizetype n)
{
    return QString::number(n) + (n == 1 ? QStringLiteral(" transaction") : QStringLiteral(" transactions"));
}

QString readyQuestion()
{
    return QStringLiteral("Ready to attempt data import. Please be advised that the import "
                          "operation cannot weed out duplicate records, nor can it tell whether or "
                          "not the data being imported is valid!")
        + kTwoBreaks
        + QStringLiteral("IMPORTANT: if you have not recently run a data backup then you are "
                         "strongly advised to quit the import operation now and do so!")
        + kTwoBreaks + QStringLiteral("Proceed?");
}

QString importedBefore(qint64 imported)
{
    return QStringLiteral(". Records imported before this line: ") + QString::number(imported);
}

}  // namespace

ImportWindow::ImportWindow(const QString& recordFile, QWidget* parent)
    : QWidget(parent, Qt::Window), recordFile_(recordFile)
{
    setObjectName(QStringLiteral("fnk3cdi"));
    setWindowTitle(QStringLiteral("Comma-Delimited Import Field Selector"));
    setWindowModality(Qt::NonModal);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));

    selectFile_ = newButton(this, "SelectFile", "&Select File", "Click to select a file to import");

    fileLabel_ = new QLabel(kNoFileText, this);
    fileLabel_->setObjectName(QStringLiteral("Label1"));
    fileLabel_->setToolTip(QStringLiteral("this is the file you have selected"));
    fileLabel_->setWordWrap(true);
    fileLabel_->setTextFormat(Qt::PlainText);

    instructions_ = new QLabel(QLatin1String(kInstructions), this);
    instructions_->setObjectName(QStringLiteral("Label8"));
    instructions_->setWordWrap(true);
    instructions_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    instructions_->setMinimumWidth(digit * 30);
    instructions_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding);

    auto* fieldsHeading = new QLabel(QStringLiteral("Fennick Fields"), this);
    fieldsHeading->setObjectName(QStringLiteral("Label21"));

    auto* linkGrid = new QGridLayout;
    for (int i = 0; i < kLinkCount; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QLatin1String(kLinkSpecs[i].objectName));
        box->setReadOnly(true);
        box->setFixedWidth(digit * 6 + 16);
        box->setAccessibleName(QLatin1String(kLinkSpecs[i].label));
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, &ImportWindow::linksChanged);
        auto* label = new QLabel(QLatin1String(kLinkSpecs[i].label), this);
        label->setObjectName(box->objectName() + QStringLiteral("Label"));
        label->setBuddy(box);
        linkGrid->addWidget(label, i, 0);
        linkGrid->addWidget(box, i, 1);
        links_[std::size_t(i)] = box;
    }

    quotedFields_ = new QCheckBox(QStringLiteral("Q&uoted fields"), this);
    quotedFields_->setObjectName(QStringLiteral("QuotedFields"));
    quotedFields_->setAccessibleName(QStringLiteral("Quoted fields"));
    quotedFields_->setToolTip(QStringLiteral(
        "In a .csv file, a field in double quotes keeps its commas; \"\" stands for one quote"));
    quotedFields_->setEnabled(false);

    dateOrderLabel_ = new QLabel(QStringLiteral("&QIF dates:"), this);
    dateOrderLabel_->setObjectName(QStringLiteral("DateOrderLabel"));
    dateOrder_ = new QComboBox(this);
    dateOrder_->setObjectName(QStringLiteral("DateOrder"));
    dateOrder_->addItem(QStringLiteral("Month first (M/D/Y)"), int(DateOrder::MonthFirst));
    dateOrder_->addItem(QStringLiteral("Day first (D/M/Y)"), int(DateOrder::DayFirst));
    dateOrder_->setAccessibleName(QStringLiteral("QIF dates"));
    dateOrder_->setToolTip(QStringLiteral("The order of day and month in the QIF file's dates"));
    dateOrderLabel_->setBuddy(dateOrder_);
    dateOrder_->setEnabled(false);

    auto* defaultLabel = new QLabel(QStringLiteral("De&fault category:"), this);
    defaultLabel->setObjectName(QStringLiteral("DefaultCategoryLabel"));
    defaultCategory_ = new QComboBox(this);
    defaultCategory_->setObjectName(QStringLiteral("DefaultCategory"));
    defaultCategory_->setAccessibleName(QStringLiteral("Default category"));
    defaultCategory_->setToolTip(
        QStringLiteral("The category of a statement's records that no rule places"));
    defaultCategory_->setMinimumContentsLength(14);
    defaultLabel->setBuddy(defaultCategory_);
    defaultCategory_->setEnabled(false);

    auto* listHeading = new QLabel(QStringLiteral("Import File Data Fields"), this);
    listHeading->setObjectName(QStringLiteral("InputListLabel"));
    inputList_ = new QListWidget(this);
    inputList_->setObjectName(QStringLiteral("InputList"));
    inputList_->setAccessibleName(QStringLiteral("Import File Data Fields"));
    inputList_->setSelectionMode(QAbstractItemView::SingleSelection);
    inputList_->setMinimumWidth(digit * 36);
    listHeading->setBuddy(inputList_);

    auto* previewHeading = new QLabel(QStringLiteral("Records as they will be stored"), this);
    previewHeading->setObjectName(QStringLiteral("RecordPreviewLabel"));
    recordPreview_ = new QTreeWidget(this);
    recordPreview_->setObjectName(QStringLiteral("RecordPreview"));
    recordPreview_->setAccessibleName(QStringLiteral("Records as they will be stored"));
    recordPreview_->setRootIsDecorated(false);
    recordPreview_->setSelectionMode(QAbstractItemView::SingleSelection);
    recordPreview_->setHeaderLabels({QStringLiteral("Line"), QStringLiteral("Date"),
                                     QStringLiteral("Amount"), QStringLiteral("Note"),
                                     QStringLiteral("Category")});
    // The note takes what the other columns leave, so the category stays in
    // sight.
    recordPreview_->header()->setStretchLastSection(false);
    recordPreview_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    recordPreview_->header()->setSectionResizeMode(3, QHeaderView::Stretch);
    recordPreview_->setMinimumHeight(fontMetrics().height() * 8);
    previewHeading->setBuddy(recordPreview_);

    headerLine_ = new QCheckBox(QStringLiteral("The first line holds column names: s&kip it"), this);
    headerLine_->setObjectName(QStringLiteral("HeaderLine"));
    headerLine_->setAccessibleName(QStringLiteral("The first line holds column names: skip it"));
    headerLine_->setToolTip(
        QStringLiteral("Skip a first line whose date field is not a date instead of stopping"));

    clearFields_ = newButton(this, "ClearFields", "&Clear Fields", "Clear all fields and start over");
    import_ = newButton(this, "Command1", "&Import", "Start the import operation");
    quit_ = newButton(this, "Command2", "Ca&ncel/Quit", "Quit import utility without further action");

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setAccessibleName(QStringLiteral("Import progress"));
    progress_->setRange(0, 1);
    progress_->setValue(0);

    // Three columns over the preview: the file and the instructions on the
    // left, the Fennick fields in the middle, the file's fields on the right,
    // as the instructions tell.
    auto* left = new QVBoxLayout;
    left->addWidget(selectFile_, 0, Qt::AlignLeft);
    left->addWidget(fileLabel_);
    left->addSpacing(8);
    left->addWidget(instructions_, 1);

    auto* options = new QGridLayout;
    options->addWidget(dateOrderLabel_, 0, 0);
    options->addWidget(dateOrder_, 0, 1);
    options->addWidget(defaultLabel, 1, 0);
    options->addWidget(defaultCategory_, 1, 1);

    auto* middle = new QVBoxLayout;
    middle->addWidget(fieldsHeading);
    middle->addLayout(linkGrid);
    middle->addSpacing(8);
    middle->addWidget(quotedFields_, 0, Qt::AlignLeft);
    middle->addLayout(options);
    middle->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addWidget(listHeading);
    right->addWidget(inputList_, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 3);
    columns->addSpacing(12);
    columns->addLayout(middle, 0);
    columns->addSpacing(12);
    columns->addLayout(right, 4);

    auto* below = new QVBoxLayout;
    below->addWidget(previewHeading);
    below->addWidget(recordPreview_, 1);
    below->addWidget(headerLine_, 0, Qt::AlignLeft);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_, 1);
    buttons->addSpacing(12);
    buttons->addWidget(clearFields_);
    buttons->addWidget(import_);
    buttons->addWidget(quit_);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(columns, 3);
    outer->addSpacing(8);
    outer->addLayout(below, 2);
    outer->addLayout(buttons);

    connect(selectFile_, &QPushButton::clicked, this, &ImportWindow::SelectFile_Click);
    connect(clearFields_, &QPushButton::clicked, this, &ImportWindow::ClearFields_Click);
    connect(import_, &QPushButton::clicked, this, &ImportWindow::Command1_Click);
    connect(quit_, &QPushButton::clicked, this, &ImportWindow::Command2_Click);
    connect(headerLine_, &QCheckBox::clicked, this, [this] {
        headerTouched_ = true;
        showRecordPreview();
    });
    connect(quotedFields_, &QCheckBox::clicked, this, &ImportWindow::QuotedFields_Click);
    connect(dateOrder_, &QComboBox::activated, this, &ImportWindow::DateOrder_Changed);
    connect(defaultCategory_, &QComboBox::activated, this,
            &ImportWindow::DefaultCategory_Changed);
    connect(recordPreview_, &QTreeWidget::itemDoubleClicked, this,
            &ImportWindow::RecordPreview_DoubleClick);

    ClearEntry();
    resize(std::max(sizeHint().width(), digit * 130), std::max(sizeHint().height(), fontMetrics().height() * 36));
}

void ImportWindow::closeEvent(QCloseEvent* event)
{
    // The window stays until its run is over.
    if (running_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit finished();
}

bool ImportWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        for (QLineEdit* link : links_) {
            if (watched == link && mouse->button() == Qt::LeftButton
                && link->rect().contains(mouse->position().toPoint())) {
                Link_Click(link);
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString ImportWindow::GetLinkNo() const
{
    const QListWidgetItem* item = inputList_->currentItem();
    return imports::GetLinkNo(item ? item->text() : QString());
}

void ImportWindow::Link_Click(QLineEdit* link) { link->setText(GetLinkNo()); }

void ImportWindow::ClearFields_Click()
{
    for (QLineEdit* link : links_)
        link->clear();
}

void ImportWindow::Command2_Click() { close(); }

Links ImportWindow::links() const
{
    Links l;
    l.date = linkValue(links_[kDate]->text());
    l.amount = linkValue(links_[kAmount]->text());
    l.note = linkValue(links_[kNote]->text());
    l.category = linkValue(links_[kCategory]->text());
    l.userField1 = linkValue(links_[kUser1]->text());
    l.userField2 = linkValue(links_[kUser2]->text());
    return l;
}

void ImportWindow::setLinks(const Links& l)
{
    const int values[kLinkCount] = {l.date, l.amount, l.note, l.category, l.userField1,
                                    l.userField2};
    for (int i = 0; i < kLinkCount; ++i)
        links_[std::size_t(i)]->setText(linkText(values[i]));
}

void ImportWindow::resetPreview()
{
    inputList_->clear();
    fileLabel_->setText(kNoFileText);
    lineCount_ = 0;
    firstLines_.clear();
    headerTouched_ = false;
    statement_ = {};
    categories_.givenRows.clear();
    lastRunTag_.clear();
    quotedFields_->setEnabled(false);
    dateOrder_->setEnabled(false);
    defaultCategory_->setEnabled(false);
    headerLine_->setEnabled(true);
    setInstructions();
    linksChanged();
}

void ImportWindow::setInstructions()
{
    instructions_->setText(isStatement() ? QLatin1String(kStatementInstructions)
                                         : QLatin1String(kInstructions));
    for (QLineEdit* link : links_)
        link->setEnabled(!isStatement());
    clearFields_->setEnabled(!isStatement());
}

QString ImportWindow::dataFolder() const { return QFileInfo(recordFile_).absolutePath(); }

SplitRule ImportWindow::splitRule() const
{
    const SplitRule rule = splitRuleFor(importFile_);
    return rule == SplitRule::Plain && quotedFields_->isChecked() ? SplitRule::QuotedCsv : rule;
}

void ImportWindow::showFieldList()
{
    QStringList preview;
    for (qsizetype i = 0; i < firstLines_.size(); ++i)
        preview << previewLines(int(i + 1), splitLine(firstLines_.at(i), splitRule()));
    inputList_->clear();
    inputList_->addItems(preview);
}

void ImportWindow::linksChanged()
{
    if (isStatement()) {
        showStatementPreview();
        return;
    }
    if (!headerTouched_) {
        headerLine_->setChecked(
            !firstLines_.isEmpty()
            && looksLikeHeader(splitLine(firstLines_.front(), splitRule()), links()));
    }
    showRecordPreview();
}

void ImportWindow::showRecordPreview()
{
    if (isStatement()) {
        showStatementPreview();
        return;
    }
    recordPreview_->clear();
    recordPreview_->headerItem()->setText(0, QStringLiteral("Line"));
    const QList<PreviewRow> rows = previewRecords(firstLines_, splitRule(), links(),
                                                  headerLine_->isChecked());
    for (const PreviewRow& row : rows) {
        auto* item = new QTreeWidgetItem(recordPreview_);
        item->setText(0, QString::number(row.line));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        switch (row.status) {
        case PreviewRow::Stored:
            item->setText(1, row.date);
            item->setText(2, row.amount);
            item->setText(3, row.note);
            item->setText(4, row.category);
            break;
        case PreviewRow::Skipped:
            item->setText(3, QStringLiteral("(no date: this line is skipped)"));
            break;
        case PreviewRow::Header:
            item->setText(3, QStringLiteral("(header line: skipped)"));
            break;
        case PreviewRow::Unreadable: {
            // The field that cannot be read shows "?"; the reason is the
            // line's tool tip.
            item->setText(row.dateUnreadable ? 1 : 2, QStringLiteral("?"));
            item->setText(3, QStringLiteral("Cannot be read: the run stops here"));
            QFont bold = item->font(3);
            bold.setBold(true);
            for (int c = 0; c < 5; ++c) {
                item->setForeground(c, platform::readableOn(QColor(0xB0, 0, 0),
                                                          recordPreview_->palette().color(QPalette::Base)));
                item->setFont(c, bold);
                item->setToolTip(c, row.problem);
            }
            break;
        }
        }
        item->setData(0, Qt::UserRole, int(row.status));
    }
}

void ImportWindow::SelectFile_Click()
{
    platform::FileDialog dialog;
    dialog.kind = platform::FileDialog::Open;
    dialog.title = QStringLiteral("Select a file...");
    dialog.filter = QStringLiteral(
        "Comma-delimited text (*.txt)|*.txt|Comma-separated values (*.csv)|*.csv|"
        "Bank statements (*.ofx *.qfx *.qif *.xml)|*.ofx;*.qfx;*.qif;*.xml");
    const QString path = platform::messages().file(dialog);
    if (path.isEmpty())
        return;
    importFile_ = path;

    try {
        if (offerBackup_)
            offerBackup_();

        // A bank statement is known by its content, whatever its name; a
        // file named as one that is none is refused with the reason.
        const StatementFormat format = statementFormatOfFile(importFile_);
        const QString suffix = QFileInfo(importFile_).suffix().toLower();
        const bool statementName = suffix == QLatin1String("ofx") || suffix == QLatin1String("qfx")
            || suffix == QLatin1String("qif") || suffix == QLatin1String("xml");
        resetPreview();
        if (format != StatementFormat::None || statementName) {
            if (readChosenStatement(std::nullopt))
                showStatement();
            return;
        }

        // A file of another kind has no fields: nothing of it is shown, and
        // what an earlier file showed is taken away.
        const SplitRule rule = splitRuleFor(importFile_);
        if (rule == SplitRule::None)
            return;
        qint64 count = 0;
        QStringList firstFive;
        {
            platform::WaitCursor wait;
            const TextEncoding encoding = detectEncoding(importFile_);
            count = countLines(importFile_, encoding);
            firstFive = firstLines(importFile_, kPreviewLines, encoding);
        }
        lineCount_ = count;
        fileLabel_->setText(store::trimSpaces(importFile_) + QStringLiteral(" appears to contain ")
                            + QString::number(count) + QStringLiteral(" records."));
        firstLines_ = firstFive;
        headerTouched_ = false;
        quotedFields_->setEnabled(rule == SplitRule::Plain);
        quotedFields_->setChecked(false);
        // The links that worked for a file of this shape come back, with the
        // quoted-fields box of a ".csv" file; the user may still change them.
        if (!firstLines_.isEmpty()) {
            const QString first = firstLines_.front();
            std::optional<Links> kept;
            try {
                if (rule == SplitRule::Plain) {
                    const std::optional<RecalledLinks> recalled = recallLinks(
                        linkMemoryPath(recordFile_), first, [&first](bool quoted) {
                            return int(splitLine(first, quoted ? SplitRule::QuotedCsv
                                                               : SplitRule::Plain)
                                           .size());
                        });
                    if (recalled) {
                        kept = recalled->links;
                        quotedFields_->setChecked(recalled->quotedFields);
                    }
                } else {
                    kept = recallLinks(linkMemoryPath(recordFile_),
                                       int(splitLine(first, rule).size()), first);
                }
            } catch (const store::FileError&) {
                // Unreadable memory only means the links are picked by hand.
            }
            showFieldList();
            if (kept)
                setLinks(*kept);
        }
        linksChanged();
    } catch (const store::FileError& e) {
        resetPreview();
        platform::reportException(e);
    }
}

void ImportWindow::QuotedFields_Click()
{
    headerTouched_ = false;
    showFieldList();
    linksChanged();
}

// ------------------------------------------------------------ bank statements

bool ImportWindow::readChosenStatement(std::optional<DateOrder> order)
{
    Statement read;
    try {
        platform::WaitCursor wait;
        StatementOptions options;
        options.dateOrder = order;
        read = readStatement(importFile_, options);
        seen_ = SeenIds::read(SeenIds::pathIn(dataFolder()));
    } catch (const StatementError& e) {
        resetPreview();
        platform::messages().inform(
            QStringLiteral("Bank statement"),
            QStringLiteral("This file cannot be imported:") + kTwoBreaks + e.message + kTwoBreaks
                + QStringLiteral("Nothing of it will be imported."),
            Icon::Exclamation);
        return false;
    }
    statement_ = std::move(read);
    loadCategories();
    return true;
}

void ImportWindow::loadCategories()
{
    const QString wanted = defaultCategory_->currentData().toString();
    try {
        categories_.readCategories(store::CategoryFile::inFolder(dataFolder()).path());
    } catch (const store::FileError&) {
        categories_.codeOf.clear();  // the category file's own commands report it
    }
    try {
        categories_.rules = CategoryRules::read(CategoryRules::pathIn(dataFolder()));
    } catch (const store::FileError& e) {
        categories_.rules = {};
        platform::reportException(e);
    }
    defaultCategory_->clear();
    defaultCategory_->addItem(QString(), QString());
    QStringList codes;
    for (auto it = categories_.codeOf.cbegin(); it != categories_.codeOf.cend(); ++it)
        if (!codes.contains(it.value()))
            codes << it.value();
    codes.sort(Qt::CaseInsensitive);
    for (const QString& code : codes)
        defaultCategory_->addItem(code, code);
    const int at = defaultCategory_->findData(wanted);
    defaultCategory_->setCurrentIndex(at < 0 ? 0 : at);
    categories_.defaultCode = defaultCategory_->currentData().toString();
}

void ImportWindow::showStatement()
{
    const QList<StatementTransaction>& all = statement_.transactions;
    lineCount_ = all.size();
    fileLabel_->setText(store::trimSpaces(importFile_) + QStringLiteral(" is a bank statement (")
                        + statementFormatName(statement_.format) + QStringLiteral(") of ")
                        + transactionsText(all.size()) + QLatin1Char('.'));
    const bool qif = statement_.format == StatementFormat::Qif;
    dateOrder_->setEnabled(qif);
    dateOrder_->setCurrentIndex(dateOrder_->findData(int(statement_.dateOrder)));
    dateOrderLabel_->setToolTip(
        !qif ? QString()
             : statement_.dateOrderDecided
             ? QStringLiteral("The file's dates show this order")
             : QStringLiteral("No date of the file shows the order: the locale's is assumed"));
    defaultCategory_->setEnabled(true);
    headerLine_->setEnabled(false);
    headerLine_->setChecked(false);
    setInstructions();

    // The field list: each account with its transactions.
    QStringList lines;
    QStringList accounts;
    for (const StatementTransaction& t : all)
        if (!accounts.contains(t.account))
            accounts << t.account;
    if (accounts.isEmpty())
        accounts = statement_.accounts.isEmpty() ? QStringList{QString()} : statement_.accounts;
    qsizetype listed = 0;
    for (const QString& account : accounts) {
        qsizetype count = 0;
        for (const StatementTransaction& t : all)
            count += t.account == account;
        lines << QStringLiteral("||||||||||| ACCOUNT ")
                + (account.isEmpty() ? QStringLiteral("(unnamed)") : account)
                + QStringLiteral(" ||||||||||||");
        lines << transactionsText(count);
        for (const StatementTransaction& t : all) {
            if (t.account != account)
                continue;
            if (listed++ == kStatementRows)
                break;
            lines << store::formatDay(double(t.day)) + QLatin1Char(' ')
                    + store::formatCurrency(t.amount) + QLatin1Char(' ') + t.note;
        }
    }
    if (listed > kStatementRows)
        lines << QStringLiteral("... and more: every transaction is imported");
    inputList_->clear();
    inputList_->addItems(lines);
    showStatementPreview();
}

void ImportWindow::showStatementPreview()
{
    recordPreview_->clear();
    recordPreview_->headerItem()->setText(0, QStringLiteral("No."));
    const QList<StatementTransaction>& all = statement_.transactions;
    QList<QTreeWidgetItem*> items;
    const qsizetype shown = std::min<qsizetype>(all.size(), kStatementRows);
    items.reserve(shown + 1);
    for (qsizetype row = 0; row < shown; ++row) {
        const StatementTransaction& t = all.at(row);
        const store::LedgerRecord r = statementRecord(t, categories_.categoryFor(t, row));
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::number(row + 1));
        item->setText(1, store::formatDay(r.entryDate));
        item->setText(2, store::formatCurrency(r.amount));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(3, store::trimSpaces(r.noteText()));
        if (seen_.contains(t.id)) {
            item->setText(4, QStringLiteral("(imported before: skipped)"));
            for (int c = 0; c < 5; ++c)
                item->setForeground(c, palette().color(QPalette::Disabled, QPalette::Text));
        } else {
            item->setText(4, store::trimSpaces(r.categoryCodeText()));
        }
        item->setData(0, Qt::UserRole, qlonglong(row));
        items << item;
    }
    if (all.size() > shown) {
        auto* more = new QTreeWidgetItem;
        more->setText(3, QStringLiteral("... %1 more records").arg(all.size() - shown));
        more->setData(0, Qt::UserRole, qlonglong(-1));
        items << more;
    }
    recordPreview_->addTopLevelItems(items);
}

void ImportWindow::DateOrder_Changed()
{
    if (statement_.format != StatementFormat::Qif)
        return;
    const auto order = DateOrder(dateOrder_->currentData().toInt());
    if (order == statement_.dateOrder)
        return;
    try {
        if (readChosenStatement(order))
            showStatement();
    } catch (const store::FileError& e) {
        resetPreview();
        platform::reportException(e);
    }
}

void ImportWindow::DefaultCategory_Changed()
{
    categories_.defaultCode = defaultCategory_->currentData().toString();
    showStatementPreview();
}

void ImportWindow::RecordPreview_DoubleClick(QTreeWidgetItem* item)
{
    if (!isStatement() || !item)
        return;
    const qsizetype row = item->data(0, Qt::UserRole).toLongLong();
    if (row < 0 || row >= statement_.transactions.size())
        return;
    const StatementTransaction& t = statement_.transactions.at(row);
    platform::MessagePort& port = platform::messages();
    const QString typed = store::trimSpaces(port.input(
        {QStringLiteral("Category"),
         QStringLiteral("The category code for \"%1\":").arg(t.note),
         categories_.categoryFor(t, row)}));
    if (typed.isEmpty())
        return;
    const auto known = categories_.codeOf.constFind(typed.toUpper());
    if (known == categories_.codeOf.constEnd()) {
        port.inform(QStringLiteral("Category"),
                    QStringLiteral("There is no category \"%1\". Make it in the category list "
                                   "first, or give a code that is there.")
                        .arg(typed),
                    Icon::Exclamation);
        return;
    }
    const QString code = *known;
    categories_.givenRows.insert(row, code);
    const QString payee = t.payee.isEmpty() ? t.note : t.payee;
    if (!payee.isEmpty()
        && port.askYesNo(QStringLiteral("Category rule"),
                         QStringLiteral("Remember this as a rule?") + kTwoBreaks
                             + QStringLiteral("note contains \"%1\" \u2192 %2").arg(payee, code)
                             + kTwoBreaks
                             + QStringLiteral("Every record whose note contains it gets this "
                                              "category, now and in later imports."),
                         Icon::Question, Answer::Yes)) {
        categories_.rules.set(payee, code);
        // The rule decides for every row it matches, this one included.
        for (auto it = categories_.givenRows.begin(); it != categories_.givenRows.end();) {
            if (statement_.transactions.at(it.key()).note.contains(payee, Qt::CaseInsensitive))
                it = categories_.givenRows.erase(it);
            else
                ++it;
        }
        if (categories_.rules.categoryFor(t.note) != code)
            categories_.givenRows.insert(row, code);  // a longer rule still wins elsewhere
        try {
            store::ChangeScope change = store::beginChange(beginChange_, QStringLiteral("Category Rule"));
            categories_.rules.write(CategoryRules::pathIn(dataFolder()));
        } catch (const store::FileError& e) {
            platform::reportException(e);
        }
    }
    showStatementPreview();
}

namespace {

// The name of a run for undo.
QString importText(qint64 imported)
{
    return imported == 1 ? QStringLiteral("Import of 1 Record")
                         : QStringLiteral("Import of %1 Records").arg(imported);
}

}  // namespace

void ImportWindow::importStatementRun()
{
    platform::MessagePort& port = platform::messages();
    if (statement_.transactions.isEmpty()) {
        port.inform(QStringLiteral("Nothing to do!"),
                    QStringLiteral("The statement holds no transactions."), Icon::Exclamation);
        return;
    }
    if (!port.askYesNo(QStringLiteral("Ready..."), readyQuestion(), Icon::Question, Answer::No))
        return;
    const qint64 total = statement_.transactions.size();
    progress_->setRange(0, std::max(1, toBarValue(total)));
    progress_->setValue(0);
    StatementRunEnd end;
    QElapsedTimer shown;
    shown.start();
    // The records, the ids it remembers and nothing else are one change.
    std::optional<store::ChangeScope> change(
        store::beginChange(beginChange_, QStringLiteral("Import")));
    try {
        running_ = true;
        const auto done = qScopeGuard([this] { running_ = false; });
        platform::WaitCursor wait;
        importStatement(statement_, categories_, recordFile_, SeenIds::pathIn(dataFolder()), end,
                        [&](qint64 row, qint64) {
                            if (row % kBarCheck != 0 || shown.elapsed() < kBarMillis)
                                return;
                            shown.restart();
                            progress_->setValue(toBarValue(row));
                            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                        });
        progress_->setValue(toBarValue(total));
    } catch (const store::FileError& e) {
        lastRunTag_ = end.runTag;
        change->setText(importText(end.imported));
        change.reset();
        platform::ErrorReport(e.name() + importedBefore(end.imported), e.number());
        return;
    }
    change->setText(importText(end.imported));
    change.reset();
    lastRunTag_ = end.runTag;
    try {
        seen_ = SeenIds::read(SeenIds::pathIn(dataFolder()));
    } catch (const store::FileError&) {
        // The preview only loses its marks.
    }
    showStatementPreview();
    port.inform(QStringLiteral("Finished"),
                QString::number(end.imported) + QStringLiteral(" records have been imported. ")
                    + QString::number(end.skipped)
                    + QStringLiteral(" were skipped as already imported.") + kTwoBreaks
                    + QLatin1String(kFinishedAdvice));
}

void ImportWindow::importLines(const Links& links, bool skipHeader, const RecordKeys* skip,
                               TextEncoding encoding, qint64& imported)
{
    const qint64 barMax = progress_->maximum();
    QElapsedTimer shown;
    shown.start();
    running_ = true;
    const auto done = qScopeGuard([this] { running_ = false; });
    const WalkEnd end = importRecords(
        importFile_, recordFile_, links, skipHeader, skip, encoding, imported,
        [&](qint64 line, qint64) {
            if (line % kBarCheck != 0 || shown.elapsed() < kBarMillis)
                return;
            shown.restart();
            progress_->setValue(toBarValue(std::min(line, barMax)));
            // Paint requests only: the user's clicks and keys wait for the end.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        },
        QLocale(), splitRule());
    progress_->setValue(toBarValue(std::min(end.lines, barMax)));
    if (end.refusedLine > 0)
        throw LineRefused{end.refusedLine, end.problem};
}

bool ImportWindow::askAboutDuplicates(const Links& links, bool skipHeader,
                                      const RecordKeys& kept, TextEncoding encoding, bool& skip)
{
    skip = false;
    if (kept.empty())
        return true;
    qint64 repeats = 0;
    {
        platform::WaitCursor wait;
        // Only lines the run would reach count: it stops at an unreadable one.
        walkRecords(importFile_, links, skipHeader,
                    [&](const store::LedgerRecord& built, qint64) {
                        if (kept.contains(built))
                            ++repeats;
                    },
                    encoding, QLocale(), splitRule());
    }
    if (repeats == 0)
        return true;
    const QString text =
        (repeats == 1 ? QStringLiteral("1 line of this file has")
                      : QString::number(repeats) + QStringLiteral(" lines of this file have"))
        + QStringLiteral(" the same date, amount and note as a record already in the record "
                         "file. They may have been imported before.")
        + kTwoBreaks + QStringLiteral("Yes: import them all.") + QLatin1Char('\n')
        + QStringLiteral("No: skip those lines and import the rest.") + QLatin1Char('\n')
        + QStringLiteral("Cancel: stop, and import nothing.");
    const Answer a = platform::messages().message({QStringLiteral("Possible duplicates"), text,
                                                   Icon::Question, platform::Buttons::YesNoCancel,
                                                   Answer::No});
    if (a == Answer::Cancel)
        return false;
    skip = a == Answer::No;
    return true;
}

void ImportWindow::Command1_Click()
{
    platform::MessagePort& port = platform::messages();
    if (isStatement()) {
        importStatementRun();
        return;
    }
    if (links_[kDate]->text().isEmpty() || links_[kAmount]->text().isEmpty()) {
        port.inform(QStringLiteral("Nothing to do!"),
                    QStringLiteral("Records to be imported MUST have a least a Date field and an "
                                   "Amount field specified."),
                    Icon::Exclamation);
        return;
    }
    if (!port.askYesNo(QStringLiteral("Ready..."), readyQuestion(), Icon::Question, Answer::No))
        return;

    ClearEntry();
    const Links chosen = links();
    const bool skipHeader = headerLine_->isChecked();
    qint64 imported = 0;
    bool failed = false;
    QString failure;
    int failureNumber = 0;
    std::optional<store::ChangeScope> change(
        store::beginChange(beginChange_, QStringLiteral("Import")));
    try {
        // The file is read as it is now, for the count and the run alike.
        const TextEncoding encoding = splitRule() == SplitRule::None
            ? TextEncoding::Windows1252
            : detectEncoding(importFile_);
        const RecordKeys kept = RecordKeys::fromRecordFile(recordFile_);
        bool skipRepeats = false;
        if (!askAboutDuplicates(chosen, skipHeader, kept, encoding, skipRepeats))
            return;
        progress_->setRange(0, std::max(1, toBarValue(lineCount_)));
        progress_->setValue(0);
        platform::WaitCursor wait;
        importLines(chosen, skipHeader, skipRepeats ? &kept : nullptr, encoding, imported);
    } catch (const LineRefused& refused) {
        failure = QStringLiteral("Type mismatch: line %1, %2").arg(refused.line).arg(refused.problem)
            + importedBefore(imported);
        failureNumber = kTypeMismatch;
        failed = true;
    } catch (const store::FileError& e) {
        failure = e.name() + importedBefore(imported);
        failureNumber = e.number();
        failed = true;
    }
    change->setText(importText(imported));
    change.reset();
    ClearEntry();
    if (failed) {
        platform::ErrorReport(failure, failureNumber);
        return;
    }
    // Links that carried a whole run are kept for the next file of this shape.
    if (!firstLines_.isEmpty()) {
        try {
            rememberLinks(linkMemoryPath(recordFile_),
                          int(splitLine(firstLines_.front(), splitRule()).size()),
                          firstLines_.front(), chosen, splitRule() == SplitRule::QuotedCsv);
        } catch (const store::FileError&) {
            // The records are in; only the convenience for next time is lost.
        }
    }
    port.inform(QStringLiteral("Finished"),
                QString::number(imported) + QStringLiteral(" records have been imported.")
                    + kTwoBreaks + QLatin1String(kFinishedAdvice));
}

}  // namespace fnk::imports
