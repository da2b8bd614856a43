"""What the PostgreSQL tests share: a database with the extension on the throwaway cluster that
scripts/postgres starts (PGHOST, PGUSER in the environment), connections to it, and the Python
classes' answers on the same strings."""

import itertools
import os
import sys
from pathlib import Path

# Reports are compared with the database's, which never have colour.
os.environ["NO_COLOR"] = "1"
os.environ.pop("CLICOLOR_FORCE", None)

import kolvi  # noqa: E402
import psycopg  # noqa: E402
import pytest  # noqa: E402

V = kolvi.package.version
REPO_ROOT = Path(__file__).resolve().parents[2]
DATABASE = "kolvi_tests"

# The Python class of each name the kind argument takes, and the kind of each Version class.
CLASS_OF_KIND = {
    "version": V.Version,
    "semver": V.SemVer,
    "dot-separated": V.DotSeparated,
    "other": V.Other,
}
KIND_OF_CLASS = {"SemVer": "semver", "DotSeparated": "dot-separated", "Other": "other"}


def pytest_configure(config):
    if "PGHOST" not in os.environ:
        pytest.exit("run these tests through scripts/postgres, which starts the server", 2)


def connect(dbname=DATABASE):
    return psycopg.connect(dbname=dbname, autocommit=True)


@pytest.fixture(scope="session")
def database():
    with connect("postgres") as admin:
        admin.execute(f"DROP DATABASE IF EXISTS {DATABASE}")
        admin.execute(f"CREATE DATABASE {DATABASE}")
    with connect() as conn:
        conn.execute("CREATE EXTENSION kolvi")
    return DATABASE


@pytest.fixture
def db(database):
    """A connection of its own, so that settings made by one test stay in it."""
    with connect(database) as conn:
        yield conn


def values(conn, query, params=None):
    """The first column of every row."""
    return [row[0] for row in conn.execute(query, params).fetchall()]


# --- the Python side -------------------------------------------------------------------------


def parsed(text, kind="version"):
    """The value the kind's class parses the text to, or None when it raises."""
    try:
        return CLASS_OF_KIND[kind](text)
    except RuntimeError:
        return None


def python_report(text, kind="version"):
    with pytest.raises(RuntimeError) as raised:
        CLASS_OF_KIND[kind](text)
    return str(raised.value)


def kind_of(version):
    """The kind name of a Version, from its debug form: Version::SemVer { ... }."""
    return KIND_OF_CLASS[repr(version).split()[0].removeprefix("Version::")]


def assert_in_version_order(texts, expected_values):
    """The texts, in the order the database gave them, parse to exactly the expected values in
    Python's order (equal versions, such as 1.0.0+a and 1.0.0+b, may come in either order)."""
    got = [V.Version(text) for text in texts]
    assert len(got) == len(expected_values)
    for position, (a, b) in enumerate(zip(got, expected_values, strict=True)):
        assert a == b, f"row {position}: {a!r} where Python sorts {b!r}"


def equal_runs(sorted_values):
    """Each run of equal values in order, as its first value and its size."""
    return [(value, len(list(run))) for value, run in itertools.groupby(sorted_values)]


# --- the corpus --------------------------------------------------------------------------------

# Strings real version lists hold that the machine's corpus may lack: each kind, numbers at
# their edges, long texts (keys past 127 bytes take a longer length field), text outside ASCII,
# equal versions that differ in text, keys alike in the first eight bytes an abbreviated key
# holds or a prefix of each other, and invalid ones.
EDGE_STRINGS = [
    "1.2.3", "v1.2.3", "1.2.3-rc.1", "1.2.3-rc.1+build.5", "1.2.3+build.5", "1.2.3-0",
    "0.0.0", "4294967295.4294967295.4294967295", "127.128.16383", "16384.2097151.2097152",
    "1.0.0+a", "1.0.0+b", "1.0.0-alpha", "1.0.0-alpha.1", "1.0.0-alpha.beta", "1.0.0-beta.11",
    "2024.10", "2024.10.1", "1.2.3.4", "1.10", "1.9", "1.0-beta.2", "r8", "1.2.0.0",
    "nightly_build", "main_line", "ß", "versión-1.0", "a" * 200, "1.2.3-" + "x" * 300,
    "1." + ".".join(["7"] * 100), "abcdefgh_1", "abcdefgh_2", "1.2.3-abcdefghij.1",
    "1.2.3-abcdefghij.2", "1", "1.0", "1.0.0.0.0.0.0.0", "1.0.0.0.0.0.0.1", "1:2.3-4", "1.2.x", "", " 1.2.3", "1..2", "1.2.3_", "~1",
]  # fmt: skip


def machine_corpus():
    """Every distinct version string bench/version_corpus.py finds here, with the edge strings."""
    sys.path.insert(0, str(REPO_ROOT / "bench"))
    import version_corpus

    found = {v for versions in version_corpus.collect().values() for v in versions}
    return sorted(found | set(EDGE_STRINGS))
