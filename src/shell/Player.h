// The player: owns every engine object and handles the window's events.
//
// There is one Player per running game; tests build a fresh one for each
// case. Nothing in the engine is a global: everything is reached from here.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/PictureCache.h"
#include "platform/Platform.h"
#include "save/GameState.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/Scenario.h"
#include "script/StringTok.h"
#include "shell/Trace.h"
#include "sound/Sound.h"
#include "text/TextFont.h"
#include "text/WaitIndicator.h"
#include "vars/VariableStore.h"

namespace mirt {

struct TransitionSurfaces;  // graphics/Transitions.cpp

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// The five screen layers and the current background.
struct Layers {
  QImage screen;       // ScreenImage: what the story shows
  QImage box;          // BoxImage: the screen with the message box tinted
  QImage scene;        // SceneImage: background and characters only
  QImage text;         // TextImage: the page's text on its key colour
  QImage savedWindow;  // SavedWindowImage: snapshot while the box is hidden
  std::vector<uint8_t> background;  // BackgroundBuffer, 24-bit bottom-up
  void Create();
  void FillAll(QRgb colour);
};

// Input state of the advance cycle.
struct InputState {
  int32_t storyState = 1;  // 0 box hidden, 1 story shown, 2 history open
  bool skipMode = false;
  bool choicePending = false;
  bool pictureChoicePending = false;
  bool pointerOnChoice = false;
  int32_t highlighted = 0;
  bool clickBusy = false;
  bool waiting = false;
  bool menuHidden = false;
  bool menuMayHide = true;
  int32_t blinkCounter = 0;
  bool blinkPhase = false;
};

class Player : public WindowEvents {
 public:
  explicit Player(Platform& platform);
  ~Player() override;

  // ---- start-up and shutdown --------------------------------------------
  void FormCreate();       // the window's creation handler
  void FormDestroy();      // the window's destruction, in its fixed order
  bool InitStory();
  void ResetStory();
  void ReadSettings();
  void WriteSettings();
  void RefreshSlotCaptions();
  bool closed() const { return closeRequested_; }

  // ---- window events -----------------------------------------------------
  void formClick() override;
  void formMouseDown(MouseButton b, int x, int y) override;
  void formMouseMove(int x, int y) override;
  void formKeyDown(int virtualKey) override;
  void timer2Timer() override;
  void menuActivated(const std::string& item) override;
  void closeRequested() override;

  void Advance();
  void SkipClick();
  void P1Click();
  void ChooseSpeed(int n);
  void ReturnToTitle();
  void CaptureScreen();  // the screen to a 24-bit BMP file
  void BlinkStep();  // the speed menu entries vol1..vol5

  // ---- services for the engine ------------------------------------------
  uint32_t Now();                       // player time, ms since start-up
  void Message(const std::string& cp932);
  bool Question(const std::string& cp932, const std::string& title);
  void RequestClose();
  void SetCaption(const std::string& cp932);
  void Repaint();                       // ScreenImage becomes the window
  void PresentWindow();                 // show windowImage as it is
  void StartTimer2();
  void StopTimer2();
  // The program's pause, cut short while the left button is held.
  int WaitOrClick(int ms);
  bool PumpMessages();
  void TraceEvent(const char* ev, const JsonObject& fields = JsonObject());

  // ---- menu model ---------------------------------------------------------
  MenuEntry* Menu(const std::string& name);
  void MenuChanged();
  bool PageMode();

  // ---- message window ----------------------------------------------------
  void DrawMessageText(const std::string& text);
  void ClearMessageWindow();
  void EraseWaitIndicator();
  void AppendHistory(const std::string& text);
  void HistoryLineBreak();
  void HistoryPageBreak();

  // ---- engine objects ----------------------------------------------------
  Platform& platform;
  Trace trace;
  StringTok tok;
  VariableStore vars;
  GameState state{};
  GameState savePoint{};
  Scenario scenario;
  CText text;
  CommandTable commands;
  Layers layers;
  PictureCache pictureCache;  // decoded backgrounds and sprites
  InputState input;
  WaitIndicator indicator;
  StoryFontCache storyFont;
  QImage windowImage;  // what the window shows
  // The pixel transitions' working pictures, kept from one to the next.
  std::shared_ptr<TransitionSurfaces> transitionSurfaces;
  std::vector<MenuEntry> menuBar;

  int32_t charDelay = 50;
  int32_t textColour = 0xFFFFFF;
  bool firstTickClick = true;
  bool blinking = true;
  bool fullScreen = false;

  // The music, WAVE and CD sound; its devices start with FormCreate.
  Sound& sound() { return sound_; }
  uint32_t randomSeed = 0;
  // Pages of the text history: lines of CP932 text.
  std::vector<std::vector<std::string>> history{1, std::vector<std::string>(1)};

 private:
  void BuildMenu();

 public:
  void TakeSavePoint();

 private:
  uint32_t startTick_ = 0;
  bool closeRequested_ = false;
  bool destroyed_ = false;
  Sound sound_{platform, {[this](const char* ev, const JsonObject& o) { TraceEvent(ev, o); },
                          [this] { return trace.enabled(); },
                          [this](const std::string& text) { Message(text); }}};
};

// The Japanese texts of the program, as CP932 bytes.
std::string Sjis(const char* utf8);

}  // namespace mirt
