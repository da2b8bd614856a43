"""SVG plots of a benchmark result file (see results.py), as the performance page shows them:

- operations.svg: kolvi against packaging and semver, per operation, ns on a log scale;
- failures.svg: each failed parse against its floor (raising the same report), colour off and on;
- cli-sort.svg: `kolvi sort` against `sort -V` by input size, both axes on a log scale.

Usage: plot.py RESULT_FILE OUTPUT_FOLDER
The plots are reproducible: the same result file gives the same bytes.
"""

from __future__ import annotations

import argparse
import os
import sys

import matplotlib

matplotlib.use("svg")
matplotlib.rcParams.update(
    {
        "svg.hashsalt": "kolvi",  # stable element ids
        "svg.fonttype": "none",  # text stays text: searchable and sharp
        "font.size": 9,
        "axes.spines.top": False,
        "axes.spines.right": False,
    }
)
import matplotlib.pyplot as plt  # noqa: E402 - the backend is chosen first

import results  # noqa: E402

KOLVI, PACKAGING, SEMVER = "#1f6f8b", "#e08a1e", "#7a5195"
FLOOR, SORT_V = "#9e9e9e", "#c0392b"
PEER_COLOURS = {"packaging": PACKAGING, "semver": SEMVER}


def save(figure, folder: str, name: str) -> str:
    path = os.path.join(folder, name)
    figure.savefig(path, format="svg", metadata={"Date": None}, bbox_inches="tight")
    plt.close(figure)
    return path


def peer_name(label: str) -> str:
    return next((name for name in PEER_COLOURS if label.startswith(name)), "")


def operation_groups(run: dict) -> list[tuple[str, float, dict[str, float]]]:
    """(kolvi operation, its ns, {peer: ns}) for every operation that has a peer row."""
    peers: dict[str, dict[str, float]] = {}
    kolvi_ns: dict[str, float] = {}
    for row in run["operations"]:
        if row["peer_of"]:
            peers.setdefault(row["peer_of"], {})[peer_name(row["label"])] = row["ns"]
            kolvi_ns[row["peer_of"]] = row["peer_ns"]
    return [(label, kolvi_ns[label], peers[label]) for label in peers]


def plot_operations(result: dict, folder: str) -> str:
    runs = result["python"]
    figure, axes = plt.subplots(
        1, len(runs), figsize=(4.2 * len(runs), 3.6), sharey=True, squeeze=False
    )
    for axis, (interpreter, run) in zip(axes[0], sorted(runs.items()), strict=True):
        groups = operation_groups(run)
        width = 0.27
        for index, (_, kolvi_ns, peer_ns) in enumerate(groups):
            axis.barh(index - width, kolvi_ns, width, color=KOLVI)
            for offset, name in enumerate(("packaging", "semver")):
                if name in peer_ns:
                    axis.barh(
                        index + offset * width, peer_ns[name], width, color=PEER_COLOURS[name]
                    )
        axis.set_xscale("log")
        axis.set_yticks(range(len(groups)), [label for label, _, _ in groups])
        axis.invert_yaxis()
        axis.set_xlabel("ns per operation (whole sort for the sorts), log scale")
        axis.set_title(f"CPython {interpreter}")
    handles = [plt.Rectangle((0, 0), 1, 1, color=colour) for colour in (KOLVI, PACKAGING, SEMVER)]
    figure.legend(
        handles,
        ["kolvi", "packaging", "semver"],
        loc="upper center",
        ncol=3,
        bbox_to_anchor=(0.5, 0),
        frameon=False,
    )
    return save(figure, folder, "operations.svg")


def plot_failures(result: dict, folder: str) -> str:
    runs = result["python"]
    figure, axes = plt.subplots(
        len(runs), 2, figsize=(9, 3.2 * len(runs)), sharey=True, squeeze=False
    )
    for row, (interpreter, run) in zip(axes, sorted(runs.items()), strict=True):
        for axis, colour in zip(row, ("off", "on"), strict=True):
            cases = run["failures"][colour]
            positions = range(len(cases))
            axis.barh([p - 0.2 for p in positions], [c["ns"] for c in cases], 0.4, color=KOLVI)
            axis.barh(
                [p + 0.2 for p in positions], [c["floor_ns"] for c in cases], 0.4, color=FLOOR
            )
            axis.set_yticks(list(positions), [case["label"] for case in cases])
            axis.invert_yaxis()
            axis.set_xlabel("ns per failed call")
            axis.set_title(f"CPython {interpreter}, colour {colour}")
    handles = [plt.Rectangle((0, 0), 1, 1, color=colour) for colour in (KOLVI, FLOOR)]
    labels = ["kolvi: the failing call with its report", "floor: raising and catching that report"]
    figure.legend(
        handles, labels, loc="upper center", ncol=2, bbox_to_anchor=(0.5, 0), frameon=False
    )
    return save(figure, folder, "failures.svg")


def plot_cli_sort(result: dict, folder: str) -> str:
    sizes = result["cli"]["sort_by_size"]
    lines = [row["lines"] for row in sizes]
    figure, axis = plt.subplots(figsize=(5.5, 3.6))
    axis.plot(
        lines, [row["sort_v_s"] for row in sizes], "o-", color=SORT_V, label="LC_ALL=C sort -V FILE"
    )
    axis.plot(
        lines, [row["kolvi_sort_s"] for row in sizes], "o-", color=KOLVI, label="kolvi sort FILE"
    )
    axis.set_xscale("log")
    axis.set_yscale("log")
    axis.set_xlabel("input lines (real version strings), log scale")
    axis.set_ylabel("wall seconds, log scale")
    axis.legend(frameon=False)
    axis.grid(True, which="major", alpha=0.3)
    return save(figure, folder, "cli-sort.svg")


def plot_all(result_path: str, folder: str) -> list[str]:
    """Writes every plot the result file has data for; returns their paths."""
    result = results.read(result_path)
    os.makedirs(folder, exist_ok=True)
    written = []
    if result["python"]:
        written += [plot_operations(result, folder), plot_failures(result, folder)]
    if result["cli"]:
        written.append(plot_cli_sort(result, folder))
    return written


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("result")
    parser.add_argument("folder")
    args = parser.parse_args()
    written = plot_all(args.result, args.folder)
    if not written:
        sys.exit(f"plot: {args.result} holds no measurements")
    for path in written:
        print(path)


if __name__ == "__main__":
    main()
