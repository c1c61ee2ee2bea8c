// What the engine needs from the program around it: the reader's dialogs,
// the window's close, the story's pauses and timer, the trace, the menu,
// and the story itself set going again. The player implements it; every
// subsystem reaches the player through this and nothing else.
#pragma once

#include <cstdint>
#include <string>

#include "common/JsonObject.h"

namespace mirt {

// What the story is showing and what the reader's input means now.
enum class StoryState : int32_t { BoxHidden = 0, Shown = 1, History = 2 };

class StoryHost {
 public:
  virtual ~StoryHost() = default;

  // ---- the program -------------------------------------------------------
  virtual uint32_t Now() = 0;  // player time, ms since start-up
  virtual void Message(const std::string& cp932) = 0;
  virtual bool Question(const std::string& cp932, const std::string& title) = 0;
  virtual void RequestClose() = 0;
  virtual bool closed() const = 0;
  virtual void SetCaption(const std::string& cp932) = 0;
  virtual void TraceEvent(const char* ev, const JsonObject& fields = JsonObject()) = 0;
  // The menu's entries follow a change of what they show.
  virtual void MenuChanged() = 0;

  // ---- time ----------------------------------------------------------------
  virtual void StartTimer2() = 0;
  virtual void StopTimer2() = 0;
  // The program's pause, cut short while the left button is held: 1 when
  // it ran out, 0 when the button cut it.
  virtual int WaitOrClick(int ms) = 0;
  // Hands on one window event; false when the window has gone.
  virtual bool PumpMessages() = 0;

  // ---- the story -------------------------------------------------------------
  // Runs the story on from where it stands (after a choice, a load).
  virtual int ResumeStory() = 0;
  virtual void TakeSavePoint() = 0;
  // Slot N (0..9), or a slot file named otherwise; false (nothing changed)
  // when it cannot be loaded.
  virtual bool LoadSlot(int slot) = 0;
  virtual bool LoadSlotFile(const std::string& cp932Name) = 0;
  virtual StoryState storyState() const = 0;
  virtual bool skipMode() const = 0;
  virtual void SetSkipMode(bool on) = 0;
  // The reader's page mode: text appears a page at a time.
  virtual bool pageMode() const = 0;

  // ---- the story's text, as the interpreter hands it on ---------------------
  // A piece of text (a quoted text, a variable's value) drawn and kept in
  // the history.
  virtual void ShowStoryText(const std::string& cp932) = 0;
  // \n: a new line; true when the story waits for the reader after it.
  virtual bool StoryNewLine() = 0;
  // \r: a new line without a wait.
  virtual void StoryReturn() = 0;
  // \p: the page ends.
  virtual void StoryPageEnd() = 0;
  // A choice is on offer.
  virtual bool ChoicePending() const = 0;
  // The wait indicator blinks while the story waits for a click.
  virtual void SetIndicatorBlinking(bool on) = 0;
  // The story waits for the reader (a line or page wait, a choice): the
  // line shown so far is whole.
  virtual void StoryWaits() = 0;
};

}  // namespace mirt
