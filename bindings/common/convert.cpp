#include "common/convert.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace kelvo::bind {

namespace {

std::string kind_of(nb::handle value) { return Py_TYPE(value.ptr())->tp_name; }

// Where a value sits inside the argument; spelled out only when an error names it, so
// converting thousands of good records builds no strings.
struct Path {
  const Path* parent = nullptr;
  const char* name = nullptr;  // the argument, at the root
  std::string_view key;        // a dict key, or
  std::size_t index = 0;       // a list position when key is empty and name is null
  bool is_key = false;

  std::string str() const {
    std::string head = parent ? parent->str() : std::string();
    if (name) return head + name;
    if (is_key) return head + "[" + std::string(key) + "]";
    return head + "[" + std::to_string(index) + "]";
  }
};

[[noreturn]] void raise_at(const Path& path, const std::string& what) {
  throw nb::type_error((path.str() + ": " + what).c_str());
}

std::string_view utf8_of(nb::handle value, const Path& path) {
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
  if (!data) {
    PyErr_Clear();
    throw nb::value_error((path.str() + ": text is not valid Unicode (lone surrogate)").c_str());
  }
  return std::string_view(data, static_cast<std::size_t>(size));
}

Record convert(nb::handle value, const Path& path, int depth) {
  if (depth > 64) raise_at(path, "records nested deeper than 64 levels");
  PyObject* p = value.ptr();
  if (p == Py_None) return Record(nullptr);
  if (PyBool_Check(p)) return Record(p == Py_True);
  if (PyLong_Check(p)) {
    int overflow = 0;
    long long v = PyLong_AsLongLongAndOverflow(p, &overflow);
    if (overflow != 0) raise_at(path, "integer out of the 64-bit range");
    return Record(static_cast<std::int64_t>(v));
  }
  if (PyFloat_Check(p)) return Record(PyFloat_AS_DOUBLE(p));
  if (PyUnicode_Check(p)) return Record(std::string(utf8_of(value, path)));
  if (PyDict_Check(p)) {
    Record out = Record::object();
    // Python dict keys are unique, so entries can be appended without a lookup.
    auto& entries = out.get_ref<Record::object_t&>();
    entries.reserve(static_cast<std::size_t>(PyDict_Size(p)));
    PyObject *key, *item;
    Py_ssize_t pos = 0;
    while (PyDict_Next(p, &pos, &key, &item)) {
      if (!PyUnicode_Check(key)) raise_at(path, "record keys must be str, not " + kind_of(key));
      std::string_view k = utf8_of(key, path);
      Path inner{&path, nullptr, k, 0, true};
      entries.Container::emplace_back(std::string(k), convert(item, inner, depth + 1));
    }
    return out;
  }
  if (PyList_Check(p) || PyTuple_Check(p)) {
    Record out = Record::array();
    nb::sequence seq = nb::borrow<nb::sequence>(value);
    std::size_t i = 0;
    for (nb::handle item : seq) {
      Path inner{&path, nullptr, {}, i, false};
      out.push_back(convert(item, inner, depth + 1));
      ++i;
    }
    return out;
  }
  raise_at(path, "unsupported value of type " + kind_of(value) +
                     " (records hold dict, list, str, int, float, bool and None)");
}

}  // namespace

Record to_record(nb::handle value, const char* argument) {
  return convert(value, Path{nullptr, argument}, 0);
}

namespace {

// Record keys repeat across thousands of records (a harvest has a dozen distinct keys),
// so each is made into a Python str once and shared, as Python interns its own names.
PyObject* key_object(const std::string& key) {
  static auto* keys = new std::unordered_map<std::string, PyObject*>();  // lives with the process
  auto make = [&] { return PyUnicode_FromStringAndSize(key.data(), static_cast<Py_ssize_t>(key.size())); };
  auto found = keys->find(key);
  if (found == keys->end()) {
    // Long or countless distinct keys are data, not names: not worth keeping.
    if (key.size() > 32 || keys->size() >= 4096) return make();
    PyObject* made = make();
    if (!made) return nullptr;
    PyUnicode_InternInPlace(&made);
    found = keys->emplace(key, made).first;
  }
  Py_INCREF(found->second);
  return found->second;
}

// New reference, or nullptr with a Python error set.
PyObject* new_object(const Record& record) {
  switch (record.type()) {
    case Record::value_t::null: Py_RETURN_NONE;
    case Record::value_t::boolean: return PyBool_FromLong(record.get<bool>());
    case Record::value_t::number_integer: return PyLong_FromLongLong(record.get<std::int64_t>());
    case Record::value_t::number_unsigned: return PyLong_FromUnsignedLongLong(record.get<std::uint64_t>());
    case Record::value_t::number_float: return PyFloat_FromDouble(record.get<double>());
    case Record::value_t::string: {
      const auto& text = record.get_ref<const std::string&>();
      return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    }
    case Record::value_t::array: {
      PyObject* out = PyList_New(static_cast<Py_ssize_t>(record.size()));
      if (!out) return nullptr;
      Py_ssize_t i = 0;
      for (const auto& item : record) {
        PyObject* value = new_object(item);
        if (!value) return Py_DECREF(out), nullptr;
        PyList_SET_ITEM(out, i++, value);
      }
      return out;
    }
    case Record::value_t::object: {
      PyObject* out = PyDict_New();
      if (!out) return nullptr;
      for (auto it = record.begin(); it != record.end(); ++it) {
        PyObject* key = key_object(it.key());
        PyObject* value = key ? new_object(it.value()) : nullptr;
        const int failed = value ? PyDict_SetItem(out, key, value) : -1;
        Py_XDECREF(key);
        Py_XDECREF(value);
        if (failed) return Py_DECREF(out), nullptr;
      }
      return out;
    }
    default: Py_RETURN_NONE;
  }
}

// Building thousands of new dicts would otherwise start the cycle collector again and
// again over the whole heap (a harvest of a large page took longer to hand back than to
// build); the new objects hold no cycles, so collection waits until they are made.
class CollectorPause {
 public:
#if PY_VERSION_HEX >= 0x030A0000
  CollectorPause() : was_enabled_(PyGC_Disable()) {}
  ~CollectorPause() {
    if (was_enabled_) PyGC_Enable();
  }

 private:
  int was_enabled_;
#endif
};

}  // namespace

nb::object from_record(const Record& record) {
  PyObject* out;
  if (record.is_structured() && record.size() > 64) {
    CollectorPause pause;
    out = new_object(record);
  } else {
    out = new_object(record);
  }
  if (!out) throw nb::python_error();
  return nb::steal(out);
}

SharedRecords* shared_records_of(nb::handle value) {
  if (!nb::isinstance<NativeRecords>(value)) return nullptr;
  return nb::inst_ptr<NativeRecords>(value)->shared.get();
}

bool is_record_list(nb::handle value) {
  return PyList_Check(value.ptr()) || shared_records_of(value) != nullptr;
}

nb::object shared_object(SharedRecords& shared, std::size_t i) {
  PyObject*& slot = shared.objects.at(i);
  if (!slot) slot = from_record(shared.records[i]).release().ptr();
  return nb::borrow(slot);
}

nb::object RecordList::object(std::size_t i) const {
  return shared_ ? shared_object(*shared_, i) : objects_.at(i);
}

std::vector<Record> RecordList::take_records() {
  if (shared_) return shared_->records;
  return std::move(own_);
}

RecordList to_record_list(nb::handle value, const char* argument, bool none_is_empty) {
  RecordList out;
  if (value.is_none() && none_is_empty) return out;
  if (!PyList_Check(value.ptr())) {
    if (SharedRecords* shared = shared_records_of(value)) return RecordList(shared, nb::borrow(value));
    raise_type_error(argument, none_is_empty ? "a list or None" : "a list", value);
  }
  nb::list list = nb::borrow<nb::list>(value);
  out.reserve(list.size());
  std::size_t i = 0;
  for (nb::handle item : list) {
    const Path root{nullptr, argument};
    out.add(convert(item, Path{&root, nullptr, {}, i, false}, 0), item);
    ++i;
  }
  return out;
}

RecordList to_dict_list(nb::handle value, const char* argument, bool none_is_empty) {
  RecordList list = to_record_list(value, argument, none_is_empty);
  if (list.native()) return list;  // a harvest's records are all element records
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!list.records()[i].is_object()) {
      const std::string name = std::string(argument) + "[" + std::to_string(i) + "]";
      raise_type_error(name.c_str(), "a dict", list.object(i));
    }
  }
  return list;
}

void raise_type_error(const char* argument, const char* expected, nb::handle got) {
  throw nb::type_error((std::string(argument) + " must be " + expected + ", not " + kind_of(got)).c_str());
}

std::string require_str(nb::handle value, const char* argument) {
  if (!PyUnicode_Check(value.ptr())) raise_type_error(argument, "str", value);
  return std::string(utf8_of(value, Path{nullptr, argument}));
}

nb::dict require_dict(nb::handle value, const char* argument) {
  if (!PyDict_Check(value.ptr())) raise_type_error(argument, "a dict", value);
  return nb::borrow<nb::dict>(value);
}

nb::list require_list(nb::handle value, const char* argument) {
  if (!PyList_Check(value.ptr())) raise_type_error(argument, "a list", value);
  return nb::borrow<nb::list>(value);
}

}  // namespace kelvo::bind
