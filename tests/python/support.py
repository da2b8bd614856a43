"""What the Python tests share: the version classes, hostile argument objects, the order of the
values in pure Python, the runners of fresh interpreters and of the command-line tool, what the
classes report for the tool's inputs, the interpreter's threading facts and the loader of the
repository's Python scripts."""

import importlib.machinery
import importlib.util
import json
import os
import random
import subprocess
import sys
import sysconfig
import textwrap
from pathlib import Path

import kolvi

V = kolvi.package.version
# In the order of the version namespace's __all__.
CLASS_NAMES = ["Version", "SemVer", "DotSeparated", "Other"]
CLASSES = [getattr(V, name) for name in CLASS_NAMES]

# The report of parsing "1.2.x" as a SemVer with colour off, written out once.
SEMVER_1_2_X_REPORT = (
    "Error: \n"
    "   ╭─[ kolvi::package::version::semver::SemVer:1:5 ]\n"
    "   │\n"
    " 1 │ 1.2.x\n"
    "   │     ┬  \n"
    "   │     ╰── found 'x' expected integer\n"
    "───╯\n"
)

TESTS_DIR = Path(__file__).resolve().parent

# Whether the suite runs under a CPU emulator, where the heaviest tests shrink their inputs: the
# wheel builds say so with the "emulated" hypothesis profile, or KOLVI_TEST_EMULATED=1.
EMULATED = (
    os.environ.get("KOLVI_TEST_EMULATED") == "1"
    or os.environ.get("KOLVI_HYPOTHESIS_PROFILE") == "emulated"
)
REPO_ROOT = TESTS_DIR.parents[1]


# --- hostile arguments -------------------------------------------------------------------


class Boom(Exception):
    """Raised by the hostile objects; the module must pass it through untouched."""


# Subclasses of built-in types: the module must take each for its base type.
class IntSub(int):
    pass


class StrSub(str):
    """Its __str__ lies; the module must use the text itself."""

    def __str__(self):
        return "9.9.9"


class ListSub(list):
    pass


# Objects that pass for a type by protocol alone.
class Index:
    """An integer only by __index__."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class RaisingIndex:
    """__index__ raises `error_type(message)`."""

    def __init__(self, error_type=Boom, message="__index__"):
        self.error_type = error_type
        self.message = message

    def __index__(self):
        raise self.error_type(self.message)


class Seq:
    """A sequence by protocol only: __len__ and __getitem__."""

    def __init__(self, items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, index):
        return self.items[index]


class RaisingSequence:
    """A sequence whose third item raises."""

    def __len__(self):
        return 5

    def __getitem__(self, index):
        if index >= 2:
            raise Boom("midway")
        return str(index)


class RaisingIter(list):
    """A list whose iterator fails after the first item."""

    def __iter__(self):
        yield "a"
        raise Boom("iterating")


class RaisingLen:
    """A one-item sequence whose __len__ raises, so only iteration can read it."""

    def __len__(self):
        raise Boom("len")

    def __getitem__(self, index):
        if index > 0:
            raise IndexError
        return "only"


def generator():
    yield "a"


# --- the order of the values, in pure Python -------------------------------------------

KINDS = [V.SemVer, V.DotSeparated, V.Other]  # in kind rank order


def _utf8(texts):
    return [text.encode() for text in texts]


def reference_key(value):
    """A pure-Python key that orders any instance as the classes do: a SemVer by its numbers, then
    an absent rc above any present one, then the rc texts; texts by their UTF-8 bytes; a Version
    by kind rank, then the held value."""
    if isinstance(value, V.Version):
        for rank, kind in enumerate(KINDS):
            try:
                return rank, reference_key(kind(value))
            except TypeError:  # holds another kind
                continue
    if isinstance(value, V.SemVer):
        return value.major, value.minor, value.patch, value.rc is None, _utf8(value.rc or [])
    if isinstance(value, V.DotSeparated):
        return _utf8(value.parts)
    return value.value.encode()


def assert_compares_like_reference(a, b):
    """All six comparisons of `a` and `b` agree with their reference keys."""
    ka, kb = reference_key(a), reference_key(b)
    assert (a < b, a <= b, a == b, a != b, a > b, a >= b) == (
        ka < kb,
        ka <= kb,
        ka == kb,
        ka != kb,
        ka > kb,
        ka >= kb,
    ), (a, b)


# --- fresh interpreters ------------------------------------------------------------------

# The folder kolvi was imported from goes first on the child's path, so the child loads this
# very module, whether it lies in site-packages or in a folder named by PYTHONPATH.
KOLVI_DIR = os.path.dirname(kolvi.__file__)


def child_environment(env, path):
    """os.environ with colour off, `path` and kolvi's folder ahead of PYTHONPATH, then `env`.

    An `env` value of None removes the variable.
    """
    child_env = dict(os.environ)
    child_env["NO_COLOR"] = "1"
    child_env.pop("CLICOLOR_FORCE", None)
    inherited = [p for p in child_env.get("PYTHONPATH", "").split(os.pathsep) if p]
    child_env["PYTHONPATH"] = os.pathsep.join([*map(str, path), KOLVI_DIR, *inherited])
    for name, value in (env or {}).items():
        if value is None:
            child_env.pop(name, None)
        else:
            child_env[name] = value
    return child_env


def _run(command, env, path, timeout, options):
    """The one subprocess call: output captured unless `options` redirects it, colour off."""
    options.setdefault("stdout", subprocess.PIPE)
    options.setdefault("stderr", subprocess.PIPE)
    return subprocess.run(
        command, env=child_environment(env, path), timeout=timeout, check=False, **options
    )


def run_interpreter(*args, env=None, path=(), timeout=60, **options):
    """Runs this interpreter with `args` in a fresh process that imports the same kolvi.

    `options` go to subprocess.run (cwd, input, text); output is captured.
    """
    # A free-threaded interpreter warns when the module turns the lock on; that is expected.
    command = [sys.executable, "-W", "ignore:The global interpreter lock:RuntimeWarning", *args]
    return _run(command, env, path, timeout, options)


def run_python(code, **options):
    """Runs the (dedented) `code` in a fresh interpreter; see run_interpreter."""
    return run_interpreter("-c", textwrap.dedent(code), **options)


# --- the command-line tool --------------------------------------------------------------

# pip installs the tool into the environment's scripts folder, next to the interpreter.
KOLVI_TOOL = Path(sysconfig.get_path("scripts")) / "kolvi"


def run_cli(*args, input=b"", env=None, timeout=60, **options):
    """Runs the installed kolvi tool with `args` (str or bytes) and `input` on standard input.

    The environment and the other options are as for run_interpreter; output is bytes.
    """
    return _run([KOLVI_TOOL, *args], env, (), timeout, {"input": input, **options})


# The tool's --kind names and the classes they stand for.
KIND_CLASSES = {
    "version": "Version",
    "semver": "SemVer",
    "dot-separated": "DotSeparated",
    "other": "Other",
}

# The tool's report for a line that is not UTF-8.
NOT_UTF8 = "Error: not valid UTF-8\n"


def class_reports(kind, texts, env=None):
    """What the class of `kind` raises for each text (None when it parses), from a fresh
    interpreter with the same environment as the tool, so the colour decision is the same."""
    child = run_python(
        f"""
        import json, sys, kolvi
        cls = getattr(kolvi.package.version, {KIND_CLASSES[kind]!r})
        reports = []
        for text in json.load(sys.stdin):
            try:
                cls(text)
                reports.append(None)
            except RuntimeError as error:
                reports.append(str(error))
        print(json.dumps(reports))
        """,
        input=json.dumps(texts),
        text=True,
        env=env,
    )
    assert child.returncode == 0, child.stderr
    return json.loads(child.stdout)


def random_versions(count, seed):
    """Versions of every kind from a few pieces, so many tie or share long beginnings."""
    rng = random.Random(seed)
    pieces = ["0", "1", "9", "10", "4294967296", "a", "A", "-", "rc", "aaaaaaaaaa", "_", "é"]

    def identifiers():
        return ".".join(rng.choice(pieces) for _ in range(rng.randint(1, 4)))

    def version():
        form = rng.randrange(3)
        if form == 0:
            core = ".".join(rng.choice(pieces) for _ in range(3))
            rc = f"-{identifiers()}" if rng.random() < 0.5 else ""
            meta = f"+{identifiers()}" if rng.random() < 0.3 else ""
            return core + rc + meta
        return identifiers() if form == 1 else "_" + rng.choice(pieces) + rng.choice(pieces)

    return [version() for _ in range(count)]


# --- the interpreter --------------------------------------------------------------------


def gil_disabled():
    """True only on a free-threaded interpreter running without the lock."""
    return not getattr(sys, "_is_gil_enabled", lambda: True)()


def is_free_threaded_build():
    return bool(sysconfig.get_config_var("Py_GIL_DISABLED"))


# --- the repository's scripts -----------------------------------------------------------


def load_script(name):
    """Imports scripts/<name>, a Python script whose file name need not end in .py."""
    loader = importlib.machinery.SourceFileLoader(
        f"kolvi_script_{name.removesuffix('.py')}", str(REPO_ROOT / "scripts" / name)
    )
    spec = importlib.util.spec_from_loader(loader.name, loader)
    module = importlib.util.module_from_spec(spec)
    sys.modules[loader.name] = module  # dataclasses look their module up while decorating
    loader.exec_module(module)
    return module


def assert_raises_exactly(exception, message, function, *args, **kwargs):
    """Calls function(*args, **kwargs), which must raise exactly `exception` (not a subclass)
    with the text `message`; a message of None is not checked."""
    try:
        function(*args, **kwargs)
    except BaseException as raised:  # noqa: BLE001 - the type is checked exactly below
        assert type(raised) is exception, f"{type(raised).__name__}: {raised}"
        if message is not None:
            assert str(raised) == message
        return
    raise AssertionError(f"{exception.__name__} not raised")
