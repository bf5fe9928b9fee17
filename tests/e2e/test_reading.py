"""A person reading the magazine with the real viewer under Xvfb: cursor keys page and change
articles (the bar's thumb follows, articles wrap), letter and F-key shortcuts, the slideshow
key, the startup picture that only the first real input ends (Shift and the wheel are no
input), menu links and article links clicked with the mouse, the red hover, a tune item, and
both ways out (Escape, the _QUIT link). Every check reads the viewer's own screenshot (`s`)
or the X screen, in both resolutions and on a taller screen where the picture is
letterboxed."""
import os
import shutil
import tempfile
import time
import unittest

import harness

# The article area as prefs.txt lays it out below (design units, 1280x960).
ROW_CHARS = 40          # ARTICLE_MAX_CHARACTERS_ROW: title row of 20 double-width cells
TEXT_X, TEXT_Y = 80, 160
TITLE_Y = TEXT_Y - 32 + 8   # middle of the title row
BAR = (1200, 160, 1220, 800)

# Constant menu selections: (link, left, top, right, bottom). Nothing at the bottom centre,
# where the harness parks the pointer to give the window the keyboard.
MENUS = [
    ("_NPAGE", 40, 860, 240, 940),
    ("_PREV", 260, 860, 460, 940),
    ("_NEXT", 820, 860, 1020, 940),
    ("_QUIT", 1040, 860, 1240, 940),
]

ARTICLE_PAGES = {"01_Aaaaaa": 4, "02_Bbbb": 2, "03_Cc": 1}
TITLE_LENGTH = {6: "01_Aaaaaa", 4: "02_Bbbb", 2: "03_Cc"}

# Page 1 of the first article: an article link on its first row, a tune item on its second,
# and a link wrapped over its last two rows.
LINK_ROW, TUNE_ROW, WRAPPED_ROW = 0, 1, 2
LINK_TEXT = "LINKLINK"


def row_center(row, column=0):
    """Design position of the middle of one body glyph (rows start at [ni]: no indent)."""
    return TEXT_X + 16 * column + 8, TEXT_Y + 16 * row + 8


def font_atlas(x, y):
    """Every glyph cell solid white except the space (cell 0) of either grid (16x16 cells from
    the top, 8x8 from the middle), so text shows as lit blocks and spaces stay dark."""
    blank = (x < 16 and y < 16) or (x < 8 and 128 <= y < 136)
    return (0, 0, 0) if blank else (255, 255, 255)


def articles():
    lines = ["[ni]AAAA AAAA"] * 4
    lines += ["[ni][mi=02_Bbbb]" + LINK_TEXT + "[/mi]",
              "[ni][music=second.mod]TUNETUNE[/music]",
              # An article link wrapped over two rows: the first breaks at its hyphen.
              "[ni]BBBB [mi=03_Cc]" + "X" * 34 + "-YYYY[/mi]"]
    lines += ["[ni]CCCC"] * 6
    return {
        "01_Aaaaaa": "\n".join(lines),                 # 14 rows: 4 pages of 4 rows
        "02_Bbbb": "\n".join(["[ni]DDDD"] * 5),        # 2 pages
        "03_Cc": "[ni]EEEE\n[ni]EEEE",                 # 1 page
    }


def prefs(startup=None):
    text = [
        "MENUS: %d" % len(MENUS),
        "MENU_COORDS: " + ",".join("%d,%d,%d,%d" % m[1:] for m in MENUS),
        "MENU_LINKS: " + ",".join(m[0] for m in MENUS),
        "ARTICLE_MAX_CHARACTERS_ROW: %d" % ROW_CHARS,
        "ARTICLE_ROWS: 3",
        "ARTICLE_BAR_COORDS: %d,%d,%d,%d" % BAR,
        "SLIDESHOW_CHANGE_TIME: 5",
        "KEY_SHORTCUTS: n=02_Bbbb",
        "KEY_SPECIAL_SHORTCUTS: F2=03_Cc",
    ]
    return "\n".join(text + (["STARTUP_IMAGE: " + startup] if startup else [])) + "\n"


def make_magazine(root, startup=False):
    harness.make_magazine(root, prefs("start.ppm" if startup else None), articles())
    harness.write_ppm(os.path.join(root, "Fonts", "font4.pbm"), 256, 256, font_atlas)
    # Menu images: top and bottom strips in colours of their own.
    harness.write_ppm(os.path.join(root, "Menus", "a_top.ppm"), 1280, 100, (0, 0, 120))
    harness.write_ppm(os.path.join(root, "Menus", "b_bottom.ppm"), 1280, 100, (0, 90, 0))
    name, colour = ("start.ppm", (0, 0, 255)) if startup else ("green.ppm", (0, 255, 0))
    harness.write_ppm(os.path.join(root, "Images", name), 512, 512, colour)
    os.makedirs(os.path.join(root, "Songs"), exist_ok=True)


def lit(p, level=100):
    return max(p) >= level


class Screen:
    """What one screenshot shows, read through the layout above."""

    def __init__(self, image):
        self.img = image

    def title_length(self):
        cells = [lit(self.img.pixel(TEXT_X + 32 * cell + 16, TITLE_Y)) for cell in range(10)] + [False]
        return cells.index(False)

    def article(self):
        return TITLE_LENGTH.get(self.title_length())

    def thumb(self):
        """(top, bottom) of the bar's thumb in design rows, or None."""
        x = (BAR[0] + BAR[2]) // 2
        rows = [y for y in range(BAR[1], BAR[3]) if 25 <= self.img.pixel(x, y)[0] <= 120]
        return (rows[0], rows[-1]) if rows else None

    def page(self, pages):
        top, bottom = self.thumb()
        step = (BAR[3] - BAR[1]) / pages
        return int(((top + bottom) / 2 - BAR[1]) // step)

    def body_pixel(self, row, column=0):
        return self.img.pixel(*row_center(row, column))


class ReadingCase(unittest.TestCase):
    def start(self, resolution, startup=False, screen="1280x960"):
        """A fresh magazine, X server and viewer; all three go away when the test ends."""
        root = tempfile.mkdtemp(prefix="pagovia-read-")
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        make_magazine(root, startup)
        x = harness.XServer(screen)
        self.addCleanup(x.stop)
        v = harness.Viewer(x, root, resolution=resolution)
        self.addCleanup(v.stop)
        return x, v

    def shot(self, v, keys=("s",), park=True):
        return Screen(v.screenshot(keys, park, timeout=10))

    def click_design(self, v, dx, dy):
        v.click(*v.design_to_screen(dx, dy))

    def click_menu(self, v, link):
        _, x0, y0, x1, y1 = next(m for m in MENUS if m[0] == link)
        self.click_design(v, (x0 + x1) // 2, (y0 + y1) // 2)

    def assertShows(self, s, article, page):
        self.assertEqual(s.article(), article, "title shows %d cells" % s.title_length())
        self.assertEqual(s.page(ARTICLE_PAGES[article]), page, "thumb at %s" % (s.thumb(),))

    def assertExits(self, v, status=0):
        self.assertEqual(v.wait_exit(10), status, v.stderr())


class KeyboardReading(ReadingCase):
    def test_cursor_keys_shortcuts_and_slideshow(self):
        for resolution in ("lo", "hi"):
            with self.subTest(resolution=resolution):
                x, v = self.start(resolution)
                self.assertShows(self.shot(v), "01_Aaaaaa", 0)

                v.key("Down")
                s = self.shot(v)
                self.assertShows(s, "01_Aaaaaa", 1)
                self.assertTrue(lit(s.body_pixel(LINK_ROW)))          # page 1's link row
                v.key("Down", "Down", "Down", "Down")                  # stops on the last page
                self.assertShows(self.shot(v), "01_Aaaaaa", 3)
                v.key("Up")
                self.assertShows(self.shot(v), "01_Aaaaaa", 2)
                # A screenshot right behind a page change, before any frame was drawn,
                # shows the new page whole.
                self.assertShows(self.shot(v, keys=("Up", "s")), "01_Aaaaaa", 1)
                v.key("Down")

                v.key("Right")                                         # next article, page 0
                self.assertShows(self.shot(v), "02_Bbbb", 0)
                v.key("Right", "Right")                                # from the last: the first
                self.assertShows(self.shot(v), "01_Aaaaaa", 0)
                v.key("Left")                                          # from the first: the last
                self.assertShows(self.shot(v), "03_Cc", 0)

                v.key("n")                                             # letter shortcut
                self.assertShows(self.shot(v), "02_Bbbb", 0)
                v.key("Down", "F2")                                    # F-key shortcut, page 0
                self.assertShows(self.shot(v), "03_Cc", 0)
                v.key("shift", "ctrl", "alt")                          # no key at all
                self.assertShows(self.shot(v), "03_Cc", 0)

                v.key("q")
                time.sleep(1.6)                                        # past the fade-in
                s = self.shot(v)
                self.assertGreater(s.img.pixel(640, 480)[1], 200, "slideshow shows the green picture")
                self.assertIsNone(s.article())
                v.key("q")
                s = self.shot(v)
                self.assertShows(s, "03_Cc", 0)
                self.assertLess(s.img.pixel(640, 480)[1], 50)

                v.key("Escape")
                self.assertExits(v)
                self.assertIn("screenshot.ppm", v.stdout())


class MouseReading(ReadingCase):
    def read_with_the_mouse(self, resolution, screen):
        x, v = self.start(resolution, screen=screen)
        self.click_menu(v, "_NPAGE")
        s = self.shot(v)
        self.assertShows(s, "01_Aaaaaa", 1)
        plain = s.body_pixel(LINK_ROW, 1)
        self.assertTrue(lit(plain) and plain[2] > plain[0], "link drawn in its item colour: %s" % (plain,))

        # Hover: the item turns red; moving off it onto empty space restores it.
        v.move(*v.design_to_screen(*row_center(LINK_ROW, 2)))
        red = self.shot(v, park=False).body_pixel(LINK_ROW, 1)
        self.assertGreater(red[0], 200, red)
        self.assertLess(red[1], 60, red)
        v.move(*v.design_to_screen(900, 500))
        back = self.shot(v, park=False).body_pixel(LINK_ROW, 1)
        self.assertLess(back[0], 230, back)
        self.assertGreater(back[2], 200, back)

        # The tune item only talks to the player: the page stays.
        self.click_design(v, *row_center(TUNE_ROW, 3))
        self.assertShows(self.shot(v), "01_Aaaaaa", 1)

        # A wrapped link is lit on both rows, red on both under the pointer, and a click on
        # its second row follows it.
        s = self.shot(v, park=False)
        for row, column in ((WRAPPED_ROW, 10), (WRAPPED_ROW + 1, 1)):
            p = s.body_pixel(row, column)
            self.assertTrue(lit(p) and p[2] > p[0], "wrapped link row %d: %s" % (row, p))
        v.move(*v.design_to_screen(*row_center(WRAPPED_ROW + 1, 2)))
        s = self.shot(v, park=False)
        for row, column in ((WRAPPED_ROW, 10), (WRAPPED_ROW + 1, 1)):
            self.assertLess(s.body_pixel(row, column)[1], 60, "hovered row %d" % row)
        self.click_design(v, *row_center(WRAPPED_ROW + 1, 2))
        self.assertShows(self.shot(v), "03_Cc", 0)
        self.click_menu(v, "_NEXT")
        self.click_menu(v, "_NPAGE")
        self.assertShows(self.shot(v), "01_Aaaaaa", 1)

        # The article link opens its article at page 0.
        self.click_design(v, *row_center(LINK_ROW, 3))
        self.assertShows(self.shot(v), "02_Bbbb", 0)

        # Wheel (X buttons 4 and 5) and the right button over _NPAGE are no clicks.
        for button in (4, 5, 3):
            v.click(*v.design_to_screen(140, 900), button=button)
        self.assertShows(self.shot(v), "02_Bbbb", 0)
        self.click_menu(v, "_NEXT")
        self.assertShows(self.shot(v), "03_Cc", 0)
        self.click_menu(v, "_PREV")
        self.click_menu(v, "_PREV")
        self.assertShows(self.shot(v), "01_Aaaaaa", 0)

        # A click on the left edge of _NPAGE is outside it, in either resolution.
        _, x0, y0, x1, y1 = MENUS[0]
        v.click(*v.design_to_screen(x0, (y0 + y1) // 2))
        self.assertShows(self.shot(v), "01_Aaaaaa", 0)

        self.click_menu(v, "_QUIT")
        self.assertExits(v)

    def test_links_and_hover_on_a_plain_and_a_letterboxed_screen(self):
        # Both resolutions on a 4:3 screen; the letterboxed mapping once more in one of them.
        for screen, resolution in (("1280x960", "lo"), ("1280x960", "hi"), ("1280x1024", "lo")):
            with self.subTest(resolution=resolution, screen=screen):
                self.read_with_the_mouse(resolution, screen)


class StartupPicture(ReadingCase):
    def test_first_real_input_only_ends_it(self):
        # The keys and buttons that count are the unit tests' matter; here the real X events.
        x, v = self.start("hi", startup=True)

        def blue():
            return x.capture().pixel(640, 480)[2] > 200
        harness.wait_for(blue, 10, what="startup picture")
        v.key("shift", "ctrl")                       # modifiers are no key
        v.click(*v.design_to_screen(640, 480), button=4)  # nor is the wheel
        time.sleep(0.3)
        self.assertTrue(blue(), "the startup picture went away without a real key")

        v.key("Escape")                              # ends the picture, not the program
        time.sleep(0.3)
        self.assertIsNone(v.proc.poll())
        self.assertShows(self.shot(v), "01_Aaaaaa", 0)
        v.key("Escape")
        self.assertExits(v)


if __name__ == "__main__":
    unittest.main()
