// The installed demo is played from a copy of the reader's own, since its
// folder cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "GameFixture.h"
#include "platform/GameCopy.h"

namespace mirt_test {
namespace {

// Writes a file, making the folders on its way.
void Put(GameDir& d, const std::string& name, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(d.Path(name)).parent_path());
  d.WriteBytes(name, bytes);
}

struct Installed {
  GameDir root;
  std::string bin, demo, copy;
  Installed() {
    Put(root, "usr/bin/.keep", "");
    Put(root, "usr/share/games/mirt/demo/init.def", "10\r\n");
    Put(root, "usr/share/games/mirt/demo/start.txt", "\"x\"\\n\r\n");
    Put(root, "usr/share/games/mirt/demo/archived/scenario.dat", "dat");
    bin = root.Path("usr/bin");
    demo = mirt::InstalledDemoFolder(bin);
    copy = root.Path("home/.local/share/mirt/demo");
  }
};

bool ReadOnly(const std::string&) { return false; }
bool Writable(const std::string&) { return true; }

TEST(GameCopy, TheReadOnlyInstalledDemoIsPlayedFromACopyMadeOnce) {
  Installed i;
  ASSERT_FALSE(i.demo.empty());
  EXPECT_TRUE(std::filesystem::equivalent(i.demo, i.root.Path("usr/share/games/mirt/demo")));
  EXPECT_EQ(mirt::PlayableGameFolder(i.demo, i.demo, i.copy, ReadOnly), i.copy);
  EXPECT_EQ(i.root.Read("home/.local/share/mirt/demo/start.txt"), "\"x\"\\n\r\n");
  EXPECT_EQ(i.root.Read("home/.local/share/mirt/demo/archived/scenario.dat"), "dat");
  EXPECT_FALSE(std::filesystem::exists(i.copy + ".part"));
  // The copy holds the reader's saves: a second start keeps it as it is.
  Put(i.root, "home/.local/share/mirt/demo/data_1.dat", "save");
  Put(i.root, "usr/share/games/mirt/demo/start.txt", "changed");
  EXPECT_EQ(mirt::PlayableGameFolder(i.demo, i.demo, i.copy, ReadOnly), i.copy);
  EXPECT_EQ(i.root.Read("home/.local/share/mirt/demo/data_1.dat"), "save");
  EXPECT_EQ(i.root.Read("home/.local/share/mirt/demo/start.txt"), "\"x\"\\n\r\n");
}

TEST(GameCopy, OtherFoldersAndAWritableDemoArePlayedWhereTheyAre) {
  Installed i;
  GameDir other;
  Put(other, "init.def", "10\r\n");
  EXPECT_EQ(mirt::PlayableGameFolder(other.Path(""), i.demo, i.copy, ReadOnly), other.Path(""));
  EXPECT_EQ(mirt::PlayableGameFolder(i.demo, i.demo, i.copy, Writable), i.demo);
  EXPECT_EQ(mirt::PlayableGameFolder(i.demo, "", i.copy, ReadOnly), i.demo);  // none installed
  EXPECT_FALSE(std::filesystem::exists(i.copy));
  // No demo beside a program elsewhere.
  EXPECT_EQ(mirt::InstalledDemoFolder(other.Path("")), "");
  EXPECT_EQ(mirt::InstalledDemoFolder(""), "");
}

TEST(GameCopy, ACopyThatCannotBeMadeLeavesNothingBehind) {
  Installed i;
  // The copy's parent is a file: no folder can be made there.
  Put(i.root, "home/blocked", "a file");
  const std::string copy = i.root.Path("home/blocked/mirt/demo");
  EXPECT_EQ(mirt::PlayableGameFolder(i.demo, i.demo, copy, ReadOnly), "");
  EXPECT_FALSE(std::filesystem::exists(copy + ".part"));
}

}  // namespace
}  // namespace mirt_test
