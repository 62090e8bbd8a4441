#pragma once

#include "store/ChangeScope.h"

#include <QFrame>
#include <QString>

#include <functional>

class QLineEdit;
class QPushButton;

namespace fnk::edit
{

// What the category panel reads from the program each time it acts.
struct CategoryContext {
    QString categoryFile;   // category.dat; its work file category.tmp lies beside it
    QString recordFile;     // the current record file, whose records follow a recode
    QString rememberedCode; // 10 characters; spaces when all categories are shown
    QString rememberedName; // 20 characters; "All Categories" when all are shown
    // Opens the undo step every change of the files runs in (none: not undoable).
    store::BeginChange beginChange;
};

// The category panel "CategoryFrame": saves a new category, replaces
// (renames or recodes) the remembered one and its records, or deletes it.
// Hidden, open for a new category (Delete and Replace disabled) or open on
// the remembered category (every button enabled).
class CategoryPanel : public QFrame
{
    Q_OBJECT
public:
    using ContextProvider = std::function<CategoryContext()>;

    explicit CategoryPanel(ContextProvider context, QWidget* parent = nullptr);

    // Whether the panel is open on a stored category rather than a new one.
    bool editsStoredCategory() const { return editing_; }

public slots:
    void mu_NewCategory();
    void mu_EditCategory();
    void SaveCat_Click();
    void ReplaceCat_Click();
    void DeleteCat_Click();
    void QuitCat_Click();

signals:
    // The category file changed: refill the category list.
    void categoriesChanged();
    // Records changed or the remembered category did: rebuild the main list
    // with the search in force.
    void listNeedsRebuild();
    // The remembered category is now this one (code 10, name 20 characters;
    // spaces and "All Categories" for all).  Comes before listNeedsRebuild.
    void rememberedCategoryChanged(const QString& code, const QString& name);
    // The panel was hidden.
    void closed();

private:
    void buildControls();
    void hidePanel();
    void sortAndRefill();

    ContextProvider context_;
    bool editing_ = false;
    QString editedCode_; // trimmed code of the category opened for editing

    QLineEdit* codeEd_ = nullptr;
    QLineEdit* labelEd_ = nullptr;
    QLineEdit* descriptionEd_ = nullptr;
    QPushButton* saveCat_ = nullptr;
    QPushButton* replaceCat_ = nullptr;
    QPushButton* deleteCat_ = nullptr;
    QPushButton* quitCat_ = nullptr;
};

} // namespace fnk::edit
