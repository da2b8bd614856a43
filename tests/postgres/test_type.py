"""kolvi_version's text and binary forms, the functions on text, their errors and NULLs, and the
functions' catalog properties, each against the Python classes on the same strings."""

import psycopg
import pytest

from conftest import (
    CLASS_OF_KIND,
    EDGE_STRINGS,
    V,
    connect,
    kind_of,
    parsed,
    python_report,
    values,
)

VALID = [text for text in EDGE_STRINGS if parsed(text) is not None]
INVALID = [text for text in EDGE_STRINGS if parsed(text) is None]
KINDS = list(CLASS_OF_KIND)


def test_the_edge_strings_hold_every_kind_and_invalid_ones():
    assert {kind_of(V.Version(text)) for text in VALID} == {"semver", "dot-separated", "other"}
    assert len(INVALID) >= 5


@pytest.mark.parametrize("text", VALID)
def test_input_gives_the_display_form_and_kind_python_gives(db, text):
    version = V.Version(text)
    row = db.execute(
        "SELECT v::text, kolvi_kind(v), v = %(t)s::text::kolvi_version,"
        " kolvi_key(v::text) = kolvi_key(%(t)s::text) FROM (SELECT %(t)s::kolvi_version AS v) s",
        {"t": text},
    ).fetchone()
    assert row == (str(version), kind_of(version), True, True)


@pytest.mark.parametrize("kind", KINDS)
def test_is_valid_and_report_agree_with_the_class_of_each_kind(db, kind):
    for text in EDGE_STRINGS:
        valid, report = db.execute(
            "SELECT kolvi_is_valid(%s::text, %s), kolvi_report(%s::text, %s)",
            (text, kind, text, kind),
        ).fetchone()
        expected_valid = parsed(text, kind) is not None
        assert valid == expected_valid, text
        assert report == (None if expected_valid else python_report(text, kind)), text


# The key of 1.2.3 in format 1: the format byte, the rank of SemVer in a Version only, the three
# numbers, and "no pre-release"; the rest is the version layer's golden test's business.
@pytest.mark.parametrize(("kind", "key"), [("version", "010001020301"), ("semver", "0101020301")])
def test_the_key_of_a_kind_has_no_rank_and_of_a_version_has_one(db, kind, key):
    assert values(db, "SELECT kolvi_key('1.2.3', %s)", (kind,)) == [bytes.fromhex(key)]


def test_keys_order_and_equal_like_the_values(db):
    texts = VALID
    rows = db.execute(
        "SELECT a, b, kolvi_key(a) < kolvi_key(b), kolvi_key(a) = kolvi_key(b)"
        " FROM unnest(%s::text[]) a, unnest(%s::text[]) b",
        (texts, texts),
    ).fetchall()
    for a, b, less, equal in rows:
        assert (less, equal) == (V.Version(a) < V.Version(b), V.Version(a) == V.Version(b)), (a, b)


@pytest.mark.parametrize("text", INVALID)
def test_invalid_input_raises_22p02_with_the_report_as_detail(db, text):
    with pytest.raises(psycopg.errors.InvalidTextRepresentation) as raised:
        db.execute("SELECT %s::text::kolvi_version", (text,))
    diag = raised.value.diag
    assert diag.sqlstate == "22P02"
    assert diag.message_primary == f'invalid input syntax for type kolvi_version: "{text}"'
    assert diag.message_detail == python_report(text).removesuffix("\n")


@pytest.mark.parametrize("kind", ["semver", "dot-separated", "other"])
def test_a_key_of_an_invalid_text_names_the_kind(db, kind):
    text = next(t for t in EDGE_STRINGS if parsed(t, kind) is None)
    with pytest.raises(psycopg.errors.InvalidTextRepresentation) as raised:
        db.execute("SELECT kolvi_key(%s::text, %s)", (text, kind))
    diag = raised.value.diag
    assert diag.message_primary == f'invalid input syntax for kolvi kind {kind}: "{text}"'
    assert diag.message_detail == python_report(text, kind).removesuffix("\n")


@pytest.mark.parametrize(
    "call", ["kolvi_key('1.2.3', %s)", "kolvi_is_valid('1.2.3', %s)", "kolvi_report('1', %s)"]
)
def test_an_unknown_kind_is_an_error_naming_the_kinds(db, call):
    with pytest.raises(psycopg.errors.InvalidParameterValue) as raised:
        db.execute(f"SELECT {call}", ("SemVer",))
    assert raised.value.diag.message_primary == 'unknown kolvi kind "SemVer"'
    assert raised.value.diag.message_hint == "The kinds are version, semver, dot-separated, other."


def test_invalid_rows_of_an_insert_and_a_copy_fail_the_statement(db):
    db.execute("CREATE TEMP TABLE t (v kolvi_version)")
    with pytest.raises(psycopg.errors.InvalidTextRepresentation):
        db.execute("INSERT INTO t SELECT unnest(%s::text[])", (["1.2.3", "1:2.3-4"],))
    with pytest.raises(psycopg.errors.InvalidTextRepresentation) as raised:
        with db.cursor().copy("COPY t FROM STDIN") as copy:
            copy.write("1.2.3\n1.2.x.\n")
    assert "kolvi_version" in raised.value.diag.message_primary
    assert values(db, "SELECT count(*) FROM t") == [0]


NULL_CALLS = [
    "kolvi_key(NULL)", "kolvi_key('1.2.3', NULL)", "kolvi_is_valid(NULL)",
    "kolvi_is_valid('x', NULL)", "kolvi_report(NULL, 'semver')", "kolvi_kind(NULL)",
    "NULL::kolvi_version::text", "NULL::text::kolvi_version", "NULL::kolvi_version < '1'",
    "'1'::kolvi_version = NULL", "kolvi_version_cmp(NULL, '1')",
]  # fmt: skip


@pytest.mark.parametrize("call", NULL_CALLS)
def test_null_arguments_give_null(db, call):
    assert values(db, f"SELECT {call}") == [None]


def test_nulls_sort_last_or_first_and_aggregates_skip_them(db):
    rows = ["2.0.0", None, "1.0.0", None, "1.10"]
    select = "SELECT v::text AS shown FROM unnest(%s::kolvi_version[]) v ORDER BY v"
    assert values(db, select, (rows,)) == ["1.0.0", "2.0.0", "1.10", None, None]
    assert values(db, select + " DESC", (rows,)) == [None, None, "1.10", "2.0.0", "1.0.0"]
    assert values(db, select + " NULLS FIRST", (rows,))[:3] == [None, None, "1.0.0"]
    aggregates = "SELECT min(v)::text, max(v)::text, count(v) FROM unnest(%s::kolvi_version[]) v"
    assert db.execute(aggregates, (rows,)).fetchone() == ("1.0.0", "1.10", 3)
    assert db.execute(aggregates, ([None],)).fetchone() == (None, None, 0)


def test_the_binary_form_round_trips_through_copy(db):
    texts = VALID
    db.execute("CREATE TEMP TABLE source (v kolvi_version); CREATE TEMP TABLE target (LIKE source)")
    db.execute("INSERT INTO source SELECT unnest(%s::text[])", (texts,))
    cursor = db.cursor()
    with cursor.copy("COPY source TO STDOUT (FORMAT binary)") as copy:
        data = b"".join(bytes(block) for block in copy)
    with cursor.copy("COPY target FROM STDIN (FORMAT binary)") as copy:
        copy.write(data)
    query = "SELECT v::text AS shown, kolvi_key(v::text) FROM {} ORDER BY v, shown"
    assert (
        db.execute(query.format("target")).fetchall()
        == db.execute(query.format("source")).fetchall()
    )


def test_every_function_is_immutable_strict_and_parallel_safe(db):
    rows = db.execute(
        "SELECT p.oid::regprocedure::text, p.prokind, p.provolatile, p.proisstrict,"
        " p.proparallel FROM pg_proc p JOIN pg_depend d ON d.objid = p.oid"
        " JOIN pg_extension e ON d.refobjid = e.oid WHERE e.extname = 'kolvi'"
    ).fetchall()
    assert len(rows) >= 20
    for name, kind, volatility, strict, parallel in rows:
        assert (volatility, parallel) == ("i", "s"), name
        assert strict or kind == "a", name  # an aggregate's strictness is its step's


def test_a_database_that_is_not_utf8_is_refused():
    with connect("postgres") as admin:
        admin.execute("DROP DATABASE IF EXISTS kolvi_latin1")
        admin.execute(
            "CREATE DATABASE kolvi_latin1 ENCODING 'LATIN1' LC_COLLATE 'C' LC_CTYPE 'C'"
            " TEMPLATE template0"
        )
    with connect("kolvi_latin1") as conn, pytest.raises(psycopg.errors.RaiseException) as raised:
        conn.execute("CREATE EXTENSION kolvi")
    assert raised.value.diag.message_primary == (
        "kolvi needs a database whose encoding is UTF8, not LATIN1"
    )


def test_hash_partitions_keep_equal_versions_together(db):
    db.execute("CREATE TEMP TABLE parts (v kolvi_version) PARTITION BY HASH (v)")
    for remainder in range(4):
        db.execute(
            f"CREATE TEMP TABLE parts_{remainder} PARTITION OF parts"
            f" FOR VALUES WITH (MODULUS 4, REMAINDER {remainder})"
        )
    equal = ["1.0.0+a", "1.0.0+b", "1.0.0", "v1.0.0"]
    db.execute("INSERT INTO parts SELECT unnest(%s::text[])", (equal + ["2.0", "x", "3.0.0"],))
    rows = db.execute(
        "SELECT tableoid::regclass::text, count(*) FROM parts WHERE v = '1.0.0' GROUP BY 1"
    ).fetchall()
    assert [count for _, count in rows] == [len(equal)]
