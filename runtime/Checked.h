#pragma once
// Arithmetic of the 16-bit Integer and 32-bit Long types: a result that leaves the type raises the
// overflow error instead of wrapping around.
#include "runtime/RtError.h"

#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <utility>

namespace rt {

template <class T>
concept CheckedInt = std::same_as<T, int16_t> || std::same_as<T, int32_t>;

template <CheckedInt T> T Add(T a, T b) {
    T r;
    if (__builtin_add_overflow(a, b, &r)) RaiseOverflow();
    return r;
}

template <CheckedInt T> T Sub(T a, T b) {
    T r;
    if (__builtin_sub_overflow(a, b, &r)) RaiseOverflow();
    return r;
}

template <CheckedInt T> T Mul(T a, T b) {
    T r;
    if (__builtin_mul_overflow(a, b, &r)) RaiseOverflow();
    return r;
}

template <CheckedInt T> T Neg(T a) {
    if (a == std::numeric_limits<T>::min()) RaiseOverflow();
    return static_cast<T>(-a);
}

// The \ operator: truncates toward zero.
template <CheckedInt T> T IntDiv(T a, T b) {
    if (b == 0) RaiseDivisionByZero();
    if (b == -1) return Neg(a);
    return static_cast<T>(a / b);
}

// The remainder takes the sign of the dividend.
template <CheckedInt T> T Mod(T a, T b) {
    if (b == 0) RaiseDivisionByZero();
    // MIN % -1 is undefined behaviour in C++ although the remainder is plainly 0.
    if (b == -1) return 0;
    return static_cast<T>(a % b);
}

template <CheckedInt T, std::integral U> T Narrow(U v) {
    // Widened first: std::in_range refuses bool and the character types.
    bool fits;
    if constexpr (std::is_signed_v<U>)
        fits = std::in_range<T>(static_cast<int64_t>(v));
    else
        fits = std::in_range<T>(static_cast<uint64_t>(v));
    if (!fits) RaiseOverflow();
    return static_cast<T>(v);
}

namespace detail {

// Done by hand so that it does not depend on the FPU rounding mode someone else may have set.
inline double RoundHalfToEven(double x) {
    const double whole = std::floor(x);
    const double frac = x - whole;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(whole, 2.0) != 0.0)) return whole + 1.0;
    return whole;
}

template <CheckedInt T> T RoundTo(double x) {
    if (std::isnan(x)) RaiseOverflow();
    const double r = RoundHalfToEven(x);
    if (r < std::numeric_limits<T>::min() || r > std::numeric_limits<T>::max()) RaiseOverflow();
    return static_cast<T>(r);
}

} // namespace detail

// CInt and CLng: half-way cases go to the even neighbour.
inline int16_t RoundToInt16(double x) {
    return detail::RoundTo<int16_t>(x);
}
inline int32_t RoundToInt32(double x) {
    return detail::RoundTo<int32_t>(x);
}

// Booleans cross component boundaries as 16-bit -1/0, and some callers compare with -1 exactly.
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;
inline int16_t ToVbBool(bool b) {
    return b ? kTrue : kFalse;
}
inline bool FromVbBool(int16_t v) {
    return v != 0;
}

} // namespace rt
