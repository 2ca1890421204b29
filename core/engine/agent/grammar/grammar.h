// Deliverable grammar: the instruction language.
#pragma once

#include "engine/agent/grammar/instruction_parser.h"
#include "engine/agent/grammar/parsed_instruction.h"
#include "engine/agent/grammar/vocabulary.h"
