"""The demo magazine that ships with Pagovia, as a magazine maker and a new reader meet it.

Sources: every link, tune item, background and shortcut names something that exists;
prefs.txt uses every key; the layout values keep the text, bar, tickers and menus apart;
articles stay within what the large font can show.
Generated assets: the font atlas layout of both grids, the pictures' size and header, the
menus' see-through key and a labelled button under every selection; the generators refuse
bad use.
The real viewer in the assembled magazine under Xvfb: the startup picture, the welcome page
with its menus, bar and tickers, every menu button, every article link, the slideshow and
the tunes."""
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import harness

DEMO_SOURCE = os.path.join(harness.SOURCE, "demo")
DEMO = os.path.join(harness.BUILD, "demo")
GEN_IMAGES = os.path.join(harness.BUILD, "pagovia-gen-images")
GEN_FONT = os.path.join(harness.BUILD, "pagovia-gen-font")
PROOF = os.path.join(harness.BUILD, "pagovia-proof")
LINK_WORDS = ("_QUIT", "_NEXT", "_PREV", "_NMUSIC", "_PMUSIC", "_NPAGE", "_PPAGE")
VIEWER_KEYS = "aipqs"  # keys with a built-in action, which a shortcut would hide

# The preference keys in the order the reader searches them.
PREF_KEYS = ("MENUS", "MENU_COORDS", "MENU_LINKS", "STARTUP_IMAGE", "SCROLLTEXTS", "SCROLL_COORDS",
             "SCROLL_LENGTH", "SCROLL_FILES", "ARTICLE_MAX_CHARACTERS_ROW", "ARTICLE_ROWS",
             "ARTICLE_TEXT_START", "ARTICLE_BAR_COORDS", "SLIDESHOW_CHANGE_TIME", "ARTICLE_ROW_OFFSET",
             "BKG_DIMMER_VALUE", "ARTICLE_SHOW_TITLE", "ARTICLE_TITLE_COLOR", "KEY_SHORTCUTS",
             "KEY_SPECIAL_SHORTCUTS")


def setUpModule():
    if not os.path.isdir(DEMO):
        raise unittest.SkipTest("the demo magazine has not been built")


# --- reading the sources as the viewer does ------------------------------------------------------

def read_prefs(text):
    """{key: value text} for each line, the first key contained anywhere deciding, as the viewer
    reads prefs.txt (comment lines start with #)."""
    found = {}
    for line in text.split("\n"):
        if line.startswith("#"):
            continue
        for key in PREF_KEYS:
            i = line.find(key + ": ")
            if i >= 0:
                found[key] = line[i + len(key) + 2:]
                break
    return found


def read_text(*parts):
    with open(os.path.join(*parts), "rb") as f:
        return f.read().decode("latin-1")


def numbers(value):
    return [int(v) for v in value.split(",")]


def articles():
    """{file name: text} of the committed articles."""
    folder = os.path.join(DEMO_SOURCE, "Articles")
    return {name: read_text(folder, name) for name in sorted(os.listdir(folder))}


def tag_at(text, i):
    """Length of the inline tag that the viewer recognises at text[i], or 0 (items need their
    closing tag later in the text; every opening tag needs its ']')."""
    for opening, closing in (("[mi=", "[/mi]"), ("[music=", "[/music]"), ("[col=", ""), ("[bkg=", "")):
        if text.startswith(opening, i):
            end = text.find("]", i + len(opening))
            if end < 0 or (closing and text.find(closing, end) < 0):
                return 0
            return end - i + 1
    for closing in ("[/mi]", "[/music]", "[/col]"):
        if text.startswith(closing, i):
            return len(closing)
    return 0


def items(text, opening):
    """(offset, value) of every recognised tag of one kind."""
    found = []
    i = text.find(opening)
    while i >= 0:
        length = tag_at(text, i)
        if length:
            found.append((i, text[i + len(opening):i + length - 1]))
        i = text.find(opening, i + 1)
    return found


def background_of(text):
    m = re.match(r"\[bkg=([^\]]*)\]", text)
    return m.group(1) if m else None


def proof_rows(magazine, article):
    """The rows pagovia-proof lays out for one article: dicts of page, row, start, length, next,
    kind, factor."""
    out = subprocess.run([PROOF, "--rows", os.path.join("Articles", article)], cwd=magazine,
                         capture_output=True, text=True, check=True).stdout
    keys = ("page", "row", "start", "length", "next")
    return [dict(zip(keys, map(int, f[:5])), kind=f[5], factor=float(f[6]))
            for f in (line.split() for line in out.splitlines())]


class Layout:
    """Where the viewer puts things, from prefs.txt, in design units."""

    def __init__(self, prefs):
        self.columns = numbers(prefs["ARTICLE_MAX_CHARACTERS_ROW"])[-1]
        self.rows = numbers(prefs["ARTICLE_ROWS"])[-1] + 1
        self.text_x, self.text_y = numbers(prefs["ARTICLE_TEXT_START"])
        self.row_height = 16 + numbers(prefs["ARTICLE_ROW_OFFSET"])[-1]
        self.bar = numbers(prefs["ARTICLE_BAR_COORDS"])
        self.dimmer = numbers(prefs["BKG_DIMMER_VALUE"])[-1] / 100.0
        self.slideshow = numbers(prefs["SLIDESHOW_CHANGE_TIME"])[-1]
        coords, lengths = numbers(prefs["SCROLL_COORDS"]), numbers(prefs["SCROLL_LENGTH"])
        self.tickers = [(coords[2 * i], coords[2 * i + 1], coords[2 * i] + 16 * n, coords[2 * i + 1] + 16)
                        for i, n in enumerate(lengths)]
        c = numbers(prefs["MENU_COORDS"])
        self.buttons = dict(zip(prefs["MENU_LINKS"].split(","), [tuple(c[i:i + 4]) for i in range(0, len(c), 4)]))


def menu_images():
    """(top in design units, Image) of the two menu images, top one first."""
    found = []
    for placement, name in enumerate(sorted(os.listdir(os.path.join(DEMO, "Menus")))):
        img = harness.read_ppm(os.path.join(DEMO, "Menus", name))
        found.append((0 if placement == 0 else 960 - img.height * 1280 // img.width, img))
    return found


def ppm_header(path):
    with open(path, "rb") as f:
        return f.read(32)


def link_spot(text, rows, offset, layout):
    """(page from 0, x, y): a point on the second letter of the item whose tag is at offset."""
    row = next(r for r in rows if r["start"] <= offset < r["next"])
    scale = 2 if row["kind"] == "h" else 1
    x = layout.text_x + (16 if row["kind"] == "i" else 0)
    i = row["start"]
    while i < offset:
        length = tag_at(text, i)
        if length:
            i += length
            continue
        x += (16 * row["factor"] if text[i] == " " else 16) * scale
        i += 1
    y = layout.text_y + (row["row"] - 1) * layout.row_height + 8
    return row["page"] - 1, int(x + 24 * scale), y


# --- the sources ----------------------------------------------------------------------------------

class DemoSourcesTest(unittest.TestCase):
    """The committed magazine agrees with itself and with what the build assembles."""

    @classmethod
    def setUpClass(cls):
        cls.articles = articles()
        cls.prefs = read_prefs(read_text(DEMO_SOURCE, "prefs.txt"))
        cls.images = set(os.listdir(os.path.join(DEMO, "Images")))

    # articles
    def test_articles_are_in_reading_order_with_built_backgrounds_and_printable_text(self):
        names = list(self.articles)
        self.assertTrue(8 <= len(names) <= 12, names)
        for n, (name, text) in enumerate(self.articles.items()):
            with self.subTest(article=name):
                self.assertRegex(name, r"^%02d_[A-Za-z]+$" % n)
                self.assertIn(background_of(text), self.images)
                # The high-resolution grid holds codes 32 to 159 only; CR and tab have no cell.
                self.assertEqual([c for c in text if not (c == "\n" or " " <= c <= "~")], [])
                headings = re.findall(r"^(?:\[bkg=[^\]]*\])?\[h1\](.*)$", text, re.M)
                self.assertLessEqual(max(map(len, headings + [name[3:]])), 35)  # one heading row

    def test_every_link_and_tune_item_names_something_that_exists(self):
        songs = set(os.listdir(os.path.join(DEMO, "Songs")))
        tunes = 0
        for name, text in self.articles.items():
            for _, link in items(text, "[mi="):
                with self.subTest(article=name, link=link):
                    self.assertTrue(link in LINK_WORDS or link in self.articles)
                    self.assertLessEqual(len(link), 39)  # longer links are cut in the selection record
            for _, tune in items(text, "[music="):
                tunes += 1
                with self.subTest(article=name, tune=tune):
                    self.assertIn(tune, songs)
        self.assertGreater(tunes, 0)
        linked = {v for _, v in items(self.articles["00_Welcome"], "[mi=")}
        self.assertEqual(set(self.articles) - {"00_Welcome"} - linked, set())

    # the layout, as pagovia-proof sets it with the viewer's own code
    def test_links_stay_on_one_row_and_no_page_is_empty(self):
        # A wrapped item gets a rectangle from its first letter on one row to its end on the
        # next, which is empty or covers the wrong words: it cannot be clicked.
        for name, text in self.articles.items():
            rows = proof_rows(DEMO_SOURCE, name)
            for opening in ("[mi=", "[music="):
                for offset, value in items(text, opening):
                    end = offset + tag_at(text, offset)
                    close = min(i for i in (text.find("[/mi]", end), text.find("[/music]", end)) if i >= 0)
                    where = {r["row"] + 100 * r["page"] for r in rows
                             if r["start"] <= offset < r["next"] or r["start"] <= close < r["next"]}
                    with self.subTest(article=name, link=value):
                        self.assertEqual(len(where), 1, where)
            last = max(r["page"] for r in rows)
            with self.subTest(article=name):
                self.assertTrue(any(r["page"] == last and r["length"] > 1 for r in rows))

    # prefs.txt
    def test_prefs_uses_every_key_each_under_a_comment(self):
        self.assertEqual([k for k in PREF_KEYS if k not in self.prefs], [])
        lines = read_text(DEMO_SOURCE, "prefs.txt").split("\n")
        for n, line in enumerate(lines):
            if line.split(":")[0] in PREF_KEYS:
                self.assertTrue(lines[n - 1].startswith("#"), "no comment above " + line)

    def test_shortcuts_open_articles_and_leave_the_viewer_keys_free(self):
        for field, pattern in (("KEY_SHORTCUTS", r"^[^%s]$" % VIEWER_KEYS), ("KEY_SPECIAL_SHORTCUTS", r"^F([1-9]|1[0-2])$")):
            for token in self.prefs[field].split(","):
                key, _, article = token.partition("=")
                with self.subTest(token=token):
                    self.assertRegex(key, pattern)
                    self.assertIn(article, self.articles)

    def test_page_elements_do_not_overlap(self):
        layout = Layout(self.prefs)
        text_right = layout.text_x + 16 * layout.columns
        text_bottom = layout.text_y + layout.rows * layout.row_height
        bar = layout.bar
        self.assertLessEqual(text_right, bar[0], "text runs into the bar")
        self.assertLessEqual(bar[2], 1280)
        self.assertLessEqual(bar[1], layout.text_y)
        self.assertGreaterEqual(bar[3], text_bottom - layout.row_height)
        boxes = [("title", (layout.text_x, layout.text_y - 32, text_right, layout.text_y - 16)),
                 ("text", (layout.text_x, layout.text_y, text_right, text_bottom))]
        boxes += [("ticker %d" % i, t) for i, t in enumerate(layout.tickers)]
        boxes += [("menu %d" % i, (0, top, 1280, top + img.height)) for i, (top, img) in enumerate(menu_images())]
        for i, (name_a, a) in enumerate(boxes):
            for name_b, b in boxes[i + 1:]:
                with self.subTest(a=name_a, b=name_b):
                    self.assertFalse(a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3], (a, b))
        # The ticker that the info line replaces is the lower one.
        self.assertGreater(layout.tickers[0][1], layout.tickers[1][1])


# --- the generated assets ---------------------------------------------------------------------------

class GeneratedAssetsTest(unittest.TestCase):
    """What the build generated into the magazine has the shapes the viewer reads."""

    @classmethod
    def setUpClass(cls):
        cls.atlas = harness.read_ppm(os.path.join(DEMO, "Fonts", "font4.pbm"))

    def ink(self, code, high):
        """Brightness values of one atlas cell."""
        k = code - 32
        x0, y0, size = ((k % 16) * 16, (k // 16) * 16, 16) if high else ((k % 32) * 8, 128 + (k // 32) * 8, 8)
        return [self.atlas.pixel(x, y)[0] for y in range(y0, y0 + size) for x in range(x0, x0 + size)]

    def test_atlas_grids_hold_white_antialiased_ascii_in_both_and_latin1_in_the_low_one(self):
        self.assertEqual(ppm_header(os.path.join(DEMO, "Fonts", "font4.pbm"))[:15], b"P6\n256 256\n255\n")
        for high in (True, False):
            for code in range(33, 127):
                with self.subTest(high=high, char=chr(code)):
                    self.assertGreater(max(self.ink(code, high)), 128)
            self.assertEqual(max(self.ink(32, high)), 0)
        # The high grid has room for codes 32 to 159, where Latin-1 has only control codes.
        for code in range(128, 160):
            self.assertEqual(max(self.ink(code, True)), 0, code)
        for code in (0xC9, 0xE9, 0xFC, 0xDF):
            self.assertGreater(max(self.ink(code, False)), 0, code)
        self.assertEqual(max(self.atlas.pixel(x, y)[0] for y in range(128 + 7 * 8, 256) for x in range(256)), 0)
        # White glyphs with soft edges.
        self.assertTrue(any(0 < v < 200 for v in self.ink(ord("a"), True)), "no soft edge")
        self.assertTrue(all(p[0] == p[1] == p[2] for p in zip(*[iter(self.atlas.data)] * 3)))

    def test_descenders_and_ascenders_stay_in_their_cells(self):
        # Regression: a baseline placed too low cut the tails of g, j, p, q and y.
        def rows(char):
            lit = [i // 16 for i, v in enumerate(self.ink(ord(char), True)) if v > 40]
            return min(lit), max(lit)
        top_x, bottom_x = rows("x")
        for char in "gjpqy":
            self.assertGreaterEqual(rows(char)[1] - bottom_x, 2, char)
        for char in "bdhkl":
            self.assertGreaterEqual(top_x - rows(char)[0], 2, char)

    def test_pictures_are_full_size_and_not_flat(self):
        names = sorted(os.listdir(os.path.join(DEMO, "Images")))
        self.assertIn("bkg4.pbm", names)
        self.assertGreaterEqual(len(names), 7)  # the default, five or more backgrounds, the title
        for name in names:
            with self.subTest(picture=name):
                path = os.path.join(DEMO, "Images", name)
                self.assertEqual(ppm_header(path)[:16], b"P6\n1280 960\n255\n")
                self.assertEqual(os.path.getsize(path), 16 + 1280 * 960 * 3)
                img = harness.read_ppm(path)
                samples = [img.pixel(x, y) for y in range(0, 960, 37) for x in range(0, 1280, 41)]
                self.assertGreater(max(max(p[k] for p in samples) - min(p[k] for p in samples) for k in range(3)), 60)

    def test_menus_have_a_see_through_key_and_labelled_buttons_under_their_selections(self):
        menus = menu_images()
        self.assertEqual(len(menus), 2)
        for _, img in menus:
            self.assertEqual(img.width, 1280)
            self.assertIn((0, 0, 0), [img.pixel(x, y) for y in range(img.height) for x in range(0, 1280, 5)])
        buttons = Layout(read_prefs(read_text(DEMO, "prefs.txt"))).buttons
        self.assertEqual(sorted(buttons), sorted(LINK_WORDS))
        for link, (x0, y0, x1, y1) in buttons.items():
            with self.subTest(button=link):
                top, img = menus[0 if y1 <= 480 else 1]
                inside = [img.pixel(x, y - top) for y in range(y0 + 1, y1 - 1) for x in range(x0 + 1, x1 - 1, 3)]
                self.assertNotIn((0, 0, 0), inside, "a see-through hole inside the button")
                self.assertTrue(any(min(p) > 200 for p in inside), "no label on the button")


class GeneratorUsageTest(unittest.TestCase):
    """The generators answer bad use with a one-line message naming the problem and a failure status."""

    def test_bad_use_fails_with_one_line(self):
        out = tempfile.mktemp(suffix=".pbm")
        cases = [([GEN_FONT], 2, ""), ([GEN_IMAGES], 2, "usage"),
                 ([GEN_FONT, "/nonexistent/dir/font4.pbm"], 1, "/nonexistent/dir/font4.pbm"),
                 ([GEN_IMAGES, "/nonexistent/dir"], 1, ""),
                 ([GEN_FONT, out, "/nonexistent/font.ttf"], 1, "/nonexistent/font.ttf")]
        for args, status, named in cases:
            with self.subTest(args=args[1:]):
                r = subprocess.run(args, capture_output=True, text=True)
                self.assertEqual(r.returncode, status)
                self.assertIn(named, r.stderr)
                self.assertEqual(len(r.stderr.strip().splitlines()), 1)
        self.assertFalse(os.path.exists(out))


# --- the real viewer in the assembled magazine -----------------------------------------------------

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


class Screen:
    """Tells from a picture of the screen what the viewer shows: which background picture
    (from the margin left of the text, where nothing else is drawn), and which page of how
    many (from the bar's thumb)."""
    MARGIN = (8, 160, 64, 840)
    FULL = (0, 0, 1280, 960)

    def __init__(self, magazine, layout):
        self.layout = layout
        self.margins, self.pictures = {}, {}
        folder = os.path.join(magazine, "Images")
        for name in os.listdir(folder):
            img = harness.read_ppm(os.path.join(folder, name))
            self.margins[name] = [v * layout.dimmer for v in block_means(img, *self.MARGIN, 1, 6)]
            self.pictures[name] = block_means(img, *self.FULL, 4, 3, step=8)

    def background(self, img):
        sig = block_means(img, *self.MARGIN, 1, 6)
        return min(self.margins, key=lambda n: distance(sig, self.margins[n]))

    def picture(self, img):
        """(name, distance) of the picture that fills the screen at full strength."""
        sig = block_means(img, *self.FULL, 4, 3, step=8)
        name = min(self.pictures, key=lambda n: distance(sig, self.pictures[n]))
        return name, distance(sig, self.pictures[name])

    def page(self, img):
        """(page from 0, number of pages) that the bar's thumb shows, or None without one. The
        thumb, white at a fifth over the half-black trough, is brighter than any trough pixel."""
        x0, y0, x1, y1 = self.layout.bar
        lit = [y for y in range(y0, y1) if min(img.pixel((x0 + x1) // 2, y)) >= 48]
        if not lit:
            return None
        pages = max(1, round((y1 - y0) / (lit[-1] + 1 - lit[0] + 4)))
        return round((lit[0] - 2 - y0) / ((y1 - y0) / pages)), pages


class DemoViewerTest(unittest.TestCase):
    """The demo as a new reader meets it: the real viewer full screen in a private copy of the
    demo (so that the players started in it are ours to find), real input, pictures of the screen."""

    @classmethod
    def setUpClass(cls):
        cls.prefs = read_prefs(read_text(DEMO, "prefs.txt"))
        cls.layout = Layout(cls.prefs)
        cls.screen = Screen(DEMO, cls.layout)
        cls.articles = articles()
        cls.names = list(cls.articles)
        cls.songs = sorted(os.listdir(os.path.join(DEMO, "Songs")))
        cls.shortcut = {}
        for token in cls.prefs["KEY_SHORTCUTS"].split(","):
            key, _, name = token.partition("=")
            cls.shortcut.setdefault(name, key)

    def setUp(self):
        root = tempfile.mkdtemp(prefix="pagovia-demo-")
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        self.magazine = os.path.join(root, "demo")
        shutil.copytree(DEMO, self.magazine)
        self.x = harness.XServer()
        self.addCleanup(self.x.stop)
        self.viewer = harness.Viewer(self.x, self.magazine, resolution="hi")
        self.addCleanup(self.viewer.stop)

    def capture(self, settle=0.4):
        time.sleep(settle)
        return self.x.capture()

    def click(self, dx, dy):
        self.viewer.click(*self.viewer.design_to_screen(dx, dy))

    def click_button(self, link):
        x0, y0, x1, y1 = self.layout.buttons[link]
        self.click((x0 + x1) // 2, (y0 + y1) // 2)

    def start_reading(self):
        """Ends the startup picture as a reader does, with a key."""
        self.viewer.key("space")
        return self.expect("00_Welcome")

    def expect(self, article, page=0, pages=None, timeout=10.0):
        """Waits, as a reader looks, until the screen shows that page of the article; a loaded
        machine may take a while for the frame. Returns the last picture of the screen."""
        want_bkg = background_of(self.articles[article])

        def shown(img):
            p = self.screen.page(img)
            return (self.screen.background(img), p and p[0], p and (p[1] if pages is not None else None))
        deadline = time.monotonic() + timeout
        img = self.capture(0.2)
        while shown(img) != (want_bkg, page, pages) and time.monotonic() < deadline:
            img = self.capture(0.2)
        self.assertEqual(shown(img), (want_bkg, page, pages), "not page %d of %s" % (page, article))
        return img

    def open_article(self, name, page=0):
        """Opens a page by its shortcut and the Down key, and waits until it is drawn, since
        only the page on screen has its links registered."""
        self.viewer.key(self.shortcut[name])
        self.expect(name)
        for p in range(page):
            self.viewer.key("Down")
            self.expect(name, p + 1)

    def click_item(self, article, offset):
        text = self.articles[article]
        page, x, y = link_spot(text, proof_rows(DEMO_SOURCE, article), offset, self.layout)
        self.open_article(article, page)
        self.click(x, y)

    def test_title_then_welcome_page_running_tickers_and_a_screenshot(self):
        name, off = self.screen.picture(self.capture(0.5))
        self.assertEqual(name, self.prefs["STARTUP_IMAGE"])
        self.assertLess(off, 12)
        self.viewer.key("space")
        img = self.expect("00_Welcome", 0, 1)
        # Both menus as drawn by the generator, see-through parts aside.
        menus = menu_images()
        for (x0, y0, x1, y1) in self.layout.buttons.values():
            top, menu = menus[0 if y1 < 480 else 1]
            want = block_means(menu, x0, y0 - top, x1, y1 - top, 2, 1, step=2)
            self.assertLess(distance(want, block_means(img, x0, y0, x1, y1, 2, 1, step=2)), 6)
        # The title in its colour above the text, readable white text over the dimmed picture.
        r, g, b = [float(v) * 255 for v in self.prefs["ARTICLE_TITLE_COLOR"].split(",")[:3]]
        title = [img.pixel(x, y) for y in range(self.layout.text_y - 32, self.layout.text_y - 16)
                 for x in range(self.layout.text_x, self.layout.text_x + 600)]
        self.assertGreater(sum(1 for p in title if abs(p[0] - r) < 30 and abs(p[1] - g) < 30 and abs(p[2] - b) < 40), 30)
        body = [img.pixel(x, y) for y in range(self.layout.text_y, self.layout.text_y + 90, 2)
                for x in range(self.layout.text_x, self.layout.text_x + 1100, 2)]
        self.assertGreater(sum(1 for p in body if min(p) > 200), 500)
        later = self.capture(0.5)
        for n, (x0, y0, x1, y1) in enumerate(self.layout.tickers):
            with self.subTest(ticker=n):
                window = [img.pixel(x, y) for y in range(y0, y1) for x in range(x0 + 16, x1 - 16, 2)]
                self.assertGreater(sum(1 for p in window if max(p) < 20), len(window) // 2)
                self.assertGreater(sum(1 for p in window if min(p) > 150), 40)
                box = (x0, y0, x1, y1)  # running while the page stands still
                self.assertGreater(distance(block_means(img, *box, 8, 1, step=1), block_means(later, *box, 8, 1, step=1)), 3)
        text = (self.layout.text_x, self.layout.text_y, self.layout.text_x + 1120, self.layout.text_y + 600)
        self.assertLess(distance(block_means(img, *text, 4, 4), block_means(later, *text, 4, 4)), 1)
        # The screenshot key keeps the picture on screen.
        shot = self.viewer.screenshot()
        self.assertEqual((shot.width, shot.height), (1280, 960))
        text = (0, 120, 1280, 840)
        self.assertLess(distance(block_means(later, *text, 8, 6), block_means(shot, *text, 8, 6)), 3)
        self.assertIn("screenshot.ppm", self.viewer.stdout())

    def test_slideshow_then_menu_buttons_do_what_their_labels_say(self):
        self.start_reading()
        period = self.layout.slideshow
        self.viewer.key("q")
        seen = []
        for _ in range(2):
            name, off = self.screen.picture(self.capture(period * 0.45))
            self.assertLess(off, 12, "no picture at full strength")
            seen.append(name)
            time.sleep(period * 0.55)
        self.assertNotEqual(seen[0], seen[1])
        self.viewer.key("q")
        self.expect("00_Welcome")
        steps = [("_NEXT", "01_Reading", 0), ("_NPAGE", "01_Reading", 1), ("_NPAGE", "01_Reading", 1),
                 ("_PPAGE", "01_Reading", 0), ("_PPAGE", "01_Reading", 0), ("_PREV", "00_Welcome", 0),
                 ("_PREV", self.names[-1], 0), ("_NEXT", "00_Welcome", 0)]
        for link, article, page in steps:
            with self.subTest(button=link, expect=article):
                self.click_button(link)
                self.expect(article, page)
        self.click_button("_QUIT")
        self.assertEqual(self.viewer.wait_exit(), 0)

    def test_every_article_link_does_what_it_says(self):
        # Each article is opened by its shortcut key, which this checks too.
        self.start_reading()
        clicked = 0
        for index, name in enumerate(self.names):
            pages = max(r["page"] for r in proof_rows(DEMO_SOURCE, name))
            for offset, link in items(self.articles[name], "[mi="):
                if link in ("_QUIT", "_NMUSIC", "_PMUSIC"):
                    continue  # the menu and tune tests follow these
                page = link_spot(self.articles[name], proof_rows(DEMO_SOURCE, name), offset, self.layout)[0]
                expected = {"_NEXT": (self.names[(index + 1) % len(self.names)], 0),
                            "_PREV": (self.names[index - 1], 0),
                            "_NPAGE": (name, min(page + 1, pages - 1)),
                            "_PPAGE": (name, max(page - 1, 0))}.get(link, (link, 0))
                with self.subTest(article=name, link=link):
                    self.click_item(name, offset)
                    self.expect(*expected)
                    clicked += 1
        self.assertGreater(clicked, 20)

    def wait_playing(self, song):
        harness.wait_for(lambda: list(harness.players_in(self.magazine).values()) == ["Songs/" + song], 8.0,
                         what="tunedeck playing " + song)
        # A tune control is ignored until the player has reported that the tune plays; a
        # listener hears it begin before reaching for the next one.
        time.sleep(0.5)

    def test_tunes_play_from_the_start_and_the_controls_switch_them(self):
        songs = self.songs
        self.wait_playing(songs[0])
        self.start_reading()
        self.click_button("_NMUSIC")
        self.wait_playing(songs[1])
        self.click_button("_PMUSIC")
        self.wait_playing(songs[0])
        # The music article's tune items and tune links, each clicked where it is drawn.
        text = self.articles["07_Music"]
        tunes = items(text, "[music=")
        links = {link: offset for offset, link in items(text, "[mi=")}
        last = songs.index(tunes[-1][1])
        steps = tunes + [(links["_NMUSIC"], songs[(last + 1) % len(songs)]), (links["_PMUSIC"], songs[last])]
        for offset, song in steps:
            with self.subTest(item=text[offset:text.index("]", offset) + 1], expect=song):
                self.click_item("07_Music", offset)
                self.wait_playing(song)
        self.viewer.key("Escape")
        self.assertEqual(self.viewer.wait_exit(), 0)
        harness.wait_for(lambda: not harness.players_in(self.magazine), 5.0, what="no tunedeck left")


if __name__ == "__main__":
    unittest.main()
