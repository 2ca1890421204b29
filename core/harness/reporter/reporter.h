// Deliverable reporter.
#pragma once

namespace kelvo::reporter {}  // namespace kelvo::reporter
