#include "drawing/TransBlt.h"

#include "runtime/Handles.h"
#include "runtime/ScopeExit.h"

#include <olectl.h>

namespace drawing {

namespace {

constexpr DWORD kDstAndNotSrc = 0x220326;

// Selects and realizes the shared palette in a scratch DC; the guard puts the DC's previous one back,
// realized, when the scratch DC is done with it.
[[nodiscard]] auto UsePalette(HDC dc, HPALETTE pal, BOOL restoreBackground) {
    const HPALETTE old = pal ? ::SelectPalette(dc, pal, TRUE) : nullptr;
    if (old) ::RealizePalette(dc);
    return rt::ScopeExit([=] {
        if (!old) return;
        ::SelectPalette(dc, old, restoreBackground);
        ::RealizePalette(dc);
    });
}

// A scratch DC with a bitmap of its own selected; members are released in reverse order.
struct Scratch {
    rt::UniqueDC dc;
    rt::UniqueBitmap bitmap;
    rt::SelectGuard selected;

    Scratch(HDC like, HBITMAP bmp)
        : dc(::CreateCompatibleDC(like)), bitmap(bmp), selected(dc.get(), bitmap.get()) {}
    bool ok() const { return dc && bitmap && selected.ok(); }
};

} // namespace

bool TransBlt(HDC dst, int32_t xDst, int32_t yDst, int32_t w, int32_t h, HDC src, int32_t xSrc, int32_t ySrc,
              uint32_t key, HPALETTE palette) {
    if (w <= 0 || h <= 0 || !dst || !src) return false;

    rt::UniquePalette halftone;
    rt::WindowDC screen(nullptr);
    if (!screen) return false;
    if (!palette) {
        halftone.reset(::CreateHalftonePalette(screen.get()));
        palette = halftone.get();
    }

    COLORREF keyRgb = 0;
    if (FAILED(::OleTranslateColor(key, palette, &keyRgb))) return false;
    keyRgb &= 0xFFFFFF;

    // The work buffer keeps a fresh DC's black text and white background for the mask conversion.
    Scratch work(screen.get(), ::CreateCompatibleBitmap(screen.get(), w, h));
    if (!work.ok()) return false;
    const auto workPalette = UsePalette(work.dc.get(), palette, FALSE);
    if (!::BitBlt(work.dc.get(), 0, 0, w, h, dst, xDst, yDst, SRCCOPY)) return false;

    Scratch colour(screen.get(), ::CreateCompatibleBitmap(screen.get(), w, h));
    if (!colour.ok()) return false;
    const auto colourPalette = UsePalette(colour.dc.get(), palette, TRUE);
    ::SetBkColor(colour.dc.get(), ::GetBkColor(src));
    ::SetTextColor(colour.dc.get(), ::GetTextColor(src));
    if (!::BitBlt(colour.dc.get(), 0, 0, w, h, src, xSrc, ySrc, SRCCOPY)) return false;

    // Key-coloured pixels become 1 in the mask, all others 0.
    Scratch mask(screen.get(), ::CreateBitmap(w, h, 1, 1, nullptr));
    if (!mask.ok()) return false;
    ::SetBkColor(colour.dc.get(), keyRgb);
    ::SetTextColor(colour.dc.get(), RGB(255, 255, 255));
    if (!::BitBlt(mask.dc.get(), 0, 0, w, h, colour.dc.get(), 0, 0, SRCCOPY)) return false;

    // Key pixels of the colour copy turn black, so OR-ing it below leaves the destination there.
    ::SetTextColor(colour.dc.get(), RGB(0, 0, 0));
    ::SetBkColor(colour.dc.get(), RGB(255, 255, 255));
    if (!::BitBlt(colour.dc.get(), 0, 0, w, h, mask.dc.get(), 0, 0, kDstAndNotSrc)) return false;
    // Under opaque pixels the work buffer turns black.
    if (!::BitBlt(work.dc.get(), 0, 0, w, h, mask.dc.get(), 0, 0, SRCAND)) return false;
    if (!::BitBlt(work.dc.get(), 0, 0, w, h, colour.dc.get(), 0, 0, SRCPAINT)) return false;
    return ::BitBlt(dst, xDst, yDst, w, h, work.dc.get(), 0, 0, SRCCOPY) != FALSE;
}

} // namespace drawing
