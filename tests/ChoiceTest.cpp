// Text choices: how SELECT lays them out, the pointer and the keys over
// them, and where taking one leads.
#include <gtest/gtest.h>

#include <QImage>

#include "GameFixture.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

// Origin (40, 300), 16-point text, 4 pixels between lines; one line of text
// before the choices, so they start one line down.
const std::string kHead =
    "~FONTSIZE 16\n~TXTPOS 40,300\n~TXTSPR 4\n~FONTCOLOR 0,0,255,1\n~FONTCOLOR 255,255,0,2\n"
    "\"Q\"\\n\n";

std::string Actions(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

struct Box {
  int left, top, right, bottom;
};
Box RectOf(const QJsonObject& dump, int j) {
  const QJsonValue r = At(dump, "choices.items." + std::to_string(j) + ".rect");
  return {r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()};
}

}  // namespace

TEST(Choices, LinesStackAtTheOriginFromThePenWithTheirTargets) {
  GameDir g;
  g.Script(kHead +
           "~SELECT\nskipped before the brace\n{\n\"yes\" @yes\n\"no\"@no,\n\"maybe\"\n\n}\n"
           "\"after\"\\n\n*yes\n\"Y\"\\n\n*no\n\"N\"\\n\n");
  const QJsonObject d = g.RunAndDump("click\n");
  EXPECT_EQ(d["choicePending"], true);
  ASSERT_EQ(At(d, "choices.count"), 4);
  const QJsonArray items = At(d, "choices.items").toArray();
  ASSERT_EQ(items.size(), 4);
  EXPECT_TRUE(Holds(items[0], R"({"text":"yes","target":"@yes"})"));
  EXPECT_TRUE(Holds(items[1], R"({"text":"no","target":"@no"})"));
  EXPECT_TRUE(Holds(items[2], R"({"text":"maybe","target":""})"));
  EXPECT_TRUE(Holds(items[3], R"({"text":"","target":""})"));  // the empty line
  const Box first = RectOf(d, 0), second = RectOf(d, 1), third = RectOf(d, 2);
  const int pen = At(d, "pen.y").toInt();
  EXPECT_GT(pen, 300);  // a line below the question
  EXPECT_EQ(first.top, pen);
  EXPECT_EQ(first.left, 40);
  EXPECT_EQ(second.left, 40);
  const int h = first.bottom - first.top;
  EXPECT_GT(h, 10);
  EXPECT_EQ(second.top, first.top + h + 4);
  EXPECT_EQ(third.top, second.top + h + 4);
  EXPECT_GT(first.right, first.left);
  // The story waits; nothing after the block is read yet.
  EXPECT_EQ(g.Texts(), (Strings{"Q"}));
}

TEST(Choices, ThePointerHighlightsOnlyStrictlyInsideAndOnlyAClickOnOneTakesIt) {
  GameDir g;
  g.Script(kHead + "~SELECT\n{\n\"first\"@a\n\"second\"@b\n}\n*a\n\"A\"\\n\n*b\n\"B\"\\n\n");
  const QJsonObject probe = g.RunAndDump("click\n");
  const Box r = RectOf(probe, 1);
  auto at = [](int x, int y) { return "move " + std::to_string(x) + " " + std::to_string(y); };
  auto dumpTo = [&](const std::string& n) { return "dump " + g.Path(n); };
  ASSERT_EQ(g.Run(Actions({"click",
                           at(r.left, r.top + 2),
                           dumpTo("left.json"),
                           at(r.left + 2, r.top),
                           dumpTo("top.json"),
                           at(r.right, r.top + 2),
                           dumpTo("right.json"),
                           at(r.left + 2, r.bottom),
                           dumpTo("bottom.json"),
                           at(r.left + 1, r.top + 1),
                           dumpTo("in.json"),
                           "screenshot " + g.Path("lit.png"),
                           at(r.right - 1, r.bottom - 1),
                           dumpTo("in2.json"),
                           at(5, 5),
                           "click",
                           dumpTo("beside.json"),
                           at(r.left + 1, r.top + 1),
                           "click",
                           dumpTo("taken.json")})),
            0);
  for (const char* edge : {"left.json", "top.json", "right.json", "bottom.json"})
    EXPECT_EQ(At(g.Dump(edge), "choices.pointerOnChoice"), false) << edge;
  for (const char* inside : {"in.json", "in2.json"}) {
    const QJsonObject d = g.Dump(inside);
    EXPECT_EQ(At(d, "choices.pointerOnChoice"), true) << inside;
    EXPECT_EQ(At(d, "choices.selected"), 1) << inside;
    EXPECT_EQ(At(d, "choices.items.1.highlighted"), true) << inside;
  }
  // The choice under the pointer is drawn in the highlight colour, the
  // other in the choice colour.
  const QImage lit(QString::fromStdString(g.Path("lit.png")));
  auto count = [&](const Box& b, QRgb c) {
    int n = 0;
    for (int y = b.top; y < b.bottom; ++y)
      for (int x = b.left; x < b.right; ++x) n += (lit.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF);
    return n;
  };
  EXPECT_GT(count(r, qRgb(255, 255, 0)), 0);
  EXPECT_EQ(count(r, qRgb(0, 0, 255)), 0);
  EXPECT_GT(count(RectOf(probe, 0), qRgb(0, 0, 255)), 0);
  // A click beside the choices does nothing; one on a choice takes it.
  EXPECT_EQ(g.Dump("beside.json")["choicePending"], true);
  const QJsonObject taken = g.Dump("taken.json");
  EXPECT_EQ(taken["choicePending"], false);
  const auto choice = g.EventsOf("choice");
  ASSERT_EQ(choice.size(), 1u);
  EXPECT_TRUE(Holds(choice[0], R"({"index":1,"target":"@b"})"));
  EXPECT_EQ(g.Texts(), (Strings{"Q", "B"}));
  // Taking it began a new page at the text origin: "B" and its line break.
  EXPECT_EQ(At(taken, "pen.x"), 40);
  EXPECT_EQ(At(taken, "pen.y"), 300 + 16 + 4);
  EXPECT_EQ(taken["pageFull"], false);
}

TEST(Choices, ArrowKeysWrapAndEnterTakesTheHighlightWhereverThePointerIs) {
  GameDir g;
  g.Script(kHead + "~SELECT\n{\n\"a\"@a\n\"b\"@b\n\"c\"@c\n}\n*a\n\"A\"\\n\n*b\n\"B\"\\n\n"
                   "*c\n\"C\"\\n\n~SELECT\n{\n\"x\"@x\n\"y\"@y\n}\n*x\n\"X\"\\n\n*y\n\"Y\"\\n\n");
  ASSERT_EQ(g.Run(Actions({"click", "move 600 10", "key Up", "dump " + g.Path("up.json"),
                           "key Down", "dump " + g.Path("down.json"), "key Down", "key Down",
                           "key A", "dump " + g.Path("b.json"), "key Enter", "key Enter",
                           "dump " + g.Path("next.json"), "key Enter"})),
            0);
  // A set of two after the third was highlighted: the highlight starts on
  // one of its own, not on a choice it does not have.
  EXPECT_EQ(At(g.Dump("next.json"), "choices.selected"), 0);
  EXPECT_EQ(At(g.Dump("up.json"), "choices.selected"), 2);  // up from the first: the last
  EXPECT_EQ(At(g.Dump("up.json"), "choices.items.2.highlighted"), true);
  EXPECT_EQ(At(g.Dump("down.json"), "choices.selected"), 0);  // down from the last: the first
  EXPECT_EQ(At(g.Dump("b.json"), "choices.selected"), 2);     // other keys do nothing
  const auto choice = g.EventsOf("choice");
  ASSERT_EQ(choice.size(), 2u);
  EXPECT_TRUE(Holds(choice[0], R"({"index":2,"target":"@c"})"));
  EXPECT_TRUE(Holds(choice[1], R"({"index":0,"target":"@x"})"));
  EXPECT_EQ(g.Texts(), (Strings{"Q", "C", "X"}));
}

TEST(Choices, TargetsJumpToALabelSwitchScenarioOrGoOnAfterTheBlock) {
  {  // a label above the choice: the first matching line from the top
    GameDir g;
    g.Script("~FONTSIZE 16\n~GOTO *start\n*top\n\"top\"\\n\n*start \n*start\n~SELECT\n{\n"
             "\"up\"@top\n}\n\"below\"\\n\n");
    ASSERT_EQ(g.Run("key Enter\n"), 0);
    EXPECT_EQ(g.Texts(), (Strings{"top"}));
  }
  {  // another scenario from its first line
    GameDir g;
    g.Script("~FONTSIZE 16\n~SELECT\n{\n\"go\" ! other.txt\n}\n\"here\"\\n\n");
    g.WriteScript("other.txt", "\"there\"\\n\n");
    const QJsonObject d = g.RunAndDump("key Enter\n");
    EXPECT_EQ(g.Texts(), (Strings{"there"}));
    EXPECT_EQ(d["scenario"], "other.txt");
  }
  {  // no jump: the line after the closing brace
    GameDir g;
    g.Script("~FONTSIZE 16\n~SELECT\n{\n\"stay\"\n}\n\"after\"\\n\n");
    ASSERT_EQ(g.Run("key Enter\n"), 0);
    EXPECT_EQ(g.Texts(), (Strings{"after"}));
  }
  {  // a label that is not there ends the story
    GameDir g;
    g.Script("~FONTSIZE 16\n~SELECT\n{\n\"lost\"@nowhere\n}\n\"after\"\\n\n");
    ASSERT_EQ(g.Run("key Enter\nwait 1000\n"), 0);
    EXPECT_EQ(g.Texts(), Strings{});
    ASSERT_EQ(g.Messages().size(), 1u);
    EXPECT_TRUE(Has(g.Messages()[0], "ファイルの最後まで読みこみました。"));
  }
}

TEST(Choices, ASlotChoiceShowsTheSlotCaptionAndStaysOpenWhenItsFileIsMissing) {
  GameDir g;
  std::string caption(256, '\0');
  caption.replace(0, 10, "3: saved!!");
  g.WriteBytes("data_3.dat", caption + std::string(100, '\0'));
  g.Script(kHead + "~SELECT\n{\n\"\\2\"\\2\n\"\\3\"\\3\n\"\\x\"\\x\n}\n\"after\"\\n\n");
  const QJsonObject d =
      g.RunAndDump(Actions({"click", "key Enter", "key Down", "key Down", "key Enter"}));
  EXPECT_EQ(At(d, "choices.items.0.text"), "2: ---- --/-- --:--:--");
  EXPECT_EQ(At(d, "choices.items.1.text"), "3: saved!!");
  EXPECT_EQ(At(d, "choices.items.2.text"), "\\x");  // not a digit: shown as it is
  EXPECT_EQ(At(d, "choices.items.0.target"), "\\2");
  // Neither slot 2 nor a slot "x" can be read: the choices stay.
  EXPECT_EQ(d["choicePending"], true);
  EXPECT_EQ(g.EventsOf("choice").size(), 2u);
  EXPECT_EQ(g.Texts(), (Strings{"Q"}));
}

TEST(Choices, LinesBeyondTheTenthAreIgnoredAndTheBlockStillEndsAtItsBrace) {
  GameDir g;
  std::string lines;
  for (int i = 0; i < 12; ++i)
    lines += "\"c" + std::to_string(i) + "\"@l" + std::to_string(i) + "\n";
  g.Script("~FONTSIZE 12\n~SELECT\n{\n" + lines +
           "}\n\"after\"\\n\n*l9\n\"nine\"\\n\n*l11\n\"eleven\"\\n\n");
  const QJsonObject d = g.RunAndDump("key Up\ndump " + g.Path("open.json") + "\nkey Enter\n");
  const QJsonObject open = g.Dump("open.json");
  EXPECT_EQ(At(open, "choices.count"), 10);
  EXPECT_EQ(At(open, "choices.items").toArray().size(), 10);
  EXPECT_EQ(At(open, "choices.items.9.text"), "c9");
  EXPECT_EQ(At(open, "choices.selected"), 9);  // Up wraps to the tenth
  EXPECT_EQ(g.Texts(), (Strings{"nine"}));
  EXPECT_EQ(d["choicePending"], false);
}

TEST(Choices, TheStoryWaitsAtTheChoiceWhateverFollowsTheCommand) {
  GameDir g;
  g.Script("~FONTSIZE 16\n~SELECT , \"same line\"\n{\n\"a\"\n}\n\"after\"\\n\n");
  const QJsonObject d = g.RunAndDump("wait 500\n");
  EXPECT_EQ(d["choicePending"], true);
  EXPECT_EQ(g.Texts(), Strings{});
  // Skip mode stops at the choice and cannot be switched on while it waits.
  GameDir s;
  s.Script("~FONTSIZE 16\n\"1\"\\n\n\"2\"\\n\n~SELECT\n{\n\"a\"\n}\n\"after\"\\n\n");
  const QJsonObject skipped = s.RunAndDump("menu SKIP\nwait 1000\nmenu SKIP\nwait 300\n");
  EXPECT_EQ(skipped["skipMode"], false);
  EXPECT_EQ(skipped["choicePending"], true);
  EXPECT_EQ(s.Texts(), (Strings{"1", "2"}));
}
