// The string commands and the utilities through the headless player.
#include <gtest/gtest.h>

#include "GameFixture.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

// Runs "go"\n, the actions, a click through the script, then dumps.
QJsonObject RunAndDump(GameDir& g, const std::string& script, const std::string& actions = "") {
  g.Script("\"go\"\\n\n" + script + "\"end\"\\n\n");
  return g.RunAndDump(actions + "click\n");
}

}  // namespace

TEST(StringCommands, ConcatenateAndCompare) {
  GameDir g;
  const QJsonObject d = RunAndDump(g, "&a:\"abc\"\n&b:\"XY\"\n&c:\"abc\"\n&e:\"ab\"\n"
                                      "!r1:9!\n!r2:9!\n!r3:9!\n!r4:9!\n"
                                      "~STRCMP c,\"abc\"r1\n~STRCMP e,\"abc\"r2\n~STRCMP a,&c&r3\n"
                                      "~STRCMP a,\"abc\",r4\n"
                                      "~STRCAT a,\"def\"\n~STRCAT a,&b&\n"
                                      "~STRCAT nosuch,\"x\"\n~STRCAT a,&nosuch&\n~STRCAT a\n");
  EXPECT_EQ(Var(d, "a"), "abcdefXY");
  EXPECT_EQ(Var(d, "r1"), 1);
  EXPECT_EQ(Var(d, "r2"), 0);
  EXPECT_EQ(Var(d, "r3"), 1);
  EXPECT_EQ(Var(d, "r4"), 9);  // the empty name found the first free record
  EXPECT_EQ(g.Messages(),
            (Strings{"連結先の文字列変数が設定されていません。",
                     "連結元の文字列変数が設定されていません。", "変数が指定されていません。"}));
}

TEST(StringCommands, ConcatenationIsCutAndLengthCountsTwoByteUnits) {
  GameDir g;
  std::string longText(200, 'x');
  const QJsonObject d =
      RunAndDump(g, "&a:\"" + longText +
                        "\"\n~STRCAT a,&a&\n"
                        "&s:\"a漢b\"\n&e:\"\"\n!n:0!\n!m:5!\n~STRLEN s,n\n~STRLEN e,m\n");
  EXPECT_EQ(Str(Var(d, "a")), std::string(254, 'x'));
  EXPECT_EQ(Var(d, "n"), 3);
  EXPECT_EQ(Var(d, "m"), 0);
}

TEST(StringCommands, ConversionsBothWays) {
  GameDir g;
  const QJsonObject d =
      RunAndDump(g, "&s:\"-42x\"\n&t:\"x\"\n&u:\"\"\n!n:1!\n!k:1!\n!m:-7!\n"
                    "~STRTOINT n,s\n~STRTOINT k,t\n~INTTOSTR m,u\n~STRTOINT none,s\n");
  EXPECT_EQ(Var(d, "n"), -42);
  EXPECT_EQ(Var(d, "k"), 0);
  EXPECT_EQ(Var(d, "u"), "-7");
  EXPECT_EQ(g.Messages(), (Strings{"変数の指定がありません。"}));
}

TEST(StringCommands, InputBoxAsksAgainUntilConfirmed) {
  GameDir g;
  const QJsonObject d = RunAndDump(g, "&s:\"\"\n~INPUTBOX \"Your name\",\"def\",s,1\n",
                                   "input first try\nanswer no\ninput ok  go\nanswer yes\n");
  EXPECT_EQ(Var(d, "s"), "ok  go");  // typed text keeps its blanks
  const auto inputs = g.EventsOf("input");
  ASSERT_EQ(inputs.size(), 2u);
  EXPECT_TRUE(Holds(inputs[0], R"({"caption":"Yourname","initial":"def","result":"first try"})"));
  const auto q = g.EventsOf("question");
  ASSERT_EQ(q.size(), 2u);
  EXPECT_TRUE(Has(Str(q[0]["text"]), "以上の入力でよろしいですか？　：　first try"));
}

TEST(StringCommands, InputBoxCancelFlagAndLongText) {
  GameDir g;
  const QJsonObject d = RunAndDump(g,
                                   "&s:\"\"\n&t:\"\"\n~INPUTBOX \"c\",\"keep\",s,0\n"
                                   "~INPUTBOX \"c\",\"i\",t,2\n&u:\"\"\n~INPUTBOX \"c\",\"\",u,0\n",
                                   "input\ninput " + std::string(300, 'y') + "\n");
  EXPECT_EQ(Var(d, "s"), "keep");  // cancelled: the initial text
  EXPECT_EQ(Var(d, "t"), "");
  EXPECT_EQ(Str(Var(d, "u")), std::string(254, 'y'));
  const auto inputs = g.EventsOf("input");
  ASSERT_EQ(inputs.size(), 2u);  // the bad flag opened no dialog
  EXPECT_TRUE(inputs[0]["result"].isNull());
  EXPECT_EQ(g.Messages(), (Strings{"フラグの設定ミスです"}));
}

TEST(StringCommands, GetTimeAndDebug) {
  GameDir g;
  const QJsonObject d = RunAndDump(g, "!t:-1!\n!x:5!\n&s:\"hi\"\n~GETTIME t,\n~GETTIME t\n"
                                      "~DEBUG !x!\n~DEBUG &s&\n~DEBUG !nox!\n~DEBUG x\n");
  int t = Var(d, "t").toInt(-1);
  EXPECT_TRUE(t >= 0 && t < 65536) << t;
  EXPECT_EQ(g.Messages(), (Strings{"変数が指定されていません。", "x: 5", "s: hi",
                                   "変数が存在しません。", "変数名が特定できません"}));
}
