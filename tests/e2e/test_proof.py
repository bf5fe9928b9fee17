"""pagovia-proof run as a magazine maker runs it: the row and page listings under the directory's
prefs.txt, the one-line refusals (status 2, no file left), the contact sheet, and the drawn page
equal byte for byte to the viewer's own screenshot of it (both resolutions)."""
import os
import re
import shutil
import subprocess

import harness

PROOF = os.path.join(harness.BUILD, "pagovia-proof")
ARTICLE = b"[ni]aaa bbb ccc ddd eee fgh\nNext paragraph\n"


def read_png(path):
    return harness.parse_ppm(subprocess.run(["pngtopnm", path], check=True, capture_output=True).stdout)


class Proof(harness.Case):
    def setUp(self):
        self.dir = harness.make_magazine(self.tmp("pagovia-proof-"), "ARTICLE_MAX_CHARACTERS_ROW: 20\nARTICLE_ROWS: 1\n",
                                         {"Intro": ARTICLE, "Empty": b""}, {"Other/Intro": ARTICLE})

    def proof(self, *args, cwd=None):
        return harness.run(PROOF, *args, cwd=cwd or self.dir)

    def test_listings(self):
        cases = [  # (arguments, standard output lines)
            (["--rows", "Articles/Intro"], ["1 1 4 19 23 p 1.2500 0",    # [ni] consumed; widened at the last blank
                                            "1 2 24 4 28 p 1.0000 0",    # the blank dropped; the line feed a column
                                            "2 1 28 15 43 i 1.0000 0",   # a new paragraph is indented
                                            "2 2 43 0 43 i 1.0000 0"]),  # the empty row behind the last line feed
            (["--pages", "Articles/Intro"], ["1 0 1", "2 28 1"]),
            (["Articles/Intro", "Articles/Empty"], ["Articles/Intro 2", "Articles/Empty 1"]),
        ]
        for args, lines in cases:
            with self.subTest(args=args):
                r = self.proof(*args)
                self.assertEqual((r.returncode, r.stdout.decode().splitlines(), r.stderr), (0, lines, b""))

    def test_refusals_take_one_line_exit_2_and_write_nothing(self):
        empty, out = self.tmp(), os.path.join(self.dir, "out.png")
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
                r = self.proof(*args, cwd=cwd)
                self.assertEqual((r.returncode, r.stderr.count(b"\n")), (2, 1), r.stderr)
                self.assertIn(word, r.stderr)
                self.assertEqual(sorted(os.listdir(cwd or self.dir)), before, "a file was left behind")

    def test_sheet_size_and_a_page_at_its_place(self):
        """Three pages in two columns at 1/4 of 640x480: cells of 160x120 with a 16-pixel label
        band, 8 pixels apart and from the edges. A fine noise behind the page checked shows a
        page in the wrong cell or scaled wrongly."""
        if not os.path.isdir(harness.DEMO):
            self.skipTest("the demo magazine (its font) has not been built")
        shutil.copytree(os.path.join(harness.DEMO, "Fonts"), os.path.join(self.dir, "Fonts"))
        harness.write_ppm(os.path.join(self.dir, "Images", "noise.ppm"), 256, 256,
                          lambda x, y: (x * 67 % 256, y * 29 % 256, (x ^ y) * 13 % 256))
        harness.write_ppm(os.path.join(self.dir, "Images", "blue.ppm"), 256, 256, (0, 0, 255))
        os.remove(os.path.join(self.dir, "Articles", "Empty"))
        harness.make_magazine(self.dir, "ARTICLE_MAX_CHARACTERS_ROW: 20\nARTICLE_ROWS: 1\n",
                              {"Intro": b"[bkg=noise.ppm]" + ARTICLE, "Last": b"[bkg=blue.ppm]Last\n"})
        sheet_png, page_png = os.path.join(self.dir, "sheet.png"), os.path.join(self.dir, "page.png")
        self.assertEqual(self.proof("--sheet", "--lo", "--columns", "2", "-o", sheet_png).returncode, 0)
        self.assertEqual(self.proof("--render", "Intro", "--page", "2", "--lo", "-o", page_png).returncode, 0)
        sheet, page = read_png(sheet_png), read_png(page_png)
        self.assertEqual((sheet.width, sheet.height), (8 + 2 * (160 + 8), 8 + 2 * (120 + 16 + 8)))
        left, top = 8 + 168, 8  # Intro's second page is the second cell: each pixel a 4x4 block's mean
        for y in range(120):
            for x in range(160):
                block = [page.pixel(4 * x + i, 4 * y + j) for j in range(4) for i in range(4)]
                mean = tuple((sum(p[k] for p in block) + 8) // 16 for k in range(3))
                self.assertEqual(sheet.pixel(left + x, top + y), mean, (x, y))
        label = [sheet.pixel(left + x, top + 124 + y)[0] for x in range(80) for y in range(8)]
        self.assertGreater(max(label), 150, "the label is drawn under its page")

    def test_render_equals_the_viewers_screenshot(self):
        """The demo without its tickers and startup picture. At 640x480 (a 640x480 screen) the
        viewer writes its picture with every pixel repeated 2x2, and so is the --lo proof here."""
        magazine = self.demo_copy()
        with open(os.path.join(magazine, "prefs.txt"), "r+") as f:
            prefs = re.sub(r"(?m)^(SCROLLTEXTS|STARTUP_IMAGE): .*$", "", f.read())
            f.seek(0), f.truncate(), f.write(prefs)
        for resolution, screen in (("hi", "1280x960"), ("lo", "640x480")):
            x = self.xserver(screen)
            v = self.viewer(x, magazine, resolution=resolution)
            for keys, article, page in [(("0",), "00_Welcome", 1), (("5", "Down"), "Articles/05_Story", 2),
                                        (("2", "Down"), "02_Markup", 2), (("6",), "06_Gallery", 1)]:
                with self.subTest(resolution=resolution, article=article, page=page):
                    shot = v.screenshot(keys)
                    out = os.path.join(self.dir, "proof.png")
                    r = harness.run(PROOF, "--render", article, "--page", page, "-o", out,
                                    *(["--lo"] if resolution == "lo" else []), cwd=magazine)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    proof = read_png(out)
                    if resolution == "lo":
                        rows = [proof.data[y * 1920:(y + 1) * 1920] for y in range(480)]
                        rows = [b"".join(row[i:i + 3] * 2 for i in range(0, 1920, 3)) for row in rows]
                        proof = harness.Image(1280, 960, b"".join(row + row for row in rows))
                    self.assertTrue(proof.data == shot.data, "the proof differs from the screenshot")
            v.stop()
            x.stop()
