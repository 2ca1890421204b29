#include "engine/spatial/surveyor/surveyor.h"
