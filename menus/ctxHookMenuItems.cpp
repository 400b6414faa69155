// Converting menu items to owner-draw and back, measuring them, and finding items by mnemonic.
#include "menus/ctxHookMenu.h"

#include "menus/PopupGeometry.h"

namespace menus {

namespace {

constexpr int kCaptionBuffer = 1024;

} // namespace

void ctxHookMenu::pvInitMenu(HMENU hMenu, MenuKind kind) {
    if (!hMenu) return;
    if (const HWND child = pvActiveChild()) {
        const auto command =
            kind == MenuKind::Bar ? InitMenuCommand::InitMenuBar : InitMenuCommand::InitPopup;
        if (::SendMessageW(child, InitMenuMsg(), InitMenuWParam(command), reinterpret_cast<LPARAM>(hMenu)) ==
            1)
            return;
    }

    struct Item {
        UINT position;
        uint32_t preType;
        ULONG_PTR data;
    };
    std::vector<Item> items;
    const int count = ::GetMenuItemCount(hMenu);
    for (int pos = 0; pos < count; ++pos) {
        rt::Trap([&] {
            wchar_t text[kCaptionBuffer] = {};
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof(mii);
            mii.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_DATA | MIIM_ID;
            mii.dwTypeData = text;
            mii.cch = kCaptionBuffer;
            if (!::GetMenuItemInfoW(hMenu, static_cast<UINT>(pos), TRUE, &mii)) return;
            if (mii.fType & MFT_OWNERDRAW) {
                // Ours from an earlier opening, or the form's own owner-drawn item, which stays its own.
                const ItemRecord* record = records_.Find(mii.dwItemData);
                if (!record || record->menu != MenuNumber(hMenu) || record->id != mii.wID) return;
                items.push_back({static_cast<UINT>(pos), record->type, mii.dwItemData});
                return;
            }
            ItemRecord r;
            r.menu = MenuNumber(hMenu);
            r.caption.assign(text, std::min<size_t>(mii.cch, kCaptionBuffer - 1));
            r.type = mii.fType;
            r.top = kind == MenuKind::Bar;
            r.id = mii.wID;
            items.push_back({static_cast<UINT>(pos), r.type, records_.Add(r)});
        });
    }

    std::vector<uint32_t> types;
    for (const Item& item : items)
        types.push_back(item.preType);
    const bool columns = kind == MenuKind::Popup && hMenu != menuBar_;
    const std::vector<bool> breaks = ColumnBreaks(types, columns ? props_.AutoColumn : 0);
    for (size_t i = 0; i < items.size(); ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_BITMAP;
        mii.fType = OwnerDrawnType(items[i].preType) | (breaks[i] ? MFT_MENUBREAK : 0);
        mii.dwItemData = items[i].data;
        mii.hbmpItem = nullptr;
        ::SetMenuItemInfoW(hMenu, items[i].position, TRUE, &mii);
        records_.SetPlace(items[i].data, static_cast<int32_t>(items[i].position));
    }

    msghook::cMenuHook::SetCurrentMenuControl(this);
}

ctxHookMenu::ItemAt ctxHookMenu::pvFindItem(HMENU menu, ULONG_PTR data) {
    // By the data word, not by command identifier: separators and submenus share identifiers.
    const ItemRecord* record = records_.Find(data);
    ItemAt at;
    const auto holds = [&](int32_t pos) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &mii) || !(mii.fType & MFT_OWNERDRAW) ||
            mii.dwItemData != data || mii.wID != record->id)
            return false;
        at = {pos, mii.fState, mii.hSubMenu};
        return true;
    };
    if (!record) return at;
    if (const int32_t place = records_.Place(data); place >= 0 && holds(place)) return at;
    const int count = ::GetMenuItemCount(menu);
    for (int32_t pos = 0; pos < count; ++pos)
        if (holds(pos)) {
            records_.SetPlace(data, pos);
            break;
        }
    return at;
}

void ctxHookMenu::pvRestoreMenus() {
    for (uint64_t position = 1; position <= records_.Count(); ++position) {
        rt::Trap([&] {
            const ItemRecord* record = records_.Find(position);
            const HMENU menu = reinterpret_cast<HMENU>(static_cast<uintptr_t>(record->menu));
            if (!::IsMenu(menu)) return;
            const int32_t pos = pvFindItem(menu, position).pos;
            if (pos < 0) return;
            std::wstring caption = record->caption;
            MENUITEMINFOW back{};
            back.cbSize = sizeof(back);
            back.fMask = MIIM_FTYPE | MIIM_DATA;
            back.fType = record->type;
            back.dwItemData = 0;
            if (!record->IsSeparator()) {
                back.fMask |= MIIM_STRING;
                back.dwTypeData = caption.data();
            }
            ::SetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &back);
        });
    }
    records_.Clear();
}

bool ctxHookMenu::HandleMenuChar(HMENU hMenu, wchar_t character, LRESULT& result) {
    const int count = ::GetMenuItemCount(hMenu);
    for (int pos = 0; pos < count; ++pos) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_DATA;
        if (!::GetMenuItemInfoW(hMenu, static_cast<UINT>(pos), TRUE, &mii)) continue;
        if (mii.dwItemData == 0 || (mii.fType & MFT_SEPARATOR)) continue;
        const ItemRecord* record = records_.Find(mii.dwItemData);
        if (!record || record->menu != MenuNumber(hMenu)) continue;
        if (Mnemonic(record->caption) == character) {
            result = MAKELRESULT(pos, MNC_EXECUTE);
            return true;
        }
    }
    return false;
}

bool ctxHookMenu::pvMeasureItem(MEASUREITEMSTRUCT& mis) {
    if (mis.CtlType != ODT_MENU) return false;
    const ItemRecord* record = records_.Find(mis.itemData);
    if (!record || record->id != mis.itemID || record->menu == 0) {
        mis.itemWidth = 50;
        return false;
    }
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    measure_.DrawText(record->caption, left, top, right, bottom, DT_CALCRECT | DT_SINGLELINE);
    const ItemSize size = MeasureItem(metrics_, right - left, record->top, record->IsSeparator());
    mis.itemWidth = static_cast<UINT>(size.width);
    mis.itemHeight = static_cast<UINT>(size.height);
    return true;
}

} // namespace menus
