#include "edit/CategoryPanel.h"

#include "edit/PanelWidgets.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePort.h"
#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <vector>

namespace fnk::edit
{

using detail::button;
using detail::lineEdit;
using platform::Answer;
using platform::Icon;
using store::trimSpaces;

namespace
{

constexpr int kCodeLength = 10;
constexpr int kNameLength = 20;
constexpr int kDescriptionLength = 76;

const QString kNothingToDo = QStringLiteral("Nothing to do!");
const QString kTwoBreaks = QStringLiteral("\n\n");

void reportFailure(const store::FileError& e)
{
    platform::reportException(e);
}

void noCodeMessage()
{
    platform::messages().inform(kNothingToDo, QStringLiteral("You must provide a category code!"),
                                Icon::Exclamation);
}

} // namespace

CategoryPanel::CategoryPanel(ContextProvider context, QWidget* parent)
    : QFrame(parent), context_(std::move(context))
{
    detail::makeFloating(this, "CategoryFrame");
    buildControls();
}

void CategoryPanel::buildControls()
{
    auto* g = new QGridLayout(this);
    codeEd_ = lineEdit(this, "CatCodeEd", QString(), "Category code - up to ten characters");
    codeEd_->setMaxLength(kCodeLength);
    labelEd_ = lineEdit(this, "CatLabelEd", QString(), "Category name - up to 20 characters");
    labelEd_->setMaxLength(kNameLength);
    descriptionEd_ = lineEdit(this, "CatDescriptionEd", QString(),
                              "Category description - up to 76 characters (optional)");
    descriptionEd_->setMaxLength(kDescriptionLength);
    g->addWidget(detail::labelFor(this, "CatCodeLabel", QStringLiteral("C&ode"), codeEd_), 0, 0);
    g->addWidget(codeEd_, 0, 1);
    g->addWidget(detail::labelFor(this, "CatLabelLabel", QStringLiteral("&Name"), labelEd_), 1, 0);
    g->addWidget(labelEd_, 1, 1);
    g->addWidget(detail::labelFor(this, "CatDescriptionLabel", QStringLiteral("&Description"),
                                  descriptionEd_),
                 2, 0);
    g->addWidget(descriptionEd_, 2, 1);

    saveCat_ = button(this, "SaveCat", QStringLiteral("Sa&ve"), "Save new category");
    replaceCat_ = button(this, "ReplaceCat", QStringLiteral("Re&place"),
                         "Replace category with new name and/or code");
    deleteCat_ = button(this, "DeleteCat", QStringLiteral("Dele&te"), "Delete this category");
    quitCat_ = button(this, "QuitCat", QStringLiteral("&Quit"), "Quit category edit - no changes");
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {saveCat_, replaceCat_, deleteCat_, quitCat_})
        row->addWidget(b);
    g->addLayout(row, 3, 0, 1, 2);

    connect(saveCat_, &QPushButton::clicked, this, &CategoryPanel::SaveCat_Click);
    connect(replaceCat_, &QPushButton::clicked, this, &CategoryPanel::ReplaceCat_Click);
    connect(deleteCat_, &QPushButton::clicked, this, &CategoryPanel::DeleteCat_Click);
    connect(quitCat_, &QPushButton::clicked, this, &CategoryPanel::QuitCat_Click);

    setMinimumWidth(420);
    adjustSize();
}

void CategoryPanel::hidePanel()
{
    const bool wasShown = isVisible();
    hide();
    editing_ = false;
    if (wasShown)
        emit closed();
}

void CategoryPanel::sortAndRefill()
{
    try {
        store::SortCategoryFile(store::CategoryFile(context_().categoryFile));
    } catch (const store::FileError& e) {
        reportFailure(e);
    }
    emit categoriesChanged();
}

// ------------------------------------------------------------ opening

void CategoryPanel::mu_NewCategory()
{
    codeEd_->clear();
    labelEd_->clear();
    descriptionEd_->setMaxLength(kDescriptionLength);
    descriptionEd_->clear();
    for (QWidget* w : {static_cast<QWidget*>(codeEd_), static_cast<QWidget*>(labelEd_),
                       static_cast<QWidget*>(descriptionEd_), static_cast<QWidget*>(saveCat_),
                       static_cast<QWidget*>(quitCat_)})
        w->setEnabled(true);
    deleteCat_->setEnabled(false);
    replaceCat_->setEnabled(false);
    editing_ = false;
    editedCode_.clear();
    show();
    if (parentWidget())
        raise(); // above the list it floats over
    codeEd_->setFocus();
}

void CategoryPanel::mu_EditCategory()
{
    const CategoryContext ctx = context_();
    const QString code = trimSpaces(ctx.rememberedCode);
    if (code.isEmpty()) {
        platform::messages().inform(
            kNothingToDo,
            QStringLiteral(
                "Please double-click a category on the right to select it for editing."));
        return;
    }
    QString description;
    try {
        for (const store::CategoryEntry& e : store::CategoryFile(ctx.categoryFile).readAll()) {
            if (trimSpaces(e.categoryCodeText()) == code) {
                description = trimSpaces(e.categoryDescriptionText());
                break;
            }
        }
    } catch (const store::FileError& e) {
        reportFailure(e);
        return;
    }
    codeEd_->setText(code);
    labelEd_->setText(trimSpaces(ctx.rememberedName));
    // A longer description stored from elsewhere is shown whole, so that a
    // replace does not cut it.
    descriptionEd_->setMaxLength(qMax(kDescriptionLength, int(description.size())));
    descriptionEd_->setText(description);
    for (QWidget* w : findChildren<QWidget*>())
        w->setEnabled(true);
    editing_ = true;
    editedCode_ = code;
    show();
    if (parentWidget())
        raise(); // above the list it floats over
    codeEd_->setFocus();
}

void CategoryPanel::QuitCat_Click()
{
    hidePanel();
}

// ------------------------------------------------------------ changes

void CategoryPanel::SaveCat_Click()
{
    const QString typed = codeEd_->text();
    const QString code = trimSpaces(typed);
    if (code.isEmpty()) {
        noCodeMessage();
        hidePanel();
        return;
    }
    const CategoryContext ctx = context_();
    // The new entry and the sorted list are one change.
    store::ChangeScope change = store::beginChange(ctx.beginChange, QStringLiteral("New Category"));
    store::CategoryFile file(ctx.categoryFile);
    try {
        // Every entry is looked at; codes compare trimmed and by letter case.
        int matches = 0;
        for (const store::CategoryEntry& e : file.readAll())
            if (trimSpaces(e.categoryCodeText()) == code)
                ++matches;
        if (matches > 0) {
            platform::messages().inform(
                QStringLiteral("Duplicate Code"),
                QStringLiteral("You already have a category with the code ") + typed + kTwoBreaks +
                    QStringLiteral("Save failed"),
                Icon::Exclamation);
            return;
        }
        store::CategoryEntry entry;
        entry.setCategoryCode(code);
        entry.setCategoryName(trimSpaces(labelEd_->text()));
        entry.setCategoryDescription(trimSpaces(descriptionEd_->text()));
        file.append(entry);
    } catch (const store::FileError& e) {
        reportFailure(e);
        return;
    }
    hidePanel();
    sortAndRefill();
}

void CategoryPanel::ReplaceCat_Click()
{
    const QString typed = codeEd_->text();
    const QString newCode = trimSpaces(typed);
    if (newCode.isEmpty()) {
        noCodeMessage();
        hidePanel();
        return;
    }
    if (!editing_)
        return;
    const CategoryContext ctx = context_();
    // The category opened for editing is the one replaced, even if another
    // was double-clicked in the list meanwhile.
    const QString oldCode = editedCode_;
    // The entry, its records recoded and the sorted list are one change.
    store::ChangeScope change = store::beginChange(ctx.beginChange, QStringLiteral("Replace Category"));
    store::CategoryFile file(ctx.categoryFile);
    try {
        const std::vector<store::CategoryEntry> entries = file.readAll();
        qint64 at = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (trimSpaces(entries[i].categoryCodeText()) == oldCode) {
                at = qint64(i) + 1;
                break;
            }
        }
        if (at == 0) {
            platform::messages().inform(kNothingToDo,
                                        QStringLiteral("There is no category with the code ") +
                                            oldCode + QStringLiteral(" any more.") + kTwoBreaks +
                                            QStringLiteral("Category not replaced."));
            return;
        }
        store::CategoryEntry entry = entries[std::size_t(at - 1)];
        entry.setCategoryCode(newCode);
        entry.setCategoryName(trimSpaces(labelEd_->text()));
        entry.setCategoryDescription(trimSpaces(descriptionEd_->text()));
        file.write(at, entry);
    } catch (const store::FileError& e) {
        reportFailure(e);
        return;
    }

    try {
        store::RecordFile records(ctx.recordFile);
        store::ChaseCat(records, oldCode, newCode, 'N');
    } catch (const store::FileError& e) {
        reportFailure(e);
    }

    // The list stays narrowed to the category under its new code and name,
    // so that the next Edit Category opens on what is stored.
    if (trimSpaces(ctx.rememberedCode) == oldCode)
        emit rememberedCategoryChanged(
            newCode.leftJustified(kCodeLength, QLatin1Char(' '), true),
            trimSpaces(labelEd_->text()).leftJustified(kNameLength, QLatin1Char(' '), true));
    hidePanel();
    sortAndRefill();
    emit listNeedsRebuild();
}

void CategoryPanel::DeleteCat_Click()
{
    const QString code = trimSpaces(codeEd_->text());
    if (code.isEmpty()) {
        hidePanel();
        return;
    }
    if (!editing_)
        return;
    const QString name = trimSpaces(labelEd_->text());
    const CategoryContext ctx = context_();
    auto& port = platform::messages();
    store::CategoryFile file(ctx.categoryFile);

    // The entries kept are those whose code or name differs from the boxes.
    std::vector<store::CategoryEntry> kept;
    QString storedName;
    bool found = false;
    try {
        for (store::CategoryEntry e : file.readAll()) {
            const QString c = trimSpaces(e.categoryCodeText());
            const QString n = trimSpaces(e.categoryNameText());
            if (c == code && n == name) {
                if (!found)
                    storedName = e.categoryNameText();
                found = true;
                continue;
            }
            e.setCategoryCode(c);
            e.setCategoryName(n);
            kept.push_back(e);
        }
    } catch (const store::FileError& e) {
        reportFailure(e);
        return;
    }
    if (!found) {
        port.inform(kNothingToDo, QStringLiteral("There is no category with the code ") + code +
                                      QStringLiteral(" and the name ") + name +
                                      QStringLiteral(".") + kTwoBreaks +
                                      QStringLiteral("Nothing was deleted."));
        return;
    }
    if (!port.askYesNo(QStringLiteral("Confirm"),
                       QStringLiteral("Delete category?") + kTwoBreaks + storedName))
        return;

    // The entry, the sorted list and the records deleted with it are one change.
    store::ChangeScope change = store::beginChange(ctx.beginChange, QStringLiteral("Delete Category"));
    try {
        file.rewrite(kept);
    } catch (const store::FileError& e) {
        reportFailure(e);
        return;
    }
    hidePanel();
    sortAndRefill();

    if (!port.askYesNo(QStringLiteral("Category deleted"),
                       QStringLiteral("Category ") + trimSpaces(storedName) +
                           QStringLiteral(" has been deleted. Do you wish to delete any records "
                                          "that were under that category as well?")))
        return;
    if (!port.askYesNo(QStringLiteral("Confirm"), QStringLiteral("Are you sure?"), Icon::Critical,
                       Answer::No))
        return;

    try {
        store::RecordFile records(ctx.recordFile);
        store::ChaseCat(records, code, code, 'Y');
    } catch (const store::FileError& e) {
        reportFailure(e);
    }
    emit rememberedCategoryChanged(QString(kCodeLength, QLatin1Char(' ')),
                                   QStringLiteral("All Categories"));
    emit listNeedsRebuild();
}

} // namespace fnk::edit
