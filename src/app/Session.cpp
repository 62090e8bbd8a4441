#include "app/Session.h"

namespace fnk::app {

void Session::setDataFolder(const QString& folder)
{
    dataFolder_ = folder;
    ++epoch_;
    emit recordFileChanged();
}

void Session::setMacroEdit(const QString& file)
{
    macroFile_ = file;
    macroMode_ = !file.isEmpty();
    ++epoch_;
    emit recordFileChanged();
}

void Session::recordsChangedBeneath()
{
    ++epoch_;
    emit recordsRenumbered();
}

view::ListQuery Session::listQuery() const
{
    view::ListQuery q;
    q.recordFile = recordFile();
    q.earliest = range.earliest();
    q.latest = range.latest();
    q.categoryCode = rememberedCode;
    q.categoryName = rememberedName;
    q.layoutCode = settings.columnLayout();
    q.user1Name = settings.userField1Name();
    q.user2Name = settings.userField2Name();
    q.user1IsPickList = !settings.userField1IsFreeText();
    q.user2IsPickList = !settings.userField2IsFreeText();
    q.macroMode = macroMode_;
    q.freeSelection = freeSelection;
    return q;
}

}  // namespace fnk::app
