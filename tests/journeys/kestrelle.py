"""The built program as a user meets it: started as a process of its own on a private desktop,
its windows found through the window report it writes, its pixels compared with what the
command-line tool renders off screen."""

import json
import os
import re
import shutil
import subprocess
import tempfile
import time

import numpy as np
from PIL import Image

from xdesk import wait_for

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
MAIN_TITLE = "Kestrelle"
# Waits stretch by this factor where the program runs slower (the sanitizer build).
TIME_SCALE = float(os.environ.get("KESTRELLE_JOURNEY_TIME_SCALE", "1"))


def _read_ids():
    """Control and command ids by name, from the header the program is built with."""
    ids = {}
    with open(os.path.join(SOURCE, "app", "CommandIds.h"), encoding="utf-8") as f:
        for name, value in re.findall(r"constexpr int (k\w+) = (\d+);", f.read()):
            ids[name] = int(value)
    return ids


IDS = _read_ids()

# How a preview compares with the off-screen render of a frame at the preview's size. Both
# draw the same triangles with the same textures; where the preview's rectangle is the zoomed
# output size exactly (the bare 1016 x 760 window) they agree to 0.0 levels, where it is
# rounded to whole pixels (68 % of 480 x 600 maximised under openbox) to about 1.0 level (of
# 255), the picture being stretched by a fraction of a pixel. The neighbouring frames of
# boytobill (of 30) differ by 1.4 to 2.2 levels, frame 0 or N by 18, an empty preview by over
# 180. So the preview passes when it is within MEAN_LIMIT of the named frame and clearly
# nearer to it than to either neighbour: a preview one frame behind fails either way.
MEAN_LIMIT = 1.6
NEIGHBOUR_RATIO = 0.75
BAD_LEVEL = 40
# An image pane shows its picture with the key-point markers over it: 3 to 5 levels and 2.5 to
# 4 % of pixels off (the markers); the other pane's picture in its place gives 35 levels and
# 27 %, an empty pane more.
PANE_MEAN_LIMIT = 10
PANE_BAD_SHARE_LIMIT = 0.08


def difference(actual, expected):
    """Mean absolute difference (levels) and the share of pixels off by more than BAD_LEVEL in
    any channel, for two arrays of the same shape."""
    d = np.abs(actual.astype(np.int16) - expected.astype(np.int16))
    return float(d.mean()), float((d.max(axis=2) > BAD_LEVEL).mean())


def matches(actual, expected):
    return difference(actual, expected)[0] <= MEAN_LIMIT


def scaled(picture, size):
    """An RGB array of `picture` (a file or an array) scaled to `size` (w, h)."""
    img = Image.open(picture) if isinstance(picture, str) else Image.fromarray(picture)
    return np.asarray(img.convert("RGB").resize(size, Image.BILINEAR))


class Failure(AssertionError):
    pass


class Kestrelle:
    """One run of build/bin/kestrelle on `desktop`, from a private folder of its own."""

    def __init__(self, desktop, bin_dir, args=(), keep_samples=True):
        self.desktop = desktop
        self.bin_dir = os.path.abspath(bin_dir)
        self.cli = os.path.join(self.bin_dir, "kestrelle-cli")
        self.work = tempfile.mkdtemp(prefix="kestrelle-journey-")
        home = os.path.join(self.work, "home")
        runtime = os.path.join(self.work, "runtime")
        for d in (home, runtime):
            os.makedirs(d, mode=0o700)
        if keep_samples:
            shutil.copytree(os.path.join(self.bin_dir, "samples"), os.path.join(self.work, "samples"))
        self.report_path = os.path.join(self.work, "report.json")
        env = desktop.env()
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_RUNTIME_DIR=runtime,
                   LANGUAGE="", LC_ALL="C", KESTRELLE_WINDOW_REPORT=self.report_path)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.stderr_path = os.path.join(self.work, "stderr.txt")
        self._stderr = open(self.stderr_path, "wb")
        self._renders = {}
        self.started = time.monotonic()
        self.proc = subprocess.Popen([os.path.join(self.bin_dir, "kestrelle")] + list(args), cwd=self.work,
                                     env=env, stdout=subprocess.DEVNULL, stderr=self._stderr)

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    # ------------------------------------------------------------ the report

    def report(self):
        if self.proc.poll() is not None:
            raise Failure("the program ended (status %s):\n%s" % (self.proc.returncode, self.stderr()[-3000:]))
        try:
            with open(self.report_path, encoding="utf-8") as f:
                return json.load(f)["windows"]
        except (OSError, ValueError):
            return []

    def windows(self, title=None):
        return [w for w in self.report() if w["shown"] and (title is None or w["title"] == title)]

    def main(self):
        """The main window: the one with the frame read-out."""
        for w in self.report():
            if any(c["id"] == IDS["kCurFrameReadout"] for c in w["controls"]):
                return w
        return None

    def main_top_level(self):
        """The root's child holding the main window (its window manager frame, if any)."""
        return self.desktop.top_level(self.wait("the main window", self.main)["title"])[0]

    @staticmethod
    def control(window, cid=None, kind=None, text=None):
        for c in window["controls"]:
            if (cid is None or c["id"] == cid) and (kind is None or c["kind"] == kind) and \
                    (text is None or c["text"] == text) and c["shown"]:
                return c
        return None

    def main_control(self, cid=None, kind=None, text=None):
        w = self.main()
        return self.control(w, cid, kind, text) if w else None

    def wait(self, what, predicate, timeout=15):
        """The first true value of `predicate`; fails naming `what` after `timeout` seconds."""
        timeout *= TIME_SCALE
        value = wait_for(predicate, timeout)
        if not value:
            self.desktop.screenshot(self.path("failed.png"))
            raise Failure("waited %g s for %s; windows: %s; screen in %s"
                          % (timeout, what, self.describe(), self.path("failed.png")))
        return value

    def describe(self):
        try:
            return json.dumps([{k: w[k] for k in ("title", "kind", "rect", "active", "maximized")}
                               for w in self.report()], ensure_ascii=False)
        except Failure as e:
            return str(e)

    def stderr(self):
        self._stderr.flush()
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    # ------------------------------------------------------------ input on controls

    def click_control(self, c, number=1, count=1):
        x, y, w, h = c["rect"]
        self.desktop.click(x + w // 2, y + h // 2, number, count)

    def click_main(self, cid):
        c = self.wait("control %d" % cid, lambda: self.main_control(cid))
        self.click_control(c)

    def menu(self, title_index, item_index):
        """Opens the main menu bar's `title_index`-th menu by a click on its title and picks its
        `item_index`-th item with the keyboard, as a user of the keyboard does."""
        main = self.wait("the main window", self.main)
        # The bar (about 25 pixels high) sits right above the client area; its titles are two
        # Chinese characters wide, about 40 pixels each with their padding.
        x, y = main["client"][:2]
        self.desktop.click(x + 20 + 40 * title_index, y - 13)
        time.sleep(0.4)
        for _ in range(item_index + 1):
            self.desktop.key("Down")
            time.sleep(0.05)
        self.desktop.key("Return")

    def choose_file(self, path, timeout=15):
        """Types `path` into the file chooser that is open now and confirms it."""
        chooser = self.wait("a file chooser", lambda: self._chooser(), timeout)
        if not self.desktop.wm:
            # With no window manager nobody activates the chooser: its entry would complete names
            # as in a window in the background, and keys would follow the pointer.
            self.desktop.focus(chooser)
        time.sleep(0.5)  # the chooser takes its keyboard focus once it is mapped
        self.desktop.key("ctrl+l")  # the location entry
        time.sleep(0.2)
        self.desktop.key("ctrl+a")
        # The chooser completes a name inline once it has read the folder; a folder read that
        # ends while later letters are typed puts its completion between them. So each folder
        # is given time to load before its part of the path is typed.
        for i, part in enumerate(path.split("/")):
            if i:
                self.desktop.type("/")
                time.sleep(0.6 * TIME_SCALE)
            self.desktop.type(part)
        time.sleep(0.3)
        self.desktop.key("Return")
        self.wait("the file chooser to close", lambda: not self._chooser(), timeout)

    def _chooser(self):
        """The desktop's file chooser: a window with the keyboard focus that is none of the
        program's own (the toolkit shows the chooser as a native dialog the report cannot see)."""
        focused = self.desktop.keyboard_top_level()
        if not focused:
            return None
        own = {self.desktop.top_level(w["title"])[0] for w in self.windows()}
        return focused if focused not in own else None

    # ------------------------------------------------------------ what the window shows

    def readout(self):
        """Frame K, last frame N and output size (w, h) as the window's read-outs name them."""
        main = self.main()
        if not main:
            return None
        texts = {}
        for name in ("kCurFrameReadout", "kFrameCountReadout", "kOutputSizeButton"):
            c = self.control(main, IDS[name])
            if not c or not c["text"].strip():
                return None
            texts[name] = c["text"]
        size = re.fullmatch(r"(\d+)x(\d+)", texts["kOutputSizeButton"])
        if not size:
            return None
        return int(texts["kCurFrameReadout"]), int(texts["kFrameCountReadout"]), (int(size[1]), int(size[2]))

    def preview_rect(self):
        c = self.main_control(kind="gl")
        return c["rect"] if c and c["rect"][2] > 1 and c["rect"][3] > 1 else None

    def render(self, project, frame, frames, size, name="reference.png"):
        """The off-screen render of one frame at `size` (w, h), as an RGB array."""
        out = self.path(name)
        subprocess.run([self.cli, "render", project, "-o", out, "--frame", str(frame), "--frames", str(frames),
                        "--size", "%dx%d" % size], check=True, capture_output=True, timeout=120 * TIME_SCALE)
        return np.asarray(Image.open(out).convert("RGB"))

    def rendered_frame(self, project, frame, frames, size):
        """Frame `frame` of the project as it is saved now, from one off-screen render of every
        frame at `size` (kept while the file is unchanged)."""
        key = (project, os.stat(project).st_mtime_ns, frames, tuple(size))
        folder = self._renders.get(key)
        if not folder:
            folder = self.path("render%d" % len(self._renders))
            os.makedirs(folder)
            subprocess.run([self.cli, "render", project, "-o", os.path.join(folder, "f.png"), "--frames", str(frames),
                            "--size", "%dx%d" % tuple(size), "--format", "sequence"],
                           check=True, capture_output=True, timeout=120 * TIME_SCALE)
            self._renders[key] = folder
        return np.asarray(Image.open(os.path.join(folder, "f%d.png" % frame)).convert("RGB"))

    def preview_check(self, project):
        """(frame, mean difference to that frame, smallest mean difference to a neighbour) of the
        preview against the render of the frame its read-out names, or None when the window
        shows no preview and read-out yet."""
        read, rect = self.readout(), self.preview_rect()
        if not read or not rect:
            return None
        frame, frames, _ = read
        actual = self.desktop.grab(rect)
        if self.readout() != read or self.preview_rect() != rect:
            return None  # it changed while we looked
        means = {f: difference(actual, self.rendered_frame(project, f, frames, rect[2:]))[0]
                 for f in (frame - 1, frame, frame + 1) if 0 <= f <= frames}
        own = means.pop(frame)
        return frame, own, min(means.values()) if means else float("inf")

    def wait_preview_correct(self, project, timeout=15):
        """Waits until the preview shows the frame its read-out names; returns that frame."""
        last = [None]

        def correct():
            last[0] = self.preview_check(project)
            return last[0] and last[0][1] <= MEAN_LIMIT and last[0][1] < NEIGHBOUR_RATIO * last[0][2]

        if not wait_for(correct, timeout * TIME_SCALE, 0.2):
            self.desktop.screenshot(self.path("failed.png"))
            raise Failure("the preview never matched the frame its read-out names (frame, mean, nearest "
                          "neighbour's mean: %s); screen in %s" % (last[0], self.path("failed.png")))
        return last[0][0]

    def pane_check(self, pane):
        """(mean, bad share) of an image pane's visible picture against its picture file scaled
        the same way; None while the pane shows no picture."""
        main = self.main()
        canvas = next((c for c in main["controls"] if "areas" in c), None) if main else None
        rect = canvas and canvas["areas"].get("picture%d" % pane)
        path_c = main and self.control(main, IDS["kPathReadout%d" % pane])
        if not rect or not path_c or not path_c["text"].strip():
            return None
        picture = path_c["text"] if os.path.isabs(path_c["text"]) else self.path(path_c["text"])
        bars = [c for c in main["controls"] if c["kind"] == "scrollbar" and c["shown"] and
                _overlaps(c["rect"], rect)]
        if bars:
            return None  # a scrolled pane shows a part that the file alone does not tell
        return difference(self.desktop.grab(rect), scaled(picture, tuple(rect[2:])))

    def wait_panes_correct(self, timeout=15):
        last = {}

        def correct():
            for pane in (1, 2):
                last[pane] = self.pane_check(pane)
                if not last[pane] or last[pane][0] > PANE_MEAN_LIMIT or last[pane][1] > PANE_BAD_SHARE_LIMIT:
                    return False
            return True

        if not wait_for(correct, timeout * TIME_SCALE, 0.2):
            self.desktop.screenshot(self.path("failed.png"))
            raise Failure("the panes do not show their pictures (mean, bad share: %s); screen in %s"
                          % (last, self.path("failed.png")))

    # ------------------------------------------------------------ the end

    def quit(self, timeout=60):
        """Ends the program with Esc on the main window; its exit status (0 expected)."""
        if self.proc.poll() is None:
            main = self.main()
            if main:
                if not self.desktop.wm:
                    self.desktop.focus(self.main_top_level())  # nobody else gives it the keys
                self.desktop.key("Escape")
            try:
                self.proc.wait(timeout * TIME_SCALE)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
                raise Failure("the program did not end on Esc")
        return self.proc.returncode

    def close(self, keep=False):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self._stderr.close()
        if not keep:
            shutil.rmtree(self.work, ignore_errors=True)


def _overlaps(a, b):
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]
