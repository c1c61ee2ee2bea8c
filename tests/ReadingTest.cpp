// The reader's comforts around the story's own input: auto mode, skipping
// read text with the marks kept between runs, Space, the wheel and the
// reader's keys, and the classic controls that turn them all off.
#include <gtest/gtest.h>

#include "GameFixture.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

std::string Lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

// The time of the first event named ev after the one at index from.
int TimeAfter(const std::vector<QJsonObject>& events, size_t from, const std::string& ev) {
  for (size_t i = from + 1; i < events.size(); ++i)
    if (Str(events[i].value("ev")) == ev) return events[i].value("t").toInt();
  return -1;
}

size_t IndexOfText(const std::vector<QJsonObject>& events, const std::string& text) {
  for (size_t i = 0; i < events.size(); ++i)
    if (Str(events[i].value("ev")) == "text" && Str(events[i].value("text")) == text) return i;
  return events.size();
}

}  // namespace

TEST(Reading, AutoModeWaitsByTheLinesLengthAndNotAtAChoiceAHiddenBoxOrADialog) {
  GameDir g;
  g.Script("\"1\"\\n\n\"あいう\"\\n\n\"2\"\\n\n~SELECT\n{\n\"x\"@x\n\"y\"@y\n}\n*x\n\"X\"\\n\n*"
           "y\n\"Y\"\\n\n"
           "\"Z\"\\n\n");
  ASSERT_EQ(g.Run(Lines({"menu AutoMode", "wait 15000", "dump " + g.Path("choice.json"),
                         "key Enter", "rclick", "wait 5000", "dump " + g.Path("hidden.json"),
                         "menu AutoSpeed1", "click", "wait 1200", "dump " + g.Path("fast.json"),
                         "volume", "wait 5000", "close", "wait 1200"})),
            0);
  const std::vector<QJsonObject> events = g.TraceEvents();
  // Normal pace: 1500 ms and 60 ms a character; a double-byte one counts
  // once. Timer2's ticks come every 100 ms.
  const size_t three = IndexOfText(events, "あいう");
  ASSERT_LT(three, events.size());
  const int rest = TimeAfter(events, three, "wait");
  const int next = TimeAfter(events, three, "text");
  EXPECT_GE(next - rest, 1500 + 3 * 60);
  EXPECT_LT(next - rest, 1500 + 3 * 60 + 100);
  const QJsonObject choice = g.Dump("choice.json");
  EXPECT_EQ(choice["choicePending"], true);
  EXPECT_TRUE(Holds(choice["reader"], R"({"auto":true,"skipRead":false,"classicControls":false})"));
  EXPECT_EQ(At(g.Dump("hidden.json"), "storyState"), 0);
  EXPECT_EQ(At(g.Dump("fast.json"), "menu.AutoSpeed1.checked"), true);
  // X waited while the box was hidden; Y came at the fast pace (1040 ms)
  // after the box was back, Z only once the volume dialog had closed.
  EXPECT_EQ(g.Texts(), (Strings{"1", "あいう", "2", "X", "Y", "Z"}));
  const size_t y = IndexOfText(events, "Y"), z = IndexOfText(events, "Z");
  ASSERT_LT(z, events.size());
  EXPECT_GE(events[z].value("t").toInt() - events[y].value("t").toInt(), 5000);
}

TEST(Reading, SkipReadRunsQuicklyThroughTextReadInEarlierRunsAndStopsAtNewTextAndChoices) {
  GameDir g;
  std::string twenty;
  for (int i = 0; i < 20; ++i) twenty += "あ";
  g.Script("\"1\"\\n\n\"" + twenty +
           "\"\\n\n\"3\"\\n\n\"4\"\\n\n~SELECT\n{\n\"x\"@x\n\"y\"@y\n}\n"
           "*x\n\"X\"\\n\n*y\n\"Y\"\\n\n");
  // The first run reads three lines.
  ASSERT_EQ(g.Run("click\nclick\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"1", twenty, "3"}));
  ASSERT_TRUE(fs::exists(g.Path("mirt-read.dat")));

  // The second runs through them at once (the long line is not drawn a
  // character at a time) and stops at the first line it never showed.
  ASSERT_EQ(g.Run(Lines({"menu SkipRead", "wait 2000", "dump " + g.Path("new.json")})), 0);
  EXPECT_EQ(g.Texts(), (Strings{"1", twenty, "3", "4"}));
  const std::vector<QJsonObject> events = g.TraceEvents();
  const int one = events[IndexOfText(events, "1")].value("t").toInt();
  const int four = events[IndexOfText(events, "4")].value("t").toInt();
  EXPECT_LE(four - one, 200);  // three advances a tick at least
  const QJsonObject stopped = g.Dump("new.json");
  EXPECT_EQ(At(stopped, "reader.skipRead"), false);
  EXPECT_EQ(At(stopped, "menu.SkipRead.checked"), false);

  // The third, with Control held, runs to the choice and waits there.
  ASSERT_EQ(g.Run(Lines({"keydown Control", "wait 2000", "dump " + g.Path("held.json"),
                         "keyup Control", "dump " + g.Path("let.json"), "key Enter", "wait 2000"})),
            0);
  const QJsonObject held = g.Dump("held.json");
  EXPECT_EQ(held["choicePending"], true);
  EXPECT_EQ(At(held, "reader.skipRead"), true);
  EXPECT_EQ(At(g.Dump("let.json"), "reader.skipRead"), false);
  EXPECT_EQ(g.Texts(), (Strings{"1", twenty, "3", "4", "X"}));
}

TEST(Reading, SpaceTheWheelAndTheReadersKeysActUnlessTheClassicControlsAreOn) {
  GameDir g;
  g.Script("\"1\"\\n\n\"2\"\\n\n\"3\"\\n\n~SELECT\n{\n\"a\"@a\n\"b\"@b\n\"c\"@c\n}\n*a\n*b\n*c\n"
           "\"4\"\\n\n");
  const std::string extras = "key Space\nwheel down\nkey PageDown\nkey A\nkeydown Control\n";
  ASSERT_EQ(g.Run("menu ClassicControls\n" + extras + "dump " + g.Path("classic.json") +
                  "\nkeyup Control\nmenu AutoMode\ndump " + g.Path("menu.json") +
                  "\nmenu AutoMode\nmenu ClassicControls\nkey Space\nwheel down\nkey PageDown\n"
                  "dump " +
                  g.Path("choice.json") +
                  "\nwheel down\nkey PageDown\nkey A\n"
                  "keydown Control\ndump " +
                  g.Path("extras.json") + "\nkeyup Control\n"),
            0);
  // Classic: nothing but the menu acts.
  const QJsonObject classic = g.Dump("classic.json");
  EXPECT_TRUE(
      Holds(classic["reader"], R"({"auto":false,"skipRead":false,"classicControls":true})"));
  EXPECT_EQ(At(classic, "menu.ClassicControls.checked"), true);
  EXPECT_EQ(At(g.Dump("menu.json"), "reader.auto"), true);
  // Space and the wheel advance, PageDown too; at the choice they move the
  // highlight down; A is auto mode, Control held skips read text.
  EXPECT_EQ(At(g.Dump("choice.json"), "choices.selected"), 0);
  const QJsonObject extrasOn = g.Dump("extras.json");
  EXPECT_EQ(At(extrasOn, "choices.selected"), 2);
  EXPECT_TRUE(
      Holds(extrasOn["reader"], R"({"auto":true,"skipRead":true,"classicControls":false})"));
  EXPECT_EQ(g.Texts(), (Strings{"1", "2", "3"}));
  // A menu item that exists nowhere is the input's fault, as an unknown action is.
  EXPECT_EQ(g.Run("menu AutoMod\n"), 2);
  EXPECT_EQ(g.Run("menu QuickSave\nmenu Rollback\n"), 0);
}

TEST(Reading, TheKeysTheWheelAndThePadReachQuickSaveRollbackAutoAndSkip) {
  GameDir g;
  g.Script("~SET n,0\n\"1\"\\p\n~ADD n,1\n\"2\"\\p\n~ADD n,1\n\"3\"\\p\n~ADD n,1\n\"4\"\\p\n");
  const std::string d = g.Path("");
  ASSERT_EQ(g.Run(Lines({"click",
                         "click",
                         "key F5",
                         "wheel up",
                         "pad leftshoulder",
                         "key PageUp",
                         "dump " + d + "back.json",
                         "key F9",
                         "dump " + d + "loaded.json",
                         "pad x",
                         "dump " + d + "auto.json",
                         "pad x",
                         "padhold rightshoulder",
                         "dump " + d + "held.json",
                         "padrelease rightshoulder",
                         "dump " + d + "let.json",
                         "menu ClassicControls",
                         "key F5",
                         "wheel up",
                         "pad leftshoulder",
                         "pad x",
                         "dump " + d + "classic.json"})),
            0);
  auto oks = [&](const char* ev) {
    Strings out;
    for (const QJsonObject& e : g.EventsOf(ev)) out.push_back(e["ok"].toBool() ? "true" : "false");
    return out;
  };
  // F5 saved on page 3; the wheel and the left shoulder went back two pages,
  // PageUp found nothing before the first; F9 came back to page 3.
  EXPECT_EQ(oks("quicksave"), Strings{"true"});
  EXPECT_EQ(oks("rollback"), (Strings{"true", "true", "false"}));
  EXPECT_EQ(oks("quickload"), Strings{"true"});
  EXPECT_EQ(At(g.Dump("back.json"), "reader.rollbackSteps"), 0);
  EXPECT_EQ(At(g.Dump("loaded.json"), "reader.quickSave"), true);
  EXPECT_EQ(At(g.Dump("auto.json"), "reader.auto"), true);
  EXPECT_EQ(At(g.Dump("held.json"), "reader.skipRead"), true);
  EXPECT_EQ(At(g.Dump("let.json"), "reader.skipRead"), false);
  // With the classic controls none of them acts any more.
  const QJsonObject classic = g.Dump("classic.json");
  EXPECT_EQ(At(classic, "reader.auto"), false);
  EXPECT_EQ(oks("quicksave").size(), 1u);
  EXPECT_EQ(oks("rollback").size(), 3u);
}
