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

    # the layout, as pagovia-proof sets it with the viewer's own code
    def proof(self, name):
        rows = proof_rows(DEMO_SOURCE, name)
        if rows is None:
            self.skipTest("pagovia-proof is not built")
        return rows

    def test_every_link_stays_on_one_row(self):
        # A wrapped item gets a rectangle from its first letter on one row to its end on the
        # next, which is empty or covers the wrong words: it cannot be clicked.
        for name, text in self.articles.items():
            rows = self.proof(name)
            for opening in ("[mi=", "[music="):
                for offset, value in items(text, opening):
                    end = offset + tag_at(text, offset)
                    close = min(i for i in (text.find("[/mi]", end), text.find("[/music]", end)) if i >= 0)
                    where = [n for n, r in enumerate(rows) if r["start"] <= offset < r["next"] or r["start"] <= close < r["next"]]
                    with self.subTest(article=name, link=value):
                        self.assertEqual(len(set(where)), 1, where)

    def test_no_page_is_left_empty(self):
        for name in self.articles:
            rows = self.proof(name)
            last = max(r["page"] for r in rows)
            with self.subTest(article=name):
                self.assertTrue(any(r["page"] == last and r["length"] > 1 for r in rows))

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


# --- the real viewer in the assembled magazine -----------------------------------------------------

def copy_magazine():
    """A private copy of build/demo, so that processes started in it are ours to find."""
    root = tempfile.mkdtemp(prefix="pagovia-demo-")
    magazine = os.path.join(root, "demo")
    shutil.copytree(DEMO, magazine)
    return magazine


def tunedeck_processes(magazine):
    """Argument lists of the tunedeck processes whose working directory is the magazine."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            cwd = os.readlink("/proc/%s/cwd" % pid)
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv = f.read().split(b"\0")[:-1]
        except OSError:
            continue
        if cwd == magazine and argv and argv[0].endswith(b"tunedeck"):
            found.append([a.decode("latin-1") for a in argv])
    return found


def block_means(img, x0, y0, x1, y1, columns, rows, step=4):
    """Mean colour of each block of a grid over the box, sampled every `step` pixels."""
    means = []
    for r in range(rows):
        for c in range(columns):
            bx0, bx1 = x0 + (x1 - x0) * c // columns, x0 + (x1 - x0) * (c + 1) // columns
            by0, by1 = y0 + (y1 - y0) * r // rows, y0 + (y1 - y0) * (r + 1) // rows
            total, n = [0, 0, 0], 0
            for y in range(by0, by1, step):
                for x in range(bx0, bx1, step):
                    p = img.pixel(x, y)
                    for k in range(3):
                        total[k] += p[k]
                    n += 1
            means.extend(t / max(n, 1) for t in total)
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

    def thumb(self, img):
        """(top, bottom) of the bar's thumb: white at a fifth over the half-black trough is
        brighter than any trough pixel over a dimmed picture."""
        x0, y0, x1, y1 = self.layout.bar
        x = (x0 + x1) // 2
        lit = [y for y in range(y0, y1) if min(img.pixel(x, y)) >= 48]
        return (lit[0], lit[-1] + 1) if lit else None

    def page(self, img):
        """(page from 0, number of pages) that the bar shows, or None without a thumb."""
        t = self.thumb(img)
        if not t:
            return None
        y0, y1 = self.layout.bar[1], self.layout.bar[3]
        pages = max(1, round((y1 - y0) / (t[1] - t[0] + 4)))
        return round((t[0] - 2 - y0) / ((y1 - y0) / pages)), pages


class DemoViewer:
    """The real viewer full screen in a copy of the demo magazine on a private Xvfb."""

    def __init__(self, resolution="hi"):
        self.magazine = copy_magazine()
        self.x = harness.XServer()
        try:
            self.viewer = harness.Viewer(self.x, self.magazine, resolution=resolution)
        except Exception:
            self.x.stop()
            raise

    def capture(self, settle=0.4):
        time.sleep(settle)
        return self.x.capture()

    def key(self, *keys):
        self.viewer.key(*keys)

    def click(self, dx, dy):
        self.viewer.click(*self.viewer.design_to_screen(dx, dy))

    def hover(self, dx, dy):
        self.viewer.move(*self.viewer.design_to_screen(dx, dy))

    def click_button(self, layout, link):
        x0, y0, x1, y1 = layout.buttons[link]
        self.click((x0 + x1) // 2, (y0 + y1) // 2)

    def stop(self):
        self.viewer.stop()
        self.x.stop()
        shutil.rmtree(os.path.dirname(self.magazine), ignore_errors=True)


def mean_level(img, box):
    return sum(block_means(img, *box, 1, 1, step=8)) / 3


def probe_music(demo):
    if not os.path.exists(os.path.join(demo.magazine, "musicplayer", "tunedeck")):
        return "tunedeck is not installed in the demo magazine"
    if not os.path.isdir(os.path.join(demo.magazine, "Songs")):
        return "the demo has no tunes (tecnoballz-data is not installed)"
    try:
        harness.wait_for(lambda: tunedeck_processes(demo.magazine), 8.0, what="tunedeck")
        return None
    except TimeoutError:
        return "the viewer starts no tunedeck for the first tune"


def probe_input(demo, layout, startup):
    """(keys, clicks): None for each that works, else what is missing."""
    demo.key("space")
    welcome = demo.capture()
    if distance(block_means(startup, *Screen.FULL, 4, 3, step=8), block_means(welcome, *Screen.FULL, 4, 3, step=8)) < 10:
        return "a key press does not end the startup picture", "input is not handled"
    demo.click_button(layout, "_NEXT")
    after = demo.capture()
    if distance(block_means(welcome, *Screen.MARGIN, 1, 6), block_means(after, *Screen.MARGIN, 1, 6)) < 4:
        return None, "a click on the ARTICLE >> button does not change the article"
    return None, None


def probe():
    """What the viewer of this tree does with the demo, found by running it once as a reader
    would: {ability: None when it works, else what was missing}."""
    missing = "the viewer or the assembled demo magazine is not built"
    found = {k: missing for k in ("draws", "keys", "clicks", "music")}
    if not (os.path.exists(harness.VIEWER) and os.path.isdir(DEMO)):
        return found
    layout = Layout(read_prefs(os.path.join(DEMO, "prefs.txt")))
    try:
        demo = DemoViewer()
    except Exception as e:
        return {k: "the viewer did not open its window (%s)" % e for k in found}
    try:
        found["music"] = probe_music(demo)
        startup = demo.capture(1.0)
        if mean_level(startup, Screen.FULL) < 8:
            nothing = "nothing is drawn yet"
            found.update(draws="the startup picture is not drawn (the screen stays black)", keys=nothing, clicks=nothing)
        else:
            found["draws"] = None
            found["keys"], found["clicks"] = probe_input(demo, layout, startup)
    finally:
        demo.stop()
    return found


ABLE = probe()



def proof_rows(magazine, article):
    """The rows pagovia-proof lays out for one article: dicts of page, row, start, next, kind,
    factor; None when the tool is not built."""
    if not os.path.exists(PROOF):
        return None
    r = subprocess.run([PROOF, "--rows", os.path.join("Articles", article)], cwd=magazine,
                       capture_output=True, text=True)
    if r.returncode != 0:
        return None
    rows = []
    for line in r.stdout.splitlines():
        f = line.split()
        rows.append(dict(page=int(f[0]), row=int(f[1]), start=int(f[2]), length=int(f[3]), next=int(f[4]),
                         kind=f[5], factor=float(f[6])))
    return rows


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


def needs(*abilities):
    missing = [ABLE[a] for a in abilities if ABLE[a]]
    return unittest.skipIf(missing, "; ".join(missing))


class DemoViewerTest(unittest.TestCase):
    """The demo as a new reader meets it: the real viewer, real input, pictures of the screen."""

    @classmethod
    def setUpClass(cls):
        if not os.path.isdir(DEMO):
            raise unittest.SkipTest("the demo magazine has not been built")
        cls.prefs = read_prefs(os.path.join(DEMO, "prefs.txt"))
        cls.layout = Layout(cls.prefs)
        cls.screen = Screen(DEMO, cls.layout)
        cls.articles = articles()
        cls.names = list(cls.articles)
        cls.shortcut = {}
        for token in cls.prefs["KEY_SHORTCUTS"].split(","):
            key, _, name = token.partition("=")
            cls.shortcut.setdefault(name, key)

    def setUp(self):
        self.demo = DemoViewer()
        self.addCleanup(self.demo.stop)

    def start_reading(self):
        """Ends the startup picture as a reader does, with a key."""
        self.demo.key("space")
        return self.expect("00_Welcome")

    def shows(self, img, article, page, pages):
        shown = self.screen.page(img)
        return (self.screen.background(img) == background_of(self.articles[article]) and shown is not None
                and shown[0] == page and (pages is None or shown[1] == pages))

    def expect(self, article, page=0, pages=None, timeout=10.0):
        """Waits, as a reader looks, until the screen shows that page of the article; a loaded
        machine may take a while for the frame. Returns the last picture of the screen."""
        deadline = time.monotonic() + timeout
        img = self.demo.capture(0.2)
        while not self.shows(img, article, page, pages) and time.monotonic() < deadline:
            img = self.demo.capture(0.2)
        self.assertEqual(self.screen.background(img), background_of(self.articles[article]), "not " + article)
        shown = self.screen.page(img)
        self.assertIsNotNone(shown, "no bar thumb")
        self.assertEqual(shown[0], page)
        if pages is not None:
            self.assertEqual(shown[1], pages)
        return img

    def open_article(self, name, page=0):
        """Opens a page by its shortcut and the Down key, and waits until it is drawn, since
        only the page on screen has its links registered."""
        self.demo.key(self.shortcut[name])
        self.expect(name)
        for p in range(page):
            self.demo.key("Down")
            self.expect(name, p + 1)

    @needs("draws")
    def test_startup_picture_shows_the_title(self):
        img = self.demo.capture(0.5)
        name, off = self.screen.picture(img)
        self.assertEqual(name, self.prefs["STARTUP_IMAGE"])
        self.assertLess(off, 12)

    @needs("draws", "keys")
    def test_welcome_page_shows_menus_bar_title_and_tickers(self):
        img = self.start_reading()
        self.expect("00_Welcome", 0, 1)
        # Both menus as drawn by the generator, see-through parts aside.
        menus = sorted(os.listdir(os.path.join(DEMO, "Menus")))
        for (x0, y0, x1, y1) in self.layout.buttons.values():
            placement = 0 if y1 < 480 else 1
            menu = harness.read_ppm(os.path.join(DEMO, "Menus", menus[placement]))
            top = 0 if placement == 0 else 960 - menu.height
            want = block_means(menu, x0, y0 - top, x1, y1 - top, 2, 1, step=2)
            got = block_means(img, x0, y0, x1, y1, 2, 1, step=2)
            self.assertLess(distance(want, got), 6)
        # The title in its colour above the text.
        r, g, b = [float(v) * 255 for v in self.prefs["ARTICLE_TITLE_COLOR"].split(",")[:3]]
        title = [img.pixel(x, y) for y in range(self.layout.text_y - 32, self.layout.text_y - 16)
                 for x in range(self.layout.text_x, self.layout.text_x + 600)]
        self.assertGreater(sum(1 for p in title if abs(p[0] - r) < 30 and abs(p[1] - g) < 30 and abs(p[2] - b) < 40), 30)
        # Readable white text over the dimmed picture.
        body = [img.pixel(x, y) for y in range(self.layout.text_y, self.layout.text_y + 90, 2)
                for x in range(self.layout.text_x, self.layout.text_x + 1100, 2)]
        self.assertGreater(sum(1 for p in body if min(p) > 200), 500)
        for n, (x0, y0, x1, y1) in enumerate(self.layout.tickers):
            with self.subTest(ticker=n):
                window = [img.pixel(x, y) for y in range(y0, y1) for x in range(x0 + 16, x1 - 16, 2)]
                self.assertGreater(sum(1 for p in window if max(p) < 20), len(window) // 2)
                self.assertGreater(sum(1 for p in window if min(p) > 150), 40)

    @needs("draws", "keys")
    def test_tickers_run_while_the_page_stands_still(self):
        self.start_reading()
        a = self.demo.capture(0.1)
        b = self.demo.capture(0.5)
        for n, box in enumerate(self.layout.tickers):
            self.assertGreater(distance(block_means(a, *box, 8, 1, step=1), block_means(b, *box, 8, 1, step=1)), 3, n)
        text = (self.layout.text_x, self.layout.text_y, self.layout.text_x + 1120, self.layout.text_y + 600)
        self.assertLess(distance(block_means(a, *text, 4, 4), block_means(b, *text, 4, 4)), 1)

    @needs("draws", "clicks")
    def test_menu_buttons_do_what_their_labels_say(self):
        self.start_reading()
        steps = [("_NEXT", "01_Reading", 0), ("_NPAGE", "01_Reading", 1), ("_NPAGE", "01_Reading", 1),
                 ("_PPAGE", "01_Reading", 0), ("_PPAGE", "01_Reading", 0), ("_PREV", "00_Welcome", 0),
                 ("_PREV", self.names[-1], 0), ("_NEXT", "00_Welcome", 0)]
        for link, article, page in steps:
            with self.subTest(button=link, expect=article):
                self.demo.click_button(self.layout, link)
                self.expect(article, page)
        self.demo.click_button(self.layout, "_QUIT")
        self.assertEqual(self.demo.viewer.wait_exit(), 0)

    @needs("draws", "keys")
    def test_shortcut_keys_open_articles_at_their_first_page(self):
        self.start_reading()
        self.open_article("05_Story", 2)
        for name, key in self.shortcut.items():
            with self.subTest(key=key):
                self.demo.key(key)
                self.expect(name, 0)
        for token in self.prefs["KEY_SPECIAL_SHORTCUTS"].split(",")[:3]:
            key, _, name = token.partition("=")
            with self.subTest(key=key):
                self.demo.key(key)
                self.expect(name, 0)

    @needs("draws", "clicks")
    def test_every_article_link_does_what_it_says(self):
        rows = {name: proof_rows(DEMO_SOURCE, name) for name in self.names}
        if not all(rows.values()):
            self.skipTest("pagovia-proof --rows is not built, so the links cannot be found on screen")
        self.start_reading()
        clicked = 0
        for index, name in enumerate(self.names):
            text = self.articles[name]
            for offset, link in items(text, "[mi="):
                if link in ("_QUIT", "_NMUSIC", "_PMUSIC"):
                    continue  # the quit and tune tests follow these
                page, x, y = link_spot(text, rows[name], offset, self.layout)
                with self.subTest(article=name, link=link):
                    self.open_article(name, page)
                    self.demo.click(x, y)
                    if link == "_NEXT":
                        self.expect(self.names[(index + 1) % len(self.names)])
                    elif link == "_PREV":
                        self.expect(self.names[index - 1])
                    elif link == "_NPAGE":
                        pages = max(r["page"] for r in rows[name])
                        self.expect(name, min(page + 1, pages - 1))
                    elif link == "_PPAGE":
                        self.expect(name, max(page - 1, 0))
                    else:
                        self.expect(link)
                    clicked += 1
        self.assertGreater(clicked, 20)

    @needs("draws", "clicks")
    def test_a_link_under_the_pointer_turns_red(self):
        rows = proof_rows(DEMO_SOURCE, "00_Welcome")
        if not rows:
            self.skipTest("pagovia-proof --rows is not built, so the links cannot be found on screen")
        self.start_reading()
        text = self.articles["00_Welcome"]
        offset, _ = items(text, "[mi=")[0]
        _, x, y = link_spot(text, rows, offset, self.layout)
        box = (x - 24, y - 8, x + 100, y + 8)

        def red(img):
            return sum(1 for yy in range(box[1], box[3]) for xx in range(box[0], box[2])
                       if img.pixel(xx, yy)[0] > 150 and max(img.pixel(xx, yy)[1:]) < 90)
        self.assertEqual(red(self.demo.capture()), 0)
        self.demo.hover(x, y)
        harness.wait_for(lambda: red(self.demo.capture(0.2)) > 20, 10.0, what="the link drawn red")
        self.demo.hover(640, 500)
        harness.wait_for(lambda: red(self.demo.capture(0.2)) == 0, 10.0, what="the link drawn blue again")

    @needs("draws", "clicks")
    def test_quit_link_ends_the_viewer(self):
        rows = proof_rows(DEMO_SOURCE, self.names[-1])
        text = self.articles[self.names[-1]]
        quits = [o for o, link in items(text, "[mi=") if link == "_QUIT"]
        if not rows or not quits:
            self.skipTest("pagovia-proof --rows is not built, or the last article has no quit link")
        self.start_reading()
        page, x, y = link_spot(text, rows, quits[0], self.layout)
        self.open_article(self.names[-1], page)
        self.demo.click(x, y)
        self.assertEqual(self.demo.viewer.wait_exit(), 0)

    @needs("draws", "keys")
    def test_slideshow_shows_every_picture_at_full_strength(self):
        self.start_reading()
        period = self.layout.slideshow
        self.demo.key("q")
        seen = []
        for _ in range(2):
            name, off = self.screen.picture(self.demo.capture(period * 0.45))
            self.assertLess(off, 12, "no picture at full strength")
            seen.append(name)
            time.sleep(period * 0.55)
        self.assertNotEqual(seen[0], seen[1])
        self.demo.key("q")
        self.expect("00_Welcome")

    @needs("draws", "keys")
    def test_screenshot_key_keeps_the_picture_on_screen(self):
        self.start_reading()
        shown = self.demo.capture()
        shot = self.demo.viewer.screenshot()
        self.assertEqual((shot.width, shot.height), (1280, 960))
        text = (0, 120, 1280, 840)
        self.assertLess(distance(block_means(shown, *text, 8, 6), block_means(shot, *text, 8, 6)), 3)
        self.assertIn("screenshot.ppm", self.demo.viewer.stdout())

    def wait_playing(self, song):
        def playing():
            return [p[1] for p in tunedeck_processes(self.demo.magazine) if len(p) > 1]
        harness.wait_for(lambda: playing() == ["Songs/" + song], 8.0, what="tunedeck playing " + song)
        # A tune control is ignored until the player has reported that the tune plays; a
        # listener hears it begin before reaching for the next one.
        time.sleep(0.5)

    @needs("music")
    def test_first_tune_plays_from_the_start_and_stops_with_the_viewer(self):
        songs = sorted(os.listdir(os.path.join(DEMO, "Songs")))
        self.wait_playing(songs[0])
        self.demo.key("Escape", "Escape")  # the first one only ends the startup picture
        self.assertEqual(self.demo.viewer.wait_exit(), 0)
        harness.wait_for(lambda: not tunedeck_processes(self.demo.magazine), 5.0, what="no tunedeck left")

    @needs("draws", "clicks", "music")
    def test_tunes_play_in_turn_and_the_controls_switch_them(self):
        songs = sorted(os.listdir(os.path.join(DEMO, "Songs")))
        self.wait_playing(songs[0])
        self.start_reading()
        self.demo.click_button(self.layout, "_NMUSIC")
        self.wait_playing(songs[1])
        self.demo.click_button(self.layout, "_PMUSIC")
        self.wait_playing(songs[0])
        # The music article's tune items and tune links, each clicked where it is drawn.
        rows = proof_rows(DEMO_SOURCE, "07_Music")
        if rows:
            text = self.articles["07_Music"]
            tunes = items(text, "[music=")
            links = {link: offset for offset, link in items(text, "[mi=")}
            steps = [(offset, tune) for offset, tune in tunes]
            last = songs.index(tunes[-1][1])
            steps += [(links["_NMUSIC"], songs[(last + 1) % len(songs)]), (links["_PMUSIC"], songs[last])]
            for offset, song in steps:
                with self.subTest(item=text[offset:text.index("]", offset) + 1], expect=song):
                    page, x, y = link_spot(text, rows, offset, self.layout)
                    self.open_article("07_Music", page)
                    self.demo.click(x, y)
                    self.wait_playing(song)
        self.demo.key("Escape")
        self.assertEqual(self.demo.viewer.wait_exit(), 0)
        harness.wait_for(lambda: not tunedeck_processes(self.demo.magazine), 5.0, what="no tunedeck left")

if __name__ == "__main__":
    unittest.main()
