// The reading comforts around the story's own input: auto mode, the
// skipping of text read before, the reader's own keys and the wheel.
#include <algorithm>
#include <cstring>

#include "common/Encoding.h"
#include "shell/Player.h"

namespace mirt {
namespace {

// The auto mode's delay after a line: a base plus a time per character,
// fast, normal and slow.
struct AutoPace {
  uint32_t baseMs;
  uint32_t perCharMs;
};
constexpr AutoPace kAutoPaces[3] = {{1000, 40}, {1500, 60}, {2000, 80}};

// Advances per Timer2 tick (10 a second) while read text is skipped.
constexpr int kSkipAdvancesPerTick = 3;
// New marks between two writes of the marks file.
constexpr size_t kMarksPerWrite = 64;
// Wheel notches one event acts on at most.
constexpr int kWheelStepsMax = 10;

// Characters of a CP932 line: a double-byte character is one; the line
// breaks kept in it are none.
size_t CharacterCount(const std::string& cp932) {
  size_t n = 0;
  for (size_t i = 0; i < cp932.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(cp932[i]);
    if (isSjisLead(c) && i + 1 < cp932.size()) {
      ++i;
    } else if (c < 0x20) {
      continue;
    }
    ++n;
  }
  return n;
}

}  // namespace

bool Player::skippingRead() const { return settings_.skipRead() || controlHeld_; }

void Player::StoryWaits() {
  restedChars_ = CharacterCount(textOut_.line());
  textOut_.Wait(choices_);
  rested_ = true;
  restedAt_ = Now();
  // The place the story rests at: the scenario's reading position less what
  // is left of the line being interpreted, the same in every run.
  const std::string scenario = state().ScenarioName();
  const uint32_t place = script_.scenario().position() - uint32_t(std::strlen(tok().Rest()));
  restedOnRead_ = marks_.Has(scenario, place);
  if (marks_.Mark(scenario, place) && marks_.unsaved() >= kMarksPerWrite) SaveReadingMarks();
}

void Player::SaveReadingMarks() {
  if (marks_.unsaved() == 0 || marks_.Save()) return;
  TraceEvent("readingMarks", JsonObject().Bool("ok", false));
  if (marksUnwritable_) return;
  marksUnwritable_ = true;
  Message(Sjis("既読の記録を保存できませんでした。"));
}

void Player::StopSkippingRead() {
  if (!settings_.skipRead()) return;
  settings_.SetSkipRead(false);
  MenuChanged();
}

void Player::ReadingTick() {
  if (!rested_ || script_.running() || waiting_ || clickBusy_ || closed()) return;
  // The reader is looking at the story, not at the history, a hidden box,
  // a dialog, or the menu's own skipping.
  const bool reading = storyState_ == StoryState::Shown && !skipMode_ && !platform_.modalOpen();
  if (skippingRead()) {
    for (int i = 0; i < kSkipAdvancesPerTick; ++i) {
      // Skipping ends at a choice and at text never shown before.
      if (choices_.anyPending() || !restedOnRead_) {
        StopSkippingRead();
        return;
      }
      if (!reading || !rested_ || !skippingRead() || closed()) return;
      Advance();
    }
    return;
  }
  if (!settings_.autoMode()) return;
  if (!reading || choices_.anyPending()) {
    restedAt_ = Now();  // the delay counts again once the reader is back
    return;
  }
  const AutoPace& pace = kAutoPaces[settings_.autoSpeed() - 1];
  if (Now() - restedAt_ >= pace.baseMs + pace.perCharMs * restedChars_) Advance();
}

bool Player::ReadingKey(int key) {
  switch (key) {
    case kKeyControl: controlHeld_ = true; return true;
    case 'A': menuActivated("AutoMode"); return true;
    case 'V': menuActivated("SelfVoicing"); return true;
    case kKeyF5: menuActivated("QuickSave"); return true;
    case kKeyF9: menuActivated("QuickLoad"); return true;
    case kKeyPageUp: formWheel(-1); return true;
    case kKeyPageDown: formWheel(+1); return true;
    default: return false;
  }
}

void Player::formKeyUp(int key) {
  if (key == kKeyControl) controlHeld_ = false;
}

void Player::formWheel(int steps) {
  if (settings_.classicControls()) return;
  // Up: back a step at a time.
  for (int i = 0; i < std::min(-steps, kWheelStepsMax) && !closed(); ++i) menuActivated("Rollback");
  // Down: a click, or the highlight down the choices on offer.
  for (int i = 0; i < std::min(steps, kWheelStepsMax) && !closed(); ++i) {
    if (choices_.pending() && storyState_ == StoryState::Shown) {
      if (!script_.running()) choices_.MoveHighlight(text_, +1);
    } else {
      formClick();
    }
  }
}

}  // namespace mirt
