// The harvester module's native list type (harvester_records.cpp).
#pragma once

#include <nanobind/nanobind.h>

#include "common/record.h"

namespace kelvo::bind {

// A new native list owning `records` (an array; anything else gives an empty list).
nanobind::object native_records(Record&& records);

void bind_native_records(nanobind::module_& m);

}  // namespace kelvo::bind
