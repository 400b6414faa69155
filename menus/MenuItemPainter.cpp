#include "menus/MenuItemPainter.h"

#include <algorithm>
#include <climits>

#include "menus/SurfacePixelIO.h"

namespace menus {

namespace {

void Fill(drawing::cMemDC& dc, const rt::Rect& r, Rgb colour) {
    dc.FillRect(r.left, r.top, r.right, r.bottom, colour);
}

// Boxes and lines take the DC's own pen and brush, coloured per call: a check mark alone is seven
// segments, and items are painted on every WM_DRAWITEM, so no pen or brush is made for each.
void Box(drawing::cMemDC& dc, const rt::Rect& r, Rgb fill, Rgb border) {
    const HDC h = dc.hdc();
    if (!h) return;
    const rt::SelectGuard pen(h, ::GetStockObject(DC_PEN));
    const rt::SelectGuard brush(h, ::GetStockObject(DC_BRUSH));
    ::SetDCPenColor(h, dc.TranslateColor(border));
    ::SetDCBrushColor(h, dc.TranslateColor(fill));
    ::Rectangle(h, r.left, r.top, r.right, r.bottom);
}

void Line(drawing::cMemDC& dc, const Segment& s, Rgb colour) {
    const HDC h = dc.hdc();
    if (!h) return;
    const rt::SelectGuard pen(h, ::GetStockObject(DC_PEN));
    ::SetDCPenColor(h, dc.TranslateColor(colour));
    if (s.x1 >= 0) ::MoveToEx(h, s.x1, s.y1, nullptr);
    ::LineTo(h, s.x2, s.y2);
}

void Text(drawing::cMemDC& dc, std::wstring_view text, const rt::Rect& r, UINT flags) {
    int32_t l = r.left, t = r.top, rr = r.right, b = r.bottom;
    dc.DrawText(text, l, t, rr, b, flags);
}

} // namespace

void DarkenRuns(drawing::cMemDC& dc, const std::vector<ShadowRun>& runs) {
    // Columns and rows apart: an L of strips read as one rectangle would read everything inside it.
    for (const bool vertical : {true, false}) {
        int32_t l = INT_MAX, t = INT_MAX, r = INT_MIN, b = INT_MIN;
        for (const ShadowRun& run : runs) {
            if (run.vertical != vertical || run.to <= run.from) continue;
            const rt::Rect area = vertical ? rt::Rect{run.at, run.from, run.at + 1, run.to}
                                           : rt::Rect{run.from, run.at, run.to, run.at + 1};
            l = std::min(l, area.left), t = std::min(t, area.top);
            r = std::max(r, area.right), b = std::max(b, area.bottom);
        }
        if (l >= r || t >= b) continue;
        PixelGrid grid = ReadPixels(dc.hdc(), l, t, r - l, b - t);
        if (grid.px.empty()) continue;
        for (const ShadowRun& run : runs)
            if (run.vertical == vertical) DarkenRun(grid, run);
        WritePixels(dc.hdc(), grid);
    }
}

void DrawBarItem(drawing::cMemDC& dc, const BarItemLook& look, const MenuColours& c) {
    const BarItemLayout lay = LayOutBarItem(look.item, look.dpi);
    Fill(dc, lay.fill, c.barBack);
    if (c.barGradient)
        dc.FillGradient(lay.gradient.left, lay.gradient.top, lay.gradient.right, lay.gradient.bottom,
                        c.gradientOne, c.gradientTwo, true);

    Rgb text = look.foreColour;
    if (look.grayed) {
        text = c.disabledText;
    } else if (look.selected || look.hot) {
        const bool open = look.selected;
        Box(dc, lay.box, open ? c.barOpenFill : c.barHotFill, open ? c.barOpenBorder : c.barHotBorder);
        if (c.barGradient) {
            const rt::Rect& g = lay.boxGradient;
            dc.FillGradient(g.left, g.top, g.right, g.bottom, open ? c.gradientOne : c.gradientTwo,
                            open ? c.gradientTwo : c.gradientOne, true);
        }
        text = c.selectionText;
    }
    dc.ForeColor(text);
    Text(dc, look.caption, look.item, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    if (look.shadow && look.selected) {
        if (look.plainColours)
            Fill(dc, lay.plainShadow, c.btnShadow);
        else
            DarkenRuns(dc, lay.shadow);
    }
}

void DrawPopupItem(drawing::cMemDC& dc, const PopupItemLook& look, const MenuColours& c) {
    const PopupItemLayout lay =
        LayOutPopupItem(look.item, look.H, look.B, look.barItemHeight, look.mirrored, look.dpi);

    if (c.sideBarGradient)
        dc.FillGradient(lay.gutter.left, lay.gutter.top, lay.gutter.right, lay.gutter.bottom, c.gradientOne,
                        c.gradientTwo, false);
    else
        Fill(dc, lay.gutter, c.sideBar);
    if (look.endsColumn) Fill(dc, lay.bottomRow, c.itemBack);
    Fill(dc, lay.rest, c.itemBack);
    if (look.columnLine) Fill(dc, lay.columnLine, c.menuBorder);
    if (look.separator) {
        Line(dc, lay.separator, c.menuBorder);
        return;
    }

    Rgb text = look.foreColour;
    if (look.grayed) {
        text = c.disabledText;
        if (look.selectDisabled && look.selected) Box(dc, lay.selectionBox, c.disabledFill, c.disabledBorder);
    } else if (look.selected) {
        text = look.selectedText;
        Box(dc, lay.selectionBox, look.selectedFill, look.selectedBorder);
    }

    if (look.checked) {
        const Rgb fill = look.grayed ? c.disabledFill : look.selected ? c.checkFillSelected : c.checkFill;
        const Rgb border = look.grayed ? c.disabledBorder : c.checkBorder;
        Box(dc, lay.checkBox, fill, border);
        if (!look.picture)
            for (const Segment& s : lay.checkMark)
                Line(dc, s, c.checkMark);
    }
    if (look.picture)
        look.picture->TransBlt(dc.hdc(), lay.picture.x, lay.picture.y, look.B + 2, look.B + 2, 0, 0,
                               kMagenta);

    dc.ForeColor(text);
    const UINT line = DT_SINGLELINE | DT_VCENTER;
    Text(dc, look.text, lay.text, line | (lay.textRightAligned ? DT_RIGHT : DT_LEFT));
    if (!look.accelerator.empty())
        Text(dc, look.accelerator, lay.text, line | (lay.textRightAligned ? DT_LEFT : DT_RIGHT));

    if (look.submenu)
        for (const Segment& s : lay.triangle)
            Line(dc, s, text);
}

} // namespace menus
