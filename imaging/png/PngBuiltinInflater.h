#pragma once
// The built-in inflater as the PNG decoder calls it.
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging::png {

bool BuiltinInflate(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced);

} // namespace imaging::png
