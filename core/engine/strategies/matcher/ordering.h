// Orders shared by the operations of DOMStrategy. Both sorts are stable: equal keys keep
// the order of the caller's list.
#pragma once

#include <vector>

#include "engine/strategies/matcher/result.h"

namespace kelvo::matcher::detail {

// Positions in `elements`, shortest "text" first: the most specific match wins.
void sort_by_text_length(std::vector<std::size_t>& positions, const Elements& elements);

// Positions in `elements`, in reading order: by box "y", then "x" (missing counts as 0).
void sort_by_reading_order(std::vector<std::size_t>& positions, const Elements& elements);

std::vector<ElementRef> refs(Source source, const std::vector<std::size_t>& positions);

}  // namespace kelvo::matcher::detail
