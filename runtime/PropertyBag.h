#pragma once
// The persisted design-time properties of a user control: typed values under case-insensitive keys,
// kept in the order they were first written, with a line-per-entry text form so that a form's
// properties can live in the program as data.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace rt {

// 0x00BBGGRR, or a system colour index with the high bit set.
struct OleColor {
    uint32_t value = 0;
    friend bool operator==(const OleColor&, const OleColor&) = default;
};

// A picture by resource name; an empty name means no picture.
struct PictureRef {
    std::wstring name;
    friend bool operator==(const PictureRef&, const PictureRef&) = default;
};

// A font object. The size is kept exactly as font objects keep it, in 1/10000 of a point.
struct FontRef {
    std::wstring name;
    int32_t sizeTenThousandths = 0;
    int16_t weight = 400;
    uint8_t charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    friend bool operator==(const FontRef&, const FontRef&) = default;
};

using PropValue = std::variant<bool, int16_t, int32_t, std::wstring, OleColor, PictureRef, FontRef>;

class PropertyBag {
  public:
    using Entry = std::pair<std::wstring, PropValue>;

    // An absent key gives the default. bool, i16 and i32 convert among themselves (True is -1, any
    // non-zero reads as True, a value too wide for 16 bits raises overflow); any other kind that does
    // not match raises type mismatch.
    bool ReadBool(std::wstring_view key, bool def) const;
    int16_t ReadInt16(std::wstring_view key, int16_t def) const;
    int32_t ReadInt32(std::wstring_view key, int32_t def) const;
    std::wstring ReadText(std::wstring_view key, std::wstring def) const;
    OleColor ReadColor(std::wstring_view key, OleColor def) const;
    PictureRef ReadPicture(std::wstring_view key, PictureRef def) const;
    FontRef ReadFont(std::wstring_view key, FontRef def) const;
    // The stored value as it was written, whatever its kind.
    PropValue Read(std::wstring_view key, PropValue def) const;

    // A value equal to its default is not kept, and drops any entry the key had, so a property set back
    // to its default leaves nothing stale. A key or a font (negative size, weight past 0-1000) that the
    // text form could not hold raises error 5.
    void Write(std::wstring_view key, const PropValue& value, const PropValue& def);
    void WriteBool(std::wstring_view key, bool value, bool def) {
        Write(key, PropValue(std::in_place_type<bool>, value), PropValue(std::in_place_type<bool>, def));
    }
    void WriteInt16(std::wstring_view key, int16_t value, int16_t def) {
        Write(key, PropValue(std::in_place_type<int16_t>, value),
              PropValue(std::in_place_type<int16_t>, def));
    }
    void WriteInt32(std::wstring_view key, int32_t value, int32_t def) {
        Write(key, PropValue(std::in_place_type<int32_t>, value),
              PropValue(std::in_place_type<int32_t>, def));
    }
    void WriteText(std::wstring_view key, std::wstring value, std::wstring def) {
        Write(key, PropValue(std::move(value)), PropValue(std::move(def)));
    }
    void WriteColor(std::wstring_view key, OleColor value, OleColor def) { Write(key, value, def); }
    void WritePicture(std::wstring_view key, PictureRef value, PictureRef def) {
        Write(key, PropValue(std::move(value)), PropValue(std::move(def)));
    }
    void WriteFont(std::wstring_view key, FontRef value, FontRef def) {
        Write(key, PropValue(std::move(value)), PropValue(std::move(def)));
    }

    bool Contains(std::wstring_view key) const { return Find(key) != nullptr; }
    size_t size() const { return entries_.size(); }
    const std::vector<Entry>& Entries() const { return entries_; }
    void Clear() { entries_.clear(); }

    // Equal when every key (ignoring case) holds an equal value; order and key spelling do not matter.
    friend bool operator==(const PropertyBag& a, const PropertyBag& b);

    // One `Key = kind value` line per entry, in entry order.
    std::string ToText() const;
    // Any malformed line fails the whole parse; *error then names the line.
    static std::optional<PropertyBag> FromText(std::string_view utf8, std::string* error = nullptr);

    // [A-Za-z_][A-Za-z0-9_:]*, at most kMaxKeyLength characters (numbered keys read "Bmp:3").
    static bool IsValidKey(std::wstring_view key);
    static constexpr size_t kMaxKeyLength = 64;

  private:
    const PropValue* Find(std::wstring_view key) const;

    std::vector<Entry> entries_;
};

} // namespace rt
