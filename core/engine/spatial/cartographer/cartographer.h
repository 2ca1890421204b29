// Deliverable cartographer.
#pragma once

namespace kelvo::cartographer {}  // namespace kelvo::cartographer
