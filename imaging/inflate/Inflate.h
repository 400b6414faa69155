#pragma once
// The PNG decoder's own inflater: a zlib stream (RFC 1950 framing, RFC 1951 data) into a buffer of fixed
// capacity, for when zlib is missing or rejects the data.
//
// Its rules differ from zlib's on purpose: the two header bytes are skipped unchecked and the Adler-32
// trailer is ignored; every Huffman code must be complete (zlib lets a lone one-bit code or an empty
// distance code through); missing input bits read as zero; a literal or stored byte past the capacity
// fails, while a match copy that reaches the capacity ends the whole decode there with success; fewer
// bytes than the capacity is success. Bytes of the buffer past the ones produced are left untouched.
//
// Two decoders obey these rules and must agree on every input, down to the failure reason: the fast one
// (lookup tables, 64-bit refills, wide match copies) that Inflate uses, and the plain reference one that
// follows the rules step by step and checks it.
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging {

enum class InflateStatus : uint8_t {
    // Success: the block marked final ended.
    Done,
    // Success: a match copy reached the capacity.
    CutAtCapacity,
    // Failures.
    BadBlockType,
    StoredHeaderPastInput,
    StoredLengthMismatch,
    StoredDataPastInput,
    StoredDataPastCapacity,
    // A set of code lengths whose codes do not fit the code space, or leave part of it unused.
    OversubscribedCode,
    IncompleteCode,
    RepeatWithoutPrevious,
    RepeatPastLengths,
    BadLengthSymbol,
    BadDistanceSymbol,
    DistanceTooFar,
    LiteralPastCapacity,
    OutOfMemory,
};

struct InflateResult {
    InflateStatus status = InflateStatus::Done;
    // Bytes written from the start of the buffer (on failure: before the failing step).
    size_t produced = 0;

    bool ok() const noexcept {
        return status == InflateStatus::Done || status == InflateStatus::CutAtCapacity;
    }
};

// The Boolean of the PNG decoder: True on success.
bool Inflate(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept;

InflateResult InflateFast(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept;
// The fast decoder without the BMI2 build of its loop that InflateFast picks where the processor has it,
// so that tests cover both builds.
InflateResult InflateFastPortable(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept;
InflateResult InflateReference(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept;

// One line of English for tools and test messages.
const char* InflateStatusText(InflateStatus status) noexcept;

} // namespace imaging
