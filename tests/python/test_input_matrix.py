"""Every constructor, setter and test_function against a matrix of hostile values.

Each call either succeeds with the converted value or raises a Python exception of the
expected type; nothing crashes, and a setter that fails leaves its instance unchanged.
"""

import contextlib
import os
import sys

import kolvi
import pytest

from support import (
    CLASSES,
    Boom,
    Index,
    IntSub,
    RaisingIndex,
    RaisingIter,
    RaisingLen,
    RaisingSequence,
    StrSub,
    V,
    generator,
    run_python,
)

PLANES = "".join(chr(plane * 0x10000 + 0x101) for plane in range(17))

# (case id, value factory, u32 outcome, text outcome, list outcome). An outcome is the
# converted value, or the exception type the conversion raises. Factories build a
# fresh value per call, so single-use values (generators) stay valid.
CASES = [
    ("none", lambda: None, TypeError, TypeError, TypeError),
    ("bytes", lambda: b"1.2", TypeError, TypeError, TypeError),
    ("bytearray", lambda: bytearray(b"1.2"), TypeError, TypeError, TypeError),
    ("memoryview", lambda: memoryview(b"1.2"), TypeError, TypeError, TypeError),
    ("int subclass", lambda: IntSub(3), 3, TypeError, TypeError),
    ("bool", lambda: True, 1, TypeError, TypeError),
    ("index", lambda: Index(7), 7, TypeError, TypeError),
    ("huge index", lambda: Index(2**100), OverflowError, TypeError, TypeError),
    ("u32 overflow index", lambda: Index(2**32), OverflowError, TypeError, TypeError),
    ("negative index", lambda: Index(-1), OverflowError, TypeError, TypeError),
    ("raising index", RaisingIndex, Boom, TypeError, TypeError),
    ("float", lambda: 1.5, TypeError, TypeError, TypeError),
    ("nan", lambda: float("nan"), TypeError, TypeError, TypeError),
    ("str subclass", lambda: StrSub("1.2"), TypeError, "1.2", TypeError),
    ("list of str subclass", lambda: [StrSub("a")], TypeError, TypeError, ["a"]),
    ("list with int", lambda: ["a", 1], TypeError, TypeError, TypeError),
    ("tuple with None", lambda: ("a", None), TypeError, TypeError, TypeError),
    ("tuple of str", lambda: ("a", "b"), TypeError, TypeError, ["a", "b"]),
    ("generator", generator, TypeError, TypeError, TypeError),
    ("raising sequence", RaisingSequence, TypeError, TypeError, Boom),
    ("raising iterator", lambda: RaisingIter(["a", "b"]), TypeError, TypeError, Boom),
    ("raising len", RaisingLen, TypeError, TypeError, ["only"]),
    ("dict", lambda: {"a": "b"}, TypeError, TypeError, TypeError),
    ("nul", lambda: "1.2\x00", TypeError, "1.2\x00", TypeError),
    ("list with nul", lambda: ["a\x00b"], TypeError, TypeError, ["a\x00b"]),
    ("lone surrogate", lambda: "1.\ud800", TypeError, UnicodeEncodeError, TypeError),
    ("list with surrogate", lambda: ["\udfff"], TypeError, TypeError, UnicodeEncodeError),
    ("surrogate after a text", lambda: ["ok", "\ud800"], TypeError, TypeError, UnicodeEncodeError),
    ("every plane", lambda: PLANES, TypeError, PLANES, TypeError),
    ("list of planes", lambda: list(PLANES), TypeError, TypeError, list(PLANES)),
]
CASE_IDS = [case[0] for case in CASES]


def outcome_of(call):
    """The call's result, or the type of the exception it raised."""
    try:
        return call()
    except Exception as error:  # noqa: BLE001 - the type is what the matrix checks
        return type(error)


def check(outcome, expected):
    if isinstance(expected, type) and issubclass(expected, BaseException):
        assert outcome is expected, f"expected {expected.__name__}, got {outcome!r}"
    else:
        assert not isinstance(outcome, type), f"expected {expected!r}, got {outcome.__name__}"


@contextlib.contextmanager
def stdout_to_devnull():
    """test_function writes to file descriptor 1 directly."""
    sys.stdout.flush()
    saved = os.dup(1)
    devnull = os.open(os.devnull, os.O_WRONLY)
    try:
        os.dup2(devnull, 1)
        yield
    finally:
        os.dup2(saved, 1)
        os.close(saved)
        os.close(devnull)


# --- constructors -------------------------------------------------------------------


@pytest.mark.parametrize("cls", CLASSES, ids=lambda c: c.__name__)
@pytest.mark.parametrize("_, make, _u32, text, _list", CASES, ids=CASE_IDS)
def test_positional_constructor(cls, _, make, _u32, text, _list):
    outcome = outcome_of(lambda: cls(make()))
    if isinstance(text, str):
        # Texts parse, or fail with the report; an Other keeps its text unchanged.
        assert outcome is RuntimeError or isinstance(outcome, cls), outcome
        if isinstance(outcome, V.Other):
            assert outcome.value == text
    elif text is UnicodeEncodeError:
        check(outcome, UnicodeEncodeError)
    else:
        check(outcome, TypeError)


@pytest.mark.parametrize("field", ["major", "minor", "patch"])
@pytest.mark.parametrize("_, make, u32, _text, _list", CASES, ids=CASE_IDS)
def test_semver_number_keywords(field, _, make, u32, _text, _list):
    values = {"major": 1, "minor": 2, "patch": 3, field: make()}
    outcome = outcome_of(lambda: V.SemVer(**values))
    check(outcome, u32)
    if isinstance(u32, int):
        assert getattr(outcome, field) == u32


@pytest.mark.parametrize("field", ["rc", "meta"])
@pytest.mark.parametrize("_, make, _u32, _text, as_list", CASES, ids=CASE_IDS)
def test_semver_list_keywords(field, _, make, _u32, _text, as_list):
    value = make()
    outcome = outcome_of(lambda: V.SemVer(major=1, minor=2, patch=3, **{field: value}))
    expected = None if value is None else as_list
    if expected is None:
        assert getattr(outcome, field) is None
    else:
        check(outcome, expected)
        if isinstance(expected, list):
            assert getattr(outcome, field) == expected


@pytest.mark.parametrize("_, make, _u32, _text, as_list", CASES, ids=CASE_IDS)
def test_dot_separated_parts_keyword(_, make, _u32, _text, as_list):
    outcome = outcome_of(lambda: V.DotSeparated(parts=make()))
    check(outcome, as_list)
    if isinstance(as_list, list):
        assert outcome.parts == as_list


@pytest.mark.parametrize("_, make, _u32, text, _list", CASES, ids=CASE_IDS)
def test_other_value_keyword(_, make, _u32, text, _list):
    outcome = outcome_of(lambda: V.Other(value=make()))
    check(outcome, text)
    if isinstance(text, str):
        assert outcome.value == text


@pytest.mark.parametrize("_, make, _u32, _text, _list", CASES, ids=CASE_IDS)
def test_version_rejects_any_keyword(_, make, _u32, _text, _list):
    with pytest.raises(
        TypeError, match=r"^Version\.__new__\(\) got an unexpected keyword argument 'x'$"
    ):
        V.Version(x=make())


ODD_TEXTS = ["", " ", "\x00", "1.2.3\n", "\t1.2.3", "١.٢.٣", "🙂", "1.2.3-" + "a" * 10000]


@pytest.mark.parametrize("text", ODD_TEXTS)
def test_odd_texts_never_crash(text):
    for cls in CLASSES:
        try:
            value = cls(text)
        except RuntimeError:
            continue
        assert isinstance(str(value), str) and isinstance(repr(value), str)


def test_constructor_called_through_new_with_odd_objects():
    with pytest.raises(TypeError):
        V.SemVer.__new__(V.SemVer, "1.2.3", **{"x": 1})
    with pytest.raises(TypeError):
        V.SemVer.__new__(V.Other, "1.2.3")
    with pytest.raises(TypeError):
        object.__new__(V.SemVer)


# --- setters ------------------------------------------------------------------------

# (instance factory, property, which outcome column applies, whether None clears it)
SETTERS = [
    (lambda: V.SemVer("1.2.3-rc+b"), "major", 2, False),
    (lambda: V.SemVer("1.2.3-rc+b"), "minor", 2, False),
    (lambda: V.SemVer("1.2.3-rc+b"), "patch", 2, False),
    (lambda: V.SemVer("1.2.3-rc+b"), "rc", 4, True),
    (lambda: V.SemVer("1.2.3-rc+b"), "meta", 4, True),
    (lambda: V.DotSeparated("1.2"), "parts", 4, False),
    (lambda: V.Other("main"), "value", 3, False),
]
SETTER_IDS = [f"{make().__class__.__name__}.{name}" for make, name, _, _ in SETTERS]


@pytest.mark.parametrize("make_instance, name, column, none_clears", SETTERS, ids=SETTER_IDS)
@pytest.mark.parametrize("case", CASES, ids=CASE_IDS)
def test_setter(make_instance, name, column, none_clears, case):
    instance = make_instance()
    before = repr(instance)
    value = case[1]()
    expected = None if (none_clears and value is None) else case[column]
    outcome = outcome_of(lambda: setattr(instance, name, value))
    if expected is None or not isinstance(expected, type):
        assert outcome is None
        assert getattr(instance, name) == expected
    else:
        check(outcome, expected)
        assert repr(instance) == before, "a failed setter changed the instance"


@pytest.mark.parametrize("make_instance, name, _column, _none", SETTERS, ids=SETTER_IDS)
def test_failed_setter_names_its_parameter(make_instance, name, _column, _none):
    instance = make_instance()
    before = repr(instance)
    with pytest.raises(TypeError, match=f"^argument 'new_{name}': "):
        setattr(instance, name, 1.5)
    with pytest.raises(AttributeError, match="^can't delete attribute$"):
        delattr(instance, name)
    assert repr(instance) == before


# --- test_function --------------------------------------------------------------------


@pytest.mark.parametrize("_, make, _u32, _text, _list", CASES, ids=CASE_IDS)
def test_test_function_rejects_non_versions(_, make, _u32, _text, _list):
    with stdout_to_devnull():
        with pytest.raises(TypeError, match="^argument 'version': "):
            kolvi.test_function(make())
        with pytest.raises(TypeError, match="^argument 'version': "):
            kolvi.test_function(version=make())


@pytest.mark.parametrize("text", ["1.2.3-\x00", PLANES, "a_\U0010fffd", "1." * 1000 + "1"])
def test_test_function_prints_any_version(text):
    version = V.Version(V.Other(value=text))
    with stdout_to_devnull():
        assert kolvi.test_function(version) is None


# --- ten megabyte strings ---------------------------------------------------------------

TEN_MB = 10 * 1024 * 1024


def run_isolated(code, **options):
    """Runs code in a fresh interpreter, so a pathological slowdown fails instead of hanging."""
    child = run_python(code, timeout=120, text=True, **options)
    assert child.returncode == 0, child.stderr[-2000:]
    return child.stdout


@pytest.mark.parametrize(
    "text, expected",
    [
        (
            "a" * TEN_MB,
            {"SemVer": "RuntimeError", "DotSeparated": "ok", "Other": "ok", "Version": "ok"},
        ),
        (
            "1" * TEN_MB,
            {
                "SemVer": "RuntimeError",
                "DotSeparated": "ok",
                "Other": "RuntimeError",
                "Version": "ok",
            },
        ),
        (
            "a." * (TEN_MB // 2) + "a",
            {
                "SemVer": "RuntimeError",
                "DotSeparated": "ok",
                "Other": "RuntimeError",
                "Version": "ok",
            },
        ),
        (
            "1.2.3-" + "a" * TEN_MB,
            {"SemVer": "ok", "DotSeparated": "ok", "Other": "RuntimeError", "Version": "ok"},
        ),
        (
            "!" + "1" * TEN_MB,
            {c: "RuntimeError" for c in ["SemVer", "DotSeparated", "Other", "Version"]},
        ),
        (
            "1.2.3-" + "x" * TEN_MB + "!",
            {c: "RuntimeError" for c in ["SemVer", "DotSeparated", "Other", "Version"]},
        ),
    ],
    ids=[
        "one identifier",
        "one number",
        "five million parts",
        "long pre-release",
        "failure at the start",
        "failure at the end",
    ],
)
def test_ten_megabyte_strings(text, expected):
    code = """
        import kolvi
        V = kolvi.package.version
        text = open(0).read()
        for cls in (V.SemVer, V.DotSeparated, V.Other, V.Version):
            try:
                value = cls(text)
            except RuntimeError as error:
                assert str(error).startswith("Error: "), str(error)[:200]
                print(cls.__name__, "RuntimeError")
            else:
                assert str(value) == text, "the display form differs from the text"
                print(cls.__name__, "ok")
        """
    outcomes = dict(line.split() for line in run_isolated(code, input=text).splitlines())
    assert outcomes == expected


def test_ten_megabyte_values_in_setters_and_keywords():
    run_isolated(
        f"""
        import kolvi
        V = kolvi.package.version
        big = "x" * {TEN_MB}
        many = ["p"] * 1_000_000
        other = V.Other(value=big)
        assert other.value == big
        other.value = big + "y"
        assert len(other.value) == {TEN_MB} + 1
        semver = V.SemVer(major=1, minor=2, patch=3, rc=[big], meta=many)
        assert semver.rc == [big] and semver.meta == many
        dotted = V.DotSeparated(parts=many)
        dotted.parts = [big, big]
        assert str(dotted) == big + "." + big
        """
    )
