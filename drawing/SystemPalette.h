#pragma once
// The palette a memory surface takes on a 256-colour palette display: the decision and the logical-palette
// record built from the system palette's entries, apart from the device that supplies them.
#include <cstdint>
#include <span>
#include <vector>

namespace drawing {

// RC_PALETTE of the device's raster capabilities.
constexpr int32_t kRasterCapsPalette = 0x0100;

struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;
};

// True for a palette device of exactly 256 entries; other depths draw without a palette of their own.
bool UsesSystemPalette(int32_t rasterCaps, int32_t sizePalette);

// The bytes of a LOGPALETTE holding the entries as read: version 0x300 and the entry count as little-endian
// 16-bit words, then four bytes per entry. Empty for no entries or more than 65,535.
std::vector<uint8_t> LogPaletteBytes(std::span<const PaletteEntry> entries);

} // namespace drawing
