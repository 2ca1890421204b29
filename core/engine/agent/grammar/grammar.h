// Deliverable grammar.
#pragma once

namespace kelvo::grammar {}  // namespace kelvo::grammar
