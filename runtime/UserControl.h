#pragma once
// The base of custom controls: a child window of its own class with the life-cycle events, ambient
// properties and property persistence of a classic user control.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Control.h"
#include "runtime/OleColor.h"
#include "runtime/PropertyBag.h"

namespace rt {

struct FontInfo {
    std::wstring name = L"宋体";
    float size = 9.0f; // points
    bool bold = false;
    friend bool operator==(const FontInfo&, const FontInfo&) = default;
};

class UserControl : public Control, public ControlHost {
  public:
    UserControl() = default;

    // False when the form placed the control in design mode.
    bool AmbientUserMode() const override;
    // The control's name on its form.
    std::wstring AmbientDisplayName() const { return Name(); }

    // Records that a persisted property changed; tests read the record.
    void PropertyChanged(std::wstring_view name);
    const std::vector<std::wstring>& ChangedProperties() const { return changed_; }
    void ClearChangedProperties() { changed_.clear(); }
    // A bag filled by UserControl_WriteProperties.
    PropertyBag SaveProperties();

    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t oleColor);
    uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(uint32_t oleColor);
    const FontInfo& Font() const { return font_; }
    void SetFont(FontInfo font);
    const std::wstring& FontName() const { return font_.name; }

    HWND HostWindow() const override { return hWnd(); }
    Form* HostForm() override;
    uint32_t HostBackColor() const override { return backColor_; }
    uint32_t ContainerBackColor() const override { return backColor_; }
    void SetVisible(bool visible) override;
    // Screen readers: the controls placed on it as its children.
    std::vector<HWND> AccessibleWindows() const override;

  protected:
    virtual void UserControl_Initialize() {}
    // A newly placed control: there are no stored properties.
    virtual void UserControl_InitProperties() {}
    virtual void UserControl_ReadProperties(PropertyBag& /*PropBag*/) {}
    virtual void UserControl_WriteProperties(PropertyBag& /*PropBag*/) {}
    virtual void UserControl_Resize() {}
    // `dc` is the paint DC of the control's window, clipped to what needs painting.
    virtual void UserControl_Paint(HDC /*dc*/) {}
    virtual void UserControl_Show() {}
    virtual void UserControl_Terminate() {}
    virtual void UserControl_MouseDown(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) {}
    virtual void UserControl_MouseMove(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) {}
    virtual void UserControl_MouseUp(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) {}
    virtual void UserControl_Click() {}
    virtual void UserControl_DblClick() {}

    // Paints the background, raises Paint, Resize and the mouse events; call it for the default handling.
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    HWND CreateHandle(HWND parent, int left, int top, int width, int height) override;
    void OnDestroying() override;
    void Terminate() override;
    void NotifyShown() override;
    void OnMouse(MouseKind kind, int button, int shift, float x, float y) override;

  private:
    friend class ControlHost;
    // Initialize, ReadProperties or InitProperties, Resize.
    void Site(const PropertyBag* stored);

    bool initialized_ = false;
    // Initialize and the first properties event have run: Resize follows every size change from now on.
    bool sited_ = false;
    bool terminated_ = false;
    bool shown_ = false;
    std::vector<std::wstring> changed_;
    uint32_t backColor_ = SysColor::ButtonFace;
    uint32_t foreColor_ = SysColor::ButtonText;
    FontInfo font_;
};

} // namespace rt
