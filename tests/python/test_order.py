"""Comparisons of values built from any texts, and comparisons after a setter replaced a field.

Instances keep a key of their value for comparing; these tests hold it to the pure-Python order
of support.reference_key, also where keys are cut short or a setter has just made one stale.
"""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from support import V, assert_compares_like_reference, reference_key

# Bytes around the symbols a key gives special places: zero, control, '.', '~', DEL, outside ASCII.
ALPHABET = "\x00\x01\x1f -.09AZaz~\x7f\xe9\u3000\U0001f600"
LONG = "aaaaaaaaaaaaaaaa"  # shared by enough values to cut their keys short
TEXT = st.one_of(
    st.text(alphabet=ALPHABET, max_size=4),
    st.builds(lambda tail: LONG + tail, st.text(alphabet=ALPHABET, max_size=2)),
)
TEXTS = st.lists(TEXT, max_size=3)
NUMBER = st.sampled_from([0, 1, 2, 4294967295])

SEMVER = st.builds(
    V.SemVer, major=NUMBER, minor=NUMBER, patch=NUMBER, rc=st.none() | TEXTS, meta=st.none() | TEXTS
)
DOTTED = st.builds(V.DotSeparated, parts=TEXTS)
OTHER = st.builds(V.Other, value=TEXT)
ANY_KIND = st.one_of(SEMVER, DOTTED, OTHER)


@settings(max_examples=300, deadline=None)
@given(kind=st.sampled_from([SEMVER, DOTTED, OTHER]), data=st.data())
def test_built_values_of_one_kind_compare_like_the_reference(kind, data):
    a, b = data.draw(kind), data.draw(kind)
    assert_compares_like_reference(a, b)
    assert_compares_like_reference(a, a)
    assert_compares_like_reference(V.Version(a), V.Version(b))


@settings(max_examples=100, deadline=None)
@given(values=st.lists(ANY_KIND, max_size=30))
def test_sorting_wrapped_built_values_follows_the_reference(values):
    wrapped = [V.Version(value) for value in values]
    assert [reference_key(v) for v in sorted(wrapped)] == sorted(map(reference_key, wrapped))


# A comparison first, then a setter on one side, then the comparisons again; the instances are
# parsed from the texts.
SETTER_CASES = [
    ("patch past the other", V.SemVer, "1.2.3", "1.2.4", "left", "patch", 5),
    ("major of the right side", V.SemVer, "1.2.3", "1.2.4", "right", "major", 0),
    ("rc dropped", V.SemVer, "1.2.3-rc.1", "1.2.3", "left", "rc", None),
    ("rc emptied", V.SemVer, "1.2.3", "1.2.3-", "left", "rc", []),
    ("meta only", V.SemVer, "1.2.3+a", "1.2.3", "left", "meta", ["b"]),
    (
        "long rc, cut keys",
        V.SemVer,
        f"1.2.3-{LONG}.2",
        f"1.2.3-{LONG}.1",
        "left",
        "rc",
        [LONG, "0"],
    ),
    ("parts", V.DotSeparated, "1.2", "1.3", "left", "parts", ["1", "4"]),
    ("one empty part", V.DotSeparated, "", "", "left", "parts", [""]),
    ("value", V.Other, "a", "b", "right", "value", "\x00"),
    ("long value, cut keys", V.Other, LONG + "b", LONG + "c", "left", "value", LONG + "d"),
]


@pytest.mark.parametrize(
    "cls, left, right, side, field, new_value",
    [case[1:] for case in SETTER_CASES],
    ids=[case[0] for case in SETTER_CASES],
)
def test_a_setter_makes_comparisons_see_the_new_value(cls, left, right, side, field, new_value):
    left, right = cls(left), cls(right)
    assert_compares_like_reference(left, right)
    before = reference_key(left), reference_key(right)
    target = left if side == "left" else right
    setattr(target, field, new_value)
    assert getattr(target, field) == new_value
    assert_compares_like_reference(left, right)
    if field != "meta":
        assert (reference_key(left), reference_key(right)) != before, "the case changes nothing"
