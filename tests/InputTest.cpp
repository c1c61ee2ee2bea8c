// The advance cycle: clicks, keys, skip mode, hiding the message window,
// the first tick and the return to the title.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "GameFixture.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Menu.h"
#include "shell/Player.h"

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
  EXPECT_EQ(
      g.Run("click\nanswer no\nmenu N1\nanswer yes\nmenu N1\ndump " + g.Path("d.json") + "\n"), 0);
  EXPECT_EQ(g.Texts(), (Strings{"1", "2", "1"}));
  const auto q = g.EventsOf("question");
  ASSERT_EQ(q.size(), 2u);
  EXPECT_TRUE(Has(Str(q[0]["text"]), "タイトルに戻りますか？"));
  EXPECT_EQ(q[0]["answer"], "no");
  const QJsonObject d = g.Dump("d.json");
  EXPECT_EQ(d["intCount"], 1);  // the reset, then the first line again
  EXPECT_EQ(d["caption"], "Mirt Ver 2.33");
}

namespace {

// A headless platform that keeps the menu bar the player gave it last.
class MenuPlatform : public mirt::HeadlessPlatform {
 public:
  MenuPlatform() : HeadlessPlatform(true) {}
  void setMenu(const std::vector<mirt::MenuEntry>& bar) override { bar_ = bar; }
  const mirt::MenuEntry& Entry(const std::string& name) const {
    static const mirt::MenuEntry none;
    const mirt::MenuEntry* e = mirt::FindMenuEntry(bar_, name);
    EXPECT_NE(e, nullptr) << name;
    return e ? *e : none;
  }
  // The speed entries shown checked.
  Strings CheckedSpeeds() const {
    Strings out;
    for (int i = 1; i <= 5; ++i)
      if (Entry("vol" + std::to_string(i)).checked) out.push_back("vol" + std::to_string(i));
    return out;
  }
  // Entries the window would show with no caption.
  Strings Blank() const {
    Strings out;
    std::function<void(const std::vector<mirt::MenuEntry>&)> walk = [&](const auto& list) {
      for (const mirt::MenuEntry& e : list) {
        if (e.caption.empty()) out.push_back(e.name);
        walk(e.children);
      }
    };
    walk(bar_);
    return out;
  }

 private:
  std::vector<mirt::MenuEntry> bar_;
};

}  // namespace

TEST(Input, MenuEntriesActAndTheWindowShowsWhatTheyChose) {
  GameDir g;
  g.Script("\"abc\"\"d\"\\n\n"
           "\"abc\"\"d\"\\n\n"
           "~SETSPEED 2\n\"abc\"\"d\"\\n\n"
           "\"e\"\\n\n\"f\"\\n\n\"g\"\\n\n");
  std::filesystem::current_path(g.Path(""));
  {
    MenuPlatform platform;
    mirt::Player player(platform);
    platform.setEventHandler(&player);
    player.trace().Open(g.Path("trace.jsonl"));
    player.FormCreate();
    EXPECT_EQ(platform.Blank(), Strings{});
    // an empty save slot, in both lists
    EXPECT_EQ(mirt::cp932ToUtf8(platform.Entry("SaveDat3").caption), "3: ---- --/-- --:--:--");
    EXPECT_EQ(platform.Entry("LoadDat3").caption, platform.Entry("SaveDat3").caption);
    const mirt::MenuEntry& top = platform.Entry("N3");  // always on top: kept, not offered
    EXPECT_TRUE(top.checked);
    EXPECT_FALSE(top.visible);
    EXPECT_EQ(platform.CheckedSpeeds(), Strings{"vol3"});
    player.timer2Timer();  // the first tick's click: line 1
    player.menuActivated("vol5");
    EXPECT_EQ(platform.CheckedSpeeds(), Strings{"vol5"});
    EXPECT_EQ(mirt::DumpState(player).value("charDelay"), 50);  // vol5 of this init.def
    player.formClick();                                         // line 2 at 50 ms a unit
    player.formClick();  // SETSPEED 2 from the script: line 3 at 20 ms
    EXPECT_EQ(platform.CheckedSpeeds(), Strings{"vol2"});
    EXPECT_FALSE(platform.Entry("P1").checked);
    player.menuActivated("P1");
    EXPECT_TRUE(platform.Entry("P1").checked);
    player.formClick();  // page mode: e, f and g without waiting
    player.trace().Close();
  }
  const auto t = g.TextEvents();
  ASSERT_EQ(t.size(), 9u);
  for (int line : {0, 1, 2}) EXPECT_EQ(t[2 * line + 1]["text"], "d");
  EXPECT_EQ(t[3]["t"].toInt() - t[2]["t"].toInt(), 3 * 50);
  EXPECT_EQ(t[5]["t"].toInt() - t[4]["t"].toInt(), 3 * 20);
  EXPECT_EQ(t[6]["t"], t[8]["t"]);
}

TEST(Input, MenuChoicesAreKeptInTheSettingsFile) {
  GameDir g;
  g.Script(kPages);
  EXPECT_EQ(g.Run("menu vol5\nmenu P1\n"), 0);
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
