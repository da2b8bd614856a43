"""Memory in proportion to the input, for hostile input: the command and the classes run in their
own process under a hard cap on address space, finish with the right answer within their bound,
and fail cleanly when the cap is below what the input needs.

The inputs are one line of tiny parts ("1.1.1..."), one line that is a single part, and a run of
empty lines. Under a CPU emulator (see support.EMULATED) they are a tenth of the size.
"""

import resource
import subprocess

import pytest

from support import EMULATED, KOLVI_TOOL, child_environment, run_python

SCALE = 10 if EMULATED else 1
LINE_BYTES = 40_000_000 // SCALE
EMPTY_LINES = 3_000_000 // SCALE
MIB = 1 << 20

SHAPES = {
    "tiny parts": lambda: b"1." * (LINE_BYTES // 2 - 1) + b"1\n",
    "one part": lambda: b"a" * LINE_BYTES + b"\n",
    "empty lines": lambda: b"\n" * EMPTY_LINES,
}

# The command's fixed allowance of address space: the program and its libraries, the main stack
# and the stacks of two workers. Under a tighter cap the pool starts fewer workers.
COMMAND_ALLOWANCE = 32 * MIB
# The class's: a fresh interpreter's allocators take address space in blocks of up to a few MiB.
PYTHON_ALLOWANCE = 64 * MIB
# A value takes its texts and about a byte and an eighth per part, so at most 1.125 times its
# text (tiny parts being the worst); twice the text leaves room for the parse's own few bytes.
PYTHON_FACTOR = 2


def command_bound(command, data):
    """What the issue allows: check, the input buffer (the longest line, grown by half at a time);
    sort and key, four times the input and a 16-byte record per line."""
    if command == "check":
        return 3 * max(len(line) for line in data.split(b"\n")) // 2
    return 4 * len(data) + 16 * data.count(b"\n")


@pytest.fixture(scope="module", params=list(SHAPES))
def shape(request, tmp_path_factory):
    data = SHAPES[request.param]()
    path = tmp_path_factory.mktemp("hostile") / "input.txt"
    path.write_bytes(data)
    return request.param, data, path


def run_capped(args, stdin_path, cap):
    """The installed command under an address-space cap of `cap` bytes; output captured."""

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (cap, cap))

    with open(stdin_path, "rb") as stdin:
        return subprocess.run(
            [KOLVI_TOOL, *args],
            stdin=stdin,
            capture_output=True,
            preexec_fn=limit,
            env=child_environment(None, ()),
            timeout=120,
            check=False,
        )


def command_args(command, path):
    return ["check"] if command == "check" else [command, str(path)]


def expected_output(command, data):
    """check prints nothing, sort every line; key a line per line, checked by count (its keys
    are checked elsewhere)."""
    if command == "key":
        return data.count(b"\n")
    return b"" if command == "check" else data


@pytest.mark.parametrize("command", ["check", "sort", "key"])
def test_command_stays_within_its_bound(shape, command):
    _, data, path = shape
    result = run_capped(
        command_args(command, path), path, command_bound(command, data) + COMMAND_ALLOWANCE
    )
    assert (result.returncode, result.stderr) == (0, b"")
    output = result.stdout.count(b"\n") if command == "key" else result.stdout
    assert output == expected_output(command, data)


@pytest.mark.parametrize(
    "name, command",
    [
        ("tiny parts", "check"),
        ("tiny parts", "sort"),
        ("one part", "check"),
        ("one part", "sort"),
        ("empty lines", "sort"),
        ("tiny parts", "key"),
        ("one part", "key"),
    ],
)
def test_command_out_of_memory_is_one_line_and_status_2(tmp_path, name, command):
    data = SHAPES[name]()
    path = tmp_path / "input.txt"
    path.write_bytes(data)
    result = run_capped(command_args(command, path), path, COMMAND_ALLOWANCE + len(data) // 4)
    assert (result.returncode, result.stdout) == (2, b"")
    assert result.stderr == b"kolvi: out of memory\n"


# The child builds the text itself, caps its own address space at what it holds then plus the
# allowed growth (the soft limit only, so that it can lift the cap again to check the result),
# and parses.
PYTHON_CHILD = """
import resource, sys, kolvi
text = {text}
def address_space():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmSize:"):
                return int(line.split()[1]) * 1024
soft, hard = resource.getrlimit(resource.RLIMIT_AS)
resource.setrlimit(resource.RLIMIT_AS, (address_space() + {growth}, hard))
try:
    value = kolvi.package.version.Version(text)
    outcome = "parsed"
except MemoryError:
    outcome = "MemoryError"
except RuntimeError as error:
    outcome = "RuntimeError"
    report = str(error)
resource.setrlimit(resource.RLIMIT_AS, (soft, hard))
if outcome == "parsed":
    assert str(value) == text, "the value does not show its text"
if outcome == "RuntimeError":
    assert report.startswith("Error: ") and len(report) < 1000, report[:1000]
print(outcome)
"""

PYTHON_TEXTS = {
    "tiny parts": f"'1.' * {LINE_BYTES // 2 - 1} + '1'",
    "one part": f"'a' * {LINE_BYTES}",
    "empty lines": f"'\\n' * {EMPTY_LINES}",
}


def run_capped_python(name, growth):
    child = run_python(PYTHON_CHILD.format(text=PYTHON_TEXTS[name], growth=growth), text=True)
    assert child.returncode == 0, child.stderr
    return child.stdout.strip()


@pytest.mark.parametrize(
    "name, outcome",
    [("tiny parts", "parsed"), ("one part", "parsed"), ("empty lines", "RuntimeError")],
)
def test_version_stays_within_twice_its_text(name, outcome):
    growth = PYTHON_FACTOR * LINE_BYTES + PYTHON_ALLOWANCE
    assert run_capped_python(name, growth) == outcome


@pytest.mark.parametrize("name", ["tiny parts", "one part"])
def test_version_out_of_memory_raises_memory_error(name):
    assert run_capped_python(name, LINE_BYTES // 2) == "MemoryError"
