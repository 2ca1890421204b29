#include "engine/spatial/cartographer/cartographer.h"
