#pragma once
// A picture button: shows one of four pictures (normal, hover, pressed, disabled) in an inner picture box
// and raises Click. The control takes the size of the picture it shows. It is a tab stop: focused, it
// shows a focus cue (once the keyboard is used), Space and Enter press it, and screen readers are told
// it is a push button named by its caption.
#include <windows.h>

#include <functional>
#include <string>

#include "runtime/Picture.h"
#include "runtime/StockControls.h"
#include "runtime/UserControl.h"

namespace viewer {

class UButton : public rt::UserControl {
  public:
    UButton();

    std::function<void()> Click;
    std::function<void()> MouseMove;

    // Pictures are shared, never copied, and compared by handle.
    const rt::Picture& Picture() const { return m_Picture; }
    void SetPicture(rt::Picture picture);
    const rt::Picture& PictureHover() const { return m_PictureHover; }
    void SetPictureHover(rt::Picture picture);
    const rt::Picture& PictureEnabled() const { return m_PictureEnabled; }
    void SetPictureEnabled(rt::Picture picture);
    const rt::Picture& PictureClick() const { return m_PictureClick; }
    void SetPictureClick(rt::Picture picture);

    // The button's own flag. Its window is enabled again after every redraw, so rt::Control::Enabled
    // (the window's state) is not the property.
    bool Enabled() const { return m_Enabled; }
    void SetEnabled(bool enabled) override;
    // The tool tip of pic1; the control's own window has none.
    const std::wstring& ToolTipText() const { return m_ToolTipText; }
    void SetToolTipText(std::wstring text) override;

    // Redraw: Picture when enabled, else PictureEnabled.
    void drawpic();
    // Shows PictureHover.
    void drawpic2();

    // The inner picture box that shows the current picture and receives the mouse.
    const rt::PictureBox& Pic1() const { return pic1; }

    // The label its pictures show, and the key that presses it elsewhere; only screen readers read them.
    const std::wstring& Caption() const { return caption_; }
    void SetCaption(std::wstring caption) { caption_ = std::move(caption); }
    void SetShortcut(std::wstring shortcut) { shortcut_ = std::move(shortcut); }

    std::wstring AccessibleName() const override { return caption_; }
    long AccessibleRole() const override { return ROLE_SYSTEM_PUSHBUTTON; }
    // Hot while it shows the hover picture, pressed while it shows the pressed one.
    long AccessibleState() const override;
    std::wstring AccessibleDefaultAction() const override { return rt::kPressAction; }
    std::wstring AccessibleShortcut() const override { return shortcut_; }
    void AccessibleDoDefaultAction() override { pic1_Click(); }
    std::vector<HWND> AccessibleWindows() const override { return {}; }

  protected:
    void UserControl_Initialize() override;
    void UserControl_ReadProperties(rt::PropertyBag& PropBag) override;
    void UserControl_WriteProperties(rt::PropertyBag& PropBag) override;
    void UserControl_Resize() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void pic1_MouseDown(int Button, int Shift, float X, float Y);
    void pic1_MouseMove(int Button, int Shift, float X, float Y);
    void pic1_Click();
    void pvShow(const rt::Picture& picture);
    // Shows the hover or pressed picture.
    void pvShowState(const rt::Picture& picture);
    void pvSizeToPic1();
    // A frame around the picture while the button has the focus and focus cues are shown.
    void pvDrawFocusCue(HDC dc) const;

    rt::PictureBox pic1;
    rt::Picture m_Picture;
    rt::Picture m_PictureHover;
    rt::Picture m_PictureEnabled;
    rt::Picture m_PictureClick;
    bool m_Enabled = true;
    std::wstring m_ToolTipText;
    bool m_InStateResize = false;
    std::wstring caption_;
    std::wstring shortcut_;
    bool spaceDown_ = false;
};

} // namespace viewer
