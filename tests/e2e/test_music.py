"""Music end to end: the real tunedeck on real modules (Debian's tecnoballz-data) and a short one
written here, against a "demoport" built from the record layout; then the real viewer with the
real player: two viewers side by side, tunes that end or are killed, rapid clicks, a stopped player."""
import glob
import os
import pathlib
import shutil
import signal
import socket
import struct
import subprocess
import threading
import time

import harness

PLAYER = os.path.join(harness.BUILD, "tunedeck")
MODULES = sorted(glob.glob("/usr/share/games/tecnoballz/musics/*.mod"))
RECORD = struct.Struct("<IIBb4s4sHi1024s")  # 1048 bytes, native order on this machine
assert RECORD.size == 1048


def record(command):
    return RECORD.pack(0, 0, 5, 0, b"\0" * 4, b"\0" * 4, 1048, command, b"")


def short_module(rows):
    """A ProTracker module of one pattern with a tone; it ends after rows x 0.12 s."""
    pattern = bytearray(1024)
    pattern[0:4] = bytes([0, 214, 0x1F, 6])  # period 214, sample 1
    pattern[(rows - 1) * 16 + 4 + 2] = 0x0D  # pattern break: the end
    return (b"short".ljust(20, b"\0") + b"tone".ljust(22, b"\0") + struct.pack(">HBBHH", 128, 0, 64, 0, 128)
            + bytes(30) * 30 + bytes([1, 127]) + bytes(128) + b"M.K." + pattern + bytes(i * 8 & 0xFF for i in range(256)))


VIEWER_ID = str(os.getpid())  # the port directory the players here are told about


def port_dir(runtime, viewer=VIEWER_ID):
    return os.path.join(runtime, "pagovia", str(viewer))


class DemoPort:
    """The viewer's side of the reports: answers each record on "demoport" at once and
    remembers (time, command)."""

    def __init__(self, runtime):
        for d in (os.path.dirname(port_dir(runtime)), port_dir(runtime)):  # private, as the player demands
            os.mkdir(d, 0o700)
        self.path = os.path.join(port_dir(runtime), "demoport")
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        self.sock.bind(self.path)
        self.sock.listen(8)
        self.reports, self.bad = [], []
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while self.sock.fileno() >= 0:
            try:
                conn, _ = self.sock.accept()
                with conn:
                    conn.settimeout(2)
                    data = conn.recv(4096)
                    if len(data) != 1048 or data[8] != 5 or struct.unpack_from("<H", data, 18)[0] != 1048:
                        self.bad.append(data)
                    else:
                        self.reports.append((time.monotonic(), RECORD.unpack(data)[7]))
                        conn.send(data)
            except OSError:
                pass

    def codes(self):
        return [c for _, c in self.reports]

    def close(self):
        self.sock.close()


def send_to_player(runtime, command):
    """One exchange with "musicplayerport": the replied command word."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET) as s:
        s.settimeout(2.0)
        s.connect(os.path.join(port_dir(runtime), "musicplayerport"))
        s.send(record(command))
        return RECORD.unpack(s.recv(4096))[7]


def gone(pid):
    """True once the process has ended (a zombie waiting for its reaper counts as ended)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except FileNotFoundError:
        return True


class Player(harness.Case):
    def setUp(self):
        self.dir = self.tmp("pagovia-music-")
        self.runtime = os.path.join(self.dir, "run")
        os.mkdir(self.runtime, 0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, SDL_AUDIODRIVER="dummy", PAGOVIA_VIEWER=VIEWER_ID)
        self.port = DemoPort(self.runtime)
        self.addCleanup(self.port.close)
        self.player_port = os.path.join(port_dir(self.runtime), "musicplayerport")

    def start(self, args, **kw):
        p = subprocess.Popen(args, cwd=self.dir, env=self.env, stdin=subprocess.DEVNULL, **kw)
        self.addCleanup(p.__exit__, None, None, None)  # closes its pipes and reaps it
        self.addCleanup(lambda: p.poll() is None and p.kill())
        return p

    def write(self, name, data):
        pathlib.Path(self.dir, name).write_bytes(data)
        return os.path.join(self.dir, name)

    def play(self, path):
        return self.start([PLAYER, path], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def test_tunes_play_in_real_time_report_both_ends_and_stop_on_command(self):
        p = self.play(self.write("short.mod", short_module(12)))  # 1.44 s of music
        self.assertEqual(p.wait(20), 0)
        self.assertEqual(self.port.codes(), [0, 2])
        self.assertGreater(self.port.reports[1][0] - self.port.reports[0][0], 1.3, "raced through the tune")
        self.assertFalse(os.path.exists(self.player_port))
        if not MODULES:
            self.skipTest("tecnoballz-data is not installed")
        self.port.reports.clear()
        p = self.start([PLAYER, MODULES[0]], stdout=subprocess.DEVNULL)
        harness.wait_for(lambda: self.port.codes() == [0], 10, what="report 0")
        t0 = time.monotonic()
        self.assertEqual(send_to_player(self.runtime, 7), 7)  # other codes: answered, no effect
        self.assertLess(time.monotonic() - t0, 1.0)
        self.assertIsNone(p.poll())
        self.assertEqual(send_to_player(self.runtime, 2), 2)
        self.assertEqual(p.wait(5), 0)
        self.assertEqual((self.port.codes(), self.port.bad), ([0, 2], []))
        self.assertFalse(os.path.exists(self.player_port))

    def test_file_that_is_no_module_says_so_in_one_line(self):
        for name, data in (("noise.mod", os.urandom(3000)), ("empty.mod", b""), ("missing.mod", None)):
            with self.subTest(file=name):
                p = self.play(self.write(name, data) if data is not None else os.path.join(self.dir, name))
                self.assertOneLine(p.stderr.read().decode(), *([name] if data is not None else []))
                self.assertNotEqual(p.wait(10), 0)
        time.sleep(0.2)
        self.assertEqual(self.port.codes(), [])  # never claimed to play
        self.assertFalse(os.path.exists(self.player_port))

    def test_player_stops_soon_after_the_viewer_dies(self):
        # A stand-in viewer that starts the player and is then killed outright.
        viewer = self.start(["sh", "-c", '"$0" "$1" </dev/null >/dev/null & echo $!; exec sleep 60', PLAYER,
                             self.write("long.mod", short_module(64))], stdout=subprocess.PIPE)
        player = int(viewer.stdout.readline())
        harness.wait_for(lambda: self.port.codes() == [0], 10, what="report 0")
        viewer.kill()
        viewer.wait()
        t0 = time.monotonic()
        harness.wait_for(lambda: gone(player), 5, 0.02, what="the orphaned player to stop")
        self.assertLess(time.monotonic() - t0, 1.0)
        self.assertFalse(os.path.exists(self.player_port))


# ---- the real viewer -----------------------------------------------------------------------

def music_magazine(root, tunes):
    """A magazine whose left half is a _PMUSIC button and right half a _NMUSIC one, above them
    an item that plays the first tune of the real ones."""
    files = {"Fonts/font4.pbm": b"P6\n512 512\n255\n" + b"\xff" * (512 * 512 * 3)}
    files.update(("Songs/" + name, data) for name, data in tunes.items())
    prefs = "MENUS: 2\nMENU_COORDS: 0,200,640,800,640,200,1280,800\nMENU_LINKS: _PMUSIC,_NMUSIC\n"
    harness.make_magazine(root, prefs, articles={"01_Music": "[ni][music=%s]TUNE[/music]\n" % os.path.basename(MODULES[0])}, files=files)
    os.makedirs(os.path.join(root, "musicplayer"))
    shutil.copy(PLAYER, os.path.join(root, "musicplayer", "tunedeck"))
    return root


class ViewerMusic(harness.Case):
    def setUp(self):
        if len(MODULES) < 3:
            self.skipTest("tecnoballz-data is not installed")
        self.dir = self.tmp("pagovia-mag-")
        self.x = self.xserver()
        self.tunes = {os.path.basename(m): pathlib.Path(m).read_bytes() for m in MODULES[:3]}
        self.names = sorted(self.tunes)

    def magazine(self, name, tunes):
        root = music_magazine(os.path.join(self.dir, name), tunes)
        self.addCleanup(lambda: [os.kill(pid, signal.SIGKILL) for pid in harness.players_in(root)])
        return root

    def wait_playing(self, magazine, tune, timeout=15):
        """Waits until `tune` is the one player in the magazine; returns its pid."""
        def only():
            found = harness.players_in(magazine)
            return list(found.values()) == ["Songs/" + tune] and list(found)[0]
        return harness.wait_for(only, timeout, what=tune + " to play alone")

    def click_then_screenshot(self, v, design_x, design_y=500):
        """Seconds from a click to the screenshot asked for with it, which the viewer writes on
        its drawing thread."""
        path = os.path.join(v.runtime, "screenshot.ppm")
        if os.path.exists(path):
            os.unlink(path)
        v.move(*v.design_to_screen(design_x, design_y))
        t0 = time.monotonic()
        v.x.xdotool("click", 1, "key", "s")
        harness.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) >= 1280 * 960 * 3, 10, 0.002,
                         what="screenshot")
        return time.monotonic() - t0

    def test_two_viewers_play_follow_and_quit_apart_leaving_nothing(self):
        # Regression: the second viewer shared the first one's ports, played nothing and on
        # quitting stopped the first one's player.
        shared = self.tmp("pagovia-shared-")
        os.chmod(shared, 0o700)
        # A viewer covered by another draws nothing, so only the second follows its short tune.
        mags = [self.magazine("one", self.tunes), self.magazine("two", dict(self.tunes, **{"0_short.mod": short_module(12)}))]
        first = self.viewer(self.x, mags[0], env={"XDG_RUNTIME_DIR": shared})
        second = self.viewer(self.x, mags[1], env={"XDG_RUNTIME_DIR": shared}, wait=False)
        # Both windows carry the same title: the second is the other one.
        second.window = harness.wait_for(lambda: [w for w in self.x.search(harness.TITLE) if w != first.window],
                                         30, what="the second window")[0]
        self.wait_playing(mags[1], "0_short.mod")
        pids = [self.wait_playing(m, self.names[0]) for m in mags]  # the next follows when it ends
        self.x.xdotool("windowraise", first.window)  # keys go to the window under the pointer
        first.key("Escape")
        self.assertEqual(first.wait_exit(), 0)
        self.assertEqual(harness.players_in(mags[0]), {})
        self.assertEqual(harness.players_in(mags[1]), {pids[1]: "Songs/" + self.names[0]})
        self.assertEqual(os.listdir(os.path.join(shared, "pagovia")), [str(second.proc.pid)])
        # kill -9 of the player: its end counts, the next tune follows once.
        os.kill(pids[1], signal.SIGKILL)
        self.wait_playing(mags[1], self.names[1])
        time.sleep(1.0)
        self.assertEqual(list(harness.players_in(mags[1]).values()), ["Songs/" + self.names[1]])
        second.click(*second.design_to_screen(88, 168))  # the article's tune item
        self.wait_playing(mags[1], self.names[0])
        second.key("Escape")
        self.assertEqual(second.wait_exit(), 0)
        self.assertEqual((harness.players_in(mags[1]), os.listdir(os.path.join(shared, "pagovia"))), ({}, []))
        for v in (first, second):
            self.assertNotIn("messageport", v.stderr())

    def test_rapid_clicks_and_a_hung_player(self):
        mag = self.magazine("m", self.tunes)
        v = self.viewer(self.x, mag)
        # Regression: clicks while a player was still loading started one player per click.
        seen = []

        def count(n):
            for _ in range(n):
                seen.append(len(harness.players_in(mag)))
                time.sleep(0.02)
        for _ in range(3):
            v.x.xdotool("mousemove", *v.design_to_screen(300, 500), "click", 1)
            count(6)
        harness.wait_for(lambda: len(harness.players_in(mag)) == 1, 15, what="one player")
        count(50)
        self.assertLessEqual(max(seen), 1, seen)
        pid, tune = list(harness.players_in(mag).items())[0]
        harness.wait_for(lambda: os.path.exists(os.path.join(port_dir(v.runtime, v.proc.pid), "musicplayerport")),
                         10, what="the player's port")
        time.sleep(0.3)
        # Regression: with the player stopped each click froze the drawing for 2.4 s. A click
        # beside the buttons measures what a screenshot takes anyway.
        idle = self.click_then_screenshot(v, 1000, 100)
        os.kill(pid, signal.SIGSTOP)
        self.addCleanup(lambda: pid in harness.players_in(mag) and os.kill(pid, signal.SIGCONT))
        busy = [self.click_then_screenshot(v, 1000), self.click_then_screenshot(v, 1000, 100)]
        self.assertLess(max(busy), 0.1 + idle, "with a stopped player, a click froze the drawing")
        os.kill(pid, signal.SIGCONT)
        following = self.names[(self.names.index(tune[6:]) + 1) % len(self.names)]
        self.wait_playing(mag, following)
        time.sleep(1.0)
        self.assertEqual(list(harness.players_in(mag).values()), ["Songs/" + following])
        v.key("Escape")
        self.assertEqual(v.wait_exit(), 0)
        self.assertEqual(harness.players_in(mag), {})
        self.assertEqual(harness.sockets_under(v.runtime), [])
