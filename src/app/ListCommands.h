#pragma once

#include <QObject>
#include <QString>

namespace fnk::app {

class Session;
struct MainWidgets;

// The Search and Range commands of the main window: they ask for a search or
// a range, set it in the session and ask the window, through listWanted() or
// listWantedFor(), to rebuild its list with it.
class ListCommands : public QObject {
    Q_OBJECT
public:
    ListCommands(Session& session, MainWidgets& ui, QObject* parent);

signals:
    // The list is to be rebuilt with the search in force ...
    void listWanted();
    // ... or with this search argument.
    void listWantedFor(const QString& searchArgument);

public slots:
    // Search
    void mu_SearchFragment();
    void mu_SearchComplete();
    void mu_SearchUDF1() { openUserFieldSearch(1); }
    void mu_SearchUDF2() { openUserFieldSearch(2); }
    void UDFSearchList_Click();
    void UDFSearchPrompt_Click();
    // Range
    void mu_DefaultRange();
    void mu_FiscalYear();
    void mu_NextYear();
    void mu_previousYear();
    void mu_SelectDates();
    void presetRange(int days);
    void DateDialOK_Click();

private:
    void openUserFieldSearch(int field);
    void closeUserFieldSearch();

    Session& session_;
    MainWidgets& ui_;
    QString lastFragment_;
    QString lastComplete_;
    int udfField_ = 0;  // the user field the search panel serves
};

}  // namespace fnk::app
