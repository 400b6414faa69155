#include "menus/MenuItems.h"

#include <array>
#include <charconv>

namespace menus {

namespace {

template <class T> std::optional<T> ParseNumber(std::wstring_view s) {
    if (s.empty() || s.size() > 20) return std::nullopt;
    std::string ascii;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9') return std::nullopt;
        ascii += static_cast<char>(c);
    }
    T v{};
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (ec != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
    return v;
}

// Simple case mapping of the scripts a menu mnemonic is written in; CJK has no case.
wchar_t ToLower(wchar_t c) {
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<wchar_t>(c + 0x20);
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return static_cast<wchar_t>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 0x50);
    if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<wchar_t>(c + 0x20);
    return c;
}

} // namespace

std::wstring JoinRecord(const ItemRecord& r) {
    const wchar_t sep = kFieldSeparator;
    const auto num = [](uint64_t v) {
        const std::string s = std::to_string(v);
        return std::wstring(s.begin(), s.end());
    };
    return num(r.menu) + sep + r.caption + sep + num(r.type) + sep + (r.top ? L"1" : L"0") + sep + num(r.id);
}

std::optional<ItemRecord> SplitRecord(std::wstring_view text) {
    const size_t first = text.find(kFieldSeparator);
    if (first == std::wstring_view::npos) return std::nullopt;
    std::array<size_t, 3> tail{};
    size_t end = text.size();
    for (size_t i = 0; i < tail.size(); ++i) {
        const size_t at = end == 0 ? std::wstring_view::npos : text.rfind(kFieldSeparator, end - 1);
        if (at == std::wstring_view::npos || at <= first) return std::nullopt;
        tail[i] = at;
        end = at;
    }
    // tail[2] < tail[1] < tail[0]: the separators before type, top and id.
    const auto menu = ParseNumber<uint64_t>(text.substr(0, first));
    const auto type = ParseNumber<uint32_t>(text.substr(tail[2] + 1, tail[1] - tail[2] - 1));
    const std::wstring_view top = text.substr(tail[1] + 1, tail[0] - tail[1] - 1);
    const auto id = ParseNumber<uint32_t>(text.substr(tail[0] + 1));
    if (!menu || !type || !id || (top != L"0" && top != L"1")) return std::nullopt;
    ItemRecord r;
    r.menu = *menu;
    r.caption = std::wstring(text.substr(first + 1, tail[2] - first - 1));
    r.type = *type;
    r.top = top == L"1";
    r.id = *id;
    return r;
}

size_t ItemRecordList::Add(const ItemRecord& r) {
    // The text splits back into exactly this record.
    entries_.push_back({JoinRecord(r), r});
    return entries_.size();
}

const ItemRecord* ItemRecordList::Find(uint64_t position) const {
    if (position < 1 || position > entries_.size()) return nullptr;
    return &entries_[position - 1].record;
}

std::optional<ItemRecord> ItemRecordList::Read(uint64_t position) const {
    const ItemRecord* r = Find(position);
    return r ? std::optional<ItemRecord>(*r) : std::nullopt;
}

const std::wstring* ItemRecordList::Text(uint64_t position) const {
    return Find(position) ? &entries_[position - 1].text : nullptr;
}

int32_t ItemRecordList::Place(uint64_t position) const {
    return Find(position) ? entries_[position - 1].place : -1;
}

void ItemRecordList::SetPlace(uint64_t position, int32_t place) {
    if (Find(position)) entries_[position - 1].place = place;
}

uint32_t OwnerDrawnType(uint32_t preConversionType) {
    if (preConversionType & kTypeSeparator)
        return kTypeOwnerDraw | (preConversionType & (kTypeSeparator | kTypeRightJustify));
    return kTypeOwnerDraw;
}

std::vector<bool> ColumnBreaks(const std::vector<uint32_t>& preConversionTypes, int32_t perColumn) {
    std::vector<bool> breaks(preConversionTypes.size(), false);
    if (perColumn <= 0) return breaks;
    int32_t count = 0;
    for (size_t i = 0; i < preConversionTypes.size(); ++i) {
        if (preConversionTypes[i] & kTypeSeparator) continue;
        if (count == perColumn) {
            breaks[i] = true;
            count = 0;
        }
        ++count;
    }
    return breaks;
}

std::optional<wchar_t> Mnemonic(std::wstring_view caption) {
    // The last single "&" leads the mnemonic; a doubled one is a literal ampersand.
    std::optional<size_t> marker;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (i + 1 < caption.size() && caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        marker = i;
    }
    if (!marker || *marker + 1 >= caption.size()) return std::nullopt;
    return ToLower(caption[*marker + 1]);
}

std::wstring_view CaptionText(std::wstring_view caption) {
    return caption.substr(0, caption.find(L'\t'));
}

std::wstring_view CaptionAccelerator(std::wstring_view caption) {
    const size_t tab = caption.find(L'\t');
    return tab == std::wstring_view::npos ? std::wstring_view{} : caption.substr(tab + 1);
}

std::wstring CaptionForDisplay(std::wstring_view text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'&') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == L'&') {
            out += L'&';
            ++i;
        }
    }
    return out;
}

} // namespace menus
