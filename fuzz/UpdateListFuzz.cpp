// Arbitrary bytes as the update list: parsing must never crash, and whatever it accepts must hold what
// the updater relies on (an address on the product host, a version read from the version text).
#include "DecimalVersion.h"
#include "ProductUrl.h"
#include "UpdateList.h"
#include "UpdateRules.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void CheckList(std::string_view input, std::string_view domain) {
    const auto list = updater::UpdateList::Parse(input, domain);
    if (!list) return;
    if (list->url.empty() || list->url.front() == ' ' || list->url.back() == ' ') Fail("untrimmed url");
    if (!updater::IsProductUrl(list->url, domain)) Fail("url off the product host");
    if (list->versionText.size() > updater::kMaxListBytes) Fail("read past the bound");
    if (list->versionText.find_first_of("\r\n") != std::string::npos) Fail("version spans lines");
    if (!(list->version == updater::DecimalVersion::Parse(list->versionText)))
        Fail("version not from its text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckList(input, "pelmor.com");
    CheckList(input, "127.0.0.1");

    const auto field = updater::ReadFirstField(input);
    if (field.text.size() > input.size()) Fail("field longer than the input");

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
