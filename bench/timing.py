"""Helpers shared by the benchmarks: medians of timeit runs, in turns when two are compared; the
colour environments; importing kolvi."""

from __future__ import annotations

import os
import statistics
import subprocess
import tempfile
import time
import timeit
import warnings

COLOUR_OFF = {"NO_COLOR": "1", "CLICOLOR_FORCE": None}
COLOUR_FORCED = {"NO_COLOR": None, "CLICOLOR_FORCE": "1", "TERM": "xterm"}


def apply_environment(changes, env=os.environ):
    """Sets the variables of `changes` in `env`; a value of None removes the variable."""
    for name, value in changes.items():
        if value is None:
            env.pop(name, None)
        else:
            env[name] = value
    return env


def import_kolvi():
    """kolvi, imported without the free-threaded build's warning that it turns the lock on."""
    with warnings.catch_warnings():
        warnings.filterwarnings("ignore", "The global interpreter lock", RuntimeWarning)
        import kolvi
    return kolvi


def median_ns(stmt, setup="pass", namespace=None, repeat=7, number=None):
    """Median ns per run of `stmt` (a string or a callable) over `repeat` timeit runs."""
    timer = timeit.Timer(stmt, setup, globals=namespace)
    if number is None:
        number, _ = timer.autorange()
    runs = timer.repeat(repeat=repeat, number=number)
    return statistics.median(runs) / number * 1e9


def paired_median_ns(first, second, repeat=7, number=None):
    """Median ns per call of two callables whose runs alternate, so both meet the same load."""
    timers = (timeit.Timer(first), timeit.Timer(second))
    if number is None:
        number = max(timer.autorange()[0] for timer in timers)
    runs = ([], [])
    for _ in range(repeat):
        for timer, samples in zip(timers, runs, strict=True):
            samples.append(timer.timeit(number))
    return tuple(statistics.median(samples) / number * 1e9 for samples in runs)


def failing(parse, text, error):
    """A callable that parses `text` and catches the `error` it raises."""

    def run():
        try:
            parse(text)
        except error:
            pass

    return run


def raising(message):
    """A callable that raises and catches RuntimeError(message): the floor of a failed parse."""

    def run():
        try:
            raise RuntimeError(message)
        except RuntimeError:
            pass

    return run


def run_measured(command: list[str], stdin_path: str | None) -> tuple[float, int]:
    """Wall seconds and peak resident kilobytes of one run, output discarded; the tool benches share it."""
    with tempfile.NamedTemporaryFile("r") as usage:
        timed = ["/usr/bin/time", "-f", "%M", "-o", usage.name, *command]
        with open(stdin_path or os.devnull, "rb") as stdin:
            start = time.perf_counter()
            subprocess.run(
                timed,
                stdin=stdin,
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
                check=False,
                env=apply_environment({**COLOUR_OFF, "LC_ALL": "C"}, dict(os.environ)),
            )
            wall = time.perf_counter() - start
        return wall, int(usage.read().split()[-1])
