"""pagovia-check, the authoring checker, run as a magazine maker runs it: a magazine with one
mistake of each kind planted at a known line gets exactly those findings, the demo none; the
JSON form says the same as the text form; exit statuses; the time a large magazine takes."""
import json
import os
import re
import shutil
import time

import harness

CHECKER = os.path.join(harness.BUILD, "pagovia-check")
DEMO = harness.DEMO

# Planted lines with the findings expected there: "e:" error or "w:" warning, the check name,
# "@N" where the column is checked. VIEWER marks findings the viewer's own code reports.
PREFS = [
    ("# planted mistakes, one a line", ""),
    ("MENUS: 3", ""),
    ("MENU_COORDS: 0,0,100,40,200,0,300,40,1200,900,1300,990", "e:coordinates"),
    ("MENU_LINKS: _NEXT,02_Storyy,_QUIT", "e:menu-link@19"),
    ("ARTICLE_ROW: 40", "w:prefs-unknown-key"),                 # VIEWER, ARTICLE_ROWS suggested
    ("ARTICLE_MAX_CHARACTERS_ROW: 2", "e:prefs-row-width"),     # VIEWER
    ("ARTICLE_ROWS: -3", "e:prefs-rows-negative"),              # VIEWER
    ("STARTUP_IMAGE: titel.ppm", "e:startup-image"),
    ("SCROLLTEXTS: 2", ""),
    ("SCROLL_COORDS: 80,860,80,2000", ""),                      # gone once line 16 sets the tickers anew
    ("SCROLL_LENGTH: 70", "w:prefs-scroll-length-count"),       # VIEWER
    ("SCROLL_FILES: news.txt,missing.txt", "w:prefs-scroll-files-count e:scroll-file-unreadable"),  # VIEWER
    ("KEY_SHORTCUTS: q=01_Welcome,x=05_Nothing, h=01_Welcome",
     "w:shortcut-shadows-key@16 e:shortcut-target@29 w:shortcut-blank"),
    ("KEY_SPECIAL_SHORTCUTS: F1=01_Welcome,F2=Nope", "e:shortcut-target"),
    ("ARTICLE_TEXT_START: 400,144", "e:coordinates"),
    ("SCROLLTEXTS: 300", "e:prefs-scrolltexts-limit"),         # VIEWER: cut to 256
]
WELCOME = [
    # UTF-8 is shown in Latin-1; the viewer names the file of a character it has no place for (line 10).
    ("[bkg=sunset.ppm][h1]Welcome", "w:utf8-no-cell"),
    ("Read [mi=02_Story]the story[/mi] or [mi=03_Missing]this[/mi].", "e:link-target@37"),
    ("Play [music=nothere.mod]a tune[/music] or [music=good.mod]this[/music].", "e:music-target"),
    ("A stray [/music] closes nothing.", "w:stray-closing-tag"),
    ("[COL=#ff0000]red and [mi ]odd.", "w:unknown-tag w:unknown-tag"),
    ("Half a [col=1.0 0.5]colour[/col].", "e:colour-value"),
    ("x" * 60 + " [mi=02_Story]wrapping link text[/mi] end.", "e:link-wraps@62"),
    ("Windows line end\r", "w:cr-line-end"),
    ("A\ttab.", "w:tab"),
    ("Un caf\u00e9 \u2603.", ""),
    ("A late [bkg=sunset.ppm] background.", "w:background-ignored"),
    ("Text with [h1] inside.", "w:marker-as-text"),
    ("[mi=" + "L" * 45 + "]long[/mi]", "e:link-too-long"),
    ("[h1]A heading far too long for its double-width row", "w:heading-too-long"),
    ("[mi=02_Story]outer [mi=_NEXT]inner[/mi]", "e:link-not-closed"),
    ("[mi=02_Story]never closed", "e:menu-item-no-end-tag"),   # VIEWER
]
OTHERS = [  # (file, line, findings) elsewhere
    ("Articles/01_Welcome~", 1, "w:backup-file"), ("Articles/02_Story", 1, "e:background-missing"),
    ("Articles/02_Story", 47, "w:empty-last-page"), ("Articles/02_story", 1, "w:name-case"),
    ("Articles/03_Empty", 1, "w:empty-article"), ("Articles/04_A_title_much_longer_than_half_a_row_holds", 1,
                                                  "w:title-too-long"),
    ("Images/comment.ppm", 1, "e:ppm-header"), ("Images/photo.ppm", 1, "e:picture-format"),  # VIEWER
    ("Images/short.ppm", 1, "e:ppm-short"), ("Menus/b_bottom.ppm", 1, "w:menu-width"),       # VIEWER
    ("Menus/c_extra.ppm", 1, "w:menu-unused"), ("Songs/bad.mod", 1, "e:song-decode"),
    ("Pointers/pointers.iff", 1, "e:pointer-sheet"),  # VIEWER: the system pointer shows
    ("Songs/good.mod", 1, "w:name-case"),
]
LINE = re.compile(r"^(.*?):(\d+)(?::(\d+))?: (error|warning|note): (.*) \[([a-z0-9-]+)\]$")


def expected():
    """[(file, line, severity, check)] and {(file, line, check): column}."""
    rows = [("prefs.txt", n + 1, f) for n, (_, f) in enumerate(PREFS)]
    rows += [("Articles/01_Welcome", n + 1, f) for n, (_, f) in enumerate(WELCOME)] + OTHERS
    found, columns = [], {}
    for file, line, findings in rows:
        for f in findings.split():
            level, check, column = re.match(r"([ew]):([a-z0-9-]+)(?:@(\d+))?$", f).groups()
            found.append((file, line, {"e": "error", "w": "warning"}[level], check))
            columns.update({(file, line, check): int(column)} if column else {})
    return sorted(found), columns


def ppm(width, height):
    return b"P6\n%d %d\n255\n" % (width, height) + bytes((200, 80, 40)) * (width * height)


def planted_magazine(root):
    with open(os.path.join(DEMO, "Songs", "tecnoballz.mod"), "rb") as f:
        tune = f.read()
    with open(os.path.join(DEMO, "Fonts/font4.pbm"), "rb") as f:
        font = f.read()
    files = {"ScrollTexts/news.txt": b"News of the day\n", "Images/sunset.ppm": ppm(16, 16),
             "Images/title.ppm": ppm(16, 16), "Images/photo.ppm": b"\x89PNG\r\n\x1a\n" + bytes(32),
             "Images/comment.ppm": b"P6\n# made by hand\n16 16\n255\n" + bytes(768),
             "Images/short.ppm": b"P6\n16 16\n255\n" + bytes(100), "Menus/a_top.ppm": ppm(1280, 8),
             "Menus/b_bottom.ppm": ppm(1000, 8), "Menus/c_extra.ppm": ppm(1280, 8), "Songs/good.mod": tune,
             "Songs/Good.mod": tune, "Songs/bad.mod": b"no tune at all" * 50, "Fonts/font4.pbm": font,
             "Pointers/pointers.iff": b"FORM\0\0\0\4ILBM"}  # an IFF with no picture in it
    articles = {"01_Welcome": "\n".join(t for t, _ in WELCOME).encode("utf-8"),
                "01_Welcome~": b"an editor's backup\n",
                "02_Story": b"[bkg=missing.ppm]Story\n" + b"line\n" * 45,  # its last page empty
                "02_story": b"the same name in lower case\n", "03_Empty": b"",
                "04_A_title_much_longer_than_half_a_row_holds": b"Text.\n"}
    harness.make_magazine(root, "\n".join(t for t, _ in PREFS) + "\n", articles, files)


def run(*args):
    return harness.run(CHECKER, *args)


class Checker(harness.Case):
    maxDiff = None

    def setUp(self):
        if not (os.path.exists(CHECKER) and os.path.isdir(os.path.join(DEMO, "Songs"))):
            self.skipTest("pagovia-check or the demo magazine (with its tunes) is not built")
        self.root = self.tmp("pagovia-check-")

    def test_planted_mistakes_are_named_at_their_lines(self):
        planted_magazine(self.root)
        text = run(self.root)
        lines = text.stdout.decode("utf-8").splitlines()
        found = []
        for line in lines[:-1]:
            m = LINE.match(line)
            self.assertTrue(m, "not a finding line: %r" % line)
            found.append({"file": m[1], "line": int(m[2]), "column": m[3] and int(m[3]), "severity": m[4],
                          "check": m[6], "message": m[5]})
        want, columns = expected()
        for f in found:
            self.assertEqual(f["column"], columns.get((f["file"], f["line"], f["check"]), f["column"]), f)
        severities = [f["severity"] for f in found]
        self.assertEqual(lines[-1], "%d errors, %d warnings" % (severities.count("error"), severities.count("warning")))
        self.assertEqual(text.returncode, 1)
        # Sorted by file, then line, as editors expect.
        self.assertEqual([(f["file"], f["line"]) for f in found], sorted((f["file"], f["line"]) for f in found))
        # The JSON form holds the same findings, and nothing else is on standard output.
        as_json = run("--json", self.root)
        self.assertEqual((as_json.returncode, json.loads(as_json.stdout)), (1, found))
        self.assertEqual(sorted((f["file"], f["line"], f["severity"], f["check"]) for f in found), want)

    def test_demo_is_clean_and_exit_statuses(self):
        demo = run("--strict", DEMO)
        self.assertEqual((demo.returncode, demo.stdout), (0, b""), demo.stdout.decode())
        self.assertEqual(json.loads(run("--json", DEMO).stdout), [])
        shutil.copytree(DEMO, self.root, dirs_exist_ok=True)
        with open(os.path.join(self.root, "Articles", "10_Long"), "w") as f:
            f.write("[h1]" + "W" * 40 + "\n")  # a warning alone
        for args, status, says in [([self.root], 0, ""), (["--strict", self.root], 1, ""),
                                   ([os.path.join(self.root, "Articles")], 2, "no prefs.txt"),
                                   ([os.path.join(self.root, "nowhere")], 2, "cannot enter"),
                                   (["--fast", self.root], 2, "unknown option"),
                                   ([self.root, self.root], 2, "one magazine")]:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, status, r.stdout.decode() + r.stderr.decode())
                self.assertIn(says, r.stderr.decode())
                self.assertEqual(r.stdout if status == 2 else b"", b"")

    def test_large_catalogue_is_fast_and_names_what_the_viewer_drops(self):
        shutil.copytree(DEMO, self.root, dirs_exist_ok=True)
        with open(os.path.join(DEMO, "Articles", "05_Story"), "rb") as f:
            body = f.read()
        for i in range(1030):
            with open(os.path.join(self.root, "Articles", "%04d_Extra" % i), "wb") as f:
                f.write(body)
        start = time.monotonic()
        r = run("--json", self.root)
        elapsed = time.monotonic() - start
        dropped = sorted(f["file"] for f in json.loads(r.stdout) if f["check"] == "too-many-files")
        # 1040 files: the viewer keeps the 1024 whose names sort first ("0000_Extra" before
        # "00_Welcome", which comes before "0100_Extra").
        self.assertEqual(dropped, ["Articles/%04d_Extra" % i for i in range(1014, 1030)])
        self.assertLess(elapsed, 5.0)
