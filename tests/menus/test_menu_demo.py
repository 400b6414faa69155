#!/usr/bin/python3
"""The menu demonstration under Wine, opened with real X input: the open bar item is drawn as a box
with its shadow and its popup opens under it in the flat frame; pictures, check marks and the submenu
triangle lie where the drawing puts them; a screenshot is saved."""

import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import demo_driver  # noqa: E402
import viewer_driver as d  # noqa: E402

opts = None


def visible_popups():
    """Window and client rectangles (screen) of the visible popup menu windows, from the probe."""
    return d.menu_probe(opts.probe)[0]


class Demo(demo_driver.DemoProcess):
    def __init__(self):
        super().__init__(opts.demo, opts.work_dir, "menu_demo", 150)

    def ready(self, timeout=40):
        line = self.ready_line(timeout)
        n = [int(v, 0) for v in re.findall(r"0x[0-9a-f]+|-?\d+", line)]
        self.form, self.item = n[0:4], n[4:8]
        self.H, self.B, self.bar_height = n[8:11]
        names = ("border", "side_bar", "item_back", "item_text", "selection_border", "selection_fill",
                 "check_fill", "check_mark", "check_border", "open_fill", "open_border", "bar_back")
        self.colours = {name: d.rgb(v) for name, v in zip(names, n[11:])}


class MenuDemo(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        d.move_to(d.SCREEN[0] - 1, d.SCREEN[1] - 1, 0)
        cls.demo = Demo()
        try:
            cls.demo.ready()
        except Exception:
            cls.demo.stop()
            raise
        time.sleep(0.5)

    @classmethod
    def tearDownClass(cls):
        cls.demo.stop()

    def test_the_open_bar_item_its_popup_and_the_parts_of_its_items(self):
        demo, c = self.demo, self.demo.colours
        il, it, ir, ib = demo.item
        H, B = demo.H, demo.B

        d.click_at((il + ir) // 2, (it + ib) // 2)
        popups = d.wait_until(visible_popups, 5, 0.2)
        self.assertEqual(len(popups), 1, f"popup menu windows: {popups}")
        wl, wt, wr, wb = popups[0]["window"]
        cl, ct, cr, cb = popups[0]["client"]
        # Items lie 3 pixels inside the client, which Wine outlines itself; the frame is that outline.
        x0, y0, right = cl + 3, ct + 3, cr - 3
        tops = [y0, y0 + H, y0 + 2 * H, y0 + 2 * H + 2, y0 + 3 * H + 2, y0 + 4 * H + 2, y0 + 5 * H + 2]
        # The pointer on 打开, whose picture then shows its hover image.
        d.move_to((x0 + right) // 2, tops[1] + H // 2, 0.5)
        time.sleep(0.4)

        region = (min(demo.form[0], wl), min(demo.form[1], wt), max(demo.form[2], wr) + 4, max(demo.form[3], wb) + 4)
        path = os.path.join(opts.work_dir, "menu_demo.png")
        d.screenshot_of(path, *region)
        shot = d.read_pixels(region[0], region[1], region[2] - region[0], region[3] - region[1])

        def px(x, y):
            return shot[(y - region[1]) * (region[2] - region[0]) + (x - region[0])]

        # The open bar item: its box, and its shadow darkening the bar by 64, 43 and 21 from its fourth row.
        bar_back = c["bar_back"]
        self.assertEqual(px(il, it + 4), c["open_border"])
        self.assertEqual(px(ir - 1, it + 4), c["open_border"])
        self.assertEqual(px(il + 2, it + 2), c["open_fill"])
        for i, w in enumerate((64, 43, 21)):
            self.assertEqual(px(ir + i, it + 2), bar_back, f"shadow column {i} above its start")
            self.assertEqual(px(ir + i, it + 5), d.shade(bar_back, w), f"shadow column {i}")
        weights = [round(255 * (1 - px(ir + i, it + 5)[0] / bar_back[0])) for i in range(3)]
        print(f"  bar item shadow weights, measured: {weights}", flush=True)

        # Its popup opens under it, overlapping its last row, in a one-pixel frame.
        self.assertEqual(wt, ib - 1)
        self.assertEqual(px(cl, (ct + cb) // 2), c["border"])
        self.assertEqual(px(cr - 1, (ct + cb) // 2), c["border"])
        self.assertEqual(px(cl + 10, ct), c["border"])

        def picture_at(top):
            # The picture image's top left, and the picture 1 pixel inside it.
            return x0 + (H - B - 1) // 2 + 1 + 1, top + (H - B - 1) // 2 - 1 + 1

        # 新建: its picture centred in the gutter, its magenta border showing the gutter.
        px0, py0 = picture_at(tops[0])
        self.assertEqual(px(px0 + 8, py0 + 8), (0x20, 0xA0, 0x40))
        self.assertEqual(px(px0 + 1, py0 + 1), c["side_bar"])
        # 打开 under the pointer: the selection box, and the picture where it was.
        self.assertEqual(px(x0 + 1, tops[1] + H // 2), c["selection_border"])
        px1, py1 = picture_at(tops[1])
        self.assertEqual(px(px1 + 8, py1 + 8), (0xD0, 0x80, 0x20))
        self.assertEqual(px(px1 + 1, py1 + 1), c["selection_fill"])
        # 自动换行: checked without a picture, its box and its mark.
        bx, by = x0 + (H - B - 1) // 2, tops[4] + (H - B - 5) // 2
        cy, mx = tops[4] + H // 2, x0 + H // 2 - 2
        self.assertEqual(px(bx, by + 2), c["check_border"])
        self.assertEqual(px(bx + 2, by + 2), c["check_fill"])
        self.assertEqual(px(mx, cy - 1), c["check_mark"])
        self.assertEqual(px(mx + 6, cy - 3), c["check_mark"])
        # 显示网格: checked with a picture, which lies over the box and no mark is drawn.
        bx5, by5 = bx, tops[5] + (H - B - 5) // 2
        self.assertEqual(px(bx5, by5 + 2), c["check_border"])
        px5, py5 = picture_at(tops[5])
        self.assertEqual(px(px5 + 8, py5 + 8), (0x20, 0x50, 0xC0))
        self.assertNotIn(c["check_mark"], [px(mx + i, tops[5] + H // 2 + i - 1) for i in range(3)])
        # 最近的文件: the submenu triangle, its tip H / 3 + 4 from the item's right edge.
        cy6 = (2 * tops[6] + H - 1) // 2
        tip = right - H // 3 - 4
        for k in range((demo.bar_height + 3) // 8 + 1):
            column = [px(tip - k, y) for y in range(cy6 - k - 1, cy6 + k + 2)]
            self.assertEqual(column, [c["item_back"]] + [c["item_text"]] * (2 * k + 1) + [c["item_back"]], k)
        self.assertEqual(px(tip + 1, cy6), c["item_back"])

        d.key("Escape")
        d.key("Escape")


def main():
    global opts
    opts = demo_driver.demo_options("--probe")
    demo_driver.run_demo_suite(MenuDemo, opts.session_env)


if __name__ == "__main__":
    main()
