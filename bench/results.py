"""The benchmark's result file: one JSON document that holds the last run of each part (the Python
benchmark per interpreter, and the command-line benchmark), each with the machine, the load and
the peers it ran with. scripts/bench merges every run into it; the docs' tables and the plots of
`scripts/bench --plot` are read from it.

Usage: results.py merge RESULT_FILE PART_FILE --part python|cli --load "L1 L5 L15"
"""

from __future__ import annotations

import argparse
import datetime
import importlib.metadata
import json
import os
import platform
import sys
import sysconfig

FORMAT = 1


def read(path: str) -> dict:
    """The result file at `path`, or an empty one when there is none yet."""
    try:
        with open(path, encoding="utf-8") as file:
            result = json.load(file)
    except FileNotFoundError:
        return {"format": FORMAT, "python": {}, "cli": None}
    if result.get("format") != FORMAT:
        sys.exit(f"results: {path} has format {result.get('format')}, expected {FORMAT}")
    return result


def machine() -> dict:
    """The machine as the performance page states it."""
    cpu = ""
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as file:
            cpu = next((line.split(":", 1)[1].strip() for line in file if "model name" in line), "")
    except OSError:
        pass
    return {
        "arch": platform.machine(),
        "cores": os.cpu_count(),
        "cpu": cpu,
        "os": platform.freedesktop_os_release().get("PRETTY_NAME", platform.system()),
    }


def distribution_version(name: str) -> str | None:
    try:
        return importlib.metadata.version(name)
    except importlib.metadata.PackageNotFoundError:
        return None


def interpreter_label() -> str:
    """3.13, or 3.13t for a free-threaded build: the column names of the tables."""
    free_threaded = "t" if sysconfig.get_config_var("Py_GIL_DISABLED") else ""
    return f"{sys.version_info.major}.{sys.version_info.minor}{free_threaded}"


def stamp(load: str) -> dict:
    """Where and when a part ran, and with which kolvi and peers."""
    return {
        "date": datetime.datetime.now(datetime.UTC).strftime("%Y-%m-%d %H:%M UTC"),
        "load_before": [float(figure) for figure in load.split()],
        "machine": machine(),
        "kolvi": distribution_version("kolvi"),
        "peers": {name: distribution_version(name) for name in ("packaging", "semver")},
    }


def merge(result_path: str, part_path: str, part: str, load: str) -> None:
    with open(part_path, encoding="utf-8") as file:
        measured = json.load(file)
    result = read(result_path)
    entry = {**stamp(load), **measured}
    if part == "python":
        result["python"][interpreter_label()] = entry
    else:
        result["cli"] = {"interpreter": interpreter_label(), **entry}
    folder = os.path.dirname(result_path)
    if folder:
        os.makedirs(folder, exist_ok=True)
    with open(result_path, "w", encoding="utf-8") as file:
        json.dump(result, file, indent=1, ensure_ascii=False)
        file.write("\n")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    merging = commands.add_parser("merge", help="put one part's measurements into the file")
    merging.add_argument("result")
    merging.add_argument("part_file")
    merging.add_argument("--part", choices=("python", "cli"), required=True)
    merging.add_argument("--load", required=True, help="the load average before the run")
    args = parser.parse_args()
    merge(args.result, args.part_file, args.part, args.load)


if __name__ == "__main__":
    main()
