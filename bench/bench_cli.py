"""Wall time and peak memory of the kolvi tool on a file of real version lines, against
`LC_ALL=C sort -V` and against the Python loop that checks the same lines with Version; kolvi key
against sort -V too, check's JSON reports against its text ones, and the mean key length.

Prints a Markdown table and the targets; with --check, exits 1 when a target is missed. Then
times both sorts on leading parts of the file, from 10,000 lines up, for the plot by input size;
--json writes everything measured to a file.
`bench_cli.py --loop` is that Python loop itself: it reads standard input and writes what
`kolvi check` writes.
"""

from __future__ import annotations

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile

from timing import import_kolvi, run_measured

SORT_TIME_TARGET = 0.2  # kolvi sort / sort -V, at most
MEMORY_TARGET = 4.0  # kolvi sort peak memory / file size, at most
CHECK_SPEEDUP_TARGET = 5.0  # Python loop / kolvi check, at least
KEY_SPEEDUP_TARGET = 5.0  # sort -V / kolvi key, at least: key only parses
JSON_TIME_TARGET = 1.5  # kolvi check --format json / kolvi check, at most
# Leading parts of the corpus that both sorts are timed on, in lines: log-spaced up to a million.
SIZES = (10_000, 31_623, 100_000, 316_228, 1_000_000)


def python_check_loop() -> int:
    """kolvi check, written as a Python user would write it with the Version class."""
    version = import_kolvi().package.version.Version
    errors = sys.stderr
    status = 0
    for number, raw in enumerate(sys.stdin.buffer, 1):
        line = raw[:-2] if raw.endswith(b"\r\n") else raw.removesuffix(b"\n")
        try:
            text = line.decode("utf-8")
        except UnicodeDecodeError:
            errors.write(f"<stdin>:{number}: Error: not valid UTF-8\n")
            status = 1
            continue
        try:
            version(text)
        except RuntimeError as report:
            errors.write(f"<stdin>:{number}: {report}")
            status = 1
    return status


def measure(command: list[str], stdin_path: str | None, repeat: int) -> tuple[float, int]:
    """Median wall seconds and the largest peak resident kilobytes over `repeat` runs."""
    runs = [run_measured(command, stdin_path) for _ in range(repeat)]
    return statistics.median(wall for wall, _ in runs), max(peak for _, peak in runs)


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--loop", action="store_true", help="run the Python check loop on stdin")
    parser.add_argument("--tool", help="the kolvi executable")
    parser.add_argument("--corpus", help="the version lines, one a line")
    parser.add_argument("--quick", action="store_true", help="one run each, for a smoke run")
    parser.add_argument("--check", action="store_true", help="exit with 1 when a target is missed")
    parser.add_argument("--json", metavar="FILE", help="also write the measurements to FILE")
    args = parser.parse_args()
    if args.loop:
        return python_check_loop()
    if not (args.tool and args.corpus):
        parser.error("--tool and --corpus are needed")
    repeat = 1 if args.quick else 5

    size = os.path.getsize(args.corpus)
    with open(args.corpus, "rb") as corpus:
        lines = sum(1 for _ in corpus)
    python_loop = [sys.executable, os.path.abspath(__file__), "--loop"]
    sort_v, sort_v_peak = measure(["sort", "-V", args.corpus], None, repeat)
    kolvi_sort, kolvi_sort_peak = measure([args.tool, "sort", args.corpus], None, repeat)
    kolvi_check, kolvi_check_peak = measure([args.tool, "check"], args.corpus, repeat)
    loop, loop_peak = measure(python_loop, args.corpus, repeat)
    kolvi_key, kolvi_key_peak = measure([args.tool, "key", args.corpus], None, repeat)
    json_check, json_check_peak = measure(
        [args.tool, "check", "--format", "json"], args.corpus, repeat
    )

    print(f"\ncorpus: {lines:,} lines, {size / 1e6:.1f} MB; median of {repeat} runs")
    print("\n| command | wall s | peak MB | peak ÷ file size |")
    print("|---|---:|---:|---:|")
    commands = [
        ("LC_ALL=C sort -V FILE", sort_v, sort_v_peak),
        ("kolvi sort FILE", kolvi_sort, kolvi_sort_peak),
        ("kolvi check < FILE", kolvi_check, kolvi_check_peak),
        ("Python loop over Version < FILE", loop, loop_peak),
        ("kolvi key FILE", kolvi_key, kolvi_key_peak),
        ("kolvi check --format json < FILE", json_check, json_check_peak),
    ]
    for label, wall, peak in commands:
        print(f"| {label} | {wall:.3f} | {peak / 1024:.1f} | {peak * 1024 / size:.2f} |")

    sort_ratio = kolvi_sort / sort_v
    memory_ratio = kolvi_sort_peak * 1024 / size
    speedup = loop / kolvi_check
    key_speedup = sort_v / kolvi_key
    json_ratio = json_check / kolvi_check
    targets = [
        (
            f"kolvi sort ≤ {SORT_TIME_TARGET}× sort -V wall time",
            sort_ratio,
            sort_ratio <= SORT_TIME_TARGET,
        ),
        (
            f"kolvi sort peak memory ≤ {MEMORY_TARGET}× file size",
            memory_ratio,
            memory_ratio <= MEMORY_TARGET,
        ),
        (
            f"kolvi check ≥ {CHECK_SPEEDUP_TARGET}× faster than the Python loop",
            speedup,
            speedup >= CHECK_SPEEDUP_TARGET,
        ),
        (
            f"kolvi key ≥ {KEY_SPEEDUP_TARGET}× faster than sort -V",
            key_speedup,
            key_speedup >= KEY_SPEEDUP_TARGET,
        ),
        (
            f"kolvi check --format json ≤ {JSON_TIME_TARGET}× kolvi check wall time",
            json_ratio,
            json_ratio <= JSON_TIME_TARGET,
        ),
    ]
    print()
    for label, value, met in targets:
        print(f"- {label}: {value:.2f} ({'met' if met else 'MISSED'})")
    key_length = key_lengths(args.tool, args.corpus)
    print(
        f"- mean key length {key_length['key_bytes']:.2f} bytes against a mean line length of"
        f" {key_length['line_bytes']:.2f} bytes ({key_length['key_bytes'] / key_length['line_bytes']:.2f}×),"
        f" over the {key_length['lines']:,} valid lines"
    )
    by_size = sorts_by_size(args.tool, args.corpus, lines, repeat)
    if args.json:
        result = {
            "corpus": {"lines": lines, "bytes": size},
            "repeat": repeat,
            "commands": [
                {"label": label, "wall_s": wall, "peak_kb": peak} for label, wall, peak in commands
            ],
            "targets": [
                {"label": label, "measured": value, "met": met} for label, value, met in targets
            ],
            "key_length": key_length,
            "sort_by_size": by_size,
        }
        with open(args.json, "w", encoding="utf-8") as file:
            json.dump(result, file, indent=1)
    return 1 if args.check and not all(met for _, _, met in targets) else 0


def key_lengths(tool: str, corpus: str) -> dict:
    """The mean key length (hex digits / 2) and line length in bytes over the valid lines."""
    keyed = subprocess.run(
        [tool, "key", "--with-text", corpus], capture_output=True, check=False
    ).stdout.splitlines()
    key_bytes = line_bytes = 0
    for row in keyed:
        key, _, line = row.partition(b"\t")
        key_bytes += len(key) // 2
        line_bytes += len(line)
    count = max(len(keyed), 1)
    return {"lines": len(keyed), "key_bytes": key_bytes / count, "line_bytes": line_bytes / count}


def sorts_by_size(tool: str, corpus: str, lines: int, repeat: int) -> list[dict]:
    """Median wall seconds of sort -V and kolvi sort on the leading SIZES lines of the corpus."""
    print("\n| lines | sort -V s | kolvi sort s | kolvi ÷ sort -V |")
    print("|---:|---:|---:|---:|")
    rows = []
    with tempfile.TemporaryDirectory() as folder, open(corpus, "rb") as source:
        head = source.readlines()
        for count in (size for size in SIZES if size <= lines):
            part = os.path.join(folder, f"{count}.txt")
            with open(part, "wb") as file:
                file.writelines(head[:count])
            sort_v, _ = measure(["sort", "-V", part], None, repeat)
            kolvi_sort, _ = measure([tool, "sort", part], None, repeat)
            rows.append({"lines": count, "sort_v_s": sort_v, "kolvi_sort_s": kolvi_sort})
            print(f"| {count:,} | {sort_v:.4f} | {kolvi_sort:.4f} | {kolvi_sort / sort_v:.2f} |")
    return rows


if __name__ == "__main__":
    sys.exit(main())
