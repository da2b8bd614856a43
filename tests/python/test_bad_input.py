"""Hostile input: every case raises a clean Python exception and never crashes."""

import pytest

from support import CLASSES, Boom, ListSub, RaisingIndex, RaisingSequence, StrSub, V


@pytest.mark.parametrize("cls", CLASSES)
def test_lone_surrogate_raises_the_encoding_error(cls):
    with pytest.raises(UnicodeEncodeError):
        cls("1.2.\ud800")


def test_lone_surrogate_in_texts_and_lists():
    with pytest.raises(UnicodeEncodeError):
        V.Other(value="\udfff")
    v = V.DotSeparated("1")
    with pytest.raises(UnicodeEncodeError):
        v.parts = ["ok", "\ud800"]
    assert v.parts == ["1"]


TEN_MB = 10 * 1024 * 1024


@pytest.mark.parametrize("cls", CLASSES)
def test_ten_megabyte_string_failing_at_the_start(cls):
    with pytest.raises(RuntimeError) as info:
        cls("!" + "1" * TEN_MB)
    assert str(info.value).startswith("Error: ")


@pytest.mark.parametrize(
    "cls, text", [(V.SemVer, "1.2.3-" + "a" * TEN_MB), (V.DotSeparated, "x" * TEN_MB), (V.Version, "x" * TEN_MB)]
)
def test_ten_megabyte_string_that_parses(cls, text):
    assert str(cls(text)) == text


def test_ten_megabyte_text_is_kept_exactly():
    huge = "x" * (10 * 1024 * 1024)
    assert V.Other(value=huge).value == huge


@pytest.mark.parametrize(
    "cls, text, display", [(V.SemVer, "1.2.3", "1.2.3"), (V.Version, "1.2", "1.2"), (V.Other, "a_b", "a_b")]
)
def test_str_subclass_is_parsed(cls, text, display):
    assert str(cls(StrSub(text))) == display


@pytest.mark.parametrize("cls", [V.SemVer, V.DotSeparated, V.Other, V.Version])
def test_list_subclass_is_not_a_version_source(cls):
    with pytest.raises(TypeError, match=f"^Cannot construct {cls.__name__} from type 'ListSub'$"):
        cls(ListSub(["1"]))


def test_bytes_as_parts():
    with pytest.raises(TypeError, match=r"^'int' object cannot be converted to 'PyString'$"):
        V.DotSeparated(parts=b"12")
    with pytest.raises(TypeError, match=r"^Cannot construct SemVer from type 'bytes'$"):
        V.SemVer(b"1.2.3")


class RaisingIter(list):
    def __iter__(self):
        yield "a"
        raise Boom("iterating")


@pytest.mark.parametrize("value", [RaisingSequence(), RaisingIter(["a", "b"])])
def test_sequences_raising_midway_pass_the_error_through(value):
    with pytest.raises(Boom):
        V.DotSeparated(parts=value)
    v = V.SemVer("1.2.3-rc")
    with pytest.raises(Boom):
        v.rc = value
    assert v.rc == ["rc"]


class RaisingLen:
    def __len__(self):
        raise Boom("len")

    def __getitem__(self, index):
        if index > 0:
            raise IndexError
        return "only"


def test_failing_len_is_not_consulted():
    assert V.DotSeparated(parts=RaisingLen()).parts == ["only"]


def test_raising_index_passes_through():
    with pytest.raises(Boom):
        V.SemVer(major=RaisingIndex(), minor=0, patch=0)


@pytest.mark.parametrize("text", ["", " ", "\x00", "1.2.3\n", "\t1.2.3", "١.٢.٣", "🙂", "1.2.3-" + "a" * 10000])
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
