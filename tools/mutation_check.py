#!/usr/bin/env python3
"""A small mutation check: applies one-line changes to the sources, one at a time, rebuilds
only the given targets and runs the given test programs; a mutant is killed when a test fails
(or crashes, or hangs). The source file is checked out again after every mutant.

The mutants file lists the changes, each a block:

    engine/relink/CandidateIndex.cpp
        - return a.sharedTail > b.sharedTail;
        + return a.sharedTail < b.sharedTail;
        = equivalent: why no behaviour changes     (optional)

The "-" text must occur exactly once in the file; "#" lines are comments. A mutant marked
equivalent is still run (it must survive) but is not counted in the kill rate.

Example (from the repository's root):
    tools/mutation_check.py tools/relink_mutants.txt \\
        --build 'nice cmake --build --preset dev --target korvex_relink_tests korvex_linux_tests -j2' \\
        --test build/dev/tests/relink/korvex_relink_tests \\
        --test 'build/dev/tests/linux/korvex_linux_tests --gtest_filter=ResolverMapping*:PathMappingStore*'
"""

import argparse
import shlex
import signal
import subprocess
import sys
import time
from pathlib import Path


def read_mutants(path):
    mutants, current = [], None
    for number, raw in enumerate(Path(path).read_text().splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        if raw[0] not in " \t":
            current = {"file": line, "old": None, "new": None, "equivalent": None}
            continue
        if current is None or line[:2] not in ("- ", "+ ", "= "):
            sys.exit(f"{path}:{number}: expected '- old', '+ new' or '= equivalent: why'")
        kind, text = line[0], line[2:]
        if kind == "-":
            current = dict(current, old=text, new=None, equivalent=None)
        elif kind == "+":
            current["new"] = text
            mutants.append(current)
        else:
            current["equivalent"] = text
    return mutants


def git_checkout(file):
    subprocess.run(["git", "checkout", "--", file], check=True)


def run(command, timeout, log):
    try:
        done = subprocess.run(command, shell=True, stdout=log, stderr=subprocess.STDOUT,
                              timeout=timeout)
        return done.returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mutants")
    parser.add_argument("--build", required=True, help="the (incremental) build command")
    parser.add_argument("--test", action="append", required=True, help="a test command")
    parser.add_argument("--timeout", type=float, default=300, help="per test command, seconds")
    parser.add_argument("--only", help="numbers of the mutants to run, e.g. 3,7,12")
    parser.add_argument("--log", default="/tmp/mutation_check.log", help="build and test output")
    args = parser.parse_args()

    mutants = read_mutants(args.mutants)
    only = {int(n) for n in args.only.split(",")} if args.only else None
    files = sorted({m["file"] for m in mutants})
    dirty = subprocess.run(["git", "status", "--porcelain", "--"] + files,
                           capture_output=True, text=True).stdout
    if dirty:
        sys.exit("these files have changes; commit or stash them first:\n" + dirty)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    counts = {"killed": 0, "survived": 0, "equivalent": 0, "stillborn": 0}
    with open(args.log, "w") as log:
        for number, mutant in enumerate(mutants, 1):
            if only and number not in only:
                continue
            path = Path(mutant["file"])
            text = path.read_text()
            if text.count(mutant["old"]) != 1:
                print(f"{number:3} {path}: '{mutant['old']}' occurs {text.count(mutant['old'])} "
                      "times (must be once)", flush=True)
                counts["stillborn"] += 1
                continue
            line = text[:text.index(mutant["old"])].count("\n") + 1
            started = time.time()
            try:
                path.write_text(text.replace(mutant["old"], mutant["new"]))
                log.write(f"\n=== {number} {path}:{line}: {mutant['old']} -> {mutant['new']}\n")
                log.flush()
                if run(args.build, None, log) != 0:
                    outcome = "stillborn"
                else:
                    outcome = "survived"
                    for test in args.test:
                        code = run(test, args.timeout, log)
                        if code != 0:
                            outcome = f"killed ({'timeout' if code == 'timeout' else 'failed'})"
                            break
            finally:
                git_checkout(str(path))
            if mutant["equivalent"]:
                outcome = ("equivalent" if outcome == "survived"
                           else f"MARKED EQUIVALENT BUT {outcome}")
            key = outcome.split()[0]
            counts[key if key in counts else "killed"] += 1
            print(f"{number:3} {path}:{line}: {mutant['old']}  ->  {mutant['new']}   "
                  f"[{outcome}, {time.time() - started:.0f} s]", flush=True)
    counted = counts["killed"] + counts["survived"]
    rate = 100.0 * counts["killed"] / counted if counted else 0.0
    print(f"killed {counts['killed']} of {counted} ({rate:.0f}%); equivalent "
          f"{counts['equivalent']}, stillborn {counts['stillborn']}")
    # The build tree holds the last mutant's objects: build once more from the clean source.
    run(args.build, None, subprocess.DEVNULL)


if __name__ == "__main__":
    main()
