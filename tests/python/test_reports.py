"""A failed parse raises RuntimeError whose text is exactly the rendered report, colour off and on."""

import json

import pytest

from support import SEMVER_1_2_X_REPORT, V, run_python

CASES = [
    ("SemVer", "1.2.x", SEMVER_1_2_X_REPORT),
    (
        "SemVer",
        "1.2",
        "Error: \n"
        "   ╭─[ kolvi::package::version::semver::SemVer:1:4 ]\n"
        "   │\n"
        " 1 │ 1.2\n"
        "   │    │ \n"
        "   │    ╰─ found end of input expected digit, or '.'\n"
        "───╯\n",
    ),
    ("Other", "1abc", None),
    ("DotSeparated", "1..2", None),
    ("Version", "1.2.3 ", None),
]

SOURCE_NAMES = {
    "SemVer": "kolvi::package::version::semver::SemVer",
    "DotSeparated": "kolvi::package::version::dot_separated::DotSeparated",
    "Other": "kolvi::package::version::other::Other",
    "Version": "kolvi::package::version::Version",
}

CHILD = """
import json, kolvi
results = []
for name, text in json.loads({cases!r}):
    try:
        getattr(kolvi.package.version, name)(text)
    except RuntimeError as error:
        results.append([type(error).__name__, str(error), error.__cause__ is None])
    else:
        results.append(None)
print(json.dumps(results))
"""


@pytest.fixture(scope="module")
def reports():
    cases = json.dumps([[name, text] for name, text, _ in CASES])
    result = run_python(CHILD.format(cases=cases))
    assert result.returncode == 0, result.stderr
    return json.loads(result.stdout)


@pytest.mark.parametrize("index", range(len(CASES)))
def test_report_text(reports, index):
    name, text, expected = CASES[index]
    kind, message, no_cause = reports[index]
    assert kind == "RuntimeError" and no_cause
    assert "\x1b[" not in message
    if expected is not None:
        assert message == expected
    else:
        lines = message.split("\n")
        assert lines[0] == "Error: "
        assert lines[1].startswith(f"   ╭─[ {SOURCE_NAMES[name]}:1:")
        assert lines[-2] == "───╯" and lines[-1] == ""


def test_colour_can_be_forced():
    code = """
    import kolvi
    try:
        kolvi.package.version.SemVer("1.2.x")
    except RuntimeError as error:
        print("\\x1b[" in str(error))
    """
    result = run_python(code, env={"NO_COLOR": None, "CLICOLOR_FORCE": "1", "TERM": "xterm"})
    assert result.stdout.decode().strip() == "True"


# Reports that leave the short path: a code point past U+FFFF makes the str UCS-4, and a long line
# is measured before it is written into the str.
LONG_TEXT = "1.2.3-" + "a" * 993 + "_"

WIDE_CHILD = """
import json, kolvi
out = []
for text in json.loads({texts!r}):
    try:
        kolvi.package.version.Other(text) if text.startswith("a") else kolvi.package.version.SemVer(text)
    except RuntimeError as error:
        out.append(str(error))
print(json.dumps(out))
"""


def test_reports_outside_the_short_path():
    result = run_python(WIDE_CHILD.format(texts=json.dumps(["a\U0001f600-", LONG_TEXT])))
    assert result.returncode == 0, result.stderr
    emoji, long = json.loads(result.stdout)
    assert emoji == (
        "Error: \n"
        "   ╭─[ kolvi::package::version::other::Other:1:2 ]\n"
        "   │\n"
        " 1 │ a\U0001f600-\n"
        "   │  ┬─  \n"
        "   │  ╰─── found '\U0001f600' expected identifier, or end of input\n"
        "───╯\n"
    )
    lines = long.split("\n")
    assert lines[1] == "   ╭─[ kolvi::package::version::semver::SemVer:1:1000 ]"
    assert lines[3] == " 1 │ " + LONG_TEXT
    assert lines[4] == "   │ " + " " * 999 + "┬  "
    assert lines[5].startswith("   │ " + " " * 999 + "╰── found '_' expected ")
    assert lines[6:] == ["───╯", ""]


def paint(code, piece):
    return f"\x1b[{code}m{piece}\x1b[0m"


SOURCE, LABEL = "38;5;249", "38;5;201"

# With colour on, the source line's white space is written as plain spaces.
COLOURED_SOURCE_LINES = [
    (" 1", " " + paint(SOURCE, "1")),
    ("1 x", paint(SOURCE, "1") + " " + paint(SOURCE, "x")),
    ("a\tb", paint(LABEL, "a") + "   " + paint(SOURCE, "b")),
    ("1\u3000x", paint(SOURCE, "1") + " " + paint(SOURCE, "x")),
]

COLOURED_CHILD = """
import json, kolvi
rows = []
for text in json.loads({texts!r}):
    try:
        kolvi.package.version.SemVer(text)
    except RuntimeError as error:
        rows.append(str(error).split("\\n")[3])
print(json.dumps(rows))
"""


def test_coloured_source_lines():
    texts = [text for text, _ in COLOURED_SOURCE_LINES]
    result = run_python(
        COLOURED_CHILD.format(texts=json.dumps(texts)),
        env={"NO_COLOR": None, "CLICOLOR_FORCE": "1", "TERM": "xterm"},
    )
    assert result.returncode == 0, result.stderr
    margin = " " + paint("38;5;246", "1 │") + " "
    assert json.loads(result.stdout) == [margin + row for _, row in COLOURED_SOURCE_LINES]


def test_failed_parse_chains_the_exception_being_handled():
    try:
        raise KeyError("outer")
    except KeyError:
        try:
            V.SemVer("1.2.x")
        except RuntimeError as error:
            inside = error
    assert isinstance(inside.__context__, KeyError)
    assert inside.__cause__ is None and not inside.__suppress_context__
    try:
        V.SemVer("1.2.x")
    except RuntimeError as error:
        outside = error
    assert outside.__context__ is None
    assert outside.__traceback__ is not None
    assert outside.args == (str(outside),)
