"""docutils nodes for the generated parts: tables, literals and blocks built as nodes (messages hold
backquotes and trailing spaces that no markup should have to escape), and the parsing of
generated reStructuredText skeletons whose placeholders are then replaced by such nodes."""

from __future__ import annotations

from collections.abc import Iterable

from docutils import nodes
from docutils.statemachine import StringList
from sphinx.util.nodes import nested_parse_with_titles

Cell = str | nodes.Node | list[nodes.Node]


def literal(text: str) -> nodes.literal:
    return nodes.literal(text, text)


def block(text: str, language: str = "text") -> nodes.literal_block:
    node = nodes.literal_block(text, text)
    node["language"] = language
    return node


def paragraph(*parts: str | nodes.Node) -> nodes.paragraph:
    node = nodes.paragraph()
    for part in parts:
        node += nodes.Text(part) if isinstance(part, str) else part
    return node


def _cell(content: Cell) -> nodes.entry:
    entry = nodes.entry()
    if isinstance(content, str):
        entry += nodes.paragraph(content, content)
    elif isinstance(content, nodes.Node):
        entry += (
            content if not isinstance(content, nodes.Inline | nodes.Text) else paragraph(content)
        )
    else:
        entry += list(content)
    return entry


def table(
    header: list[str], rows: Iterable[list[Cell]], classes: Iterable[str] = ()
) -> nodes.table:
    """A table with a header row; every cell a text, a node or a list of nodes."""
    node = nodes.table(classes=["kolvi-table", *classes])
    group = nodes.tgroup(cols=len(header))
    node += group
    group.extend(nodes.colspec(colwidth=1) for _ in header)
    head = nodes.thead()
    group += head
    head += nodes.row("", *(_cell(title) for title in header))
    body = nodes.tbody()
    group += body
    for cells in rows:
        if len(cells) != len(header):
            raise ValueError(f"a row of {len(cells)} cells in a table of {len(header)} columns")
        body += nodes.row("", *(_cell(cell) for cell in cells))
    return node


class Skeleton:
    """Generated reStructuredText with placeholder paragraphs for nodes built in Python."""

    def __init__(self) -> None:
        self.lines: list[str] = []
        self.slots: dict[str, list[nodes.Node]] = {}

    def add(self, *lines: str) -> None:
        self.lines.extend(lines)

    def slot(self, content: nodes.Node | list[nodes.Node], indent: str = "") -> None:
        """Places `content` here, at the indentation of the surrounding markup."""
        key = f"kolvi-slot-{len(self.slots)}"
        self.slots[key] = content if isinstance(content, list) else [content]
        self.lines += ["", indent + key, ""]

    def parse(self, state, source: str) -> list[nodes.Node]:
        container = nodes.section()
        container.document = state.document
        nested_parse_with_titles(state, StringList(self.lines, source=source), container)
        for placeholder in list(container.findall(nodes.paragraph)):
            key = placeholder.astext()
            if key in self.slots:
                placeholder.replace_self(self.slots.pop(key))
        if self.slots:
            raise RuntimeError(f"placeholders not placed: {sorted(self.slots)}")
        return container.children
