// cMagneticWnd on real top-level windows: the move/size messages are sent as the system's move loop
// would send them, with the cursor placed first because the move rule follows it.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "magnetic/cMagneticWnd.h"
#include "runtime/Handles.h"
#include "tests/support/SwallowedErrors.h"

namespace {

constexpr DWORD kThick = WS_OVERLAPPEDWINDOW; // frame offset 3
constexpr DWORD kPopup = WS_POPUP;            // frame offset 0

LRESULT CALLBACK BaseProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    // A window may carry the rectangle it takes when maximized.
    if (msg == WM_GETMINMAXINFO) {
        if (const auto* max = reinterpret_cast<const RECT*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA))) {
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
            mmi->ptMaxPosition = {max->left, max->top};
            mmi->ptMaxSize = {max->right - max->left, max->bottom - max->top};
            return 0;
        }
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

rt::UniqueWindow MakeWindow(DWORD style, int x, int y, int w, int h) {
    static const ATOM cls = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &BaseProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"PelmorMagneticTestWindow";
        return ::RegisterClassExW(&wc);
    }();
    return rt::UniqueWindow(::CreateWindowExW(0, MAKEINTATOM(cls), L"", style, x, y, w, h, nullptr, nullptr,
                                              ::GetModuleHandleW(nullptr), nullptr));
}

RECT WindowRect(HWND w) {
    RECT rc{};
    ::GetWindowRect(w, &rc);
    return rc;
}

RECT WorkArea() {
    RECT wa{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
    return wa;
}

RECT At(LONG x, LONG y, LONG w, LONG h) {
    return {x, y, x + w, y + h};
}

WNDPROC CurrentProc(HWND w) {
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(w, GWLP_WNDPROC));
}

std::string Str(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// The user grabbed the window 40 pixels right of and 10 below its top-left corner.
constexpr POINT kGrab{40, 10};

struct Moved {
    LRESULT result;
    RECT rect;
};

bool CursorIs(LONG x, LONG y) {
    POINT pt{};
    return ::GetCursorPos(&pt) && pt.x == x && pt.y == y;
}

// The display is shared: when something else moved the pointer while the message ran, it is sent again
// (both messages only read state taken at the start of the move, so a repeat is harmless).
template <class Send> void WithCursorAt(LONG x, LONG y, Send send) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        ASSERT_TRUE(::SetCursorPos(x, y));
        send();
        if (CursorIs(x, y)) return;
    }
    FAIL() << "the pointer keeps being moved by someone else";
}

void BeginDrag(HWND w) {
    const RECT start = WindowRect(w);
    WithCursorAt(start.left + kGrab.x, start.top + kGrab.y,
                 [w] { ::SendMessageW(w, WM_ENTERSIZEMOVE, 0, 0); });
}

// One WM_MOVING with the cursor where it puts the window's top-left at (x, y); the proposed rectangle is
// the window's own one moved there, as the system proposes it.
Moved MoveTo(HWND w, LONG x, LONG y) {
    const RECT now = WindowRect(w);
    Moved m{};
    WithCursorAt(x + kGrab.x, y + kGrab.y, [&] {
        m.rect = At(x, y, now.right - now.left, now.bottom - now.top);
        m.result = ::SendMessageW(w, WM_MOVING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&m.rect));
    });
    return m;
}

// A whole move loop: the window ends where WM_MOVING left the rectangle.
Moved Drag(HWND w, LONG x, LONG y) {
    BeginDrag(w);
    const Moved m = MoveTo(w, x, y);
    ::SetWindowPos(w, nullptr, m.rect.left, m.rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(w, WM_EXITSIZEMOVE, 0, 0);
    return m;
}

class MagneticWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wa_ = WorkArea();
        ASSERT_GT(wa_.right - wa_.left, 800);
        ASSERT_GT(wa_.bottom - wa_.top, 600);
    }
    LONG CenterX(LONG width) const { return (wa_.left + wa_.right - width) / 2; }
    LONG CenterY(LONG height) const { return (wa_.top + wa_.bottom - height) / 2; }

    RECT wa_{};
    std::unique_ptr<cMagneticWnd> mag_ = std::make_unique<cMagneticWnd>();
};

enum class Side { Left, Top, Right, Bottom };

struct EdgeCase {
    const char* name;
    DWORD style;
    Side side;
    LONG gap; // from the work-area edge, inside it
};

class MovingNearEdge : public MagneticWndTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(MovingNearEdge, SnapsTheVisibleEdgeOntoTheWorkAreaWithinNinePixels) {
    const auto& c = GetParam();
    constexpr LONG kW = 300, kH = 200;
    auto w = MakeWindow(c.style, CenterX(kW), CenterY(kH), kW, kH);
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    const LONG f = (c.style & WS_THICKFRAME) ? 3 : 0;
    const bool snaps = c.gap < 10;

    POINT target{CenterX(kW), CenterY(kH)};
    POINT expected = target;
    switch (c.side) {
    case Side::Left:
        target.x = wa_.left + c.gap;
        expected.x = snaps ? wa_.left - f : target.x;
        break;
    case Side::Top:
        target.y = wa_.top + c.gap;
        expected.y = snaps ? wa_.top - f : target.y;
        break;
    case Side::Right:
        target.x = wa_.right - c.gap - kW;
        expected.x = snaps ? wa_.right + f - kW : target.x;
        break;
    case Side::Bottom:
        target.y = wa_.bottom - c.gap - kH;
        expected.y = snaps ? wa_.bottom + f - kH : target.y;
        break;
    }
    const Moved m = Drag(w.get(), target.x, target.y);
    EXPECT_EQ(m.result, 1);
    EXPECT_EQ(Str(m.rect), Str(At(expected.x, expected.y, kW, kH)));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, MovingNearEdge,
    ::testing::Values(
        EdgeCase{"PopupLeft9", kPopup, Side::Left, 9}, EdgeCase{"PopupLeft10", kPopup, Side::Left, 10},
        EdgeCase{"PopupTop9", kPopup, Side::Top, 9}, EdgeCase{"PopupTop10", kPopup, Side::Top, 10},
        EdgeCase{"PopupRight9", kPopup, Side::Right, 9}, EdgeCase{"PopupRight10", kPopup, Side::Right, 10},
        EdgeCase{"PopupBottom9", kPopup, Side::Bottom, 9},
        EdgeCase{"PopupBottom10", kPopup, Side::Bottom, 10}, EdgeCase{"ThickLeft9", kThick, Side::Left, 9},
        EdgeCase{"ThickLeft10", kThick, Side::Left, 10}, EdgeCase{"ThickTop9", kThick, Side::Top, 9},
        EdgeCase{"ThickRight9", kThick, Side::Right, 9}, EdgeCase{"ThickBottom9", kThick, Side::Bottom, 9},
        EdgeCase{"ThickBottom10", kThick, Side::Bottom, 10}),
    [](const auto& info) { return std::string(info.param.name); });

class SizingEveryEdge : public MagneticWndTest, public ::testing::WithParamInterface<int> {};

TEST_P(SizingEveryEdge, SnapsOnlyTheDraggedEdges) {
    const int edge = GetParam();
    auto w = MakeWindow(kThick, CenterX(300), CenterY(200), 300, 200);
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    ::SendMessageW(w.get(), WM_ENTERSIZEMOVE, 0, 0);
    const RECT proposed{wa_.left + 9, wa_.top + 9, wa_.right - 9, wa_.bottom - 9};
    RECT rc = proposed;
    EXPECT_EQ(::SendMessageW(w.get(), WM_SIZING, edge, reinterpret_cast<LPARAM>(&rc)), 1);
    ::SendMessageW(w.get(), WM_EXITSIZEMOVE, 0, 0);

    const bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
    const bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
    const bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
    const bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
    const RECT expected{left ? wa_.left - 3 : proposed.left, top ? wa_.top - 3 : proposed.top,
                        right ? wa_.right + 3 : proposed.right, bottom ? wa_.bottom + 3 : proposed.bottom};
    EXPECT_EQ(Str(rc), Str(expected));
}

INSTANTIATE_TEST_SUITE_P(Edges, SizingEveryEdge, ::testing::Range(1, 9));

TEST_F(MagneticWndTest, MovingFollowsTheCursorSoASnapDoesNotStick) {
    auto w = MakeWindow(kPopup, CenterX(300), CenterY(200), 300, 200);
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    const LONG y = CenterY(200);
    BeginDrag(w.get());
    EXPECT_EQ(MoveTo(w.get(), wa_.left + 9, y).rect.left, wa_.left);
    // The system would now propose the snapped place plus the cursor's travel (left + 6, in range
    // again); the cursor alone puts the window at 15.
    RECT rc{};
    LRESULT r = 0;
    WithCursorAt(wa_.left + 15 + kGrab.x, y + kGrab.y, [&] {
        rc = At(wa_.left + 6, y, 300, 200);
        r = ::SendMessageW(w.get(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&rc));
    });
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Str(rc), Str(At(wa_.left + 15, y, 300, 200)));
    ::SendMessageW(w.get(), WM_EXITSIZEMOVE, 0, 0);
}

TEST_F(MagneticWndTest, AnotherRegisteredWindowOutranksTheWorkArea) {
    // B's left edge at 5 and the work area's at 0 are both in range of the mover's left edge at 9.
    auto mover = MakeWindow(kPopup, CenterX(200), 300, 200, 200);
    auto b = MakeWindow(kPopup, wa_.left + 5, 250, 100, 100);
    ASSERT_TRUE(mag_->AddWindow(mover.get()));
    ASSERT_TRUE(mag_->AddWindow(b.get()));
    EXPECT_EQ(Drag(mover.get(), wa_.left + 9, 300).rect.left, wa_.left + 5);
}

TEST_F(MagneticWndTest, AMaximizedWindowCountsAsTheWorkArea) {
    // A covers 100,100 - 500,400 both as a normal and as a maximized window; B's left edge dragged to
    // 509 is 9 from A's right edge.
    const RECT aRect = At(wa_.left + 100, wa_.top + 100, 400, 300);
    auto b = MakeWindow(kPopup, wa_.left + 600, wa_.top + 150, 200, 200);
    auto a = MakeWindow(kThick, aRect.left, aRect.top, 400, 300);
    ::SetWindowLongPtrW(a.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&aRect));
    ASSERT_TRUE(mag_->AddWindow(b.get()));
    ASSERT_TRUE(mag_->AddWindow(a.get()));
    const POINT target{wa_.left + 509, wa_.top + 150};

    EXPECT_EQ(Drag(b.get(), target.x, target.y).rect.left, aRect.right);
    ::ShowWindow(a.get(), SW_SHOWMAXIMIZED);
    ASSERT_TRUE(::IsZoomed(a.get()));
    ASSERT_EQ(Str(WindowRect(a.get())), Str(aRect));
    EXPECT_EQ(Drag(b.get(), target.x, target.y).rect.left, target.x);
    ::ShowWindow(a.get(), SW_HIDE);
    ::SetWindowLongPtrW(a.get(), GWLP_USERDATA, 0);
}

// Parent P with a chain of siblings to its right: C1 touches P, C2 touches C1; L touches nothing.
class GluedGroup : public MagneticWndTest {
  protected:
    void SetUp() override {
        MagneticWndTest::SetUp();
        p_ = MakeWindow(kPopup, 300, 200, 200, 200);
        c1_ = MakeWindow(kPopup, 500, 200, 100, 100);
        c2_ = MakeWindow(kPopup, 600, 200, 100, 100);
        loose_ = MakeWindow(kPopup, 300, 600, 100, 100);
        ASSERT_TRUE(mag_->AddWindow(p_.get()));
        // Registered before the sibling it hangs on.
        ASSERT_TRUE(mag_->AddWindow(c2_.get(), p_.get()));
        ASSERT_TRUE(mag_->AddWindow(c1_.get(), p_.get()));
        ASSERT_TRUE(mag_->AddWindow(loose_.get(), p_.get()));
    }
    rt::UniqueWindow p_, c1_, c2_, loose_;
};

TEST_F(GluedGroup, ChildrenFollowTheParentKeepingTheirOffset) {
    const Moved m = Drag(p_.get(), 337, 223);
    EXPECT_EQ(m.result, 1);
    EXPECT_EQ(Str(m.rect), Str(At(337, 223, 200, 200)));
    EXPECT_EQ(Str(WindowRect(c1_.get())), Str(At(537, 223, 100, 100)));
    EXPECT_EQ(Str(WindowRect(c2_.get())), Str(At(637, 223, 100, 100)));
    EXPECT_EQ(Str(WindowRect(loose_.get())), Str(At(300, 600, 100, 100)));
}

TEST_F(GluedGroup, ASiblingChainCutFromTheParentStaysBehind) {
    ::SetWindowPos(c1_.get(), nullptr, 505, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(c2_.get(), nullptr, 605, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    mag_->CheckGlueing();
    Drag(p_.get(), 337, 223);
    EXPECT_EQ(Str(WindowRect(c1_.get())), Str(At(505, 200, 100, 100)));
    EXPECT_EQ(Str(WindowRect(c2_.get())), Str(At(605, 200, 100, 100)));
}

TEST_F(GluedGroup, AChildNearAnEdgeSnapsTheGroup) {
    // C2's right edge would be 9 from the work area's right edge.
    const LONG x = wa_.right - 9 - 400;
    const Moved m = Drag(p_.get(), x, 223);
    EXPECT_EQ(m.rect.left, x + 9);
    EXPECT_EQ(WindowRect(c2_.get()).right, wa_.right);
}

struct RecomputeCase {
    const char* name;
    UINT msg;
    WPARAM wp;
};

class GlueRecomputedAfter : public GluedGroup, public ::testing::WithParamInterface<RecomputeCase> {};

TEST_P(GlueRecomputedAfter, Message) {
    // L moved against P behind the manager's back: glued only once the message has been seen.
    ::SetWindowPos(loose_.get(), nullptr, 300, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(p_.get(), GetParam().msg, GetParam().wp, 0);
    Drag(p_.get(), 310, 200);
    EXPECT_EQ(Str(WindowRect(loose_.get())), Str(At(310, 400, 100, 100)));
}

INSTANTIATE_TEST_SUITE_P(Messages, GlueRecomputedAfter,
                         ::testing::Values(RecomputeCase{"ExitSizeMove", WM_EXITSIZEMOVE, 0},
                                           RecomputeCase{"Command", WM_COMMAND, 0},
                                           RecomputeCase{"SysCommandRestore", WM_SYSCOMMAND, SC_RESTORE},
                                           RecomputeCase{"SysCommandRestoreByCaption", WM_SYSCOMMAND,
                                                         SC_RESTORE | HTCAPTION}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GluedGroup, WithoutARecomputeTheMovedWindowStaysLoose) {
    ::SetWindowPos(loose_.get(), nullptr, 300, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    BeginDrag(p_.get());
    MoveTo(p_.get(), 310, 200);
    EXPECT_EQ(Str(WindowRect(loose_.get())), Str(At(300, 400, 100, 100)));
}

TEST_F(GluedGroup, RemovingTheParentOrphansItsChildren) {
    ASSERT_TRUE(mag_->RemoveWindow(p_.get()));
    EXPECT_FALSE(mag_->RemoveWindow(p_.get()));
    // Registered again, P is no longer anyone's parent: its children stay put.
    ASSERT_TRUE(mag_->AddWindow(p_.get()));
    Drag(p_.get(), 337, 223);
    EXPECT_EQ(Str(WindowRect(c1_.get())), Str(At(500, 200, 100, 100)));
}

TEST_F(MagneticWndTest, RejectedRegistrationsChangeNothing) {
    auto w = MakeWindow(kPopup, 100, 100, 200, 200);
    auto other = MakeWindow(kPopup, 400, 100, 200, 200);
    const WNDPROC original = CurrentProc(w.get());
    HWND dead =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(dead);

    EXPECT_FALSE(mag_->AddWindow(nullptr));
    EXPECT_FALSE(mag_->AddWindow(dead));
    EXPECT_FALSE(mag_->AddWindow(w.get(), dead));
    EXPECT_FALSE(mag_->AddWindow(w.get(), w.get()));
    EXPECT_EQ(CurrentProc(w.get()), original);
    EXPECT_FALSE(mag_->RemoveWindow(w.get()));

    ASSERT_TRUE(mag_->AddWindow(w.get(), other.get()));
    const WNDPROC installed = CurrentProc(w.get());
    EXPECT_NE(installed, original);
    EXPECT_FALSE(mag_->AddWindow(w.get()));
    EXPECT_EQ(CurrentProc(w.get()), installed);
}

TEST_F(MagneticWndTest, RemovedWindowIsNoLongerMagnetic) {
    auto w = MakeWindow(kPopup, 300, 300, 200, 200);
    const WNDPROC original = CurrentProc(w.get());
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    ASSERT_TRUE(mag_->RemoveWindow(w.get()));
    EXPECT_EQ(CurrentProc(w.get()), original);
    const Moved m = Drag(w.get(), wa_.left + 5, 300);
    EXPECT_EQ(m.result, 0);
    EXPECT_EQ(Str(m.rect), Str(At(wa_.left + 5, 300, 200, 200)));
}

TEST_F(MagneticWndTest, ADestroyedWindowIsForgottenAndIsNoLongerAMagnet) {
    auto w = MakeWindow(kPopup, 300, 300, 200, 200);
    auto neighbour = MakeWindow(kPopup, 700, 300, 100, 100);
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    ASSERT_TRUE(mag_->AddWindow(neighbour.get()));
    // Dragged 5 short of the neighbour's left edge, w snaps onto it while it lives.
    EXPECT_EQ(Drag(w.get(), 495, 300).rect.left, 500);
    const HWND gone = neighbour.get();
    neighbour.reset();
    // Gone from the table: its handle is not registered any more, and its last rectangle attracts
    // nothing.
    EXPECT_FALSE(mag_->RemoveWindow(gone));
    EXPECT_EQ(Drag(w.get(), 495, 300).rect.left, 495);
    // The window that stays is still magnetic and is removed normally.
    EXPECT_EQ(Drag(w.get(), wa_.left + 5, 300).rect.left, wa_.left);
    EXPECT_TRUE(mag_->RemoveWindow(w.get()));
}

TEST_F(MagneticWndTest, UnregisteredNeighbourIsNoSnapTarget) {
    auto w = MakeWindow(kPopup, 300, 300, 200, 200);
    auto stranger = MakeWindow(kPopup, 700, 300, 100, 100);
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    EXPECT_EQ(Drag(w.get(), 505, 300).rect.left, 505);
}

TEST_F(MagneticWndTest, SnapWidthIsTenAndSettable) {
    EXPECT_EQ(mag_->SnapWidth(), 10);
    auto w = MakeWindow(kPopup, 300, 300, 200, 200);
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    mag_->SnapWidth(20);
    EXPECT_EQ(Drag(w.get(), wa_.left + 19, 300).rect.left, wa_.left);
    EXPECT_EQ(Drag(w.get(), wa_.left + 20, 300).rect.left, wa_.left + 20);
}

TEST_F(MagneticWndTest, OverflowLeavesTheRectangleToThePreviousProcedure) {
    testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    auto w = MakeWindow(kPopup, 300, 300, 200, 200);
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    mag_->SnapWidth(INT32_MAX);
    BeginDrag(w.get());
    const RECT proposed = At(wa_.left + 5, 300, 200, 200);
    RECT rc = proposed;
    EXPECT_EQ(::SendMessageW(w.get(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&rc)), 0);
    EXPECT_EQ(Str(rc), Str(proposed));
    EXPECT_EQ(::SendMessageW(w.get(), WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&rc)), 0);
    EXPECT_EQ(Str(rc), Str(proposed));
}

TEST_F(MagneticWndTest, DestructionRestoresEveryProcedure) {
    auto a = MakeWindow(kPopup, 100, 100, 200, 200);
    auto b = MakeWindow(kThick, 400, 100, 200, 200);
    const WNDPROC original = CurrentProc(a.get());
    ASSERT_TRUE(mag_->AddWindow(a.get()));
    ASSERT_TRUE(mag_->AddWindow(b.get(), a.get()));
    mag_.reset();
    EXPECT_EQ(CurrentProc(a.get()), original);
    EXPECT_EQ(CurrentProc(b.get()), original);
}

// A plain subclass installed over the manager's procedure, as another component would.
WNDPROC g_underSubclass = nullptr;
int g_subclassSaw = 0;
LRESULT CALLBACK CountingSubclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_MOVING) ++g_subclassSaw;
    return ::CallWindowProcW(g_underSubclass, wnd, msg, wp, lp);
}

TEST_F(MagneticWndTest, DestructionKeepsALaterInterceptorWorking) {
    auto w = MakeWindow(kPopup, 300, 300, 200, 200);
    ASSERT_TRUE(mag_->AddWindow(w.get()));
    g_subclassSaw = 0;
    g_underSubclass = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(w.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingSubclass)));
    ASSERT_NE(g_underSubclass, nullptr);

    EXPECT_EQ(Drag(w.get(), wa_.left + 5, 300).rect.left, wa_.left);
    EXPECT_GT(g_subclassSaw, 0);
    mag_.reset();
    EXPECT_EQ(CurrentProc(w.get()), &CountingSubclass);
    g_subclassSaw = 0;
    const Moved m = Drag(w.get(), wa_.left + 5, 300);
    EXPECT_EQ(m.result, 0);
    EXPECT_EQ(m.rect.left, wa_.left + 5);
    EXPECT_GT(g_subclassSaw, 0);

    ::SetWindowLongPtrW(w.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_underSubclass));
    EXPECT_EQ(Drag(w.get(), wa_.left + 5, 300).result, 0);
    w.reset();
}

} // namespace
