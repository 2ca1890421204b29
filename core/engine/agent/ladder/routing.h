// Which resolver the agent asks first for a step, decided from the whole words of its target.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvo::ladder {

inline constexpr const char* kRouteSpatial = "spatial";
inline constexpr const char* kRouteText = "text";

// Whether the action acts on or checks an element (else it is about page text, or about no
// target at all).
bool aims_at_element(std::string_view action);

// Whether the phrase holds a relation keyword or an ordinal of spatial resolution as whole
// words. Spatial resolution itself also finds keywords inside longer words ("Linear gauge"
// holds "near"); on whole words such names stay with text matching.
bool is_spatial_phrase(std::string_view target);

// The resolvers to try, in order, for an element action; empty for any other action.
std::vector<std::string> resolver_order(std::string_view action, std::string_view target);

}  // namespace kelvo::ladder
