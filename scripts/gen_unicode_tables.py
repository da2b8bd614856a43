#!/usr/bin/env python3
"""Generate the Unicode character-property tables compiled into the core library.

Reads the Unicode Character Database installed by Debian's unicode-data package (UnicodeData.txt,
DerivedCoreProperties.txt, EastAsianWidth.txt; PropList.txt for a sanity check) and writes:

  src/text/unicode_tables.cpp   XID_Start, XID_Continue, Grapheme_Extend, printable
  src/text/display_width_table.cpp  terminal cell widths

ASCII is answered inline by the headers; the tables cover U+0080 and up as three-level bit tries
(root -> block of mid entries -> 64-bit leaf word), with identical blocks and words shared.

Usage:
  scripts/gen_unicode_tables.py          write both files
  scripts/gen_unicode_tables.py --check  exit 1 if a committed file differs from what the script
                                         would write

Standard library only. Run it with an interpreter whose unicodedata matches the data version (for
instance Python 3.12 for Unicode 15.0) to also cross-check the general categories.
"""

from __future__ import annotations

import argparse
import re
import sys
import unicodedata
from dataclasses import dataclass
from pathlib import Path

DATA_DIR = Path("/usr/share/unicode")
REPO_ROOT = Path(__file__).resolve().parent.parent
PROPERTY_TABLES = Path("src/text/unicode_tables.cpp")
WIDTH_TABLE = Path("src/text/display_width_table.cpp")
SCRIPT_NAME = "scripts/gen_unicode_tables.py"

CODE_POINT_COUNT = 0x110000
LEAF_BITS = 6  # 64 code points per leaf word
NOT_PRINTABLE_CATEGORIES = frozenset({"Cc", "Cf", "Cs", "Co", "Cn", "Zl", "Zp", "Zs"})
ZERO_WIDTH_CATEGORIES = frozenset({"Mn", "Me", "Cf"})
# Format characters that terminals draw anyway: U+00AD SOFT HYPHEN shows as a hyphen, so it takes
# one cell as in the conventional terminal width tables.
DRAWN_FORMAT_CHARACTERS = frozenset({0x00AD})
# Hangul medial vowels and final consonants combine with the preceding syllable on screen.
CONJOINING_JAMO_RANGES = ((0x1160, 0x11FF), (0xD7B0, 0xD7FF))
# Unassigned code points in these ranges default to Wide (stated in EastAsianWidth.txt's header).
DEFAULT_WIDE_RANGES = (
    (0x3400, 0x4DBF),
    (0x4E00, 0x9FFF),
    (0xF900, 0xFAFF),
    (0x20000, 0x2FFFD),
    (0x30000, 0x3FFFD),
)

CODE_POINT_FIELD = re.compile(r"^([0-9A-F]{4,6})(?:\.\.([0-9A-F]{4,6}))?$")


def read_unicode_version(data_dir: Path) -> str:
    header = (data_dir / "DerivedCoreProperties.txt").open(encoding="utf-8").readline()
    match = re.match(r"#\s*DerivedCoreProperties-(\d+\.\d+\.\d+)\.txt", header)
    if not match:
        sys.exit(f"cannot read the Unicode version from {data_dir / 'DerivedCoreProperties.txt'}")
    return match.group(1)


def data_lines(path: Path):
    """Yields the semicolon-separated fields of each data line, comments stripped."""
    with path.open(encoding="utf-8") as lines:
        for line in lines:
            content = line.split("#", 1)[0].strip()
            if content:
                yield [field.strip() for field in content.split(";")]


def parse_code_points(field: str) -> range:
    match = CODE_POINT_FIELD.match(field)
    if not match:
        raise ValueError(f"bad code point field {field!r}")
    first = int(match.group(1), 16)
    last = int(match.group(2), 16) if match.group(2) else first
    return range(first, last + 1)


def read_binary_properties(path: Path, wanted: set[str]) -> dict[str, set[int]]:
    found: dict[str, set[int]] = {name: set() for name in wanted}
    for fields in data_lines(path):
        if fields[1] in wanted:
            found[fields[1]].update(parse_code_points(fields[0]))
    return found


def read_general_categories(path: Path) -> list[str]:
    """One category per code point; code points absent from the file are unassigned (Cn)."""
    categories = ["Cn"] * CODE_POINT_COUNT
    range_start: int | None = None
    for fields in data_lines(path):
        code_point, name, category = int(fields[0], 16), fields[1], fields[2]
        if name.endswith(", First>"):
            range_start = code_point
            continue
        if name.endswith(", Last>"):
            if range_start is None:
                raise ValueError(f"range end without start at U+{code_point:04X}")
            categories[range_start : code_point + 1] = [category] * (code_point + 1 - range_start)
            range_start = None
            continue
        categories[code_point] = category
    return categories


def read_wide_code_points(path: Path) -> set[int]:
    widths: dict[int, str] = {}
    for first, last in DEFAULT_WIDE_RANGES:
        widths.update(dict.fromkeys(range(first, last + 1), "W"))
    for fields in data_lines(path):
        widths.update(dict.fromkeys(parse_code_points(fields[0]), fields[1]))
    return {code_point for code_point, width in widths.items() if width in ("W", "F")}


def cross_check_categories(categories: list[str], version: str) -> None:
    if unicodedata.unidata_version != version:
        print(
            f"note: skipping the general-category cross-check: Python's unicodedata is "
            f"{unicodedata.unidata_version}, the data is {version}",
            file=sys.stderr,
        )
        return
    for code_point, category in enumerate(categories):
        expected = unicodedata.category(chr(code_point))
        if category != expected:
            sys.exit(
                f"U+{code_point:04X}: UnicodeData.txt says {category}, unicodedata says {expected}"
            )


def check_against_prop_list(printable: set[int], prop_list: Path) -> None:
    """Noncharacters and white space other than the space must never print as themselves."""
    listed = read_binary_properties(prop_list, {"Noncharacter_Code_Point", "White_Space"})
    leaks = (listed["Noncharacter_Code_Point"] | listed["White_Space"] - {0x20}) & printable
    if leaks:
        sys.exit(f"printable set wrongly includes U+{min(leaks):04X} (from {prop_list.name})")


@dataclass
class Properties:
    version: str
    xid_start: set[int]
    xid_continue: set[int]
    grapheme_extend: set[int]
    printable: set[int]
    wide: set[int]
    zero_width: set[int]


def load_properties(data_dir: Path) -> Properties:
    version = read_unicode_version(data_dir)
    core = read_binary_properties(
        data_dir / "DerivedCoreProperties.txt", {"XID_Start", "XID_Continue", "Grapheme_Extend"}
    )
    categories = read_general_categories(data_dir / "UnicodeData.txt")
    cross_check_categories(categories, version)
    printable = {
        code_point
        for code_point, category in enumerate(categories)
        if category not in NOT_PRINTABLE_CATEGORIES or code_point == 0x20
    }
    check_against_prop_list(printable, data_dir / "PropList.txt")
    zero_width = {
        code_point
        for code_point, category in enumerate(categories)
        if category in ZERO_WIDTH_CATEGORIES
    } - DRAWN_FORMAT_CHARACTERS
    for first, last in CONJOINING_JAMO_RANGES:
        zero_width.update(
            code_point for code_point in range(first, last + 1) if categories[code_point] != "Cn"
        )
    # A combining mark stays zero width even where its block is Wide (U+302A, U+3099).
    wide = read_wide_code_points(data_dir / "EastAsianWidth.txt") - zero_width
    return Properties(
        version,
        core["XID_Start"],
        core["XID_Continue"],
        core["Grapheme_Extend"],
        printable,
        wide,
        zero_width,
    )


# ---------------------------------------------------------------------------------------------
# Table layout
#
# A trie maps each code point to a small value of value_bits bits. Leaf words hold 64 / value_bits
# code points; root[block >> mid_bits] picks a run of 2**mid_bits mid entries, and the mid entry
# for the block picks its leaf word. Identical words and identical runs are stored once.


def ascii_mask_words(members: set[int]) -> tuple[int, int]:
    low = sum(1 << code_point for code_point in members if code_point < 64)
    high = sum(1 << (code_point - 64) for code_point in members if 64 <= code_point < 128)
    return low, high


def membership_values(members: set[int]) -> bytearray:
    values = bytearray(CODE_POINT_COUNT)
    for code_point in members:
        values[code_point] = 1
    return values


def index_type(count: int) -> tuple[str, int]:
    return ("std::uint8_t", 1) if count <= 0x100 else ("std::uint16_t", 2)


def dedupe(items: list) -> tuple[list, list[int]]:
    """Returns the distinct items (first-seen order) and, per input item, its distinct index."""
    positions: dict = {}
    indices = [positions.setdefault(item, len(positions)) for item in items]
    return list(positions), indices


@dataclass
class Trie:
    value_bits: int
    mid_bits: int
    root: list[int]
    mid: list[int]
    leaves: list[int]

    @property
    def leaf_shift(self) -> int:
        return (64 // self.value_bits).bit_length() - 1

    def size_in_bytes(self) -> int:
        return (
            len(self.root) * index_type(len(self.mid) >> self.mid_bits)[1]
            + len(self.mid) * index_type(len(self.leaves))[1]
            + len(self.leaves) * 8
        )

    def value_at(self, code_point: int) -> int:
        block = code_point >> self.leaf_shift
        mid_slot = (self.root[block >> self.mid_bits] << self.mid_bits) | (
            block & ((1 << self.mid_bits) - 1)
        )
        slot = code_point & ((1 << self.leaf_shift) - 1)
        return (self.leaves[self.mid[mid_slot]] >> (slot * self.value_bits)) & (
            (1 << self.value_bits) - 1
        )


def pack_leaf_words(values: bytearray, value_bits: int) -> list[int]:
    per_word = 64 // value_bits
    words = [0] * (CODE_POINT_COUNT // per_word)
    for code_point in range(0x80, CODE_POINT_COUNT):  # ASCII is answered by the headers
        if values[code_point]:
            words[code_point // per_word] |= values[code_point] << (
                (code_point % per_word) * value_bits
            )
    return words


def build_trie(words: list[int], value_bits: int, mid_bits: int) -> Trie:
    leaves, leaf_indices = dedupe(words)
    group = 1 << mid_bits
    runs = [tuple(leaf_indices[i : i + group]) for i in range(0, len(leaf_indices), group)]
    distinct_runs, root = dedupe(runs)
    mid = [leaf for run in distinct_runs for leaf in run]
    return Trie(value_bits, mid_bits, root, mid, leaves)


def smallest_trie(values: bytearray, value_bits: int = 1) -> Trie:
    assert max(values) < (1 << value_bits)
    words = pack_leaf_words(values, value_bits)
    trie = min(
        (build_trie(words, value_bits, mid_bits) for mid_bits in range(1, 9)),
        key=Trie.size_in_bytes,
    )
    for code_point in range(0x80, CODE_POINT_COUNT):  # the layout must round-trip exactly
        assert trie.value_at(code_point) == values[code_point], hex(code_point)
    return trie


# ---------------------------------------------------------------------------------------------
# C++ output

LINE_WIDTH = 100


def wrap_values(values: list[str], indent: str = "    ") -> str:
    lines: list[str] = []
    line = indent
    for value in values:
        piece = value + ","
        if line != indent and len(line) + 1 + len(piece) > LINE_WIDTH:
            lines.append(line)
            line = indent
        line += piece if line == indent else " " + piece
    lines.append(line)
    return "\n".join(lines)


def cpp_array(name: str, element_type: str, values: list[str]) -> str:
    return (
        f"constexpr std::array<{element_type}, {len(values)}> {name}{{{{\n"
        f"{wrap_values(values)}\n}}}};\n"
    )


def cpp_trie(prefix: str, trie: Trie) -> str:
    root_type = index_type(len(trie.mid) >> trie.mid_bits)[0]
    mid_type = index_type(len(trie.leaves))[0]
    return "".join(
        [
            f"// {trie.size_in_bytes()} bytes.\n",
            f"constexpr unsigned {prefix}ValueBits = {trie.value_bits};\n",
            f"constexpr unsigned {prefix}MidBits = {trie.mid_bits};\n",
            cpp_array(f"{prefix}Root", root_type, [str(i) for i in trie.root]),
            cpp_array(f"{prefix}Mid", mid_type, [str(i) for i in trie.mid]),
            cpp_array(f"{prefix}Leaves", "std::uint64_t", [f"0x{w:016x}" for w in trie.leaves]),
        ]
    )


def trie_call(prefix: str, indent: str) -> str:
    """The lookup expression, broken after the template arguments to stay within the line width."""
    return (
        f"trie_value<{prefix}ValueBits, {prefix}MidBits>(\n"
        f"{indent}{prefix}Root, {prefix}Mid, {prefix}Leaves, c)"
    )


def file_header(version: str, what: str, include: str, total_bytes: int) -> str:
    return f"""\
// Generated by {SCRIPT_NAME} from the Unicode {version} character data. Do not edit;
// rerun the script instead ({SCRIPT_NAME} --check verifies this file is current).
//
// {what}
// Code points below U+0080 are answered inline by the header. Tables: {total_bytes} bytes.
// clang-format off
#include "{include}"

#include <array>
#include <cstdint>

#include "text/unicode_trie.hpp"

namespace kolvi::unicode::detail {{
namespace {{
"""


def ascii_assert(mask_name: str, members: set[int]) -> str:
    low, high = ascii_mask_words(members)
    return (
        f"static_assert({mask_name}.words[0] == 0x{low:016x} &&\n"
        f"              {mask_name}.words[1] == 0x{high:016x},\n"
        f'              "{mask_name} disagrees with the character data");\n'
    )


def render_property_tables(props: Properties) -> str:
    if any(code_point < 0x80 for code_point in props.grapheme_extend):
        sys.exit("an ASCII character is Grapheme_Extend; the header assumes none is")
    properties = [
        ("XidStart", "xid_start", props.xid_start),
        ("XidContinue", "xid_continue", props.xid_continue),
        ("GraphemeExtend", "grapheme_extend", props.grapheme_extend),
        ("Printable", "printable", props.printable),
    ]
    tries = {name: smallest_trie(membership_values(members)) for name, _, members in properties}
    total = sum(trie.size_in_bytes() for trie in tries.values())
    parts = [
        file_header(
            props.version,
            "Bit tries for XID_Start, XID_Continue, Grapheme_Extend and printable\n"
            "// (every general category except Cc, Cf, Cs, Co, Cn, Zl, Zp and Zs).",
            "text/unicode.hpp",
            total,
        )
    ]
    parts += [
        "\n",
        ascii_assert("kAsciiXidStart", props.xid_start),
        ascii_assert("kAsciiXidContinue", props.xid_continue),
        ascii_assert("kAsciiPrintable", props.printable),
    ]
    for name, _, _ in properties:
        parts += ["\n", cpp_trie(f"k{name}", tries[name])]
    parts.append("\n}  // namespace\n")
    for name, function, _ in properties:
        parts.append(
            f"\nbool non_ascii_{function}(char32_t c) noexcept {{\n"
            f"  return {trie_call(f'k{name}', ' ' * 11)} != 0;\n}}\n"
        )
    parts.append("\n}  // namespace kolvi::unicode::detail\n")
    return "".join(parts)


# Width classes stored in the width trie; the C++ side maps them back to columns.
NARROW_CLASS, ZERO_WIDTH_CLASS, WIDE_CLASS = 0, 1, 2


def render_width_table(props: Properties) -> str:
    if any(code_point < 0x80 for code_point in props.wide | props.zero_width):
        sys.exit("an ASCII character is wide or zero width; the header assumes width 1")
    width_classes = bytearray(CODE_POINT_COUNT)  # NARROW_CLASS everywhere
    for code_point in props.zero_width:
        width_classes[code_point] = ZERO_WIDTH_CLASS
    for code_point in props.wide:  # disjoint from zero_width
        width_classes[code_point] = WIDE_CLASS
    trie = smallest_trie(width_classes, value_bits=2)
    parts = [
        file_header(
            props.version,
            "Terminal cell widths: 2 for East_Asian_Width W and F, 0 for Mn, Me, Cf (but\n"
            "// U+00AD SOFT HYPHEN) and conjoining Hangul medial/final jamo, 1 for\n"
            "// everything else.",
            "text/display_width.hpp",
            trie.size_in_bytes(),
        )
    ]
    parts += ["\n", cpp_trie("kWidthClass", trie)]
    parts.append(
        "\n// Columns per width class; class 3 is unused.\n"
        "constexpr std::array<int, 4> kColumnsByClass{{1, 0, 2, 1}};\n"
        "\n}  // namespace\n"
    )
    parts.append(
        "\nint non_ascii_display_width(char32_t c) noexcept {\n"
        f"  const unsigned width_class = {trie_call('kWidthClass', ' ' * 6)};\n"
        "  return kColumnsByClass[width_class];\n"
        "}\n"
    )
    parts.append("\n}  // namespace kolvi::unicode::detail\n")
    return "".join(parts)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument(
        "--check",
        action="store_true",
        help="compare with the committed files instead of writing them",
    )
    parser.add_argument(
        "--data-dir",
        type=Path,
        default=DATA_DIR,
        help=f"Unicode Character Database directory (default {DATA_DIR})",
    )
    args = parser.parse_args()

    props = load_properties(args.data_dir)
    outputs = {
        PROPERTY_TABLES: render_property_tables(props),
        WIDTH_TABLE: render_width_table(props),
    }
    if args.check:
        stale = [
            str(path)
            for path, text in outputs.items()
            if not (REPO_ROOT / path).is_file()
            or (REPO_ROOT / path).read_bytes() != text.encode("utf-8")
        ]
        if stale:
            print(f"out of date: {', '.join(stale)}; rerun {SCRIPT_NAME}", file=sys.stderr)
            return 1
        return 0
    for path, text in outputs.items():
        (REPO_ROOT / path).write_bytes(text.encode("utf-8"))
        print(f"wrote {path} (Unicode {props.version})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
