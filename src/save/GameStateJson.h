// The game state record as JSON, every field by its name, for the
// harness's dump.
#pragma once

#include "save/GameState.h"
#include "shell/Trace.h"

namespace mirt {

JsonObject GameStateJson(const GameState& s);

}  // namespace mirt
