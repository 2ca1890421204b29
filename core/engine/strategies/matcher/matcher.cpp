#include "engine/strategies/matcher/matcher.h"
