// Deliverable cartographer: one harvest of the page as a flat list in reading order.
#pragma once

#include "engine/spatial/cartographer/element_reading.h"  // types, searchable strings, positions
#include "engine/spatial/cartographer/matrix_builder.h"   // MatrixBuilder, MatrixEntry
