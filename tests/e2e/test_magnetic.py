#!/usr/bin/python3
"""The main window snaps to the screen's edges while it is dragged by its caption or sized by its
edge: within 10 pixels its visible frame (3 pixels inside the window rectangle) lands on the edge."""

import viewer_driver as d


class Magnetic(d.ViewerTestCase):

    def drag_caption_to(self, target):
        """Drags the caption so that, without snapping, the window's top-left would end at target.

        The pointer first brings the window to an approach point 60 pixels from the target, where
        nothing snaps, and reads the window there; the last step then aims exactly at the target.
        Returns the window during the drag at the target and after the release."""
        g0 = d.geometry(self.win)
        sx, sy = self.at(150, 10, g0)
        ax = target[0] + (60 if target[0] < d.SCREEN[0] // 2 else -60)
        ay = target[1] + (60 if target[1] < d.SCREEN[1] // 2 else -60)
        approach = (sx + ax - g0.x, sy + ay - g0.y)

        def aim(seen):
            return (approach[0] + target[0] - seen[0].x, approach[1] + target[1] - seen[0].y)

        at_approach, at_target = self.drag_window((sx, sy), [approach, aim])
        self.assertLessEqual(abs(at_approach.x - ax) + abs(at_approach.y - ay), 4,
                             f"window at {at_approach} for the approach point {ax, ay}")
        return at_target, self.viewer.geometry()

    def test_caption_drag_near_the_top_left_corner_snaps_within_ten_pixels(self):
        for gap, expect in ((5, -3), (9, -3), (10, 10), (12, 12)):
            with self.subTest(gap=gap):
                live, final = self.drag_caption_to((gap, gap))
                print(f"  gap {gap}: during the drag {live}, released {final}", flush=True)
                self.assertEqual((live.x, live.y), (expect, expect))
                self.assertRect(final, (expect, expect, self.g0.w, self.g0.h))

    def test_caption_drag_near_the_bottom_right_corner_snaps(self):
        sw, sh = d.SCREEN
        w, h = self.g0.w, self.g0.h
        live, final = self.drag_caption_to((sw - w - 5, sh - h - 5))
        print(f"  during the drag {live}, released {final}", flush=True)
        # The window rectangle hangs 3 pixels over the right and bottom edges.
        self.assertRect(final, (sw + 3 - w, sh + 3 - h, w, h))

    def test_sizing_the_right_edge_near_the_screen_edge_snaps(self):
        g0 = self.g0
        sw = d.SCREEN[0]
        w, h = self.viewer.client_size(g0)
        sx, sy = self.at(w - 16, h - 4, g0)
        gap = 6
        first = (sx + 40, sy)

        def aim(seen):
            return (first[0] + (sw - gap) - (seen[0].x + seen[0].w), sy)

        at_first, at_gap = self.drag_window((sx, sy), [first, aim], nudges=((1, 1), (2, 1)))
        final = self.viewer.geometry()
        print(f"  during the drag {at_gap}, released {final}", flush=True)
        self.assertGreater(at_first.w, g0.w, "the size loop did not start")
        self.assertEqual(final.x + final.w, sw + 3, f"right edge at {final.x + final.w}")
        self.assertEqual((final.x, final.y), (g0.x, g0.y))


if __name__ == "__main__":
    d.main()
