#include "shell/SkinFrameCache.h"

namespace viewer {

bool SkinFrameCache::Ensure(int width, int height) {
    const bool ok = buffer_.Ensure(width, height);
    if (!ok || buffer_.Allocations() != allocation_) {
        allocation_ = ok ? buffer_.Allocations() : -1;
        pictures_ = {};
        current_ = nullptr;
        selected_ = -1;
    }
    return ok;
}

void SkinFrameCache::Release() {
    buffer_.Release();
    allocation_ = -1;
    pictures_ = {};
    current_ = nullptr;
    selected_ = -1;
}

SkinFrameCache::Holds SkinFrameCache::Select(const SkinFrameLook& look) {
    if (!buffer_.dc()) return Holds::Nothing;
    for (size_t i = 0; i < pictures_.size(); ++i)
        if (pictures_[i].drawn && pictures_[i].look == look) {
            pvShow(i);
            return Holds::Picture;
        }
    // A hover or a press drawn over a picture leaves the rest of it as it was.
    for (size_t i = 0; i < pictures_.size(); ++i) {
        if (!pictures_[i].drawn) continue;
        SkinFrameLook other = pictures_[i].look;
        for (size_t b = 0; b < other.buttons.size(); ++b)
            if (other.buttons[b] != skin::kNotDrawn && look.buttons[b] != skin::kNotDrawn)
                other.buttons[b] = look.buttons[b];
        if (other == look) {
            pictures_[i].look = look;
            pvShow(i);
            return Holds::Buttons;
        }
    }
    size_t oldest = 0;
    for (size_t i = 1; i < pictures_.size(); ++i)
        if (pictures_[i].shown < pictures_[oldest].shown) oldest = i;
    Picture& p = pictures_[oldest];
    const bool background = p.drawn && !p.look.design && !look.design && p.look.w == look.w &&
                            p.look.h == look.h && p.look.background == look.background;
    p.look = look;
    p.drawn = true;
    ++compositions_;
    pvShow(oldest);
    return background ? Holds::Background : Holds::Nothing;
}

void SkinFrameCache::Discard() {
    for (Picture& p : pictures_)
        if (&p.look == current_) p.drawn = false;
}

void SkinFrameCache::CopyTo(HDC target, const RECT& area, POINT at) const {
    if (current_) buffer_.CopyTo(target, area, at);
}

void SkinFrameCache::pvShow(size_t index) {
    Picture& p = pictures_[index];
    p.shown = ++shows_;
    current_ = &p.look;
    if (selected_ == static_cast<int>(index)) return;
    selected_ = static_cast<int>(index);
    // The pictures lie one under the other; the DC's origin and clipping make the chosen one the frame's
    // own surface, and nothing drawn for it can reach into the next.
    const HDC dc = buffer_.dc();
    ::SetViewportOrgEx(dc, 0, selected_ * buffer_.CapacityHeight(), nullptr);
    ::SelectClipRgn(dc, nullptr);
    ::IntersectClipRect(dc, 0, 0, buffer_.CapacityWidth(), buffer_.CapacityHeight());
}

} // namespace viewer
