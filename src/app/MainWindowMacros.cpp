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
    generalPanels_[1]->hide();
    if (session_.settings.toolTipsShown())
        categoryGrid_->setToolTip(QStringLiteral("Click category to select (during record edit)"));
    generalPanels_[0]->setText(QStringLiteral("Macro Edit!!! File: ") + session_.macroFile);
    editPanel_->setDateStepsEnabled(false);
    platform::markBackground(mainGrid_, QColor(255, 255, 0));
    updateCommands();
}

void MainWindow::TurnMacroOff()
{
    generalPanels_[1]->show();
    if (session_.settings.toolTipsShown())
        categoryGrid_->setToolTip(QStringLiteral("Double-click any category to narrow your view"));
    session_.range.SetRange(session_.settings.defaultRangeCode(), 0, platform::clock().today());
    applyRange();
    editPanel_->setDateStepsEnabled(true);
    platform::clearMark(mainGrid_);
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
    centreOverList(macDateFrame_);
    macDateFrame_->show();
    macDateFrame_->raise();
}

void MainWindow::MacDateOK_Click()
{
    macDateFrame_->hide();
    const QDate date = findChild<QCalendarWidget*>(QStringLiteral("MonthView3"))->selectedDate();
    progress_->setRange(0, 0);
    progress_->setValue(0);
    progress_->show();
    progress_->raise();
    try {
        platform::WaitCursor busy;
        ledger_.playMacro(chosenMacro_, date, [this](qint64 done, qint64 total) {
            progress_->setMaximum(int(std::min<qint64>(total, INT_MAX)));
            progress_->setValue(int(std::min<qint64>(done, INT_MAX)));
        });
    } catch (const std::exception& e) {
        progress_->hide();
        reportFailure(e);
        rebuildList();
        return;
    }
    progress_->hide();
    rebuildList();
}

void MainWindow::MacCancel_Click()
{
    macDateFrame_->hide();
    rebuildList();
}

}  // namespace fnk::app
