// Jumps shared by GOTO and the choice targets.
#pragma once

#include <string>

namespace mirt {

class Player;

// line is a whole label line ("*" and the name). Reads lines from the top
// until one equals it; at the end of the text the program closes.
void JumpToLabel(Player& p, const std::string& line);
void JumpToScenario(Player& p, const std::string& name);

}  // namespace mirt
