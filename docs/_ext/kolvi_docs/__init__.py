"""Sphinx extension of the kolvi docs: the directives that write the generated parts of the pages
(API reference, parse and order tables, the order comparison, report gallery, colour decision,
command output, benchmark tables) from the installed module, its records and its command, so
that no page can drift from the code. Adding a directive: a module here with a `setup(app)`,
listed in MODULES."""

from __future__ import annotations

import importlib

MODULES = ("api", "versions", "orders", "reports", "command", "bench", "man")


def setup(app):
    for name in MODULES:
        importlib.import_module(f"{__name__}.{name}").setup(app)
    app.add_css_file("kolvi.css")
    return {"parallel_read_safe": True, "parallel_write_safe": True}
