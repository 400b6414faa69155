// The system's CNG as the updater uses it: signed update lists accepted or refused, and the downloaded
// setup program checked before anything runs it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "tests/updater/UpdaterTestSupport.h"
#include "updater/CngCrypto.h"
#include "updater/UpdateChecks.h"

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

using updater::ListState;

const std::string kLineWithoutDigest = "1.666|http://www.pelmor.com/down/Pelmor.exe|expires=2030-06-15";
const std::string kLine = kLineWithoutDigest + "|sha256=" + std::string(64, 'a');
const std::string kUndatedLine = "1.666|http://www.pelmor.com/down/Pelmor.exe|sha256=" + std::string(64, 'a');
constexpr updater::ListDate kToday{2030, 6, 15};

using ListFn = std::function<std::string(const ListSigner&, const ListSigner& other)>;

struct SignatureCase {
    const char* name;
    ListFn list; // the list served
    ListFn key;  // the keys the updater is built with
    ListState state;
};

void PrintTo(const SignatureCase& c, std::ostream* os) {
    *os << c.name;
}

enum Signers { kNone = 0, kOwn = 1, kOther = 2, kOwnWithoutId = 4 };

// The line and a signature line by each of the signers, in this order.
ListFn SignedBy(int signers, const std::string& line = kLine) {
    return [=](const ListSigner& s, const ListSigner& o) {
        std::string list = line + "\r\n";
        if (signers & kOwn) list += s.SignatureLine(line) + "\r\n";
        if (signers & kOwnWithoutId) list += s.SignatureLine(line, false) + "\r\n";
        if (signers & kOther) list += o.SignatureLine(line) + "\r\n";
        return list;
    };
}

ListFn Keys(int signers) {
    return [=](const ListSigner& s, const ListSigner& o) {
        const std::string own = signers & kOwn ? s.PublicKey() : "";
        return signers & kOther ? own + (own.empty() ? "" : ";") + o.PublicKey() : own;
    };
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
    const auto reading = ReadCheckedList(c.list(signer, other), "pelmor.com", c.key(signer, other), kToday);
    EXPECT_EQ(reading.state, c.state);
    EXPECT_EQ(reading.list.has_value(), c.state == ListState::Good);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ListSignatureCheck,
    ::testing::Values(
        SignatureCase{"good", SignedBy(kOwn), Keys(kOwn), ListState::Good},
        SignatureCase{"good_with_bom_and_lf",
                      [](auto& s, auto&) { return "\xEF\xBB\xBF" + kLine + "\n" + s.SignatureLine(kLine); },
                      Keys(kOwn), ListState::Good},
        SignatureCase{"altered_first_line",
                      [](auto& s, auto&) { return s.SignedList(kLine).replace(0, 5, "1.667"); }, Keys(kOwn),
                      ListState::Invalid},
        SignatureCase{"line_signed_with_its_line_end",
                      [](auto& s, auto&) { return kLine + "\r\n" + s.SignatureLine(kLine + "\r\n"); },
                      Keys(kOwn), ListState::Invalid},
        SignatureCase{
            "altered_signature",
            [](auto& s, auto&) { return kLine + "\r\nsig=" + Base64(Flip(s.Signature(kLine), 40)) + "\r\n"; },
            Keys(kOwn), ListState::Invalid},
        SignatureCase{"missing_line", SignedBy(kNone), Keys(kOwn), ListState::Invalid},
        SignatureCase{"signature_on_the_third_line",
                      [](auto& s, auto&) { return kLine + "\r\n\r\n" + s.SignatureLine(kLine); }, Keys(kOwn),
                      ListState::Invalid},
        SignatureCase{"wrong_key", SignedBy(kOther), Keys(kOwn), ListState::Invalid},
        SignatureCase{"signed_without_a_digest", SignedBy(kOwn, kLineWithoutDigest), Keys(kOwn),
                      ListState::Invalid},
        SignatureCase{"no_key_configured", SignedBy(kNone, kLineWithoutDigest), Keys(kNone), ListState::Good},
        SignatureCase{
            "key_not_on_the_curve", SignedBy(kOwn),
            [](auto&, auto&) { return Base64("\x04" + std::string(32, '\x11') + std::string(32, '\x22')); },
            ListState::Invalid},
        SignatureCase{"unreadable_key", SignedBy(kOwn),
                      [](auto& s, auto&) { return s.PublicKey().substr(1); }, ListState::Invalid},
        // Key rotation: each key vouches through the line with its own id.
        SignatureCase{"by_both_with_the_old_key", SignedBy(kOwn | kOther), Keys(kOwn), ListState::Good},
        SignatureCase{"by_both_with_the_new_key", SignedBy(kOwn | kOther), Keys(kOther), ListState::Good},
        SignatureCase{"by_the_new_key_with_both_keys", SignedBy(kOther),
                      [](auto& s, auto& o) { return " " + s.PublicKey() + " ;" + o.PublicKey() + ";"; },
                      ListState::Good},
        SignatureCase{"signature_under_another_keys_id",
                      [](auto& s, auto& o) {
                          return kLine + "\r\n" + o.SignatureLine(kLine).substr(0, 13) +
                                 s.SignatureLine(kLine, false).substr(4);
                      },
                      Keys(kOwn), ListState::Invalid},
        SignatureCase{"without_key_id_for_the_one_key", SignedBy(kOwnWithoutId), Keys(kOwn), ListState::Good},
        SignatureCase{"without_key_id_for_two_keys", SignedBy(kOwnWithoutId), Keys(kOwn | kOther),
                      ListState::Invalid},
        // Expiry, checked once the signature holds.
        SignatureCase{"undated", SignedBy(kOwn, kUndatedLine), Keys(kOwn), ListState::Undated},
        SignatureCase{"expired_yesterday", SignedBy(kOwn, kUndatedLine + "|expires=2030-06-14"), Keys(kOwn),
                      ListState::Expired},
        SignatureCase{"expired_and_unsigned", SignedBy(kNone, kUndatedLine + "|expires=2000-01-01"),
                      Keys(kOwn), ListState::Invalid}),
    [](const auto& info) { return std::string(info.param.name); });

struct SetupCase {
    const char* name;
    std::string body;
    std::string digestOf; // the list names its SHA-256 (the body's when empty)
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
    const auto digest = updater::Sha256Of(c.digestOf.empty() ? c.body : c.digestOf);
    ASSERT_TRUE(digest);
    rt::UniqueKernelHandle held = updater::OpenVerifiedSetup(path, *digest);
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
    ::testing::Values(SetupCase{"program", kProgram, {}, true}, SetupCase{"two_bytes", "MZ", {}, true},
                      SetupCase{"empty", "", {}, false}, SetupCase{"one_byte", "M", {}, false},
                      SetupCase{"html_error_page", "<html><body>404</body></html>", {}, false},
                      SetupCase{"lower_case_mz", "mz" + PatternBytes(100, 1), {}, false},
                      SetupCase{"other_digest", kProgram, kProgram + "x", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SetupProgramCheck, AMissingFileDoesNotPass) {
    EXPECT_FALSE(updater::OpenVerifiedSetup(L"C:\\no such folder\\Pelmor.exe", updater::Sha256Digest{}));
}

} // namespace
