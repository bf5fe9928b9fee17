"""A person reading a magazine with the real viewer: the startup picture that only the first
real key ends, cursor keys, shortcuts and the slideshow key, each read back from a screenshot
asked for in the same breath; then the mouse on a letterboxed screen: menu links, article
links (one wrapped over two rows), the red hover, a tune item, buttons that are no clicks,
and the _QUIT link."""
import os
import time

import harness

TEXT_X, TEXT_Y = 80, 160
TITLE_Y = TEXT_Y - 32 + 8   # middle of the title row
BAR = (1200, 160, 1220, 800)
# Menu selections, none at the bottom centre where the pointer is parked for the keyboard.
MENUS = {"_NPAGE": (40, 860, 240, 940), "_PREV": (260, 860, 460, 940),
         "_NEXT": (820, 860, 1020, 940), "_QUIT": (1040, 860, 1240, 940)}
A, B, C = "01_Aaaaaa", "02_Bbbb", "03_Cc"
PAGES = {A: 4, B: 2, C: 1}
# Page 1 of A: an article link on its first row, a tune item on its second, a link wrapped
# over its last two rows (broken at its hyphen).
LINK_ROW, TUNE_ROW, WRAPPED_ROW = 0, 1, 2
ARTICLES = {A: "\n".join(["[ni]AAAA AAAA"] * 4 + ["[ni][mi=02_Bbbb]LINKLINK[/mi]",
                                                 "[ni][music=second.mod]TUNETUNE[/music]",
                                                 "[ni]BBBB [mi=03_Cc]" + "X" * 34 + "-YYYY[/mi]"] + ["[ni]CCCC"] * 6),
            B: "\n".join(["[ni]DDDD"] * 5), C: "[ni]EEEE\n[ni]EEEE"}
PREFS = ("MENUS: 4\nMENU_COORDS: %s\nMENU_LINKS: %s\nARTICLE_MAX_CHARACTERS_ROW: 40\nARTICLE_ROWS: 3\n"
         "ARTICLE_BAR_COORDS: %d,%d,%d,%d\nSLIDESHOW_CHANGE_TIME: 5\nKEY_SHORTCUTS: n=02_Bbbb\n"
         "KEY_SPECIAL_SHORTCUTS: F2=03_Cc\n" % (",".join("%d,%d,%d,%d" % r for r in MENUS.values()),
                                                ",".join(MENUS), *BAR))

# Keys pressed in one go with `s`: the screenshot must show the page they lead to whole, though
# no frame was drawn between them. (keys, article, page)
KEY_STEPS = [((), A, 0), (("Down",), A, 1), (("Down",) * 4, A, 3), (("Up",), A, 2),
             (("Right",), B, 0), (("Right", "Right"), A, 0), (("Left",), C, 0),  # articles wrap
             (("n",), B, 0), (("Down", "F2"), C, 0), (("shift", "ctrl", "alt"), C, 0)]


def make_magazine(root, startup):
    harness.make_magazine(root, PREFS + ("STARTUP_IMAGE: start.ppm\n" if startup else ""), ARTICLES)
    # Every glyph cell solid white except the space of either grid: text shows as lit blocks.
    harness.write_ppm(os.path.join(root, "Fonts", "font4.pbm"), 256, 256, lambda x, y: (0,) * 3 if (
        x < 16 and y < 16) or (x < 8 and 128 <= y < 136) else (255,) * 3)
    harness.write_ppm(os.path.join(root, "Menus", "a_top.ppm"), 1280, 100, (0, 0, 120))
    harness.write_ppm(os.path.join(root, "Images", "start.ppm" if startup else "green.ppm"), 64, 64,
                      (0, 0, 255) if startup else (0, 255, 0))


def lit(p):
    return max(p) >= 100


def cell(row, column=0):
    """Design position of the middle of one body glyph ([ni]: no indent)."""
    return TEXT_X + 16 * column + 8, TEXT_Y + 16 * row + 8


def shows(img):
    """(article, page) that a screenshot shows: the article by its title's length in cells,
    the page by where the bar's thumb is."""
    cells = [lit(img.pixel(TEXT_X + 32 * c + 16, TITLE_Y)) for c in range(10)] + [False]
    article = {6: A, 4: B, 2: C}.get(cells.index(False))
    rows = [y for y in range(BAR[1], BAR[3]) if 25 <= img.pixel((BAR[0] + BAR[2]) // 2, y)[0] <= 120]
    if not (article and rows):
        return article, None
    return article, int(((rows[0] + rows[-1]) / 2 - BAR[1]) // ((BAR[3] - BAR[1]) / PAGES[article]))


class Reading(harness.Case):
    def start(self, resolution, startup=False, screen="1280x960"):
        root = self.tmp("pagovia-read-")
        make_magazine(root, startup)
        x = self.xserver(screen)
        return x, self.viewer(x, root, resolution=resolution)

    def test_keyboard(self):
        x, v = self.start("hi", startup=True)

        def blue():
            return x.capture().pixel(640, 480)[2] > 200
        harness.wait_for(blue, 10, what="startup picture")
        v.key("shift", "ctrl")                              # modifiers are no key
        v.click(*v.design_to_screen(640, 480), button=4)    # nor is the wheel
        time.sleep(0.3)
        self.assertTrue(blue(), "the startup picture went away without a real key")
        v.key("Escape")                                     # ends the picture, not the program
        for keys, article, page in KEY_STEPS:
            with self.subTest(keys=keys):
                self.assertEqual(shows(v.screenshot(keys, timeout=10)), (article, page))
        v.key("q")
        time.sleep(1.6)                                     # past the fade-in
        img = v.screenshot()
        self.assertGreater(max(img.pixel(640, 480)[1:]), 200, "the slideshow shows a picture")
        self.assertEqual(shows(img)[0], None)
        img = v.screenshot(["q"])
        self.assertEqual(shows(img), (C, 0))
        self.assertLess(max(img.pixel(640, 480)), 50)
        v.key("Escape")
        self.assertEqual(v.wait_exit(10), 0, v.stderr())
        self.assertIn("screenshot.ppm", v.stdout())

    def test_mouse_on_a_letterboxed_screen(self):
        x, v = self.start("lo", screen="1280x1024")
        self.assertEqual(x.geometry(v.window), (0, 0, 1280, 1024))  # full screen

        def click(point, article=None, page=None, button=1):
            v.click(*v.design_to_screen(*point), button=button)
            if article:
                self.assertEqual(shows(v.screenshot(timeout=10)), (article, page), point)

        def menu(link):
            x0, y0, x1, y1 = MENUS[link]
            return (x0 + x1) // 2, (y0 + y1) // 2

        def hover(point, looks, *cells):
            """The screen itself, not a screenshot (which redraws all): the hover must redraw."""
            v.move(*v.design_to_screen(*point))
            return harness.wait_for(lambda: looks([x.capture().pixel(*v.design_to_screen(*cell(*c))) for c in cells]),
                                    5, what="%s at %s" % (looks.__name__, point))

        def plain(pixels):  # links in their item colour
            return all(lit(p) and p[2] > p[0] + 50 for p in pixels)

        def red(pixels):
            return all(p[0] > 200 and p[1] < 60 for p in pixels)
        click(menu("_NPAGE"), A, 1)
        hover((900, 500), plain, (LINK_ROW, 1), (WRAPPED_ROW, 10), (WRAPPED_ROW + 1, 1))  # the wrapped one on both rows
        hover(cell(LINK_ROW, 2), red, (LINK_ROW, 1))
        hover(cell(LINK_ROW, 2), plain, (WRAPPED_ROW, 10))  # only the link under the pointer
        hover(cell(WRAPPED_ROW + 1, 2), red, (WRAPPED_ROW, 10), (WRAPPED_ROW + 1, 1))  # red on both rows
        hover((900, 500), plain, (LINK_ROW, 1), (WRAPPED_ROW, 10), (WRAPPED_ROW + 1, 1))  # and back
        click(cell(TUNE_ROW, 3), A, 1)  # a tune item only talks to the player
        click(cell(WRAPPED_ROW + 1, 2), C, 0)
        click(menu("_NEXT"))
        click(menu("_NPAGE"), A, 1)
        click(cell(LINK_ROW, 3), B, 0)  # an article link opens its first page
        for button in (4, 5, 3):        # the wheel and the right button are no clicks
            click(menu("_NPAGE"), B, 0, button=button)
        click(menu("_NEXT"), C, 0)
        click(menu("_PREV"))
        click(menu("_PREV"), A, 0)
        click((MENUS["_NPAGE"][0], 900), A, 0)  # the left edge is outside the selection
        click(menu("_QUIT"))
        self.assertEqual(v.wait_exit(10), 0, v.stderr())
