// Deliverable matcher.
#pragma once

namespace kelvo::matcher {}  // namespace kelvo::matcher
