"""The PostgreSQL extension on real version strings, in the throwaway cluster scripts/bench
--postgres starts: ORDER BY of a kolvi_version column against the same strings as
text COLLATE "C", and on the strict Semantic Versions among them the cast and ORDER BY against
the semver type of Debian's postgresql-15-semver, each with its index build time.

Every query runs in one backend with parallel workers, JIT and spilling to disk out of the way,
timed from the client as the median of several rounds that run the two sides of a ratio in
turn, after a warm-up round; the sorts are counted in the server (SELECT count(*) over the
sorted rows), so that sending rows to the client takes no part. Prints Markdown tables and the targets; with --check, exits 1 when one is missed.
"""

from __future__ import annotations

import argparse
import re
import statistics
import sys
import time

import psycopg

ORDER_BY_TARGET = 1.5  # kolvi_version ORDER BY / text COLLATE "C" ORDER BY, at most; and
# kolvi_version must be faster than semver at both the cast and ORDER BY.

# The grammar semver.org gives for a strict Semantic Version.
STRICT_SEMVER = re.compile(
    r"^(0|[1-9]\d*)\.(0|[1-9]\d*)\.(0|[1-9]\d*)"
    r"(?:-((?:0|[1-9]\d*|\d*[a-zA-Z-][0-9a-zA-Z-]*)(?:\.(?:0|[1-9]\d*|\d*[a-zA-Z-][0-9a-zA-Z-]*))*))?"
    r"(?:\+([0-9a-zA-Z-]+(?:\.[0-9a-zA-Z-]+)*))?$"
)

SESSION = (
    "SET max_parallel_workers_per_gather = 0; SET max_parallel_maintenance_workers = 0;"
    " SET jit = off; SET work_mem = '2GB'; SET maintenance_work_mem = '2GB'"
)


def seconds(conn, query):
    start = time.perf_counter()
    conn.execute(query)
    return time.perf_counter() - start


def timed_in_turns(conn, queries, repeat):
    """Median seconds of each query over `repeat` rounds that run them in turn, after a round
    that warms the caches: on a loaded machine, both sides of a ratio see the same load."""
    for query in queries:
        conn.execute(query)
    runs = [[] for _ in queries]
    for _ in range(repeat):
        for query, times in zip(queries, runs, strict=True):
            times.append(seconds(conn, query))
    return [statistics.median(times) for times in runs]


def sort_query(conn, table, column):
    query = f"SELECT count(*) FROM (SELECT {column} FROM {table} ORDER BY {column} OFFSET 0) s"
    plan = str(conn.execute("EXPLAIN " + query).fetchall())
    assert "Sort" in plan, plan
    return query


def index_seconds(conn, columns, repeat):
    """Median seconds of building a b-tree index on each (table, column), in turns; each index
    is dropped after it is built."""
    runs = [[] for _ in columns]
    for _ in range(repeat):
        for (table, column), times in zip(columns, runs, strict=True):
            times.append(seconds(conn, f"CREATE INDEX {table}_index ON {table} ({column})"))
            conn.execute(f"DROP INDEX {table}_index")
    return [statistics.median(times) for times in runs]


def load(conn, lines, strict):
    """The tables: every line, the lines kolvi_version takes (as text COLLATE "C" and as the
    type), and the strict Semantic Versions both types take."""
    conn.execute("CREATE EXTENSION IF NOT EXISTS kolvi; CREATE EXTENSION IF NOT EXISTS semver")
    conn.execute("DROP TABLE IF EXISTS lines, strict_lines, texts, versions, sv_kolvi, sv_peer")
    conn.execute("CREATE TABLE lines (t text); CREATE TABLE strict_lines (t text)")
    for table, rows in (("lines", lines), ("strict_lines", strict)):
        with conn.cursor().copy(f"COPY {table} FROM STDIN") as copy:
            for line in rows:
                copy.write_row((line,))
    # The peer's own limits (say, on the size of numbers) decide too: a text either type
    # refuses is left out of the comparison.
    conn.execute(
        "CREATE FUNCTION pg_temp.semver_takes(t text) RETURNS boolean LANGUAGE plpgsql AS"
        " $$ BEGIN PERFORM t::semver; RETURN true; EXCEPTION WHEN others THEN RETURN false;"
        " END $$"
    )
    conn.execute(
        "DELETE FROM strict_lines"
        " WHERE NOT (kolvi_is_valid(t, 'semver') AND pg_temp.semver_takes(t))"
    )
    for statement in [
        'CREATE TABLE texts AS SELECT t COLLATE "C" AS t FROM lines WHERE kolvi_is_valid(t)',
        "CREATE TABLE versions AS SELECT t::kolvi_version AS v FROM texts",
        "CREATE TABLE sv_kolvi AS SELECT t::kolvi_version AS v FROM strict_lines",
        "CREATE TABLE sv_peer AS SELECT t::semver AS v FROM strict_lines",
        "VACUUM ANALYZE lines, strict_lines, texts, versions, sv_kolvi, sv_peer",
    ]:
        conn.execute(statement)


def count(conn, table):
    return conn.execute(f"SELECT count(*) FROM {table}").fetchone()[0]


def mean_row_bytes(conn, table, column):
    return conn.execute(f"SELECT avg(pg_column_size({column})) FROM {table}").fetchone()[0]


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--corpus", required=True, help="the version lines, one a line")
    parser.add_argument("--quick", action="store_true", help="one run each, for a smoke run")
    parser.add_argument("--check", action="store_true", help="exit with 1 when a target is missed")
    args = parser.parse_args()
    repeat = 1 if args.quick else 7
    with open(args.corpus, encoding="utf-8", errors="replace") as corpus:
        lines = [line.rstrip("\n") for line in corpus]
    strict = [line for line in lines if STRICT_SEMVER.match(line)]

    with psycopg.connect(autocommit=True) as conn:
        conn.execute(SESSION)
        load(conn, lines, strict)
        valid, strict_count = count(conn, "versions"), count(conn, "strict_lines")
        text_sort, kolvi_sort = timed_in_turns(
            conn, [sort_query(conn, "texts", "t"), sort_query(conn, "versions", "v")], repeat
        )
        text_index, kolvi_index = index_seconds(conn, [("texts", "t"), ("versions", "v")], repeat)
        peer_cast, kolvi_cast = timed_in_turns(
            conn,
            [
                "SELECT count(t::semver) FROM strict_lines",
                "SELECT count(t::kolvi_version) FROM strict_lines",
            ],
            repeat,
        )
        peer_sv_sort, kolvi_sv_sort = timed_in_turns(
            conn, [sort_query(conn, "sv_peer", "v"), sort_query(conn, "sv_kolvi", "v")], repeat
        )
        peer_sv_index, kolvi_sv_index = index_seconds(
            conn, [("sv_peer", "v"), ("sv_kolvi", "v")], repeat
        )
        sizes = {
            name: mean_row_bytes(conn, table, column)
            for name, table, column in [
                ("text", "texts", "t"),
                ("kolvi", "versions", "v"),
                ("kolvi strict", "sv_kolvi", "v"),
                ("semver", "sv_peer", "v"),
            ]
        }
        server = conn.execute("SHOW server_version").fetchone()[0]

    print(f"\nPostgreSQL {server}; {len(lines):,} lines, {valid:,} that kolvi_version takes,")
    print(f"{strict_count:,} strict Semantic Versions both types take; median of {repeat} runs")
    print('\n| on the lines kolvi_version takes | text COLLATE "C" s | kolvi_version s | ÷ |')
    print("|---|---:|---:|---:|")
    print(f"| ORDER BY | {text_sort:.3f} | {kolvi_sort:.3f} | {kolvi_sort / text_sort:.2f} |")
    print(
        f"| CREATE INDEX | {text_index:.3f} | {kolvi_index:.3f} | {kolvi_index / text_index:.2f} |"
    )
    print(f"| mean bytes per value | {sizes['text']:.1f} | {sizes['kolvi']:.1f} | |")
    print("\n| on the strict Semantic Versions | semver s | kolvi_version s | semver ÷ kolvi |")
    print("|---|---:|---:|---:|")
    for label, peer, kolvi in [
        ("cast of the texts", peer_cast, kolvi_cast),
        ("ORDER BY", peer_sv_sort, kolvi_sv_sort),
        ("CREATE INDEX", peer_sv_index, kolvi_sv_index),
    ]:
        print(f"| {label} | {peer:.3f} | {kolvi:.3f} | {peer / kolvi:.2f} |")
    print(f"| mean bytes per value | {sizes['semver']:.1f} | {sizes['kolvi strict']:.1f} | |")

    order_ratio = kolvi_sort / text_sort
    targets = [
        (
            f'ORDER BY ≤ {ORDER_BY_TARGET}× text COLLATE "C"',
            order_ratio,
            order_ratio <= ORDER_BY_TARGET,
        ),
        ("cast faster than semver", peer_cast / kolvi_cast, peer_cast > kolvi_cast),
        ("ORDER BY faster than semver", peer_sv_sort / kolvi_sv_sort, peer_sv_sort > kolvi_sv_sort),
    ]
    print()
    for label, value, met in targets:
        print(f"- {label}: {value:.2f} ({'met' if met else 'MISSED'})")
    return 1 if args.check and not all(met for _, _, met in targets) else 0


if __name__ == "__main__":
    sys.exit(main())
