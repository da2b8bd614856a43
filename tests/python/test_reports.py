"""A failed parse raises RuntimeError whose text is exactly the rendered report (colour off)."""

import json

import pytest

from support import SEMVER_1_2_X_REPORT, run_python

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
