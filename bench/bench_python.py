"""Side-by-side timings of kolvi against the builtin floor and peer libraries.

Everything runs in one process so that ratios compare like with like (the coloured failures in
one child). Prints Markdown tables: median ns per operation, the ratio to int("12345"), the ratio
of the peer's time to kolvi's (how many times faster kolvi is), failed parses against raising
their report, bulk work on a real version list, bytes per instance, and the targets, with --check
turning a missed one into exit status 1.
"""

from __future__ import annotations

import argparse
import functools
import gc
import json
import random
import sys
import sysconfig
import tracemalloc

import bench_bulk
import bench_failures
import timing
from timing import failing, import_kolvi

# kolvi declares that it needs the interpreter lock, so a free-threaded interpreter turns the
# lock on at import and warns; the table header states the lock's state instead.
kolvi = import_kolvi()

try:
    import packaging.version as pkg
except ImportError:  # the peers are optional when run by hand
    pkg = None
try:
    import semver as pysemver
except ImportError:
    pysemver = None

# The submodules are attributes of kolvi, not importable dotted names.
_version = kolvi.package.version
SemVer, DotSeparated, Other, Version = (
    _version.SemVer,
    _version.DotSeparated,
    _version.Other,
    _version.Version,
)

SORT_SIZE = 100_000
MEMORY_COUNT = 1_000_000


def median_ns(stmt, namespace=None, **options):
    """timing.median_ns with this module's names in reach of the statement."""
    return timing.median_ns(stmt, namespace=namespace or globals(), **options)


def random_versions(count):
    rng = random.Random(1234)
    out = []
    for _ in range(count):
        numbers = (rng.randrange(20), rng.randrange(50), rng.randrange(100))
        rc = f"rc.{rng.randrange(10)}" if rng.random() < 0.25 else None
        out.append((numbers, rc))
    return out


def sort_rows(versions):
    texts = [f"{a}.{b}.{c}" + (f"-{rc}" if rc else "") for (a, b, c), rc in versions]
    rows = [
        ("tuples", lambda: [n for n, _ in versions]),
        ("kolvi", lambda: [SemVer(t) for t in texts]),
    ]
    if pkg:
        pep440 = [t.replace("-rc.", "rc") for t in texts]
        rows.append(("packaging", lambda: [pkg.Version(t) for t in pep440]))
    if pysemver:
        rows.append(("semver", lambda: [pysemver.Version.parse(t) for t in texts]))
    results = {}
    for name, build in rows:
        items = build()
        results[name] = median_ns(functools.partial(sorted, items), repeat=5, number=1)
    return results


def bytes_per_instance(make):
    gc.collect()
    tracemalloc.start()
    before = tracemalloc.get_traced_memory()[0]
    keep = [None] * MEMORY_COUNT
    list_only = tracemalloc.get_traced_memory()[0]
    for i in range(MEMORY_COUNT):
        keep[i] = make()
    after = tracemalloc.get_traced_memory()[0]
    tracemalloc.stop()
    del keep
    del before
    # An instance takes whole bytes; a few one-off allocations in the loop only add a fraction.
    return round((after - list_only) / MEMORY_COUNT)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quick", action="store_true", help="fewer repeats, for a smoke run")
    parser.add_argument("--check", action="store_true", help="exit with 1 when a target is missed")
    parser.add_argument("--json", metavar="FILE", help="also write the measurements to FILE")
    args = parser.parse_args()
    repeat = 3 if args.quick else 7
    # Colour is decided on the first report; this process measures the reports without it.
    timing.apply_environment(timing.COLOUR_OFF)

    a, b = SemVer("1.2.3"), SemVer("1.2.4")
    full = SemVer("1.2.3-rc.1+build.5")
    rows = []  # (group, label, ns, peer label or None, peer ns)

    floor = median_ns('int("12345")', repeat=repeat)
    rows.append(("floor", 'int("12345")', floor, None, None))

    def parse_row(label, stmt, peers=()):
        ns = median_ns(stmt, repeat=repeat)
        rows.append(("parse", label, ns, None, None))
        for peer_label, peer_stmt in peers:
            rows.append(("parse", peer_label, median_ns(peer_stmt, repeat=repeat), label, ns))

    plain_peers, pre_peers = [], []
    if pkg:
        plain_peers.append(('packaging Version("1.2.3")', 'pkg.Version("1.2.3")'))
        pre_peers.append(
            ('packaging Version("1.2.3rc1+build.5")', 'pkg.Version("1.2.3rc1+build.5")')
        )
    if pysemver:
        plain_peers.append(('semver parse("1.2.3")', 'pysemver.Version.parse("1.2.3")'))
        pre_peers.append(
            ('semver parse("1.2.3-rc.1+build.5")', 'pysemver.Version.parse("1.2.3-rc.1+build.5")')
        )
    parse_row('SemVer("1.2.3")', 'SemVer("1.2.3")', plain_peers)
    parse_row('SemVer("1.2.3-rc.1+build.5")', 'SemVer("1.2.3-rc.1+build.5")', pre_peers)
    for text in ("1.2.3", "1.2.3-rc.1+build.5", "2024.10.1", "nightly_2024"):
        parse_row(f'Version("{text}")', f'Version("{text}")')
    parse_row('DotSeparated("2024.10.1")', 'DotSeparated("2024.10.1")')
    parse_row('Other("nightly_2024")', 'Other("nightly_2024")')

    namespace = dict(globals(), a=a, b=b, full=full)
    for label, stmt in (
        ("str(SemVer with rc and meta)", "str(full)"),
        ("repr(SemVer with rc and meta)", "repr(full)"),
    ):
        rows.append(
            ("text", label, median_ns(stmt, namespace=namespace, repeat=repeat), None, None)
        )

    compare_ns = median_ns("a < b", namespace=namespace, repeat=repeat)
    rows.append(("compare", "SemVer a < b", compare_ns, None, None))
    if pkg:
        ns = dict(namespace, pa=pkg.Version("1.2.3"), pb=pkg.Version("1.2.4"))
        rows.append(
            (
                "compare",
                "packaging a < b",
                median_ns("pa < pb", namespace=ns, repeat=repeat),
                "SemVer a < b",
                compare_ns,
            )
        )
    if pysemver:
        ns = dict(namespace, sa=pysemver.Version.parse("1.2.3"), sb=pysemver.Version.parse("1.2.4"))
        rows.append(
            (
                "compare",
                "semver a < b",
                median_ns("sa < sb", namespace=ns, repeat=repeat),
                "SemVer a < b",
                compare_ns,
            )
        )

    sorts = sort_rows(random_versions(SORT_SIZE))
    kolvi_sort = sorts.pop("kolvi")
    rows.append(("sort", f"sorted {SORT_SIZE:,} SemVer", kolvi_sort, None, None))
    for name, ns in sorts.items():
        rows.append(
            ("sort", f"sorted {SORT_SIZE:,} {name}", ns, f"sorted {SORT_SIZE:,} SemVer", kolvi_sort)
        )

    fail_ns = median_ns(failing(SemVer, "1.2.x", RuntimeError), repeat=repeat)
    rows.append(("failed parse", 'SemVer("1.2.x") with report', fail_ns, None, None))
    if pkg:
        peer = median_ns(failing(pkg.Version, "1.2.x", pkg.InvalidVersion), repeat=repeat)
        rows.append(
            (
                "failed parse",
                'packaging Version("1.2.x")',
                peer,
                'SemVer("1.2.x") with report',
                fail_ns,
            )
        )

    failures = {
        "off": bench_failures.measure(repeat, coloured=False),
        "on": bench_failures.measure_coloured(repeat),
    }
    bulk = bench_bulk.measure(Version, pkg, repeat=3 if args.quick else 5) if pkg else None

    print_table(rows, floor)
    bench_failures.print_table(failures["off"], failures["on"])
    if bulk:
        bench_bulk.print_table(bulk)
    memory = print_memory()
    measured = Measured({label: ns for _, label, ns, _, _ in rows}, memory, failures, bulk)
    met = check_targets(measured)
    if args.json:
        write_json(args.json, repeat, rows, failures, bulk, memory, measured)
    return 0 if met or not args.check else 1


def interpreter_facts():
    """Which interpreter ran, as the tables' headers state it."""
    return {
        "python": sys.version.split()[0],
        "ext_suffix": sysconfig.get_config_var("EXT_SUFFIX"),
        "build": "free-threaded build" if is_free_threaded() else "GIL build",
        "lock": "on" if getattr(sys, "_is_gil_enabled", lambda: True)() else "off",
    }


def write_json(path, repeat, rows, failures, bulk, memory, measured):
    """The measurements of this run, for scripts/bench's result file and its plots."""
    keys = ("group", "label", "ns", "peer_of", "peer_ns")
    result = {
        **interpreter_facts(),
        "repeat": repeat,
        "operations": [dict(zip(keys, row, strict=True)) for row in rows],
        "failures": {
            colour: [
                {"label": label, "ns": ns, "floor_ns": floor} for label, ns, floor in colour_rows
            ]
            for colour, colour_rows in failures.items()
        },
        "bulk": bulk and {**bulk, "rejected": list(bulk["rejected"])},
        "memory": memory,
        "targets": [
            {"label": label, "measured": figure, "limit": limit, "at_most": at_most}
            for label, figure, limit, at_most in targets(measured)
        ],
    }
    with open(path, "w", encoding="utf-8") as file:
        json.dump(result, file, indent=1)


def print_table(rows, floor):
    facts = interpreter_facts()
    print(
        f"Python {facts['python']} ({facts['ext_suffix']}, {facts['build']}, "
        f"interpreter lock {facts['lock']} while running)\n"
    )
    print("| group | operation | ns/op | × int(str) | peer ÷ kolvi |")
    print("|---|---|---:|---:|---:|")
    for group, label, ns, peer_of, peer_ns in rows:
        versus = f"{ns / peer_ns:.1f}" if peer_of else ""
        to_floor = "" if group == "sort" else f"{ns / floor:.2f}"  # a whole sort is not one call
        print(f"| {group} | {label} | {ns:,.0f} | {to_floor} | {versus} |")


def print_memory():
    print("\n| memory | bytes per instance |")
    print("|---|---:|")
    makers = [('SemVer("1.2.3")', lambda: SemVer("1.2.3"))]
    if pkg:
        makers.append(('packaging Version("1.2.3")', lambda: pkg.Version("1.2.3")))
    if pysemver:
        makers.append(('semver parse("1.2.3")', lambda: pysemver.Version.parse("1.2.3")))
    memory = {}
    for label, make in makers:
        memory[label] = bytes_per_instance(make)
        print(f"| {label} | {memory[label]:.0f} |")
    return memory


def is_free_threaded():
    return bool(sysconfig.get_config_var("Py_GIL_DISABLED"))


class Measured:
    """Everything the targets read: ns by row label, memory, failures by colour, bulk work."""

    def __init__(self, ns, memory, failures, bulk):
        self.ns, self.memory, self.bulk = ns, memory, bulk
        self.failure_ratio = {
            (colour, label): kolvi_ns / floor_ns
            for colour, rows in failures.items()
            for label, kolvi_ns, floor_ns in rows
        }


def targets(measured):
    """(description, measured figure, limit, True when the figure must stay at or below it)."""
    ns, memory = measured.ns, measured.memory
    floor = ns['int("12345")']
    plain, pre = ns['SemVer("1.2.3")'], ns['SemVer("1.2.3-rc.1+build.5")']
    out = [
        ('SemVer("1.2.3") × int(str)', plain / floor, 2.5, True),
        (
            'Version("1.2.3-rc.1+build.5") × int(str)',
            ns['Version("1.2.3-rc.1+build.5")'] / floor,
            4.0,
            True,
        ),
        (
            f"sorted {SORT_SIZE:,} SemVer ÷ tuples",
            ns[f"sorted {SORT_SIZE:,} SemVer"] / ns[f"sorted {SORT_SIZE:,} tuples"],
            1.0,
            True,
        ),
        (
            'bytes per SemVer("1.2.3")',
            memory['SemVer("1.2.3")'],
            96 if is_free_threaded() else 64,
            True,
        ),
    ]
    if pkg:
        out += [
            ('packaging ÷ kolvi, "1.2.3"', ns['packaging Version("1.2.3")'] / plain, 5.0, False),
            (
                "packaging ÷ kolvi, pre-release",
                ns['packaging Version("1.2.3rc1+build.5")'] / pre,
                10.0,
                False,
            ),
            (
                "packaging failure ÷ kolvi failure with report",
                ns['packaging Version("1.2.x")'] / ns['SemVer("1.2.x") with report'],
                1.0,
                False,
            ),
        ]
    if pysemver:
        out += [
            ('semver ÷ kolvi, "1.2.3"', ns['semver parse("1.2.3")'] / plain, 10.0, False),
            (
                "semver ÷ kolvi, pre-release",
                ns['semver parse("1.2.3-rc.1+build.5")'] / pre,
                10.0,
                False,
            ),
        ]
    # The failure and bulk targets are set for the GIL build.
    if not is_free_threaded():
        out += failure_targets(measured)
    return out


def failure_targets(measured):
    ratio = measured.failure_ratio
    out = [
        ('SemVer("1.2.x") failing × its floor', ratio["off", 'SemVer("1.2.x")'], 1.5, True),
        ('Version("1.2.3_") failing × its floor', ratio["off", 'Version("1.2.3_")'], 2.0, True),
    ]
    for label, _, _ in bench_failures.FAILURES[4:6]:
        out.append((f"{label} × its floor", ratio["off", label], 3.0, True))
    if pkg:
        out.append(
            (
                'packaging InvalidVersion("1.2.x") ÷ kolvi failure',
                measured.ns['packaging Version("1.2.x")']
                / measured.ns['SemVer("1.2.x") with report'],
                3.0,
                False,
            )
        )
    if measured.bulk:
        for label, key, limit in (("classifying", "classify", 12.0), ("sorting", "sort", 8.0)):
            kolvi_ns, pkg_ns = measured.bulk[key]
            out.append((f"packaging ÷ kolvi, bulk {label}", pkg_ns / kolvi_ns, limit, False))
    return out


def check_targets(measured):
    """Prints the targets table; returns True when every target is met."""
    print("\n| target | measured | limit | met |")
    print("|---|---:|---:|---|")
    all_met = True
    for label, figure, limit, at_most in targets(measured):
        met = figure <= limit if at_most else figure >= limit
        all_met = all_met and met
        bound = "≤" if at_most else "≥"
        print(f"| {label} | {figure:.2f} | {bound} {limit:g} | {'yes' if met else 'NO'} |")
    return all_met


if __name__ == "__main__":
    sys.exit(main())
