#include "runtime/RtError.h"

#include "runtime/TextCodec.h"

#include <atomic>

namespace rt {

RtError::RtError(int32_t number, std::wstring source, std::wstring description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {
    if (!source_.empty()) what_ = WideToUtf8(source_) + ": ";
    what_ += WideToUtf8(description_) + " (" + std::to_string(number_) + ")";
}

void RaiseInvalidCall() {
    throw RtError(kErrInvalidCall, L"", L"Invalid procedure call or argument");
}
void RaiseOverflow() {
    throw RtError(kErrOverflow, L"", L"Overflow");
}
void RaiseSubscript() {
    throw RtError(kErrSubscript, L"", L"Subscript out of range");
}
void RaiseDivisionByZero() {
    throw RtError(kErrDivisionByZero, L"", L"Division by zero");
}
void RaiseTypeMismatch() {
    throw RtError(kErrTypeMismatch, L"", L"Type mismatch");
}

void RaiseObjectError(int32_t n, std::wstring className, std::wstring description) {
    // Unsigned so that a large n wraps like the 32-bit sum it stands for instead of being undefined.
    const auto number =
        static_cast<int32_t>(static_cast<uint32_t>(kObjectErrorBase) + static_cast<uint32_t>(n));
    throw RtError(number, std::move(className), std::move(description));
}

namespace {
std::atomic<int64_t> g_swallowed[kSwallowedKinds];
}

void CountSwallowed(Swallowed kind) noexcept {
    g_swallowed[static_cast<int>(kind)].fetch_add(1, std::memory_order_relaxed);
}

int64_t SwallowedCount(Swallowed kind) noexcept {
    return g_swallowed[static_cast<int>(kind)].load(std::memory_order_relaxed);
}

const char* SwallowedName(Swallowed kind) noexcept {
    switch (kind) {
    case Swallowed::RtError: return "run-time error";
    case Swallowed::OutOfMemory: return "out of memory";
    case Swallowed::OtherError: return "other error";
    case Swallowed::Foreign: return "foreign exception";
    }
    return "?";
}

} // namespace rt
