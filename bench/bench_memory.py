"""Peak memory and time per input shape: the kolvi command (check, sort, key), a Python loop over
Version and one over packaging's Version, and `LC_ALL=C sort -V`, on the same files; with
--baseline-tool and --baseline-python, the same for an earlier build, side by side.

The shapes are the hostile ones (one line of tiny parts, of 8-character parts, of one part, and
millions of empty lines) and the real version lines of the CLI corpus. A command's peak is its
maximum resident set; a Python loop's is how far its resident set rose above what it held before
the loop (the text already read), so that both count what parsing costs.

`bench_memory.py --loop LIBRARY FILE` is that Python loop: every line parsed in turn, none kept;
it prints its peak rise in KiB, its seconds and its count of valid lines as JSON.
"""

from __future__ import annotations

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

from timing import COLOUR_OFF, apply_environment, run_measured

MIB = 1 << 20
LINE_BYTES = 40_000_000
EMPTY_LINES = 3_000_000


def shapes(corpus: str | None) -> dict[str, bytes | str]:
    """The inputs by name: bytes to write, or the path of an existing file."""
    tiny = b"1." * (LINE_BYTES // 2 - 1) + b"1\n"
    eight = b".".join([b"abcdefgh"] * (LINE_BYTES // 9)) + b"\n"
    found = {
        "40 MB of tiny parts (1.1.1…)": tiny,
        "40 MB of 8-character parts": eight,
        "one part of 40 MB": b"a" * LINE_BYTES + b"\n",
        "3,000,000 empty lines": b"\n" * EMPTY_LINES,
    }
    if corpus:
        found["CLI corpus (real versions)"] = corpus
    return found


def status_kib(key: str) -> int:
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith(key):
                return int(line.split()[1])
    raise LookupError(key)


def python_loop(library: str, path: str) -> int:
    """Parses every line of `path` with `library`'s Version, keeping none; prints the figures."""
    with open(path, "rb") as source:
        lines = source.read().decode().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if library == "kolvi":
        from timing import import_kolvi

        parse, invalid = import_kolvi().package.version.Version, RuntimeError
    else:
        from packaging.version import InvalidVersion, Version

        parse, invalid = Version, InvalidVersion
    # Writing 5 resets the peak resident set to the current one.
    with open("/proc/self/clear_refs", "w") as clear:
        clear.write("5")
    before = status_kib("VmRSS:")
    started = time.perf_counter()
    valid = 0
    for line in lines:
        try:
            parse(line)
            valid += 1
        except invalid:
            pass
    seconds = time.perf_counter() - started
    print(json.dumps({"peak_kib": status_kib("VmHWM:") - before, "seconds": seconds}))
    return 0


def run_loop(python: str, library: str, path: str) -> tuple[float, int]:
    child = subprocess.run(
        [python, os.path.abspath(__file__), "--loop", library, path],
        capture_output=True,
        text=True,
        check=True,
        env=apply_environment(COLOUR_OFF, dict(os.environ)),
    )
    figures = json.loads(child.stdout)
    return figures["seconds"], figures["peak_kib"]


def tool_has_key(tool: str) -> bool:
    usage = subprocess.run([tool, "--help"], capture_output=True, text=True, check=False)
    return "\n  key " in usage.stdout


def measurements(tool: str, python: str) -> list[tuple[str, object]]:
    """The rows of one build: (label, how to measure it on a path, or None when it has none)."""
    rows = [
        ("kolvi check < FILE", lambda path: run_measured([tool, "check"], path)),
        ("kolvi sort FILE", lambda path: run_measured([tool, "sort", path], None)),
        (
            "kolvi key FILE",
            (lambda path: run_measured([tool, "key", path], None)) if tool_has_key(tool) else None,
        ),
        ("Version(s) per line", lambda path: run_loop(python, "kolvi", path)),
    ]
    return rows


def peers(python: str) -> list[tuple[str, object]]:
    return [
        ("packaging Version(s) per line", lambda path: run_loop(python, "packaging", path)),
        ("LC_ALL=C sort -V FILE", lambda path: run_measured(["sort", "-V", path], None)),
    ]


def best_of(measure, path: str, repeat: int) -> tuple[float, int]:
    """The least time and the largest peak of `repeat` runs (peaks hardly vary)."""
    runs = [measure(path) for _ in range(repeat)]
    return min(wall for wall, _ in runs), max(peak for _, peak in runs)


def cell(figures: tuple[float, int] | None, size: int) -> str:
    if figures is None:
        return "— | — | —"
    wall, peak_kib = figures
    return f"{peak_kib / 1024:,.1f} | {peak_kib * 1024 / size:.2f} | {wall:.2f}"


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--loop", nargs=2, metavar=("LIBRARY", "FILE"), help=argparse.SUPPRESS)
    parser.add_argument("--tool", help="the kolvi executable")
    parser.add_argument("--corpus", help="the CLI corpus, one version a line")
    parser.add_argument("--baseline-tool", help="an earlier build's kolvi executable")
    parser.add_argument("--baseline-python", help="an interpreter that imports that build")
    parser.add_argument("--quick", action="store_true", help="one run each")
    args = parser.parse_args()
    if args.loop:
        return python_loop(*args.loop)
    if not args.tool:
        parser.error("--tool is needed")
    repeat = 1 if args.quick else 3
    builds = [("now", measurements(args.tool, sys.executable))]
    if args.baseline_tool and args.baseline_python:
        builds.insert(0, ("before", measurements(args.baseline_tool, args.baseline_python)))

    print(f"\nbest time of {repeat} runs; peak resident memory (a Python loop's: above the text)")
    header = " | ".join(f"{name} peak MB | {name} ÷ input | {name} s" for name, _ in builds)
    print(f"\n| input | what | {header} |")
    print("|---|---|" + "---:|---:|---:|" * len(builds))
    with tempfile.TemporaryDirectory() as folder:
        for shape, data in shapes(args.corpus).items():
            path = data if isinstance(data, str) else os.path.join(folder, "input.txt")
            if not isinstance(data, str):
                with open(path, "wb") as out:
                    out.write(data)
            size = os.path.getsize(path)
            for index, (label, _) in enumerate(builds[0][1]):
                cells = []
                for _, rows in builds:
                    measure = rows[index][1]
                    cells.append(cell(measure and best_of(measure, path, repeat), size))
                print(f"| {shape} | {label} | {' | '.join(cells)} |")
            for label, measure in peers(sys.executable):
                figures = cell(best_of(measure, path, repeat), size)
                blanks = " | ".join(["— | — | —"] * (len(builds) - 1))
                print(f"| {shape} | {label} | {blanks + ' | ' if blanks else ''}{figures} |")
            sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
