#include "drawing/SystemPalette.h"

namespace drawing {

bool UsesSystemPalette(int32_t rasterCaps, int32_t sizePalette) {
    return (rasterCaps & kRasterCapsPalette) != 0 && sizePalette == 256;
}

std::vector<uint8_t> LogPaletteBytes(std::span<const PaletteEntry> entries) {
    if (entries.empty() || entries.size() > 0xFFFF) return {};
    const auto count = static_cast<uint16_t>(entries.size());
    std::vector<uint8_t> bytes;
    bytes.reserve(4 + entries.size() * 4);
    bytes.insert(bytes.end(),
                 {0x00, 0x03, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8)});
    for (const PaletteEntry& e : entries)
        bytes.insert(bytes.end(), {e.red, e.green, e.blue, e.flags});
    return bytes;
}

} // namespace drawing
