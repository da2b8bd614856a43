"""The `kolvi-api` directive: the Python API reference, written from what the installed module says
about itself. The classes, their members, properties, setter parameters and annotations come
from the introspection records the shared object exports (read as scripts/stubgen reads them);
signatures, docstrings and `__all__` from the live module; and every constructor form, property
rule, comparison rule and error message from calling the module in a fresh interpreter. The only
inputs written here are example strings for each class, so a class without them fails the
build instead of going undocumented."""

from __future__ import annotations

import importlib.machinery
import importlib.util
import json
import sys
from dataclasses import dataclass, field
from pathlib import Path

from docutils import nodes
from sphinx.util.docutils import SphinxDirective

from . import probe
from .rst import Skeleton, block, literal, paragraph, table

REPO_ROOT = Path(__file__).resolve().parents[3]
NAMESPACE = "kolvi.package.version"

# One string per kind that parses as that kind, with every field in use where the kind has more
# than one; and for each kind, a text that Version parses as another kind.
EXAMPLES = {"SemVer": "1.2.3-rc.1+build.5", "DotSeparated": "2024.10", "Other": "nightly_build"}
OTHER_KIND_EXAMPLE = {"SemVer": "2024.10", "DotSeparated": "1.2.3", "Other": "1.2.3"}
# One string per class that its parse rejects.
INVALID_EXAMPLES = {"SemVer": "1.2.x", "DotSeparated": "a..b", "Other": "1abc", "Version": "1.2.3_"}


def load_stubgen():
    loader = importlib.machinery.SourceFileLoader(
        "kolvi_docs_stubgen", str(REPO_ROOT / "scripts" / "stubgen")
    )
    spec = importlib.util.spec_from_loader(loader.name, loader)
    module = importlib.util.module_from_spec(spec)
    sys.modules[loader.name] = module  # its dataclasses look the module up
    loader.exec_module(module)
    return module


@dataclass
class Property:
    name: str
    returns: str
    setter_parameter: str | None = None
    setter_annotation: str | None = None


@dataclass
class ClassRecord:
    name: str
    id: str
    takes_keywords: bool = False
    comparisons: list[tuple[str, str]] = field(default_factory=list)  # (method, operand type)
    text_methods: list[str] = field(default_factory=list)
    properties: dict[str, Property] = field(default_factory=dict)


def module_path() -> str:
    spec = importlib.util.find_spec("kolvi")
    if spec is None or not spec.origin:
        raise RuntimeError("kolvi is not installed in the interpreter that runs Sphinx")
    return spec.origin


def read_api() -> tuple[list[ClassRecord], list[dict]]:
    """The classes the module creates (with members) and the module functions, from the records."""
    records = [record.data for record in load_stubgen().read_records(module_path())]
    classes = {r["id"]: ClassRecord(r["name"], r["id"]) for r in records if r["type"] == "class"}
    functions = [r for r in records if r["type"] == "function" and "parent" not in r]
    for record in records:
        owner = classes.get(record.get("parent", ""))
        if owner is None:
            continue
        name, arguments = record["name"], record["arguments"]
        decorators = record.get("decorators", [])
        if name == "__new__":
            owner.takes_keywords = "kwarg" in arguments
        elif "property" in decorators:
            owner.properties[name] = Property(name, record["returns"])
        elif any(d.endswith(".setter") for d in decorators):
            (parameter,) = arguments["args"]
            prop = owner.properties[name]
            prop.setter_parameter = parameter["name"]
            prop.setter_annotation = parameter.get("annotation")
        elif name in ("__repr__", "__str__"):
            owner.text_methods.append(name)
        else:
            owner.comparisons.append((name, arguments["args"][0].get("annotation", "")))
    created = [cls for cls in classes.values() if cls.comparisons]  # Outline has no members
    return created, functions


# --- probes ------------------------------------------------------------------------------------


def facts_of_module() -> dict:
    """Docstrings, text signatures, names and __all__ as the live module reports them."""
    code = """
import json
cls_facts = {}
for name in kolvi.package.version.__all__:
    cls = getattr(kolvi.package.version, name)
    cls_facts[name] = {
        "doc": cls.__doc__, "signature": cls.__text_signature__, "module": cls.__module__,
        "qualname": cls.__qualname__,
        "properties": {p: getattr(cls, p).__doc__ for p in dir(cls)
                       if isinstance(getattr(cls, p), type(SemVer.major))},
    }
functions = {name: {"doc": getattr(kolvi, name).__doc__,
                    "signature": getattr(kolvi, name).__text_signature__}
             for name in kolvi.__all__ if callable(getattr(kolvi, name))}
print(json.dumps({"doc": kolvi.__doc__, "all": kolvi.__all__,
                  "package_all": kolvi.package.__all__,
                  "version_all": kolvi.package.version.__all__,
                  "classes": cls_facts, "functions": functions}))
"""
    outcome = probe.run_one(code)
    if outcome.failed:
        raise RuntimeError(f"reading the module failed: {outcome.error_type}: {outcome.message}")
    return json.loads(outcome.stdout)


class ClassProbes:
    """The calls shown for one class, grouped by table, run in one batch."""

    def __init__(self, cls: ClassRecord, example_values: dict[str, object]) -> None:
        self.cls = cls
        self.values = example_values  # property name -> value read from the parsed example
        self.groups: dict[str, list[tuple[str, str]]] = {}  # table -> [(situation, code)]

    def add(self, group: str, situation: str, code: str) -> None:
        self.groups.setdefault(group, []).append((situation, code))

    def keywords(self, **overrides) -> str:
        """The keyword form with every field from the example, changed or dropped (None)."""
        values = {name: value for name, value in self.values.items()}
        for name, value in overrides.items():
            if value is DROP:
                values.pop(name)
            else:
                values[name] = value
        return ", ".join(f"{name}={repr(value)}" for name, value in values.items())


DROP = object()


def wrong_values(value) -> list[tuple[str, object]]:
    """(what is wrong, a value) to try on a field that holds `value`."""
    if isinstance(value, bool | int):
        return [("a str", "1"), ("a negative int", -1), ("an int above 2**32 - 1", 2**32)]
    if isinstance(value, str):
        return [("an int", 5), ("None", None)]
    return [("a str", "a"), ("an int", 5), ("a list holding an int", [5]), ("None", None)]


def good_value(value):
    """Another value a field that holds `value` accepts: a tuple stands in for a list."""
    if isinstance(value, bool | int):
        return 7
    if isinstance(value, str):
        return "next"
    return ("a", "b")


def class_probes(cls: ClassRecord, values: dict[str, object]) -> ClassProbes:
    name = cls.name
    probes = ClassProbes(cls, values)
    if name == "Version":
        for kind, text in EXAMPLES.items():
            probes.add("forms", f"a string that parses as {kind}", f"Version({text!r})")
        for kind, text in EXAMPLES.items():
            article = "an" if kind[0] in "AEIOU" else "a"
            probes.add("forms", f"{article} {kind} instance, copied", f"Version({kind}({text!r}))")
        probes.add("forms", "another Version, copied", f"Version(Version({EXAMPLES['SemVer']!r}))")
    else:
        text = EXAMPLES[name]
        probes.add("forms", "a string, parsed", f"{name}({text!r})")
        probes.add("forms", f"another {name}, copied", f"{name}({name}({text!r}))")
        probes.add("forms", f"a Version holding a {name}, copied out", f"{name}(Version({text!r}))")
        if cls.takes_keywords:
            probes.add("forms", "keywords, one per property", f"{name}({probes.keywords()})")
            for prop in cls.properties:
                probes.add("keywords", prop, f"{name}({probes.keywords(**{prop: DROP})})")
    invalid = INVALID_EXAMPLES[name]
    probes.add("errors", "no argument", f"{name}()")
    probes.add("errors", "two positional arguments", f"{name}({invalid!r}, {invalid!r})")
    probes.add("errors", "an argument of another type", f"{name}(1)")
    if name != "Version":
        other = OTHER_KIND_EXAMPLE[name]
        probes.add("errors", "a Version holding another kind", f"{name}(Version({other!r}))")
    if cls.takes_keywords:
        text = EXAMPLES[name]
        first = next(iter(cls.properties))
        probes.add(
            "errors",
            "a string and keywords together",
            f"{name}({text!r}, {first}={repr(values[first])})",
        )
        probes.add("errors", "an unknown keyword", f"{name}({probes.keywords(build=1)})")
        for prop, value in values.items():
            for what, wrong in wrong_values(value):
                probes.add(
                    "errors",
                    f"keyword {prop} given {what}",
                    f"{name}({probes.keywords(**{prop: wrong})})",
                )
    else:
        probes.add("errors", "a keyword", f"{name}({EXAMPLES['SemVer']!r}, x=1)")
    probes.add("errors", "a string that does not parse", f"{name}({invalid!r})")
    instance = f"{name}({EXAMPLES.get(name, EXAMPLES['SemVer'])!r})"
    for prop, value in values.items():
        probes.add("properties", f"{prop}: read", f"{instance}.{prop}")
        probes.add(
            "properties",
            f"{prop}: set, then read",
            f"v = {instance}; v.{prop} = {good_value(value)!r}; v.{prop}",
        )
        for what, wrong in wrong_values(value):
            probes.add(
                "properties",
                f"{prop}: set to {what}",
                f"v = {instance}; v.{prop} = {wrong!r}; v.{prop}",
            )
        probes.add("properties", f"{prop}: deleted", f"v = {instance}; del v.{prop}")
    probes.add("compare", "str()", f"str({instance})")
    probes.add("compare", "repr()", f"repr({instance})")
    probes.add("compare", "equal to a copy", f"{instance} == {name}({instance})")
    probes.add("compare", "equal to its str", f"{instance} == str({instance})")
    probes.add("compare", "ordered against an int", f"{instance} < 1")
    if name != "Version":
        probes.add(
            "compare",
            "equal to a Version holding the same value",
            f"{instance} == Version({instance})",
        )
    probes.add("compare", "hashed", f"hash({instance})")
    probes.add("compare", "subclassed", f"class Mine({name}): pass")
    return probes


def example_values(cls: ClassRecord) -> dict[str, object]:
    """Each property of the parsed example, read from the module."""
    if not cls.properties:
        return {}
    if cls.name not in EXAMPLES:
        raise RuntimeError(f"docs/_ext/kolvi_docs/api.py: no example string for class {cls.name}")
    code = (
        f"import json; v = {cls.name}({EXAMPLES[cls.name]!r}); "
        f"print(json.dumps({{p: getattr(v, p) for p in {list(cls.properties)!r}}}))"
    )
    outcome = probe.run_one(code)
    if outcome.failed:
        raise RuntimeError(f"{code}: {outcome.error_type}: {outcome.message}")
    return json.loads(outcome.stdout)


# --- rendering ---------------------------------------------------------------------------------


def result_cell(outcome: probe.Outcome) -> list[nodes.Node]:
    """What a call did: its value, or its exception with the exact message."""
    if not outcome.failed:
        if outcome.value is None:
            return [paragraph("no exception")]
        return [paragraph("returns ", literal(outcome.value))]
    if "\n" in outcome.message:
        return [
            paragraph("raises ", literal(outcome.error_type), " with the report:"),
            block(outcome.message),
        ]
    return [paragraph("raises ", literal(outcome.error_type), ": ", literal(outcome.message))]


def outcome_table(header: list[str], rows: list[tuple[str, probe.Outcome]]) -> nodes.table:
    return table(header, [[situation, literal(o.code), result_cell(o)] for situation, o in rows])


def keyword_rows(group: list[tuple[str, probe.Outcome]]) -> list[list]:
    rows = []
    for prop, outcome in group:
        if outcome.failed:
            rows.append([literal(prop), "required", result_cell(outcome)])
        else:
            rows.append(
                [literal(prop), "optional", [paragraph("left out: "), *result_cell(outcome)]]
            )
    return rows


class ApiDirective(SphinxDirective):
    has_content = False

    def run(self) -> list[nodes.Node]:
        classes, functions = read_api()
        facts = facts_of_module()
        skeleton = Skeleton()
        self.module_section(skeleton, facts, functions)
        by_name = {cls.name: cls for cls in classes}
        for name in facts["version_all"]:
            self.class_section(skeleton, by_name[name], facts["classes"][name])
        return skeleton.parse(self.state, "kolvi-api")

    # The module and its functions.
    def module_section(self, skeleton: Skeleton, facts: dict, functions: list[dict]) -> None:
        skeleton.add(
            "The module",
            "----------",
            "",
            ".. py:module:: kolvi",
            "",
            "The module's docstring:",
            "",
        )
        skeleton.slot(block(facts["doc"]))
        skeleton.slot(
            table(
                ["namespace", "__all__"],
                [
                    [literal("kolvi"), literal(repr(facts["all"]))],
                    [literal("kolvi.package"), literal(repr(facts["package_all"]))],
                    [literal(NAMESPACE), literal(repr(facts["version_all"]))],
                ],
            )
        )
        skeleton.add(
            "``package`` and ``version`` are attributes, not importable modules:"
            " write ``kolvi.package.version.SemVer``, or bind ``v = kolvi.package.version``.",
            "",
        )
        import_outcomes = probe.run(
            ["import kolvi.package", "from kolvi.package.version import SemVer"]
        )
        skeleton.slot(
            outcome_table(
                ["import", "code", "result"],
                list(zip(("the package", "a class"), import_outcomes, strict=True)),
            )
        )
        for function in functions:
            self.function_entry(skeleton, function, facts["functions"][function["name"]])

    def function_entry(self, skeleton: Skeleton, record: dict, facts: dict) -> None:
        name = record["name"]
        parameters = ", ".join(
            f"{p['name']}: {p.get('annotation', '')}".rstrip(": ")
            for p in record["arguments"].get("args", [])
        )
        skeleton.add(
            f".. py:function:: {name}({parameters}) -> {record['returns']}",
            "   :module: kolvi",
            "",
            f"   Text signature ``{facts['signature']}``; docstring ``{facts['doc']!r}``.",
            "",
        )
        if name == "test_function":
            calls = [
                ("a Version", "kolvi.test_function(Version('1.2.3-alpha'))"),
                ("by keyword", "kolvi.test_function(version=Version('2024.10'))"),
                ("nothing", "kolvi.test_function()"),
                ("another type", "kolvi.test_function(SemVer('1.2.3'))"),
                ("two arguments", "kolvi.test_function(Version('1'), Version('2'))"),
                ("an unknown keyword", "kolvi.test_function(v=Version('1'))"),
            ]
            outcomes = probe.run([code for _, code in calls])
            rows = [
                [what, literal(o.code), [*result_cell(o), *self.stdout_cell(o)]]
                for (what, _), o in zip(calls, outcomes, strict=True)
            ]
            skeleton.add(
                "   It writes its line to file descriptor 1 itself, not through ``sys.stdout``:",
                "   flush Python's own buffer first when both write to the same place.",
            )
            skeleton.slot(table(["given", "call", "result"], rows), indent="   ")
        elif name == "init_tracing":
            outcomes = probe.run(["kolvi.init_tracing()", "kolvi.init_tracing()"])
            rows = [
                [what, literal(o.code), result_cell(o)]
                for what, o in zip(("first call", "second call"), outcomes, strict=True)
            ]
            skeleton.add(
                "   Installs the process-wide log subscriber: INFO and above, on standard output;",
                "   a non-empty ``NO_COLOR`` at that moment turns its colours off. kolvi's own calls",
                "   log nothing.",
            )
            skeleton.slot(table(["call", "code", "result"], rows), indent="   ")

    @staticmethod
    def stdout_cell(outcome: probe.Outcome) -> list[nodes.Node]:
        if not outcome.stdout:
            return []
        return [paragraph("writes:"), block(outcome.stdout)]

    # One class.
    def class_section(self, skeleton: Skeleton, cls: ClassRecord, facts: dict) -> None:
        values = example_values(cls)
        probes = class_probes(cls, values)
        codes = [code for group in probes.groups.values() for _, code in group]
        outcomes = iter(probe.run(codes))
        results = {
            group: [(situation, next(outcomes)) for situation, _ in entries]
            for group, entries in probes.groups.items()
        }
        name = cls.name
        title = f"class {name}"
        skeleton.add(title, "-" * len(title), "")
        skeleton.add(
            f".. py:class:: {name}{facts['signature']}",
            f"   :module: {NAMESPACE}",
            "   :final:",
            "",
            f"   ``__module__`` is ``{facts['module']!r}``, ``__qualname__`` ``{facts['qualname']!r}``;",
            "   the class's docstring:",
        )
        skeleton.slot(block(facts["doc"]), indent="   ")
        skeleton.add("   **Constructor forms**, each with what it returns:")
        skeleton.slot(outcome_table(["form", "call", "result"], results["forms"]), indent="   ")
        if "keywords" in results:
            skeleton.add(
                "   **Keywords.** The keyword form takes exactly the property names. Each left",
                "   out in turn from the full call above:",
            )
            skeleton.slot(
                table(["keyword", "", "result"], keyword_rows(results["keywords"])), indent="   "
            )
        skeleton.add("   **Other arguments** of the constructor, with the exact messages:")
        skeleton.slot(outcome_table(["given", "call", "result"], results["errors"]), indent="   ")
        if name != "Version":
            skeleton.add(
                "   A failed parse raises ``RuntimeError`` whose message is the whole report; see",
                "   :doc:`errors` for every kind of report and when it carries colour.",
                "",
            )
        self.property_entries(skeleton, cls, results.get("properties", []), values)
        self.comparison_entries(skeleton, cls, results["compare"])

    def property_entries(self, skeleton: Skeleton, cls: ClassRecord, rows, values) -> None:
        if not cls.properties:
            skeleton.add(
                "   A ``Version`` has no properties: read its value through the class of its kind,",
                "   ``SemVer(v)``, ``DotSeparated(v)`` or ``Other(v)``, or through ``str()``",
                "   and ``repr()``.",
                "",
            )
            return
        for prop in cls.properties.values():
            annotation = prop.returns
            skeleton.add(
                f"   .. py:property:: {prop.name}",
                f"      :type: {annotation}",
                "",
                f"      Setter parameter ``{prop.setter_parameter}: {prop.setter_annotation}``."
                + (
                    " Reading returns a new list each time: changing it never changes the instance."
                    if isinstance(values[prop.name], list)
                    else ""
                )
                + " A failed set leaves the instance as it was.",
            )
            mine = [
                (what.split(": ", 1)[1], o) for what, o in rows if what.startswith(f"{prop.name}: ")
            ]
            skeleton.slot(outcome_table(["", "code", "result"], mine), indent="      ")

    def comparison_entries(self, skeleton: Skeleton, cls: ClassRecord, rows) -> None:
        operand = {annotation for _, annotation in cls.comparisons}
        methods = ", ".join(f"``{method}``" for method, _ in cls.comparisons)
        skeleton.add(
            f"   **Comparisons and text forms.** {methods} each take another"
            f" ``{', '.join(sorted(operand))}``; the order is described in :doc:`versions`."
            " Against anything else ``==`` is ``False``, ``!=`` ``True`` and the order operators"
            " raise ``TypeError``. "
            + ", ".join(f"``{m}``" for m in cls.text_methods)
            + " give the debug and display forms.",
        )
        skeleton.slot(outcome_table(["", "code", "result"], rows), indent="   ")


def setup(app):
    app.add_directive("kolvi-api", ApiDirective)
