#pragma once

#include "store/UndoHistory.h"

#include <QString>

#include <functional>
#include <vector>

namespace fnk::store {

// One command's change of the data set, as a window or panel sees it: the
// undo steps it runs inside (one per history that keeps a file it may
// write), and a call back to whoever owns the histories once it has ended,
// so that the menus can follow.  A default one keeps nothing, as in a folder
// opened read-only or in a test without a history.
//
// The steps end, in the order opposite to their opening, when the scope
// ends or at commit(); a failure to keep the changes is swallowed there, as
// the command itself went through.
class ChangeScope {
public:
    ChangeScope() = default;
    ChangeScope(std::vector<UndoHistory::Step> steps, std::function<void()> ended);
    ChangeScope(ChangeScope&& other) noexcept;
    ChangeScope& operator=(ChangeScope&&) = delete;
    ~ChangeScope();

    // The command's name as it turned out ("Import of 212 Records").
    void setText(const QString& text);
    // Ends the steps now.
    void commit();

private:
    std::vector<UndoHistory::Step> steps_;
    std::function<void()> ended_;
};

// Opens a change named `text` for the user ("Delete Record").
using BeginChange = std::function<ChangeScope(const QString& text)>;

// The scope `begin` gives, or one that keeps nothing when there is none.
inline ChangeScope beginChange(const BeginChange& begin, const QString& text)
{
    return begin ? begin(text) : ChangeScope();
}

}  // namespace fnk::store
