// The interpreter, the variables and the flow commands, end to end through
// the headless player on the virtual clock.
#include <gtest/gtest.h>

#include "ArchiveFixture.h"
#include "GameFixture.h"
#include "script/Scenario.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

std::string Ini(int full, int page, int top, int left, int speed) {
  int32_t v[5] = {full, page, top, left, speed};
  return std::string(reinterpret_cast<char*>(v), 20);
}

}  // namespace

TEST(Interpreter, WaitEndsTheLineAndTextJoinsAcrossLines) {
  GameDir g;
  g.Script("\"first\"\\n\"never\"\n"
           "\"a b\tc\"\n"
           "\"same line\"\\n\n"
           "\"open\n"
           "\"\\n literal\"\\n\n");
  EXPECT_EQ(g.Run("click\nclick\nclick\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"first", "abc", "sameline", "open", "\\nliteral"}));
  // the pen stays after a text that ends its line without an escape
  const auto texts = g.TextEvents();
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[1]["x"], 0);  // the line break went to the origin
  EXPECT_NE(texts[2]["x"], 0);  // after "abc"
}

TEST(Interpreter, PageModeGoesOnWithoutWaiting) {
  GameDir g;
  g.WriteBytes("mirt.ini", Ini(0, 1, 10, 20, 0));
  g.Script("\"one\"\\n\"lost\"\n\"two\"\\n\n\"three\"\\p\n\"four\"\\n\n");
  EXPECT_EQ(g.Run(std::string("dump ") + g.Path("d.json") + "\nclick\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"one", "two", "three", "four"}));
  EXPECT_EQ(g.Dump("d.json")["pageMode"], true);
  // page mode also skips the per-character pauses: all three texts at once
  const auto t = g.TextEvents();
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0]["t"], t[2]["t"]);
}

TEST(Interpreter, RevealTimeFollowsSpeedAndPauseEscape) {
  GameDir g;
  g.Script("~WAIT 500,\"ab\"\\w\"c\"\\n\n"
           "\"x\"\\w\"y\"\\n\n");
  EXPECT_EQ(g.Run("click\n"), 0);
  const auto t = g.TextEvents();
  ASSERT_EQ(t.size(), 4u);
  // start at 100 ms; "ab" takes 2 x 50 ms, then 500 ms of pause
  EXPECT_EQ(t[0]["t"], 100);
  EXPECT_EQ(t[1]["t"], 700);
  bool waitCommand = false;
  for (const QJsonObject& c : g.EventsOf("command")) waitCommand |= c["name"] == "WAIT";
  EXPECT_TRUE(waitCommand);
}

TEST(Interpreter, HeldButtonCutsEveryPauseShort) {
  GameDir g;
  g.Script("\"go\"\\n\n~WAIT 5000,\"abcdef\"\\w\"g\"\\n\n\"hi\"\\w\"j\"\\n\n");
  // Enter advances while the button is held down; the release is the next
  // click and the button is up from there on
  EXPECT_EQ(g.Run("press\nkey Enter\nrelease\n"), 0);
  const auto t = g.TextEvents();
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[2]["text"], "g");
  // "go" takes 100 ms after the start tick; held, the reveal of abcdef and
  // the 5000 ms pause take no time
  EXPECT_EQ(t[1]["t"], 200);
  EXPECT_EQ(t[2]["t"], 200);
  // with the button up again: hi at 50 ms a unit, then the whole pause
  EXPECT_EQ(t[3]["t"], 200);
  EXPECT_EQ(t[4]["t"], 200 + 2 * 50 + 5000);
}

TEST(Variables, AssignmentsAndReferences) {
  GameDir g;
  g.Script("!a:5!\n!b:a!\n!c:x!\n!d:-7!\n!e:12ab!\n!a:1!\n!flag\n!my var:3!\n"
           "!averyveryverylongvariablename:9!\n"
           "&s:\"a b\"\n&t:abc\n&s:\"new%\"\n"
           "\"n=\"'b'\"!\"%s%\\n\n");
  const QJsonObject d = g.RunAndDump();
  EXPECT_EQ(d["ints"], Json(R"([{"name":"a","value":1},{"name":"b","value":5},
                                {"name":"c","value":0},{"name":"d","value":-7},
                                {"name":"e","value":12},{"name":"flag","value":0},
                                {"name":"myvar","value":3},
                                {"name":"averyveryverylongva","value":9}])"));
  EXPECT_EQ(d["strings"], Json(R"([{"name":"s","value":"new%"},{"name":"t","value":""}])"));
  EXPECT_EQ(g.Texts(), (Strings{"n=", "5", "!", "new%"}));
}

TEST(Variables, TableFullIsRefusedWithoutOverflow) {
  GameDir g;
  std::string s;
  for (int i = 0; i < 258; ++i) s += "!v" + std::to_string(i) + ":" + std::to_string(i) + "!\n";
  for (int i = 0; i < 42; ++i) s += "&s" + std::to_string(i) + ":\"x\"\n";
  s += "'v255'\\n\n";
  g.Script(s);
  const QJsonObject d = g.RunAndDump();
  EXPECT_EQ(d["intCount"], 256);
  EXPECT_EQ(d["stringCount"], 40);
  EXPECT_EQ(g.MessageEvents().size(), 4u);  // v256, v257, s40, s41
  EXPECT_EQ(g.Texts(), (Strings{"255"}));
}

TEST(Variables, MissingSeparatorBeforeLineFeedEndsTheProgram) {
  GameDir g;
  g.InitDef("start.txt");
  // the LF belongs to the line because the file uses CR LF only at the end
  g.WriteBytes("start.txt", "\"x\"\r\n!bad\n:1\r\n\"never\"\\n\r\n");
  EXPECT_EQ(g.Run("click\n"), 0);
  const auto m = g.MessageEvents();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_TRUE(Has(Str(m[0]["text"]), "変数の指定がありません。"));
  EXPECT_EQ(g.Texts(), (Strings{"x"}));
}

TEST(Commands, DispatchIsCaseInsensitiveAndExact) {
  GameDir g;
  g.Script("~Wait 10,\"w\"\n"
           "~wait\t5\n"
           "~ 5\n"
           "~GOTO1\n"
           "~goto *END\n"
           "\"skipped\"\n"
           "*END\n"
           "\"end\"\\n\n");
  EXPECT_EQ(g.Run("click\nclick\nclick\n"), 0);
  const auto m = g.MessageEvents();
  ASSERT_GE(m.size(), 3u);
  EXPECT_TRUE(Has(Str(m[0]["text"]), "指定されたスクリプトは存在しません：　WAIT\t5"));
  EXPECT_TRUE(Str(m[1]["text"]).ends_with("存在しません：　")) << Str(m[1]["text"]);
  EXPECT_TRUE(Str(m[2]["text"]).ends_with("存在しません：　GOTO1")) << Str(m[2]["text"]);
  EXPECT_EQ(g.Texts(), (Strings{"w", "end"}));
}

TEST(Flow, LabelsAreWholeLinesAndTheFirstWins) {
  GameDir g;
  g.Script("~GOTO * S T\n"
           "*ST\n"
           "\"first\"\\n\n"
           "~GOTO *ST \n"
           "*ST\n"
           "\"second\"\\n\n");
  EXPECT_EQ(g.Run("click\nclick\n"), 0);
  // the second GOTO goes to the first label again
  EXPECT_EQ(g.Texts(), (Strings{"first", "first", "first"}));
}

TEST(Flow, MissingLabelRunsToTheEndAndCloses) {
  GameDir g;
  g.Script("*START \n~GOTO *START\n\"no\"\n");
  EXPECT_EQ(g.Run("click\nclick\n"), 0);
  const auto m = g.MessageEvents();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_TRUE(Has(Str(m[0]["text"]), "ファイルの最後まで読みこみました。終了します。"));
  EXPECT_TRUE(g.Texts().empty());
  EXPECT_EQ(g.EventsOf("exit").size(), 1u);
}

TEST(Flow, ExitFinishesItsLineThenCloses) {
  GameDir g;
  g.Script("~EXIT,\"after\"\n\"next\"\\n\n\"never\"\\n\n");
  EXPECT_EQ(g.Run("click\nclick\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"after", "next"}));
  EXPECT_EQ(g.EventsOf("exit").size(), 1u);
  // settings are written at exit: no speed chosen since the reset
  std::string ini = g.Read("mirt.ini");
  ASSERT_EQ(ini.size(), 20u);
  EXPECT_EQ(ini[16], 0);
}

TEST(Flow, ScenarioSwitchAndRun) {
  GameDir g;
  g.InitDef("Start.TXT");
  g.WriteScript("start.txt", "~RUN \"readme.txt\"\n~GOTO !Next.txt\n");
  g.WriteScript("NEXT.TXT", "\"in next\"\\n\n");
  EXPECT_EQ(g.Run(std::string("dump ") + g.Path("d.json") + "\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"innext"}));
  const auto runs = g.EventsOf("run");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0]["target"], "readme.txt");
  EXPECT_EQ(g.Dump("d.json")["scenario"], "Next.txt");
}

TEST(Scenario, ArchiveModeInvertsEntryZero) {
  GameDir g;
  g.InitDef("story.Dat");
  auto entry = [](const std::string& text) {
    std::string inv;
    for (char c : text) inv += static_cast<char>(~c);
    return inv;
  };
  std::string a = entry("\"from_archive\"\r\n~GOTO !chapter2.txt\r\n");
  std::string b = entry("\"chapter_two\"\\n\r\n");
  std::string arc = mirt_test::ArchiveFile({{"First.txt", a}, {"Chapter2.TXT", b}});
  g.WriteBytes("story.Dat", arc);
  EXPECT_EQ(g.Run(std::string("dump ") + g.Path("d.json") + "\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"from_archive", "chapter_two"}));
  EXPECT_EQ(g.Dump("d.json")["scenario"], "chapter2.txt");
}

TEST(Scenario, StartupDefinitionLines) {
  mirt::StartupDefinitions d;
  std::string text = "  -5\r\n+30\r\n40ms\r\n\r\nx\r\ngame.txt\r\ngraphic.dat\r\n\r\nmidi.dat";
  mirt::ParseStartupDefinitions(std::vector<uint8_t>(text.begin(), text.end()), d);
  EXPECT_EQ(d.speeds[0], -5);
  EXPECT_EQ(d.speeds[1], 30);
  EXPECT_EQ(d.speeds[2], 40);
  EXPECT_EQ(d.speeds[3], 0);
  EXPECT_EQ(d.speeds[4], 0);
  EXPECT_EQ(d.scenarioSource, "game.txt");
  EXPECT_EQ(d.graphicsArchive, "graphic.dat");
  EXPECT_EQ(d.waveArchive, "");
  EXPECT_EQ(d.midiArchive, "midi.dat");

  mirt::StartupDefinitions shortFile;
  std::string two = "1\r\n2";
  mirt::ParseStartupDefinitions(std::vector<uint8_t>(two.begin(), two.end()), shortFile);
  EXPECT_EQ(shortFile.speeds[1], 2);
  EXPECT_EQ(shortFile.speeds[2], 50);  // the lines it lacks keep their defaults
}

TEST(Scenario, LongAndLfOnlyLines) {
  GameDir g;
  g.InitDef("start.txt");
  // 300 bytes without CR LF: the first 256 form one line
  std::string lfOnly = "\"a\"\n\"b\"" + std::string(300, ' ') + "\"tail\"\\n";
  g.WriteBytes("start.txt", lfOnly);
  EXPECT_EQ(g.Run("click\nclick\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"a", "tail"}));
}

TEST(Startup, MissingInitDefAndSettings) {
  GameDir g;
  EXPECT_EQ(g.Run(""), 0);
  const auto m = g.MessageEvents();
  ASSERT_GE(m.size(), 1u);
  EXPECT_EQ(m[0]["text"], "init.def");

  GameDir h;
  h.Script("\"x\"\\n\n");
  h.WriteBytes("mirt.ini", Ini(0, 0, 10, 20, 7));
  EXPECT_EQ(h.Run("dump " + h.Path("d.json") + "\nmenu vol1\ndump " + h.Path("e.json") + "\n"), 0);
  EXPECT_EQ(h.Dump("d.json")["charDelay"], 50);
  EXPECT_EQ(h.Dump("e.json")["charDelay"], 10);
  std::string ini = h.Read("mirt.ini");
  ASSERT_EQ(ini.size(), 20u);
  EXPECT_EQ(ini.substr(8, 8), Ini(0, 0, 10, 20, 1).substr(8, 8));  // position kept
  EXPECT_EQ(ini[16], 1);
}

TEST(Automation, EndlessLoopHitsTheTimeLimit) {
  GameDir g;
  g.Script("*L\n~GOTO *L\n");
  EXPECT_EQ(g.Run("wait 100\n", 2000), 3);
}
