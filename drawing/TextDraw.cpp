#include "drawing/TextDraw.h"

#include "drawing/TextFit.h"
#include "runtime/Checked.h"

#include <string>

namespace drawing {

namespace {

constexpr wchar_t kEllipsis[] = L"...";

int32_t TextWidth(HDC hdc, const wchar_t* text, int32_t length) {
    SIZE size{};
    if (!::GetTextExtentPoint32W(hdc, text, length, &size)) return 0;
    return size.cx;
}

} // namespace

int32_t DrawTextCut(HDC hdc, std::wstring_view text, int32_t X, int32_t Y, int32_t Width, int32_t Height,
                    int32_t wFormat) {
    RECT box{X, Y, rt::Add<int32_t>(X, Width), rt::Add<int32_t>(Y, Height)};
    const int32_t length = rt::Narrow<int32_t>(text.size());
    // DrawTextW may write into the text with DT_MODIFYSTRING; the caller's string is read-only here.
    const UINT format = static_cast<UINT>(wFormat) & ~UINT{DT_MODIFYSTRING};

    const int32_t w = TextWidth(hdc, text.data(), length);
    // Drawn with the measured length, so an embedded NUL cannot make the text shorter than the width
    // returned.
    if (w <= Width) {
        ::DrawTextW(hdc, text.data(), length, &box, format);
        return w;
    }

    const UINT cutFormat = format & ~UINT{DT_CENTER | DT_VCENTER};
    const int32_t e = TextWidth(hdc, kEllipsis, 3);
    const TextCut cut =
        CutToFit(X, Width, text.size(), e, [&](int32_t n) { return TextWidth(hdc, text.data(), n); });
    box.right = cut.right;
    std::wstring shown(text.substr(0, static_cast<std::size_t>(cut.count)));
    shown += kEllipsis;
    ::DrawTextW(hdc, shown.c_str(), static_cast<int>(shown.size()), &box, cutFormat);
    return rt::Sub<int32_t>(box.right, box.left);
}

} // namespace drawing
