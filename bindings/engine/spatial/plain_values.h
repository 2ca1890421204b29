// Fast conversion of the plain values the spatial modules read. Matrices are converted on
// every call, so scalars and flat dicts skip the general converter, whose error paths
// name every key; anything unusual still goes through it for the same clear errors.
#pragma once

#include <nanobind/nanobind.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/convert.h"

namespace kelvo::bind::spatial {

// Key strings made once and interned: a lookup by C string would build a new str each time.
class KeySet {
 public:
  KeySet(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      names_.push_back(name);
      objects_.push_back(PyUnicode_InternFromString(name));  // kept for the module's life
    }
  }
  std::size_t size() const { return names_.size(); }
  const char* name(std::size_t i) const { return names_[i]; }
  // Borrowed reference or nullptr, like PyDict_GetItem.
  PyObject* get(PyObject* dict, std::size_t i) const { return PyDict_GetItem(dict, objects_[i]); }

 private:
  std::vector<const char*> names_;
  std::vector<PyObject*> objects_;
};

// Where a value sits, e.g. matrix[3]['element']['attributes']; put into words only for an
// error message, as most values convert without one.
struct Where {
  static constexpr std::size_t whole = static_cast<std::size_t>(-1);  // an argument, not an item

  const char* list;
  std::size_t index = whole;
  const char* key1 = nullptr;
  const char* key2 = nullptr;

  Where with(const char* key) const {
    Where out = *this;
    (key1 ? out.key2 : out.key1) = key;
    return out;
  }
  std::string str() const {
    std::string out = list;
    if (index != whole) out += "[" + std::to_string(index) + "]";
    for (const char* key : {key1, key2}) {
      if (key) out += std::string("['") + key + "']";
    }
    return out;
  }
};

// An object record with room for `keys` members, so it is not grown key by key.
inline Record object_with_room(std::size_t keys) {
  Record out = Record::object();
  out.get_ref<Record::object_t&>().reserve(keys);
  return out;
}

inline bool scalar(PyObject* v, Record& out) {
  if (v == Py_None) {
    out = nullptr;
  } else if (PyBool_Check(v)) {
    out = (v == Py_True);
  } else if (PyLong_Check(v)) {
    int overflow = 0;
    const long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
    if (overflow != 0) return false;
    out = static_cast<std::int64_t>(x);
  } else if (PyFloat_Check(v)) {
    out = PyFloat_AS_DOUBLE(v);
  } else if (PyUnicode_Check(v)) {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(v, &size);
    if (!data) {
      PyErr_Clear();
      return false;
    }
    out = std::string(data, static_cast<std::size_t>(size));
  } else {
    return false;
  }
  return true;
}

// `where` and `key` name the value in errors, e.g. "matrix[3]['position']".
inline Record value_at(PyObject* v, const Where& where, const char* key) {
  Record out;
  if (scalar(v, out)) return out;
  if (PyDict_Check(v)) {
    out = object_with_room(static_cast<std::size_t>(PyDict_Size(v)));
    PyObject *k, *item;
    Py_ssize_t pos = 0;
    bool flat = true;
    while (flat && PyDict_Next(v, &pos, &k, &item)) {
      Record value;
      Py_ssize_t size = 0;
      const char* name = PyUnicode_Check(k) ? PyUnicode_AsUTF8AndSize(k, &size) : nullptr;
      if (!name) PyErr_Clear();
      flat = name && scalar(item, value);
      if (flat) out[std::string(name, static_cast<std::size_t>(size))] = std::move(value);
    }
    if (flat) return out;
  }
  return to_record(v, where.with(key).str().c_str());
}

}  // namespace kelvo::bind::spatial
