"""Every way the viewer's window ends, on the demo playing its first tune with the real player:
Escape, the window manager's close, the window destroyed by another program, the X server
gone, the connection killed, quit signals, a hung player. Each runs the whole shutdown: the
right status, no crash message, no player left running and no socket left behind, in bounded time."""
import os
import signal
import time

import harness

# Regressions: freeglut's exit on a close skipped the shutdown, and the still-joinable music
# handler thread aborted the process (status -6); Xlib's own handlers did the same for a
# destroyed window or a lost connection, or left the viewer hung in XPending.
WAYS = [  # (way, action, status, lines on stderr, player stopped with SIGSTOP)
    ("Escape", lambda t: t.viewer.key("Escape"), 0, 0, False),
    ("WM close", lambda t: t.client.close_window(int(t.viewer.window)), 0, 0, False),
    ("destroyed", lambda t: t.x.xdotool("windowclose", t.viewer.window), 0, 0, False),
    ("SIGTERM", lambda t: os.kill(t.viewer.proc.pid, signal.SIGTERM), 128 + 15, 0, False),
    ("SIGINT", lambda t: os.kill(t.viewer.proc.pid, signal.SIGINT), 128 + 2, 0, False),
    ("SIGHUP", lambda t: os.kill(t.viewer.proc.pid, signal.SIGHUP), 128 + 1, 0, False),
    ("server killed", lambda t: t.x.proc.kill(), 1, 1, False),
    ("client killed", lambda t: t.x.xdotool("windowkill", t.viewer.window), 1, 1, False),
    ("hung, Escape", lambda t: t.viewer.key("Escape"), 0, 0, True),
    ("hung, SIGTERM", lambda t: os.kill(t.viewer.proc.pid, signal.SIGTERM), 128 + 15, 0, True),
]
HEALTHY_LIMIT, HUNG_LIMIT = 1.0, 3.5  # seconds from the request to the process's end


class Ending(harness.Case):
    def test_every_way_of_ending_runs_the_whole_shutdown(self):
        magazine = self.demo_copy()
        for name, action, status, lines, hung in WAYS:
            with self.subTest(way=name):
                for pid in harness.players_in(magazine):  # left by a failed row
                    os.kill(pid, signal.SIGKILL)
                self.x = self.xserver()
                self.viewer = harness.Viewer(self.x, magazine, resolution="hi")
                self.addCleanup(self.viewer.stop)
                self.client = self.xclient(self.x)
                # Both ports, the viewer's and the player's: the player has loaded and answers.
                harness.wait_for(lambda: len(harness.sockets_under(self.viewer.runtime)) >= 2, 20, what="both ports")
                pids = harness.wait_for(lambda: harness.players_in(magazine), 20, what="a player")
                for pid in pids if hung else ():
                    os.kill(pid, signal.SIGSTOP)
                self.viewer.key("Right")  # the magazine view takes input
                before = len(self.viewer.stderr())
                start = time.monotonic()
                action(self)
                self.assertEqual(self.viewer.proc.wait(15), status)
                took = time.monotonic() - start
                err = self.viewer.stderr()[before:]
                self.assertNotIn("terminate called", err)
                self.assertEqual(len(err.strip().splitlines()), lines, err)
                self.assertEqual(harness.players_in(magazine), {}, "players left running")
                self.assertEqual(harness.sockets_under(self.viewer.runtime), [], "sockets left behind")
                self.assertLess(took, HUNG_LIMIT if hung else HEALTHY_LIMIT)
                self.x.stop()
