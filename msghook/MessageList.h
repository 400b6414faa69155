#pragma once
// A list of window message numbers that an interceptor wants to see; a count of -1 means every message.
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace msghook {

class MessageList {
  public:
    MessageList() = default;
    // Duplicates in the initializer are kept once.
    MessageList(std::initializer_list<uint32_t> msgs);
    static MessageList All();

    // False when the message was present already (the list is unchanged).
    bool Add(uint32_t msg);
    // False when absent; the remaining messages keep their order.
    bool Remove(uint32_t msg);
    void SetAll();
    void Clear();

    bool Contains(uint32_t msg) const;
    bool IsAll() const { return all_; }
    // -1 for every message, else the number of listed messages.
    int32_t Count() const;
    const std::vector<uint32_t>& Messages() const { return msgs_; }

  private:
    std::vector<uint32_t> msgs_;
    bool all_ = false;
};

} // namespace msghook
