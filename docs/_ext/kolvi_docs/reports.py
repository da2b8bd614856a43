"""Reports as users meet them, rendered while the docs build:

- `kolvi-report-gallery`: one `Class | 'input'` per line; each report plain, and coloured: the
  escape codes the module wrote, turned into HTML spans (other builders show the plain one).
- `kolvi-colour-table`: the colour decision, tried in fresh processes for each setting of the
  environment, with standard error a terminal (a pseudo-terminal) or a pipe, for a RuntimeError's
  text and for the `kolvi` command's report.
"""

from __future__ import annotations

import ast
import html
import os
import pty
import re
import select
import subprocess
import sys

from docutils import nodes
from sphinx import addnodes
from sphinx.util.docutils import SphinxDirective

from . import probe
from .command import kolvi_tool
from .rst import block, literal, paragraph, table

ESCAPE = re.compile(r"\x1b\[([0-9;]*)m")
# The 16 basic colours as xterm shows them.
BASIC = [
    "#000000", "#cd0000", "#00cd00", "#cdcd00", "#0000ee", "#cd00cd", "#00cdcd", "#e5e5e5",
    "#7f7f7f", "#ff0000", "#00ff00", "#ffff00", "#5c5cff", "#ff00ff", "#00ffff", "#ffffff",
]  # fmt: skip


def palette(index: int) -> str:
    """The colour of an index of the 256-colour palette."""
    if index < 16:
        return BASIC[index]
    if index < 232:
        index -= 16
        steps = [0, 95, 135, 175, 215, 255]
        red, green, blue = steps[index // 36], steps[index // 6 % 6], steps[index % 6]
        return f"#{red:02x}{green:02x}{blue:02x}"
    grey = 8 + 10 * (index - 232)
    return f"#{grey:02x}{grey:02x}{grey:02x}"


def style_of(codes: list[int]) -> str | None:
    """The CSS of one SGR sequence's codes; None for a reset."""
    styles, index = [], 0
    while index < len(codes):
        code = codes[index]
        if code == 0:
            return None
        if code == 1:
            styles.append("font-weight:bold")
        elif code == 2:
            styles.append("opacity:0.7")
        elif code == 3:
            styles.append("font-style:italic")
        elif 30 <= code <= 37:
            styles.append(f"color:{palette(code - 30)}")
        elif code == 38 and codes[index + 1 : index + 2] == [5]:
            styles.append(f"color:{palette(codes[index + 2])}")
            index += 2
        else:
            raise ValueError(f"an escape code the converter does not know: {code}")
        index += 1
    return ";".join(styles)


def ansi_to_html(text: str) -> str:
    """Text with SGR escape sequences as HTML: each styled run a span with its colour."""
    out, position, open_span = [], 0, False
    for match in ESCAPE.finditer(text):
        out.append(html.escape(text[position : match.start()]))
        position = match.end()
        codes = [int(code) for code in match.group(1).split(";") if code] or [0]
        style = style_of(codes)
        if open_span:
            out.append("</span>")
            open_span = False
        if style:
            out.append(f'<span style="{style}">')
            open_span = True
    out.append(html.escape(text[position:]))
    if open_span:
        out.append("</span>")
    return "".join(out)


def coloured_block(text: str) -> nodes.Node:
    """The coloured report for HTML; the plain text for every other builder."""
    markup = f'<div class="highlight kolvi-ansi"><pre>{ansi_to_html(text)}</pre></div>'
    container = nodes.container(classes=["kolvi-coloured"])
    container += nodes.raw("", markup, format="html")
    container += addnodes.only("", block(ESCAPE.sub("", text)), expr="not html")
    return container


class GalleryDirective(SphinxDirective):
    has_content = True

    def run(self) -> list[nodes.Node]:
        cases = []
        for line in self.content:
            if line.strip():
                name, text = (part.strip() for part in line.split("|", 1))
                cases.append((name, ast.literal_eval(text)))
        codes = [f"{name}({text!r})" for name, text in cases]
        plain = probe.run(codes)
        coloured = probe.run(codes, colour=True)
        output = []
        for code, off, on in zip(codes, plain, coloured, strict=True):
            if off.error_type != "RuntimeError" or on.error_type != "RuntimeError":
                raise self.error(f"{code} did not fail with a report")
            if "\x1b[" not in on.message or "\x1b[" in off.message:
                raise self.error(f"{code}: the colour was not as asked")
            output.append(paragraph(literal(code), " raises RuntimeError with:"))
            output.append(block(off.message))
            output.append(paragraph("and, with colour on:"))
            output.append(coloured_block(on.message))
        return output


# --- the colour decision -----------------------------------------------------------------------

# (what is set, variables, standard error a terminal)
SETTINGS = [
    ("nothing (TERM=xterm)", {}, True),
    ("nothing (TERM=xterm)", {}, False),
    ("NO_COLOR=1", {"NO_COLOR": "1"}, True),
    ("NO_COLOR= (empty)", {"NO_COLOR": ""}, True),
    ("CLICOLOR=0", {"CLICOLOR": "0"}, True),
    ("CLICOLOR=1", {"CLICOLOR": "1"}, False),
    ("TERM=dumb", {"TERM": "dumb"}, True),
    ("TERM unset", {"TERM": None}, True),
    ("CLICOLOR_FORCE=1", {"CLICOLOR_FORCE": "1"}, False),
    ("CLICOLOR_FORCE=1 NO_COLOR=1", {"CLICOLOR_FORCE": "1", "NO_COLOR": "1"}, False),
    ("CLICOLOR_FORCE=1 TERM=dumb", {"CLICOLOR_FORCE": "1", "TERM": "dumb"}, False),
    ("CLICOLOR_FORCE= (empty)", {"CLICOLOR_FORCE": ""}, False),
    ("CLICOLOR_FORCE=0", {"CLICOLOR_FORCE": "0"}, True),
    ("COLORTERM=truecolor", {"COLORTERM": "truecolor"}, False),
]

PYTHON_CHECK = """
import sys, kolvi
try:
    kolvi.package.version.SemVer("1.2.x")
except RuntimeError as error:
    print("on" if "\\x1b[" in str(error) else "off")
"""


def run_with_stderr(command: list[str], env: dict, terminal: bool) -> tuple[str, str]:
    """(standard output, standard error) of a run whose standard error is a pseudo-terminal or a
    pipe."""
    if not terminal:
        child = subprocess.run(command, env=env, capture_output=True, text=True, timeout=60)
        return child.stdout, child.stderr
    leader, follower = pty.openpty()
    with subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=follower) as child:
        os.close(follower)
        stdout, _ = child.communicate(timeout=60)
    chunks = []
    while select.select([leader], [], [], 0.2)[0]:
        try:
            chunk = os.read(leader, 65536)
        except OSError:  # the terminal closed with the child
            break
        if not chunk:
            break
        chunks.append(chunk)
    os.close(leader)
    return stdout.decode(), b"".join(chunks).decode(errors="replace")


def colour_environment(variables: dict) -> dict:
    env = probe.environment(extra={"NO_COLOR": None, "TERM": "xterm"})
    for name in ("COLORTERM",):
        env.pop(name, None)
    for name, value in variables.items():
        if value is None:
            env.pop(name, None)
        else:
            env[name] = value
    return env


class ColourTableDirective(SphinxDirective):
    has_content = False

    def run(self) -> list[nodes.Node]:
        tool = kolvi_tool()
        rows = []
        for label, variables, terminal in SETTINGS:
            env = colour_environment(variables)
            module, _ = run_with_stderr([sys.executable, "-c", PYTHON_CHECK], env, terminal)
            _, report = run_with_stderr([tool, "check", "1.2.x"], env, terminal)
            command = "on" if "\x1b[" in report else "off"
            rows.append(
                [
                    literal(label),
                    "a terminal" if terminal else "a pipe",
                    module.strip() or "no answer",
                    command,
                ]
            )
        return [table(["set", "standard error", "RuntimeError text", "kolvi command"], rows)]


def setup(app):
    app.add_directive("kolvi-report-gallery", GalleryDirective)
    app.add_directive("kolvi-colour-table", ColourTableDirective)
