// Arbitrary bytes into the property-bag text parser: it must never crash, and whatever it accepts must
// come back unchanged through ToText and FromText.
#include "runtime/PropertyBag.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto bag = rt::PropertyBag::FromText(input);
    if (!bag) return 0;
    const std::string text = bag->ToText();
    std::string error;
    const auto back = rt::PropertyBag::FromText(text, &error);
    if (!back) {
        std::fprintf(stderr, "written text does not parse: %s\n%s", error.c_str(), text.c_str());
        std::abort();
    }
    if (!(*back == *bag) || back->Entries() != bag->Entries() || back->ToText() != text) {
        std::fprintf(stderr, "round trip changed the bag:\n%s---\n%s", text.c_str(), back->ToText().c_str());
        std::abort();
    }
    return 0;
}
