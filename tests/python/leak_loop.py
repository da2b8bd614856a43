"""Exercises every allocating path of the module in a loop, for a leak checker.

Run it under LeakSanitizer or valgrind (scripts/sanitize does) with PYTHONMALLOC=malloc;
a leak on any path shows up as that many leaked blocks, with the module on the
allocation stack. The loop also asserts its results, so a wrong answer under the
sanitizers fails too. test_function writes to file descriptor 1, which goes to
/dev/null here; progress goes to stderr.

Usage: python leak_loop.py [rounds, default 100000]
"""

import functools
import os
import sys

import kolvi

DotSeparated = kolvi.package.version.DotSeparated
Other = kolvi.package.version.Other
SemVer = kolvi.package.version.SemVer
Version = kolvi.package.version.Version

BAD_INPUTS = [
    (SemVer, "1.2.x"),
    (SemVer, ""),
    (SemVer, "1.2.3-a..b"),
    (DotSeparated, "a..b"),
    (DotSeparated, "é"),
    (Other, "1abc"),
    (Version, "1.2.3_"),
    (Version, "x\n\ty\u2028z"),
]

WRONG_CALLS = [
    lambda: SemVer(),
    lambda: SemVer(1),
    lambda: SemVer(major=1, minor=2),
    lambda: SemVer(major=1, minor=2, patch=3, build=4),
    lambda: SemVer(major=-1, minor=0, patch=0),
    lambda: SemVer(major=1, minor=2, patch=3, rc=["a", 5]),
    lambda: SemVer(Version("1.2")),
    lambda: DotSeparated(parts="1.2"),
    lambda: DotSeparated(parts=[1]),
    lambda: DotSeparated(Version("1.2.3")),
    lambda: Other(value=5),
    lambda: Other(name="x"),
    lambda: Other(Version("1.2.3")),
    lambda: Version(x=1),
    lambda: Version(1),
    lambda: kolvi.test_function("1.2.3"),
    lambda: kolvi.test_function(),
]


def expect_failure(call):
    try:
        call()
    except (TypeError, ValueError, OverflowError, RuntimeError) as error:
        return str(error)
    raise AssertionError("call did not fail")


def set_fields(semver, dotted, other):
    semver.major = 7
    semver.minor = 8
    semver.patch = 9
    semver.rc = ("rc", "2")
    semver.meta = ["build", "é"]
    semver.rc = None
    dotted.parts = ["a", "b", "c"]
    other.value = "next_value"
    for target, name, value in (
        (semver, "major", "1"),
        (semver, "rc", [1]),
        (dotted, "parts", None),
        (other, "value", b"x"),
        (semver, "patch", 2**40),
    ):
        before = repr(target)
        expect_failure(functools.partial(setattr, target, name, value))
        assert repr(target) == before
    for target, name in ((semver, "major"), (dotted, "parts"), (other, "value")):
        try:
            delattr(target, name)
        except AttributeError:
            pass


def one_round():
    semver = SemVer("v1.2.3-rc.1+build.5")
    from_keywords = SemVer(major=1, minor=2, patch=3, rc=["rc", "1"], meta=("build", "5"))
    assert semver == from_keywords and not semver < from_keywords
    dotted = DotSeparated("1.0-beta.2")
    dotted_keywords = DotSeparated(parts=["1", "0-beta", "2"])
    other = Other("main_é")
    other_keywords = Other(value="main_é")
    assert dotted == dotted_keywords and other == other_keywords

    versions = [
        Version("1.2.3"),
        Version("1.2"),
        Version("a_b"),
        Version(semver),
        Version(dotted),
        Version(other),
    ]
    copies = [
        SemVer(semver),
        SemVer(versions[0]),
        DotSeparated(dotted),
        DotSeparated(versions[1]),
        Other(other),
        Other(versions[2]),
        Version(versions[3]),
    ]
    assert sorted(versions)[-1] == versions[5]  # the Other kind ranks last
    assert semver != 1 and versions[0] != "1.2.3"

    for value in (semver, dotted, other, *versions, *copies):
        str(value)
        repr(value)
    _ = (semver.rc, semver.meta, dotted.parts, other.value)  # getters build new objects

    set_fields(semver, dotted, other)

    for cls, text in BAD_INPUTS:
        message = expect_failure(functools.partial(cls, text))
        assert message.startswith("Error: "), message
    for call in WRONG_CALLS:
        expect_failure(call)

    for version in versions:
        kolvi.test_function(version)
    kolvi.test_function(version=versions[0])


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)
    os.close(devnull)
    # The subscriber is process-wide and lives until exit; installing it covers its path.
    kolvi.init_tracing()
    for done in range(1, rounds + 1):
        one_round()
        if done % 20_000 == 0:
            print(f"{done} rounds", file=sys.stderr, flush=True)
    print(f"done: {rounds} rounds", file=sys.stderr, flush=True)


if __name__ == "__main__":
    main()
