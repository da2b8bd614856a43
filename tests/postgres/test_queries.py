"""Queries over a table of the machine's real version strings: ORDER BY against Python's order,
the index, parallel plans, grouping, hashing and joins, the abbreviated keys' heuristic, and a
dump and restore."""

import subprocess

import pytest

from conftest import (
    V,
    assert_in_version_order,
    connect,
    equal_runs,
    kind_of,
    machine_corpus,
    parsed,
    values,
)


@pytest.fixture(scope="module")
def corpus(database):
    """Every string, and the sorted Python values of the valid ones; the table `versions` holds
    the valid ones in the database, `raw` every string."""
    strings = machine_corpus()
    with connect(database) as conn:
        conn.execute("DROP TABLE IF EXISTS raw, versions")
        conn.execute("CREATE TABLE raw (t text)")
        with conn.cursor().copy("COPY raw FROM STDIN") as copy:
            for text in strings:
                copy.write_row((text,))
        conn.execute(
            "CREATE TABLE versions AS SELECT t, t::kolvi_version AS v FROM raw"
            " WHERE kolvi_is_valid(t)"
        )
        conn.execute("CREATE INDEX versions_v ON versions (v)")
        conn.execute("ANALYZE raw, versions")
    valid = sorted(value for value in map(parsed, strings) if value is not None)
    return strings, valid


# The names the text form of EXPLAIN gives an aggregate's strategies.
AGGREGATE_NODES = {"Hashed": "HashAggregate", "Sorted": "GroupAggregate", "Mixed": "MixedAggregate"}


def explain(db, query, params=None):
    """The plan's nodes, top down, by the names the text form of EXPLAIN gives them."""
    (plan,) = values(db, "EXPLAIN (FORMAT JSON) " + query, params)
    nodes, stack = [], [plan[0]["Plan"]]
    while stack:
        node = stack.pop()
        nodes.append(AGGREGATE_NODES.get(node.get("Strategy"), node["Node Type"]))
        stack.extend(node.get("Plans", []))
    return nodes


def test_is_valid_accepts_exactly_what_python_accepts(db, corpus):
    strings, valid = corpus
    assert len(valid) > 1000
    accepted = set(values(db, "SELECT t FROM raw WHERE kolvi_is_valid(t)"))
    assert accepted == {text for text in strings if parsed(text) is not None}


@pytest.mark.parametrize(
    ("order_by", "descending"),
    [("v", False), ("v DESC", True), ("kolvi_key(t)", False), ("v USING >", True)],
)
def test_order_by_gives_pythons_order(db, corpus, order_by, descending):
    _, valid = corpus
    texts = values(db, f"SELECT v::text AS shown FROM versions ORDER BY {order_by}")
    assert_in_version_order(texts, valid[::-1] if descending else valid)


def test_order_by_limit_and_ranges_use_the_index(db, corpus):
    _, valid = corpus
    limited = "SELECT v::text AS shown FROM versions ORDER BY v LIMIT 10"
    assert {"Index Only Scan", "Index Scan"} & set(explain(db, limited))
    assert_in_version_order(values(db, limited), valid[:10])
    low, high = V.Version("2.0.0"), V.Version("2.1.0")
    ranged = "SELECT v::text AS shown FROM versions WHERE v >= '2.0.0' AND v < '2.1.0' ORDER BY v"
    assert {"Index Only Scan", "Index Scan", "Bitmap Index Scan"} & set(explain(db, ranged))
    expected = [value for value in valid if low <= value < high]
    assert expected
    assert_in_version_order(values(db, ranged), expected)
    db.execute("SET enable_indexscan = off; SET enable_bitmapscan = off")
    assert "Seq Scan" in explain(db, ranged)
    assert_in_version_order(values(db, ranged), expected)


# Each query twice: as planned, and with parallel query forced on (PostgreSQL 15's name for it).
# Which of equal versions stands for its group is up to the plan, so groups show their key.
PARALLEL_QUERIES = [
    "SELECT v::text AS shown FROM versions ORDER BY v, t",
    "SELECT count(*) FROM (SELECT DISTINCT v FROM versions) d",
    "SELECT kolvi_key(v::text), count(*) FROM versions GROUP BY v ORDER BY v",
    "SELECT kolvi_key(min(v)::text), kolvi_key(max(v)::text), count(DISTINCT v) FROM versions",
    "SELECT kolvi_key(t), kolvi_kind(v) FROM versions ORDER BY 1, 2",
    "SELECT count(*) FROM raw WHERE kolvi_is_valid(t, 'semver')",
    "SELECT count(*) FROM raw WHERE kolvi_report(t) IS NULL",
]


@pytest.mark.parametrize("query", PARALLEL_QUERIES)
def test_parallel_query_gives_the_same_answers(db, corpus, query):
    serial = db.execute(query).fetchall()
    db.execute(
        "SET force_parallel_mode = on; SET parallel_setup_cost = 0; SET parallel_tuple_cost = 0;"
        " SET min_parallel_table_scan_size = 0; SET max_parallel_workers_per_gather = 2"
    )
    assert {"Gather", "Gather Merge"} & set(explain(db, query))
    assert db.execute(query).fetchall() == serial


def test_an_invalid_text_in_a_parallel_worker_raises_the_same_error(db, corpus):
    db.execute("SET force_parallel_mode = on; SET parallel_setup_cost = 0")
    query = "SELECT count(t::kolvi_version) FROM raw"
    assert "Gather" in explain(db, query)
    with pytest.raises(Exception) as raised:
        db.execute(query)
    assert raised.value.diag.sqlstate == "22P02"
    assert raised.value.diag.message_detail.startswith("Error: ")


@pytest.mark.parametrize(
    ("settings", "node"),
    [("enable_sort = off", "HashAggregate"), ("enable_hashagg = off", "GroupAggregate")],
)
def test_group_by_and_distinct_group_equal_versions_as_python(db, corpus, settings, node):
    _, valid = corpus
    db.execute(f"SET {settings}")
    grouped = "SELECT v, count(*) FROM versions GROUP BY v"
    assert node in explain(db, grouped)
    counts = sorted(
        (V.Version(text), count)
        for text, count in db.execute(f"SELECT v::text, c FROM ({grouped}) g(v, c)")
    )
    runs = equal_runs(valid)
    assert [count for _, count in counts] == [size for _, size in runs]
    distinct = "SELECT DISTINCT v FROM versions"
    assert values(db, f"SELECT count(*) FROM ({distinct}) d") == [len(runs)]


def test_a_hash_join_matches_equal_versions(db, corpus):
    _, valid = corpus
    db.execute(
        "CREATE TEMP TABLE releases AS SELECT v FROM versions WHERE kolvi_kind(v) = 'semver';"
        " ANALYZE releases; SET enable_mergejoin = off; SET enable_nestloop = off"
    )
    joined = "SELECT count(*) FROM versions JOIN releases USING (v)"
    assert "Hash Join" in explain(db, joined)
    pairs = sum(size * size for value, size in equal_runs(valid) if kind_of(value) == "semver")
    assert values(db, joined) == [pairs]


def sort_log(db, query):
    """The abbreviated keys' verdicts that trace_sort logs while the query runs."""
    notices = []
    db.add_notice_handler(lambda notice: notices.append(notice.message_primary))
    db.execute(
        "SET trace_sort = on; SET client_min_messages = log; SET work_mem = '64MB';"
        " SET enable_indexscan = off; SET enable_indexonlyscan = off; SET enable_bitmapscan = off"
    )
    db.execute(query).fetchall()
    db.execute("RESET client_min_messages")
    return [notice for notice in notices if notice.startswith("kolvi_version abbreviated keys")]


def test_abbreviated_keys_stay_on_real_versions(db, corpus):
    verdicts = sort_log(db, "SELECT v FROM versions ORDER BY v")
    assert verdicts and all(verdict.endswith("kept") for verdict in verdicts)


def test_abbreviated_keys_that_all_tie_are_given_up_and_the_order_holds(db):
    # The same first sixteen bytes in every key: every abbreviation is equal.
    texts = [f"same_prefix_of_sixteen_{n}" for n in range(30000)]
    db.execute("CREATE TEMP TABLE tied AS SELECT unnest(%s::text[])::kolvi_version v", (texts,))
    verdicts = sort_log(db, "SELECT v FROM tied ORDER BY v")
    assert verdicts and verdicts[-1].endswith("given up")
    ordered = values(db, "SELECT v::text AS shown FROM tied ORDER BY v")
    assert_in_version_order(ordered, sorted(map(V.Version, texts)))


def test_pg_dump_and_restore_keep_the_rows_and_their_order(db, corpus, tmp_path):
    bin_dir = values(db, "SELECT setting FROM pg_config WHERE name = 'BINDIR'")[0]
    db.execute("DROP DATABASE IF EXISTS kolvi_restored")
    db.execute("CREATE DATABASE kolvi_restored")
    dump = tmp_path / "kolvi_tests.dump"
    subprocess.run([f"{bin_dir}/pg_dump", "-Fc", "-f", dump, db.info.dbname], check=True)
    subprocess.run([f"{bin_dir}/pg_restore", "-d", "kolvi_restored", dump], check=True)
    query = "SELECT t, v::text AS shown, kolvi_key(v::text) FROM versions ORDER BY v, t"
    with connect("kolvi_restored") as restored:
        restored.execute("ANALYZE versions")
        assert restored.execute(query).fetchall() == db.execute(query).fetchall()
        limited = "SELECT v FROM versions ORDER BY v LIMIT 1"
        assert {"Index Only Scan", "Index Scan"} & set(explain(restored, limited))
