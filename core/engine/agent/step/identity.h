// What the agent checks before it acts: that the element now at a harvested path is the one
// the step resolved. Paths are positional, so a row put on top of a list makes the same path
// name the row beside it; the element's text, box and the text of its row tell them apart.
#pragma once

#include <vector>

#include "common/record.h"

namespace kelvo::step {

inline constexpr int kRowLevels = 3;            // how far up the row text is looked for
inline constexpr std::size_t kRowTextMax = 200;  // a longer text is a page region, and may change on its own

// {xpath, text, check_text, box, row}: what the page's identity check (identity.js) compares,
// from a harvested descriptor and its harvest's text elements.
Record identity_of(const Record& element, const std::vector<Record>& text_elements);

}  // namespace kelvo::step
