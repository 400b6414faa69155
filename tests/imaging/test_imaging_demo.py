#!/usr/bin/python3
"""The image engine's demonstration under Wine: the form shows one PNG with alpha over a checkerboard
with each effect side by side; its screenshot is saved and its panels are checked on the screen."""

import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import demo_driver  # noqa: E402
import viewer_driver as d  # noqa: E402

PLAIN, HALF, GRAY, LIGHTER, DARKER, MIRROR, STRETCH, ROTATED, SHADOW, INVERSE, KEYED, REGION = range(12)
opts = None


class ImagingDemo(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.demo = demo_driver.DemoProcess(opts.demo, opts.work_dir, "imaging_demo", 90)
        try:
            line = cls.demo.ready_line()
        except RuntimeError:
            cls.demo.stop()
            raise
        n = [int(v) for v in re.findall(r"-?\d+", line)]
        cls.client, (cls.cell, cls.caption, cls.image, cls.margin) = n[0:4], n[4:8]
        time.sleep(1.0)
        x0, y0, x1, y1 = cls.client
        cls.pixels = d.read_pixels(x0, y0, x1 - x0, y1 - y0)
        cls.width = x1 - x0

    @classmethod
    def tearDownClass(cls):
        cls.demo.stop()

    def panel(self, i):
        """The picture box of a panel as rows of (r, g, b), top row first."""
        left = (i % 6) * self.cell + self.margin
        top = (i // 6) * (self.cell + self.caption) + self.margin
        return [self.pixels[(top + y) * self.width + left:(top + y) * self.width + left + self.image]
                for y in range(self.image)]

    def test_1_screenshot_is_saved(self):
        path = os.path.join(opts.work_dir, "imaging_demo.png")
        d.screenshot_of(path, *self.client)
        self.assertTrue(os.path.getsize(path) > 0)

    def test_2_colour_panels_and_the_gray_one(self):
        colourful = [p for row in self.panel(PLAIN) for p in row if max(p) - min(p) > 100]
        self.assertGreater(len(colourful), 2000, "the ring's hues show in the plain panel")
        for y, row in enumerate(self.panel(GRAY)):
            for x, p in enumerate(row):
                self.assertTrue(p[0] == p[1] == p[2], f"gray panel at {x},{y}: {p}")

    def test_3_mirror_matches_the_plain_panel_reversed(self):
        plain, mirror = self.panel(PLAIN), self.panel(MIRROR)
        # Where the ring is opaque (radius 20...46 about the centre, away from the bar), so that the
        # checkerboard behind, which is not symmetric, does not show.
        opaque = [(x, y) for y in range(self.image) for x in range(self.image)
                  if 20 <= ((x - 49.5) ** 2 + (y - 49.5) ** 2) ** 0.5 <= 46 and not 78 <= y < 94]
        worst = max(abs(a - b) for x, y in opaque for a, b in zip(plain[y][x], mirror[y][self.image - 1 - x]))
        # The plain panel goes through AlphaBlend, the mirrored one through the own pipeline.
        self.assertLessEqual(worst, 1)

    def test_4_lightness_and_opacity_move_the_colours(self):
        def mean(i):
            px = [p for row in self.panel(i) for p in row]
            return sum(sum(p) for p in px) / len(px)

        self.assertGreater(mean(LIGHTER), mean(PLAIN) + 20)
        self.assertLess(mean(DARKER), mean(PLAIN) - 20)

    def test_5_colour_key_and_region(self):
        # The white square (6..25) shows the checkerboard through it once white is the colour key.
        keyed, plain = self.panel(KEYED), self.panel(PLAIN)
        self.assertEqual(plain[10][10], (255, 255, 255))
        self.assertNotEqual(keyed[10][10], (255, 255, 255))
        region = [p for row in self.panel(REGION) for p in row]
        self.assertGreater(region.count((40, 110, 200)), 1500, "the region of the solid pixels is filled")
        self.assertIn((255, 220, 0), region, "and framed")


def main():
    global opts
    opts = demo_driver.demo_options()
    demo_driver.run_demo_suite(ImagingDemo, opts.session_env)


if __name__ == "__main__":
    main()
