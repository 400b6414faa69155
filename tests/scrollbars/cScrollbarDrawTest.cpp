#include "scrollbars/cScrollbarDraw.h"

#include "resources/resource_names.h"
#include "runtime/Handles.h"
#include "runtime/Picture.h"
#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using scrollbars::cScrollbarDraw;
using testsupport::Rgb;
using testsupport::TestCanvas;

constexpr uint32_t kMagenta = 0xFF00FF;
constexpr uint32_t kUntouched = 0x00123456;
constexpr int kThickness = 17;
// Where the part starts along the bar in the test canvases.
constexpr int kStart = 5;

// A bitmap resource read back as 0x00RRGGBB pixels, top row first.
class Reference {
  public:
    explicit Reference(const wchar_t* name) {
        rt::Picture pic = rt::LoadResPicture(name, rt::PictureType::Bitmap);
        if (!pic) return;
        w_ = pic->Width();
        h_ = pic->Height();
        px_.resize(static_cast<size_t>(w_ * h_));
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w_, -h_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        rt::WindowDC screen(nullptr);
        ::GetDIBits(screen.get(), pic->Bitmap(), 0, static_cast<UINT>(h_), px_.data(), &bi, DIB_RGB_COLORS);
    }
    bool Loaded() const { return w_ > 0; }
    // In the bar's terms: along and across it; vertical bitmaps are laid out the other way round.
    uint32_t At(bool horizontal, int along, int across) const {
        const int x = horizontal ? along : across, y = horizontal ? across : along;
        return Rgb(px_[static_cast<size_t>(y * w_ + x)]);
    }

  private:
    int w_ = 0, h_ = 0;
    std::vector<uint32_t> px_;
};

// The cell column (or row) a pixel `d` along a part of `length` comes from: 3-pixel ends 1:1, the
// middle of the cell spread over the rest.
int Slice(int d, int length, int cell) {
    if (d < 3) return d;
    if (d >= length - 3) return cell - (length - d);
    return 3 + (d - 3) * (cell - 6) / (length - 6);
}

using Expected = std::function<uint32_t(int along, int across)>;
using Paint = std::function<void(HDC, int16_t orientation, int32_t, int32_t, int32_t, int32_t)>;

class cScrollbarDrawTest : public ::testing::TestWithParam<bool> {
  protected:
    bool Horizontal() const { return GetParam(); }
    int16_t Orientation() const { return Horizontal() ? 1 : 2; }

    // Paints a part of `length` at kStart in a canvas `canvasLength` long and compares every pixel: the
    // part against `expect`, everything else untouched. Magenta never reaches the canvas.
    void Check(const Paint& paint, int length, int canvasLength, int partLength, const Expected& expect,
               const std::string& what) {
        const bool h = Horizontal();
        TestCanvas canvas(h ? canvasLength : kThickness, h ? kThickness : canvasLength, kUntouched);
        if (h)
            paint(canvas.dc(), Orientation(), kStart, 0, kStart + length, kThickness);
        else
            paint(canvas.dc(), Orientation(), 0, kStart, kThickness, kStart + length);
        int wrong = 0;
        for (int along = 0; along < canvasLength; ++along) {
            for (int across = 0; across < kThickness; ++across) {
                const uint32_t got = Rgb(h ? canvas.At(along, across) : canvas.At(across, along));
                const bool inside = along >= kStart && along < kStart + partLength;
                const uint32_t want = inside ? expect(along - kStart, across) : kUntouched;
                ASSERT_NE(got, kMagenta) << what << " at " << along << "," << across;
                if (got != want && ++wrong <= 3)
                    ADD_FAILURE() << what << " at " << along << "," << across << ": " << std::hex << got
                                  << " instead of " << want;
            }
        }
        EXPECT_EQ(wrong, 0) << what;
    }

    cScrollbarDraw painter;
    const Reference backH{PELMOR_RES_SCRBACKH}, backV{PELMOR_RES_SCRBACKV};
    const Reference thumbH{PELMOR_RES_SCRTHUMBH}, thumbV{PELMOR_RES_SCRTHUMBV};
    const Reference arrowH{PELMOR_RES_SCRARROWH}, arrowV{PELMOR_RES_SCRARROWV};
    const Reference glyphL{PELMOR_RES_SCRARROWHL}, glyphR{PELMOR_RES_SCRARROWHR};
    const Reference glyphT{PELMOR_RES_SCRARROWVT}, glyphB{PELMOR_RES_SCRARROWVB};
};

TEST_P(cScrollbarDrawTest, TrackRepeatsTheCellOfItsStateAlongTheBar) {
    const Reference& back = Horizontal() ? backH : backV;
    ASSERT_TRUE(back.Loaded());
    for (int16_t s : {0, 1}) {
        Check([&](HDC dc, int16_t o, int32_t l, int32_t t, int32_t r,
                  int32_t b) { painter.DrawTrack(dc, o, s, l, t, r, b); },
              120, 130, 120, [&](int, int across) { return back.At(Horizontal(), 2 * s, across); },
              "track state " + std::to_string(s));
    }
}

TEST_P(cScrollbarDrawTest, ThumbKeepsItsBordersAndSpreadsItsMiddleInEveryStateAndLength) {
    const Reference& thumb = Horizontal() ? thumbH : thumbV;
    ASSERT_TRUE(thumb.Loaded());
    for (int16_t s = 0; s < 4; ++s) {
        // 15 has no grip, 16 and longer have one: the grips are all magenta, so the thumb shows through.
        for (int length : {7, 15, 16, 17, 64}) {
            Check([&](HDC dc, int16_t o, int32_t l, int32_t t, int32_t r,
                      int32_t b) { painter.DrawThumb(dc, o, s, l, t, r, b); },
                  length, 80, length,
                  [&](int along, int across) {
                      return thumb.At(Horizontal(), Slice(along, length, 15), 17 * s + across);
                  },
                  "thumb state " + std::to_string(s) + " length " + std::to_string(length));
        }
    }
}

TEST_P(cScrollbarDrawTest, ArrowButtonsAreEighteenLongWithTheGlyphOverTheFrame) {
    const bool h = Horizontal();
    const Reference& frame = h ? arrowH : arrowV;
    const Reference& first = h ? glyphL : glyphT;
    const Reference& second = h ? glyphR : glyphB;
    ASSERT_TRUE(frame.Loaded() && first.Loaded() && second.Loaded());
    for (int16_t s = 0; s < 5; ++s) {
        for (bool isFirst : {true, false}) {
            const Reference& glyph = isFirst ? first : second;
            Check(
                [&](HDC dc, int16_t o, int32_t l, int32_t t, int32_t r, int32_t b) {
                    if (isFirst)
                        painter.DrawFirstArrow(dc, o, s, l, t, r, b);
                    else
                        painter.DrawSecondArrow(dc, o, s, l, t, r, b);
                },
                30, 40, 18,
                [&](int along, int across) {
                    const uint32_t g = glyph.At(h, 18 * s + along, across);
                    return g != kMagenta ? g : frame.At(h, 18 * s + along, across);
                },
                std::string(isFirst ? "first" : "second") + " arrow state " + std::to_string(s));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orientations, cScrollbarDrawTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Horizontal" : "Vertical"; });

// At 192 DPI the button is 36 long on a bar 34 thick, each pixel of its bitmaps doubled.
TEST(cScrollbarDraw, AtTwiceTheDesignResolutionTheArrowButtonDoublesEveryPixel) {
    const Reference frame{PELMOR_RES_SCRARROWH}, glyph{PELMOR_RES_SCRARROWHR};
    cScrollbarDraw painter;
    painter.SetDpi(192);
    TestCanvas canvas(60, 34, kUntouched);
    painter.DrawSecondArrow(canvas.dc(), 1, 0, kStart, 0, 55, 34);
    int wrong = 0;
    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < 34; ++y) {
            const int along = (x - kStart) / 2;
            const uint32_t g = x >= kStart && x < kStart + 36 ? glyph.At(true, along, y / 2) : kUntouched;
            wrong += Rgb(canvas.At(x, y)) != (g != kMagenta ? g : frame.At(true, along, y / 2));
        }
    EXPECT_EQ(wrong, 0);
}

TEST(cScrollbarDraw, ABitmapThatFailedToLoadIsTriedAgainOnUseTwiceAtMost) {
    for (const int failing : {1, 100}) {
        int tries = 0;
        cScrollbarDraw painter([&](const wchar_t* name) {
            const bool fails = std::wstring(name) == PELMOR_RES_SCRBACKH && ++tries <= failing;
            return fails ? rt::Picture() : rt::LoadResPicture(name, rt::PictureType::Bitmap);
        });
        TestCanvas canvas(40, kThickness, kUntouched);
        for (int i = 0; i < 5; ++i)
            painter.DrawTrack(canvas.dc(), 1, 0, 0, 0, 40, kThickness);
        EXPECT_EQ(tries, failing == 1 ? 2 : 3) << failing;
        EXPECT_EQ(Rgb(canvas.At(20, 8)) != kUntouched, failing == 1) << failing;
    }
}

TEST(cScrollbarDraw, HundredPaintersPaintingEveryPartLeaveNoHandleBehind) {
    TestCanvas canvas(200, 200);
    const long before = rt::LiveHandles::Gdi();
    for (int i = 0; i < 100; ++i) {
        cScrollbarDraw painter;
        for (int16_t o : {1, 2}) {
            painter.DrawTrack(canvas.dc(), o, 1, 0, 0, 150, 150);
            painter.DrawThumb(canvas.dc(), o, 2, 20, 20, 60, 60);
            painter.DrawFirstArrow(canvas.dc(), o, 3, 0, 0, 17, 17);
            painter.DrawSecondArrow(canvas.dc(), o, 4, 100, 100, 117, 117);
        }
    }
    EXPECT_EQ(rt::LiveHandles::Gdi(), before);
}

} // namespace
