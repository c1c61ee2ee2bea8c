// Picture choices (SELECTCG): up to ten buttons over the window's picture,
// each drawn from three pictures (normal, under the pointer, pressed).
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <string>

namespace mirt {

class TextStage;

class PictureChoices {
 public:
  static constexpr int kMax = 10;
  // How long the pressed picture shows before the target is followed.
  static constexpr uint32_t kPressMs = 300;

  struct Button {
    QImage picture;                 // the picture object: keeps what was loaded last
    int32_t x = -1, y = -1;         // top-left; y -1: an empty entry
    int32_t right = 0, bottom = 0;  // as the normal picture reaches
    int32_t transparent = 0;        // the bottom-left pixel's colour shows through
    int32_t highlighted = 0;
    std::string normal, over, pressed, target;
  };

  bool pending() const { return pending_; }
  void Close() { pending_ = false; }

  // SELECTCG: reads the button lines, draws every button and leaves them
  // pending.
  void Select(TextStage& p);
  // The pointer moved: every button is tested and drawn as its state
  // changes. True when the pointer is on one.
  bool MouseMove(TextStage& p, int x, int y);
  // The current button is pressed, its target followed.
  void Take(TextStage& p);
  // Without the pointer: the highlight moves to the next (+1) or previous
  // (-1) button, wrapping round; with none highlighted, to the first or
  // the last.
  void MoveHighlight(TextStage& p, int step);
  // The current button is highlighted (under the pointer, or moved to).
  bool highlighted() const {
    return pending_ && current_ >= 0 && current_ < count_ && buttons_[current_].highlighted;
  }

  int count() const { return count_; }
  // The button last put under the pointer.
  int current() const { return current_; }
  const Button& button(int j) const { return buttons_[j]; }

 private:
  // HoverPictureChoice: 1 when button j is under the pointer.
  int Hover(TextStage& p, int mx, int my, int j);
  // Shows button j highlighted or not (its "over" or "normal" picture) and
  // makes a highlighted one current; nothing when it already is so.
  void SetHighlight(TextStage& p, int j, bool on);
  // The button's picture object gets the named picture (unchanged when it
  // cannot be loaded) and is drawn at its place.
  void Show(TextStage& p, int j, const std::string& name);
  void RestoreRect(TextStage& p, int j);

  std::array<Button, kMax> buttons_;
  int count_ = 0;
  int current_ = 0;
  bool pending_ = false;
  QImage savedWindow_;
};

// The picture drawn with its bottom-left pixel's colour left out, as a
// transparent button shows it.
QImage WithBottomLeftTransparent(const QImage& picture);

}  // namespace mirt
