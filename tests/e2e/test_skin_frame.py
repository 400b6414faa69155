#!/usr/bin/python3
"""The skinned main window moves, sizes, maximizes, minimizes, closes and shows its system menu
through its own caption and edges, driven with real mouse and keyboard input; and ./run's build comes
up with nothing over it."""

import os
import subprocess
import sys
import time
import unittest

import viewer_driver as d

# Caption buttons: 11 x 11 at top 6, their left a fixed distance from the skin's right edge.
CLOSE, MAXIMIZE, MINIMIZE = 17, 34, 51


class SkinFrame(d.ViewerTestCase):

    def button_point(self, from_right, g=None):
        w, _h = self.viewer.client_size(g)
        return self.at(w - from_right + 5, 6 + 5, g)

    def test_caption_drag_moves_the_window_with_the_pointer(self):
        # Left of the quote bar, between the bar's end (715) and the first caption button, and the
        # caption's lowest row; back and forth so that no edge of the screen comes near.
        for (cx, cy), sign in (((150, 10), 1), ((730, 20), -1), ((60, 23), 1)):
            with self.subTest(caption_point=(cx, cy)):
                g0 = d.geometry(self.win)
                sx, sy = self.at(cx, cy, g0)
                mid, end = (sx + sign * 30, sy + sign * 20), (sx + sign * 90, sy + sign * 60)
                gm, ge = self.drag_window((sx, sy), [mid, end], nudges=((sign, 0), (2 * sign, 0)))
                final = self.viewer.geometry()
                self.assertNotEqual(gm.rect(), g0.rect(), "the caption drag did not start moving the window")
                self.assertEqual((ge.x - gm.x, ge.y - gm.y), (sign * 60, sign * 40),
                                 "window does not follow the pointer")
                self.assertEqual((final.w, final.h), (g0.w, g0.h), "a move changed the size")
                self.assertRect(final, ge.rect(), "the window did not stay where it was released")
                # The loop starts at the first move with the button held, a pixel or two into the drag.
                self.assertLessEqual(abs(final.x - g0.x - sign * 90), 3, f"moved {final.x - g0.x} for 90")
                self.assertLessEqual(abs(final.y - g0.y - sign * 60), 3, f"moved {final.y - g0.y} for 60")

    def test_bottom_right_zone_is_32_pixels_wide_and_sizes_both_ways(self):
        # 28 pixels from the right: inside the wide bottom-right zone, outside an 8-pixel corner.
        for from_right in (5, 28):
            with self.subTest(from_right=from_right):
                g0 = d.geometry(self.win)
                w, h = self.viewer.client_size(g0)
                sx, sy = self.at(w - from_right, h - 4, g0)
                gm, ge = self.drag_window((sx, sy), [(sx + 40, sy + 30), (sx + 100, sy + 70)],
                                          nudges=((1, 1), (2, 2)))
                final = self.viewer.geometry()
                self.assertEqual((gm.x, gm.y), (g0.x, g0.y), "sizing from the bottom-right moved the window")
                self.assertEqual((ge.w - gm.w, ge.h - gm.h), (60, 40), "size does not follow the pointer")
                self.assertGreater(gm.w, g0.w, "the drag did not start sizing the width")
                self.assertGreater(gm.h, g0.h, "the drag did not start sizing the height")
                self.assertRect(final, ge.rect())

    def test_sizing_stops_at_the_minimum_tracking_size(self):
        g0 = self.g0
        w, h = self.viewer.client_size(g0)
        sx, sy = self.at(w - 16, h - 4, g0)
        _, ge = self.drag_window((sx, sy), [(sx - 200, sy - 150), (0, 0)], nudges=((-1, -1), (-2, -2)))
        final = self.viewer.geometry()
        self.assertEqual((ge.w, ge.h), (142, 50), f"tracked down to {ge}")
        self.assertRect(final, (g0.x, g0.y, 142, 50))

    def test_left_edge_sizes_only_above_the_lowest_32_pixels(self):
        g0 = self.g0
        _w, h = self.viewer.client_size(g0)
        # The visible frame left of the opening, in the rows between the left and bottom-left zones.
        for row in (h - 20, h - 30):
            with self.subTest(row=row):
                sx, sy = self.at(1, row, g0)
                seen = self.drag_window((sx, sy), [(sx + 60, sy), (sx + 60, sy - 60)], expect_change=False)
                final = self.viewer.geometry()
                for g in seen + [final]:
                    self.assertRect(g, g0.rect(), "a drag below the caption outside the zones changed the window")
        # Just above them the left zone sizes the window from its left edge.
        sx, sy = self.at(1, h - 34, g0)
        gm, ge = self.drag_window((sx, sy), [(sx - 30, sy), (sx - 80, sy)], nudges=((-1, 0), (-1, 1)))
        final = self.viewer.geometry()
        self.assertEqual((ge.x - gm.x, ge.w - gm.w), (-50, 50), "the left edge does not follow the pointer")
        self.assertEqual((ge.x + ge.w, ge.y, ge.h), (g0.x + g0.w, g0.y, g0.h), "more than the left edge moved")
        self.assertRect(final, ge.rect())

    def test_double_click_on_caption_maximizes_over_the_work_area_and_restores(self):
        g0 = self.g0
        self.assertEqual(d.shape_extents(self.win), (3, 3, g0.w - 6, g0.h - 6),
                         "the normal window's region does not clip the 3-pixel sizing border")
        d.double_click_at(*self.at(150, 10, g0))
        maxed = (-3, -3, d.SCREEN[0] + 6, d.SCREEN[1] + 6)
        gm = self.viewer.geometry(expect=maxed)
        self.assertRect(gm, maxed)
        self.assertEqual(d.shape_extents(self.win), None, "a maximized window keeps a region")

        # Maximized, neither the caption nor the bottom-right zone moves or sizes the window.
        w, h = self.viewer.client_size(gm)
        for what, (sx, sy), nudges in (("moved by its caption", self.at(150, 10, gm), ((1, 0), (2, 0))),
                                       ("sized by its edge", self.at(w - 16, h - 4, gm), ((-1, -1), (-2, -2)))):
            seen = self.drag_window((sx, sy), [(sx - 60, sy - 40)], nudges=nudges, expect_change=False)
            self.assertRect(seen[-1], maxed, f"a maximized window was {what}")
            self.assertRect(self.viewer.geometry(), maxed, f"a maximized window was {what}")

        d.double_click_at(*self.at(150, 10, gm))
        self.assertRect(self.viewer.geometry(expect=g0.rect()), g0.rect(), "double click did not restore")
        self.assertEqual(d.shape_extents(self.win), (3, 3, g0.w - 6, g0.h - 6))

    def test_maximize_button_maximizes_and_restores(self):
        g0 = self.g0
        maxed = (-3, -3, d.SCREEN[0] + 6, d.SCREEN[1] + 6)
        d.click_at(*self.button_point(MAXIMIZE, g0))
        gm = self.viewer.geometry(expect=maxed)
        self.assertRect(gm, maxed)
        d.click_at(*self.button_point(MAXIMIZE, gm))
        self.assertRect(self.viewer.geometry(expect=g0.rect()), g0.rect())

    def test_minimize_button_iconifies_and_the_system_menu_restores(self):
        g0 = self.g0
        self.assertEqual(d.initial_state_hint(self.win), "Normal")
        d.click_at(*self.button_point(MINIMIZE, g0))
        # Without a window manager Wine shows a minimized window as a 160 x 24 icon at the bottom left.
        icon = self.viewer.geometry(expect=(0, d.SCREEN[1] - 24, 160, 24))
        self.assertEqual((icon.w, icon.h), (160, 24), f"not iconic: {icon}")
        self.assertEqual(d.initial_state_hint(self.win), "Iconic")
        self.assertTrue(self.viewer.running())

        # The icon takes no clicks under Wine (its hit test says nowhere); its system menu does restore.
        d.move_to(icon.x + 80, icon.y + 12, 0.1)
        before = d.owned_popups(self.win)
        d.focus(self.win)
        d.key("alt+space")
        menus = d.wait_until(lambda: set(d.owned_popups(self.win)) - set(before), 3)
        self.assertTrue(menus, "Alt+Space on the minimized window opened no menu")
        d.key("Return")  # the first item, Restore, is selected
        restored = self.viewer.geometry(expect=g0.rect())
        self.assertRect(restored, g0.rect(), "the window did not come back where it was")
        self.assertEqual(d.initial_state_hint(self.win), "Normal")
        self.assertEqual(d.shape_extents(self.win), (3, 3, g0.w - 6, g0.h - 6), "region not applied again")

    def test_close_button_ends_the_viewer_with_exit_code_0(self):
        d.click_at(*self.button_point(CLOSE, self.g0))
        code = self.viewer.wait_exit(15)
        self.assertEqual(code, 0, "the viewer did not end with code 0 after its close button")
        self.assertFalse(d.find_windows(d.CAPTION_PATTERN), "the main window is still shown")

    def test_system_menu_opens_at_the_cursor_from_the_caption_row_and_the_icon_and_by_alt_space(self):
        g0 = self.g0
        cases = (("right button on the caption", self.at(150, 10, g0), 3),
                 ("right button on the close button", self.button_point(CLOSE, g0), 3),
                 ("left button on the caption icon", self.at(10, 12, g0), 1),
                 # From the keyboard the menu opens under the caption's left end, wherever the pointer is.
                 ("Alt+Space", self.at(0, 24, g0), None))
        for name, point, button in cases:
            with self.subTest(name):
                d.move_to(*(self.at(150, 10, g0) if button is None else point), 0.1)
                before = d.owned_popups(self.win)  # a tool tip may be up already
                if button is None:
                    d.focus(self.win)
                    d.key("alt+space")
                else:
                    d.click_at(*point, button=button)
                # Tool tips are owned popups too; the menu is the new one placed at the cursor.
                menus = d.wait_until(lambda: {w: r for w, r in d.owned_popups(self.win).items()
                                              if w not in before and r[:2] == point}, 3)
                self.assertEqual(len(menus), 1, f"popups owned by the window: {d.owned_popups(self.win)}")
                (menu, (_x, _y, mw, mh)), = menus.items()
                self.assertTrue(mw > 40 and mh > 40, f"implausible menu size {mw}x{mh}")
                d.focus(self.win)
                d.key("Escape")
                self.assertTrue(d.wait_until(lambda: not d.viewable(menu), 3), "Escape did not close the menu")
                time.sleep(0.2)
                self.assertTrue(self.viewer.running(), "dismissing the menu ended the viewer")
                self.assertRect(self.viewer.geometry(), g0.rect())

    def test_close_chosen_in_the_system_menu_ends_the_viewer_with_exit_code_0(self):
        point = self.at(150, 10)
        before = d.owned_popups(self.win)
        d.click_at(*point, button=3)
        self.assertTrue(d.wait_until(lambda: set(d.owned_popups(self.win)) - set(before), 3), "no system menu")
        d.focus(self.win)
        d.key("c")  # the Close item's mnemonic
        self.assertEqual(self.viewer.wait_exit(15), 0, "the chosen command did not close the viewer")


class FirstRun(unittest.TestCase):
    """./run's build of both programs, started against tools/site-server.py as ./run starts them: the
    updater the viewer starts fetches the signed list and ends without a word."""

    def test_no_box_comes_up_over_the_viewer(self):
        o = d.options()
        log = os.path.join(o.work_dir, "first_run.site.log")
        server = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "site-server.py")
        files = [x for flag, path in (("--key", o.run_key), ("--setup", o.run_setup)) if os.path.isfile(path)
                 for x in (flag, path)]
        site = subprocess.Popen([sys.executable, "-B", server, "--port", str(o.run_site_port), "--log", log,
                                 "--version", o.version] + files, stdout=subprocess.PIPE)
        self.addCleanup(site.wait, 10)
        self.addCleanup(site.terminate)
        self.assertIn(b"site-server: http://", site.stdout.readline())
        viewer = d.Viewer(o.run_viewer, o.work_dir, "first_run")
        self.addCleanup(viewer.stop)
        viewer.start()
        boxes = d.wait_until(lambda: d.find_windows("^(提示|Pelmor更新)$"), 10, 0.2)
        for box in boxes:  # answered, so that the updater ends
            d.focus(box)
            d.key("Return")
        self.assertEqual(boxes, [], "a box or the updater's window came up over the viewer")
        with open(log, encoding="utf-8") as f:
            self.assertIn("/upsoft.txt", f.read().split(), "the updater never asked for the list")


if __name__ == "__main__":
    d.main()
