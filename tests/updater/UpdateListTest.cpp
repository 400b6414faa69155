// The update list rules: the first field, the version, the download address check, the load outcome
// and the progress percent.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <optional>
#include <string>

#include "updater/DecimalVersion.h"
#include "updater/ProductUrl.h"
#include "updater/UpdateList.h"
#include "updater/UpdateRules.h"

using namespace updater;

namespace {

using namespace std::string_literals;

struct ListCase {
    const char* name;
    std::string bytes;
    std::optional<std::string> versionText; // nullopt: the list is invalid
    std::string url = {};
    ListEncoding encoding = ListEncoding::Utf8;
};

void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.name;
}

class UpdateListParse : public ::testing::TestWithParam<ListCase> {};

TEST_P(UpdateListParse, ReadsTheFirstFieldOfTheFirstLine) {
    const ListCase& c = GetParam();
    const auto list = UpdateList::Parse(c.bytes, "pelmor.com");
    ASSERT_EQ(list.has_value(), c.versionText.has_value());
    if (!list) return;
    EXPECT_EQ(list->versionText, *c.versionText);
    EXPECT_EQ(list->url, c.url);
    EXPECT_EQ(list->encoding, c.encoding);
}

const std::string kUrl = "http://www.pelmor.com/down/PelmorSetup.exe";

INSTANTIATE_TEST_SUITE_P(
    Lists, UpdateListParse,
    ::testing::Values(
        ListCase{"plain", "1.666|" + kUrl + "\r\n2.0|http://www.pelmor.com/x\r\n", "1.666", kUrl},
        ListCase{"further_fields_ignored", "1.7|" + kUrl + "|2010-01-01|notes", "1.7", kUrl},
        ListCase{"url_trimmed", "1.7|   " + kUrl + "   |x", "1.7", kUrl},
        ListCase{"leading_spaces_skipped", "   1.7|" + kUrl, "1.7", kUrl},
        ListCase{"cr_ends_the_line", "1.7|" + kUrl + "\rjunk", "1.7", kUrl},
        ListCase{"comma_before_bar_loses_the_rest", "1.7,x|" + kUrl, std::nullopt},
        ListCase{"comma_in_url_cuts_it", "1.7|http://www.pelmor.com/a,b.exe", "1.7",
                 "http://www.pelmor.com/a"},
        ListCase{"quoted_field_keeps_commas", "\"1.7|http://www.pelmor.com/a,b.exe\",more", "1.7",
                 "http://www.pelmor.com/a,b.exe"},
        ListCase{"quoted_field_version_trimmed", "  \" 1.7 |" + kUrl + "\"", "1.7", kUrl},
        ListCase{"unclosed_quote_runs_to_line_end", "\"1.7|" + kUrl + "\nmore\"", "1.7", kUrl},
        ListCase{"utf8_bom_skipped",
                 "\xEF\xBB\xBF"
                 "1.7|" +
                     kUrl,
                 "1.7", kUrl},
        ListCase{"only_the_first_line_counts", "new version:\n1.7|" + kUrl, std::nullopt},
        ListCase{"empty", "", std::nullopt}, ListCase{"only_a_newline", "\r\n", std::nullopt},
        ListCase{"only_spaces", "     ", std::nullopt}, ListCase{"no_bar", "1.7 " + kUrl, std::nullopt},
        ListCase{"empty_url", "1.7|", std::nullopt}, ListCase{"blank_url", "1.7|    |" + kUrl, std::nullopt},
        ListCase{"domain_only_in_the_version", "pelmor.com|http://evil.net/x.exe", std::nullopt},
        ListCase{"nul_in_url", "1.7|http://www.pelmor.com/a\0.exe"s, std::nullopt},
        ListCase{"nul_in_version", "1.7\0x|"s + kUrl, std::nullopt},
        ListCase{"non_numeric_version", "new|" + kUrl, std::nullopt},
        ListCase{"utf8_version_text", "1.7\xE7\x89\x88|" + kUrl, std::nullopt},
        ListCase{"gbk_version_text", "1.7\xB0\xE6|" + kUrl, std::nullopt},
        ListCase{"signed_version", "+1.7|" + kUrl, std::nullopt},
        ListCase{"only_dots", "..|" + kUrl, std::nullopt},
        ListCase{"version_of_16", "1234567890.12345|" + kUrl, "1234567890.12345", kUrl},
        ListCase{"version_of_17", "1234567890.123456|" + kUrl, std::nullopt},
        ListCase{"dotted_version", "1.6.2|" + kUrl, "1.6.2", kUrl},
        ListCase{"gbk_text_after_the_url", "1.7|" + kUrl + "|\xB0\xE6", "1.7", kUrl, ListEncoding::Gbk},
        ListCase{"utf16_refused",
                 "\xFF\xFE"
                 "1\0.\0"
                 "7\0|\0h\0t\0t\0p\0:\0/\0/\0p\0e\0l\0m\0o\0r\0.\0c\0o\0m\0"s,
                 std::nullopt},
        ListCase{"field_beyond_the_read_bound", std::string(kMaxListBytes, ' ') + "1.7|" + kUrl,
                 std::nullopt},
        ListCase{"long_tail_after_the_line", "1.7|" + kUrl + "\n" + std::string(1 << 20, 'x'), "1.7", kUrl}),
    [](const auto& info) { return std::string(info.param.name); });

struct FieldCase {
    const char* name;
    std::string fields; // the list's fields after the URL
    bool valid;
    bool digest;
    std::optional<ListDate> expires = std::nullopt;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << c.name;
}

class ListFields : public ::testing::TestWithParam<FieldCase> {};

const std::string kDigestHex = "000102030405060708090a0b0c0d0e0f101112131415161718191A1B1C1D1E1F";

TEST_P(ListFields, AreReadAfterTheUrlInAnyOrder) {
    const FieldCase& c = GetParam();
    const auto list = UpdateList::Parse("1.7|" + kUrl + "|" + c.fields + "\r\n", "pelmor.com");
    ASSERT_EQ(list.has_value(), c.valid);
    if (!list) return;
    EXPECT_EQ(list->url, kUrl);
    EXPECT_EQ(list->expires, c.expires);
    ASSERT_EQ(list->sha256.has_value(), c.digest);
    if (c.digest) {
        for (size_t i = 0; i < list->sha256->size(); ++i)
            EXPECT_EQ((*list->sha256)[i], i);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ListFields,
    ::testing::Values(
        FieldCase{"digest", "sha256=" + kDigestHex, true, true},
        FieldCase{"key_in_capitals_and_blanks", "  SHA256=" + kDigestHex + "  |notes", true, true},
        FieldCase{"date_as_of_old", "2010-01-01|notes", true, false},
        FieldCase{"digest_in_the_fourth_field", "2010-01-01|sha256=" + kDigestHex, true, true},
        FieldCase{"short_digest", "sha256=" + kDigestHex.substr(2), false, false},
        FieldCase{"long_digest", "sha256=" + kDigestHex + "00", false, false},
        FieldCase{"not_hex", "sha256=" + kDigestHex.substr(0, 62) + "zz", false, false},
        FieldCase{"blank_inside", "sha256= " + kDigestHex, false, false},
        FieldCase{"empty_digest", "sha256=", false, false},
        FieldCase{"digest_twice", "sha256=" + kDigestHex + "|sha256=" + kDigestHex, false, false},
        // 0x81 0x7C is one GBK character whose second byte is '|'.
        FieldCase{"gbk_trail_byte_is_no_bar", "\x81|sha256=" + kDigestHex, true, false},
        FieldCase{"expiry_before_the_digest", "Expires=2030-02-28 | sha256=" + kDigestHex, true, true,
                  ListDate{2030, 2, 28}},
        FieldCase{"leap_day", "expires=2028-02-29", true, false, ListDate{2028, 2, 29}},
        FieldCase{"no_leap_day", "expires=2100-02-29", false, false},
        FieldCase{"unpadded_date", "expires=2030-1-1", false, false},
        FieldCase{"expiry_twice", "expires=2030-01-01|expires=2031-01-01", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct UrlCase {
    const char* url;
    const char* domain;
    bool accepted;
};

void PrintTo(const UrlCase& c, std::ostream* os) {
    *os << c.url << " for " << c.domain;
}

class ProductUrlCheck : public ::testing::TestWithParam<UrlCase> {};

TEST_P(ProductUrlCheck, AcceptsOnlyTheProductHost) {
    const UrlCase& c = GetParam();
    EXPECT_EQ(IsProductUrl(c.url, c.domain), c.accepted) << c.url << " for " << c.domain;
}

INSTANTIATE_TEST_SUITE_P(
    Urls, ProductUrlCheck,
    ::testing::Values(
        UrlCase{"http://pelmor.com/a.exe", "pelmor.com", true},
        UrlCase{"https://www.pelmor.com/a.exe", "pelmor.com", true},
        UrlCase{"HTTP://WWW.PELMOR.COM/A.EXE", "pelmor.com", true},
        UrlCase{"http://www.pelmor.com", "pelmor.com", true},
        UrlCase{"http://www.pelmor.com?x=1", "pelmor.com", true},
        UrlCase{"http://dl.cdn.pelmor.com:8080/a.exe", "PELMOR.COM", true},
        UrlCase{"http://pelmor.com:65535/a", "pelmor.com", true},
        UrlCase{"http://pelmor.com.evil.net/a.exe", "pelmor.com", false},
        UrlCase{"http://evilpelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"http://pelmor.com@evil.net/a.exe", "pelmor.com", false},
        UrlCase{"http://pelmor.com:80@evil.net/a.exe", "pelmor.com", false},
        UrlCase{"http://user:pw@www.pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"http://evil.net/pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"http://evil.net?.pelmor.com", "pelmor.com", false},
        // '@' after the authority: another parser may end the authority later and read the host after it.
        UrlCase{"http://www.pelmor.com?@evil.net/x.exe", "pelmor.com", false},
        UrlCase{"http://www.pelmor.com#@evil.net/x.exe", "pelmor.com", false},
        UrlCase{"http://www.pelmor.com/a@b.exe", "pelmor.com", false},
        UrlCase{"http://evil.net#.pelmor.com", "pelmor.com", false},
        UrlCase{"http://evil.net\\.pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"http://www.pelmor.com\\@evil.net/a.exe", "pelmor.com", false},
        UrlCase{"http://evil.net%2F.pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"http://evil.net\t.pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"ftp://pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"file://pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"//pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"http:/pelmor.com/a.exe", "pelmor.com", false},
        UrlCase{"http:///pelmor.com/a.exe", "pelmor.com", false}, UrlCase{"http://", "pelmor.com", false},
        UrlCase{"", "pelmor.com", false}, UrlCase{"http://pelmor.com:/a", "pelmor.com", false},
        UrlCase{"http://pelmor.com:0/a", "pelmor.com", false},
        UrlCase{"http://pelmor.com:65536/a", "pelmor.com", false},
        UrlCase{"http://pelmor.com:80:80/a", "pelmor.com", false},
        UrlCase{"http://pelmor.com./a", "pelmor.com", false},
        UrlCase{"http://.pelmor.com/a", "pelmor.com", false},
        UrlCase{"http://www..pelmor.com/a", "pelmor.com", false},
        UrlCase{"http://[::1]/a", "pelmor.com", false},
        UrlCase{"http://www.pelmor.com/a b.exe", "pelmor.com", false},
        UrlCase{"http://www.pelmor.com/\xE7\x89\x88.exe", "pelmor.com", false},
        UrlCase{"http://127.0.0.1:38457/a.exe", "127.0.0.1", true},
        UrlCase{"http://127.0.0.1/a.exe", "127.0.0.1", true},
        UrlCase{"http://1.127.0.0.1/a.exe", "127.0.0.1", false},
        UrlCase{"http://127.0.0.10/a.exe", "127.0.0.1", false},
        UrlCase{"http://127.1/a.exe", "127.0.0.1", false},
        UrlCase{"http://2130706433/a.exe", "127.0.0.1", false},
        UrlCase{"http://localhost/a.exe", "127.0.0.1", false},
        UrlCase{"http://[::1]:8080/a.exe", "[::1]", true}, UrlCase{"http://[::1]x/a.exe", "[::1]", false},
        UrlCase{"http://x.[::1]/a.exe", "[::1]", false}, UrlCase{"http://pelmor.com/a.exe", "", false}));

struct VersionCase {
    const char* a;
    const char* b;
    int order; // sign of a - b
};

class VersionCompare : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionCompare, ComparesAsDecimalNumbers) {
    const VersionCase& c = GetParam();
    const auto order = DecimalVersion::Parse(c.a) <=> DecimalVersion::Parse(c.b);
    EXPECT_EQ(order < 0 ? -1 : order > 0 ? 1 : 0, c.order) << c.a << " vs " << c.b;
    const auto reverse = DecimalVersion::Parse(c.b) <=> DecimalVersion::Parse(c.a);
    EXPECT_EQ(reverse < 0 ? -1 : reverse > 0 ? 1 : 0, -c.order) << c.b << " vs " << c.a;
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionCompare,
    ::testing::Values(VersionCase{"1.666", "1.5", 1}, VersionCase{"1.5", "1.5", 0},
                      VersionCase{"1.50", "1.5", 0}, VersionCase{"001.5", "1.5", 0},
                      VersionCase{"1.10", "1.5", -1}, VersionCase{"1.05", "1.5", -1},
                      VersionCase{"2", "1.999", 1}, VersionCase{"10.0", "9.9", 1}, VersionCase{"new", "0", 0},
                      VersionCase{"", "0", 0}, VersionCase{".", "0", 0}, VersionCase{"1.5abc", "1.5", 0},
                      VersionCase{" \t1.7", "1.7", 0}, VersionCase{".5", "0.5", 0}, VersionCase{"1.", "1", 0},
                      VersionCase{"+2", "2", 0}, VersionCase{"-1", "0", -1}, VersionCase{"-0", "0", 0},
                      VersionCase{"-1.5", "-1.25", -1}, VersionCase{"1e5", "1", 0},
                      VersionCase{"123456789012345678901234567890.1", "123456789012345678901234567890", 1}));

TEST(OwnVersion, MajorAndMinorJoinWithAPoint) {
    EXPECT_EQ(DecimalVersion::FromMajorMinor(1, 5), DecimalVersion::Parse("1.5"));
    EXPECT_LT(DecimalVersion::FromMajorMinor(1, 10), DecimalVersion::FromMajorMinor(1, 5));
    EXPECT_EQ(DecimalVersion::FromMajorMinor(65535, 65535).ToString(), "65535.65535");
}

struct OutcomeCase {
    const char* name;
    ListState state;
    const char* list; // the list of a Good state
    bool byViewer;
    LoadOutcome outcome;
    bool keyed = true; // the build may run a setup program
};

class LoadDecision : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(LoadDecision, FollowsTheOutcomeTable) {
    const OutcomeCase& c = GetParam();
    const ListReading reading{c.state, c.list ? UpdateList::Parse(c.list, "pelmor.com") : std::nullopt};
    ASSERT_EQ(reading.list.has_value(), c.list != nullptr);
    EXPECT_EQ(DecideLoad(reading, DecimalVersion::FromMajorMinor(1, 5), c.byViewer, c.keyed), c.outcome);
}

constexpr const char* kNewer = "1.666|http://www.pelmor.com/a.exe";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, LoadDecision,
    ::testing::Values(
        OutcomeCase{"no_list_by_hand", ListState::NotDownloaded, nullptr, false, LoadOutcome::ConnectFailed},
        OutcomeCase{"no_list_by_viewer", ListState::NotDownloaded, nullptr, true, LoadOutcome::ConnectFailed},
        OutcomeCase{"not_saved_by_viewer", ListState::NotSaved, nullptr, true, LoadOutcome::CannotSave},
        OutcomeCase{"invalid_by_viewer", ListState::Invalid, nullptr, true, LoadOutcome::NoUpdateData},
        OutcomeCase{"undated_by_hand", ListState::Undated, nullptr, false, LoadOutcome::UndatedBox},
        OutcomeCase{"undated_by_viewer", ListState::Undated, nullptr, true, LoadOutcome::EndQuietly},
        OutcomeCase{"expired_by_hand", ListState::Expired, nullptr, false, LoadOutcome::ExpiredBox},
        OutcomeCase{"expired_by_viewer", ListState::Expired, nullptr, true, LoadOutcome::EndQuietly},
        OutcomeCase{"newer_by_hand", ListState::Good, kNewer, false, LoadOutcome::ShowWindow},
        OutcomeCase{"newer_by_viewer", ListState::Good, kNewer, true, LoadOutcome::AskViewerUser},
        OutcomeCase{"newer_without_a_key_by_viewer", ListState::Good, kNewer, true,
                    LoadOutcome::AskToVisitSite, false},
        OutcomeCase{"equal_without_a_key", ListState::Good, "1.5|http://www.pelmor.com/a.exe", false,
                    LoadOutcome::UpToDateBox, false},
        OutcomeCase{"equal_by_hand", ListState::Good, "1.5|http://www.pelmor.com/a.exe", false,
                    LoadOutcome::UpToDateBox},
        OutcomeCase{"equal_by_viewer", ListState::Good, "1.50|http://www.pelmor.com/a.exe", true,
                    LoadOutcome::EndQuietly},
        OutcomeCase{"older_minor_10", ListState::Good, "1.10|http://www.pelmor.com/a.exe", false,
                    LoadOutcome::UpToDateBox}),
    [](const auto& info) { return std::string(info.param.name); });

struct PercentCase {
    int64_t progress, maximum; // as the transfer reports them: unsigned 32-bit
    int percent;
};

class Percent : public ::testing::TestWithParam<PercentCase> {};

TEST_P(Percent, IsTheWholePartClampedTo100) {
    const PercentCase& c = GetParam();
    EXPECT_EQ(ProgressPercent(static_cast<int32_t>(static_cast<uint32_t>(c.progress)),
                              static_cast<int32_t>(static_cast<uint32_t>(c.maximum))),
              c.percent)
        << c.progress << " of " << c.maximum;
}

INSTANTIATE_TEST_SUITE_P(Percents, Percent,
                         ::testing::Values(PercentCase{0, 0, 0}, PercentCase{500, 0, 0},
                                           PercentCase{1, 3, 33}, PercentCase{2, 3, 66},
                                           PercentCase{29, 100, 29}, PercentCase{100, 100, 100},
                                           PercentCase{150, 100, 100}, PercentCase{5, 0x7FFFFFFF, 0},
                                           PercentCase{0x7FFFFFFF, 0x7FFFFFFF, 100},
                                           PercentCase{0x80000000, 0xFFFFFFFF, 50},
                                           PercentCase{0xFFFFFFFF, 0xFFFFFFFF, 100}));

TEST(UpdaterPaths, JoinWithOneSeparator) {
    EXPECT_EQ(JoinFolder(L"C:\\", L"UpSoft.txt"), L"C:\\UpSoft.txt");
    EXPECT_EQ(JoinFolder(L"C:\\Program Files\\Pelmor", L"UpSoft.txt"),
              L"C:\\Program Files\\Pelmor\\UpSoft.txt");
    EXPECT_EQ(ListUrl(L"http://www.pelmor.com/"), L"http://www.pelmor.com/upsoft.txt");
    EXPECT_EQ(ListUrl(L"http://127.0.0.1:38457"), L"http://127.0.0.1:38457/upsoft.txt");
}

TEST(UpdaterFormLayout, ScalesEachSizeAndPlaceWithTheResolution) {
    const UpdaterFormLayout at144 = LayOutUpdaterForm(144), at192 = LayOutUpdaterForm(192);
    EXPECT_EQ(at144.pb, (rt::Rect{24, 60, 654, 95}));
    EXPECT_EQ(at144.cmdUpSoft, (rt::Rect{420, 120, 542, 155}));
    EXPECT_EQ(at192.cmdQuxiao, (rt::Rect{752, 160, 866, 208}));
}

} // namespace
