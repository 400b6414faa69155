#pragma once
// A font object as the drawing surfaces read and write it: a face name, a size in points and the
// attributes of a logical font. Boldness is the weight, as in OLE font objects, so the two never disagree.
#include <cstdint>
#include <string>

namespace drawing {

struct StdFont {
    std::wstring Name = L"宋体";
    double Size = 9.0; // points
    int32_t Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
    int32_t Charset = 134; // GB2312

    bool Bold() const { return Weight > 550; }
    void Bold(bool bold) { Weight = bold ? 700 : 400; }

    friend bool operator==(const StdFont&, const StdFont&) = default;
};

} // namespace drawing
