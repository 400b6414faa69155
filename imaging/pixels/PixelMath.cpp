#include "imaging/pixels/PixelMath.h"

#include "runtime/Checked.h"

namespace imaging::ModAPI {

int32_t ScanlineBytes(uint8_t bits, int32_t width) {
    const int32_t padded = rt::Add<int32_t>(rt::Mul<int32_t>(bits, width), 31);
    // The low five bits cleared as a two's-complement mask, so negative widths keep the old sign rule.
    return static_cast<int32_t>(static_cast<uint32_t>(padded) & ~uint32_t{31}) / 8;
}

uintptr_t OffsetPointer(uintptr_t address, intptr_t offset) {
    uintptr_t r;
    if (offset >= 0) {
        if (__builtin_add_overflow(address, static_cast<uintptr_t>(offset), &r)) return 0;
    } else {
        // Negated in unsigned arithmetic: -INTPTR_MIN has no signed value.
        if (__builtin_sub_overflow(address, uintptr_t{0} - static_cast<uintptr_t>(offset), &r)) return 0;
    }
    return r;
}

GrayWeights GrayScaleWeights(int32_t formula) {
    switch (formula) {
    case -1:
        return {1.0f, 1.0f, 1.0f};
    case 1:
        return {0.213f, 0.715f, 0.072f};
    case 2:
        return {0.333f, 0.334f, 0.333f};
    case 3:
        return {0.8f, 0.1f, 0.1f};
    case 4:
        return {0.1f, 0.8f, 0.1f};
    case 5:
        return {0.1f, 0.1f, 0.8f};
    case 6:
        return {0.45f, 0.45f, 0.1f};
    case 7:
        return {0.1f, 0.45f, 0.45f};
    default:
        return {0.299f, 0.587f, 0.114f};
    }
}

namespace {

enum class Outcome { NoAlpha, Premultiplied, Straight };

Outcome Scan(std::span<const uint8_t> px) {
    // 0: consistent with premultiplied data; 1: colour seen under zero alpha; 2: proven straight.
    int state = 0;
    std::size_t zero = 0;
    std::size_t opaque = 0;
    const std::size_t total = px.size() / 4;
    for (std::size_t i = 0; i < total && state != 2; ++i) {
        const uint8_t* p = &px[i * 4];
        const uint8_t a = p[3];
        if (a == 0) {
            ++zero;
            if (state == 0 && (p[0] | p[1] | p[2]) != 0) state = 1;
        } else if (a == 255) {
            if (state == 1)
                state = 2;
            else
                ++opaque;
        } else if (state == 1 || p[0] > a || p[1] > a || p[2] > a) {
            state = 2;
        }
    }
    if (zero == total || opaque == total) return Outcome::NoAlpha;
    return state == 0 ? Outcome::Premultiplied : Outcome::Straight;
}

} // namespace

void AnalyzeAlpha(std::span<uint8_t> pixels, bool premultiply, bool& hasAlpha, int32_t& kind) {
    const Outcome outcome = kind == kImageNone ? Outcome::NoAlpha : Scan(pixels);
    const std::size_t total = pixels.size() / 4;
    switch (outcome) {
    case Outcome::NoAlpha:
        kind = kImageOpaque;
        hasAlpha = false;
        if (premultiply)
            for (std::size_t i = 0; i < total; ++i)
                pixels[i * 4 + 3] = 255;
        break;
    case Outcome::Premultiplied:
        kind = kImagePremultiplied;
        hasAlpha = true;
        break;
    case Outcome::Straight:
        kind = kImageStraightAlpha;
        hasAlpha = true;
        if (!premultiply) break;
        for (std::size_t i = 0; i < total; ++i) {
            uint8_t* p = &pixels[i * 4];
            const uint8_t a = p[3];
            if (a == 0) {
                p[0] = p[1] = p[2] = 0;
            } else if (a != 255) {
                for (int c = 0; c < 3; ++c)
                    p[c] = Premultiply(p[c], a);
            }
        }
        break;
    }
}

} // namespace imaging::ModAPI
