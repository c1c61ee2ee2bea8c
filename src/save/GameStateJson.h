// The game state record as JSON, every field by its name, for the
// harness's dump.
#pragma once

#include "common/JsonObject.h"
#include "script/GameState.h"

namespace mirt {

JsonObject GameStateJson(const GameState& s);

}  // namespace mirt
