#!/usr/bin/python3
"""The scroll-bar demonstration under Wine, driven with real X input: its long-range bars follow arrow
clicks, page clicks and thumb drags in 32-bit steps, the painter's skin stays on them, magenta never
shows, and a screenshot of the form is saved."""

import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import demo_driver  # noqa: E402
import viewer_driver as d  # noqa: E402

MAGENTA = (255, 0, 255)
ARROW = 18
H_SMALL, H_LARGE, H_MAX = 1_000_000, 100_000_000, 2_000_000_000
V_SMALL, V_MIN = 5_000_000, 1_000_000_000

opts = None


class Demo(demo_driver.DemoProcess):
    """One run of the demonstration with its log of bar rectangles and Change events."""

    def __init__(self, exe, work_dir):
        super().__init__(exe, work_dir, "scrollbar_demo", 150)

    def ready(self, timeout=40):
        n = [int(v) for v in re.findall(r"-?\d+", self.ready_line(timeout))]
        # Bar rectangles and thumb extents (along the bar, from its start), then the form.
        self.h, self.h_thumb = n[0:4], n[4:6]
        self.v, self.v_thumb = n[6:10], n[10:12]
        self.form = n[12:16]

    def last(self, tag):
        """(value, thumb start, thumb end) of the bar's last Change."""
        for line in reversed(self.lines()):
            parts = line.split()
            if parts and parts[0] == tag:
                return tuple(int(p) for p in parts[1:4])
        return None

    def wait_value(self, tag, value, timeout=8.0):
        got = d.wait_until(lambda: (self.last(tag) or (None,))[0] == value and self.last(tag), timeout, 0.05)
        return got or self.last(tag)


def bmp(name):
    return d.read_bmp(os.path.join(opts.resources, name))


def composite_arrow(frame_name, glyph_name, horizontal):
    """The first state's arrow button as the painter draws it: the glyph over the frame, magenta out."""
    fw, _fh, frame = bmp(frame_name)
    gw, _gh, glyph = bmp(glyph_name)
    out = []
    w, h = (ARROW, 17) if horizontal else (17, ARROW)
    for y in range(h):
        for x in range(w):
            g = glyph[y * gw + x]
            out.append(frame[y * fw + x] if g == MAGENTA else g)
    return out


class ScrollbarDemo(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        d.move_to(d.SCREEN[0] - 1, d.SCREEN[1] - 1, 0)
        cls.demo = Demo(opts.demo, opts.work_dir)
        try:
            cls.demo.ready()
        except Exception:
            cls.demo.stop()
            raise
        time.sleep(0.5)

    @classmethod
    def tearDownClass(cls):
        cls.demo.stop()

    def pixels(self, rect):
        x0, y0, x1, y1 = rect
        return d.read_pixels(x0, y0, x1 - x0, y1 - y0)

    def assert_skinned(self, when):
        """The skin is back on both bars (the system control draws itself while it is used, and the
        skin is painted again once it has; on a loaded machine that takes a moment)."""
        h, v = self.demo.h, self.demo.v
        left = composite_arrow("scrarrowh.bmp", "scrarrowhl.bmp", True)
        bottom = composite_arrow("scrarrowv.bmp", "scrarrowvb.bmp", False)

        def seen():
            return (d.read_pixels(h[0], h[1], ARROW, 17), d.read_pixels(v[0], v[3] - ARROW, 17, ARROW))

        shown = seen()
        end = time.monotonic() + 5.0
        while shown != (left, bottom) and time.monotonic() < end:
            time.sleep(0.2)
            shown = seen()
        self.assertEqual(shown[0], left, f"left arrow of the horizontal bar {when}")
        self.assertEqual(shown[1], bottom, f"bottom arrow of the vertical bar {when}")
        self.assertNotIn(MAGENTA, self.pixels(self.demo.form), f"magenta on the form {when}")

    def test_1_form_shows_the_painted_bars_and_is_captured(self):
        path = os.path.join(opts.work_dir, "scrollbar_demo.png")
        d.screenshot_of(path, *self.demo.form)
        self.assertTrue(os.path.getsize(path) > 0)
        self.assert_skinned("as shown")
        self.assertEqual(self.demo.last("H")[0], 500_000_000)
        self.assertEqual(self.demo.last("V")[0], 0)

    def test_2_arrow_and_page_clicks_step_by_the_long_changes(self):
        h = self.demo.h
        mid = (h[1] + h[3]) // 2
        start = self.demo.last("H")[0]
        d.move_to(h[2] - 6, mid, 0.1)
        d.tool("xdotool", "click", "1")
        got = self.demo.wait_value("H", start + H_SMALL)
        self.assertEqual(got[0], start + H_SMALL, "right arrow")

        _value, _t0, t1 = got
        d.move_to(h[0] + (t1 + (h[2] - h[0]) - ARROW) // 2, mid, 0.1)
        d.tool("xdotool", "click", "1")
        got = self.demo.wait_value("H", start + H_SMALL + H_LARGE)
        self.assertEqual(got[0], start + H_SMALL + H_LARGE, "page right")

        v = self.demo.v
        d.move_to((v[0] + v[2]) // 2, v[3] - 6, 0.1)
        d.tool("xdotool", "click", "1")
        got = self.demo.wait_value("V", -V_SMALL)
        self.assertEqual(got[0], -V_SMALL, "down arrow of the reversed bar steps toward Max")
        self.assert_skinned("after the clicks")

    def test_3_thumb_drags_reach_the_ends_of_the_32_bit_ranges(self):
        h = self.demo.h
        mid = (h[1] + h[3]) // 2
        _value, t0, t1 = self.demo.last("H")
        d.drag_through((h[0] + (t0 + t1) // 2, mid), [(h[2] + 30, mid)], lambda: None, nudges=((2, 0), (4, 0)))
        got = self.demo.wait_value("H", H_MAX)
        self.assertEqual(got[0], H_MAX, "dragged to the right end")

        v = self.demo.v
        cx = (v[0] + v[2]) // 2
        _value, t0, t1 = self.demo.last("V")
        d.drag_through((cx, v[1] + (t0 + t1) // 2), [(cx, v[1] - 30)], lambda: None, nudges=((0, -2), (0, -4)))
        got = self.demo.wait_value("V", V_MIN)
        self.assertEqual(got[0], V_MIN, "dragged to the top: Min of the reversed range")
        self.assert_skinned("after the drags")


def main():
    global opts
    opts = demo_driver.demo_options("--resources")
    demo_driver.run_demo_suite(ScrollbarDemo, opts.session_env)


if __name__ == "__main__":
    main()
