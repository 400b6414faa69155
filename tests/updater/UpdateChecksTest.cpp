// The system's CNG as the updater uses it: signed update lists accepted or refused, and the downloaded
// setup program checked before anything runs it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "CngCrypto.h"
#include "UpdateChecks.h"
#include "UpdaterTestSupport.h"

using namespace updatertest;
using updater::ReadCheckedList;

namespace {

TEST(Sha256, MatchesTheStandardsVectors) {
    const auto digest = updater::Sha256Of("abc");
    ASSERT_TRUE(digest);
    EXPECT_EQ(Hex(std::string(digest->begin(), digest->end())),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Fed in pieces across a block boundary, as a file is.
    const std::string million(1000000, 'a');
    updater::Sha256 hash;
    for (size_t i = 0; i < million.size(); i += 777)
        hash.Add(million.data() + i, std::min<size_t>(777, million.size() - i));
    const auto pieces = hash.Finish();
    ASSERT_TRUE(pieces);
    EXPECT_EQ(Hex(std::string(pieces->begin(), pieces->end())),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

const std::string kLineWithoutDigest = "1.666|http://www.pelmor.com/down/Pelmor.exe";
const std::string kLine = kLineWithoutDigest + "|sha256=" + std::string(64, 'a');

struct SignatureCase {
    const char* name;
    // The list served, from a signer and the first line; the key the updater is built with.
    std::function<std::string(const ListSigner&, const ListSigner& other)> list;
    std::function<std::string(const ListSigner&)> key;
    bool accepted;
};

void PrintTo(const SignatureCase& c, std::ostream* os) {
    *os << c.name;
}

std::string OwnKey(const ListSigner& s) {
    return s.PublicKey();
}

std::string Flip(std::string s, size_t at) {
    s[at] = static_cast<char>(s[at] ^ 1);
    return s;
}

class ListSignatureCheck : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(ListSignatureCheck, AcceptsOnlyTheKeysSignatureOfTheFirstLine) {
    const ListSigner signer, other;
    ASSERT_EQ(signer.PublicKey().size(), 88u) << "the system could not make a key pair";
    const SignatureCase& c = GetParam();
    EXPECT_EQ(ReadCheckedList(c.list(signer, other), "pelmor.com", c.key(signer)).has_value(), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ListSignatureCheck,
    ::testing::Values(
        SignatureCase{"good", [](auto& s, auto&) { return s.SignedList(kLine); }, OwnKey, true},
        SignatureCase{
            "good_with_bom_and_lf",
            [](auto& s, auto&) { return "\xEF\xBB\xBF" + kLine + "\nsig=" + Base64(s.Signature(kLine)); },
            OwnKey, true},
        SignatureCase{"altered_first_line",
                      [](auto& s, auto&) {
                          std::string list = s.SignedList(kLine);
                          return list.replace(0, 5, "1.667");
                      },
                      OwnKey, false},
        SignatureCase{"line_signed_with_its_line_end",
                      [](auto& s, auto&) { return kLine + "\r\nsig=" + Base64(s.Signature(kLine + "\r\n")); },
                      OwnKey, false},
        SignatureCase{
            "altered_signature",
            [](auto& s, auto&) { return kLine + "\r\nsig=" + Base64(Flip(s.Signature(kLine), 40)) + "\r\n"; },
            OwnKey, false},
        SignatureCase{"missing_line", [](auto&, auto&) { return kLine + "\r\n"; }, OwnKey, false},
        SignatureCase{"signature_on_the_third_line",
                      [](auto& s, auto&) { return kLine + "\r\n\r\nsig=" + Base64(s.Signature(kLine)); },
                      OwnKey, false},
        SignatureCase{"wrong_key", [](auto&, auto& o) { return o.SignedList(kLine); }, OwnKey, false},
        SignatureCase{"signed_without_a_digest",
                      [](auto& s, auto&) { return s.SignedList(kLineWithoutDigest); }, OwnKey, false},
        SignatureCase{"no_key_configured", [](auto&, auto&) { return kLineWithoutDigest + "\r\n"; },
                      [](auto&) { return std::string(); }, true},
        SignatureCase{
            "key_not_on_the_curve", [](auto& s, auto&) { return s.SignedList(kLine); },
            [](auto&) { return Base64("\x04" + std::string(32, '\x11') + std::string(32, '\x22')); }, false},
        SignatureCase{"unreadable_key", [](auto& s, auto&) { return s.SignedList(kLine); },
                      [](auto& s) { return s.PublicKey().substr(1); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct SetupCase {
    const char* name;
    std::string body;
    bool withDigest; // the list names the body's SHA-256 (altered when digestOf is set)
    std::string digestOf;
    bool passes;
};

void PrintTo(const SetupCase& c, std::ostream* os) {
    *os << c.name;
}

class SetupProgramCheck : public ::testing::TestWithParam<SetupCase> {};

TEST_P(SetupProgramCheck, PassesOnlyAProgramWithTheNamedDigest) {
    const SetupCase& c = GetParam();
    ScratchFolder folder(L"Pelmor 安装检查");
    const std::wstring path = folder.File(L"Pelmor.exe");
    ASSERT_TRUE(WriteFileBytes(path, c.body));
    std::optional<updater::Sha256Digest> digest;
    if (c.withDigest) {
        const auto d = updater::Sha256Of(c.digestOf.empty() ? c.body : c.digestOf);
        ASSERT_TRUE(d);
        digest = *d;
    }
    rt::UniqueKernelHandle held = updater::OpenVerifiedSetup(path, digest);
    ASSERT_EQ(static_cast<bool>(held), c.passes);
    if (!held) return;
    // While held, the checked file can be read (and so started) but not replaced or removed.
    std::string again;
    EXPECT_TRUE(ReadBytes(path, again) && again == c.body);
    EXPECT_FALSE(WriteFileBytes(path, "MZ other program"));
    EXPECT_FALSE(::DeleteFileW(path.c_str()));
    held.reset();
    EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

const std::string kProgram = "MZ" + PatternBytes(100000, 21);

INSTANTIATE_TEST_SUITE_P(
    Setups, SetupProgramCheck,
    ::testing::Values(SetupCase{"program", kProgram, false, {}, true},
                      SetupCase{"program_with_its_digest", kProgram, true, {}, true},
                      SetupCase{"two_bytes", "MZ", false, {}, true}, SetupCase{"empty", "", false, {}, false},
                      SetupCase{"one_byte", "M", false, {}, false},
                      SetupCase{"html_error_page", "<html><body>404</body></html>", false, {}, false},
                      SetupCase{"lower_case_mz", "mz" + PatternBytes(100, 1), false, {}, false},
                      SetupCase{"other_digest", kProgram, true, kProgram + "x", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SetupProgramCheck, AMissingFileDoesNotPass) {
    EXPECT_FALSE(updater::OpenVerifiedSetup(L"C:\\no such folder\\Pelmor.exe", std::nullopt));
}

} // namespace
