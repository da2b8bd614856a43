"""Directives whose tables the module computes while the docs build:

- `kolvi-parse-table` (option `:class:`): one input per line, written as a Python string literal;
  each row shows what the class makes of it: the value's debug form (and, for Version, the kind
  it picked) or the one-line message of the failure.
- `kolvi-order-table` (option `:class:`): one pair per line, `A | B`; each row shows how the class
  orders the two and whether they are equal.
"""

from __future__ import annotations

import ast
import re

from docutils import nodes
from sphinx.util.docutils import SphinxDirective

from . import probe
from .rst import literal, table

CLASSES = ("Version", "SemVer", "DotSeparated", "Other")
# The label line of a plain report: the corner, the bar, then the message.
MESSAGE_LINE = re.compile(r"╰─+ (.*)$", re.MULTILINE)
KIND_OF_REPR = re.compile(r"^Version::(\w+)")


def class_name(value: str) -> str:
    """The option :class:, case kept (docutils' choice() folds it)."""
    if value not in CLASSES:
        raise ValueError(f"{value!r} is not one of {', '.join(CLASSES)}")
    return value


def message_of(report: str) -> str:
    """The one-line message of a plain report (found ... expected ...)."""
    match = MESSAGE_LINE.search(report)
    if not match:
        raise ValueError(f"no message line in the report:\n{report}")
    return match.group(1)


def column_of(report: str) -> str:
    """line:column, as the frame of the report names them."""
    match = re.search(r":(\d+:\d+) \]", report)
    return match.group(1) if match else ""


class ParseTableDirective(SphinxDirective):
    has_content = True
    option_spec = {"class": class_name}

    def run(self) -> list[nodes.Node]:
        name = self.options.get("class", "Version")
        texts = [ast.literal_eval(line) for line in self.content if line.strip()]
        outcomes = probe.run([f"{name}({text!r})" for text in texts])
        rows = []
        for text, outcome in zip(texts, outcomes, strict=True):
            if outcome.failed:
                if outcome.error_type != "RuntimeError":
                    raise self.error(f"{name}({text!r}) raised {outcome.error_type}")
                result = [
                    "rejected",
                    literal(column_of(outcome.message)),
                    literal(message_of(outcome.message)),
                ]
            else:
                value = outcome.value
                kind = KIND_OF_REPR.match(value)
                result = [kind.group(1) if kind else "accepted", "", literal(value)]
            rows.append([literal(repr(text)), *result])
        header = ["input", "kind" if name == "Version" else "result", "at", "value or message"]
        return [table(header, rows)]


SYMBOLS = {-1: "<", 0: "=", 1: ">"}


class OrderTableDirective(SphinxDirective):
    has_content = True
    option_spec = {"class": class_name}

    def run(self) -> list[nodes.Node]:
        name = self.options.get("class", "Version")
        pairs = [tuple(part.strip() for part in line.split("|")) for line in self.content if line]
        codes = []
        for first, second in pairs:
            a, b = f"{name}({first!r})", f"{name}({second!r})"
            codes.append(f"(({a} > {b}) - ({a} < {b}), {a} == {b})")
        outcomes = probe.run(codes)
        rows = []
        for (first, second), outcome in zip(pairs, outcomes, strict=True):
            if outcome.failed:
                raise self.error(f"{first} | {second}: {outcome.error_type}: {outcome.message}")
            order, equal = ast.literal_eval(outcome.value)
            rows.append(
                [literal(first), literal(SYMBOLS[order]), literal(second), "yes" if equal else "no"]
            )
        return [table(["first", "", "second", "equal"], rows, classes=["kolvi-order"])]


def setup(app):
    app.add_directive("kolvi-parse-table", ParseTableDirective)
    app.add_directive("kolvi-order-table", OrderTableDirective)
