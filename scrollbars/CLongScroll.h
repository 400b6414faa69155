#pragma once
// A signed 32-bit range over a horizontal or vertical scroll-bar control (its client): the client is
// driven over 0 … 32767 and its moves are turned back into 32-bit values.
#include <cstdint>
#include <functional>
#include <optional>

#include "runtime/ScrollBars.h"
#include "scrollbars/LongScrollMath.h"

namespace scrollbars {

class CLongScroll : private rt::ScrollBarListener {
  public:
    static constexpr int16_t kClientMax = 32767;
    static constexpr int16_t kClientSmallChange = 1;
    static constexpr int16_t kClientLargeChange = 10;
    // The object error base + 513.
    static constexpr int32_t kErrNotAScrollBar = static_cast<int32_t>(0x80040201);

    CLongScroll() = default;
    CLongScroll(const CLongScroll&) = delete;
    CLongScroll& operator=(const CLongScroll&) = delete;
    ~CLongScroll();

    // Raised after every Value assignment and after every handled move of the client.
    std::function<void()> Change;

    rt::ScrollBar* Client() const { return m_Client; }
    // A horizontal or vertical scroll bar, or null to drop the client; any other control raises
    // 0x80040201 "Client object must be a scrollbar.". The wrapper's Value stays as it is.
    void Client(rt::Control* client);

    int32_t Min() const { return m_Range.Min; }
    void Min(int32_t value);
    int32_t Max() const { return m_Range.Max; }
    void Max(int32_t value);
    int32_t SmallChange() const { return m_SmallChange; }
    void SmallChange(int32_t value) { m_SmallChange = value; }
    int32_t LargeChange() const { return m_LargeChange; }
    void LargeChange(int32_t value) { m_LargeChange = value; }
    int32_t Value() const { return m_Value; }
    // Clamped into the range; moves the client and raises Change.
    void Value(int32_t value);

  private:
    void ScrollBar_Change(rt::ScrollBar& bar) override;
    void ScrollBar_Scroll(rt::ScrollBar& bar) override;
    void ScrollBar_Gone(rt::ScrollBar& bar) override;

    void pvDropClient();
    // After Min or Max: the value the range's rules clamp to, or the thumb moved to the new range.
    void pvRangeChanged(std::optional<int32_t> clamped);
    void pvRefreshSnapshot();
    // Whether the client's thumb is being dragged.
    enum class Thumb { Settled, Dragged };
    void pvClientMoved(Thumb thumb);
    // Puts the client's thumb where m_Value belongs. The snapshot follows what is written, except while
    // the thumb is dragged: then it keeps the thumb's own position, which the next move starts from.
    void pvWriteClient(Thumb thumb);
    void pvRaiseChange();

    rt::ScrollBar* m_Client = nullptr;
    LongRange m_Range;
    int32_t m_SmallChange = 1;
    int32_t m_LargeChange = 1;
    int32_t m_Value = 0;
    ClientSnapshot m_Snapshot;
    bool m_Updating = false;
};

} // namespace scrollbars
