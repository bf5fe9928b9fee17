"""pagovia-proof run as a magazine maker runs it, in a magazine directory: the row and page
listings under the directory's prefs.txt, the diagnostics on standard error, the drawn page
against the viewer's own screenshot of it under Xvfb (both resolutions), the contact sheet's
size and one page at its place, and the one-line refusals with exit status 2 and no file."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import harness

PROOF = os.path.join(harness.BUILD, "pagovia-proof")
DEMO = os.path.join(harness.BUILD, "demo")

ARTICLE = b"[ni]aaa bbb ccc ddd eee fgh\nNext paragraph\n"


def read_png(path):
    return harness.parse_ppm(subprocess.run(["pngtopnm", path], check=True, capture_output=True).stdout)


def doubled(image):
    """The picture with every pixel repeated 2x2, as the viewer writes a 640x480 screenshot."""
    rows = []
    for y in range(image.height):
        row = image.data[y * image.width * 3:(y + 1) * image.width * 3]
        wide = b"".join(row[i:i + 3] * 2 for i in range(0, len(row), 3))
        rows += [wide, wide]
    return harness.Image(image.width * 2, image.height * 2, b"".join(rows))


def first_difference(a, b):
    for i in range(0, min(len(a.data), len(b.data)), 3):
        if a.data[i:i + 3] != b.data[i:i + 3]:
            return "first at (%d, %d): %s, not %s" % (i // 3 % a.width, i // 3 // a.width,
                                                      tuple(a.data[i:i + 3]), tuple(b.data[i:i + 3]))
    return "sizes %dx%d and %dx%d" % (a.width, a.height, b.width, b.height)


class Proof(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pagovia-proof-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.write("prefs.txt", b"ARTICLE_MAX_CHARACTERS_ROW: 20\nARTICLE_ROWS: 1\n")
        os.mkdir(os.path.join(self.dir, "Articles"))
        self.write("Articles/Intro", ARTICLE)

    def write(self, name, data):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def proof(self, *args, cwd=None):
        return subprocess.run([PROOF, *args], cwd=cwd or self.dir, capture_output=True, timeout=120)

    # --- listings ---
    def test_rows_follow_the_preferences(self):
        run = self.proof("--rows", "Articles/Intro")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.decode().splitlines(), [
            "1 1 4 19 23 p 1.2500 0",   # [ni] consumed; broken at the last blank and widened
            "1 2 24 4 28 p 1.0000 0",   # the blank is dropped; the line feed is a column
            "2 1 28 15 43 i 1.0000 0",  # a new paragraph is indented
            "2 2 43 0 43 i 1.0000 0",   # the empty row behind the last line feed
        ])
        self.assertEqual(run.stderr, b"")

    def test_pages_and_page_counts(self):
        self.write("Articles/Empty", b"")
        run = self.proof("--pages", "Articles/Intro")
        self.assertEqual(run.stdout.decode().splitlines(), ["1 0 1", "2 28 1"])
        run = self.proof("Articles/Intro", "Articles/Empty")
        self.assertEqual(run.stdout.decode().splitlines(), ["Articles/Intro 2", "Articles/Empty 1"])

    def test_markup_and_preference_diagnostics_go_to_standard_error(self):
        self.write("prefs.txt", b"ARTICLE_MAX_CHARACTERS_ROW: 2\n")
        self.write("Articles/Bad", b"[mi=Intro]no end tag\n")
        run = self.proof("--pages", "Articles/Bad")
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.stdout, b"1 0 1\n")
        err = run.stderr.decode()
        self.assertIn("ARTICLE_MAX_CHARACTERS_ROW: 2 refused", err)
        self.assertIn("Start menu item found, but no end tag '[/mi]'!\n", err)

    # --- refusals ---
    def test_refusals_take_one_line_exit_2_and_write_nothing(self):
        self.write("Other/Intro", ARTICLE)           # a namesake outside the magazine
        empty = tempfile.mkdtemp(prefix="pagovia-proof-empty-")
        self.addCleanup(shutil.rmtree, empty)
        out = os.path.join(self.dir, "out.png")
        cases = [  # (arguments, directory, a word of the message)
            (["--render", "Articles/Intro", "--page", "3", "-o", out], None, b"no page 3"),
            (["--render", "Intro", "--page", "0", "-o", out], None, b"--page"),
            (["--render", "Missing", "-o", out], None, b"'Missing' is not an article"),
            (["--render", "Other/Intro", "-o", out], None, b"'Other/Intro' is not an article"),
            (["--render", "Intro", "-o", out], empty, b"no articles"),
            (["--sheet", "-o", out], empty, b"no articles"),
            (["--sheet", "--scale", "2", "-o", out], None, b"--scale"),
            (["--sheet", "--page", "1", "-o", out], None, b"--page"),
            (["--render", "Intro"], None, b"-o OUT.png"),
            (["--render", "Intro", "-o", os.path.join(self.dir, "no", "such", "dir.png")], None, b"cannot write"),
            (["--colums", "Articles/Intro"], None, b"--colums"),
            (["--rows", "Articles/Missing"], None, b"Articles/Missing"),
            (["--pages", "Articles"], None, b"Articles"),
            (["--rows"], None, b"exactly one FILE"),
        ]
        for args, cwd, word in cases:
            with self.subTest(args=args):
                before = sorted(os.listdir(cwd or self.dir))
                run = self.proof(*args, cwd=cwd)
                self.assertEqual(run.returncode, 2, run.stderr)
                self.assertEqual(run.stderr.count(b"\n"), 1, run.stderr)
                self.assertIn(word, run.stderr)
                self.assertEqual(sorted(os.listdir(cwd or self.dir)), before, "a file was left behind")

    # --- the contact sheet ---
    @unittest.skipUnless(os.path.isdir(DEMO), "the demo magazine (its font) has not been built")
    def test_sheet_size_and_a_page_at_its_place(self):
        """Three pages in two columns at 1/4 of 640x480: cells of 160x120 with a 16-pixel label
        band, 8 pixels apart and from the edges. Each article has its own background, a fine noise
        for the page checked, so a page in the wrong cell or scaled wrongly shows."""
        shutil.copytree(os.path.join(DEMO, "Fonts"), os.path.join(self.dir, "Fonts"))
        harness.write_ppm(os.path.join(self.dir, "Images", "noise.ppm"), 256, 256,
                          lambda x, y: (x * 67 % 256, y * 29 % 256, (x ^ y) * 13 % 256))
        harness.write_ppm(os.path.join(self.dir, "Images", "blue.ppm"), 256, 256, (0, 0, 255))
        self.write("Articles/Intro", b"[bkg=noise.ppm]" + ARTICLE)
        self.write("Articles/Last", b"[bkg=blue.ppm]Last\n")
        sheet_png, page_png = os.path.join(self.dir, "sheet.png"), os.path.join(self.dir, "page.png")
        run = self.proof("--sheet", "--lo", "--columns", "2", "-o", sheet_png)
        self.assertEqual(run.returncode, 0, run.stderr)
        sheet = read_png(sheet_png)
        self.assertEqual((sheet.width, sheet.height), (8 + 2 * (160 + 8), 8 + 2 * (120 + 16 + 8)))

        # Intro's second page is the second cell: each pixel the mean of a 4x4 block.
        self.assertEqual(self.proof("--render", "Intro", "--page", "2", "--lo", "-o", page_png).returncode, 0)
        page = read_png(page_png)
        left, top = 8 + 168, 8
        for y in range(120):
            for x in range(160):
                block = [page.pixel(4 * x + i, 4 * y + j) for j in range(4) for i in range(4)]
                mean = tuple((sum(p[k] for p in block) + 8) // 16 for k in range(3))
                self.assertEqual(sheet.pixel(left + x, top + y), mean, (x, y))
        label = [sheet.pixel(left + x, top + 124 + y) for x in range(80) for y in range(8)]
        self.assertGreater(max(p[0] for p in label), 150, "the label is drawn under its page")


@unittest.skipUnless(os.path.isdir(DEMO), "the demo magazine has not been built")
class AgainstTheViewer(unittest.TestCase):
    """--render against the viewer's screenshot (key s) of the same page of the demo without its
    tickers. At 1280x960 the two must be equal byte for byte. At 640x480 (a 640x480 screen, so
    the picture fills it) the viewer writes its picture scaled to 1280x960 by repeating every
    pixel 2x2; the --lo proof repeated the same way must equal that byte for byte."""
    PAGES = [(("0",), "00_Welcome", 1), (("5", "Down"), "Articles/05_Story", 2),
             (("2", "Down"), "02_Markup", 2), (("6",), "06_Gallery", 1)]

    def magazine(self):
        root = tempfile.mkdtemp(prefix="pagovia-proof-demo-")
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        magazine = os.path.join(root, "demo")
        shutil.copytree(DEMO, magazine)
        with open(os.path.join(magazine, "prefs.txt")) as f:
            prefs = f.read()
        prefs = re.sub(r"(?m)^(SCROLLTEXTS|STARTUP_IMAGE): .*$", "", prefs)
        with open(os.path.join(magazine, "prefs.txt"), "w") as f:
            f.write(prefs)
        return magazine

    def test_render_equals_the_viewers_screenshot(self):
        for resolution, screen in (("hi", "1280x960"), ("lo", "640x480")):
            magazine = self.magazine()
            x = harness.XServer(screen)
            self.addCleanup(x.stop)
            v = harness.Viewer(x, magazine, resolution=resolution)
            self.addCleanup(v.stop)
            for keys, article, page in self.PAGES:
                with self.subTest(resolution=resolution, article=article, page=page):
                    v.key(*keys)
                    shot = v.screenshot()
                    out = os.path.join(magazine, "proof.png")
                    args = ["--render", article, "--page", str(page), "-o", out]
                    run = subprocess.run([PROOF, *args] + (["--lo"] if resolution == "lo" else []),
                                         cwd=magazine, capture_output=True, timeout=120)
                    self.assertEqual(run.returncode, 0, run.stderr)
                    proof = read_png(out)
                    if resolution == "lo":
                        self.assertEqual((proof.width, proof.height), (640, 480))
                        proof = doubled(proof)
                    self.assertTrue(proof.data == shot.data, first_difference(proof, shot))
            v.stop()
            x.stop()


if __name__ == "__main__":
    unittest.main()
