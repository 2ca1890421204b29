// kelvo_web.engine.strategies.matcher: converts the caller's records once, runs the core,
// and answers with the caller's own record objects wherever a result names an element.
#include <nanobind/nanobind.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <string>

#include "common/convert.h"
#include "engine/strategies/matcher_result.h"
#include "engine/strategies/matcher/matcher.h"
#include "native.h"

namespace nb = nanobind;
using namespace nb::literals;

namespace km = kelvo::matcher;
using kelvo::Record;
using kelvo::bind::RecordList;

namespace {

Record element_record(nb::handle value, const char* argument) {
  kelvo::bind::require_dict(value, argument);
  return kelvo::bind::to_record(value, argument);
}

using kelvo::bind::instruction_record;

const RecordList kNoList;

// Python's truth value; an object whose truth test raises passes the error on.
bool truth(nb::handle value) {
  int answer = PyObject_IsTrue(value.ptr());
  if (answer < 0) throw nb::python_error();
  return answer == 1;
}

nb::object element_object(const km::ElementRef& ref, const RecordList& dom, const RecordList& text) {
  return ref.source == km::Source::dom_elements ? dom.object(ref.index) : text.object(ref.index);
}

nb::dict to_python(const km::ResolutionResult& result, const RecordList& dom, const RecordList& text) {
  return kelvo::bind::resolution_dict(result, [&](const km::ElementRef& ref) { return element_object(ref, dom, text); });
}

nb::list str_list(const std::vector<std::string>& items) {
  nb::list out;
  for (const auto& item : items) out.append(nb::str(item.data(), item.size()));
  return out;
}

template <std::size_t N>
nb::object as_list(const std::array<std::string_view, N>& table) {
  nb::list out;
  for (auto item : table) out.append(nb::str(item.data(), item.size()));
  return out;
}

template <std::size_t N>
nb::object as_set(const std::array<std::string_view, N>& table) {
  return nb::steal(PySet_New(as_list(table).ptr()));
}

void translate_errors() {
  nb::register_exception_translator([](const std::exception_ptr& error, void*) {
    try {
      std::rethrow_exception(error);
    } catch (const km::ArgumentError& e) {
      PyErr_SetString(PyExc_TypeError, e.what());
    } catch (const km::ArgumentValueError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const km::MeasureError& e) {
      PyErr_SetString(e.missing ? PyExc_KeyError : PyExc_TypeError, e.what());
    }
  });
}

// Converts once and times `repeat` resolutions in the core alone; seconds in total. For
// the benchmark, which sets this beside the time of a call through Python.
double bench_resolve(nb::handle parsed_instruction, nb::handle dom_elements, nb::handle text_elements,
                     long repeat) {
  Record instruction = instruction_record(parsed_instruction);
  RecordList dom = kelvo::bind::to_dict_list(dom_elements, "dom_elements");
  RecordList text = kelvo::bind::to_dict_list(text_elements, "text_elements", true);
  km::DOMStrategy strategy;
  std::size_t resolved = 0;
  auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < repeat; ++i) {
    resolved += strategy.resolve(instruction, dom.records(), &text.records()).resolved ? 1 : 0;
  }
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  volatile std::size_t sink = resolved;
  (void)sink;
  return elapsed.count();
}

}  // namespace

void bind_matcher(nanobind::module_& m) {
  m.doc() = "Level 1 resolution strategy: matches instructions to DOM elements by text and attributes.";
  translate_errors();

  m.attr("_MATCH_ATTRIBUTES") = as_list(km::MATCH_ATTRIBUTES);
  m.attr("_TYPE_DESCRIPTORS") = as_set(km::TYPE_DESCRIPTORS);
  m.attr("_TYPEABLE_TAGS") = as_set(km::TYPEABLE_TAGS);
  m.attr("_TYPEABLE_ROLES") = as_set(km::TYPEABLE_ROLES);
  m.attr("_SELECTABLE_TAGS") = as_set(km::SELECTABLE_TAGS);
  m.attr("_TEXT_ONLY_TAGS") = as_set(km::TEXT_ONLY_TAGS);
  m.attr("_DOM_DISTANCE_THRESHOLD") = nb::int_(km::DOM_DISTANCE_THRESHOLD);

  m.def(
      "_norm",
      [](nb::handle text) {
        std::string normed = km::norm(kelvo::bind::require_str(text, "text"));
        return nb::str(normed.data(), normed.size());
      },
      "text"_a.none(), "A value as a spatial text check compares it.");

  m.def(
      "_strip_type_descriptors",
      [](nb::handle target) -> nb::object {
        std::string text = kelvo::bind::require_str(target, "target");
        std::string stripped = km::strip_type_descriptors(text);
        if (stripped == text) return nb::borrow(target);
        return nb::str(stripped.data(), stripped.size());
      },
      "target"_a.none(), "The target without leading and trailing element-kind words.");

  m.def(
      "_searchable_strings",
      [](nb::handle element, nb::handle include_label) {
        Record record = element_record(element, "element");
        return str_list(km::searchable_strings(record, truth(include_label)));
      },
      "element"_a.none(), "include_label"_a.none() = false,
      "The element's readable strings, in match order.");

  m.def(
      "_matches_element",
      [](nb::handle target, nb::handle element, nb::handle include_label) {
        std::string text = kelvo::bind::require_str(target, "target");
        Record record = element_record(element, "element");
        return km::matches_element(text, record, truth(include_label));
      },
      "target"_a.none(), "element"_a.none(), "include_label"_a.none() = false,
      "Whether some readable string of the element contains the target.");

  m.def(
      "_exact_matches_element",
      [](nb::handle target, nb::handle element, nb::handle include_label) {
        std::string text = kelvo::bind::require_str(target, "target");
        Record record = element_record(element, "element");
        return km::exact_matches_element(text, record, truth(include_label));
      },
      "target"_a.none(), "element"_a.none(), "include_label"_a.none() = false,
      "Whether some readable string of the element, trimmed, is the target.");

  m.def(
      "_filter_by_action",
      [](nb::handle action, nb::handle elements) -> nb::object {
        std::string name = kelvo::bind::require_str(action, "action");
        RecordList list = kelvo::bind::to_dict_list(elements, "elements");
        auto kept = km::filter_by_action(name, list.records());
        if (!kept) return nb::borrow(elements);
        nb::list out;
        for (std::size_t i : *kept) out.append(list.object(i));
        return out;
      },
      "action"_a.none(), "elements"_a.none(),
      "Fields for typing, drop-downs for selecting; the list itself when none suits.");

  m.def(
      "_dom_distance",
      [](nb::handle xpath_a, nb::handle xpath_b) {
        std::string a = kelvo::bind::require_str(xpath_a, "xpath_a");
        std::string b = kelvo::bind::require_str(xpath_b, "xpath_b");
        return km::dom_distance(a, b);
      },
      "xpath_a"_a.none(), "xpath_b"_a.none(), "Tree edges between two elements, from their XPaths.");

  m.def("_bench_resolve", &bench_resolve, "parsed_instruction"_a.none(), "dom_elements"_a.none(),
        "text_elements"_a.none(), "repeat"_a);

  nb::class_<km::DOMStrategy>(m, "DOMStrategy",
                              "Resolves a parsed instruction against a list of live DOM elements.")
      .def(nb::init<>())
      .def(
          "resolve",
          [](const km::DOMStrategy& self, nb::handle parsed_instruction, nb::handle dom_elements,
             nb::handle text_elements) {
            kelvo::bind::require_dict(parsed_instruction, "parsed_instruction");
            RecordList dom = kelvo::bind::to_dict_list(dom_elements, "dom_elements");
            RecordList text = kelvo::bind::to_dict_list(text_elements, "text_elements", true);
            Record instruction = instruction_record(parsed_instruction);
            return to_python(self.resolve(instruction, dom.records(), &text.records()), dom, text);
          },
          nb::sig("def resolve(self, parsed_instruction: dict, dom_elements: list, "
                  "text_elements: list | None = None) -> dict"),
          "parsed_instruction"_a.none(), "dom_elements"_a.none(), "text_elements"_a.none() = nb::none(),
          "The element the instruction aims at, or the answer to its check, as a new dict.")
      .def(
          "_resolve_verify",
          [](const km::DOMStrategy& self, nb::handle action, nb::handle target, nb::handle dom_elements) {
            std::string a = kelvo::bind::require_str(action, "action");
            std::string t = kelvo::bind::require_str(target, "target");
            RecordList dom = kelvo::bind::to_dict_list(dom_elements, "dom_elements");
            return to_python(self.resolve_verify(a, t, dom.records()), dom, kNoList);
          },
          "action"_a.none(), "target"_a.none(), "dom_elements"_a.none())
      .def(
          "_resolve_verify_text",
          [](const km::DOMStrategy& self, nb::handle action, nb::handle target, nb::handle text_elements) {
            std::string a = kelvo::bind::require_str(action, "action");
            std::string t = kelvo::bind::require_str(target, "target");
            RecordList text = kelvo::bind::to_dict_list(text_elements, "text_elements");
            return to_python(self.resolve_verify_text(a, t, text.records()), kNoList, text);
          },
          "action"_a.none(), "target"_a.none(), "text_elements"_a.none())
      .def(
          "_resolve_find_text",
          [](const km::DOMStrategy& self, nb::handle target, nb::handle text_elements) {
            std::string t = kelvo::bind::require_str(target, "target");
            RecordList text = kelvo::bind::to_dict_list(text_elements, "text_elements");
            return to_python(self.resolve_find_text(t, text.records()), kNoList, text);
          },
          "target"_a.none(), "text_elements"_a.none())
      .def(
          "_resolve_find_exact_text",
          [](const km::DOMStrategy& self, nb::handle target, nb::handle text_elements) {
            std::string t = kelvo::bind::require_str(target, "target");
            RecordList text = kelvo::bind::to_dict_list(text_elements, "text_elements");
            return to_python(self.resolve_find_exact_text(t, text.records()), kNoList, text);
          },
          "target"_a.none(), "text_elements"_a.none())
      .def(
          "_resolve_verify_spatial_text",
          [](const km::DOMStrategy& self, nb::handle target, nb::handle expected, nb::handle text_elements,
             nb::handle dom_elements) {
            std::string t = kelvo::bind::require_str(target, "target");
            std::string e = kelvo::bind::require_str(expected, "expected");
            RecordList text = kelvo::bind::to_dict_list(text_elements, "text_elements");
            RecordList dom = kelvo::bind::to_dict_list(dom_elements, "dom_elements", true);
            const km::Elements* dom_records = dom_elements.is_none() ? nullptr : &dom.records();
            return to_python(self.resolve_verify_spatial_text(t, e, text.records(), dom_records), dom, text);
          },
          "target"_a.none(), "expected"_a.none(), "text_elements"_a.none(),
          "dom_elements"_a.none() = nb::none())
      .def(
          "_resolve_extract_spatial_text",
          [](const km::DOMStrategy& self, nb::handle target, nb::handle text_elements,
             nb::handle dom_elements) {
            std::string t = kelvo::bind::require_str(target, "target");
            RecordList text = kelvo::bind::to_dict_list(text_elements, "text_elements");
            RecordList dom = kelvo::bind::to_dict_list(dom_elements, "dom_elements", true);
            const km::Elements* dom_records = dom_elements.is_none() ? nullptr : &dom.records();
            return to_python(self.resolve_extract_spatial_text(t, text.records(), dom_records), dom, text);
          },
          "target"_a.none(), "text_elements"_a.none(), "dom_elements"_a.none() = nb::none());
}
