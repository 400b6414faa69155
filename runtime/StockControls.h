#pragma once
// The stock controls the forms use: picture box (also a container), label, command button and
// progress bar. Properties set before the host creates a control are applied when it does.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "runtime/Control.h"
#include "runtime/Handles.h"
#include "runtime/OleColor.h"
#include "runtime/Picture.h"

namespace rt {

enum class BorderStyle { None = 0, FixedSingle = 1 };

using MouseHandler = std::function<void(int button, int shift, float x, float y)>;

class PictureBox : public Control {
  public:
    // Raised after the picture is drawn, to draw over it.
    std::function<void(HDC dc)> Paint;
    std::function<void()> Click;
    std::function<void()> DblClick;
    MouseHandler MouseDown;
    MouseHandler MouseMove;
    MouseHandler MouseUp;

    // Shown at (0, 0); the box lets go of it when its window is destroyed.
    const rt::Picture& Picture() const { return picture_; }
    void SetPicture(rt::Picture picture);
    // The box takes the size of its picture (plus its border).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    rt::BorderStyle BorderStyle() const { return border_; }
    void SetBorderStyle(rt::BorderStyle border);
    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t oleColor);
    // Shown over the box's client area; not owned, null for the default arrow.
    HCURSOR MouseIcon() const { return mouseIcon_; }
    void SetMouseIcon(HCURSOR cursor) { mouseIcon_ = cursor; }
    uint32_t ContainerBackColor() const override { return backColor_; }

  protected:
    HWND CreateHandle(HWND parent, int left, int top, int width, int height) override;
    void OnDestroying() override { picture_.reset(); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnMouse(MouseKind kind, int button, int shift, float x, float y) override;

  private:
    void FitToPicture();
    void PaintPicture(HDC dc) const;

    rt::Picture picture_;
    bool autoSize_ = false;
    rt::BorderStyle border_ = rt::BorderStyle::None;
    uint32_t backColor_ = SysColor::ButtonFace;
    HCURSOR mouseIcon_ = nullptr;
};

// Static text, left-aligned, no '&' prefixes, on the background of its container.
class Label : public Control {
  public:
    std::wstring Caption() const;
    void SetCaption(std::wstring caption);
    uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(uint32_t oleColor);
    // The container's background unless set.
    uint32_t BackColor() const;
    void SetBackColor(uint32_t oleColor);

  protected:
    HWND CreateHandle(HWND parent, int left, int top, int width, int height) override;
    bool UsesFormFont() const override { return true; }
    bool OnReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroying() override { brush_.reset(); }

  private:
    std::wstring caption_;
    uint32_t foreColor_ = SysColor::ButtonText;
    std::optional<uint32_t> backColor_;
    UniqueBrush brush_;
    COLORREF brushColor_ = 0;
};

class CommandButton : public Control {
  public:
    CommandButton() { SetTabStop(true); }

    std::function<void()> Click;

    std::wstring Caption() const;
    void SetCaption(std::wstring caption);
    // Enter presses the form's default button while the focus is on no other button; Esc presses its
    // cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }
    // Drawn with the thick frame of the button that Enter presses.
    void ShowAsDefault(bool on);

  protected:
    HWND CreateHandle(HWND parent, int left, int top, int width, int height) override;
    bool UsesFormFont() const override { return true; }
    bool OnReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    std::wstring caption_;
    bool default_ = false;
    bool cancel_ = false;
};

// The common-controls progress bar with the range 0–100.
class ProgressBar : public Control {
  public:
    static constexpr int kMin = 0;
    static constexpr int kMax = 100;

    int Value() const { return value_; }
    // Values outside the range are clamped to it.
    void SetValue(int value);

  protected:
    HWND CreateHandle(HWND parent, int left, int top, int width, int height) override;

  private:
    int value_ = kMin;
};

} // namespace rt
