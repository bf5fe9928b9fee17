"""pagovia-proof run as a magazine maker runs it, in a magazine directory made by the test:
the row and page listings under the directory's prefs.txt, the per-article page counts,
the diagnostics on standard error, and the one-line refusals with exit status 2."""
import os
import shutil
import subprocess
import tempfile
import unittest

BUILD = os.environ.get("PAGOVIA_BUILD",
                       os.path.join(os.path.dirname(__file__), "..", "..", "build"))
PROOF = os.path.join(BUILD, "pagovia-proof")

ARTICLE = b"[ni]aaa bbb ccc ddd eee fgh\nNext paragraph\n"


class Proof(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pagovia-proof-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.write("prefs.txt", b"ARTICLE_MAX_CHARACTERS_ROW: 20\nARTICLE_ROWS: 1\n")
        os.mkdir(os.path.join(self.dir, "Articles"))
        self.write("Articles/Intro", ARTICLE)

    def write(self, name, data):
        with open(os.path.join(self.dir, name), "wb") as f:
            f.write(data)

    def proof(self, *args):
        return subprocess.run([PROOF, *args], cwd=self.dir, capture_output=True, timeout=60)

    # --- listings ---
    def test_rows_follow_the_preferences(self):
        run = self.proof("--rows", "Articles/Intro")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.decode().splitlines(), [
            "1 1 4 19 23 p 1.2500 0",   # [ni] consumed; broken at the last blank and widened
            "1 2 24 4 28 p 1.0000 0",   # the blank is dropped; the line feed is a column
            "2 1 28 15 43 i 1.0000 0",  # a new paragraph is indented
            "2 2 43 0 43 i 1.0000 0",   # the empty row behind the last line feed
        ])
        self.assertEqual(run.stderr, b"")

    def test_pages_list_offsets_and_paragraph_flags(self):
        run = self.proof("--pages", "Articles/Intro")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.decode().splitlines(), ["1 0 1", "2 28 1"])

    def test_files_on_the_command_line_with_their_page_counts(self):
        self.write("Articles/Empty", b"")
        run = self.proof("Articles/Intro", "Articles/Empty")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.decode().splitlines(), ["Articles/Intro 2", "Articles/Empty 1"])

    # --- diagnostics ---
    def test_markup_and_preference_diagnostics_go_to_standard_error(self):
        self.write("prefs.txt", b"ARTICLE_MAX_CHARACTERS_ROW: 2\n")
        self.write("Articles/Bad", b"[mi=Intro]no end tag\n")
        run = self.proof("--pages", "Articles/Bad")
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.stdout, b"1 0 1\n")
        err = run.stderr.decode()
        self.assertIn("ARTICLE_MAX_CHARACTERS_ROW: 2 refused", err)
        self.assertIn("Start menu item found, but no end tag '[/mi]'!\n", err)

    def test_unknown_option_is_refused_in_one_line(self):
        run = self.proof("--colums", "Articles/Intro")
        self.assertEqual(run.returncode, 2)
        self.assertEqual(run.stdout, b"")
        self.assertEqual(run.stderr.count(b"\n"), 1)
        self.assertIn(b"--colums", run.stderr)

    def test_unreadable_or_missing_file_is_refused_in_one_line(self):
        for args in (["--rows", "Articles/Missing"], ["--pages", "Articles"], ["Articles/Missing"], ["--rows"]):
            run = self.proof(*args)
            self.assertEqual(run.returncode, 2, args)
            self.assertEqual(run.stderr.count(b"\n"), 1, args)


if __name__ == "__main__":
    unittest.main()
