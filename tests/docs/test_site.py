"""The built site: every page there and linked from the start page, every internal link and
anchor resolving, the API page covering everything the module's records name, and the manual
page as committed and as man shows it."""

from __future__ import annotations

import os
import re
import subprocess
from html.parser import HTMLParser
from pathlib import Path
from urllib.parse import unquote, urlsplit

import pytest

from conftest import BIN, BUILD, REPO_ROOT

PAGES = [
    "getting-started",
    "api",
    "versions",
    "errors",
    "cli",
    "performance",
    "reliability",
    "changelog",
    "security",
]


class LinkParser(HTMLParser):
    """The ids of a page and the local URLs it refers to."""

    def __init__(self) -> None:
        super().__init__()
        self.ids: set[str] = set()
        self.urls: list[str] = []

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        for name in ("id", "name"):
            if attributes.get(name):
                self.ids.add(attributes[name])
        for name in ("href", "src"):
            if attributes.get(name):
                self.urls.append(attributes[name])


def parsed(path: Path) -> LinkParser:
    parser = LinkParser()
    parser.feed(path.read_text(encoding="utf-8"))
    return parser


def test_every_page_is_built_and_linked_from_the_start_page(site):
    start = parsed(site / "index.html")
    linked = {urlsplit(url).path for url in start.urls}
    for page in PAGES:
        assert (site / f"{page}.html").exists(), page
        assert f"{page}.html" in linked, f"the start page does not link {page}"


def test_internal_links_and_anchors_resolve(site):
    pages = {path: parsed(path) for path in site.rglob("*.html")}
    broken = []
    for path, page in pages.items():
        for url in page.urls:
            parts = urlsplit(url)
            if parts.scheme or url.startswith("//"):
                continue  # external: there is no network to check them
            target = (path.parent / unquote(parts.path)).resolve() if parts.path else path
            if target.is_dir():
                target = target / "index.html"
            if not target.exists():
                broken.append(f"{path.relative_to(site)}: {url}")
            elif parts.fragment and target.suffix == ".html":
                ids = pages[target].ids if target in pages else parsed(target).ids
                if unquote(parts.fragment) not in ids:
                    broken.append(f"{path.relative_to(site)}: {url} (no such anchor)")
    assert not broken, "\n".join(broken)


def test_api_page_documents_every_class_member_and_function(site, records):
    ids = parsed(site / "api.html").ids
    classes = {r["id"]: r["name"] for r in records if r["type"] == "class"}
    created = {r["parent"] for r in records if "parent" in r}
    expected = {f"kolvi.package.version.{classes[c]}" for c in created}
    for record in records:
        if "property" in record.get("decorators", []):
            expected.add(f"kolvi.package.version.{classes[record['parent']]}.{record['name']}")
        elif record["type"] == "function" and "parent" not in record and "id" in record:
            expected.add(f"kolvi.{record['name']}")
    assert expected - ids == set()
    # The class the records describe for tools but the module never creates stays out.
    assert "kolvi.package.version.Outline" not in ids


def test_the_committed_manual_page_is_the_one_cli_md_makes():
    built = (BUILD / "man" / "kolvi.1").read_text(encoding="utf-8")
    committed = (REPO_ROOT / "src" / "cli" / "kolvi.1").read_text(encoding="utf-8")
    assert committed == built, "src/cli/kolvi.1 is stale: run scripts/docs --update-man"


def man(*args: str) -> subprocess.CompletedProcess:
    """man as an activated venv runs it: the venv's bin first on PATH, no MANPATH."""
    env = {k: v for k, v in os.environ.items() if k not in ("MANPATH", "MANPAGER", "PAGER")}
    env.update(PATH=f"{BIN}{os.pathsep}{env.get('PATH', '')}", MANPAGER="cat", MANWIDTH="100")
    return subprocess.run(["man", *args], env=env, capture_output=True, text=True, timeout=60)


def test_man_finds_the_page_installed_into_the_venv():
    found = man("-w", "kolvi")
    assert found.returncode == 0, found.stderr
    assert Path(found.stdout.strip()) == BIN.parent / "share" / "man" / "man1" / "kolvi.1"


def test_the_manual_page_names_every_command_and_option_of_the_help(kolvi_tool):
    page = man("kolvi")
    assert page.returncode == 0, page.stderr
    text = re.sub(r".\x08", "", page.stdout)  # no overstrike, whatever the formatter does
    assert "kolvi - check, parse, compare and sort version strings" in text
    help_text = subprocess.run([kolvi_tool, "--help"], capture_output=True, text=True).stdout
    commands = re.findall(r"^  (\w+) ", help_text, re.M)
    options = set(re.findall(r"(--[a-z]+)", help_text))
    assert commands == ["check", "parse", "compare", "sort", "key"]
    for word in [*commands, *options]:
        assert word in text, word
    for section in ("SYNOPSIS", "COMMANDS", "OPTIONS", "EXIT STATUS", "ENVIRONMENT"):
        assert section in text


@pytest.mark.parametrize("page", ["api", "versions", "errors", "cli", "performance"])
def test_generated_parts_are_in_the_pages(site, page):
    """Each page's generated tables are there (a directive that wrote nothing would pass -W)."""
    html = (site / f"{page}.html").read_text(encoding="utf-8")
    assert html.count("<table") >= 1 or page == "cli", page
    if page == "errors":
        assert html.count('class="highlight kolvi-ansi"') >= 10
    if page == "performance":
        assert html.count(".svg") >= 3
    if page == "cli":
        assert "usage: kolvi COMMAND [OPTIONS] [OPERANDS]" in html
