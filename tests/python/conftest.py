"""Shared fixtures: the version classes and a runner for code that must see a fresh process."""

import os
import subprocess
import sys
import textwrap

import pytest

import kolvi

KOLVI_DIR = os.path.dirname(kolvi.__file__)


def run_python(code, env=None, timeout=60):
    """Runs `code` in a fresh interpreter that imports the same kolvi; colour is off.

    `env` entries override the environment; a value of None removes the variable.
    """
    child_env = dict(os.environ)
    child_env["NO_COLOR"] = "1"
    child_env.pop("CLICOLOR_FORCE", None)
    child_env["PYTHONPATH"] = os.pathsep.join(
        [KOLVI_DIR] + [p for p in child_env.get("PYTHONPATH", "").split(os.pathsep) if p]
    )
    for name, value in (env or {}).items():
        if value is None:
            child_env.pop(name, None)
        else:
            child_env[name] = value
    return subprocess.run(
        # A free-threaded interpreter warns when the module turns the lock on; that is expected.
        [sys.executable, "-W", "ignore:The global interpreter lock:RuntimeWarning", "-c", textwrap.dedent(code)],
        capture_output=True,
        env=child_env,
        timeout=timeout,
    )


@pytest.fixture(scope="session")
def python_runner():
    return run_python


def gil_disabled():
    """True only on a free-threaded interpreter running without the lock."""
    return not getattr(sys, "_is_gil_enabled", lambda: True)()


def is_free_threaded_build():
    import sysconfig

    return bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
