// The games played lately, for the chooser that opens when mirt starts
// without a game: host paths of game folders, the latest first, one a line
// in our own settings file under the user's configuration folder
// ($XDG_CONFIG_HOME/mirt/recent, else ~/.config/mirt/recent).
#pragma once

#include <string>
#include <vector>

namespace mirt {

constexpr size_t kRecentGamesMax = 8;

// The file's path; "" when neither XDG_CONFIG_HOME nor HOME is set.
std::string RecentGamesFile();

// The folders listed in file, as written; none when it cannot be read.
std::vector<std::string> LoadRecentGames(const std::string& file);

// Puts folder first (dropping an older mention of it, and what falls past
// kRecentGamesMax) and writes the file aside then renames it, making its
// folder when missing. False when it cannot be written.
bool AddRecentGame(const std::string& file, const std::string& folder);

}  // namespace mirt
