#include "engine/strategies/placement/placement.h"
