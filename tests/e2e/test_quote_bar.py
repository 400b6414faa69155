#!/usr/bin/python3
"""The six quote-source buttons in the caption row: their pictures follow the pointer, each click
points the browser at its own page on the local site, and they keep their places at any width. From the
keyboard: Ctrl+1 … Ctrl+6 and F5, Tab and the arrows along the bar with a focus cue, Enter and Space."""

import os
import time
import unittest

import viewer_driver as d

# (resource name, left in the skin, page path)
BUTTONS = (
    ("pelmor", 200, "/"),
    ("dazhihui", 280, "/dzh.swf"),
    ("tongdaxin", 360, "/test/flashHQ.swf"),
    ("huarongzhengquan", 448, "/hq/flashMinuteHQ.jsp"),
    ("chaoyin", 544, "/quote/dde_bk.php"),
    ("quanqiuhangqin", 640, "/hq/global_ind/stock.swf"),
)
TOP, WIDTH, HEIGHT = 2, 75, 20
STATES = {"n": "normal", "h": "hover", "c": "pressed"}
# Mean absolute difference (0..255 per channel) allowed against the expected picture; the three
# pictures of one button differ from each other by 5 to 16, and a 24-bit display shows them exactly.
MAX_DIFF = 1.0
# The focus cue: a one-pixel frame around the focused button in the skin's caption-text colour.
CUE = (220, 220, 220)


class QuoteBar(d.ViewerTestCase):

    @classmethod
    def setUpClass(cls):
        res = d.options().resources
        cls.pictures = {}
        for name, _left, _path in BUTTONS:
            for s in STATES:
                w, h, pixels = d.read_bmp(os.path.join(res, f"ub_{name}_{s}.bmp"))
                assert (w, h) == (WIDTH, HEIGHT), f"ub_{name}_{s}.bmp is {w}x{h}"
                cls.pictures[(name, s)] = pixels

    def diffs(self, name, left, g=None):
        x, y = self.at(left, TOP, g)
        shown = d.read_pixels(x, y, WIDTH, HEIGHT)
        return {s: d.mean_abs_diff(shown, self.pictures[(name, s)]) for s in STATES}

    def assertShows(self, name, left, state, g=None):
        """Waits (bounded) for the button to show the picture of `state`; prints the differences."""
        def matching():
            found = self.diffs(name, left, g)
            return found if found[state] <= MAX_DIFF else None

        last = d.wait_until(matching, 2.0, 0.1) or self.diffs(name, left, g)
        text = " ".join(f"{STATES[s]}={v:.2f}" for s, v in last.items())
        print(f"  {name} at {left}, want {STATES[state]}: {text}", flush=True)
        self.assertLessEqual(last[state], MAX_DIFF, f"{name} does not show its {STATES[state]} picture ({text})")
        self.assertEqual(min(last, key=last.get), state)

    def quote_paths_since(self, since):
        paths = {p for _n, _l, p in BUTTONS}
        return [p for p in self.site.paths_since(since) if p in paths]

    def test_startup_fetches_home_and_statistics_pages_and_shows_normal_pictures(self):
        for path in ("/", "/ruanjiantongji.htm"):
            self.assertTrue(self.site.wait_for(path, self.started_at, 10), f"{path} was not fetched at start-up")
        for name, left, _path in BUTTONS:
            with self.subTest(button=name):
                self.assertShows(name, left, "n")

    def test_pictures_follow_the_pointer_and_each_click_opens_its_page(self):
        for name, left, path in BUTTONS:
            with self.subTest(button=name):
                x, y = self.at(left, TOP)
                d.move_to(x + 37, y + 10, 0.15)
                self.assertShows(name, left, "h")
                d.press(1)
                self.assertShows(name, left, "c")
                clicked = time.monotonic()
                d.release(1)
                self.assertTrue(self.site.wait_for(path, clicked, 5), f"{path} not fetched after the click")
                fetched = self.quote_paths_since(clicked)
                self.assertEqual(fetched[0], path, f"first page fetched after the click: {fetched}")
                self.assertEqual(set(fetched), {path}, f"pages fetched after the click: {fetched}")
                # The click redraws the normal picture; the next move inside shows hover again.
                self.assertShows(name, left, "n")
                d.move_to(x + 40, y + 11, 0.15)
                self.assertShows(name, left, "h")
                # Leaving downwards into the opening restores the normal picture.
                d.move_to(x + 40, y + 80, 0.15)
                self.assertShows(name, left, "n")

    def key_opens(self, keys, path):
        pressed = time.monotonic()
        d.key(keys)
        self.assertTrue(self.site.wait_for(path, pressed, 5), f"{path} not fetched after {keys}")
        self.assertEqual(set(self.quote_paths_since(pressed)), {path}, f"pages fetched after {keys}")

    def assertCueOn(self, focused):
        """Waits (bounded) until the cue frames the button at index `focused` alone (None: no button)."""
        first, span = BUTTONS[0][1], BUTTONS[-1][1] + WIDTH - BUTTONS[0][1]

        def framed():
            bar = d.read_pixels(*self.at(first, TOP), span, HEIGHT)
            rows = [bar[y * span:(y + 1) * span] for y in (0, HEIGHT - 1)]
            return [i for i, (_n, left, _p) in enumerate(BUTTONS)
                    if all(set(row[left - first:left - first + WIDTH]) == {CUE} for row in rows)]

        want = [] if focused is None else [focused]
        found = d.wait_until(lambda: framed() == want, 2.0, 0.1) and want or framed()
        self.assertEqual(found, want, "buttons with the focus cue")

    def test_ctrl_digits_open_the_sources_in_bar_order_and_f5_loads_the_page_again(self):
        d.focus(self.win)
        for i, (name, _left, path) in enumerate(BUTTONS):
            with self.subTest(button=name):
                self.key_opens(f"ctrl+{i + 1}", path)
                self.key_opens("F5", path)
        # These keys are no keyboard navigation: no focus cue comes up.
        self.assertCueOn(None)

    def test_tab_and_arrows_walk_the_bar_with_a_cue_and_enter_or_space_opens_the_focused_source(self):
        d.focus(self.win)
        self.assertCueOn(None)
        d.key("Tab")  # from the page to the first button
        self.assertCueOn(0)
        self.key_opens("Return", BUTTONS[0][2])
        for i in range(1, len(BUTTONS)):
            d.key("Right")
            self.assertCueOn(i)
            self.key_opens("space" if i % 2 else "Return", BUTTONS[i][2])
        # The arrows go round the bar; Tab leaves it for the page and Shift+Tab comes back to its end.
        for keys, focused in (("Right", 0), ("Left", 5), ("Up", 4), ("Down", 5), ("Tab", None),
                              ("shift+Tab", 5), ("shift+Tab", 4)):
            d.key(keys)
            self.assertCueOn(focused)

    def test_second_of_two_quick_clicks_is_the_page_fetched_last(self):
        first, second = BUTTONS[1], BUTTONS[5]
        x1, y1 = self.at(first[1] + 37, TOP + 10)
        x2, y2 = self.at(second[1] + 37, TOP + 10)
        d.move_to(x1, y1, 0.1)
        clicked = time.monotonic()
        d.tool("xdotool", "click", "1", "mousemove", str(x2), str(y2), "click", "1")
        self.assertTrue(self.site.wait_for(second[2], clicked, 5), f"{second[2]} not fetched")
        time.sleep(1.5)  # a late fetch of the first page would show up here
        fetched = self.quote_paths_since(clicked)
        print(f"  pages fetched after the two clicks: {fetched}", flush=True)
        self.assertEqual(fetched[-1], second[2], f"pages fetched: {fetched}")

    def test_buttons_keep_their_places_at_several_widths(self):
        # Widths at which the caption buttons (from 85 pixels left of the right edge) leave the bar free.
        for grow in (160, -30, 60):
            with self.subTest(grow=grow):
                g0 = d.geometry(self.win)
                w, h = self.viewer.client_size(g0)
                sx, sy = self.at(w - 16, h - 4, g0)
                _, ge = self.drag_window((sx, sy), [(sx + grow // 2, sy), (sx + grow, sy)],
                                         nudges=((1, 1), (2, 1)))
                g = self.viewer.geometry()
                self.assertEqual((g.x, g.y), (g0.x, g0.y))
                self.assertNotEqual(g.w, g0.w, "the window was not resized")
                print(f"  window {g}", flush=True)
                for name, left, _path in BUTTONS:
                    self.assertShows(name, left, "n", g)

    def size_client_width(self, width):
        """Drags the bottom-right corner until the client area is `width` pixels wide."""
        for _ in range(3):
            g0 = d.geometry(self.win)
            w, h = self.viewer.client_size(g0)
            if w == width:
                break
            sx, sy = self.at(w - 16, h - 4, g0)
            grow = width - w
            # The size loop starts at the first nudge, one pixel right of the press.
            self.drag_window((sx, sy), [(sx + grow // 2, sy), (sx + 1 + grow, sy)], nudges=((1, 1), (2, 1)))
        g = self.viewer.geometry()
        self.assertEqual(self.viewer.client_size(g)[0], width, f"window {g}")
        return g

    def test_at_720_pixels_the_buttons_under_the_caption_buttons_still_show_and_open_their_pages(self):
        # From 85 pixels left of the right edge the caption buttons' hit areas reach over 全球行情.
        g = self.size_client_width(720)
        for name, left, _path in BUTTONS:
            with self.subTest(button=name, shows="normal"):
                self.assertShows(name, left, "n", g)
        targets = [(name, path, left + WIDTH // 2) for name, left, path in BUTTONS]
        name, left, path = BUTTONS[5]
        for k in range(5):
            x = 720 - 85 + 17 * k + 5  # the middle of a caption button
            if left <= x < left + WIDTH:
                targets.append((name, path, x))
        self.assertGreaterEqual(len(targets), 10)
        for name, path, x in targets:
            with self.subTest(button=name, x=x):
                clicked = time.monotonic()
                d.click_at(*self.at(x, TOP + 9, g))
                self.assertTrue(self.site.wait_for(path, clicked, 5), f"{path} not fetched after a click at {x}")
                self.assertEqual(set(self.quote_paths_since(clicked)), {path})
                # Nothing the caption buttons do happened: no close, minimize, maximize or stay-on-top.
                self.assertTrue(self.viewer.running())
                now = d.geometry(self.win)
                self.assertEqual(now.rect(), g.rect())
                self.assertTrue(now.mapped)
                d.move_to(*self.at(x, TOP + 80, g), 0.1)


class ScaledDisplay(unittest.TestCase):
    """At 150 % and 200 %: window, caption and bar at the scaled design, the 2x pictures stretched as the
    image engine does; at 150 % every button opens its page."""

    def check_scale(self, dpi, click):
        s, opts = (lambda v: (v * dpi + 48) // 96), d.options()  # noqa: E731  (as MulDiv rounds)
        with d.scaled_session(dpi):
            site = d.Site(os.path.join(opts.work_dir, "site.log"), opts.site_port)
            viewer = d.Viewer(opts.viewer, opts.work_dir, f"scale-{dpi}")
            try:
                g = viewer.start(timeout=30)
                inset = d.shape_extents(viewer.win)[0]  # the region starts with the client area (the skin)
                self.assertTrue(abs(g.w - s(839)) <= 2 * inset and abs(g.h - s(559)) <= 4 * inset,
                                f"window {g}: not 839 x 559 scaled but for the system's sizing border")
                def shown(x, y, w, h):  # noqa: E306
                    return d.read_pixels(g.x + inset + x, g.y + inset + y, w, h)
                last, outline = shown(s(195), s(2) + s(21) - 1, 1, 1)[0], shown(s(195), s(24) - 1, 1, 1)[0]
                self.assertEqual((last[0] == last[1] == last[2] and 20 < last[0] < 80, outline), (True, (57, 57, 51)))
                pictures = [("close", g.w - 2 * inset - s(17), s(6), "skin_2x.bmp", (44, 0, 22, 22), 11, 11)]
                pictures += [(n, s(x), s(TOP), f"ub_{n}_n_2x.bmp", (0, 0, 150, 40), WIDTH, HEIGHT)
                             for n, x, _path in BUTTONS]
                for name, x, y, bmp, rect, w, h in pictures:
                    width, _h, pixels = d.read_bmp(os.path.join(opts.resources, bmp))
                    diff = d.mean_abs_diff(shown(x, y, s(w), s(h)), d.stretch_bilinear(pixels, width, rect, s(w), s(h)))
                    self.assertLessEqual(diff, MAX_DIFF, f"{name} at {x},{y}: {diff:.2f}")
                d.screenshot_of(os.path.join(opts.work_dir, f"scale-{dpi}.png"), g.x, g.y, g.x + g.w, g.y + g.h)
                for name, left, path in BUTTONS if click else ():
                    clicked = time.monotonic()
                    d.click_at(g.x + inset + s(left + WIDTH // 2), g.y + inset + s(TOP + HEIGHT // 2))
                    self.assertTrue(site.wait_for(path, clicked, 5), f"{path} not fetched after a click on {name}")
            finally:
                viewer.stop(10)
                site.stop()

    def test_at_150_and_200_percent_the_frame_and_bar_scale_and_at_150_every_button_opens_its_page(self):
        for dpi in (144, 192):
            with self.subTest(dpi=dpi):
                self.check_scale(dpi, click=dpi == 144)


if __name__ == "__main__":
    d.main()
