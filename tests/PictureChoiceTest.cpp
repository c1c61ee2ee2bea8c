// Picture choices: the buttons' three pictures, the pointer over them with
// its strict edges, transparency, the press and the targets.
#include <gtest/gtest.h>

#include <QImage>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "platform/HostFiles.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

using namespace mirt_test;
using Strings = std::vector<std::string>;

namespace {

constexpr QRgb kKey = qRgb(0, 255, 0);  // the buttons' bottom-left pixel

// A 40 x 20 button picture in one colour, its bottom-left pixel and the
// column above it in the key colour.
QImage ButtonPicture(QRgb colour) {
  QImage img = Solid(40, 20, colour);
  for (int y = 0; y < 20; ++y) img.setPixel(0, y, kKey);
  return img;
}

// Two buttons: an opaque one at (100, 100) and a transparent one at
// (300, 100), over a grey background.
void WriteButtons(GameDir& g, const std::string& after) {
  g.WriteBytes("bg.bmp", BmpFile(Solid(640, 480, qRgb(80, 80, 80))));
  g.WriteBytes("n.bmp", BmpFile(ButtonPicture(qRgb(255, 0, 0))));
  g.WriteBytes("h.bmp", BmpFile(ButtonPicture(qRgb(0, 0, 255))));
  g.WriteBytes("p.bmp", BmpFile(ButtonPicture(qRgb(255, 255, 255))));
  g.Script("~LOADBG \"bg.bmp\",0,0\n~FONTSIZE 16\n~SELECTCG\n{\n"
           "\"n.bmp\",\"h.bmp\",\"p.bmp\",100,100,0,@a\n"
           " \"n.bmp\" , \"h.bmp\" , \"p.bmp\" , 300 , 100 , 1 , @b\n}\n" +
           after);
}

const char* kLabels = "\"after\"\\n\n*a\n\"A\"\\n\n*b\n\"B\"\\n\n";

// A colour as Rgb reads it back.
QRgb Px(int r, int g, int b) { return qRgb(r, g, b) & 0xFFFFFFu; }

QImage Shot(const GameDir& g, const std::string& name) {
  return QImage(QString::fromStdString(g.Path(name)));
}

}  // namespace

TEST(PictureChoices, ButtonsAreReadWithTheirSevenFields) {
  GameDir g;
  WriteButtons(g, kLabels);
  const QJsonObject d = g.RunAndDump();
  EXPECT_EQ(d["pictureChoicePending"], true);
  ASSERT_EQ(At(d, "pictureChoices.count"), 2);
  EXPECT_TRUE(Holds(At(d, "pictureChoices.buttons.0"),
                    R"({"normal":"n.bmp","over":"h.bmp","pressed":"p.bmp","rect":[100,100,140,120],
                        "transparent":false,"target":"@a","highlighted":false})"));
  EXPECT_TRUE(Holds(At(d, "pictureChoices.buttons.1"),
                    R"({"rect":[300,100,340,120],"transparent":true,"target":"@b"})"));
  EXPECT_EQ(g.Texts(), Strings{});  // the story waits
}

TEST(PictureChoices, HoverIsStrictOnEverySideAndDrawsTheRightPicture) {
  GameDir g;
  WriteButtons(g, kLabels);
  auto step = [&](int x, int y, const std::string& n) {
    return "move " + std::to_string(x) + " " + std::to_string(y) + "\nscreenshot " +
           g.Path(n + ".png") + "\ndump " + g.Path(n + ".json") + "\n";
  };
  ASSERT_EQ(g.Run("screenshot " + g.Path("start.png") + "\n" + step(100, 110, "left") +
                  step(120, 100, "top") + step(140, 110, "right") + step(120, 120, "bottom") +
                  step(101, 101, "in") + step(139, 119, "in2") + step(200, 200, "out")),
            0);
  const QImage start = Shot(g, "start.png");
  EXPECT_EQ(Rgb(start, 120, 110), Px(255, 0, 0));     // normal picture
  EXPECT_EQ(Rgb(start, 100, 119), kKey & 0xFFFFFFu);  // opaque: its key colour shows
  EXPECT_EQ(Rgb(start, 300, 119), Px(80, 80, 80));    // transparent: the ground shows
  EXPECT_EQ(Rgb(start, 320, 110), Px(255, 0, 0));
  for (const char* edge : {"left", "top", "right", "bottom"}) {
    EXPECT_EQ(At(g.Dump(std::string(edge) + ".json"), "pictureChoices.buttons.0.highlighted"),
              false)
        << edge;
    EXPECT_EQ(Rgb(Shot(g, std::string(edge) + ".png"), 120, 110), Px(255, 0, 0)) << edge;
  }
  for (const char* inside : {"in", "in2"}) {
    const QJsonObject d = g.Dump(std::string(inside) + ".json");
    EXPECT_EQ(At(d, "pictureChoices.buttons.0.highlighted"), true) << inside;
    EXPECT_EQ(At(d, "pictureChoices.current"), 0) << inside;
    EXPECT_EQ(Rgb(Shot(g, std::string(inside) + ".png"), 120, 110), Px(0, 0, 255)) << inside;
  }
  // Away again: the normal picture, and the rest of the window as it was.
  EXPECT_EQ(Rgb(Shot(g, "out.png"), 120, 110), Px(255, 0, 0));
  EXPECT_EQ(Shot(g, "out.png"), start);
}

TEST(PictureChoices, AClickOnAButtonPressesItFor300MsThenFollowsItsTarget) {
  GameDir g;
  WriteButtons(g, kLabels);
  ASSERT_EQ(g.Run("click 50 50\ndump " + g.Path("beside.json") +
                  "\nmove 320 110\nkey Enter\n"
                  "dump " +
                  g.Path("taken.json") + "\nscreenshot " + g.Path("taken.png") + "\n"),
            0);
  EXPECT_EQ(g.Dump("beside.json")["pictureChoicePending"], true);  // a click beside: nothing
  const QJsonObject taken = g.Dump("taken.json");
  EXPECT_EQ(taken["pictureChoicePending"], false);
  const auto choice = g.EventsOf("choice");
  ASSERT_EQ(choice.size(), 1u);
  EXPECT_TRUE(Holds(choice[0], R"({"index":1,"target":"@b"})"));
  EXPECT_EQ(g.Texts(), (Strings{"B"}));
  // The window as it was before the buttons came is back.
  const QImage shot = Shot(g, "taken.png");
  EXPECT_EQ(Rgb(shot, 320, 110), Px(80, 80, 80));
  EXPECT_EQ(Rgb(shot, 120, 110), Px(80, 80, 80));
  EXPECT_EQ(At(taken, "pen.y"), 16);

  // The pressed picture, watched as it is presented.
  struct Watching : mirt::HeadlessPlatform {
    Watching() : HeadlessPlatform(true) {}
    std::vector<std::pair<uint32_t, QRgb>> shown;  // time, the button's colour
    void present(const QImage& screen) override {
      HeadlessPlatform::present(screen);
      const QRgb c = screen.pixel(120, 110) & 0xFFFFFF;
      if (shown.empty() || shown.back().second != c) shown.push_back({tickCount(), c});
    }
  } platform;
  const GameFolderScope inFolder(g.Path(""));
  {
    mirt::Player player(platform);
    platform.setEventHandler(&player);
    player.FormCreate();
    player.timer2Timer();  // the first tick's click: SELECTCG
    player.formMouseMove(120, 110);
    platform.setLeftButton(true);
    player.formMouseDown(mirt::MouseButton::Left, 120, 110);
    platform.setLeftButton(false);
    player.formClick();
    player.FormDestroy();
  }
  const QRgb white = qRgb(255, 255, 255) & 0xFFFFFF, red = qRgb(255, 0, 0) & 0xFFFFFF;
  size_t pressed = 0;
  while (pressed < platform.shown.size() && platform.shown[pressed].second != white) ++pressed;
  ASSERT_LT(pressed + 1, platform.shown.size());
  EXPECT_EQ(platform.shown[pressed + 1].second, red);
  EXPECT_EQ(platform.shown[pressed + 1].first - platform.shown[pressed].first, 300u);
}

TEST(PictureChoices, NoJumpGoesOnAfterTheBlockAndExtraButtonsAreIgnored) {
  GameDir g;
  g.WriteBytes("n.bmp", BmpFile(ButtonPicture(qRgb(255, 0, 0))));
  std::string lines;
  for (int i = 0; i < 12; ++i)
    lines += "\"n.bmp\",\"n.bmp\",\"n.bmp\"," + std::to_string(i * 50) + ",10,0,\n";
  g.Script("~FONTSIZE 16\n~SELECTCG\n{\n" + lines + "}\n\"after\"\\n\n");
  const QJsonObject open = g.RunAndDump("move 570 15\n");
  EXPECT_EQ(At(open, "pictureChoices.count"), 10);
  EXPECT_EQ(At(open, "pictureChoices.buttons").toArray().size(), 10);
  EXPECT_EQ(open["pictureChoicePending"], true);  // the pointer is on no stored button
  const QJsonObject d = g.RunAndDump("move 460 15\nkey Enter\n");
  EXPECT_EQ(d["pictureChoicePending"], false);
  EXPECT_EQ(g.Texts(), (Strings{"after"}));
  const auto choice = g.EventsOf("choice");
  ASSERT_EQ(choice.size(), 1u);
  EXPECT_TRUE(Holds(choice[0], R"({"index":9,"target":""})"));
}

TEST(PictureChoices, AMissingPictureOrSlotLeavesTheChoiceStanding) {
  GameDir g;
  g.WriteBytes("n.bmp", BmpFile(ButtonPicture(qRgb(255, 0, 0))));
  g.Script("~FONTSIZE 16\n~SELECTCG\n{\n\"n.bmp\",\"missing.bmp\",\"gone.bmp\",10,10,0,\\4\n}\n"
           "\"after\"\\n\n");
  const QJsonObject d = g.RunAndDump("click 20 20\nscreenshot " + g.Path("s.png") + "\n");
  EXPECT_EQ(d["pictureChoicePending"], true);
  EXPECT_EQ(g.EventsOf("choice").size(), 1u);
  EXPECT_EQ(g.Texts(), Strings{});
  // The picture object kept the normal picture when the others were missing.
  EXPECT_EQ(Rgb(Shot(g, "s.png"), 20, 15), Px(255, 0, 0));
}
