#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

namespace {

// Keeps the title of every question and answers no.
class TitlePlatform : public mirt::HeadlessPlatform {
 public:
  TitlePlatform() : HeadlessPlatform(true) {}
  bool question(const std::string&, const std::string& title) override {
    titles.push_back(title);
    return false;
  }
  std::vector<std::string> titles;
};

}  // namespace

// A caption loaded from a slot file may fill its field with no zero byte;
// the question's title is the caption up to the field's end, never beyond.
TEST(ReturnToTitle, QuestionTitleIsTheCaptionCutToItsField) {
  TitlePlatform platform;
  mirt::Player p(platform);
  std::memset(p.state().caption, 'A', sizeof p.state().caption);
  p.state().boxColour[0] = 'B';  // the byte after the field
  p.menuActivated("N1");
  ASSERT_EQ(platform.titles.size(), 1u);
  EXPECT_EQ(platform.titles[0], std::string(sizeof p.state().caption, 'A'));
  EXPECT_FALSE(p.closed());  // answered no: the story goes on
}
