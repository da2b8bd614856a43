"""The code examples of the Markdown pages (README.md and docs/*.md), found by their fences:

- ```pycon: an interactive session, run as a doctest; the blocks of one page share one
  namespace, in page order, and every shown output must match exactly;
- ```console: `$ ` command lines, each followed by the output it shows (standard output and
  standard error as they interleave); the blocks of one page run in one shell in a copy of
  examples/, so `echo $?` shows the status of the command before it;
- ```sh: commands to type, which take minutes (builds, the test command) and are not run; the
  scripts they name must exist and know the options they are given;
- a ```text block that opens with `scripts/demo: `: the transcript of scripts/demo (README).

Other fences (```text, ```python, directives) show content, not examples.
"""

from __future__ import annotations

import re
from dataclasses import dataclass
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[2]
FENCE = re.compile(
    r"^(?P<fence>`{3,})(?P<info>[^\n`]*)\n(?P<body>.*?)^(?P=fence)[ \t]*$", re.M | re.S
)
RUN_LANGUAGES = ("pycon", "console", "sh")


@dataclass(frozen=True)
class Block:
    page: Path
    line: int  # of the opening fence, from 1
    language: str
    body: str

    @property
    def where(self) -> str:
        return f"{self.page.relative_to(REPO_ROOT)}:{self.line}"


def pages() -> list[Path]:
    return [REPO_ROOT / "README.md", *sorted((REPO_ROOT / "docs").glob("*.md"))]


def blocks(page: Path) -> list[Block]:
    text = page.read_text(encoding="utf-8")
    found = []
    for match in FENCE.finditer(text):
        language = match["info"].strip().split(" ")[0] if match["info"].strip() else ""
        line = text.count("\n", 0, match.start()) + 1
        found.append(Block(page, line, language, match["body"]))
    return found


def is_demo_transcript(block: Block) -> bool:
    return block.language == "text" and block.body.startswith("scripts/demo: ")


@dataclass
class Command:
    line: str
    shown_output: str


def console_commands(block: Block) -> list[Command]:
    """The `$ ` lines of a console block, each with the lines shown after it."""
    commands: list[Command] = []
    for line in block.body.splitlines(keepends=True):
        if line.startswith("$ "):
            commands.append(Command(line[2:].rstrip("\n"), ""))
        elif not commands:
            raise ValueError(f"{block.where}: output before the first command")
        else:
            commands[-1].shown_output += line
    return commands
