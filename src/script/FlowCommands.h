// GOTO, WAIT, EXIT and RUN, and the jumps shared by GOTO and the choice
// targets.
#pragma once

#include <string>

namespace mirt {

class CText;
class CommandTable;
class Platform;
struct GameState;

// line is a whole label line ("*" and the name). Reads lines from the top
// until one equals it; at the end of the text the program closes.
void JumpToLabel(CText& script, GameState& state, const std::string& line);
void JumpToScenario(CText& script, GameState& state, const std::string& name);

void RegisterFlowCommands(CommandTable& table, CText& script, Platform& platform);

}  // namespace mirt
