"""Sphinx configuration of the kolvi docs: Markdown pages (MyST) with the furo theme, the
directives of _ext/kolvi_docs for everything generated, and the manual page of the command
made from cli.md. scripts/docs runs the build; see CONTRIBUTING.md for adding a page."""

from __future__ import annotations

import os
import re
import sys
from pathlib import Path

DOCS = Path(__file__).resolve().parent
REPO_ROOT = DOCS.parent
sys.path.insert(0, str(DOCS / "_ext"))

# The build parses versions with kolvi in this process (the order comparison); the reports it
# meets stay plain whatever terminal the build runs in.
os.environ["NO_COLOR"] = "1"
os.environ.pop("CLICOLOR_FORCE", None)


def project_version() -> str:
    """The version, written once, in the project() call of CMakeLists.txt."""
    cmake = (REPO_ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(kolvi\s+VERSION\s+([0-9.]+)", cmake).group(1)


def release_date(version: str) -> str:
    """The date CHANGELOG.md gives the version (## [0.1.0] - 2027-01-31), else "unreleased"."""
    changelog = (REPO_ROOT / "CHANGELOG.md").read_text(encoding="utf-8")
    match = re.search(rf"^## \[{re.escape(version)}\] - (\S+)", changelog, re.MULTILINE)
    return match.group(1) if match else "unreleased"


project = "kolvi"
author = "the kolvi developers"
copyright = "the kolvi developers, MIT License"
release = version = project_version()
# The date the manual page carries: fixed by the changelog, so the committed page can be
# compared byte for byte with a fresh build.
today = release_date(version)

extensions = ["myst_parser", "kolvi_docs"]
source_suffix = {".md": "markdown", ".rst": "restructuredtext"}
root_doc = "index"
exclude_patterns = ["_ext", "data", "requirements.txt"]
# Every reference must resolve, to a page, a heading or an API object.
nitpicky = True
myst_heading_anchors = 3
myst_enable_extensions = ["colon_fence", "deflist"]
suppress_warnings = []

html_theme = "furo"
html_title = f"kolvi {release}"
html_static_path = ["_static"]
html_favicon = "_static/favicon.svg"
html_last_updated_fmt = None
html_show_sourcelink = False

# The manual page: the command's page, as `man kolvi` shows it.
man_pages = [("cli", "kolvi", "check, parse, compare and sort version strings", [author], 1)]
man_show_urls = False

# Where scripts/bench --plot wrote the SVG plots (scripts/docs passes it).
kolvi_plot_dir = os.environ.get("KOLVI_PLOT_DIR", str(REPO_ROOT / "build" / "docs" / "plots"))
