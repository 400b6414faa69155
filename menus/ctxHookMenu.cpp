#include "menus/ctxHookMenu.h"

#include <algorithm>
#include <cmath>

#include "menus/MenuDisplay.h"
#include "menus/ctxHookMenuSink.h"
#include "runtime/Dpi.h"
#include "runtime/Form.h"
#include "runtime/TextCodec.h"

namespace menus {

namespace {

rt::FontRef ToRef(const drawing::StdFont& f) {
    rt::FontRef r;
    r.name = f.Name;
    r.sizeTenThousandths = static_cast<int32_t>(std::lround(std::clamp(f.Size, 0.0, 214748.0) * 10000.0));
    r.weight = static_cast<int16_t>(std::clamp(f.Weight, 0, 1000));
    r.charset = static_cast<uint8_t>(std::clamp(f.Charset, 0, 255));
    r.italic = f.Italic;
    r.underline = f.Underline;
    r.strikethrough = f.Strikethrough;
    return r;
}

drawing::StdFont FromRef(const rt::FontRef& r) {
    drawing::StdFont f;
    f.Name = r.name;
    f.Size = r.sizeTenThousandths / 10000.0;
    f.Weight = r.weight;
    f.Charset = r.charset;
    f.Italic = r.italic;
    f.Underline = r.underline;
    f.Strikethrough = r.strikethrough;
    return f;
}

} // namespace

HMENU MenuBarOf(HWND wnd) {
    // A child window (an MDI child) answers with its identifier, not a menu.
    const HMENU menu = ::GetMenu(wnd);
    return menu && ::IsMenu(menu) ? menu : nullptr;
}

std::wstring MenuControlKey(const MenuControlInfo& menu) {
    if (menu.Index < 0) return menu.Name;
    const std::string digits = std::to_string(menu.Index);
    return menu.Name + L":" + std::wstring(digits.begin(), digits.end());
}

ctxHookMenu::ctxHookMenu() {
    // One watcher of popup menu windows for the whole process, made by the first menu control.
    msghook::cMenuHook::Instance();
}

ctxHookMenu::~ctxHookMenu() {
    pvDetach();
    if (sink_) sink_->Orphan();
}

UINT ctxHookMenu::InitMenuMsg() {
    static const UINT msg = ::RegisterWindowMessageW(L"InitMenuMsg");
    return msg;
}

std::vector<HWND> ctxHookMenu::Popups() const {
    std::vector<HWND> out;
    for (const Popup& p : popups_)
        out.push_back(p.hWnd);
    return out;
}

bool ctxHookMenu::IsCurrentMenuControl() const {
    return msghook::cMenuHook::CurrentMenuControl() == static_cast<const msghook::IMenuControl*>(this);
}

// ---- Properties ----

void ctxHookMenu::SetAutoColumn(int16_t value) {
    props_.AutoColumn = value;
    pvChanged(L"AutoColumn");
}

void ctxHookMenu::SetBitmapSize(int32_t value) {
    props_.BitmapSize = value;
    pvRefreshMetrics();
    pvChanged(L"BitmapSize");
}

void ctxHookMenu::SetDisplayShadow(bool value) {
    props_.DisplayShadow = value;
    pvChanged(L"DisplayShadow");
}

void ctxHookMenu::SetDrawStyle(int32_t value) {
    props_.DrawStyle = value;
    pvChanged(L"DrawStyle");
    if (form_) ::DrawMenuBar(pvMenuWindow());
}

drawing::StdFont ctxHookMenu::Font() const {
    return FromRef(props_.Font);
}

void ctxHookMenu::SetFont(const drawing::StdFont& value) {
    props_.Font = ToRef(value);
    pvRefreshMetrics();
    pvChanged(L"Font");
}

void ctxHookMenu::SetMenuDrawStyle(int32_t value) {
    props_.MenuDrawStyle = value;
    pvChanged(L"MenuDrawStyle");
}

void ctxHookMenu::SetRightToLeft(bool value) {
    props_.RightToLeft = value;
    pvChanged(L"RightToLeft");
}

void ctxHookMenu::SetSelectDisabled(bool value) {
    props_.SelectDisabled = value;
    pvChanged(L"SelectDisabled");
}

void ctxHookMenu::SetUseSystemFont(bool value) {
    props_.UseSystemFont = value;
    pvRefreshMetrics();
    pvChanged(L"UseSystemFont");
}

#define PELMOR_MENU_COLOUR_PROPERTY(Name, Type)                                                              \
    void ctxHookMenu::Set##Name(Type value) {                                                                \
        props_.Name = value;                                                                                 \
        pvChanged(L## #Name);                                                                                \
    }
PELMOR_MENU_COLOUR_PROPERTY(UserCheckBackColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserCheckBorderColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserGradientOne, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserGradientTwo, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserMenuBorderColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserSelectedItemForeColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserSelectedMenuBackColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserSelectedMenuBorderColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserSideBarColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserTopMenuBackColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserTopMenuHotBorderColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserTopMenuHotColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserTopMenuSelectedColour, uint32_t)
PELMOR_MENU_COLOUR_PROPERTY(UserUseGradient, bool)
PELMOR_MENU_COLOUR_PROPERTY(UserUseTopMenuGradient, bool)
#undef PELMOR_MENU_COLOUR_PROPERTY

void ctxHookMenu::SetBitmap(const MenuControlInfo& Menu, const rt::Picture& Picture, uint32_t MaskColor) {
    SetBitmapByCaption(MenuControlKey(Menu), Picture, MaskColor);
}

void ctxHookMenu::SetBitmapByCaption(const std::wstring& sCtlName, const rt::Picture& Picture,
                                     uint32_t MaskColor) {
    rt::Trap([&] {
        const std::wstring key = L"#" + sCtlName;
        std::erase_if(bitmaps_, [&](const ItemPicture& p) { return rt::EqualsNoCase(p.key, key); });
        if (Picture && Picture->Type() != rt::PictureType::None)
            bitmaps_.push_back({Picture, MaskColor, key});
        pvChanged(L"Bitmaps");
    });
}

void ctxHookMenu::SetCustomAttributes(uint32_t TopMenuBackColour, uint32_t TopMenuSelectedColour,
                                      uint32_t ExpandedMenuSelectedBackColour, uint32_t TopMenuHotColour,
                                      uint32_t SelectedItemBorderColour, uint32_t MenuBorderColour,
                                      uint32_t SideBarColour, uint32_t CheckBoxColour,
                                      uint32_t CheckBorderColour, uint32_t GradientColourOne,
                                      uint32_t GradientColourTwo, uint32_t TopMenuHotBorder,
                                      uint32_t SelectedForeColour, bool blnUseGradient,
                                      bool blnUseHeaderGradient) {
    SetUserTopMenuBackColour(TopMenuBackColour);
    SetUserTopMenuSelectedColour(TopMenuSelectedColour);
    SetUserSelectedMenuBackColour(ExpandedMenuSelectedBackColour);
    SetUserTopMenuHotColour(TopMenuHotColour);
    SetUserSelectedMenuBorderColour(SelectedItemBorderColour);
    SetUserMenuBorderColour(MenuBorderColour);
    SetUserSideBarColour(SideBarColour);
    SetUserCheckBackColour(CheckBoxColour);
    SetUserCheckBorderColour(CheckBorderColour);
    SetUserGradientOne(GradientColourOne);
    SetUserGradientTwo(GradientColourTwo);
    SetUserTopMenuHotBorderColour(TopMenuHotBorder);
    SetUserSelectedItemForeColour(SelectedForeColour);
    SetUserUseGradient(blnUseGradient);
    SetUserUseTopMenuGradient(blnUseHeaderGradient);
    rt::Trap([&] { pvSetMenuInfoBackground(TopMenuBackColour); });
}

void ctxHookMenu::pvSetMenuInfoBackground(uint32_t colour) {
    if (!form_) return;
    const HWND wnd = pvMenuWindow();
    const HMENU menu = MenuBarOf(wnd);
    if (!menu) return;
    rt::UniqueBrush brush(::CreateSolidBrush(rt::ToColorRef(colour)));
    MENUINFO mi{};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
    mi.hbrBack = brush.get();
    if (!::SetMenuInfo(menu, &mi)) return;
    // The menu uses the brush from now on; the one it had before is ours to delete.
    const auto given = std::find_if(menuBrushes_.begin(), menuBrushes_.end(),
                                    [&](const auto& entry) { return entry.first == menu; });
    if (given != menuBrushes_.end())
        given->second = std::move(brush);
    else
        menuBrushes_.emplace_back(menu, std::move(brush));
    ::DrawMenuBar(wnd);
}

// ---- Life cycle ----

void ctxHookMenu::UserControl_Initialize() {
    bitmaps_.clear();
}

void ctxHookMenu::UserControl_InitProperties() {
    props_ = MenuProperties{};
    pvStartRunMode();
}

void ctxHookMenu::UserControl_ReadProperties(rt::PropertyBag& PropBag) {
    std::vector<StoredPicture> stored;
    ReadFirstGroup(PropBag, props_, stored);
    for (const StoredPicture& s : stored)
        rt::Trap([&] {
            if (rt::Picture picture = rt::PictureFromRef(s.picture))
                bitmaps_.push_back({picture, s.mask, s.key});
        });
    rt::Trap([&] { pvStartRunMode(); });
    ReadUserGroup(PropBag, props_);
}

void ctxHookMenu::UserControl_WriteProperties(rt::PropertyBag& PropBag) {
    std::vector<StoredPicture> stored;
    for (const ItemPicture& p : bitmaps_)
        stored.push_back({rt::RefOf(p.picture), p.mask, p.key});
    WriteProperties(PropBag, props_, stored);
}

void ctxHookMenu::UserControl_Resize() {
    // A fixed square in the designer; nothing of it shows at run time.
    const int side = ::GetSystemMetrics(SM_CXEDGE) + 32;
    if (hWnd() && (Width() != side || Height() != side)) Move(Left(), Top(), side, side);
}

void ctxHookMenu::UserControl_Terminate() {
    pvDetach();
}

void ctxHookMenu::pvStartRunMode() {
    if (!AmbientUserMode()) return;
    SetVisible(false);
    rt::Form* form = ParentForm();
    const HWND wnd = form && form->hWnd() ? form->hWnd() : ::GetAncestor(hWnd(), GA_ROOT);
    if (wnd) Init(wnd);
}

// ---- Attachment ----

void ctxHookMenu::Init(HWND hWnd) {
    pvDetach();
    if (!sink_) sink_ = std::make_shared<Sink>(*this);
    form_ = hWnd;
    menuBar_ = MenuBarOf(hWnd);
    formSub_ = std::make_unique<msghook::cSubThunk>();
    mdiSub_ = std::make_unique<msghook::cSubThunk>();
    rt::Trap([&] { pvRefreshMetrics(); });
    formSub_->AddBeforeMsgs({WM_INITMENUPOPUP, WM_MEASUREITEM, WM_DRAWITEM, WM_MDISETMENU, WM_NCCALCSIZE,
                             WM_MENUSELECT, WM_SYSCOLORCHANGE, WM_NCDESTROY, InitMenuMsg(), WM_ENTERMENULOOP,
                             WM_EXITMENULOOP, WM_MENUCHAR, WM_SETTINGCHANGE, WM_DPICHANGED});
    formSub_->Subclass(hWnd, sink_, {.DontFree = true});
    if (const HWND mdi = ::FindWindowExW(hWnd, nullptr, L"MDIClient", nullptr)) {
        mdiClient_ = mdi;
        mdiSub_->AddBeforeMsgs({WM_MDISETMENU});
        mdiSub_->Subclass(mdi, sink_, {.DontFree = true});
    }
}

void ctxHookMenu::pvDetach() {
    msghook::cMenuHook::ClearCurrentMenuControl(this);
    rt::Trap([&] { pvRestoreMenus(); });
    // Popups first: each release unsubclasses its window.
    while (!popups_.empty())
        pvReleasePopup(popups_.back().hWnd);
    popupImages_.clear();
    if (formSub_) formSub_->Unsubclass();
    if (mdiSub_) mdiSub_->Unsubclass();
    formSub_.reset();
    mdiSub_.reset();
    for (const auto& [menu, brush] : menuBrushes_) {
        if (!::IsMenu(menu)) continue;
        MENUINFO mi{};
        mi.cbSize = sizeof(mi);
        mi.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
        mi.hbrBack = nullptr;
        ::SetMenuInfo(menu, &mi);
    }
    menuBrushes_.clear();
    measure_.Destroy();
    itemSurface_.Destroy();
    itemSurfaceFont_.reset();
    pictureImages_.clear();
    form_ = mdiClient_ = frameOwner_ = nullptr;
    menuBar_ = currentSubmenu_ = trackedMenu_ = nullptr;
    menuLoop_ = printing_ = reposted_ = false;
}

void ctxHookMenu::pvRefreshMetrics() {
    display_ = ReadDisplayTraits();
    palette_ = MakePalette(ReadSystemColors(), display_);
    itemForeColour_.reset();
    // Menus are shown for the form: its resolution is theirs.
    const int32_t dpi = form_ ? rt::DpiOfWindow(pvMenuWindow()) : rt::SystemDpi();
    metrics_.dpi = dpi;
    edgeWidth_ = rt::SystemMetricForDpi(SM_CXEDGE, dpi);
    dlgFrameWidth_ = rt::SystemMetricForDpi(SM_CXDLGFRAME, dpi);
    systemMenuFont_ = drawing::cMemDC::SystemMenuFont();
    itemSurfaceFont_.reset();
    measure_.Init(1, 1);
    pvSelectItemFont(measure_);
    metrics_ = ComputeMetrics(measure_.TextHeight(L"ABCH"), props_.BitmapSize, dpi);
    if (menuBar_) pvInitMenu(menuBar_, MenuKind::Bar);
}

void ctxHookMenu::pvFollowDpi() {
    if (!form_ || rt::DpiOfWindow(pvMenuWindow()) == metrics_.dpi) return;
    pvRefreshMetrics();
    if (menuBar_) ::DrawMenuBar(pvMenuWindow());
}

drawing::StdFont ctxHookMenu::pvAtDpi(drawing::StdFont font) const {
    const int32_t surfaceDpi = measure_.hdc() ? ::GetDeviceCaps(measure_.hdc(), LOGPIXELSY) : 0;
    if (surfaceDpi > 0 && surfaceDpi != metrics_.dpi) font.Size = font.Size * metrics_.dpi / surfaceDpi;
    return font;
}

void ctxHookMenu::pvSelectItemFont(drawing::cMemDC& dc) const {
    dc.Font(pvAtDpi(props_.UseSystemFont ? systemMenuFont_ : FromRef(props_.Font)));
}

void ctxHookMenu::pvRaiseHighlight(const std::wstring& caption) {
    RaiseEvent(Highlight, caption);
}

HWND ctxHookMenu::pvActiveChild() const {
    if (!mdiSub_ || !mdiSub_->hWnd()) return nullptr;
    return reinterpret_cast<HWND>(mdiSub_->CallOrigWndProc(WM_MDIGETACTIVE, 0, 0));
}

} // namespace menus
