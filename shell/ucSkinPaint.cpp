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

// One message for a caption that fits a line, two only for a longer one: this runs on every paint.
std::wstring WindowText(HWND wnd) {
    wchar_t line[256];
    const int got = ::GetWindowTextW(wnd, line, static_cast<int>(std::size(line)));
    if (got >= 0 && got + 1 < static_cast<int>(std::size(line)))
        return std::wstring(line, static_cast<size_t>(got));
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
        // Both sides from one query; the control's own getters ask the system several times each.
        RECT client{};
        if (!::GetClientRect(hWnd(), &client)) return;
        SkinFrameLook look;
        look.w = client.right;
        look.h = client.bottom;
        if (!frames_.Ensure(look.w, look.h) || !pvCaptionFont()) return;
        look.background = rt::ToColorRef(BackColor());
        look.active = active;
        look.maximized = pvParentMaximized();
        look.topMost = topMost_;
        if (const HICON formIcon = pvParentIcon(); drawIcon_ && formIcon) {
            look.icon = reinterpret_cast<HICON>(::SendMessageW(parent_, WM_GETICON, ICON_SMALL, 0));
            if (!look.icon) look.icon = formIcon;
        }
        look.caption = WindowText(parent_);
        look.face = captionFace_;
        look.buttons = ResetButtonStates(flags_.minBox, flags_.maxBox, menuButton_, topMostButton_);

        const SkinFrameCache::Holds holds = frames_.Select(look);
        if (holds == SkinFrameCache::Holds::Buttons) {
            pvResetButtons(frames_.dc());
        } else if (holds != SkinFrameCache::Holds::Picture &&
                   !pvComposeFrame(look, holds == SkinFrameCache::Holds::Background)) {
            frames_.Discard();
            return;
        }
        for (int i = 0; i < kButtonCount; ++i)
            if (const int16_t s = look.buttons[static_cast<size_t>(i)]; s != kNotDrawn)
                buttonState_[static_cast<size_t>(i)] = s;
        pvShowArea(RECT{0, 0, look.w, look.h}, Show::Now);
    });
}

bool ucSkin::pvComposeFrame(const SkinFrameLook& look, bool rimOnly) {
    const int32_t w = look.w, h = look.h, stripHeight = scale_(kCaptionStripHeight);
    if (!strip_.Ensure(w, stripHeight)) return false;
    strip_.SelectFont(captionFont_.get());
    HDC control = frames_.dc();
    {
        HDC strip = strip_.dc();
        pvClearBackground(control, look, rimOnly);
        if (!pvCaptionBase(w, look.icon)) return false;
        ::BitBlt(strip, 0, 0, w, stripHeight, base_.dc(), 0, 0, SRCCOPY);
        pvResetButtons(strip);

        ::SetBkMode(strip, TRANSPARENT);
        ::SetTextColor(strip, look.active ? kTextActive : kTextInactive);
        const CaptionTextBox box = ComputeCaptionTextBox(w, look.icon != nullptr, scale_);
        skin_.pDrawText(strip, look.caption, box.iconOffset, scale_(kButtonTop), box.textWidth, stripHeight,
                        0);
        ::BitBlt(control, 0, 0, w, stripHeight, strip, 0, 0, SRCCOPY);
    }
    const DcPen pen(control);
    if (!look.maximized) {
        const int32_t corner = scale_(kOutlineCorner);
        pen.Outline(look.active ? kOuterActive : kOuterInactive, Rect{0, 0, w, h}, corner);
        pen.Outline(look.active ? kInnerActive : kInnerInactive, Rect{1, 1, w - 1, h - 1}, corner);
    }
    pen.Outline(kOpeningFrame, OpeningFrameRect(w, h, scale_), 0);
    return true;
}

void ucSkin::pvClearBackground(HDC dc, const SkinFrameLook& look, bool rimOnly) {
    const int32_t w = look.w, h = look.h;
    const DcBrush brush(dc, look.background);
    // Nothing draws inside the opening, so once it holds the background only the frame around it needs
    // clearing again, below the caption strip that covers the top.
    if (!rimOnly) {
        brush.Fill(0, 0, w, h);
        return;
    }
    const int32_t caption = SizeCaption(), bottom = SizeBottom(), left = SizeLBorder(), right = SizeRBorder();
    const int32_t strip = scale_(kCaptionStripHeight);
    const int32_t side = h - caption - bottom;
    brush.Fill(0, strip, w, caption - strip);
    brush.Fill(0, h - bottom, w, bottom);
    brush.Fill(0, caption, left, side);
    brush.Fill(w - right, caption, right, side);
}

bool ucSkin::pvCaptionBase(int32_t w, HICON icon) {
    const Scale& s = scale_;
    if (!base_.Ensure(w, s(kCaptionStripHeight))) return false;
    const CaptionBase now{base_.Allocations(), w, icon};
    if (now == baseOf_) return true;
    // The strip's start, black, with the caption background stretched across and the icon on it. An
    // icon handle names one unchanging image, so this is drawn again only for another width or icon.
    HDC dc = base_.dc();
    ::PatBlt(dc, 0, 0, w, s(kCaptionStripHeight), BLACKNESS);
    // The skin picture is scaled cell by cell: its caption band starts below the scaled cells and is as
    // wide as they are.
    const int32_t cell = s(kButtonSize);
    skin_.StretchDraw(dc, s(kCaptionSrcX), kCaptionSrcY / kButtonSize * cell,
                      kCaptionSrcW / kButtonSize * cell, s(kCaptionSrcH), s(1), s(2), w - s(2),
                      s(kCaptionSrcH));
    if (icon) ::DrawIconEx(dc, s(3), s(3), icon, s(16), s(16), 0, nullptr, DI_NORMAL);
    baseOf_ = now;
    return true;
}

bool ucSkin::pvCaptionFont() {
    const std::wstring& face = FontName();
    if (captionFont_ && face == captionFace_) return true;
    // Out of the strip's DC before it goes.
    strip_.SelectFont(nullptr);
    captionFont_.reset(::CreateFontW(scale_(12), scale_(6), 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                     0, 0, 0, FF_MODERN | DEFAULT_PITCH, face.c_str()));
    captionFace_ = face;
    return static_cast<bool>(captionFont_);
}

void ucSkin::pvPaintDesignLook() {
    rt::Trap([&] {
        SkinFrameLook look;
        look.w = ScaleWidth();
        look.h = ScaleHeight();
        look.design = true;
        if (!frames_.Ensure(look.w, look.h)) return;
        // Drawn whole every time: the box shows properties the look does not name.
        frames_.Select(look);
        const int32_t w = look.w, h = look.h;
        HDC dc = frames_.dc();
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
        pvShowArea(RECT{0, 0, w, h}, Show::Later);
    });
}

RECT ucSkin::pvButtonRect(int index) const {
    const SkinHitArea& area = imgBt_[static_cast<size_t>(index)];
    return RECT{area.Left(), area.Top(), area.Left() + scale_(kButtonSize), area.Top() + scale_(kButtonSize)};
}

bool ucSkin::pvDrawButton(HDC target, int index, int16_t state, Redraw redraw) {
    if (!pvStarted() || !target || pvParentMinimized()) return false;
    int16_t& cached = buttonState_[static_cast<size_t>(index)];
    if (state == cached && redraw == Redraw::IfChanged) return false;
    const Point cell = ButtonSourceCell(index, state, pvParentMaximized(), topMost_, scale_);
    const RECT at = pvButtonRect(index);
    skin_.Draw(target, cell.x, cell.y, at.right - at.left, at.bottom - at.top, at.left, at.top, false);
    cached = state;
    return true;
}

void ucSkin::pvDrawButtonOnControl(int index, int16_t state, ButtonDraw how) {
    if (!pvDrawButton(frames_.dc(), index, state, how.redraw)) return;
    SkinFrameLook& shown = *frames_.Current();
    shown.buttons[static_cast<size_t>(index)] = state;
    if (index == kTopMostButton) shown.topMost = topMost_;
    pvShowArea(pvButtonRect(index), how.show);
}

void ucSkin::pvResetButtons(HDC target) {
    const auto states = ResetButtonStates(flags_.minBox, flags_.maxBox, menuButton_, topMostButton_);
    for (int i = 0; i < kButtonCount; ++i) {
        const int16_t s = states[static_cast<size_t>(i)];
        if (s != kNotDrawn) pvDrawButton(target, i, s, Redraw::Always);
    }
}

void ucSkin::pvResetButtonsOnControl(ButtonDraw how) {
    const auto states = ResetButtonStates(flags_.minBox, flags_.maxBox, menuButton_, topMostButton_);
    for (int i = 0; i < kButtonCount; ++i) {
        const int16_t s = states[static_cast<size_t>(i)];
        if (s != kNotDrawn) pvDrawButtonOnControl(i, s, how);
    }
}

void ucSkin::pvShowArea(const RECT& area, Show when) {
    if (!hWnd()) return;
    if (when == Show::Later) {
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
    frames_.CopyTo(dc.get(), area, POINT{area.left, area.top});
}

bool ucSkin::pvIsHitArea(const rt::Control* control) const {
    for (const SkinHitArea& area : imgBt_)
        if (&area == control) return true;
    return false;
}

} // namespace viewer
