"""Typical use of kolvi, written to pass `mypy --strict` against the installed stubs.

It is also importable and runnable, so the same code is known to work at run time.
"""

import kolvi
from kolvi import package

SemVer = kolvi.package.version.SemVer


def newest(versions: list[kolvi.package.version.Version]) -> kolvi.package.version.Version:
    return max(versions)


def bump_patch(release: kolvi.package.version.SemVer) -> kolvi.package.version.SemVer:
    bumped = kolvi.package.version.SemVer(release)
    bumped.patch = bumped.patch + 1
    bumped.rc = None
    return bumped


def describe(version: package.version.Version) -> str:
    return f"{version} ({version!r})"


def run() -> list[str]:
    release = SemVer(major=1, minor=2, patch=3, rc=["beta"])
    stable: int = bump_patch(release).patch
    parts = package.version.DotSeparated(parts=["1", "2"])
    parts.parts = ["1", "3"]
    other = package.version.Other("main")
    other.value = other.value.upper()
    versions = [kolvi.package.version.Version(text) for text in ("1.2.3", "1.2", "main")]
    is_older: bool = versions[0] < versions[1] and release <= bump_patch(release)
    kolvi.test_function(version=newest(versions))
    return [describe(newest(versions)), str(stable), str(parts), str(other), str(is_older)]


if __name__ == "__main__":
    print("\n".join(run()))
