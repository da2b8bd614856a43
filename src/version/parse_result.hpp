// The outcome of a parse: a value or its errors.
#pragma once

#include <utility>
#include <variant>
#include <vector>

#include "version/parse_error.hpp"

namespace kolvi::version {

// The outcome of a parse: the value, or the errors (exactly one with this grammar).
template <class T>
class ParseResult {
 public:
  ParseResult(T value) : outcome_(std::move(value)) {}  // NOLINT: implicit by design
  ParseResult(std::vector<ParseError> errors) : outcome_(std::move(errors)) {}

  bool ok() const noexcept { return outcome_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }

  T& value() noexcept { return *std::get_if<0>(&outcome_); }
  const T& value() const noexcept { return *std::get_if<0>(&outcome_); }
  const std::vector<ParseError>& errors() const noexcept { return *std::get_if<1>(&outcome_); }

 private:
  std::variant<T, std::vector<ParseError>> outcome_;
};

}  // namespace kolvi::version
