// The memory drawing surface: lifetime, the ownership of its pens, brushes and fonts, and the thin
// drawing wrappers, read back as pixels.
#include "drawing/cMemDC.h"

#include "drawing/SurfacePixels.h"
#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using drawing::cMemDC;
using drawing::kNoColor;
using drawing::PixelOf;
using testsupport::Rgb;
using testsupport::TestCanvas;

using testsupport::kBlue;
using testsupport::kRed;
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kSentinel = RGB(0x56, 0x34, 0x12);

long Gdi() {
    return rt::LiveHandles::Gdi();
}

bool Alive(HGDIOBJ h) {
    return ::GetObjectType(h) != 0;
}

// The surface's pixel as a COLORREF, read through the shared canvas.
COLORREF At(const cMemDC& m, int x, int y) {
    TestCanvas canvas(1, 1);
    canvas.CopyFrom(m.hdc(), x, y, 1, 1);
    return drawing::ColorRefOf(Rgb(canvas.At(0, 0)));
}

int Count(const cMemDC& m, COLORREF c) {
    int n = 0;
    for (uint32_t px : testsupport::GrabRgbs(m.hdc(), m.Width(), m.Height()))
        n += drawing::ColorRefOf(px) == c;
    return n;
}

TEST(cMemDC, LifetimeAndNoOpsBeforeInit) {
    TestCanvas parent(4, 4);
    const long live = Gdi();
    cMemDC m;
    m.Cls(kRed);
    m.Rectangle(0, 0, 5, 5, kRed, nullptr, kBlue);
    m.DrawLine(0, 0, 5, 5, kRed);
    EXPECT_FALSE(m.CreateBrush(kRed));
    EXPECT_EQ(m.GetPixel(0, 0), CLR_INVALID);
    EXPECT_EQ(m.Image(), nullptr);
    EXPECT_EQ(Gdi(), live) << "nothing made before Init";
    EXPECT_EQ(m.Font(), drawing::StdFont{}) << "the default font object";

    const HDC dc = m.Init(30, 20, parent.dc());
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(m.IsMemoryDC());
    BITMAP bm{};
    ASSERT_TRUE(::GetObjectW(::GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 30);
    EXPECT_EQ(bm.bmHeight, 20);
    EXPECT_EQ(bm.bmBitsPixel, 32) << "compatible with the 32-bpp parent";
    const long once = Gdi();
    m.Init(30, 20, parent.dc());
    EXPECT_EQ(Gdi(), once) << "Init again destroys first";
    m.Destroy();
    EXPECT_FALSE(m.IsCreated());
    EXPECT_EQ(Gdi(), live);
}

TEST(cMemDC, AParentLendsItsColoursModeAndFont) {
    TestCanvas parent(4, 4);
    rt::UniqueFont font(
        ::CreateFontW(-16, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    rt::SelectGuard selected(parent.dc(), font.get());
    ::SetBkColor(parent.dc(), kGreen);
    ::SetTextColor(parent.dc(), kBlue);
    ::SetBkMode(parent.dc(), TRANSPARENT);
    TEXTMETRICW tm{};
    wchar_t face[LF_FACESIZE] = {};
    ASSERT_TRUE(::GetTextMetricsW(parent.dc(), &tm) && ::GetTextFaceW(parent.dc(), LF_FACESIZE, face));

    cMemDC m;
    ASSERT_TRUE(m.Init(8, 8, parent.dc()));
    EXPECT_EQ(m.BackColor(), kGreen);
    EXPECT_EQ(m.ForeColor(), kBlue);
    EXPECT_EQ(m.BackStyle(), TRANSPARENT);
    EXPECT_EQ(m.Font().Name, face);
    EXPECT_TRUE(m.Font().Bold());
    EXPECT_TRUE(m.Font().Italic);
    EXPECT_EQ(m.FontHeight(), tm.tmHeight) << "the same size on the surface";

    m.ForeColor(0x80000000u | COLOR_HIGHLIGHT);
    EXPECT_EQ(m.ForeColor(), ::GetSysColor(COLOR_HIGHLIGHT)) << "OLE colours are translated";
    EXPECT_EQ(m.TranslateColor(kNoColor), kNoColor);
    EXPECT_EQ(m.TranslateColor(0x800000FFu), 0u) << "an unknown system colour gives black";
}

TEST(cMemDC, ASurfaceOnTheCallersDCLeavesItAsItWas) {
    TestCanvas canvas(10, 10);
    const std::vector<HGDIOBJ> before = {
        ::GetCurrentObject(canvas.dc(), OBJ_BRUSH), ::GetCurrentObject(canvas.dc(), OBJ_PEN),
        ::GetCurrentObject(canvas.dc(), OBJ_FONT), ::GetCurrentObject(canvas.dc(), OBJ_BITMAP)};
    const long live = Gdi();
    {
        cMemDC m;
        ASSERT_EQ(m.Init(10, 10, nullptr, canvas.dc()), canvas.dc());
        EXPECT_FALSE(m.IsMemoryDC());
        m.Rectangle(1, 1, 5, 5, kRed, nullptr, kBlue);
        m.Font(drawing::StdFont{});
        EXPECT_EQ(Rgb(canvas.At(3, 3)), PixelOf(kRed)) << "draws straight into the caller's DC";
    }
    EXPECT_EQ(::GetObjectType(canvas.dc()), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_EQ(before, (std::vector<HGDIOBJ>{::GetCurrentObject(canvas.dc(), OBJ_BRUSH),
                                            ::GetCurrentObject(canvas.dc(), OBJ_PEN),
                                            ::GetCurrentObject(canvas.dc(), OBJ_FONT),
                                            ::GetCurrentObject(canvas.dc(), OBJ_BITMAP)}));
    EXPECT_EQ(Gdi(), live);
}

TEST(cMemDC, DetachBitmapHandsTheSurfaceBitmapOverAndAdoptsTheNewOne) {
    TestCanvas parent(1, 1);
    const long live = Gdi();
    cMemDC m;
    ASSERT_TRUE(m.Init(6, 4, parent.dc()));
    m.Cls(kRed);
    rt::UniqueBitmap detached = m.DetachBitmap(rt::UniqueBitmap(::CreateCompatibleBitmap(parent.dc(), 6, 4)));
    ASSERT_TRUE(detached);
    const HBITMAP adopted = static_cast<HBITMAP>(::GetCurrentObject(m.hdc(), OBJ_BITMAP));
    {
        rt::UniqueDC dc(::CreateCompatibleDC(nullptr));
        rt::SelectGuard held(dc.get(), detached.get());
        ASSERT_TRUE(held.ok()) << "no longer selected in the surface";
        EXPECT_EQ(::GetPixel(dc.get(), 5, 3), kRed);
    }
    m.Destroy();
    EXPECT_FALSE(Alive(adopted));
    detached.reset();
    EXPECT_EQ(Gdi(), live);
}

class Ownership : public ::testing::Test {
  protected:
    void SetUp() override {
        base = Gdi();
        ASSERT_TRUE(m.Init(16, 16, parent.dc()));
        created = Gdi();
    }
    TestCanvas parent{1, 1};
    cMemDC m;
    long base = 0;
    long created = 0;
};

TEST_F(Ownership, ReplacingDeletesTheOneHeldBeforeAndZeroRestoresTheDCsOwn) {
    const HGDIOBJ firstBrush = ::GetCurrentObject(m.hdc(), OBJ_BRUSH);
    const HBRUSH b1 = m.CreateBrush(kRed).release();
    const HBRUSH b2 = m.CreateBrush(kBlue).release();
    m.Brush(b1);
    EXPECT_EQ(Gdi(), created + 1) << "owned by the surface";
    m.Brush(b1);
    EXPECT_TRUE(Alive(b1)) << "handing the same brush again keeps it";
    m.Brush(b2);
    EXPECT_FALSE(Alive(b1));
    m.Brush(nullptr);
    EXPECT_FALSE(Alive(b2));
    EXPECT_EQ(m.Brush(), nullptr);
    EXPECT_EQ(::GetCurrentObject(m.hdc(), OBJ_BRUSH), firstBrush);

    const HGDIOBJ firstPen = ::GetCurrentObject(m.hdc(), OBJ_PEN);
    const HPEN p1 = m.CreatePen(kRed).release();
    m.Pen(p1);
    m.Pen(m.CreatePen(kBlue, PS_DOT).release());
    EXPECT_FALSE(Alive(p1));
    m.Pen(nullptr);
    EXPECT_EQ(::GetCurrentObject(m.hdc(), OBJ_PEN), firstPen);

    // The surface holds the font it copied from its parent; each new one replaces and deletes it.
    const HGDIOBJ copied = ::GetCurrentObject(m.hdc(), OBJ_FONT);
    m.Font(drawing::StdFont{});
    EXPECT_FALSE(Alive(copied));

    // A fill with the caller's brush leaves it the caller's.
    rt::UniqueBrush mine(::CreateSolidBrush(kGreen));
    m.FillRect(2, 2, 6, 6, kNoColor, mine.get());
    EXPECT_TRUE(Alive(mine.get()));
    EXPECT_EQ(At(m, 5, 5), kGreen);
    EXPECT_EQ(Gdi(), created + 1);
    m.Destroy();
    EXPECT_EQ(Gdi(), base + 1);
}

TEST_F(Ownership, TheDotBrushIsMadeOnceKeptThroughBrushAndDrawsACheckerboard) {
    const HBRUSH dot = m.DotBrush();
    EXPECT_NE(dot, ::GetStockObject(DKGRAY_BRUSH)) << "the pattern brush was made";
    EXPECT_EQ(m.DotBrush(), dot);
    m.Brush(dot);
    m.Brush(m.CreateBrush(kRed).release());
    m.Brush(dot);
    m.Brush(nullptr);
    EXPECT_TRUE(Alive(dot));
    EXPECT_EQ(Gdi(), created + 1);

    m.ForeColor(kBlue);
    m.BackColor(kRed);
    m.Cls(kNoColor, dot);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(At(m, x, y), (x + y) % 2 ? kBlue : kRed) << "at " << x << "," << y;
    m.Destroy();
    EXPECT_FALSE(Alive(dot));
}

TEST_F(Ownership, RectangleAndDrawLineHandTheirObjectsOverAndLinesContinue) {
    m.Cls(kSentinel);
    m.Rectangle(2, 2, 8, 8, kRed, nullptr, kBlue);
    const HBRUSH brush = m.Brush();
    EXPECT_EQ(At(m, 2, 2), kBlue);
    EXPECT_EQ(At(m, 4, 4), kRed);
    // A right below the left and a bottom below the top reach the surface's edges.
    m.Rectangle(10, 10, 0, 0, kGreen, nullptr, kRed);
    EXPECT_FALSE(Alive(brush));
    EXPECT_EQ(At(m, 15, 15), kRed);
    EXPECT_EQ(Gdi(), created + 2);

    m.Cls(kSentinel);
    m.DrawLine(1, 1, 6, 1, kRed);
    m.DrawLine(-1, 0, 6, 6, kBlue);
    EXPECT_EQ(At(m, 5, 1), kRed);
    for (int y = 1; y < 6; ++y)
        EXPECT_EQ(At(m, 6, y), kBlue) << "from where the last line ended, at " << y;
    EXPECT_EQ(At(m, 6, 6), kSentinel);
    m.DrawLine(0, 10, 5, 10, kNoColor);
    EXPECT_EQ(m.Pen(), nullptr);
    EXPECT_EQ(At(m, 2, 10), RGB(0, 0, 0)) << "the DC's own black pen";
    EXPECT_EQ(Gdi(), created + 1);
}

TEST(cMemDC, CopiesDefaultToTheParentDCAndTheSurfaceSize) {
    TestCanvas parent(40, 30, PixelOf(kSentinel));
    cMemDC m;
    ASSERT_TRUE(m.Init(20, 10, parent.dc()));
    m.Cls(kRed);
    m.SetPixel(3, 4, RGB(255, 0, 255));
    m.BitBlt(nullptr, 5, 6, 0, 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 25 && y >= 6 && y < 16;
            ASSERT_EQ(Rgb(parent.At(x, y)),
                      PixelOf(inside ? (x == 8 && y == 10 ? RGB(255, 0, 255) : kRed) : kSentinel))
                << "at " << x << "," << y;
        }
    // The colour-keyed copy leaves the destination under the key colour only.
    parent.Fill([](int, int) { return PixelOf(kSentinel); });
    m.TransBlt(nullptr, 0, 0, 0, 0, 0, 0, RGB(255, 0, 255));
    EXPECT_EQ(Rgb(parent.At(3, 4)), PixelOf(kSentinel));
    EXPECT_EQ(Rgb(parent.At(19, 9)), PixelOf(kRed));

    parent.Set(30, 20, PixelOf(kBlue));
    m.LoadBlt(nullptr, 30, 20, 2, 3, 1, 1);
    EXPECT_EQ(At(m, 2, 3), kBlue) << "loaded from the parent";
    m.StretchBlt(nullptr, 0, 0, 0, 0, 2, 3, 1, 1);
    EXPECT_EQ(Rgb(parent.At(19, 9)), PixelOf(kBlue)) << "one pixel stretched over the surface's size";

    // A bottom-up 24-bpp image, rows padded to four bytes; one byte short draws nothing.
    std::vector<uint8_t> bits = {0xFF, 0, 0, 1, 2, 3, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0};
    m.SetDIBits(0, 0, 2, 2, std::vector<uint8_t>(bits.begin(), bits.end() - 1));
    EXPECT_EQ(At(m, 0, 1), kRed);
    m.SetDIBits(0, 0, 2, 2, bits);
    EXPECT_EQ(At(m, 0, 1), kBlue);
    EXPECT_EQ(At(m, 1, 1), RGB(3, 2, 1));
    EXPECT_EQ(At(m, 0, 0), RGB(0, 255, 0));
}

TEST(cMemDC, ClippingOnAndOffInTheSurfacesCoordinates) {
    TestCanvas parent(1, 1);
    cMemDC m;
    ASSERT_TRUE(m.Init(20, 20, parent.dc()));
    m.Cls(kSentinel);
    m.SetClipRect(10, 10, 5, 5);
    m.Cls(kRed);
    EXPECT_EQ(Count(m, kRed), 25) << "the normalised 5 x 5 rectangle";
    EXPECT_EQ(At(m, 5, 5), kRed);
    m.SetClipRect(-1, 0, 0, 0);
    m.Cls(kBlue);
    EXPECT_EQ(Count(m, kBlue), 400);

    // With the viewport moved the rectangle follows it.
    ::SetViewportOrgEx(m.hdc(), 3, 4, nullptr);
    m.SetClipRect(0, 0, 2, 2);
    m.FillRect(-3, -4, 17, 16, kGreen);
    ::SetViewportOrgEx(m.hdc(), 0, 0, nullptr);
    EXPECT_EQ(Count(m, kGreen), 4);
    EXPECT_EQ(At(m, 4, 5), kGreen);
}

TEST(cMemDC, TenThousandCyclesLeaveNoHandles) {
    TestCanvas parent(64, 32);
    const long gdi = Gdi();
    const long user = rt::LiveHandles::User();
    for (int i = 0; i < 10000; ++i) {
        cMemDC m;
        ASSERT_TRUE(m.Init(48, 20, parent.dc())) << "cycle " << i;
        m.Cls(kSentinel);
        m.FillGradient(0, 0, 48, 20, kRed, kBlue, i % 2 == 0);
        m.Rectangle(1, 1, 20, 10, kGreen, nullptr, kRed);
        m.DrawLine(2, 2, 30, 15, kBlue);
        m.Brush(m.DotBrush());
        m.Font(drawing::StdFont{});
        int32_t l = 0, t = 0, r = 48, b = 20;
        m.DrawText(L"文件", l, t, r, b, DT_SINGLELINE);
        m.TransBlt(nullptr, 0, 0, 0, 0, 0, 0, RGB(255, 0, 255));
        if (i % 100 == 0) {
            m.DisabledBlt(nullptr, 0, 0, 16, 16, 0, 0, RGB(255, 255, 255), RGB(255, 255, 255),
                          RGB(128, 128, 128));
            EXPECT_TRUE(m.ExtractIcon(kSentinel));
            EXPECT_TRUE(m.Image());
        }
    }
    EXPECT_EQ(Gdi(), gdi);
    EXPECT_EQ(rt::LiveHandles::User(), user);
}

} // namespace
