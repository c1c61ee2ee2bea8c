// The author's guide's examples are games in tests/guide/: each is shown in
// the guide as it stands in its file, plays to its end in the harness, and
// is lint-clean.
#include <gtest/gtest.h>

#include <algorithm>

#include "GameFixture.h"
#include "ToolFixture.h"

namespace mirt_test {
namespace {

const std::string kGuideDir = std::string(MIRT_TEST_DIR) + "/guide";

// Copies an example into the game folder as the player wants it: CP932 with
// CR LF line ends.
void Install(const std::string& example, GameDir& g) {
  for (const auto& e : fs::directory_iterator(kGuideDir + "/" + example))
    g.WriteScript(e.path().filename().string(), Slurp(e.path().string()));
}

struct Example {
  const char* name;
  std::vector<std::string> texts;  // drawn in this order, among others
};

TEST(Guide, EveryExampleIsInTheGuidePlaysToItsEndAndIsLintClean) {
  const std::string guide = Slurp(std::string(MIRT_TEST_DIR) + "/../docs/authors-guide.md");
  const Example examples[] = {
      {"hello", {"こんにちは。", "クリックで次の行へ。", "おしまい。"}},
      {"two-scenes", {"旅人", "1", "旅人", "2", "第二の場面です。", "おしまい。"}},
  };
  for (const Example& ex : examples) {
    SCOPED_TRACE(ex.name);
    for (const auto& e : fs::directory_iterator(kGuideDir + "/" + ex.name))
      EXPECT_TRUE(Has(guide, Slurp(e.path().string())))
          << e.path() << " is not shown in the guide as it stands";
    GameDir g;
    Install(ex.name, g);
    std::string clicks;
    for (int i = 0; i < 10; ++i) clicks += "click\nwait 500\n";
    EXPECT_EQ(g.Run(clicks), 0);
    const std::vector<std::string> drawn = g.Texts();
    size_t at = 0;
    for (const std::string& t : ex.texts) {
      auto it = std::find(drawn.begin() + static_cast<long>(at), drawn.end(), t);
      ASSERT_NE(it, drawn.end()) << t << " not drawn (in order)";
      at = static_cast<size_t>(it - drawn.begin()) + 1;
    }
    EXPECT_EQ(g.Messages(), std::vector<std::string>{});  // no error on the way
    fs::remove(g.Path("input.txt"));
    fs::remove(g.Path("trace.jsonl"));
    GameDir scratch;
    ToolRun lint = RunTool({"lint", g.Path("")}, scratch.Path(""));
    EXPECT_EQ(lint.code, 0) << lint.out << lint.err;
  }
}

}  // namespace
}  // namespace mirt_test
