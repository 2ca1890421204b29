#include "engine/agent/grammar/grammar.h"
