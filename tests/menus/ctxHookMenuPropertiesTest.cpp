// The menu control's properties on a form: the property bag both ways, item pictures, custom colours
// and the High Contrast palette.
#include "menus/ctxHookMenu.h"

#include <gtest/gtest.h>

#include "resources/resource_names.h"
#include "runtime/Picture.h"
#include "runtime/ScopeExit.h"
#include "tests/menus/MenuTestForm.h"

namespace menutest {
namespace {

rt::Picture Grip(const wchar_t* name = PELMOR_RES_SCRGRIPH) {
    return rt::LoadResPicture(name, rt::PictureType::Bitmap);
}

TEST(MenuControlProperties, ABagWrittenByOneControlIsReadBackByAnother) {
    MenuForm first;
    ASSERT_TRUE(first.Load());
    menus::ctxHookMenu& a = first.ctxHookMenu1;
    a.SetBitmapSize(20);
    a.SetAutoColumn(3);
    a.SetUserCheckBackColour(0x80000005);
    drawing::StdFont font = a.Font();
    font.Name = L"宋体";
    font.Size = 10.5;
    font.Bold(true);
    a.SetUseSystemFont(false);
    a.SetFont(font);
    a.SetBitmap(menus::MenuControlInfo{L"mnuOpen", -1, L"打开(&O)..."}, Grip(), 0xFF00FF);
    a.SetBitmapByCaption(L"mnuRecent:2", Grip(PELMOR_RES_SCRGRIPV), 0);
    // The same key in other letters replaces the entry; no picture removes it.
    a.SetBitmapByCaption(L"MNUOTHER", Grip(), 0);
    a.SetBitmapByCaption(L"mnuOther", nullptr, 0);
    const rt::PropertyBag bag = a.SaveProperties();
    EXPECT_EQ(bag.ReadInt16(L"BmpCount", 0), 2);

    MenuForm second;
    second.stored = &bag;
    ASSERT_TRUE(second.Load());
    menus::ctxHookMenu& b = second.ctxHookMenu1;
    EXPECT_EQ(b.FormWindow(), second.hWnd());
    EXPECT_EQ(b.Properties(), a.Properties());
    EXPECT_EQ(b.Font(), font);
    ASSERT_EQ(b.Bitmaps().size(), 2u);
    EXPECT_EQ(b.Bitmaps()[0].key, L"#mnuOpen");
    EXPECT_EQ(b.Bitmaps()[0].mask, 0xFF00FFu);
    EXPECT_EQ(b.Bitmaps()[1].picture->Width(), PELMOR_SCRGRIPV_W);
    EXPECT_TRUE(b.SaveProperties() == bag);
}

TEST(MenuControlProperties, CustomAttributesSetTheColoursAndTheMenuBackground) {
    MenuForm form;
    ASSERT_TRUE(form.Load());
    menus::ctxHookMenu& c = form.ctxHookMenu1;
    c.SetCustomAttributes(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, true, false);
    // The colour arguments in order, each given its position as its value.
    using P = menus::MenuProperties;
    constexpr uint32_t P::*kOrder[] = {&P::UserTopMenuBackColour,
                                       &P::UserTopMenuSelectedColour,
                                       &P::UserSelectedMenuBackColour,
                                       &P::UserTopMenuHotColour,
                                       &P::UserSelectedMenuBorderColour,
                                       &P::UserMenuBorderColour,
                                       &P::UserSideBarColour,
                                       &P::UserCheckBackColour,
                                       &P::UserCheckBorderColour,
                                       &P::UserGradientOne,
                                       &P::UserGradientTwo,
                                       &P::UserTopMenuHotBorderColour,
                                       &P::UserSelectedItemForeColour};
    for (uint32_t i = 0; i < std::size(kOrder); ++i)
        EXPECT_EQ(c.Properties().*kOrder[i], i + 1) << i;
    EXPECT_TRUE(c.UserUseGradient());
    EXPECT_FALSE(c.UserUseTopMenuGradient());
    MENUINFO mi{};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIM_BACKGROUND;
    ASSERT_TRUE(::GetMenuInfo(form.file, &mi) && mi.hbrBack);
    LOGBRUSH lb{};
    ::GetObjectW(mi.hbrBack, sizeof(lb), &lb);
    EXPECT_EQ(lb.lbColor, 1u);
    // A second call replaces the brush; unloading takes the last one off the menu.
    const long gdi = rt::LiveHandles::Gdi();
    c.SetCustomAttributes(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, false, false);
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    // Another bar gets a brush of its own; the first bar and its popups keep theirs, alive.
    rt::UniqueMenu bar(form.bar), other(::CreateMenu());
    ::SetMenu(form.hWnd(), other.get());
    c.SetCustomAttributes(3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, false, false);
    ASSERT_TRUE(::GetMenuInfo(form.file, &mi));
    ASSERT_EQ(::GetObjectW(mi.hbrBack, sizeof(lb), &lb), static_cast<int>(sizeof(lb)));
    EXPECT_EQ(lb.lbColor, 2u);
    ::SetMenu(form.hWnd(), nullptr);
    form.Unload();
    for (const HMENU menu : {form.file, other.get()})
        EXPECT_TRUE(::GetMenuInfo(menu, &mi) && !mi.hbrBack) << "a brush left on menu " << menu;
}

constexpr const wchar_t* kAppearance = L"Control Panel\\Appearance";

void WriteScheme(const wchar_t* value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kAppearance, L"Current", REG_SZ, value,
                      static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
}

// Sets the user's appearance scheme until the returned guard goes.
auto AppearanceScheme(const wchar_t* name) {
    wchar_t old[256] = {};
    DWORD bytes = sizeof(old);
    const bool had = ::RegGetValueW(HKEY_CURRENT_USER, kAppearance, L"Current", RRF_RT_REG_SZ, nullptr, old,
                                    &bytes) == ERROR_SUCCESS;
    WriteScheme(name);
    return rt::ScopeExit([had, old = std::wstring(old)] {
        if (had)
            WriteScheme(old.c_str());
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kAppearance, L"Current");
    });
}

TEST(MenuControlProperties, AHighContrastSchemeTakesEffectAtTheNextColourChange) {
    MenuForm form;
    ASSERT_TRUE(form.Load());
    menus::ctxHookMenu& c = form.ctxHookMenu1;
    ASSERT_FALSE(c.PlainColors()) << "the test display is expected to have more than 256 colours";
    {
        const auto scheme = AppearanceScheme(L"High Contrast Black");
        EXPECT_FALSE(c.PlainColors()) << "nothing but a colour change refreshes the palette";
        ::SendMessageW(form.hWnd(), WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_TRUE(c.PlainColors());
        EXPECT_EQ(c.Palette().selectionFill, ::GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(c.Palette().selectionText, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    ::SendMessageW(form.hWnd(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_FALSE(c.PlainColors());
    EXPECT_EQ(c.Palette().selectionFill,
              menus::Blend(::GetSysColor(COLOR_HIGHLIGHT), ::GetSysColor(COLOR_WINDOW), 70));
}

} // namespace
} // namespace menutest
