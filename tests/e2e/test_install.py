"""Installed like a real Linux program: `cmake --install` into a prefix other than the configured
one, the Debian package CPack makes, and the installed viewer on a magazine without a player of
its own (an untrusted one refused): the installed player plays, Escape leaves the magazine as it was."""
import os
import shutil
import tempfile

import harness


def run(*args, **kw):
    return harness.run(*args, text=True, **kw)


def players_from(program):
    """Pids of the running processes whose program is `program`."""
    def exe(pid):
        try:
            return os.readlink("/proc/%s/exe" % pid)
        except OSError:
            return None
    return [int(p) for p in filter(str.isdigit, os.listdir("/proc")) if exe(p) == os.path.realpath(program)]


def snapshot(folder):
    """{relative path: (mode, size, mtime)} of everything under folder."""
    paths = [os.path.join(top, n) for top, dirs, files in os.walk(folder) for n in dirs + files]
    return {os.path.relpath(p, folder): (os.lstat(p).st_mode, os.lstat(p).st_size, os.lstat(p).st_mtime_ns) for p in paths}


class Installed(harness.Case):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="pagovia-install-")
        cls.prefix = os.path.join(cls.root, "prefix")
        # The package, built outside the build tree, and its files as apt would lay them out.
        packages, cls.unpacked = os.path.join(cls.root, "deb"), os.path.join(cls.root, "unpacked")
        run("cmake", "--install", harness.BUILD, "--prefix", cls.prefix, check=True)
        run("cpack", "-G", "DEB", "-B", packages, "--config", os.path.join(harness.BUILD, "CPackConfig.cmake"), check=True)
        debs = [f for f in os.listdir(packages) if f.endswith(".deb")]
        assert len(debs) == 1, debs
        cls.deb = os.path.join(packages, debs[0])
        run("dpkg-deb", "-x", cls.deb, cls.unpacked, check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_files_of_the_prefix_and_the_package(self):
        pages = sorted(f for f in os.listdir(os.path.join(harness.SOURCE, "docs", "man")) if f.endswith(".1"))
        wanted = ["bin/pagovia", "bin/pagovia-proof", "libexec/pagovia/tunedeck", "share/pagovia/demo/prefs.txt",
                  "share/pagovia/demo/Fonts/font4.pbm", "share/pagovia/demo/Pointers/pointers.iff",
                  "share/applications/pagovia.desktop", "share/icons/hicolor/scalable/apps/pagovia.svg",
                  "share/man/man1/pagovia.1", "share/man/man1/tunedeck.1"]
        wanted += ["share/man/man1/" + p for p in pages]
        wanted += ["bin/" + p[:-2] for p in pages if p != "tunedeck.1"]  # each tool with a page
        unwanted = ["bin/tunedeck", "share/pagovia/demo/musicplayer", "bin/pagovia-gen-font"]
        listing = run("dpkg-deb", "-c", self.deb).stdout
        packaged = {line.split()[-1].lstrip(".") for line in listing.splitlines()}
        fields = {f: run("dpkg-deb", "-f", self.deb, f).stdout.strip() for f in ("Depends", "Maintainer", "Description")}
        for where, exists in (("prefix", lambda p: os.path.exists(os.path.join(self.prefix, p))),
                              ("package", lambda p: "/usr/" + p in packaged)):
            with self.subTest(where):
                self.assertEqual([], [p for p in wanted if not exists(p)])
                self.assertEqual([], [p for p in unwanted if exists(p)])
        self.assertFalse([p for p in packaged if p.startswith("/usr/local")])
        self.assertTrue("libopenmpt0" in fields["Depends"] and "libglut" in fields["Depends"], fields)
        self.assertTrue(fields["Maintainer"] and fields["Description"], fields)
        # The desktop entry is valid and opens the demo of the prefix it was installed to.
        for base, shown in ((self.prefix, self.prefix), (os.path.join(self.unpacked, "usr"), "/usr")):
            desktop = os.path.join(base, "share/applications/pagovia.desktop")
            check = run("desktop-file-validate", desktop)
            self.assertEqual((0, ""), (check.returncode, check.stdout + check.stderr))
            with open(desktop) as f:
                self.assertIn('Exec="%s/bin/pagovia" "%s/share/pagovia/demo"' % (shown, shown), f.read())

    def test_installed_viewer_plays_with_the_installed_player(self):
        demo = os.path.join(self.prefix, "share", "pagovia", "demo")
        self.assertTrue(os.listdir(os.path.join(demo, "Songs")), "the demo has no tunes to play")
        marker = os.path.join(self.root, "magazine-player-ran")
        # (case, prefix, magazine, the magazine's own player's mode or None)
        cases = [("copy without a player", self.prefix, "copy", None),
                 ("untrusted player refused", self.prefix, "copy", 0o775),
                 ("package on its own demo", os.path.join(self.unpacked, "usr"), None, None)]
        x = self.xserver()
        for i, (case, prefix, copy, mode) in enumerate(cases):
            with self.subTest(case):
                magazine = os.path.join(prefix, "share", "pagovia", "demo")
                if copy:
                    magazine = os.path.join(self.root, "magazine-%d" % i)
                    shutil.copytree(demo, magazine)
                if mode is not None:
                    os.makedirs(os.path.join(magazine, "musicplayer"))
                    own = os.path.join(magazine, "musicplayer", "tunedeck")
                    with open(own, "w") as f:
                        f.write("#!/bin/sh\ntouch '%s'\nsleep 30\n" % marker)
                    os.chmod(own, mode)
                before = snapshot(magazine)
                player = os.path.join(prefix, "libexec", "pagovia", "tunedeck")
                viewer = self.viewer(x, self.root, command=[os.path.join(prefix, "bin", "pagovia"), magazine])
                started = harness.wait_for(lambda: players_from(player), what="the installed player")
                self.assertEqual(1, len(started))
                viewer.key("Escape", "Escape")  # the first only ends the startup picture
                self.assertEqual(0, viewer.wait_exit(10), viewer.stderr())
                harness.wait_for(lambda: not players_from(player), 10, what="the player to end")
                self.assertFalse(os.path.exists(marker))
                refusals = [l for l in viewer.stderr().splitlines() if "not run as the player" in l]
                self.assertEqual(1 if mode else 0, len(refusals), viewer.stderr())
                if mode:
                    self.assertIn("musicplayer/tunedeck: not run as the player (writable by group or others); using "
                                  + os.path.realpath(player), refusals[0])
                self.assertEqual(before, snapshot(magazine))

