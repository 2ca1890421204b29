// Deliverable surveyor: finds an element by where it stands relative to another one or by
// its place in reading order, over the matrix of one harvest.
#pragma once

#include "engine/spatial/surveyor/entry_reading.h"    // required entry keys, their errors
#include "engine/spatial/surveyor/geometry.h"         // rows, columns, distances, tolerances
#include "engine/spatial/surveyor/matrix_resolver.h"  // MatrixResolver, SpatialResolution
#include "engine/spatial/surveyor/target_phrase.h"    // phrase vocabulary and parsing
