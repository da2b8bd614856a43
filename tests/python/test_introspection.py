"""The introspection records exported by the shared object, and the stubs generated from them."""

import ast
import importlib.util
import json
import shutil
import sys
import sysconfig
import textwrap
from pathlib import Path

import kolvi
import pytest
from elftools.elf.elffile import ELFFile

from support import CLASS_NAMES, REPO_ROOT, TESTS_DIR, load_script, run_interpreter

COMMITTED_STUB = REPO_ROOT / "stubs" / "kolvi-stubs" / "__init__.pyi"
ALLOWLIST = TESTS_DIR / "stubtest_allowlist.txt"
TYPED_USAGE = TESTS_DIR / "typed_usage.py"

CLASS_IDS = {
    "SemVer": "17141857818836673737",
    "DotSeparated": "3257718923707718592",
    "Other": "9851976511541829585",
    "Version": "8532724421915289496",
    "Outline": "9582234798640980253",
}
TOP_LEVEL_RECORDS = {
    ("module", "kolvi", "16716564216305331670"),
    *(("class", name, class_id) for name, class_id in CLASS_IDS.items()),
    ("function", "test_function", "3982591204276466723"),
    ("function", "init_tracing", "3408162280352740483"),
}
MEMBER_COUNTS = {"SemVer": 19, "DotSeparated": 11, "Other": 11, "Version": 9, "Outline": 0}
COMPARISONS = ("__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__")
# Property name -> (getter return, setter annotation).
PROPERTIES = {
    "SemVer": {
        "major": ("int", "int"),
        "minor": ("int", "int"),
        "patch": ("int", "int"),
        "rc": ("typing.Any", "typing.Any | None"),
        "meta": ("typing.Any", "typing.Any | None"),
    },
    "DotSeparated": {"parts": ("typing.Any", "typing.Any")},
    "Other": {"value": ("str", "str")},
    "Version": {},
}
SAMPLE_TEXT = {"SemVer": "1.2.3", "DotSeparated": "1.2", "Other": "main", "Version": "1.2.3"}


stubgen = load_script("stubgen")
SHARED_OBJECT = Path(kolvi.__file__)
RECORDS = stubgen.read_records(SHARED_OBJECT)
ITEMS = [record.data for record in RECORDS]
CLASS_NAME_BY_ID = {item["id"]: item["name"] for item in ITEMS if item["type"] == "class"}


def members_of(class_name):
    return [item for item in ITEMS if CLASS_NAME_BY_ID.get(item.get("parent")) == class_name]


def expected_members(class_name):
    """The member records of a class as (name, arguments, returns, decorators)."""
    self_only = {"posonlyargs": [{"name": "self"}]}
    new_arguments = {"posonlyargs": [{"name": "cls"}], "vararg": {"name": "args"}}
    if class_name != "Version":
        new_arguments["kwarg"] = {"name": "kwargs"}
    members = [("__new__", new_arguments, "None", None)]
    other = {"name": "other", "annotation": class_name}
    members += [(name, {**self_only, "args": [other]}, "bool", None) for name in COMPARISONS]
    members += [("__repr__", self_only, "str", None), ("__str__", self_only, "str", None)]
    for name, (getter_returns, setter_annotation) in PROPERTIES[class_name].items():
        setter_parameter = {"name": f"new_{name}", "annotation": setter_annotation}
        members.append((name, self_only, getter_returns, ["property"]))
        setter_arguments = {**self_only, "args": [setter_parameter]}
        members.append((name, setter_arguments, "None", [f"{name}.setter"]))
    return members


# --- the records as data -------------------------------------------------------------------


def test_there_are_58_records_of_16_bytes_each_holding_one_compact_json_object():
    assert len(RECORDS) == 58
    assert len({record.number for record in RECORDS}) == 58
    for record in RECORDS:
        assert record.symbol_size == 16, record.symbol
        assert b"\0" not in record.text, record.symbol
        # Re-serialising without whitespace reproduces the text exactly: one object, no spaces
        # between tokens, nothing after it.
        compact = json.dumps(record.data, separators=(",", ":"), ensure_ascii=False)
        assert compact.encode() == record.text, record.symbol


def test_only_pyinit_and_the_records_are_exported_and_the_records_are_relocated_read_only_data():
    with open(SHARED_OBJECT, "rb") as stream:
        elf = ELFFile(stream)
        defined = [
            s
            for s in elf.get_section_by_name(".dynsym").iter_symbols()
            if s["st_shndx"] != "SHN_UNDEF" and s.name
        ]
        sections = {
            s.name: elf.get_section(s["st_shndx"]).name
            for s in defined
            if isinstance(s["st_shndx"], int)
        }
    functions = {s.name for s in defined if s["st_info"]["type"] == "STT_FUNC"}
    records = {s.name for s in defined if s.name.startswith(stubgen.SYMBOL_PREFIX)}
    assert functions == {"PyInit_kolvi"}
    assert {s.name for s in defined} == functions | records
    for symbol in defined:
        if symbol.name in records:
            assert symbol["st_info"]["bind"] == "STB_GLOBAL"
            assert symbol["st_info"]["type"] == "STT_OBJECT"
            assert symbol["st_other"]["visibility"] == "STV_DEFAULT"
            assert sections[symbol.name] == ".data.rel.ro"


def test_module_class_and_function_ids():
    top_level = {(item["type"], item["name"], item["id"]) for item in ITEMS if "id" in item}
    assert top_level == TOP_LEVEL_RECORDS
    module = next(item for item in ITEMS if item["type"] == "module")
    assert module["members"] == [] and module["incomplete"] is True


def test_every_parent_names_a_class_and_member_counts_match():
    for item in ITEMS:
        if "parent" in item:
            assert item["parent"] in CLASS_NAME_BY_ID, item
            assert "id" not in item
    counts = {name: len(members_of(name)) for name in CLASS_IDS}
    assert counts == MEMBER_COUNTS


@pytest.mark.parametrize("class_name", CLASS_NAMES)
def test_member_signatures(class_name):
    actual = [
        (m["name"], m["arguments"], m["returns"], m.get("decorators"))
        for m in members_of(class_name)
    ]
    assert sorted(map(repr, actual)) == sorted(map(repr, expected_members(class_name)))


def test_function_signatures():
    functions = {
        item["name"]: item for item in ITEMS if item["type"] == "function" and "id" in item
    }
    assert functions["test_function"]["arguments"] == {
        "args": [{"name": "version", "annotation": "Version"}]
    }
    assert functions["test_function"]["returns"] == "None"
    assert functions["init_tracing"]["arguments"] == {}
    assert functions["init_tracing"]["returns"] == "typing.Any"


# --- agreement with the live module -------------------------------------------------------


def text_signature_of(arguments):
    """The text signature CPython shows for a parameter list (without "self"/"cls")."""
    parts = [p["name"] for p in arguments.get("args", [])]
    parts += [f"*{arguments['vararg']['name']}"] if "vararg" in arguments else []
    parts += [f"**{arguments['kwarg']['name']}"] if "kwarg" in arguments else []
    return "(" + ", ".join(parts) + ")"


@pytest.mark.parametrize("class_name", CLASS_NAMES)
def test_class_records_agree_with_the_live_class(class_name):
    cls = getattr(kolvi.package.version, class_name)
    members = members_of(class_name)
    for member in members:
        assert member["name"] in vars(cls), member["name"]
    constructor = next(m for m in members if m["name"] == "__new__")
    assert cls.__text_signature__ == text_signature_of(constructor["arguments"])
    getters = {m["name"] for m in members if m.get("decorators") == ["property"]}
    runtime_properties = {
        name
        for name, value in vars(cls).items()
        if type(value).__name__ == "getset_descriptor" and name[:2] != "__"
    }
    assert getters == runtime_properties


@pytest.mark.parametrize(
    "class_name,property_name",
    [(cls, prop) for cls, props in PROPERTIES.items() for prop in props],
)
def test_setter_parameter_is_named_new_property_at_run_time(class_name, property_name):
    (setter,) = [
        m for m in members_of(class_name) if m.get("decorators") == [f"{property_name}.setter"]
    ]
    parameter = setter["arguments"]["args"][0]["name"]
    assert parameter == f"new_{property_name}"
    instance = getattr(kolvi.package.version, class_name)(SAMPLE_TEXT[class_name])
    with pytest.raises(TypeError, match=f"^argument '{parameter}': "):
        setattr(instance, property_name, object())


def test_function_records_agree_with_the_live_module():
    for item in ITEMS:
        if item["type"] == "function" and "id" in item:
            function = getattr(kolvi, item["name"])
            assert function.__text_signature__ == text_signature_of(item["arguments"])
    assert next(item["name"] for item in ITEMS if item["type"] == "module") == kolvi.__name__
    assert not hasattr(kolvi, "Outline") and not hasattr(kolvi.package.version, "Outline")


# --- the stubs --------------------------------------------------------------------------------


def test_regenerating_the_stub_reproduces_the_committed_file():
    assert stubgen.render_stub(RECORDS) == COMMITTED_STUB.read_text()


def test_each_text_pointer_is_stored_as_a_load_time_relocation():
    # Position-independent code cannot store the address itself; the reader must take it from
    # the relocation, and the text it then reads must be the JSON checked above.
    with open(SHARED_OBJECT, "rb") as stream:
        image = stubgen.ElfImage(stream)
        dynsym = image.elf.get_section_by_name(".dynsym")
        for record in RECORDS:
            (symbol,) = dynsym.get_symbol_by_name(record.symbol)
            assert symbol["st_value"] in image.relocations, record.symbol


needs_mypy = pytest.mark.skipif(
    importlib.util.find_spec("mypy") is None, reason="mypy is not installed for this interpreter"
)


def run_mypy(*args, cwd, **options):
    return run_interpreter("-m", *args, cwd=cwd, text=True, timeout=600, **options)


def flat_version_namespace_stub(stub_text):
    """The classes of the `version` namespace, dedented into a module stub of their own."""
    tree = ast.parse(stub_text)
    package = next(node for node in tree.body if getattr(node, "name", None) == "package")
    version = next(node for node in package.body if getattr(node, "name", None) == "version")
    body = "\n".join(stub_text.splitlines()[version.lineno : version.end_lineno])
    names = [node.name for node in version.body]
    return "import typing\n\n__all__ = {}\n\n{}\n".format(
        json.dumps(names), textwrap.dedent(body).replace("package.version.", "")
    )


@pytest.fixture(scope="module")
def stubtest_result(tmp_path_factory):
    # The namespaces are module objects at run time but classes in the stub, so stubtest cannot
    # descend into them from `kolvi`; a module that re-exports the classes, with the classes of
    # the committed stub as its stub, lets the same run check them. One run: mypy is slow to start.
    folder = tmp_path_factory.mktemp("stubtest")
    (folder / "kolvi_version_view.pyi").write_text(
        flat_version_namespace_stub(COMMITTED_STUB.read_text())
    )
    (folder / "kolvi_version_view.py").write_text(
        "import kolvi\n"
        "globals().update(vars(kolvi.package.version))\n"
        "__all__ = list(kolvi.package.version.__all__)\n"
    )
    return run_mypy(
        "mypy.stubtest",
        "kolvi",
        "kolvi_version_view",
        "--allowlist",
        str(ALLOWLIST),
        cwd=folder,
        env={"MYPYPATH": str(folder)},
        path=[folder],
    )


@needs_mypy
def test_stubtest_accepts_the_installed_stub_and_the_classes_in_it(stubtest_result):
    assert stubtest_result.returncode == 0, stubtest_result.stdout + stubtest_result.stderr
    assert "in 2 modules" in stubtest_result.stdout


def installed_stub():
    return Path(sysconfig.get_paths()["platlib"]) / "kolvi-stubs" / "__init__.pyi"


def test_pip_installs_the_stub_as_a_stub_only_package():
    assert installed_stub().read_text() == COMMITTED_STUB.read_text()


def test_typed_usage_runs():
    sys.path.insert(0, str(TYPED_USAGE.parent))
    try:
        import typed_usage
    finally:
        sys.path.pop(0)
    assert typed_usage.run()[1:] == ["4", "1.3", "MAIN", "True"]


MISUSES = [
    ("from kolvi.package.version import SemVer", "import-not-found"),
    ("kolvi.package.version.SemVer('1.2.3').major = '1'", "assignment"),
    ("kolvi.package.version.SemVer('1.2.3') < kolvi.package.version.Version('1.2.3')", "operator"),
    ("kolvi.test_function(kolvi.package.version.SemVer('1.2.3'))", "arg-type"),
    ("kolvi.package.version.Other('x').value.missing", "attr-defined"),
]


@pytest.fixture(scope="module")
def mypy_strict_errors(tmp_path_factory):
    folder = tmp_path_factory.mktemp("mypy")
    shutil.copy(TYPED_USAGE, folder)
    (folder / "misuse.py").write_text("import kolvi\n" + "".join(f"{m}\n" for m, _ in MISUSES))
    result = run_mypy(
        "mypy", "--strict", "--no-incremental", TYPED_USAGE.name, "misuse.py", cwd=folder
    )
    assert "error: " not in result.stderr, result.stderr
    return [line for line in result.stdout.splitlines() if ": error:" in line]


@needs_mypy
def test_typed_usage_passes_mypy_strict(mypy_strict_errors):
    assert [e for e in mypy_strict_errors if e.startswith(TYPED_USAGE.name)] == []


@needs_mypy
def test_mypy_rejects_misuse(mypy_strict_errors):
    for line_number, (misuse, code) in enumerate(MISUSES, start=2):
        prefix = f"misuse.py:{line_number}: error:"
        assert any(e.startswith(prefix) and e.endswith(f"[{code}]") for e in mypy_strict_errors), (
            misuse
        )
    assert len(mypy_strict_errors) == len(MISUSES), mypy_strict_errors
