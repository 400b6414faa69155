#include "shell/UButton.h"

#include <utility>

#include "runtime/Handles.h"
#include "runtime/RtError.h"

namespace viewer {
namespace {

// The focus cue, in the skin's caption-text colour.
constexpr COLORREF kFocusCue = RGB(220, 220, 220);

// Every button shows the same pointer; it lives as long as the process.
HCURSOR HandCursor() {
    static const rt::UniqueCursor cursor = rt::CreateHandCursor();
    return cursor.get();
}

// A failed redraw step is ignored and the next one runs.
template <class F> void Step(F&& fn) {
    rt::Trap(std::forward<F>(fn));
}

// A missing key, or one that does not hold a picture name, leaves the current picture.
void ReadPictureKey(const rt::PropertyBag& bag, const wchar_t* key, rt::Picture& picture) {
    if (!bag.Contains(key)) return;
    rt::Trap([&] { picture = rt::PictureFromRef(bag.ReadPicture(key, {})); });
}

} // namespace

UButton::UButton() {
    pic1.SetBorderStyle(rt::BorderStyle::None);
    pic1.SetAutoSize(true);
    pic1.SetMouseIcon(HandCursor());
    pic1.MouseDown = [this](int b, int s, float x, float y) { pic1_MouseDown(b, s, x, y); };
    pic1.MouseMove = [this](int b, int s, float x, float y) { pic1_MouseMove(b, s, x, y); };
    pic1.Click = [this] { pic1_Click(); };
    pic1.Paint = [this](HDC dc) { pvDrawFocusCue(dc); };
    SetTabStop(true);
}

void UButton::SetPicture(rt::Picture picture) {
    m_Picture = std::move(picture);
    pvShow(m_Picture);
    PropertyChanged(L"Picture");
}

void UButton::SetPictureHover(rt::Picture picture) {
    m_PictureHover = std::move(picture);
    PropertyChanged(L"PictureHover");
}

void UButton::SetPictureEnabled(rt::Picture picture) {
    m_PictureEnabled = std::move(picture);
    PropertyChanged(L"PictureEnabled");
    drawpic();
}

void UButton::SetPictureClick(rt::Picture picture) {
    m_PictureClick = std::move(picture);
    PropertyChanged(L"PictureClick");
}

void UButton::SetEnabled(bool enabled) {
    m_Enabled = enabled;
    if (hWnd()) ::EnableWindow(hWnd(), enabled ? TRUE : FALSE);
    PropertyChanged(L"Enabled");
    drawpic();
}

void UButton::SetToolTipText(std::wstring text) {
    m_ToolTipText = std::move(text);
    pic1.SetToolTipText(m_ToolTipText);
    PropertyChanged(L"ToolTipText");
}

void UButton::drawpic() {
    if (!hWnd()) return;
    // Disabling the window would take the keyboard focus away from it.
    if (::GetFocus() != hWnd()) Step([this] { ::EnableWindow(hWnd(), FALSE); });
    // A copy: sizing the control redraws again from inside.
    const rt::Picture chosen = m_Enabled ? m_Picture : m_PictureEnabled;
    if (!chosen) {
        Step([this] { pic1.Move(0, 0, ScaleWidth(), ScaleHeight()); });
    } else if (!rt::SamePicture(pic1.Picture(), chosen)) {
        Step([&] { pic1.SetPicture(chosen); });
        Step([this] { pvSizeToPic1(); });
    }
    // Also for a disabled button: a disabled window would not get the mouse, and the button still clicks.
    Step([this] {
        if (hWnd()) ::EnableWindow(hWnd(), TRUE);
    });
}

void UButton::drawpic2() {
    if (m_PictureHover && !rt::SamePicture(pic1.Picture(), m_PictureHover)) pvShowState(m_PictureHover);
}

void UButton::pvShow(const rt::Picture& picture) {
    pic1.SetPicture(picture);
    pvSizeToPic1();
}

void UButton::pvShowState(const rt::Picture& picture) {
    // The resize this causes must not redraw: that would put the normal picture straight back.
    const bool wasInStateResize = std::exchange(m_InStateResize, true);
    pvShow(picture);
    m_InStateResize = wasInStateResize;
}

void UButton::pvSizeToPic1() {
    if (!hWnd() || !pic1.hWnd()) return;
    const int width = pic1.Width();
    const int height = pic1.Height();
    if (width != Width() || height != Height()) Move(Left(), Top(), width, height);
}

void UButton::UserControl_Initialize() {
    Add(pic1, L"pic1", 0, 0, ScaleWidth(), ScaleHeight());
    // A picture given before the button was placed is shown at its size now.
    if (pic1.Picture()) pvSizeToPic1();
}

void UButton::UserControl_ReadProperties(rt::PropertyBag& PropBag) {
    ReadPictureKey(PropBag, L"Picture", m_Picture);
    ReadPictureKey(PropBag, L"PictureHover", m_PictureHover);
    ReadPictureKey(PropBag, L"PictureEnabled", m_PictureEnabled);
    ReadPictureKey(PropBag, L"PictureClick", m_PictureClick);
    bool enabled = m_Enabled;
    rt::Trap([&] { enabled = PropBag.ReadBool(L"Enabled", enabled); });
    SetEnabled(enabled);
    std::wstring tip = m_ToolTipText;
    rt::Trap([&] { tip = PropBag.ReadText(L"ToolTipText", tip); });
    SetToolTipText(std::move(tip));
    drawpic();
}

void UButton::UserControl_WriteProperties(rt::PropertyBag& PropBag) {
    PropBag.WritePicture(L"Picture", rt::RefOf(m_Picture), {});
    PropBag.WritePicture(L"PictureHover", rt::RefOf(m_PictureHover), {});
    PropBag.WriteBool(L"Enabled", m_Enabled, true);
    PropBag.WriteText(L"ToolTipText", m_ToolTipText, L"");
    PropBag.WritePicture(L"PictureEnabled", rt::RefOf(m_PictureEnabled), {});
    PropBag.WritePicture(L"PictureClick", rt::RefOf(m_PictureClick), {});
}

void UButton::UserControl_Resize() {
    if (!m_InStateResize) drawpic();
}

void UButton::pic1_MouseDown(int, int, float, float) {
    if (m_PictureClick) pvShowState(m_PictureClick);
}

void UButton::pic1_MouseMove(int Button, int, float X, float Y) {
    HWND inner = pic1.hWnd();
    if (Button == 0 && inner) {
        if (m_Enabled) {
            const bool inside = X >= 0 && Y >= 0 && X < pic1.ScaleWidth() && Y < pic1.ScaleHeight();
            if (inside) {
                // Holding the capture lets the first move outside arrive here and restore the picture.
                if (::GetCapture() != inner) ::SetCapture(inner);
                drawpic2();
            } else {
                if (::GetCapture() == inner) ::ReleaseCapture();
                drawpic();
            }
        } else if (::GetCapture() == inner) {
            ::ReleaseCapture();
        }
    }
    RaiseEvent(MouseMove);
}

void UButton::pic1_Click() {
    drawpic();
    RaiseEvent(Click);
}

long UButton::AccessibleState() const {
    const rt::Picture& shown = pic1.Picture();
    long state = m_Enabled ? 0 : STATE_SYSTEM_UNAVAILABLE;
    if (m_PictureHover && rt::SamePicture(shown, m_PictureHover)) state |= STATE_SYSTEM_HOTTRACKED;
    if (m_PictureClick && rt::SamePicture(shown, m_PictureClick)) state |= STATE_SYSTEM_PRESSED;
    return state;
}

LRESULT UButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE:
        // A push button: the form presses it with BM_CLICK on Enter and moves on with Tab and the arrows.
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BM_CLICK:
        pic1_Click();
        return 0;
    case WM_KEYDOWN:
        // Space shows the pressed picture, and its release presses the button, as the system's buttons do.
        if (wParam == VK_SPACE && !(lParam & (1 << 30))) {
            spaceDown_ = true;
            if (m_PictureClick) pvShowState(m_PictureClick);
        }
        break;
    case WM_KEYUP:
        if (wParam == VK_SPACE && std::exchange(spaceDown_, false)) pic1_Click();
        break;
    case WM_KILLFOCUS:
        spaceDown_ = false;
        [[fallthrough]];
    case WM_SETFOCUS:
        if (pic1.hWnd()) ::InvalidateRect(pic1.hWnd(), nullptr, FALSE);
        break;
    case WM_UPDATEUISTATE: {
        // The system keeps the state and passes it on; the cue follows it.
        const LRESULT result = UserControl::WindowProc(msg, wParam, lParam);
        if (pic1.hWnd() && ::GetFocus() == hWnd()) ::InvalidateRect(pic1.hWnd(), nullptr, FALSE);
        return result;
    }
    default:
        break;
    }
    return UserControl::WindowProc(msg, wParam, lParam);
}

void UButton::pvDrawFocusCue(HDC dc) const {
    if (!hWnd() || ::GetFocus() != hWnd() || (::SendMessageW(hWnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS))
        return;
    // Around the picture box, where the picture is painted and the mouse is taken.
    RECT r{};
    ::GetClientRect(pic1.hWnd(), &r);
    ::SetDCBrushColor(dc, kFocusCue);
    ::FrameRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

} // namespace viewer
