// What a full harvest asks of the page, declared for BatchedDriver: its selectors, the
// attributes it reads, its page scripts and on which elements it runs them.
#pragma once

#include "engine/browser/harvester/batched_driver.h"

namespace kelvo::harvester {

BatchPlan harvest_plan();

// The page model's request for a narrowed reading of the plan above (narrowing.js): the
// interactable and custom-input nodes whose words may hold `needle`, plus the fields that
// `fields` names ("typing", "picking" or ""); the text elements only as the rows, `levels`
// up, of what is kept; no label candidates. As JSON text.
std::string narrowing_request(const std::string& needle, const std::string& fields, int levels);

}  // namespace kelvo::harvester
