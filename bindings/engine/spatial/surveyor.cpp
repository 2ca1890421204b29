// kelvo_web.engine.spatial.surveyor: MatrixResolver over the caller's own matrix entries.
#include <nanobind/nanobind.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>

#include <chrono>
#include <optional>
#include <string>

#include "common/convert.h"
#include "engine/spatial/plain_values.h"
#include "engine/spatial/spatial_result.h"
#include "engine/spatial/surveyor/surveyor.h"
#include "native.h"

namespace nb = nanobind;
using kelvo::Record;
namespace sv = kelvo::surveyor;

namespace {

using kelvo::bind::spatial::value_at;
using kelvo::bind::spatial::Where;

// Only the keys the resolver reads are converted; an entry's element carries much more.
Record read_entry(nb::handle item, const Where& where) {
  using kelvo::bind::spatial::KeySet;
  using kelvo::bind::spatial::object_with_room;
  static const KeySet entry_keys{"index", "element_type", "text", "searchable", "is_anchor_only", "position"};
  static const KeySet element_keys{"element", "xpath", "attributes"};
  static const KeySet label_keys{"aria-label", "_label", "placeholder"};
  if (!PyDict_Check(item.ptr())) kelvo::bind::raise_type_error(where.str().c_str(), "a dict", item);
  Record out = object_with_room(entry_keys.size() + 1);
  for (std::size_t i = 0; i < entry_keys.size(); ++i) {
    if (PyObject* v = entry_keys.get(item.ptr(), i))
      out[entry_keys.name(i)] = value_at(v, where, entry_keys.name(i));
  }
  PyObject* element = element_keys.get(item.ptr(), 0);
  if (!element) return out;
  if (!PyDict_Check(element)) {
    out["element"] = value_at(element, where, "element");
    return out;
  }
  const Where el = where.with("element");
  Record slim = object_with_room(2);
  if (PyObject* xpath = element_keys.get(element, 1)) slim["xpath"] = value_at(xpath, el, "xpath");
  if (PyObject* attributes = element_keys.get(element, 2)) {
    if (PyDict_Check(attributes)) {
      Record labels = object_with_room(label_keys.size());
      for (std::size_t i = 0; i < label_keys.size(); ++i) {
        if (PyObject* v = label_keys.get(attributes, i)) {
          labels[label_keys.name(i)] = value_at(v, el.with("attributes"), label_keys.name(i));
        }
      }
      slim["attributes"] = std::move(labels);
    } else {
      slim["attributes"] = value_at(attributes, el, "attributes");
    }
  }
  out["element"] = std::move(slim);
  return out;
}

using Entries = kelvo::bind::RecordList;

Entries read_entries(nb::handle list, const char* argument) {
  return kelvo::bind::read_record_list(
      list, argument, [&](nb::handle item, std::size_t i) { return read_entry(item, Where{argument, i}); });
}

std::optional<std::string> optional_str(nb::handle value, const char* argument) {
  if (value.is_none()) return std::nullopt;
  if (!PyUnicode_Check(value.ptr())) kelvo::bind::raise_type_error(argument, "str or None", value);
  return kelvo::bind::require_str(value, argument);
}

// bool is an int in Python, but True is no ordinal.
std::optional<std::int64_t> optional_int(nb::handle value, const char* argument, bool none_ok) {
  if (none_ok && value.is_none()) return std::nullopt;
  if (!PyLong_Check(value.ptr()) || PyBool_Check(value.ptr())) {
    kelvo::bind::raise_type_error(argument, none_ok ? "int or None" : "an int", value);
  }
  return nb::cast<std::int64_t>(value);
}

nb::object element_of(const nb::object& entry) {
  static const kelvo::bind::spatial::KeySet key{"element"};
  PyObject* element = key.get(entry.ptr(), 0);
  return element ? nb::borrow(element) : nb::none();
}

// The result in its documented key order, holding the caller's own element records.
nb::dict result(const sv::SpatialResolution& r, const Entries& entries, const sv::MatrixResolver& resolver) {
  const std::string anchor = r.shape == sv::SpatialResolution::Shape::relational
                                 ? sv::entry_text(resolver.matrix()[r.anchor], "searchable")
                                 : std::string();
  return kelvo::bind::spatial_dict(r, anchor, [&](std::size_t i) { return element_of(entries.object(i)); });
}

struct PyMatrixResolver {
  nb::object matrix;
};

Entries matrix_of(const PyMatrixResolver& self) { return read_entries(self.matrix, "matrix"); }

std::string target_of(nb::handle parsed_instruction) {
  nb::dict record = kelvo::bind::require_dict(parsed_instruction, "parsed_instruction");
  PyObject* target = PyDict_GetItemString(record.ptr(), "target");
  // Dialog actions carry a null target; it reads as no phrase at all.
  if (!target || target == Py_None) return {};
  if (!PyUnicode_Check(target)) {
    kelvo::bind::raise_type_error("parsed_instruction['target']", "str or None", target);
  }
  return kelvo::bind::require_str(target, "parsed_instruction['target']");
}

nb::object text_or_none(const std::optional<std::string>& s) {
  return s ? nb::object(nb::cast(*s)) : nb::none();
}

double bench_resolve(nb::handle matrix, nb::handle targets, int repeat) {
  Entries entries = read_entries(matrix, "matrix");
  nb::list phrases = kelvo::bind::require_list(targets, "targets");
  std::vector<std::string> texts;
  for (nb::handle t : phrases) texts.push_back(kelvo::bind::require_str(t, "targets[]"));
  const sv::MatrixResolver resolver(entries.take_records());
  static volatile std::size_t sink = 0;  // keeps the loop from being optimised away
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < repeat; ++i) {
    for (const auto& t : texts) sink = sink + resolver.resolve(t).candidates.size();
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return took.count();
}

}  // namespace

void bind_surveyor(nanobind::module_& m) {
  m.doc() = "Spatial resolution: anchor, relation, type and ordinal over the matrix.";

  nb::register_exception_translator([](const std::exception_ptr& p, void*) {
    try {
      std::rethrow_exception(p);
    } catch (const sv::EntryError& e) {
      PyErr_SetString(e.kind == sv::EntryError::Kind::missing_key ? PyExc_KeyError : PyExc_TypeError,
                      e.what());
    }
  });

  m.attr("SPATIAL_TOLERANCE") = sv::SPATIAL_TOLERANCE;
  m.attr("NEAR_MAX_PIXELS") = sv::NEAR_MAX_PIXELS;
  m.attr("NEAR_MAX_DOM_STEPS") = sv::NEAR_MAX_DOM_STEPS;

  nb::dict relations, ordinals, type_keywords;
  for (const auto& row : sv::RELATIONS)
    relations[nb::cast(std::string(row.keyword))] = std::string(row.strategy);
  for (const auto& row : sv::ORDINALS) ordinals[nb::cast(std::string(row.word))] = row.number;
  for (const auto& row : sv::TYPE_KEYWORDS)
    type_keywords[nb::cast(std::string(row.word))] = std::string(row.type);
  m.attr("_RELATIONS") = relations;
  m.attr("_ORDINALS") = ordinals;
  m.attr("_TYPE_KEYWORDS") = type_keywords;

  m.def(
      "_parse_target",
      [](nb::handle target) {
        const auto p = sv::parse_target(kelvo::bind::require_str(target, "target"));
        return nb::make_tuple(text_or_none(p.anchor), text_or_none(p.relation), text_or_none(p.type_filter),
                              p.ordinal ? nb::object(nb::int_(*p.ordinal)) : nb::none(),
                              text_or_none(p.search_text), text_or_none(p.target_text));
      },
      nb::arg("target").none());
  m.def(
      "_normalize", [](nb::handle text) { return sv::normalize(kelvo::bind::require_str(text, "text")); },
      nb::arg("text").none());

  auto geometry = [](nb::handle value, const char* argument) {
    if (!PyDict_Check(value.ptr())) kelvo::bind::raise_type_error(argument, "a dict", value);
    Record entry = Record::object();
    if (PyObject* position = PyDict_GetItemString(value.ptr(), "position")) {
      entry["position"] = value_at(position, Where{argument}, "position");
    }
    sv::check_position(entry, argument);
    return entry;
  };
  m.def(
      "_overlaps_vertically",
      [geometry](nb::handle a, nb::handle b) {
        return sv::overlaps_vertically(geometry(a, "a"), geometry(b, "b"));
      },
      nb::arg("a").none(), nb::arg("b").none());
  m.def(
      "_overlaps_horizontally",
      [geometry](nb::handle a, nb::handle b) {
        return sv::overlaps_horizontally(geometry(a, "a"), geometry(b, "b"));
      },
      nb::arg("a").none(), nb::arg("b").none());
  m.def(
      "_centre_distance",
      [geometry](nb::handle a, nb::handle b) {
        return sv::centre_distance(geometry(a, "a"), geometry(b, "b"));
      },
      nb::arg("a").none(), nb::arg("b").none());
  m.def(
      "_dom_distance",
      [](nb::handle xpath_a, nb::handle xpath_b) {
        return sv::xpath_aligned_distance(kelvo::bind::require_str(xpath_a, "xpath_a"),
                                          kelvo::bind::require_str(xpath_b, "xpath_b"));
      },
      nb::arg("xpath_a").none(), nb::arg("xpath_b").none());

  nb::class_<PyMatrixResolver>(m, "MatrixResolver")
      .def(
          "__init__",
          [](PyMatrixResolver* self, nb::handle matrix) {
            kelvo::bind::require_list(matrix, "matrix");
            new (self) PyMatrixResolver{nb::borrow(matrix)};
          },
          nb::arg("matrix").none())
      .def_rw("matrix", &PyMatrixResolver::matrix)
      .def(
          "resolve",
          [](const PyMatrixResolver& self, nb::handle parsed_instruction) {
            const std::string target = target_of(parsed_instruction);
            Entries entries = matrix_of(self);
            const sv::MatrixResolver resolver(entries.take_records());
            return result(resolver.resolve(target), entries, resolver);
          },
          nb::arg("parsed_instruction").none())
      .def(
          "_find_anchor",
          [](const PyMatrixResolver& self, nb::handle anchor_text) -> nb::object {
            const std::string text = kelvo::bind::require_str(anchor_text, "anchor_text");
            Entries entries = matrix_of(self);
            const auto found = sv::MatrixResolver(entries.take_records()).find_anchor(text);
            return found ? entries.object(*found) : nb::none();
          },
          nb::arg("anchor_text").none())
      .def(
          "_rank",
          [](const PyMatrixResolver&, nb::handle candidates, nb::handle anchor, nb::handle strategy,
             nb::handle ordinal) {
            Entries pool = read_entries(candidates, "candidates");
            if (!PyDict_Check(anchor.ptr())) kelvo::bind::raise_type_error("anchor", "a dict", anchor);
            const Record anchor_entry = read_entry(anchor, Where{"anchor"});
            const auto how = optional_str(strategy, "strategy");
            const auto n = optional_int(ordinal, "ordinal", true);
            nb::list out;
            for (std::size_t i : sv::MatrixResolver::rank(pool.records(), anchor_entry, how, n)) {
              out.append(pool.object(i));
            }
            return out;
          },
          nb::arg("candidates").none(), nb::arg("anchor").none(), nb::arg("strategy").none(),
          nb::arg("ordinal").none())
      .def(
          "_resolve_ordinal",
          [](const PyMatrixResolver& self, nb::handle ordinal, nb::handle type_filter,
             nb::handle search_text) {
            const std::int64_t n = *optional_int(ordinal, "ordinal", false);
            const auto type = optional_str(type_filter, "type_filter");
            const auto text = optional_str(search_text, "search_text");
            Entries entries = matrix_of(self);
            const sv::MatrixResolver resolver(entries.take_records());
            return result(resolver.resolve_ordinal(n, type, text), entries, resolver);
          },
          nb::arg("ordinal").none(), nb::arg("type_filter").none(), nb::arg("search_text").none());

  m.def("_bench_resolve", &bench_resolve, nb::arg("matrix").none(), nb::arg("targets").none(),
        nb::arg("repeat").none());
}
