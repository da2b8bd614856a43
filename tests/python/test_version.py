"""Version: parsing any kind, wrapping kind instances and ordering by kind rank first."""

import kolvi
import pytest

from support import assert_raises_exactly

DotSeparated = kolvi.package.version.DotSeparated
Other = kolvi.package.version.Other
SemVer = kolvi.package.version.SemVer
Version = kolvi.package.version.Version


@pytest.mark.parametrize(
    "text, kind",
    [("1.2.3", "SemVer"), ("1.2.3-rc.1+b", "SemVer"), ("1.2", "DotSeparated"), ("a_b", "Other")],
)
def test_parse_picks_the_kind(text, kind):
    v = Version(text)
    assert repr(v).startswith(f"Version::{kind} {{")
    assert str(v) == text


@pytest.mark.parametrize(
    "source",
    [SemVer("1.2.3-rc.1"), DotSeparated("1.2"), Other(value="x y"), Version("4.5.6")],
)
def test_wraps_a_copy_of_any_instance(source):
    wrapped = Version(source)
    assert str(wrapped) == str(source)
    assert wrapped is not source
    assert repr(wrapped) == (
        repr(source) if type(source) is Version else "Version::" + repr(source)
    )


def test_wrapped_value_does_not_follow_its_source():
    source = SemVer("1.2.3")
    wrapped = Version(source)
    source.major = 9
    assert str(wrapped) == "1.2.3"
    again = Version(wrapped)
    assert again == wrapped and again is not wrapped


@pytest.mark.parametrize(
    "args, kwargs, exception, message",
    [
        ((), dict(x=1), TypeError, "Version.__new__() got an unexpected keyword argument 'x'"),
        (
            ("1.2.3",),
            dict(x=1),
            TypeError,
            "Version.__new__() got an unexpected keyword argument 'x'",
        ),
        (
            (1, 2),
            dict(y=1, x=1),
            TypeError,
            "Version.__new__() got an unexpected keyword argument 'y'",
        ),
        ((), {}, ValueError, "Version() requires arguments"),
        (
            ("1.2.3", "1.2"),
            {},
            ValueError,
            "Version() takes 1 positional argument but 2 were given",
        ),
        ((1,), {}, TypeError, "Cannot construct Version from type 'int'"),
        ((None,), {}, TypeError, "Cannot construct Version from type 'NoneType'"),
    ],
)
def test_constructor_failures(args, kwargs, exception, message):
    assert_raises_exactly(exception, message, Version, *args, **kwargs)


@pytest.mark.parametrize(
    "smaller, larger",
    [
        ("1.2.3", "1.2"),
        ("99.0.0", "0"),
        ("2024.1", "a_b"),
        ("1.2.3", "1.2.4"),
        ("1.10", "1.9"),
    ],
)
def test_order_by_kind_rank_first(smaller, larger):
    a, b = Version(smaller), Version(larger)
    assert a < b and b > a and a != b


def test_empty_dot_separated_still_sorts_above_every_semver():
    assert Version(SemVer("4294967295.0.0")) < Version(DotSeparated(parts=[]))


def test_same_display_different_kinds_are_unequal():
    assert Version(DotSeparated(parts=["1", "2", "3"])) != Version("1.2.3")
    assert Version("1.2.3+x") == Version("1.2.3")


def test_comparisons_with_foreign_objects():
    v = Version("1.2.3")
    assert v != SemVer("1.2.3")
    with pytest.raises(TypeError):
        _ = v < "1.2.3"
    with pytest.raises(TypeError):
        _ = v >= SemVer("1.2.3")


def test_sorting_a_mixed_list():
    texts = ["main", "1.10", "2.0.0", "1.9", "1.2.3-rc.1", "1.2.3"]
    ordered = [str(v) for v in sorted(Version(t) for t in texts)]
    assert ordered == ["1.2.3-rc.1", "1.2.3", "2.0.0", "1.10", "1.9", "main"]
