#!/usr/bin/env python3
"""Idle loop figures: frames a second and CPU of the real viewer over 5 s in one Xvfb, on the
startup picture, an article page with moving tickers, a page without tickers and the
slideshow, printed next to glxgears' rate in the same server. Frames are counted by a small
preloaded library that counts buffer swaps and partial copies. A benchmark: it prints figures, asserts nothing.

    python3 bench/idle_bench.py [build-dir]     (default: ./build; runs in <build>/demo)
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build"))
os.environ["PAGOVIA_BUILD"] = BUILD
import harness  # noqa: E402

SECONDS = 5.0
TICK = os.sysconf("SC_CLK_TCK")

COUNTER_C = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
typedef struct _XDisplay Display;
static volatile unsigned long* counter;
/* counter[0]: whole swaps, counter[1]: rectangles copied */
static void count(int which)
{
    if (!counter) {
        const char* path = getenv("SWAP_COUNTER");
        int fd = path ? open(path, O_RDWR) : -1;
        if (fd >= 0) counter = mmap(0, 16, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (counter == MAP_FAILED) counter = 0;
    }
    if (counter) counter[which]++;
}
void glXSwapBuffers(Display* d, unsigned long drawable)
{
    static void (*real)(Display*, unsigned long);
    if (!real) real = (void (*)(Display*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    count(0);
    real(d, drawable);
}
/* A frame that shows only the tickers copies one rectangle per ticker. */
typedef void (*copyFn)(Display*, unsigned long, int, int, int, int);
static copyFn realCopy;
static void countingCopy(Display* d, unsigned long w, int x, int y, int width, int height)
{
    count(1);
    realCopy(d, w, x, y, width, height);
}
typedef void (*anyFn)(void);
static anyFn lookUp(const char* symbol, const unsigned char* name)
{
    anyFn (*real)(const unsigned char*) = (anyFn (*)(const unsigned char*))dlsym(RTLD_NEXT, symbol);
    anyFn f = real(name);
    if (f && strcmp((const char*)name, "glXCopySubBufferMESA") == 0) {
        realCopy = (copyFn)f;
        return (anyFn)countingCopy;
    }
    return f;
}
anyFn glXGetProcAddress(const unsigned char* name) { return lookUp("glXGetProcAddress", name); }
anyFn glXGetProcAddressARB(const unsigned char* name) { return lookUp("glXGetProcAddressARB", name); }
"""


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


TICKERS = 2  # the demo's; a frame showing only the tickers copies one rectangle each


def read_counter(path):
    """Frames shown so far: whole swaps plus partial frames."""
    with open(path, "rb") as f:
        raw = f.read(16)
    return int.from_bytes(raw[:8], "little") + int.from_bytes(raw[8:], "little") / TICKERS


def resident_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def measure(viewer, xserver, counter):
    """(frames a second, viewer CPU %, Xvfb CPU %, viewer resident MB) over SECONDS."""
    f0, c0, x0, t0 = read_counter(counter), cpu_seconds(viewer.proc.pid), cpu_seconds(xserver.proc.pid), time.monotonic()
    time.sleep(SECONDS)
    f1, c1, x1, t1 = read_counter(counter), cpu_seconds(viewer.proc.pid), cpu_seconds(xserver.proc.pid), time.monotonic()
    dt = t1 - t0
    return (f1 - f0) / dt, 100 * (c1 - c0) / dt, 100 * (x1 - x0) / dt, resident_mb(viewer.proc.pid)


def glxgears(xserver):
    p = subprocess.Popen(["glxgears"], env=xserver.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        line = p.stdout.readline()  # "N frames in 5.0 seconds = X FPS", after 5 s
        m = re.search(r"=\s*([\d.]+) FPS", line)
        return float(m.group(1)) if m else float("nan")
    finally:
        p.terminate()
        p.wait()


def still_magazine(work, demo):
    """The demo without tickers and without the startup picture: a page that never changes."""
    still = os.path.join(work, "still")
    shutil.copytree(demo, still, symlinks=True)
    with open(os.path.join(still, "prefs.txt")) as f:
        prefs = f.read()
    prefs = re.sub(r"^SCROLLTEXTS: .*$", "SCROLLTEXTS: 0", prefs, flags=re.M)
    prefs = re.sub(r"^STARTUP_IMAGE: .*$", "", prefs, flags=re.M)
    with open(os.path.join(still, "prefs.txt"), "w") as f:
        f.write(prefs)
    return still


def main():
    demo = os.path.join(BUILD, "demo")
    work = tempfile.mkdtemp(prefix="pagovia-idle-")
    counter = os.path.join(work, "swaps")
    with open(counter, "wb") as f:
        f.write(bytes(16))
    shim = os.path.join(work, "swapcount.so")
    with open(os.path.join(work, "swapcount.c"), "w") as f:
        f.write(COUNTER_C)
    subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", shim, os.path.join(work, "swapcount.c"), "-ldl"], check=True)
    env = {"LD_PRELOAD": shim, "SWAP_COUNTER": counter}
    x = harness.XServer("1280x960")
    rows = []
    try:
        rows.append(("glxgears (same Xvfb)", glxgears(x), None, None, None))
        v = harness.Viewer(x, demo, "hi", env=env)
        try:
            time.sleep(1.0)
            rows.append(("startup picture",) + measure(v, x, counter))
            v.key("space")
            time.sleep(1.0)
            rows.append(("article page, 2 tickers",) + measure(v, x, counter))
            v.key("q")
            time.sleep(0.5)
            rows.append(("slideshow (fades and holds)",) + measure(v, x, counter))
        finally:
            v.stop()
        v = harness.Viewer(x, still_magazine(work, demo), "hi", env=env)
        try:
            time.sleep(1.0)
            rows.append(("page without tickers",) + measure(v, x, counter))
        finally:
            v.stop()
    finally:
        x.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("%-30s %10s %12s %10s %10s" % ("idle over %.0f s, 1280x960" % SECONDS, "frames/s", "viewer CPU",
                                         "Xvfb CPU", "resident"))
    for name, fps, cpu, xcpu, rss in rows:
        if cpu is None:
            print("%-30s %10.1f %12s %10s %10s" % (name, fps, "-", "-", "-"))
        else:
            print("%-30s %10.1f %11.1f%% %9.1f%% %7.0f MB" % (name, fps, cpu, xcpu, rss))


if __name__ == "__main__":
    main()
