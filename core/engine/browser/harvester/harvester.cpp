#include "engine/browser/harvester/harvester.h"
