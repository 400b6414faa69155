// Drawing what the menu control owns: each owner-drawn item, composed in one surface and copied to the
// menu at once, and the frame image of each popup window.
#include "menus/ctxHookMenu.h"

#include <algorithm>

#include "menus/MenuItemPainter.h"
#include "menus/PopupFramePainter.h"
#include "runtime/OleColor.h"
#include "runtime/TextCodec.h"

namespace menus {

namespace {

UINT ItemTypeAt(HMENU menu, int pos) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE;
    return ::GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &mii) ? mii.fType : 0;
}

bool FontAttributesOf(HDC dc, LOGFONTW& lf) {
    const HGDIOBJ font = dc ? ::GetCurrentObject(dc, OBJ_FONT) : nullptr;
    return font && ::GetObjectW(font, sizeof lf, &lf) == sizeof lf;
}

} // namespace

MenuColours ctxHookMenu::Colours() const {
    return ResolveColours(palette_, ::GetSysColor(COLOR_BTNSHADOW), props_,
                          [](uint32_t ole) { return static_cast<Rgb>(rt::ToColorRef(ole)); });
}

drawing::StdFont ctxHookMenu::pvItemFont(HDC target) const {
    if (props_.UseSystemFont) return systemMenuFont_;
    drawing::StdFont font = Font();
    // Attributes the menu's own font has stay on.
    LOGFONTW lf{};
    if (FontAttributesOf(target, lf)) {
        if (lf.lfWeight > 400 && !font.Bold()) font.Bold(true);
        font.Italic = font.Italic || lf.lfItalic;
        font.Underline = font.Underline || lf.lfUnderline;
        font.Strikethrough = font.Strikethrough || lf.lfStrikeOut;
    }
    return font;
}

drawing::cMemDC* ctxHookMenu::pvItemSurface(int32_t w, int32_t h, const drawing::StdFont& font) {
    if (!itemSurface_.IsCreated() || itemSurface_.Width() < w || itemSurface_.Height() < h) {
        itemSurfaceFont_.reset();
        if (!itemSurface_.Init(std::max(w, itemSurface_.Width()), std::max(h, itemSurface_.Height())))
            return nullptr;
        itemSurface_.BackStyle(TRANSPARENT);
    }
    if (itemSurfaceFont_ != font) {
        itemSurface_.Font(pvAtDpi(font));
        itemSurfaceFont_ = font;
    }
    return &itemSurface_;
}

const drawing::cMemDC* ctxHookMenu::pvPictureImage(std::wstring_view text, PictureState state,
                                                   const MenuColours& c) {
    const ItemPicture* entry = nullptr;
    for (const MenuControlInfo& control : menuControls_) {
        if (CaptionText(control.Caption) != text) continue;
        const std::wstring key = L"#" + MenuControlKey(control);
        for (const ItemPicture& p : bitmaps_)
            if (rt::EqualsNoCase(p.key, key)) entry = &p;
        break;
    }
    if (!entry || !entry->picture) return nullptr;
    const bool style2 = props_.MenuDrawStyle == 2;
    const int32_t B = metrics_.pictureSize;
    for (const RenderedPicture& r : pictureImages_)
        if (r.picture == entry->picture && r.mask == entry->mask && r.state == state && r.size == B &&
            r.style2 == style2 && r.colours == c)
            return r.image.get();
    // A few images per picture and state; when colours or sizes change, the old ones go at once.
    if (pictureImages_.size() >= 64) pictureImages_.clear();
    auto image = std::make_unique<drawing::cMemDC>();
    if (!RenderPictureImage(*image, entry->picture, entry->mask, state, B, style2, c)) return nullptr;
    pictureImages_.push_back({entry->picture, entry->mask, state, B, style2, c, std::move(image)});
    return pictureImages_.back().image.get();
}

bool ctxHookMenu::pvDrawItem(const DRAWITEMSTRUCT& dis) {
    if (dis.CtlType != ODT_MENU) return false;
    const HMENU menu = reinterpret_cast<HMENU>(dis.hwndItem);
    const ItemRecord* found = records_.Find(dis.itemData);
    if (!found || found->id != dis.itemID || found->menu != MenuNumber(menu)) return false;
    // The events raised below may convert menus, and so add records.
    const ItemRecord record = *found;

    const ItemAt at = pvFindItem(menu, dis.itemData);
    const int pos = at.pos;
    const bool grayed = (at.state & (MF_GRAYED | MF_DISABLED)) != 0;
    const bool checked = (at.state & MF_CHECKED) != 0;
    const bool submenu = at.submenu != nullptr;
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    const bool hot = (dis.itemState & ODS_HOTLIGHT) != 0;

    const RECT& rc = dis.rcItem;
    const int32_t w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return true;

    // The item's font and text colour, which a handler may change.
    const bool custom = props_.DrawStyle == 2 && !props_.UseSystemFont;
    drawing::StdFont font = pvItemFont(dis.hDC);
    uint32_t foreColour = itemForeColour_.value_or(palette_.itemText);
    const std::wstring_view text = CaptionText(record.caption);
    const std::wstring_view accelerator = CaptionAccelerator(record.caption);
    std::wstring caption = CaptionForDisplay(text);
    if (custom) {
        RaiseEvent(CustomDrawItemFont, font, caption, foreColour);
        itemForeColour_ = foreColour;
    }

    const MenuColours colours = Colours();
    if (record.top) {
        // The bar item with its shadow at its right.
        const int32_t wide = w + metrics_.Px(3);
        drawing::cMemDC* dc = pvItemSurface(wide, h + 1, font);
        if (!dc) return true;
        ::SetViewportOrgEx(dc->hdc(), -rc.left, -rc.top, nullptr);
        dc->LoadBlt(dis.hDC, rc.left, rc.top, rc.left, rc.top, wide, h + 1);
        BarItemLook look;
        look.dpi = metrics_.dpi;
        look.item = {rc.left, rc.top, rc.right, rc.bottom};
        look.caption = record.caption;
        look.grayed = grayed;
        look.selected = selected;
        look.hot = hot;
        look.foreColour = dc->TranslateColor(foreColour);
        look.shadow = props_.DisplayShadow;
        look.plainColours = display_.PlainColors();
        DrawBarItem(*dc, look, colours);
        dc->BitBlt(dis.hDC, rc.left, rc.top, wide, h + 1, rc.left, rc.top);
        return true;
    }

    PopupItemLook look;
    look.item = {rc.left, rc.top, rc.right, rc.bottom};
    look.H = metrics_.itemHeight;
    look.B = metrics_.pictureSize;
    look.barItemHeight = metrics_.barItemHeight;
    look.dpi = metrics_.dpi;
    look.mirrored = props_.RightToLeft || record.IsRightJustified();
    look.separator = record.IsSeparator();
    const int count = ::GetMenuItemCount(menu);
    look.endsColumn = pos < 0 || pos + 1 >= count || (ItemTypeAt(menu, pos + 1) & MFT_MENUBREAK) != 0;
    look.columnLine = props_.AutoColumn > 0;
    look.grayed = grayed;
    look.checked = checked;
    look.submenu = submenu;
    look.selected = selected;
    look.selectDisabled = props_.SelectDisabled;
    look.text = text;
    look.accelerator = accelerator;
    look.selectedText = colours.selectionText;
    look.selectedFill = colours.selectionFill;
    look.selectedBorder = colours.selectionBorder;
    if (selected && !grayed && !look.separator) {
        if (custom) {
            uint32_t fill = props_.UserSelectedMenuBackColour, border = props_.UserSelectedMenuBorderColour;
            uint32_t selectedFore = foreColour;
            RaiseEvent(CustomDrawItemHoverFont, font, caption, selectedFore, fill, border);
            look.selectedText = rt::ToColorRef(selectedFore);
            look.selectedFill = rt::ToColorRef(fill);
            look.selectedBorder = rt::ToColorRef(border);
        }
        pvRaiseHighlight(caption);
    }
    look.foreColour = rt::ToColorRef(foreColour);
    if (!look.separator) {
        const PictureState pictureState = grayed     ? PictureState::Disabled
                                          : checked  ? PictureState::Checked
                                          : selected ? PictureState::Hover
                                                     : PictureState::Normal;
        look.picture = pvPictureImage(text, pictureState, colours);
    }

    drawing::cMemDC* dc = pvItemSurface(w + 3, h + 1, font);
    if (!dc) return true;
    ::SetViewportOrgEx(dc->hdc(), -rc.left, -rc.top, nullptr);
    dc->LoadBlt(dis.hDC, rc.left, rc.top, rc.left, rc.top, w + 3, h + 1);
    DrawPopupItem(*dc, look, colours);
    dc->BitBlt(dis.hDC, rc.left, rc.top, w + 3, h + 1, rc.left, rc.top);
    // The system would draw its own arrow over ours.
    if (submenu) ::ExcludeClipRect(dis.hDC, rc.left, rc.top, rc.right, rc.bottom);
    return true;
}

FrameJoin ctxHookMenu::pvFrameJoin(HWND hWnd, const RECT& window) const {
    FrameJoin join;
    if (!menuBar_ || trackedMenu_ != menuBar_ || !currentSubmenu_) return join;
    // The popup shows the submenu of the open bar item, not one of its submenus.
    const HMENU shown = reinterpret_cast<HMENU>(::SendMessageW(hWnd, MN_GETHMENU, 0, 0));
    if (shown && shown != currentSubmenu_) return join;
    const int count = ::GetMenuItemCount(menuBar_);
    for (int pos = 0; pos < count; ++pos) {
        const UINT state = ::GetMenuState(menuBar_, static_cast<UINT>(pos), MF_BYPOSITION);
        if (state == 0xFFFFFFFF || !(state & MF_HILITE) || ::GetSubMenu(menuBar_, pos) != currentSubmenu_)
            continue;
        RECT item{};
        if (!::GetMenuItemRect(pvMenuWindow(), menuBar_, static_cast<UINT>(pos), &item)) return join;
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_DATA;
        ::GetMenuItemInfoW(menuBar_, static_cast<UINT>(pos), TRUE, &mii);
        const ItemRecord* record = records_.Find(mii.dwItemData);
        join.present = true;
        join.onBottom = window.top < item.top;
        join.offset = drop_.joinOffset;
        join.itemWidth = item.right - item.left;
        join.rightJustified = record && record->IsRightJustified();
        return join;
    }
    return join;
}

std::optional<rt::Rect> ctxHookMenu::pvItemArea(HWND hWnd) const {
    const HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(hWnd, MN_GETHMENU, 0, 0));
    const int count = menu ? ::GetMenuItemCount(menu) : 0;
    RECT area{};
    for (int pos = 0; pos < count; ++pos) {
        RECT item{};
        if (::GetMenuItemRect(nullptr, menu, static_cast<UINT>(pos), &item)) ::UnionRect(&area, &area, &item);
    }
    if (::IsRectEmpty(&area)) return std::nullopt;
    ::MapWindowPoints(nullptr, hWnd, reinterpret_cast<POINT*>(&area), 2);
    return rt::Rect{area.left, area.top, area.right, area.bottom};
}

void ctxHookMenu::pvFitPopup(HWND hWnd, WINDOWPOS& pos) const {
    if (pos.flags & SWP_NOSIZE) return;
    const auto area = pvItemArea(hWnd);
    if (!area) return;
    const rt::Point size = PopupSizeForItems(pos.cx, pos.cy, *area, metrics_.dpi);
    pos.cx = size.x;
    pos.cy = size.y;
}

drawing::cMemDC* ctxHookMenu::pvFrameImage(HWND hWnd) {
    RECT wr{};
    if (!::GetWindowRect(hWnd, &wr) || wr.right <= wr.left || wr.bottom <= wr.top) return nullptr;
    const int32_t w = wr.right - wr.left, h = wr.bottom - wr.top;
    // Kept while the window keeps its size; a popup that grew after its first paint gets a new one.
    for (auto& [wnd, kept] : popupImages_)
        if (wnd == hWnd && kept->Width() == w && kept->Height() == h) return kept.get();
    std::erase_if(popupImages_, [&](const auto& entry) { return entry.first == hWnd; });

    auto image = std::make_unique<drawing::cMemDC>();
    if (!image->Init(w, h)) return nullptr;
    // What lies behind the popup, for the shadow to darken.
    {
        rt::WindowDC desktop(::GetDesktopWindow());
        image->LoadBlt(desktop.get(), wr.left, wr.top, 0, 0, w, h);
    }
    const MenuColours colours = Colours();
    const FrameJoin join = pvFrameJoin(hWnd, wr);
    // Where the system outlines the client itself (its items lie inside that outline), the frame is the
    // client's outline, so that one line shows and the shadow falls outside it.
    const auto items = pvItemArea(hWnd);
    FrameLayout layout;
    if (items && (items->left > 0 || items->top > 0)) {
        RECT client{};
        ::GetClientRect(hWnd, &client);
        ::MapWindowPoints(hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        layout = LayOutPopupFrameAt(
            {client.left - wr.left, client.top - wr.top, client.right - wr.left, client.bottom - wr.top},
            metrics_.itemHeight, join, items->left, metrics_.dpi);
    } else {
        layout = LayOutPopupFrame(w, h, dlgFrameWidth_, metrics_.itemHeight, join, metrics_.dpi);
    }
    FrameLook look;
    look.joinColour = colours.barOpenFill;
    if (colours.barGradient) look.joinColour = join.onBottom ? colours.gradientOne : colours.gradientTwo;
    look.shadow = props_.DisplayShadow;
    look.plainColours = display_.PlainColors();
    PaintPopupFrame(*image, layout, look, colours);
    popupImages_.emplace_back(hWnd, std::move(image));
    return popupImages_.back().second.get();
}

} // namespace menus
