// The vocabulary the Python API is described in: parameters, properties, constructor shapes,
// and the typed class description that the bindings and the introspection records derive from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "version/text_list.hpp"

namespace kolvi::python::api {

// One parameter of a signature. An empty name means "no such parameter"; an empty annotation
// means "not annotated". `name_prefix` lets a setter derive its parameter name ("new_major")
// from the property name without storing the concatenation.
struct Parameter {
  std::string_view name;
  std::string_view annotation = {};
  std::string_view name_prefix = {};

  constexpr bool present() const { return !name.empty(); }
};

// The parameter list, with at most one parameter of each sort: that is all this API needs.
struct Arguments {
  Parameter positional_only = {};  // "self" of methods, "cls" of __new__
  Parameter ordinary = {};
  Parameter vararg = {};
  Parameter kwarg = {};
};

struct Function {
  std::string_view name;
  std::string_view id;
  Arguments arguments;
  std::string_view returns;
};

// How a class's constructor takes its arguments; it decides the text signature the class
// docstring starts with, and the shape of the __new__ record.
enum class Constructor {
  kArgsAndKwargs,  // "(*args, **kwargs)": a version string, another instance, or keywords
  kArgsOnly,       // "(*args)": a version string or an instance of any kind
};

constexpr std::string_view text_signature(Constructor constructor) {
  return constructor == Constructor::kArgsAndKwargs ? "(*args, **kwargs)" : "(*args)";
}

inline constexpr std::string_view kSetterPrefix = "new_";

// Annotation texts, spelled the way tools read them.
inline constexpr std::string_view kInt = "int";
inline constexpr std::string_view kStr = "str";
inline constexpr std::string_view kBool = "bool";
inline constexpr std::string_view kNone = "None";
inline constexpr std::string_view kAny = "typing.Any";
inline constexpr std::string_view kOptionalAny = "typing.Any | None";

// What tools see of a field of each C++ type: the getter's return and the setter's parameter.
struct Annotations {
  std::string_view getter;
  std::string_view setter;
};

template <class FieldType>
constexpr Annotations annotations_of() {
  if constexpr (std::is_same_v<FieldType, std::uint32_t>) {
    return {kInt, kInt};
  } else if constexpr (std::is_same_v<FieldType, std::string>) {
    return {kStr, kStr};
  } else if constexpr (std::is_same_v<FieldType, version::TextList>) {
    return {kAny, kAny};
  } else {
    static_assert(std::is_same_v<FieldType, version::OptionalTextList>, "no annotations known");
    return {kAny, kOptionalAny};
  }
}

// What the keyword form of a constructor does when a field's keyword is not given.
enum class WhenAbsent {
  kLeaveEmpty,       // the field keeps its empty value
  kMissingArgument,  // TypeError "Missing required keyword argument '<name>'"
  kInvalidInput,     // ValueError "invalid input to argument '<name>'"
};

// One field of a held value: a property with getter and setter, and a constructor keyword of
// the same name. The member's C++ type picks the conversions and the annotations.
template <class Value, class FieldType>
struct Field {
  using type = FieldType;
  std::string_view name;
  FieldType Value::*member;
  WhenAbsent when_absent;
};

template <class Value, class FieldType>
constexpr Field<Value, FieldType> field(std::string_view name, FieldType Value::*member,
                                        WhenAbsent when_absent) {
  return {name, member, when_absent};
}

// Everything about a class but its fields. Its parse operation and the source name of its
// reports are the value type's row of the parse table.
template <class Value>
struct ClassHeader {
  std::string_view name;
  std::string_view id;   // of its introspection record
  std::string_view doc;  // __doc__, which the docstring prefixes with the text signature
  Constructor constructor;
};

// One Python class: the header, then its fields in property order, which is also the order the
// keyword constructor reads them.
template <class Value, class... FieldTypes>
struct ClassDescription : ClassHeader<Value> {
  using value_type = Value;
  static constexpr std::size_t kFieldCount = sizeof...(FieldTypes);
  std::tuple<Field<Value, FieldTypes>...> fields;
};

template <class Value, class... FieldTypes>
constexpr ClassDescription<Value, FieldTypes...> describe(ClassHeader<Value> header,
                                                          Field<Value, FieldTypes>... fields) {
  return {header, {fields...}};
}

// The untyped view of a class that the introspection records are rendered from.
struct Property {
  std::string_view name;
  std::string_view getter_returns;
  std::string_view setter_annotation;  // the setter's parameter is named "new_" + name
};

struct Class {
  std::string_view name;
  std::string_view id;
  Constructor constructor;
  std::span<const Property> properties;
  // False for a class that is described but neither created nor given member records.
  bool has_members = true;
};

template <class Value, class FieldType>
constexpr Property property_of(const Field<Value, FieldType>& field) {
  return {field.name, annotations_of<FieldType>().getter, annotations_of<FieldType>().setter};
}

template <class Description>
constexpr auto properties_of(const Description& description) {
  return std::apply(
      [](const auto&... fields) {
        return std::array<Property, sizeof...(fields)>{property_of(fields)...};
      },
      description.fields);
}

// The field names: the constructor's allowed keywords.
template <class Description>
constexpr auto field_names(const Description& description) {
  return std::apply(
      [](const auto&... fields) {
        return std::array<std::string_view, sizeof...(fields)>{fields.name...};
      },
      description.fields);
}

// Not constexpr on purpose: reaching it during constant evaluation stops the build.
inline void text_is_not_nul_terminated() {}

// A described name as the C API's `const char*`. Every name here is a string literal, whose
// terminating NUL follows the view; in a constant initialiser the check fails the build for any
// other text.
constexpr const char* c_string(std::string_view text) {
  if (text.data()[text.size()] != '\0') text_is_not_nul_terminated();
  return text.data();
}

// Texts joined at compile time into one NUL-terminated array, for the C API's `const char*`
// slots. `make_parts` returns the list of parts; a function keeps its size a constant.
template <std::size_t Size>
struct JoinedText {
  std::array<char, Size + 1> chars{};

  constexpr const char* c_str() const { return chars.data(); }
  constexpr std::string_view view() const { return {chars.data(), Size}; }
};

template <class MakeParts>
constexpr auto join_text(MakeParts make_parts) {
  constexpr auto parts = make_parts();
  constexpr std::size_t size = [&] {
    std::size_t total = 0;
    for (std::string_view part : parts)
      total += part.size();
    return total;
  }();
  JoinedText<size> text;
  std::size_t next = 0;
  for (std::string_view part : parts) {
    for (char c : part)
      text.chars[next++] = c;
  }
  return text;
}

}  // namespace kolvi::python::api
