// The category panel: saving a new category, replacing the remembered one
// and carrying a new code into its records, deleting it with or without its
// records, and what a failed write leaves behind.

#include "edit/CategoryPanel.h"
#include "store/CategoryFile.h"
#include "store/FileIo.h"
#include "store/RecordFile.h"
#include "store/Text1252.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

using namespace fnk;
using edit::CategoryContext;
using edit::CategoryPanel;
using platform::Answer;
using platform::Icon;
using store::CategoryEntry;
using store::CategoryFile;
using store::LedgerRecord;
using store::RecordFile;
using store::trimSpaces;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace
{

const QString kErrorTitle = QStringLiteral("Error - operation aborted");

struct Cat {
    QString code, name, description;
};

struct Panel : testsupport::Fixture {
    CategoryContext ctx;
    std::unique_ptr<CategoryPanel> panel;

    Panel()
    {
        ctx.categoryFile = path(QStringLiteral("category.dat"));
        ctx.recordFile = path(QStringLiteral("fennick.dat"));
        ctx.rememberedCode = QString(10, QLatin1Char(' '));
        ctx.rememberedName = QStringLiteral("All Categories");
        panel = std::make_unique<CategoryPanel>([this] { return ctx; });
    }

    template <typename T = QWidget> T* child(const char* name) const
    {
        T* w = panel->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QLineEdit* box(const char* name) const { return child<QLineEdit>(name); }
    void click(const char* name) const
    {
        QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton);
    }
    void type(const char* name, const QString& text) const
    {
        box(name)->clear();
        QTest::keyClicks(box(name), text);
    }

    void makeCategories(const std::vector<Cat>& cats) const
    {
        QByteArray bytes;
        for (const Cat& c : cats) {
            CategoryEntry e;
            e.setCategoryCode(c.code);
            e.setCategoryName(c.name);
            e.setCategoryDescription(c.description);
            char buf[CategoryEntry::kSize];
            e.encode(buf);
            bytes.append(buf, CategoryEntry::kSize);
        }
        writeBytes(ctx.categoryFile, bytes);
    }
    std::vector<CategoryEntry> categories() const
    {
        return CategoryFile(ctx.categoryFile).readAll();
    }
    QStringList codes() const
    {
        QStringList out;
        for (const CategoryEntry& e : categories())
            out << trimSpaces(e.categoryCodeText());
        return out;
    }
    // Records filed under the given codes, "*" marking one deleted.
    void makeRecords(const QStringList& codes) const
    {
        RecordFile file(ctx.recordFile);
        for (const QString& c : codes) {
            LedgerRecord r;
            r.entryDate = 46000;
            r.amount = -10000;
            r.deletedFlag = c.endsWith(QLatin1Char('*')) ? 'Y' : 'N';
            r.setCategoryCode(c.endsWith(QLatin1Char('*')) ? c.chopped(1) : c);
            file.FileNewEntry(r);
        }
    }
    QStringList recordCodes() const
    {
        QStringList out;
        for (const LedgerRecord& r : RecordFile(ctx.recordFile).readAll())
            out << r.categoryCodeText() + (r.isDeleted() ? QStringLiteral("*") : QString());
        return out;
    }
    void remember(const QString& code, const QString& name)
    {
        ctx.rememberedCode = code.leftJustified(10, QLatin1Char(' '), true);
        ctx.rememberedName = name.leftJustified(20, QLatin1Char(' '), true);
    }
    QStringList titles() const
    {
        QStringList out;
        for (const platform::MessageBox& m : port.messagesShown())
            out << m.title;
        return out;
    }
};

} // namespace

class CategoryPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void controlsCarryNamesAndTips();
    void newCategoryIsSavedAndSorted();
    void duplicateCodeIsRefused();
    void emptyCodeClosesThePanel();
    void editOpensRememberedCategory();
    void replaceRecodesRecords();
    void replaceActsOnCategoryOpened();
    void renamedCategoryCanBeEditedAndDeleted();
    void deleteAskingTwice_data();
    void deleteAskingTwice();
    void deleteKeepsCategoryWithChangedName();
    void deleteWorkFileStartsEmpty();
    void failedWritesLeaveCategoryFile();
    void quitChangesNothing();
};

void CategoryPanelTest::controlsCarryNamesAndTips()
{
    Panel p;
    QCOMPARE(p.panel->objectName(), QStringLiteral("CategoryFrame"));
    QVERIFY(!p.panel->isVisible());
    const struct {
        const char* name;
        int maxLength;
        const char* tip;
    } boxes[] = {
        {"CatCodeEd", 10, "Category code - up to ten characters"},
        {"CatLabelEd", 20, "Category name - up to 20 characters"},
        {"CatDescriptionEd", 76, "Category description - up to 76 characters (optional)"},
    };
    for (const auto& b : boxes) {
        QCOMPARE(p.box(b.name)->maxLength(), b.maxLength);
        QCOMPARE(p.box(b.name)->toolTip(), QString::fromUtf8(b.tip));
    }
    const struct {
        const char* name;
        const char* tip;
    } buttons[] = {
        {"SaveCat", "Save new category"},
        {"ReplaceCat", "Replace category with new name and/or code"},
        {"DeleteCat", "Delete this category"},
        {"QuitCat", "Quit category edit - no changes"},
    };
    for (const auto& b : buttons)
        QCOMPARE(p.child<QPushButton>(b.name)->toolTip(), QString::fromUtf8(b.tip));

    p.panel->mu_NewCategory();
    p.type("CatCodeEd", QStringLiteral("ABCDEFGHIJKLMN"));
    QCOMPARE(p.box("CatCodeEd")->text(), QStringLiteral("ABCDEFGHIJ"));
}

void CategoryPanelTest::newCategoryIsSavedAndSorted()
{
    Panel p;
    p.makeCategories(
        {{"C", "Cee", ""}, {"food", "Eating out", ""}, {"A", "Ay", ""}, {"B", "Bee", ""}});
    QSignalSpy changed(p.panel.get(), &CategoryPanel::categoriesChanged);
    QSignalSpy rebuild(p.panel.get(), &CategoryPanel::listNeedsRebuild);

    p.panel->mu_NewCategory();
    QVERIFY(p.panel->isVisible());
    QVERIFY(!p.child<QPushButton>("DeleteCat")->isEnabled());
    QVERIFY(!p.child<QPushButton>("ReplaceCat")->isEnabled());
    QVERIFY(p.child<QPushButton>("SaveCat")->isEnabled());
    QCOMPARE(p.box("CatCodeEd")->text(), QString());

    // Codes compare by letter case: FOOD is not food.
    p.type("CatCodeEd", QStringLiteral(" FOOD"));
    p.type("CatLabelEd", QStringLiteral(" Groceries "));
    p.type("CatDescriptionEd", QStringLiteral("  weekly shop "));
    p.click("SaveCat");

    QCOMPARE(p.port.messagesShown().size(), 0);
    QVERIFY(!p.panel->isVisible());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(rebuild.count(), 0);
    QCOMPARE(p.codes(), QStringList({"A", "B", "C", "food", "FOOD"}));
    const CategoryEntry saved = p.categories()[4];
    QCOMPARE(saved.categoryCodeText(), QStringLiteral("FOOD      "));
    QCOMPARE(saved.categoryNameText(), QStringLiteral("Groceries           "));
    QCOMPARE(trimSpaces(saved.categoryDescriptionText()), QStringLiteral("weekly shop"));
    QCOMPARE(saved.categoryDescriptionText().size(), 500);
    QVERIFY(QFileInfo(p.ctx.categoryFile).size() == 5 * 540);
}

void CategoryPanelTest::duplicateCodeIsRefused()
{
    Panel p;
    p.makeCategories({{"FO", "Food", ""}, {"TAX", "Taxes", ""}, {"TAX", "Taxes again", ""}});
    const QByteArray before = readBytes(p.ctx.categoryFile);
    QSignalSpy changed(p.panel.get(), &CategoryPanel::categoriesChanged);

    p.panel->mu_NewCategory();
    p.type("CatCodeEd", QStringLiteral(" TAX "));
    p.type("CatLabelEd", QStringLiteral("Tax"));
    p.click("SaveCat");

    const auto shown = p.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Duplicate Code"));
    QCOMPARE(shown[0].icon, Icon::Exclamation);
    QCOMPARE(shown[0].text,
             QStringLiteral("You already have a category with the code  TAX \n\nSave failed"));
    QCOMPARE(readBytes(p.ctx.categoryFile), before);
    QCOMPARE(changed.count(), 0);
    QVERIFY(p.panel->isVisible());
    QCOMPARE(p.box("CatCodeEd")->text(), QStringLiteral(" TAX "));
    QCOMPARE(p.box("CatLabelEd")->text(), QStringLiteral("Tax"));

    // A code whose match is the last entry is found too.
    p.port.clear();
    p.makeCategories({{"A", "", ""}, {"B", "", ""}, {"Z", "", ""}});
    p.type("CatCodeEd", QStringLiteral("Z"));
    p.click("SaveCat");
    QCOMPARE(p.titles(), QStringList({"Duplicate Code"}));
    QCOMPARE(p.codes(), QStringList({"A", "B", "Z"}));
}

void CategoryPanelTest::emptyCodeClosesThePanel()
{
    Panel p;
    p.makeCategories({{"FO", "Food", ""}});
    p.makeRecords({"FO"});
    const QByteArray cats = readBytes(p.ctx.categoryFile);
    const QByteArray recs = readBytes(p.ctx.recordFile);
    QSignalSpy closed(p.panel.get(), &CategoryPanel::closed);

    p.panel->mu_NewCategory();
    p.type("CatCodeEd", QStringLiteral("   "));
    p.type("CatLabelEd", QStringLiteral("No code"));
    p.click("SaveCat");
    auto shown = p.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Nothing to do!"));
    QCOMPARE(shown[0].text, QStringLiteral("You must provide a category code!"));
    QCOMPARE(shown[0].icon, Icon::Exclamation);
    QVERIFY(!p.panel->isVisible());
    QCOMPARE(closed.count(), 1);

    // Replace says the same; delete closes without a word.
    p.remember(QStringLiteral("FO"), QStringLiteral("Food"));
    p.panel->mu_EditCategory();
    p.type("CatCodeEd", QString());
    p.click("ReplaceCat");
    QCOMPARE(p.titles(), QStringList({"Nothing to do!", "Nothing to do!"}));
    QCOMPARE(p.port.messagesShown().last().text,
             QStringLiteral("You must provide a category code!"));
    QVERIFY(!p.panel->isVisible());

    p.panel->mu_EditCategory();
    p.type("CatCodeEd", QStringLiteral(" "));
    p.click("DeleteCat");
    QCOMPARE(p.port.messagesShown().size(), 2);
    QVERIFY(!p.panel->isVisible());

    QCOMPARE(readBytes(p.ctx.categoryFile), cats);
    QCOMPARE(readBytes(p.ctx.recordFile), recs);
}

void CategoryPanelTest::editOpensRememberedCategory()
{
    Panel p;
    p.makeCategories(
        {{"FO", "Food", "first"}, {"TX", "Taxes", "  due in April "}, {"TX", "Other", "second"}});

    // Nothing remembered: a message, no panel.
    p.panel->mu_EditCategory();
    auto shown = p.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Nothing to do!"));
    QCOMPARE(
        shown[0].text,
        QStringLiteral("Please double-click a category on the right to select it for editing."));
    QCOMPARE(shown[0].icon, Icon::Information);
    QVERIFY(!p.panel->isVisible());

    p.remember(QStringLiteral("TX"), QStringLiteral("Taxes"));
    p.panel->mu_EditCategory();
    QVERIFY(p.panel->isVisible());
    QVERIFY(p.panel->editsStoredCategory());
    QCOMPARE(p.box("CatCodeEd")->text(), QStringLiteral("TX"));
    QCOMPARE(p.box("CatLabelEd")->text(), QStringLiteral("Taxes"));
    QCOMPARE(p.box("CatDescriptionEd")->text(), QStringLiteral("due in April")); // the first TX
    for (const char* name : {"SaveCat", "ReplaceCat", "DeleteCat", "QuitCat"})
        QVERIFY2(p.child<QPushButton>(name)->isEnabled(), name);

    // A description longer than the box allows is shown whole and kept by a replace.
    const QString longText = QString(120, QLatin1Char('d'));
    p.makeCategories({{"FO", "Food", longText}});
    p.remember(QStringLiteral("FO"), QStringLiteral("Food"));
    p.panel->mu_EditCategory();
    QCOMPARE(p.box("CatDescriptionEd")->text(), longText);
    p.click("ReplaceCat");
    QCOMPARE(trimSpaces(p.categories()[0].categoryDescriptionText()), longText);
    p.panel->mu_NewCategory();
    QCOMPARE(p.box("CatDescriptionEd")->maxLength(), 76);
}

void CategoryPanelTest::replaceRecodesRecords()
{
    Panel p;
    p.makeCategories({{"BANK", "Bank fees", ""}, {"CAR", "Car", "old"}, {"FOOD", "Food", ""}});
    p.makeRecords({"CAR", "FOOD", "CAR*", " CAR", "CARS", "CAR"});
    p.remember(QStringLiteral("CAR"), QStringLiteral("Car"));
    QSignalSpy changed(p.panel.get(), &CategoryPanel::categoriesChanged);
    QSignalSpy rebuild(p.panel.get(), &CategoryPanel::listNeedsRebuild);
    QSignalSpy remembered(p.panel.get(), &CategoryPanel::rememberedCategoryChanged);

    p.panel->mu_EditCategory();
    p.type("CatCodeEd", QStringLiteral(" AUTO"));
    p.type("CatLabelEd", QStringLiteral("Automobile"));
    p.type("CatDescriptionEd", QStringLiteral("running costs"));
    p.click("ReplaceCat");

    QCOMPARE(p.port.messagesShown().size(), 0);
    QVERIFY(!p.panel->isVisible());
    QCOMPARE(p.recordCodes(), QStringList({"AUTO      ", "FOOD      ", "AUTO      *", "AUTO      ",
                                           "CARS      ", "AUTO      "}));
    QCOMPARE(p.codes(), QStringList({"AUTO", "BANK", "FOOD"})); // sorted again
    const CategoryEntry e = p.categories()[0];
    QCOMPARE(trimSpaces(e.categoryNameText()), QStringLiteral("Automobile"));
    QCOMPARE(trimSpaces(e.categoryDescriptionText()), QStringLiteral("running costs"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(rebuild.count(), 1);
    // The list follows the category to its new code and name.
    QCOMPARE(remembered.count(), 1);
    QCOMPARE(remembered.at(0).at(0).toString(), QStringLiteral("AUTO      "));
    QCOMPARE(remembered.at(0).at(1).toString(), QStringLiteral("Automobile          "));

    // No duplicate test on replace: the new code may be another's.
    p.remember(QStringLiteral("AUTO"), QStringLiteral("Automobile"));
    p.panel->mu_EditCategory();
    p.type("CatCodeEd", QStringLiteral("FOOD"));
    p.click("ReplaceCat");
    QCOMPARE(p.codes(), QStringList({"BANK", "FOOD", "FOOD"}));
    QCOMPARE(p.recordCodes().count(QStringLiteral("FOOD      ")), 4);
}

void CategoryPanelTest::replaceActsOnCategoryOpened()
{
    Panel p;
    p.makeCategories({{"CAR", "Car", ""}, {"FOOD", "Food", ""}});
    p.makeRecords({"CAR", "FOOD"});
    QSignalSpy remembered(p.panel.get(), &CategoryPanel::rememberedCategoryChanged);
    p.remember(QStringLiteral("CAR"), QStringLiteral("Car"));
    p.panel->mu_EditCategory();
    // Another category is double-clicked while the panel is open.
    p.remember(QStringLiteral("FOOD"), QStringLiteral("Food"));
    p.type("CatCodeEd", QStringLiteral("AUTO"));
    p.click("ReplaceCat");
    QCOMPARE(p.codes(), QStringList({"AUTO", "FOOD"}));
    QCOMPARE(p.recordCodes(), QStringList({"AUTO      ", "FOOD      "}));
    QCOMPARE(remembered.count(), 0); // the list stays on FOOD

    // A category that is gone from the file is not replaced, and its
    // records keep their code.
    p.remember(QStringLiteral("GONE"), QStringLiteral("Gone"));
    p.makeRecords({"GONE"});
    p.panel->mu_EditCategory();
    p.type("CatCodeEd", QStringLiteral("BACK"));
    p.click("ReplaceCat");
    QCOMPARE(p.titles(), QStringList({"Nothing to do!"}));
    QCOMPARE(p.codes(), QStringList({"AUTO", "FOOD"}));
    QCOMPARE(p.recordCodes().last(), QStringLiteral("GONE      "));
}

void CategoryPanelTest::renamedCategoryCanBeEditedAndDeleted()
{
    Panel p;
    p.makeCategories({{"CAR", "Car", ""}, {"FOOD", "Food", ""}});
    // As the main window does: the panel's answer becomes the remembered one.
    QObject::connect(p.panel.get(), &CategoryPanel::rememberedCategoryChanged, p.panel.get(),
                     [&p](const QString& code, const QString& name) {
                         p.ctx.rememberedCode = code;
                         p.ctx.rememberedName = name;
                     });
    p.remember(QStringLiteral("CAR"), QStringLiteral("Car"));
    p.panel->mu_EditCategory();
    p.type("CatLabelEd", QStringLiteral("Automobile"));
    p.click("ReplaceCat");

    p.panel->mu_EditCategory();
    QCOMPARE(p.box("CatCodeEd")->text(), QStringLiteral("CAR"));
    QCOMPARE(p.box("CatLabelEd")->text(), QStringLiteral("Automobile"));

    p.port.queueAnswer(Answer::Yes);
    p.port.queueAnswer(Answer::No);
    p.click("DeleteCat");
    QCOMPARE(p.titles(), QStringList({"Confirm", "Category deleted"}));
    QCOMPARE(p.codes(), QStringList({"FOOD"}));
}

void CategoryPanelTest::deleteAskingTwice_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("categoryGone");
    QTest::addColumn<bool>("recordsMarked");
    QTest::newRow("No to delete") << QList<int>{int(Answer::No)} << false << false;
    QTest::newRow("No to records")
        << QList<int>{int(Answer::Yes), int(Answer::No)} << true << false;
    QTest::newRow("No to are you sure")
        << QList<int>{int(Answer::Yes), int(Answer::Yes), int(Answer::No)} << true << false;
    QTest::newRow("Yes, Yes, Yes")
        << QList<int>{int(Answer::Yes), int(Answer::Yes), int(Answer::Yes)} << true << true;
}

void CategoryPanelTest::deleteAskingTwice()
{
    QFETCH(QList<int>, answers);
    QFETCH(bool, categoryGone);
    QFETCH(bool, recordsMarked);

    Panel p;
    p.makeCategories({{"FO", "Food", ""}, {"CAR", "Car", ""}, {"TX", "Taxes", ""}});
    p.makeRecords({"CAR", "FO", "CAR*", "CARS", "CAR"});
    const QByteArray cats = readBytes(p.ctx.categoryFile);
    p.remember(QStringLiteral("CAR"), QStringLiteral("Car"));
    for (int a : answers)
        p.port.queueAnswer(Answer(a));
    QSignalSpy changed(p.panel.get(), &CategoryPanel::categoriesChanged);
    QSignalSpy rebuild(p.panel.get(), &CategoryPanel::listNeedsRebuild);
    QSignalSpy remembered(p.panel.get(), &CategoryPanel::rememberedCategoryChanged);

    p.panel->mu_EditCategory();
    p.click("DeleteCat");

    const auto shown = p.port.messagesShown();
    QCOMPARE(shown.size(), answers.size());
    QCOMPARE(p.port.pendingAnswers(), 0);
    QCOMPARE(shown[0].title, QStringLiteral("Confirm"));
    QCOMPARE(shown[0].text, QStringLiteral("Delete category?\n\nCar                 "));
    QCOMPARE(shown[0].icon, Icon::Question);
    QCOMPARE(shown[0].buttons, platform::Buttons::YesNo);
    if (shown.size() > 1) {
        QCOMPARE(shown[1].title, QStringLiteral("Category deleted"));
        QCOMPARE(shown[1].text,
                 QStringLiteral("Category Car has been deleted. Do you wish to delete "
                                "any records that were under that category as well?"));
        QCOMPARE(shown[1].icon, Icon::Question);
    }
    if (shown.size() > 2) {
        QCOMPARE(shown[2].title, QStringLiteral("Confirm"));
        QCOMPARE(shown[2].text, QStringLiteral("Are you sure?"));
        QCOMPARE(shown[2].icon, Icon::Critical);
        QCOMPARE(shown[2].defaultButton, Answer::No);
    }

    if (categoryGone) {
        QCOMPARE(p.codes(), QStringList({"FO", "TX"}));
        QCOMPARE(changed.count(), 1);
        QVERIFY(!p.panel->isVisible());
        QVERIFY(!QFileInfo::exists(p.path(QStringLiteral("category.tmp"))));
    } else {
        QCOMPARE(readBytes(p.ctx.categoryFile), cats);
        QCOMPARE(changed.count(), 0);
        QVERIFY(p.panel->isVisible());
    }
    if (recordsMarked) {
        QCOMPARE(p.recordCodes(), QStringList({"CAR       *", "FO        ", "CAR       *",
                                               "CARS      ", "CAR       *"}));
        QCOMPARE(remembered.count(), 1);
        QCOMPARE(remembered.at(0).at(0).toString(), QString(10, QLatin1Char(' ')));
        QCOMPARE(remembered.at(0).at(1).toString(), QStringLiteral("All Categories"));
        QCOMPARE(rebuild.count(), 1);
    } else {
        QCOMPARE(p.recordCodes(), QStringList({"CAR       ", "FO        ", "CAR       *",
                                               "CARS      ", "CAR       "}));
        QCOMPARE(remembered.count(), 0);
        QCOMPARE(rebuild.count(), 0);
    }
}

void CategoryPanelTest::deleteKeepsCategoryWithChangedName()
{
    Panel p;
    // "AB" + "CD" and "A" + "BCD" run together the same way; only the
    // category with both the code and the name goes.
    p.makeCategories({{"A", "BCD", ""}, {"AB", "CD", ""}, {"AB", "Other", ""}});
    p.remember(QStringLiteral("AB"), QStringLiteral("CD"));
    p.port.queueAnswer(Answer::Yes);
    p.port.queueAnswer(Answer::No);
    p.panel->mu_EditCategory();
    p.click("DeleteCat");
    QCOMPARE(p.codes(), QStringList({"A", "AB"}));
    QCOMPARE(trimSpaces(p.categories()[0].categoryNameText()), QStringLiteral("BCD"));
    QCOMPARE(trimSpaces(p.categories()[1].categoryNameText()), QStringLiteral("Other"));

    // A name changed in the panel matches nothing: nothing is deleted and
    // nothing is claimed.
    p.port.clear();
    const QByteArray before = readBytes(p.ctx.categoryFile);
    p.remember(QStringLiteral("A"), QStringLiteral("BCD"));
    p.panel->mu_EditCategory();
    p.type("CatLabelEd", QStringLiteral("Renamed"));
    p.click("DeleteCat");
    QCOMPARE(p.titles(), QStringList({"Nothing to do!"}));
    QCOMPARE(readBytes(p.ctx.categoryFile), before);
    QVERIFY(p.panel->isVisible());
}

void CategoryPanelTest::deleteWorkFileStartsEmpty()
{
    Panel p;
    p.makeCategories({{"A", "Ay", ""}, {"B", "Bee", ""}});
    // A work file left over from an interrupted delete.
    writeBytes(p.path(QStringLiteral("category.tmp")), QByteArray(540 * 4, 'x'));
    p.remember(QStringLiteral("A"), QStringLiteral("Ay"));
    p.port.queueAnswer(Answer::Yes);
    p.port.queueAnswer(Answer::No);
    p.panel->mu_EditCategory();
    p.click("DeleteCat");
    QCOMPARE(QFileInfo(p.ctx.categoryFile).size(), qint64(540));
    QCOMPARE(p.codes(), QStringList({"B"}));
}

void CategoryPanelTest::failedWritesLeaveCategoryFile()
{
    // Delete.
    {
        Panel p;
        p.makeCategories({{"FO", "Food", ""}, {"CAR", "Car", ""}});
        p.makeRecords({"CAR"});
        const QByteArray cats = readBytes(p.ctx.categoryFile);
        const QByteArray recs = readBytes(p.ctx.recordFile);
        p.remember(QStringLiteral("CAR"), QStringLiteral("Car"));
        p.port.queueAnswer(Answer::Yes);
        p.port.queueAnswer(Answer::Yes);
        p.port.queueAnswer(Answer::Yes);
        QSignalSpy changed(p.panel.get(), &CategoryPanel::categoriesChanged);
        p.panel->mu_EditCategory();
        store::testing::failWritesAfter(0);
        p.click("DeleteCat");
        store::testing::reset();
        // The error ends the command: no question about the records.
        QCOMPARE(p.titles(), QStringList({"Confirm", kErrorTitle}));
        QCOMPARE(p.port.messagesShown().last().icon, Icon::Critical);
        QCOMPARE(readBytes(p.ctx.categoryFile), cats);
        QCOMPARE(readBytes(p.ctx.recordFile), recs);
        QVERIFY(!QFileInfo::exists(p.path(QStringLiteral("category.tmp"))));
        QCOMPARE(changed.count(), 0);
        QVERIFY(p.panel->isVisible());
    }
    // Save and replace.
    {
        Panel p;
        p.makeCategories({{"FO", "Food", ""}, {"CAR", "Car", ""}});
        p.makeRecords({"CAR"});
        const QByteArray cats = readBytes(p.ctx.categoryFile);
        const QByteArray recs = readBytes(p.ctx.recordFile);
        QSignalSpy changed(p.panel.get(), &CategoryPanel::categoriesChanged);
        QSignalSpy rebuild(p.panel.get(), &CategoryPanel::listNeedsRebuild);

        p.panel->mu_NewCategory();
        p.type("CatCodeEd", QStringLiteral("NEW"));
        store::testing::failWritesAfter(0);
        p.click("SaveCat");
        store::testing::reset();
        QCOMPARE(p.titles(), QStringList({kErrorTitle}));
        QCOMPARE(readBytes(p.ctx.categoryFile), cats);
        QVERIFY(p.panel->isVisible());

        p.port.clear();
        p.remember(QStringLiteral("CAR"), QStringLiteral("Car"));
        p.panel->mu_EditCategory();
        p.type("CatCodeEd", QStringLiteral("AUTO"));
        store::testing::failWritesAfter(0);
        p.click("ReplaceCat");
        store::testing::reset();
        QCOMPARE(p.titles(), QStringList({kErrorTitle}));
        QCOMPARE(readBytes(p.ctx.categoryFile), cats);
        QCOMPARE(readBytes(p.ctx.recordFile), recs);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(rebuild.count(), 0);
        QVERIFY(p.panel->isVisible());
    }
}

void CategoryPanelTest::quitChangesNothing()
{
    Panel p;
    p.makeCategories({{"B", "Bee", ""}, {"A", "Ay", ""}}); // out of order on purpose
    const QByteArray before = readBytes(p.ctx.categoryFile);
    QSignalSpy changed(p.panel.get(), &CategoryPanel::categoriesChanged);
    QSignalSpy closed(p.panel.get(), &CategoryPanel::closed);
    p.panel->mu_NewCategory();
    p.type("CatCodeEd", QStringLiteral("C"));
    p.click("QuitCat");
    QVERIFY(!p.panel->isVisible());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(readBytes(p.ctx.categoryFile), before);
    QCOMPARE(p.port.messagesShown().size(), 0);
}

QTEST_MAIN(CategoryPanelTest)
#include "test_category_panel.moc"
