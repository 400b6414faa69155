#include "imaging/inflate/InflateHuffman.h"
#include "imaging/inflate/InflateTables.h"

#include <array>

namespace imaging::huffman {

namespace {

using namespace deflate;

// The entry of each symbol without its code length: value, kind and extra-bit count.
struct SymbolInfo {
    std::array<uint32_t, 288> litLen{};
    std::array<uint32_t, 32> distance{};
    std::array<uint32_t, 19> codeLength{};

    constexpr SymbolInfo() {
        for (uint32_t s = 0; s < 256; ++s)
            litLen[s] = (s << 16) | kLiteral;
        litLen[256] = kEnd;
        for (int i = 0; i < kLengthSymbols; ++i)
            litLen[257 + i] = (uint32_t{kLengthBase[i]} << 16) | kBase | kLengthExtra[i];
        litLen[286] = litLen[287] = kBad;
        for (int i = 0; i < kDistanceSymbols; ++i)
            distance[i] = (uint32_t{kDistanceBase[i]} << 16) | kBase | kDistanceExtra[i];
        distance[30] = distance[31] = kBad;
        for (uint32_t s = 0; s < 19; ++s)
            codeLength[s] = (s << 16) | kLiteral;
    }
};
constexpr SymbolInfo kInfo;

uint32_t Reverse(uint32_t code, int length) {
    uint32_t r = 0;
    for (int i = 0; i < length; ++i, code >>= 1)
        r = (r << 1) | (code & 1);
    return r;
}

} // namespace

InflateStatus BuildTable(std::span<const uint8_t> lengths, Alphabet alphabet, int root,
                         uint32_t* table) noexcept {
    const uint32_t* info = alphabet == Alphabet::LitLen     ? kInfo.litLen.data()
                           : alphabet == Alphabet::Distance ? kInfo.distance.data()
                                                            : kInfo.codeLength.data();
    std::array<uint16_t, kMaxCodeLength + 1> count{};
    for (const uint8_t len : lengths)
        ++count[len];
    count[0] = 0;
    int left = 1;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        left = left * 2 - count[len];
        if (left < 0) return InflateStatus::OversubscribedCode;
    }
    if (left > 0) return InflateStatus::IncompleteCode;

    // Symbols in canonical order (by length, then by symbol), and the first code of each length.
    std::array<uint16_t, kMaxCodeLength + 2> offset{};
    for (int len = 1; len <= kMaxCodeLength; ++len)
        offset[len + 1] = static_cast<uint16_t>(offset[len] + count[len]);
    std::array<uint16_t, 288> sorted{};
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] != 0) sorted[offset[lengths[s]]++] = static_cast<uint16_t>(s);
    const size_t symbols = offset[kMaxCodeLength];

    const uint32_t rootSize = 1u << root;
    uint32_t code = 0;
    int len = 1;
    std::array<uint16_t, kMaxCodeLength + 1> seen{};
    auto nextLength = [&] {
        while (seen[len] == count[len]) {
            code <<= 1;
            ++len;
        }
    };
    size_t i = 0;
    // Codes that fit the root table fill every slot whose low bits are the code.
    for (; i < symbols; ++i) {
        nextLength();
        if (len > root) break;
        const uint32_t entry =
            info[sorted[i]] + (static_cast<uint32_t>(len) << 8) + static_cast<uint32_t>(len);
        for (uint32_t slot = Reverse(code, len); slot < rootSize; slot += 1u << len)
            table[slot] = entry;
        ++code;
        ++seen[len];
    }
    // Longer codes sharing their first `root` bits form one sub-table, sized by the longest of them;
    // canonical order keeps them together.
    uint32_t next = rootSize;
    while (i < symbols) {
        const uint32_t prefix = code >> (len - root);
        // The group ends where the prefix changes; its last code is its longest.
        size_t j = i;
        uint32_t c = code;
        int l = len;
        int longest = len;
        {
            auto seenCopy = seen;
            while (j < symbols) {
                while (seenCopy[l] == count[l]) {
                    c <<= 1;
                    ++l;
                }
                if ((c >> (l - root)) != prefix) break;
                longest = l;
                ++c;
                ++seenCopy[l];
                ++j;
            }
        }
        const int subBits = longest - root;
        table[Reverse(prefix, root)] =
            (next << 16) | kLink | (static_cast<uint32_t>(subBits) << 8) | static_cast<uint32_t>(root);
        for (; i < j; ++i) {
            nextLength();
            const uint32_t entry =
                info[sorted[i]] + (static_cast<uint32_t>(len) << 8) + static_cast<uint32_t>(len);
            const int rest = len - root;
            for (uint32_t slot = Reverse(code & ((1u << rest) - 1), rest); slot < (1u << subBits);
                 slot += 1u << rest)
                table[next + slot] = entry;
            ++code;
            ++seen[len];
        }
        next += 1u << subBits;
    }
    return InflateStatus::Done;
}

const FixedTables& Fixed() noexcept {
    static const FixedTables tables = [] {
        FixedTables t{};
        std::array<uint8_t, kFixedLitLenCount> lit{};
        for (int s = 0; s < kFixedLitLenCount; ++s)
            lit[s] = FixedLitLenLength(s);
        std::array<uint8_t, kFixedDistanceCount> dist{};
        dist.fill(5);
        BuildTable(lit, Alphabet::LitLen, kLitLenRoot, t.litLen);
        BuildTable(dist, Alphabet::Distance, kDistanceRoot, t.distance);
        return t;
    }();
    return tables;
}

} // namespace imaging::huffman
