// What a full harvest asks of the page, declared for BatchedDriver: its selectors, the
// attributes it reads, its page scripts and on which elements it runs them.
#pragma once

#include "engine/browser/harvester/batched_driver.h"

namespace kelvo::harvester {

BatchPlan harvest_plan();

}  // namespace kelvo::harvester
