// LOADBG, LOADCHAR, CHARCLR, CHARPOS, CHARMODE and TITLE, end to end
// through the headless player: the dump, the layer pictures, the trace.
#include <gtest/gtest.h>

#include <QImage>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "graphics/Composition.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

using namespace mirt_test;

namespace {

const char kBadEffect[] = "存在しないエフェクトＮＯを選択しました。";

// The dump's record of one character slot.
QJsonValue Slot(const QJsonObject& dump, int slot) {
  return At(dump, "characters." + std::to_string(slot));
}

QImage Png(const GameDir& g, const std::string& name) {
  QImage img(QString::fromStdString(g.Path(name)));
  EXPECT_FALSE(img.isNull()) << name;
  return img.convertToFormat(QImage::Format_RGB32);
}

// A game with a red background and green, blue and key-coloured sprites.
void Pictures(GameDir& g) {
  g.WriteBytes("bg.bmp", BmpFile(Solid(640, 480, qRgb(200, 0, 0))));
  g.WriteBytes("g.bmp", BmpFile(Solid(20, 20, qRgb(0, 200, 0))));
  g.WriteBytes("b.ccg", PackedFile(Solid(20, 20, qRgb(0, 0, 200))));
  QImage key = Solid(20, 20, qRgb(255, 0, 255));
  key.setPixel(10, 10, qRgb(1, 2, 3));
  g.WriteBytes("k.bmp", BmpFile(key));
}

}  // namespace

TEST(PictureCommands, BackgroundCharactersAndTheirFlags) {
  GameDir g;
  Pictures(g);
  g.Script("&pic:\"k.bmp\"\n"
           "~CHARPOS 1,100,0\n"
           "~CHARPOS 2,200,-40\n"
           "~CHARPOS 3,300,50\n"
           "~CHARMODE 3,1,1,1,1\n"
           "~LOADBG \"bg.bmp\",0,10\n"
           "~LOADCHAR \"g.bmp\",1,0,10\n"
           "~LOADCHAR \"b.ccg\",2,0,10\n"
           "~LOADCHAR &pic&,3,0,10\n"
           "\"a\"\\n\n"
           "~LOADBG \"bg.bmp\",0,10\n"
           "\"b\"\\n\n"
           "~CHARMODE 3,0,1,0,0\n"
           "~LOADBG \"bg.bmp\",0,10\n"
           "\"c\"\\n\n"
           "~CHARCLR 3,0,10\n"
           "\"d\"\\n\n"
           "\"e\"\\n\n");
  std::string a;
  for (int i = 0; i < 4; ++i) {
    std::string n = std::to_string(i);
    a += "layer SceneImage " + g.Path("scene" + n + ".png") + "\ndump " +
         g.Path("d" + n + ".json") + "\nclick\n";
  }
  ASSERT_EQ(g.Run(a), 0);
  const QJsonObject d0 = g.Dump("d0.json"), d1 = g.Dump("d1.json"), d2 = g.Dump("d2.json"),
                    d3 = g.Dump("d3.json");
  EXPECT_TRUE(Holds(d0, R"({"background":"bg.bmp","backgroundLoaded":1,"fadeColour":0})"));
  EXPECT_EQ(Slot(d0, 1), Json(R"({"name":"g.bmp","x":100,"y":1,"mode":0,"shown":1,"keep":0,
                                  "showWhileHidden":0,"inScene":1})"));
  EXPECT_EQ(At(Slot(d0, 2), "y"), 1);  // below 1 is stored as 1
  EXPECT_TRUE(Holds(Slot(d0, 3), R"({"name":"k.bmp","x":300,"y":50,"mode":1,"shown":1,"keep":1})"));
  QImage s0 = Png(g, "scene0.png");
  EXPECT_EQ(Rgb(s0, 0, 0), qRgb(200, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(Rgb(s0, 100, 1), qRgb(0, 200, 0) & 0xFFFFFF);
  EXPECT_EQ(Rgb(s0, 100, 0), qRgb(200, 0, 0) & 0xFFFFFF);  // row 0 stays background
  EXPECT_EQ(Rgb(s0, 219, 20), qRgb(0, 0, 200) & 0xFFFFFF);
  EXPECT_EQ(Rgb(s0, 300, 50), qRgb(200, 0, 0) & 0xFFFFFF);  // key colour skipped
  EXPECT_EQ(Rgb(s0, 310, 60), qRgb(1, 2, 3) & 0xFFFFFF);
  // LOADBG drops the slots without keep; slot 3 keeps its place
  QImage s1 = Png(g, "scene1.png");
  EXPECT_EQ(Rgb(s1, 100, 1), qRgb(200, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(Rgb(s1, 310, 60), qRgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_EQ(At(Slot(d1, 1), "shown"), 0);
  // in-scene 0: still shown, but out of the picture
  EXPECT_TRUE(Holds(Slot(d2, 3), R"({"shown":1,"keep":1,"showWhileHidden":0,"inScene":0})"));
  EXPECT_EQ(Rgb(Png(g, "scene2.png"), 310, 60), qRgb(200, 0, 0) & 0xFFFFFF);
  // CHARCLR empties the slot and puts it back in the scene
  EXPECT_EQ(Slot(d3, 3), Json(R"({"name":"","x":300,"y":50,"mode":0,"shown":0,"keep":1,
                                  "showWhileHidden":0,"inScene":1})"));
  EXPECT_TRUE(g.Messages().empty());
}

TEST(PictureCommands, EffectNumbersUnquotedNamesAndBadSlots) {
  GameDir g;
  Pictures(g);
  g.Script("~LOADBG \"bg.bmp\",21,10\n"     // refused
           "~LOADBG \"bg.bmp\",20,10\n"     // passes the check
           "~LOADCHAR \"g.bmp\",0,-1,10\n"  // refused
           "~CHARCLR 0,25,10\n"             // no check
           "~LOADBG bg.bmp,1,100\n"         // the speed becomes the effect
           "~CHARPOS 4,7,8\n"
           "~LOADCHAR g.bmp,3,4,10\n"  // the effect becomes the slot
           "~LOADCHAR \"g.bmp\",10,0,10\n"
           "~LOADCHAR \"g.bmp\",-1,0,10\n"
           "~CHARPOS 10,1,1\n"
           "~CHARPOS -1,1,1\n"
           "~CHARMODE 10,1,1,1,1\n"
           "~CHARCLR 12,0,0\n"
           "\"x\"\\n\n");
  ASSERT_EQ(g.Run("dump " + g.Path("d.json") + "\n"), 0);
  std::vector<std::string> m = g.Messages();
  // LOADBG 21, LOADCHAR -1 and LOADBG's unquoted name (effect 100)
  ASSERT_EQ(m.size(), 3u);
  for (const std::string& t : m) EXPECT_EQ(t, kBadEffect);
  const QJsonObject d = g.Dump("d.json");
  EXPECT_TRUE(Holds(Slot(d, 4), R"({"name":"g.bmp","x":7,"y":8,"mode":0,"shown":1})"));
  EXPECT_TRUE(Holds(Slot(d, 3), R"({"name":"","x":0,"y":0,"mode":0,"shown":0})"));
  for (int i : {1, 2, 5, 6, 7, 8, 9})
    EXPECT_EQ(Slot(d, i), Json(R"({"name":"","x":0,"y":0,"mode":0,"shown":0,"keep":0,
                                   "showWhileHidden":0,"inScene":0})"))
        << i;
}

TEST(PictureCommands, TitleDropsSpacesAndKeepsCommas) {
  GameDir g;
  g.Script("~TITLE \"TI TLE\"\n"
           "\"a\"\\n\n"
           "~TITLE  xx \"第一章, 旅\t立ち&\"\n"
           "\"b\"\\n\n");
  ASSERT_EQ(g.Run("dump " + g.Path("d1.json") + "\nclick\ndump " + g.Path("d2.json") + "\n"), 0);
  std::vector<std::string> c = g.TextsOf("caption");
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0], "Mirt Ver 2.33");
  EXPECT_EQ(c[1], "TITLE　【Mirt Ver 2.33】");
  EXPECT_EQ(c[2], "第一章,旅立ち&　【Mirt Ver 2.33】");
  EXPECT_EQ(g.Dump("d1.json")["caption"], "TITLE　【Mirt Ver 2.33】");
  EXPECT_EQ(g.Dump("d2.json")["caption"], "第一章,旅立ち&　【Mirt Ver 2.33】");
}

TEST(PictureCommands, ArchiveFirstAndHidingTheBoxShowsTheMarkedCharacters) {
  GameDir g;
  g.WriteScript("init.def", "10\n20\n30\n40\n50\nstart.txt\ngfx.dat\n\n\n");
  Pictures(g);  // plain files under the same names lose to the archive
  g.WriteBytes("gfx.dat", ArchiveFile({{"BG.BMP", BmpFile(Solid(640, 480, qRgb(0, 0, 90)))},
                                       {"G.BMP", PackedFile(Solid(20, 20, qRgb(1, 1, 1)))},
                                       {"w.png", PackedFile(Solid(20, 20, qRgb(250, 250, 250)))}}));
  g.WriteScript("start.txt",
                "~BOXSIZE 0,400,640,480\n"
                "~BOXCOL 0,255,0,255\n"
                "~CHARPOS 0,10,10\n"
                "~CHARPOS 1,50,10\n"
                "~CHARMODE 1,0,0,1,1\n"
                "~LOADBG \"bg.bmp\",0,0\n"
                "~LOADCHAR \"g.bmp\",0,0,0\n"  // BMP name, packed data: the plain file
                "~LOADCHAR \"W.PNG\",1,0,0\n"  // any other extension: packed
                "\"a\"\\n\n");
  ASSERT_EQ(g.Run("layer ScreenImage " + g.Path("screen.png") + "\nrclick 5 5\nscreenshot " +
                  g.Path("hidden.png") + "\nlayer SavedWindowImage " + g.Path("saved.png") +
                  "\nclick\nscreenshot " + g.Path("back.png") + "\nlayer BoxImage " +
                  g.Path("box.png") + "\nlayer TextImage " + g.Path("text.png") + "\n"),
            0);
  QImage screen = Png(g, "screen.png");
  EXPECT_EQ(Rgb(screen, 0, 0), qRgb(0, 0, 90) & 0xFFFFFF);
  EXPECT_EQ(Rgb(screen, 10, 10), qRgb(0, 200, 0) & 0xFFFFFF);
  EXPECT_EQ(Rgb(screen, 50, 10), qRgb(250, 250, 250) & 0xFFFFFF);
  EXPECT_EQ(Rgb(screen, 600, 470), qRgb(0, 254, 0) & 0xFFFFFF);
  QImage hidden = Png(g, "hidden.png");
  EXPECT_EQ(Rgb(hidden, 10, 10), qRgb(0, 0, 90) & 0xFFFFFF);  // not show-while-hidden
  EXPECT_EQ(Rgb(hidden, 50, 10), qRgb(250, 250, 250) & 0xFFFFFF);
  EXPECT_EQ(Rgb(hidden, 600, 470), qRgb(0, 0, 90) & 0xFFFFFF);  // no box
  EXPECT_EQ(Png(g, "saved.png"), screen);
  EXPECT_EQ(Png(g, "back.png"), screen);
  EXPECT_EQ(Rgb(Png(g, "box.png"), 600, 470), qRgb(0, 254, 0) & 0xFFFFFF);
  EXPECT_EQ(Rgb(Png(g, "text.png"), 0, 479), 0u);  // black until the first page is cleared
}

TEST(PictureCommands, UnknownLayerNameIsAUsageError) {
  GameDir g;
  g.Script("\"a\"\\n\n");
  EXPECT_EQ(g.Run("layer WindowImage " + g.Path("x.png") + "\n"), 2);
  EXPECT_EQ(g.Run("layer SceneImage\n"), 2);
}

TEST(PictureCommands, TransitionsOnlyWithPageModeAndSkipOff) {
  mirt::HeadlessPlatform platform(true);
  mirt::Player p(platform);
  EXPECT_TRUE(mirt::TransitionsEnabled(p.stage()));
  p.menuActivated("SKIP");  // skip mode on
  ASSERT_TRUE(p.skipMode());
  EXPECT_FALSE(mirt::TransitionsEnabled(p.stage()));
  p.menuActivated("SKIP");
  p.menuActivated("P1");  // page mode on
  ASSERT_TRUE(p.settings().pageMode());
  EXPECT_FALSE(mirt::TransitionsEnabled(p.stage()));
}

TEST(PictureCommands, BrokenPackedTreeMessageAndLongNames) {
  GameDir g;
  // 256 internal nodes in a row: one more than a tree can have
  g.WriteBytes("bad.ccg", std::string("ARC1\x10\0\0\0", 8) + std::string(40, '\xFF'));
  const std::string longName(100, 'a');
  g.Script("~LOADCHAR \"bad.ccg\",0,0,0\n"
           "~CHARCLR 1,0,0\n"  // composes again: the picture is loaded again
           "~LOADBG \"" +
           longName +
           "\",0,0\n"
           "\"x\"\\n\n");
  ASSERT_EQ(g.Run("dump " + g.Path("d.json") + "\n"), 0);
  // LOADCHAR and CHARCLR; LOADBG has taken the slot away by its composition
  EXPECT_EQ(g.Messages(), std::vector<std::string>(2, "エラー"));
  const QJsonObject d = g.Dump("d.json");
  EXPECT_EQ(Str(d["background"]), std::string(79, 'a'));
  EXPECT_EQ(At(Slot(d, 0), "name"), "bad.ccg");
}

// The demo and its archived twin (pictures from the graphics archive) draw
// the same scenes; on the page with three characters the scene holds the
// opaque portrait, the key-coloured girl without her magenta ground, and
// the masked boy.
TEST(PictureCommands, DemoScenesFromFilesAndFromTheArchiveAgree) {
  namespace fs = std::filesystem;
  const fs::path demo = MIRT_DEMO_DIR;
  std::vector<QImage> scenes;
  for (const fs::path& game : {demo, demo / "archived"}) {
    GameDir g;
    for (const auto& e : fs::directory_iterator(game))
      if (e.is_regular_file() && e.path().filename() != "mirt.ini" &&
          e.path().filename() != "system.dat")
        fs::copy_file(e.path(), g.Path(e.path().filename().string()));
    std::string a;
    for (int i = 0; i < 13; ++i) a += "click\n";
    a += "layer SceneImage " + g.Path("scene.png") + "\ndump " + g.Path("d.json") + "\n";
    ASSERT_EQ(g.Run(a), 0) << game;
    bool boy = false;
    for (const QJsonValue& slot : g.Dump("d.json")["characters"].toArray())
      if (Holds(slot, R"({"name":"boy.jpg","x":440,"y":90,"mode":2,"shown":1})")) boy = true;
    EXPECT_TRUE(boy) << game;
    EXPECT_TRUE(g.Messages().empty()) << game;
    scenes.push_back(Png(g, "scene.png"));
  }
  ASSERT_EQ(scenes.size(), 2u);
  EXPECT_EQ(scenes[0], scenes[1]);
  const QImage& s = scenes[0];
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) ASSERT_NE(Rgb(s, x, y), qRgb(255, 0, 255) & 0xFFFFFF);
  EXPECT_EQ(Rgb(s, 320, 125), qRgb(150, 200, 240) & 0xFFFFFF);  // the portrait's sky
  EXPECT_EQ(Rgb(s, 140, 250), qRgb(200, 50, 70) & 0xFFFFFF);    // the girl's dress
  EXPECT_NEAR(qBlue(Rgb(s, 520, 300)), 170, 12);                // the boy's shirt (JPEG)
}
