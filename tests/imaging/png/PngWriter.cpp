#include "tests/imaging/png/PngWriter.h"

#include <algorithm>
#include <cstdlib>
#include <random>

namespace pngtest {
namespace {

struct Pass {
    int xs, ys, dx, dy;
};
constexpr Pass kPasses[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8)
        v.push_back(static_cast<uint8_t>(x >> s));
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Packs the pass's pixels of one row into bytes, most significant bits first below depth 8.
std::vector<uint8_t> PackRow(const PngLayout& s, const std::vector<uint16_t>& samples, int y, int xs,
                             int dx) {
    const int ch = Channels(s.colourType);
    std::vector<uint8_t> row;
    int bitPos = 0;
    for (int x = xs; x < s.width; x += dx) {
        for (int c = 0; c < ch; ++c) {
            const uint16_t v = samples[(static_cast<size_t>(y) * s.width + x) * ch + c];
            if (s.bitDepth == 16) {
                row.push_back(static_cast<uint8_t>(v >> 8));
                row.push_back(static_cast<uint8_t>(v));
            } else if (s.bitDepth == 8) {
                row.push_back(static_cast<uint8_t>(v));
            } else {
                if (bitPos % 8 == 0) row.push_back(0);
                row.back() |= static_cast<uint8_t>(v << (8 - s.bitDepth - bitPos % 8));
                bitPos += s.bitDepth;
            }
        }
    }
    return row;
}

} // namespace

int Channels(uint8_t colourType) {
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

std::vector<uint8_t> FilteredRows(const PngLayout& s, const std::vector<uint16_t>& samples) {
    const int distance = s.bitDepth < 8 ? 1 : Channels(s.colourType) * s.bitDepth / 8;
    std::vector<uint8_t> out;
    int rowIndex = 0;
    const int passes = s.interlace ? 7 : 1;
    for (int p = 0; p < passes; ++p) {
        const Pass pass = s.interlace ? kPasses[p] : Pass{0, 0, 1, 1};
        if (pass.xs >= s.width) continue;
        std::vector<uint8_t> prev;
        for (int y = pass.ys; y < s.height; y += pass.dy) {
            const std::vector<uint8_t> raw = PackRow(s, samples, y, pass.xs, pass.dx);
            if (prev.empty()) prev.assign(raw.size(), 0);
            const int type = s.filter >= 0 ? s.filter : rowIndex % 5;
            ++rowIndex;
            out.push_back(static_cast<uint8_t>(type));
            for (size_t i = 0; i < raw.size(); ++i) {
                const int a = i >= static_cast<size_t>(distance) ? raw[i - distance] : 0;
                const int b = prev[i];
                const int c = i >= static_cast<size_t>(distance) ? prev[i - distance] : 0;
                const int pred = type == 1   ? a
                                 : type == 2 ? b
                                 : type == 3 ? (a + b) / 2
                                 : type == 4 ? Paeth(a, b, c)
                                             : 0;
                out.push_back(static_cast<uint8_t>(raw[i] - pred));
            }
            prev = raw;
        }
    }
    return out;
}

std::vector<uint8_t> Signature() {
    return {137, 80, 78, 71, 13, 10, 26, 10};
}

std::vector<uint8_t> Chunk(const char* type, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> c;
    Put32(c, static_cast<uint32_t>(body.size()));
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), body.begin(), body.end());
    Put32(c, Crc32(c.data() + 4, body.size() + 4));
    return c;
}

std::vector<uint8_t> HeaderBody(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour,
                                uint8_t interlace) {
    std::vector<uint8_t> b;
    Put32(b, width);
    Put32(b, height);
    b.insert(b.end(), {depth, colour, 0, 0, interlace});
    return b;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> WritePng(const PngLayout& s, const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> png = Signature();
    Append(png, Chunk("IHDR", HeaderBody(s.width, s.height, s.bitDepth, s.colourType, s.interlace ? 1 : 0)));
    if (!s.palette.empty()) Append(png, Chunk("PLTE", s.palette));
    if (!s.trns.empty()) Append(png, Chunk("tRNS", s.trns));
    const std::vector<uint8_t> data = Zlib(FilteredRows(s, samples), s.zlibLevel);
    const size_t step = s.idatSplit == 0 ? data.size() : s.idatSplit;
    if (s.emptyIdat) Append(png, Chunk("IDAT", {}));
    for (size_t at = 0; at < data.size(); at += step) {
        const size_t n = std::min(step, data.size() - at);
        Append(png, Chunk("IDAT", std::vector<uint8_t>(data.begin() + at, data.begin() + at + n)));
        if (s.emptyIdat) Append(png, Chunk("IDAT", {}));
        if (s.ancillary && at + n < data.size())
            Append(png, Chunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'}));
    }
    Append(png, Chunk("IEND", {}));
    return png;
}

std::vector<uint8_t> MakePalette(int entries, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> p(static_cast<size_t>(entries) * 3);
    for (auto& v : p)
        v = static_cast<uint8_t>(rng());
    return p;
}

std::vector<uint16_t> MakeSamples(const PngLayout& layout, uint32_t seed) {
    std::mt19937 rng(seed);
    const int ch = Channels(layout.colourType);
    const uint32_t top = (1u << layout.bitDepth) - 1;
    const bool hasAlpha = layout.colourType == 4 || layout.colourType == 6;
    const uint32_t paletteTop =
        layout.colourType == 3 && !layout.palette.empty()
            ? std::min<uint32_t>(top, static_cast<uint32_t>(layout.palette.size() / 3 - 1))
            : top;
    // The key as sample values, for images with a tRNS key.
    std::vector<uint16_t> key;
    if (!layout.trns.empty() && (layout.colourType == 0 || layout.colourType == 2))
        for (int c = 0; c < ch; ++c)
            key.push_back(static_cast<uint16_t>((layout.trns[2 * c] << 8) | layout.trns[2 * c + 1]));

    std::vector<uint16_t> s(static_cast<size_t>(layout.width) * layout.height * ch);
    for (size_t px = 0; px < s.size() / ch; ++px) {
        uint16_t* p = &s[px * ch];
        if (!key.empty() && rng() % 4 == 0) {
            for (int c = 0; c < ch; ++c)
                p[c] = key[c];
            continue;
        }
        for (int c = 0; c < ch; ++c)
            p[c] = static_cast<uint16_t>(rng() % (layout.colourType == 3 ? paletteTop + 1 : top + 1));
        if (hasAlpha) {
            // Alphas of 0 and full opacity are common in real images and take their own paths.
            const uint32_t pick = rng() % 4;
            if (pick == 0) p[ch - 1] = 0;
            if (pick == 1) p[ch - 1] = static_cast<uint16_t>(top);
        }
        // At depth 16 the decoder compares only high bytes with the key: keep other pixels clear of it.
        if (!key.empty() && layout.bitDepth == 16) {
            bool highMatch = true;
            for (int c = 0; c < ch; ++c)
                highMatch = highMatch && (p[c] >> 8) == (key[c] >> 8);
            if (highMatch) p[0] = static_cast<uint16_t>(p[0] ^ 0x8000);
        }
    }
    return s;
}

std::vector<uint8_t> ExpectedHost(const PngLayout& s, const std::vector<uint16_t>& samples) {
    const int ch = Channels(s.colourType);
    const uint32_t top = (1u << s.bitDepth) - 1;
    // A sample as 8 bits: the high byte at depth 16, spread over 0..255 below 8 for gray.
    const auto eight = [&](uint16_t v) -> uint32_t {
        if (s.bitDepth == 16) return v >> 8;
        return s.colourType == 0 ? v * (255 / top) : v;
    };
    std::vector<uint8_t> host(static_cast<size_t>(s.width) * s.height * 4);
    for (int32_t y = 0; y < s.height; ++y) {
        for (int32_t x = 0; x < s.width; ++x) {
            const uint16_t* p = &samples[(static_cast<size_t>(y) * s.width + x) * ch];
            uint32_t r, g, b, a = 255;
            if (s.colourType == 3) {
                r = s.palette[p[0] * 3], g = s.palette[p[0] * 3 + 1], b = s.palette[p[0] * 3 + 2];
                if (p[0] < s.trns.size()) a = s.trns[p[0]];
            } else if (s.colourType == 0 || s.colourType == 4) {
                r = g = b = eight(p[0]);
            } else {
                r = eight(p[0]), g = eight(p[1]), b = eight(p[2]);
            }
            if (s.colourType == 4 || s.colourType == 6) a = eight(p[ch - 1]);
            if ((s.colourType == 0 || s.colourType == 2) && !s.trns.empty()) {
                bool key = true;
                for (int c = 0; c < ch; ++c)
                    key = key && p[c] == ((s.trns[2 * c] << 8) | s.trns[2 * c + 1]);
                if (key) a = 0;
            }
            uint8_t* d = &host[(static_cast<size_t>(s.height - 1 - y) * s.width + x) * 4];
            d[0] = static_cast<uint8_t>(b * a / 255);
            d[1] = static_cast<uint8_t>(g * a / 255);
            d[2] = static_cast<uint8_t>(r * a / 255);
            d[3] = static_cast<uint8_t>(a);
        }
    }
    return host;
}

bool SameWithRounding(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected,
                      size_t headerBytes) {
    if (actual.size() != expected.size() || actual.size() < headerBytes || (actual.size() - headerBytes) % 4)
        return false;
    for (size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] == expected[i]) continue;
        if (i < headerBytes) return false;
        const size_t k = i - headerBytes;
        const uint8_t alpha = expected[headerBytes + (k | 3)];
        const bool partial = k % 4 != 3 && alpha != 0 && alpha != 255;
        if (!partial || actual[i] != expected[i] + 1) return false;
    }
    return true;
}

} // namespace pngtest
