#include "runtime/PropertyBag.h"
#include "runtime/RtError.h"
#include "runtime/TextCodec.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace rt {
namespace {

int32_t ErrorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const RtError& e) {
        return e.Number();
    }
    return 0;
}

class PropertyBagTest : public ::testing::Test {
  protected:
    std::vector<std::wstring> Keys() const {
        std::vector<std::wstring> keys;
        for (const auto& e : bag.Entries())
            keys.push_back(e.first);
        return keys;
    }
    PropertyBag bag;
};

TEST_F(PropertyBagTest, KeysMatchWithoutRegardToCaseAndKeepTheFirstSpelling) {
    bag.WriteInt32(L"MinWidth", 120, 0);
    EXPECT_TRUE(bag.Contains(L"minwidth"));
    EXPECT_EQ(bag.ReadInt32(L"MINWIDTH", 0), 120);
    bag.WriteInt32(L"MINWIDTH", 240, 0);
    EXPECT_EQ(bag.size(), 1u);
    EXPECT_EQ(Keys(), std::vector<std::wstring>{L"MinWidth"});
    EXPECT_EQ(bag.ReadInt32(L"minWidth", 0), 240);
    EXPECT_FALSE(bag.Contains(L"MinWidth2"));
}

TEST_F(PropertyBagTest, AbsentKeyGivesTheDefault) {
    EXPECT_TRUE(bag.ReadBool(L"DrawIcon", true));
    EXPECT_EQ(bag.ReadInt16(L"Gap", -3), -3);
    EXPECT_EQ(bag.ReadText(L"Caption", L"默认"), L"默认");
    EXPECT_EQ(bag.ReadColor(L"BackColor", OleColor{0x8000000F}), OleColor{0x8000000F});
    EXPECT_EQ(bag.ReadPicture(L"Picture", PictureRef{L"UB_X"}).name, L"UB_X");
    EXPECT_EQ(bag.Read(L"Any", int16_t{7}), PropValue(int16_t{7}));
}

TEST_F(PropertyBagTest, ValueEqualToDefaultIsNotStoredAndRemovesAnOldEntry) {
    bag.WriteBool(L"DrawIcon", true, true);
    bag.WriteText(L"Caption", L"", L"");
    EXPECT_EQ(bag.size(), 0u);

    bag.WriteText(L"Caption", L"行情", L"");
    bag.WriteInt16(L"Gap", 4, 0);
    bag.WriteText(L"caption", L"", L"");
    EXPECT_FALSE(bag.Contains(L"Caption"));
    EXPECT_EQ(Keys(), std::vector<std::wstring>{L"Gap"});
}

TEST_F(PropertyBagTest, EntriesKeepFirstWrittenOrder) {
    bag.WriteInt32(L"C", 1, 0);
    bag.WriteInt32(L"A", 1, 0);
    bag.WriteInt32(L"B", 1, 0);
    bag.WriteInt32(L"a", 2, 0);
    EXPECT_EQ(Keys(), (std::vector<std::wstring>{L"C", L"A", L"B"}));
    // Set back to its default and then changed again, it is a new entry.
    bag.WriteInt32(L"C", 0, 0);
    bag.WriteInt32(L"c", 3, 0);
    EXPECT_EQ(Keys(), (std::vector<std::wstring>{L"A", L"B", L"c"}));
}

TEST_F(PropertyBagTest, KeyTheTextFormCannotHoldIsAnInvalidCall) {
    EXPECT_EQ(ErrorOf([&] { bag.WriteInt32(L"9Lives", 1, 0); }), kErrInvalidCall);
    EXPECT_EQ(ErrorOf([&] { bag.WriteInt32(L"Tool Tip", 1, 0); }), kErrInvalidCall);
    EXPECT_EQ(ErrorOf([&] { bag.WriteInt32(std::wstring(65, L'k'), 1, 0); }), kErrInvalidCall);
    EXPECT_EQ(ErrorOf([&] { bag.WriteInt32(std::wstring(64, L'k'), 1, 0); }), 0);
}

TEST_F(PropertyBagTest, GenericReadGivesTheValueAsStored) {
    bag.WriteInt16(L"Gap", 4, 0);
    EXPECT_EQ(bag.Read(L"gap", int32_t{0}), PropValue(int16_t{4}));
}

TEST(PropertyBagEquality, IgnoresOrderAndKeyCaseButNotValues) {
    PropertyBag a, b;
    a.WriteInt32(L"Left", 1, 0);
    a.WriteText(L"Name", L"x", L"");
    b.WriteText(L"NAME", L"x", L"");
    b.WriteInt32(L"left", 1, 0);
    EXPECT_TRUE(a == b);
    b.WriteInt32(L"Left", 2, 0);
    EXPECT_FALSE(a == b);
    b.WriteInt32(L"Left", 1, 0);
    b.WriteInt16(L"Left2", 1, 0);
    EXPECT_FALSE(a == b);
    // Same number in a different kind is a different value.
    PropertyBag c;
    c.WriteInt16(L"Left", 1, 0);
    c.WriteText(L"Name", L"x", L"");
    EXPECT_FALSE(a == c);
}

// Typed reads of a stored value: the result, or the error raised.
struct ConversionCase {
    const char* name;
    PropValue stored;
    std::function<PropValue(const PropertyBag&)> read;
    std::optional<PropValue> result;
    int32_t error = 0;
};

PropValue AsBool(const PropertyBag& b) {
    return b.ReadBool(L"V", false);
}
PropValue AsInt16(const PropertyBag& b) {
    return b.ReadInt16(L"V", 0);
}
PropValue AsInt32(const PropertyBag& b) {
    return b.ReadInt32(L"V", 0);
}
PropValue AsText(const PropertyBag& b) {
    return b.ReadText(L"V", L"");
}
PropValue AsColor(const PropertyBag& b) {
    return b.ReadColor(L"V", OleColor{});
}
PropValue AsPicture(const PropertyBag& b) {
    return b.ReadPicture(L"V", PictureRef{});
}

void PrintTo(const ConversionCase& c, std::ostream* os) {
    *os << c.name;
}

class PropertyBagConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(PropertyBagConversion, ConvertsOrRaises) {
    const ConversionCase& c = GetParam();
    PropertyBag bag;
    // A default of another kind so the value is always stored.
    bag.Write(L"V", c.stored, PropValue(OleColor{0xDEADBEEF}));
    ASSERT_TRUE(bag.Contains(L"V"));
    if (c.result) {
        EXPECT_EQ(c.read(bag), *c.result);
    } else {
        EXPECT_EQ(ErrorOf([&] { c.read(bag); }), c.error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reads, PropertyBagConversion,
    ::testing::Values(
        ConversionCase{"TrueAsInt16", true, AsInt16, PropValue(int16_t{-1})},
        ConversionCase{"TrueAsInt32", true, AsInt32, PropValue(int32_t{-1})},
        ConversionCase{"FalseAsInt32", false, AsInt32, PropValue(int32_t{0})},
        ConversionCase{"NonZeroInt32AsBool", int32_t{2}, AsBool, PropValue(true)},
        ConversionCase{"NegativeInt16AsBool", int16_t{-32768}, AsBool, PropValue(true)},
        ConversionCase{"ZeroInt16AsBool", int16_t{0}, AsBool, PropValue(false)},
        ConversionCase{"Int16AsInt32", int16_t{-5}, AsInt32, PropValue(int32_t{-5})},
        ConversionCase{"Int32FitsInt16", int32_t{-32768}, AsInt16, PropValue(int16_t{-32768})},
        ConversionCase{"Int32TooWideForInt16", int32_t{32768}, AsInt16, std::nullopt, kErrOverflow},
        ConversionCase{"TextAsInt32", std::wstring(L"12"), AsInt32, std::nullopt, kErrTypeMismatch},
        ConversionCase{"TextAsBool", std::wstring(L"True"), AsBool, std::nullopt, kErrTypeMismatch},
        ConversionCase{"PictureAsBool", PictureRef{L"UB_X"}, AsBool, std::nullopt, kErrTypeMismatch},
        ConversionCase{"ColorAsInt32", OleColor{0xFF}, AsInt32, std::nullopt, kErrTypeMismatch},
        ConversionCase{"Int32AsText", int32_t{1}, AsText, std::nullopt, kErrTypeMismatch},
        ConversionCase{"Int32AsColor", int32_t{255}, AsColor, std::nullopt, kErrTypeMismatch},
        ConversionCase{"TextAsPicture", std::wstring(L"UB_X"), AsPicture, std::nullopt, kErrTypeMismatch},
        ConversionCase{"PictureAsPicture", PictureRef{L"UB_X"}, AsPicture, PropValue(PictureRef{L"UB_X"})}),
    [](const auto& info) { return info.param.name; });

TEST(PropertyBagText, WritesOneLinePerEntryInOrder) {
    PropertyBag bag;
    bag.WriteBool(L"DrawIcon", true, false);
    bag.WriteInt32(L"MinWidth", -2147483647 - 1, 1);
    bag.WriteInt16(L"Gap", -32768, 0);
    bag.WriteText(L"ToolTipText", L"Pelmor免费行情分析系统", L"");
    bag.WriteColor(L"BackColor", OleColor{0x8000000F}, OleColor{0});
    bag.WritePicture(L"Picture", PictureRef{L"UB_PELMOR_N"}, PictureRef{});
    bag.WriteText(L"Escapes", std::wstring(L"a\"b\\c\nd\re\tf\x01g\x7Fh") + L'\0', L"");
    EXPECT_EQ(bag.ToText(), "DrawIcon = bool True\n"
                            "MinWidth = i32 -2147483648\n"
                            "Gap = i16 -32768\n"
                            "ToolTipText = text \"Pelmor免费行情分析系统\"\n"
                            "BackColor = color &H8000000F&\n"
                            "Picture = picture \"UB_PELMOR_N\"\n"
                            "Escapes = text \"a\\\"b\\\\c\\nd\\re\\tf\\u{1}g\\u{7F}h\\u{0}\"\n");
}

TEST(PropertyBagText, RoundTripsChineseEscapesAndCharactersBeyondTheBmp) {
    PropertyBag bag;
    bag.WriteText(L"Caption", L"上证指数 \"涨\"\t\\跌\r\n", L"");
    bag.WriteText(L"Emoji", Utf8ToWide("行情\xF0\x9F\x93\x88"), L"");
    bag.WriteText(L"C1Control", std::wstring(1, static_cast<wchar_t>(0x85)), L"");
    bag.WriteBool(L"Visible", false, true);
    bag.WriteColor(L"ForeColor", OleColor{0x00000000}, OleColor{0xFFFFFF});
    const std::string text = bag.ToText();
    EXPECT_NE(text.find("\\u{85}"), std::string::npos) << text;
    EXPECT_NE(text.find("\xF0\x9F\x93\x88"), std::string::npos) << text;

    std::string error;
    const auto back = PropertyBag::FromText(text, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->Entries(), bag.Entries());
    EXPECT_EQ(back->ToText(), text);
}

TEST(PropertyBagText, AcceptsCommentsBlankLinesCrlfTabsAndAByteOrderMark) {
    std::string error;
    const auto bag = PropertyBag::FromText("\xEF\xBB\xBF' design-time properties\r\n"
                                           "\r\n"
                                           "\t DrawIcon\t=\tbool   True  \r\n"
                                           "   ' indented comment\n"
                                           "Caption = text \"\\u{4E2D}\\u{1F4C8}\"\n"
                                           "BackColor = color &h00ff00aa&\n"
                                           "Gap=i16 -0",
                                           &error);
    ASSERT_TRUE(bag) << error;
    EXPECT_EQ(bag->size(), 4u);
    EXPECT_TRUE(bag->ReadBool(L"drawicon", false));
    EXPECT_EQ(WideToUtf8(bag->ReadText(L"Caption", L"")), "中\xF0\x9F\x93\x88");
    EXPECT_EQ(bag->ReadColor(L"BackColor", OleColor{}), OleColor{0x00FF00AA});
    EXPECT_EQ(bag->Read(L"Gap", true), PropValue(int16_t{0}));
}

struct MalformedCase {
    const char* name;
    std::string text;
    int line;
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.name;
}

class PropertyBagMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(PropertyBagMalformed, FailsNamingTheLine) {
    std::string error;
    EXPECT_FALSE(PropertyBag::FromText(GetParam().text, &error));
    EXPECT_EQ(error.rfind("line " + std::to_string(GetParam().line) + ":", 0), 0u) << error;
}

const std::string kGood = "A = i32 1\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, PropertyBagMalformed,
    ::testing::Values(MalformedCase{"UnknownKind", "A = int 1", 1}, MalformedCase{"MissingKind", "A = ", 1},
                      MalformedCase{"NoSpaceAfterKind", "A = text\"x\"", 1},
                      MalformedCase{"TrailingLetters", kGood + "B = i32 12a", 2},
                      MalformedCase{"OnlyMinus", kGood + "B = i32 -", 2},
                      MalformedCase{"PlusSign", "B = i16 +1", 1},
                      MalformedCase{"Int16TooBig", kGood + "\n' c\nB = i16 32768", 4},
                      MalformedCase{"Int16TooSmall", "B = i16 -32769", 1},
                      MalformedCase{"Int32TooBig", "B = i32 2147483648", 1},
                      MalformedCase{"Int32ManyDigits", "B = i32 -99999999999999999999999", 1},
                      MalformedCase{"BoolLowercase", "B = bool true", 1},
                      MalformedCase{"ColorSixDigits", "B = color &H0000FF&", 1},
                      MalformedCase{"ColorNineDigits", "B = color &H0000000FF&", 1},
                      MalformedCase{"ColorNoClosingAmp", "B = color &H000000FF", 1},
                      MalformedCase{"UnterminatedString", kGood + "B = text \"abc", 2},
                      MalformedCase{"BackslashAtEnd", "B = text \"abc\\", 1},
                      MalformedCase{"BadEscape", "B = text \"a\\qb\"", 1},
                      MalformedCase{"EmptyCodePoint", "B = text \"\\u{}\"", 1},
                      MalformedCase{"SurrogateCodePoint", "B = text \"\\u{D800}\"", 1},
                      MalformedCase{"CodePointTooBig", "B = text \"\\u{110000}\"", 1},
                      MalformedCase{"CodePointTooManyDigits", "B = text \"\\u{0000041}\"", 1},
                      MalformedCase{"RawTabInString", "B = text \"a\tb\"", 1},
                      MalformedCase{"InvalidUtf8InString", kGood + "B = text \"\xE4\xB8\"", 2},
                      MalformedCase{"InvalidUtf8InComment", kGood + "' \xFF\n", 2},
                      MalformedCase{"KeyStartsWithDigit", "1A = i32 1", 1},
                      MalformedCase{"KeyTooLong", std::string(65, 'k') + " = i32 1", 1},
                      MalformedCase{"KeyWithDash", "Tool-Tip = i32 1", 1},
                      MalformedCase{"MissingKey", "= i32 1", 1}, MalformedCase{"MissingEquals", "A i32 1", 1},
                      MalformedCase{"DuplicateKeyOtherCase", kGood + "B = i32 2\na = i32 3", 3},
                      MalformedCase{"PictureUnquoted", "P = picture UB_X", 1},
                      MalformedCase{"LoneCarriageReturn", "A = i32 1\rB = i32 2", 1}),
    [](const auto& info) { return info.param.name; });

TEST(PropertyBagText, LongestKeyAndExtremeNumbersParse) {
    const std::string key(64, 'k');
    const auto bag = PropertyBag::FromText(key + " = i32 -2147483648\nB = i16 32767\nC = i32 2147483647");
    ASSERT_TRUE(bag);
    EXPECT_EQ(bag->ReadInt32(Utf8ToWide(key), 0), -2147483647 - 1);
    EXPECT_EQ(bag->ReadInt16(L"B", 0), 32767);
    EXPECT_EQ(bag->ReadInt32(L"C", 0), 2147483647);
}

TEST(PropertyBagText, FontsAndNumberedKeysRoundTrip) {
    PropertyBag bag;
    bag.WriteFont(L"Font", FontRef{L"宋体", 82500, 700, 134, true, false, true}, FontRef{});
    bag.WriteFont(L"Whole", FontRef{L"Tahoma", 80000, 400, 0, false, true, false}, FontRef{});
    bag.WriteFont(L"Tiny", FontRef{L"x", 5, 0, 255, false, false, false}, FontRef{});
    bag.WritePicture(L"Bmp:12", PictureRef{L"MENU_OPEN"}, PictureRef{});
    bag.WriteText(L"Key:12", L"#mnuOpen:3", L"");
    const std::string text = bag.ToText();
    EXPECT_EQ(text, "Font = font \"宋体\" 8.25 700 134 True False True\n"
                    "Whole = font \"Tahoma\" 8 400 0 False True False\n"
                    "Tiny = font \"x\" 0.0005 0 255 False False False\n"
                    "Bmp:12 = picture \"MENU_OPEN\"\n"
                    "Key:12 = text \"#mnuOpen:3\"\n");
    std::string error;
    const auto back = PropertyBag::FromText(text, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->Entries(), bag.Entries());
    EXPECT_EQ(back->ReadFont(L"font", FontRef{}).sizeTenThousandths, 82500);
    EXPECT_EQ(ErrorOf([&] { back->ReadFont(L"Bmp:12", FontRef{}); }), kErrTypeMismatch);
    EXPECT_EQ(ErrorOf([&] { back->ReadText(L"Font", L""); }), kErrTypeMismatch);
}

TEST(PropertyBagText, FontsTheTextCannotHoldAreRefused) {
    PropertyBag bag;
    EXPECT_EQ(ErrorOf([&] { bag.WriteFont(L"F", FontRef{L"x", -1, 400}, FontRef{}); }), kErrInvalidCall);
    EXPECT_EQ(ErrorOf([&] { bag.WriteFont(L"F", FontRef{L"x", 1, 1001}, FontRef{}); }), kErrInvalidCall);
    EXPECT_EQ(ErrorOf([&] { bag.WriteInt32(L":Bmp", 1, 0); }), kErrInvalidCall);
    EXPECT_EQ(bag.size(), 0u);
    const auto bad = [](const char* line) { return !PropertyBag::FromText(line); };
    EXPECT_TRUE(bad("F = font \"x\" 8.12345 400 0 False False False"));
    EXPECT_TRUE(bad("F = font \"x\" 214748.3648 400 0 False False False"));
    EXPECT_TRUE(bad("F = font \"x\" 8. 400 0 False False False"));
    EXPECT_TRUE(bad("F = font \"x\" -8 400 0 False False False"));
    EXPECT_TRUE(bad("F = font \"x\" 8 1001 0 False False False"));
    EXPECT_TRUE(bad("F = font \"x\" 8 400 256 False False False"));
    EXPECT_TRUE(bad("F = font \"x\" 8 400 0 False False"));
    EXPECT_FALSE(bad("F = font \"x\" 214748.3647 400 0 False False False"));
}

TEST(TextCodec, MalformedUtf8BecomesOneReplacementPerBadSequence) {
    // Truncated 3-byte sequence, overlong NUL, encoded surrogate, byte that is never valid.
    EXPECT_EQ(Utf8ToWide("a\xE4\xB8"), std::wstring(L"a\xFFFD"));
    EXPECT_EQ(Utf8ToWide("\xC0\x80"), std::wstring(L"\xFFFD\xFFFD"));
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80z"), std::wstring(L"\xFFFD\xFFFD\xFFFDz"));
    EXPECT_EQ(Utf8ToWide("\xFF"), std::wstring(L"\xFFFD"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));
}

TEST(TextCodec, CharactersBeyondTheBmpTakeTwoUnitsOnlyWhereWcharIs16Bits) {
    const std::string utf8 = "\xF0\x9F\x93\x88";
    const std::wstring wide = Utf8ToWide(utf8);
    EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
    EXPECT_EQ(WideToUtf8(wide), utf8);
    // A lone surrogate is malformed in either width.
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD83D)) + L"x"), "\xEF\xBF\xBDx");
}

TEST(TextCodec, EqualsNoCaseFoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsNoCase(L"ToolTipText", L"TOOLTIPTEXT"));
    EXPECT_FALSE(EqualsNoCase(L"Tool", L"Tools"));
    // '@' and '`' differ by the case bit but are not letters.
    EXPECT_FALSE(EqualsNoCase(L"@", L"`"));
    EXPECT_FALSE(EqualsNoCase(L"\x00C9", L"\x00E9"));
    EXPECT_TRUE(EqualsNoCase(L"行情", L"行情"));
}

} // namespace
} // namespace rt
