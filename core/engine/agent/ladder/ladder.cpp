#include "engine/agent/ladder/ladder.h"
