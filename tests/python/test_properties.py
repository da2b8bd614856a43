"""Property tests: round trips, order against a pure-Python key, and arbitrary objects."""

from hypothesis import assume, given, settings
from hypothesis import strategies as st

from support import CLASSES, V, assert_compares_like_reference

IDENTIFIER = st.text(alphabet="0123456789abcxyzABCXYZ-", min_size=1, max_size=6)
DOT_LIST = st.lists(IDENTIFIER, max_size=4)
NUMBER = st.integers(min_value=0, max_value=4294967295)


@st.composite
def semver_texts(draw):
    text = ".".join(str(draw(NUMBER)) for _ in range(3))
    if draw(st.booleans()):
        text += "-" + ".".join(draw(DOT_LIST))
    if draw(st.booleans()):
        text += "+" + ".".join(draw(DOT_LIST))
    return text


VERSIONISH = st.one_of(
    semver_texts(),
    st.text(alphabet="0123456789.-+_abé ", max_size=16),
)


def parse_or_none(cls, text):
    try:
        return cls(text)
    except RuntimeError:
        return None


@settings(max_examples=200, deadline=None)
@given(text=VERSIONISH, cls=st.sampled_from(CLASSES))
def test_display_form_parses_back_to_an_equal_value(text, cls):
    value = parse_or_none(cls, text)
    assume(value is not None)
    again = cls(str(value))
    assert again == value
    assert str(again) == str(value)


@settings(max_examples=200, deadline=None)
@given(a=semver_texts(), b=semver_texts())
def test_semver_order_matches_a_pure_python_key(a, b):
    assert_compares_like_reference(V.SemVer(a), V.SemVer(b))


ANYTHING = st.recursive(
    st.one_of(
        st.none(),
        st.booleans(),
        st.integers(),
        st.floats(allow_nan=True),
        st.text(max_size=8),
        st.binary(max_size=8),
        st.sampled_from([object(), type, len, V.SemVer("1.2.3"), V.Version("1.2"), V.Other("x")]),
    ),
    lambda children: st.one_of(
        st.lists(children, max_size=3),
        st.tuples(children, children),
        st.dictionaries(st.text(max_size=4), children, max_size=3),
        st.frozensets(st.integers(), max_size=3),
    ),
    max_leaves=6,
)


@settings(max_examples=200, deadline=None)
@given(
    cls=st.sampled_from(CLASSES),
    args=st.lists(ANYTHING, max_size=2),
    kwargs=st.dictionaries(
        st.sampled_from(["major", "minor", "patch", "rc", "meta", "parts", "value", "x"]),
        ANYTHING,
        max_size=4,
    ),
)
def test_arbitrary_constructor_arguments_raise_cleanly(cls, args, kwargs):
    try:
        value = cls(*args, **kwargs)
    except (TypeError, ValueError, OverflowError, RuntimeError, UnicodeEncodeError):
        return
    assert isinstance(str(value), str) and isinstance(repr(value), str)


SETTABLE = [
    (lambda: V.SemVer("1.2.3-rc.1+m"), ["major", "minor", "patch", "rc", "meta"]),
    (lambda: V.DotSeparated("1.2"), ["parts"]),
    (lambda: V.Other("main"), ["value"]),
]


@settings(max_examples=200, deadline=None)
@given(target=st.sampled_from(SETTABLE), data=st.data(), new_value=ANYTHING)
def test_failed_setters_leave_the_instance_unchanged(target, data, new_value):
    make, names = target
    instance = make()
    name = data.draw(st.sampled_from(names))
    before = repr(instance)
    try:
        setattr(instance, name, new_value)
    except (TypeError, OverflowError, UnicodeEncodeError):
        assert repr(instance) == before
    else:
        got = getattr(instance, name)
        if isinstance(new_value, (list, tuple, bytes)):  # any non-str sequence becomes a list
            assert got == list(new_value)
        elif new_value is None:
            assert got is None
        else:
            assert got == new_value
