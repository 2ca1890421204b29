#include "engine/browser/harvester/harvester.h"
#include <nanobind/nanobind.h>

namespace kelvo::bind {
void bind_batched(nanobind::module_& m);
}

NB_MODULE(harvester, m) { kelvo::bind::bind_batched(m); }
