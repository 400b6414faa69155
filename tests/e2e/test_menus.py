#!/usr/bin/python3
"""The system menu the skin opens is drawn by the viewer's menu control: its popup window gets the
control's flat frame, owner-drawn items and a fading shadow over what lies behind it, closes on Escape
and still carries out Close."""

import os
import time

import viewer_driver as d

WS_BORDER = 0x00800000
WS_EX_DLGMODALFRAME = 0x00000001


def probe():
    """The visible popup menu windows, the system colours and the item height, from the probe beside the
    viewer."""
    return d.menu_probe(os.path.join(os.path.dirname(d.options().viewer), "menu_probe.exe"))


def faded(w, pos, length):
    """A shadow weight over the first and last 4 pixels of its strip."""
    k = min(pos + 1, length - pos, 5)
    return (w * k + 2) // 5


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

    def separator_rows(self, popup, border_color, item_height):
        """Rows inside the client area drawn as a separator line: the border colour from the line's start,
        item height + 10 right of the items' left edge (3 inside the client), to the items' right edge.
        The system draws an outline of its own on the client's first and last rows."""
        cl, ct, cr, cb = popup["client"]
        x, w = cl + 3 + item_height + 10, (cr - 3) - (cl + 3 + item_height + 10)
        column = d.read_pixels(x, ct, w, cb - ct)
        return [ct + y for y in range(1, cb - ct - 1) if set(column[y * w:(y + 1) * w]) == {d.rgb(border_color)}]

    def test_close_clicked_in_the_taken_over_system_menu_ends_the_viewer(self):
        _menu, popup, colors, item_height = self.open_system_menu()
        border_color = colors[1]
        cl, _ct, cr, _cb = popup["client"]
        rows = self.separator_rows(popup, border_color, item_height)
        self.assertTrue(rows, "no separator line")
        # Close is the item below the first separator.
        d.click_at((cl + cr) // 2, rows[0] + 1 + item_height // 2)
        self.assertEqual(self.viewer.wait_exit(15), 0, "Close chosen with the mouse did not end the viewer")

    def test_the_system_menu_is_drawn_flat_with_a_fading_shadow_and_captured(self):
        point = self.at(150, 10)
        d.move_to(*point, 0.1)
        behind = d.read_pixels(point[0], point[1], 400, 500)

        def before(x, y):
            return behind[(y - point[1]) * 400 + (x - point[0])]

        menu, popup, colors, item_height = self.open_system_menu()
        window_color, border, _menu, highlight, face = (d.rgb(c) for c in colors)
        left, top, right, bottom = popup["window"]
        cl, ct, cr, cb = popup["client"]
        self.assertLessEqual((right - point[0], bottom - point[1]), (400, 500))
        # The control's flat frame: 1 pixel left, 2 top, 4 right, 2 bottom around the items.
        self.assertEqual((cl - left, ct - top, right - cr, bottom - cb), (1, 2, 4, 2), popup)
        self.assertEqual((popup["style"] & WS_BORDER, popup["exstyle"] & WS_EX_DLGMODALFRAME), (0, 0))
        # Owner-drawn items measured by the control: separators of 2 rows with one Close item of the
        # item height between them (Restore … Maximize, a separator, Close, a separator and whatever the
        # system adds below). The pointer on Close.
        rows = self.separator_rows(popup, colors[1], item_height)
        self.assertEqual(len(rows), 2, f"separator lines at rows {rows}")
        self.assertEqual(rows[1] - rows[0], item_height + 2, f"separator lines at rows {rows}")
        close_y = rows[0] + 1 + item_height // 2
        d.move_to((cl + cr) // 2, close_y, 0.5)
        time.sleep(0.4)
        path = os.path.join(d.options().work_dir, "system_menu.png")
        d.screenshot_of(path, left - 20, top - 20, right + 20, bottom + 20)
        shot = d.read_pixels(left, top, right - left, bottom - top)

        def px(x, y):
            return shot[(y - top) * (right - left) + (x - left)]

        # The flat one-pixel frame on the client's edge, in the menu border colour.
        mid_x, mid_y = (cl + cr) // 2, (ct + cb) // 2
        for x, y in ((cl, mid_y), (cr - 1, mid_y), (mid_x, ct), (mid_x, cb - 1)):
            self.assertEqual(px(x, y), border, (x, y))
        # Close under the pointer: the selection box in the highlight colour, filled with its blend.
        x0 = cl + 3
        self.assertEqual(px(x0 + 1, close_y), highlight)
        self.assertEqual(px(x0 + 3, close_y), d.blend(highlight, window_color, 70))
        # The side-bar column of an item not selected.
        self.assertEqual(px(x0 + 2, close_y - item_height), d.blend(face, window_color, 214))

        # The shadow right of the frame: three columns over what lay behind, 64, 43 and 21, fading in over
        # its first 4 rows; below it, the rows the window holds.
        weights = (64, 43, 21)
        for d_, w in enumerate(weights):
            self.assertEqual(px(cr + d_, mid_y), d.shade(before(cr + d_, mid_y), w), f"column {d_}")
        length = cb - (ct + 3)
        fade = [px(cr, ct + 3 + i) for i in range(6)]
        self.assertEqual(fade, [d.shade(before(cr, ct + 3 + i), faded(64, i, length)) for i in range(6)])
        for d_ in range(bottom - cb):
            self.assertEqual(px(mid_x, cb + d_), d.shade(before(mid_x, cb + d_), weights[d_]), f"row {d_}")
        self.assertEqual(px(right - 1, mid_y), before(right - 1, mid_y), "nothing past the shadow")

        def measured(x, y):
            return round(255 * (1 - sum(px(x, y)) / max(1, sum(before(x, y)))))

        print("  shadow weights, measured: right", [measured(cr + i, mid_y) for i in range(3)],
              "below", [measured(mid_x, cb + i) for i in range(bottom - cb)],
              "fading in", [measured(cr, ct + 3 + i) for i in range(6)], flush=True)
        d.focus(self.win)
        d.key("Escape")
        self.assertTrue(d.wait_until(lambda: not d.viewable(menu), 3), "Escape did not close the menu")
        self.assertTrue(self.viewer.running())
        self.assertEqual(probe()[0], [], "a popup menu window is left on screen")


if __name__ == "__main__":
    d.main()
