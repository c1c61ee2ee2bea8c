// FADEOUT, FLASH, QUIVER and DRAW: the pictures they leave in the window
// and the layers, their waits, and when transitions are skipped.
#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "StepPlatform.h"
#include "script/Commands.h"

using mirt_test::GameDir;
using mirt_test::Holds;
using mirt_test::NewPicture;
using mirt_test::OldPicture;
using mirt_test::StepPlayer;
using Strings = std::vector<std::string>;

namespace {

QImage Solid(QRgb c) {
  QImage img(640, 480, QImage::Format_RGB32);
  img.fill(c);
  return img;
}

bool AllPixels(const QImage& img, QRgb c) {
  const QImage cmp = Solid(c);
  return img.convertToFormat(QImage::Format_RGB32) == cmp;
}

}  // namespace

// ---- FADEOUT ----------------------------------------------------------------

TEST(Fadeout, ColourOfLowBytesBecomesTheBackgroundAndEveryLayer) {
  StepPlayer sp(OldPicture());
  mirt::Player& p = sp.player;
  p.state().boxOpacity = 128;
  p.state().boxColour[0] = 0, p.state().boxColour[1] = 0, p.state().boxColour[2] = 200;
  p.state().boxLeft = 10, p.state().boxTop = 300, p.state().boxRight = 630,
  p.state().boxBottom = 470;
  EXPECT_EQ(sp.Command("FADEOUT", "300,257,-255,10"), 1);  // 44, 1, 1
  const QRgb colour = qRgb(44, 1, 1);
  EXPECT_EQ(p.state().fadeColour, 44 + 1 * 256 + 1 * 65536);
  EXPECT_EQ(sp.platform.waits.size(), 15u);  // the cross-fade ran
  EXPECT_TRUE(AllPixels(sp.window(), colour));
  EXPECT_TRUE(AllPixels(p.screen().layers().scene, colour));
  // the screen holds the colour with the box tinted over it
  auto mix = [](int k, int v) { return ((k - v) * 128 + v * 256) / 256; };
  EXPECT_EQ(p.screen().layers().screen.pixel(5, 5), colour);
  EXPECT_EQ(p.screen().layers().screen.pixel(10, 300), qRgb(mix(0, 44), mix(0, 1), mix(200, 1)));
  EXPECT_EQ(p.screen().layers().screen.pixel(629, 469), qRgb(mix(0, 44), mix(0, 1), mix(200, 1)));
  EXPECT_EQ(p.screen().layers().screen.pixel(630, 469), colour);
  // BackgroundBuffer: blue, green, red for every pixel
  ASSERT_EQ(p.screen().layers().background.size(), 921600u);
  for (size_t i = 0; i < p.screen().layers().background.size(); i += 3) {
    ASSERT_EQ(p.screen().layers().background[i], 1);
    ASSERT_EQ(p.screen().layers().background[i + 1], 1);
    ASSERT_EQ(p.screen().layers().background[i + 2], 44);
  }
}

TEST(Fadeout, OnlyKeptCharactersStayShown) {
  StepPlayer sp(OldPicture());
  mirt::Player& p = sp.player;
  for (int i = 0; i < 10; ++i) p.state().charShown[i] = 1;
  p.state().charKeep[2] = 1;
  p.state().charKeep[9] = 1;
  sp.Command("FADEOUT", "0,0,0,1");
  for (int i = 0; i < 10; ++i) EXPECT_EQ(p.state().charShown[i], i == 2 || i == 9 ? 1 : 0) << i;
}

TEST(Fadeout, NegativeSpeedWaitsOneMillisecond) {
  StepPlayer sp(OldPicture());
  sp.Command("FADEOUT", "1,2,3,-40");
  ASSERT_EQ(sp.platform.waits.size(), 15u);
  for (uint32_t w : sp.platform.waits) EXPECT_EQ(w, 1u);
}

TEST(Fadeout, HeldButtonEndsTheFadeButTheLayersTakeTheColour) {
  StepPlayer sp(OldPicture());
  sp.platform.setLeftButton(true);
  sp.Command("FADEOUT", "0,0,255,100");
  EXPECT_TRUE(sp.platform.waits.empty());
  EXPECT_EQ(sp.platform.presents, 2);  // the first blend, then the colour itself
  EXPECT_TRUE(AllPixels(sp.window(), qRgb(0, 0, 255)));
  EXPECT_TRUE(AllPixels(sp.player.screen().layers().scene, qRgb(0, 0, 255)));
}

TEST(Fadeout, SkipModeAndPageModeShowTheColourAtOnce) {
  for (int mode = 0; mode < 2; ++mode) {
    StepPlayer sp(OldPicture());
    sp.player.menuActivated(mode == 0 ? "SKIP" : "P1");
    sp.Command("FADEOUT", "10,20,30,100");
    EXPECT_TRUE(sp.platform.waits.empty());
    EXPECT_TRUE(AllPixels(sp.window(), qRgb(10, 20, 30)));
    EXPECT_EQ(sp.player.state().fadeColour, 10 + 20 * 256 + 30 * 65536);
  }
}

// ---- FLASH --------------------------------------------------------------------

TEST(Flash, AlternatesColourAndPictureAndEndsOnThePicture) {
  const QImage before = OldPicture();
  StepPlayer sp(before);
  const QImage screenBefore = sp.player.screen().layers().screen.copy();
  std::vector<bool> colourShown;
  sp.platform.onWait = [&](const QImage& win, int) {
    if (AllPixels(win, qRgb(44, 0, 255)))
      colourShown.push_back(true);
    else if (win == before)
      colourShown.push_back(false);
  };
  EXPECT_EQ(sp.Command("FLASH", "300,0,255,3,50"), 1);
  EXPECT_EQ(colourShown, (std::vector<bool>{true, false, true, false, true, false}));
  EXPECT_EQ(sp.platform.waits, (std::vector<uint32_t>(6, 50)));
  EXPECT_EQ(sp.window(), before);
  EXPECT_EQ(sp.player.screen().layers().screen, screenBefore);
}

TEST(Flash, HeldButtonOnlyShortensTheWaits) {
  StepPlayer sp(OldPicture());
  sp.platform.setLeftButton(true);
  sp.player.tok().SetSource("255,255,255,2,500");
  const uint32_t t0 = sp.platform.tickCount();
  sp.player.RunCommand("FLASH");
  EXPECT_EQ(sp.platform.presents, 4);
  EXPECT_EQ(sp.platform.tickCount(), t0);
  EXPECT_EQ(sp.window(), OldPicture());
}

// ---- QUIVER -------------------------------------------------------------------

namespace {

// The screen moved down (or right) by j with wrap-around, built pixel by
// pixel.
QImage Shifted(const QImage& screen, int j, bool vertical) {
  QImage out(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      out.setPixel(
          x, y,
          vertical ? screen.pixel(x, (y + 480 - j) % 480) : screen.pixel((x + 640 - j) % 640, y));
  return out;
}

}  // namespace

TEST(Quiver, TwentyWrappedDisplacementsPerShakeThenTheUnshiftedScreen) {
  for (int direction : {1, 2}) {
    SCOPED_TRACE("direction " + std::to_string(direction));
    StepPlayer sp(Solid(qRgb(0, 0, 0)));
    sp.player.screen().layers().screen = NewPicture();
    const std::vector<int> shifts = {0,  2,  4,  6,  8,  10, 12, 14, 16, 18,
                                     20, 18, 16, 14, 12, 10, 8,  6,  4,  2};
    std::vector<QImage> frames;
    sp.platform.onPresent = [&](const QImage& win, int) { frames.push_back(win.copy()); };
    EXPECT_EQ(sp.Command("QUIVER", direction == 1 ? "1,2,30" : "2,2,30"), 1);
    ASSERT_EQ(frames.size(), 41u);
    for (int n : {0, 1, 10, 13, 19, 20, 30}) {
      EXPECT_EQ(frames[n], Shifted(NewPicture(), shifts[n % 20], direction == 1)) << "frame " << n;
    }
    EXPECT_EQ(frames.back(), NewPicture());
    EXPECT_EQ(sp.platform.waits, (std::vector<uint32_t>{30, 30}));
  }
}

TEST(Quiver, CountZeroOnlyCopiesTheScreen) {
  StepPlayer sp(OldPicture());
  sp.player.screen().layers().screen = NewPicture();
  sp.Command("QUIVER", "1,0,100");
  EXPECT_EQ(sp.platform.presents, 1);
  EXPECT_TRUE(sp.platform.waits.empty());
  EXPECT_EQ(sp.window(), NewPicture());
}

// ---- DRAW ---------------------------------------------------------------------

TEST(Draw, RunsTheTransitionToTheSceneWithBlinkingSuspended) {
  StepPlayer sp(OldPicture());
  mirt::Player& p = sp.player;
  // DRAW composes the scene from the background: make that the new picture.
  const QImage next = NewPicture();
  p.screen().layers().background.assign(640 * 480 * 3, 0);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const QRgb c = next.pixel(x, y);
      uint8_t* d = &p.screen().layers().background[(479 - y) * 1920 + x * 3];
      d[0] = qBlue(c), d[1] = qGreen(c), d[2] = qRed(c);
    }
  p.state().fadeColour = 0x123456;
  for (int i = 0; i < 10; ++i) p.state().charInScene[i] = 0;
  int blinkingDuring = 0;
  QImage firstStep;
  sp.platform.onWait = [&](const QImage& win, int n) {
    blinkingDuring += p.message().blinking();
    if (n == 0) firstStep = win.copy();
  };
  EXPECT_EQ(sp.Command("DRAW", "11,20"), 1);
  EXPECT_EQ(sp.platform.waits.size(), 320u);
  EXPECT_EQ(blinkingDuring, 0);
  EXPECT_TRUE(p.message().blinking());
  EXPECT_EQ(firstStep.copy(0, 0, 2, 480), NewPicture().copy(0, 0, 2, 480));
  EXPECT_EQ(firstStep.copy(2, 0, 638, 480), OldPicture().copy(2, 0, 638, 480));
  EXPECT_EQ(p.state().fadeColour, 0);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(p.state().charInScene[i], 1);
}

// Closing the window ends shakes, flashes and transitions at the wait in
// progress: large counts and speeds do not keep the program alive.
TEST(ScreenEffects, ClosingTheWindowEndsLongEffects) {
  const struct {
    const char* name;
    const char* cmd;
    const char* args;
    size_t waits;  // FLASH's cycle ends with its second wait
  } cases[] = {{"QUIVER", "QUIVER", "1,50,10", 1},
               {"FLASH", "FLASH", "0,0,0,50,10", 2},
               {"DRAW", "DRAW", "13,10", 1}};
  for (const auto& c : cases) {
    StepPlayer sp(OldPicture());
    sp.platform.onWait = [&](const QImage&, int n) {
      if (n == 0) sp.player.RequestClose();
    };
    sp.Command(c.cmd, c.args);
    EXPECT_EQ(sp.platform.waits.size(), c.waits) << c.name;
  }
}

// Through the player: the trace, the message and the held button.
TEST(ScreenEffectGame, TransitionsAreTracedWithTheirSteps) {
  GameDir g;
  g.Script("~DRAW 3,10\n~FADEOUT 255,0,0,0\n~DRAW 25,10\n~DRAW -1,5\n~DRAW 20,5\n"
           "~DRAW 0,5\n\"a\"\\n\n~DRAW 13,10\n\"b\"\\n\n~FLASH 0,0,0,1,10\n"
           "~QUIVER 1,1,10\n\"c\"\\n\n");
  // the second DRAW runs with the button held down: one step only
  EXPECT_EQ(g.Run("press\nkey Enter\nrelease\nwait 200\n"), 0);
  const auto t = g.EventsOf("transition");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_TRUE(Holds(t[0], R"({"effect":3,"speed":10,"steps":10})"));
  EXPECT_TRUE(Holds(t[1], R"({"effect":9,"speed":0,"steps":15})"));
  EXPECT_TRUE(Holds(t[2], R"({"effect":13,"speed":10,"steps":1})"));
  const std::string bad = "存在しないエフェクトＮＯを選択しました。";
  EXPECT_EQ(g.Messages(), (Strings{bad, bad}));
  EXPECT_EQ(g.Texts(), (Strings{"a", "b", "c"}));
}

TEST(ScreenEffectGame, PageModeRunsNoTransition) {
  GameDir g;
  g.Script("\"a\"\\n\n~DRAW 9,10\n~FADEOUT 0,0,0,10\n\"b\"\\n\n");
  EXPECT_EQ(g.Run("menu P1\nclick\n"), 0);
  EXPECT_TRUE(g.EventsOf("transition").empty());
  EXPECT_EQ(g.Texts(), (Strings{"a", "b"}));
}

// FADEOUT, then LOADCHAR in the middle of the page: the character comes in
// over the colour, and the page's text and the box are back on the window,
// which shows ScreenImage itself.
TEST(ScreenEffectGame, FadeoutThenLoadcharKeepsTheTextAndTheBox) {
  GameDir g;
  g.WriteBytes("bg.bmp", mirt_test::BmpFile(mirt_test::Solid(640, 480, qRgb(200, 0, 0))));
  g.WriteBytes("g.bmp", mirt_test::BmpFile(mirt_test::Solid(20, 20, qRgb(0, 200, 0))));
  g.Script("~BOXSIZE 0,400,640,480\n~BOXCOL 0,0,255,128\n~TXTPOS 10,410\n~FONTSIZE 16\n"
           "~LOADBG \"bg.bmp\",0,0\n\"abc\"\\n\n"
           "~FADEOUT 0,0,100,1\n~CHARPOS 0,100,100\n~LOADCHAR \"g.bmp\",0,9,1\n\"d\"\\n\n");
  ASSERT_EQ(g.Run("click\nscreenshot " + g.Path("w.png") + "\nlayer ScreenImage " +
                  g.Path("s.png") + "\nlayer TextImage " + g.Path("t.png") + "\n"),
            0);
  auto png = [&](const char* n) {
    return QImage(QString::fromStdString(g.Path(n))).convertToFormat(QImage::Format_RGB32);
  };
  const QImage window = png("w.png"), screen = png("s.png"), text = png("t.png");
  ASSERT_FALSE(window.isNull());
  EXPECT_EQ(window, screen);
  EXPECT_EQ(window.pixel(110, 110), qRgb(0, 200, 0));  // the character over the colour
  EXPECT_EQ(window.pixel(5, 5), qRgb(0, 0, 100));
  auto mix = [](int k, int v) { return ((k - v) * 128 + v * 256) / 256; };
  EXPECT_EQ(window.pixel(630, 475), qRgb(0, 0, mix(255, 100)));  // the box over the colour
  // every text pixel of the page, the line before the fade included
  const QRgb key = text.pixel(0, 479);
  int firstLine = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (text.pixel(x, y) == key) continue;
      ASSERT_EQ(window.pixel(x, y), text.pixel(x, y)) << x << "," << y;
      firstLine += y < 426;
    }
  EXPECT_GT(firstLine, 0);
}

// A dissolve hands on window events while the story runs. Enter, a click and
// a right click arriving then must neither run the story from within itself
// nor hide the box over a half-drawn picture.
namespace {
class PumpingPlatform : public mirt_test::StepPlatform {
 public:
  mirt::WindowEvents* events = nullptr;
  int pumped = 0;
  bool pumpOneMessage() override {
    if (events && pumped++ == 0) {
      events->formKeyDown(mirt::kKeyEnter);
      events->formClick();
      events->formMouseDown(mirt::MouseButton::Right, 10, 10);
    }
    return StepPlatform::pumpOneMessage();
  }
};
}  // namespace

TEST(ScreenEffectGame, EventsHandedOnDuringADissolveDoNotReenterTheStory) {
  GameDir g;
  g.Script("\"a\"\\n\n~DRAW 10,5\n\"b\"\\n\n\"c\"\\n\n\"d\"\\n\n");
  std::filesystem::current_path(g.Path(""));
  PumpingPlatform platform;
  mirt::Player player(platform);
  platform.setEventHandler(&player);
  player.trace().Open(g.Path("trace.jsonl"));
  player.FormCreate();
  player.timer2Timer();  // the first tick's click: "a"
  platform.events = &player;
  player.formKeyDown(mirt::kKeyEnter);  // the DRAW, then "b"
  EXPECT_GT(platform.pumped, 0);
  EXPECT_EQ(int(player.storyState()), 1);
  EXPECT_FALSE(player.script().running());
  // After the run, the story is waiting after "b": one more Enter gives "c".
  platform.events = nullptr;
  player.formKeyDown(mirt::kKeyEnter);
  player.trace().Close();
  EXPECT_EQ(g.Texts(), (Strings{"a", "b", "c"}));
  EXPECT_EQ(g.EventsOf("transition").size(), 1u);
}
