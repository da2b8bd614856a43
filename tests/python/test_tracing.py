"""init_tracing() installs a process-wide subscriber, so every case runs in a fresh interpreter."""

import pytest

from support import run_python

MESSAGE = "a global default trace dispatcher has already been set"


@pytest.mark.parametrize("no_color", [None, "", "1"])
def test_first_call_installs_and_later_calls_raise(no_color):
    result = run_python(
        f"""
        import kolvi

        assert kolvi.init_tracing() is None
        for attempt in range(2):
            try:
                kolvi.init_tracing()
            except RuntimeError as error:
                assert type(error) is RuntimeError
                assert str(error) == {MESSAGE!r}, str(error)
            else:
                raise AssertionError("call after the first did not raise")
        print("done")
        """,
        env={"NO_COLOR": no_color},
        text=True,
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout == "done\n"
    assert result.stderr == ""


def test_refusal_does_not_depend_on_a_changed_environment():
    result = run_python(
        f"""
        import os
        import kolvi

        os.environ["NO_COLOR"] = "1"
        kolvi.init_tracing()
        os.environ.pop("NO_COLOR")
        try:
            kolvi.init_tracing()
        except RuntimeError as error:
            assert str(error) == {MESSAGE!r}
        else:
            raise AssertionError("second call did not raise")
        """,
        text=True,
    )
    assert result.returncode == 0, result.stderr


def test_arguments_are_refused():
    result = run_python(
        """
        import kolvi

        try:
            kolvi.init_tracing(1)
        except TypeError:
            pass
        else:
            raise AssertionError("an argument was accepted")
        assert kolvi.init_tracing() is None
        """,
        text=True,
    )
    assert result.returncode == 0, result.stderr


def test_calls_from_racing_threads_install_once():
    result = run_python(
        f"""
        import threading
        import kolvi

        barrier = threading.Barrier(8)
        outcomes = []

        def call():
            barrier.wait()
            try:
                outcomes.append(kolvi.init_tracing())
            except RuntimeError as error:
                outcomes.append(str(error))

        threads = [threading.Thread(target=call) for _ in range(8)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        assert outcomes.count(None) == 1, outcomes
        assert outcomes.count({MESSAGE!r}) == 7, outcomes
        """,
        text=True,
    )
    assert result.returncode == 0, result.stderr
