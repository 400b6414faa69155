// How the skin frame control paints: the frame into its off-screen buffer, the caption buttons, the
// design-time look, and the copy to the screen.
#include "shell/ucSkin.h"

#include <string>

#include "runtime/Checked.h"
#include "runtime/Form.h"
#include "runtime/OleColor.h"

namespace viewer {

using namespace skin;

namespace {

// The skin bitmap's caption background.
constexpr int32_t kCaptionSrcX = 0;
constexpr int32_t kCaptionSrcY = 44;
constexpr int32_t kCaptionSrcW = 77;
constexpr int32_t kCaptionSrcH = 21;

constexpr COLORREF kTextActive = RGB(220, 220, 220);
constexpr COLORREF kTextInactive = RGB(191, 190, 190);
constexpr COLORREF kOuterActive = RGB(0, 0, 0);
constexpr COLORREF kOuterInactive = RGB(73, 73, 75);
constexpr COLORREF kInnerActive = RGB(139, 139, 136);
constexpr COLORREF kInnerInactive = RGB(121, 121, 125);
constexpr COLORREF kOpeningFrame = RGB(57, 57, 51);
constexpr COLORREF kDesignFrame = RGB(59, 90, 130);

std::wstring WindowText(HWND wnd) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Outlines in the DC's own pen with no fill, and areas in its own brush: nothing is created per paint.
class DcPen {
  public:
    explicit DcPen(HDC dc)
        : dc_(dc), pen_(dc, ::GetStockObject(DC_PEN)), noFill_(dc, ::GetStockObject(NULL_BRUSH)) {}
    void Outline(COLORREF colour, const Rect& r, int32_t corner) const {
        ::SetDCPenColor(dc_, colour);
        if (corner > 0)
            ::RoundRect(dc_, r.left, r.top, r.right, r.bottom, corner, corner);
        else
            ::Rectangle(dc_, r.left, r.top, r.right, r.bottom);
    }

  private:
    HDC dc_;
    rt::SelectGuard pen_;
    rt::SelectGuard noFill_;
};

class DcBrush {
  public:
    DcBrush(HDC dc, COLORREF colour) : dc_(dc), brush_(dc, ::GetStockObject(DC_BRUSH)) {
        ::SetDCBrushColor(dc, colour);
    }
    void Fill(int32_t left, int32_t top, int32_t width, int32_t height) const {
        if (width > 0 && height > 0) ::PatBlt(dc_, left, top, width, height, PATCOPY);
    }

  private:
    HDC dc_;
    rt::SelectGuard brush_;
};

} // namespace

void ucSkin::pvPaint(bool active) {
    rt::Trap([&] {
        if (!pvStarted() || pvParentMinimized()) return;
        const int32_t w = ScaleWidth();
        const int32_t h = ScaleHeight();
        if (!back_.Ensure(w, h) || !strip_.Ensure(w, kCaptionStripHeight) || !pvCaptionFont()) return;
        strip_.SelectFont(captionFont_.get());
        HDC control = back_.dc();
        {
            HDC strip = strip_.dc();
            pvClearBackground(w, h);

            const HICON formIcon = pvParentIcon();
            const bool iconShown = drawIcon_ && formIcon;
            HICON icon = nullptr;
            if (iconShown) {
                icon = reinterpret_cast<HICON>(::SendMessageW(parent_, WM_GETICON, ICON_SMALL, 0));
                if (!icon) icon = formIcon;
            }
            if (!pvCaptionBase(w, icon)) return;
            ::BitBlt(strip, 0, 0, w, kCaptionStripHeight, base_.dc(), 0, 0, SRCCOPY);
            pvResetButtons(strip, true);

            ::SetBkMode(strip, TRANSPARENT);
            ::SetTextColor(strip, active ? kTextActive : kTextInactive);
            const CaptionTextBox box = ComputeCaptionTextBox(w, iconShown);
            skin_.pDrawText(strip, WindowText(parent_), box.iconOffset, kButtonTop, box.textWidth,
                            kCaptionStripHeight, 0);
            ::BitBlt(control, 0, 0, w, kCaptionStripHeight, strip, 0, 0, SRCCOPY);
        }
        {
            const DcPen pen(control);
            if (!pvParentMaximized()) {
                pen.Outline(active ? kOuterActive : kOuterInactive, Rect{0, 0, w, h}, kOutlineCorner);
                pen.Outline(active ? kInnerActive : kInnerInactive, Rect{1, 1, w - 1, h - 1}, kOutlineCorner);
            }
            pen.Outline(kOpeningFrame, OpeningFrameRect(w, h), 0);
        }
        pvShowArea(RECT{0, 0, w, h}, true);
    });
}

void ucSkin::pvClearBackground(int32_t w, int32_t h) {
    const COLORREF colour = rt::ToColorRef(BackColor());
    const DcBrush brush(back_.dc(), colour);
    const Cleared now{back_.Allocations(), w, h, colour};
    // Nothing draws inside the opening, so once it holds the background only the frame around it needs
    // clearing again, below the caption strip that covers the top; a new size, colour or bitmap clears
    // everything.
    if (now != cleared_) {
        brush.Fill(0, 0, w, h);
        cleared_ = now;
        return;
    }
    const int32_t side = h - kSizeCaption - kSizeBottom;
    brush.Fill(0, kCaptionStripHeight, w, kSizeCaption - kCaptionStripHeight);
    brush.Fill(0, h - kSizeBottom, w, kSizeBottom);
    brush.Fill(0, kSizeCaption, kSizeLBorder, side);
    brush.Fill(w - kSizeRBorder, kSizeCaption, kSizeRBorder, side);
}

bool ucSkin::pvCaptionBase(int32_t w, HICON icon) {
    if (!base_.Ensure(w, kCaptionStripHeight)) return false;
    const CaptionBase now{base_.Allocations(), w, icon};
    if (now == baseOf_) return true;
    // The strip's start, black, with the caption background stretched across and the icon on it. An
    // icon handle names one unchanging image, so this is drawn again only for another width or icon.
    HDC dc = base_.dc();
    ::PatBlt(dc, 0, 0, w, kCaptionStripHeight, BLACKNESS);
    skin_.StretchDraw(dc, kCaptionSrcX, kCaptionSrcY, kCaptionSrcW, kCaptionSrcH, 1, 2, w - 2, kCaptionSrcH);
    if (icon) ::DrawIconEx(dc, 3, 3, icon, 16, 16, 0, nullptr, DI_NORMAL);
    baseOf_ = now;
    return true;
}

bool ucSkin::pvCaptionFont() {
    const std::wstring& face = FontName();
    if (captionFont_ && face == captionFace_) return true;
    // Out of the strip's DC before it goes.
    strip_.SelectFont(nullptr);
    captionFont_.reset(::CreateFontW(12, 6, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0,
                                     FF_MODERN | DEFAULT_PITCH, face.c_str()));
    captionFace_ = face;
    return static_cast<bool>(captionFont_);
}

void ucSkin::pvPaintDesignLook() {
    rt::Trap([&] {
        const int32_t w = ScaleWidth();
        const int32_t h = ScaleHeight();
        if (!back_.Ensure(w, h)) return;
        cleared_ = Cleared{};
        HDC dc = back_.dc();
        {
            rt::UniqueBrush background(::CreateSolidBrush(rt::ToColorRef(BackColor())));
            const RECT all{0, 0, w, h};
            ::FillRect(dc, &all, background.get());
        }
        const auto& face = Font();
        rt::UniqueFont font(::CreateFontW(-rt::RoundToInt32(face.size * 96.0 / 72.0), 0, 0, 0,
                                          face.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                          DEFAULT_CHARSET, 0, 0, 0, 0, face.name.c_str()));
        {
            rt::SelectGuard useFont(dc, font.get());
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, rt::ToColorRef(ForeColor()));
            const std::wstring name = AmbientDisplayName();
            SIZE extent{};
            ::GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &extent);
            skin_.pDrawText(dc, name, 1, rt::IntDiv<int32_t>(h - extent.cy, 2), w - 2, h - 2, DT_CENTER);
        }
        DcPen(dc).Outline(kDesignFrame, Rect{0, 0, w - 1, h - 1}, 0);
        pvShowArea(RECT{0, 0, w, h}, false);
    });
}

RECT ucSkin::pvButtonRect(int index) const {
    const SkinHitArea& area = imgBt_[static_cast<size_t>(index)];
    return RECT{area.Left(), area.Top(), area.Left() + kButtonSize, area.Top() + kButtonSize};
}

bool ucSkin::pvDrawButton(HDC target, int index, int16_t state, bool force) {
    if (!pvStarted() || !target || pvParentMinimized()) return false;
    int16_t& cached = buttonState_[static_cast<size_t>(index)];
    if (state == cached && !force) return false;
    const Point cell = ButtonSourceCell(index, state, pvParentMaximized(), topMost_);
    const RECT at = pvButtonRect(index);
    skin_.Draw(target, cell.x, cell.y, kButtonSize, kButtonSize, at.left, at.top, false);
    cached = state;
    return true;
}

void ucSkin::pvDrawButtonOnControl(int index, int16_t state, bool force, bool refresh) {
    if (pvDrawButton(back_.dc(), index, state, force)) pvShowArea(pvButtonRect(index), refresh);
}

void ucSkin::pvResetButtons(HDC target, bool force) {
    const auto states = ResetButtonStates(flags_.minBox, flags_.maxBox, menuButton_, topMostButton_);
    for (int i = 0; i < kButtonCount; ++i) {
        const int16_t s = states[static_cast<size_t>(i)];
        if (s != kNotDrawn) pvDrawButton(target, i, s, force);
    }
}

void ucSkin::pvResetButtonsOnControl(bool force, bool refresh) {
    const auto states = ResetButtonStates(flags_.minBox, flags_.maxBox, menuButton_, topMostButton_);
    for (int i = 0; i < kButtonCount; ++i) {
        const int16_t s = states[static_cast<size_t>(i)];
        if (s != kNotDrawn) pvDrawButtonOnControl(i, s, force, refresh);
    }
}

void ucSkin::pvShowArea(const RECT& area, bool now) {
    if (!hWnd()) return;
    if (!now) {
        // The hit areas show the buffer too, so they are invalidated with the control.
        ::RedrawWindow(hWnd(), &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        return;
    }
    // Straight onto the screen rather than a repaint of the control and every child: the caption-button
    // hit areas show these very pixels, so the copy goes through them, and only the other controls on
    // the frame (the quote-source buttons) are kept out of it.
    rt::WindowDC dc(hWnd(), DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc) return;
    for (rt::Control* child : Controls()) {
        if (!child->hWnd() || !child->Visible() || pvIsHitArea(child)) continue;
        ::ExcludeClipRect(dc.get(), child->Left(), child->Top(), child->Left() + child->Width(),
                          child->Top() + child->Height());
    }
    back_.CopyTo(dc.get(), area, POINT{area.left, area.top});
}

bool ucSkin::pvIsHitArea(const rt::Control* control) const {
    for (const SkinHitArea& area : imgBt_)
        if (&area == control) return true;
    return false;
}

} // namespace viewer
