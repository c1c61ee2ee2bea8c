// The story font (families, sizes, no antialiasing), the reveal units, the
// text cut of string values, and the text block of the state dump.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QRawFont>
#include <map>
#include <set>

#include "GameFixture.h"
#include "StepPlatform.h"
#include "common/TextUnits.h"
#include "script/Commands.h"
#include "script/VariableStore.h"
#include "shell/Player.h"
#include "text/TextFont.h"

using namespace mirt_test;

namespace {

// Renders one line of text under the given settings lines; returns the shot.
QImage Render(const std::string& settings, const std::string& text) {
  GameDir g;
  g.Script(settings + "~FONTSIZE 24\n~FONTCOLOR 255,255,255,0\n~TXTPOS 10,20\n\"" + text +
           "\"\\n\n");
  EXPECT_EQ(g.Run("screenshot " + g.Path("s.png") + "\nclick\n"), 0);
  return QImage(QString::fromStdString(g.Path("s.png")));
}

}  // namespace

// The face names the scripts use, and the family that must draw each: it is
// the family fontconfig resolves for the story font, the window shows the
// same pixels as with that family named outright, and it holds the Japanese
// glyphs (a Latin-only font would draw missing-glyph boxes).
TEST(TextFont, ScriptFacesDrawWithJapaneseFamilies) {
  const struct {
    const char* face;  // UTF-8
    const char* family;
  } cases[] = {
      {"ＭＳ 明朝", "IPAMincho"},
      {"ＭＳ　明朝", "IPAMincho"},
      {"MS Mincho", "IPAMincho"},
      {"ＭＳ Ｐ明朝", "IPAPMincho"},
      {"ＭＳ　Ｐ明朝", "IPAPMincho"},
      {"MS PMincho", "IPAPMincho"},
      {"ＭＳ ゴシック", "IPAGothic"},
      {"ＭＳ　ゴシック", "IPAGothic"},
      {"MS Gothic", "IPAGothic"},
      {"ＭＳ Ｐゴシック", "IPAPGothic"},
      {"ＭＳ　Ｐゴシック", "IPAPGothic"},
      {"MS PGothic", "IPAPGothic"},
      {"MS UI Gothic", "IPAPGothic"},
      {"", "IPAMincho"},
      // names fontconfig knows are used as they are, in any spelling it knows
      {"IPAPMincho", "IPAPMincho"},
      {"IPAゴシック", "IPAGothic"},
      // a face this machine lacks would otherwise draw with a font that has
      // no Japanese glyphs
      {"ＨＧ正楷書体", "IPAMincho"},
      {"No Such Family", "IPAMincho"},
  };
  const std::string text = "漢字かなｶﾅ、ABC";
  std::map<std::string, QImage> drawn;  // the text as each family draws it
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    mirt_test::StepPlayer sp(QImage(640, 480, QImage::Format_RGB32));
    sp.Command("FONTNAME", ("\"" + mirt::utf8ToCp932(c.face) + "\"").c_str());
    const QFont& font = sp.player.message().font();
    EXPECT_EQ(QFontInfo(font).family().toStdString(), c.family);
    const QRawFont raw = QRawFont::fromFont(font);
    for (char32_t ch : U"漢字かなｶﾅ、") {
      if (!ch) continue;
      EXPECT_TRUE(raw.supportsCharacter(uint(ch))) << uint32_t(ch);
    }
    const std::string settings = std::string("~FONTNAME \"") + c.face + "\"\n";
    if (!drawn.count(c.family))
      drawn[c.family] = Render("~FONTNAME \"" + std::string(c.family) + "\"\n", text);
    ASSERT_FALSE(drawn[c.family].isNull());
    EXPECT_EQ(Render(settings, text), drawn[c.family]);
  }
  // the four families draw differently, so the equalities above tell them apart
  ASSERT_EQ(drawn.size(), 4u);
  for (auto i = drawn.begin(); i != drawn.end(); ++i)
    for (auto j = std::next(i); j != drawn.end(); ++j)
      EXPECT_NE(i->second, j->second) << i->first << " " << j->first;
}

TEST(TextFont, SizeIsPointsAtNinetySixPixelsPerInch) {
  using mirt::FontPixelSize;
  EXPECT_EQ(FontPixelSize(24, 96), 32);
  EXPECT_EQ(FontPixelSize(20, 96), 27);  // 26.67 rounds up like the font mapper
  // at 120 ppi the point size is 24 * 96 / 120 = 19, and the height the same
  EXPECT_EQ(FontPixelSize(24, 120), 32);
  EXPECT_EQ(FontPixelSize(0, 96), 16);  // before any FONTSIZE
  EXPECT_EQ(FontPixelSize(-5, 96), 16);
}

TEST(TextFont, GlyphsAreDrawnWithoutAntialiasing) {
  QImage img = Render("~FONTNAME \"ＭＳ ゴシック\"\n", "永あ/W");
  ASSERT_FALSE(img.isNull());
  std::set<QRgb> colours;
  for (int y = 20; y < 60; ++y)
    for (int x = 10; x < 150; ++x) colours.insert(img.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(colours, (std::set<QRgb>{0u, 0xFFFFFFu}));
}

TEST(TextReveal, UnitsFollowTheTwoByteClassification) {
  using mirt::TextUnitLength;
  auto len = [](const std::string& s) { return TextUnitLength(s, 0); };
  EXPECT_EQ(len(mirt::Sjis("あ")), 2u);
  EXPECT_EQ(len("a\x81"), 1u);
  EXPECT_EQ(len("\x81"), 1u);      // a lead byte at the very end
  EXPECT_EQ(len("\x81\x7F"), 1u);  // 0x7F is no trail byte
  EXPECT_EQ(len("\xB1"
                "b"),
            2u);                       // half-width katakana takes the next byte
  EXPECT_EQ(len("\xA4\xA2"), 2u);      // EUC pair
  EXPECT_EQ(len("\x1B\x24\x42"), 2u);  // JIS escapes
  EXPECT_EQ(len("\x1B\x28\x4A"), 2u);
  EXPECT_EQ(len("\x1B\x28\x41"), 1u);
}

TEST(TextReveal, OneTraceEventAndOnePausePerUnit) {
  GameDir g;
  // speed 1 is 10 ms: five units (あ, ｱb, c, 漢, d) take 50 ms
  g.Script("~SETSPEED 1\n\"あ\xEF\xBD\xB1"
           "bc漢d\"\"x\"\\n\n");
  EXPECT_EQ(g.Run("click\n"), 0);
  const auto t = g.TextEvents();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0]["t"], 100);
  EXPECT_EQ(t[1]["t"], 150);
}

TEST(TextValues, CutsNeverSplitATwoByteCharacter) {
  char field[8];
  mirt::CopyText(field, sizeof field, mirt::Sjis("aあいう"));
  EXPECT_EQ(std::string(field), mirt::Sjis("aあいう"));
  mirt::CopyText(field, sizeof field, mirt::Sjis("aあいうえ"));
  EXPECT_EQ(std::string(field), mirt::Sjis("aあいう"));  // 7 bytes, not 7 and a half
  mirt::CopyText(field, sizeof field, mirt::Sjis("あいうえ"));
  EXPECT_EQ(std::string(field), mirt::Sjis("あいう"));  // 6 bytes rather than a stray lead
}

TEST(TextValues, InputBoxTextIsCutWholeAndBlanksLeaveStringArguments) {
  GameDir g;
  g.Script("\"go\"\\n\n&s:\"\"\n&t:\"\"\n"
           "~INPUTBOX \"c\",\"\",s,0\n"
           "~INPUTBOX \"c\",\"\",t,0\n"
           "~TSCREENCG &t&,5,6\n"
           "\"end\"\\n\n");
  std::string typed = "a";
  for (int i = 0; i < 150; ++i) typed += "あ";
  EXPECT_EQ(g.Run("input " + typed + "\ninput my  pic.bmp\nclick\ndump " + g.Path("d.json") + "\n"),
            0);
  const QJsonObject d = g.Dump("d.json");
  std::string cut = "a";
  for (int i = 0; i < 126; ++i) cut += "あ";  // 253 bytes: the 127th would need 255
  EXPECT_EQ(Str(Var(d, "s")), cut);
  EXPECT_EQ(Var(d, "t"), "my  pic.bmp");  // the value keeps them
  EXPECT_EQ(At(d, "history.picture"), Json(R"({"name":"mypic.bmp","x":5,"y":6})"));
}

TEST(TextDump, HoldsTheTextAndHistorySettings) {
  GameDir g;
  g.Script("~FONTNAME \"ＭＳ ゴシック\"\n~FONTSIZE 22\n~FONTCOLOR 1,2,3,0\n"
           "~FONTCOLOR 4,5,6,1\n~FONTCOLOR 7,8,9,2\n~TXTPOS 40,350\n~TXTSPR 6\n"
           "~BOXSIZE 20,330,620,470\n~BOXCOL 10,20,30,999\n~NVMODE 1,0,300\n~SETSPEED 4\n"
           "~TMODE 1\n~TFONTSIZE 18\n~TFONTNAME \"IPAGothic\"\n~TFONTCOLOR 255,0,1\n"
           "~TBOXSIZE 1,2,3,4\n~TTXTPOS 5,6\n~TTXTSPR 7\n~TSCREENMODE 1\n"
           "~TSCREENCG \"hist.bmp\",8,9\n~TSCREENCOLOR 1,2,3,300\n"
           "\"end\"\\n\n");
  const QJsonObject d = g.RunAndDump("");
  const QJsonValue text = d["text"], history = d["history"];
  EXPECT_EQ(At(text, "fontName"), "ＭＳ ゴシック");  // as the script named it
  EXPECT_EQ(At(text, "fontSize"), 22);
  // colours are red + green x 256 + blue x 65536, one for each FONTCOLOR target
  EXPECT_EQ(At(text, "colour"), 1 + 2 * 256 + 3 * 65536);
  EXPECT_EQ(At(text, "choiceColour"), 4 + 5 * 256 + 6 * 65536);
  EXPECT_EQ(At(text, "highlightColour"), 7 + 8 * 256 + 9 * 65536);
  EXPECT_EQ(At(text, "origin"), Json(R"({"x":40,"y":350})"));
  EXPECT_EQ(At(text, "lineSpacing"), 6);
  EXPECT_EQ(At(text, "box"), Json(R"({"left":20,"top":330,"right":620,"bottom":470})"));
  EXPECT_EQ(At(text, "boxColour"), Json("[10,20,30]"));
  EXPECT_EQ(At(text, "boxOpacity"), 255);  // 999 is held to a byte's range
  // the period is kept in a byte: 300 becomes 44
  EXPECT_EQ(At(text, "indicator"), Json(R"({"enabled":true,"mode":0,"period":44})"));
  EXPECT_EQ(At(text, "speedIndex"), 4);
  EXPECT_EQ(At(history, "enabled"), 1);
  EXPECT_EQ(At(history, "fontName"), "IPAGothic");
  EXPECT_EQ(At(history, "fontSize"), 18);
  EXPECT_EQ(At(history, "colour"), 255 + 0 * 256 + 1 * 65536);
  EXPECT_EQ(At(history, "box"), Json(R"({"left":1,"top":2,"right":3,"bottom":4})"));
  EXPECT_EQ(At(history, "origin"), Json(R"({"x":5,"y":6})"));
  EXPECT_EQ(At(history, "lineSpacing"), 7);
  EXPECT_EQ(At(history, "screenMode"), 1);
  EXPECT_EQ(At(history, "picture"), Json(R"({"name":"hist.bmp","x":8,"y":9})"));
  EXPECT_EQ(At(history, "tint"), Json("[1,2,3,44]"));  // the opacity a byte too
}

TEST(TextReveal, WindowAfterARevealEqualsTextDrawnAtOnce) {
  // also for pieces that follow one another, and after a command that
  // changed ScreenImage without showing it
  QImage shots[2];
  for (int speed : {1, 2}) {
    GameDir g;
    g.InitDef("start.txt", "0\n20\n30\n40\n50\n");  // speed 1 draws at once
    g.WriteScript("start.txt",
                  "~BOXSIZE 20,330,620,470\n~BOXCOL 0,48,32,176\n~FONTSIZE 22\n"
                  "~FONTCOLOR 255,255,255,0\n~TXTPOS 40,350\n~SETSPEED " +
                      std::to_string(speed) +
                      "\n!n:5!\n\"漢字とｶﾀｶﾅ、gjpqy…「」\"\\n\n\"二行目\"'n'\n"
                      // a new tint on ScreenImage that nothing has shown yet
                      "~BOXCOL 64,0,0,128\n\"三\n");  // unclosed: waits without a repaint
    EXPECT_EQ(g.Run("click\nscreenshot " + g.Path("s.png") + "\n"), 0);
    shots[speed - 1] = QImage(QString::fromStdString(g.Path("s.png")));
    ASSERT_FALSE(shots[speed - 1].isNull());
  }
  QRect diff;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (shots[0].pixel(x, y) != shots[1].pixel(x, y)) diff |= QRect(x, y, 1, 1);
  EXPECT_TRUE(diff.isNull()) << diff.x() << "," << diff.y() << " " << diff.width() << "x"
                             << diff.height();
}
