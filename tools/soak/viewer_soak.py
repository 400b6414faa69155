#!/usr/bin/python3
"""Soak run of the viewer: thousands of scripted user actions against a soak build of the real viewer
under Wine (clicks on the six quote buttons, resizes, minimise and restore, maximise, stay-on-top, the
system menu opened and closed, drags against the screen edge), with the viewer's resident memory and
the run-time's live GDI and USER handle counts sampled every few hundred actions.

    viewer_soak.py --viewer .../soak/Pelmor免费行情分析系统.exe --probe .../soak/live_handles.exe
                   --site-port N --work-dir DIR [--session-env FILE] [--actions 10000] [--every 500]

`cmake --build build/win --target soak` builds both programs and runs this on the Wine session's display
(tools/wine-session start first). Prints one line per sample and the verdict; the goal holds when, after
the first 1,000 actions, resident memory has grown by at most 2 MiB and the handle counts not at all,
and the viewer neither crashed, hung nor showed a message box. Exit status 0 when it holds."""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
import viewer_driver as d  # noqa: E402

# Skin coordinates: quote buttons 75 x 20 at top 2; caption buttons 11 x 11 at top 6, their left this
# far from the skin's right edge.
QUOTE_LEFTS = (200, 280, 360, 448, 544, 640)
MAXIMIZE, MINIMIZE, TOPMOST = 34, 51, 68
CAPTION_POINT = (150, 10)
# Sampling after the warm-up: growth allowed from this action on.
WARM_UP = 1000
RSS_ALLOWANCE_KIB = 2048


def xdo(*args):
    """One xdotool run of a chain of commands (moves, presses, sleeps)."""
    d.tool("xdotool", *[str(a) for a in args], timeout=15)


class Soak:
    def __init__(self, opts):
        self.opts = opts
        self.viewer = d.Viewer(opts.viewer, opts.work_dir, "soak")
        self.actions = 0
        self.samples = []  # (actions, seconds, rss KiB, gdi, user)
        self.problems = []
        self.topmost = False
        self.tick = 0

    # The window.

    def start(self):
        d.move_to(d.SCREEN[0] - 1, d.SCREEN[1] - 1, 0)
        self.g0 = self.viewer.start()
        self.g = self.g0
        self.win = self.viewer.win

    def refresh(self, expect=None, timeout=2.0):
        self.g = self.viewer.geometry(expect, timeout)
        return self.g

    def moved(self, before, timeout=1.5):
        """The window's rectangle once it differs from `before` and has held for 0.1 s (or the time is up):
        the system's move or size loop has ended by then."""
        end = time.monotonic() + timeout
        last, since = d.geometry(self.win), time.monotonic()
        while time.monotonic() < end:
            time.sleep(0.03)
            g = d.geometry(self.win)
            if g.rect() != last.rect():
                last, since = g, time.monotonic()
            elif last.rect() != before and time.monotonic() - since >= 0.1:
                break
        self.g = last
        return last

    def drag(self, start, points, nudge, before):
        """Presses the left button at start, nudges, passes through points and lets go; a drag the window
        did not follow at all (the nudges merged into one move on a busy machine) is made once more."""
        sx, sy = start
        chain = ["mousemove", sx, sy, "mousedown", 1]
        for i in (1, 2):
            chain += ["mousemove", sx + i * nudge[0], sy + i * nudge[1], "sleep", 0.05]
        for x, y in points:
            chain += ["mousemove", x, y, "sleep", 0.04]
        chain += ["mouseup", 1]
        for _ in range(2):
            xdo(*chain)
            if self.moved(before).rect() != before:
                return True
        return False

    def at(self, x, y):
        return self.viewer.client_to_screen(x, y, self.g)

    def button(self, from_right):
        w, _h = self.viewer.client_size(self.g)
        return self.at(w - from_right + 5, 11)

    def act(self, count=1):
        self.actions += count

    def problem(self, text):
        self.problems.append(text)
        print(text, flush=True)

    # The gestures; each is one user action, a round trip (open and close, there and back) two.

    def click_quotes(self, count):
        """`count` clicks on the quote buttons in turn, in one run of xdotool."""
        chain = []
        for _ in range(count):
            x, y = self.at(QUOTE_LEFTS[self.tick % 6] + 37, 12)
            self.tick += 1
            chain += ["mousemove", x, y, "mousedown", 1, "mouseup", 1, "sleep", 0.02]
        xdo(*chain)
        self.act(count)

    def resize(self, dx, dy):
        w, h = self.viewer.client_size(self.g)
        sx, sy = self.at(w - 16, h - 4)
        sign = (1 if dx > 0 else -1, 1 if dy > 0 else -1)
        if not self.drag((sx, sy), [(sx + dx, sy + dy)], sign, self.g.rect()):
            self.problem(f"action {self.actions}: a resize by {dx}, {dy} did not size the window")
        self.act()

    def drag_caption(self, dx, dy):
        sx, sy = self.at(*CAPTION_POINT)
        sign = 1 if dx > 0 else -1
        if not self.drag((sx, sy), [(sx + dx // 2, sy + dy // 2), (sx + dx, sy + dy)], (sign, 0), self.g.rect()):
            self.problem(f"action {self.actions}: a caption drag did not move the window")
        self.act()

    def against_the_edge(self):
        """Drags the window past the screen's top-left corner and back to where it was."""
        back = (self.g.x, self.g.y)
        self.drag_caption(-self.g.x - 40, -self.g.y - 30)
        self.drag_caption(back[0] - self.g.x, back[1] - self.g.y)

    def maximise_and_restore(self):
        normal = self.g.rect()
        xdo("mousemove", *self.button(MAXIMIZE), "click", 1)
        maxed = (-3, -3, d.SCREEN[0] + 6, d.SCREEN[1] + 6)
        if self.refresh(maxed).rect() != maxed:
            self.problem(f"action {self.actions}: the maximise button did not maximise")
        xdo("mousemove", *self.button(MAXIMIZE), "click", 1)
        self.refresh(normal)
        self.act(2)

    def minimise_and_restore(self):
        normal = self.g.rect()
        xdo("mousemove", *self.button(MINIMIZE), "click", 1)
        icon = (0, d.SCREEN[1] - 24, 160, 24)
        if self.refresh(icon).rect() != icon:
            self.problem(f"action {self.actions}: the minimise button did not minimise")
        # The icon takes no clicks under Wine; its system menu restores the window.
        xdo("mousemove", 80, d.SCREEN[1] - 12, "windowfocus", "--sync", self.win, "key", "alt+space",
            "sleep", 0.2, "key", "Return")
        if self.refresh(normal, 3).rect() != normal:
            self.problem(f"action {self.actions}: the system menu did not restore the window")
        self.act(2)

    def toggle_topmost(self):
        xdo("mousemove", *self.button(TOPMOST), "click", 1)
        self.topmost = not self.topmost
        self.act()

    def system_menu(self):
        x, y = self.at(*CAPTION_POINT)
        xdo("mousemove", x, y, "mousedown", 3, "mouseup", 3, "sleep", 0.15, "windowfocus", "--sync", self.win,
            "key", "Escape", "sleep", 0.05)
        self.act(2)

    def round(self):
        """100 actions: quote clicks in bursts, with each other gesture among them."""
        self.click_quotes(12)
        self.resize(40, 30)
        self.click_quotes(12)
        self.toggle_topmost()
        self.system_menu()
        self.click_quotes(12)
        self.resize(-40, -30)
        self.against_the_edge()
        self.click_quotes(12)
        self.toggle_topmost()
        self.maximise_and_restore()
        self.click_quotes(12)
        self.resize(30, 40)
        self.minimise_and_restore()
        self.click_quotes(14)
        self.resize(-30, -40)
        self.click_quotes(12)

    # The measurements.

    def resident_kib(self):
        """Resident memory of the viewer's process: the whole, and the anonymous (heap) part of it."""
        found = {}
        with open(f"/proc/{self.viewer.process.pid}/status", encoding="ascii", errors="replace") as f:
            for line in f:
                name, _, value = line.partition(":")
                if name in ("VmRSS", "RssAnon"):
                    found[name] = int(value.split()[0])
        if len(found) != 2:
            raise RuntimeError("no resident memory figures for the viewer's process")
        return found["VmRSS"], found["RssAnon"]

    def handle_counts(self):
        env = dict(os.environ, WINEDEBUG="-all")
        done = d.subprocess.run([d.wine_launcher(), self.opts.probe], stdin=d.subprocess.DEVNULL,
                                capture_output=True, timeout=30, env=env)
        text = done.stdout.decode(errors="replace").split()
        if done.returncode != 0 or len(text) != 6:
            raise RuntimeError(f"handle probe: {done.stderr.decode(errors='replace').strip()} "
                               f"(exit {done.returncode})")
        gdi, user, boxes = int(text[1]), int(text[3]), int(text[5])
        if boxes:
            self.problem(f"action {self.actions}: the viewer shows {boxes} message box(es)")
        return gdi, user

    def sample(self, started):
        if not self.viewer.running():
            raise RuntimeError(f"the viewer ended after {self.actions} actions "
                               f"(exit code {self.viewer.process.returncode})")
        gdi, user = self.handle_counts()
        resident, anonymous = self.resident_kib()
        row = (self.actions, time.monotonic() - started, resident, gdi, user, anonymous)
        self.samples.append(row)
        print(f"{row[0]:6d} actions {row[1]:7.1f} s   resident {resident:7d} KiB (anonymous {anonymous:7d})   "
              f"gdi {gdi:4d}   user {user:4d}", flush=True)

    def run(self):
        started = time.monotonic()
        self.sample(started)
        while self.actions < self.opts.actions:
            before = self.actions
            self.round()
            if self.actions // self.opts.every != before // self.opts.every:
                self.sample(started)
        return time.monotonic() - started

    def verdict(self, seconds, requests):
        base = next((s for s in self.samples if s[0] >= WARM_UP), None)
        last = self.samples[-1]
        lines = [f"{last[0]} actions in {seconds:.0f} s, {requests} pages requested from the site"]
        ok = base is not None and seconds <= 600
        if base is not None:
            # The highest of every later sample against the one at the end of the warm-up.
            later = [s for s in self.samples if s[0] > base[0]] or [base]
            grew = [max(s[i] for s in later) - base[i] for i in (2, 3, 4)]
            lines.append(f"after {base[0]} actions at most: resident memory {grew[0]:+d} KiB (allowed "
                         f"{RSS_ALLOWANCE_KIB}), GDI {grew[1]:+d}, USER {grew[2]:+d}")
            ok = ok and grew[0] <= RSS_ALLOWANCE_KIB and grew[1] <= 0 and grew[2] <= 0
        ok = ok and not self.problems
        lines += self.problems[:20]
        lines.append("goal holds" if ok else "goal NOT met")
        return ok, lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--site-port", type=int, required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--session-env", default="")
    parser.add_argument("--actions", type=int, default=10000)
    parser.add_argument("--every", type=int, default=500)
    opts = parser.parse_args()
    opts.viewer, opts.probe = os.path.abspath(opts.viewer), os.path.abspath(opts.probe)
    os.makedirs(opts.work_dir, exist_ok=True)
    d.join_session(opts.session_env)
    d.read_screen()
    with d.hold_display():
        site = d.Site(os.path.join(opts.work_dir, "site.log"), opts.site_port)
        soak = Soak(opts)
        try:
            soak.start()
            seconds = soak.run()
            ok, lines = soak.verdict(seconds, len(site.requests))
            code = soak.viewer.stop()
            if code != 0:
                ok = False
                lines.append(f"the viewer ended with code {code} when asked to close")
        except (RuntimeError, d.subprocess.SubprocessError) as e:
            ok, lines = False, [f"soak stopped: {e}"]
            d.screenshot(os.path.join(opts.work_dir, "soak-failure.png"))
        finally:
            # Also when the run is interrupted: nothing of it stays behind.
            soak.viewer.stop()
            site.stop()
    with open(os.path.join(opts.work_dir, "soak.csv"), "w", encoding="ascii") as f:
        f.write("actions,seconds,resident_kib,gdi,user,anonymous_kib\n")
        for row in soak.samples:
            f.write(f"{row[0]},{row[1]:.1f},{row[2]},{row[3]},{row[4]},{row[5]}\n")
    print("\n".join(lines), flush=True)
    raise SystemExit(0 if ok else 1)


if __name__ == "__main__":
    main()
