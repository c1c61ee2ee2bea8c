// The window that asks for a game when mirt starts without one: the games
// played lately, and a folder dialog for any other.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace mirt {

class ImageSource;

// Shows the chooser over the recent games (host paths: folders and disc
// images) and returns the one taken, or "" when the reader cancels. A path
// for which problem answers a text (what is wrong with it) is answered
// with a message and the chooser stays open.
std::string ChooseGameFolder(const std::vector<std::string>& recent,
                             const std::function<std::string(const std::string&)>& problem);

// Asks which of the games on a disc image to play; false when the reader
// cancels.
bool ChooseGameOnDisc(ImageSource* image);

}  // namespace mirt
