// JSON text exactly as Python's json.dump(obj, f, indent=2, ensure_ascii=True) writes it,
// so that snapshot files read the same whichever side of the engine wrote them.
#pragma once

#include <string>

#include "common/record.h"

namespace kelvo::harvester {

// The whole document, no trailing newline.
std::string dump_python_json(const Record& value);

// repr(float): shortest round-trip digits, "8.0" not "8", "1e-05", "1e+16".
std::string python_float_repr(double value);

}  // namespace kelvo::harvester
