// Game controllers: SDL's virtual joysticks plugged in, pressed and pulled
// out under GameControllers, and the pad's buttons through the harness.
#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "platform/AudioOutput.h"
#include "platform/GameControllers.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

using namespace mirt_test;
using mirt::PadButton;
using Presses = std::vector<std::pair<PadButton, bool>>;
using Strings = std::vector<std::string>;

namespace {

// A virtual pad with every button up to the d-pad's right, so that SDL's
// button numbers are its joystick's; or a joystick SDL knows no mapping for.
int AttachVirtual(bool gamepad) {
  SDL_VirtualJoystickDesc d{};
  d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  d.type = gamepad ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN;
  d.nbuttons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
  d.button_mask = gamepad ? (1u << d.nbuttons) - 1 : 0;
  d.name = gamepad ? "mirt test pad" : "mirt test stick";
  return SDL_JoystickAttachVirtualEx(&d);
}

Presses Poll(mirt::GameControllers& pads) {
  Presses out;
  pads.Poll([&](PadButton b, bool down) { out.emplace_back(b, down); });
  return out;
}

// Counts the frames the audio device pulls.
struct CountingSource : mirt::AudioSource {
  std::atomic<uint64_t> frames{0};
  void renderAudio(float* stereo, size_t n, uint64_t) override {
    std::fill(stereo, stereo + 2 * n, 0.0f);
    frames += n;
  }
};

bool FramesGrow(CountingSource& s) {
  const uint64_t before = s.frames;
  for (int i = 0; i < 200 && s.frames == before; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return s.frames > before;
}

}  // namespace

TEST(GameControllers, PadsComeAndGoAndTheirButtonsArriveWhileTheSoundPlays) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  // The audio output shares SDL with the pads: starting and stopping them
  // leaves it playing.
  CountingSource source;
  auto audio = mirt::SdlAudioOutput::Open();
  ASSERT_TRUE(audio) << SDL_GetError();
  audio->setSource(&source);
  {
    mirt::GameControllers pads;
    ASSERT_TRUE(pads.available()) << SDL_GetError();
    EXPECT_EQ(pads.count(), 0);

    // Plugged in: opened at the next poll.
    const int index = AttachVirtual(true);
    ASSERT_GE(index, 0) << SDL_GetError();
    EXPECT_EQ(Poll(pads), Presses{});
    EXPECT_EQ(pads.count(), 1);
    SDL_Joystick* stick = SDL_JoystickOpen(index);
    ASSERT_TRUE(stick) << SDL_GetError();

    auto set = [&](SDL_GameControllerButton b, bool down) {
      SDL_JoystickSetVirtualButton(stick, b, down ? SDL_PRESSED : SDL_RELEASED);
    };
    set(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(Poll(pads), (Presses{{PadButton::A, true}}));
    set(SDL_CONTROLLER_BUTTON_A, false);
    set(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    EXPECT_EQ(Poll(pads), (Presses{{PadButton::A, false}, {PadButton::DpadDown, true}}));
    // The guide button is none of ours. One poll hands on the changes in
    // the joystick's button order.
    set(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
    set(SDL_CONTROLLER_BUTTON_GUIDE, true);
    set(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    EXPECT_EQ(Poll(pads),
              (Presses{{PadButton::RightShoulder, true}, {PadButton::DpadDown, false}}));

    // Pulled out with the shoulder held: it is let go, once.
    SDL_JoystickClose(stick);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    EXPECT_EQ(Poll(pads), (Presses{{PadButton::RightShoulder, false}}));
    EXPECT_EQ(pads.count(), 0);

    // A joystick SDL has no mapping for is no pad: nothing is opened and
    // its buttons give nothing.
    const int other = AttachVirtual(false);
    ASSERT_GE(other, 0) << SDL_GetError();
    SDL_Joystick* plain = SDL_JoystickOpen(other);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(SDL_IsGameController(other));
    SDL_JoystickSetVirtualButton(plain, 0, SDL_PRESSED);
    EXPECT_EQ(Poll(pads), Presses{});
    EXPECT_EQ(pads.count(), 0);
    SDL_JoystickClose(plain);
    SDL_JoystickDetachVirtual(other);
    EXPECT_EQ(Poll(pads), Presses{});
    EXPECT_TRUE(FramesGrow(source));
  }
  EXPECT_TRUE(FramesGrow(source));
  audio->setSource(nullptr);
}

namespace {

// Two pages, a text choice, and picture buttons at (100, 100) and
// (300, 100): red, blue under the pointer or the highlight.
void WritePadGame(GameDir& g) {
  g.WriteBytes("n.bmp", BmpFile(Solid(40, 20, qRgb(255, 0, 0))));
  g.WriteBytes("h.bmp", BmpFile(Solid(40, 20, qRgb(0, 0, 255))));
  g.WriteBytes("p.bmp", BmpFile(Solid(40, 20, qRgb(255, 255, 255))));
  g.Script("~TMODE 1\n\"1\"\\p\n\"2\"\\p\n~SELECT\n{\n\"yes\" @yes\n\"no\" @no\n}\n"
           "*yes\n\"Y\"\\n\n*no\n\"N\"\\n\n~SELECTCG\n{\n"
           "\"n.bmp\",\"h.bmp\",\"p.bmp\",100,100,0,@a\n"
           "\"n.bmp\",\"h.bmp\",\"p.bmp\",300,100,0,@b\n}\n"
           "*a\n\"A\"\\n\n*b\n\"B\"\\n\n");
}

}  // namespace

TEST(Pad, WorksTheStoryTheHistoryAndBothKindsOfChoice) {
  GameDir g;
  WritePadGame(g);
  auto dump = [&](const std::string& n) { return "dump " + g.Path(n + ".json") + "\n"; };
  auto shot = [&](const std::string& n) { return "screenshot " + g.Path(n + ".png") + "\n"; };
  ASSERT_EQ(
      g.Run("pad a\n"  // page 2
            "move 500 400\npad b\n" +
            dump("hidden") +                                   // the box hidden
            "pad b\n" + dump("history") +                      // the history
            "pad b\n" + dump("closed") + "pad a\n" +           // closed, the box back
            "pad y\npad back\npad dpleft\n" + dump("page2") +  // nothing
            "pad a\npad dpdown\n" + dump("text") +             // the choice, "no" lit
            "pad a\npad a\n" + dump("pictures") +              // taken; the buttons
            "pad dpright\npad dpdown\n" + shot("second") + dump("second") + "pad dpleft\n" +
            dump("first") + "pad dpup\npad a\n" + dump("taken") + "pad start\n" + dump("menu")),
      0);
  EXPECT_EQ(At(g.Dump("hidden.json"), "storyState"), 0);  // the box hidden
  EXPECT_EQ(At(g.Dump("history.json"), "history.viewer.open"), true);
  EXPECT_EQ(At(g.Dump("closed.json"), "storyState"), 0);
  EXPECT_EQ(At(g.Dump("page2.json"), "storyState"), 1);  // shown
  const QJsonObject text = g.Dump("text.json");
  EXPECT_EQ(text["choicePending"], true);
  EXPECT_EQ(At(text, "choices.selected"), 1);
  const QJsonObject pictures = g.Dump("pictures.json");
  EXPECT_EQ(pictures["pictureChoicePending"], true);
  EXPECT_EQ(At(pictures, "pictureChoices.buttons.0.highlighted"), false);
  EXPECT_EQ(At(pictures, "pictureChoices.buttons.1.highlighted"), false);
  // Right then down: the first button, then the second, drawn lit alone.
  const QJsonObject second = g.Dump("second.json");
  EXPECT_EQ(At(second, "pictureChoices.current"), 1);
  EXPECT_EQ(At(second, "pictureChoices.buttons.0.highlighted"), false);
  EXPECT_EQ(At(second, "pictureChoices.buttons.1.highlighted"), true);
  const QImage shown(QString::fromStdString(g.Path("second.png")));
  EXPECT_EQ(Rgb(shown, 120, 110), qRgb(255, 0, 0) & 0xFFFFFFu);
  EXPECT_EQ(Rgb(shown, 320, 110), qRgb(0, 0, 255) & 0xFFFFFFu);
  // Left comes back round to the first.
  EXPECT_EQ(At(g.Dump("first.json"), "pictureChoices.buttons.0.highlighted"), true);
  // Up wraps round to the second; A takes it.
  EXPECT_EQ(g.Dump("taken.json")["pictureChoicePending"], false);
  EXPECT_EQ(g.Texts(), (Strings{"1", "2", "N", "B"}));
  const auto choices = g.EventsOf("choice");
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_TRUE(Holds(choices[0], R"({"index":1})"));
  EXPECT_TRUE(Holds(choices[1], R"({"index":1,"target":"@b"})"));
  EXPECT_EQ(g.Dump("menu.json")["menuBarOpened"], 1);
  // A button name the pad does not have is a usage error.
  EXPECT_EQ(g.Run("pad z\n"), 2);
  EXPECT_EQ(g.Run("padhold\n"), 2);
}

TEST(Pad, ClassicControlsAndAClosedWindowTurnItOff) {
  GameDir g;
  WritePadGame(g);
  std::filesystem::current_path(g.Path(""));
  {
    mirt::HeadlessPlatform platform(true);
    mirt::Player player(platform);
    platform.setEventHandler(&player);
    player.trace().Open(g.Path("trace.jsonl"));
    player.FormCreate();
    player.timer2Timer();  // the first tick's click: "1"
    player.settings().SetClassicControls(true);
    for (PadButton b : {PadButton::A, PadButton::B, PadButton::Start, PadButton::DpadDown}) {
      player.padButton(b, true);
      player.padButton(b, false);
    }
    EXPECT_EQ(player.storyState(), mirt::StoryState::Shown);
    EXPECT_EQ(platform.menuBarOpened, 0);
    player.settings().SetClassicControls(false);
    player.padButton(PadButton::A, true);  // "2"
    player.padButton(PadButton::A, false);
    player.padButton(PadButton::Start, true);
    EXPECT_EQ(platform.menuBarOpened, 1);
    player.menuActivated("N5");  // the end
    player.padButton(PadButton::A, true);
    player.padButton(PadButton::Start, true);
    EXPECT_EQ(platform.menuBarOpened, 1);
    player.trace().Close();
    player.FormDestroy();
  }
  EXPECT_EQ(g.Texts(), (Strings{"1", "2"}));
}
