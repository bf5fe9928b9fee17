"""The window a person gets and every way it ends: its title, that it covers the whole screen,
without an X display a one-line failure, and the ways of ending (Escape, the window manager's
close, the window destroyed by another program, the X server gone, the connection killed,
quit signals, a hung player) each run the whole shutdown: the right status, no core, no
player left running and no port socket left behind, in bounded time."""
import ctypes
import os
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

import harness

DEMO = os.path.join(harness.BUILD, "demo")


class XClient:
    """A second X client, as a window manager or another program is: it closes or destroys
    the viewer's window through libX11 itself."""

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        pass

    Event._fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    def __init__(self, display):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        self.lib.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.d = self.lib.XOpenDisplay(display.encode())
        assert self.d, "cannot open " + display

    def close_window(self, window):
        """What a window manager sends when the user closes the window: WM_DELETE_WINDOW."""
        ev = self.Event()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = window
        ev.xclient.message_type = self.lib.XInternAtom(self.d, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = self.lib.XInternAtom(self.d, b"WM_DELETE_WINDOW", 0)
        self.lib.XSendEvent(self.d, window, 0, 0, ctypes.byref(ev))
        self.lib.XSync(self.d, 0)

    def destroy_window(self, window):
        self.lib.XDestroyWindow(self.d, window)
        self.lib.XSync(self.d, 0)

    def disconnect(self):
        self.lib.XCloseDisplay(self.d)


def sockets_under(root):
    return [os.path.join(d, n) for d, _, names in os.walk(root) for n in names
            if stat.S_ISSOCK(os.lstat(os.path.join(d, n)).st_mode)]


class WindowTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pagovia-mag-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        harness.make_magazine(self.dir)

    def test_full_screen_window(self):
        for size in ("1280x960", "1280x1024"):
            with self.subTest(screen=size):
                x = harness.XServer(size)
                try:
                    v = harness.Viewer(x, self.dir, resolution="lo")
                    try:
                        _, _, w, h = x.geometry(v.window)
                        self.assertEqual("%dx%d" % (w, h), size)
                    finally:
                        v.stop()
                finally:
                    x.stop()

    def test_no_display_fails_with_a_message(self):
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        r = subprocess.run([harness.VIEWER], cwd=self.dir, env=env, capture_output=True, text=True, timeout=20)
        self.assertEqual(r.returncode, 1)
        lines = r.stderr.strip().splitlines()
        self.assertEqual(len(lines), 1)
        self.assertIn("display", lines[0])


@unittest.skipUnless(os.path.isdir(DEMO), "the demo magazine has not been built")
class EndingTest(unittest.TestCase):
    """The demo magazine playing its first tune with the real player, then ended one way."""

    # Regressions: freeglut's exit on a close skipped the shutdown, and the still-joinable
    # music handler thread aborted the process (status -6); Xlib's own handlers did the same
    # for a destroyed window or a lost connection, or left the viewer hung in XPending.
    WAYS = [
        # way,             action,                                   status, stderr lines, hung player
        ("Escape",         lambda t: t.viewer.key("Escape"), 0, 0, False),
        ("WM close",       lambda t: t.client.close_window(int(t.viewer.window)), 0, 0, False),
        ("destroyed",      lambda t: t.client.destroy_window(int(t.viewer.window)), 0, 0, False),
        ("SIGTERM",        lambda t: os.kill(t.viewer.proc.pid, signal.SIGTERM), 128 + 15, 0, False),
        ("SIGINT",         lambda t: os.kill(t.viewer.proc.pid, signal.SIGINT), 128 + 2, 0, False),
        ("SIGHUP",         lambda t: os.kill(t.viewer.proc.pid, signal.SIGHUP), 128 + 1, 0, False),
        ("server killed",  lambda t: t.x.proc.kill(), 1, 1, False),
        ("client killed",  lambda t: t.x.xdotool("windowkill", t.viewer.window), 1, 1, False),
        ("hung, Escape",   lambda t: t.viewer.key("Escape"), 0, 0, True),
        ("hung, SIGTERM",  lambda t: os.kill(t.viewer.proc.pid, signal.SIGTERM), 128 + 15, 0, True),
    ]
    HEALTHY_LIMIT, HUNG_LIMIT = 1.0, 3.5  # seconds from the request to the process's end

    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="pagovia-end-")
        cls.magazine = os.path.join(cls.root, "demo")  # a private copy: its players are ours to find
        shutil.copytree(DEMO, cls.magazine)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def end_one_way(self, action, hung):
        self.x = harness.XServer()
        self.viewer = harness.Viewer(self.x, self.magazine, resolution="hi")
        self.client = None
        try:
            self.client = XClient(self.x.display)
            players = harness.wait_for(lambda: harness.players_in(self.magazine), 20, what="a player")
            # Both ports, the viewer's and the player's: the player has loaded and answers.
            harness.wait_for(lambda: len(sockets_under(self.viewer.runtime)) >= 2, 20, what="both ports")
            if hung:
                for pid in players:
                    os.kill(pid, signal.SIGSTOP)
            self.viewer.key("Right")  # the magazine view takes input
            before = len(self.viewer.stderr())
            start = time.monotonic()
            action(self)
            status = self.viewer.proc.wait(15)
            took = time.monotonic() - start
            left = harness.players_in(self.magazine)
            return status, took, left, sockets_under(self.viewer.runtime), self.viewer.stderr()[before:]
        finally:
            for pid in harness.players_in(self.magazine):
                os.kill(pid, signal.SIGKILL)
            if self.client and self.x.proc.poll() is None:  # a dead server's connection is left alone
                self.client.disconnect()
            self.viewer.stop()
            self.x.stop()

    def test_every_way_of_ending_runs_the_whole_shutdown(self):
        for name, action, expected, lines, hung in self.WAYS:
            with self.subTest(way=name):
                status, took, left, sockets, err = self.end_one_way(action, hung)
                print("%-14s status %4d in %.2f s" % (name, status, took))
                self.assertEqual(status, expected, err)
                self.assertNotIn("terminate called", err)
                self.assertEqual(len(err.strip().splitlines()), lines, err)
                self.assertEqual(left, {}, "players left running")
                self.assertEqual(sockets, [], "sockets left behind")
                self.assertLess(took, self.HUNG_LIMIT if hung else self.HEALTHY_LIMIT)


if __name__ == "__main__":
    unittest.main()
