// The player: the composition of the engine's subsystems and the handling
// of the window's events.
//
// There is one Player per running game; tests build a fresh one for each
// case. Nothing in the engine is a global: each subsystem is owned here,
// keeps its state to itself and is reached through its accessor.
//
//   script()    the interpreter: scenario, token reader, command table
//   vars()      the variables; random() the arithmetic's generator
//   state()     the live game state record; record() it and its save point
//   message()   the message window: pen, text colour, speed, indicator
//   history()   the text history; historyViewer() its viewer
//   choices()   the choices on offer
//   saveSlots() the ten save slots
//   screen()    the layers, the window's picture, pictures and transitions
//   sound()     MIDI, WAVE and CD
//   settings()  the reader's settings: page mode, full screen
//   textOut()   the story's lines as they are shown; outlets() where they go
//               (text hook, clipboard, speech, accessibility)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Encoding.h"
#include "common/ScreenSize.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "platform/Platform.h"
#include "save/GameRecord.h"
#include "save/ReadingMarks.h"
#include "save/SaveSlots.h"
#include "script/CText.h"
#include "script/StoryHost.h"
#include "script/VariableStore.h"
#include "shell/ReaderSettings.h"
#include "shell/Rollback.h"
#include "shell/TextOutlets.h"
#include "shell/Trace.h"
#include "sound/Sound.h"
#include "text/Choices.h"
#include "text/History.h"
#include "text/HistoryViewer.h"
#include "text/MessageWindow.h"
#include "text/TextOut.h"
#include "text/TextStage.h"
#include "vars/Random.h"

namespace mirt {

class Player : public WindowEvents, public StoryHost {
 public:
  explicit Player(Platform& platform);
  ~Player() override;

  // ---- start-up and shutdown --------------------------------------------
  void FormCreate();   // the window's creation handler
  void FormDestroy();  // the window's destruction, in its fixed order
  bool closed() const override { return closeRequested_; }
  // The first Timer2 tick has clicked the story into motion.
  bool started() const { return !firstTickClick_; }

  // ---- window events -----------------------------------------------------
  void formClick() override;
  void formMouseDown(MouseButton b, int x, int y) override;
  void formMouseMove(int x, int y) override;
  void formKeyDown(int virtualKey) override;
  void formKeyUp(int virtualKey) override;
  void formWheel(int steps) override;
  // A game controller's button (shell/PadInput.cpp).
  void padButton(PadButton button, bool down) override;
  void timer2Timer() override;
  void menuActivated(const std::string& item) override;
  void closeRequested() override;

  // ---- what the reader and the story can set in motion --------------------
  void Advance();
  // Speed menu entry n (1..5): the delay of init.def's line n.
  void ChooseSpeed(int n);
  void TakeSavePoint() override;
  // Slot N (0..9) as the save and load menus use it. SaveSlot writes the
  // save point and the variables. LoadSlot restores the slot and returns
  // true, after which the caller resumes the story; false (nothing changed)
  // when the file cannot be read or its scenario cannot be opened.
  bool SaveSlot(int slot);
  bool LoadSlot(int slot) override;
  // The same for a slot file named otherwise ("data_%c.dat").
  bool LoadSlotFile(const std::string& cp932Name) override;

  // ---- the reader's saves: quick slot, way back, save dialog ---------------
  // The quick slot "mirt-quick.dat", saved and loaded as a menu slot is;
  // a note over the picture tells how it went.
  static constexpr char kQuickSaveFile[] = "mirt-quick.dat";
  bool QuickSave();
  bool QuickLoad();
  bool quickSaveExists() const;
  // Back to the previous page start or choice; false at the first page.
  bool Rollback();
  int rollbackSteps() const { return rollback_.steps(); }
  // The ten slots and the quick slot with their pictures.
  void OpenSaveDialog();

  // ---- the engine's host (StoryHost) ------------------------------------
  uint32_t Now() override;  // player time, ms since start-up
  void Message(const std::string& cp932) override;
  bool Question(const std::string& cp932, const std::string& title) override;
  void RequestClose() override;
  void SetCaption(const std::string& cp932) override;
  void StartTimer2() override;
  void StopTimer2() override;
  // The program's pause, cut short while the left button is held.
  int WaitOrClick(int ms) override;
  bool PumpMessages() override;
  void TraceEvent(const char* ev, const JsonObject& fields = JsonObject()) override;
  void MenuChanged() override;
  int ResumeStory() override {
    rested_ = false;
    return script_.Run();
  }
  StoryState storyState() const override { return storyState_; }
  bool skipMode() const override { return skipMode_; }
  // A choice on offer ends skipping.
  void SetSkipMode(bool on) override { skipMode_ = on; }
  bool pageMode() const override { return settings_.pageMode(); }
  void ShowStoryText(const std::string& cp932) override;
  bool StoryNewLine() override;
  void StoryReturn() override;
  void StoryPageEnd() override;
  bool ChoicePending() const override { return choices_.anyPending(); }
  void SetIndicatorBlinking(bool on) override { message_.SetBlinking(on); }
  void StoryWaits() override;

  // Runs the handler of keyword on the token reader as it stands; its
  // result, or -1 for an unknown keyword.
  int RunCommand(std::string_view keyword);

  // The menu bar as it stands; MenuChanged hands it to the window.
  std::vector<MenuEntry> MenuBar() const;

  // ---- the subsystems ------------------------------------------------------
  Platform& platform() { return platform_; }
  Trace& trace() { return trace_; }
  CText& script() { return script_; }
  StringTok& tok() { return script_.tok(); }
  VariableStore& vars() { return vars_; }
  ScriptRandom& random() { return random_; }
  GameRecord& record() { return record_; }
  GameState& state() { return record_.live(); }
  const GameState& state() const { return record_.live(); }
  MessageWindow& message() { return message_; }
  const MessageWindow& message() const { return message_; }
  CThink& history() { return history_; }
  HistoryViewer& historyViewer() { return historyViewer_; }
  Choices& choices() { return choices_; }
  SaveSlots& saveSlots() { return slots_; }
  Screen& screen() { return screen_; }
  const Screen& screen() const { return screen_; }
  ReaderSettings& settings() { return settings_; }
  const ReaderSettings& settings() const { return settings_; }
  TextOut& textOut() { return textOut_; }
  TextOutlets& outlets() { return outlets_; }
  const TextOutlets& outlets() const { return outlets_; }
  ReadingMarks& readingMarks() { return marks_; }
  // Read text is being skipped: the toggle is on or Control is held.
  bool skippingRead() const;

  // The music, WAVE and CD sound; its devices start with FormCreate.
  Sound& sound() { return sound_; }

  // What the pictures and the text layer are handed.
  Stage& stage() { return stage_; }
  TextStage& text() { return text_; }

 private:
  bool InitStory();
  void ResetStory();
  void ReadSettings();
  void WriteSettings();
  void RefreshSlotCaptions();
  void SkipClick();
  void P1Click();
  void SetFullScreen(bool on);
  void SetWindowScale(int scale);
  void OpenVolumeDialog();  // volumeClick
  void ReturnToTitle();
  void CaptureScreen();  // the screen to a 24-bit BMP file
  // The menu "読書(&R)"; false for an item that is not one of its.
  bool ReadingMenuActivated(const std::string& item);
  // The auto mode and the skipping of read text, on a Timer2 tick.
  void ReadingTick();
  // A key of the reader's own (not the story's); false for the others.
  bool ReadingKey(int key);
  void StopSkippingRead();
  void SaveReadingMarks();
  // The save and load path every slot shares: the slot file with its
  // preview, and the restore of the bytes of one.
  bool WriteSave(int slot, const std::string& file);
  // The caption of a save made now in slot (0..9, or the quick slot's "Q").
  std::string SaveCaption(int slot);
  // The slot file's bytes for a save now, under caption.
  std::vector<uint8_t> SaveBytes(const std::string& caption) const;
  bool RestoreSave(const std::vector<uint8_t>& slotBytes);
  std::string PageFirstLine() const;
  std::string QuickSaveCaption() const;
  bool SaveMenuActivated(const std::string& item);
  void KeepRollbackSnapshot(const GameState& point);
  void KeepFirstRollbackSnapshot();
  void StartRollbackAfresh();
  void BindCommands();

  Platform& platform_;
  Trace trace_;
  GameRecord record_;
  VariableStore vars_;
  ScriptRandom random_;
  // The lines shown, for the reader's outlets; the text layer reports to it.
  TextOut textOut_;
  CText script_{*this, platform_, record_.live(), vars_};
  Screen screen_{platform_};
  Stage stage_{*this,         platform_, record_.live(), screen_, script_.scenario().defs(),
               script_.args()};
  MessageWindow message_{stage_};
  CThink history_;
  HistoryViewer historyViewer_{stage_, history_};
  Choices choices_;
  SaveSlots slots_;
  TextStage text_{stage_, script_, message_, history_, choices_, slots_};
  ReaderSettings settings_;
  RollbackRing rollback_;
  TextOutlets outlets_{platform_,
                       [this](const char* ev, const JsonObject& o) { TraceEvent(ev, o); },
                       [this](const std::string& cp932) { Message(cp932); }};

  // Input state of the advance cycle.
  StoryState storyState_ = StoryState::Shown;
  bool skipMode_ = false;
  bool clickBusy_ = false;
  bool waiting_ = false;
  bool menuHidden_ = false;
  bool menuMayHide_ = true;
  bool firstTickClick_ = true;
  // Where the pointer was last: the controller's right click is there.
  int pointerX_ = 0, pointerY_ = 0;

  // The reading comforts: where the story last came to rest, how long its
  // line was and whether it had been read before; Control held.
  ReadingMarks marks_;
  uint32_t restedAt_ = 0;
  size_t restedChars_ = 0;
  bool rested_ = false;
  bool restedOnRead_ = false;
  bool controlHeld_ = false;
  bool marksUnwritable_ = false;  // told to the reader once

  uint32_t startTick_ = 0;
  bool closeRequested_ = false;
  bool destroyed_ = false;
  Sound sound_{
      platform_,
      {[this](const char* ev, const JsonObject& o) { TraceEvent(ev, o); },
       [this] { return trace_.enabled(); }, [this](const std::string& text) { Message(text); }}};
};

}  // namespace mirt
