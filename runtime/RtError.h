#pragma once
// Run-time errors as the components see them: a number, a source and a description, thrown as an
// exception and trapped by the handlers that are meant to swallow their own failures.
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <utility>

namespace rt {

enum : int32_t {
    kErrInvalidCall = 5,
    kErrOverflow = 6,
    kErrSubscript = 9,
    kErrDivisionByZero = 11,
    kErrTypeMismatch = 13,
};
// Errors raised by a class on purpose are numbered from here, as vbObjectError does.
constexpr int32_t kObjectErrorBase = static_cast<int32_t>(0x80040000);

class RtError : public std::exception {
  public:
    RtError(int32_t number, std::wstring source, std::wstring description);

    int32_t Number() const noexcept { return number_; }
    const std::wstring& Source() const noexcept { return source_; }
    const std::wstring& Description() const noexcept { return description_; }
    // UTF-8, for logs and test failure messages.
    const char* what() const noexcept override { return what_.c_str(); }

  private:
    int32_t number_;
    std::wstring source_;
    std::wstring description_;
    std::string what_;
};

[[noreturn]] void RaiseInvalidCall();
[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseSubscript();
[[noreturn]] void RaiseDivisionByZero();
[[noreturn]] void RaiseTypeMismatch();
[[noreturn]] void RaiseObjectError(int32_t n, std::wstring className, std::wstring description);

// What a trap ends quietly. Errors: a std::exception; anything else is a bug and still terminates.
// Everything: also what is not a std::exception, where the system called in (a window or hook procedure)
// and nothing may pass at all.
enum class Catch { Errors, Everything };

// What traps have ended, by kind, counted for the whole process: the programs write no log, and a test
// sees this way that something failed underneath it.
enum class Swallowed { RtError, OutOfMemory, OtherError, Foreign };
constexpr int kSwallowedKinds = 4;
void CountSwallowed(Swallowed kind) noexcept;
int64_t SwallowedCount(Swallowed kind) noexcept;
const char* SwallowedName(Swallowed kind) noexcept;

// Runs fn and reports whether it finished; an error inside it ends it quietly, like a handler that
// traps its own errors, and is counted.
template <Catch What = Catch::Errors, class F> bool Trap(F&& fn) noexcept {
    try {
        std::forward<F>(fn)();
        return true;
    } catch (const RtError&) {
        CountSwallowed(Swallowed::RtError);
    } catch (const std::bad_alloc&) {
        CountSwallowed(Swallowed::OutOfMemory);
    } catch (const std::exception&) {
        CountSwallowed(Swallowed::OtherError);
    } catch (...) {
        if constexpr (What == Catch::Everything)
            CountSwallowed(Swallowed::Foreign);
        else
            std::terminate(); // not an error of ours: a bug, and nothing may hide it
    }
    return false;
}

} // namespace rt
