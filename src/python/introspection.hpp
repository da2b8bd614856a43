// Introspection records: one small JSON object per element of the Python API, computed at
// compile time from the descriptions in api_description.hpp and exported as data symbols so that
// tools (scripts/stubgen) can learn the API from the shared object without importing it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "python/api_description.hpp"

namespace kolvi::python::introspection {

// The layout of every exported record symbol: 16 bytes, pointer then length.
struct RecordSymbol {
  const char* text;
  std::uint64_t length;
};
static_assert(sizeof(RecordSymbol) == 16, "tools read the records as 16-byte symbols");

enum class RecordKind { kModule, kClass, kFunction, kMethod, kGetter, kSetter };

// One record before rendering. Functions carry an "id"; methods and properties a "parent".
struct Record {
  RecordKind kind = RecordKind::kModule;
  std::string_view name = {};
  std::string_view id_or_parent = {};
  api::Arguments arguments = {};
  std::string_view returns = {};
};

// --- flattening the description into records --------------------------------------------------

inline constexpr std::size_t kMethodsPerClass =
    1 + api::kComparisonMethods.size() + api::kTextMethods.size();

constexpr std::size_t member_count(const api::Class& cls) {
  return cls.has_members ? kMethodsPerClass + 2 * cls.properties.size() : 0;
}

constexpr std::size_t count_records() {
  std::size_t count = 1 + api::kClasses.size() + api::kFunctions.size();
  for (const api::Class& cls : api::kClasses)
    count += member_count(cls);
  return count;
}

inline constexpr std::size_t kRecordCount = count_records();

constexpr api::Parameter self_parameter() {
  return {"self"};
}

constexpr api::Arguments constructor_arguments(api::Constructor constructor) {
  api::Arguments arguments{.positional_only = {"cls"}, .vararg = {"args"}};
  if (constructor == api::Constructor::kArgsAndKwargs) arguments.kwarg = {"kwargs"};
  return arguments;
}

// Appends the member records of one class in a fixed order: constructor, comparisons, text
// forms, then getter and setter of each property.
template <std::size_t N>
constexpr void append_members(const api::Class& cls, std::array<Record, N>& records,
                              std::size_t& next) {
  // __new__ records "None" as its return, as the records of this API always have.
  records[next++] = {RecordKind::kMethod, "__new__", cls.id, constructor_arguments(cls.constructor),
                     api::kNone};
  for (std::string_view method : api::kComparisonMethods) {
    records[next++] = {RecordKind::kMethod,
                       method,
                       cls.id,
                       {.positional_only = self_parameter(), .ordinary = {"other", cls.name}},
                       api::kBool};
  }
  for (std::string_view method : api::kTextMethods) {
    records[next++] = {
        RecordKind::kMethod, method, cls.id, {.positional_only = self_parameter()}, api::kStr};
  }
  for (const api::Property& property : cls.properties) {
    records[next++] = {RecordKind::kGetter,
                       property.name,
                       cls.id,
                       {.positional_only = self_parameter()},
                       property.getter_returns};
    records[next++] = {
        RecordKind::kSetter,
        property.name,
        cls.id,
        {.positional_only = self_parameter(),
         .ordinary = {property.name, property.setter_annotation, api::kSetterPrefix}},
        api::kNone};
  }
}

constexpr std::array<Record, kRecordCount> build_records() {
  std::array<Record, kRecordCount> records{};
  std::size_t next = 0;
  records[next++] = {RecordKind::kModule, api::kModuleName, api::kModuleId};
  for (const api::Class& cls : api::kClasses) {
    records[next++] = {RecordKind::kClass, cls.name, cls.id};
  }
  for (const api::Function& function : api::kFunctions) {
    records[next++] = {RecordKind::kFunction, function.name, function.id, function.arguments,
                       function.returns};
  }
  for (const api::Class& cls : api::kClasses) {
    if (cls.has_members) append_members(cls, records, next);
  }
  return records;
}

inline constexpr std::array<Record, kRecordCount> kRecords = build_records();

// --- rendering a record as compact JSON -------------------------------------------------------

// Not constexpr on purpose: reaching it during constant evaluation stops the build.
inline void json_text_needs_escaping() {}

// Writes into a buffer, or only counts when given none; the same code measures and renders.
class JsonSink {
 public:
  constexpr explicit JsonSink(char* out = nullptr) : out_(out) {}

  constexpr void raw(std::string_view text) {
    for (char c : text) {
      if (out_ != nullptr) out_[size_] = c;
      ++size_;
    }
  }

  // The API's names and annotations never need escapes; refuse any text that would.
  constexpr void string(std::string_view first, std::string_view second = {}) {
    raw("\"");
    for (std::string_view part : {first, second}) {
      for (char c : part) {
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) {
          json_text_needs_escaping();
        }
      }
      raw(part);
    }
    raw("\"");
  }

  constexpr void key(std::string_view name) {
    string(name);
    raw(":");
  }

  constexpr std::size_t size() const { return size_; }

 private:
  char* out_;
  std::size_t size_ = 0;
};

constexpr void write_parameter(const api::Parameter& parameter, JsonSink& json) {
  json.raw("{");
  json.key("name");
  json.string(parameter.name_prefix, parameter.name);
  if (!parameter.annotation.empty()) {
    json.raw(",");
    json.key("annotation");
    json.string(parameter.annotation);
  }
  json.raw("}");
}

constexpr void write_arguments(const api::Arguments& arguments, JsonSink& json) {
  struct Slot {
    std::string_view key;
    const api::Parameter& parameter;
    bool is_list;
  };
  const Slot slots[] = {{"posonlyargs", arguments.positional_only, true},
                        {"args", arguments.ordinary, true},
                        {"vararg", arguments.vararg, false},
                        {"kwarg", arguments.kwarg, false}};
  json.raw("{");
  bool first = true;
  for (const Slot& slot : slots) {
    if (!slot.parameter.present()) continue;
    if (!first) json.raw(",");
    first = false;
    json.key(slot.key);
    if (slot.is_list) json.raw("[");
    write_parameter(slot.parameter, json);
    if (slot.is_list) json.raw("]");
  }
  json.raw("}");
}

constexpr std::string_view type_name(RecordKind kind) {
  switch (kind) {
    case RecordKind::kModule:
      return "module";
    case RecordKind::kClass:
      return "class";
    default:
      return "function";
  }
}

constexpr bool has_parent(RecordKind kind) {
  return kind == RecordKind::kMethod || kind == RecordKind::kGetter || kind == RecordKind::kSetter;
}

constexpr void write_record(const Record& record, JsonSink& json) {
  json.raw("{");
  json.key("type");
  json.string(type_name(record.kind));
  json.raw(",");
  json.key("name");
  json.string(record.name);
  json.raw(",");
  json.key(has_parent(record.kind) ? "parent" : "id");
  json.string(record.id_or_parent);
  if (record.kind == RecordKind::kModule) json.raw(",\"members\":[],\"incomplete\":true");
  if (record.kind != RecordKind::kModule && record.kind != RecordKind::kClass) {
    json.raw(",");
    json.key("arguments");
    write_arguments(record.arguments, json);
    json.raw(",");
    json.key("returns");
    json.string(record.returns);
  }
  if (record.kind == RecordKind::kGetter) json.raw(",\"decorators\":[\"property\"]");
  if (record.kind == RecordKind::kSetter) {
    json.raw(",\"decorators\":[");
    json.string(record.name, ".setter");
    json.raw("]");
  }
  json.raw("}");
}

constexpr std::size_t rendered_size(const Record& record) {
  JsonSink counter;
  write_record(record, counter);
  return counter.size();
}

// The text of record `index`: exactly its bytes, no terminating NUL.
template <std::size_t index>
constexpr auto render_record() {
  static_assert(index < kRecordCount);
  std::array<char, rendered_size(kRecords[index])> text{};
  JsonSink json(text.data());
  write_record(kRecords[index], json);
  return text;
}

}  // namespace kolvi::python::introspection
