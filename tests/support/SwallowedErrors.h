#pragma once
// Every Win32 test ends with no error swallowed underneath it by the run-time's traps unless it says
// which kind it provokes on purpose; then at least one of that kind must have come.
#include <array>

#include "runtime/RtError.h"

namespace testsupport {

// The kinds the running test provokes; the test programs' entry point clears them before each test.
inline std::array<bool, rt::kSwallowedKinds>& ExpectedSwallows() {
    static std::array<bool, rt::kSwallowedKinds> expected{};
    return expected;
}

inline void ExpectSwallowed(rt::Swallowed kind) {
    ExpectedSwallows()[static_cast<int>(kind)] = true;
}

} // namespace testsupport
