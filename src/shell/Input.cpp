// What clicks, keys, pointer movement and the timer mean in each state.
#include "graphics/Composition.h"
#include "shell/Player.h"

namespace mirt {

void Player::TakeSavePoint() {
  state.readPosition = static_cast<int32_t>(scenario.position);
  state.textColour = textColour;
  savePoint = state;
}

void Player::Advance() {
  if (text.running()) return;  // never from inside a run (a pumped event)
  EraseWaitIndicator();
  if (input.storyState == 0) {
    windowImage = layers.savedWindow;
    PresentWindow();
    input.storyState = 1;
    if (state.indicatorEnabled) blinking = true;
    return;
  }
  if (input.choicePending || input.pictureChoicePending) return;  // choices come later
  if (text.pageFull) {
    ClearMessageWindow();
    TakeSavePoint();
  }
  text.Run();
}

void Player::formClick() {
  if (input.skipMode) {
    input.skipMode = false;
    return;
  }
  if (input.clickBusy || input.waiting) return;
  input.clickBusy = true;
  if (input.storyState == 0) {
    layers.screen = layers.savedWindow.copy();
    input.storyState = 1;
    blinking = true;
    Repaint();
  } else if (input.storyState == 2) {
    // the history viewer takes the click
  } else {
    StopTimer2();
    Advance();
    if (!closed()) StartTimer2();
  }
  input.clickBusy = false;
}

void Player::formMouseDown(MouseButton b, int, int) {
  if (b != MouseButton::Right) return;
  // Handed on from inside a running effect: hiding the box now would keep a
  // half-drawn picture as the one to come back to.
  if (text.running()) return;
  if (input.storyState == 1) {
    blinking = false;
    layers.savedWindow = windowImage.copy();
    ShowSceneWithoutBox(*this);
    input.storyState = 0;
    platform.sleepMs(500);
  } else if (input.storyState == 0 && state.historyEnabled) {
    // the history viewer opens here once it exists
  }
}

void Player::formMouseMove(int, int y) {
  if (input.storyState == 0 || input.storyState == 2) return;
  input.pointerOnChoice = false;
  if (fullScreen) {
    if (y < 40) {
      platform.setMenuBarVisible(true);
      input.menuHidden = false;
    } else if (!input.menuHidden && input.menuMayHide) {
      platform.setMenuBarVisible(false);
      input.menuHidden = true;
    }
  }
}

void Player::formKeyDown(int key) {
  if (input.skipMode) {
    input.skipMode = false;
    return;
  }
  if (input.storyState == 2) return;
  input.skipMode = false;
  if (input.choicePending) return;  // choice keys come with the choices
  // Enter handed on from inside a running effect must not run the story a
  // second time from within itself.
  if (key == kKeyEnter && !text.running()) Advance();
}

void Player::timer2Timer() {
  sound().cdPoll(state);
  if (firstTickClick) {
    firstTickClick = false;
    formClick();
    return;
  }
  if (blinking) BlinkStep();
  if (platform.leftButtonDown()) input.skipMode = false;
  if (input.skipMode && !input.waiting && input.storyState == 1) Advance();
}

void Player::SkipClick() {
  if (!input.choicePending) input.skipMode = !input.skipMode;
}

void Player::P1Click() {
  MenuEntry* p1 = Menu("P1");
  p1->checked = !p1->checked;
  MenuChanged();
}

}  // namespace mirt
