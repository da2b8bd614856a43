"""DotSeparated: constructor forms, the parts property, comparisons and failure messages."""

import kolvi
import pytest

from support import assert_raises_exactly

DotSeparated = kolvi.package.version.DotSeparated
Other = kolvi.package.version.Other
Version = kolvi.package.version.Version


@pytest.mark.parametrize(
    "make, parts, display, debug",
    [
        (lambda: DotSeparated("1.2"), ["1", "2"], "1.2", 'DotSeparated { parts: ["1", "2"] }'),
        (
            lambda: DotSeparated(parts=["1", "2"]),
            ["1", "2"],
            "1.2",
            'DotSeparated { parts: ["1", "2"] }',
        ),
        (lambda: DotSeparated(parts=[]), [], "", "DotSeparated { parts: [] }"),
        (
            lambda: DotSeparated(parts=("1.2", "")),
            ["1.2", ""],
            "1.2.",
            'DotSeparated { parts: ["1.2", ""] }',
        ),
        (
            lambda: DotSeparated(Version("1.2")),
            ["1", "2"],
            "1.2",
            'DotSeparated { parts: ["1", "2"] }',
        ),
    ],
)
def test_construction(make, parts, display, debug):
    v = make()
    assert v.parts == parts
    assert str(v) == display
    assert repr(v) == debug


FAILURES = [
    (("1.2",), dict(parts=["1"]), TypeError, "Constructor expects *args or **kwargs, but not both"),
    ((), dict(name="x"), ValueError, "invalid input to argument 'parts'"),
    (
        (),
        dict(parts=["1"], extra=1),
        ValueError,
        "'extra' is an invalid keyword argument for DotSeparated()",
    ),
    (
        (),
        dict(extra=1, parts=["1"]),
        ValueError,
        "'extra' is an invalid keyword argument for DotSeparated()",
    ),
    ((), dict(parts="1.2"), TypeError, "Can't extract `str` to `Vec`"),
    ((), dict(parts=[1, 2]), TypeError, "'int' object cannot be converted to 'PyString'"),
    ((), dict(parts=None), TypeError, "'NoneType' object cannot be converted to 'Sequence'"),
    ((), {}, ValueError, "DotSeparated() requires arguments"),
    (
        ("1", "2", "3"),
        {},
        ValueError,
        "DotSeparated() takes 1 positional argument but 3 were given",
    ),
    ((1.5,), {}, TypeError, "Cannot construct DotSeparated from type 'float'"),
    ((Other("x"),), {}, TypeError, "Cannot construct DotSeparated from type 'Other'"),
    (
        (Version("1.2.3"),),
        {},
        TypeError,
        "Expected DotSeparated; found Version::SemVer { major: 1, minor: 2, patch: 3, rc: None, meta: None }",
    ),
]


@pytest.mark.parametrize("args, kwargs, exception, message", FAILURES)
def test_constructor_failures(args, kwargs, exception, message):
    assert_raises_exactly(exception, message, DotSeparated, *args, **kwargs)


def test_setter_replaces_the_whole_list_and_getter_copies():
    v = DotSeparated("1.2")
    v.parts = ("a", "b")
    assert v.parts == ["a", "b"]
    got = v.parts
    got.append("c")
    assert v.parts == ["a", "b"]
    copy = DotSeparated(v)
    copy.parts = ["z"]
    assert v.parts == ["a", "b"]


@pytest.mark.parametrize(
    "value, exception, message",
    [
        (
            None,
            TypeError,
            "argument 'new_parts': 'NoneType' object cannot be converted to 'Sequence'",
        ),
        ("a.b", TypeError, "argument 'new_parts': Can't extract `str` to `Vec`"),
        (
            [b"a"],
            TypeError,
            "argument 'new_parts': 'bytes' object cannot be converted to 'PyString'",
        ),
    ],
)
def test_setter_failures(value, exception, message):
    v = DotSeparated("1.2")
    with pytest.raises(exception) as info:
        v.parts = value
    assert str(info.value) == message
    assert v.parts == ["1", "2"]


def test_parts_cannot_be_deleted():
    with pytest.raises(AttributeError, match=r"^can't delete attribute$"):
        del DotSeparated("1").parts


@pytest.mark.parametrize(
    "smaller, larger",
    [
        (["1", "10"], ["1", "9"]),
        (["1", "2"], ["1", "2", "0"]),
        ([], [""]),
        ([], ["0"]),
        (["Z"], ["a"]),
        (["z"], ["é"]),
    ],
)
def test_order_is_textual(smaller, larger):
    a, b = DotSeparated(parts=smaller), DotSeparated(parts=larger)
    assert a < b and b > a and a != b and a <= b and b >= a


def test_not_equal_to_a_version_holding_the_same_value():
    assert DotSeparated("1.2") != Version("1.2")
    assert DotSeparated("1.2") == DotSeparated(parts=["1", "2"])
