"""Runs Python snippets against the installed kolvi in a fresh interpreter and reports what each
did: its value's repr, or the exception's type and exact message, and what it wrote to standard
output. A fresh process per batch keeps the colour decision (made once per process) and
anything a snippet does to the process away from the Sphinx run.

Run as a script it is that child: it reads the batch as JSON on standard input."""

from __future__ import annotations

import ast
import json
import os
import subprocess
import sys
from dataclasses import dataclass

# What every snippet can name.
# The submodules are attributes of kolvi, not importable names, so the classes are bound from it.
PRELUDE = """\
import kolvi
SemVer, DotSeparated, Other, Version = (
    getattr(kolvi.package.version, name) for name in ("SemVer", "DotSeparated", "Other", "Version")
)
"""


@dataclass(frozen=True)
class Outcome:
    code: str
    value: str | None  # repr of the value, None for a statement or an exception
    error_type: str | None
    message: str | None
    stdout: str

    @property
    def failed(self) -> bool:
        return self.error_type is not None


def environment(colour: bool = False, extra: dict[str, str | None] | None = None) -> dict:
    """os.environ with colour forced on or off, then `extra` (a value of None removes it)."""
    env = dict(os.environ)
    for name in ("NO_COLOR", "CLICOLOR", "CLICOLOR_FORCE", "TERM"):
        env.pop(name, None)
    env.update({"CLICOLOR_FORCE": "1", "TERM": "xterm"} if colour else {"NO_COLOR": "1"})
    for name, value in (extra or {}).items():
        if value is None:
            env.pop(name, None)
        else:
            env[name] = value
    return env


def run(snippets: list[str], colour: bool = False) -> list[Outcome]:
    """Each snippet (an expression, else a statement) run in order in one fresh interpreter."""
    child = subprocess.run(
        [sys.executable, "-X", "utf8", __file__],
        input=json.dumps(snippets),
        capture_output=True,
        text=True,
        env=environment(colour),
        timeout=120,
        check=False,
    )
    if child.returncode != 0:
        raise RuntimeError(f"the probe process failed ({child.returncode}):\n{child.stderr}")
    return [Outcome(**outcome) for outcome in json.loads(child.stdout)]


def run_one(snippet: str, colour: bool = False) -> Outcome:
    return run([snippet], colour)[0]


def _run_snippet(code: str, namespace: dict) -> str | None:
    """Runs the statements of `code`; the repr of its last one when that is an expression."""
    tree = ast.parse(code)
    last = tree.body[-1] if tree.body else None
    if isinstance(last, ast.Expr):
        tree.body.pop()
        exec(compile(tree, "<snippet>", "exec"), namespace)
        return repr(eval(compile(ast.Expression(last.value), "<snippet>", "eval"), namespace))
    exec(compile(tree, "<snippet>", "exec"), namespace)
    return None


def _child() -> None:
    snippets = json.load(sys.stdin)
    namespace: dict = {}
    exec(PRELUDE, namespace)
    # The module writes test_function's line to file descriptor 1 itself, so each snippet's
    # output is caught there, in a pipe of its own.
    results_fd = os.dup(1)
    outcomes = []
    for code in snippets:
        read_end, write_end = os.pipe()
        os.dup2(write_end, 1)
        os.close(write_end)
        value = error_type = message = None
        try:
            value = _run_snippet(code, namespace)
        except Exception as error:  # noqa: BLE001 - reporting what the snippet raised is the point
            error_type, message = type(error).__name__, str(error)
        sys.stdout.flush()
        os.dup2(results_fd, 1)
        with os.fdopen(read_end, encoding="utf-8") as output:
            written = output.read()
        outcomes.append(
            {
                "code": code,
                "value": value,
                "error_type": error_type,
                "message": message,
                "stdout": written,
            }
        )
    os.write(results_fd, json.dumps(outcomes).encode())


if __name__ == "__main__":
    _child()
