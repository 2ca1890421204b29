// kelvo_web.engine.browser.harvester: DOMParser over any Python page object, the
// harvester's vocabulary and its page scripts.
#include <nanobind/nanobind.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include <cstring>
#include <functional>

#include "common/convert.h"
#include "engine/browser/harvester/harvester.h"
#include "engine/browser/harvester_driver.h"
#include "engine/browser/harvester_records.h"
#include "harvester_scripts.h"
#include "native.h"

namespace nb = nanobind;
using namespace nb::literals;
using namespace kelvo;
using namespace kelvo::harvester;
using kelvo::bind::PyDriverError;
using kelvo::bind::PyPageDriver;

namespace {

nb::tuple as_tuple(const std::vector<std::string>& names) {
  nb::list out;
  for (const auto& name : names) out.append(nb::str(name.c_str()));
  return nb::tuple(out);
}

// Read at every harvest from the settings module, so a change applies to the next one.
SnapshotSettings read_settings() {
  nb::module_ settings = nb::module_::import_("kelvo_web.engine.settings");
  SnapshotSettings out;
  nb::object save = nb::getattr(settings, "SAVE_SNAPSHOTS", nb::bool_(false));
  int truth = PyObject_IsTrue(save.ptr());
  if (truth < 0) throw nb::python_error();
  out.save_snapshots = truth == 1;
  nb::object path = nb::getattr(settings, "LOG_PATH", nb::str("data/logs/"));
  nb::object fspath = nb::module_::import_("os").attr("fspath")(path);
  out.log_path = bind::require_str(fspath, "settings.LOG_PATH");
  return out;
}

// print(), so the line goes wherever Python's stdout goes (pytest captures it).
void print_line(const std::string& line) {
  nb::module_::import_("builtins").attr("print")(nb::str(line.data(), line.size()));
}

// Runs one operation; a driver failure that ends it re-raises the Python exception the
// driver raised, and a snapshot file failure becomes OSError, as Python's own would.
template <class Operation>
auto run(Operation&& operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (PyDriverError& e) {
    throw std::move(e.error);
  } catch (const SnapshotError& e) {
    nb::object error =
        nb::module_::import_("builtins")
            .attr("OSError")(e.error_number, nb::str(std::strerror(e.error_number)), nb::str(e.path.c_str()));
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw nb::python_error();
  }
}

nb::list to_list(const Record& records) {
  return nb::borrow<nb::list>(bind::from_record(records.is_array() ? records : Record::array()));
}

Record record_list(nb::handle value, const char* argument) {
  return Record(bind::to_record_list(value, argument).records());
}

// Whether a harvest goes through the batched driver: HARVEST_MODE in the settings
// forces "batched" or "per-call"; otherwise a real Playwright page is batched and any
// other page object is asked call by call, as it may not run page scripts like a browser.
bool batched_harvest(nb::handle page) {
  nb::module_ settings = nb::module_::import_("kelvo_web.engine.settings");
  nb::object mode = nb::getattr(settings, "HARVEST_MODE", nb::none());
  if (!mode.is_none()) {
    const std::string value = bind::require_str(mode, "settings.HARVEST_MODE");
    if (value == "batched") return true;
    if (value == "per-call") return false;
    if (!value.empty()) {
      throw nb::value_error(
          ("settings.HARVEST_MODE must be \"batched\", \"per-call\" or empty, not \"" + value + "\"")
              .c_str());
    }
  }
  try {
    nb::object page_class = nb::module_::import_("playwright.sync_api").attr("Page");
    return nb::isinstance(page, page_class);
  } catch (nb::python_error&) {
    return false;  // no Playwright here, so no Playwright page
  }
}

struct PyDOMParser {
  explicit PyDOMParser(nb::object page) : page(std::move(page)) {}
  nb::object page;
  std::vector<std::string> notes;  // of the last full harvest
  std::string state;               // the top document's change state at the last batch
  std::string also;                // a question asked in the top document's batch (ask_also)
  std::string also_answer;         // its answer, JSON text; empty when none came
  std::string narrow;              // a narrowed reading's request (narrowing_request); empty: the whole page

  // `batchable`: a whole harvest (or one of its parts) that may be answered in one page
  // script; the single-element and file operations always go call by call. Without
  // `snapshots` no snapshot is written, whatever the settings say.
  template <class Operation>
  auto with_parser(Operation&& operation, bool batchable = true, bool snapshots = true) {
    return run([&] {
      PyPageDriver driver(page);
      HarvestHooks hooks{snapshots ? std::function<SnapshotSettings()>(read_settings) : nullptr, print_line};
      if (batchable && batched_harvest(page)) {
        BatchedDriver batched(driver, harvest_plan());
        if (!also.empty()) batched.ask_also(also);
        if (!narrow.empty()) batched.narrow_to(narrow);
        DOMParser parser(batched, hooks);
        auto out = operation(parser);
        state = batched.state();
        also_answer = batched.also_answer();
        return out;
      }
      state.clear();
      DOMParser parser(driver, hooks);
      return operation(parser);
    });
  }

  nb::tuple extract_interactable_elements() {
    return with_parser([this](DOMParser& parser) {
      notes.clear();
      auto [elements, text_elements] = parser.extract_interactable_elements();
      notes = parser.notes();
      return nb::make_tuple(to_list(elements), to_list(text_elements));
    });
  }

  // The same harvest, its records kept in the core: for the agent, whose resolvers read
  // them in place, and which goes on without snapshots once they cannot be saved.
  nb::tuple extract_native(bool snapshot) {
    return with_parser(
        [this](DOMParser& parser) {
          notes.clear();
          auto [elements, text_elements] = parser.extract_interactable_elements();
          notes = parser.notes();
          return nb::make_tuple(bind::native_records(std::move(elements)),
                                bind::native_records(std::move(text_elements)));
        },
        true, snapshot);
  }

  nb::list extract_text_elements() {
    return with_parser([](DOMParser& parser) { return to_list(parser.extract_text_elements()); });
  }

  nb::list extract_custom_inputs() {
    return with_parser([](DOMParser& parser) { return to_list(parser.extract_custom_inputs()); });
  }

  nb::list extract_cursor_pointer_elements() {
    return with_parser([](DOMParser& parser) { return to_list(parser.extract_cursor_pointer_elements()); });
  }

  nb::list collect_label_candidates() {
    return with_parser([](DOMParser& parser) { return to_list(parser.collect_label_candidates()); });
  }

  std::string get_field_label(nb::object handle) {
    return with_parser(
        [&](DOMParser& parser) {
          bind::PyElementHandle element(handle);
          return parser.get_field_label(element);
        },
        false);
  }

  void save_snapshot(nb::handle elements, nb::handle text_elements) {
    Record element_records = record_list(elements, "elements");
    Record text_records = record_list(text_elements, "text_elements");
    with_parser(
        [&](DOMParser& parser) {
          parser.save_snapshot(element_records, text_records);
          return 0;
        },
        false);
  }
};

// Labels the caller's own descriptors in place, as the harvest does with its own. A native
// list's records are labelled too, and so are the dicts already made of them.
void assign_spatial_labels_in_place(nb::handle elements, nb::handle label_candidates) {
  bind::RecordList given = bind::to_record_list(elements, "elements");
  Record candidates = record_list(label_candidates, "label_candidates");
  Record labelled(given.records());
  assign_spatial_labels(labelled, candidates);
  bind::SharedRecords* shared = given.shared();
  for (std::size_t i = 0; i < given.size(); ++i) {
    const Record* before = find_key(given.records()[i], "attributes");
    const Record* after = find_key(labelled[i], "attributes");
    const std::string label = after ? get_string(*after, "_label") : std::string();
    if (label.empty() || (before && get_string(*before, "_label") == label)) continue;
    if (shared) {
      shared->records[i] = labelled[i];
      if (!shared->objects[i]) continue;  // made from the labelled record when first asked for
    }
    nb::dict element = nb::borrow<nb::dict>(given.object(i));
    nb::str value(label.data(), label.size());
    if (element.contains("attributes")) {
      element["attributes"]["_label"] = value;
    } else {
      nb::dict attributes;
      attributes["_label"] = value;
      element["attributes"] = attributes;
    }
  }
}

// An answer asked in the batch (`_harvest`'s also): each list of records a native list, so
// the resolvers read them in place too; None when there is none.
nb::object also_lists(const std::string& json) {
  if (json.empty()) return nb::none();
  Record answer = Record::parse(json, nullptr, false);
  if (!answer.is_object()) return nb::none();
  nb::dict out;
  for (auto item : answer.items()) {
    Record& value = item.value();
    out[nb::str(item.key().c_str())] =
        value.is_array() ? bind::native_records(std::move(value)) : bind::from_record(value);
  }
  return out;
}

// The surviving records themselves, not copies, in their input order.
nb::list dedup_in_place_order(nb::handle candidates) {
  bind::RecordList given = bind::to_record_list(candidates, "candidates");
  nb::list out;
  for (std::size_t index : dedup_text_elements(given.records())) out.append(given.object(index));
  return out;
}

bool is_custom_input_py(nb::handle tag, nb::handle classes) {
  const std::string tag_text = bind::require_str(tag, "tag");
  if (classes.is_none()) return is_custom_input(tag_text, "");
  return is_custom_input(tag_text, bind::require_str(classes, "classes"));
}

}  // namespace

namespace kelvo::bind {
void bind_batched(nb::module_& m);
}

void bind_harvester(nanobind::module_& m) {
  m.attr("_NATIVE_TAGS") = as_tuple(NATIVE_TAGS);
  m.attr("_ARIA_ROLES") = as_tuple(ARIA_ROLES);
  m.attr("INTERACTABLE_SELECTOR") = INTERACTABLE_SELECTOR;
  m.attr("CAPTURED_ATTRIBUTES") = as_tuple(CAPTURED_ATTRIBUTES);
  m.attr("_TEXT_TAGS") = as_tuple(TEXT_TAGS);
  m.attr("TEXT_SELECTOR") = TEXT_SELECTOR;
  m.attr("_TEXT_ATTRIBUTES") = as_tuple(TEXT_ATTRIBUTES);
  m.attr("_CUSTOM_INPUT_SELECTOR") = CUSTOM_INPUT_SELECTOR;
  m.attr("_LABEL_CANDIDATE_SELECTOR") = LABEL_CANDIDATE_SELECTOR;

  m.attr("_TAG_NAME_JS") = scripts::tag_name;
  m.attr("_DATA_ATTRIBUTES_JS") = scripts::data_attributes;
  m.attr("_XPATH_JS") = scripts::xpath;
  m.attr("_DIRECT_TEXT_JS") = scripts::direct_text;
  m.attr("_PRECEDING_SIBLING_LABEL_JS") = scripts::preceding_sibling_label;
  m.attr("_PARENT_CHILDREN_LABEL_JS") = scripts::parent_children_label;
  m.attr("_CURSOR_POINTER_JS") = scripts::cursor_pointer;
  m.attr("_CLOSED_ROOTS_JS") = scripts::closed_roots;
  m.attr("_FRAME_PLACE_JS") = scripts::frame_place;

  m.def("_is_custom_input", &is_custom_input_py, "tag"_a.none(), "classes"_a.none(),
        "Whether a span or div with these classes looks like an editable widget.");

  nb::class_<PyDOMParser>(m, "DOMParser", "Harvests the live page: element descriptors and text elements.")
      .def(nb::init<nb::object>(), "page"_a.none())
      .def_rw("page", &PyDOMParser::page)
      .def("extract_interactable_elements", &PyDOMParser::extract_interactable_elements,
           "One complete harvest: (element descriptors, text elements).")
      .def("_extract_native", &PyDOMParser::extract_native, "snapshot"_a = true,
           "extract_interactable_elements with the records kept in the core: (native list, native list). "
           "snapshot=False writes no snapshot even when snapshots are on.")
      .def_prop_ro(
          "_notes", [](PyDOMParser& p) { return p.notes; },
          "What the last full harvest could not read (frames, closed shadow roots).")
      .def_prop_ro(
          "_state",
          [](PyDOMParser& p) -> std::optional<std::string> {
            if (p.state.empty()) return std::nullopt;
            return p.state;
          },
          "The top document's change state the last harvest was read at; None when it was "
          "read call by call. A harvest whose state is still the page's may be reused.")
      .def("extract_text_elements", &PyDOMParser::extract_text_elements)
      .def("_extract_custom_inputs", &PyDOMParser::extract_custom_inputs)
      .def("_extract_cursor_pointer_elements", &PyDOMParser::extract_cursor_pointer_elements)
      .def("_collect_label_candidates", &PyDOMParser::collect_label_candidates)
      .def("_get_field_label", &PyDOMParser::get_field_label, "handle"_a.none())
      .def("_save_snapshot", &PyDOMParser::save_snapshot, "elements"_a.none(), "text_elements"_a.none())
      .def_static("_assign_spatial_labels", &assign_spatial_labels_in_place, "elements"_a.none(),
                  "label_candidates"_a.none())
      .def_static("_dedup_text_elements", &dedup_in_place_order, "candidates"_a.none())
      .def_static(
          "_native_lists", [](nb::handle json) { return also_lists(bind::require_str(json, "json")); },
          "json"_a.none(),
          "An object of lists of records given as JSON text, each list a native list; None for anything "
          "else.")
      .def_static(
          "_harvest",
          [](nb::object page, bool snapshot, nb::handle also, nb::handle narrow) {
            PyDOMParser parser(std::move(page));
            if (!also.is_none()) parser.also = bind::require_str(also, "also");
            if (!narrow.is_none()) {
              nb::dict asked = bind::require_dict(narrow, "narrow");
              auto field = [&](const char* key) -> nb::handle {
                PyObject* value = PyDict_GetItemString(asked.ptr(), key);
                if (!value) throw nb::key_error((std::string("narrow has no \"") + key + "\"").c_str());
                return value;
              };
              const std::string needle = bind::require_str(field("needle"), "narrow['needle']");
              const std::string fields = bind::require_str(field("fields"), "narrow['fields']");
              const int levels = nb::cast<int>(field("levels"));
              try {
                parser.narrow = narrowing_request(needle, fields, levels);
              } catch (const std::invalid_argument& error) {
                throw nb::value_error(error.what());
              }
              snapshot = false;  // a snapshot is of the whole page
            }
            nb::tuple lists = parser.extract_native(snapshot);
            nb::list notes;
            for (const auto& note : parser.notes) notes.append(nb::str(note.c_str()));
            nb::object state = parser.state.empty() ? nb::none() : nb::object(nb::str(parser.state.c_str()));
            return nb::make_tuple(lists[0], lists[1], notes, state, also_lists(parser.also_answer));
          },
          "page"_a.none(), "snapshot"_a = true, "also"_a.none() = nb::none(), "narrow"_a.none() = nb::none(),
          "_extract_native, its notes and its change state in one call, for the agent: (native list, "
          "native list, notes, state or None, also). `also`: a page-script function asked in the same "
          "evaluation, which takes the batch's JSON text and adds its own answer as \"also\": an object "
          "of lists of records, answered as a dict of native lists (None when it did not answer). `narrow`: a "
          "step plan's narrowing ({needle, fields, levels}): only the nodes its words may name are read, "
          "and no snapshot is written.");

  bind::bind_batched(m);
  bind::bind_native_records(m);
}
