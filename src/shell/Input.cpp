// What clicks, keys, pointer movement and the timer mean in each state.
#include "graphics/Composition.h"
#include "shell/Player.h"

namespace mirt {

void Player::TakeSavePoint() {
  record_.TakeSavePoint(script_.scenario().position(), message_.textColour());
  KeepRollbackSnapshot(record_.savePoint());
}

void Player::Advance() {
  if (script_.running()) return;  // never from inside a run (a pumped event)
  textOut_.Advanced();
  message_.EraseWaitIndicator();
  if (storyState_ == StoryState::BoxHidden) {
    screen_.ShowSavedWindow();
    storyState_ = StoryState::Shown;
    if (state().indicatorEnabled) message_.SetBlinking(true);
    return;
  }
  // A pending choice takes the input: a click on one takes it, a click
  // beside them does nothing.
  if (choices_.pending()) {
    if (choices_.pointerOnChoice()) choices_.Take(text_);
    return;
  }
  if (choices_.picturePending()) {
    if (choices_.pointerOnChoice()) choices_.pictures().Take(text_);
    return;
  }
  if (message_.pageFull()) {
    message_.Clear();
    TakeSavePoint();
  }
  rested_ = false;
  KeepFirstRollbackSnapshot();
  script_.Run();
}

void Player::formClick() {
  if (skipMode_) {
    skipMode_ = false;
    return;
  }
  if (clickBusy_ || waiting_) return;
  clickBusy_ = true;
  if (storyState_ == StoryState::BoxHidden) {
    storyState_ = StoryState::Shown;
    message_.SetBlinking(true);
    screen_.RestoreSavedWindow();
  } else if (storyState_ == StoryState::History) {
    // Paging by the arrows; anywhere else the viewer closes onto the
    // picture without the box, which the next left click brings back.
    if (historyViewer_.Click()) storyState_ = StoryState::BoxHidden;
  } else {
    StopTimer2();
    Advance();
    if (!closed()) StartTimer2();
  }
  clickBusy_ = false;
}

void Player::formMouseDown(MouseButton b, int x, int y) {
  // The left button ends the skipping of read text; its click then acts.
  if (b == MouseButton::Left && settings_.skipRead()) StopSkippingRead();
  if (b != MouseButton::Right) return;
  // Handed on from inside a running effect: hiding the box now would keep a
  // half-drawn picture as the one to come back to.
  if (script_.running()) return;
  if (storyState_ == StoryState::Shown) {
    message_.SetBlinking(false);
    screen_.SaveWindow();
    ShowSceneWithoutBox(text_);
    storyState_ = StoryState::BoxHidden;
    platform_.sleepMs(500);
  } else if (storyState_ == StoryState::BoxHidden && state().historyEnabled) {
    storyState_ = StoryState::History;
    historyViewer_.Open(x, y);
  }
}

void Player::formMouseMove(int x, int y) {
  pointerX_ = x;
  pointerY_ = y;
  if (storyState_ == StoryState::History) {
    historyViewer_.MouseMove(x, y);
    return;
  }
  if (storyState_ != StoryState::Shown) return;
  choices_.SetPointerOnChoice(false);
  if (settings_.fullScreen()) {
    if (y < 40) {
      platform_.setMenuBarVisible(true);
      menuHidden_ = false;
    } else if (!menuHidden_ && menuMayHide_) {
      platform_.setMenuBarVisible(false);
      menuHidden_ = true;
    }
  }
  if (choices_.pending() && choices_.MouseMove(text_, x, y)) choices_.SetPointerOnChoice(true);
  if (choices_.picturePending() && choices_.pictures().MouseMove(text_, x, y))
    choices_.SetPointerOnChoice(true);
}

void Player::formKeyDown(int key) {
  // With the classic controls the keys are the story's alone.
  if (!settings_.classicControls()) {
    if (ReadingKey(key)) return;
    if (key == kKeySpace) key = kKeyEnter;
  }
  if (skipMode_) {
    skipMode_ = false;
    return;
  }
  if (storyState_ == StoryState::History) return;
  skipMode_ = false;
  if (choices_.pending()) {
    if (script_.running()) return;  // handed on from inside a run
    if (key == kKeyDown) choices_.MoveHighlight(text_, +1);
    if (key == kKeyUp) choices_.MoveHighlight(text_, -1);
    if (key == kKeyEnter) choices_.Take(text_);  // wherever the pointer is
    return;
  }
  // Enter handed on from inside a running effect must not run the story a
  // second time from within itself.
  if (key == kKeyEnter && !script_.running()) Advance();
}

void Player::timer2Timer() {
  sound().cdPoll(state());
  if (firstTickClick_) {
    firstTickClick_ = false;
    formClick();
    return;
  }
  if (message_.blinking()) message_.BlinkStep();
  if (platform_.leftButtonDown()) skipMode_ = false;
  if (skipMode_ && !waiting_ && storyState_ == StoryState::Shown) Advance();
  ReadingTick();
}

void Player::SkipClick() {
  if (!choices_.pending()) skipMode_ = !skipMode_;
}

void Player::P1Click() {
  settings_.SetPageMode(!settings_.pageMode());
  MenuChanged();
}

}  // namespace mirt
