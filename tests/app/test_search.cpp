#include "AppHarness.h"
#include "platform/Accessibility.h"

#include "app/Settings.h"
#include "store/PickList.h"

#include <QListWidget>
#include <QPushButton>

using namespace fnk;

namespace {
void record(AppHarness& h, int day, const QString& note, const QString& u1 = {},
            const QString& code = QStringLiteral("FO"))
{
    store::LedgerRecord r;
    r.entryDate = store::dayFromDate(QDate(2026, 3, day));
    r.amount = store::kMoneyScale * day;
    r.setCategoryCode(code);
    r.setNote(note);
    r.setUserField1(u1);
    store::RecordFile(h.path("fennick.dat")).FileNewEntry(r);
}

void freeTextUserField1(AppHarness& h)
{
    app::SettingsRecord s = app::firstRunDefaults();
    s.setUserField1ListFlag('N');
    s.setUserField1Name(QStringLiteral("Payee"));
    app::SettingsFile(h.folder()).write(s);
}
}  // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void fragmentAndCompleteWordSearches()
    {
        AppHarness h;
        record(h, 1, "Rent for May");
        record(h, 2, "Parental leave");
        record(h, 3, "fish");
        record(h, 4, "bluefish and chips");
        record(h, 5, "other", "RENT");
        h.addCategory("FO", "Food");
        freeTextUserField1(h);
        h.start();

        h.port.queueInput("rent");
        h.action("mu_SearchFragment")->trigger();
        const auto& asked = h.port.shown().last().inputBox;
        QCOMPARE(asked.title, QStringLiteral("Search for a word or phrase fragment"));
        QCOMPARE(asked.prompt,
                 QStringLiteral("This search looks for the item you specify, even if it is only "
                                "part of a longer word. For example, it will find \"fish\" in "
                                "\"many fish\" and also in \"bluefish\"\n\nLook for what?"));
        QCOMPARE(h.column(2), (QStringList{"other", "Parental leave", "Rent for May"}));
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("Word Search = RENT "));

        h.port.queueInput("RENT");
        h.action("mu_SearchComplete")->trigger();
        QCOMPARE(h.port.shown().last().inputBox.title, QStringLiteral("Search for a complete word or phrase"));
        QVERIFY(h.port.shown().last().inputBox.prompt.contains("\"buried\" in a larger word"));
        QCOMPARE(h.column(2), (QStringList{"other", "Rent for May"}));

        h.port.queueInput("fish");
        h.action("mu_SearchComplete")->trigger();
        QCOMPARE(h.column(2), QStringList{"fish"});
        // Each command offers its own last answer.
        QCOMPARE(h.port.shown().last().inputBox.defaultText, QStringLiteral("RENT"));
        h.port.queueInput(QString());
        h.action("mu_SearchFragment")->trigger();
        QCOMPARE(h.port.shown().last().inputBox.defaultText, QStringLiteral("rent"));
        // Nothing typed: the search in force stays.
        QCOMPARE(h.column(2), QStringList{"fish"});

        // A rebuild by another command re-applies the stored words as a fragment.
        h.action("mu_FiscalYear")->trigger();
        QCOMPARE(h.column(2), (QStringList{"bluefish and chips", "fish"}));

        // Choosing a category ends the search.
        AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), 0);  // FO
        QCOMPARE(h.column(2).size(), 5);
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("Category = Food "));
    }

    void userFieldSearchThroughThePickListPanel()
    {
        AppHarness h;
        record(h, 1, "a", "SMITH");
        record(h, 2, "b", "smith");
        record(h, 3, "c", "Smithers");
        record(h, 4, "d", "Jones", "SH");
        auto list = store::PickList::forField(h.folder(), 1);
        list.add("Smith");
        list.add("Jones");
        h.addCategory("FO", "Food");
        h.addCategory("SH", "Shelter");
        h.start();

        h.action("mu_SearchUDF1")->trigger();
        auto* panel = h.child<QListWidget>("UDFSearchList");
        auto* prompt = h.child<QPushButton>("UDFSearchPrompt");
        QVERIFY(panel->isVisible());
        QVERIFY(!h.child("CategoryGrid")->isVisible());
        QCOMPARE(platform::withoutMarks(prompt->text()), QStringLiteral("Select user 1    "));
        QCOMPARE(panel->count(), 2);

        // The prompt closes the panel without searching.
        QTest::mouseClick(prompt, Qt::LeftButton);
        QVERIFY(!panel->isVisible());
        QVERIFY(h.child("CategoryGrid")->isVisible());
        QCOMPARE(h.column(2).size(), 4);

        h.action("mu_SearchUDF1")->trigger();
        QTest::mouseClick(panel->viewport(), Qt::LeftButton, {},
                          panel->visualItemRect(panel->item(0)).center());
        QCOMPARE(h.column(2), (QStringList{"b", "a"}));
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("user 1 = SMITH "));
        QCOMPARE(h.window->session().searchText, QStringLiteral("|udf1|SMITH"));

        // A category double-click ends it; so does Show All Categories.
        AppHarness::dblClickRow(h.child<QTableView>("CategoryGrid"), 1);  // SH
        QCOMPARE(h.column(2), QStringList{"d"});
        QVERIFY(h.window->session().searchText.isEmpty());
        h.action("mu_SearchUDF1")->trigger();
        QTest::mouseClick(panel->viewport(), Qt::LeftButton, {},
                          panel->visualItemRect(panel->item(1)).center());
        QCOMPARE(h.column(2), QStringList{"d"});
        QCOMPARE(h.panel("DisplayStatusBar", 5), QStringLiteral("user 1 = JONES "));
        h.action("mu_AllCats")->trigger();
        QCOMPARE(h.column(2).size(), 4);
        QVERIFY(h.window->session().searchText.isEmpty());
    }
};

QTEST_MAIN(SearchTest)
#include "test_search.moc"
