"""Drives the real programs as a person would: a private Xvfb server per test, the real
`pagovia` binary in a magazine directory made by the test, xdotool for keys and the mouse,
and pictures read back from the viewer's own screenshot or from the X server itself."""
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time

SOURCE = os.environ.get("PAGOVIA_SOURCE", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD = os.environ.get("PAGOVIA_BUILD", os.path.join(SOURCE, "build"))
VIEWER = os.path.join(BUILD, "pagovia")
TITLE = "Pagovia Engine v0.1"


def wait_for(predicate, timeout=30.0, interval=0.05, what="condition"):
    """Polls until predicate() is truthy; returns its value or raises after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError("timed out waiting for " + what)
        time.sleep(interval)


class Image:
    """An RGB picture with rows from the top; pixel(x, y) -> (r, g, b)."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])


def parse_ppm(raw):
    """Parses a binary PPM (P6, maxval 255) held in memory as an Image."""
    fields = []
    i = 0
    while len(fields) < 4:
        while raw[i:i + 1].isspace():
            i += 1
        if raw[i:i + 1] == b"#":
            while raw[i:i + 1] not in (b"\n", b""):
                i += 1
            continue
        j = i
        while j < len(raw) and not raw[j:j + 1].isspace():
            j += 1
        fields.append(raw[i:j])
        i = j
    i += 1
    assert fields[0] == b"P6", fields
    w, h = int(fields[1]), int(fields[2])
    return Image(w, h, raw[i:i + w * h * 3])


def read_ppm(path):
    """Reads a binary PPM file (P6, maxval 255) as an Image."""
    with open(path, "rb") as f:
        return parse_ppm(f.read())


def _die_with_parent():
    """Runs in a child before exec: the kernel ends it when the test process goes, so that no
    X server or viewer outlives a test that was killed (for instance by a CTest timeout)."""
    try:
        import ctypes
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


def write_ppm(path, width, height, color_at):
    """Writes a P6 file; color_at(x, y) -> (r, g, b). Use solid colours for speed."""
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    if callable(color_at):
        rows = bytearray()
        for y in range(height):
            for x in range(width):
                rows += bytes(color_at(x, y))
        data = bytes(rows)
    else:
        data = bytes(color_at) * (width * height)
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(data)


class XServer:
    """A private Xvfb; stop() ends it. Screen size as WxH; extra_args go to Xvfb (for
    instance ["-extension", "GLX"] for a server without OpenGL)."""

    def __init__(self, size="1280x960", extra_args=()):
        self.size = size
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            # -noreset: by default Xvfb resets whenever its last client leaves and refuses
            # connections meanwhile, so a probe by xdotool could turn the viewer away.
            ["Xvfb", "-displayfd", str(w), "-screen", "0", size + "x24", "-nolisten", "tcp", "-noreset"]
            + list(extra_args),
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display)

    def run(self, *args, check=True):
        return subprocess.run(list(args), env=self.env, check=check, capture_output=True, text=True).stdout

    def xdotool(self, *args):
        return self.run("xdotool", *[str(a) for a in args])

    def search(self, name):
        """Ids of the windows whose whole name is `name` (possibly none)."""
        return self.run("xdotool", "search", "--name", "^" + name + "$", check=False).split()

    def find_window(self, name, timeout=30.0):
        def search():
            out = self.search(name)
            return out[0] if out else None
        return wait_for(search, timeout, what="window " + name)

    def wait_gone(self, name, timeout=30.0):
        wait_for(lambda: not self.search(name), timeout, what="window %s to close" % name)

    def requested_size(self, window):
        """The size the program asked for when it made the window (WM_NORMAL_HINTS), which a
        window manager restores when the window leaves full screen: (width, height)."""
        out = self.run("xprop", "-id", str(window), "WM_NORMAL_HINTS")
        for line in out.splitlines():
            line = line.strip()
            if line.startswith("user specified size:") or line.startswith("program specified size:"):
                words = line.split(":")[1].split()
                return int(words[0]), int(words[2])
        return None

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        out = self.run("xwininfo", "-id", str(window))
        v = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    v[key] = int(line.split(":")[1])
        return v["Absolute upper-left X"], v["Absolute upper-left Y"], v["Width"], v["Height"]

    def capture(self):
        """The whole screen as an Image, read from the X server (xwd + netpbm)."""
        xwd = subprocess.run(["xwd", "-root", "-silent"], env=self.env, check=True, capture_output=True).stdout
        ppm = subprocess.run(["xwdtopnm"], input=xwd, check=True, capture_output=True).stdout
        return parse_ppm(ppm)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()


class Viewer:
    """The real pagovia binary running in `magazine` on `xserver`.

    resolution: "lo" or "hi" answers the resolution question through PAGOVIA_RESOLUTION;
    None leaves the requester to be answered by the test. command: another program line,
    started in `magazine` as its working directory (an installed viewer, with arguments)."""

    def __init__(self, xserver, magazine, resolution="hi", env=None, wait=True, command=None):
        self.x = xserver
        self.magazine = magazine
        self.runtime = tempfile.mkdtemp(prefix="pagovia-rt-")
        os.chmod(self.runtime, 0o700)
        e = dict(xserver.env, XDG_RUNTIME_DIR=self.runtime, SDL_AUDIODRIVER="dummy")
        e.pop("PAGOVIA_RESOLUTION", None)
        if resolution:
            e["PAGOVIA_RESOLUTION"] = resolution
        if env:
            e.update(env)
        self.stdout_path = os.path.join(self.runtime, "stdout.txt")
        self.stderr_path = os.path.join(self.runtime, "stderr.txt")
        # The child keeps its own descriptors; the parent's copies are closed at once.
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(command or [VIEWER], cwd=magazine, env=e, stdout=out, stderr=err,
                                         start_new_session=True, preexec_fn=_die_with_parent)
        self.window = None
        if wait:
            self.wait_window()

    def wait_window(self, timeout=30.0):
        try:
            self.window = self.x.find_window(TITLE, timeout)
        except TimeoutError as e:
            raise TimeoutError("%s; viewer status %s, stderr: %r" % (e, self.proc.poll(), self.stderr())) from None
        # Let the full-screen switch and the first two full frames happen.
        wait_for(lambda: self.x.geometry(self.window)[2] > 0, timeout, what="mapped window")
        time.sleep(0.3)
        return self.window

    # --- input, as a person gives it -------------------------------------------------
    def point_inside(self):
        """Keyboard focus follows the pointer without a window manager: keep it inside."""
        gx, gy, gw, gh = self.x.geometry(self.window)
        self.x.xdotool("mousemove", gx + gw // 2, gy + gh - 2)

    def key(self, *keys):
        self.point_inside()
        for k in keys:
            self.x.xdotool("key", k)
            time.sleep(0.05)

    def move(self, x, y):
        """Moves the pointer to screen position (x, y)."""
        self.x.xdotool("mousemove", x, y)
        time.sleep(0.1)

    def click(self, x, y, button=1):
        self.x.xdotool("mousemove", x, y)
        time.sleep(0.1)
        self.x.xdotool("click", button)
        time.sleep(0.1)

    def design_to_screen(self, dx, dy):
        """Screen position of a point of the 1280x960 design space, through the 4:3 picture
        area the viewer shows centred in its window."""
        gx, gy, gw, gh = self.x.geometry(self.window)
        if gw * 3 > gh * 4:
            vw, vh = gh * 4 // 3, gh
        else:
            vw, vh = gw, gw * 3 // 4
        vx, vy = gx + (gw - vw) // 2, gy + (gh - vh) // 2
        return int(vx + dx * vw / 1280.0), int(vy + dy * vh / 960.0)

    # --- what the person sees -------------------------------------------------------------
    def screenshot(self, keys=("s",), park=True, timeout=30.0):
        """Presses keys (ending in `s`) in one go and reads the file the viewer writes (1280x960,
        rows from the top). park=False presses them where the pointer is, so a hover stays."""
        path = os.path.join(self.runtime, "screenshot.ppm")
        before = os.stat(path).st_mtime_ns if os.path.exists(path) else None

        def written():
            if not os.path.exists(path):
                return False
            st = os.stat(path)
            return st.st_mtime_ns != before and st.st_size >= 1280 * 960 * 3
        if park:
            self.point_inside()
        self.x.xdotool("key", "--delay", "0", *keys)
        wait_for(written, timeout, what="screenshot file")
        time.sleep(0.1)
        return read_ppm(path)

    def stdout(self):
        with open(self.stdout_path, "rb") as f:
            return f.read().decode("latin-1")

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("latin-1")

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
    """A requester dialog on screen, found by its title. Its buttons are found the way a person
    finds them, in a picture of the screen: raised boxes in the button row, left to right."""

    FACE = (0xAA, 0xAA, 0xAA)
    LIGHT = (0xFF, 0xFF, 0xFF)
    SHADOW = (0x44, 0x44, 0x44)
    INK = (0, 0, 0)
    FOCUS = (0x77, 0x99, 0xCC)
    TITLE_BAR = (0x00, 0x55, 0xAA)

    def __init__(self, xserver, title, timeout=30.0):
        self.x = xserver
        self.title = title
        self.window = xserver.find_window(title, timeout)
        # Drawn means shown and holding the keyboard: only then do keys reach it.
        wait_for(lambda: self.buttons(), timeout, what="requester %s drawn" % title)

    def geometry(self):
        return self.x.geometry(self.window)

    def buttons(self, image=None):
        """[(x0, y0, x1, y1)] on the screen, exclusive ends; [] while nothing is drawn."""
        image = image or self.x.capture()
        gx, gy, gw, gh = self.geometry()
        for y in range(gy, gy + gh):
            runs = self._light_runs(image, y, gx, gx + gw)
            if runs:
                return [(x0, y, x1, self._bottom(image, x0 + 4, y, gy + gh)) for x0, x1 in runs]
        return []

    def _light_runs(self, image, y, x0, x1):
        runs, start = [], None
        for x in range(x0, x1 + 1):
            light = x < x1 and image.pixel(x, y) == self.LIGHT
            if light and start is None:
                start = x
            elif not light and start is not None:
                if x - start >= 30:  # a button's top edge, not a glyph of the title
                    runs.append((start, x))
                start = None
        return runs

    def _bottom(self, image, x, top, limit):
        for y in range(top + 1, limit):
            if image.pixel(x, y) == self.SHADOW:
                return y + 1
        return limit

    def count(self, image, box, colour):
        x0, y0, x1, y1 = box
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if image.pixel(x, y) == colour)

    def centre(self, i):
        x0, y0, x1, y1 = self.buttons()[i]
        return (x0 + x1) // 2, (y0 + y1) // 2

    def click(self, i):
        x, y = self.centre(i)
        self.x.xdotool("mousemove", x, y)
        self.x.xdotool("click", 1)

    def press(self, *keys):
        """Keys as a person types them; the requester holds the keyboard wherever the pointer is."""
        for k in keys:
            self.x.xdotool("key", k)

    def wait_gone(self, timeout=30.0):
        self.x.wait_gone(self.title, timeout)


def make_magazine(root, prefs="", articles=None, files=None):
    """Creates a magazine directory: prefs.txt, Articles/<name> texts, and any other files
    given as {relative path: bytes or str}. Returns root."""
    os.makedirs(os.path.join(root, "Articles"), exist_ok=True)
    with open(os.path.join(root, "prefs.txt"), "w") as f:
        f.write(prefs)
    for name, text in (articles or {}).items():
        with open(os.path.join(root, "Articles", name), "wb") as f:
            f.write(text.encode("latin-1") if isinstance(text, str) else text)
    for rel, content in (files or {}).items():
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content.encode("latin-1") if isinstance(content, str) else content)
    return root


def players_in(magazine):
    """{pid: tune argument} of the tunedeck processes running in the magazine directory."""
    found = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            cwd = os.readlink("/proc/%s/cwd" % pid)
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv = f.read().split(b"\0")[:-1]
        except OSError:
            continue
        if cwd == magazine and argv and argv[0].endswith(b"tunedeck"):
            found[int(pid)] = argv[1].decode("latin-1") if len(argv) > 1 else ""
    return found
