"""Music end to end. The real tunedeck player on real modules (Debian's tecnoballz-data,
written by no one here) and on a short module the test writes, with SDL's dummy audio
driver, against a "demoport" that this file implements itself from the record layout: the
reports, real-time playing, stop on command, undecodable files, and a viewer that dies.
Then the real viewer with the real player: a tune starts, the next follows when it ends,
and Escape leaves no player and no socket (the demo tests switch tunes by menu and item)."""
import glob
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import harness

PLAYER = os.path.join(harness.BUILD, "tunedeck")
MODULES = sorted(glob.glob("/usr/share/games/tecnoballz/musics/*.mod"))
RECORD = struct.Struct("<IIBb4s4sHi1024s")  # 1048 bytes, native order on this machine
assert RECORD.size == 1048


def record(command):
    return RECORD.pack(0, 0, 5, 0, b"\0" * 4, b"\0" * 4, 1048, command, b"")


def command_of(data):
    return RECORD.unpack(data)[7]


def short_module(rows):
    """A ProTracker module of one pattern with a tone; it ends after rows x 0.12 s."""
    out = bytearray(b"short".ljust(20, b"\0"))
    out += b"tone".ljust(22, b"\0") + struct.pack(">HBBHH", 128, 0, 64, 0, 128)
    out += bytes(30) * 30
    out += bytes([1, 127]) + bytes(128) + b"M.K."
    pattern = bytearray(1024)
    period = 214
    pattern[0:4] = bytes([period >> 8, period & 0xFF, 0x1F, 6])
    pattern[(rows - 1) * 16 + 4 + 2] = 0x0D  # pattern break: the end
    out += pattern + bytes((i * 8) & 0xFF for i in range(256))
    return bytes(out)


class DemoPort:
    """The viewer's side of the reports: answers each record on "demoport" at once and
    remembers (time, command)."""

    def __init__(self, runtime):
        os.makedirs(os.path.join(runtime, "pagovia"), mode=0o700, exist_ok=True)
        self.path = os.path.join(runtime, "pagovia", "demoport")
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        self.sock.bind(self.path)
        self.sock.listen(8)
        self.reports, self.bad = [], []
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            with conn:
                conn.settimeout(2)
                try:
                    data = conn.recv(4096)
                except OSError:
                    continue
                if not data:
                    continue
                if len(data) != 1048 or data[8] != 5 or struct.unpack_from("<H", data, 18)[0] != 1048:
                    self.bad.append(data)
                    continue
                self.reports.append((time.monotonic(), command_of(data)))
                conn.send(data)

    def codes(self):
        return [c for _, c in self.reports]

    def close(self):
        self.sock.close()
        if os.path.exists(self.path):
            os.unlink(self.path)


def send_to_player(runtime, command, timeout=2.0):
    """One exchange with "musicplayerport": the replied command word, or None."""
    s = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    s.settimeout(timeout)
    try:
        s.connect(os.path.join(runtime, "pagovia", "musicplayerport"))
        s.send(record(command))
        data = s.recv(4096)
        return command_of(data) if len(data) == 1048 else None
    except OSError:
        return None
    finally:
        s.close()


def gone(pid):
    """True once the process has ended (a zombie waiting for its reaper counts as ended)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except FileNotFoundError:
        return True


class PlayerTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pagovia-music-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.runtime = os.path.join(self.dir, "run")
        os.mkdir(self.runtime, 0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, SDL_AUDIODRIVER="dummy")
        self.port = DemoPort(self.runtime)
        self.addCleanup(self.port.close)

    def start(self, args, **kw):
        p = subprocess.Popen(args, cwd=self.dir, env=self.env, stdin=subprocess.DEVNULL, **kw)
        self.addCleanup(p.__exit__, None, None, None)  # closes its pipes and reaps it
        self.addCleanup(lambda: p.poll() is None and p.kill())
        return p

    def play(self, path):
        return self.start([PLAYER, path], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def write(self, name, data):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def player_port(self):
        return os.path.join(self.runtime, "pagovia", "musicplayerport")

    # ---- reports and timing ----

    def test_short_tune_plays_in_real_time_and_reports_both_ends(self):
        p = self.play(self.write("short.mod", short_module(12)))  # 1.44 s of music
        self.assertEqual(p.wait(20), 0)
        self.assertEqual(self.port.codes(), [0, 2])
        played = self.port.reports[1][0] - self.port.reports[0][0]
        self.assertGreater(played, 1.3, "the dummy driver must not race through the tune")
        self.assertFalse(os.path.exists(self.player_port()))
        self.assertEqual(self.port.bad, [])

    @unittest.skipUnless(MODULES, "tecnoballz-data is not installed")
    def test_real_modules_play_answer_at_once_and_stop_on_command(self):
        for path in MODULES[:3]:
            with self.subTest(module=os.path.basename(path)):
                self.port.reports.clear()
                p = self.play(path)
                harness.wait_for(lambda: self.port.codes() == [0], 10, what="report 0")
                t0 = time.monotonic()
                self.assertEqual(send_to_player(self.runtime, 7), 7)  # other codes: answered, no effect
                self.assertLess(time.monotonic() - t0, 1.0)
                self.assertIsNone(p.poll())
                self.assertEqual(send_to_player(self.runtime, 2), 2)
                self.assertEqual(p.wait(5), 0)
                self.assertEqual(self.port.codes(), [0, 2])
                self.assertFalse(os.path.exists(self.player_port()))

    # ---- failures ----

    def test_file_that_is_no_module_says_so_in_one_line(self):
        for name, data in (("noise.mod", os.urandom(3000)), ("empty.mod", b"")):
            with self.subTest(file=name):
                p = self.play(self.write(name, data))
                err = p.stderr.read().decode()
                self.assertNotEqual(p.wait(10), 0)
                self.assertEqual(len(err.splitlines()), 1, err)
                self.assertIn(name, err)
        p = self.play(os.path.join(self.dir, "missing.mod"))
        self.assertEqual(len(p.stderr.read().decode().splitlines()), 1)
        self.assertNotEqual(p.wait(10), 0)
        time.sleep(0.2)
        self.assertEqual(self.port.codes(), [])  # never claimed to play
        self.assertFalse(os.path.exists(self.player_port()))

    def test_player_stops_soon_after_the_viewer_dies(self):
        # A stand-in viewer that starts the player and is then killed outright.
        starter = ("import subprocess, sys, time\n"
                   "p = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)\n"
                   "print(p.pid, flush=True)\n"
                   "time.sleep(60)\n")
        viewer = self.start([sys.executable, "-c", starter, PLAYER, self.write("long.mod", short_module(64))],
                            stdout=subprocess.PIPE)
        player = int(viewer.stdout.readline())
        harness.wait_for(lambda: self.port.codes() == [0], 10, what="report 0")
        viewer.kill()
        viewer.wait()
        t0 = time.monotonic()
        harness.wait_for(lambda: gone(player), 5, 0.02, what="the orphaned player to stop")
        self.assertLess(time.monotonic() - t0, 1.0)
        self.assertFalse(os.path.exists(self.player_port()))


# ---- the real viewer -----------------------------------------------------------------------

@unittest.skipUnless(MODULES, "tecnoballz-data is not installed")
class ViewerMusicTest(unittest.TestCase):
    def setUp(self):
        self.dir = os.path.realpath(tempfile.mkdtemp(prefix="pagovia-mag-"))
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.tunes = sorted("Songs/" + os.path.basename(m) for m in MODULES[:2])
        files = {"Songs/a_short.mod": short_module(12),
                 "Fonts/font4.pbm": b"P6\n512 512\n255\n" + b"\xff" * (512 * 512 * 3)}
        for m in MODULES[:2]:
            with open(m, "rb") as f:
                files["Songs/" + os.path.basename(m)] = f.read()
        harness.make_magazine(self.dir, articles={"01_Music": "Music.\n"}, files=files)
        os.makedirs(os.path.join(self.dir, "musicplayer"))
        shutil.copy(PLAYER, os.path.join(self.dir, "musicplayer", "tunedeck"))
        self.addCleanup(lambda: [os.kill(pid, signal.SIGKILL) for pid in harness.players_in(self.dir)])
        self.x = harness.XServer()
        self.addCleanup(self.x.stop)
        self.v = harness.Viewer(self.x, self.dir, resolution="hi")
        self.addCleanup(self.v.stop)

    def wait_playing(self, tune, timeout=15):
        harness.wait_for(lambda: tune in harness.players_in(self.dir).values(), timeout, what=tune + " to play")

    def test_first_tune_starts_the_next_follows_and_escape_leaves_nothing(self):
        self.wait_playing("Songs/a_short.mod")
        self.wait_playing(self.tunes[0])  # after its 1.44 s
        harness.wait_for(lambda: list(harness.players_in(self.dir).values()) == [self.tunes[0]], 5,
                         what="the first player to be gone")
        self.v.key("Escape")
        self.assertEqual(self.v.wait_exit(), 0)
        self.assertEqual(harness.players_in(self.dir), {})
        ports = os.path.join(self.v.runtime, "pagovia")
        self.assertEqual(os.listdir(ports) if os.path.isdir(ports) else [], [])


if __name__ == "__main__":
    unittest.main()
