#pragma once
// The general drawing toolkit: an off-screen DC of a given size, compatible with a parent DC, with drawing
// operations that take OLE colours and manage the pens, brushes and fonts they create. Drawing members are
// no-ops on a surface that is not created (painting a picture creates it first), and no graphics failure is
// reported.
#include <windows.h>

#include "drawing/StdFont.h"
#include "runtime/Handles.h"
#include "runtime/Picture.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The members below carry the names of Win32 functions that are macros for their A/W variants.
#undef DrawText
#undef ExtTextOut
#undef ExtractIcon

namespace drawing {

// The "no colour" value of the optional colour arguments.
constexpr uint32_t kNoColor = 0xFFFFFFFF;

// A picture as PaintPicture takes it: its type, its handle and its size in HiMetric. The run-time's pictures
// hold bitmaps and icons; metafiles come as bare handles, which stay the caller's.
struct PictureDesc {
    enum Kind : int32_t { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, EnhMetafile = 4 };
    Kind Type = None;
    HANDLE Handle = nullptr;
    int32_t Width = 0; // HiMetric
    int32_t Height = 0;

    static PictureDesc Of(const rt::Picture& picture);
    // A Windows metafile has no size of its own: it is given, as in a METAFILEPICT.
    static PictureDesc Of(HMETAFILE metafile, int32_t widthHiMetric, int32_t heightHiMetric);
    // An enhanced metafile's size is its frame.
    static PictureDesc Of(HENHMETAFILE metafile);
};

class cMemDC {
  public:
    cMemDC() = default;
    ~cMemDC();
    cMemDC(const cMemDC&) = delete;
    cMemDC& operator=(const cMemDC&) = delete;

    // Creation and lifetime. A parent of 0 is the screen, used only while the surface is made. With
    // hMemoryDC the surface draws into that DC, which stays the caller's; otherwise it gets a DC and a
    // bitmap of its own. A given parent lends the surface its colours, background mode and font.
    HDC Init(int32_t PixelWidth, int32_t PixelHeight, HDC hParentDC = nullptr, HDC hMemoryDC = nullptr);
    void Destroy();
    // Puts the DC's previous bitmap back and hands the surface's bitmap to the caller; hNewBitmap, when
    // given, is selected in its place and owned by the surface from then on. A surface that is not created
    // changes nothing and gives hNewBitmap back.
    rt::UniqueBitmap DetachBitmap(rt::UniqueBitmap hNewBitmap);

    HDC hdc() const { return m_hDC; }
    int32_t Width() const { return m_Width; }
    int32_t Height() const { return m_Height; }
    bool IsCreated() const { return m_hDC != nullptr; }
    bool IsMemoryDC() const { return static_cast<bool>(m_hBmp); }

    uint32_t BackColor() const;
    void BackColor(uint32_t clr);
    uint32_t ForeColor() const;
    void ForeColor(uint32_t clr);
    int32_t BackStyle() const;
    void BackStyle(int32_t mode);
    int32_t DrawMode() const;
    void DrawMode(int32_t rop2);

    // Selection and ownership. A brush or pen handed over here is the surface's from then on: it is deleted
    // when it is replaced, when 0 restores the DC's previous one, and by Destroy. The dot brush stays the
    // surface's own and is never deleted through Brush.
    HBRUSH Brush() const { return m_Brush.handle; }
    void Brush(HBRUSH lValue);
    HPEN Pen() const { return m_Pen.handle; }
    void Pen(HPEN lValue);
    // A font object of the current font; works on a surface that is not created too (the default object).
    StdFont Font() const;
    void Font(const StdFont& oValue);
    // The menu or icon-title font of the system, as a font object.
    static StdFont SystemMenuFont();
    static StdFont SystemIconFont();

    // Copies. An hdcDest or hdcSrc of 0 is the parent DC; an nWidth or nHeight of 0 the surface's size.
    void BitBlt(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight, int32_t xSrc = 0,
                int32_t ySrc = 0, DWORD dwRop = SRCCOPY) const;
    void LoadBlt(HDC hdcSrc, int32_t xSrc, int32_t ySrc, int32_t xDest, int32_t yDest, int32_t nWidth,
                 int32_t nHeight, DWORD dwRop = SRCCOPY) const;
    void StretchBlt(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight, int32_t xSrc,
                    int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight, DWORD dwRop = SRCCOPY) const;
    // aBits is a bottom-up 24-bpp image of nWidth × nHeight with rows padded to four bytes; too few bytes
    // draw nothing.
    void SetDIBits(int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight,
                   const std::vector<uint8_t>& aBits, DWORD dwRop = SRCCOPY) const;
    // The surface pixels other than the key colour replace the destination's.
    void TransBlt(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight, int32_t xSrc,
                  int32_t ySrc, uint32_t clrMask) const;
    // The embossed copy: the dark surface pixels (not clrMask) drawn in clrHighlight one pixel right and
    // down, then in clrShadow in place, over the untouched destination.
    void DisabledBlt(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight, int32_t xSrc,
                     int32_t ySrc, uint32_t clrMask, uint32_t clrHighlight, uint32_t clrShadow) const;

    // Pixels: COLORREF values as GetPixel gives them (CLR_INVALID outside).
    uint32_t GetPixel(int32_t X, int32_t Y) const;
    void SetPixel(int32_t X, int32_t Y, uint32_t clrColor) const;

    // Shapes. clrFill/clrOutline of kNoColor fall back to the handle argument. FillRect, FrameRect and Cls
    // leave the handle the caller's; Rectangle, DrawEllipse and DrawLine hand theirs to Brush and Pen.
    void FillRect(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFill,
                  HBRUSH hbrFill = nullptr) const;
    void FrameRect(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFill,
                   HBRUSH hbrFill = nullptr) const;
    void Rectangle(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFill,
                   HBRUSH hbrFill = nullptr, uint32_t clrOutline = kNoColor, HPEN hpnOutline = nullptr);
    void DrawEllipse(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrOutline,
                     HPEN hpnOutline = nullptr);
    // An X1 below 0 continues from the current position.
    void DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, uint32_t clrLine, HPEN hpnLine = nullptr);
    void DrawEdge(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, UINT edge, UINT Flags) const;
    void DrawFrameControl(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, UINT Type_,
                          UINT Flags) const;
    void FillGradient(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFirst,
                      uint32_t clrSecond, bool bVertical) const;
    void Cls(uint32_t clrFill, HBRUSH hbrFill = nullptr) const;
    // An 8 × 8 checkerboard of single pixels, made once and kept.
    HBRUSH DotBrush();

    // Text, through the wide functions. DrawText leaves the rectangle as the call leaves it.
    int32_t DrawText(std::wstring_view Text, int32_t& LeftX, int32_t& TopY, int32_t& RightX, int32_t& BottomY,
                     UINT dtFlags) const;
    void ExtTextOut(std::wstring_view Text, int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY,
                    int32_t xOffset, int32_t yOffset, UINT etoFlags) const;
    int32_t TextWidth(std::wstring_view sText) const;
    int32_t TextHeight(std::wstring_view sText) const;
    int32_t FontHeight() const;

    // Clipping: LeftX ≥ 0 clips to the rectangle, in the surface's logical coordinates; below 0 removes it.
    void SetClipRect(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY) const;
    static void NormalizeRect(int32_t& LeftX, int32_t& TopY, int32_t& RightX, int32_t& BottomY);

    // New objects the caller owns.
    rt::UniqueBrush CreateBrush(uint32_t clrFill, UINT lStyle = BS_SOLID, ULONG_PTR lHatch = 0) const;
    rt::UniquePen CreatePen(uint32_t clrOutline, int lStyle = PS_SOLID, int lWidth = 1) const;
    // An OLE colour as 0x00BBGGRR against the surface's palette; kNoColor passes through, and a colour that
    // does not translate gives black.
    uint32_t TranslateColor(uint32_t clr) const;

    // Pictures. A surface that is not created is made to the picture's size first; nWidth or nHeight 0 take
    // the picture's. Bitmaps copy with dwRop, or colour-keyed when clrMask is not kNoColor.
    void PaintPicture(const PictureDesc& oPic, int32_t xDest = 0, int32_t yDest = 0, int32_t nWidth = 0,
                      int32_t nHeight = 0, int32_t xSrc = 0, int32_t ySrc = 0, DWORD dwRop = SRCCOPY,
                      uint32_t clrMask = kNoColor);
    void PaintPicture(const rt::Picture& oPic, int32_t xDest = 0, int32_t yDest = 0, int32_t nWidth = 0,
                      int32_t nHeight = 0, int32_t xSrc = 0, int32_t ySrc = 0, DWORD dwRop = SRCCOPY,
                      uint32_t clrMask = kNoColor);
    void PaintBitmap(HBITMAP hBmp, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight,
                     int32_t xSrc = 0, int32_t ySrc = 0, DWORD dwRop = SRCCOPY, uint32_t clrMask = kNoColor);
    void PaintDisabledPicture(const PictureDesc& oPic, int32_t xDest, int32_t yDest, int32_t nWidth,
                              int32_t nHeight, int32_t xSrc, int32_t ySrc, uint32_t clrMask,
                              uint32_t clrHighlight, uint32_t clrShadow);
    void PaintDisabledPicture(const rt::Picture& oPic, int32_t xDest, int32_t yDest, int32_t nWidth,
                              int32_t nHeight, int32_t xSrc, int32_t ySrc, uint32_t clrMask,
                              uint32_t clrHighlight, uint32_t clrShadow);

    // A copy of the whole surface as a bitmap picture; null when not created.
    rt::Picture Image() const;
    // An icon of the whole surface in which pixels of exactly clrMask (a COLORREF, not translated) are
    // transparent.
    rt::Picture ExtractIcon(uint32_t clrMask) const;
    // The picture owns the handle from then on. A bitmap picture keeps no palette.
    static rt::Picture BitmapToPicture(rt::UniqueBitmap hBmp, HPALETTE hPal = nullptr);
    static rt::Picture IconToPicture(rt::UniqueIcon hIcon);

  private:
    // A brush or pen handed to the surface: the one selected, the part the surface owns (all of it but the
    // dot brush) and the DC's own object from before the first assignment.
    template <class H, class Owner> struct Held {
        H handle = nullptr;
        Owner owned;
        HGDIOBJ previous = nullptr;
    };
    template <class H, class Owner> void pvAssign(Held<H, Owner>& held, H lValue, H neverOwned);

    HDC DestOr(HDC hdc) const { return hdc ? hdc : m_hParentDC; }
    int32_t WidthOr(int32_t n) const { return n ? n : m_Width; }
    int32_t HeightOr(int32_t n) const { return n ? n : m_Height; }
    enum class Fill { Area, Frame };
    void pvFill(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFill,
                HBRUSH hbrFill, Fill what) const;
    void pvSystemPalette(HDC parent);
    void pvCopyParent(HDC parent);
    void pvSetFont(const LOGFONTW& lf);
    void pvDisabledCopy(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t w, int32_t h, HDC src,
                        int32_t xSrc, int32_t ySrc, uint32_t clrMask, uint32_t clrHighlight,
                        uint32_t clrShadow) const;

    HDC m_hDC = nullptr;
    rt::UniqueDC m_ownDC; // empty when the surface draws into the caller's DC
    int32_t m_Width = 0;
    int32_t m_Height = 0;
    HDC m_hParentDC = nullptr;
    rt::UniqueBitmap m_hBmp;
    HGDIOBJ m_hBmpOld = nullptr;
    rt::UniquePalette m_hPal;
    HPALETTE m_hPalOld = nullptr;
    rt::UniqueFont m_hFont;
    HGDIOBJ m_hFontOld = nullptr;
    Held<HBRUSH, rt::UniqueBrush> m_Brush;
    Held<HPEN, rt::UniquePen> m_Pen;
    HBRUSH m_hDotBrush = nullptr;
    rt::UniqueBrush m_ownDotBrush; // empty when the dot brush is the stock fallback
};

} // namespace drawing
