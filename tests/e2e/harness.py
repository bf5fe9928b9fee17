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


def wait_for(predicate, timeout=10.0, interval=0.05, what="condition"):
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

    def region_mean(self, x0, y0, x1, y1):
        total = [0, 0, 0]
        n = 0
        for y in range(y0, y1):
            for x in range(x0, x1):
                p = self.pixel(x, y)
                for k in range(3):
                    total[k] += p[k]
                n += 1
        return tuple(t / max(n, 1) for t in total)


def read_ppm(path):
    """Reads a binary PPM (P6, maxval 255) as an Image."""
    with open(path, "rb") as f:
        raw = f.read()
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
        while not raw[j:j + 1].isspace():
            j += 1
        fields.append(raw[i:j])
        i = j
    i += 1
    assert fields[0] == b"P6", fields
    w, h = int(fields[1]), int(fields[2])
    return Image(w, h, raw[i:i + w * h * 3])


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
    """A private Xvfb; stop() ends it. Screen size as WxH."""

    def __init__(self, size="1280x960"):
        self.size = size
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", size + "x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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

    def find_window(self, name, timeout=10.0):
        def search():
            out = self.run("xdotool", "search", "--name", "^" + name + "$", check=False).split()
            return out[0] if out else None
        return wait_for(search, timeout, what="window " + name)

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
        path = tempfile.mktemp(suffix=".ppm")
        with open(path, "wb") as f:
            f.write(ppm)
        try:
            return read_ppm(path)
        finally:
            os.unlink(path)

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
    None leaves the requester to be answered by the test."""

    def __init__(self, xserver, magazine, resolution="hi", env=None, wait=True):
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
        self.proc = subprocess.Popen([VIEWER], cwd=magazine, env=e,
                                     stdout=open(self.stdout_path, "wb"), stderr=open(self.stderr_path, "wb"),
                                     start_new_session=True)
        self.window = None
        if wait:
            self.wait_window()

    def wait_window(self, timeout=15.0):
        self.window = self.x.find_window(TITLE, timeout)
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
    def screenshot(self, timeout=10.0):
        """Presses `s` and reads the file the viewer writes (1280x960, rows from the top)."""
        path = os.path.join(self.runtime, "screenshot.ppm")
        before = os.stat(path).st_mtime_ns if os.path.exists(path) else None

        def written():
            if not os.path.exists(path):
                return False
            st = os.stat(path)
            return st.st_mtime_ns != before and st.st_size >= 1280 * 960 * 3
        self.key("s")
        wait_for(written, timeout, what="screenshot file")
        time.sleep(0.1)
        return read_ppm(path)

    def stdout(self):
        with open(self.stdout_path, "rb") as f:
            return f.read().decode("latin-1")

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("latin-1")

    def wait_exit(self, timeout=10.0):
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
