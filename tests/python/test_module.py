"""The module tree, its __all__ lists, the two functions and how imports behave."""

import importlib
import sys

import kolvi
import pytest

from support import CLASS_NAMES, is_free_threaded_build, run_python

VERSION_MODULE = kolvi.package.version


def test_public_names():
    assert kolvi.__all__ == ["package", "test_function", "init_tracing"]


@pytest.mark.parametrize(
    "module, name, all_list",
    [
        (kolvi.package, "package", ["version"]),
        (kolvi.package.version, "version", CLASS_NAMES),
    ],
)
def test_submodules_have_bare_names_and_all_lists(module, name, all_list):
    assert module.__name__ == name
    assert module.__all__ == all_list
    for member in all_list:
        assert hasattr(module, member)


def test_module_docstring_is_one_sentence_naming_the_language():
    doc = kolvi.__doc__
    assert "Python module" in doc and "C++" in doc
    assert doc.count(".") == 1 and doc.endswith(".")


def test_reimport_returns_the_cached_module():
    first = kolvi
    second = importlib.import_module("kolvi")
    del sys.modules["kolvi"]
    try:
        third = importlib.import_module("kolvi")
    finally:
        sys.modules["kolvi"] = first
    assert first is second is third
    assert len(third.__all__) == 3
    assert third.package.version.SemVer is VERSION_MODULE.SemVer


def test_dotted_submodule_is_not_importable():
    with pytest.raises(ModuleNotFoundError):
        importlib.import_module("kolvi.package")


@pytest.mark.parametrize("module", [kolvi, kolvi.package, kolvi.package.version])
def test_no_outline_attribute(module):
    assert not hasattr(module, "Outline")


@pytest.mark.parametrize(
    "function, name, signature",
    [
        (kolvi.test_function, "test_function", "(version)"),
        (kolvi.init_tracing, "init_tracing", "()"),
    ],
)
def test_functions_are_bound_builtins(function, name, signature):
    assert function.__name__ == name
    assert function.__text_signature__ == signature
    assert function.__doc__ is None
    assert function.__self__ is kolvi
    assert function.__module__ == "kolvi"


@pytest.mark.parametrize(
    "name, doc, signature",
    [
        ("Version", "Python wrapper around a [`Version`]", "(*args)"),
        ("SemVer", "Python wrapper type for [`SemVer`]", "(*args, **kwargs)"),
        ("DotSeparated", "Python wrapper around [`DotSeparated`]", "(*args, **kwargs)"),
        ("Other", "Python wrapper around the [`Other`] version type", "(*args, **kwargs)"),
    ],
)
def test_class_identity_and_docs(name, doc, signature):
    cls = getattr(VERSION_MODULE, name)
    assert cls.__name__ == cls.__qualname__ == name
    assert cls.__module__ == "builtins"
    assert cls.__doc__ == doc
    assert cls.__text_signature__ == signature
    assert cls.__hash__ is None
    assert not hasattr(cls, "__dict__") or "__dict__" not in cls.__dict__
    assert "__weakref__" not in cls.__dict__


@pytest.mark.parametrize(
    "name, properties",
    [
        ("Version", []),
        ("SemVer", ["major", "minor", "patch", "rc", "meta"]),
        ("DotSeparated", ["parts"]),
        ("Other", ["value"]),
    ],
)
def test_properties_have_empty_docstrings(name, properties):
    cls = getattr(VERSION_MODULE, name)
    found = [k for k, v in cls.__dict__.items() if type(v).__name__ == "getset_descriptor"]
    assert found == properties
    for prop in properties:
        assert getattr(cls, prop).__doc__ == ""


@pytest.mark.parametrize(
    "make",
    [
        lambda: VERSION_MODULE.Version("1.2.3"),
        lambda: VERSION_MODULE.SemVer("1.2.3"),
        lambda: VERSION_MODULE.DotSeparated("1.2"),
        lambda: VERSION_MODULE.Other("main"),
    ],
)
def test_instances_are_unhashable_and_closed(make):
    instance = make()
    with pytest.raises(TypeError):
        hash(instance)
    with pytest.raises(TypeError):
        type("Sub", (type(instance),), {})
    with pytest.raises(AttributeError):
        instance.anything = 1


SUBINTERPRETER_IMPORT = """
import kolvi, _interpreters
interp = _interpreters.create({config})
failure = _interpreters.run_string(interp, "import kolvi")
_interpreters.destroy(interp)
print(failure.type.__name__)
print(failure.msg)
"""


@pytest.mark.parametrize("config", ["", "'legacy'"])
def test_subinterpreter_import_raises_import_error(config):
    # An isolated interpreter is refused by CPython's own check for single-phase modules; a
    # legacy one reaches the module, which refuses a second interpreter itself.
    result = run_python(SUBINTERPRETER_IMPORT.format(config=config))
    assert result.returncode == 0, result.stderr
    kind, message = result.stdout.decode().splitlines()
    assert kind == "ImportError"
    assert "interpreters" in message


@pytest.mark.skipif(not is_free_threaded_build(), reason="needs a free-threaded interpreter")
def test_import_enables_the_gil_on_free_threaded_builds():
    code = """
    import sys
    assert not sys._is_gil_enabled()
    import kolvi
    print(sys._is_gil_enabled())
    """
    env = {"PYTHON_GIL": None}
    result = run_python(code, env=env)
    assert result.returncode == 0, result.stderr
    assert result.stdout.decode().strip() == "True"
