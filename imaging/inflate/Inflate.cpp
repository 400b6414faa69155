#include "imaging/inflate/Inflate.h"

namespace imaging {

bool Inflate(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept {
    return InflateFast(in, out, capacity).ok();
}

const char* InflateStatusText(InflateStatus status) noexcept {
    switch (status) {
    case InflateStatus::Done:
        return "the final block ended";
    case InflateStatus::CutAtCapacity:
        return "a match reached the capacity";
    case InflateStatus::BadBlockType:
        return "block type 3";
    case InflateStatus::StoredHeaderPastInput:
        return "stored block header past the end of the input";
    case InflateStatus::StoredLengthMismatch:
        return "stored block length does not match its complement";
    case InflateStatus::StoredDataPastInput:
        return "stored block data past the end of the input";
    case InflateStatus::StoredDataPastCapacity:
        return "stored block data past the capacity";
    case InflateStatus::OversubscribedCode:
        return "over-subscribed Huffman code";
    case InflateStatus::IncompleteCode:
        return "incomplete Huffman code";
    case InflateStatus::RepeatWithoutPrevious:
        return "code length repeat with no previous length";
    case InflateStatus::RepeatPastLengths:
        return "code length repeat past the last length";
    case InflateStatus::BadLengthSymbol:
        return "invalid length symbol";
    case InflateStatus::BadDistanceSymbol:
        return "invalid distance symbol";
    case InflateStatus::DistanceTooFar:
        return "distance before the start of the output";
    case InflateStatus::LiteralPastCapacity:
        return "literal past the capacity";
    case InflateStatus::OutOfMemory:
        return "out of memory";
    }
    return "unknown status";
}

} // namespace imaging
