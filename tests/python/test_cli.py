"""The kolvi command-line tool as pip installed it: reports byte for byte as the classes raise
them, line rules, sort order and stability, exit statuses, usage errors and robustness."""

import errno
import importlib.metadata
import os
import select
import signal
import subprocess

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from support import (
    KIND_CLASSES,
    KOLVI_TOOL,
    NOT_UTF8,
    SEMVER_1_2_X_REPORT,
    V,
    child_environment,
    class_reports,
    random_versions,
    run_cli,
)


def located_reports(name, lines, kind="version", env=None):
    """The standard error the tool owes for `lines` (bytes) of the input called `name`."""
    texts = {}
    for number, line in enumerate(lines, 1):
        try:
            texts[number] = line.decode("utf-8")
        except UnicodeDecodeError:
            texts[number] = None
    decodable = [text for text in texts.values() if text is not None]
    reports = iter(class_reports(kind, decodable, env))
    out = ""
    for number, text in texts.items():
        report = NOT_UTF8 if text is None else next(reports)
        if report is not None:
            out += f"{name}:{number}: {report}"
    return out.encode()


def parses(kind, text):
    try:
        getattr(V, KIND_CLASSES[kind])(text)
        return True
    except RuntimeError:
        return False


def write_file(folder, name, data):
    path = folder / name
    path.write_bytes(data)
    return path


# --- check ------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "kind, texts",
    [
        ("version", ["1.2.3", "v1.2.3-rc.1+build.5", "1.2", "", "abc", "a_b", "é"]),
        ("version", ["1.2.3_", "1.2.3", "1.2_", " 1.2.3", "1.2.3 "]),
        ("semver", ["1.2", "1.2.x", "V1.2.3", "1.2.3-a..b", "1.2.3"]),
        ("dot-separated", ["a..b", "a.", ".a", "a_b", "1.0-beta.2"]),
        ("other", ["1abc", "a-b", "", "_x", "é"]),
    ],
)
def test_check_reports_every_invalid_operand(kind, texts):
    result = run_cli("check", "--kind", kind, *texts)
    reports = class_reports(kind, texts)
    assert result.stderr.decode() == "".join(report for report in reports if report)
    assert result.stdout == b""
    assert result.returncode == (1 if any(reports) else 0)


@pytest.mark.parametrize(
    "args, input, expected",
    [
        (["check", "--kind", "semver", "1.2.x"], b"", SEMVER_1_2_X_REPORT),
        (["check", "--kind=semver"], b"1.2.3\n1.2.x\n", "<stdin>:2: " + SEMVER_1_2_X_REPORT),
        (["sort", "--kind", "semver", "-"], b"1.2.x", "<stdin>:1: " + SEMVER_1_2_X_REPORT),
        (["check", b"\xff"], b"", NOT_UTF8),
        (["check"], b"1.0\n\xff\xfe\n", "<stdin>:2: " + NOT_UTF8),
    ],
)
def test_exact_report_bytes(args, input, expected):
    result = run_cli(*args, input=input)
    assert result.stderr == expected.encode()
    assert result.returncode == 1


def test_report_from_a_file_names_it_and_the_line(tmp_path):
    write_file(tmp_path, "versions.txt", b"1.2.3\n2.0.0\n1.2.x\n")
    result = run_cli("sort", "--kind", "semver", "versions.txt", cwd=tmp_path)
    assert result.stderr == ("versions.txt:3: " + SEMVER_1_2_X_REPORT).encode()
    assert result.stdout == b"1.2.3\n2.0.0\n"
    assert result.returncode == 1


@pytest.mark.parametrize("kind", KIND_CLASSES)
def test_check_reports_lines_of_standard_input(kind):
    lines = [b"1.2.3", b"1.2", b"1.2.3_", b"abc", b"a_b", b"\xc3", b"", b"-x", b"1.2.3-rc.1"]
    result = run_cli("check", "--kind", kind, input=b"\n".join(lines) + b"\n")
    expected = located_reports("<stdin>", lines, kind)
    assert result.stderr == expected
    assert result.stdout == b""
    assert result.returncode == (1 if expected else 0)


def test_check_reports_each_line_before_reading_the_next():
    """check streams: a report is out while standard input is still open."""
    process = subprocess.Popen(
        [KOLVI_TOOL, "check"],
        stdin=subprocess.PIPE,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.PIPE,
        env=child_environment(None, ()),
    )
    try:
        process.stdin.write(b"1.2.3\n1.2.3_\n")
        process.stdin.flush()
        received = b""
        while not received.endswith("───╯\n".encode()):
            ready, _, _ = select.select([process.stderr], [], [], 30)
            assert ready, f"no report while the input stays open; got {received!r}"
            chunk = os.read(process.stderr.fileno(), 4096)
            assert chunk, "standard error closed early"
            received += chunk
        assert received.startswith(b"<stdin>:2: Error: \n")
    finally:
        process.stdin.close()
        process.wait(timeout=30)
        process.stderr.close()
    assert process.returncode == 1


# --- lines --------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "input, output, invalid_lines",
    [
        (b"b\r\na\r\n", b"a\nb\n", []),  # CRLF
        (b"b\na", b"a\nb\n", []),  # the last line needs no line feed
        (b"a\n\n", b"\na\n", []),  # an empty line is the empty DotSeparated
        (b"a\r\r\n", b"", [1]),  # only one carriage return is dropped
        (b"a\rb\n", b"", [1]),  # a carriage return inside a line stays
        (b"b\n1.0\r", b"b\n", [2]),  # ... and so does one that no line feed follows
        (b" a\na \na\t\n\x0ba\n", b"", [1, 2, 3, 4]),  # nothing else is trimmed
        (b"a\x00b\n", b"", [1]),
    ],
)
def test_line_rules(input, output, invalid_lines):
    result = run_cli("sort", input=input)
    assert result.stdout == output
    reported = [line.split(b":")[1] for line in result.stderr.splitlines() if line.startswith(b"<")]
    assert reported == [str(number).encode() for number in invalid_lines]
    assert result.returncode == (1 if invalid_lines else 0)


# --- sort ---------------------------------------------------------------------------------

MIXED = ["a_b", "1.10", "1.9", "2.0.0", "1.2.3-rc.1", "1.2.3", "", "1.2.3+b", "1.2.3+a", "1.2.x"]


@pytest.mark.parametrize(
    "kind, texts",
    [
        ("version", MIXED),
        ("semver", ["1.0.0-rc.10", "1.0.0-rc.9", "1.0.0", "1.0.0-", "1.0.0-rc.9+x", "01.0.0-rc.9"]),
        ("dot-separated", ["1.10", "1.9", "1.2.0", "1.2", "1.2-", "10", "A", "a", "1.0.0+a"]),
        ("other", ["b", "a_", "é", "A", "a", "ab", "1"]),
        ("version", ["1.0.0+b", "1.0.0+a", "1.0.0+c", "1.0.0-rc.1+z", "1.0.0-rc.1+y"]),
    ],
)
@pytest.mark.parametrize("reverse", [False, True], ids=["ascending", "reverse"])
def test_sort_orders_like_the_classes_and_stays_stable(kind, texts, reverse):
    cls = getattr(V, KIND_CLASSES[kind])
    valid = [text for text in texts if parses(kind, text)]
    # sorted() is stable, with reverse=True too: equal versions keep their input order.
    expected = "".join(f"{text}\n" for text in sorted(valid, key=cls, reverse=reverse))
    args = ["sort", "--kind", kind] + (["--reverse"] if reverse else [])
    result = run_cli(*args, input="".join(f"{text}\n" for text in texts).encode())
    assert result.stdout.decode() == expected
    assert result.returncode == (0 if len(valid) == len(texts) else 1)


@pytest.mark.parametrize("reverse", [False, True], ids=["ascending", "reverse"])
def test_sort_agrees_with_the_classes_on_many_versions(reverse):
    """Enough lines for the sort to split its work, with ties and keys cut short."""
    texts = random_versions(20_000, seed=1412)
    valid = [text for text in texts if parses("version", text)]
    expected = "".join(f"{text}\n" for text in sorted(valid, key=V.Version, reverse=reverse))
    args = ["sort", "--reverse"] if reverse else ["sort"]
    result = run_cli(*args, input="".join(f"{text}\n" for text in texts).encode())
    assert result.stdout.decode() == expected
    assert result.returncode == (0 if len(valid) == len(texts) else 1)


def test_sort_merges_several_files_and_standard_input(tmp_path):
    write_file(tmp_path, "a.txt", b"2.0.0\n1.x_\n1.0.0\n")
    write_file(tmp_path, "b.txt", b"1.5.0\r\n\xff\n")
    result = run_cli("sort", "a.txt", "-", "b.txt", input=b"1.2.3_\n0.1.0", cwd=tmp_path)
    assert result.stdout == b"0.1.0\n1.0.0\n1.5.0\n2.0.0\n"
    expected = (
        located_reports("a.txt", [b"2.0.0", b"1.x_", b"1.0.0"])
        + located_reports("<stdin>", [b"1.2.3_", b"0.1.0"])
        + located_reports("b.txt", [b"1.5.0", b"\xff"])
    )
    assert result.stderr == expected
    assert result.returncode == 1


def test_sort_writes_lines_longer_than_a_record_can_measure():
    """Records hold lengths below 16 MiB; a longer line is found again by its line feed."""
    long_line = b"a" * (17 << 20)
    result = run_cli("sort", input=b"b\n" + long_line + b"\r\nc")
    assert result.stdout == long_line + b"\nb\nc\n"
    assert (result.stderr, result.returncode) == (b"", 0)


@pytest.mark.parametrize("args", [["sort"], ["sort", "-"]], ids=["no file", "dash"])
def test_sort_reads_standard_input(args):
    result = run_cli(*args, input=b"1.10\n1.9\n")
    assert (result.stdout, result.stderr, result.returncode) == (b"1.10\n1.9\n", b"", 0)


# --- parse and compare ----------------------------------------------------------------------


@pytest.mark.parametrize(
    "kind, text",
    [
        ("version", "1.2.3-rc.1+build.5"),
        ("version", "2024.10"),
        ("version", "a_b"),
        ("semver", "v01.2.3-"),
        ("dot-separated", "1.0-beta.2"),
        ("dot-separated", ""),
        ("other", "caf\u00e9\u0301_x"),
    ],
)
def test_parse_prints_the_debug_form(kind, text):
    result = run_cli("parse", "--kind", kind, "--", text)
    expected = repr(getattr(V, KIND_CLASSES[kind])(text)) + "\n"
    assert (result.stdout.decode(), result.stderr, result.returncode) == (expected, b"", 0)


@pytest.mark.parametrize(
    "kind, a, b, sign",
    [
        ("version", "1.2.3", "1.2.4", "<"),
        ("version", "1.2.3+x", "1.2.3", "="),
        ("version", "99.0.0", "0", "<"),
        ("version", "a_b", "2024.1", ">"),
        ("semver", "1.2.3-rc.10", "1.2.3-rc.9", "<"),
        ("semver", "1.2.3", "1.2.3-rc.1", ">"),
        ("dot-separated", "1.10", "1.9", "<"),
        ("other", "abd", "abc", ">"),
    ],
)
def test_compare_prints_the_order(kind, a, b, sign):
    result = run_cli("compare", "--kind", kind, a, b)
    assert (result.stdout, result.stderr, result.returncode) == (f"{sign}\n".encode(), b"", 0)


@pytest.mark.parametrize(
    "args, kind, invalid",
    [
        (["parse", "1.2.3_"], "version", ["1.2.3_"]),
        (["parse", "--kind", "other", "1.2"], "other", ["1.2"]),
        (["compare", "1.2.3", "1.2.3_"], "version", ["1.2.3_"]),
        (["compare", "--kind", "semver", "1.2", "x"], "semver", ["1.2", "x"]),
    ],
)
def test_parse_and_compare_report_invalid_texts(args, kind, invalid):
    result = run_cli(*args)
    assert result.stdout == b""
    assert result.stderr.decode() == "".join(class_reports(kind, invalid))
    assert result.returncode == 1


# --- colour -----------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "env, coloured",
    [({"CLICOLOR_FORCE": "1"}, True), ({"CLICOLOR_FORCE": "0"}, False)],
)
def test_colour_follows_the_same_decision_as_the_classes(env, coloured):
    result = run_cli("check", input=b"1.2.3_\n", env=env)
    assert result.stderr == located_reports("<stdin>", [b"1.2.3_"], env=env)
    assert (b"\x1b[" in result.stderr) == coloured


# --- usage, files and output failures ---------------------------------------------------------


@pytest.mark.parametrize(
    "args, message",
    [
        ([], "missing command"),
        (["frob"], "unknown command 'frob'"),
        (["check", "--kind", "semverx"], "unknown kind 'semverx'"),
        (["check", "--kind"], "option '--kind' needs a KIND"),
        (["check", "--reverse"], "unknown option '--reverse'"),
        (["sort", "-x"], "unknown option '-x'"),
        (["parse"], "parse takes one TEXT"),
        (["parse", "1", "2"], "parse takes one TEXT"),
        (["compare", "1"], "compare takes two TEXTs"),
        (["compare", "1", "2", "3"], "compare takes two TEXTs"),
        (["--version", "1"], "unexpected operand '1'"),
    ],
)
def test_usage_errors(args, message):
    result = run_cli(*args)
    assert result.stderr.decode().startswith(f"kolvi: {message}")
    assert result.stderr.decode().endswith("Try 'kolvi --help' for more information.\n")
    assert (result.stdout, result.returncode) == (b"", 2)


@pytest.mark.parametrize(
    "name, error", [("missing.txt", errno.ENOENT), (".", errno.EISDIR)], ids=["missing", "folder"]
)
def test_unreadable_file(tmp_path, name, error):
    write_file(tmp_path, "ok.txt", b"1.0.0\n")
    result = run_cli("sort", "ok.txt", name, cwd=tmp_path)
    assert result.stderr.decode() == f"kolvi: cannot read {name}: {os.strerror(error)}\n"
    assert (result.stdout, result.returncode) == (b"", 2)


@pytest.mark.parametrize("args", [["--help"], ["-h"], ["sort", "--help"]])
def test_help(args):
    result = run_cli(*args)
    assert result.stdout.startswith(b"usage: kolvi COMMAND")
    assert (result.stderr, result.returncode) == (b"", 0)


def test_version_is_the_package_version():
    result = run_cli("--version")
    assert result.stdout.decode() == f"kolvi {importlib.metadata.version('kolvi')}\n"
    assert (result.stderr, result.returncode) == (b"", 0)


def test_manual_page_is_installed_where_man_looks_from_the_venv():
    """man finds <prefix>/share/man from <prefix>/bin on PATH; the page is the command's, of this
    version (its text is checked against docs/cli.md by the docs tests)."""
    page = KOLVI_TOOL.parent.parent / "share" / "man" / "man1" / "kolvi.1"
    header = next(line for line in page.read_text().splitlines() if line.startswith(".TH "))
    assert header.split('"')[1::2][:2] == ["KOLVI", "1"]
    assert f'"{importlib.metadata.version("kolvi")}"' in header


def many_versions(tmp_path):
    """More output than a pipe holds, so the writer is still writing when the reader leaves."""
    return write_file(tmp_path, "many.txt", b"".join(b"1.%d.0\n" % i for i in range(200_000)))


def test_output_closed_early_ends_quietly(tmp_path):
    path = many_versions(tmp_path)
    result = subprocess.run(
        ["bash", "-c", 'set -o pipefail; "$0" sort "$1" | head -n 1', KOLVI_TOOL, path],
        capture_output=True,
        timeout=60,
        check=False,
    )
    assert result.stdout == b"1.0.0\n"
    assert result.stderr == b""
    assert result.returncode == 128 + signal.SIGPIPE


def test_output_to_a_closed_pipe_ends_quietly(tmp_path):
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        result = run_cli("sort", many_versions(tmp_path), stdout=write_end)
    finally:
        os.close(write_end)
    assert (result.stderr, result.returncode) == (b"", 128 + signal.SIGPIPE)


@pytest.mark.skipif(not os.path.exists("/dev/full"), reason="needs /dev/full")
def test_other_write_failures_print_one_message():
    with open("/dev/full", "wb") as full:
        result = run_cli("parse", "1.2.3", stdout=full)
    expected = f"kolvi: cannot write to standard output: {os.strerror(errno.ENOSPC)}\n"
    assert (result.stderr.decode(), result.returncode) == (expected, 2)


@settings(max_examples=40, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(data=st.binary(max_size=400), command=st.sampled_from(["check", "sort", "key"]))
def test_random_bytes_never_crash(data, command):
    result = run_cli(command, input=data)
    assert result.returncode in (0, 1), result.stderr
    lines = data.split(b"\n")
    invalid = sum(1 for line in result.stderr.split(b"\n") if line.startswith(b"<stdin>:"))
    assert (invalid > 0) == (result.returncode == 1)
    kept = result.stdout.splitlines()
    if command != "check":
        assert len(kept) + invalid == len(lines) - (lines[-1] == b"")
    if command == "sort":
        assert all(line in lines or line + b"\r" in lines for line in kept)
