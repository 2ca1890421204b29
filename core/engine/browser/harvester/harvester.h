// Deliverable harvester.
#pragma once

namespace kelvo::harvester {}  // namespace kelvo::harvester
