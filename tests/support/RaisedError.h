#pragma once
// What an operation raised through the run-time's error model, for tests in both trees.
#include "runtime/RtError.h"

#include <cstdint>

namespace testsupport {

// The error number raised by `fn`, 0 when it raised none.
template <class Fn> int32_t RaisedError(Fn&& fn) {
    try {
        fn();
    } catch (const rt::RtError& e) {
        return e.Number();
    }
    return 0;
}

template <class Fn> bool RaisesOverflow(Fn&& fn) {
    return RaisedError(fn) == rt::kErrOverflow;
}

} // namespace testsupport
