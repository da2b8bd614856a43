"""SemVer: constructor forms, properties, comparisons and every failure message."""

import re

import kolvi
import pytest

from support import assert_raises_exactly

DotSeparated = kolvi.package.version.DotSeparated
SemVer = kolvi.package.version.SemVer
Version = kolvi.package.version.Version

MAX_U32 = 4294967295


@pytest.mark.parametrize(
    "text, fields, display",
    [
        ("1.2.3", (1, 2, 3, None, None), "1.2.3"),
        ("1.2.3-rc.1+build.5", (1, 2, 3, ["rc", "1"], ["build", "5"]), "1.2.3-rc.1+build.5"),
        ("0.10.0+x", (0, 10, 0, None, ["x"]), "0.10.0+x"),
        (f"{MAX_U32}.0.0", (MAX_U32, 0, 0, None, None), f"{MAX_U32}.0.0"),
    ],
)
def test_parse_reads_every_field(text, fields, display):
    v = SemVer(text)
    assert (v.major, v.minor, v.patch, v.rc, v.meta) == fields
    assert str(v) == display


@pytest.mark.parametrize(
    "kwargs, display, debug",
    [
        (
            dict(major=1, minor=2, patch=3),
            "1.2.3",
            "SemVer { major: 1, minor: 2, patch: 3, rc: None, meta: None }",
        ),
        (
            dict(major=1, minor=2, patch=3, rc=[]),
            "1.2.3-",
            "SemVer { major: 1, minor: 2, patch: 3, rc: Some([]), meta: None }",
        ),
        (
            dict(major=1, minor=2, patch=3, rc=[], meta=[]),
            "1.2.3-+",
            "SemVer { major: 1, minor: 2, patch: 3, rc: Some([]), meta: Some([]) }",
        ),
        (
            dict(major=1, minor=2, patch=3, rc=None, meta=("b",)),
            "1.2.3+b",
            'SemVer { major: 1, minor: 2, patch: 3, rc: None, meta: Some(["b"]) }',
        ),
        (
            dict(major=True, minor=0, patch=MAX_U32, rc=["not valid!"]),
            f"1.0.{MAX_U32}-not valid!",
            f'SemVer {{ major: 1, minor: 0, patch: {MAX_U32}, rc: Some(["not valid!"]), meta: None }}',
        ),
    ],
)
def test_keyword_form(kwargs, display, debug):
    v = SemVer(**kwargs)
    assert str(v) == display
    assert repr(v) == debug


def test_string_and_keyword_forms_agree():
    assert SemVer("1.2.3") == SemVer(major=1, minor=2, patch=3)


FAILURES = [
    # (args, kwargs, exception, message)
    (("1.2.3",), dict(major=1), TypeError, "Constructor expects *args or **kwargs, but not both"),
    ((), dict(minor=2, patch=3), TypeError, "Missing required keyword argument 'major'"),
    ((), dict(major=1, patch=3), TypeError, "Missing required keyword argument 'minor'"),
    ((), dict(major=1, minor=2), TypeError, "Missing required keyword argument 'patch'"),
    ((), dict(major=1, minor=2, build=1), TypeError, "Missing required keyword argument 'patch'"),
    (
        (),
        dict(major=1, minor=2, patch=3, build=1),
        ValueError,
        "'build' is an invalid keyword argument for SemVer()",
    ),
    (
        (),
        dict(major="1", minor=2, patch=3),
        TypeError,
        "'str' object cannot be interpreted as an integer",
    ),
    (
        (),
        dict(major=1, minor=-1, patch=3),
        OverflowError,
        "out of range integral type conversion attempted",
    ),
    (
        (),
        dict(major=1, minor=2, patch=MAX_U32 + 1),
        OverflowError,
        "out of range integral type conversion attempted",
    ),
    ((), dict(major=1, minor=2, patch=3, rc="a"), TypeError, "Can't extract `str` to `Vec`"),
    (
        (),
        dict(major=1, minor=2, patch=3, meta=[1]),
        TypeError,
        "'int' object cannot be converted to 'PyString'",
    ),
    (
        (),
        dict(major=1, minor=2, patch=3, rc={}),
        TypeError,
        "'dict' object cannot be converted to 'Sequence'",
    ),
    ((), {}, ValueError, "SemVer() requires arguments"),
    (("1.2.3", "4.5.6"), {}, ValueError, "SemVer() takes 1 positional argument but 2 were given"),
    ((1,), {}, TypeError, "Cannot construct SemVer from type 'int'"),
    (([1, 2, 3],), {}, TypeError, "Cannot construct SemVer from type 'list'"),
    ((DotSeparated("1.2"),), {}, TypeError, "Cannot construct SemVer from type 'DotSeparated'"),
    (
        (Version("1.2"),),
        {},
        TypeError,
        'Expected SemVer; found Version::DotSeparated { parts: ["1", "2"] }',
    ),
    (("1.2.x",), {}, RuntimeError, None),
]


@pytest.mark.parametrize("args, kwargs, exception, message", FAILURES)
def test_constructor_failures(args, kwargs, exception, message):
    assert_raises_exactly(exception, message, SemVer, *args, **kwargs)


def test_copies_are_deep():
    source = SemVer("1.2.3-rc.1")
    copy = SemVer(source)
    assert copy == source and copy is not source
    copy.rc = ["x"]
    assert source.rc == ["rc", "1"]
    listed = source.rc
    listed.append("more")
    assert source.rc == ["rc", "1"]


def test_copy_out_of_version():
    wrapped = Version("1.2.3-alpha")
    assert SemVer(wrapped) == SemVer("1.2.3-alpha")


@pytest.mark.parametrize(
    "name, value, expected",
    [
        ("major", 7, 7),
        ("minor", True, 1),
        ("patch", MAX_U32, MAX_U32),
        ("rc", None, None),
        ("rc", ("a", "b"), ["a", "b"]),
        ("rc", [], []),
        ("meta", ["x.y", ""], ["x.y", ""]),
    ],
)
def test_setters(name, value, expected):
    v = SemVer("1.2.3-rc+m")
    setattr(v, name, value)
    assert getattr(v, name) == expected


@pytest.mark.parametrize(
    "name, value, exception, message",
    [
        (
            "major",
            "1",
            TypeError,
            "argument 'new_major': 'str' object cannot be interpreted as an integer",
        ),
        (
            "minor",
            1.5,
            TypeError,
            "argument 'new_minor': 'float' object cannot be interpreted as an integer",
        ),
        ("patch", -1, OverflowError, "out of range integral type conversion attempted"),
        ("major", 2**70, OverflowError, None),
        ("rc", "a", TypeError, "argument 'new_rc': Can't extract `str` to `Vec`"),
        (
            "meta",
            5,
            TypeError,
            "argument 'new_meta': 'int' object cannot be converted to 'Sequence'",
        ),
        (
            "rc",
            [None],
            TypeError,
            "argument 'new_rc': 'NoneType' object cannot be converted to 'PyString'",
        ),
    ],
)
def test_setter_failures_leave_the_instance_unchanged(name, value, exception, message):
    v = SemVer("1.2.3-rc+m")
    before = repr(v)
    with pytest.raises(exception) as info:
        setattr(v, name, value)
    assert type(info.value) is exception
    if message is not None:
        assert str(info.value) == message
    else:
        assert "out of range integral" not in str(info.value)
    assert repr(v) == before


@pytest.mark.parametrize("name", ["major", "minor", "patch", "rc", "meta"])
def test_properties_cannot_be_deleted(name):
    v = SemVer("1.2.3")
    with pytest.raises(AttributeError, match=r"^can't delete attribute$"):
        delattr(v, name)


@pytest.mark.parametrize(
    "smaller, larger",
    [
        ("1.2.3", "1.2.4"),
        ("1.9.0", "1.10.0"),
        ("1.2.3-rc1", "1.2.3"),
        ("1.2.3-alpha", "1.2.3-alpha.1"),
        ("1.2.3-alpha.1", "1.2.3-beta"),
        ("1.2.3-rc.10", "1.2.3-rc.9"),
        ("1.2.3-RC1", "1.2.3-rc1"),
        ("0.0.0", f"{MAX_U32}.0.0"),
    ],
)
def test_order(smaller, larger):
    a, b = SemVer(smaller), SemVer(larger)
    assert a < b and a <= b and b > a and b >= a and a != b
    assert not (a == b or a > b or b < a)


def test_meta_is_ignored():
    a, b = SemVer("1.2.3+a"), SemVer("1.2.3+b")
    assert a == b and a <= b and a >= b and not a < b


def test_empty_rc_sorts_below_absent_and_one_empty_text():
    empty = SemVer(major=1, minor=2, patch=3, rc=[])
    assert empty < SemVer("1.2.3")
    assert empty < SemVer(major=1, minor=2, patch=3, rc=[""])


def test_foreign_operands():
    v = SemVer("1.2.3")
    assert v != "1.2.3" and not v == "1.2.3"
    assert v != Version("1.2.3")
    for other in (1, "1.2.3", Version("1.2.3")):
        with pytest.raises(TypeError):
            _ = v < other


def test_failed_parse_raises_report():
    with pytest.raises(RuntimeError) as info:
        SemVer("1.2")
    assert re.search(r"kolvi::package::version::semver::SemVer:1:4", str(info.value))
