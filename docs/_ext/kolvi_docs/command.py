"""`kolvi-command`: the output of the installed `kolvi` command, run while the docs build; the
content is its arguments, one line (for example `--help`)."""

from __future__ import annotations

import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from docutils import nodes
from sphinx.util.docutils import SphinxDirective

from . import probe
from .rst import block


def kolvi_tool() -> str:
    """The command pip installed beside the interpreter that runs Sphinx."""
    tool = shutil.which("kolvi", path=str(Path(sys.executable).parent))
    if tool is None:
        raise RuntimeError(f"no kolvi command beside {sys.executable}")
    return tool


class CommandDirective(SphinxDirective):
    has_content = True

    def run(self) -> list[nodes.Node]:
        arguments = shlex.split(" ".join(self.content))
        child = subprocess.run(
            [kolvi_tool(), *arguments],
            capture_output=True,
            text=True,
            env=probe.environment(),
            timeout=60,
            check=False,
        )
        return [block(child.stdout + child.stderr)]


def setup(app):
    app.add_directive("kolvi-command", CommandDirective)
