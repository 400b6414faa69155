#pragma once
// Paints the parts of a scroll bar (track, thumb, the two arrow buttons) from the twelve scroll-bar
// bitmap resources, each part scaled into the rectangle the caller laid out, in the state the caller
// chose. The painter does no layout of its own and no hit-testing.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>

#include "drawing/pcMemDC.h"
#include "runtime/Picture.h"
#include "scrollbars/ScrollbarLayout.h"

namespace scrollbars {

class cScrollbarDraw {
  public:
    // Reads one of the twelve bitmaps by its resource name.
    using Loader = std::function<rt::Picture(const wchar_t* name)>;

    // Loads the twelve bitmaps, each into a surface of its own, from the executable's resources (or
    // through `load`). One that fails to load is looked for again when a part needs it, twice at most;
    // until then the pieces drawn from it are left out.
    cScrollbarDraw();
    explicit cScrollbarDraw(Loader load);
    cScrollbarDraw(const cScrollbarDraw&) = delete;
    cScrollbarDraw& operator=(const cScrollbarDraw&) = delete;

    // The resolution the parts are drawn at: a caller painting for a window sets that window's. The
    // bitmaps are 96-DPI art; at any other resolution their slices are scaled.
    int32_t Dpi() const { return m_Dpi; }
    void SetDpi(int32_t dpi) { m_Dpi = dpi > 0 ? dpi : rt::kDesignDpi; }

    // Orientation 1 is horizontal, anything else vertical; State picks the bitmaps' cell. A piece whose
    // cell lies outside its bitmap is not drawn.
    void DrawTrack(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top, int32_t Right,
                   int32_t Bottom);
    // The grip's cross-axis position is measured from 0: paint the bar in its own coordinates.
    void DrawThumb(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top, int32_t Right,
                   int32_t Bottom);
    // The left (top) and right (bottom) buttons: 18 pixels long at 96 DPI whatever the rectangle's length.
    void DrawFirstArrow(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top, int32_t Right,
                        int32_t Bottom);
    void DrawSecondArrow(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                         int32_t Right, int32_t Bottom);

  private:
    const drawing::pcMemDC& pvSurface(SkinBitmap bitmap);
    void pvLoad(size_t index);
    void pvPaint(HDC hdc, const BlitList& blits);

    Loader m_Load;
    std::array<drawing::pcMemDC, kSkinBitmapCount> m_Surfaces;
    std::array<int, kSkinBitmapCount> m_Attempts{};
    int32_t m_Dpi = rt::kDesignDpi;
};

} // namespace scrollbars
