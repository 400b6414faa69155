#include "imaging/png/PngScratch.h"

#include <new>
#include <utility>

namespace imaging::png {
namespace {

struct Kept {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

Kept& KeptOf(PngScratch::Kind kind) noexcept {
    thread_local Kept kept[PngScratch::kKinds];
    return kept[kind];
}

} // namespace

PngScratch::PngScratch(PngScratch&& other) noexcept
    : kind_(other.kind_), bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}

PngScratch& PngScratch::operator=(PngScratch&& other) noexcept {
    if (this != &other) {
        Release();
        kind_ = other.kind_;
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

uint8_t* PngScratch::Reserve(size_t bytes) noexcept {
    if (bytes_ && size_ >= bytes) return bytes_.get();
    Release();
    Kept& kept = KeptOf(kind_);
    if (kept.bytes && kept.size >= bytes) {
        bytes_ = std::move(kept.bytes);
        size_ = std::exchange(kept.size, 0);
        return bytes_.get();
    }
    // A smaller kept buffer is of no use: freed before the larger one is asked for.
    kept = {};
    bytes_.reset(new (std::nothrow) uint8_t[bytes == 0 ? 1 : bytes]);
    size_ = bytes_ ? bytes : 0;
    return bytes_.get();
}

void PngScratch::Release() noexcept {
    if (!bytes_) return;
    Kept& kept = KeptOf(kind_);
    if (size_ <= kKeptLimit && size_ > kept.size) {
        kept.bytes = std::move(bytes_);
        kept.size = size_;
    }
    bytes_.reset();
    size_ = 0;
}

} // namespace imaging::png
