"""A short tour of kolvi: parse versions of each kind, sort them, copy between classes,
show a failed parse and print through test_function."""

import sys

import kolvi

version = kolvi.package.version
SemVer, DotSeparated, Other, Version = (
    version.SemVer,
    version.DotSeparated,
    version.Other,
    version.Version,
)

print("SemVer:")
for text in ["1.2.3", "2.0.0-rc.1", "1.0.0-alpha+build.5", "10.20.30"]:
    v = SemVer(text)
    print(f"  {text:22} major={v.major} minor={v.minor} patch={v.patch} rc={v.rc} meta={v.meta}")

print("DotSeparated:")
for text in ["2024.10", "1.2.3.4", "r8"]:
    print(f"  {text:22} parts={DotSeparated(text).parts}")

print("Other:")
for text in ["nightly_build", "ß"]:
    print(f"  {text:22} value={Other(text).value!r}")

print("Sorted (SemVer before DotSeparated before Other, texts compared as bytes):")
mixed = [Version(t) for t in ["main_line", "1.10", "2.0.0", "1.9", "1.2.3-rc.1", "1.2.3"]]
print("  " + ", ".join(str(v) for v in sorted(mixed)))

print("Copied between classes:")
wrapped = Version("3.1.4-beta")
semver = SemVer(wrapped)
semver.rc = None
print(f"  {wrapped!r}")
print(f"  -> {semver!r}")
print(f"  the Version still reads {wrapped}")

print("A failed parse:")
try:
    SemVer("1.2.x")
except RuntimeError as error:
    print(error, end="")

# test_function writes straight to file descriptor 1, so flush Python's own buffer first.
sys.stdout.flush()
kolvi.test_function(Version("1.2.3"))
