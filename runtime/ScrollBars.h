#pragma once
// The horizontal and vertical scroll-bar controls: 16-bit Value, Min, Max, SmallChange and LargeChange
// over the system scroll bar. Change follows every change of Value (and the end of a thumb drag),
// Scroll every move of the thumb while it is dragged. Max < Min reverses the direction. A handler or
// listener may destroy the scroll bar from inside its own event.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/Control.h"

namespace rt {

class ScrollBar;

// An object that follows a scroll bar's events besides the form's handlers.
struct ScrollBarListener {
    virtual void ScrollBar_Change(ScrollBar& bar) = 0;
    virtual void ScrollBar_Scroll(ScrollBar& bar) = 0;
    // The scroll bar object is going away; the listener must forget it.
    virtual void ScrollBar_Gone(ScrollBar& bar) = 0;

  protected:
    ~ScrollBarListener() = default;
};

class ScrollBar : public Control {
  public:
    ~ScrollBar() override;

    std::function<void()> Change;
    std::function<void()> Scroll;

    bool Horizontal() const { return horizontal_; }

    int16_t Value() const { return value_; }
    // A value outside the range raises the invalid property value error (380).
    void SetValue(int16_t value);
    int16_t Min() const { return min_; }
    void SetMin(int16_t min);
    int16_t Max() const { return max_; }
    void SetMax(int16_t max);
    int16_t SmallChange() const { return smallChange_; }
    // 1 … 32767, else the invalid property value error.
    void SetSmallChange(int16_t step);
    int16_t LargeChange() const { return largeChange_; }
    void SetLargeChange(int16_t step);

    void AddListener(ScrollBarListener& listener);
    void RemoveListener(ScrollBarListener& listener);

  protected:
    enum class Orientation { Horizontal, Vertical };
    explicit ScrollBar(Orientation o) : horizontal_(o == Orientation::Horizontal) {}

    HWND CreateHandle(HWND parent, int left, int top, int width, int height) override;
    void OnCreated() override { ApplyToWindow(); }
    bool OnReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    void ApplyToWindow();
    enum class Event { None, Change };
    enum class Toward { Min, Max };
    // Stores a value already known to be in range; raises the event when it differs.
    void Store(int16_t value, Event event);
    // After Min or Max: a value left outside the range moves to its nearer end.
    void KeepValueInRange();
    int16_t Lo() const { return min_ < max_ ? min_ : max_; }
    int16_t Hi() const { return min_ < max_ ? max_ : min_; }
    // The system control runs from 0 at the Min end to |Max − Min|.
    int ToPosition(int16_t value) const;
    int16_t FromPosition(int position) const;
    int16_t Stepped(int16_t step, Toward end) const;
    void Notify(const std::function<void()>& handler, void (ScrollBarListener::*event)(ScrollBar&));
    void RaiseChange();
    void RaiseScroll();

    bool horizontal_;
    int16_t value_ = 0;
    int16_t min_ = 0;
    int16_t max_ = 32767;
    int16_t smallChange_ = 1;
    int16_t largeChange_ = 1;
    // While the thumb is dragged: the last position reported by Scroll.
    bool dragging_ = false;
    bool scrolled_ = false;
    int lastTrack_ = 0;
    std::vector<ScrollBarListener*> listeners_;
    // Expires with the object: an event whose handler destroyed it touches nothing of it afterwards.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

class HScrollBar : public ScrollBar {
  public:
    HScrollBar() : ScrollBar(Orientation::Horizontal) {}
};

class VScrollBar : public ScrollBar {
  public:
    VScrollBar() : ScrollBar(Orientation::Vertical) {}
};

} // namespace rt
