// The Python API of the module as plain data: the classes with their properties and the
// module-level functions, with the annotations tools see. The introspection records exported
// from the shared object are generated from this table at compile time, so the names here are
// the single place they are spelled; the bindings may read them too. No Python headers here.
#pragma once

#include <array>
#include <span>
#include <string_view>

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

// How a class's constructor takes its arguments; it decides the text signature the class
// docstring starts with, and the shape of the __new__ record.
enum class Constructor {
  kArgsAndKwargs,  // "(*args, **kwargs)": a version string, another instance, or keywords
  kArgsOnly,       // "(*args)": a version string or an instance of any kind
};

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

struct Function {
  std::string_view name;
  std::string_view id;
  Arguments arguments;
  std::string_view returns;
};

inline constexpr std::string_view kModuleName = "kolvi";
inline constexpr std::string_view kModuleId = "16716564216305331670";
inline constexpr std::string_view kSetterPrefix = "new_";

// Annotation texts, spelled the way tools read them.
inline constexpr std::string_view kInt = "int";
inline constexpr std::string_view kStr = "str";
inline constexpr std::string_view kBool = "bool";
inline constexpr std::string_view kNone = "None";
inline constexpr std::string_view kAny = "typing.Any";
inline constexpr std::string_view kOptionalAny = "typing.Any | None";

inline constexpr std::array kSemVerProperties{
    Property{"major", kInt, kInt},        Property{"minor", kInt, kInt},
    Property{"patch", kInt, kInt},        Property{"rc", kAny, kOptionalAny},
    Property{"meta", kAny, kOptionalAny},
};
inline constexpr std::array kDotSeparatedProperties{Property{"parts", kAny, kAny}};
inline constexpr std::array kOtherProperties{Property{"value", kStr, kStr}};

// The classes, in the order their records are exported.
inline constexpr std::array kClasses{
    Class{"SemVer", "17141857818836673737", Constructor::kArgsAndKwargs, kSemVerProperties},
    Class{"DotSeparated", "3257718923707718592", Constructor::kArgsAndKwargs,
          kDotSeparatedProperties},
    Class{"Other", "9851976511541829585", Constructor::kArgsAndKwargs, kOtherProperties},
    Class{"Version", "8532724421915289496", Constructor::kArgsOnly, {}},
    Class{"Outline", "9582234798640980253", Constructor::kArgsOnly, {}, /*has_members=*/false},
};

inline constexpr std::array kFunctions{
    Function{"test_function", "3982591204276466723", Arguments{.ordinary = {"version", "Version"}},
             kNone},
    Function{"init_tracing", "3408162280352740483", Arguments{}, kAny},
};

// The rich comparisons every class defines, each taking another instance of the same class.
inline constexpr std::array<std::string_view, 6> kComparisonMethods{
    "__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__",
};
// The text forms every class defines: debug form and display form.
inline constexpr std::array<std::string_view, 2> kTextMethods{"__repr__", "__str__"};

}  // namespace kolvi::python::api
