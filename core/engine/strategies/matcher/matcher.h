// Text matching strategy: resolves instructions to element records by their text and
// attributes.
#pragma once

#include "engine/strategies/matcher/dom_strategy.h"
#include "engine/strategies/matcher/result.h"
#include "engine/strategies/matcher/tables.h"
#include "engine/strategies/matcher/text_matching.h"
