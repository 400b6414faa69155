#include "PngTestSupport.h"

#include "PngLinkedZlib.h"

#include <zlib.h>

namespace pngtest {
namespace {

// Stands in for the built-in inflater until it is wired: raw zlib inflation into the capacity.
bool StandInInflate(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out;
    z.avail_out = static_cast<uInt>(capacity);
    const int rc = inflate(&z, Z_FINISH);
    produced = capacity - z.avail_out;
    inflateEnd(&z);
    return rc == Z_STREAM_END || (rc == Z_BUF_ERROR && z.avail_out == 0);
}

} // namespace

imaging::png::PngDecoderSetup DecoderSetup(const Route& route) {
    static imaging::png::PngLinkedZlib zlib;
    imaging::png::PngDecoderSetup s;
    s.zlib = route.zlib ? &zlib : nullptr;
    s.inflater = StandInInflate;
    s.reference = route.reference;
    return s;
}

Decoded Decode(const std::vector<uint8_t>& png, const Route& route) {
    Decoded d;
    d.status = imaging::png::DecodePng(png, DecoderSetup(route), d.image);
    return d;
}

std::vector<uint8_t> MakePalette(int entries, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> p(static_cast<size_t>(entries) * 3);
    for (auto& v : p) v = static_cast<uint8_t>(rng());
    return p;
}

std::vector<uint16_t> MakeSamples(const PngSpec& spec, uint32_t seed) {
    std::mt19937 rng(seed);
    const int ch = Channels(spec.colourType);
    const uint32_t top = (1u << spec.bitDepth) - 1;
    const bool hasAlpha = spec.colourType == 4 || spec.colourType == 6;
    const uint32_t paletteTop = spec.colourType == 3 && !spec.palette.empty()
                                    ? std::min<uint32_t>(top, static_cast<uint32_t>(spec.palette.size() / 3 - 1))
                                    : top;
    // The key as sample values, for images with a tRNS key.
    std::vector<uint16_t> key;
    if (!spec.trns.empty() && (spec.colourType == 0 || spec.colourType == 2))
        for (int c = 0; c < ch; ++c) key.push_back(static_cast<uint16_t>((spec.trns[2 * c] << 8) | spec.trns[2 * c + 1]));

    std::vector<uint16_t> s(static_cast<size_t>(spec.width) * spec.height * ch);
    for (size_t px = 0; px < s.size() / ch; ++px) {
        uint16_t* p = &s[px * ch];
        if (!key.empty() && rng() % 4 == 0) {
            for (int c = 0; c < ch; ++c) p[c] = key[c];
            continue;
        }
        for (int c = 0; c < ch; ++c) p[c] = static_cast<uint16_t>(rng() % (spec.colourType == 3 ? paletteTop + 1 : top + 1));
        if (hasAlpha) {
            // Alphas of 0 and full opacity are common in real images and take their own paths.
            const uint32_t pick = rng() % 4;
            if (pick == 0) p[ch - 1] = 0;
            if (pick == 1) p[ch - 1] = static_cast<uint16_t>(top);
        }
        // At depth 16 the decoder compares only high bytes with the key: keep other pixels clear of it.
        if (!key.empty() && spec.bitDepth == 16) {
            bool highMatch = true;
            for (int c = 0; c < ch; ++c) highMatch = highMatch && (p[c] >> 8) == (key[c] >> 8);
            if (highMatch) p[0] = static_cast<uint16_t>(p[0] ^ 0x8000);
        }
    }
    return s;
}

std::vector<uint8_t> HostPixelAt(const imaging::png::PngMemoryImage& image, int32_t x, int32_t y) {
    const size_t at = (static_cast<size_t>(image.height - 1 - y) * image.width + x) * 4;
    return {image.bits.begin() + at, image.bits.begin() + at + 4};
}

} // namespace pngtest
