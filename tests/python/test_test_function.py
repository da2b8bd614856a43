"""test_function: what reaches file descriptor 1, and the argument errors (nothing printed)."""

import pytest

from support import run_python

PRELUDE = """
import os, sys, kolvi
V = kolvi.package.version
def report(call):
    try:
        result = call()
    except BaseException as error:
        sys.stderr.write(f"{type(error).__name__}: {error}\\n")
    else:
        sys.stderr.write(f"returned {result!r}\\n")
"""


def call_in_child(body):
    result = run_python(PRELUDE + body)
    assert result.returncode == 0, result.stderr
    return result.stdout.decode(), result.stderr.decode().strip()


@pytest.mark.parametrize(
    "call, printed",
    [
        ("kolvi.test_function(V.Version('1.2.3'))", "Got version: 1.2.3\n"),
        ("kolvi.test_function(version=V.Version('1.2.3'))", "Got version: 1.2.3\n"),
        (
            "kolvi.test_function(V.Version(V.SemVer(major=1, minor=2, patch=3, rc=['alpha'])))",
            "Got version: 1.2.3-alpha\n",
        ),
        ("kolvi.test_function(V.Version('1.10.x'))", "Got version: 1.10.x\n"),
        ("kolvi.test_function(V.Version('a_b'))", "Got version: a_b\n"),
        ("kolvi.test_function(V.Version(V.DotSeparated(parts=[])))", "Got version: \n"),
    ],
)
def test_prints_the_display_form(call, printed):
    stdout, stderr = call_in_child(f"report(lambda: {call})")
    assert stdout == printed
    assert stderr == "returned None"


@pytest.mark.parametrize(
    "call, error",
    [
        (
            "kolvi.test_function()",
            "TypeError: test_function() missing 1 required positional argument: 'version'",
        ),
        (
            "kolvi.test_function(V.Version('1'), V.Version('2'))",
            "TypeError: test_function() takes 1 positional arguments but 2 were given",
        ),
        (
            "kolvi.test_function(V.Version('1'), version=V.Version('2'))",
            "TypeError: test_function() got multiple values for argument 'version'",
        ),
        (
            "kolvi.test_function(v=V.Version('1'))",
            "TypeError: test_function() got an unexpected keyword argument 'v'",
        ),
        (
            "kolvi.test_function(V.Version('1'), v=1)",
            "TypeError: test_function() got an unexpected keyword argument 'v'",
        ),
        (
            "kolvi.test_function('1.2.3')",
            "TypeError: argument 'version': 'str' object cannot be converted to 'Version'",
        ),
        (
            "kolvi.test_function('not a version at all!')",
            "TypeError: argument 'version': 'str' object cannot be converted to 'Version'",
        ),
        (
            "kolvi.test_function(V.SemVer('1.2.3'))",
            "TypeError: argument 'version': 'SemVer' object cannot be converted to 'Version'",
        ),
    ],
)
def test_argument_errors_print_nothing(call, error):
    stdout, stderr = call_in_child(f"report(lambda: {call})")
    assert stdout == ""
    assert stderr == error


def test_bypasses_sys_stdout():
    stdout, stderr = call_in_child(
        "import io\nsys.stdout = io.StringIO()\nreport(lambda: kolvi.test_function(V.Version('2.0')))"
    )
    assert stdout == "Got version: 2.0\n"
    assert stderr == "returned None"


def test_closed_stdout_is_silent():
    stdout, stderr = call_in_child(
        "os.close(1)\nreport(lambda: kolvi.test_function(V.Version('1.0')))"
    )
    assert stdout == ""
    assert stderr == "returned None"


def test_broken_pipe_raises_os_error():
    body = """
import errno
read_end, write_end = os.pipe()
os.close(read_end)
saved = os.dup(1)
os.dup2(write_end, 1)
try:
    kolvi.test_function(V.Version('1.0'))
except OSError as error:
    os.dup2(saved, 1)
    sys.stderr.write(f"{type(error).__name__} {error.errno == errno.EPIPE} {error.strerror}\\n")
"""
    stdout, stderr = call_in_child(body)
    assert stderr == "BrokenPipeError True failed printing to stdout: Broken pipe"
