"""Bulk work on a real version list: classify each string with Version (try/except per item, as a
user would), against packaging's Version on the same list, then sort what each one parsed.
The list comes from version_corpus: real versions from this machine, invalid ones kept.
"""

from __future__ import annotations

import version_corpus
from timing import paired_median_ns

BULK_LINES = 300_000


def classifier(parse, error, lines):
    """A callable that parses every line and returns the values that parsed."""

    def classify():
        values = []
        append = values.append
        for text in lines:
            try:
                append(parse(text))
            except error:
                pass
        return values

    return classify


def measure(version, pkg, repeat, lines=BULK_LINES):
    """ns for classifying and for sorting the parsed values, kolvi and packaging, and the share of
    the list each one rejects."""
    shuffled, _ = version_corpus.corpus(lines, seed=20261208)
    # As read from a file: the strings are made in list order, not in the corpus's shuffled order.
    corpus = "\n".join(shuffled).split("\n")
    kolvi_classify = classifier(version, RuntimeError, corpus)
    pkg_classify = classifier(pkg.Version, pkg.InvalidVersion, corpus)
    kolvi_values, pkg_values = kolvi_classify(), pkg_classify()
    classify_ns = paired_median_ns(kolvi_classify, pkg_classify, repeat=repeat, number=1)
    sort_ns = paired_median_ns(
        lambda: sorted(kolvi_values), lambda: sorted(pkg_values), repeat=repeat, number=1
    )
    return {
        "lines": len(corpus),
        "rejected": (1 - len(kolvi_values) / len(corpus), 1 - len(pkg_values) / len(corpus)),
        "classify": classify_ns,
        "sort": sort_ns,
    }


def print_table(result):
    kolvi_rejected, pkg_rejected = result["rejected"]
    print(
        f"\n{result['lines']:,} real version strings; Version rejects {kolvi_rejected:.1%}, "
        f"packaging {pkg_rejected:.1%}\n"
    )
    print("| bulk | kolvi ms | packaging ms | packaging ÷ kolvi |")
    print("|---|---:|---:|---:|")
    for label, key in (
        ("classify with try/except per item", "classify"),
        ("sort the parsed values", "sort"),
    ):
        kolvi_ns, pkg_ns = result[key]
        print(
            f"| {label} | {kolvi_ns / 1e6:,.1f} | {pkg_ns / 1e6:,.1f} | {pkg_ns / kolvi_ns:.1f} |"
        )
