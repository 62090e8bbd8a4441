#include "store/ChangeScope.h"

#include <utility>

namespace fnk::store {

ChangeScope::ChangeScope(std::vector<UndoHistory::Step> steps, std::function<void()> ended)
    : steps_(std::move(steps)), ended_(std::move(ended))
{
}

ChangeScope::ChangeScope(ChangeScope&& other) noexcept
    : steps_(std::move(other.steps_)), ended_(std::move(other.ended_))
{
    other.steps_.clear();
    other.ended_ = nullptr;
}

ChangeScope::~ChangeScope() { commit(); }

void ChangeScope::setText(const QString& text)
{
    for (UndoHistory::Step& s : steps_)
        s.setText(text);
}

void ChangeScope::commit()
{
    // Each step watches the file layer through the one opened before it, so
    // the last opened ends first.
    while (!steps_.empty()) {
        try {
            steps_.back().commit();
        } catch (const std::exception&) {
            // The command went through; only its undo is lost.
        }
        steps_.pop_back();
    }
    if (auto ended = std::exchange(ended_, nullptr))
        ended();
}

}  // namespace fnk::store
