// The advance cycle: clicks, keys, skip mode, hiding the message window,
// the first tick and the return to the title.
#include <gtest/gtest.h>

#include <QImage>

#include "GameFixture.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {
const char* kPages = "\"1\"\\n\n\"2\"\\n\n\"3\"\\p\n\"4\"\\n\n\"5\"\\n\n\"6\"\\n\n";
}

TEST(Input, StoryStartsAtTheFirstTickAndEnterAdvances) {
  GameDir g;
  g.Script(kPages);
  EXPECT_EQ(g.Run("key Enter\nkey A\nkey Escape\nkey Enter\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"1", "2", "3"}));
  ASSERT_FALSE(g.TraceEvents().empty());
  EXPECT_TRUE(Holds(g.TraceEvents()[0], R"({"t":0,"ev":"start"})"));
  const auto texts = g.TextEvents();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0]["t"], 100);
}

TEST(Input, SkipModeAdvancesEveryTickAndAClickOnlyEndsIt) {
  GameDir g;
  g.Script(kPages);
  EXPECT_EQ(g.Run("menu SKIP\nwait 250\nclick\ndump " + g.Path("d.json") + "\nwait 500\n"), 0);
  // 1 at the start, then one advance per 100 ms tick: 2 and 3
  EXPECT_EQ(g.Texts(), (Strings{"1", "2", "3"}));
  EXPECT_EQ(g.Dump("d.json")["skipMode"], false);
}

TEST(Input, RightClickHidesTheBoxAndALeftClickBringsItBack) {
  GameDir g;
  g.Script(kPages);
  std::string a = g.Path("a.png"), b = g.Path("b.png"), c = g.Path("c.png");
  EXPECT_EQ(g.Run("screenshot " + a + "\nrclick 5 5\nscreenshot " + b + "\ndump " +
                  g.Path("d.json") + "\nrclick\nclick\nscreenshot " + c + "\n"),
            0);
  QImage before(QString::fromStdString(a)), hidden(QString::fromStdString(b)),
      after(QString::fromStdString(c));
  ASSERT_FALSE(before.isNull());
  EXPECT_NE(before, hidden);  // the text is gone with the box
  EXPECT_EQ(before, after);   // and back as it was; the click did not advance
  EXPECT_EQ(g.Dump("d.json")["storyState"], 0);
  EXPECT_EQ(g.Texts(), (Strings{"1"}));
}

TEST(Input, ReturnToTitleAsksFirst) {
  GameDir g;
  g.Script("!n:1!\n" + std::string(kPages));
  EXPECT_EQ(g.Run("click\nanswer no\nmenu N1\nanswer yes\nmenu N1\ndump " + g.Path("d.json") + "\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"1", "2", "1"}));
  const auto q = g.EventsOf("question");
  ASSERT_EQ(q.size(), 2u);
  EXPECT_TRUE(Has(Str(q[0]["text"]), "タイトルに戻りますか？"));
  EXPECT_EQ(q[0]["answer"], "no");
  const QJsonObject d = g.Dump("d.json");
  EXPECT_EQ(d["intCount"], 1);  // the reset, then the first line again
  EXPECT_EQ(d["caption"], "Mirt Ver 2.33");
}

TEST(Input, MenuModelCaptionsAndChecks) {
  GameDir g;
  g.Script(kPages);
  const QJsonObject d = g.RunAndDump("menu vol5\nmenu P1\n");
  EXPECT_TRUE(Holds(At(d, "menu.SaveDat3"), R"({"caption":"3: ---- --/-- --:--:--"})"));
  EXPECT_TRUE(Holds(At(d, "menu.vol5"), R"({"caption":"遅い","checked":true})"));
  EXPECT_TRUE(Holds(At(d, "menu.vol3"), R"({"caption":"標準","checked":false})"));
  EXPECT_EQ(At(d, "menu.N3"),
            Json(R"({"caption":"常に手前で表示","checked":true,"enabled":true,"visible":false})"));
  EXPECT_EQ(d["charDelay"], 50);  // vol5 of this init.def is 50
  std::string ini = g.Read("mirt.ini");
  ASSERT_EQ(ini.size(), 20u);
  EXPECT_EQ(ini[4], 1);   // page mode
  EXPECT_EQ(ini[16], 5);  // speed
}

TEST(Input, ScreenCaptureWritesA24BitBmpUnderTheChosenName) {
  GameDir g;
  g.Script(kPages);
  EXPECT_EQ(g.Run("savefile " + g.Path("shot") + "\nmenu N2\nsavefile\nmenu N2\n"), 0);
  std::string bmp = g.Read("shot");
  ASSERT_EQ(bmp.size(), 921654u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(g.Messages(), (Strings{"保存完了しました。"}));  // the cancelled one says nothing
}
