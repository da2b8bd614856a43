"""What the docs tests share: the built site, the installed command and the records of the
installed module. scripts/docs builds the site and runs these tests with the docs venv, where
kolvi is installed."""

from __future__ import annotations

import importlib.machinery
import importlib.util
import os
import shutil
import sys
from pathlib import Path

import pytest

# Reports compared as text in this process are plain, whatever terminal runs the tests.
os.environ["NO_COLOR"] = "1"
os.environ.pop("CLICOLOR_FORCE", None)

REPO_ROOT = Path(__file__).resolve().parents[2]
BUILD = REPO_ROOT / "build" / "docs"
SITE = BUILD / "html"
BIN = Path(sys.executable).parent


@pytest.fixture(scope="session")
def site() -> Path:
    if not (SITE / "index.html").exists():
        pytest.fail(f"no site in {SITE}: scripts/docs builds it before it runs these tests")
    return SITE


@pytest.fixture(scope="session")
def kolvi_tool() -> str:
    tool = shutil.which("kolvi", path=str(BIN))
    assert tool, f"no kolvi command in {BIN}"
    return tool


def load_stubgen():
    loader = importlib.machinery.SourceFileLoader(
        "docs_test_stubgen", str(REPO_ROOT / "scripts" / "stubgen")
    )
    spec = importlib.util.spec_from_loader(loader.name, loader)
    module = importlib.util.module_from_spec(spec)
    sys.modules[loader.name] = module
    loader.exec_module(module)
    return module


@pytest.fixture(scope="session")
def records() -> list[dict]:
    """The introspection records of the installed module."""
    spec = importlib.util.find_spec("kolvi")
    return [record.data for record in load_stubgen().read_records(spec.origin)]
