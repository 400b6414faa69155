// The rules a transfer follows on its way: where a redirect leads and whether it may go there, what an
// answer's head says about its body, and how a signed list and the key setting are read.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "updater/HttpAnswer.h"
#include "updater/ListSignature.h"
#include "updater/ProductUrl.h"

using namespace updater;
using namespace std::string_literals;

namespace {

struct LocationCase {
    const char* base;
    const char* location;
    const char* resolved;
};

void PrintTo(const LocationCase& c, std::ostream* os) {
    *os << c.location << " from " << c.base;
}

class RedirectTarget : public ::testing::TestWithParam<LocationCase> {};

TEST_P(RedirectTarget, IsReadAgainstTheAddressThatAnswered) {
    EXPECT_EQ(ResolveLocation(GetParam().base, GetParam().location), GetParam().resolved);
}

INSTANTIATE_TEST_SUITE_P(
    Locations, RedirectTarget,
    ::testing::Values(LocationCase{"http://a.com/d/x.exe", "https://b.com/y", "https://b.com/y"},
                      LocationCase{"https://a.com/d/x.exe", "//b.com/y", "https://b.com/y"},
                      LocationCase{"http://a.com:8080/d/x.exe?q=1", "/y.exe", "http://a.com:8080/y.exe"},
                      LocationCase{"http://a.com/d/x.exe?q=1", "y.exe", "http://a.com/d/y.exe"},
                      LocationCase{"http://a.com/d/x.exe", "../y.exe", "http://a.com/d/../y.exe"},
                      LocationCase{"http://a.com/d/x.exe?q=1", "?r=2", "http://a.com/d/x.exe?r=2"},
                      LocationCase{"http://a.com/d/x.exe#f", "#g", "http://a.com/d/x.exe"},
                      LocationCase{"http://a.com", "y.exe", "http://a.com/y.exe"},
                      LocationCase{"http://a.com?x", "/y", "http://a.com/y"},
                      // A colon after the first '/' is part of a path, not a scheme.
                      LocationCase{"http://a.com/d/", "y/b:c", "http://a.com/d/y/b:c"},
                      LocationCase{"http://a.com/", "evil.com:80/x", "evil.com:80/x"},
                      LocationCase{"not an address", "/y", ""}));

struct RedirectCase {
    const char* from;
    const char* to;
    bool allowed;
};

void PrintTo(const RedirectCase& c, std::ostream* os) {
    *os << c.from << " -> " << c.to;
}

class RedirectRule : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectRule, StaysOnTheProductHostAndNeverLeavesHttps) {
    EXPECT_EQ(IsAllowedRedirect(GetParam().from, GetParam().to, "pelmor.com"), GetParam().allowed);
}

INSTANTIATE_TEST_SUITE_P(
    Redirects, RedirectRule,
    ::testing::Values(RedirectCase{"http://www.pelmor.com/a", "http://www.pelmor.com/b", true},
                      RedirectCase{"http://www.pelmor.com/a", "https://dl.pelmor.com/b", true},
                      RedirectCase{"https://www.pelmor.com/a", "https://dl.pelmor.com/b", true},
                      RedirectCase{"HTTPS://www.pelmor.com/a", "HTTPS://pelmor.com/b", true},
                      RedirectCase{"https://www.pelmor.com/a", "http://www.pelmor.com/b", false},
                      RedirectCase{"http://www.pelmor.com/a", "http://evil.net/b", false},
                      RedirectCase{"http://www.pelmor.com/a", "http://pelmor.com.evil.net/b", false},
                      RedirectCase{"http://www.pelmor.com/a", "http://www.pelmor.com?@evil.net/b", false},
                      RedirectCase{"http://www.pelmor.com/a", "ftp://www.pelmor.com/b", false},
                      RedirectCase{"http://www.pelmor.com/a", "file:///C:/b.exe", false},
                      RedirectCase{"http://www.pelmor.com/a", "", false}));

struct HeadCase {
    const char* name;
    std::wstring head;
    std::optional<uint64_t> bodyLength;
    std::string location = {};
};

void PrintTo(const HeadCase& c, std::ostream* os) {
    *os << c.name;
}

class AnswerHead : public ::testing::TestWithParam<HeadCase> {};

TEST_P(AnswerHead, GivesTheBodyLengthOnlyWhenItCanBeTrusted) {
    const HttpAnswer answer = HttpAnswer::Read(GetParam().head);
    EXPECT_EQ(answer.bodyLength, GetParam().bodyLength);
    EXPECT_EQ(answer.location, GetParam().location);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, AnswerHead,
    ::testing::Values(
        HeadCase{"plain", L"HTTP/1.1 200 OK\r\nContent-Type: x\r\nContent-Length: 1234\r\n\r\n", 1234},
        HeadCase{"lower_case_and_blanks", L"HTTP/1.1 200 OK\r\ncontent-length:\t 0 \r\n\r\n", 0},
        HeadCase{"lf_only", L"HTTP/1.0 200 OK\nContent-Length: 7\n", 7},
        HeadCase{"absent", L"HTTP/1.1 200 OK\r\nContent-Type: x\r\n\r\n", std::nullopt},
        HeadCase{"not_a_number", L"HTTP/1.1 200 OK\r\nContent-Length: 12a\r\n\r\n", std::nullopt},
        HeadCase{"signed", L"HTTP/1.1 200 OK\r\nContent-Length: +12\r\n\r\n", std::nullopt},
        HeadCase{"too_long_to_be_true", L"HTTP/1.1 200 OK\r\nContent-Length: 1234567890123456789\r\n",
                 std::nullopt},
        HeadCase{"two_that_agree", L"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n", 5},
        HeadCase{"two_that_differ", L"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n",
                 std::nullopt},
        HeadCase{"chunked", L"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n",
                 std::nullopt},
        HeadCase{"compressed", L"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 5\r\n",
                 std::nullopt},
        HeadCase{"identity", L"HTTP/1.1 200 OK\r\nContent-Encoding: identity\r\nContent-Length: 5\r\n", 5},
        HeadCase{"status_line_is_no_header", L"Content-Length: 9\r\nContent-Length: 5\r\n", 5},
        HeadCase{"location", L"HTTP/1.1 302 Found\r\nLocation:  /setup/b.exe \r\n\r\n", std::nullopt,
                 "/setup/b.exe"},
        HeadCase{"empty", L"", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Base64, DecodesOnlyCanonicalPaddedText) {
    EXPECT_EQ(DecodeBase64(""), std::vector<uint8_t>{});
    EXPECT_EQ(DecodeBase64("TWFu"), (std::vector<uint8_t>{'M', 'a', 'n'}));
    EXPECT_EQ(DecodeBase64("TWE="), (std::vector<uint8_t>{'M', 'a'}));
    EXPECT_EQ(DecodeBase64("TQ=="), (std::vector<uint8_t>{'M'}));
    EXPECT_EQ(DecodeBase64("+/+/"), (std::vector<uint8_t>{0xFB, 0xFF, 0xBF}));
    for (const char* bad :
         {"TWE", "TQ", "TQ=", "T===", "====", "TW=u", "TWFu\n", " TWFu", "TWF-", "TR==", "TWF="})
        EXPECT_EQ(DecodeBase64(bad), std::nullopt) << bad;
}

TEST(PublicKeySetting, IsAnUncompressedPointOf65Bytes) {
    const std::string point = "\x04"s + std::string(32, '\x11') + std::string(32, '\x22');
    // base64 of point, written out: "BBER…" (0x04 0x11 0x11 …).
    const std::string text =
        "BBERERERERERERERERERERERERERERERERERERERERERIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiI=";
    const auto key = ParsePublicKey(text);
    ASSERT_TRUE(key);
    EXPECT_EQ(std::string(key->begin(), key->end()), point.substr(1));
    EXPECT_EQ(ParsePublicKey(""), std::nullopt);
    EXPECT_EQ(ParsePublicKey("A" + text.substr(1)), std::nullopt) << "a compressed or odd point";
    EXPECT_EQ(ParsePublicKey(text.substr(0, 84)), std::nullopt) << "too short";
}

struct SplitCase {
    const char* name;
    std::string bytes;
    std::string message;
    std::vector<std::optional<KeyId>> keyIds; // of the signatures read, in order
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SignedListSplit : public ::testing::TestWithParam<SplitCase> {};

// 64 bytes 0x00 … 0x3F in base64.
const std::string kSig =
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==";

TEST_P(SignedListSplit, SignsTheFirstLineAndReadsTheSignatureLinesAfterIt) {
    const SplitCase& c = GetParam();
    const SignedList list = SplitSignedList(c.bytes);
    EXPECT_EQ(list.message, c.message);
    ASSERT_EQ(list.signatures.size(), c.keyIds.size());
    for (size_t n = 0; n < c.keyIds.size(); ++n) {
        const auto& line = list.signatures[n];
        EXPECT_EQ(line.keyId, c.keyIds[n]);
        for (size_t i = 0; i < line.signature.size(); ++i)
            EXPECT_EQ(line.signature[i], i);
    }
}

constexpr KeyId kId{0x0A, 0x1B, 0x2C, 0x3D};

INSTANTIATE_TEST_SUITE_P(
    Lists, SignedListSplit,
    ::testing::Values(
        SplitCase{"crlf", "1.7|u|x\r\nsig=" + kSig + "\r\n", "1.7|u|x", {std::nullopt}},
        SplitCase{"lf", "1.7|u\nsig=" + kSig, "1.7|u", {std::nullopt}},
        SplitCase{"cr", "1.7|u\rsig=" + kSig + "\rmore", "1.7|u", {std::nullopt}},
        SplitCase{"bom_not_signed",
                  "\xEF\xBB\xBF"
                  "1.7|u\r\nsig=" +
                      kSig,
                  "1.7|u",
                  {std::nullopt}},
        SplitCase{"blanks_after", "1.7|u\r\nsig=" + kSig + " \t\r\n", "1.7|u", {std::nullopt}},
        SplitCase{"missing_line", "1.7|u\r\n", "1.7|u", {}}, SplitCase{"no_line_end", "1.7|u", "1.7|u", {}},
        SplitCase{"blank_line_between", "1.7|u\r\n\r\nsig=" + kSig, "1.7|u", {}},
        SplitCase{"blank_before", "1.7|u\r\n sig=" + kSig, "1.7|u", {}},
        SplitCase{"upper_key", "1.7|u\r\nSIG=" + kSig, "1.7|u", {}},
        SplitCase{"short", "1.7|u\r\nsig=" + kSig.substr(4), "1.7|u", {}},
        SplitCase{"not_base64", "1.7|u\r\nsig=" + kSig.substr(0, 80) + "!!!!!!==", "1.7|u", {}},
        SplitCase{"key_id", "1.7|u\r\nsig=0a1B2c3d:" + kSig, "1.7|u", {kId}},
        SplitCase{"two_keys_and_the_old_form",
                  "1.7|u\r\nsig=0a1b2c3d:" + kSig + "\r\nsig=ffffffff:" + kSig + "\nsig=" + kSig,
                  "1.7|u",
                  {kId, KeyId{0xFF, 0xFF, 0xFF, 0xFF}, std::nullopt}},
        SplitCase{"malformed_line_passed_over", "1.7|u\nsig=xyz\nsig=0a1b2c3d:" + kSig, "1.7|u", {kId}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
