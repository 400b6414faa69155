#pragma once
// The demonstration's skinned scroll bars: real scroll-bar controls whose painting is taken over by
// the scroll-bar painter, and a gallery of bars drawn in every state the bitmaps have.
#include <windows.h>

#include <vector>

#include "msghook/WndProcTrampoline.h"
#include "runtime/Control.h"
#include "runtime/ScrollBars.h"
#include "scrollbars/cScrollbarDraw.h"

namespace demo {

// The states of the four parts of one bar.
struct BarLook {
    int16_t track = 0;
    int16_t thumb = 0;
    int16_t firstArrow = 0;
    int16_t secondArrow = 0;
};

// Paints a whole bar, length x thickness in its own coordinates, and copies it to (x, y) of `dc`.
void PaintBar(scrollbars::cScrollbarDraw& painter, HDC dc, int x, int y, bool horizontal, int length,
              int thickness, int thumbStart, int thumbEnd, const BarLook& look);

// Paints the given scroll-bar controls with the painter, laid out as the system control lays them out.
class BarSkin : private msghook::IWndProcSink {
  public:
    explicit BarSkin(scrollbars::cScrollbarDraw& painter) : painter_(painter), trampoline_(*this) {}
    ~BarSkin() { trampoline_.Stop(); }
    void Attach(rt::ScrollBar& bar);

  private:
    void Before(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled, LRESULT& result) override;
    // The system control draws itself outside WM_PAINT when it is clicked, dragged, hovered or set: the
    // skin is painted again once it has.
    void After(HWND wnd, UINT, WPARAM, LPARAM, LRESULT&) override;

    scrollbars::cScrollbarDraw& painter_;
    msghook::cWndProcTrampoline trampoline_;
};

// Horizontal bars in rows and vertical bars side by side, one per state.
class StateGallery : public rt::Control {
  public:
    explicit StateGallery(scrollbars::cScrollbarDraw& painter) : painter_(painter) {}

  protected:
    HWND CreateHandle(HWND parent, int left, int top, int width, int height) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void Paint(HDC dc);

    scrollbars::cScrollbarDraw& painter_;
};

} // namespace demo
