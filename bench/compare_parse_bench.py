"""The C++ parse bench of two builds side by side: the least of a few medians per row, the two
binaries run in turns, and, where valgrind is installed, the instructions each call takes as
callgrind counts them, which no load on the machine changes.

Usage: compare_parse_bench.py --before BIN --now BIN [--rounds N] [FILTER]
Both binaries must be built from the same bench source (scripts/bench builds the earlier library
with this checkout's bench).
"""

from __future__ import annotations

import argparse
import re
import shutil
import subprocess
import sys

ROW = re.compile(r"^(.*\S)\s+([\d.]+) ns$")
CALLS_PER_RUN = 200_000  # parse_bench's kCallsPerRun: what --once runs


def medians(binary: str, filter_text: str) -> dict[str, float]:
    output = subprocess.run(
        [binary, filter_text], capture_output=True, text=True, check=True
    ).stdout
    return {m.group(1): float(m.group(2)) for m in map(ROW.match, output.splitlines()) if m}


def instructions(binary: str, filter_text: str) -> int:
    child = subprocess.run(
        [
            "valgrind",
            "--tool=callgrind",
            "--callgrind-out-file=/dev/null",
            binary,
            "--once",
            filter_text,
        ],
        capture_output=True,
        text=True,
        check=True,
    )
    return int(re.search(r"Collected : (\d+)", child.stderr).group(1))


def per_call(binary: str, row: str, setup: int) -> float:
    return (instructions(binary, row) - setup) / CALLS_PER_RUN


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--before", required=True)
    parser.add_argument("--now", required=True)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("filter", nargs="?", default="")
    args = parser.parse_args()
    least: dict[str, dict[str, float]] = {"before": {}, "now": {}}
    for _ in range(args.rounds):
        for name in least:
            for row, ns in medians(getattr(args, name), args.filter).items():
                least[name][row] = min(ns, least[name].get(row, ns))
    counted = shutil.which("valgrind") is not None
    setups = {}
    if counted:
        setups = {name: instructions(getattr(args, name), "no row has this name") for name in least}
    print(f"\nC++ parse bench: least of {args.rounds} medians, the builds in turns")
    if counted:
        print("instructions per call from callgrind (the same on any load)")
        print("\n| row | before ns | now ns | now ÷ before | before instr. | now instr. | ÷ |")
        print("|---|---:|---:|---:|---:|---:|---:|")
    else:
        print("\n| row | before ns | now ns | now ÷ before |")
        print("|---|---:|---:|---:|")
    for row, now in least["now"].items():
        was = least["before"].get(row)
        if was is None:
            continue
        line = f"| {row} | {was:,.1f} | {now:,.1f} | {now / was:.2f} |"
        if counted:
            counts = [per_call(getattr(args, name), row, setups[name]) for name in least]
            line += f" {counts[0]:,.0f} | {counts[1]:,.0f} | {counts[1] / counts[0]:.2f} |"
        print(line)
        sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
