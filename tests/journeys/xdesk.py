"""A private X desktop for driving a program from outside, as a user does.

Starts Xvfb (and, when asked, openbox) on a display of its own, sends real input through the
XTEST extension and reads the screen's pixels back. Only ctypes over libX11/libXtst: nothing
beyond Debian's python3 and the X libraries the program needs anyway.
"""

import ctypes
import ctypes.util
import os
import select
import signal
import subprocess
import time

import numpy as np

SCREEN_SIZE = (1280, 1024)


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage; the rest (function table) is never read here.
    _fields_ = [
        ("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
        ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
        ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
        ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
    ]


class _XWindowAttributes(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
        ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
        ("root", ctypes.c_ulong), ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
        ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
        ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
        ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
        ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
        ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p),
    ]


def _load_x():
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
    vp, ul, ui, i = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_uint, ctypes.c_int
    x11.XOpenDisplay.restype = vp
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [vp]
    x11.XDefaultRootWindow.restype = ul
    x11.XDefaultRootWindow.argtypes = [vp]
    x11.XFlush.argtypes = [vp]
    x11.XSync.argtypes = [vp, i]
    x11.XStringToKeysym.restype = ul
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [vp, ul]
    x11.XkbKeycodeToKeysym.restype = ul
    x11.XkbKeycodeToKeysym.argtypes = [vp, ctypes.c_ubyte, i, i]
    x11.XGetImage.restype = ctypes.POINTER(_XImage)
    x11.XGetImage.argtypes = [vp, ul, i, i, ui, ui, ul, i]
    x11.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
    x11.XInternAtom.restype = ul
    x11.XInternAtom.argtypes = [vp, ctypes.c_char_p, i]
    x11.XGetWindowProperty.argtypes = [vp, ul, ul, ctypes.c_long, ctypes.c_long, i, ul,
                                       ctypes.POINTER(ul), ctypes.POINTER(i), ctypes.POINTER(ul),
                                       ctypes.POINTER(ul), ctypes.POINTER(ctypes.c_void_p)]
    x11.XFree.argtypes = [vp]
    x11.XQueryTree.argtypes = [vp, ul, ctypes.POINTER(ul), ctypes.POINTER(ul),
                               ctypes.POINTER(ctypes.POINTER(ul)), ctypes.POINTER(ui)]
    x11.XGetInputFocus.argtypes = [vp, ctypes.POINTER(ul), ctypes.POINTER(i)]
    x11.XGetGeometry.argtypes = [vp, ul, ctypes.POINTER(ul), ctypes.POINTER(i), ctypes.POINTER(i),
                                 ctypes.POINTER(ui), ctypes.POINTER(ui), ctypes.POINTER(ui), ctypes.POINTER(ui)]
    x11.XGetWindowAttributes.argtypes = [vp, ul, ctypes.POINTER(_XWindowAttributes)]
    x11.XSetInputFocus.argtypes = [vp, ul, i, ul]
    x11.XMoveResizeWindow.argtypes = [vp, ul, i, i, ui, ui]
    xtst.XTestFakeMotionEvent.argtypes = [vp, i, i, i, ul]
    xtst.XTestFakeButtonEvent.argtypes = [vp, ui, i, ul]
    xtst.XTestFakeKeyEvent.argtypes = [vp, ui, i, ul]
    return x11, xtst


_X11, _XTST = _load_x()

# Windows come and go while they are looked at: an error about a window that has just gone is
# no reason to end the journey (Xlib's own handler would exit).
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda dpy, event: 0)
_X11.XSetErrorHandler.argtypes = [ctypes.c_void_p]
_X11.XSetErrorHandler(ctypes.cast(_ERROR_HANDLER, ctypes.c_void_p))

# Keysym names of the characters typed into entries that are not their own name.
_CHAR_KEYSYMS = {"/": "slash", ".": "period", "-": "minus", "_": "underscore", " ": "space",
                 ":": "colon", "~": "asciitilde", "+": "plus", "=": "equal", ",": "comma"}


class Desktop:
    """Xvfb at 1280 x 1024 x 24, with openbox when `wm` is "openbox"."""

    def __init__(self, wm=None):
        self.wm = wm
        self._procs = []
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % SCREEN_SIZE,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_fd], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        self._procs.append(xvfb)
        number = b""
        while select.select([read_fd], [], [], 20)[0]:
            c = os.read(read_fd, 1)
            if not c or c == b"\n":
                break
            number += c
        os.close(read_fd)
        if not number:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode()
        self._dpy = _X11.XOpenDisplay(self.display.encode())
        if not self._dpy:
            self.close()
            raise RuntimeError("cannot open " + self.display)
        self.root = _X11.XDefaultRootWindow(self._dpy)
        if wm:
            self._procs.append(subprocess.Popen([wm, "--sm-disable"], env=self.env(),
                                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            if not wait_for(lambda: self._window_property(self.root, "_NET_SUPPORTING_WM_CHECK"), 10):
                self.close()
                raise RuntimeError("the window manager %s did not start" % wm)

    def env(self, base=None):
        env = dict(os.environ if base is None else base)
        env.update(DISPLAY=self.display, GDK_BACKEND="x11", NO_AT_BRIDGE="1")
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def close(self):
        if getattr(self, "_dpy", None):
            _X11.XCloseDisplay(self._dpy)
            self._dpy = None
        for p in reversed(self._procs):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self._procs = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # ------------------------------------------------------------ input

    def move(self, x, y):
        _XTST.XTestFakeMotionEvent(self._dpy, -1, int(x), int(y), 0)
        _X11.XSync(self._dpy, 0)

    def button(self, number, press):
        _XTST.XTestFakeButtonEvent(self._dpy, number, 1 if press else 0, 0)
        _X11.XSync(self._dpy, 0)

    def click(self, x, y, number=1, count=1):
        self.move(x, y)
        time.sleep(0.05)
        for _ in range(count):
            self.button(number, True)
            time.sleep(0.03)
            self.button(number, False)
            time.sleep(0.06)

    def drag(self, start, end, number=1, steps=12, modifier=None):
        """Presses at `start`, moves in steps to `end` and releases there, optionally holding a key."""
        if modifier:
            self._key(self._keycode(modifier)[0], True)
        self.move(*start)
        time.sleep(0.05)
        self.button(number, True)
        for s in range(1, steps + 1):
            self.move(start[0] + (end[0] - start[0]) * s / steps, start[1] + (end[1] - start[1]) * s / steps)
            time.sleep(0.03)
        time.sleep(0.1)
        self.button(number, False)
        if modifier:
            self._key(self._keycode(modifier)[0], False)
        time.sleep(0.05)

    def _key(self, keycode, press):
        _XTST.XTestFakeKeyEvent(self._dpy, keycode, 1 if press else 0, 0)
        _X11.XSync(self._dpy, 0)

    def _keycode(self, name):
        """Keycode of a keysym name and whether it needs Shift."""
        keysym = _X11.XStringToKeysym(name.encode())
        if not keysym:
            raise ValueError("no keysym " + name)
        code = _X11.XKeysymToKeycode(self._dpy, keysym)
        if not code:
            raise ValueError("no key for " + name)
        return code, _X11.XkbKeycodeToKeysym(self._dpy, code, 0, 0) != keysym

    def key(self, combo):
        """Presses a key with its modifiers, e.g. "Return", "ctrl+o", "alt+F4"."""
        names = combo.split("+")
        mods = [{"ctrl": "Control_L", "alt": "Alt_L", "shift": "Shift_L"}[m.lower()] for m in names[:-1]]
        code, shift = self._keycode(names[-1])
        if shift and "Shift_L" not in mods:
            mods.append("Shift_L")
        for m in mods:
            self._key(self._keycode(m)[0], True)
        self._key(code, True)
        self._key(code, False)
        for m in reversed(mods):
            self._key(self._keycode(m)[0], False)
        time.sleep(0.02)

    def type(self, text):
        for ch in text:
            self.key(ch if ch.isalnum() else _CHAR_KEYSYMS[ch])

    # ------------------------------------------------------------ screen

    def grab(self, rect):
        """The screen's pixels in `rect` (x, y, w, h) as an h x w x 3 RGB array."""
        x, y, w, h = (int(v) for v in rect)
        img = _X11.XGetImage(self._dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not img:
            raise RuntimeError("XGetImage failed for %r" % (rect,))
        try:
            im = img.contents
            if im.bits_per_pixel != 32 or im.red_mask != 0xFF0000:
                raise RuntimeError("unexpected screen format")
            raw = ctypes.string_at(im.data, im.bytes_per_line * im.height)
            pixels = np.frombuffer(raw, np.uint8).reshape(im.height, im.bytes_per_line // 4, 4)
            return pixels[:, :w, 2::-1].copy()  # BGRX in memory
        finally:
            _X11.XDestroyImage(img)

    def screenshot(self, path):
        from PIL import Image
        Image.fromarray(self.grab((0, 0) + SCREEN_SIZE)).save(path)

    # ------------------------------------------------------------ windows

    def _window_property(self, window, name, kind=0):
        atom = _X11.XInternAtom(self._dpy, name.encode(), 1)
        if not atom:
            return None
        actual, fmt = ctypes.c_ulong(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        if _X11.XGetWindowProperty(self._dpy, window, atom, 0, 1024, 0, kind, ctypes.byref(actual),
                                   ctypes.byref(fmt), ctypes.byref(count), ctypes.byref(after),
                                   ctypes.byref(data)) != 0 or not data.value:
            return None
        try:
            if fmt.value == 8:
                return ctypes.string_at(data.value, count.value)
            if fmt.value == 32:
                return list((ctypes.c_ulong * count.value).from_address(data.value))
            return None
        finally:
            _X11.XFree(data)

    def children(self, window):
        """Children of an X window, bottom of the stack first."""
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        kids, n = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not _X11.XQueryTree(self._dpy, window, ctypes.byref(root), ctypes.byref(parent),
                               ctypes.byref(kids), ctypes.byref(n)):
            return []
        out = [kids[i] for i in range(n.value)]
        if kids:
            _X11.XFree(kids)
        return out

    def _name(self, window):
        name = self._window_property(window, "_NET_WM_NAME") or self._window_property(window, "WM_NAME")
        return name.decode("utf-8", "replace") if name else None

    def top_level(self, title):
        """The root's child (a window manager's frame, or the window itself) holding the client
        window titled `title`, and that client; (None, None) when there is none."""
        for top in self.children(self.root):
            stack = [top]
            while stack:
                w = stack.pop()
                if self._name(w) == title:
                    return top, w
                stack.extend(self.children(w))
        return None, None

    def stacking_order(self):
        """The root's children, bottom first."""
        return self.children(self.root)

    def keyboard_top_level(self):
        """The root's child that keys go to: the one with the focus, or with no window manager
        (the focus follows the pointer) the topmost mapped window a program placed itself."""
        focused = self.focused_top_level()
        if focused:
            return focused
        for w in reversed(self.children(self.root)):
            a = _XWindowAttributes()
            if _X11.XGetWindowAttributes(self._dpy, w, ctypes.byref(a)) and a.map_state == 2 and \
                    not a.override_redirect:
                return w
        return None

    def focused_top_level(self):
        """The root's child that holds the keyboard focus, or None."""
        focus, revert = ctypes.c_ulong(), ctypes.c_int()
        _X11.XGetInputFocus(self._dpy, ctypes.byref(focus), ctypes.byref(revert))
        for top in self.children(self.root):
            stack = [top]
            while stack:
                w = stack.pop()
                if w == focus.value:
                    return top
                stack.extend(self.children(w))
        return None

    def geometry(self, window):
        """(x, y, w, h) of a window relative to its parent (the screen for the root's children)."""
        root, x, y = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_int()
        w, h, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        _X11.XGetGeometry(self._dpy, window, ctypes.byref(root), ctypes.byref(x), ctypes.byref(y), ctypes.byref(w),
                          ctypes.byref(h), ctypes.byref(border), ctypes.byref(depth))
        return x.value, y.value, w.value, h.value

    def focus(self, window):
        """Gives `window` the keyboard focus, as a window manager does for the window it activates;
        used where there is none."""
        _X11.XSetInputFocus(self._dpy, window, 1, 0)  # RevertToPointerRoot, CurrentTime
        _X11.XSync(self._dpy, 0)

    def move_resize(self, window, rect):
        """What a window manager does on a user's resize; used where there is no window manager."""
        _X11.XMoveResizeWindow(self._dpy, window, *(int(v) for v in rect))
        _X11.XSync(self._dpy, 0)


def wait_for(predicate, timeout, interval=0.05):
    """The first true value of `predicate` within `timeout` seconds, else None."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            return None
        time.sleep(interval)
