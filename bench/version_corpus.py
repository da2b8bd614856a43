"""Real version strings found on this machine, for benchmarks that need real-world input.

Sources, in this order: the Version fields of every package the Debian archive lists
(`apt-cache dumpavail`), the upstream part of each of them (no epoch, no Debian revision), the
versions in their dependency constraints and Source fields, and the versions recorded by the
Node packages and Python distributions installed here. Nothing is filtered: Debian's epochs, tildes
and revisions stay in, so a share of the strings does not parse. Standard library only.

Usage: version_corpus.py [--lines N] [--seed S] [--stats] [-o FILE]
       version_corpus.py --sample N [--seed S] [-o FILE]
  Writes one version a line: every version found once, in a seeded shuffle, then repeated in
  further shuffles until there are N lines (default: each version once).
  --sample writes N distinct versions instead, in equal shares per source (a source with fewer
  gives all it has), under a "## <source>" line per source: the shared sample that the docs
  order by kolvi, sort -V, dpkg and PEP 440 (docs/data/version-sample.txt).
"""

from __future__ import annotations

import argparse
import glob
import json
import os
import random
import re
import subprocess
import sys

CONSTRAINT = re.compile(r"\((?:>=|<=|>>|<<|=) *([^)\s]+)\)")
SOURCE_VERSION = re.compile(r"^Source: \S+ \(([^)]+)\)", re.MULTILINE)
NODE_RANGE_PREFIX = re.compile(r"^[\^~>=<v ]+")


def debian_versions() -> dict[str, list[str]]:
    """Version fields, their upstream parts, constraint versions and Source versions."""
    try:
        listing = subprocess.run(
            ["apt-cache", "dumpavail"], capture_output=True, text=True, check=True
        ).stdout
    except (OSError, subprocess.CalledProcessError):
        return {}
    fields = [
        line[len("Version: ") :] for line in listing.splitlines() if line.startswith("Version: ")
    ]
    return {
        "debian": fields,
        "debian upstream": [upstream(version) for version in fields],
        "debian constraints": CONSTRAINT.findall(listing),
        "debian sources": SOURCE_VERSION.findall(listing),
    }


def upstream(debian_version: str) -> str:
    """1:2.3.4-5+b1 -> 2.3.4: the epoch and the Debian revision removed."""
    without_epoch = debian_version.split(":", 1)[-1]
    return without_epoch.rsplit("-", 1)[0] if "-" in without_epoch else without_epoch


def node_versions() -> list[str]:
    """The version of each installed Node package and the versions its dependency ranges name."""
    found = []
    for path in sorted(glob.glob("/usr/lib/node_modules/**/package.json", recursive=True)):
        try:
            with open(path, encoding="utf-8") as file:
                manifest = json.load(file)
        except (OSError, ValueError):
            continue
        if not isinstance(manifest, dict):
            continue
        if isinstance(manifest.get("version"), str):
            found.append(manifest["version"])
        for key in ("dependencies", "devDependencies", "peerDependencies"):
            ranges = manifest.get(key)
            if isinstance(ranges, dict):
                found.extend(
                    NODE_RANGE_PREFIX.sub("", spec)
                    for spec in ranges.values()
                    if isinstance(spec, str) and spec[:1] in "0123456789^~"
                )
    return found


def python_versions() -> list[str]:
    """Versions of the Python distributions installed for Debian's and pyenv's interpreters."""
    patterns = [
        "/usr/lib/python3/dist-packages/*.dist-info",
        os.path.expanduser("~/.pyenv/versions/*/lib/python*/site-packages/*.dist-info"),
    ]
    found = []
    for pattern in patterns:
        for path in sorted(glob.glob(pattern)):
            name = os.path.basename(path)[: -len(".dist-info")]
            if "-" in name:
                found.append(name.rsplit("-", 1)[1])
    return found


def collect() -> dict[str, list[str]]:
    sources = debian_versions()
    sources["node"] = node_versions()
    sources["python"] = python_versions()
    return {
        name: [v for v in versions if v and "\n" not in v] for name, versions in sources.items()
    }


def corpus(lines: int | None, seed: int) -> tuple[list[str], dict[str, list[str]]]:
    sources = collect()
    versions = [version for found in sources.values() for version in found]
    if not versions:
        sys.exit("version_corpus: no versions found (is apt-cache available?)")
    shuffler = random.Random(seed)
    out: list[str] = []
    target = lines or len(versions)
    while len(out) < target:
        batch = versions[:]
        shuffler.shuffle(batch)
        out.extend(batch[: target - len(out)])
    return out, sources


def sample(count: int, seed: int) -> list[tuple[str, str]]:
    """`count` distinct versions, each with the first source that has it, in equal shares."""
    sources = collect()
    seen: set[str] = set()
    distinct: dict[str, list[str]] = {}
    for name, found in sources.items():
        distinct[name] = [v for v in dict.fromkeys(found) if v not in seen]
        seen.update(distinct[name])
    shuffler = random.Random(seed)
    picked: list[tuple[str, str]] = []
    remaining = {name: shuffler.sample(found, len(found)) for name, found in distinct.items()}
    while len(picked) < count and any(remaining.values()):
        for name, found in remaining.items():
            if found and len(picked) < count:
                picked.append((name, found.pop()))
    return sorted(picked, key=lambda item: (list(sources).index(item[0]), item[1]))


def sectioned(versions: list[tuple[str, str]]) -> str:
    """The sample as text: a "## <source>" line, then that source's versions, one a line."""
    lines, current = [], None
    for name, version in versions:
        if name != current:
            lines.append(f"## {name}")
            current = name
        lines.append(version)
    return "".join(line + "\n" for line in lines)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lines", type=int, default=None)
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument("--stats", action="store_true", help="print counts per source to stderr")
    parser.add_argument("--sample", type=int, help="N distinct versions with their sources")
    parser.add_argument("-o", "--output", default="-")
    args = parser.parse_args()
    if args.sample:
        write(args.output, sectioned(sample(args.sample, args.seed)))
        return
    versions, sources = corpus(args.lines, args.seed)
    if args.stats:
        for name, found in sources.items():
            print(f"{name}: {len(found)} ({len(set(found))} distinct)", file=sys.stderr)
        print(f"lines written: {len(versions)}", file=sys.stderr)
    write(args.output, "".join(version + "\n" for version in versions))


def write(output: str, text: str) -> None:
    if output == "-":
        sys.stdout.write(text)
    else:
        with open(output, "w", encoding="utf-8") as file:
            file.write(text)


if __name__ == "__main__":
    main()
