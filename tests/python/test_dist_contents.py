"""The rules scripts/dist applies to what the wheels and the sdist may hold."""

import pytest

from support import load_script

dist_contents = load_script("dist_contents.py")

WHEEL = "kolvi-1.2.3-cp313-cp313t-manylinux_2_34_x86_64.whl"
WHEEL_FILES = [
    "kolvi.cpython-313t-x86_64-linux-gnu.so",
    "kolvi-stubs/__init__.pyi",
    "kolvi-1.2.3.dist-info/METADATA",
    "kolvi-1.2.3.dist-info/WHEEL",
    "kolvi-1.2.3.dist-info/RECORD",
    "kolvi-1.2.3.dist-info/licenses/LICENSE",
    "kolvi-1.2.3.data/data/share/man/man1/kolvi.1",
]

SDIST = "kolvi-1.2.3.tar.gz"
SDIST_FILES = [
    f"kolvi-1.2.3/{path}"
    for path in [
        "PKG-INFO",
        "pyproject.toml",
        "CMakeLists.txt",
        "README.md",
        "LICENSE",
        "src/CMakeLists.txt",
        "src/version/semver.cpp",
        "stubs/kolvi-stubs/__init__.pyi",
        "examples/demo.py",
    ]
]


@pytest.mark.parametrize(
    ("added", "removed", "problems"),
    [
        ([], [], []),
        (["kolvi-1.2.3.data/scripts/kolvi"], [], []),
        ([], ["kolvi-stubs/__init__.pyi"], ["missing kolvi-stubs/__init__.pyi"]),
        (
            [],
            ["kolvi-1.2.3.dist-info/licenses/LICENSE"],
            ["missing kolvi-1.2.3.dist-info/licenses/LICENSE"],
        ),
        (
            [],
            ["kolvi.cpython-313t-x86_64-linux-gnu.so"],
            ["expected one extension module, found []"],
        ),
        (["tests/python/test_semver.py"], [], ["unexpected tests/python/test_semver.py"]),
        (["kolvi.libs/libfoo-1a2b3c.so.1"], [], ["unexpected kolvi.libs/libfoo-1a2b3c.so.1"]),
        (["kolvi-1.2.3.data/scripts/other"], [], ["unexpected kolvi-1.2.3.data/scripts/other"]),
        (["kolvi-stubs/py.typed"], [], ["unexpected kolvi-stubs/py.typed"]),
        (
            [],
            ["kolvi-1.2.3.data/data/share/man/man1/kolvi.1"],
            ["missing kolvi-1.2.3.data/data/share/man/man1/kolvi.1"],
        ),
        (
            ["kolvi-1.2.3.data/data/share/man/man1/other.1"],
            [],
            ["unexpected kolvi-1.2.3.data/data/share/man/man1/other.1"],
        ),
        # Metadata of another version is not this wheel's.
        (
            ["kolvi-1.2.4.dist-info/METADATA"],
            [],
            ["unexpected kolvi-1.2.4.dist-info/METADATA"],
        ),
    ],
)
def test_wheel_problems(added, removed, problems):
    files = [path for path in WHEEL_FILES if path not in removed] + added
    assert dist_contents.wheel_problems(WHEEL, files) == problems


def test_wheel_with_two_extensions():
    files = [*WHEEL_FILES, "kolvi.cpython-313-x86_64-linux-gnu.so"]
    assert dist_contents.wheel_problems(WHEEL, files) == [
        "expected one extension module, found ['kolvi.cpython-313-x86_64-linux-gnu.so', "
        "'kolvi.cpython-313t-x86_64-linux-gnu.so']"
    ]


@pytest.mark.parametrize(
    ("added", "removed", "problems"),
    [
        ([], [], []),
        (["kolvi-1.2.3/src/cli/main.cpp"], [], []),
        ([], ["kolvi-1.2.3/LICENSE"], ["missing LICENSE"]),
        ([], ["kolvi-1.2.3/pyproject.toml"], ["missing pyproject.toml"]),
        (["kolvi-1.2.3/src/version/semver.o"], [], ["build output src/version/semver.o"]),
        (["kolvi-1.2.3/src/libkolvi_base.a"], [], ["build output src/libkolvi_base.a"]),
        (["kolvi-1.2.3/build/CMakeCache.txt"], [], ["build output build/CMakeCache.txt"]),
        (
            ["kolvi-1.2.3/examples/__pycache__/demo.cpython-313.pyc"],
            [],
            ["build output examples/__pycache__/demo.cpython-313.pyc"],
        ),
        (
            ["kolvi-1.2.3/tests/python/test_semver.py"],
            [],
            ["unexpected tests/python/test_semver.py"],
        ),
        (["kolvi-1.2.3/scripts/test"], [], ["unexpected scripts/test"]),
        (["kolvi-1.2.3/.gitignore"], [], ["unexpected .gitignore"]),
        (["stray.txt"], [], ["outside kolvi-1.2.3/: stray.txt"]),
    ],
)
def test_sdist_problems(added, removed, problems):
    files = [path for path in SDIST_FILES if path not in removed] + added
    assert dist_contents.sdist_problems(SDIST, files) == problems


@pytest.mark.parametrize(
    ("name", "version"),
    [
        (WHEEL, "1.2.3"),
        (SDIST, "1.2.3"),
        ("kolvi-0.1.0rc1-cp313-cp313-linux_x86_64.whl", "0.1.0rc1"),
        ("kolvi-10.20.30.tar.gz", "10.20.30"),
    ],
)
def test_artefact_version(name, version):
    assert dist_contents.artefact_version(name) == version


@pytest.mark.parametrize("name", ["other-1.0.tar.gz", "kolvi.tar.gz", "kolvi_1.0.zip"])
def test_foreign_artefact_names_are_refused(name):
    with pytest.raises(ValueError, match="not a kolvi artefact name"):
        dist_contents.artefact_version(name)
