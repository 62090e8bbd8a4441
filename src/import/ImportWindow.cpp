#include "import/ImportWindow.h"

#include "import/TextLines.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

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

// The hourglass pointer for as long as it lives.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

int toBarValue(qint64 n) { return int(std::clamp<qint64>(n, 0, INT_MAX)); }

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

    selectFile_ = newButton(this, "SelectFile", "Select File", "Click to select a file to import");

    fileLabel_ = new QLabel(kNoFileText, this);
    fileLabel_->setObjectName(QStringLiteral("Label1"));
    fileLabel_->setToolTip(QStringLiteral("this is the file you have selected"));
    fileLabel_->setWordWrap(true);

    auto* instructions = new QLabel(QLatin1String(kInstructions), this);
    instructions->setObjectName(QStringLiteral("Label8"));
    instructions->setWordWrap(true);
    instructions->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    instructions->setMinimumWidth(instructions->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 28);

    auto* fieldsHeading = new QLabel(QStringLiteral("Fennick Fields"), this);
    fieldsHeading->setObjectName(QStringLiteral("Label21"));

    auto* linkGrid = new QGridLayout;
    for (int i = 0; i < kLinkCount; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QLatin1String(kLinkSpecs[i].objectName));
        box->setReadOnly(true);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 6 + 16);
        box->installEventFilter(this);
        auto* label = new QLabel(QLatin1String(kLinkSpecs[i].label), this);
        label->setObjectName(box->objectName() + QStringLiteral("Label"));
        label->setBuddy(box);
        linkGrid->addWidget(label, i, 0);
        linkGrid->addWidget(box, i, 1);
        links_[std::size_t(i)] = box;
    }

    auto* listHeading = new QLabel(QStringLiteral("Import File Data Fields"), this);
    listHeading->setObjectName(QStringLiteral("InputListLabel"));
    inputList_ = new QListWidget(this);
    inputList_->setObjectName(QStringLiteral("InputList"));
    inputList_->setSelectionMode(QAbstractItemView::SingleSelection);
    inputList_->setMinimumWidth(inputList_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36);
    listHeading->setBuddy(inputList_);

    clearFields_ = newButton(this, "ClearFields", "Clear Fields", "Clear all fields and start over");
    import_ = newButton(this, "Command1", "Import", "Start the import operation");
    quit_ = newButton(this, "Command2", "Cancel/Quit", "Quit import utility without further action");

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, 1);
    progress_->setValue(0);

    auto* left = new QVBoxLayout;
    left->addWidget(selectFile_, 0, Qt::AlignLeft);
    left->addWidget(fileLabel_);
    left->addSpacing(8);
    left->addWidget(instructions, 1);

    auto* middle = new QVBoxLayout;
    middle->addWidget(fieldsHeading);
    middle->addLayout(linkGrid);
    middle->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addWidget(listHeading);
    right->addWidget(inputList_, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addSpacing(12);
    columns->addLayout(middle, 0);
    columns->addSpacing(12);
    columns->addLayout(right, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_, 1);
    buttons->addSpacing(12);
    buttons->addWidget(clearFields_);
    buttons->addWidget(import_);
    buttons->addWidget(quit_);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(columns, 1);
    outer->addLayout(buttons);

    connect(selectFile_, &QPushButton::clicked, this, &ImportWindow::SelectFile_Click);
    connect(clearFields_, &QPushButton::clicked, this, &ImportWindow::ClearFields_Click);
    connect(import_, &QPushButton::clicked, this, &ImportWindow::Command1_Click);
    connect(quit_, &QPushButton::clicked, this, &ImportWindow::Command2_Click);

    ClearEntry();
}

void ImportWindow::closeEvent(QCloseEvent* event)
{
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

void ImportWindow::resetPreview()
{
    inputList_->clear();
    fileLabel_->setText(kNoFileText);
    lineCount_ = 0;
}

void ImportWindow::SelectFile_Click()
{
    platform::FileDialog dialog;
    dialog.kind = platform::FileDialog::Open;
    dialog.title = QStringLiteral("Select a file...");
    dialog.filter = QStringLiteral(
        "Comma-delimited text (*.txt)|*.txt|Comma-separated values (*.csv)|*.csv");
    const QString path = platform::messages().file(dialog);
    if (path.isEmpty())
        return;
    importFile_ = path;

    try {
        if (offerBackup_)
            offerBackup_();

        // A file of another kind has no fields: nothing of it is shown, and
        // what an earlier file showed is taken away.
        const SplitRule rule = splitRuleFor(importFile_);
        if (rule == SplitRule::None) {
            resetPreview();
            return;
        }
        qint64 count = 0;
        QStringList preview;
        {
            WaitCursor wait;
            count = countLines(importFile_);
            const QStringList lines = firstLines(importFile_, kPreviewLines);
            for (qsizetype i = 0; i < lines.size(); ++i)
                preview << previewLines(int(i + 1), splitLine(lines.at(i), rule));
        }
        lineCount_ = count;
        fileLabel_->setText(store::trimSpaces(importFile_) + QStringLiteral(" appears to contain ")
                            + QString::number(count) + QStringLiteral(" records."));
        inputList_->clear();
        inputList_->addItems(preview);
    } catch (const store::FileError& e) {
        resetPreview();
        platform::ErrorReport(e.name(), e.number());
    }
}

void ImportWindow::importLines(const Links& links, qint64& imported)
{
    const SplitRule rule = splitRuleFor(importFile_);
    if (rule == SplitRule::None)
        return;  // no line of such a file has a field
    TextLines lines(importFile_);
    store::RecordFile records(recordFile_);
    const qint64 barMax = progress_->maximum();
    QString line;
    qint64 lineNumber = 0;
    while (lines.next(line)) {
        ++lineNumber;
        progress_->setValue(toBarValue(std::min(lineNumber, barMax)));
        LineRecord built = buildRecord(splitLine(line, rule), links);
        if (built.kind == LineRecord::Refused)
            throw LineRefused{lineNumber, built.problem};
        if (built.kind == LineRecord::Record) {
            record_ = built.record;
            records.FileNewEntry(record_);
            ++imported;
        }
        ClearEntry();
    }
}

void ImportWindow::Command1_Click()
{
    platform::MessagePort& port = platform::messages();
    if (links_[kDate]->text().isEmpty() || links_[kAmount]->text().isEmpty()) {
        port.inform(QStringLiteral("Nothing to do!"),
                    QStringLiteral("Records to be imported MUST have a least a Date field and an "
                                   "Amount field specified."),
                    Icon::Exclamation);
        return;
    }
    const QString question =
        QStringLiteral("Ready to attempt data import. Please be advised that the import "
                       "operation cannot weed out duplicate records, nor can it tell whether or "
                       "not the data being imported is valid!")
        + kTwoBreaks
        + QStringLiteral("IMPORTANT: if you have not recently run a data backup then you are "
                         "strongly advised to quit the import operation now and do so!")
        + kTwoBreaks + QStringLiteral("Proceed?");
    if (!port.askYesNo(QStringLiteral("Ready..."), question, Icon::Question, Answer::No))
        return;

    ClearEntry();
    progress_->setRange(0, std::max(1, toBarValue(lineCount_)));
    progress_->setValue(0);
    qint64 imported = 0;
    bool failed = false;
    QString failure;
    int failureNumber = 0;
    try {
        WaitCursor wait;
        importLines(links(), imported);
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
    ClearEntry();
    if (failed) {
        platform::ErrorReport(failure, failureNumber);
        return;
    }
    port.inform(QStringLiteral("Finished"),
                QString::number(imported) + QStringLiteral(" records have been imported.")
                    + kTwoBreaks
                    + QStringLiteral(
                        "IMPORTANT: As soon as you return to the main screen, please set the date "
                        "range to encompass several years and carefully review the records. If it "
                        "looks like the data is corrupted, then restore the internal backup file "
                        "that you should have made before starting!"));
}

}  // namespace fnk::imports
