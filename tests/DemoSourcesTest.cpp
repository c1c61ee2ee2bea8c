// The demo's sources against the player: every script command has a scene
// in it, and every scenario text in demo-src/ reaches both built demos.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/Ascii.h"
#include "script/Archive.h"
#include "script/CommandTable.h"

namespace fs = std::filesystem;

namespace {

// Commands that no scene of the demo can show. Each one needs its reason
// beside it; a command that gets a scene leaves the list.
const std::set<std::string> kNotShown = {};

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool IsScenario(const fs::path& p) { return mirt::UpperAscii(p.extension().string()) == ".TXT"; }

std::vector<fs::path> ScenarioSources() {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(MIRT_DEMO_SOURCE_DIR))
    if (e.is_regular_file() && IsScenario(e.path())) out.push_back(e.path());
  return out;
}

// The command statements of a scenario text and the files they stand in:
// a tilde at the start of a line (blanks before it allowed), the keyword up
// to a space, comma, tab or the line's end, upper-cased as the table finds
// it. Looking only at line starts keeps a tilde that is the second byte of
// a Shift-JIS character, or one inside a quoted text, out of it.
void CollectKeywords(const std::string& text, const std::string& file,
                     std::map<std::string, std::set<std::string>>& used) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '~') continue;
    const size_t end = line.find_first_of(" ,\t\r", i + 1);
    used[mirt::UpperAscii(line.substr(i + 1, end == std::string::npos ? end : end - i - 1))].insert(
        file);
  }
}

}  // namespace

TEST(DemoSources, EveryCommandOfTheTableHasASceneAndNoSceneUsesAnUnknownOne) {
  std::map<std::string, std::set<std::string>> used;
  const std::vector<fs::path> sources = ScenarioSources();
  ASSERT_FALSE(sources.empty()) << MIRT_DEMO_SOURCE_DIR;
  for (const fs::path& p : sources) CollectKeywords(ReadBytes(p), p.filename().string(), used);

  std::set<std::string> known;
  for (int i = 0; i < mirt::kCommandCount; ++i) {
    const std::string keyword = mirt::CommandInfo(mirt::Command(i)).keyword;
    known.insert(keyword);
    if (kNotShown.count(keyword)) {
      EXPECT_FALSE(used.count(keyword))
          << keyword << " is used in the demo now: take it off the list of commands not shown";
    } else {
      EXPECT_TRUE(used.count(keyword)) << keyword << " has no scene in the demo";
    }
  }
  for (const std::string& keyword : kNotShown)
    EXPECT_TRUE(known.count(keyword)) << keyword << " is no command of the table";
  for (const auto& [keyword, files] : used) {
    std::string where;
    for (const std::string& f : files) where += " " + f;
    EXPECT_TRUE(known.count(keyword)) << "~" << keyword << " is no command (in" << where << ")";
  }
}

// A scenario added to demo-src/ but not to the build's list would be in
// neither demo; the GOTO to it would then restart the current scenario.
TEST(DemoSources, EveryScenarioTextIsInThePlainDemoAndInTheArchive) {
  const fs::path plain = MIRT_DEMO_DIR;
  const std::string archive = ReadBytes(plain / "archived" / "scenario.dat");
  const std::vector<mirt::ArchiveEntry> dir =
      mirt::ParseArchiveDirectory(reinterpret_cast<const uint8_t*>(archive.data()), archive.size());
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir[0].name, "start.txt");  // the first scenario, as init.def says
  const std::vector<fs::path> sources = ScenarioSources();
  EXPECT_EQ(dir.size(), sources.size());
  for (const fs::path& p : sources) {
    const std::string name = p.filename().string();
    SCOPED_TRACE(name);
    const std::string text = ReadBytes(p);
    EXPECT_EQ(ReadBytes(plain / name), text);
    const auto entry = mirt::FindArchiveEntry(dir, name);
    ASSERT_TRUE(entry.has_value());
    ASSERT_LE(size_t(entry->offset) + entry->size, archive.size());
    std::vector<uint8_t> stored(archive.begin() + entry->offset,
                                archive.begin() + entry->offset + entry->size);
    mirt::InvertArchiveBytes(stored);
    EXPECT_EQ(std::string(stored.begin(), stored.end()), text);
  }
}
