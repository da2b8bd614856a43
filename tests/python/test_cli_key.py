"""`kolvi key` and `kolvi check --format json`: keys whose plain byte order is the classes' order
(the sort recipe of the README gives what `kolvi sort` gives), the same reports and statuses as
check, and JSON objects whose every field agrees with what the class raises."""

import base64
import json
import re
import subprocess

import pytest

from support import (
    KIND_CLASSES,
    KOLVI_TOOL,
    V,
    child_environment,
    class_reports,
    random_versions,
    run_cli,
)

# Duplicates, versions equal but not alike, every kind, and lines no class accepts.
CORPUS_LINES = [
    *random_versions(3000, seed=21),
    "1.0.0+b",
    "1.0.0+a",
    "1.0.0",
    "1.0.0+b",
    "1.0.0-rc.1+x",
    "1.0.0-rc.1+y",
    "",
    "x y",
    "1..2",
    "0.0.4294967296",
    "é.1",
]

RECIPE = 'set -o pipefail; "$0" key --kind "$1" --with-text "$2" '
RECIPE += "| LC_ALL=C sort -s -t \"$(printf '\\t')\" -k1,1 | cut -f2-"


@pytest.fixture(scope="module")
def corpus(tmp_path_factory):
    path = tmp_path_factory.mktemp("key") / "corpus.txt"
    path.write_bytes("".join(line + "\n" for line in CORPUS_LINES).encode())
    return path


def decoded_keys(output, format):
    decode = bytes.fromhex if format == "hex" else base64.b64decode
    return [decode(line) for line in output.decode("ascii").splitlines()]


@pytest.mark.parametrize("kind", KIND_CLASSES)
def test_the_sort_recipe_gives_what_sort_gives(corpus, kind):
    recipe = subprocess.run(
        ["bash", "-c", RECIPE, KOLVI_TOOL, kind, corpus],
        capture_output=True,
        env=child_environment(None, ()),
        timeout=120,
        check=False,
    )
    sort = run_cli("sort", "--kind", kind, corpus, timeout=120)
    assert recipe.stdout == sort.stdout
    assert (recipe.stderr, recipe.returncode) == (sort.stderr, sort.returncode)


@pytest.mark.parametrize("kind", KIND_CLASSES)
def test_keys_order_and_equal_like_the_values(corpus, kind):
    cls = getattr(V, KIND_CLASSES[kind])
    hex_keys = decoded_keys(run_cli("key", "--kind", kind, corpus).stdout, "hex")
    base64_keys = decoded_keys(
        run_cli("key", "--kind", kind, "--format=base64", corpus).stdout, "base64"
    )
    assert hex_keys == base64_keys
    values = []
    for line in CORPUS_LINES:
        try:
            values.append(cls(line))
        except RuntimeError:
            continue
    assert len(values) == len(hex_keys)
    pairs = list(zip(values, hex_keys, strict=True))
    for (a, key_a), (b, key_b) in zip(pairs, pairs[1:] + pairs[:1], strict=True):
        assert (key_a < key_b, key_a == key_b) == (a < b, a == b), (a, b)
    by_key = [value for value, _ in sorted(pairs, key=lambda pair: pair[1])]
    assert by_key == sorted(values)


# Keys written out from the format, byte by byte: format, kind rank, numbers, rc, texts.
@pytest.mark.parametrize(
    "kind, text, key",
    [
        ("version", "1.0.0", "01 00 01 00 00 01"),
        ("semver", "1.0.0+build", "01 01 00 00 01"),
        ("semver", "0.128.16384-rc", "01 00 8080 c04000 00 726300"),
        ("semver", "4294967295.0.0", "01 f0ffffffff 00 00 01"),
        ("version", "2.a", "01 01 3200 6100"),
        ("dot-separated", "2.a", "01 3200 6100"),
        ("version", "_x", "01 02 5f78"),
        ("other", "_x", "01 5f78"),
    ],
)
def test_keys_are_format_1(kind, text, key):
    result = run_cli("key", "--kind", kind, input=text.encode())
    assert (result.stdout.decode(), result.returncode) == (key.replace(" ", "") + "\n", 0)


MIXED_INPUT = b"1.0.0\nx y\n\xff\xfe\n\n1..2\r\n2.0\n"


@pytest.mark.parametrize("kind", KIND_CLASSES)
@pytest.mark.parametrize(
    "input", [MIXED_INPUT, b"1.0.0\n2.0\n", b""], ids=["mixed", "valid", "empty"]
)
def test_key_reports_and_exits_as_check(kind, input):
    key = run_cli("key", "--kind", kind, input=input)
    check = run_cli("check", "--kind", kind, input=input)
    assert (key.stderr, key.returncode) == (check.stderr, check.returncode)
    invalid = check.stderr.count(b"<stdin>:")
    lines = input.split(b"\n")
    assert len(key.stdout.splitlines()) == len(lines) - (lines[-1] == b"") - invalid


def test_key_with_text_keeps_the_line_and_names_each_file(tmp_path):
    (tmp_path / "a.txt").write_bytes(b"1.0\r\nbad one\n")
    result = run_cli("key", "--with-text", "a.txt", "missing.txt", "-", input=b"2", cwd=tmp_path)
    assert result.stdout == b"010131003000\t1.0\n01013200\t2\n"
    assert result.stderr.startswith(b"a.txt:2: Error: ")
    assert result.stderr.endswith(b"kolvi: cannot read missing.txt: No such file or directory\n")
    assert result.returncode == 2


# --- check --format json ----------------------------------------------------------------

INVALID_TEXTS = {
    "version": ["x y", "1..2", "é.é ü", "1.0.\x01", "a\tb", '1."2"', "\\", "1.0 "],
    "semver": ["1.2.x", "1.2", "1.2.3 ", "ñ", "1.2.3-a..b", "1.2.3+é"],
    "dot-separated": ["1..2", "a b", ".", "1.\x7f"],
    "other": ["1.2.3", "", "a\x00b"],
}

REPORT_HEAD = re.compile(r"╭─\[ (?P<source>\S+):1:(?P<column>\d+) \]")
REPORT_MESSAGE = re.compile(r"╰─+ (?P<message>.*)\n───╯\n$")


def quoted(item):
    return "end of input" if item is None else f"'{item}'"


def joined(expected):
    if not expected:
        return "something else"
    if len(expected) == 1:
        return expected[0]
    return ", ".join(expected[:-1]) + ", or " + expected[-1]


@pytest.mark.parametrize("kind", KIND_CLASSES)
def test_json_fields_agree_with_the_class(kind):
    texts = INVALID_TEXTS[kind]
    reports = class_reports(kind, texts)
    assert None not in reports
    data = "".join(text + "\n" for text in texts).encode()
    result = run_cli("check", "--kind", kind, "--format", "json", input=data)
    assert (result.stderr, result.returncode) == (b"", 1)
    objects = [json.loads(line) for line in result.stdout.decode().splitlines()]
    assert len(objects) == len(texts)
    for number, (text, report, found) in enumerate(zip(texts, reports, objects, strict=True), 1):
        head = REPORT_HEAD.search(report)
        message = REPORT_MESSAGE.search(report)["message"]
        start, end = found["start"], found["end"]
        assert found == {
            "file": "<stdin>",
            "line": number,
            "class": head["source"],
            "column": int(head["column"]),
            "start": start,
            "end": end,
            "found": found["found"],
            "expected": found["expected"],
            "message": message,
            "report": report,
        }, text
        raw = text.encode()
        assert len(raw[:start].decode()) + 1 == found["column"]
        assert raw[start:end].decode() == (found["found"] or "")
        assert (found["found"] is None) == (start == len(raw))
        assert message == f"found {quoted(found['found'])} expected {joined(found['expected'])}"


@pytest.mark.parametrize(
    "args, input, objects",
    [
        (["1.0.0", "2"], b"", []),
        ([], b"1.0.0\n2\n", []),
        ([], b"1.0\n\xc3\x28\n", [{"file": "<stdin>", "line": 2, "error": "not valid UTF-8"}]),
        (["x y"], b"", [{"file": None, "line": None}]),
    ],
    ids=["valid operands", "valid lines", "not UTF-8", "operand"],
)
def test_json_locations_and_statuses(args, input, objects):
    result = run_cli("check", "--format", "json", "--", *args, input=input)
    found = [json.loads(line) for line in result.stdout.decode().splitlines()]
    assert len(found) == len(objects)
    assert [{k: o[k] for k in want} for o, want in zip(found, objects, strict=True)] == objects
    assert (result.stderr, result.returncode) == (b"", 1 if objects else 0)


def test_json_report_has_no_colour_whatever_the_terminal():
    result = run_cli(
        "check", "--format", "json", "x y", env={"NO_COLOR": None, "CLICOLOR_FORCE": "1"}
    )
    assert "\x1b" not in json.loads(result.stdout)["report"]
    assert b"\\u001b" not in result.stdout
