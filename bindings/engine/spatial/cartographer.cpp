// kelvo_web.engine.spatial.cartographer: MatrixBuilder over the caller's own records.
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>

#include <chrono>
#include <string>

#include "common/convert.h"
#include "engine/spatial/cartographer/cartographer.h"
#include "engine/spatial/plain_values.h"
#include "native.h"

namespace nb = nanobind;
using kelvo::Record;
namespace carto = kelvo::cartographer;

namespace {

using kelvo::bind::spatial::value_at;
using kelvo::bind::spatial::Where;

// Only the keys the matrix reads are converted; descriptors carry much more.
Record read_element(nb::handle item, const Where& where) {
  using kelvo::bind::spatial::KeySet;
  using kelvo::bind::spatial::object_with_room;
  static const KeySet element_keys{"tag", "text", "is_enabled", "bounding_box", "attributes"};
  static const KeySet attribute_keys{"role", "type", "_label", "aria-label", "placeholder", "name"};
  if (!PyDict_Check(item.ptr())) kelvo::bind::raise_type_error(where.str().c_str(), "a dict", item);
  Record out = object_with_room(element_keys.size());
  for (std::size_t i = 0; i + 1 < element_keys.size(); ++i) {
    if (PyObject* v = element_keys.get(item.ptr(), i))
      out[element_keys.name(i)] = value_at(v, where, element_keys.name(i));
  }
  if (PyObject* attributes = element_keys.get(item.ptr(), element_keys.size() - 1)) {
    if (PyDict_Check(attributes)) {
      Record slim = object_with_room(attribute_keys.size());
      for (std::size_t i = 0; i < attribute_keys.size(); ++i) {
        if (PyObject* v = attribute_keys.get(attributes, i)) {
          slim[attribute_keys.name(i)] = value_at(v, where.with("attributes"), attribute_keys.name(i));
        }
      }
      out["attributes"] = std::move(slim);
    } else {
      out["attributes"] = value_at(attributes, where, "attributes");
    }
  }
  return out;
}

using Inputs = kelvo::bind::RecordList;

Inputs read_list(nb::handle list, const char* argument) {
  return kelvo::bind::read_record_list(
      list, argument, [&](nb::handle item, std::size_t i) { return read_element(item, Where{argument, i}); });
}

struct PyMatrixBuilder {
  nb::object dom_elements;
  nb::object text_elements;
};

// Keys created once per build, not once per entry.
struct EntryKeys {
  nb::str index{"index"}, tag{"tag"}, element_type{"element_type"}, text{"text"}, label{"label"},
      searchable{"searchable"}, is_enabled{"is_enabled"}, is_anchor_only{"is_anchor_only"},
      order_in_type{"order_in_type"}, position{"position"}, element{"element"};
  nb::str x{"x"}, y{"y"}, w{"w"}, h{"h"}, cx{"cx"}, cy{"cy"}, x2{"x2"}, y2{"y2"};
};

nb::object number(const Record& v) {
  return v.is_number_float() ? nb::object(nb::float_(v.get<double>()))
                             : nb::object(nb::int_(v.get<std::int64_t>()));
}

nb::dict position_dict(const Record& p, const EntryKeys& k) {
  nb::dict d;
  d[k.x] = number(p["x"]);
  d[k.y] = number(p["y"]);
  d[k.w] = number(p["w"]);
  d[k.h] = number(p["h"]);
  d[k.cx] = nb::float_(p["cx"].get<double>());
  d[k.cy] = nb::float_(p["cy"].get<double>());
  d[k.x2] = number(p["x2"]);
  d[k.y2] = number(p["y2"]);
  return d;
}

nb::str str_of(const std::string& s) { return nb::str(s.data(), s.size()); }

nb::list build(const PyMatrixBuilder& self) {
  // A native list is read in place; a Python list through the keys the matrix reads.
  Inputs dom = read_list(self.dom_elements, "dom_elements");
  Inputs text = self.text_elements.is_none() ? Inputs{} : read_list(self.text_elements, "text_elements");
  const auto entries = carto::build_matrix(dom.records(), text.records());

  const EntryKeys k;
  nb::list out;
  for (const auto& e : entries) {
    nb::dict d;
    d[k.index] = nb::int_(e.index);
    d[k.tag] = str_of(e.tag);
    d[k.element_type] = str_of(e.element_type);
    d[k.text] = str_of(e.text);
    d[k.label] = str_of(e.label);
    d[k.searchable] = str_of(e.searchable);
    d[k.is_enabled] = kelvo::bind::from_record(e.is_enabled);
    d[k.is_anchor_only] = nb::bool_(e.is_anchor_only);
    d[k.order_in_type] = nb::int_(e.order_in_type);
    d[k.position] = position_dict(e.position, k);
    // The caller's own record, so the element resolved later is the one harvested.
    d[k.element] =
        e.source == carto::Source::dom_element ? dom.object(e.source_index) : text.object(e.source_index);
    out.append(d);
  }
  return out;
}

Record element_argument(nb::handle value, const char* argument) {
  if (!PyDict_Check(value.ptr())) kelvo::bind::raise_type_error(argument, "a dict", value);
  return read_element(value, Where{argument});
}

// Converts once, then builds `repeat` times in C++: the core's own cost, without Python.
double bench_build(nb::handle dom_elements, nb::handle text_elements, int repeat) {
  Inputs dom = read_list(dom_elements, "dom_elements");
  Inputs text = read_list(text_elements, "text_elements");
  carto::MatrixBuilder builder(dom.take_records(), text.take_records());
  const auto start = std::chrono::steady_clock::now();
  static volatile std::size_t sink = 0;  // keeps the loop from being optimised away
  for (int i = 0; i < repeat; ++i) sink = sink + builder.build().size();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return took.count();
}

}  // namespace

void bind_cartographer(nanobind::module_& m) {
  m.doc() = "The spatial matrix: one harvest in reading order with types and ordinals.";

  nb::register_exception_translator([](const std::exception_ptr& p, void*) {
    try {
      std::rethrow_exception(p);
    } catch (const carto::RecordKindError& e) {
      PyErr_SetString(PyExc_TypeError, e.what());
    }
  });

  nb::class_<PyMatrixBuilder>(m, "MatrixBuilder")
      .def(
          "__init__",
          [](PyMatrixBuilder* self, nb::handle dom_elements, nb::handle text_elements) {
            if (!kelvo::bind::is_record_list(dom_elements)) {
              kelvo::bind::raise_type_error("dom_elements", "a list", dom_elements);
            }
            if (!text_elements.is_none() && !kelvo::bind::is_record_list(text_elements)) {
              kelvo::bind::raise_type_error("text_elements", "a list or None", text_elements);
            }
            nb::object texts = (text_elements.is_none() || nb::len(text_elements) == 0)
                                   ? nb::object(nb::list())
                                   : nb::borrow(text_elements);
            new (self) PyMatrixBuilder{nb::borrow(dom_elements), texts};
          },
          nb::arg("dom_elements").none(), nb::arg("text_elements").none() = nb::none())
      .def_rw("dom_elements", &PyMatrixBuilder::dom_elements)
      .def_rw("text_elements", &PyMatrixBuilder::text_elements)
      .def("build", &build, "A new matrix of the stored records, sorted top to bottom, left to right.");

  m.def(
      "_element_type",
      [](nb::handle element) { return carto::element_type(element_argument(element, "element")); },
      nb::arg("element").none());
  m.def(
      "_searchable",
      [](nb::handle element) { return carto::searchable(element_argument(element, "element")); },
      nb::arg("element").none());
  m.def(
      "_position",
      [](nb::handle bb) {
        if (!PyDict_Check(bb.ptr())) kelvo::bind::raise_type_error("bb", "a dict", bb);
        return kelvo::bind::from_record(carto::position(kelvo::bind::to_record(bb, "bb")));
      },
      nb::arg("bb").none());

  nb::dict tag_to_type;
  for (const auto& row : carto::TAG_TO_TYPE) {
    tag_to_type[nb::str(row.tag.data(), row.tag.size())] = nb::str(row.type.data(), row.type.size());
  }
  m.attr("_TAG_TO_TYPE") = tag_to_type;

  m.def("_bench_build", &bench_build, nb::arg("dom_elements").none(), nb::arg("text_elements").none(),
        nb::arg("repeat").none());
}
