// The main window's search and range commands: what the list shows.
#include "app/ListCommands.h"

#include "app/MainWidgets.h"
#include "app/Session.h"
#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/MessagePort.h"
#include "store/PickList.h"
#include "store/Text1252.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

namespace fnk::app {

ListCommands::ListCommands(Session& session, MainWidgets& ui, QObject* parent)
    : QObject(parent), session_(session), ui_(ui)
{
    connect(ui_.udfList, &QListWidget::itemClicked, this, &ListCommands::UDFSearchList_Click);
    connect(ui_.udfPrompt, &QPushButton::clicked, this, &ListCommands::UDFSearchPrompt_Click);
    connect(ui_.dateOk, &QPushButton::clicked, this, &ListCommands::DateDialOK_Click);
}

// ---------------------------------------------------------------- search

void ListCommands::mu_SearchFragment()
{
    const QString answer = platform::messages().input(
        {QStringLiteral("Search for a word or phrase fragment"),
         QStringLiteral("This search looks for the item you specify, even if it is only part of "
                        "a longer word. For example, it will find \"fish\" in \"many fish\" and "
                        "also in \"bluefish\"\n\nLook for what?"),
         lastFragment_});
    lastFragment_ = answer;
    if (answer.isEmpty())
        return;
    session_.searchText = answer;
    emit listWantedFor(store::upper1252(answer));
}

void ListCommands::mu_SearchComplete()
{
    const QString answer = platform::messages().input(
        {QStringLiteral("Search for a complete word or phrase"),
         QStringLiteral("This search looks for the complete item you specify, not for the item "
                        "\"buried\" in a larger word. For example, it will find \"fish\" in "
                        "\"many fish\" but not in \"bluefish\"\n\nLook for what?"),
         lastComplete_});
    lastComplete_ = answer;
    if (answer.isEmpty())
        return;
    session_.searchText = answer;
    emit listWantedFor(QLatin1Char(' ') + store::upper1252(answer) + QLatin1Char(' '));
}

void ListCommands::openUserFieldSearch(int field)
{
    udfField_ = field;
    ui_.udfList->clear();
    try {
        ui_.udfList->addItems(store::PickList::forField(session_.dataFolder, field).load());
    } catch (const std::exception& e) {
        reportFailure(e);
    }
    const QString name = field == 1 ? session_.settings.userField1Name()
                                    : session_.settings.userField2Name();
    ui_.udfList->setAccessibleName(platform::plainCaption(name));
    ui_.udfPrompt->setAccessibleName(QStringLiteral("Select ") + platform::plainCaption(name));
    ui_.udfPrompt->setText(QStringLiteral("Sele&ct ")
                        + QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
    ui_.allButton->hide();
    ui_.clearButton->hide();
    ui_.categoryGrid->hide();
    ui_.udfPrompt->show();
    ui_.udfList->show();
    ui_.udfList->setFocus();
}

void ListCommands::closeUserFieldSearch()
{
    ui_.udfList->hide();
    ui_.udfPrompt->hide();
    ui_.allButton->show();
    ui_.clearButton->show();
    ui_.categoryGrid->show();
}

void ListCommands::UDFSearchList_Click()
{
    QListWidgetItem* item = ui_.udfList->currentItem();
    if (!item)
        return;
    session_.searchText = (udfField_ == 1 ? QStringLiteral("|udf1|") : QStringLiteral("|udf2|"))
        + store::upper1252(item->text().trimmed());
    closeUserFieldSearch();
    emit listWanted();
}

void ListCommands::UDFSearchPrompt_Click() { closeUserFieldSearch(); }

// ------------------------------------------------------------- the range

void ListCommands::presetRange(int days)
{
    session_.range.SetRange(days, 0, platform::clock().today());
    ui_.applyRange(session_.range);
    if (!session_.freeSelection)
        emit listWanted();
    ui_.focusListIfEnabled();
}

void ListCommands::mu_DefaultRange() { presetRange(session_.settings.defaultRangeCode()); }

void ListCommands::mu_FiscalYear()
{
    session_.range.currentFiscalYear = view::DateRange::fiscalYearOf(
        platform::clock().today(), session_.settings.fiscalYearStartMonth(),
        session_.settings.fiscalYearStartDay());
    presetRange(0);
}

void ListCommands::mu_NextYear()
{
    ++session_.range.currentFiscalYear;
    presetRange(0);
}

void ListCommands::mu_previousYear()
{
    --session_.range.currentFiscalYear;
    presetRange(0);
}

void ListCommands::mu_SelectDates()
{
    ui_.applyRange(session_.range);  // the calendars show the range in force: the saved pair
    ui_.centreOverList(ui_.dateFrame);
    ui_.dateFrame->show();
    ui_.dateFrame->raise();
    ui_.monthView1->setFocus();
}

void ListCommands::DateDialOK_Click()
{
    QString refusal;
    if (!session_.range.acceptDates(ui_.monthView1->selectedDate(), ui_.monthView2->selectedDate(),
                                    &refusal)) {
        platform::messages().inform(QStringLiteral("Nothing to do!"), refusal);
        ui_.applyRange(session_.range);  // back to the saved pair
        return;
    }
    ui_.dateFrame->hide();
    ui_.generalPanels[0]->setText(session_.range.statusText());
    if (!session_.freeSelection)
        emit listWanted();
    ui_.focusListIfEnabled();
}

}  // namespace fnk::app
