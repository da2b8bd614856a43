"""Other: constructor forms, the value property, comparisons and failure messages."""

import kolvi
import pytest

from support import assert_raises_exactly

Other = kolvi.package.version.Other
SemVer = kolvi.package.version.SemVer
Version = kolvi.package.version.Version


@pytest.mark.parametrize(
    "make, value, debug",
    [
        (lambda: Other("main"), "main", 'Other { value: "main" }'),
        (lambda: Other(value="main"), "main", 'Other { value: "main" }'),
        (lambda: Other(value=""), "", 'Other { value: "" }'),
        (lambda: Other(value='a"\nb'), 'a"\nb', 'Other { value: "a\\"\\nb" }'),
        (
            lambda: Other(value="it's\t\u0301é"),
            "it's\t\u0301é",
            'Other { value: "it\'s\\t\\u{301}é" }',
        ),
    ],
)
def test_construction(make, value, debug):
    v = make()
    assert v.value == value
    assert str(v) == value
    assert repr(v) == debug


def test_copy_out_of_a_version_of_kind_other():
    wrapped = Version("a_b")
    assert repr(wrapped).startswith("Version::Other")
    assert Other(wrapped).value == "a_b"


FAILURES = [
    (("main",), dict(value="x"), TypeError, "Constructor expects *args or **kwargs, but not both"),
    ((), dict(name="x"), ValueError, "invalid input to argument 'value'"),
    (
        (),
        dict(name="x", value="main"),
        ValueError,
        "'name' is an invalid keyword argument for Other()",
    ),
    ((), dict(value=5), TypeError, "'int' object cannot be converted to 'PyString'"),
    ((), dict(value=None), TypeError, "'NoneType' object cannot be converted to 'PyString'"),
    ((), {}, ValueError, "Other() requires arguments"),
    (("a", "b"), {}, ValueError, "Other() takes 1 positional argument but 2 were given"),
    (([],), {}, TypeError, "Cannot construct Other from type 'list'"),
    ((SemVer("1.2.3"),), {}, TypeError, "Cannot construct Other from type 'SemVer'"),
]


@pytest.mark.parametrize("args, kwargs, exception, message", FAILURES)
def test_constructor_failures(args, kwargs, exception, message):
    assert_raises_exactly(exception, message, Other, *args, **kwargs)


def test_version_of_another_kind_is_refused():
    with pytest.raises(TypeError) as info:
        Other(Version("1.2.3"))
    assert str(info.value).startswith("Expected Other; found Version::SemVer {")


def test_setter():
    v = Other("main")
    v.value = "next"
    assert v.value == "next"
    v.value = "not a version at all!"
    assert str(v) == "not a version at all!"
    with pytest.raises(TypeError) as info:
        v.value = None
    assert (
        str(info.value)
        == "argument 'new_value': 'NoneType' object cannot be converted to 'PyString'"
    )
    with pytest.raises(AttributeError, match=r"^can't delete attribute$"):
        del v.value
    assert v.value == "not a version at all!"


@pytest.mark.parametrize(
    "smaller, larger", [("alpha", "beta"), ("ab", "abc"), ("", "a"), ("abc", "abd")]
)
def test_order(smaller, larger):
    assert Other(value=smaller) < Other(value=larger)
    assert Other(value=larger) >= Other(value=smaller)
    assert Other(value=smaller) == Other(value=smaller)
