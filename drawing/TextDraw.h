#pragma once
// One string drawn into a box and cut with "..." when it is too wide: the one implementation behind
// the skin surface's pDrawText and the image engine's DrawTextEllipsis.
#include <windows.h>

#include <cstdint>
#include <string_view>

namespace drawing {

// Draws with the DC's font and the caller's DrawText flags when the text fits, else the longest prefix
// that leaves room for "..." (never less than one code unit) with the centring flags dropped. Returns
// the width drawn. Box arithmetic that leaves 32 bits raises the overflow error.
int32_t DrawTextCut(HDC hdc, std::wstring_view text, int32_t X, int32_t Y, int32_t Width, int32_t Height,
                    int32_t wFormat);

} // namespace drawing
