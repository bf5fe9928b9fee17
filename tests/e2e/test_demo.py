"""The demo magazine that ships with Pagovia (its links and tunes: test_check finds it clean):
the generated font atlas, the generators' refusals, and a reader's journey through the real
viewer: title picture, welcome page, running tickers, tunes and menu buttons, _QUIT."""
import os
import re
import time

import harness

DEMO_SOURCE, DEMO = os.path.join(harness.SOURCE, "demo"), harness.DEMO


def read_text(*parts):
    with open(os.path.join(*parts), "rb") as f:
        return f.read().decode("latin-1")


def read_prefs():
    lines = [line for line in read_text(DEMO, "prefs.txt").split("\n") if not line.startswith("#")]
    return {k: v.strip() for k, _, v in (line.partition(": ") for line in lines)}


def numbers(value):
    return [int(v) for v in value.split(",")]


def articles():
    folder = os.path.join(DEMO_SOURCE, "Articles")
    return {name: read_text(folder, name) for name in sorted(os.listdir(folder))}


def background_of(text):
    m = re.match(r"\[bkg=([^\]]*)\]", text)
    return m and m.group(1)


class Layout:
    """Where the viewer puts things, from prefs.txt, in design units."""

    def __init__(self, prefs):
        self.text_x, self.text_y = numbers(prefs["ARTICLE_TEXT_START"])
        self.row_height = 16 + numbers(prefs["ARTICLE_ROW_OFFSET"])[-1]
        self.bar, self.dimmer = numbers(prefs["ARTICLE_BAR_COORDS"]), numbers(prefs["BKG_DIMMER_VALUE"])[-1] / 100.0
        c, lengths = numbers(prefs["SCROLL_COORDS"]), numbers(prefs["SCROLL_LENGTH"])
        self.tickers = [(c[2 * i], c[2 * i + 1], c[2 * i] + 16 * n, c[2 * i + 1] + 16) for i, n in enumerate(lengths)]
        c = numbers(prefs["MENU_COORDS"])
        self.buttons = dict(zip(prefs["MENU_LINKS"].split(","), [tuple(c[i:i + 4]) for i in range(0, len(c), 4)]))


def block_means(img, x0, y0, x1, y1, columns, rows, step=4):
    """Mean colour of each block of a grid over the box, sampled every `step` pixels."""
    means = []
    for r in range(rows):
        for c in range(columns):
            bx0, bx1 = x0 + (x1 - x0) * c // columns, x0 + (x1 - x0) * (c + 1) // columns
            by0, by1 = y0 + (y1 - y0) * r // rows, y0 + (y1 - y0) * (r + 1) // rows
            pixels = [img.pixel(x, y) for y in range(by0, by1, step) for x in range(bx0, bx1, step)]
            means.extend(sum(p[k] for p in pixels) / max(len(pixels), 1) for k in range(3))
    return means


def distance(a, b):
    return max(abs(x - y) for x, y in zip(a, b))


class GeneratedAssets(harness.Case):
    def setUp(self):
        if not os.path.isdir(DEMO):
            self.skipTest("the demo magazine has not been built")
        self.atlas = harness.read_ppm(os.path.join(DEMO, "Fonts", "font4.pbm"))

    def ink(self, code, high):
        """Brightness values of one atlas cell: 16x16 cells from the top, 8x8 from row 128."""
        k = code - 32
        x0, y0, size = ((k % 16) * 16, (k // 16) * 16, 16) if high else ((k % 32) * 8, 128 + (k // 32) * 8, 8)
        return [self.atlas.pixel(x, y)[0] for y in range(y0, y0 + size) for x in range(x0, x0 + size)]

    def test_font_atlas(self):
        self.assertEqual((self.atlas.width, self.atlas.height), (256, 256))
        for high in (True, False):
            self.assertEqual([c for c in range(33, 127) if max(self.ink(c, high)) <= 128], [], high)
            self.assertEqual(max(self.ink(32, high)), 0)
        self.assertEqual([c for c in range(128, 160) if max(self.ink(c, True))], [])  # Latin-1 controls
        self.assertEqual([c for c in (0xC9, 0xE9, 0xFC, 0xDF) if not max(self.ink(c, False))], [])
        self.assertTrue(any(0 < v < 200 for v in self.ink(ord("a"), True)), "no soft edge")
        self.assertTrue(all(p[0] == p[1] == p[2] for p in zip(*[iter(self.atlas.data)] * 3)), "not white")
        # Regression: a baseline placed too low cut the tails of g, j, p, q and y.
        def rows(char):
            lit = [i // 16 for i, v in enumerate(self.ink(ord(char), True)) if v > 40]
            return min(lit), max(lit)
        self.assertEqual([c for c in "gjpqy" if rows(c)[1] - rows("x")[1] < 2], [])
        self.assertEqual([c for c in "bdhkl" if rows("x")[0] - rows(c)[0] < 2], [])

    def test_generators_refuse_bad_use_in_one_line(self):
        font, images = os.path.join(harness.BUILD, "pagovia-gen-font"), os.path.join(harness.BUILD, "pagovia-gen-images")
        out = os.path.join(self.tmp(), "font.pbm")
        for args, status, named in [([font], 2, ""), ([images], 2, "usage"),
                                    ([font, "/nonexistent/dir/font4.pbm"], 1, "/nonexistent/dir/font4.pbm"),
                                    ([images, "/nonexistent/dir"], 1, ""),
                                    ([font, out, "/nonexistent/font.ttf"], 1, "/nonexistent/font.ttf")]:
            with self.subTest(args=args[1:]):
                r = harness.run(*args, text=True)
                self.assertEqual(r.returncode, status)
                self.assertOneLine(r.stderr, named)
        self.assertFalse(os.path.exists(out))


class Reader(harness.Case):
    """The real viewer full screen in a private copy of the demo, real input, pictures of the
    screen. The background shown is told from the margin left of the text (nothing else is
    drawn there), the page of how many from the bar's thumb."""
    MARGIN = (8, 160, 64, 840)

    def setUp(self):
        self.magazine = self.demo_copy()
        self.prefs, self.texts = read_prefs(), articles()
        self.names, self.layout = list(self.texts), Layout(self.prefs)
        self.songs = sorted(os.listdir(os.path.join(DEMO, "Songs")))
        self.margins = {name: [v * self.layout.dimmer for v in block_means(
            harness.read_ppm(os.path.join(DEMO, "Images", name)), *self.MARGIN, 1, 6)]
            for name in os.listdir(os.path.join(DEMO, "Images"))}
        self.x = self.xserver()
        self.viewer = self.viewer(self.x, self.magazine, resolution="hi")

    def shown(self, img):
        """(background, page from 0, pages) on screen; the thumb, white at a fifth over the
        half-black trough, is brighter than any trough pixel."""
        sig = block_means(img, *self.MARGIN, 1, 6)
        x0, y0, x1, y1 = self.layout.bar
        lit = [y for y in range(y0, y1) if min(img.pixel((x0 + x1) // 2, y)) >= 48]
        pages = lit and max(1, round((y1 - y0) / (lit[-1] + 1 - lit[0] + 4)))
        return (min(self.margins, key=lambda n: distance(sig, self.margins[n])),
                lit and round((lit[0] - 2 - y0) / ((y1 - y0) / pages)), pages)

    def expect(self, article, page=0):
        """Waits, as a reader looks, until the screen shows that page of the article."""
        want, last = background_of(self.texts[article]), [None]

        def showing():
            img = self.x.capture()
            last[0] = self.shown(img)
            return last[0][:2] == (want, page) and img
        return harness.wait_for(showing, 10, 0.2, what=lambda: "page %d of %s, not %s" % (page, article, last[0]))

    def click_button(self, link):
        x0, y0, x1, y1 = self.layout.buttons[link]
        self.viewer.click(*self.viewer.design_to_screen((x0 + x1) // 2, (y0 + y1) // 2))

    def wait_playing(self, song):
        harness.wait_for(lambda: list(harness.players_in(self.magazine).values()) == ["Songs/" + song], 8.0,
                         what="tunedeck playing " + song)
        time.sleep(0.5)  # a tune control is ignored until the player has reported that the tune plays

    def test_a_readers_journey(self):
        self.wait_playing(self.songs[0])  # from the start, under the title picture
        title = harness.read_ppm(os.path.join(DEMO, "Images", self.prefs["STARTUP_IMAGE"]))
        self.assertLess(distance(*[block_means(i, 0, 0, 1280, 960, 4, 3, step=8) for i in (title, self.x.capture())]), 12)
        self.viewer.key("space")
        img = self.expect("00_Welcome")
        self.assertEqual(self.shown(img)[2], 1)
        for n, box in enumerate(self.layout.tickers):  # light letters on black, running
            window = [img.pixel(x, y) for y in range(box[1], box[3]) for x in range(box[0] + 16, box[2] - 16, 2)]
            self.assertGreater(sum(max(p) < 20 for p in window), len(window) // 2, n)
            self.assertGreater(sum(min(p) > 150 for p in window), 40, n)
            first = block_means(img, *box, 8, 1, step=1)
            harness.wait_for(lambda: distance(first, block_means(self.x.capture(), *box, 8, 1, step=1)) > 3,
                             15, 0.1, what="ticker %d to move" % n)
        shot, screen = self.viewer.screenshot(), self.x.capture()  # the screenshot key keeps the picture
        self.assertLess(distance(block_means(screen, 0, 120, 1280, 840, 8, 6), block_means(shot, 0, 120, 1280, 840, 8, 6)), 3)
        self.assertIn("screenshot.ppm", self.viewer.stdout())
        # Tunes by the menu's controls (a tune item: test_music).
        for link, song in (("_NMUSIC", 1), ("_PMUSIC", 0)):
            self.click_button(link)
            self.wait_playing(self.songs[song])
        for link, article, page in [("_NEXT", "01_Reading", 0), ("_NPAGE", "01_Reading", 1), ("_PPAGE", "01_Reading", 0),
                                    ("_PREV", "00_Welcome", 0), ("_PREV", self.names[-1], 0)]:
            with self.subTest(button=link, expect=article):
                self.click_button(link)
                self.expect(article, page)
        self.click_button("_QUIT")
        self.assertEqual(self.viewer.wait_exit(), 0)
        harness.wait_for(lambda: not harness.players_in(self.magazine), 5.0, what="no tunedeck left")
