#pragma once
// The image engine's operations answer False instead of letting an error reach their caller.
#include "runtime/RtError.h"

#include <utility>

namespace imaging {

// Runs an operation that answers a Boolean; an error inside it (an allocation that fails, arithmetic
// that leaves its range) answers False.
template <class F> bool Trapped(F&& fn) noexcept {
    bool ok = false;
    rt::Trap([&] { ok = std::forward<F>(fn)(); });
    return ok;
}

} // namespace imaging
