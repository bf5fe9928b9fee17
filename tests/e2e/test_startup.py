"""Start-up as a person meets it: the resolution requester with its title, text and two
buttons, answered by shortcut keys, Tab and Return, Escape and mouse clicks; the viewer window
that follows, made at the chosen size and then covering the screen; the PAGOVIA_RESOLUTION
preset; the fatal-error requester on a server without OpenGL; an unreachable display."""
import os
import shutil
import subprocess
import tempfile
import unittest

import harness

CHOOSE = "Choose resolution"
LO, HI = (640, 480), (1280, 960)


class StartupCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pagovia-mag-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        harness.make_magazine(self.dir)

    def start(self, extra_args=(), env=None, resolution=None):
        """A fresh X server and the viewer on it, not waiting for any window."""
        x = harness.XServer("1280x960", extra_args)
        self.addCleanup(x.stop)
        v = harness.Viewer(x, self.dir, resolution=resolution, env=env, wait=False)
        self.addCleanup(v.stop)
        return x, v

    def expect_viewer(self, x, v, size):
        """The viewer window was made at `size`, covers the screen, and Escape ends it with 0."""
        v.wait_window()
        self.assertEqual(x.requested_size(v.window), size)
        harness.wait_for(lambda: x.geometry(v.window) == (0, 0, 1280, 960), what="full-screen window")
        v.key("Escape")
        self.assertEqual(v.wait_exit(), 0)


class ResolutionRequesterLooks(StartupCase):
    def test_title_text_and_two_labelled_buttons_before_any_window(self):
        x, v = self.start()
        r = harness.Requester(x, CHOOSE)
        self.assertIn('"Choose resolution"', x.run("xprop", "-id", r.window, "_NET_WM_NAME"))
        self.assertEqual(x.search(harness.TITLE), [])  # the question comes first

        image = x.capture()
        gx, gy, gw, gh = r.geometry()
        buttons = r.buttons(image)
        self.assertEqual(len(buttons), 2)
        (lx0, ly0, lx1, ly1), (rx0, ry0, rx1, ry1) = buttons
        self.assertEqual(ly0, ry0)
        self.assertLess(lx1, rx0)
        self.assertLess(lx0 - gx, gw // 2)
        self.assertGreater(rx1 - gx, gw // 2)
        # Title strip with light lettering, the question in ink below it, a label on each
        # button; the left one starts with the keyboard focus.
        self.assertGreater(r.count(image, (gx, gy, gx + gw, gy + 6), r.TITLE_BAR), gw * 3)
        self.assertGreater(r.count(image, (gx, gy, gx + gw, gy + 18), r.LIGHT), 40)
        self.assertGreater(r.count(image, (gx, gy + 20, gx + gw, ly0), r.INK), 80)
        for box in buttons:
            inner = (box[0] + 2, box[1] + 2, box[2] - 2, box[3] - 2)
            self.assertGreater(r.count(image, inner, r.INK), 60, box)
        self.assertGreater(r.count(image, buttons[0], r.FOCUS), 500)
        self.assertEqual(r.count(image, buttons[1], r.FOCUS), 0)

        r.press("Escape")
        self.expect_viewer(x, v, HI)


class ResolutionAnswered(StartupCase):
    def answer(self, act, size):
        x, v = self.start()
        r = harness.Requester(x, CHOOSE)
        act(x, r)
        r.wait_gone()
        self.expect_viewer(x, v, size)

    def test_keys_answer_wherever_the_pointer_is(self):
        # Tab twice comes back to the left button; other keys leave the question open.
        cases = ((["l"], LO), (["shift+h"], HI), (["Return"], LO), (["Escape"], HI),
                 (["o", "x", "2", "Tab", "Tab", "space"], LO), (["Tab", "Return"], HI))
        for keys, size in cases:
            with self.subTest(keys=keys):
                self.answer(lambda x, r: (x.xdotool("mousemove", 5, 5), r.press(*keys)), size)

    def test_left_and_right_buttons(self):
        for i, size in ((0, LO), (1, HI)):
            with self.subTest(button=i):
                self.answer(lambda x, r: r.click(i), size)

    def test_press_on_one_button_release_on_another_answers_nothing(self):
        def act(x, r):
            (lx, ly), (rx, ry) = r.centre(0), r.centre(1)
            x.xdotool("mousemove", lx, ly)
            x.xdotool("mousedown", 1)
            x.xdotool("mousemove", rx, ry)
            x.xdotool("mouseup", 1)
            # Still asking: Tab, handled after the release, still moves the focus.
            r.press("Tab")
            harness.wait_for(lambda: r.count(x.capture(), r.buttons()[1], r.FOCUS) > 500, what="focus on Hi")
            self.assertTrue(x.search(CHOOSE))
            r.click(1)
        self.answer(act, HI)

    # Regression: a requester window destroyed by another client left start-up waiting forever.
    def test_window_destroyed_from_outside_counts_as_escape(self):
        self.answer(lambda x, r: x.xdotool("windowclose", r.window), HI)


class ResolutionPreset(StartupCase):
    def test_preset_answers_without_asking(self):
        for preset, size in (("lo", LO), ("hi", HI), ("HI", HI)):
            with self.subTest(preset=preset):
                x, v = self.start(resolution=preset)
                v.wait_window()
                self.assertEqual(x.search(CHOOSE), [])
                self.expect_viewer(x, v, size)

    def test_unknown_preset_is_reported_and_the_question_asked(self):
        x, v = self.start(resolution="medium")
        r = harness.Requester(x, CHOOSE)
        lines = v.stderr().splitlines()
        self.assertEqual(len(lines), 1)
        self.assertIn("PAGOVIA_RESOLUTION", lines[0])
        self.assertIn("medium", lines[0])
        r.press("h")
        v.wait_window()
        self.assertEqual(x.requested_size(v.window), HI)
        v.key("Escape")
        self.assertEqual(v.wait_exit(), 0)


class FatalError(StartupCase):
    # The requester's keys and clicks are those of the resolution question above.
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
        self.assertEqual(x.search(harness.TITLE), [])
        self.assertEqual(x.search("Fatal Error"), [])
        self.assertIn("GLX", v.stderr())


class NoDisplay(unittest.TestCase):
    def test_unreachable_display_is_named_in_one_line(self):
        d = tempfile.mkdtemp(prefix="pagovia-mag-")
        self.addCleanup(shutil.rmtree, d, True)
        env = dict(os.environ, DISPLAY=":7093.0", PAGOVIA_RESOLUTION="lo")
        r = subprocess.run([harness.VIEWER], cwd=d, env=env, capture_output=True, text=True, timeout=20)
        self.assertEqual(r.returncode, 1)
        lines = r.stderr.strip().splitlines()
        self.assertEqual(len(lines), 1)
        self.assertIn(":7093.0", lines[0])
        self.assertEqual(r.stdout, "")


if __name__ == "__main__":
    unittest.main()
