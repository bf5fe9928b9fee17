"""The window a person gets: its title, that it covers the whole screen, Escape ends the
program with status 0, and without an X display the program says so and fails."""
import os
import shutil
import subprocess
import tempfile
import unittest

import harness


class WindowTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pagovia-mag-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        harness.make_magazine(self.dir)

    def test_full_screen_window_and_escape(self):
        for size in ("1280x960", "1280x1024"):
            with self.subTest(screen=size):
                x = harness.XServer(size)
                try:
                    v = harness.Viewer(x, self.dir, resolution="lo")
                    try:
                        _, _, w, h = x.geometry(v.window)
                        self.assertEqual("%dx%d" % (w, h), size)
                        v.key("Escape")
                        self.assertEqual(v.wait_exit(), 0)
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


if __name__ == "__main__":
    unittest.main()
