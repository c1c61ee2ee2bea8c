// The window that asks for a game when mirt starts without one: the games
// played lately, and a folder dialog for any other.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace mirt {

// Shows the chooser over the recent games (host paths) and returns the
// folder taken, or "" when the reader cancels. A folder that isGame refuses
// is answered with a message and the chooser stays open.
std::string ChooseGameFolder(const std::vector<std::string>& recent,
                             const std::function<bool(const std::string&)>& isGame);

}  // namespace mirt
