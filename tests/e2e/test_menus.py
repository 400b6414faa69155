#!/usr/bin/python3
"""The system menu the skin opens is drawn by the viewer's menu control: its popup window gets the
control's flat frame and owner-drawn items, closes on Escape and still carries out Close."""

import os
import subprocess

import viewer_driver as d

WS_BORDER = 0x00800000
WS_EX_DLGMODALFRAME = 0x00000001


def probe():
    """The visible popup menu windows and the system colours, as the test program reports them."""
    exe = os.path.join(os.path.dirname(d.options().viewer), "menu_probe.exe")
    done = subprocess.run([d.wine_launcher(), exe], stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
    popups, colors, item_height = [], None, None
    for line in done.stdout.decode(errors="replace").splitlines():
        fields = line.split()
        if fields[:1] == ["popup"]:
            n = [int(f, 0) for f in fields[1:]]
            popups.append({"window": tuple(n[0:4]), "client": tuple(n[4:8]), "style": n[8], "exstyle": n[9]})
        elif fields[:1] == ["colors"]:
            colors = [int(f, 0) for f in fields[1:]]
        elif fields[:1] == ["itemheight"]:
            item_height = int(fields[1])
    return popups, colors, item_height


def rgb(colorref):
    return (colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF)


class Menus(d.ViewerTestCase):

    def open_system_menu(self):
        point = self.at(150, 10)
        d.move_to(*point, 0.1)
        before = d.owned_popups(self.win)
        d.click_at(*point, button=3)
        menus = d.wait_until(lambda: {w: r for w, r in d.owned_popups(self.win).items()
                                      if w not in before and r[:2] == point}, 3)
        self.assertEqual(len(menus), 1, f"no system menu at {point}: {d.owned_popups(self.win)}")
        (menu, _rect), = menus.items()
        popups, colors, item_height = probe()
        mine = [p for p in popups if p["window"][:2] == point]
        self.assertEqual(len(mine), 1, f"popup menu windows: {popups}")
        return menu, mine[0], colors, item_height

    def separator_rows(self, popup, border_color):
        """Rows inside the client area drawn as a separator line: the border colour across the middle.
        The system draws an edge of its own on the first and last rows."""
        cl, ct, cr, cb = popup["client"]
        x, w = cl + (cr - cl) // 4, (cr - cl) // 2
        column = d.read_pixels(x, ct, w, cb - ct)
        return [ct + y for y in range(1, cb - ct - 1) if set(column[y * w:(y + 1) * w]) == {rgb(border_color)}]

    def test_the_system_menu_is_taken_over_and_escape_closes_it(self):
        menu, popup, (_window, border_color, _menu), item_height = self.open_system_menu()
        left, top, right, bottom = popup["window"]
        cl, ct, cr, cb = popup["client"]
        # The control's flat frame: 1 pixel left, 2 top, 4 right, 2 bottom around the items.
        self.assertEqual((cl - left, ct - top, right - cr, bottom - cb), (1, 2, 4, 2), popup)
        self.assertEqual(popup["style"] & WS_BORDER, 0)
        self.assertEqual(popup["exstyle"] & WS_EX_DLGMODALFRAME, 0)

        # Owner-drawn items measured by the control: separators of 2 rows with one Close item of the
        # control's item height between them (Restore … Maximize, a separator, Close, a separator and
        # whatever the system adds below).
        rows = self.separator_rows(popup, border_color)
        self.assertEqual(len(rows), 2, f"separator lines at rows {rows}")
        self.assertEqual(rows[1] - rows[0], item_height + 2, f"separator lines at rows {rows}")
        edge = d.read_pixels(left, (top + bottom) // 2, 1, 1)[0]
        self.assertEqual(edge, rgb(border_color), "the frame's left edge")

        d.focus(self.win)
        d.key("Escape")
        self.assertTrue(d.wait_until(lambda: not d.viewable(menu), 3), "Escape did not close the menu")
        self.assertTrue(self.viewer.running())
        self.assertEqual(probe()[0], [], "a popup menu window is left on screen")

    def test_close_clicked_in_the_taken_over_system_menu_ends_the_viewer(self):
        _menu, popup, (_window, border_color, _menu_color), item_height = self.open_system_menu()
        cl, _ct, cr, _cb = popup["client"]
        rows = self.separator_rows(popup, border_color)
        self.assertTrue(rows, "no separator line")
        # Close is the item below the first separator.
        d.click_at((cl + cr) // 2, rows[0] + 1 + item_height // 2)
        self.assertEqual(self.viewer.wait_exit(15), 0, "Close chosen with the mouse did not end the viewer")


if __name__ == "__main__":
    d.main()
