"""The command's worker threads: check, sort, and key once the command lists it, over a corpus of
many chunks, read at once and delivered in small pieces with pauses. The reports and the order
are what the classes say, whatever way the input arrives; scripts/tsan runs this with the
command built under ThreadSanitizer."""

import random
import re
import subprocess
import tempfile
import time
from dataclasses import dataclass
from functools import cached_property

import pytest

from support import (
    KOLVI_TOOL,
    NOT_UTF8,
    V,
    child_environment,
    class_reports,
    random_versions,
    run_cli,
)

# A block of random lines repeated, so that the test's own work stays small under an
# instrumented interpreter while the command gets hundreds of chunks.
BLOCK_LINES = 10_000
BLOCKS = 30
INVALID_SHARE = 0.02
LARGEST_PIECE = 4096
PAUSE_SHARE = 0.02  # of the pieces, after which the writer pauses for a millisecond
TIMEOUT = 300


def listed_commands():
    """The commands `kolvi --help` lists."""
    help_text = run_cli("--help").stdout.decode()
    return {match[1] for match in re.finditer(r"^  ([a-z]+) ", help_text, re.MULTILINE)}


LISTED = listed_commands()
# The commands that read files, or standard input when given none, with their option sets.
KEY_READERS = [["key"], ["key", "--with-text", "--format", "base64"]]
FILE_READERS = [["sort"], ["sort", "--reverse"]] + (KEY_READERS if "key" in LISTED else [])


@dataclass
class Corpus:
    """A block of lines drawn from a few hundred versions, a share of them invalid, repeated
    BLOCKS times, with the report each distinct line gets; written to corpus.txt in `folder`."""

    folder: object
    block: list  # bytes, without line feeds
    reports: dict  # line -> report bytes, or None when it is valid

    @cached_property
    def data(self):
        return b"".join(line + b"\n" for line in self.block) * BLOCKS

    @cached_property
    def invalid(self):
        """The line number and report of each invalid line."""
        in_block = [
            (number, self.reports[line])
            for number, line in enumerate(self.block, 1)
            if self.reports[line] is not None
        ]
        return [(b * BLOCK_LINES + n, report) for b in range(BLOCKS) for n, report in in_block]

    def located_reports(self, name):
        return b"".join(f"{name}:{number}: ".encode() + report for number, report in self.invalid)

    @cached_property
    def ranks(self):
        """Each valid line's place in version order; equal versions share theirs."""
        ranks, previous = {}, None
        valid = {line for line, report in self.reports.items() if report is None}
        for line in sorted(valid, key=version):
            equal = previous is not None and version(line) == version(previous)
            ranks[line] = ranks[previous] if equal else len(ranks)
            previous = line
        return ranks

    def sorted_lines(self, reverse):
        """The valid lines as sort writes them: in version order, equal ones in input order,
        which sorted() keeps when reversing too."""
        valid = [line for line in self.block if self.reports[line] is None] * BLOCKS
        return b"".join(line + b"\n" for line in sorted(valid, key=self.ranks.get, reverse=reverse))


def version(line):
    return V.Version(line.decode())


@pytest.fixture(scope="module")
def corpus(tmp_path_factory):
    texts = sorted(set(random_versions(600, seed=25))) + ["1.0.0+a", "1.0.0+b", ""]
    reports = {
        text.encode(): None if report is None else report.encode()
        for text, report in zip(texts, class_reports("version", texts), strict=True)
    }
    reports[b"\xff1.0"] = NOT_UTF8.encode()
    valid = [line for line, report in reports.items() if report is None]
    invalid = [line for line, report in reports.items() if report is not None]
    rng = random.Random(25)
    block = [
        rng.choice(invalid if rng.random() < INVALID_SHARE else valid) for _ in range(BLOCK_LINES)
    ]
    corpus = Corpus(tmp_path_factory.mktemp("corpus"), block, reports)
    (corpus.folder / "corpus.txt").write_bytes(corpus.data)
    return corpus


def run_in_pieces(args, data, seed=25):
    """Runs the tool with `data` written to its standard input in pieces of random sizes, now
    and then with a pause, so that it keeps waiting for input while its workers are busy."""
    rng = random.Random(seed)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen(
            [KOLVI_TOOL, *args],
            stdin=subprocess.PIPE,
            stdout=out,
            stderr=err,
            env=child_environment(None, ()),
            bufsize=0,
        )
        with process.stdin:
            view = memoryview(data)
            while view:
                size = rng.randint(1, LARGEST_PIECE)
                process.stdin.write(view[:size])
                view = view[size:]
                if rng.random() < PAUSE_SHARE:
                    time.sleep(0.001)
        returncode = process.wait(timeout=TIMEOUT)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(args, returncode, out.read(), err.read())


def test_the_commands_with_workers_are_listed():
    assert {"check", "sort"} <= LISTED


@pytest.mark.parametrize("in_pieces", [False, True], ids=["at once", "in pieces"])
def test_check_reports_every_invalid_line_in_order(corpus, in_pieces):
    if in_pieces:
        result = run_in_pieces(["check"], corpus.data)
    else:
        result = run_cli("check", input=corpus.data, timeout=TIMEOUT)
    assert result.stderr == corpus.located_reports("<stdin>")
    assert (result.stdout, result.returncode) == (b"", 1)


@pytest.mark.parametrize("args", FILE_READERS, ids=" ".join)
def test_a_file_and_pieces_of_standard_input_give_the_same_output(corpus, args):
    whole = run_cli(*args, "corpus.txt", cwd=corpus.folder, timeout=TIMEOUT)
    pieces = run_in_pieces(args, corpus.data)
    assert whole.stderr == corpus.located_reports("corpus.txt")
    assert pieces.stderr == corpus.located_reports("<stdin>")
    assert pieces.stdout == whole.stdout
    assert whole.returncode == pieces.returncode == 1
    if args[0] == "sort":
        assert whole.stdout == corpus.sorted_lines(reverse="--reverse" in args)
    if args[0] == "key":
        assert whole.stdout.splitlines() == key_lines(corpus, "--with-text" in args)


def key_lines(corpus, with_text):
    """A key line for each valid line in input order, equal lines with equal keys: each
    distinct line's key taken from its first appearance in the output."""
    valid = [line for line in corpus.block if corpus.reports[line] is None] * BLOCKS
    args = ["key", "--with-text", "--format", "base64"] if with_text else ["key"]
    distinct = list(dict.fromkeys(valid))
    keyed = run_cli(*args, input=b"".join(line + b"\n" for line in distinct)).stdout
    keys = dict(zip(distinct, keyed.splitlines(), strict=True))
    return [keys[line] for line in valid]
