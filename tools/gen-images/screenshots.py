#!/usr/bin/env python3
"""Takes the README's pictures of the demo magazine, the one the build assembled in build/demo.
The article pages and the contact sheet come from pagovia-proof, which draws them as the
viewer shows them (its tickers at their starting position). The startup picture and the
slideshow are taken from the real viewer, full screen on a private Xvfb: the slideshow with
the viewer's own screenshot key `s`, the startup picture, which any key ends, from the X
server. The pictures go to docs/ as PNG (the viewer's through netpbm's pnmtopng).

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


def proof(demo, name, *args):
    subprocess.run([os.path.join(harness.BUILD, "pagovia-proof"), *args, "-o", os.path.join(DOCS, name)],
                   cwd=demo, check=True)
    print("wrote docs/" + name)


def main():
    demo = os.path.join(harness.BUILD, "demo")
    if not os.path.isdir(demo):
        sys.exit("screenshots: build the tree first; there is no %s" % demo)
    os.makedirs(DOCS, exist_ok=True)
    proof(demo, "screenshot-welcome.png", "--render", "00_Welcome")
    proof(demo, "screenshot-story.png", "--render", "05_Story", "--page", "2")
    proof(demo, "contact-sheet.png", "--sheet")
    root = tempfile.mkdtemp(prefix="pagovia-shots-")
    magazine = os.path.join(root, "demo")
    shutil.copytree(demo, magazine)
    x = harness.XServer()
    try:
        v = harness.Viewer(x, magazine, resolution="hi")
        try:
            time.sleep(1.0)
            save_png(x.capture(), "screenshot-startup.png")
            v.key("space", "q")
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
