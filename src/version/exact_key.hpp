// Exact order keys: a byte string for every value such that comparing two keys of one class as
// unsigned bytes (a key that is a prefix of the other sorting first) gives exactly that class's
// order, and two keys are equal exactly when the values are. Unlike the 64-bit keys of
// order_key.hpp nothing is cut short, so a database or a plain byte sort can order by the key
// alone. `meta` is not part of a SemVer's order, so it is not in the key.
//
// Format 1, byte by byte:
//
//   key of a kind      0x01, then the kind's body
//   key of a Version   0x01, then the kind rank (0x00 SemVer, 0x01 DotSeparated, 0x02 Other),
//                      then the body of the kind it holds
//
//   SemVer body        number(major) number(minor) number(patch), then 0x01 when rc is absent,
//                      or 0x00 and list(rc) when it is present (so a release sorts above its
//                      pre-releases, and an empty rc below any other)
//   DotSeparated body  list(parts)
//   Other body         the value's bytes, unchanged
//
//   number             an unsigned 32-bit number in the shortest of five forms; the first byte
//                      tells the form, and longer forms hold only larger numbers:
//                        0 to 0x7F             1 byte   the number
//                        0x80 to 0x3FFF        2 bytes  0x80 | the number, big-endian
//                        0x4000 to 0x1FFFFF    3 bytes  0xC0 | the number, big-endian
//                        0x200000 to 0xFFFFFFF 4 bytes  0xE0 | the number, big-endian
//                        0x10000000 and up     5 bytes  0xF0, then the number, big-endian
//   list               for each text in order: its bytes escaped, then 0x00; a list is always
//                      the last part of a key, so it needs no end of its own
//   escaped            0x00 as 0x01 0x01, 0x01 as 0x01 0x02, every other byte unchanged
//
// So inside a list the end of a text (0x00) sorts below an escaped low byte (0x01 ...), which
// sorts below every other byte: a text that ends sorts below a longer one, and a list that ends
// (the key ends) below a longer one, for texts of any bytes, NUL included. The format byte comes
// first so that a later format can be told apart; keys of different formats do not compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "version/version.hpp"

namespace kolvi::version {

inline constexpr std::uint8_t kExactKeyFormat = 0x01;

// Appends the value's key to `out`.
void append_exact_key(std::string& out, const SemVer& value);
void append_exact_key(std::string& out, const DotSeparated& value);
void append_exact_key(std::string& out, const Other& value);
void append_exact_key(std::string& out, const Version& value);

// The length of the value's key, so that a caller can size its buffer once: for a long value,
// the growth of a string appended to would briefly take half as much again as the key.
std::size_t exact_key_size(const SemVer& value) noexcept;
std::size_t exact_key_size(const DotSeparated& value) noexcept;
std::size_t exact_key_size(const Other& value) noexcept;
std::size_t exact_key_size(const Version& value);  // std::visit may throw, in principle

template <class Value>
std::string exact_key(const Value& value) {
  std::string key;
  append_exact_key(key, value);
  return key;
}

}  // namespace kolvi::version
