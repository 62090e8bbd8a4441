// The main window's macro commands: editing a macro file in place of the
// ledger, and playing one into the ledger under a chosen date.
#include "app/MainWindow.h"

#include "edit/EditPanel.h"
#include "macros/MacroFile.h"
#include "platform/Colours.h"
#include "platform/Clock.h"
#include "platform/MessagePort.h"
#include "platform/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>

namespace fnk::app {

namespace {

// Play takes an existing macro; edit also takes a new name, which starts a
// new, empty macro file.
QString chooseMacroFile(platform::FileDialog::Kind kind)
{
    return platform::messages().file({kind, QStringLiteral("Select a file..."),
                                      QStringLiteral("Fennick Macro Files|*.fnk"), QString(), {}});
}

void refuse(const QString& operation)
{
    platform::messages().message(
        {QStringLiteral("Error"),
         QStringLiteral("This file does not contain Fennick records, or they are corrupt. The "
                        "macro %1 operation has been aborted.")
             .arg(operation),
         platform::Icon::Critical, platform::Buttons::Ok, platform::Answer::Ok});
}
}  // namespace

void MainWindow::TurnMacroOn()
{
    ui_.generalPanels[1]->hide();
    if (session_.settings.toolTipsShown())
        ui_.categoryGrid->setToolTip(QStringLiteral("Click category to select (during record edit)"));
    ui_.generalPanels[0]->setText(QStringLiteral("Macro Edit!!! File: ") + session_.macroFile);
    ui_.editPanel->setDateStepsEnabled(false);
    platform::markBackground(ui_.mainGrid, QColor(255, 255, 0));
    updateCommands();
}

void MainWindow::TurnMacroOff()
{
    ui_.generalPanels[1]->show();
    if (session_.settings.toolTipsShown())
        ui_.categoryGrid->setToolTip(QStringLiteral("Double-click any category to narrow your view"));
    session_.range.SetRange(session_.settings.defaultRangeCode(), 0, platform::clock().today());
    ui_.applyRange(session_.range);
    ui_.editPanel->setDateStepsEnabled(true);
    platform::clearMark(ui_.mainGrid);
    updateCommands();
}

void MainWindow::mu_MacroCreate()
{
    const QString path = chooseMacroFile(platform::FileDialog::OpenOrNew);
    if (path.isEmpty())
        return;
    try {
        if (ledger_.enterMacroEdit(path) == Ledger::MacroOpen::Damaged) {
            refuse(QStringLiteral("edit"));
            return;
        }
    } catch (const std::exception& e) {
        reportFailure(e);
        return;
    }
    TurnMacroOn();
    rebuildList();
}

void MainWindow::mu_MacroQuit()
{
    if (!session_.macroMode)
        return;
    ledger_.leaveMacroEdit();
    TurnMacroOff();
    rebuildList();
}

void MainWindow::mu_PlayMacro()
{
    const QString path = chooseMacroFile(platform::FileDialog::Open);
    if (path.isEmpty())
        return;
    try {
        if (macros::checkMacroFile(path) != macros::MacroCheck::Good) {
            refuse(QStringLiteral("play"));
            return;
        }
    } catch (const std::exception& e) {
        reportFailure(e);
        return;
    }
    chosenMacro_ = path;
    findChild<QCalendarWidget*>(QStringLiteral("MonthView3"))->setSelectedDate(platform::clock().today());
    ui_.centreOverList(ui_.macDateFrame);
    ui_.macDateFrame->show();
    ui_.macDateFrame->raise();
}

void MainWindow::MacDateOK_Click()
{
    ui_.macDateFrame->hide();
    const QDate date = findChild<QCalendarWidget*>(QStringLiteral("MonthView3"))->selectedDate();
    ui_.progress->setRange(0, 0);
    ui_.progress->setValue(0);
    ui_.progress->show();
    ui_.progress->raise();
    try {
        platform::WaitCursor busy;
        ledger_.playMacro(chosenMacro_, date, [this](qint64 done, qint64 total) {
            ui_.progress->setMaximum(int(std::min<qint64>(total, INT_MAX)));
            ui_.progress->setValue(int(std::min<qint64>(done, INT_MAX)));
        });
    } catch (const std::exception& e) {
        ui_.progress->hide();
        reportFailure(e);
        rebuildList();
        return;
    }
    ui_.progress->hide();
    rebuildList();
}

void MainWindow::MacCancel_Click()
{
    ui_.macDateFrame->hide();
    rebuildList();
}

}  // namespace fnk::app
