// The row an element sits in, which the agent compares before acting to tell the element
// from its neighbours (the same button in every row of a list).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/record.h"

namespace kelvo::ladder {

// The text element with the longest "xpath" that is an ancestor of `xpath` in the
// element's own document (a frame element's text does not hold what the frame shows): its
// position in `texts`, the first of equals, or none.
std::optional<std::size_t> row_of(const std::string& xpath, const std::vector<Record>& texts);

}  // namespace kelvo::ladder
