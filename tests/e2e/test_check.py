"""pagovia-check, the authoring checker, run as a magazine maker runs it: a magazine with one
mistake of each kind planted at a known line gets exactly those findings, the demo none; the
JSON form says the same as the text form; exit statuses; the time a large magazine takes."""
import json
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import BUILD

CHECKER = os.path.join(BUILD, "pagovia-check")
DEMO = os.path.join(BUILD, "demo")

PREFS = """# planted mistakes, one a line
MENUS: 3
MENU_COORDS: 0,0,100,40,200,0,300,40,1200,900,1300,990
MENU_LINKS: _NEXT,02_Storyy,_QUIT
ARTICLE_ROW: 40
ARTICLE_MAX_CHARACTERS_ROW: 2
ARTICLE_ROWS: -3
STARTUP_IMAGE: titel.ppm
SCROLLTEXTS: 2
SCROLL_COORDS: 80,860,80,2000
SCROLL_LENGTH: 70
SCROLL_FILES: news.txt,missing.txt
KEY_SHORTCUTS: q=01_Welcome,x=05_Nothing, h=01_Welcome
KEY_SPECIAL_SHORTCUTS: F1=01_Welcome,F2=Nope
ARTICLE_TEXT_START: 400,144
SCROLLTEXTS: 300
"""

WELCOME = "\n".join([
    "[bkg=sunset.ppm][h1]Welcome",                                        # 1
    "Read [mi=02_Story]the story[/mi] or [mi=03_Missing]this[/mi].",      # 2 link-target
    "Play [music=nothere.mod]a tune[/music] or [music=good.mod]this[/music].",  # 3 music-target
    "A stray [/music] closes nothing.",                                   # 4 stray-closing-tag
    "[COL=#ff0000]red and [mi ]odd.",                                     # 5 unknown-tag x2
    "Half a [col=1.0 0.5]colour[/col].",                                  # 6 colour-value
    "x" * 60 + " [mi=02_Story]wrapping link text[/mi] end.",              # 7 link-wraps
    "Windows line end\r",                                                 # 8 cr-line-end
    "A\ttab.",                                                            # 9 tab
    "Un caf\u00e9 \u2603.",                                              # 10 utf8: é shown, the snowman not
    "A late [bkg=sunset.ppm] background.",                                # 11 background-ignored
    "Text with [h1] inside.",                                             # 12 marker-as-text
    "[mi=" + "L" * 45 + "]long[/mi]",                                     # 13 link-too-long
    "[h1]" + "A heading far too long for its double-width row",          # 14 heading-too-long
    "[mi=02_Story]outer [mi=_NEXT]inner[/mi]",                            # 15 link-not-closed
    "[mi=02_Story]never closed",                                          # 16 unclosed (viewer)
]).encode("utf-8")

ARTICLES = {
    "01_Welcome": WELCOME,
    "01_Welcome~": b"an editor's backup\n",                               # backup-file
    "02_Story": b"[bkg=missing.ppm]Story\n" + b"line\n" * 45,             # background-missing, empty-last-page
    "02_story": b"the same name in lower case\n",                         # name-case
    "03_Empty": b"",                                                      # empty-article
    "04_A_title_much_longer_than_half_a_row_holds": b"Text.\n",           # title-too-long
}

# (file, line, severity, check); VIEWER marks the findings the viewer's own code tells
# through the report service (the checker places its tag messages and names their level).
EXPECTED = [
    ("Articles/01_Welcome", 2, "error", "link-target"),
    ("Articles/01_Welcome", 3, "error", "music-target"),
    ("Articles/01_Welcome", 4, "warning", "stray-closing-tag"),
    ("Articles/01_Welcome", 5, "warning", "unknown-tag"),
    ("Articles/01_Welcome", 5, "warning", "unknown-tag"),
    ("Articles/01_Welcome", 6, "error", "colour-value"),
    ("Articles/01_Welcome", 7, "error", "link-wraps"),
    ("Articles/01_Welcome", 8, "warning", "cr-line-end"),
    ("Articles/01_Welcome", 9, "warning", "tab"),
    # UTF-8 is shown in Latin-1 (é as its base letter where the font lacks it); the viewer
    # names the file of a character Latin-1 has no place for.
    ("Articles/01_Welcome", 1, "warning", "utf8-no-cell"),
    ("Articles/01_Welcome", 11, "warning", "background-ignored"),
    ("Articles/01_Welcome", 12, "warning", "marker-as-text"),
    ("Articles/01_Welcome", 13, "error", "link-too-long"),
    ("Articles/01_Welcome", 14, "warning", "heading-too-long"),
    ("Articles/01_Welcome", 15, "error", "link-not-closed"),
    ("Articles/01_Welcome", 16, "error", "menu-item-no-end-tag"),  # VIEWER once tags go through report()
    ("Articles/01_Welcome~", 1, "warning", "backup-file"),
    ("Articles/02_Story", 1, "error", "background-missing"),
    ("Articles/02_Story", 47, "warning", "empty-last-page"),
    ("Articles/02_story", 1, "warning", "name-case"),
    ("Articles/03_Empty", 1, "warning", "empty-article"),
    ("Articles/04_A_title_much_longer_than_half_a_row_holds", 1, "warning", "title-too-long"),
    ("Images/comment.ppm", 1, "error", "ppm-header"),  # VIEWER
    ("Images/photo.ppm", 1, "error", "picture-format"),
    ("Images/short.ppm", 1, "error", "ppm-short"),  # VIEWER
    ("Menus/b_bottom.ppm", 1, "warning", "menu-width"),
    ("Menus/c_extra.ppm", 1, "warning", "menu-unused"),
    ("Pointers/pointers.iff", 1, "error", "pointer-sheet"),  # VIEWER: the system pointer shows
    ("Songs/bad.mod", 1, "error", "song-decode"),
    ("Songs/good.mod", 1, "warning", "name-case"),
    ("prefs.txt", 3, "error", "coordinates"),
    ("prefs.txt", 4, "error", "menu-link"),
    ("prefs.txt", 5, "warning", "prefs-unknown-key"),  # VIEWER, ARTICLE_ROWS suggested
    ("prefs.txt", 6, "error", "prefs-row-width"),      # VIEWER
    ("prefs.txt", 7, "error", "prefs-rows-negative"),  # VIEWER
    ("prefs.txt", 8, "error", "startup-image"),
    # Line 10's coordinates are gone once line 16 sets the scroll texts anew.
    ("prefs.txt", 11, "warning", "prefs-scroll-length-count"),  # VIEWER
    ("prefs.txt", 12, "warning", "prefs-scroll-files-count"),   # VIEWER
    ("prefs.txt", 12, "error", "scroll-file-unreadable"),       # VIEWER
    ("prefs.txt", 13, "warning", "shortcut-shadows-key"),
    ("prefs.txt", 13, "error", "shortcut-target"),
    ("prefs.txt", 13, "warning", "shortcut-blank"),
    ("prefs.txt", 14, "error", "shortcut-target"),
    ("prefs.txt", 15, "error", "coordinates"),
    ("prefs.txt", 16, "error", "prefs-scrolltexts-limit"),  # VIEWER: cut to 256
]
# Findings placed at a column: (file, line, check) -> column.
COLUMNS = {
    ("Articles/01_Welcome", 2, "link-target"): 37,
    ("Articles/01_Welcome", 7, "link-wraps"): 62,
    ("prefs.txt", 4, "menu-link"): 19,
    ("prefs.txt", 13, "shortcut-target"): 29,
    ("prefs.txt", 13, "shortcut-shadows-key"): 16,
}


def ppm(width, height, rgb=(200, 80, 40)):
    return b"P6\n%d %d\n255\n" % (width, height) + bytes(rgb) * (width * height)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write_files(root, files):
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def planted_magazine(root):
    tune = read(os.path.join(DEMO, "Songs", "tecnoballz.mod"))
    files = {"prefs.txt": PREFS.encode(), "ScrollTexts/news.txt": b"News of the day\n",
             "Images/sunset.ppm": ppm(16, 16), "Images/title.ppm": ppm(16, 16),
             "Images/photo.ppm": b"\x89PNG\r\n\x1a\n" + bytes(32),
             "Images/comment.ppm": b"P6\n# made by hand\n16 16\n255\n" + bytes(768),
             "Images/short.ppm": b"P6\n16 16\n255\n" + bytes(100),
             "Menus/a_top.ppm": ppm(1280, 8), "Menus/b_bottom.ppm": ppm(1000, 8),
             "Menus/c_extra.ppm": ppm(1280, 8),
             "Songs/good.mod": tune, "Songs/Good.mod": tune, "Songs/bad.mod": b"no tune at all" * 50}
    files.update({"Articles/" + name: text for name, text in ARTICLES.items()})
    files["Fonts/font4.pbm"] = read(os.path.join(DEMO, "Fonts/font4.pbm"))
    files["Pointers/pointers.iff"] = b"FORM\0\0\0\4ILBM"  # an IFF with no picture in it
    write_files(root, files)


def run(*args):
    return subprocess.run([CHECKER, *args], capture_output=True, timeout=60)


LINE = re.compile(r"^(.*?):(\d+)(?::(\d+))?: (error|warning|note): (.*) \[([a-z0-9-]+)\]$")


def parse_text(stdout):
    """The GCC-style lines as dicts, and the summary line."""
    lines = stdout.decode("utf-8").splitlines()
    found = []
    for line in lines[:-1]:
        m = LINE.match(line)
        assert m, "not a finding line: %r" % line
        found.append({"file": m[1], "line": int(m[2]), "column": int(m[3]) if m[3] else None,
                      "severity": m[4], "message": m[5], "check": m[6]})
    return found, (lines[-1] if lines else "")


@unittest.skipUnless(os.path.exists(CHECKER) and os.path.isdir(os.path.join(DEMO, "Songs")),
                     "pagovia-check or the demo magazine (with its tunes) is not built")
class CheckerTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="pagovia-check-")
        self.addCleanup(shutil.rmtree, self.root, True)

    def test_planted_mistakes_are_named_at_their_lines(self):
        planted_magazine(self.root)
        text = run(self.root)
        found, summary = parse_text(text.stdout)
        got = [(f["file"], f["line"], f["severity"], f["check"]) for f in found]
        missing = []
        for want in EXPECTED:
            match = next((g for g in got if g[0] == want[0] and g[1] == max(want[1], 1) and
                          want[2] in (None, g[2]) and want[3] in (None, g[3])), None)
            if match:
                got.remove(match)
            else:
                missing.append(want)
        for f in found:
            key = (f["file"], f["line"], f["check"])
            if key in COLUMNS:
                self.assertEqual(f["column"], COLUMNS[key], key)
        errors = sum(f["severity"] == "error" for f in found)
        warnings = sum(f["severity"] == "warning" for f in found)
        self.assertEqual(summary, "%d errors, %d warnings" % (errors, warnings))
        self.assertEqual(text.returncode, 1)
        # Sorted by file, then line, as editors expect.
        self.assertEqual([(f["file"], f["line"]) for f in found], sorted((f["file"], f["line"]) for f in found))
        # The JSON form holds the same findings, and nothing else is on standard output.
        as_json = run("--json", self.root)
        self.assertEqual(as_json.returncode, 1)
        parsed = json.loads(as_json.stdout)
        self.assertEqual([{k: f[k] for k in ("file", "line", "column", "severity", "check", "message")}
                          for f in found], parsed)
        # Last, so that the checks above also run where the VIEWER rows are not yet reported.
        self.assertEqual((missing, got), ([], []), "missing findings, unexpected findings")

    def test_demo_is_clean_and_exit_statuses(self):
        demo = run("--strict", DEMO)
        self.assertEqual((demo.returncode, demo.stdout), (0, b""), demo.stdout.decode())
        self.assertEqual(json.loads(run("--json", DEMO).stdout), [])
        shutil.copytree(DEMO, self.root, dirs_exist_ok=True)
        write_files(self.root, {"Articles/10_Long": b"[h1]" + b"W" * 40 + b"\n"})  # a warning alone
        cases = [  # (arguments, status, what standard error says)
            ([self.root], 0, ""),
            (["--strict", self.root], 1, ""),
            ([os.path.join(self.root, "Articles")], 2, "no prefs.txt"),
            ([os.path.join(self.root, "nowhere")], 2, "cannot enter"),
            (["--fast", self.root], 2, "unknown option"),
            ([self.root, self.root], 2, "one magazine"),
        ]
        for args, status, says in cases:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, status, r.stdout.decode() + r.stderr.decode())
                self.assertIn(says, r.stderr.decode())
                if status == 2:
                    self.assertEqual(r.stdout, b"")

    def test_large_catalogue_is_fast_and_names_what_the_viewer_drops(self):
        shutil.copytree(DEMO, self.root, dirs_exist_ok=True)
        body = read(os.path.join(DEMO, "Articles", "05_Story"))
        for i in range(1030):
            write_files(self.root, {"Articles/%04d_Extra" % i: body})
        start = time.monotonic()
        r = run("--json", self.root)
        elapsed = time.monotonic() - start
        dropped = sorted(f["file"] for f in json.loads(r.stdout) if f["check"] == "too-many-files")
        # 1040 files: the viewer keeps the 1024 whose names sort first ("0000_Extra" before
        # "00_Welcome", which comes before "0100_Extra").
        self.assertEqual(dropped, ["Articles/%04d_Extra" % i for i in range(1014, 1030)])
        self.assertLess(elapsed, 5.0)


if __name__ == "__main__":
    unittest.main()
