#!/usr/bin/python3
"""The image engine's demonstration under Wine: the form shows one PNG with alpha over a checkerboard
with each effect side by side; its screenshot is saved and its panels are checked on the screen."""

import math
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import demo_driver  # noqa: E402
import viewer_driver as d  # noqa: E402

PLAIN, HALF, GRAY, LIGHTER, DARKER, MIRROR, STRETCH, ROTATED, SHADOW, INVERSE, KEYED, REGION = range(12)
# The two squares of the checkerboard behind the panels.
CHECKER = ((200, 200, 200), (120, 120, 120))
CENTRE = 49.5
opts = None


def opaque(x, y):
    """Where the picture is opaque: the ring (radius 20...46 about the centre) away from the bar."""
    return 20 <= math.hypot(x - CENTRE, y - CENTRE) <= 46 and not 78 <= y < 94


def in_square_or_bar(x, y):
    """The white square (6...25) and the half-transparent bar (rows 80...91), with a pixel to spare."""
    return (4 <= x <= 28 and 4 <= y <= 28) or 77 <= y <= 94


def on_circle(radius, step=3):
    """Points (angle in degrees, x, y) on a circle about the picture's centre, screen angles (y down)."""
    for deg in range(0, 360, step):
        a = math.radians(deg)
        yield deg, CENTRE + radius * math.cos(a), CENTRE + radius * math.sin(a)


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

    def at(self, i, x, y):
        """The pixel (r, g, b) at x, y from the top-left corner of a panel's picture box; x and y may lie
        outside the box and be fractions (rounded)."""
        left = (i % 6) * self.cell + self.margin + round(x)
        top = (i // 6) * (self.cell + self.caption) + self.margin + round(y)
        return self.pixels[top * self.width + left]

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
        solid = [(x, y) for y in range(self.image) for x in range(self.image) if opaque(x, y)]
        worst = max(abs(a - b) for x, y in solid for a, b in zip(plain[y][x], mirror[y][self.image - 1 - x]))
        # The plain panel goes through AlphaBlend, the mirrored one through the own pipeline.
        self.assertLessEqual(worst, 1)

    def test_4_lightness_and_opacity_move_the_colours(self):
        def mean(i):
            px = [p for row in self.panel(i) for p in row]
            return sum(sum(p) for p in px) / len(px)

        self.assertGreater(mean(LIGHTER), mean(PLAIN) + 20)
        self.assertLess(mean(DARKER), mean(PLAIN) - 20)
        # At opacity 50 an opaque pixel is half the picture and half the checkerboard square behind it.
        squares = set()
        for y in range(self.image):
            for x in range(self.image):
                if not opaque(x, y):
                    continue
                p, h = self.at(PLAIN, x, y), self.at(HALF, x, y)
                off, square = min((max(abs(b - (a + c) / 2) for a, b, c in zip(p, h, sq)), sq) for sq in CHECKER)
                self.assertLessEqual(off, 2, f"half panel at {x},{y}: {h}, plain {p}")
                squares.add(square)
        self.assertEqual(squares, set(CHECKER), "both squares show through")

    def test_5_colour_key_and_region(self):
        # The white square (6..25) shows the checkerboard through it once white is the colour key.
        keyed, plain = self.panel(KEYED), self.panel(PLAIN)
        self.assertEqual(plain[10][10], (255, 255, 255))
        self.assertNotEqual(keyed[10][10], (255, 255, 255))
        region = [p for row in self.panel(REGION) for p in row]
        self.assertGreater(region.count((40, 110, 200)), 1500, "the region of the solid pixels is filled")
        self.assertIn((255, 220, 0), region, "and framed")

    def test_6_the_shadow_falls_below_and_right_of_the_picture(self):
        # The picture is drawn 4 pixels up and left, its shadow 2 down and right (and 4 wider each side
        # for the blur): beyond the ring, below and right of it the checkerboard is darkened, above and
        # left of it untouched.
        centre = CENTRE - 4
        shaded, clear = 0, []
        for y in range(-10, self.image + 12):
            for x in range(-10, self.image + 12):
                if math.hypot(x - centre, y - centre) <= 50 or in_square_or_bar(x + 4, y + 4):
                    continue
                p = self.at(SHADOW, x, y)
                if x > centre and y > centre:
                    shaded += p[0] == p[1] == p[2] and p[0] < 110
                elif x < centre and y < centre:
                    clear.append(p)
        self.assertGreater(shaded, 200, "grey darker than either square below and right of the ring")
        self.assertTrue(clear and set(clear) <= set(CHECKER), f"above and left: {set(clear) - set(CHECKER)}")

    def test_7_the_inverse_is_255_minus_the_picture_where_opaque(self):
        for y in range(self.image):
            for x in range(self.image):
                if opaque(x, y):
                    p, q = self.at(PLAIN, x, y), self.at(INVERSE, x, y)
                    self.assertEqual(q, tuple(255 - c for c in p), f"inverse at {x},{y}, plain {p}")

    def test_8_stretched_and_rotated_panels_move_the_ring(self):
        def near(a, b, slack):
            return max(abs(u - v) for u, v in zip(a, b)) <= slack

        # Stretched to 130 about the same centre: a point of the stretched panel shows the plain picture
        # 1.3 times nearer the centre; at radius 56 the plain panel is past the ring, the stretched one not.
        for radius in (30, 40, 50, 56):
            for deg, x, y in on_circle(radius):
                sx, sy = CENTRE + (x - CENTRE) / 1.3, CENTRE + (y - CENTRE) / 1.3
                if in_square_or_bar(sx, sy):
                    continue
                p, q = self.at(PLAIN, sx, sy), self.at(STRETCH, x, y)
                self.assertTrue(near(p, q, 12), f"stretched at radius {radius}, {deg}°: {q}, plain {p}")
                if radius == 56:
                    self.assertIn(self.at(PLAIN, x, y), CHECKER)
        # Turned 30° clockwise on the screen about the same centre: each point shows the plain picture 30°
        # back, and nothing like the picture 30° ahead.
        behind, ahead = [], []
        for radius in (28, 38):
            for deg, x, y in on_circle(radius, 5):
                q = self.at(ROTATED, x, y)
                for turn, into in ((-30, behind), (30, ahead)):
                    a = math.radians(deg + turn)
                    sx, sy = CENTRE + radius * math.cos(a), CENTRE + radius * math.sin(a)
                    if not in_square_or_bar(sx, sy):
                        into.append(max(abs(u - v) for u, v in zip(self.at(PLAIN, sx, sy), q)))
        self.assertLessEqual(max(behind), 16, "the rotated ring matches the plain one turned clockwise")
        self.assertGreater(sorted(ahead)[len(ahead) // 2], 60, "and not the one turned the other way")


def main():
    global opts
    opts = demo_driver.demo_options()
    demo_driver.run_demo_suite(ImagingDemo, opts.session_env)


if __name__ == "__main__":
    main()
