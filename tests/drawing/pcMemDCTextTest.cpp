#include "drawing/pcMemDC.h"

#include "tests/support/TestCanvas.h"

#include "runtime/RtError.h"

#include <gtest/gtest.h>

#include "tests/support/RaisedError.h"

#include <limits>
#include <string>

namespace {

using drawing::pcMemDC;
using testsupport::Rgb;
using testsupport::TestCanvas;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int kX = 6;
constexpr int kY = 4;
constexpr int kBoxHeight = 40;

// Widths come from the DC's own font, whatever the platform picked for it.
int32_t Measure(HDC dc, const std::wstring& s, int n = -1) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, s.c_str(), n < 0 ? static_cast<int>(s.size()) : n, &size);
    return size.cx;
}

using testsupport::RaisesOverflow;

struct TextCase {
    const char* name;
    const wchar_t* text;
    // Box width = width of the first widthPrefix code units (-1: all), plus "..." when withEllipsis,
    // plus extra.
    int widthPrefix;
    bool withEllipsis;
    int extra;
    UINT flags;
    // Code units kept in front of "..."; -1 when the whole text fits and is drawn as it is.
    int keep;
    // The flags the text is expected to be drawn with.
    UINT drawnFlags;
};

class pcMemDCText : public ::testing::TestWithParam<TextCase> {
  protected:
    pcMemDC m;
    TestCanvas got{400, 60};
    TestCanvas want{400, 60};
    TestCanvas blank{400, 60};
};

TEST_P(pcMemDCText, DrawsWholeOrCutTextAndReturnsDrawnWidth) {
    const TextCase& c = GetParam();
    const std::wstring text = c.text;
    const HDC dc = got.dc();
    const int32_t e = Measure(dc, L"...");
    const int32_t width = (c.widthPrefix < 0 ? Measure(dc, text) : Measure(dc, text, c.widthPrefix)) +
                          (c.withEllipsis ? e : 0) + c.extra;

    const int32_t drawn = m.pDrawText(dc, text, kX, kY, width, kBoxHeight, static_cast<int32_t>(c.flags));

    RECT box{kX, kY, kX + width, kY + kBoxHeight};
    std::wstring shown = text;
    if (c.keep < 0) {
        EXPECT_EQ(drawn, Measure(dc, text));
    } else {
        shown = text.substr(0, static_cast<std::size_t>(c.keep)) + L"...";
        EXPECT_EQ(drawn, Measure(dc, text, c.keep) + e);
        box.right = kX + drawn;
    }
    ::DrawTextW(want.dc(), shown.c_str(), -1, &box, c.drawnFlags);
    EXPECT_GT(want.DiffCount(blank), 0) << "the reference drew nothing";
    EXPECT_EQ(got.DiffCount(want), 0);
}

constexpr UINT kLine = DT_SINGLELINE;

INSTANTIATE_TEST_SUITE_P(
    Cases, pcMemDCText,
    ::testing::Values(TextCase{"FitsWithRoomKeepsCallersCentring", L"Pelmor quotes", -1, false, 30,
                               kLine | DT_CENTER | DT_VCENTER, -1, kLine | DT_CENTER | DT_VCENTER},
                      TextCase{"FitsExactly", L"Pelmor quotes", -1, false, 0, 0, -1, 0},
                      TextCase{"CutAtExactRoom", L"ABCDEFGHIJKLMNOP", 6, true, 0, 0, 6, 0},
                      TextCase{"CutOnePixelShort", L"ABCDEFGHIJKLMNOP", 6, true, -1, 0, 5, 0},
                      TextCase{"CutDropsCentringOnly", L"ABCDEFGHIJKLMNOP", 9, true, 2,
                               kLine | DT_CENTER | DT_VCENTER, 9, kLine},
                      TextCase{"CutKeepsOtherFlags", L"ABCDEFGHIJKLMNOP", 9, true, 2,
                               kLine | DT_BOTTOM | DT_CENTER, 9, kLine | DT_BOTTOM},
                      TextCase{"CutNeverBelowOneCharacter", L"WWWWWW", 0, false, 1, 0, 1, 0},
                      TextCase{"CutChineseByCodeUnits", L"免费行情分析系统", 3, true, 0, kLine, 3, kLine}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

class pcMemDCTextErrors : public ::testing::Test {
  protected:
    pcMemDC m;
    TestCanvas got{200, 40};
    TestCanvas blank{200, 40};
    const std::wstring text = L"ABCDEFGH";
};

TEST_F(pcMemDCTextErrors, BoxArithmeticOverflowRaisesBeforeDrawing) {
    const HDC dc = got.dc();
    EXPECT_TRUE(RaisesOverflow([&] { m.pDrawText(dc, text, kMax - 5, 0, 10, 20, 0); }));
    EXPECT_TRUE(RaisesOverflow([&] { m.pDrawText(dc, text, 0, kMax - 5, 500, 10, 0); }));
    // The cut text's right edge X + p + e lands one past the top of the range.
    const int32_t p1e = Measure(dc, text, 1) + Measure(dc, L"...");
    EXPECT_TRUE(RaisesOverflow([&] { m.pDrawText(dc, text, kMax - p1e + 1, 0, 1, 20, 0); }));
    EXPECT_EQ(got.DiffCount(blank), 0);
}

TEST_F(pcMemDCTextErrors, SixteenBitCounterLimitsOnlyTextsThatMustBeCut) {
    const HDC dc = got.dc();
    const std::wstring longText(32768, L'i');
    const int32_t w = Measure(dc, longText);
    ASSERT_GT(w, 0);
    EXPECT_EQ(m.pDrawText(dc, longText, 0, 0, w, 20, 0), w);
    EXPECT_TRUE(RaisesOverflow([&] { m.pDrawText(dc, longText, 0, 0, w - 1, 20, 0); }));
}

TEST_F(pcMemDCTextErrors, NullDCReturnsComputedZeroWidth) {
    EXPECT_EQ(m.pDrawText(nullptr, text, 0, 0, 50, 20, 0), 0);
    EXPECT_EQ(m.pDrawText(nullptr, text, 0, 0, -50, 20, 0), 0);
}

} // namespace
