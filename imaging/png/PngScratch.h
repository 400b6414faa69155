#pragma once
// The large buffers of one decode (the gathered image data, the inflated rows), kept for the next decode
// on the same thread. A heap that hands big blocks back to the system on every free (Windows') makes each
// load fault fresh pages in again, which costs about as much as decoding them. Platform-free.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace imaging::png {

class PngScratch {
  public:
    enum Kind { kImageData, kFiltered, kKinds };
    // Buffers above this size go back to the heap rather than stay with the thread.
    static constexpr size_t kKeptLimit = size_t{32} << 20;

    explicit PngScratch(Kind kind) noexcept : kind_(kind) {}
    PngScratch(PngScratch&& other) noexcept;
    PngScratch& operator=(PngScratch&& other) noexcept;
    ~PngScratch() { Release(); }

    // At least `bytes` bytes whose contents are undefined; nullptr when they cannot be had.
    uint8_t* Reserve(size_t bytes) noexcept;
    uint8_t* data() const noexcept { return bytes_.get(); }
    // Hands the buffer back to the thread for its next decode.
    void Release() noexcept;

  private:
    Kind kind_;
    std::unique_ptr<uint8_t[]> bytes_;
    size_t size_ = 0;
};

} // namespace imaging::png
