#pragma once
// The owner-drawn menu control: an invisible control on a form that turns the form's menu bar and every
// popup menu of the thread into owner-drawn items, measures and draws them, gives each popup menu
// window a flat frame of its own, answers keyboard mnemonics and reports the highlighted item.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "drawing/StdFont.h"
#include "drawing/cMemDC.h"
#include "menus/MenuColours.h"
#include "menus/MenuDrawGeometry.h"
#include "menus/MenuItems.h"
#include "menus/MenuMetrics.h"
#include "menus/MenuPalette.h"
#include "menus/MenuPictureImage.h"
#include "menus/MenuProperties.h"
#include "msghook/ISubclassingSink.h"
#include "msghook/cMenuHook.h"
#include "msghook/cSubThunk.h"
#include "runtime/Picture.h"
#include "runtime/UserControl.h"

namespace menus {

// One menu control of a form, as item pictures know it: its name, its index in a control array (−1
// when it is not in one) and its caption.
struct MenuControlInfo {
    std::wstring Name;
    int32_t Index = -1;
    std::wstring Caption;
};

// The window's menu bar, or null when it has none.
HMENU MenuBarOf(HWND wnd);
// The menu handle as the item records keep it.
inline uint64_t MenuNumber(HMENU menu) {
    return reinterpret_cast<uintptr_t>(menu);
}

// "Name", or "Name:Index" for a member of a control array.
std::wstring MenuControlKey(const MenuControlInfo& menu);

class ctxHookMenu : public rt::UserControl, private msghook::IMenuControl {
  public:
    ctxHookMenu();
    ~ctxHookMenu() override;

    // Events, in declaration order.
    // The caption of the item being highlighted ("&&" shown as "&"), or "" when the menu closes.
    std::function<void(const std::wstring& strMenuCaption)> Highlight;
    std::function<void(drawing::StdFont& Font, std::wstring& Caption, uint32_t& ForeColour)>
        CustomDrawItemFont;
    std::function<void(drawing::StdFont& SelectedFont, std::wstring& Caption, uint32_t& ForeColour,
                       uint32_t& SelectedBackColour, uint32_t& SelectedBorderColour)>
        CustomDrawItemHoverFont;

    // Properties. Colours are OLE colours.
    int16_t AutoColumn() const { return props_.AutoColumn; }
    void SetAutoColumn(int16_t value);
    int32_t BitmapSize() const { return props_.BitmapSize; }
    void SetBitmapSize(int32_t value);
    bool DisplayShadow() const { return props_.DisplayShadow; }
    void SetDisplayShadow(bool value);
    int32_t DrawStyle() const { return props_.DrawStyle; }
    void SetDrawStyle(int32_t value);
    // A copy of the control's own font; assigning copies name, size, weight, attributes and character set.
    drawing::StdFont Font() const;
    void SetFont(const drawing::StdFont& value);
    int32_t MenuDrawStyle() const { return props_.MenuDrawStyle; }
    void SetMenuDrawStyle(int32_t value);
    bool RightToLeft() const { return props_.RightToLeft; }
    void SetRightToLeft(bool value);
    bool SelectDisabled() const { return props_.SelectDisabled; }
    void SetSelectDisabled(bool value);
    bool UseSystemFont() const { return props_.UseSystemFont; }
    void SetUseSystemFont(bool value);
    uint32_t UserCheckBackColour() const { return props_.UserCheckBackColour; }
    void SetUserCheckBackColour(uint32_t value);
    uint32_t UserCheckBorderColour() const { return props_.UserCheckBorderColour; }
    void SetUserCheckBorderColour(uint32_t value);
    uint32_t UserGradientOne() const { return props_.UserGradientOne; }
    void SetUserGradientOne(uint32_t value);
    uint32_t UserGradientTwo() const { return props_.UserGradientTwo; }
    void SetUserGradientTwo(uint32_t value);
    uint32_t UserMenuBorderColour() const { return props_.UserMenuBorderColour; }
    void SetUserMenuBorderColour(uint32_t value);
    uint32_t UserSelectedItemForeColour() const { return props_.UserSelectedItemForeColour; }
    void SetUserSelectedItemForeColour(uint32_t value);
    uint32_t UserSelectedMenuBackColour() const { return props_.UserSelectedMenuBackColour; }
    void SetUserSelectedMenuBackColour(uint32_t value);
    uint32_t UserSelectedMenuBorderColour() const { return props_.UserSelectedMenuBorderColour; }
    void SetUserSelectedMenuBorderColour(uint32_t value);
    uint32_t UserSideBarColour() const { return props_.UserSideBarColour; }
    void SetUserSideBarColour(uint32_t value);
    uint32_t UserTopMenuBackColour() const { return props_.UserTopMenuBackColour; }
    void SetUserTopMenuBackColour(uint32_t value);
    uint32_t UserTopMenuHotBorderColour() const { return props_.UserTopMenuHotBorderColour; }
    void SetUserTopMenuHotBorderColour(uint32_t value);
    uint32_t UserTopMenuHotColour() const { return props_.UserTopMenuHotColour; }
    void SetUserTopMenuHotColour(uint32_t value);
    uint32_t UserTopMenuSelectedColour() const { return props_.UserTopMenuSelectedColour; }
    void SetUserTopMenuSelectedColour(uint32_t value);
    bool UserUseGradient() const { return props_.UserUseGradient; }
    void SetUserUseGradient(bool value);
    bool UserUseTopMenuGradient() const { return props_.UserUseTopMenuGradient; }
    void SetUserUseTopMenuGradient(bool value);

    // Attaches to a form window: converts its menu bar and intercepts its menu messages (and those of
    // its MDI client, if it has one). A control sited on a form does this itself.
    void Init(HWND hWnd);

    // Item pictures, looked up by the caption of the form's menu control they belong to.
    void SetBitmap(const MenuControlInfo& Menu, const rt::Picture& Picture, uint32_t MaskColor);
    void SetBitmapByCaption(const std::wstring& sCtlName, const rt::Picture& Picture, uint32_t MaskColor);
    void SetCustomAttributes(uint32_t TopMenuBackColour, uint32_t TopMenuSelectedColour,
                             uint32_t ExpandedMenuSelectedBackColour, uint32_t TopMenuHotColour,
                             uint32_t SelectedItemBorderColour, uint32_t MenuBorderColour,
                             uint32_t SideBarColour, uint32_t CheckBoxColour, uint32_t CheckBorderColour,
                             uint32_t GradientColourOne, uint32_t GradientColourTwo,
                             uint32_t TopMenuHotBorder, uint32_t SelectedForeColour, bool blnUseGradient,
                             bool blnUseHeaderGradient);
    // The form's menu controls, for the picture lookup of the drawing.
    void SetMenuControls(std::vector<MenuControlInfo> controls) { menuControls_ = std::move(controls); }
    const std::vector<MenuControlInfo>& MenuControls() const { return menuControls_; }

    // A menu bar's items are drawn as the bar's; a popup's in its columns.
    enum class MenuKind { Popup, Bar };
    // Converts a menu's items to owner-draw, recording each item once.
    void pvInitMenu(HMENU hMenu, MenuKind kind);
    // A keyboard character in an open menu: true, with `result` = execute the item, when an item's
    // mnemonic matches it.
    bool HandleMenuChar(HMENU hMenu, wchar_t character, LRESULT& result);

    // Every persisted property at once.
    const MenuProperties& Properties() const { return props_; }

    // Run-time state, for the form and for tests.
    HWND FormWindow() const { return form_; }
    HMENU MenuBar() const { return menuBar_; }
    bool InMenuLoop() const { return menuLoop_; }
    HWND FrameOwner() const { return frameOwner_; }
    const ItemRecordList& Records() const { return records_; }
    const MenuPalette& Palette() const { return palette_; }
    // The colour of every role the drawing paints, under the current DrawStyle.
    MenuColours Colours() const;
    const MenuMetrics& Metrics() const { return metrics_; }
    bool PlainColors() const { return display_.PlainColors(); }
    // This control is the one cMenuHook hands new popup menu windows to.
    bool IsCurrentMenuControl() const;
    // The procedure installed on the form, null while detached.
    WNDPROC FormDispatcher() const {
        return formSub_ && formSub_->hWnd() ? formSub_->ThunkAddress() : nullptr;
    }
    // Popup menu windows taken over right now.
    std::vector<HWND> Popups() const;
    // The frame image of a popup taken over, made if it was not yet; null for another window.
    const drawing::cMemDC* FrameImage(HWND popup) {
        return pvFindPopup(popup) ? pvFrameImage(popup) : nullptr;
    }
    struct ItemPicture {
        rt::Picture picture;
        uint32_t mask = 0;
        std::wstring key;
    };
    const std::vector<ItemPicture>& Bitmaps() const { return bitmaps_; }
    // The registered message of the frame-to-child protocol.
    static UINT InitMenuMsg();

  protected:
    void UserControl_Initialize() override;
    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(rt::PropertyBag& PropBag) override;
    void UserControl_WriteProperties(rt::PropertyBag& PropBag) override;
    void UserControl_Resize() override;
    void UserControl_Terminate() override;

  private:
    class Sink;
    friend class Sink;
    struct Popup {
        HWND hWnd = nullptr;
        std::unique_ptr<msghook::cSubThunk> subclasser;
    };
    // The drop flags of the last popup placed, and where it went.
    struct Drop {
        bool shiftedLeft = false;
        bool below = false;
        bool columns = false;
        int32_t joinOffset = 0;
        POINT at{};
    };

    // msghook::IMenuControl: a popup menu window is being created.
    void pvSubclassPopup(HWND hWnd) override;

    void pvBefore(bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void pvFormMessage(bool& bHandled, LRESULT& lReturn, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void pvPopupMessage(Popup& popup, bool& bHandled, LRESULT& lReturn, UINT uMsg, WPARAM wParam,
                        LPARAM lParam);
    void pvMenuSelect(bool& bHandled, LRESULT& lReturn, WPARAM wParam, LPARAM lParam);
    LRESULT pvInitMenuCommand(WPARAM wParam, LPARAM lParam);
    bool pvMeasureItem(MEASUREITEMSTRUCT& mis);
    bool pvDrawItem(const DRAWITEMSTRUCT& dis);
    void pvAdoptPopups();
    // Leaves the menu loop; a selection re-posted in it and still queued is dropped, as it is over.
    void pvEndMenuLoop();
    void pvPlacePopup(HWND hWnd, WINDOWPOS& pos);
    void pvReleasePopup(HWND hWnd);
    // The popup's frame image, made on first need and kept while the popup exists.
    drawing::cMemDC* pvFrameImage(HWND hWnd);
    FrameJoin pvFrameJoin(HWND hWnd, const RECT& window) const;
    // Where the popup's items lie in its client area; null when the window shows no menu.
    std::optional<rt::Rect> pvItemArea(HWND hWnd) const;
    // Grows a popup whose items the system placed away from the client's corner, so the frame fits.
    void pvFitPopup(HWND hWnd, WINDOWPOS& pos) const;
    // The item surface, at least w × h, its font the given one.
    drawing::cMemDC* pvItemSurface(int32_t w, int32_t h, const drawing::StdFont& font);
    drawing::StdFont pvItemFont(HDC target) const;
    // The font at the resolution of the menus' window: the surfaces measure points at the system's.
    drawing::StdFont pvAtDpi(drawing::StdFont font) const;
    // The picture of the item whose text is `text`, rendered for the state; null when it has none.
    const drawing::cMemDC* pvPictureImage(std::wstring_view text, PictureState state, const MenuColours& c);

    void pvRefreshMetrics();
    // Measures again when the menus' window has moved to a monitor of another resolution.
    void pvFollowDpi();
    void pvSelectItemFont(drawing::cMemDC& dc) const;
    void pvRestoreMenus();
    void pvDetach();
    void pvSetMenuInfoBackground(uint32_t colour);
    // Where the item carrying our record `data` lies in `menu`, found at its recorded place while it is
    // still there, else by a search that records the new place; −1 when the menu no longer holds it.
    struct ItemAt {
        int32_t pos = -1;
        UINT state = 0;
        HMENU submenu = nullptr;
    };
    ItemAt pvFindItem(HMENU menu, ULONG_PTR data);
    // The active MDI child, when the form is a frame with one.
    HWND pvActiveChild() const;
    HWND pvMenuWindow() const { return frameOwner_ ? frameOwner_ : form_; }
    void pvChanged(const wchar_t* name) { PropertyChanged(name); }
    void pvRaiseHighlight(const std::wstring& caption);
    Popup* pvFindPopup(HWND hWnd);
    void pvStartRunMode();

    MenuProperties props_;
    std::vector<ItemPicture> bitmaps_;
    std::vector<MenuControlInfo> menuControls_;

    // Derived state.
    MenuPalette palette_;
    MenuMetrics metrics_;
    DisplayTraits display_;

    // Attachment.
    std::shared_ptr<Sink> sink_;
    HWND form_ = nullptr;
    HWND mdiClient_ = nullptr;
    HMENU menuBar_ = nullptr;
    std::unique_ptr<msghook::cSubThunk> formSub_;
    std::unique_ptr<msghook::cSubThunk> mdiSub_;
    std::vector<Popup> popups_;
    std::vector<std::pair<HWND, std::unique_ptr<drawing::cMemDC>>> popupImages_;
    ItemRecordList records_;

    bool menuLoop_ = false;
    bool printing_ = false;
    bool reposted_ = false;
    HMENU currentSubmenu_ = nullptr;
    HMENU trackedMenu_ = nullptr;
    RECT selectedItem_{};
    bool selectedRightJustified_ = false;
    Drop drop_;
    HWND frameOwner_ = nullptr;
    int32_t edgeWidth_ = 0;
    int32_t dlgFrameWidth_ = 0;
    // Measures item captions in the item font; made again at every refresh.
    drawing::cMemDC measure_;
    // Read at every refresh, not at every item.
    drawing::StdFont systemMenuFont_;
    // Every item is composed here: kept between items, grown when one is larger.
    drawing::cMemDC itemSurface_;
    std::optional<drawing::StdFont> itemSurfaceFont_;
    // The item text colour a CustomDrawItemFont handler left; the palette's until one does.
    std::optional<uint32_t> itemForeColour_;
    // Picture images already rendered, for as long as their picture, state and colours stay the same.
    struct RenderedPicture {
        rt::Picture picture;
        uint32_t mask = 0;
        PictureState state = PictureState::Normal;
        int32_t size = 0;
        bool style2 = false;
        MenuColours colours;
        std::unique_ptr<drawing::cMemDC> image;
    };
    std::vector<RenderedPicture> pictureImages_;
    // The menu background brushes set by SetCustomAttributes, one per menu given one: a bar the form
    // showed before keeps painting with its own.
    std::vector<std::pair<HMENU, rt::UniqueBrush>> menuBrushes_;
};

} // namespace menus
