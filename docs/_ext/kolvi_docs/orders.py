"""kolvi's order against the orders users know, computed while the docs build:

- `kolvi-peer-table`: one pair per line, `A | B`; how kolvi's Version, `sort -V`, dpkg and
  PEP 440 (packaging) each order the two.
- `kolvi-order-comparison` (option `:sample:`, the sample bench/version_corpus.py writes): the whole sample
  ordered by all four, how often each pair of orders disagrees, and short examples of it.

dpkg is asked through `dpkg --compare-versions` under functools.cmp_to_key, one process per
comparison, so its order of the sample is kept in build/docs/cache, keyed by the sample and the
dpkg version; the other three orders are computed on every build.
"""

from __future__ import annotations

import functools
import hashlib
import json
import re
import subprocess
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass
from itertools import combinations
from pathlib import Path

import numpy
from docutils import nodes
from docutils.parsers.rst import directives
from packaging.version import InvalidVersion
from packaging.version import Version as Pep440Version
from sphinx.util import logging
from sphinx.util.docutils import SphinxDirective

from .rst import literal, paragraph, table

LOGGER = logging.getLogger(__name__)
REPO_ROOT = Path(__file__).resolve().parents[3]
CACHE = REPO_ROOT / "build" / "docs" / "cache"
ORDER_NAMES = ("kolvi Version", "sort -V", "dpkg", "PEP 440")
SYMBOLS = {-1: "<", 0: "=", 1: ">"}


# --- the four orders ----------------------------------------------------------------------------


def kolvi_version(text: str):
    import kolvi  # in the docs venv; conf.py has turned report colour off

    try:
        return kolvi.package.version.Version(text)
    except RuntimeError:
        return None


def pep440(text: str):
    try:
        return Pep440Version(text)
    except InvalidVersion:
        return None


def dpkg_accepts(text: str) -> bool:
    return (
        subprocess.run(["dpkg", "--validate-version", "--", text], capture_output=True).returncode
        == 0
    )


@functools.cache
def dpkg_compare(a: str, b: str) -> int:
    if subprocess.run(["dpkg", "--compare-versions", a, "lt", b]).returncode == 0:
        return -1
    return 0 if subprocess.run(["dpkg", "--compare-versions", a, "eq", b]).returncode == 0 else 1


def sort_v(texts: list[str]) -> list[str]:
    """The texts as `LC_ALL=C sort -V` orders them (one line each)."""
    output = subprocess.run(
        ["sort", "-V"],
        input="".join(text + "\n" for text in texts),
        capture_output=True,
        text=True,
        env={"LC_ALL": "C", "PATH": "/usr/bin:/bin"},
        check=True,
    ).stdout
    return output.splitlines()


def three_way(a, b) -> int:
    return (a > b) - (a < b)


def compare_pair(first: str, second: str) -> dict[str, str]:
    """How each order compares one pair: <, =, > or which input it rejects."""
    verdicts = {}
    values = [kolvi_version(first), kolvi_version(second)]
    verdicts["kolvi Version"] = verdict(values, lambda a, b: three_way(a, b))
    order = sort_v([first, second])
    verdicts["sort -V"] = "=" if first == second else ("<" if order[0] == first else ">")
    accepted = [first if dpkg_accepts(first) else None, second if dpkg_accepts(second) else None]
    verdicts["dpkg"] = verdict(accepted, dpkg_compare)
    verdicts["PEP 440"] = verdict([pep440(first), pep440(second)], three_way)
    return verdicts


def verdict(values, compare) -> str:
    rejected = [name for name, value in zip("AB", values, strict=True) if value is None]
    if rejected:
        return "rejects " + " and ".join(rejected)
    return SYMBOLS[compare(*values)]


class PeerTableDirective(SphinxDirective):
    has_content = True

    def run(self) -> list[nodes.Node]:
        rows = []
        for line in self.content:
            if not line.strip():
                continue
            first, second = (part.strip() for part in line.split("|"))
            verdicts = compare_pair(first, second)
            rows.append(
                [literal(first), literal(second), *(literal(verdicts[n]) for n in ORDER_NAMES)]
            )
        return [table(["A", "B", *ORDER_NAMES], rows, classes=["kolvi-order"])]


# --- the sample ---------------------------------------------------------------------------------


@dataclass
class Ranked:
    """An order of the sample: the rank of every string it accepts (equal values, equal rank)."""

    name: str
    ranks: dict[str, int]


def ranks_by_key(texts: list[str], parse) -> dict[str, int]:
    parsed = [(value, text) for text in texts if (value := parse(text)) is not None]
    parsed.sort(key=lambda item: item[0])
    ranks, rank, previous = {}, -1, None
    for index, (value, text) in enumerate(parsed):
        if index == 0 or value != previous:
            rank = index
        ranks[text] = rank
        previous = value
    return ranks


def ranks_of_sorted(ordered: list[str], compare) -> dict[str, int]:
    ranks, rank = {}, -1
    for index, text in enumerate(ordered):
        if index == 0 or compare(ordered[index - 1], text) != 0:
            rank = index
        ranks[text] = rank
    return ranks


def dpkg_version() -> str:
    return subprocess.run(["dpkg", "--version"], capture_output=True, text=True).stdout.split("\n")[
        0
    ]


def dpkg_ranks(texts: list[str], presorted: list[str]) -> dict[str, int]:
    """dpkg's order of the texts it accepts. The input is in sort -V's order first: the result is
    dpkg's alone, but a near-sorted input takes Timsort far fewer comparisons (processes)."""
    key = hashlib.sha256(("\n".join(texts) + dpkg_version()).encode()).hexdigest()[:16]
    cached = CACHE / f"dpkg-ranks-{key}.json"
    if cached.exists():
        return json.loads(cached.read_text())
    with ThreadPoolExecutor(max_workers=4) as pool:
        accepted = {
            text for text, ok in zip(texts, pool.map(dpkg_accepts, texts), strict=True) if ok
        }
    ordered = sorted(
        (t for t in presorted if t in accepted), key=functools.cmp_to_key(dpkg_compare)
    )
    ranks = ranks_of_sorted(ordered, dpkg_compare)
    CACHE.mkdir(parents=True, exist_ok=True)
    cached.write_text(json.dumps(ranks))
    return ranks


def all_orders(texts: list[str]) -> list[Ranked]:
    by_sort_v = sort_v(texts)
    return [
        Ranked("kolvi Version", ranks_by_key(texts, kolvi_version)),
        Ranked("sort -V", {text: index for index, text in enumerate(by_sort_v)}),
        Ranked("dpkg", dpkg_ranks(texts, by_sort_v)),
        Ranked("PEP 440", ranks_by_key(texts, pep440)),
    ]


@dataclass
class Disagreement:
    common: list[str]
    pairs: int
    opposite: int
    tie_only_one: int
    examples: list[tuple[str, str]]
    reversed_pairs: numpy.ndarray  # upper triangle: True where the orders disagree


KIND_NAMES = ("SemVer", "DotSeparated", "Other")


def kolvi_kind(text: str) -> str:
    return repr(kolvi_version(text)).split("::")[1].split(" ")[0]


def shape(text: str) -> str:
    """The outline of a version (digit runs and letter runs folded), to pick varied examples."""
    return re.sub(r"[A-Za-z]+", "a", re.sub(r"[0-9]+", "9", text))


def pick_examples(a: Ranked, pairs: list[tuple[str, str]], count: int) -> list[tuple[str, str]]:
    """Short pairs a reader can check at a glance, written in a's order: against kolvi the
    shortest of each pair of kinds first (so each cause shows), then one per outline."""
    by_length = sorted(pairs, key=lambda pair: (len(pair[0]) + len(pair[1]), pair))
    chosen: list[tuple[str, str]] = []
    if a.name == "kolvi Version":
        kinds_seen = set()
        for pair in by_length:
            kinds = tuple(sorted(kolvi_kind(text) for text in pair))
            if kinds not in kinds_seen:
                kinds_seen.add(kinds)
                chosen.append(pair)
    outlines = {(shape(x), shape(y)) for x, y in chosen}
    for pair in by_length:
        if len(chosen) >= count:
            break
        outline = (shape(pair[0]), shape(pair[1]))
        if outline not in outlines:
            outlines.add(outline)
            chosen.append(pair)
    return [(x, y) if a.ranks[x] < a.ranks[y] else (y, x) for x, y in chosen[:count]]


def disagreement(a: Ranked, b: Ranked, example_count: int = 5) -> Disagreement:
    common = sorted(set(a.ranks) & set(b.ranks))
    ra = numpy.array([a.ranks[t] for t in common], dtype=numpy.int64)
    rb = numpy.array([b.ranks[t] for t in common], dtype=numpy.int64)
    sa = numpy.sign(ra[:, None] - ra[None, :])
    sb = numpy.sign(rb[:, None] - rb[None, :])
    opposite_matrix = numpy.triu(sa * sb < 0, 1)
    tie_matrix = numpy.triu((sa == 0) != (sb == 0), 1)
    pairs = len(common) * (len(common) - 1) // 2
    reversed_pairs = [
        (common[i], common[j]) for i, j in zip(*numpy.nonzero(opposite_matrix), strict=True)
    ]
    examples = pick_examples(a, reversed_pairs, example_count)
    return Disagreement(
        common, pairs, int(opposite_matrix.sum()), int(tie_matrix.sum()), examples, opposite_matrix
    )


def reversed_by_kind(found: Disagreement) -> dict[tuple[str, str], int]:
    """The reversed pairs of a comparison with kolvi, by the kinds kolvi gave the two strings."""
    kinds = numpy.array([KIND_NAMES.index(kolvi_kind(text)) for text in found.common])
    counts = {}
    for i, j in zip(*numpy.nonzero(found.reversed_pairs), strict=True):
        pair = tuple(sorted((kinds[i], kinds[j])))
        counts[pair] = counts.get(pair, 0) + 1
    return {(KIND_NAMES[a], KIND_NAMES[b]): count for (a, b), count in sorted(counts.items())}


def read_sample(path: Path) -> list[tuple[str, str]]:
    """(source, version) for each line of the sample, under its "## <source>" line."""
    rows, source = [], None
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.startswith("## "):
            source = line[3:]
        elif source is None:
            raise ValueError(f"{path}: a version before the first source line")
        else:
            rows.append((source, line))
    return rows


class OrderComparisonDirective(SphinxDirective):
    has_content = False
    option_spec = {"sample": directives.unchanged_required}

    def run(self) -> list[nodes.Node]:
        path = Path(self.env.srcdir) / self.options["sample"]
        self.env.note_dependency(str(path))
        sample = read_sample(path)
        texts = [text for _, text in sample]
        if len(set(texts)) != len(texts):
            raise self.error(f"{path}: the sample repeats a version")
        orders = all_orders(texts)
        output: list[nodes.Node] = [self.acceptance_table(sample, orders)]
        output.append(
            paragraph(
                "For each pair of orders, over the strings both accept: how many pairs of "
                "strings one order puts the other way round, and how many one calls equal "
                "while the other does not. The examples are the shortest such pairs of "
                "different outlines, written in the first order's order (A before B):"
            )
        )
        rows, by_kind = [], {}
        for a, b in combinations(orders, 2):
            found = disagreement(a, b)
            if a.name == "kolvi Version":
                by_kind[b.name] = (reversed_by_kind(found), found.opposite)
            example_nodes = paragraph()
            for index, (first, second) in enumerate(found.examples):
                if index:
                    example_nodes += nodes.Text("; ")
                example_nodes += literal(f"{first} < {second}")
            rows.append(
                [
                    f"{a.name} / {b.name}",
                    f"{len(found.common):,}",
                    f"{found.opposite:,} ({found.opposite / found.pairs:.2%})",
                    f"{found.tie_only_one:,} ({found.tie_only_one / found.pairs:.2%})",
                    example_nodes,
                ]
            )
        output.append(
            table(
                [
                    "orders",
                    "strings both accept",
                    "pairs reversed",
                    "equal in one only",
                    "examples (A's order)",
                ],
                rows,
            )
        )
        output.append(
            paragraph(
                "The pairs that kolvi's order puts the other way round, by the kinds kolvi "
                "gives the two strings (a share of all the pairs reversed against that order):"
            )
        )
        kind_pairs = sorted({pair for counts, _ in by_kind.values() for pair in counts})
        output.append(
            table(
                ["kinds", *(f"against {name}" for name in by_kind)],
                [
                    [" and ".join(pair) if pair[0] != pair[1] else f"both {pair[0]}"]
                    + [
                        f"{counts.get(pair, 0):,} ({counts.get(pair, 0) / total:.0%})"
                        for counts, total in by_kind.values()
                    ]
                    for pair in kind_pairs
                ],
            )
        )
        return output

    @staticmethod
    def acceptance_table(sample, orders: list[Ranked]) -> nodes.table:
        sources: dict[str, list[str]] = {}
        for source, text in sample:
            sources.setdefault(source, []).append(text)
        rows = []
        for source, texts in sources.items():
            rows.append(
                [source, f"{len(texts):,}"]
                + [f"{sum(t in order.ranks for t in texts) / len(texts):.0%}" for order in orders]
            )
        rows.append(
            ["all", f"{len(sample):,}"]
            + [f"{len(order.ranks) / len(sample):.0%}" for order in orders]
        )
        return table(["source", "strings", *(f"{o.name} accepts" for o in orders)], rows)


def setup(app):
    app.add_directive("kolvi-peer-table", PeerTableDirective)
    app.add_directive("kolvi-order-comparison", OrderComparisonDirective)
