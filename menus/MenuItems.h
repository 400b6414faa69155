#pragma once
// The engine's record of each menu item it converted to owner-draw, and the rules that turn an item's
// type into the owner-drawn one, break popups into columns and find keyboard mnemonics.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace menus {

// Menu item type flags.
constexpr uint32_t kTypeMenuBreak = 0x40;
constexpr uint32_t kTypeOwnerDraw = 0x100;
constexpr uint32_t kTypeSeparator = 0x800;
constexpr uint32_t kTypeRightJustify = 0x4000;

// The fields of a record are joined by this character.
constexpr wchar_t kFieldSeparator = 1;

struct ItemRecord {
    // The menu handle, as a number.
    uint64_t menu = 0;
    // As read from the menu: "&" mnemonics and a tab-separated accelerator included.
    std::wstring caption;
    // The item's type flags before conversion.
    uint32_t type = 0;
    // An item of the menu bar.
    bool top = false;
    uint32_t id = 0;

    bool IsSeparator() const { return (type & kTypeSeparator) != 0; }
    bool IsRightJustified() const { return (type & kTypeRightJustify) != 0; }
    friend bool operator==(const ItemRecord&, const ItemRecord&) = default;
};

// "menu<1>caption<1>type<1>top<1>id", numbers in decimal, top 1 or 0.
std::wstring JoinRecord(const ItemRecord& r);
// The caption is whatever lies between the first and the fourth-last separator, so a caption that
// itself holds the separator character survives. Null when the text is not a record.
std::optional<ItemRecord> SplitRecord(std::wstring_view text);

// Records in the order they were added; an item's data word holds its record's 1-based position. Each
// is kept as its text and, beside it, parsed, with the item's last known place in its menu, so that
// drawing reads neither the text nor the menu to find them.
class ItemRecordList {
  public:
    // The new record's position.
    size_t Add(const ItemRecord& r);
    // Null for a position outside 1…Count().
    const ItemRecord* Find(uint64_t position) const;
    std::optional<ItemRecord> Read(uint64_t position) const;
    const std::wstring* Text(uint64_t position) const;
    // The item's index in its menu when last seen there, −1 when not known.
    int32_t Place(uint64_t position) const;
    void SetPlace(uint64_t position, int32_t place);
    size_t Count() const { return entries_.size(); }
    void Clear() { entries_.clear(); }

  private:
    struct Entry {
        std::wstring text;
        ItemRecord record;
        int32_t place = -1;
    };
    std::vector<Entry> entries_;
};

// The type an item takes when converted: owner-draw, plus the separator and right-justify flags for a
// separator only.
uint32_t OwnerDrawnType(uint32_t preConversionType);

// Which items start a new column when a popup holds `perColumn` items per column (0: no columns):
// separators neither count nor break, so every column holds `perColumn` items that are not separators.
std::vector<bool> ColumnBreaks(const std::vector<uint32_t>& preConversionTypes, int32_t perColumn);

// The lower-cased character after the last single "&" ("&&" is a literal ampersand), or none.
std::optional<wchar_t> Mnemonic(std::wstring_view caption);

// The part before the first tab, and the accelerator after it (empty when there is no tab).
std::wstring_view CaptionText(std::wstring_view caption);
std::wstring_view CaptionAccelerator(std::wstring_view caption);

// A caption as events report it: mnemonic markers dropped and "&&" turned into "&".
std::wstring CaptionForDisplay(std::wstring_view text);

} // namespace menus
