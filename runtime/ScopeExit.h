#pragma once
// Undoes one step when the scope ends, however it ends: a flag, a mode or a handler set for the length of
// a scope and put back after it.
#include <type_traits>
#include <utility>

namespace rt {

template <class Undo> class [[nodiscard]] ScopeExit {
  public:
    explicit ScopeExit(Undo undo) noexcept(std::is_nothrow_move_constructible_v<Undo>)
        : undo_(std::move(undo)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { undo_(); }

  private:
    Undo undo_;
};

// Gives `var` the value for the scope and puts back what it held.
template <class T, class V> [[nodiscard]] auto SetForScope(T& var, V&& value) {
    return ScopeExit(
        [&var, old = std::exchange(var, std::forward<V>(value))]() mutable { var = std::move(old); });
}

} // namespace rt
