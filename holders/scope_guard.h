#pragma once
// Runs an action when the scope ends unless it was dismissed first: an undo armed until the
// work it guards has committed.
#include <utility>

namespace tal {

template <class F>
class scope_guard {
public:
    explicit scope_guard(F action) noexcept(noexcept(F(std::move(action)))) : action_(std::move(action)) {}
    scope_guard(const scope_guard&) = delete;
    scope_guard& operator=(const scope_guard&) = delete;
    ~scope_guard()
    {
        if (armed_)
            action_();
    }

    // The guarded work committed: nothing is undone.
    void dismiss() noexcept { armed_ = false; }
    bool armed() const noexcept { return armed_; }

private:
    F action_;
    bool armed_ = true;
};

} // namespace tal
