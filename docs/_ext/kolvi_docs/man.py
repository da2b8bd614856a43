"""The manual page is built from cli.md, whose links point at the other pages of the site; in a
manual page they have nowhere to go, so each becomes its text in italics."""

from __future__ import annotations

from docutils import nodes


def links_to_text(app, doctree, docname) -> None:
    if app.builder.name != "man":
        return
    for reference in list(doctree.findall(nodes.reference)):
        if not reference.get("refuri", "").startswith(("http:", "https:", "mailto:")):
            reference.replace_self(nodes.emphasis("", reference.astext()))


def setup(app):
    app.connect("doctree-resolved", links_to_text)
