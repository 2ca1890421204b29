// What every resolution answers, and the errors raised for input that cannot be used.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/record.h"

namespace kelvo::matcher {

using Elements = std::vector<Record>;

// Results name elements by position in the caller's lists, so a binding can hand back
// the caller's own records rather than copies.
enum class Source { dom_elements, text_elements };

struct ElementRef {
  Source source;
  std::size_t index;
  bool operator==(const ElementRef& other) const { return source == other.source && index == other.index; }
  bool operator!=(const ElementRef& other) const { return !(*this == other); }
};

// Which keys the answer carries, in which order:
//   resolution:   resolved, confidence, element, candidates
//   verification: resolved, verified, confidence, element, state, candidates
//   extraction:   resolved, confidence, element, extracted, candidates
enum class Shape { resolution, verification, extraction };

struct ResolutionResult {
  Shape shape = Shape::resolution;
  bool resolved = false;
  // A verification reports the stored flag as it is (a hand-built record may hold a
  // non-boolean), so this is a value rather than a bool.
  Record verified = false;
  std::optional<ElementRef> element;
  Record state = Record::object();
  std::string extracted;
  std::vector<ElementRef> candidates;

  double confidence() const { return resolved ? 1.0 : 0.0; }
};

// An argument of the wrong kind; the message reads "<argument> must be <expected>, not <kind>"
// with the kind named as a Python caller knows it.
class ArgumentError : public std::invalid_argument {
 public:
  ArgumentError(const std::string& argument, const std::string& expected, const std::string& kind)
      : std::invalid_argument(argument + " must be " + expected + ", not " + kind) {}
};

// An argument with an acceptable kind but an unusable value.
class ArgumentValueError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// A bounding box that cannot be measured: a coordinate is missing (`missing`) or not a number.
class MeasureError : public std::runtime_error {
 public:
  MeasureError(const std::string& what, bool missing) : std::runtime_error(what), missing(missing) {}
  bool missing;
};

// The Python name of a record value's kind, for messages.
std::string kind_name(const Record& value);

}  // namespace kelvo::matcher
