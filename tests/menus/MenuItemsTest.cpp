#include "MenuItems.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

TEST(ItemRecord, JoinsFieldsWithCodeOneAndSplitsThemBack) {
    const ItemRecord r{0x1A0042, L"保存(&S)\tCtrl+S", 0x4000, false, 40001};
    const std::wstring text = JoinRecord(r);
    EXPECT_EQ(text, std::wstring(L"1704002\x01保存(&S)\tCtrl+S\x01") + L"16384\x01"
                                                                       L"0\x01"
                                                                       L"40001");
    EXPECT_EQ(SplitRecord(text), r);

    const ItemRecord bar{18446744073709551615ull, L"文件(&F)", 0, true, 0};
    EXPECT_EQ(SplitRecord(JoinRecord(bar)), bar);
}

TEST(ItemRecord, CaptionsHoldingTheSeparatorOrNothingSurvive) {
    for (const std::wstring& caption : {std::wstring(L"a\x01"
                                                     L"b\x01\x01"),
                                        std::wstring(L"\x01"), std::wstring()}) {
        const ItemRecord r{7, caption, 0x800, false, 4294967295u};
        EXPECT_EQ(SplitRecord(JoinRecord(r)), r);
    }
}

TEST(ItemRecord, TextsThatAreNotRecordsDoNotSplit) {
    const wchar_t* bad[] = {
        L"",
        L"1\x01x\x01"
        L"0\x01"
        L"0", // four fields
        L"1\x01x\x01"
        L"0\x01"
        L"2\x01"
        L"5", // top neither 0 nor 1
        L"1\x01x\x01-1\x01"
        L"0\x01"
        L"5", // negative type
        L"h\x01x\x01"
        L"0\x01"
        L"0\x01"
        L"5", // menu not a number
        L"1\x01x\x01"
        L"0\x01"
        L"0\x01", // empty id
        L"1\x01x\x01"
        L"0\x01"
        L"0\x01"
        L"4294967296", // id too wide
        L"\x01x\x01"
        L"0\x01"
        L"0\x01"
        L"5", // empty menu
    };
    for (const wchar_t* text : bad)
        EXPECT_FALSE(SplitRecord(text)) << testing::PrintToString(std::wstring(text));
}

TEST(ItemRecordList, PositionsAreOneBasedAndOutsidePositionsReadNothing) {
    ItemRecordList list;
    EXPECT_EQ(list.Add({1, L"新建", 0, false, 10}), 1u);
    EXPECT_EQ(list.Add({1, L"打开", 0, false, 11}), 2u);
    EXPECT_EQ(list.Read(2)->caption, L"打开");
    EXPECT_FALSE(list.Read(0));
    EXPECT_FALSE(list.Read(3));
    EXPECT_FALSE(list.Read(0xFFFFFFFFFFFFFFFFull));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.Read(1));
}

TEST(OwnerDrawnType, OnlySeparatorsKeepTheirSeparatorAndRightJustifyFlags) {
    EXPECT_EQ(OwnerDrawnType(0), 0x100u);
    // Break, radio check, right-justify and right-order flags of a text item are dropped.
    EXPECT_EQ(OwnerDrawnType(0x40 | 0x200 | 0x4000 | 0x2000), 0x100u);
    EXPECT_EQ(OwnerDrawnType(0x800), 0x900u);
    EXPECT_EQ(OwnerDrawnType(0x800 | 0x4000 | 0x20), 0x4900u);
}

std::vector<int> BreakPositions(const std::vector<uint32_t>& types, int32_t perColumn) {
    std::vector<int> out;
    const std::vector<bool> breaks = ColumnBreaks(types, perColumn);
    for (size_t i = 0; i < breaks.size(); ++i)
        if (breaks[i]) out.push_back(static_cast<int>(i));
    return out;
}

TEST(ColumnBreaks, SevenItemsAndASeparatorMakeColumnsOfThreeThreeAndOne) {
    const uint32_t S = kTypeSeparator;
    // A B — C | D E F | G
    EXPECT_EQ(BreakPositions({0, 0, S, 0, 0, 0, 0, 0}, 3), (std::vector<int>{4, 7}));
    // A separator where a break would fall does not take it; the next item does.
    EXPECT_EQ(BreakPositions({0, 0, 0, S, 0, 0}, 3), (std::vector<int>{4}));
    EXPECT_EQ(BreakPositions({0, 0, 0, 0}, 1), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(BreakPositions({0, 0, 0, 0}, 0).empty());
    EXPECT_TRUE(BreakPositions({0, 0, 0, 0}, -1).empty());
    EXPECT_TRUE(BreakPositions({}, 3).empty());
}

struct MnemonicCase {
    const wchar_t* caption;
    std::optional<wchar_t> expected;
};

class MnemonicExtraction : public ::testing::TestWithParam<MnemonicCase> {};

TEST_P(MnemonicExtraction, IsTheLowerCasedCharacterAfterTheLastSingleAmpersand) {
    EXPECT_EQ(Mnemonic(GetParam().caption), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Captions, MnemonicExtraction,
                         ::testing::Values(MnemonicCase{L"&File", L'f'}, MnemonicCase{L"文件(&F)", L'f'},
                                           MnemonicCase{L"&Save\tCtrl+S", L's'},
                                           MnemonicCase{L"A&&B", std::nullopt},
                                           MnemonicCase{L"&&File", std::nullopt},
                                           MnemonicCase{L"Save && E&xit", L'x'}, MnemonicCase{L"A&&&B", L'b'},
                                           MnemonicCase{L"End&", std::nullopt}, MnemonicCase{L"&a&b", L'b'},
                                           MnemonicCase{L"打开(&Ж)", L'ж'}, MnemonicCase{L"&1", L'1'},
                                           MnemonicCase{L"&行情", L'行'}, MnemonicCase{L"", std::nullopt},
                                           MnemonicCase{L"No mnemonic", std::nullopt}));

TEST(Captions, SplitAtTheFirstTabAndShownWithoutMarkers) {
    EXPECT_EQ(CaptionText(L"保存(&S)\tCtrl+S\tx"), L"保存(&S)");
    EXPECT_EQ(CaptionAccelerator(L"保存(&S)\tCtrl+S\tx"), L"Ctrl+S\tx");
    EXPECT_EQ(CaptionAccelerator(L"关闭"), L"");
    EXPECT_EQ(CaptionForDisplay(L"&Save && E&xit"), L"Save & Exit");
    EXPECT_EQ(CaptionForDisplay(L"关闭(&C)"), L"关闭(C)");
    EXPECT_EQ(CaptionForDisplay(L"&&&"), L"&");
}

} // namespace
} // namespace menus
