// Deliverable surveyor.
#pragma once

namespace kelvo::surveyor {}  // namespace kelvo::surveyor
