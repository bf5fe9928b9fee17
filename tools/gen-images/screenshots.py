#!/usr/bin/env python3
"""Takes the README's screenshots of the demo magazine as a reader sees it: the real viewer,
full screen on a private Xvfb, in the magazine the build assembled in build/demo. The viewer's
own screenshot key `s` takes each picture, except the startup picture, which any key ends:
that one is read from the X server. The pictures go to docs/ as PNG (netpbm's pnmtopng).

Usage: python3 tools/gen-images/screenshots.py [BUILD_DIR]"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))
os.environ.setdefault("PAGOVIA_SOURCE", SOURCE)
os.environ.setdefault("PAGOVIA_BUILD", os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(SOURCE, "build"))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import harness  # noqa: E402

DOCS = os.path.join(SOURCE, "docs")


def save_png(image, name):
    ppm = tempfile.mktemp(suffix=".ppm")
    harness_write(ppm, image)
    with open(os.path.join(DOCS, name), "wb") as out:
        subprocess.run(["pnmtopng", "-compression", "9", ppm], stdout=out, check=True)
    os.unlink(ppm)
    print("wrote docs/" + name)


def harness_write(path, image):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (image.width, image.height))
        f.write(bytes(image.data))


def main():
    demo = os.path.join(harness.BUILD, "demo")
    if not os.path.isdir(demo):
        sys.exit("screenshots: build the tree first; there is no %s" % demo)
    root = tempfile.mkdtemp(prefix="pagovia-shots-")
    magazine = os.path.join(root, "demo")
    shutil.copytree(demo, magazine)
    os.makedirs(DOCS, exist_ok=True)
    x = harness.XServer()
    try:
        v = harness.Viewer(x, magazine, resolution="hi")
        try:
            time.sleep(1.0)
            save_png(x.capture(), "screenshot-startup.png")
            v.key("space")
            time.sleep(0.8)
            save_png(v.screenshot(), "screenshot-welcome.png")
            v.key("5", "Down")
            time.sleep(0.8)
            save_png(v.screenshot(), "screenshot-story.png")
            v.key("q")
            time.sleep(2.5)
            save_png(v.screenshot(), "screenshot-slideshow.png")
            v.key("q", "Escape")
        finally:
            v.stop()
    finally:
        x.stop()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
