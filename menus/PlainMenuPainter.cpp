#include "PlainMenuPainter.h"

namespace menus {

void PaintItemPlainly(const DRAWITEMSTRUCT& dis, const ItemRecord& record, const MenuPalette& palette,
                      const drawing::StdFont& font) {
    const RECT& rc = dis.rcItem;
    const int32_t w = rc.right - rc.left;
    const int32_t h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;
    drawing::cMemDC dc;
    if (!dc.Init(w, h, dis.hDC)) return;
    const bool selected = (dis.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
    const bool grayed = (dis.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const Rgb back = record.top ? palette.menuBarBack : palette.itemBack;
    dc.Cls(selected ? palette.selectionFill : back);
    if (record.IsSeparator()) {
        dc.DrawLine(0, h / 2, w, h / 2, palette.menuBorder);
    } else {
        dc.Font(font);
        dc.BackStyle(TRANSPARENT);
        dc.ForeColor(grayed ? palette.disabledText : selected ? palette.selectionText : palette.itemText);
        const int32_t indent = record.top ? 0 : h;
        int32_t l = indent, t = 0, r = w - (record.top ? 0 : h / 2), b = h;
        const UINT flags = DT_SINGLELINE | DT_VCENTER | (record.top ? DT_CENTER : DT_LEFT);
        dc.DrawText(CaptionText(record.caption), l, t, r, b, flags);
        const std::wstring_view accelerator = CaptionAccelerator(record.caption);
        if (!accelerator.empty()) {
            l = indent, t = 0, r = w - h / 2, b = h;
            dc.DrawText(accelerator, l, t, r, b, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
        }
        if (dis.itemState & ODS_CHECKED) {
            l = 0, t = 0, r = h, b = h;
            dc.DrawText(L"\u221A", l, t, r, b, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        }
    }
    dc.BitBlt(dis.hDC, rc.left, rc.top, w, h, 0, 0, SRCCOPY);
}

void PaintFramePlainly(drawing::cMemDC& image, const MenuPalette& palette) {
    image.Cls(palette.itemBack);
    image.FrameRect(0, 0, image.Width(), image.Height(), palette.menuBorder);
}

} // namespace menus
