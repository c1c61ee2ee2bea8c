// The recent games the chooser offers: where the file lives, and what it
// keeps across starts.
#include <gtest/gtest.h>

#include <cstdlib>

#include "GameFixture.h"
#include "platform/RecentGames.h"

namespace mirt_test {
namespace {

TEST(RecentGames, TheFileLivesUnderTheUsersConfigurationFolder) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string xdg = oldXdg ? oldXdg : "", home = oldHome ? oldHome : "";
  setenv("HOME", "/home/reader", 1);
  setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(mirt::RecentGamesFile(), "/xdg/mirt/recent");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not an absolute path: ignored
  EXPECT_EQ(mirt::RecentGamesFile(), "/home/reader/.config/mirt/recent");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(mirt::RecentGamesFile(), "/home/reader/.config/mirt/recent");
  oldXdg ? setenv("XDG_CONFIG_HOME", xdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  oldHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

TEST(RecentGames, LatestFirstEachOnceAndAShortList) {
  GameDir d;
  const std::string file = d.Path("config/mirt/recent");  // folders made on the first write
  EXPECT_TRUE(mirt::LoadRecentGames(file).empty());
  for (int i = 0; i < 10; ++i)
    ASSERT_TRUE(mirt::AddRecentGame(file, "/games/g" + std::to_string(i)));
  ASSERT_TRUE(mirt::AddRecentGame(file, "/games/g5"));
  std::vector<std::string> games = mirt::LoadRecentGames(file);
  ASSERT_EQ(games.size(), mirt::kRecentGamesMax);
  EXPECT_EQ(games[0], "/games/g5");
  EXPECT_EQ(games[1], "/games/g9");
  EXPECT_EQ(std::count(games.begin(), games.end(), "/games/g5"), 1);
  EXPECT_EQ(games.back(), "/games/g2");  // g0 and g1 fell off
  // A path that would break the one-a-line file is not kept.
  EXPECT_FALSE(mirt::AddRecentGame(file, "/games/two\nlines"));
  EXPECT_EQ(mirt::LoadRecentGames(file), games);
  // Nothing left aside by the writes.
  for (const auto& e : fs::directory_iterator(d.Path("config/mirt")))
    EXPECT_EQ(e.path().filename(), "recent");
}

}  // namespace
}  // namespace mirt_test
