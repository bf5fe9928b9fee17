"""Drives the real programs as a person would: a private Xvfb per test, the real binaries in
magazines the tests make, xdotool for keys and the mouse, a second X client (libX11 by ctypes)
for what a window manager does, pictures from the viewer's screenshot or the X server."""
import ctypes
import os
import pathlib
import re
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

SOURCE = os.environ.get("PAGOVIA_SOURCE", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD = os.environ.get("PAGOVIA_BUILD", os.path.join(SOURCE, "build"))
VIEWER = os.path.join(BUILD, "pagovia")
DEMO = os.path.join(BUILD, "demo")
TITLE = "Pagovia Engine v0.1"


def wait_for(predicate, timeout=30.0, interval=0.05, what="condition"):
    """The one polling loop: predicate()'s first truthy value, or TimeoutError after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError("timed out waiting for " + (what() if callable(what) else what))
        time.sleep(interval)


def run(*args, **kw):
    return subprocess.run([str(a) for a in args], capture_output=True, timeout=300, **kw)


class Image:
    """An RGB picture with rows from the top; pixel(x, y) -> (r, g, b)."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])


def parse_ppm(raw):
    """A binary PPM (P6, maxval 255) held in memory, as an Image."""
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", raw)
    w, h = int(m[1]), int(m[2])
    return Image(w, h, raw[m.end():m.end() + w * h * 3])


def read_ppm(path):
    return parse_ppm(pathlib.Path(path).read_bytes())


def write_ppm(path, width, height, colour):
    """A P6 file of one colour, or colour(x, y) -> (r, g, b) for each pixel."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = (b"".join(bytes(colour(x, y)) for y in range(height) for x in range(width)) if callable(colour)
            else bytes(colour) * (width * height))
    pathlib.Path(path).write_bytes(b"P6\n%d %d\n255\n" % (width, height) + data)


def make_magazine(root, prefs="", articles=None, files=None):
    """A magazine directory: prefs.txt, Articles/<name>, and {relative path: bytes or str}."""
    files = dict(files or {}, **{"Articles/" + n: t for n, t in (articles or {}).items()})
    os.makedirs(os.path.join(root, "Articles"), exist_ok=True)
    for rel, content in dict(files, **{"prefs.txt": prefs}).items():
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        pathlib.Path(path).write_bytes(content.encode("latin-1") if isinstance(content, str) else content)
    return root


def players_in(magazine):
    """{pid: tune argument} of the tunedeck processes running in the magazine directory."""
    found = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            cwd = os.readlink("/proc/%s/cwd" % pid)
            argv = pathlib.Path("/proc/%s/cmdline" % pid).read_bytes().split(b"\0")[:-1]
        except OSError:
            continue
        if cwd == magazine and argv and argv[0].endswith(b"tunedeck"):
            found[int(pid)] = argv[1].decode("latin-1") if len(argv) > 1 else ""
    return found


def sockets_under(root):
    return [os.path.join(d, n) for d, _, names in os.walk(root) for n in names
            if stat.S_ISSOCK(os.lstat(os.path.join(d, n)).st_mode)]


def _die_with_parent():
    """In a child before exec: the kernel ends it when the test process goes (a CTest timeout)."""
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class XServer:
    """A private Xvfb of WxH; extra_args go to Xvfb (["-extension", "GLX"]: no OpenGL)."""

    def __init__(self, size="1280x960", extra_args=()):
        r, w = os.pipe()
        # -noreset: Xvfb would otherwise reset, refusing connections, whenever its last client left.
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", size + "x24", "-nolisten",
                                      "tcp", "-noreset", *extra_args], pass_fds=(w,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        os.close(w)
        with os.fdopen(r) as f:
            self.display = ":" + f.readline().strip()
        assert self.display != ":", "Xvfb did not start"
        self.env = dict(os.environ, DISPLAY=self.display)

    def xdotool(self, *args, check=True):
        return run("xdotool", *args, env=self.env, check=check, text=True).stdout

    def search(self, name):
        """Ids of the windows whose whole name is `name`."""
        return self.xdotool("search", "--name", "^" + name + "$", check=False).split()

    def find_window(self, name, timeout=30.0):
        return wait_for(lambda: self.search(name), timeout, what="window " + name)[0]

    def wait_gone(self, name, timeout=30.0):
        wait_for(lambda: not self.search(name), timeout, what="window %s to close" % name)

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        out = run("xwininfo", "-id", window, env=self.env, check=True, text=True).stdout
        v = dict(line.strip().split(":", 1) for line in out.splitlines() if ":" in line)
        return tuple(int(v[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def requested_size(self, window):
        """The size the program asked for when it made the window (WM_NORMAL_HINTS)."""
        out = run("xprop", "-id", window, "WM_NORMAL_HINTS", env=self.env, text=True).stdout
        m = re.search(r"(?:user|program) specified size: (\d+) by (\d+)", out)
        return m and (int(m[1]), int(m[2]))

    def capture(self):
        """The whole screen as an Image, read from the X server (xwd + netpbm)."""
        xwd = run("xwd", "-root", "-silent", env=self.env, check=True).stdout
        return parse_ppm(subprocess.run(["xwdtopnm"], input=xwd, check=True, capture_output=True).stdout)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Viewer:
    """The real viewer (or `command`) in `magazine` on `xserver`; resolution "lo"/"hi" answers the
    question through PAGOVIA_RESOLUTION, None leaves the requester to the test."""

    def __init__(self, xserver, magazine, resolution="hi", env=None, wait=True, command=None):
        self.x = xserver
        self.runtime = tempfile.mkdtemp(prefix="pagovia-rt-")
        os.chmod(self.runtime, 0o700)
        e = dict(xserver.env, XDG_RUNTIME_DIR=self.runtime, SDL_AUDIODRIVER="dummy")
        e.pop("PAGOVIA_RESOLUTION", None)
        e.update({"PAGOVIA_RESOLUTION": resolution} if resolution else {}, **(env or {}))
        self.out, self.err = os.path.join(self.runtime, "stdout"), os.path.join(self.runtime, "stderr")
        with open(self.out, "wb") as out, open(self.err, "wb") as err:
            self.proc = subprocess.Popen(command or [VIEWER], cwd=magazine, env=e, stdout=out, stderr=err,
                                         start_new_session=True, preexec_fn=_die_with_parent)
        self.window = self.wait_window() if wait else None

    def wait_window(self, timeout=30.0):
        self.window = self.x.find_window(TITLE, timeout)
        wait_for(lambda: self.x.geometry(self.window)[2] > 0, timeout, what="mapped window")
        time.sleep(0.3)  # the full-screen switch and the first two full frames
        return self.window

    def point_inside(self):
        """Keyboard focus follows the pointer without a window manager: park it inside."""
        gx, gy, gw, gh = self.x.geometry(self.window)
        self.x.xdotool("mousemove", gx + gw // 2, gy + gh - 2)

    def key(self, *keys):
        self.point_inside()
        for k in keys:
            self.x.xdotool("key", k)
            time.sleep(0.05)

    def move(self, x, y):
        self.x.xdotool("mousemove", x, y)
        time.sleep(0.1)

    def click(self, x, y, button=1):
        self.move(x, y)
        self.x.xdotool("click", button)
        time.sleep(0.1)

    def design_to_screen(self, dx, dy):
        """Screen position of a point of the 1280x960 design space, through the 4:3 picture
        area the viewer shows centred in its window."""
        gx, gy, gw, gh = self.x.geometry(self.window)
        vw, vh = (gh * 4 // 3, gh) if gw * 3 > gh * 4 else (gw, gw * 3 // 4)
        return int(gx + (gw - vw) // 2 + dx * vw / 1280.0), int(gy + (gh - vh) // 2 + dy * vh / 960.0)

    def screenshot(self, keys=(), park=True, timeout=30.0):
        """Presses keys and `s` in one go, reads the file written; park=False keeps a hover."""
        path = os.path.join(self.runtime, "screenshot.ppm")
        if os.path.exists(path):
            os.unlink(path)
        if park:
            self.point_inside()
        self.x.xdotool("key", "--delay", "0", *keys, "s")
        wait_for(lambda: os.path.exists(path) and os.path.getsize(path) >= 1280 * 960 * 3, timeout,
                 what="screenshot file")
        time.sleep(0.1)
        return read_ppm(path)

    def stdout(self):
        return pathlib.Path(self.out).read_bytes().decode("latin-1")

    def stderr(self):
        return pathlib.Path(self.err).read_bytes().decode("latin-1")

    def wait_exit(self, timeout=30.0):
        return self.proc.wait(timeout)

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()
        shutil.rmtree(self.runtime, ignore_errors=True)


class Requester:
    """A requester on screen, found by its title; its buttons found as a person finds them:
    raised boxes (a white top edge 30 pixels or more) in the first row that has any."""
    LIGHT, SHADOW, INK = (0xFF, 0xFF, 0xFF), (0x44, 0x44, 0x44), (0, 0, 0)
    FOCUS, TITLE_BAR = (0x77, 0x99, 0xCC), (0x00, 0x55, 0xAA)

    def __init__(self, xserver, title, timeout=30.0):
        self.x, self.title = xserver, title
        self.window = xserver.find_window(title, timeout)
        # Drawn means shown and holding the keyboard: only then do keys reach it.
        wait_for(self.buttons, timeout, what="requester %s drawn" % title)

    def geometry(self):
        return self.x.geometry(self.window)

    def buttons(self, image=None):
        """[(x0, y0, x1, y1)] on the screen, exclusive ends; [] while nothing is drawn."""
        image = image or self.x.capture()
        gx, gy, gw, gh = self.geometry()
        for y in range(gy, gy + gh):
            row = "".join("L" if image.pixel(x, y) == self.LIGHT else "." for x in range(gx, gx + gw))
            runs = [(gx + m.start(), gx + m.end()) for m in re.finditer("L{30,}", row)]  # no glyph of the title
            if runs:
                bottom = next((b + 1 for b in range(y + 1, gy + gh) if image.pixel(runs[0][0] + 4, b) == self.SHADOW),
                              gy + gh)
                return [(x0, y, x1, bottom) for x0, x1 in runs]
        return []

    def count(self, image, box, colour):
        x0, y0, x1, y1 = box
        return sum(image.pixel(x, y) == colour for y in range(y0, y1) for x in range(x0, x1))

    def centre(self, i):
        x0, y0, x1, y1 = self.buttons()[i]
        return (x0 + x1) // 2, (y0 + y1) // 2

    def click(self, i):
        self.x.xdotool("mousemove", *self.centre(i), "click", 1)

    def press(self, *keys):
        """Keys as typed: the requester holds the keyboard wherever the pointer is."""
        for k in keys:
            self.x.xdotool("key", k)


class XClient:
    """A second X client, as a window manager or another program is: closes a
    window (xdotool's windowclose destroys one), and reads the pointer image shown (XFixes)."""

    class Cursor(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                    ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                    ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]

    def __init__(self, display):
        self.x, self.xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
        p, ul = ctypes.c_void_p, ctypes.c_ulong
        for lib, name, args, res in [(self.x, "XOpenDisplay", [ctypes.c_char_p], p),
                                     (self.x, "XInternAtom", [p, ctypes.c_char_p, ctypes.c_int], ul),
                                     (self.x, "XSendEvent", [p, ul, ctypes.c_int, ctypes.c_long, p], None),
                                     (self.x, "XSync", [p, ctypes.c_int], None),
                                     (self.x, "XCloseDisplay", [p], None), (self.x, "XFree", [p], None),
                                     (self.x, "XDefaultRootWindow", [p], ul), (self.x, "XPending", [p], ctypes.c_int),
                                     (self.x, "XNextEvent", [p, p], None),
                                     (self.xfixes, "XFixesSelectCursorInput", [p, ul, ul], None),
                                     (self.xfixes, "XFixesGetCursorImage", [p], ctypes.POINTER(self.Cursor))]:
            getattr(lib, name).argtypes, getattr(lib, name).restype = args, res
        self.d = self.x.XOpenDisplay(display.encode())
        assert self.d, "cannot open " + display

    def close_window(self, window):
        """What a window manager sends when the user closes a window: WM_DELETE_WINDOW."""
        event = (ctypes.c_long * 24)()
        event[0], event[4] = 33, window  # ClientMessage, window
        event[5] = self.x.XInternAtom(self.d, b"WM_PROTOCOLS", 0)
        event[6], event[7] = 32, self.x.XInternAtom(self.d, b"WM_DELETE_WINDOW", 0)
        self.x.XSendEvent(self.d, window, 0, 0, event)
        self.x.XSync(self.d, 0)

    def cursor(self):
        """(width, height, xhot, yhot, [ARGB pixels]) of the pointer shown now."""
        c = self.xfixes.XFixesGetCursorImage(self.d).contents
        shown = (c.width, c.height, c.xhot, c.yhot, [c.pixels[i] & 0xFFFFFFFF for i in range(c.width * c.height)])
        self.x.XFree(ctypes.addressof(c))
        return shown

    def watch_cursor(self):
        """From now on the server tells this client each time the pointer shown changes."""
        self.xfixes.XFixesSelectCursorInput(self.d, self.x.XDefaultRootWindow(self.d), 1)
        self.x.XSync(self.d, 0)

    def cursor_changes(self):
        """How many changes were told since watch_cursor (or the last call)."""
        self.x.XSync(self.d, 0)
        event, n = (ctypes.c_long * 24)(), 0
        while self.x.XPending(self.d):
            self.x.XNextEvent(self.d, event)
            n += 1
        return n

    def disconnect(self):
        self.x.XCloseDisplay(self.d)


class Case(unittest.TestCase):
    """Scratch folders, X servers, viewers and X clients, each gone when the test ends."""

    def tmp(self, prefix="pagovia-"):
        d = os.path.realpath(tempfile.mkdtemp(prefix=prefix))
        self.addCleanup(shutil.rmtree, d, True)
        return d

    def xserver(self, size="1280x960", extra_args=()):
        x = XServer(size, extra_args)
        self.addCleanup(x.stop)
        return x

    def viewer(self, x, magazine, **kw):
        v = Viewer(x, magazine, **kw)
        self.addCleanup(v.stop)
        return v

    def xclient(self, x):
        c = XClient(x.display)
        self.addCleanup(lambda: x.proc.poll() is None and c.disconnect())  # a dead server's is gone
        return c

    def demo_copy(self):
        """A private copy of the built demo: the players started in it are ours to find."""
        if not os.path.isdir(DEMO):
            self.skipTest("the demo magazine has not been built")
        magazine = os.path.join(self.tmp("pagovia-demo-"), "demo")
        shutil.copytree(DEMO, magazine)
        self.addCleanup(lambda: [os.kill(pid, signal.SIGKILL) for pid in players_in(magazine)])
        return magazine

    def assertOneLine(self, text, *words):
        lines = text.strip().splitlines()
        self.assertEqual(len(lines), 1, text)
        for w in words:
            self.assertIn(w, lines[0])
