#!/usr/bin/env python3
"""Tries one mutant of ../shared/tools/mutate.py's sample, as that tool would, but alone.

  tools/try-mutant.py SEED K [--count N] [--tests REGEX] [--tree DIR]

Takes mutate.py's own sample for SEED and COUNT (40 unless given) over this checkout's
product code, plants its K-th mutant (from 1) in DIR (a clean worktree of this repository
with a configured `default` build; ../wt-mut unless given), builds it, runs ctest there
(only the tests that REGEX selects, when given: a kill then still counts, a survival may
not), and puts the file back. Prints the mutant and "killed by ...", "SURVIVED" or
"stillborn". mutate.py runs the whole suite on each mutant in turn; this runs one, so that
many can be tried in the order that matters, or again after a test is added.
"""
import argparse
import os
import random
import re
import runpy
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MUTATE = os.path.join(ROOT, "..", "shared", "tools", "mutate.py")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("seed", type=int)
    ap.add_argument("k", type=int)
    ap.add_argument("--count", type=int, default=40)
    ap.add_argument("--tests", default="")
    ap.add_argument("--tree", default=os.path.join(ROOT, "..", "wt-mut"))
    a = ap.parse_args()
    mutate = runpy.run_path(MUTATE)  # its functions, without running its main
    sites = mutate["sites"](ROOT)
    sample = random.Random(a.seed).sample(sites, min(a.count, len(sites)))
    site = sample[a.k - 1]
    original, desc = mutate["apply"](a.tree, site)
    print(desc)
    try:
        build = subprocess.run(["cmake", "--build", "--preset", "default", "-j2"], cwd=a.tree,
                               capture_output=True, text=True)
        if build.returncode != 0:
            print("  stillborn")
            return 0
        test = ["ctest", "--preset", "default", "-j2", "--timeout", "200"]
        test += ["-R", a.tests] if a.tests else []
        run = subprocess.run(test, cwd=a.tree, capture_output=True, text=True)
        if run.returncode == 0:
            print("  SURVIVED" + (" (tests: %s)" % a.tests if a.tests else ""))
        else:
            failed = re.findall(r"\d+ - (\S+) \(", run.stdout)
            print("  killed by " + (", ".join(failed[:3]) or "status %d" % run.returncode))
    finally:
        with open(os.path.join(a.tree, site[0]), "w", encoding="utf-8",
                  errors="surrogateescape") as f:
            f.write(original)
    return 0


if __name__ == "__main__":
    sys.exit(main())
