"""Drives the real viewer under Wine on the test display: start and stop it, find its window, move the
mouse, read pixels back and serve its web pages from a local site that records every request."""

import argparse
import contextlib
import fcntl
import http.server
import os
import re
import signal
import subprocess
import threading
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from project_version import project_version  # noqa: E402

CAPTION = "Pelmor免费行情分析系统V%d.%d" % project_version()
CAPTION_PATTERN = "^" + re.escape(CAPTION) + "$"
# With the system caption stripped, the sizing border left around the client area (the skin) is
# 3 pixels wide; the window region clips it away and a maximized window hangs it off the screen.
FRAME = 3
# The test display's size, read when the options are parsed; the work area is the whole screen.
SCREEN = (1280, 1024)

_options = None


def options():
    return _options


def parse_options(argv=None):
    """Reads the command line the CTest registration passes and joins the Wine session."""
    global _options
    parser = argparse.ArgumentParser()
    parser.add_argument("--viewer", required=True, help="the viewer program built for the local site")
    parser.add_argument("--resources", required=True, help="folder with the quote-button bitmaps")
    parser.add_argument("--work-dir", required=True, help="logs and screenshots go here")
    parser.add_argument("--session-env", default="", help="env file of the running Wine session")
    parser.add_argument("--site-port", type=int, required=True, help="port the viewer's web addresses use")
    parser.add_argument("--run-viewer", default="", help="./run's build of the viewer, with its updater beside it")
    parser.add_argument("--run-site-port", type=int, default=0, help="port of ./run's local site")
    parser.add_argument("--version", default="", help="the programs' version, which ./run's site offers")
    parser.add_argument("--run-key", default="", help="private key ./run's site signs its list with")
    parser.add_argument("--run-setup", default="", help="setup program ./run's site names, when it is built")
    parser.add_argument("-k", dest="patterns", action="append", default=[],
                        help="only run tests whose names contain this text (repeatable)")
    _options = parser.parse_args(argv)
    os.makedirs(_options.work_dir, exist_ok=True)
    join_session(_options.session_env)
    read_screen()
    return _options


def read_screen():
    """Takes the test display's size into SCREEN."""
    global SCREEN
    root = tool("xwininfo", "-root").decode(errors="replace")
    SCREEN = tuple(int(re.search(name + r":\s+(\d+)", root).group(1)) for name in ("Width", "Height"))


def join_session(env_file):
    """Takes the Wine session's environment (display, Wine prefix) from its env file, unless already in it."""
    if os.environ.get("DISPLAY") and os.environ.get("PELMOR_IN_SESSION"):
        return
    if not env_file or not os.path.isfile(env_file):
        raise SystemExit("no Wine session: run tools/wine-session start first (./test does)")
    with open(env_file, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\s*(?:export\s+)?([A-Z_][A-Z0-9_]*)=(.*)$", line)
            if m:
                os.environ[m.group(1)] = m.group(2).strip().strip('"')


def rgb(colorref):
    """A COLORREF (0x00BBGGRR) as the (r, g, b) that read_pixels gives."""
    return (colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF)


def blend(a, b, w):
    """The menu drawing's blend, per channel (a·w + b·(255 − w)) / 255 to the nearest."""
    return tuple((x * w + y * (255 - w) + 127) // 255 for x, y in zip(a, b))


def shade(p, w):
    """The menu shadow's darkening of the pixel p by the weight w."""
    return blend((0, 0, 0), p, w)


def menu_probe(exe):
    """Runs menu_probe.exe: the visible popup menu windows (window and client rectangles on the screen,
    style, extended style), the system colours it reports and the item height the menu control must give
    its items: the menu font's text height + 7, or pictures of 16 pixels + 7 when they are taller."""
    done = subprocess.run([wine_launcher(), exe], stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
    popups, colors, item_height = [], None, None
    for line in done.stdout.decode(errors="replace").splitlines():
        fields = line.split()
        if fields[:1] == ["popup"]:
            n = [int(f, 0) for f in fields[1:]]
            popups.append({"window": tuple(n[0:4]), "client": tuple(n[4:8]), "style": n[8], "exstyle": n[9]})
        elif fields[:1] == ["colors"]:
            colors = [int(f, 0) for f in fields[1:]]
        elif fields[:1] == ["menutext"]:
            item_height = max(int(fields[1]), 16) + 7
    return popups, colors, item_height


def wine_launcher():
    """The harness's launcher of Wine's 64-bit loader (the session file names it)."""
    return os.environ.get("PELMOR_WINE") or os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine64")


def _sigterm(_signo, _frame):
    # CTest's timeout sends SIGTERM first: unwind so the viewer and the server are stopped.
    raise SystemExit("terminated")


signal.signal(signal.SIGTERM, _sigterm)


def tool(*args, timeout=10.0):
    """Runs an X tool and returns its standard output (bytes); raises on failure."""
    done = subprocess.run(list(args), stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
    if done.returncode != 0:
        raise RuntimeError(f"{args[0]} failed ({done.returncode}): {done.stderr.decode(errors='replace')}")
    return done.stdout


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it returns a true value or the time is up; returns the last value."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= end:
            return value
        time.sleep(interval)




class Geometry:
    def __init__(self, x, y, w, h, mapped):
        self.x, self.y, self.w, self.h, self.mapped = x, y, w, h, mapped

    def rect(self):
        return (self.x, self.y, self.w, self.h)

    def __repr__(self):
        return f"({self.x}, {self.y}) {self.w}x{self.h}{'' if self.mapped else ' unmapped'}"


def geometry(win):
    """The X window's rectangle, which equals the Win32 window rectangle (unmanaged, undecorated)."""
    text = tool("xwininfo", "-id", str(win)).decode(errors="replace")

    def field(name):
        return int(re.search(name + r":\s+(-?\d+)", text).group(1))

    mapped = "IsViewable" in text
    return Geometry(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                    field("Height"), mapped)


def settled_geometry(win, expect=None, timeout=3.0):
    """Reads the geometry until it equals `expect` (a rect tuple) or stays unchanged for 0.3 s."""
    last, stable_since = None, time.monotonic()
    end = time.monotonic() + timeout
    while True:
        g = geometry(win)
        if expect is not None and g.rect() == tuple(expect):
            return g
        now = time.monotonic()
        if last is None or g.rect() != last.rect() or g.mapped != last.mapped:
            last, stable_since = g, now
        elif expect is None and now - stable_since >= 0.3:
            return g
        if now >= end:
            return g
        time.sleep(0.05)


def find_windows(pattern):
    """Visible windows whose name matches the pattern (xdotool exits 1 when there is none)."""
    done = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern], stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=10)
    return [int(w) for w in done.stdout.split()]


def viewable(win):
    try:
        return "IsViewable" in tool("xwininfo", "-id", str(win)).decode(errors="replace")
    except (RuntimeError, subprocess.TimeoutExpired):
        return False  # destroyed


def top_level_windows():
    """Viewable children of the root window: {id: (x, y, w, h)}."""
    text = tool("xwininfo", "-root", "-children").decode(errors="replace")
    found = {}
    for m in re.finditer(r"^\s+(0x[0-9a-f]+) .*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)\s*$", text,
                         re.M):
        win = int(m.group(1), 16)
        found[win] = (int(m.group(6)), int(m.group(7)), int(m.group(2)), int(m.group(3)))
    return {win: rect for win, rect in found.items() if viewable(win)}


def initial_state_hint(win):
    """The state in the window's WM_HINTS ("Normal", "Iconic"); Wine marks a minimized window there."""
    text = tool("xprop", "-id", str(win), "WM_HINTS").decode(errors="replace")
    m = re.search(r"Initial state is (\w+) State", text)
    return m.group(1) if m else None


def transient_for(win):
    """The owner X window named in WM_TRANSIENT_FOR, or None."""
    try:
        text = tool("xprop", "-id", str(win), "WM_TRANSIENT_FOR").decode(errors="replace")
    except RuntimeError:
        return None
    m = re.search(r"window id # (0x[0-9a-f]+)", text)
    return int(m.group(1), 16) if m else None


def owned_popups(owner):
    """Viewable top-level windows owned by `owner`: popup menus, and tool tips too: {id: (x, y, w, h)}."""
    return {w: r for w, r in top_level_windows().items() if w != owner and transient_for(w) == owner}


def shape_extents(win):
    """Bounding box (x, y, w, h) of the window's shape (its window region), or None without one."""
    text = tool("xwininfo", "-shape", "-id", str(win)).decode(errors="replace")
    m = re.search(r"Window shape extents:\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", text)
    return (int(m.group(3)), int(m.group(4)), int(m.group(1)), int(m.group(2))) if m else None


def focus(win):
    tool("xdotool", "windowfocus", "--sync", str(win), timeout=5)


def key(name):
    tool("xdotool", "key", name)



STEP_PAUSE = 0.03


def move_to(x, y, pause=STEP_PAUSE):
    x = min(max(int(x), 0), SCREEN[0] - 1)
    y = min(max(int(y), 0), SCREEN[1] - 1)
    tool("xdotool", "mousemove", str(x), str(y))
    time.sleep(pause)


def press(button=1, pause=0.1):
    tool("xdotool", "mousedown", str(button))
    time.sleep(pause)


def release(button=1, pause=0.15):
    tool("xdotool", "mouseup", str(button))
    time.sleep(pause)


def click_at(x, y, button=1):
    move_to(x, y, 0.1)
    press(button)
    release(button)


def double_click_at(x, y):
    move_to(x, y, 0.1)
    # Well inside the double-click time, with no movement in between.
    tool("xdotool", "click", "--repeat", "2", "--delay", "90", "1")
    time.sleep(0.2)


def walk(frm, to, step=20):
    """Moves the pointer from frm to to in steps of at most `step` pixels, as a hand would."""
    dx, dy = to[0] - frm[0], to[1] - frm[1]
    n = max(1, -(-max(abs(dx), abs(dy)) // step))
    for i in range(1, n + 1):
        move_to(frm[0] + dx * i // n, frm[1] + dy * i // n)


def drag_through(start, points, read, nudges=((1, 0), (2, 0))):
    """Presses the left button at start, nudges the pointer, walks through points with the button
    held, calls read() at each point, then releases; returns what read() returned at each point.
    A point may be a function of the readings so far, for a drag that aims from what it has seen.

    The skin starts the system's move or size loop on the first move with the button held, so the
    nudges must stay inside the zone being tested; the loop follows the pointer from where it began.
    """
    move_to(*start, 0.1)
    press(1)
    seen = []
    try:
        cur = start
        for dx, dy in nudges:
            cur = (start[0] + dx, start[1] + dy)
            move_to(*cur, 0.12)
        for target in points:
            if callable(target):
                target = target(seen)
            walk(cur, target)
            cur = target
            seen.append(read())
    finally:
        release(1)
    return seen




def read_pixels(x, y, w, h):
    """The screen's pixels in the rectangle, as w*h (r, g, b) triples in rows top-down."""
    raw = tool("import", "-display", os.environ["DISPLAY"], "-window", "root", "-crop", f"{w}x{h}+{x}+{y}",
               "-depth", "8", "rgb:-", timeout=15)
    if len(raw) != w * h * 3:
        raise RuntimeError(f"import returned {len(raw)} bytes for {w}x{h}")
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def screenshot(path):
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", path],
                   stdin=subprocess.DEVNULL, capture_output=True, timeout=15)


def screenshot_of(path, left, top, right, bottom):
    """Saves the screen rectangle (right and bottom outside) as a picture and names it in the log."""
    tool("import", "-display", os.environ["DISPLAY"], "-window", "root", "-crop",
         f"{right - left}x{bottom - top}+{left}+{top}", "+repage", path, timeout=15)
    print(f"  screenshot: {path}", flush=True)


def read_bmp(path):
    """A 24-bit uncompressed BMP as (w, h, pixels top-down as (r, g, b))."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP file")
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    bpp = int.from_bytes(data[28:30], "little")
    compression = int.from_bytes(data[30:34], "little")
    if bpp != 24 or compression != 0:
        raise ValueError(f"{path}: {bpp} bpp, compression {compression}; only 24-bit plain is read")
    stride = (width * 3 + 3) & ~3
    rows = range(abs(height)) if height < 0 else range(height - 1, -1, -1)
    pixels = []
    for row in rows:
        base = offset + row * stride
        for col in range(width):
            b, g, r = data[base + col * 3:base + col * 3 + 3]
            pixels.append((r, g, b))
    return width, abs(height), pixels


def mean_abs_diff(a, b):
    """Mean absolute difference per channel between two equally sized pixel lists (0..255)."""
    if len(a) != len(b):
        raise ValueError("pixel lists differ in size")
    total = sum(abs(p - q) for pa, pb in zip(a, b) for p, q in zip(pa, pb))
    return total / (3 * len(a))




def stretch_bilinear(pixels, width, rect, dw, dh):
    """The image engine's bilinear stretch of rect (left, top, w, h) of a picture `width` pixels wide to dw x
    dh: sample i at i x w / dw + left mixes its column with the next (the last one alone), rows alike."""
    def taps(start, count, n):
        last, out = start + count - 1, []
        for i in range(n):
            x = i * (count / n) + start
            k = min(int(x), last)
            out.append((k, k, 1.0, 0.0) if k >= last else (k, k + 1, 1.0 - (x - k), x - k))
        return out

    return [tuple(int(wy0 * (wx0 * pixels[y0 * width + x0][c] + wx1 * pixels[y0 * width + x1][c]) +
                      wy1 * (wx0 * pixels[y1 * width + x0][c] + wx1 * pixels[y1 * width + x1][c])) for c in range(3))
            for y0, y1, wy0, wy1 in taps(rect[1], rect[3], dh) for x0, x1, wx0, wx1 in taps(rect[0], rect[2], dw)]


@contextlib.contextmanager
def scaled_session(dpi):
    """Runs the `with` in the harness's session at display scale `dpi` (wine-session scaled-start: a Wine
    prefix and a display of its own, so the shared session's scale never changes under other tests)."""
    global SCREEN
    saved, harness = (dict(os.environ), SCREEN), os.path.join(os.path.dirname(__file__), "..", "..", "tools",
                                                             "wine-session")
    os.environ.pop("PELMOR_IN_SESSION", None)
    try:
        join_session(tool(harness, "scaled-start", str(dpi), timeout=60).decode().strip())
        read_screen()
        yield
    finally:
        subprocess.run([harness, "scaled-stop", str(dpi)], stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        os.environ.clear()
        os.environ.update(saved[0])
        SCREEN = saved[1]


class Site:
    """A web site on 127.0.0.1 answering 200 with a small page for every path, recording each request."""

    PAGE = b"<html><head><title>quotes</title></head><body>quotes</body></html>"

    def __init__(self, log_path, port):
        self.requests = []  # (monotonic time, method, path)
        self._lock = threading.Lock()
        self._log = open(log_path, "a", encoding="utf-8")
        site = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.0"

            def _answer(self, body):
                site._record(self.command, self.path)
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(site.PAGE)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                if body:
                    self.wfile.write(site.PAGE)

            def do_GET(self):
                self._answer(True)

            def do_POST(self):
                self._answer(True)

            def do_HEAD(self):
                self._answer(False)

            def log_message(self, *args):
                pass

        http.server.ThreadingHTTPServer.allow_reuse_address = True
        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self._server.daemon_threads = True
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.1},
                                        daemon=True)
        self._thread.start()

    def _record(self, method, path):
        now = time.monotonic()
        with self._lock:
            self.requests.append((now, method, path))
            self._log.write(f"{time.strftime('%H:%M:%S')} {now:.3f} {method} {path}\n")
            self._log.flush()

    def paths_since(self, since):
        with self._lock:
            return [p for t, _m, p in self.requests if t >= since]

    def wait_for(self, path, since, timeout=8.0):
        """True once `path` has been requested at or after `since`."""
        return bool(wait_until(lambda: path in self.paths_since(since), timeout, 0.05))

    def stop(self):
        self._server.shutdown()
        self._server.server_close()
        self._thread.join(5)
        self._log.close()




class Viewer:
    """One run of the viewer program; its output goes to a log file, never to a pipe CTest waits on."""

    def __init__(self, exe, work_dir, label):
        self.exe = exe
        self.work_dir = work_dir
        self.label = label
        self.process = None
        self.win = None
        self._log = None

    def start(self, timeout=40.0):
        if find_windows(CAPTION_PATTERN):
            raise RuntimeError("a viewer window is already open on the test display")
        self._log = open(os.path.join(self.work_dir, f"{self.label}.viewer.log"), "wb")
        self.process = subprocess.Popen([wine_launcher(), self.exe], cwd=os.path.dirname(self.exe),
                                        stdin=subprocess.DEVNULL, stdout=self._log, stderr=subprocess.STDOUT,
                                        close_fds=True)

        def found():
            if self.process.poll() is not None:
                raise RuntimeError(f"the viewer ended at start-up with code {self.process.returncode}")
            wins = find_windows(CAPTION_PATTERN)
            return wins[0] if wins else None

        self.win = wait_until(found, timeout, 0.1)
        if not self.win:
            raise RuntimeError(f"no visible window titled {CAPTION} within {timeout} s")
        return settled_geometry(self.win)

    def geometry(self, expect=None, timeout=3.0):
        return settled_geometry(self.win, expect, timeout)

    def client_to_screen(self, x, y, g=None):
        """Screen point of a point given in the skin's (client) coordinates."""
        g = g or geometry(self.win)
        return (g.x + FRAME + x, g.y + FRAME + y)

    def client_size(self, g=None):
        g = g or geometry(self.win)
        return (g.w - 2 * FRAME, g.h - 2 * FRAME)

    def running(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def request_close(self):
        """Posts WM_CLOSE to the viewer's windows the way the system's task list does."""
        env = dict(os.environ, LC_ALL="C.UTF-8")
        with open(os.path.join(self.work_dir, f"{self.label}.taskkill.log"), "ab") as log:
            subprocess.run([wine_launcher(), "taskkill", "/im", os.path.basename(self.exe)], stdin=subprocess.DEVNULL,
                           stdout=log, stderr=subprocess.STDOUT, close_fds=True, env=env, timeout=30)

    def stop(self, timeout=15.0):
        """Closes the viewer if it still runs; returns its exit code (None if it had to be killed)."""
        if self.process is None:
            return None
        code = self.process.poll()
        if code is None:
            try:
                self.request_close()
            except subprocess.SubprocessError:
                pass
            code = self.wait_exit(timeout)
            if code is None:
                self.process.kill()
                self.process.wait(10)
        if self._log:
            self._log.close()
            self._log = None
        return code




class ViewerTestCase(unittest.TestCase):
    """Starts the site and a fresh viewer around every test; screenshots a failing test's screen."""

    def setUp(self):
        opts = options()
        self.name = self.id().split(".")[-1]
        self._problems_before = self._problems()
        self.site = Site(os.path.join(opts.work_dir, "site.log"), opts.site_port)
        self.addCleanup(self.site.stop)
        move_to(SCREEN[0] - 1, SCREEN[1] - 1, 0)  # keep the pointer off the window as it comes up
        self.viewer = Viewer(opts.viewer, opts.work_dir, self.name)
        self.addCleanup(self._stop_viewer)
        self.started_at = time.monotonic()
        self.viewer.start()
        self.win = self.viewer.win
        self.g0 = self.viewer.geometry()

    def _problems(self):
        result = getattr(getattr(self, "_outcome", None), "result", None)
        return len(result.failures) + len(result.errors) if result is not None else 0

    def _stop_viewer(self):
        if self._problems() > self._problems_before:
            path = os.path.join(options().work_dir, f"{self.name}.png")
            screenshot(path)
            print(f"screenshot of the failure: {path}", flush=True)
        self.viewer.stop()

    def at(self, x, y, g=None):
        """Screen point of a point in the skin's coordinates."""
        return self.viewer.client_to_screen(x, y, g)

    def live_geometry(self):
        return settled_geometry(self.win, timeout=1.5)

    def drag_window(self, start, points, nudges=((1, 0), (2, 0)), expect_change=True):
        """drag_through() reading the window's rectangle at each point. A drag expected to move or
        size the window whose loop never started (the window did not react at all) is tried once more:
        on a loaded machine the nudges can be merged with the first long step into one move."""
        before = geometry(self.win)
        seen = drag_through(start, points, self.live_geometry, nudges)
        if expect_change and all(g.rect() == before.rect() for g in seen):
            print(f"note: drag from {start} did not start a loop; trying once more", flush=True)
            time.sleep(0.3)
            seen = drag_through(start, points, self.live_geometry, nudges)
        return seen

    def assertRect(self, g, rect, msg=None):
        self.assertEqual(g.rect(), tuple(rect), msg)


def hold_display(timeout=90.0):
    """Waits (bounded) until no other e2e run drives this display (RUN_SERIAL only orders the tests of
    one ctest); returns the open lock file. Python does not pass the descriptor on to Wine."""
    path = os.path.join("/tmp", f"pelmor-e2e-display{os.environ['DISPLAY'].replace(':', '-')}.lock")
    lock = open(path, "w")
    end = time.monotonic() + timeout
    while True:
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
            return lock
        except BlockingIOError:
            if time.monotonic() >= end:
                raise SystemExit(f"another e2e run has held {path} for {timeout:.0f} s")
            time.sleep(0.5)


def main():
    parse_options()
    import __main__
    loader = unittest.TestLoader()
    if options().patterns:
        loader.testNamePatterns = [f"*{p}*" for p in options().patterns]
    suite = loader.loadTestsFromModule(__main__)
    started = time.monotonic()
    with hold_display():
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    # A failed sub-test is reported against its sub-test; count each test once.
    failed = len({getattr(t, "test_case", t).id() for t, _ in result.failures + result.errors})
    passed = max(0, result.testsRun - failed - len(result.skipped))
    print(f"{passed} passed, {failed} failed ({time.monotonic() - started:.1f} s)")
    raise SystemExit(0 if failed == 0 and not result.skipped else 1)
