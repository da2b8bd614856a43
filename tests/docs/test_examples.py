"""Every example of README.md and docs/*.md runs, and shows what it really prints (see
examples.py for the kinds of block)."""

from __future__ import annotations

import doctest
import os
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

from examples import REPO_ROOT, blocks, console_commands, is_demo_transcript, pages

BIN = Path(sys.executable).parent  # the venv with kolvi, its command and the docs tools
PAGES = pages()


def page_id(page: Path) -> str:
    return str(page.relative_to(REPO_ROOT))


def blocks_of(language: str) -> list:
    return [
        pytest.param(page, id=page_id(page))
        for page in PAGES
        if any(b.language == language for b in blocks(page))
    ]


def example_environment() -> dict[str, str]:
    """A terminal user's environment: no colour variables set, the venv's commands first."""
    env = {
        k: v
        for k, v in os.environ.items()
        if k not in ("NO_COLOR", "CLICOLOR", "CLICOLOR_FORCE", "LC_ALL")
    }
    env.update(PATH=f"{BIN}{os.pathsep}{env.get('PATH', '')}", TERM="xterm", LANG="C.UTF-8")
    return env


@pytest.mark.parametrize("page", blocks_of("pycon"))
def test_pycon_sessions(page):
    parser = doctest.DocTestParser()
    runner = doctest.DocTestRunner(optionflags=doctest.REPORT_UDIFF)
    namespace: dict = {}
    report: list[str] = []
    for block in blocks(page):
        if block.language != "pycon":
            continue
        test = parser.get_doctest(block.body, namespace, block.where, str(page), block.line)
        runner.run(test, out=report.append, clear_globs=False)
        namespace = test.globs  # a DocTest runs on a copy: the next block goes on from here
    assert runner.failures == 0, "".join(report)


@pytest.mark.parametrize("page", blocks_of("console"))
def test_console_sessions(page, tmp_path):
    commands = [c for b in blocks(page) if b.language == "console" for c in console_commands(b)]
    # One shell for the page; a marker between commands keeps $? of the one before.
    script = ["exec 2>&1"]
    for index, command in enumerate(commands):
        script.append(f"status=$?; printf '\\0%d\\0' {index}; (exit $status)")
        script.append(command.line)
    workdir = tmp_path / "examples"
    shutil.copytree(REPO_ROOT / "examples", workdir)
    shell = subprocess.run(
        ["bash", "-c", "\n".join(script)],
        cwd=workdir,
        env=example_environment(),
        capture_output=True,
        timeout=120,
    )
    outputs = re.split(rb"\0\d+\0", shell.stdout)[1:]
    assert len(outputs) == len(commands), shell.stdout.decode(errors="replace")
    for command, output in zip(commands, outputs, strict=True):
        assert output.decode() == command.shown_output, f"$ {command.line}"


def project_version() -> str:
    cmake = (REPO_ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(kolvi\s+VERSION\s+([0-9.]+)", cmake).group(1)


@pytest.mark.parametrize("page", blocks_of("sh"))
def test_sh_commands_name_real_scripts_and_options(page):
    for block in blocks(page):
        if block.language != "sh":
            continue
        # A backslash before the line feed continues a command, as the shell reads it.
        for line in block.body.replace("\\\n", " ").splitlines():
            words = shlex.split(line, comments=True)
            for artefact in re.findall(r"kolvi-(\d+\.\d+\.\d+)", line):
                assert artefact == project_version(), f"{block.where}: {line}"
            if not words or not words[0].startswith("scripts/"):
                continue
            script = REPO_ROOT / words[0]
            assert os.access(script, os.X_OK), f"{block.where}: no script {words[0]}"
            source = script.read_text()
            for option in (word.split("=")[0] for word in words[1:] if word.startswith("--")):
                assert option in source, f"{block.where}: {words[0]} knows no {option}"


def demo_log_templates() -> list[re.Pattern]:
    """What scripts/demo logs, as patterns: the interpreter path is the machine's own."""
    source = (REPO_ROOT / "scripts" / "demo").read_text()
    patterns = []
    for message in re.findall(r'^\s*log "(.*)"$', source, re.M):
        pattern = re.escape(message).replace(re.escape("$GIL_PYTHON"), r"/\S+/python3\.\d+")
        patterns.append(re.compile(f"scripts/demo: {pattern}"))
    return patterns


def test_demo_transcript():
    """README's transcript of scripts/demo: the demo's own output exactly, run here against the
    same kolvi; the scripts/demo lines (its progress on standard error) are the messages the
    script writes, in order, with any interpreter path where it names the machine's."""
    transcripts = [b for b in blocks(REPO_ROOT / "README.md") if is_demo_transcript(b)]
    assert len(transcripts) == 1
    lines = transcripts[0].body.splitlines(keepends=True)
    progress = [line.rstrip("\n") for line in lines if line.startswith("scripts/demo: ")]
    program = "".join(line for line in lines if not line.startswith("scripts/demo: "))
    templates = demo_log_templates()
    assert len(progress) == len(templates)
    for line, template in zip(progress, templates, strict=True):
        assert template.fullmatch(line), line
    demo = subprocess.run(
        [sys.executable, REPO_ROOT / "examples" / "demo.py"],
        env={**example_environment(), "NO_COLOR": "1"},
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert demo.returncode == 0, demo.stderr
    assert demo.stdout == program
