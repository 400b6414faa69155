#!/usr/bin/python3
"""The menu demonstration under Wine, opened with real X input: the open bar item is drawn as a box and
its popup opens under it in the flat frame, with the item under the pointer selected; a screenshot is
saved. What each part of an item looks like is the drawing tests' business."""

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
        self.form, self.item, self.H = n[0:4], n[4:8], n[8]
        names = ("border", "selection_border", "open_fill", "open_border")
        self.colours = {name: d.rgb(v) for name, v in zip(names, n[9:])}


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

    def test_the_open_bar_item_and_its_popup_under_the_pointer(self):
        demo, c = self.demo, self.demo.colours
        il, it, ir, ib = demo.item
        H = demo.H

        d.click_at((il + ir) // 2, (it + ib) // 2)
        popups = d.wait_until(visible_popups, 5, 0.2)
        self.assertEqual(len(popups), 1, f"popup menu windows: {popups}")
        wl, wt, wr, wb = popups[0]["window"]
        cl, ct, cr, cb = popups[0]["client"]
        # Items lie 3 pixels inside the client, which Wine outlines itself; the frame is that outline.
        x0, y0, right = cl + 3, ct + 3, cr - 3
        # The pointer on 打开, the second item.
        d.move_to((x0 + right) // 2, y0 + H + H // 2, 0.5)
        time.sleep(0.4)

        region = (min(demo.form[0], wl), min(demo.form[1], wt), max(demo.form[2], wr) + 4, max(demo.form[3], wb) + 4)
        path = os.path.join(opts.work_dir, "menu_demo.png")
        d.screenshot_of(path, *region)
        shot = d.read_pixels(region[0], region[1], region[2] - region[0], region[3] - region[1])

        def px(x, y):
            return shot[(y - region[1]) * (region[2] - region[0]) + (x - region[0])]

        # The open bar item: the control's box in the real menu bar.
        self.assertEqual(px(il, it + 4), c["open_border"])
        self.assertEqual(px(ir - 1, it + 4), c["open_border"])
        self.assertEqual(px(il + 2, it + 2), c["open_fill"])
        # Its popup opens under it, overlapping its last row, in a one-pixel frame.
        self.assertEqual(wt, ib - 1)
        self.assertEqual(px(cl, (ct + cb) // 2), c["border"])
        self.assertEqual(px(cr - 1, (ct + cb) // 2), c["border"])
        self.assertEqual(px(cl + 10, ct), c["border"])
        # 打开 under the pointer is drawn selected.
        self.assertEqual(px(x0 + 1, y0 + H + H // 2), c["selection_border"])

        d.key("Escape")
        d.key("Escape")


def main():
    global opts
    opts = demo_driver.demo_options("--probe")
    demo_driver.run_demo_suite(MenuDemo, opts.session_env)


if __name__ == "__main__":
    main()
