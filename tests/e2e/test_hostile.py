"""Hostile magazines against the real viewer: FIFOs where prefs.txt, a scroll file, the font
atlas, the default background and the pointer sheet belong (each once blocked start-up forever),
and prefs values meant to freeze it. Each row is one viewer run: it must keep drawing, answer
Escape within a second and quit with status 0."""
import os
import time

import harness

TICKER = "SCROLLTEXTS: 1\nSCROLL_COORDS: 80,860\nSCROLL_LENGTH: 20\nSCROLL_FILES: %s\n"
# Every magazine has an article and a real ticker text, so prefs rows can name it.
FILES = {"ScrollTexts/news.txt": "Hostile news travels fast. "}

# (what, prefs.txt text or None for a FIFO there, paths made FIFOs, lines expected on stderr)
CASES = [
    ("FIFO prefs, font atlas, background and pointer sheet", None,
     ["Fonts/font4.pbm", "Images/bkg4.pbm", "Pointers/pointers.iff"],
     ["Fonts/font4.pbm: Unable to open picture: not a regular file (a FIFO)",
      "Images/bkg4.pbm: Unable to open picture: not a regular file (a FIFO)",
      "Pointers/pointers.iff: not a regular file (a FIFO); no pointer shapes"]),
    ("FIFO scroll file", TICKER % "pipe.txt", ["ScrollTexts/pipe.txt"], []),
    # Regression: 2^31-1 cells overflowed and drew 2^31 quads a frame; 10^7 cost seconds a frame.
    ("endless ticker", (TICKER % "news.txt").replace(": 20", ": 2147483647"), [],
     ["prefs.txt:3: SCROLL_LENGTH: 2147483647 clamped to 80"]),
    ("long ticker at the int limits", (TICKER % "news.txt").replace("80,860", "2147483647,-2147483648")
     .replace(": 20", ": 10000000") + "ARTICLE_BAR_COORDS: 0,-2147483648,10,2147483647\n"
     "ARTICLE_ROW_OFFSET: 2147483647\nARTICLE_TEXT_START: -2147483648,2147483647\n", [],
     ["prefs.txt:2: SCROLL_COORDS: 2147483647 clamped to 32768", "prefs.txt:3: SCROLL_LENGTH: 10000000 clamped",
      "prefs.txt:5: ARTICLE_BAR_COORDS: -2147483648 clamped", "prefs.txt:6: ARTICLE_ROW_OFFSET: 2147483647 clamped"]),
]


class HostileMagazines(harness.Case):
    def test_viewer_keeps_drawing_and_quits_on_escape(self):
        x = self.xserver()
        for what, prefs, fifos, lines in CASES:
            with self.subTest(what):
                root = harness.make_magazine(self.tmp("pagovia-hostile-"), prefs or "", {"01_Hello": "Hello."}, FILES)
                if prefs is None:
                    os.remove(os.path.join(root, "prefs.txt"))
                for rel in (["prefs.txt"] if prefs is None else []) + fifos:
                    os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
                    os.mkfifo(os.path.join(root, rel))
                v = self.viewer(x, root)
                v.screenshot()  # a frame drawn on request: the main loop runs
                started = time.monotonic()
                v.key("Escape")
                self.assertEqual(v.wait_exit(5), 0)
                self.assertLess(time.monotonic() - started, 1.0)
                for line in lines:
                    self.assertIn(line, v.stderr())
                x.wait_gone(harness.TITLE)
