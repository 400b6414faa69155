#include "menus/MenuItems.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

TEST(ItemRecord, JoinsFieldsWithCodeOneAndSplitsThemBack) {
    const ItemRecord r{0x1A0042, L"保存(&S)\tCtrl+S", 0x4000, false, 40001};
    EXPECT_EQ(JoinRecord(r), std::wstring(L"1704002\x01保存(&S)\tCtrl+S\x01") + L"16384\x01"
                                                                                L"0\x01"
                                                                                L"40001");
    // Extreme numbers, and captions that hold the separator or nothing.
    for (const ItemRecord& x : {r, ItemRecord{18446744073709551615ull, L"文件(&F)", 0, true, 4294967295u},
                                ItemRecord{7,
                                           std::wstring(L"a\x01"
                                                        L"b\x01\x01"),
                                           0x800, false, 0},
                                ItemRecord{7, L"", 0, true, 1}})
        EXPECT_EQ(SplitRecord(JoinRecord(x)), x);
}

TEST(ItemRecord, TextsThatAreNotRecordsDoNotSplit) {
    for (const wchar_t* text : {L"",
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
                                L"\x01x\x01"
                                L"0\x01"
                                L"0\x01"
                                L"5", // empty menu
                                L"1\x01x\x01"
                                L"0\x01"
                                L"0\x01"
                                L"4294967296"}) // id too wide
        EXPECT_FALSE(SplitRecord(text)) << testing::PrintToString(std::wstring(text));
    ItemRecordList list;
    EXPECT_EQ(list.Add({1, L"新建", 0, false, 10}), 1u);
    EXPECT_EQ(list.Add({1, L"打开", 0, false, 11}), 2u);
    EXPECT_EQ(list.Read(2)->caption, L"打开");
    EXPECT_EQ(*list.Text(2), JoinRecord({1, L"打开", 0, false, 11}));
    for (uint64_t outside : {0ull, 3ull, 0xFFFFFFFFFFFFFFFFull})
        EXPECT_FALSE(list.Read(outside)) << outside;
}

TEST(OwnerDrawnType, OnlySeparatorsKeepTheirSeparatorAndRightJustifyFlags) {
    EXPECT_EQ(OwnerDrawnType(0), 0x100u);
    // Break, radio check, right-justify and right-order flags of a text item are dropped.
    EXPECT_EQ(OwnerDrawnType(0x40 | 0x200 | 0x4000 | 0x2000), 0x100u);
    EXPECT_EQ(OwnerDrawnType(0x800 | 0x4000 | 0x20), 0x4900u);
}

TEST(ColumnBreaks, SevenItemsAndASeparatorMakeColumnsOfThreeThreeAndOne) {
    const uint32_t S = kTypeSeparator;
    const auto breaks = [](std::vector<uint32_t> types, int32_t perColumn) {
        std::vector<int> out;
        const std::vector<bool> b = ColumnBreaks(types, perColumn);
        for (size_t i = 0; i < b.size(); ++i)
            if (b[i]) out.push_back(static_cast<int>(i));
        return out;
    };
    EXPECT_EQ(breaks({0, 0, S, 0, 0, 0, 0, 0}, 3), (std::vector<int>{4, 7})); // A B — C | D E F | G
    // A separator where a break would fall does not take it; the next item does.
    EXPECT_EQ(breaks({0, 0, 0, S, 0, 0}, 3), (std::vector<int>{4}));
    EXPECT_EQ(breaks({0, 0, 0}, 1), (std::vector<int>{1, 2}));
    EXPECT_TRUE(breaks({0, 0, 0, 0}, 0).empty());
    EXPECT_TRUE(breaks({0, 0, 0, 0}, -1).empty());
}

TEST(Mnemonic, IsTheLowerCasedCharacterAfterTheLastSingleAmpersand) {
    const std::pair<const wchar_t*, std::optional<wchar_t>> cases[] = {
        {L"&File", L'f'},          {L"文件(&F)", L'f'},     {L"&Save\tCtrl+S", L's'},
        {L"Save && E&xit", L'x'},  {L"A&&&B", L'b'},        {L"&a&b", L'b'},
        {L"打开(&Ж)", L'ж'},       {L"&行情", L'行'},       {L"A&&B", std::nullopt},
        {L"&&File", std::nullopt}, {L"End&", std::nullopt}, {L"", std::nullopt}};
    for (const auto& [caption, expected] : cases)
        EXPECT_EQ(Mnemonic(caption), expected) << testing::PrintToString(std::wstring(caption));
}

TEST(Captions, SplitAtTheFirstTabAndShownWithoutMarkers) {
    EXPECT_EQ(CaptionText(L"保存(&S)\tCtrl+S\tx"), L"保存(&S)");
    EXPECT_EQ(CaptionAccelerator(L"保存(&S)\tCtrl+S\tx"), L"Ctrl+S\tx");
    EXPECT_EQ(CaptionAccelerator(L"关闭"), L"");
    EXPECT_EQ(CaptionForDisplay(L"&Save && E&xit"), L"Save & Exit");
    EXPECT_EQ(CaptionForDisplay(L"&&&"), L"&");
}

} // namespace
} // namespace menus
