// The Python API of the module, described once: each class with its doc, constructor and fields
// (its parse operation and report source name are its value type's row of the parse table), and
// the module-level functions. The bindings (slots, properties, keyword parsing) and the exported
// introspection records, hence the stub, are all derived from here.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "python/description.hpp"
#include "version/version.hpp"

namespace kolvi::python::api {

inline constexpr std::string_view kModuleName = "kolvi";
inline constexpr std::string_view kModuleId = "16716564216305331670";

inline constexpr auto kSemVerClass = describe(
    ClassHeader<version::SemVer>{
        .name = "SemVer",
        .id = "17141857818836673737",
        .doc = "Python wrapper type for [`SemVer`]",
        .constructor = Constructor::kArgsAndKwargs,
    },
    field("major", &version::SemVer::major, WhenAbsent::kMissingArgument),
    field("minor", &version::SemVer::minor, WhenAbsent::kMissingArgument),
    field("patch", &version::SemVer::patch, WhenAbsent::kMissingArgument),
    field("rc", &version::SemVer::rc, WhenAbsent::kLeaveEmpty),
    field("meta", &version::SemVer::meta, WhenAbsent::kLeaveEmpty));

inline constexpr auto kDotSeparatedClass = describe(
    ClassHeader<version::DotSeparated>{
        .name = "DotSeparated",
        .id = "3257718923707718592",
        .doc = "Python wrapper around [`DotSeparated`]",
        .constructor = Constructor::kArgsAndKwargs,
    },
    field("parts", &version::DotSeparated::parts, WhenAbsent::kInvalidInput));

inline constexpr auto kOtherClass = describe(
    ClassHeader<version::Other>{
        .name = "Other",
        .id = "9851976511541829585",
        .doc = "Python wrapper around the [`Other`] version type",
        .constructor = Constructor::kArgsAndKwargs,
    },
    field("value", &version::Other::value, WhenAbsent::kInvalidInput));

// No fields: a Version is read through the kind classes, str() and repr().
inline constexpr auto kVersionClass = describe(ClassHeader<version::Version>{
    .name = "Version",
    .id = "8532724421915289496",
    .doc = "Python wrapper around a [`Version`]",
    .constructor = Constructor::kArgsOnly,
});

// The classes the module makes, in the order their records are exported. The module adds
// Version first and then the kinds, see module.cpp.
inline constexpr std::tuple kClassDescriptions{kSemVerClass, kDotSeparatedClass, kOtherClass,
                                               kVersionClass};

// A class that exists only as an introspection record, for tools: the module creates no such
// class and it has no member records.
inline constexpr Class kRecordOnlyClass{"Outline",
                                        "9582234798640980253",
                                        Constructor::kArgsOnly,
                                        {},
                                        /*has_members=*/false};

inline constexpr Function kTestFunction{"test_function", "3982591204276466723",
                                        Arguments{.ordinary = {"version", kVersionClass.name}},
                                        kNone};
inline constexpr Function kInitTracing{"init_tracing", "3408162280352740483", Arguments{}, kAny};
inline constexpr std::array kFunctions{kTestFunction, kInitTracing};

// The rich comparisons every class defines, each taking another instance of the same class.
inline constexpr std::array<std::string_view, 6> kComparisonMethods{
    "__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__",
};
// The text forms every class defines: debug form and display form.
inline constexpr std::array<std::string_view, 2> kTextMethods{"__repr__", "__str__"};

// --- lookups derived from the list above ---------------------------------------------------------

inline constexpr std::size_t kClassCount = std::tuple_size_v<decltype(kClassDescriptions)>;

// The value type of class `index`.
template <std::size_t index>
using ValueAt =
    typename std::remove_cvref_t<decltype(std::get<index>(kClassDescriptions))>::value_type;

template <class Value, std::size_t index = 0>
constexpr std::size_t class_index() {
  static_assert(index < kClassCount, "no class describes this value type");
  if constexpr (std::is_same_v<ValueAt<index>, Value>) {
    return index;
  } else {
    return class_index<Value, index + 1>();
  }
}

// The description of the class that holds a `Value`.
template <class Value>
constexpr const auto& description_of() {
  return std::get<class_index<Value>()>(kClassDescriptions);
}

template <class Value>
inline constexpr auto kPropertiesOf = properties_of(description_of<Value>());

template <std::size_t... index>
constexpr auto class_views(std::index_sequence<index...>) {
  return std::array{
      Class{std::get<index>(kClassDescriptions).name, std::get<index>(kClassDescriptions).id,
            std::get<index>(kClassDescriptions).constructor, kPropertiesOf<ValueAt<index>>}...,
      kRecordOnlyClass};
}

// Every class record, in export order.
inline constexpr auto kClasses = class_views(std::make_index_sequence<kClassCount>());

// Two classes with one name or one record id would shadow each other in the module and in tools.
constexpr bool names_and_ids_are_unique() {
  for (std::size_t i = 0; i < kClasses.size(); ++i) {
    for (std::size_t j = i + 1; j < kClasses.size(); ++j) {
      if (kClasses[i].name == kClasses[j].name || kClasses[i].id == kClasses[j].id) return false;
    }
  }
  return true;
}
static_assert(names_and_ids_are_unique(), "every class needs its own name and record id");

}  // namespace kolvi::python::api
