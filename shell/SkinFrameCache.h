#pragma once
// The skin frame's composed pictures, kept per look: the frame is drawn once for each size and state and
// from then on only copied to the screen, so an activation change, a repaint after another window
// covered the frame, or a caption button's hit area showing what lies under it costs one copy.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "shell/SkinBackBuffer.h"
#include "shell/SkinGeometry.h"

namespace viewer {

// Everything that changes the frame's picture; two looks that compare equal have the same pixels.
struct SkinFrameLook {
    int32_t w = 0;
    int32_t h = 0;
    COLORREF background = 0;
    // The design-time box instead of the frame.
    bool design = false;
    bool active = false;
    bool maximized = false;
    bool topMost = false;
    // Null when no icon is shown.
    HICON icon = nullptr;
    std::wstring caption;
    std::wstring face;
    // The state each caption button is drawn in (skin::ButtonState).
    std::array<int16_t, skin::kButtonCount> buttons{};
    friend bool operator==(const SkinFrameLook&, const SkinFrameLook&) = default;
};

class SkinFrameCache {
  public:
    // Active and inactive at one size: what a frame alternates between.
    static constexpr int kPictures = 2;

    SkinFrameCache() : buffer_(kPictures) {}

    // Room for pictures of width × height; a new bitmap forgets every picture. False when it cannot be had.
    bool Ensure(int width, int height);
    void Release();

    // What the picture chosen for a look already holds.
    enum class Holds {
        // The look itself: nothing to draw.
        Picture,
        // The look but for caption buttons in another state: only they need drawing.
        Buttons,
        // A frame of the same size and background: only the frame around the opening needs clearing.
        Background,
        Nothing,
    };
    // Makes the picture of `look` the current one, taking the least recently shown picture when none
    // has it; the caller draws the look into dc() unless it is held already, in the frame's coordinates.
    Holds Select(const SkinFrameLook& look);
    // The current picture could not be drawn whole: it is not shown for its look again.
    void Discard();

    // The current picture's DC (drawn in the frame's coordinates) and look; null before the first Select.
    // Whoever draws over the picture keeps its look up to date.
    HDC dc() const { return current_ ? buffer_.dc() : nullptr; }
    const SkinFrameLook* Current() const { return current_; }
    SkinFrameLook* Current() { return current_; }

    // Copies the current picture's part at `area` (frame coordinates) to `target` at `at`.
    void CopyTo(HDC target, const RECT& area, POINT at) const;

    // Bitmaps made so far, and pictures drawn.
    long Allocations() const { return buffer_.Allocations(); }
    long Compositions() const { return compositions_; }

  private:
    struct Picture {
        SkinFrameLook look;
        bool drawn = false;
        long shown = 0;
    };
    void pvShow(size_t index);

    SkinBackBuffer buffer_;
    std::array<Picture, kPictures> pictures_{};
    SkinFrameLook* current_ = nullptr;
    // The picture the DC's origin is on, -1 for none.
    int selected_ = -1;
    long allocation_ = -1;
    long shows_ = 0;
    long compositions_ = 0;
};

} // namespace viewer
