#pragma once
// A form hosting the skin frame the way the main window does, with a procedure that records the
// non-client button presses and menu traffic instead of running the system's modal loops, and
// helpers that read pixels back from the frame.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "resources/resource_names.h"
#include "runtime/Form.h"
#include "runtime/Picture.h"
#include "runtime/PropertyBag.h"
#include "runtime/UserControl.h"
#include "shell/ucSkin.h"
#include "tests/support/MenuCloser.h"
#include "tests/support/MessagePump.h"
#include "tests/support/TestCanvas.h"

namespace skintest {

using testsupport::Pump;

// The stored properties of the viewer's ucSkin1.
// What the window answers to WM_GETMINMAXINFO.
inline MINMAXINFO AskMinMax(HWND wnd) {
    MINMAXINFO mmi{};
    mmi.ptMinTrackSize = POINT{1, 1};
    ::SendMessageW(wnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    return mmi;
}

inline rt::PropertyBag MainWindowBag() {
    rt::PropertyBag bag;
    bag.WriteBool(L"DrawIcon", true, false);
    bag.WriteInt32(L"MinWidth", 0, -1);
    bag.WriteInt32(L"MinHeight", 0, -1);
    bag.WriteBool(L"DrawBorder", true, false);
    bag.WriteBool(L"MenuButton", true, false);
    bag.WriteBool(L"TopMostButton", true, false);
    return bag;
}

// A user control that reports its Terminate: placed before the skin, it terminates after it while every
// window still exists.
class TerminateProbe : public rt::UserControl {
  public:
    std::function<void()> onTerminate;

  protected:
    void UserControl_Terminate() override {
        if (onTerminate) onTerminate();
    }
};

class SkinForm : public rt::Form {
  public:
    explicit SkinForm(rt::PropertyBag bag = MainWindowBag()) : bag_(std::move(bag)) {
        SetCaption(L"皮肤测试窗口");
        SetClientSize(400, 300);
        SetIconResource(MAKEINTRESOURCEW(PELMOR_IDI_APP));
    }

    viewer::ucSkin skin;
    TerminateProbe probe;
    bool withProbe = false;
    // Null stores: the control is placed as if newly placed.
    bool noStoredProperties = false;

    // The properties the next Load reads.
    void SetStored(rt::PropertyBag bag) { bag_ = std::move(bag); }

    std::vector<WPARAM> ncButtonDowns;
    std::vector<WPARAM> sysCommands;
    int menuLoops = 0;
    // Where each z-order change asked the form to go (HWND_TOPMOST, HWND_NOTOPMOST, ...).
    std::vector<HWND> zOrderRequests;

  protected:
    void CreateControls() override {
        if (withProbe) AddUserControl(probe, L"probe", 0, 0, 1, 1, nullptr);
        AddUserControl(skin, L"ucSkin1", 0, 0, 90, 24, noStoredProperties ? nullptr : &bag_);
    }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_NCLBUTTONDOWN:
            // The system's move/size loop would wait for real input; the code is what matters here.
            ncButtonDowns.push_back(wParam);
            return 0;
        case WM_SYSCOMMAND:
            sysCommands.push_back(wParam);
            if (wParam == 0) return 0;
            break;
        case WM_WINDOWPOSCHANGING: {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (pos && !(pos->flags & SWP_NOZORDER)) zOrderRequests.push_back(pos->hwndInsertAfter);
            break;
        }
        case WM_ENTERMENULOOP:
            ++menuLoops;
            break;
        default:
            break;
        }
        return Form::WindowProc(msg, wParam, lParam);
    }

  private:
    rt::PropertyBag bag_;
};

// A copy of pixels, top row first, read as RGB.
class Pixels {
  public:
    Pixels() = default;
    Pixels(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * static_cast<size_t>(h)) {}
    int Width() const { return w_; }
    int Height() const { return h_; }
    COLORREF At(int x, int y) const {
        const uint32_t v = px_.at(static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x));
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    bool operator==(const Pixels& o) const { return w_ == o.w_ && h_ == o.h_ && px_ == o.px_; }

    // Runs `draw` on a w × h test canvas and keeps the result.
    static Pixels Capture(int w, int h, const std::function<void(HDC)>& draw) {
        testsupport::TestCanvas canvas(w, h, 0);
        draw(canvas.dc());
        Pixels out(w, h);
        out.px_ = canvas.Rgbs();
        return out;
    }

  private:
    int w_ = 0;
    int h_ = 0;
    std::vector<uint32_t> px_;
};

// What the frame last painted (its back buffer), through WM_PRINTCLIENT.
inline Pixels Painted(HWND control, int w, int h) {
    return Pixels::Capture(w, h, [&](HDC dc) {
        ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

inline Pixels Painted(const viewer::ucSkin& skin) {
    return Painted(skin.hWnd(), skin.Width(), skin.Height());
}

// What the window shows on the screen.
inline Pixels OnScreen(HWND wnd) {
    RECT r{};
    ::GetClientRect(wnd, &r);
    return Pixels::Capture(r.right, r.bottom, [&](HDC dc) {
        rt::WindowDC src(wnd);
        ::BitBlt(dc, 0, 0, r.right, r.bottom, src.get(), 0, 0, SRCCOPY);
    });
}

// The skin bitmap as the program's resources hold it.
inline const Pixels& SkinBitmap() {
    static const Pixels skin = [] {
        rt::Picture pic = rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Bitmap);
        return Pixels::Capture(PELMOR_SKIN_W, PELMOR_SKIN_H, [&](HDC dc) {
            if (!pic) return;
            rt::UniqueDC src(::CreateCompatibleDC(dc));
            rt::SelectGuard use(src.get(), pic->Bitmap());
            ::BitBlt(dc, 0, 0, PELMOR_SKIN_W, PELMOR_SKIN_H, src.get(), 0, 0, SRCCOPY);
        });
    }();
    return skin;
}

// The 11 × 11 block at (x, y) of `shot` equals the skin cell at (sx, sy).
inline ::testing::AssertionResult ShowsCell(const Pixels& shot, int x, int y, int sx, int sy) {
    const Pixels& skin = SkinBitmap();
    for (int dy = 0; dy < 11; ++dy)
        for (int dx = 0; dx < 11; ++dx)
            if (shot.At(x + dx, y + dy) != skin.At(sx + dx, sy + dy))
                return ::testing::AssertionFailure()
                       << "pixel (" << x + dx << "," << y + dy << ") is 0x" << std::hex
                       << shot.At(x + dx, y + dy) << ", skin cell (" << std::dec << sx << "," << sy
                       << ") has 0x" << std::hex << skin.At(sx + dx, sy + dy);
    return ::testing::AssertionSuccess();
}

// The 11 × 11 block at (x, y) shows only the caption background (no glyph).
inline ::testing::AssertionResult ShowsCaptionBackground(const Pixels& shot, int x, int y) {
    const Pixels& skin = SkinBitmap();
    for (int dy = 0; dy < 11; ++dy)
        for (int dx = 0; dx < 11; ++dx) {
            // The strip is stretched only across: row r of the control shows row 44 + r - 2 of the skin.
            const COLORREF want = skin.At(0, PELMOR_SKIN_CAPTION_Y + y + dy - 2);
            if (shot.At(x + dx, y + dy) != want)
                return ::testing::AssertionFailure()
                       << "pixel (" << x + dx << "," << y + dy << ") is 0x" << std::hex
                       << shot.At(x + dx, y + dy) << ", background 0x" << want;
        }
    return ::testing::AssertionSuccess();
}

// Loads and shows a skin form and pumps until the frame is laid out.
inline void ShowForm(SkinForm& form) {
    form.Show(SW_SHOWNORMAL);
    Pump();
}

inline LRESULT SendMouse(HWND wnd, UINT msg, int x, int y, WPARAM keys = 0) {
    return ::SendMessageW(wnd, msg, keys, MAKELPARAM(x, y));
}

// Clicks a window with the left button through messages only.
inline void Click(HWND wnd, int x = 5, int y = 5) {
    SendMouse(wnd, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    SendMouse(wnd, WM_LBUTTONUP, x, y);
}

using testsupport::MenuCloser;

} // namespace skintest
