"""Concurrency stress: shared instances hammered from eight threads.

With the interpreter lock forced off (PYTHON_GIL=0 on a free-threaded build) the access flags
are the only guard; the only exceptions allowed are the two access conflicts, and every read
must return a value that some thread wrote.
"""

import random
import threading

import kolvi
import pytest

from support import TESTS_DIR, gil_disabled, is_free_threaded_build, run_python

V = kolvi.package.version
THREADS = 8
OPERATIONS_PER_THREAD = 4_000
ALLOWED = {"Already borrowed", "Already mutably borrowed"}
# Copying from an instance that another thread is writing treats the source as a foreign type.
ALLOWED_COPY_CONFLICTS = {
    "Cannot construct Version from type 'SemVer'",
    "Cannot construct DotSeparated from type 'DotSeparated'",
}

# Each thread writes majors of its own that never repeat, so a major read twice the same has not
# changed in between (a value that came back would hide a change).
MAJORS_PER_THREAD = 1_000_000
LISTS = [None, [], ["a"], ["b", "c"], ["rc", "1", "x"]]
PARTS = [["1"], ["1", "2"], ["2024", "10", "1"], []]
TEXTS = ["main", "dev", "a_b", ""]


def stress(operations_per_thread=OPERATIONS_PER_THREAD):
    semver = V.SemVer("1.2.3")
    dotted = V.DotSeparated("1.2")
    other = V.Other("main")
    wrapped = V.Version("1.2.3")
    problems = []
    barrier = threading.Barrier(THREADS)

    def check(condition, what):
        if not condition:
            problems.append(what)

    def order_is_current():
        # Only major changes (minor stays 2): when it reads the same on both sides of the
        # comparisons, they must place the value between before.1.0 and before.3.0, whatever
        # cached key they used.
        before = semver.major
        above = semver > V.SemVer(major=before, minor=1, patch=0)
        below = semver < V.SemVer(major=before, minor=3, patch=0)
        check(semver.major != before or (above and below), f"stale order for major {before}")

    def written_major(major):
        return major == 1 or major >= MAJORS_PER_THREAD

    def operations(rng, seed):
        majors = iter(range((seed + 1) * MAJORS_PER_THREAD, (seed + 2) * MAJORS_PER_THREAD))
        return [
            order_is_current,
            lambda: setattr(semver, "major", next(majors)),
            lambda: setattr(semver, "rc", rng.choice(LISTS)),
            lambda: check(written_major(semver.major), f"major {semver.major}"),
            lambda: check(semver.rc in LISTS, f"rc {semver.rc}"),
            lambda: setattr(dotted, "parts", rng.choice(PARTS)),
            lambda: check(dotted.parts in PARTS, f"parts {dotted.parts}"),
            lambda: check(str(dotted) in {".".join(p) for p in PARTS}, f"str {dotted}"),
            lambda: setattr(other, "value", rng.choice(TEXTS)),
            lambda: check(other.value in TEXTS, f"value {other.value!r}"),
            lambda: check(V.SemVer(str(semver)).patch == 3, f"round trip {semver}"),
            lambda: semver < V.SemVer("4.0.0"),
            lambda: semver == semver,
            lambda: dotted >= V.DotSeparated("1"),
            lambda: V.DotSeparated("1") < dotted,
            lambda: check(V.Version(semver).__class__ is V.Version, "wrap"),
            lambda: check(V.DotSeparated(dotted).parts in PARTS, "copy"),
            lambda: check(str(wrapped) == "1.2.3", "version"),
            lambda: kolvi.test_function.__name__,  # touch the module between ops
        ]

    def worker(seed):
        rng = random.Random(seed)
        ops = operations(rng, seed)
        barrier.wait()
        for _ in range(operations_per_thread):
            try:
                rng.choice(ops)()
            except RuntimeError as error:
                if str(error) not in ALLOWED:
                    problems.append(f"unexpected RuntimeError: {error}")
            except TypeError as error:
                if str(error) not in ALLOWED_COPY_CONFLICTS:
                    problems.append(f"unexpected TypeError: {error}")
            except Exception as error:  # noqa: BLE001 - any other exception is a failure
                problems.append(f"{type(error).__name__}: {error}")

    threads = [threading.Thread(target=worker, args=(seed,)) for seed in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return problems


def test_stress_in_this_interpreter():
    # Under the lock this checks the same invariants; without it, it is the real stress.
    count = OPERATIONS_PER_THREAD if gil_disabled() else OPERATIONS_PER_THREAD // 4
    assert stress(count) == []


@pytest.mark.skipif(not is_free_threaded_build(), reason="needs a free-threaded interpreter")
@pytest.mark.skipif(gil_disabled(), reason="already running without the lock")
def test_stress_without_the_lock():
    code = """
    import sys
    import kolvi
    assert not sys._is_gil_enabled()
    import test_threads
    problems = test_threads.stress()
    print(len(problems))
    for problem in problems[:10]:
        print(problem)
    """
    result = run_python(code, env={"PYTHON_GIL": "0"}, path=[TESTS_DIR], timeout=120)
    assert result.returncode == 0, result.stderr.decode()
    assert result.stdout.decode().strip() == "0"
