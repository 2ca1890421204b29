// The record value every deliverable works on: a JSON-like value whose objects keep their
// keys in insertion order (key order is part of each record's definition and shows in
// snapshot files), and whose numbers keep their kind (an int stays an int, 8.0 a float).
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace kelvo {

using Record = nlohmann::ordered_json;

// Lenient readers: records come from pages and callers, so a missing key or a value of
// another kind reads as the fallback instead of failing.
inline const Record* find_key(const Record& record, std::string_view key) {
  if (!record.is_object()) return nullptr;
  auto it = record.find(std::string(key));
  return it == record.end() ? nullptr : &*it;
}

inline std::string get_string(const Record& record, std::string_view key, const std::string& fallback = {}) {
  const Record* v = find_key(record, key);
  return (v && v->is_string()) ? v->get<std::string>() : fallback;
}

inline bool get_bool(const Record& record, std::string_view key, bool fallback = false) {
  const Record* v = find_key(record, key);
  return (v && v->is_boolean()) ? v->get<bool>() : fallback;
}

inline double get_number(const Record& record, std::string_view key, double fallback = 0.0) {
  const Record* v = find_key(record, key);
  return (v && v->is_number()) ? v->get<double>() : fallback;
}

}  // namespace kelvo
