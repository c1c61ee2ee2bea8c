// The text-setting commands, the message box tint, the speed commands and
// the blinking wait indicator, end to end through the headless player.
#include <gtest/gtest.h>

#include <QImage>

#include "GameFixture.h"

using namespace mirt_test;

namespace {

QRgb PixelAt(const GameDir& g, const std::string& shot, int x, int y) {
  QImage img(QString::fromStdString(g.Path(shot)));
  EXPECT_FALSE(img.isNull()) << shot;
  return img.isNull() ? 0 : img.pixel(x, y) & 0xFFFFFF;
}

}  // namespace

TEST(TextBox, TintFollowsColourOpacityAndRectangle) {
  GameDir g;
  g.Script("~BOXSIZE 20,340,620,470\n"
           "~BOXCOL 200,100,64,160\n"
           "\"a\"\\n\n"
           "~BOXCOL 0,0,64,999\n"
           "\"b\"\\n\n"
           "~BOXCOL 0,0,64,-5\n"
           "\"c\"\\n\n");
  std::string actions;
  for (const char* s : {"1.png", "2.png", "3.png"})
    actions += std::string("screenshot ") + g.Path(s) + "\nclick\n";
  EXPECT_EQ(g.Run(actions), 0);
  // black scene: each channel becomes colour * opacity / 256
  EXPECT_EQ(PixelAt(g, "1.png", 600, 460), qRgb(125, 62, 40) & 0xFFFFFF);
  EXPECT_EQ(PixelAt(g, "1.png", 20, 340), qRgb(125, 62, 40) & 0xFFFFFF);  // corner is inside
  EXPECT_EQ(PixelAt(g, "1.png", 620, 470), 0u);                           // right/bottom are not
  EXPECT_EQ(PixelAt(g, "1.png", 19, 400), 0u);
  EXPECT_EQ(PixelAt(g, "2.png", 600, 460), qRgb(0, 0, 63) & 0xFFFFFF);  // 999 -> 255
  EXPECT_EQ(PixelAt(g, "3.png", 600, 460), 0u);                         // -5 -> 0
}

TEST(TextBox, OffScreenRectangleIsCutAndBoxColResetsThePen) {
  GameDir g;
  // a box larger than the screen is cut to it; BOXSIZE keeps the pen,
  // BOXCOL puts it back to the text origin
  g.Script("~TXTPOS 30,40\n"
           "\"ab\"\n"
           "~BOXSIZE -100,-100,5000,5000\n"
           "~WAIT 1\n"
           "\"c\"\n"
           "~BOXCOL 255,255,255,128\n"
           "\"d\"\\n\n");
  EXPECT_EQ(g.Run("screenshot " + g.Path("s.png") + "\nclick\n"), 0);
  const auto t = g.TextEvents();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_NE(t[1]["x"], 30);  // "c" went on after "ab"
  EXPECT_TRUE(Holds(t[2], R"({"x":30,"y":40})"));
  EXPECT_EQ(PixelAt(g, "s.png", 639, 479), qRgb(127, 127, 127) & 0xFFFFFF);
  EXPECT_EQ(PixelAt(g, "s.png", 0, 0), qRgb(127, 127, 127) & 0xFFFFFF);
}

TEST(TextFont, ColourSizeAndOriginReachTheDrawnText) {
  GameDir g;
  g.Script("!s:300!\n"
           "~FONTSIZE !s\n"
           "~FONTNAME \"ＭＳ ゴシック\"\n"
           "~FONTCOLOR 0,256,0,0\n"
           "~FONTCOLOR 0,0,255,3\n"
           "~TXTPOS 10,20\n"
           "\"■\"\\w\"■\"\\n\n");
  EXPECT_EQ(g.Run("screenshot " + g.Path("s.png") + "\nclick\n"), 0);
  const auto t = g.TextEvents();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_TRUE(Holds(t[0], R"({"x":10,"y":20})"));
  // 300 modulo 256 = 44 points = 59 pixels: one full-width character
  EXPECT_TRUE(Holds(t[1], R"({"x":69,"y":20})"));
  // 256 wraps to 0 in the green byte and target 3 is ignored: the text is
  // black on the black scene
  QImage img(QString::fromStdString(g.Path("s.png")));
  ASSERT_FALSE(img.isNull());
  int lit = 0;
  for (int y = 20; y < 80; ++y)
    for (int x = 10; x < 128; ++x) lit += (img.pixel(x, y) & 0xFFFFFF) != 0;
  EXPECT_EQ(lit, 0);
}

// A line spacing near the 32-bit limit moves the pen as a wrapped sum: the
// next line lands above the first rather than overflowing (the sanitizer
// build fails on the overflow).
TEST(TextFont, HugeLineSpacingWrapsThePen) {
  GameDir g;
  g.Script("~FONTSIZE 20\n~TXTSPR 2147483647\n\"a\"\\n\n\"b\"\\n\n");
  EXPECT_EQ(g.Run("click\nclick\n"), 0);
  const auto t = g.TextEvents();
  ASSERT_EQ(t.size(), 2u);
  const auto y = [](const QJsonObject& ev) { return ev.value("y").toInt(); };
  EXPECT_LT(y(t[1]), y(t[0]));
}

TEST(TextFont, StoryColourIsDrawn) {
  GameDir g;
  g.Script("~FONTSIZE 20\n"
           "~FONTCOLOR 0,255,0,0\n"
           "~FONTCOLOR 0,0,255,1\n"
           "~FONTCOLOR 0,0,255,7\n"
           "~TXTPOS 10,20\n"
           "\"■\"\\n\n");
  EXPECT_EQ(g.Run("screenshot " + g.Path("s.png") + "\nclick\n"), 0);
  QImage img(QString::fromStdString(g.Path("s.png")));
  ASSERT_FALSE(img.isNull());
  int green = 0, other = 0;
  for (int y = 20; y < 50; ++y)
    for (int x = 10; x < 40; ++x) {
      QRgb c = img.pixel(x, y) & 0xFFFFFF;
      if (c == (qRgb(0, 255, 0) & 0xFFFFFF))
        ++green;
      else if (c != 0)
        ++other;
    }
  EXPECT_GT(green, 100);
  EXPECT_EQ(other, 0);
}

TEST(TextSpeed, SetSpeedChoosesTheMenuItemOnlyForOneToFive) {
  GameDir g;
  g.Script("~SETSPEED 6\n\"a\"\\n\n~SETSPEED 1\n\"b\"\\n\n");
  EXPECT_EQ(g.Run("dump " + g.Path("a.json") + "\nclick\ndump " + g.Path("b.json") + "\n"), 0);
  const QJsonObject a = g.Dump("a.json"), b = g.Dump("b.json");
  EXPECT_EQ(a["charDelay"], 50);
  EXPECT_EQ(At(a, "menu.vol3.checked"), true);
  EXPECT_EQ(b["charDelay"], 10);
  EXPECT_EQ(At(b, "menu.vol1.checked"), true);
  EXPECT_EQ(At(b, "menu.vol3.checked"), false);
}

TEST(TextSpeed, SpeedIndexIsKeptInTheSettingsFileAndChosenAgainAtStart) {
  GameDir g;
  g.Script("~SETSPEED 4\n\"a\"\\n\n");
  EXPECT_EQ(g.Run(""), 0);
  std::string ini = g.Read("mirt.ini");
  ASSERT_EQ(ini.size(), 20u);
  EXPECT_EQ(ini[16], 4);
  g.WriteScript("start.txt", "\"b\"\\n\n");
  const QJsonObject d = g.RunAndDump("");
  EXPECT_EQ(d["charDelay"], 40);
  EXPECT_EQ(At(d, "text.speedIndex"), 4);
  EXPECT_EQ(At(d, "menu.vol4.checked"), true);
  EXPECT_EQ(At(d, "menu.vol3.checked"), false);
}

TEST(TextHistorySettings, BadModeOrFontSizeEndsTheStory) {
  for (const char* bad : {"~TMODE 2\n", "~TFONTSIZE 0\n", "~TFONTSIZE -3\n"}) {
    GameDir g;
    g.Script(std::string("~TMODE 1\n~TFONTSIZE 16\n~TFONTNAME \"ＭＳ 明朝\"\n"
                         "~TFONTCOLOR 1,2,3\n~TBOXSIZE 0,0,640,480\n~TTXTPOS 8,8\n"
                         "~TTXTSPR 4\n~TSCREENMODE 1\n~TSCREENCG \"bg.bmp\",5,6\n"
                         "~TSCREENCOLOR 0,0,0,128\n\"ok\"\\n\n") +
             bad + "\"last\"\\n\n\"gone\"\\n\n");
    g.Run("click\nclick\nclick\n");
    const auto m = g.MessageEvents();
    ASSERT_EQ(m.size(), 1u) << bad;
    EXPECT_EQ(m[0]["text"], "x");
    // like EXIT, the close takes effect at the next wait
    EXPECT_EQ(g.Texts(), (std::vector<std::string>{"ok", "last"})) << bad;
    EXPECT_EQ(g.EventsOf("exit").size(), 1u);
  }
}

TEST(TextHistory, KeepsTheTextByLinesAndPages) {
  GameDir g;
  // pieces and variable values join on their line; \n and \r end it, \p
  // starts the next page
  g.Script("!n:7!\n\"a\"\"b\"\\n\n\"c\"'n'\\r\n\"d\"\\p\n\"e\"\\n\n\"f\"\\n\n");
  const QJsonObject d = g.RunAndDump("click\nclick\nclick\n");
  EXPECT_EQ(At(d, "history.pages"), Json(R"([["ab","c7","d"],["e","f",""]])"));
  EXPECT_EQ(d["page"], 1);
}

TEST(TextIndicator, BlinksAtTheBoxBottomWithItsKeyColourTransparent) {
  GameDir g;
  // 8 x 6 picture: white, key colour blue at its lower-left and top-left
  QImage icon(8, 6, QImage::Format_RGB32);
  icon.fill(qRgb(255, 255, 255));
  icon.setPixel(0, 5, qRgb(0, 0, 255));
  icon.setPixel(0, 0, qRgb(0, 0, 255));
  ASSERT_TRUE(icon.save(QString::fromStdString(g.Path("icon1.bmp")), "BMP"));
  g.WriteBytes("icon2.bmp", "not a picture");
  // period 300 stored as a byte is 44: the indicator toggles at every tick
  g.Script("~BOXSIZE 20,340,620,470\n"
           "~NVMODE 1,1,300\n"
           "\"a\"\\n\n\"b\"\\n\n");
  std::string actions;
  for (int i = 0; i < 4; ++i)
    actions += "wait 100\nscreenshot " + g.Path(std::to_string(i) + ".png") + "\n";
  actions += "click\nscreenshot " + g.Path("after.png") + "\n";
  EXPECT_EQ(g.Run(actions), 0);
  // drawn at (620 - 8 - 5, 470 - 6) = (607, 464)
  int shown = 0;
  for (int i = 0; i < 4; ++i) {
    std::string s = std::to_string(i) + ".png";
    QRgb inside = PixelAt(g, s, 609, 466);
    if (inside == (qRgb(255, 255, 255) & 0xFFFFFF)) {
      ++shown;
      EXPECT_EQ(PixelAt(g, s, 607, 464), 0u);  // key colour let the box through
      EXPECT_EQ(PixelAt(g, s, 607, 469), 0u);
    } else {
      EXPECT_EQ(inside, 0u);
    }
  }
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(PixelAt(g, "after.png", 609, 466), 0u);  // the click erased it
}

TEST(TextIndicator, BesideTheLineJustWrittenAndPagePictureAtPageWaits) {
  GameDir g;
  QImage line(8, 6, QImage::Format_RGB32), page(10, 4, QImage::Format_RGB32);
  line.fill(qRgb(255, 255, 255));
  page.fill(qRgb(0, 255, 0));
  line.setPixel(0, 5, qRgb(1, 2, 3));
  page.setPixel(0, 3, qRgb(1, 2, 3));
  ASSERT_TRUE(line.save(QString::fromStdString(g.Path("icon1.bmp")), "BMP"));
  ASSERT_TRUE(page.save(QString::fromStdString(g.Path("icon2.bmp")), "BMP"));
  g.Script("~BOXSIZE 20,340,620,470\n"
           "~TXTPOS 40,100\n~FONTSIZE 20\n~TXTSPR 6\n"
           "~NVMODE 1,0,100\n"
           "\"a\"\\n\n\"b\"\\p\n\"c\"\\n\n");
  std::string actions;
  for (const char* s : {"l1", "l2"}) actions += "wait 100\nscreenshot " + g.Path(s) + ".png\n";
  actions += "click\n";
  for (const char* s : {"p1", "p2"}) actions += "wait 100\nscreenshot " + g.Path(s) + ".png\n";
  EXPECT_EQ(g.Run(actions + "click\n"), 0);
  const QRgb white = qRgb(255, 255, 255) & 0xFFFFFF, green = qRgb(0, 255, 0) & 0xFFFFFF;
  // line wait: the line's top is pen y - (spacing + size) = 100
  QRgb l1 = PixelAt(g, "l1.png", 609, 101), l2 = PixelAt(g, "l2.png", 609, 101);
  EXPECT_TRUE((l1 == white) != (l2 == white)) << l1 << " " << l2;
  // page wait: the second line's top, 126, and the page picture's width
  QRgb p1 = PixelAt(g, "p1.png", 606, 127), p2 = PixelAt(g, "p2.png", 606, 127);
  EXPECT_TRUE((p1 == green) != (p2 == green)) << p1 << " " << p2;
}
