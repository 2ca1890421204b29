// Page harvesting: the live page, read through a PageDriver, turned into element
// descriptors and text elements with labels, geometry and positional XPaths.
#pragma once

#include "engine/browser/harvester/batched_driver.h"    // one page script for a whole harvest
#include "engine/browser/harvester/constants.h"         // selectors and attribute lists
#include "engine/browser/harvester/custom_elements.h"   // class-named widgets, pointer cursors
#include "engine/browser/harvester/dom_parser.h"        // DOMParser: the full harvest
#include "engine/browser/harvester/field_labels.h"      // field and spatial labels
#include "engine/browser/harvester/frames.h"            // frames and shadow roots in one harvest
#include "engine/browser/harvester/harvest_plan.h"      // what a harvest asks, for batching
#include "engine/browser/harvester/native_elements.h"   // natively interactable elements
#include "engine/browser/harvester/page_driver.h"       // the browser as the harvest sees it
#include "engine/browser/harvester/python_json.h"       // snapshot JSON text
#include "engine/browser/harvester/snapshot.h"          // snapshot files
#include "engine/browser/harvester/text_dedup_index.h"  // de-duplication over a spatial grid
#include "engine/browser/harvester/text_elements.h"     // text elements and de-duplication
