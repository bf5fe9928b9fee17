"""The demo magazine that ships with Pagovia, as a magazine maker and a new reader meet it.

Sources: every link, tune item, background, shortcut, startup picture and ticker file names
something that exists; prefs.txt uses every key; its menu selections are exactly the button
boxes that the picture generator draws; the layout values keep the text, bar, tickers and
menus apart; articles stay within what the large font can show.
Generated assets: the font atlas layout of both grids, the pictures' size and header, the
menus' see-through key; the generators refuse bad use.
The real viewer in the assembled magazine under Xvfb: the startup picture, the welcome page
with its menus, bar and tickers, every menu button, every article link, the slideshow and
the tunes. Viewer checks that need parts of the viewer not built yet are skipped, each with
the behaviour it found missing."""
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


# --- reading the sources as the viewer does ------------------------------------------------------

def read_prefs(path):
    """{key: value text} for each line, the first key contained anywhere deciding, as the viewer
    reads prefs.txt (comment lines start with #)."""
    found = {}
    with open(path, encoding="latin-1") as f:
        for line in f.read().split("\n"):
            if line.startswith("#"):
                continue
            for key in PREF_KEYS:
                i = line.find(key + ": ")
                if i >= 0:
                    found[key] = line[i + len(key) + 2:]
                    break
    return found


def numbers(value):
    return [int(v) for v in value.split(",")]


def articles():
    """{file name: text} of the committed articles."""
    folder = os.path.join(DEMO_SOURCE, "Articles")
    result = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            result[name] = f.read().decode("latin-1")
    return result


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


def title_of(name):
    return name.split("_", 1)[1] if "_" in name else name


def background_of(text):
    m = re.match(r"\[bkg=([^\]]*)\]", text)
    return m.group(1) if m else None


# --- the sources ----------------------------------------------------------------------------------

class DemoSourcesTest(unittest.TestCase):
    """The committed magazine agrees with itself and with what the build assembles."""

    @classmethod
    def setUpClass(cls):
        cls.articles = articles()
        cls.prefs = read_prefs(os.path.join(DEMO_SOURCE, "prefs.txt"))
        cls.images = set(os.listdir(os.path.join(DEMO, "Images"))) if os.path.isdir(os.path.join(DEMO, "Images")) else set()

    # articles
    def test_eight_to_twelve_articles_in_reading_order(self):
        names = list(self.articles)
        self.assertTrue(8 <= len(names) <= 12, names)
        self.assertEqual(names[0], "00_Welcome")
        for n, name in enumerate(names):
            self.assertRegex(name, r"^%02d_[A-Za-z]+$" % n)

    def test_every_link_names_an_article_or_a_link_word(self):
        for name, text in self.articles.items():
            for offset, link in items(text, "[mi="):
                with self.subTest(article=name, link=link):
                    self.assertTrue(link in LINK_WORDS or link in self.articles)
                    self.assertLessEqual(len(link), 39)  # longer links are cut in the selection record

    def test_every_tune_item_names_a_copied_song(self):
        songs_dir = os.path.join(DEMO, "Songs")
        songs = set(os.listdir(songs_dir)) if os.path.isdir(songs_dir) else set()
        if not songs:
            self.skipTest("no tunes were copied (tecnoballz-data is not installed)")
        tunes = [(name, v) for name, text in self.articles.items() for _, v in items(text, "[music=")]
        self.assertTrue(tunes)
        for name, tune in tunes:
            with self.subTest(article=name, tune=tune):
                self.assertIn(tune, songs)

    def test_welcome_page_links_every_other_article(self):
        linked = {v for _, v in items(self.articles["00_Welcome"], "[mi=")}
        self.assertEqual(set(self.articles) - {"00_Welcome"} - linked, set())

    def test_every_article_has_a_built_background(self):
        self.assertTrue(self.images, "build the tree first: the pictures are generated")
        for name, text in self.articles.items():
            with self.subTest(article=name):
                self.assertIn(background_of(text), self.images)

    def test_text_is_what_the_large_font_can_show(self):
        # The high-resolution grid holds codes 32 to 159 only, and a carriage return or tab has
        # no cell at all.
        for name, text in self.articles.items():
            with self.subTest(article=name):
                bad = [c for c in text if not (c == "\n" or " " <= c <= "~")]
                self.assertEqual(bad, [])

    def test_headings_fit_one_heading_row(self):
        for name, text in self.articles.items():
            for line in text.split("\n"):
                m = re.match(r"(\[bkg=[^\]]*\])?\[h1\](.*)", line)
                if m:
                    with self.subTest(article=name, heading=m.group(2)):
                        self.assertLessEqual(len(m.group(2)), 35)
            self.assertLessEqual(len(title_of(name)), 35)

    # prefs.txt
    def test_prefs_uses_every_key(self):
        self.assertEqual([k for k in PREF_KEYS if k not in self.prefs], [])

    def test_every_key_has_a_comment(self):
        with open(os.path.join(DEMO_SOURCE, "prefs.txt")) as f:
            lines = f.read().split("\n")
        for n, line in enumerate(lines):
            key = line.split(":")[0]
            if key in PREF_KEYS:
                with self.subTest(key=key):
                    self.assertTrue(lines[n - 1].startswith("#"), "no comment above " + key)

    def test_shortcuts_open_articles_and_leave_the_viewer_keys_free(self):
        for token in self.prefs["KEY_SHORTCUTS"].split(","):
            key, _, article = token.partition("=")
            with self.subTest(token=token):
                self.assertEqual(len(key), 1)
                self.assertNotIn(key, VIEWER_KEYS)
                self.assertIn(article, self.articles)
        for token in self.prefs["KEY_SPECIAL_SHORTCUTS"].split(","):
            key, _, article = token.partition("=")
            with self.subTest(token=token):
                self.assertRegex(key, r"^F([1-9]|1[0-2])$")
                self.assertIn(article, self.articles)

    def test_startup_picture_and_ticker_files_exist(self):
        self.assertIn(self.prefs["STARTUP_IMAGE"], self.images)
        count = numbers(self.prefs["SCROLLTEXTS"])[-1]
        files = self.prefs["SCROLL_FILES"].split(",")
        self.assertEqual(len(files), count)
        self.assertEqual(len(numbers(self.prefs["SCROLL_COORDS"])), 2 * count)
        self.assertEqual(len(numbers(self.prefs["SCROLL_LENGTH"])), count)
        for name in files:
            path = os.path.join(DEMO_SOURCE, "ScrollTexts", name)
            self.assertTrue(os.path.isfile(path), name)
            with open(path, "rb") as f:
                self.assertNotIn(b"\r", f.read())

    def test_menu_selections_are_the_generated_buttons(self):
        printed = subprocess.run([GEN_IMAGES, "--menu-prefs"], capture_output=True, text=True, check=True).stdout
        generated = read_prefs_text(printed)
        self.assertEqual(numbers(self.prefs["MENUS"]), numbers(generated["MENUS"]))
        self.assertEqual(numbers(self.prefs["MENU_COORDS"]), numbers(generated["MENU_COORDS"]))
        self.assertEqual(self.prefs["MENU_LINKS"].split(","), generated["MENU_LINKS"].split(","))
        self.assertEqual(sorted(self.prefs["MENU_LINKS"].split(",")), sorted(LINK_WORDS))

    def test_page_elements_do_not_overlap(self):
        layout = Layout(self.prefs)
        text_right = layout.text_x + 16 * layout.columns
        text_bottom = layout.text_y + layout.rows * layout.row_height
        bar = layout.bar
        self.assertLessEqual(text_right, bar[0], "text runs into the bar")
        self.assertLessEqual(bar[2], 1280)
        self.assertLessEqual(bar[1], layout.text_y)
        self.assertGreaterEqual(bar[3], text_bottom - layout.row_height)
        menus = menu_boxes()
        tickers = layout.tickers
        boxes = [("title", (layout.text_x, layout.text_y - 32, text_right, layout.text_y - 16)),
                 ("text", (layout.text_x, layout.text_y, text_right, text_bottom))]
        boxes += [("ticker %d" % i, t) for i, t in enumerate(tickers)]
        boxes += [("menu %d" % i, m) for i, m in enumerate(menus)]
        for i, (name_a, a) in enumerate(boxes):
            for name_b, b in boxes[i + 1:]:
                with self.subTest(a=name_a, b=name_b):
                    self.assertFalse(a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3], (a, b))
        # The ticker that the info line replaces is the lower one.
        self.assertGreater(tickers[0][1], tickers[1][1])


def read_prefs_text(text):
    path = tempfile.mktemp(suffix=".txt")
    with open(path, "w") as f:
        f.write(text)
    try:
        return read_prefs(path)
    finally:
        os.unlink(path)


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


def menu_boxes():
    """The design-space boxes the two menu images cover (top image first)."""
    names = sorted(os.listdir(os.path.join(DEMO, "Menus")))
    boxes = []
    for placement, name in enumerate(names[:2]):
        w, h = ppm_size(os.path.join(DEMO, "Menus", name))
        height = h * 1280 // w
        top = 0 if placement == 0 else 960 - height
        boxes.append((0, top, 1280, top + height))
    return boxes


def ppm_header(path):
    with open(path, "rb") as f:
        return f.read(32)


def ppm_size(path):
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm_header(path))
    return int(m.group(1)), int(m.group(2))


# --- the generated assets ---------------------------------------------------------------------------

class GeneratedAssetsTest(unittest.TestCase):
    """What the build generated into the magazine has the shapes the viewer reads."""

    @classmethod
    def setUpClass(cls):
        if not os.path.isdir(DEMO):
            raise unittest.SkipTest("the demo magazine has not been built")
        cls.atlas = harness.read_ppm(os.path.join(DEMO, "Fonts", "font4.pbm"))

    def ink(self, x0, y0, size):
        """Brightest value and count of lit pixels in one atlas cell."""
        values = [self.atlas.pixel(x, y)[0] for y in range(y0, y0 + size) for x in range(x0, x0 + size)]
        return max(values), sum(1 for v in values if v > 0), values

    def cell(self, code, high):
        k = code - 32
        if high:
            return (k % 16) * 16, (k // 16) * 16, 16
        return (k % 32) * 8, 128 + (k // 32) * 8, 8

    def test_atlas_header_is_the_one_the_viewer_reads(self):
        self.assertEqual(ppm_header(os.path.join(DEMO, "Fonts", "font4.pbm"))[:15], b"P6\n256 256\n255\n")
        self.assertEqual((self.atlas.width, self.atlas.height), (256, 256))

    def test_both_grids_hold_every_printable_ascii_character(self):
        for high in (True, False):
            for code in range(33, 127):
                with self.subTest(high=high, char=chr(code)):
                    self.assertGreater(self.ink(*self.cell(code, high))[0], 128)
            with self.subTest(high=high, char="space"):
                self.assertEqual(self.ink(*self.cell(32, high))[1], 0)

    def test_latin1_letters_only_in_the_low_resolution_grid(self):
        # The high grid has room for codes 32 to 159, where Latin-1 has only control codes.
        for code in range(128, 160):
            self.assertEqual(self.ink(*self.cell(code, True))[1], 0, code)
        for code in (0xC9, 0xE9, 0xFC, 0xDF):
            self.assertGreater(self.ink(*self.cell(code, False))[1], 0, code)
        rest = [self.atlas.pixel(x, y)[0] for y in range(128 + 7 * 8, 256) for x in range(256)]
        self.assertEqual(max(rest), 0)

    def test_glyphs_are_white_and_antialiased(self):
        _, _, values = self.ink(*self.cell(ord("a"), True))
        self.assertTrue(any(0 < v < 200 for v in values), "no soft edge")
        x, y, _ = self.cell(ord("W"), True)
        for yy in range(y, y + 16):
            for xx in range(x, x + 16):
                r, g, b = self.atlas.pixel(xx, yy)
                self.assertTrue(r == g == b)

    def test_descenders_and_ascenders_stay_in_their_cells(self):
        # Regression: a baseline placed too low cut the tails of g, j, p, q and y.
        def rows(char):
            x, y, s = self.cell(ord(char), True)
            lit = [yy - y for yy in range(y, y + s) if any(self.atlas.pixel(xx, yy)[0] > 40 for xx in range(x, x + s))]
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
                spread = max(max(p[k] for p in samples) - min(p[k] for p in samples) for k in range(3))
                self.assertGreater(spread, 60)

    def test_menus_are_full_width_with_a_see_through_key(self):
        names = sorted(os.listdir(os.path.join(DEMO, "Menus")))
        self.assertEqual(len(names), 2)
        for name in names:
            img = harness.read_ppm(os.path.join(DEMO, "Menus", name))
            self.assertEqual(img.width, 1280)
            black = sum(1 for y in range(img.height) for x in range(0, 1280, 5) if img.pixel(x, y) == (0, 0, 0))
            self.assertGreater(black, 0, name + " has no see-through part")

    def test_buttons_are_drawn_under_their_selections(self):
        layout = Layout(read_prefs(os.path.join(DEMO, "prefs.txt")))
        names = sorted(os.listdir(os.path.join(DEMO, "Menus")))
        images = [harness.read_ppm(os.path.join(DEMO, "Menus", n)) for n in names]
        for link, (x0, y0, x1, y1) in layout.buttons.items():
            with self.subTest(button=link):
                placement = 0 if y1 <= 480 else 1
                img = images[placement]
                top = 0 if placement == 0 else 960 - img.height
                inside = [img.pixel(x, y - top) for y in range(y0 + 1, y1 - 1) for x in range(x0 + 1, x1 - 1, 3)]
                self.assertNotIn((0, 0, 0), inside, "a see-through hole inside the button")
                self.assertTrue(any(min(p) > 200 for p in inside), "no label on the button")


class GeneratorUsageTest(unittest.TestCase):
    """The generators answer bad use with a one-line message and a failure status."""

    def test_font_generator_needs_an_output(self):
        r = subprocess.run([GEN_FONT], capture_output=True, text=True)
        self.assertEqual(r.returncode, 2)
        self.assertEqual(len(r.stderr.strip().splitlines()), 1)

    def test_unwritable_output_fails(self):
        r = subprocess.run([GEN_FONT, "/nonexistent/dir/font4.pbm"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("/nonexistent/dir/font4.pbm", r.stderr)
        r = subprocess.run([GEN_IMAGES, "/nonexistent/dir"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)

    def test_missing_font_file_fails(self):
        out = tempfile.mktemp(suffix=".pbm")
        r = subprocess.run([GEN_FONT, out, "/nonexistent/font.ttf"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("/nonexistent/font.ttf", r.stderr)
        self.assertFalse(os.path.exists(out))

    def test_image_generator_usage(self):
        r = subprocess.run([GEN_IMAGES], capture_output=True, text=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn("usage", r.stderr)
