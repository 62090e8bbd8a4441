#include "import/ImportWindow.h"

#include "import/ImportRun.h"
#include "import/TextLines.h"
#include "platform/Colours.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "store/Money.h"
#include "store/FileIo.h"
#include "store/Text1252.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
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

// The bar moves a few times a second at most; the clock is read every so
// many lines.
constexpr qint64 kBarCheck = 512;
constexpr qint64 kBarMillis = 200;

QString linkText(int value)
{
    return value > 0 ? QString::number(value) + QLatin1Char(' ') : QString();
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
        connect(box, &QLineEdit::textChanged, this, &ImportWindow::linksChanged);
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

    auto* previewHeading = new QLabel(QStringLiteral("Records as they will be stored"), this);
    previewHeading->setObjectName(QStringLiteral("RecordPreviewLabel"));
    recordPreview_ = new QTreeWidget(this);
    recordPreview_->setObjectName(QStringLiteral("RecordPreview"));
    recordPreview_->setRootIsDecorated(false);
    recordPreview_->setSelectionMode(QAbstractItemView::NoSelection);
    recordPreview_->setHeaderLabels({QStringLiteral("Line"), QStringLiteral("Date"),
                                     QStringLiteral("Amount"), QStringLiteral("Note"),
                                     QStringLiteral("Category")});
    recordPreview_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    recordPreview_->setMinimumWidth(inputList_->minimumWidth());
    previewHeading->setBuddy(recordPreview_);

    headerLine_ = new QCheckBox(QStringLiteral("The first line holds column names: skip it"), this);
    headerLine_->setObjectName(QStringLiteral("HeaderLine"));
    headerLine_->setToolTip(
        QStringLiteral("Skip a first line whose date field is not a date instead of stopping"));

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

    auto* farRight = new QVBoxLayout;
    farRight->addWidget(previewHeading);
    farRight->addWidget(recordPreview_, 1);
    farRight->addWidget(headerLine_);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addSpacing(12);
    columns->addLayout(middle, 0);
    columns->addSpacing(12);
    columns->addLayout(right, 3);
    columns->addSpacing(12);
    columns->addLayout(farRight, 4);

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
    connect(headerLine_, &QCheckBox::clicked, this, [this] {
        headerTouched_ = true;
        showRecordPreview();
    });

    ClearEntry();
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
    linksChanged();
}

void ImportWindow::linksChanged()
{
    if (!headerTouched_) {
        const SplitRule rule = splitRuleFor(importFile_);
        headerLine_->setChecked(
            !firstLines_.isEmpty()
            && looksLikeHeader(splitLine(firstLines_.front(), rule), links()));
    }
    showRecordPreview();
}

void ImportWindow::showRecordPreview()
{
    recordPreview_->clear();
    const QList<PreviewRow> rows = previewRecords(firstLines_, splitRuleFor(importFile_), links(),
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
        QStringList firstFive;
        {
            WaitCursor wait;
            const TextEncoding encoding = detectEncoding(importFile_);
            count = countLines(importFile_, encoding);
            firstFive = firstLines(importFile_, kPreviewLines, encoding);
            for (qsizetype i = 0; i < firstFive.size(); ++i)
                preview << previewLines(int(i + 1), splitLine(firstFive.at(i), rule));
        }
        lineCount_ = count;
        fileLabel_->setText(store::trimSpaces(importFile_) + QStringLiteral(" appears to contain ")
                            + QString::number(count) + QStringLiteral(" records."));
        inputList_->clear();
        inputList_->addItems(preview);
        firstLines_ = firstFive;
        headerTouched_ = false;
        // The links that worked for a file of this shape come back; the
        // user may still change them.
        if (!firstLines_.isEmpty()) {
            std::optional<Links> kept;
            try {
                kept = recallLinks(linkMemoryPath(recordFile_),
                                   int(splitLine(firstLines_.front(), rule).size()),
                                   firstLines_.front());
            } catch (const store::FileError&) {
                // Unreadable memory only means the links are picked by hand.
            }
            if (kept)
                setLinks(*kept);
        }
        linksChanged();
    } catch (const store::FileError& e) {
        resetPreview();
        platform::reportException(e);
    }
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
        });
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
        WaitCursor wait;
        // Only lines the run would reach count: it stops at an unreadable one.
        walkRecords(importFile_, links, skipHeader,
                    [&](const store::LedgerRecord& built, qint64) {
                        if (kept.contains(built))
                            ++repeats;
                    },
                    encoding);
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
    const Links chosen = links();
    const bool skipHeader = headerLine_->isChecked();
    qint64 imported = 0;
    bool failed = false;
    QString failure;
    int failureNumber = 0;
    try {
        // The file is read as it is now, for the count and the run alike.
        const TextEncoding encoding = splitRuleFor(importFile_) == SplitRule::None
            ? TextEncoding::Windows1252
            : detectEncoding(importFile_);
        const RecordKeys kept = RecordKeys::fromRecordFile(recordFile_);
        bool skipRepeats = false;
        if (!askAboutDuplicates(chosen, skipHeader, kept, encoding, skipRepeats))
            return;
        progress_->setRange(0, std::max(1, toBarValue(lineCount_)));
        progress_->setValue(0);
        WaitCursor wait;
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
    ClearEntry();
    if (failed) {
        platform::ErrorReport(failure, failureNumber);
        return;
    }
    // Links that carried a whole run are kept for the next file of this shape.
    if (!firstLines_.isEmpty()) {
        try {
            rememberLinks(linkMemoryPath(recordFile_),
                          int(splitLine(firstLines_.front(), splitRuleFor(importFile_)).size()),
                          firstLines_.front(), chosen);
        } catch (const store::FileError&) {
            // The records are in; only the convenience for next time is lost.
        }
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
