"""Failed parses against their floor: raising and catching a RuntimeError whose text is the very
report the failing call raises, in the same process. Colour is decided once per process, so the
coloured reports are measured in a child run with colour forced on.

Run as a script, it prints its rows as JSON (what the parent reads from the coloured child).
"""

from __future__ import annotations

import argparse
import json
import os
import subprocess
import sys

from timing import (
    COLOUR_FORCED,
    apply_environment,
    failing,
    import_kolvi,
    paired_median_ns,
    raising,
)

kolvi = import_kolvi()

LONG_AT_END = "1.2.3-" + "a" * 993 + "_"
LONG_AT_START = "x" + "1" * 999

# (label, class, input): each of the four kinds, 1,000 ASCII characters failing at either end, and
# a line outside ASCII.
FAILURES = [
    ('SemVer("1.2.x")', "SemVer", "1.2.x"),
    ('Version("1.2.3_")', "Version", "1.2.3_"),
    ('DotSeparated("a..b")', "DotSeparated", "a..b"),
    ('Other("1abc")', "Other", "1abc"),
    ("1,000 ASCII characters failing at the end", "SemVer", LONG_AT_END),
    ("1,000 ASCII characters failing at the start", "SemVer", LONG_AT_START),
    ('Version("versión-1.0"), outside ASCII', "Version", "versión-1.0"),
]


def report_of(cls, text):
    try:
        cls(text)
    except RuntimeError as error:
        return str(error)
    raise SystemExit(f"{cls.__name__}({text[:20]!r}) did not fail")


def measure(repeat, coloured):
    """[label, kolvi ns, floor ns] for each failure, under this process's colour decision."""
    rows = []
    for label, name, text in FAILURES:
        cls = getattr(kolvi.package.version, name)
        message = report_of(cls, text)
        if ("\x1b[" in message) != coloured:
            raise SystemExit(f"colour is not {'on' if coloured else 'off'} for {label}")
        kolvi_ns, floor_ns = paired_median_ns(
            failing(cls, text, RuntimeError), raising(message), repeat=repeat
        )
        rows.append([label, kolvi_ns, floor_ns])
    return rows


def measure_coloured(repeat):
    """The same rows from a child process with colour forced on."""
    env = apply_environment(COLOUR_FORCED, dict(os.environ))
    child = subprocess.run(
        [sys.executable, os.path.abspath(__file__), "--json", "--repeat", str(repeat)],
        env=env,
        capture_output=True,
        text=True,
        check=True,
    )
    return json.loads(child.stdout)


def print_table(plain, coloured):
    print("\n| failed parse | colour | kolvi ns | floor ns | × floor |")
    print("|---|---|---:|---:|---:|")
    for colour, rows in (("off", plain), ("on", coloured)):
        for label, kolvi_ns, floor_ns in rows:
            print(
                f"| {label} | {colour} | {kolvi_ns:,.0f} | {floor_ns:,.0f} | {kolvi_ns / floor_ns:.2f} |"
            )


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--json", action="store_true", help="print the rows as JSON")
    parser.add_argument("--repeat", type=int, default=7)
    args = parser.parse_args()
    coloured = "CLICOLOR_FORCE" in os.environ
    rows = measure(args.repeat, coloured)
    if args.json:
        print(json.dumps(rows))
    else:
        print_table(rows if not coloured else [], rows if coloured else [])


if __name__ == "__main__":
    main()
