// The agent's own resolution steps beyond the text and spatial rules.
#pragma once

namespace kelvo::ladder {}  // namespace kelvo::ladder
