"""init_tracing() and test_function raced from many threads.

init_tracing() installs a process-wide subscriber, so the race runs in a fresh interpreter,
with the lock off on a free-threaded build. Exactly one thread may install the subscriber;
every line that test_function writes must come out whole, whatever the other threads write
to the same stream at the same time. scripts/tsan runs this under ThreadSanitizer.
"""

import pytest

from support import is_free_threaded_build, run_python

THREADS = 8
CALLS_PER_THREAD = 1_500
# The last one is longer than the stream's 1024-byte buffer.
TEXTS = ["1.2.3-rc.1+build.5", "1.2", "a_b", "é_" + "x" * 1500]
ALREADY_SET = "a global default trace dispatcher has already been set"

RACE = f"""
import sys
import threading

import kolvi

V = kolvi.package.version
versions = [V.Version(text) for text in {TEXTS!r}]
barrier = threading.Barrier({THREADS})
installed = []
problems = []


def try_install(index):
    try:
        kolvi.init_tracing()
    except RuntimeError as error:
        if str(error) != {ALREADY_SET!r}:
            problems.append(str(error))
    else:
        installed.append(index)


def worker(index):
    barrier.wait()
    try_install(index)
    for call in range({CALLS_PER_THREAD}):
        version = versions[(index + call) % len(versions)]
        if call % 2:
            kolvi.test_function(version)
        else:
            kolvi.test_function(version=version)
        if call % 250 == 0:
            try_install(index)


threads = [threading.Thread(target=worker, args=(i,)) for i in range({THREADS})]
for thread in threads:
    thread.start()
for thread in threads:
    thread.join()
print(
    f"installed={{len(installed)}} problems={{problems}} gil={{sys._is_gil_enabled()}}",
    file=sys.stderr,
)
"""


def test_init_tracing_and_test_function_race():
    env = {"PYTHON_GIL": "0"} if is_free_threaded_build() else {}
    child = run_python(RACE, env=env, timeout=600)
    stderr = child.stderr.decode("utf-8", "replace")
    assert child.returncode == 0, stderr[-3000:]
    summary = stderr.strip().splitlines()[-1]
    expected_gil = not is_free_threaded_build()
    assert summary == f"installed=1 problems=[] gil={expected_gil}", stderr[-3000:]

    lines = child.stdout.decode("utf-8").split("\n")
    assert lines.pop() == "", "output does not end with a line feed"
    expected = {f"Got version: {text}" for text in TEXTS}
    torn = [line[:80] for line in lines if line not in expected]
    assert not torn, f"{len(torn)} torn or foreign lines, first: {torn[:3]}"
    assert len(lines) == THREADS * CALLS_PER_THREAD


@pytest.mark.parametrize("threads", [2, THREADS])
def test_only_one_of_many_racing_installs_wins(threads):
    code = f"""
        import threading
        import kolvi

        barrier = threading.Barrier({threads})
        outcomes = []

        def install():
            barrier.wait()
            try:
                kolvi.init_tracing()
                outcomes.append("installed")
            except RuntimeError as error:
                outcomes.append(str(error))

        threads = [threading.Thread(target=install) for _ in range({threads})]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        print(sorted(outcomes))
        """
    env = {"PYTHON_GIL": "0"} if is_free_threaded_build() else {}
    child = run_python(code, env=env, timeout=300)
    assert child.returncode == 0, child.stderr.decode("utf-8", "replace")[-3000:]
    expected = sorted(["installed"] + [ALREADY_SET] * (threads - 1))
    assert child.stdout.decode().strip() == repr(expected)
