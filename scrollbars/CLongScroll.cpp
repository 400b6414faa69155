#include "scrollbars/CLongScroll.h"

#include <utility>

#include "runtime/RtError.h"
#include "runtime/ScopeExit.h"

namespace scrollbars {

CLongScroll::~CLongScroll() {
    pvDropClient();
}

void CLongScroll::pvDropClient() {
    if (m_Client) m_Client->RemoveListener(*this);
    m_Client = nullptr;
}

void CLongScroll::Client(rt::Control* client) {
    if (!client) {
        pvDropClient();
        return;
    }
    auto* bar = dynamic_cast<rt::ScrollBar*>(client);
    if (!bar) rt::RaiseObjectError(513, L"CLongScroll", L"Client object must be a scrollbar.");
    if (bar != m_Client) {
        pvDropClient();
        m_Client = bar;
        m_Client->AddListener(*this);
    }
    // Setting the range may move the client's value too; none of that is a move to follow. Each move
    // raises the client's Change, whose handler may destroy the client (it is then forgotten).
    const auto updating = rt::SetForScope(m_Updating, true);
    if (m_Client) m_Client->SetMin(0);
    if (m_Client) m_Client->SetMax(kClientMax);
    if (m_Client) m_Client->SetSmallChange(kClientSmallChange);
    if (m_Client) m_Client->SetLargeChange(kClientLargeChange);
    if (m_Client) m_Client->SetValue(0);
    pvRefreshSnapshot();
}

void CLongScroll::pvRefreshSnapshot() {
    if (!m_Client) return;
    m_Snapshot = ClientSnapshot{m_Client->Value(), m_Client->Min(), m_Client->Max(), m_Client->SmallChange(),
                                m_Client->LargeChange()};
}

void CLongScroll::pvWriteClient(Thumb thumb) {
    if (!m_Client) return;
    const int16_t position = ClientPositionFor(m_Value, m_Range, m_Snapshot);
    {
        const auto updating = rt::SetForScope(m_Updating, true);
        m_Client->SetValue(position);
    }
    // The client's own Change handler may have destroyed it.
    if (m_Client && thumb == Thumb::Settled) m_Snapshot.Value = m_Client->Value();
}

void CLongScroll::pvRaiseChange() {
    rt::Control::RaiseEvent(Change);
}

void CLongScroll::Value(int32_t value) {
    pvRefreshSnapshot();
    m_Value = ClampToRange(value, m_Range);
    pvWriteClient(Thumb::Settled);
    pvRaiseChange();
}

void CLongScroll::Max(int32_t value) {
    m_Range.Max = value;
    pvRangeChanged(ValueAfterMaxLet(m_Range, m_Value));
}

void CLongScroll::Min(int32_t value) {
    m_Range.Min = value;
    pvRangeChanged(ValueAfterMinLet(m_Range, m_Value));
}

void CLongScroll::pvRangeChanged(std::optional<int32_t> clamped) {
    if (clamped) {
        Value(*clamped);
        return;
    }
    // The thumb follows the new range even when the value stays.
    pvRefreshSnapshot();
    pvWriteClient(Thumb::Settled);
}

void CLongScroll::pvClientMoved(Thumb thumb) {
    if (m_Updating || !m_Client) return;
    const int16_t before = m_Snapshot.Value;
    pvRefreshSnapshot();
    m_Value = ValueAfterClientMove(m_Value, m_Range, m_SmallChange, m_LargeChange, before, m_Snapshot);
    pvWriteClient(thumb);
    pvRaiseChange();
}

void CLongScroll::ScrollBar_Change(rt::ScrollBar&) {
    pvClientMoved(Thumb::Settled);
}

void CLongScroll::ScrollBar_Scroll(rt::ScrollBar&) {
    pvClientMoved(Thumb::Dragged);
}

void CLongScroll::ScrollBar_Gone(rt::ScrollBar& bar) {
    if (&bar == m_Client) m_Client = nullptr;
}

} // namespace scrollbars
