// The menu control's properties on a form: the property bag both ways, a bag with bad or missing
// entries, item pictures, custom colours and the High Contrast palette.
#include "menus/ctxHookMenu.h"

#include <gtest/gtest.h>

#include "MenuTestForm.h"
#include "resources/resource_names.h"
#include "runtime/Picture.h"

namespace menutest {
namespace {

TEST(MenuProperties, ABagWrittenByOneControlIsReadBackByAnother) {
    MenuForm first;
    ASSERT_TRUE(first.Load());
    menus::ctxHookMenu& a = first.ctxHookMenu1;
    a.SetBitmapSize(20);
    a.SetAutoColumn(3);
    a.SetDrawStyle(2);
    a.SetRightToLeft(true);
    a.SetUserGradientTwo(0x00ABCDEF);
    a.SetUserCheckBackColour(0x80000005);
    drawing::StdFont font = a.Font();
    font.Name = L"宋体";
    font.Size = 10.5;
    font.Bold(true);
    a.SetUseSystemFont(false);
    a.SetFont(font);
    a.SetBitmap(menus::MenuControlInfo{L"mnuOpen", -1, L"打开(&O)..."},
                rt::LoadResPicture(PELMOR_RES_SCRGRIPH, rt::PictureType::Bitmap), 0xFF00FF);
    a.SetBitmapByCaption(L"mnuRecent:2", rt::LoadResPicture(PELMOR_RES_SCRGRIPV, rt::PictureType::Bitmap), 0);
    const rt::PropertyBag bag = a.SaveProperties();
    EXPECT_EQ(bag.ReadInt16(L"BmpCount", 0), 2);
    EXPECT_EQ(bag.ReadText(L"Key:1", L""), L"#mnuOpen");
    EXPECT_EQ(bag.ReadText(L"Key:2", L""), L"#mnuRecent:2");

    MenuForm second;
    second.stored = &bag;
    ASSERT_TRUE(second.Load());
    menus::ctxHookMenu& b = second.ctxHookMenu1;
    EXPECT_EQ(b.FormWindow(), second.hWnd());
    EXPECT_EQ(b.BitmapSize(), 20);
    EXPECT_EQ(b.AutoColumn(), 3);
    EXPECT_EQ(b.DrawStyle(), 2);
    EXPECT_TRUE(b.RightToLeft());
    EXPECT_FALSE(b.UseSystemFont());
    EXPECT_EQ(b.Font(), font);
    EXPECT_EQ(b.UserGradientTwo(), 0x00ABCDEFu);
    EXPECT_EQ(b.UserCheckBackColour(), 0x80000005u);
    ASSERT_EQ(b.Bitmaps().size(), 2u);
    EXPECT_EQ(b.Bitmaps()[0].mask, 0xFF00FFu);
    EXPECT_EQ(b.Bitmaps()[1].picture->Width(), PELMOR_SCRGRIPV_W);
    EXPECT_TRUE(b.SaveProperties() == bag);
}

TEST(MenuProperties, BadOrMissingEntriesAreSkippedAndTheControlStillAttaches) {
    const auto bag = rt::PropertyBag::FromText("BitmapSize = text \"large\"\n"
                                               "AutoColumn = i32 2\n"
                                               "BmpCount = i16 2\n"
                                               "Bmp:1 = picture \"NO_SUCH_BITMAP\"\n"
                                               "Bmp:2 = picture \"SCRGRIPH\"\n"
                                               "UserSideBarColour = color &H00112233&\n"
                                               "UserMenuBorderColour = text \"grey\"\n"
                                               "RightToLeft = bool True\n");
    ASSERT_TRUE(bag);
    MenuForm form;
    form.stored = &*bag;
    ASSERT_TRUE(form.Load());
    menus::ctxHookMenu& c = form.ctxHookMenu1;
    EXPECT_EQ(c.BitmapSize(), 16);
    EXPECT_EQ(c.AutoColumn(), 2);
    ASSERT_EQ(c.Bitmaps().size(), 1u);
    EXPECT_EQ(c.Bitmaps()[0].key, L"#2");
    // The group whose names begin with "User" stops at its bad entry and keeps what it had.
    EXPECT_EQ(c.UserSideBarColour(), 0u);
    EXPECT_FALSE(c.RightToLeft());
    EXPECT_EQ(c.FormWindow(), form.hWnd());
    EXPECT_EQ(ItemType(form.bar, 0), static_cast<UINT>(MFT_OWNERDRAW));
}

TEST(MenuProperties, SetBitmapByCaptionWithoutAPictureRemovesTheEntry) {
    MenuForm form;
    ASSERT_TRUE(form.Load());
    menus::ctxHookMenu& c = form.ctxHookMenu1;
    const rt::Picture grip = rt::LoadResPicture(PELMOR_RES_SCRGRIPH, rt::PictureType::Bitmap);
    c.SetBitmapByCaption(L"mnuOpen", grip, 0);
    c.SetBitmapByCaption(L"MNUOPEN", grip, 1);
    ASSERT_EQ(c.Bitmaps().size(), 1u);
    EXPECT_EQ(c.Bitmaps()[0].mask, 1u);
    c.SetBitmapByCaption(L"mnuOpen", nullptr, 0);
    EXPECT_TRUE(c.Bitmaps().empty());
}

TEST(MenuProperties, CustomAttributesSetTheColoursAndTheMenuBackground) {
    MenuForm form;
    ASSERT_TRUE(form.Load());
    menus::ctxHookMenu& c = form.ctxHookMenu1;
    c.ClearChangedProperties();
    c.SetCustomAttributes(0x000001, 0x000002, 0x000003, 0x000004, 0x000005, 0x000006, 0x000007, 0x000008,
                          0x000009, 0x00000A, 0x00000B, 0x00000C, 0x00000D, true, false);
    EXPECT_EQ(c.UserTopMenuBackColour(), 1u);
    EXPECT_EQ(c.UserTopMenuSelectedColour(), 2u);
    EXPECT_EQ(c.UserSelectedMenuBackColour(), 3u);
    EXPECT_EQ(c.UserTopMenuHotColour(), 4u);
    EXPECT_EQ(c.UserSelectedMenuBorderColour(), 5u);
    EXPECT_EQ(c.UserMenuBorderColour(), 6u);
    EXPECT_EQ(c.UserSideBarColour(), 7u);
    EXPECT_EQ(c.UserCheckBackColour(), 8u);
    EXPECT_EQ(c.UserCheckBorderColour(), 9u);
    EXPECT_EQ(c.UserGradientOne(), 10u);
    EXPECT_EQ(c.UserGradientTwo(), 11u);
    EXPECT_EQ(c.UserTopMenuHotBorderColour(), 12u);
    EXPECT_EQ(c.UserSelectedItemForeColour(), 13u);
    EXPECT_TRUE(c.UserUseGradient());
    EXPECT_FALSE(c.UserUseTopMenuGradient());
    EXPECT_EQ(c.ChangedProperties().size(), 15u);
    MENUINFO mi{};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIM_BACKGROUND;
    ASSERT_TRUE(::GetMenuInfo(form.file, &mi));
    ASSERT_TRUE(mi.hbrBack);
    LOGBRUSH lb{};
    ::GetObjectW(mi.hbrBack, sizeof(lb), &lb);
    EXPECT_EQ(lb.lbColor, 0x000001u);
    // A second call replaces the brush; unloading takes the last one off the menu again.
    const long gdi = rt::LiveHandles::Gdi();
    c.SetCustomAttributes(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, false, false);
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    rt::UniqueMenu bar(form.bar);
    ::SetMenu(form.hWnd(), nullptr);
    form.Unload();
    ASSERT_TRUE(::GetMenuInfo(form.file, &mi));
    EXPECT_EQ(mi.hbrBack, nullptr);
}

// Sets the user's appearance scheme for the life of the object.
class AppearanceScheme {
  public:
    explicit AppearanceScheme(const wchar_t* name) {
        DWORD bytes = sizeof(old_);
        had_ = ::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Appearance", L"Current", RRF_RT_REG_SZ,
                              nullptr, old_, &bytes) == ERROR_SUCCESS;
        Write(name);
    }
    ~AppearanceScheme() {
        if (had_)
            Write(old_);
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Appearance", L"Current");
    }

  private:
    static void Write(const wchar_t* value) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Appearance", L"Current", REG_SZ, value,
                          static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    wchar_t old_[256] = {};
    bool had_ = false;
};

TEST(MenuProperties, AHighContrastSchemeTakesEffectAtTheNextColourChange) {
    MenuForm form;
    ASSERT_TRUE(form.Load());
    menus::ctxHookMenu& c = form.ctxHookMenu1;
    ASSERT_FALSE(c.PlainColors()) << "the test display is expected to have more than 256 colours";
    {
        AppearanceScheme scheme(L"High Contrast Black");
        EXPECT_FALSE(c.PlainColors()) << "nothing but a colour change refreshes the palette";
        ::SendMessageW(form.hWnd(), WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_TRUE(c.PlainColors());
        EXPECT_EQ(c.Palette().selectionFill, ::GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(c.Palette().selectionText, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        EXPECT_EQ(c.Palette().sideBar, ::GetSysColor(COLOR_BTNFACE));
    }
    ::SendMessageW(form.hWnd(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_FALSE(c.PlainColors());
    EXPECT_EQ(c.Palette().selectionFill,
              menus::Blend(::GetSysColor(COLOR_HIGHLIGHT), ::GetSysColor(COLOR_WINDOW), 70));
}

} // namespace
} // namespace menutest
