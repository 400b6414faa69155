#pragma once
// The skin frame control: placed on a form it covers the whole client area, draws a dark caption with
// the icon, caption text and five caption buttons and a thin rounded border, cuts an opening for the
// form's other controls, and makes the borderless form move, size, maximize and close like a
// captioned window.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drawing/pcMemDC.h"
#include "msghook/WndProcTrampoline.h"
#include "runtime/UserControl.h"
#include "shell/SkinBackBuffer.h"
#include "shell/SkinFrameCache.h"
#include "shell/SkinGeometry.h"
#include "shell/SkinHitArea.h"

namespace viewer {

class ucSkin : public rt::UserControl, private msghook::IWndProcSink {
  public:
    ucSkin();
    ~ucSkin() override;

    // Events, in declaration order. Cancel is false on entry; setting it skips the action.
    // Raised when the menu caption button is clicked.
    std::function<void()> MenuButtonClick;
    std::function<void(bool& Cancel)> CloseButtonClick;
    std::function<void(bool& Cancel)> MaxButtonClick;
    std::function<void(bool& Cancel)> MinButtonClick;

    // In pixels of the form's monitor.
    int32_t SizeCaption() const { return scale_(skin::kSizeCaption); }
    int32_t SizeBottom() const { return scale_(skin::kSizeBottom); }
    int32_t SizeLBorder() const { return scale_(skin::kSizeLBorder); }
    int32_t SizeRBorder() const { return scale_(skin::kSizeRBorder); }
    // Design sizes to pixels of the form's monitor; the form's other controls are scaled through it too.
    const skin::Scale& DesignScale() const { return scale_; }
    // Raised after the form moved to a monitor of another resolution and the frame was scaled to it.
    std::function<void()> DpiChanged;

    // Persisted only; it does not change the painting.
    bool DrawBorder() const { return drawBorder_; }
    void SetDrawBorder(bool value);
    // The three below repaint at once in run mode when they change.
    bool DrawIcon() const { return drawIcon_; }
    void SetDrawIcon(bool value);
    bool MenuButton() const { return menuButton_; }
    void SetMenuButton(bool value);
    bool TopMostButton() const { return topMostButton_; }
    void SetTopMostButton(bool value);
    // Minimum tracking size of the form; below 1 the default 142 × 50 holds. Used from the next tracking.
    int32_t MinWidth() const { return minWidth_; }
    void SetMinWidth(int32_t value);
    int32_t MinHeight() const { return minHeight_; }
    void SetMinHeight(int32_t value);

    // The form's system menu at the cursor; the chosen command goes to the form.
    void ShowSystemMenu();

    // Run-time state, for the host and for tests.
    HWND ParentWindow() const { return parent_; }
    bool TopMostOn() const { return topMost_; }
    // The state last drawn for a caption button (skin::ButtonState), 0 when never drawn.
    int16_t ButtonState(int index) const;
    // The hit areas over the caption buttons, by skin::ButtonIndex.
    SkinHitArea& ImgBt(int index);
    // Bitmaps made so far for the off-screen frame and caption strip.
    long BufferAllocations() const {
        return frames_.Allocations() + strip_.Allocations() + base_.Allocations();
    }
    // Screen readers: the quote-source buttons on the frame, then the caption buttons left to right.
    std::vector<HWND> AccessibleWindows() const override;
    // Frame pictures drawn so far; a paint of a look already drawn only copies its picture.
    long FrameCompositions() const { return frames_.Compositions(); }
    // True when user32 provides the mouse-leave tracking; comctl32's is used otherwise.
    bool UsesUser32Tracking() const { return user32Tracking_; }

    using TrackMouseEventFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);
    struct MouseTracking {
        TrackMouseEventFn function = nullptr;
        bool user32 = false;
    };
    // The mouse-leave tracking the control uses: TrackMouseEvent when `user32` exports it, else
    // _TrackMouseEvent of the library named `comctl32`; no function when neither has it.
    static MouseTracking ChooseMouseTracking(HMODULE user32, const wchar_t* comctl32);

  protected:
    void UserControl_Initialize() override;
    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(rt::PropertyBag& PropBag) override;
    void UserControl_WriteProperties(rt::PropertyBag& PropBag) override;
    void UserControl_Resize() override;
    void UserControl_Paint(HDC dc) override;
    void UserControl_Terminate() override;
    void UserControl_MouseDown(int Button, int Shift, float X, float Y) override;
    void UserControl_MouseMove(int Button, int Shift, float X, float Y) override;
    void UserControl_DblClick() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    struct ParentFlags {
        bool thickFrame = false;
        bool minBox = false;
        bool maxBox = false;
        bool windowEdge = false;
    };
    // msghook::IWndProcSink
    void Before(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled, LRESULT& result) override;
    void After(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    void pvStartRunMode();
    void pvOnParentShow(bool shown);
    void pvOnParentSize();
    void pvOnGetMinMaxInfo(MINMAXINFO* info);
    // Takes the resolution of the parent's monitor: the skin picture, the caption font and the layout
    // follow it, and pictures drawn at the old one are dropped.
    void pvTakeDpi(int32_t dpi);
    void pvOnDpiChanged(WPARAM wp, const RECT* suggested);
    // The parent's sizing border left around its client area, measured (kept while it is minimized or
    // maximized).
    int32_t pvFrameInset();
    void pvReadParentFlags();
    void pvApplyRegions();
    void pvLayoutButtons();
    void pvUpdateHitAreaVisibility();
    void pvPaint(bool active);
    // Draws `look` into the current frame picture, which holds a frame of its size and background
    // already when `rimOnly`; false when it cannot be drawn whole.
    bool pvComposeFrame(const SkinFrameLook& look, bool rimOnly);
    void pvPaintDesignLook();
    // Whether a caption button is drawn in the state it shows already; when what is drawn reaches the
    // screen: at once, or with the control's next paint.
    enum class Redraw { IfChanged, Always };
    enum class Show { Later, Now };
    struct ButtonDraw {
        Redraw redraw = Redraw::IfChanged;
        Show show = Show::Later;
    };
    // Draws one caption button into `target`; true when something was drawn.
    bool pvDrawButton(HDC target, int index, int16_t state, Redraw redraw);
    // The same onto the control.
    void pvDrawButtonOnControl(int index, int16_t state, ButtonDraw how);
    // Every caption button into `target`, whatever state it shows.
    void pvResetButtons(HDC target);
    void pvResetButtonsOnControl(ButtonDraw how);
    void pvShowArea(const RECT& area, Show when);
    bool pvIsHitArea(const rt::Control* control) const;
    void pvClearBackground(HDC dc, const SkinFrameLook& look, bool rimOnly);
    // The caption font, made again only when the control's font name changes; false when it cannot be.
    bool pvCaptionFont();
    // The caption strip's background and icon for this width, in base_; false when it cannot be had.
    bool pvCaptionBase(int32_t w, HICON icon);
    void pvRepaintAfterChange();
    void pvTrackMouseLeave(HWND wnd);
    void pvSetPointer(skin::Pointer pointer);
    void pvUnloadParent();
    void pvSetParentState(int state);

    void pvHitAreaDown(int index, int button);
    void pvHitAreaMove(int index, int button);
    void pvHitAreaUp(int index, int button, float x, float y);
    // The system menu with its top-left corner at `at` (on the screen); the command chosen is carried out.
    void pvShowSystemMenu(POINT at);
    // What a click on a caption button does.
    void pvCaptionButtonAction(int index);
    // Screen readers' view of a caption button: its state and action (ucSkinAccess.cpp).
    void pvDescribeCaptionButton(SkinHitArea& area, int index);

    bool pvStarted() const { return parent_ != nullptr; }
    bool pvParentMinimized() const;
    bool pvParentMaximized() const;
    bool pvParentActive() const;
    HICON pvParentIcon() const;
    RECT pvButtonRect(int index) const;

    // Persisted properties.
    bool drawIcon_ = false;
    int32_t minWidth_ = 0;
    int32_t minHeight_ = 0;
    bool drawBorder_ = false;
    bool menuButton_ = false;
    bool topMostButton_ = false;

    // Run-time state.
    HWND parent_ = nullptr;
    // The form behind parent_, when it is one of the run-time's.
    rt::Form* parentForm_ = nullptr;
    bool user32Tracking_ = false;
    TrackMouseEventFn trackMouseEvent_ = nullptr;
    ParentFlags flags_;
    RECT workArea_{};
    skin::Scale scale_;
    int32_t frameInset_ = skin::kFrameInset;
    std::array<int16_t, skin::kButtonCount> buttonState_{};
    skin::SizingZones zones_{};
    int lastButton_ = 0;
    int32_t lastX_ = 0;
    int32_t lastY_ = 0;
    bool topMost_ = false;
    skin::Pointer pointer_ = skin::Pointer::Default;

    std::array<SkinHitArea, skin::kButtonCount> imgBt_;
    drawing::pcMemDC skin_;
    // Declared before the buffers it is selected into, so it goes after them.
    rt::UniqueFont captionFont_;
    std::wstring captionFace_;
    SkinFrameCache frames_;
    // Kept between paints: the caption strip is drawn off-screen first, then copied onto the frame.
    SkinBackBuffer strip_;
    SkinBackBuffer base_;
    struct CaptionBase {
        long allocation = -1;
        int32_t w = 0;
        HICON icon = nullptr;
        friend bool operator==(const CaptionBase&, const CaptionBase&) = default;
    };
    CaptionBase baseOf_;
    // The parent's region hides its whole non-client area, so the system need not paint it.
    bool ncHidden_ = false;
    msghook::cWndProcTrampoline trampoline_{*this};
};

} // namespace viewer
