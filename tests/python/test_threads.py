"""Concurrency stress: shared instances hammered from eight threads.

With the interpreter lock forced off (PYTHON_GIL=0 on a free-threaded build) the access flags
are the only guard; the only exceptions allowed are the two access conflicts, and every read
must return a value that some thread wrote. Setters racing comparisons, sorts, copies and text
forms must leave each of them answering for one whole value, before or after a setter.
"""

import json
import operator
import random
import threading
import time
from dataclasses import dataclass

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


# --- setters racing comparisons, sorts, copies and text forms ------------------------------

# Long enough that the order key is cut short, so that comparisons go on to read the values.
LONG = "x" * 24
# Instance i < BANDS flips between two values of band i, each below every value of band i + 1;
# the last two instances are twins in band BANDS that setters only rewrite with their one value.
# Whatever the setters did, whole values order the instances one way, the twins as equals.
BANDS = 6
INSTANCE_BANDS = [*range(BANDS), BANDS, BANDS]
RACE_OPERATIONS_PER_THREAD = 1_500
# Past those operations, with the lock off, the threads go on until readers have met setters this
# often, so that the race really happened, or until the time is up.
WANTED_CONFLICTS = 100
RACE_SECONDS = 20
COMPARISONS = [operator.lt, operator.le, operator.eq, operator.ne, operator.gt, operator.ge]


@dataclass(frozen=True)
class Flips:
    """A class, the field its setters write, whether the keys are cut short, and the field value
    and text of band `band`'s value number `step` (0 or 1)."""

    name: str
    field: str
    keys_cut_short: bool
    field_value: object  # (band, step) -> the value the setter writes
    text: object  # (band, step) -> the text that parses to the same value

    @property
    def cls(self):
        return getattr(V, self.name)

    def __str__(self):
        return f"{self.name}.{self.field}, keys {'cut short' if self.keys_cut_short else 'whole'}"


def _suffix(band, step):
    return f"{band}{'ab'[step]}"


FLIPS = [
    # Whole keys: comparisons decide by the keys alone, cached or known.
    Flips("SemVer", "patch", False, lambda band, step: step, lambda band, step: f"{band}.0.{step}"),
    Flips(
        "DotSeparated",
        "parts",
        False,
        lambda band, step: [str(band), str(step)],
        lambda band, step: f"{band}.{step}",
    ),
    # Keys cut short and equal in every band: comparisons read the values.
    Flips(
        "SemVer",
        "rc",
        True,
        lambda band, step: [LONG, _suffix(band, step)],
        lambda band, step: f"1.0.0-{LONG}.{_suffix(band, step)}",
    ),
    Flips(
        "DotSeparated",
        "parts",
        True,
        lambda band, step: [LONG, _suffix(band, step)],
        lambda band, step: f"{LONG}.{_suffix(band, step)}",
    ),
    Flips(
        "Other",
        "value",
        True,
        lambda band, step: LONG + _suffix(band, step),
        lambda band, step: LONG + _suffix(band, step),
    ),
]


def steps_of(band):
    return [0] if band == BANDS else [0, 1]


def race_setters(flips, operations_per_thread=RACE_OPERATIONS_PER_THREAD):
    """Eight threads set, compare, sort, copy and print the same instances of `flips`. Returns
    the problems found and how many access conflicts showed that readers met setters."""
    cls = flips.cls
    instances = [cls(flips.text(band, 0)) for band in INSTANCE_BANDS]
    band_of = {id(instance): band for instance, band in zip(instances, INSTANCE_BANDS, strict=True)}
    # The display and debug forms of each instance's whole values.
    values = [[cls(flips.text(band, step)) for step in steps_of(band)] for band in INSTANCE_BANDS]
    displays = [{str(value) for value in band_values} for band_values in values]
    debugs = [{repr(value) for value in band_values} for band_values in values]
    copy_conflicts = {
        f"Cannot construct {flips.name} from type '{flips.name}'",
        f"Cannot construct Version from type '{flips.name}'",
    }
    problems = []
    conflicts = []
    barrier = threading.Barrier(THREADS)
    wanted_conflicts = WANTED_CONFLICTS if gil_disabled() else 0

    def check(condition, what):
        if not condition:
            problems.append(what)

    def set_field(rng, index):
        band = INSTANCE_BANDS[index]
        setattr(instances[index], flips.field, flips.field_value(band, rng.choice(steps_of(band))))

    def compare(rng, index, other=None):
        other = rng.randrange(len(instances)) if other is None else other
        comparison = rng.choice(COMPARISONS)
        expected = comparison(INSTANCE_BANDS[index], INSTANCE_BANDS[other])
        answer = comparison(instances[index], instances[other])
        check(answer is expected, f"{comparison.__name__}({index}, {other}) gave {answer}")

    def compare_with_itself(rng, index):
        compare(rng, index, index)

    def sort(rng, index):
        shuffled = rng.sample(instances, len(instances))
        reverse = rng.random() < 0.5
        # Whole values sort by band, and stably: the twins stay in the order they came in.
        expected = sorted(shuffled, key=lambda x: band_of[id(x)], reverse=reverse)
        answer = sorted(shuffled, reverse=reverse)
        check(
            all(map(operator.is_, answer, expected)), f"sorted(reverse={reverse}) is out of order"
        )

    def copy(rng, index):
        copied = rng.choice([cls, V.Version])(instances[index])
        check(str(copied) in displays[index], f"a copy of {index} reads {copied}")

    def display(rng, index):
        text = str(instances[index])
        check(text in displays[index], f"str of {index} reads {text}")

    def debug(rng, index):
        text = repr(instances[index])
        check(text in debugs[index], f"repr of {index} reads {text}")

    operations = [set_field, set_field, compare, compare_with_itself, sort, copy, display, debug]

    def worker(seed):
        rng = random.Random(seed)
        barrier.wait()
        deadline = time.monotonic() + RACE_SECONDS
        done = 0
        while done < operations_per_thread or (
            len(conflicts) < wanted_conflicts and time.monotonic() < deadline
        ):
            done += 1
            try:
                rng.choice(operations)(rng, rng.randrange(len(instances)))
            except RuntimeError as error:
                if str(error) in ALLOWED:
                    conflicts.append(1)
                else:
                    problems.append(f"unexpected RuntimeError: {error}")
            except TypeError as error:
                if str(error) in copy_conflicts:
                    conflicts.append(1)
                else:
                    problems.append(f"unexpected TypeError: {error}")
            except Exception as error:  # noqa: BLE001 - any other exception is a failure
                problems.append(f"{type(error).__name__}: {error}")

    threads = [threading.Thread(target=worker, args=(seed,)) for seed in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return {"problems": problems[:10], "conflicts": len(conflicts)}


def without_the_lock(call):
    """What `test_threads.<call>` returns, run in a fresh interpreter with the lock off."""
    code = f"""
    import json, sys
    import kolvi
    assert not sys._is_gil_enabled()
    import test_threads
    print(json.dumps(test_threads.{call}))
    """
    result = run_python(code, env={"PYTHON_GIL": "0"}, path=[TESTS_DIR], timeout=300)
    assert result.returncode == 0, result.stderr.decode()
    return json.loads(result.stdout)


@pytest.mark.parametrize("index", range(len(FLIPS)), ids=[str(flips) for flips in FLIPS])
def test_racing_setters_leave_every_answer_whole(index):
    flips = FLIPS[index]
    # The table itself: bands in order, and the setters write the values the texts parse to.
    bands = [
        [flips.cls(flips.text(band, step)) for step in steps_of(band)] for band in range(BANDS + 1)
    ]
    for lower, upper in zip(bands, bands[1:], strict=False):
        assert max(lower) < min(upper)
    for band, values in enumerate(bands):
        for step, value in enumerate(values):
            assert getattr(value, flips.field) == flips.field_value(band, step)

    if gil_disabled() or not is_free_threaded_build():
        outcome = race_setters(flips)
    else:
        outcome = without_the_lock(f"race_setters(test_threads.FLIPS[{index}])")
    assert outcome["problems"] == []
    if is_free_threaded_build():
        # Without the lock, readers must have met setters at least once.
        assert outcome["conflicts"] > 0


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
