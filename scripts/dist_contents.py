#!/usr/bin/env python3
"""Checks that each wheel and sdist in a folder holds exactly what it should: a wheel the
extension, the stub package, its metadata, the manual page and possibly the command-line tool;
an sdist the build inputs and no build outputs. Also checks the classifiers, which only an upload would.

Usage: scripts/dist_contents.py <folder with the artefacts>
"""

import re
import sys
import tarfile
import zipfile
from email.parser import HeaderParser
from pathlib import Path

PROJECT = "kolvi"
ARTEFACT_VERSION = re.compile(rf"^{PROJECT}-(?P<version>[^-]+?)(?:-|\.tar\.gz$)")

# Wheel paths below are written for one version, with {dist_info} and {data} standing for
# the wheel's metadata and data folders.
WHEEL_REQUIRED = [
    "kolvi-stubs/__init__.pyi",
    "{dist_info}/METADATA",
    "{dist_info}/WHEEL",
    "{dist_info}/RECORD",
    "{dist_info}/licenses/LICENSE",
    # The command's manual page, into the environment's share/man/man1.
    "{data}/data/share/man/man1/kolvi.1",
]
WHEEL_OPTIONAL = [
    # Installed into the scripts folder when the build makes the command-line tool.
    "{data}/scripts/kolvi",
]
EXTENSION = re.compile(rf"^{PROJECT}\.cpython-[^/]+\.so$")

# Sdist paths, relative to its top folder. Everything under a prefix is allowed unless it
# looks like something a build leaves behind.
SDIST_REQUIRED = [
    "PKG-INFO",
    "pyproject.toml",
    "CMakeLists.txt",
    "README.md",
    "LICENSE",
    "src/CMakeLists.txt",
    "stubs/kolvi-stubs/__init__.pyi",
    "examples/demo.py",
]
SDIST_PREFIXES = ["src/", "examples/"]
BUILD_OUTPUT = re.compile(
    r"(^|/)(build|_skbuild|__pycache__|CMakeFiles)(/|$)|(^|/)CMakeCache\.txt$"
    r"|\.(o|a|so|pyc|whl)$"
)


def artefact_version(name):
    match = ARTEFACT_VERSION.match(name)
    if not match:
        raise ValueError(f"{name}: not a {PROJECT} artefact name")
    return match["version"]


def wheel_problems(wheel_name, files):
    """What is missing from or does not belong in a wheel, given the paths of its files."""
    version = artefact_version(wheel_name)
    folders = {"dist_info": f"{PROJECT}-{version}.dist-info", "data": f"{PROJECT}-{version}.data"}
    required = {path.format(**folders) for path in WHEEL_REQUIRED}
    optional = {path.format(**folders) for path in WHEEL_OPTIONAL}
    files = set(files)
    problems = [f"missing {path}" for path in sorted(required - files)]
    extensions = [name for name in files if EXTENSION.match(name)]
    if len(extensions) != 1:
        problems.append(f"expected one extension module, found {sorted(extensions)}")
    problems += [
        f"unexpected {name}" for name in sorted(files - required - optional - set(extensions))
    ]
    return problems


def sdist_problems(sdist_name, paths):
    """What is missing from or does not belong in an sdist, given the paths of its files."""
    top = f"{PROJECT}-{artefact_version(sdist_name)}/"
    problems = [f"outside {top}: {path}" for path in sorted(paths) if not path.startswith(top)]
    files = {path[len(top) :] for path in paths if path.startswith(top)}
    problems += [f"missing {path}" for path in SDIST_REQUIRED if path not in files]
    for path in sorted(files):
        if BUILD_OUTPUT.search(path):
            problems.append(f"build output {path}")
        elif path not in SDIST_REQUIRED and not path.startswith(tuple(SDIST_PREFIXES)):
            problems.append(f"unexpected {path}")
    return problems


def unknown_classifiers(metadata_text):
    """Classifiers that PyPI would reject on upload; twine check does not look at them."""
    from trove_classifiers import classifiers

    metadata = HeaderParser().parsestr(metadata_text)
    return sorted(set(metadata.get_all("Classifier", [])) - classifiers)


# The readers below return the paths of an archive's files (not its folders) and its
# metadata text.


def read_wheel(path):
    with zipfile.ZipFile(path) as archive:
        files = [info.filename for info in archive.infolist() if not info.is_dir()]
        dist_info = f"{PROJECT}-{artefact_version(path.name)}.dist-info"
        return files, archive.read(f"{dist_info}/METADATA").decode()


def read_sdist(path):
    with tarfile.open(path) as archive:
        files = [member.name for member in archive.getmembers() if not member.isdir()]
        top = f"{PROJECT}-{artefact_version(path.name)}"
        return files, archive.extractfile(f"{top}/PKG-INFO").read().decode()


def check_artefact(path):
    if path.name.endswith(".whl"):
        files, metadata = read_wheel(path)
        problems = wheel_problems(path.name, files)
    else:
        files, metadata = read_sdist(path)
        problems = sdist_problems(path.name, files)
    problems += [f"unknown classifier {c!r}" for c in unknown_classifiers(metadata)]
    return len(files), problems


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    artefacts = sorted(Path(argv[1]).glob("*.whl")) + sorted(Path(argv[1]).glob("*.tar.gz"))
    if not artefacts:
        sys.exit(f"no wheels or sdists in {argv[1]}")
    failed = False
    for path in artefacts:
        count, problems = check_artefact(path)
        print(f"{path.name}: {count} files, {'ok' if not problems else 'FAILED'}")
        for problem in problems:
            print(f"  {problem}")
        failed |= bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
