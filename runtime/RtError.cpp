#include "runtime/RtError.h"

#include "runtime/TextCodec.h"

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

} // namespace rt
