// MATH, IF, RANDOM, SIN and COS through the headless player.
#include <gtest/gtest.h>

#include "GameFixture.h"
#include "platform/headless/HeadlessPlatform.h"
#include "script/Commands.h"
#include "shell/Player.h"
#include "vars/Random.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace mirt {
int32_t EvaluateMathText(const std::string& text);  // MathCommands.cpp
}

namespace {

// Runs the script (then a wait), dumps the state and returns the dump.
QJsonObject RunAndDump(GameDir& g, const std::string& script, const std::string& more = "") {
  g.Script(script + "\"end\"\\n\n");
  return g.RunAndDump(more);
}

}  // namespace

TEST(MathEvaluator, PrecedenceSignsAndErrors) {
  using mirt::EvaluateMathText;
  EXPECT_EQ(EvaluateMathText("2+3*4"), 14);
  EXPECT_EQ(EvaluateMathText("(2+3)*4"), 20);
  EXPECT_EQ(EvaluateMathText("3--5"), 8);
  EXPECT_EQ(EvaluateMathText("10-2-3"), 5);     // left to right
  EXPECT_EQ(EvaluateMathText("-7/2"), -3);      // toward zero
  EXPECT_EQ(EvaluateMathText("(4+1)0*2"), 10);  // the zero after ')' is dropped
  EXPECT_EQ(EvaluateMathText("4+1;0"), 5);      // a stray character ends it
  EXPECT_EQ(EvaluateMathText("5/0"), 5);        // the left operand stays
  EXPECT_EQ(EvaluateMathText("2*-(3)"), 2);     // '-(' is malformed
  EXPECT_EQ(EvaluateMathText("2---3"), 2);      // so is a third sign
  EXPECT_EQ(EvaluateMathText("2147483647+1"), INT32_MIN);
  EXPECT_EQ(EvaluateMathText("65536*65536"), 0);
  EXPECT_EQ(EvaluateMathText("-2147483648/-1"), INT32_MIN);
  EXPECT_EQ(EvaluateMathText("(1+2"), 0);  // an unclosed parenthesis gives no value
}

TEST(MathCommand, RewritesNamesAndEmptyTokens) {
  GameDir g;
  const QJsonObject d =
      RunAndDump(g, "!a:0!\n!b:4!\n!c:0!\n!e:0!\n!f:0!\n!h:0!\n!z:0!\n!m:-2147483648!\n!q:0!\n"
                    "~MATH a=(b+1)*2\n"
                    "~MATH c=b*-1\n"
                    "~MATH e=5/z\n"
                    "~MATH f=b+1;\n"
                    "~MATH h=3-b\n"
                    "~MATH q=m/-1\n");
  EXPECT_EQ(Var(d, "a"), 10);
  EXPECT_EQ(Var(d, "c"), -1);  // evaluated as b*0-1
  EXPECT_EQ(Var(d, "e"), 5);
  EXPECT_EQ(Var(d, "f"), 5);
  EXPECT_EQ(Var(d, "h"), -1);
  EXPECT_EQ(Var(d, "q"), INT32_MIN);
  EXPECT_TRUE(g.Messages().empty());
}

TEST(MathCommand, LiteralZeroAndMissingNames) {
  GameDir g;
  const QJsonObject d =
      RunAndDump(g, "!a:7!\n!b:7!\n~MATH a=0\n~MATH b=nothing+2\n~MATH\n~MATH nobody=1\n");
  EXPECT_EQ(Var(d, "a"), 0);
  EXPECT_EQ(Var(d, "b"), 2);
  EXPECT_TRUE(Var(d, "nobody").isUndefined());
  EXPECT_EQ(g.Messages(), (Strings{"変数が指定されていません。", "変数が指定されていません。",
                                   "変数の指定がありません。"}));
}

TEST(MathIf, FalseSkipsExactlyOneLine) {
  GameDir g;
  g.Script("!a:3!\n!b:4!\n"
           "~IF a=3\n\"eq\"\n"
           "~IF a=4\n\"no1\"\n\"after1\"\n"
           "~IF a<b\n\"lt\"\n"
           "~IF a>b\n\"no2\"\n"
           "~IF a!b\n\"ne\"\n"
           "~IF b!4\n\"no3\"\n"
           "~IF a<-1\n\"err1\"\n"
           "~IF x=1\n\"err2\"\n"
           "~IF a\n\"err3\"\n"
           "\"end\"\\n\n");
  EXPECT_EQ(g.Run("click\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"eq", "after1", "lt", "ne", "err1", "err2", "err3", "end"}));
  EXPECT_EQ(g.Messages(),
            (Strings{"右辺の変数が認識できませんでした：-1", "左辺の変数が認識できませんでした：x",
                     "条件式の演算ミスです", "ファイルの最後まで読みこみました。終了します。"}));
}

TEST(MathRandom, RangesAndUnchangedPairs) {
  // One run draws many values; the bounds hold for each.
  GameDir g;
  // Pairs whose span would divide by zero leave the variable: a and b.
  std::string script = "!k:77!\n!z:9!\n~RANDOM z,0,0\n~RANDOM k,3,-1\n"
                       "!a:11!\n!b:12!\n~RANDOM a,-5,-5\n~RANDOM b,4,3\n";
  for (int i = 0; i < 20; ++i) {
    std::string n = std::to_string(i);
    script += "!d" + n + ":0!\n!f" + n + ":0!\n!n" + n + ":0!\n!s" + n + ":0!\n";
    script += "~RANDOM d" + n + ",1,6\n~RANDOM f" + n + ",5,3\n~RANDOM n" + n +
              ",-10,-2\n~RANDOM s" + n + ",-3,4\n";
  }
  const QJsonObject d = RunAndDump(g, script);
  EXPECT_EQ(Var(d, "z"), 0);
  EXPECT_EQ(Var(d, "k"), 77);
  EXPECT_EQ(Var(d, "a"), 11);
  EXPECT_EQ(Var(d, "b"), 12);
  for (int i = 0; i < 20; ++i) {
    std::string n = std::to_string(i);
    int dv = Var(d, "d" + n).toInt(-99);
    int nv = Var(d, "n" + n).toInt(-99);
    int sv = Var(d, "s" + n).toInt(-99);
    EXPECT_TRUE(dv >= 1 && dv <= 6) << dv;
    EXPECT_EQ(Var(d, "f" + n), 5);
    EXPECT_TRUE(nv >= 3 && nv <= 10) << nv;
    EXPECT_TRUE(sv >= -2 && sv <= 3) << sv;
  }
}

TEST(MathRandom, OnTheVirtualClockTheSeedIsTheSameEveryRun) {
  // The generator is seeded from the platform's calendar clock; on the
  // virtual clock that starts at a fixed moment, so headless runs repeat.
  GameDir g;
  g.Script("\"x\"\\n\n");
  mirt::HeadlessPlatform platform(true);
  const GameFolderScope inFolder(g.Path(""));
  {
    mirt::Player player(platform);
    platform.setEventHandler(&player);
    player.FormCreate();
    mirt::ScriptRandom expected;
    expected.Seed(static_cast<uint32_t>(mirt::HeadlessPlatform::kVirtualEpoch));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(player.random().Next(), expected.Next());
    player.FormDestroy();
  }
}

TEST(MathTrig, EngineFactorAndCosMessage) {
  GameDir g;
  const QJsonObject d =
      RunAndDump(g, "!y:0!\n!r:0!\n!x:0!\n!w:0!\n!deg:60!\n"
                    "~SIN 30,100,y\n~SIN 90,100,r\n~COS !deg,100,x\n~COS 180,100,w\n"
                    "~SIN 30,100,none\n");
  EXPECT_EQ(Var(d, "y"), 49);
  EXPECT_EQ(Var(d, "r"), 99);
  EXPECT_EQ(Var(d, "x"), 50);
  EXPECT_EQ(Var(d, "w"), -99);
  EXPECT_EQ(g.Messages(), (Strings{"50", "-99", "変数の指定がありません。"}));
}

// The generator itself, on a Player with a known seed.

TEST(MathRandom, GeneratorSequenceFromKnownSeed) {
  mirt::HeadlessPlatform platform(true);
  mirt::Player p(platform);
  for (const char* name : {"r", "a", "b"}) {
    mirt::CopyField(p.vars().ints[p.state().intCount].name, mirt::kVarNameField, name);
    ++p.state().intCount;
  }
  p.random().Seed(1);  // draws 346, 130, 10982, 1090
  p.tok().SetSource("r,1,6");
  EXPECT_EQ(p.RunCommand("RANDOM"), 1);
  p.tok().SetSource("a,-3,4");  // even draw: the negative side, from a second draw
  p.RunCommand("RANDOM");
  p.tok().SetSource("b,-10,-2");
  p.RunCommand("RANDOM");
  EXPECT_EQ(p.vars().ints[0].value, 5);
  EXPECT_EQ(p.vars().ints[1].value, -2);
  EXPECT_EQ(p.vars().ints[2].value, 8);
}
