// The outcome of a parse: a value or its errors; of a validity test: valid or its errors.
#pragma once

#include <optional>
#include <span>
#include <utility>
#include <variant>

#include "version/parse_error.hpp"

namespace kolvi::version {

// The outcome of a parse: the value, or the error (the grammar reports exactly one).
template <class T>
class ParseResult {
 public:
  ParseResult(T value) : outcome_(std::move(value)) {}           // NOLINT: implicit by design
  ParseResult(ParseError error) : outcome_(std::move(error)) {}  // NOLINT: implicit by design

  bool ok() const noexcept { return outcome_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }

  T& value() noexcept { return *std::get_if<0>(&outcome_); }
  const T& value() const noexcept { return *std::get_if<0>(&outcome_); }
  // The error list a report is built from: the one error.
  std::span<const ParseError> errors() const noexcept { return {std::get_if<1>(&outcome_), 1}; }

 private:
  std::variant<T, ParseError> outcome_;
};

// The outcome of a validity test, which builds no value: valid, or the error.
template <>
class ParseResult<void> {
 public:
  ParseResult() noexcept = default;
  ParseResult(ParseError error) : error_(std::move(error)) {}  // NOLINT: implicit by design

  bool ok() const noexcept { return !error_.has_value(); }
  explicit operator bool() const noexcept { return ok(); }
  std::span<const ParseError> errors() const noexcept { return {&*error_, 1}; }

 private:
  std::optional<ParseError> error_;
};

}  // namespace kolvi::version
