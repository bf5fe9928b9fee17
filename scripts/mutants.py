#!/usr/bin/env python3
"""Mutation testing for the viewer's core logic: a developer's tool, not part of the suite.

Makes single-operator mutants (comparisons, && / ||, + 1 / - 1) of the .cpp files under the
given source folders, rebuilds the unit test binary for each, runs it, and reports which
mutants survive. The source file is restored after every mutant, also on Ctrl-C.

    python3 scripts/mutants.py --build build                 # every mutant of the default folders
    python3 scripts/mutants.py --build build --list          # only list them
    python3 scripts/mutants.py --build build --sample 150 --seed 1 --json /tmp/m.json
    python3 scripts/mutants.py --build build --rerun /tmp/m.json      # the same mutants again
"""
import argparse, json, os, random, re, subprocess, sys, time

FOLDERS = ["src/text", "src/prefs", "src/content", "src/input", "src/elements", "src/music", "src/app"]
SWAPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==",
         "&&": "||", "||": "&&", "+ 1": "- 1", "- 1": "+ 1"}
# Longest operators first; '<' and '>' only where they stand alone (not <<, ->, >>, <=...).
TOKEN = re.compile(r"&&|\|\||<=|>=|==|!=|\+ 1\b|- 1\b|(?<![<>\-])<(?![<=])|(?<![<>\-])>(?![>=])")


def code_spans(line):
    """The parts of a line outside comments, string and character literals."""
    if line.lstrip().startswith(("#", "//", "*", "/*")):
        return []
    spans, start, i, quote = [], 0, 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                i += 1
            elif c == quote:
                quote, start = None, i + 1
        elif c in "\"'":
            spans.append((start, i))
            quote = c
        elif line.startswith("//", i):
            spans.append((start, i))
            return spans
        i += 1
    if not quote:
        spans.append((start, len(line)))
    return spans


def mutants_of(path):
    lines = open(path, encoding="latin-1").read().split("\n")
    for number, line in enumerate(lines):
        if "template" in line or "static_cast<" in line or "std::" in line and "<" in line:
            continue
        for lo, hi in code_spans(line):
            for m in TOKEN.finditer(line, lo, hi):
                yield {"file": path, "line": number + 1, "column": m.start() + 1,
                       "from": m.group(), "to": SWAPS[m.group()]}


def apply(mutant):
    text = open(mutant["file"], encoding="latin-1").read()
    lines = text.split("\n")
    line = lines[mutant["line"] - 1]
    c = mutant["column"] - 1
    lines[mutant["line"] - 1] = line[:c] + mutant["to"] + line[c + len(mutant["from"]):]
    open(mutant["file"], "w", encoding="latin-1").write("\n".join(lines))
    return text


def run(mutant, build, timeout):
    original = apply(mutant)
    try:
        b = subprocess.run(["cmake", "--build", build, "--target", "pagovia_tests", "-j2"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if b.returncode != 0:
            return "unbuilt"
        try:
            t = subprocess.run([os.path.join(build, "pagovia_tests"), "--gtest_brief=1"], cwd=build,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "killed"  # a hang is a caught fault
        return "killed" if t.returncode != 0 else "survived"
    finally:
        open(mutant["file"], "w", encoding="latin-1").write(original)
        os.utime(mutant["file"])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--folders", nargs="*", default=FOLDERS)
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--sample", type=int, default=0, help="run only N mutants chosen at random")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--timeout", type=float, default=120)
    ap.add_argument("--json")
    ap.add_argument("--rerun", help="run the mutants a --json record holds (after the tests changed)")
    a = ap.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    os.chdir(root)
    files = sorted(os.path.join(d, f) for d in a.folders for f in os.listdir(d) if f.endswith(".cpp")
                   and not f.endswith(("_x11.cpp", "_glut.cpp")))
    mutants = [m for f in files for m in mutants_of(f)]
    if a.rerun:
        mutants = [{k: m[k] for k in ("file", "line", "column", "from", "to")} for m in json.load(open(a.rerun))]
    elif a.sample:
        random.Random(a.seed).shuffle(mutants)
        mutants = sorted(mutants[:a.sample], key=lambda m: (m["file"], m["line"], m["column"]))
    if a.list:
        for m in mutants:
            print(f'{m["file"]}:{m["line"]}:{m["column"]}: {m["from"]} -> {m["to"]}')
        print(f"{len(mutants)} mutants")
        return 0
    counts = {"killed": 0, "survived": 0, "unbuilt": 0}
    started = time.time()
    for i, m in enumerate(mutants):
        m["result"] = run(m, a.build, a.timeout)
        counts[m["result"]] += 1
        if m["result"] == "survived":
            print(f'survived {m["file"]}:{m["line"]}:{m["column"]}: {m["from"]} -> {m["to"]}', flush=True)
        print(f"[{i + 1}/{len(mutants)}] {m['result']}", file=sys.stderr, flush=True)
    subprocess.run(["cmake", "--build", a.build, "--target", "pagovia_tests", "-j2"], stdout=subprocess.DEVNULL)
    built = counts["killed"] + counts["survived"]
    rate = 100.0 * counts["killed"] / built if built else 0.0
    print(f'{counts["killed"]} killed, {counts["survived"]} survived, {counts["unbuilt"]} did not build: '
          f"kill rate {rate:.1f}% in {time.time() - started:.0f} s")
    if a.json:
        json.dump(mutants, open(a.json, "w"), indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
