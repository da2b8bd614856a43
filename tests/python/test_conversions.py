"""Argument conversions and their messages, reached through constructors and setters."""

import pytest

from support import CLASSES, Index, ListSub, RaisingIndex, Seq, StrSub, V

# Unsigned 32-bit integers, through SemVer.major (setter) and the keyword form.
U32_ACCEPTED = [(0, 0), (True, 1), (False, 0), (4294967295, 4294967295), (Index(7), 7)]
U32_REJECTED = [
    (-1, OverflowError, "out of range integral type conversion attempted"),
    (4294967296, OverflowError, "out of range integral type conversion attempted"),
    (-(2**40), OverflowError, "out of range integral type conversion attempted"),
    (2**70, OverflowError, "Python int too large to convert to C long"),
    (1.5, TypeError, "'float' object cannot be interpreted as an integer"),
    ("1", TypeError, "'str' object cannot be interpreted as an integer"),
    (None, TypeError, "'NoneType' object cannot be interpreted as an integer"),
    (RaisingIndex(LookupError, "no index today"), LookupError, "no index today"),
]


@pytest.mark.parametrize("value, expected", U32_ACCEPTED)
def test_u32_accepted(value, expected):
    assert V.SemVer(major=value, minor=0, patch=0).major == expected
    v = V.SemVer("0.0.0")
    v.minor = value
    assert v.minor == expected


@pytest.mark.parametrize("value, exception, message", U32_REJECTED)
def test_u32_rejected_in_keywords_without_prefix(value, exception, message):
    with pytest.raises(exception) as info:
        V.SemVer(major=value, minor=0, patch=0)
    assert type(info.value) is exception
    assert str(info.value) == message


@pytest.mark.parametrize("value, exception, message", U32_REJECTED)
def test_u32_rejected_in_setters_prefixes_only_type_errors(value, exception, message):
    v = V.SemVer("1.2.3")
    with pytest.raises(exception) as info:
        v.patch = value
    assert type(info.value) is exception
    prefix = "argument 'new_patch': " if exception is TypeError else ""
    assert str(info.value) == prefix + message
    assert v.patch == 3


# Lists of texts, through DotSeparated.parts.
LIST_ACCEPTED = [
    (["a", "b"], ["a", "b"]),
    (("a", "b"), ["a", "b"]),
    (ListSub(["a"]), ["a"]),
    ([StrSub("x")], ["x"]),
    (Seq(["p", "q"]), ["p", "q"]),
    ([], []),
    (["é", "\u0301", ""], ["é", "\u0301", ""]),
]
LIST_REJECTED = [
    ("a.b", "Can't extract `str` to `Vec`"),
    (StrSub("a"), "Can't extract `str` to `Vec`"),
    ({"a": 1}, "'dict' object cannot be converted to 'Sequence'"),
    ({"a"}, "'set' object cannot be converted to 'Sequence'"),
    (None, "'NoneType' object cannot be converted to 'Sequence'"),
    (5, "'int' object cannot be converted to 'Sequence'"),
    (["a", 1], "'int' object cannot be converted to 'PyString'"),
    (b"ab", "'int' object cannot be converted to 'PyString'"),
    ([b"a"], "'bytes' object cannot be converted to 'PyString'"),
    ([Index(1)], "'Index' object cannot be converted to 'PyString'"),
]


@pytest.mark.parametrize("value, expected", LIST_ACCEPTED)
def test_list_accepted(value, expected):
    assert V.DotSeparated(parts=value).parts == expected
    v = V.SemVer("1.2.3")
    v.rc = value
    assert v.rc == expected


def test_optional_list_accepts_none():
    v = V.SemVer("1.2.3-rc+m")
    v.rc = None
    v.meta = None
    assert (v.rc, v.meta) == (None, None)
    assert str(v) == "1.2.3"


TEXT_REJECTED = [
    (5, "'int' object cannot be converted to 'PyString'"),
    (b"x", "'bytes' object cannot be converted to 'PyString'"),
    (["x"], "'list' object cannot be converted to 'PyString'"),
]


# (class, field, a text that parses): each rejected value fails the keyword and the setter alike,
# and a failed setter leaves the field as it was.
@pytest.mark.parametrize(
    "cls, field, initial, value, message",
    [(V.DotSeparated, "parts", "1", value, message) for value, message in LIST_REJECTED]
    + [(V.Other, "value", "x", value, message) for value, message in TEXT_REJECTED],
)
def test_conversion_rejected(cls, field, initial, value, message):
    with pytest.raises(TypeError) as info:
        cls(**{field: value})
    assert str(info.value) == message
    v = cls(initial)
    with pytest.raises(TypeError) as info:
        setattr(v, field, value)
    assert str(info.value) == f"argument 'new_{field}': " + message
    assert getattr(v, field) == getattr(cls(initial), field)


def test_text_subclass_accepted():
    assert V.Other(value=StrSub("abc")).value == "abc"
    assert type(V.Other(value=StrSub("abc")).value) is str


@pytest.mark.parametrize(
    "cls, text, display",
    [(V.SemVer, "1.2.3", "1.2.3"), (V.Version, "1.2", "1.2"), (V.Other, "a_b", "a_b")],
)
def test_str_subclass_is_parsed(cls, text, display):
    assert str(cls(StrSub(text))) == display


# A positional argument is a text or an instance; sequences and bytes are neither.
@pytest.mark.parametrize(
    "cls, value", [*((cls, ListSub(["1"])) for cls in CLASSES), (V.SemVer, b"1.2.3")]
)
def test_foreign_type_is_not_a_version_source(cls, value):
    with pytest.raises(
        TypeError, match=f"^Cannot construct {cls.__name__} from type '{type(value).__name__}'$"
    ):
        cls(value)


def test_remapped_error_keeps_the_cause():
    class Cause(Exception):
        pass

    class Bad:
        def __index__(self):
            try:
                raise Cause("root")
            except Cause as root:
                raise TypeError("bad index") from root

    v = V.SemVer("1.2.3")
    with pytest.raises(TypeError) as info:
        v.major = Bad()
    assert str(info.value) == "argument 'new_major': bad index"
    assert isinstance(info.value.__cause__, Cause)


def test_type_error_subclass_is_not_remapped():
    class Special(TypeError):
        pass

    class Bad:
        def __index__(self):
            raise Special("special")

    v = V.SemVer("1.2.3")
    with pytest.raises(Special, match="^special$"):
        v.major = Bad()


def test_qualname_is_used_in_messages():
    class Outer:
        class Inner:
            pass

    with pytest.raises(TypeError) as info:
        V.Other(value=Outer.Inner())
    assert str(info.value) == (
        "'test_qualname_is_used_in_messages.<locals>.Outer.Inner' object cannot be converted to 'PyString'"
    )
