#include "msghook/MessageList.h"

#include <algorithm>

namespace msghook {

MessageList::MessageList(std::initializer_list<uint32_t> msgs) {
    for (uint32_t m : msgs)
        Add(m);
}

MessageList MessageList::All() {
    MessageList l;
    l.SetAll();
    return l;
}

bool MessageList::Add(uint32_t msg) {
    if (std::find(msgs_.begin(), msgs_.end(), msg) != msgs_.end()) return false;
    msgs_.push_back(msg);
    return true;
}

bool MessageList::Remove(uint32_t msg) {
    const auto it = std::find(msgs_.begin(), msgs_.end(), msg);
    if (it == msgs_.end()) return false;
    msgs_.erase(it);
    return true;
}

void MessageList::SetAll() {
    all_ = true;
}

void MessageList::Clear() {
    msgs_.clear();
    all_ = false;
}

bool MessageList::Contains(uint32_t msg) const {
    return all_ || std::find(msgs_.begin(), msgs_.end(), msg) != msgs_.end();
}

int32_t MessageList::Count() const {
    return all_ ? -1 : static_cast<int32_t>(msgs_.size());
}

} // namespace msghook
