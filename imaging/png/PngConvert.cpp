#include "imaging/png/PngConvert.h"

#include "imaging/png/PngGeometry.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging::png {

PngStatus PngConversion::Prepare(const PngContainer& c) {
    const PngHeader& h = c.header;
    if (!DepthAllowed(h.colourType, h.bitDepth)) return PngStatus::UnsupportedDepth;
    m_colour = h.colourType;
    m_depth = h.bitDepth;
    m_key = c.transKey;
    m_alpha = c.transparency;
    for (size_t i = 0; i < 3; ++i)
        m_keyHigh[i] = 2 * i < m_alpha.size() ? m_alpha[2 * i] : 0;

    // The default palette: gray levels spread over 0..255, or (indexed without PLTE) black with
    // entry 1 white at depth 1.
    m_palette.assign(256 * 3, 0);
    if (m_colour == kColourGray && m_depth <= 8) {
        const uint32_t top = (1u << m_depth) - 1;
        for (uint32_t i = 1; i <= top; ++i)
            std::fill_n(&m_palette[i * 3], 3, static_cast<uint8_t>(i * (255 / top)));
    } else if (m_colour == kColourIndexed) {
        if (!c.palette.empty())
            m_palette = c.palette;
        else if (m_depth == 1)
            std::fill_n(&m_palette[3], 3, uint8_t{255});
    }

    std::fill(std::begin(m_lut), std::end(m_lut), 0u);
    m_entries = 0;
    if (m_colour == kColourGray) {
        const bool keyed = m_key != -1;
        for (uint32_t s = 0; s < 256; ++s) {
            // Depth 16 looks its high byte up, and compares it with the key's high byte.
            const uint32_t v = m_depth == 16 ? s : m_palette[std::min<uint32_t>(s, 255) * 3];
            const bool transparent =
                keyed && (m_depth == 16 ? s == m_keyHigh[0] : s == static_cast<uint32_t>(m_key));
            m_lut[s] = transparent ? 0 : HostPixel(v, v, v, 255);
        }
        m_entries = 256;
    } else if (m_colour == kColourIndexed) {
        m_entries = static_cast<uint32_t>(std::min<size_t>(m_palette.size() / 3, 256));
        for (uint32_t i = 0; i < m_entries; ++i) {
            const uint32_t a = m_key != -1 && i < m_alpha.size() ? m_alpha[i] : 255;
            m_lut[i] = HostPixel(m_palette[i * 3], m_palette[i * 3 + 1], m_palette[i * 3 + 2], a);
        }
    }
    return PngStatus::Ok;
}

// ---- reference: pixel by pixel, as the table reads

bool PngConversion::ConvertPixelReference(const uint8_t* src, int32_t index, uint8_t* bgra) const {
    static constexpr uint32_t kPower[9] = {1, 2, 4, 8, 16, 32, 64, 128, 256};
    const int32_t distance = FilterDistance(m_colour, m_depth);
    const int32_t sampleBytes = m_depth / 8;
    // Channel k of the pixel: packed samples below depth 8, else the first byte of each sample.
    const auto sample = [&](int32_t k) -> uint32_t {
        if (m_depth < 8) {
            const int64_t bit = int64_t{index} * m_depth;
            const uint32_t byte = src[bit / 8];
            const int32_t shift = 8 - m_depth - static_cast<int32_t>(bit % 8);
            return (byte / kPower[shift]) % kPower[m_depth];
        }
        return src[int64_t{index} * distance + int64_t{k} * sampleBytes];
    };

    // A key set under another colour type may come with fewer bytes than this one reads.
    const auto trns = [&](size_t i) -> uint32_t { return i < m_alpha.size() ? m_alpha[i] : 0; };

    uint32_t a = 255, r = 0, g = 0, b = 0;
    switch (m_colour) {
    case kColourGray: {
        const uint32_t s = sample(0);
        if (m_depth <= 8) {
            if (m_key != -1 && s == static_cast<uint32_t>(m_key)) return true;
            r = g = b = m_palette[s * 3];
        } else {
            if (m_key != -1 && s == trns(0)) return true;
            r = g = b = s;
        }
        break;
    }
    case kColourRGB:
        r = sample(0), g = sample(1), b = sample(2);
        if (m_key != -1) {
            const bool match = m_depth == 8 ? r == ((static_cast<uint32_t>(m_key) >> 16) & 255) &&
                                                  g == ((static_cast<uint32_t>(m_key) >> 8) & 255) &&
                                                  b == (static_cast<uint32_t>(m_key) & 255)
                                            : r == trns(0) && g == trns(2) && b == trns(4);
            if (match) a = 0;
        }
        break;
    case kColourIndexed: {
        const uint32_t i = sample(0);
        if (i * 3 + 2 >= m_palette.size()) return false;
        if (m_key != -1) a = i < m_alpha.size() ? m_alpha[i] : 255;
        r = m_palette[i * 3], g = m_palette[i * 3 + 1], b = m_palette[i * 3 + 2];
        break;
    }
    case kColourGrayAlpha:
        r = g = b = sample(0);
        a = sample(1);
        break;
    case kColourRGBA:
        r = sample(0), g = sample(1), b = sample(2);
        a = sample(3);
        break;
    default:
        return false;
    }

    if (a == 0) return true;
    if (a == 255) {
        bgra[0] = static_cast<uint8_t>(b), bgra[1] = static_cast<uint8_t>(g),
        bgra[2] = static_cast<uint8_t>(r);
    } else {
        bgra[0] = static_cast<uint8_t>(b * a / 255);
        bgra[1] = static_cast<uint8_t>(g * a / 255);
        bgra[2] = static_cast<uint8_t>(r * a / 255);
    }
    bgra[3] = static_cast<uint8_t>(a);
    return true;
}

// ---- fast: one row at a time

namespace {

// Samples below depth 8, most significant bits first, through the lookup table.
template <int Depth>
bool PackedRow(const uint8_t* src, int32_t count, uint32_t* dst, const uint32_t* lut, uint32_t entries) {
    constexpr int kPerByte = 8 / Depth;
    constexpr uint32_t kMask = (1u << Depth) - 1;
    for (int32_t i = 0; i < count; i += kPerByte) {
        const uint32_t byte = src[i / kPerByte];
        const int32_t n = std::min<int32_t>(kPerByte, count - i);
        for (int32_t k = 0; k < n; ++k) {
            const uint32_t s = (byte >> (8 - Depth * (k + 1))) & kMask;
            if (s >= entries) return false;
            dst[i + k] = lut[s];
        }
    }
    return true;
}

// 8-bit samples (or the high bytes of 16-bit ones, Step bytes apart) through the lookup table.
template <int Step>
bool LookupRow(const uint8_t* src, int32_t count, uint32_t* dst, const uint32_t* lut, uint32_t entries) {
    if (entries >= 256) {
        for (int32_t i = 0; i < count; ++i)
            dst[i] = lut[src[i * Step]];
        return true;
    }
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t s = src[i * Step];
        if (s >= entries) return false;
        dst[i] = lut[s];
    }
    return true;
}

// Red, green, blue samples Step bytes apart (1 for depth 8, 2 for the high bytes at depth 16), a pixel
// every 3 x Step bytes; a pixel equal to the key is transparent.
template <int Step> void RgbRow(const uint8_t* src, int32_t count, uint32_t* dst, int64_t key) {
    for (int32_t i = 0; i < count; ++i, src += 3 * Step) {
        const uint32_t rgb = (uint32_t{src[0]} << 16) | (uint32_t{src[Step]} << 8) | uint32_t{src[2 * Step]};
        dst[i] = rgb == key ? 0 : (0xFF000000u | rgb);
    }
}

template <int Step> void GrayAlphaRow(const uint8_t* src, int32_t count, uint32_t* dst) {
    for (int32_t i = 0; i < count; ++i, src += 2 * Step)
        dst[i] = HostPixel(src[0], src[0], src[0], src[Step]);
}

template <int Step> void RgbaScalar(const uint8_t* src, int32_t count, uint32_t* dst) {
    for (int32_t i = 0; i < count; ++i, src += 4 * Step)
        dst[i] = HostPixel(src[0], src[Step], src[2 * Step], src[3 * Step]);
}

#if defined(__SSE2__)
// Two pixels of R, G, B, A in 16-bit lanes, premultiplied and turned to B, G, R, A.
inline __m128i PremultiplyTwo(__m128i px) {
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(px, 0xFF), 0xFF);
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    // floor(c x a / 255) = ((c x a + 1) x 257) >> 16 for every c, a in 0..255.
    __m128i q =
        _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(px, alpha), _mm_set1_epi16(1)), _mm_set1_epi16(257));
    q = _mm_or_si128(_mm_andnot_si128(alphaLanes, q), _mm_and_si128(alphaLanes, px));
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(q, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
}
#endif

void Rgba8Row(const uint8_t* src, int32_t count, uint32_t* dst) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= count; i += 4) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4));
        const __m128i lo = PremultiplyTwo(_mm_unpacklo_epi8(px, zero));
        const __m128i hi = PremultiplyTwo(_mm_unpackhi_epi8(px, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
#endif
    RgbaScalar<1>(src + i * 4, count - i, dst + i);
}

void Rgba16Row(const uint8_t* src, int32_t count, uint32_t* dst) {
    int32_t i = 0;
#if defined(__SSE2__)
    // Big-endian samples read as little-endian lanes: the high byte is the lane's low byte.
    const __m128i low = _mm_set1_epi16(0xFF);
    for (; i + 4 <= count; i += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 8));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 8 + 16));
        const __m128i lo = PremultiplyTwo(_mm_and_si128(a, low));
        const __m128i hi = PremultiplyTwo(_mm_and_si128(b, low));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
#endif
    RgbaScalar<2>(src + i * 8, count - i, dst + i);
}

} // namespace

bool PngConversion::ConvertRow(const uint8_t* src, int32_t count, uint32_t* dst) const {
    switch (m_colour) {
    case kColourGray:
    case kColourIndexed:
        switch (m_depth) {
        case 1:
            return PackedRow<1>(src, count, dst, m_lut, m_entries);
        case 2:
            return PackedRow<2>(src, count, dst, m_lut, m_entries);
        case 4:
            return PackedRow<4>(src, count, dst, m_lut, m_entries);
        case 8:
            return LookupRow<1>(src, count, dst, m_lut, m_entries);
        default:
            return LookupRow<2>(src, count, dst, m_lut, m_entries);
        }
    case kColourRGB: {
        // -1 never equals a 24-bit colour.
        int64_t key = -1;
        if (m_key != -1)
            key = m_depth == 8 ? m_key
                               : (int64_t{m_keyHigh[0]} << 16) | (int64_t{m_keyHigh[1]} << 8) | m_keyHigh[2];
        if (m_depth == 8)
            RgbRow<1>(src, count, dst, key);
        else
            RgbRow<2>(src, count, dst, key);
        return true;
    }
    case kColourGrayAlpha:
        if (m_depth == 8)
            GrayAlphaRow<1>(src, count, dst);
        else
            GrayAlphaRow<2>(src, count, dst);
        return true;
    case kColourRGBA:
        if (m_depth == 8)
            Rgba8Row(src, count, dst);
        else
            Rgba16Row(src, count, dst);
        return true;
    default:
        return false;
    }
}

} // namespace imaging::png
