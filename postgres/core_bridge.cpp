// The extension's C++ half: parses, keys and reports with the core into a buffer of its own, and
// hands back plain results (core_bridge.h says why nothing here may touch PostgreSQL).
#include "core_bridge.h"

#include <cstddef>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "diagnostics/report.hpp"
#include "stored_value.h"
#include "version/exact_key.hpp"
#include "version/kinds.hpp"
#include "version/order_key.hpp"
#include "version/version.hpp"

namespace {

using namespace kolvi;

// Results are written here. A backend runs one thread, so one buffer serves every call; one that
// grew past this is given back on the next call rather than kept for the backend's life.
constexpr std::size_t kKeptCapacity = std::size_t{1} << 20;

std::string& scratch() {
  static std::string buffer;
  if (buffer.capacity() > kKeptCapacity) std::string().swap(buffer);
  buffer.clear();
  return buffer;
}

KolviResult bytes_of(KolviOutcome outcome, const std::string& buffer, std::size_t offset = 0) {
  return {outcome, buffer.data() + offset, buffer.size() - offset};
}

KolviResult no_bytes(KolviOutcome outcome) {
  return {outcome, nullptr, 0};
}

// Runs `work`, which returns a KolviResult, and turns whatever it throws into an outcome: the
// one place where C++ exceptions stop.
template <class Work>
KolviResult guarded(Work&& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return no_bytes(KOLVI_OUT_OF_MEMORY);
  } catch (const std::exception& error) {
    try {
      std::string& buffer = scratch();
      buffer = error.what();
      return bytes_of(KOLVI_FAILED, buffer);
    } catch (...) {
      return no_bytes(KOLVI_OUT_OF_MEMORY);
    }
  } catch (...) {
    return no_bytes(KOLVI_FAILED);
  }
}

template <class Target, class Result>
KolviResult report_of(const Result& result, std::string_view text) {
  std::string& buffer = scratch();
  diagnostics::append_uncoloured_report(buffer, result.errors(), text, Target::source_name);
  return bytes_of(KOLVI_INVALID, buffer);
}

// Calls `visitor` with the row of the parse table at `target`, which the caller has checked.
template <class Visitor>
KolviResult with_target(int target, Visitor&& visitor) noexcept {
  return guarded([&] {
    return version::visit_target(static_cast<std::size_t>(target), std::forward<Visitor>(visitor));
  });
}

}  // namespace

extern "C" {

std::size_t kolvi_core_target_count() noexcept {
  return version::kParseTargetCount;
}

const char* kolvi_core_target_name(std::size_t index, std::size_t* size) noexcept {
  const std::string_view name = version::kTargetNames[index];
  *size = name.size();
  return name.data();
}

int kolvi_core_target_named(const char* name, std::size_t size) noexcept {
  const auto index = version::target_named({name, size});
  return index ? static_cast<int>(*index) : -1;
}

unsigned kolvi_core_rank_bits() noexcept {
  return version::kRankBits;
}

KolviResult kolvi_core_stored_value(const char* text, std::size_t size) noexcept {
  return guarded([&] {
    using Target = version::TargetAt<version::target_index_of<version::Version>()>;
    const std::string_view source(text, size);
    const auto result = Target::parse(source);
    if (!result) return report_of<Target>(result, source);
    // The key goes in after room for the longest length field, which is then written just
    // before it, so the key is written once and never moved.
    std::string& buffer = scratch();
    buffer.resize(KOLVI_LONG_LENGTH_SIZE);
    version::append_exact_key(buffer, result.value());
    const std::size_t key_size = buffer.size() - KOLVI_LONG_LENGTH_SIZE;
    if (key_size > KOLVI_LARGEST_KEY) throw std::bad_alloc();
    const std::size_t start = KOLVI_LONG_LENGTH_SIZE - kolvi_key_length_size(key_size);
    kolvi_write_key_length(reinterpret_cast<unsigned char*>(buffer.data() + start), key_size);
    version::append_display(buffer, result.value());
    return bytes_of(KOLVI_VALID, buffer, start);
  });
}

KolviResult kolvi_core_exact_key(int target, const char* text, std::size_t size) noexcept {
  return with_target(target, [&]<class Target>(Target) {
    const std::string_view source(text, size);
    const auto result = Target::parse(source);
    if (!result) return report_of<Target>(result, source);
    std::string& buffer = scratch();
    version::append_exact_key(buffer, result.value());
    return bytes_of(KOLVI_VALID, buffer);
  });
}

KolviOutcome kolvi_core_check(int target, const char* text, std::size_t size) noexcept {
  return with_target(target,
                     [&]<class Target>(Target) {
                       return no_bytes(Target::parse({text, size}) ? KOLVI_VALID : KOLVI_INVALID);
                     })
      .outcome;
}

KolviResult kolvi_core_report(int target, const char* text, std::size_t size) noexcept {
  return with_target(target, [&]<class Target>(Target) {
    const std::string_view source(text, size);
    const auto result = Target::parse(source);
    if (result) return no_bytes(KOLVI_VALID);
    return report_of<Target>(result, source);
  });
}

}  // extern "C"
