// Deliverable placement.
#pragma once

namespace kelvo::placement {}  // namespace kelvo::placement
