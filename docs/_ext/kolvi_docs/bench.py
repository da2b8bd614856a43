"""The performance page's tables and plots, from the benchmark's result file (bench/results.py):

- `kolvi-bench-tables` (option `:result:`, relative to the docs folder; option `:part:` one of
  machine, operations, failures, bulk, memory, targets, cli, sizes);
- `kolvi-bench-plot` (argument: a file name that `scripts/bench --plot` writes into the plot
  folder, the `kolvi_plot_dir` setting; option `:alt:`).
"""

from __future__ import annotations

import json
import os
from pathlib import Path

from docutils import nodes
from docutils.parsers.rst import directives
from sphinx.util.docutils import SphinxDirective

from .rst import literal, paragraph, table

PARTS = ("machine", "operations", "failures", "bulk", "memory", "targets", "cli", "sizes")


def number(value: float, digits: int = 0) -> str:
    return f"{value:,.{digits}f}"


class BenchTablesDirective(SphinxDirective):
    has_content = False
    option_spec = {
        "result": directives.unchanged_required,
        "part": lambda value: directives.choice(value, PARTS),
    }

    def run(self) -> list[nodes.Node]:
        path = Path(self.env.srcdir) / self.options["result"]
        self.env.note_dependency(str(path))
        result = json.loads(path.read_text(encoding="utf-8"))
        self.runs = sorted(result["python"].items())
        self.cli_run = result["cli"]
        part = self.options["part"]
        if part in ("cli", "sizes") and not self.cli_run:
            raise self.error(f"{path} has no run of the command: scripts/bench --cli --output it")
        if part not in ("machine", "cli", "sizes") and not self.runs:
            raise self.error(f"{path} has no Python run: scripts/bench --output it")
        return getattr(self, part)()

    # Where and how.
    def machine(self) -> list[nodes.Node]:
        rows = []
        for _, run in self.runs:
            rows.append(self.stamp_row(f"CPython {run['python']} ({run['build']})", run))
        if self.cli_run:
            rows.append(
                self.stamp_row(
                    f"kolvi command (built for CPython {self.cli_run['interpreter']})", self.cli_run
                )
            )
        first = (self.runs[0][1] if self.runs else self.cli_run)["machine"]
        return [
            paragraph(
                f"Machine: {first['arch']}, {first['cores']} cores ({first['cpu']}), "
                f"{first['os']}. Each part of the run:"
            ),
            table(
                ["part", "date", "load average before", "repeats", "kolvi", "packaging", "semver"],
                rows,
            ),
        ]

    @staticmethod
    def stamp_row(label: str, part: dict) -> list:
        return [
            label,
            part["date"],
            " ".join(f"{load:.2f}" for load in part["load_before"]),
            str(part["repeat"]),
            part["kolvi"] or "",
            part["peers"].get("packaging") or "",
            part["peers"].get("semver") or "",
        ]

    # The Python benchmark.
    def interpreter_header(self, *columns: str) -> list[str]:
        return [f"{label} {column}" for label, _ in self.runs for column in columns]

    def operations(self) -> list[nodes.Node]:
        labels = [row["label"] for row in self.runs[0][1]["operations"]]
        by_run = [{row["label"]: row for row in run["operations"]} for _, run in self.runs]
        rows = []
        for label in labels:
            cells: list = [label]
            for rows_of_run in by_run:
                row = rows_of_run.get(label)
                if row is None:
                    cells += ["", "", ""]
                    continue
                floor = rows_of_run['int("12345")']["ns"]
                is_sort = row["group"] == "sort"
                cells.append(f"{row['ns'] / 1e6:,.1f} ms" if is_sort else number(row["ns"]))
                cells.append("" if is_sort else f"{row['ns'] / floor:.2f}")
                cells.append(f"{row['ns'] / row['peer_ns']:.1f}" if row["peer_of"] else "")
            rows.append(cells)
        header = ["operation", *self.interpreter_header("ns", "× int", "peer ÷ kolvi")]
        return [table(header, rows, classes=["kolvi-numbers"])]

    def failures(self) -> list[nodes.Node]:
        rows = []
        first = self.runs[0][1]["failures"]
        for colour in ("off", "on"):
            for index, case in enumerate(first[colour]):
                cells: list = [case["label"], colour]
                for _, run in self.runs:
                    mine = run["failures"][colour][index]
                    cells += [
                        number(mine["ns"]),
                        number(mine["floor_ns"]),
                        f"{mine['ns'] / mine['floor_ns']:.2f}",
                    ]
                rows.append(cells)
        header = ["failed parse", "colour", *self.interpreter_header("ns", "floor ns", "× floor")]
        return [table(header, rows, classes=["kolvi-numbers"])]

    def bulk(self) -> list[nodes.Node]:
        rows, notes = [], []
        for label, key in (
            ("classify with try/except per item", "classify"),
            ("sort the parsed values", "sort"),
        ):
            cells: list = [label]
            for _, run in self.runs:
                kolvi_ns, packaging_ns = run["bulk"][key]
                cells += [
                    f"{kolvi_ns / 1e6:,.1f}",
                    f"{packaging_ns / 1e6:,.1f}",
                    f"{packaging_ns / kolvi_ns:.1f}",
                ]
            rows.append(cells)
        for label, run in self.runs:
            kolvi_rejects, packaging_rejects = run["bulk"]["rejected"]
            notes.append(
                f"{label}: {run['bulk']['lines']:,} strings, Version rejects {kolvi_rejects:.1%}, "
                f"packaging {packaging_rejects:.1%}"
            )
        header = ["bulk", *self.interpreter_header("kolvi ms", "packaging ms", "÷")]
        return [table(header, rows, classes=["kolvi-numbers"]), paragraph("; ".join(notes) + ".")]

    def memory(self) -> list[nodes.Node]:
        labels = list(self.runs[0][1]["memory"])
        rows = [
            [label, *(number(run["memory"].get(label, 0)) for _, run in self.runs)]
            for label in labels
        ]
        header = [
            "bytes per instance (tracemalloc, 1,000,000 kept)",
            *(label for label, _ in self.runs),
        ]
        return [table(header, rows, classes=["kolvi-numbers"])]

    def targets(self) -> list[nodes.Node]:
        rows = []
        for label, run in self.runs:
            for target in run["targets"]:
                bound = "≤" if target["at_most"] else "≥"
                met = (
                    target["measured"] <= target["limit"]
                    if target["at_most"]
                    else target["measured"] >= target["limit"]
                )
                rows.append(
                    [
                        label,
                        target["label"],
                        f"{target['measured']:.2f}",
                        f"{bound} {target['limit']:g}",
                        "yes" if met else "no",
                    ]
                )
        return [
            table(
                ["interpreter", "target", "measured", "limit", "met"],
                rows,
                classes=["kolvi-numbers"],
            )
        ]

    # The command-line benchmark.
    def cli(self) -> list[nodes.Node]:
        corpus = self.cli_run["corpus"]
        rows = [
            [
                literal(command["label"]),
                f"{command['wall_s']:.3f}",
                f"{command['peak_kb'] / 1024:.1f}",
                f"{command['peak_kb'] * 1024 / corpus['bytes']:.2f}",
            ]
            for command in self.cli_run["commands"]
        ]
        targets = [
            paragraph(f"{t['label']}: {t['measured']:.2f} ({'met' if t['met'] else 'missed'})")
            for t in self.cli_run["targets"]
        ]
        intro = paragraph(
            f"{corpus['lines']:,} real version lines, {corpus['bytes'] / 1e6:.1f} MB; "
            f"medians of {self.cli_run['repeat']} runs:"
        )
        bullets = nodes.bullet_list()
        for target in targets:
            bullets += nodes.list_item("", target)
        header = ["command", "wall s", "peak MB", "peak ÷ file size"]
        return [intro, table(header, rows, classes=["kolvi-numbers"]), bullets]

    def sizes(self) -> list[nodes.Node]:
        rows = [
            [
                f"{row['lines']:,}",
                f"{row['sort_v_s']:.4f}",
                f"{row['kolvi_sort_s']:.4f}",
                f"{row['kolvi_sort_s'] / row['sort_v_s']:.2f}",
            ]
            for row in self.cli_run["sort_by_size"]
        ]
        return [
            table(
                ["lines", "sort -V s", "kolvi sort s", "kolvi ÷ sort -V"],
                rows,
                classes=["kolvi-numbers"],
            )
        ]


class BenchPlotDirective(SphinxDirective):
    required_arguments = 1
    option_spec = {"alt": directives.unchanged_required}

    def run(self) -> list[nodes.Node]:
        folder = Path(self.config.kolvi_plot_dir)
        path = folder / self.arguments[0]
        if not path.exists():
            raise self.error(f"{path} is missing: scripts/docs makes it with scripts/bench --plot")
        document_folder = Path(self.env.doc2path(self.env.docname)).parent
        uri = os.path.relpath(path, document_folder)
        figure = nodes.figure(classes=["kolvi-plot"])
        figure += nodes.image(uri=uri, alt=self.options.get("alt", self.arguments[0]))
        return [figure]


def setup(app):
    app.add_config_value("kolvi_plot_dir", "", "env")
    app.add_directive("kolvi-bench-tables", BenchTablesDirective)
    app.add_directive("kolvi-bench-plot", BenchPlotDirective)
