// The message window: the pen, the page, the text colour, the message
// speed, the story font and the blinking wait indicator. Story text is
// revealed unit by unit onto the screen and kept whole on the text layer.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <string>

#include "text/TextFont.h"
#include "text/WaitIndicator.h"

namespace mirt {

class Stage;
class TextOut;

// The message speed in force: the entry of the speed menu last chosen
// (1..5, 0 for none) and the delay after each revealed unit. The delay is
// what the chosen entry's init.def line says, but a new story starts at
// 50 ms without touching the choice.
class MessageSpeed {
 public:
  int chosen() const { return chosen_; }
  int32_t delay() const { return delay_; }
  void Choose(int n, int32_t delay) {
    chosen_ = n;
    delay_ = delay;
  }
  void SetDelay(int32_t delay) { delay_ = delay; }

 private:
  int chosen_ = 3;
  int32_t delay_ = 50;
};

class MessageWindow {
 public:
  explicit MessageWindow(Stage& stage) : p_(stage) {}
  // Where the story text drawn goes as lines, for the reader's outlets.
  void SetTextOut(TextOut* out) { textOut_ = out; }

  // ---- the pen and the page ---------------------------------------------
  int32_t penX() const { return penX_; }
  int32_t penY() const { return penY_; }
  void MovePen(int32_t x, int32_t y) {
    penX_ = x;
    penY_ = y;
  }
  // Line break of the pen, as the escapes do it: back to the origin's x,
  // down by the line spacing and the font size.
  void NewLine();
  // Page break: down one line and the page is full (the next advance
  // clears it).
  void EndPage();
  bool pageFull() const { return pageFull_ != 0; }
  void SetPageFull(bool full) { pageFull_ = full ? 1 : 0; }

  // ---- text -------------------------------------------------------------
  // Draws a piece of story text at the pen and moves the pen past it.
  void DrawText(const std::string& cp932);
  // Box area back from BoxImage, the text layer cleared, the pen home.
  void Clear();
  // The colour story text is drawn in (0x00BBGGRR).
  int32_t textColour() const { return textColour_; }
  void SetTextColour(int32_t c) { textColour_ = c; }
  MessageSpeed& speed() { return speed_; }
  const MessageSpeed& speed() const { return speed_; }
  const QFont& font();

  // ---- wait indicator ---------------------------------------------------
  void LoadIndicator();  // icon1.bmp and icon2.bmp
  void EraseWaitIndicator();
  // The line-wait picture's place at the box's bottom right back from
  // BoxImage, whatever the indicator's settings; a choice set starts so.
  void EraseIndicatorAtBoxBottom();
  // One Timer2 tick of the blinking.
  void BlinkStep();
  bool blinking() const { return blinking_; }
  void SetBlinking(bool on) { blinking_ = on; }
  // A new story keeps the blink's counter and phase but blinks again.
  void ResetBlink() { blinking_ = true; }

 private:
  // How far a line break moves the pen down: the spacing and the font size.
  int32_t LineStep() const;
  const QImage& CurrentWaitPicture() const;
  QRect WaitIndicatorRect() const;

  Stage& p_;
  TextOut* textOut_ = nullptr;
  int32_t penX_ = 0;
  int32_t penY_ = 0;
  uint8_t pageFull_ = 0;
  int32_t textColour_ = 0xFFFFFF;
  MessageSpeed speed_;
  StoryFontCache font_;
  WaitIndicator indicator_;
  bool blinking_ = true;
  int32_t blinkCounter_ = 0;
  bool blinkPhase_ = false;
};

}  // namespace mirt
