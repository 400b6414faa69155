// Arbitrary bytes as the update list: parsing must never crash, and whatever it accepts must hold what
// the updater relies on. Where an address leads is judged by an oracle of this file's own, not by the
// code under test: every host that a URL parser might read out of an accepted address (ending the
// authority at "/?#\" or only at "/\", taking the host after the first or the last '@', cutting the
// port at the first or the last ':') must be the product domain or a sub-domain of it.
#include "updater/DecimalVersion.h"
#include "updater/HttpAnswer.h"
#include "updater/ListSignature.h"
#include "updater/ProductUrl.h"
#include "updater/UpdateList.h"
#include "updater/UpdateRules.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

std::string Lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

bool IsIpLiteral(std::string_view domain) {
    return domain.front() == '[' || std::all_of(domain.begin(), domain.end(),
                                                [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

bool OnDomain(std::string host, std::string_view domain) {
    host = Lowered(host);
    const std::string d = Lowered(domain);
    if (host == d) return true;
    if (IsIpLiteral(d) || host.size() <= d.size()) return false;
    return host.compare(host.size() - d.size(), d.size(), d) == 0 && host[host.size() - d.size() - 1] == '.';
}

std::vector<std::string> PlausibleHosts(std::string_view url) {
    std::vector<std::string> hosts;
    const size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) return {""};
    const std::string_view rest = url.substr(scheme + 3);
    for (const char* stops : {"/?#\\", "/\\"}) {
        const std::string_view authority = rest.substr(0, rest.find_first_of(stops));
        for (const size_t at : {authority.find('@'), authority.rfind('@')}) {
            std::string_view hostPort = at == std::string_view::npos ? authority : authority.substr(at + 1);
            hostPort = hostPort.substr(0, hostPort.find_first_of("?#"));
            if (!hostPort.empty() && hostPort.front() == '[') {
                hosts.emplace_back(hostPort.substr(0, hostPort.find(']') + 1));
                continue;
            }
            hosts.emplace_back(hostPort.substr(0, hostPort.find(':')));
            hosts.emplace_back(hostPort.substr(0, hostPort.rfind(':')));
        }
    }
    return hosts;
}

bool LeadsToDomain(std::string_view url, std::string_view domain) {
    const std::string head = Lowered(url.substr(0, 8));
    if (head.rfind("http://", 0) != 0 && head.rfind("https://", 0) != 0) return false;
    const auto hosts = PlausibleHosts(url);
    return std::all_of(hosts.begin(), hosts.end(), [&](const std::string& h) { return OnDomain(h, domain); });
}

std::string Base64(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t group = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                               (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += kDigits[group >> 18];
        out += kDigits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return out;
}

void CheckList(std::string_view input, std::string_view domain) {
    const auto list = updater::UpdateList::Parse(input, domain);
    if (!list) return;
    if (list->url.empty() || list->url.front() == ' ' || list->url.back() == ' ') Fail("untrimmed url");
    if (!LeadsToDomain(list->url, domain)) Fail("url may lead off the product host");
    if (list->versionText.size() > updater::kMaxListBytes) Fail("read past the bound");
    if (list->versionText.size() > 16 ||
        list->versionText.find_first_not_of("0123456789.") != std::string::npos)
        Fail("version text that is not digits and dots");
    if (!(list->version == updater::DecimalVersion::Parse(list->versionText)))
        Fail("version not from its text");
}

void CheckRedirect(std::string_view input) {
    const std::string target = updater::ResolveLocation("https://www.pelmor.com/down/a.exe", input);
    if (!updater::IsAllowedRedirect("https://www.pelmor.com/down/a.exe", target, "pelmor.com")) return;
    if (!LeadsToDomain(target, "pelmor.com")) Fail("redirect may lead off the product host");
    if (Lowered(target.substr(0, 8)) != "https://") Fail("redirect leaves https");
}

void CheckSignedParts(std::string_view input) {
    const updater::SignedList parts = updater::SplitSignedList(input);
    if (parts.message.find_first_of("\r\n") != std::string_view::npos) Fail("signed message spans lines");
    const size_t lineEnd = input.find_first_of("\r\n");
    if (parts.signatures.size() > updater::kMaxSignatureLines) Fail("more signature lines than are read");
    for (const auto& line : parts.signatures) {
        // Only a later line "sig=" carries one, and its text is the canonical form of the bytes.
        if (lineEnd == std::string_view::npos) Fail("signature without a second line");
        const std::string text = Base64({line.signature.begin(), line.signature.end()});
        if (input.find((line.keyId ? ":" : "sig=") + text) == std::string_view::npos)
            Fail("signature is not a line's bytes");
    }
    if (const auto bytes = updater::DecodeBase64(input)) {
        // Only canonical text decodes, so encoding the bytes again gives the input back.
        if (Base64(*bytes) != input) Fail("base64 accepted a text that is not canonical");
    }
}

std::string_view TrimBlanks(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The head is the input's bytes read as Latin-1, so header names and values keep their ASCII bytes.
void CheckHttpAnswer(std::string_view head) {
    std::wstring wide;
    for (unsigned char c : head)
        wide += static_cast<wchar_t>(c);
    const auto answer = updater::HttpAnswer::Read(wide);
    const std::string_view location = answer.location;
    if (!location.empty() && (location.front() == ' ' || location.front() == '\t' || location.back() == ' ' ||
                              location.back() == '\t' || location.back() == '\r'))
        Fail("location not trimmed");
    if (location.find('\n') != std::string_view::npos) Fail("location spans lines");
    bool transferEncoding = false;
    bool lengthStated = false;
    for (size_t pos = head.find('\n'); pos != std::string_view::npos;) {
        const size_t start = pos + 1;
        pos = head.find('\n', start);
        const std::string_view line = head.substr(start, pos == std::string_view::npos ? pos : pos - start);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string name = Lowered(TrimBlanks(line.substr(0, colon)));
        transferEncoding = transferEncoding || name == "transfer-encoding";
        if (name == "content-length" && answer.bodyLength) {
            std::string_view digits = TrimBlanks(line.substr(colon + 1));
            digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
            const std::string stated = *answer.bodyLength ? std::to_string(*answer.bodyLength) : "";
            lengthStated = lengthStated || digits == stated;
        }
    }
    if (answer.bodyLength && transferEncoding) Fail("length of a transfer-encoded body");
    if (answer.bodyLength && !lengthStated) Fail("length no Content-Length states");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckList(input, "pelmor.com");
    CheckList(input, "127.0.0.1");
    CheckRedirect(input.substr(0, input.find_first_of("\r\n")));
    CheckSignedParts(input);

    const auto field = updater::ReadFirstField(input);
    if (field.text.size() > input.size()) Fail("field longer than the input");

    CheckHttpAnswer(input.substr(0, 4096));

    // Versions: a total order, whatever the text.
    const size_t half = size / 2;
    const auto a = updater::DecimalVersion::Parse(input.substr(0, half));
    const auto b = updater::DecimalVersion::Parse(input.substr(half));
    if ((a <=> b) != (0 <=> (b <=> a))) Fail("order not antisymmetric");
    if ((a == b) != ((a <=> b) == 0)) Fail("equality disagrees with order");
    if (!(a == updater::DecimalVersion::Parse(a.ToString()))) Fail("version does not survive ToString");

    if (size >= 8) {
        int32_t progress, maximum;
        std::memcpy(&progress, data, 4);
        std::memcpy(&maximum, data + 4, 4);
        const int percent = updater::ProgressPercent(progress, maximum);
        if (percent < 0 || percent > 100) Fail("percent out of range");
    }
    return 0;
}
