"""The mouse pointer a person sees over the real viewer: with a pointer sheet in the magazine
the window shows shape 0 (32x32, hot spot top-left, colour 0 transparent) from start-up on,
read back from the X server through XFixes, and Escape still ends the program with status 0."""
import ctypes
import os
import shutil
import subprocess
import tempfile
import unittest

import harness

COLOURS = [(17, 101, 200), (70, 198, 231), (123, 39, 6), (176, 136, 37)]  # colour number order


def colour_number(x, y):
    cell = x // 32 + 20 * (y // 32)
    return ((x * 7 + y * 3) ^ (cell * 5)) % len(COLOURS)


def expected_shape(n):
    """The premultiplied ARGB pixels shape n should show, row by row."""
    left, top = 32 * (n % 20), 32 * (n // 20)
    pixels = []
    for y in range(32):
        for x in range(32):
            c = colour_number(left + x, top + y)
            r, g, b = COLOURS[c]
            pixels.append(0 if c == 0 else 0xFF000000 | r << 16 | g << 8 | b)
    return pixels


def write_sheet(magazine):
    """Pointers/pointers.iff made by netpbm's ppmtoilbm: colour number i is map entry i."""
    work = os.path.join(magazine, "sheet-work")
    harness.write_ppm(os.path.join(work, "map.ppm"), len(COLOURS), 1, lambda x, y: COLOURS[x])
    harness.write_ppm(os.path.join(work, "sheet.ppm"), 640, 128, lambda x, y: COLOURS[colour_number(x, y)])
    os.makedirs(os.path.join(magazine, "Pointers"), exist_ok=True)
    with open(os.path.join(magazine, "Pointers", "pointers.iff"), "wb") as out:
        subprocess.run(["ppmtoilbm", "-map", os.path.join(work, "map.ppm"), os.path.join(work, "sheet.ppm")],
                       stdout=out, stderr=subprocess.DEVNULL, check=True)
    shutil.rmtree(work)


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


class CursorReader:
    """A second X client that reads the pointer image the server shows now."""

    def __init__(self, display):
        self.xlib = ctypes.CDLL("libX11.so.6")
        self.xfixes = ctypes.CDLL("libXfixes.so.3")
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xlib.XFree.argtypes = [ctypes.c_void_p]
        self.xfixes.XFixesQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                                     ctypes.POINTER(ctypes.c_int)]
        self.xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
        self.xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        self.display = self.xlib.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError("cannot open " + display)
        event, error = ctypes.c_int(), ctypes.c_int()
        if not self.xfixes.XFixesQueryExtension(self.display, ctypes.byref(event), ctypes.byref(error)):
            raise RuntimeError("no XFixes on " + display)

    def read(self):
        """(width, height, xhot, yhot, [ARGB pixels])."""
        image = self.xfixes.XFixesGetCursorImage(self.display)
        if not image:
            return None
        c = image.contents
        pixels = [c.pixels[i] & 0xFFFFFFFF for i in range(c.width * c.height)]
        result = (c.width, c.height, c.xhot, c.yhot, pixels)
        self.xlib.XFree(image)
        return result

    def close(self):
        self.xlib.XCloseDisplay(self.display)


class PointerTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pagovia-mag-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        harness.make_magazine(self.dir)
        self.x = harness.XServer()
        self.addCleanup(self.x.stop)
        self.reader = CursorReader(self.x.display)
        self.addCleanup(self.reader.close)

    def start(self):
        v = harness.Viewer(self.x, self.dir, resolution="lo")
        self.addCleanup(v.stop)
        v.point_inside()
        return v

    def test_sheet_gives_shape_0_from_the_start(self):
        write_sheet(self.dir)
        v = self.start()
        want = (32, 32, 0, 0, expected_shape(0))
        harness.wait_for(lambda: self.reader.read() == want, 10, what="shape 0 as the window's pointer")
        v.key("Escape")
        self.assertEqual(v.wait_exit(), 0)
        self.assertNotIn("pointer", v.stderr().lower())


if __name__ == "__main__":
    unittest.main()
