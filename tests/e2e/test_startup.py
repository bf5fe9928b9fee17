"""Start-up as a person meets it: the resolution requester (title, question, two buttons, the
focus on the left one) answered by keys, clicks or a window closed from outside; the viewer
window that follows, made at the chosen size, then covering the screen; the PAGOVIA_RESOLUTION
preset; the fatal-error requester on a server without OpenGL; no display at all."""
import os
import pathlib
import re

import harness

CHOOSE = "Choose resolution"
LO, HI = (640, 480), (1280, 960)


def press_apart(x, r):
    """A press on one button and the release on the other answers nothing: Tab, handled after
    the release, still moves the focus, and the right button then answers."""
    (lx, ly), (rx, ry) = r.centre(0), r.centre(1)
    x.xdotool("mousemove", lx, ly, "mousedown", 1, "mousemove", rx, ry, "mouseup", 1)
    r.press("Tab")
    harness.wait_for(lambda: r.count(x.capture(), r.buttons()[1], r.FOCUS) > 500, what="focus on Hi")
    assert x.search(CHOOSE)
    r.click(1)


# (how the question is answered, the window size it gives). Keys answer wherever the pointer is.
ANSWERS = [
    ("l", lambda x, r: r.press("l"), LO), ("shift+h", lambda x, r: r.press("shift+h"), HI),
    ("other keys, Tab twice, space", lambda x, r: r.press("o", "x", "2", "Tab", "Tab", "space"), LO),
    ("Tab, Return", lambda x, r: r.press("Tab", "Return"), HI),
    ("left button", lambda x, r: r.click(0), LO), ("pressed apart", press_apart, HI),
    # Regression: a requester window destroyed by another client left start-up waiting forever.
    ("closed from outside", lambda x, r: x.xdotool("windowclose", r.window), HI),
]


class Startup(harness.Case):
    def start(self, extra_args=(), resolution=None):
        x = self.xserver("1280x960", extra_args)
        return x, self.viewer(x, self.tmp(), resolution=resolution, wait=False)

    def expect_viewer(self, x, v, size):
        v.wait_window()
        self.assertEqual(x.requested_size(v.window), size)
        harness.wait_for(lambda: x.geometry(v.window) == (0, 0, 1280, 960), what="full-screen window")
        v.key("Escape")
        self.assertEqual(v.wait_exit(), 0)

    def test_requester_looks(self):
        x, v = self.start()
        r = harness.Requester(x, CHOOSE)
        self.assertIn('"Choose resolution"', harness.run("xprop", "-id", r.window, "_NET_WM_NAME",
                                                         env=x.env, text=True).stdout)
        self.assertEqual(x.search(harness.TITLE), [])  # the question comes first
        image = x.capture()
        gx, gy, gw, gh = r.geometry()
        left, right = r.buttons(image)  # side by side, each labelled, the focus on the left one
        self.assertTrue(left[1] == right[1] and left[0] - gx < gw // 2 < right[2] - gx, (left, right))
        self.assertGreater(r.count(image, (gx, gy, gx + gw, gy + 6), r.TITLE_BAR), gw * 3)
        self.assertGreater(r.count(image, (gx, gy + 20, gx + gw, left[1]), r.INK), 80)  # the question
        self.assertEqual([r.count(image, b, r.INK) > 60 for b in (left, right)], [True, True])
        self.assertEqual([r.count(image, b, r.FOCUS) > 500 for b in (left, right)], [True, False])
        r.press("Escape")
        self.expect_viewer(x, v, HI)

    def test_answers(self):
        for name, act, size in ANSWERS:
            with self.subTest(name):
                x, v = self.start()
                r = harness.Requester(x, CHOOSE)
                x.xdotool("mousemove", 5, 5)
                act(x, r)
                x.wait_gone(CHOOSE)
                self.expect_viewer(x, v, size)

    def test_presets(self):
        x, v = self.start(resolution="HI")  # any case
        v.wait_window()
        self.assertEqual(x.search(CHOOSE), [])
        self.expect_viewer(x, v, HI)
        x, v = self.start(resolution="medium")  # reported, then asked
        harness.Requester(x, CHOOSE).press("l")
        self.assertOneLine(v.stderr(), "PAGOVIA_RESOLUTION", "medium")
        self.expect_viewer(x, v, LO)

    def test_no_opengl_shows_the_fatal_requester_and_fails(self):
        x, v = self.start(extra_args=["-extension", "GLX"], resolution="lo")
        r = harness.Requester(x, "Fatal Error")
        image = x.capture()
        buttons = r.buttons(image)
        self.assertEqual(len(buttons), 1)  # just "Ok"
        gx, gy, gw, gh = r.geometry()
        self.assertGreater(r.count(image, (gx, gy + 20, gx + gw, buttons[0][1]), r.INK), 150)
        self.assertIsNone(v.proc.poll())  # waits for the person
        r.click(0)
        self.assertEqual(v.wait_exit(), 1)
        self.assertEqual(x.search(harness.TITLE) + x.search("Fatal Error"), [])
        self.assertIn("GLX", v.stderr())

    def test_command_line_and_no_display(self):
        """Without an X display a viewer that went on to make a window ends with status 1."""
        version = re.search(r"CMAKE_PROJECT_VERSION:STATIC=(0\.\d+\.\d+)\n",
                            pathlib.Path(harness.BUILD, "CMakeCache.txt").read_text())[1]
        root = self.tmp()
        cases = [  # (arguments, DISPLAY, status, standard output, a word of the one line on stderr or None)
            ([], None, 1, "^$", "display"), ([], ":7093.0", 1, "^$", ":7093.0"),
            (["--help"], None, 0, r"usage: pagovia \[DIR\].*Escape.*PAGOVIA_RESOLUTION.*XDG_RUNTIME_DIR", None),
            (["--version"], None, 0, r"^pagovia %s\n$" % re.escape(version), None), (["--fullscreen"], None, 2, "^$", ""),
            ([os.path.join(root, "no-such-folder")], None, 2, "^$", ""), ([self.tmp()], None, 2, "^$", "")]
        for args, display, status, out, word in cases:
            with self.subTest(args=args, display=display):
                env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
                env.update(PAGOVIA_RESOLUTION="lo", **({"DISPLAY": display} if display else {}))
                r = harness.run(harness.VIEWER, *args, cwd=root, env=env, text=True)
                self.assertEqual(r.returncode, status, r.stderr)
                self.assertRegex(r.stdout, re.compile(out, re.S))
                if word is None:
                    self.assertEqual(r.stderr, "")
                else:
                    self.assertOneLine(r.stderr, word)
