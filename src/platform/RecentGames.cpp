#include "platform/RecentGames.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/HostFiles.h"

namespace mirt {

std::string RecentGamesFile() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && xdg[0] == '/')
    base = xdg;  // relative values are to be ignored
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::string(home) + "/.config";
  else
    return "";
  return base + "/mirt/recent";
}

std::vector<std::string> LoadRecentGames(const std::string& file) {
  std::vector<std::string> games;
  std::ifstream in(file, std::ios::binary);
  for (std::string line; games.size() < kRecentGamesMax && std::getline(in, line);)
    if (!line.empty() && std::find(games.begin(), games.end(), line) == games.end())
      games.push_back(line);
  return games;
}

bool AddRecentGame(const std::string& file, const std::string& folder) {
  if (file.empty() || folder.empty() || folder.find('\n') != std::string::npos) return false;
  std::vector<std::string> games = LoadRecentGames(file);
  games.erase(std::remove(games.begin(), games.end(), folder), games.end());
  games.insert(games.begin(), folder);
  if (games.size() > kRecentGamesMax) games.resize(kRecentGamesMax);
  std::string text;
  for (const std::string& g : games) text += g + "\n";
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
  return WriteHostFileAtomically(file, text.data(), text.size());
}

}  // namespace mirt
