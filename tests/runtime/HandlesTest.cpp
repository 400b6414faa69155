#include "runtime/Handles.h"

#include <gtest/gtest.h>

namespace {

bool IconAlive(HICON h) {
    ICONINFO ii{};
    if (!::GetIconInfo(h, &ii)) return false;
    if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
    if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
    return true;
}

// One entry per owner type: how to make a fresh handle and how to tell whether it still exists.
struct BitmapKind {
    using Owner = rt::UniqueBitmap;
    static constexpr rt::HandleKind kKind = rt::HandleKind::Gdi;
    static HBITMAP Make() { return ::CreateBitmap(4, 4, 1, 32, nullptr); }
    static bool Alive(HBITMAP h) { return ::GetObjectType(h) == OBJ_BITMAP; }
};
struct BrushKind {
    using Owner = rt::UniqueBrush;
    static constexpr rt::HandleKind kKind = rt::HandleKind::Gdi;
    static HBRUSH Make() { return ::CreateSolidBrush(RGB(1, 2, 3)); }
    static bool Alive(HBRUSH h) { return ::GetObjectType(h) == OBJ_BRUSH; }
};
struct FontKind {
    using Owner = rt::UniqueFont;
    static constexpr rt::HandleKind kKind = rt::HandleKind::Gdi;
    static HFONT Make() {
        return ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    }
    static bool Alive(HFONT h) { return ::GetObjectType(h) == OBJ_FONT; }
};
struct RgnKind {
    using Owner = rt::UniqueRgn;
    static constexpr rt::HandleKind kKind = rt::HandleKind::Gdi;
    static HRGN Make() { return ::CreateRectRgn(0, 0, 5, 5); }
    static bool Alive(HRGN h) { return ::GetObjectType(h) == OBJ_REGION; }
};
struct DcKind {
    using Owner = rt::UniqueDC;
    static constexpr rt::HandleKind kKind = rt::HandleKind::Gdi;
    static HDC Make() { return ::CreateCompatibleDC(nullptr); }
    static bool Alive(HDC h) { return ::GetObjectType(h) == OBJ_MEMDC; }
};
struct IconKind {
    using Owner = rt::UniqueIcon;
    static constexpr rt::HandleKind kKind = rt::HandleKind::User;
    static HICON Make() { return ::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION)); }
    static bool Alive(HICON h) { return IconAlive(h); }
};
struct CursorKind {
    using Owner = rt::UniqueCursor;
    static constexpr rt::HandleKind kKind = rt::HandleKind::User;
    static HCURSOR Make() { return static_cast<HCURSOR>(::CopyIcon(::LoadCursorW(nullptr, IDC_ARROW))); }
    static bool Alive(HCURSOR h) { return IconAlive(h); }
};
struct MenuKind {
    using Owner = rt::UniqueMenu;
    static constexpr rt::HandleKind kKind = rt::HandleKind::User;
    static HMENU Make() { return ::CreatePopupMenu(); }
    static bool Alive(HMENU h) { return ::IsMenu(h) != FALSE; }
};
struct WindowKind {
    using Owner = rt::UniqueWindow;
    static constexpr rt::HandleKind kKind = rt::HandleKind::User;
    static HWND Make() {
        return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    }
    static bool Alive(HWND h) { return ::IsWindow(h) != FALSE; }
};

long Live(rt::HandleKind k) {
    return rt::LiveHandles::of(k).load();
}

template <class K> class OwnerTest : public ::testing::Test {};
using Kinds = ::testing::Types<BitmapKind, BrushKind, FontKind, RgnKind, DcKind, IconKind, CursorKind,
                               MenuKind, WindowKind>;
TYPED_TEST_SUITE(OwnerTest, Kinds);

TYPED_TEST(OwnerTest, CountsUpWhileOwnedAndDestroysOnScopeExit) {
    const long before = Live(TypeParam::kKind);
    auto raw = TypeParam::Make();
    ASSERT_TRUE(raw);
    {
        typename TypeParam::Owner owner(raw);
        EXPECT_EQ(Live(TypeParam::kKind), before + 1);
        EXPECT_EQ(owner.get(), raw);
        EXPECT_TRUE(static_cast<bool>(owner));
    }
    EXPECT_EQ(Live(TypeParam::kKind), before);
    EXPECT_FALSE(TypeParam::Alive(raw));
}

TYPED_TEST(OwnerTest, EmptyOwnerCountsNothing) {
    const long before = Live(TypeParam::kKind);
    {
        typename TypeParam::Owner owner;
        EXPECT_FALSE(static_cast<bool>(owner));
        EXPECT_EQ(Live(TypeParam::kKind), before);
    }
    EXPECT_EQ(Live(TypeParam::kKind), before);
}

TYPED_TEST(OwnerTest, MoveTransfersOwnershipWithoutCounting) {
    const long before = Live(TypeParam::kKind);
    auto raw = TypeParam::Make();
    typename TypeParam::Owner a(raw);
    typename TypeParam::Owner b(std::move(a));
    EXPECT_FALSE(static_cast<bool>(a));
    EXPECT_EQ(b.get(), raw);
    EXPECT_EQ(Live(TypeParam::kKind), before + 1);
    EXPECT_TRUE(TypeParam::Alive(raw));
}

TYPED_TEST(OwnerTest, MoveAssignDestroysTheTargetsOldHandle) {
    const long before = Live(TypeParam::kKind);
    auto first = TypeParam::Make();
    auto second = TypeParam::Make();
    typename TypeParam::Owner a(first);
    typename TypeParam::Owner b(second);
    EXPECT_EQ(Live(TypeParam::kKind), before + 2);
    b = std::move(a);
    EXPECT_EQ(Live(TypeParam::kKind), before + 1);
    EXPECT_EQ(b.get(), first);
    EXPECT_FALSE(static_cast<bool>(a));
    EXPECT_FALSE(TypeParam::Alive(second));
    EXPECT_TRUE(TypeParam::Alive(first));
}

TYPED_TEST(OwnerTest, ReleaseHandsOverWithoutDestroying) {
    const long before = Live(TypeParam::kKind);
    auto raw = TypeParam::Make();
    decltype(raw) released{};
    {
        typename TypeParam::Owner owner(raw);
        released = owner.release();
        EXPECT_FALSE(static_cast<bool>(owner));
        EXPECT_EQ(Live(TypeParam::kKind), before);
    }
    EXPECT_EQ(released, raw);
    EXPECT_TRUE(TypeParam::Alive(raw));
    typename TypeParam::Owner cleanup(raw);
}

TYPED_TEST(OwnerTest, ResetReplacesAndIgnoresItsOwnHandle) {
    const long before = Live(TypeParam::kKind);
    auto first = TypeParam::Make();
    auto second = TypeParam::Make();
    typename TypeParam::Owner owner(first);
    owner.reset(first);
    EXPECT_TRUE(TypeParam::Alive(first));
    EXPECT_EQ(Live(TypeParam::kKind), before + 1);
    owner.reset(second);
    EXPECT_FALSE(TypeParam::Alive(first));
    EXPECT_EQ(owner.get(), second);
    EXPECT_EQ(Live(TypeParam::kKind), before + 1);
    owner.reset();
    EXPECT_FALSE(TypeParam::Alive(second));
    EXPECT_EQ(Live(TypeParam::kKind), before);
}

TEST(SelectGuard, PutsThePreviousObjectsBackInReverseOrder) {
    rt::UniqueDC dc(::CreateCompatibleDC(nullptr));
    rt::UniqueBitmap outer(::CreateBitmap(8, 8, 1, 32, nullptr));
    rt::UniqueBitmap inner(::CreateBitmap(8, 8, 1, 32, nullptr));
    rt::UniqueBrush brush(::CreateSolidBrush(RGB(9, 9, 9)));
    const HGDIOBJ stockBitmap = ::GetCurrentObject(dc.get(), OBJ_BITMAP);
    const HGDIOBJ stockBrush = ::GetCurrentObject(dc.get(), OBJ_BRUSH);
    {
        rt::SelectGuard a(dc.get(), outer.get());
        ASSERT_TRUE(a.ok());
        rt::SelectGuard b(dc.get(), brush.get());
        {
            rt::SelectGuard c(dc.get(), inner.get());
            EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), inner.get());
        }
        EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), outer.get());
        EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BRUSH), brush.get());
    }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), stockBitmap);
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BRUSH), stockBrush);
}

TEST(SelectGuard, NullObjectSelectsNothing) {
    rt::UniqueDC dc(::CreateCompatibleDC(nullptr));
    const HGDIOBJ stockBitmap = ::GetCurrentObject(dc.get(), OBJ_BITMAP);
    {
        rt::SelectGuard g(dc.get(), nullptr);
        EXPECT_FALSE(g.ok());
    }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), stockBitmap);
}

TEST(UniqueKernelHandle, ClosesOnScopeExitAndTreatsInvalidAsEmpty) {
    HANDLE ev = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(ev);
    {
        rt::UniqueKernelHandle h(ev);
        DWORD flags = 0;
        EXPECT_TRUE(::GetHandleInformation(ev, &flags));
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(ev, &flags));
    rt::UniqueKernelHandle invalid(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(static_cast<bool>(invalid));
}

TEST(WindowDC, GetsAndReleasesTheWindowsDC) {
    rt::UniqueWindow wnd(WindowKind::Make());
    {
        rt::WindowDC dc(wnd.get());
        ASSERT_TRUE(static_cast<bool>(dc));
        EXPECT_EQ(::WindowFromDC(dc.get()), wnd.get());
    }
}

LRESULT CALLBACK PaintingProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        rt::PaintGuard paint(wnd);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, paint.dc() ? 1 : 0);
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

TEST(PaintGuard, EndsPaintingSoTheWindowIsValidated) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PaintingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelmorPaintGuardTest";
    ::RegisterClassW(&wc);
    rt::UniqueWindow wnd(::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                           nullptr, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(wnd);
    ::InvalidateRect(wnd.get(), nullptr, FALSE);
    ::UpdateWindow(wnd.get());
    EXPECT_EQ(::GetWindowLongPtrW(wnd.get(), GWLP_USERDATA), 1);
    EXPECT_FALSE(::GetUpdateRect(wnd.get(), nullptr, FALSE));
}

TEST(LiveHandles, ThousandCyclesOfCreateSelectDeleteReturnToTheStart) {
    const long gdi = rt::LiveHandles::Gdi();
    const long user = rt::LiveHandles::User();
    rt::UniqueDC screenDc(::CreateCompatibleDC(nullptr));
    for (int i = 0; i < 1000; ++i) {
        rt::UniqueDC dc(::CreateCompatibleDC(screenDc.get()));
        rt::UniqueBitmap bmp(::CreateBitmap(16, 16, 1, 32, nullptr));
        rt::UniqueBrush brush(::CreateSolidBrush(RGB(i & 0xFF, 0, 0)));
        rt::UniqueIcon icon(IconKind::Make());
        ASSERT_TRUE(dc && bmp && brush && icon) << "cycle " << i;
        rt::SelectGuard selBmp(dc.get(), bmp.get());
        rt::SelectGuard selBrush(dc.get(), brush.get());
        ::PatBlt(dc.get(), 0, 0, 16, 16, PATCOPY);
        EXPECT_EQ(::GetPixel(dc.get(), 3, 3), RGB(i & 0xFF, 0, 0));
    }
    screenDc.reset();
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    EXPECT_EQ(rt::LiveHandles::User(), user);
}

} // namespace
