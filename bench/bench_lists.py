"""What the representation of lists (rc, meta, parts) costs at the Python level: parsing values
with lists, copying, comparing values whose numbers are equal, the text forms, the list
properties and setters, and sorting values that only their lists tell apart.

`bench_lists.py` prints the median ns of each in this interpreter as JSON. With `--before PYTHON`
(an interpreter that imports an earlier build) it runs itself in both interpreters in turns,
several rounds, and prints a table of the least medians side by side.
"""

from __future__ import annotations

import argparse
import json
import os
import random
import subprocess
import sys

import timing

SORT_SIZE = 100_000


def operations():
    """(label, callable) pairs over values made once here."""
    version = timing.import_kolvi().package.version
    semver, dotted = version.SemVer, version.DotSeparated
    full = semver("1.2.3-rc.1+build.5")
    # Their 64-bit keys are cut short and equal, so every comparison reads the lists.
    alpha_1, alpha_2 = semver("1.2.3-alpha.beta.gamma.1"), semver("1.2.3-alpha.beta.gamma.2")
    parts = dotted("2024.10.1")
    long_text = "1.0-beta." + ".".join(str(i) for i in range(2, 16))
    rng = random.Random(7)
    shared = [dotted(f"2024.10.release.candidate.{rng.randrange(1000)}") for _ in range(SORT_SIZE)]

    def set_rc():
        full.rc = ["alpha", "1"]

    return [
        ('SemVer("1.2.3-rc.1+build.5")', lambda: semver("1.2.3-rc.1+build.5")),
        ('Version("1.2.3-rc.1+build.5")', lambda: version.Version("1.2.3-rc.1+build.5")),
        ('DotSeparated("2024.10.1")', lambda: dotted("2024.10.1")),
        ("DotSeparated of 16 parts", lambda: dotted(long_text)),
        ("SemVer(instance with rc and meta)", lambda: semver(full)),
        ("a < b, equal numbers, 4-part rc", lambda: alpha_1 < alpha_2),
        ("a == b, equal numbers, 4-part rc", lambda: alpha_1 == alpha_2),
        ("str(SemVer with rc and meta)", lambda: str(full)),
        ("repr(SemVer with rc and meta)", lambda: repr(full)),
        ("SemVer.rc", lambda: full.rc),
        ("DotSeparated.parts", lambda: parts.parts),
        ('SemVer.rc = ["alpha", "1"]', set_rc),
        (
            "SemVer(major=1, minor=2, patch=3, rc=[...])",
            lambda: semver(major=1, minor=2, patch=3, rc=["rc", "1"]),
        ),
        (f"sorted {SORT_SIZE:,} DotSeparated told apart by parts", lambda: sorted(shared)),
    ]


def measure() -> dict[str, float]:
    timing.apply_environment(timing.COLOUR_OFF)
    figures = {}
    for label, call in operations():
        number = 1 if label.startswith("sorted") else None
        figures[label] = timing.median_ns(call, repeat=5, number=number)
    return figures


def run_in(python: str) -> dict[str, float]:
    child = subprocess.run(
        [python, os.path.abspath(__file__)], capture_output=True, text=True, check=True
    )
    return json.loads(child.stdout)


def compare(before: str, rounds: int) -> None:
    least: dict[str, dict[str, float]] = {"before": {}, "now": {}}
    for _ in range(rounds):
        for name, python in (("before", before), ("now", sys.executable)):
            for label, ns in run_in(python).items():
                least[name][label] = min(ns, least[name].get(label, ns))
    print(f"\nleast of {rounds} rounds of medians, the two builds in turns")
    print("\n| operation | before ns | now ns | now ÷ before |")
    print("|---|---:|---:|---:|")
    for label, now in least["now"].items():
        was = least["before"][label]
        unit, scale = ("ms", 1e6) if label.startswith("sorted") else ("ns", 1)
        print(
            f"| {label} | {was / scale:,.1f} {unit} | {now / scale:,.1f} {unit} | {now / was:.2f} |"
        )


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--before", help="an interpreter that imports the earlier build")
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    if args.before:
        compare(args.before, args.rounds)
    else:
        print(json.dumps(measure()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
