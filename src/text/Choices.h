// The choices on offer: text choices (SELECT) and picture choices
// (SELECTCG). While one is pending the story waits for it.
#pragma once

#include <QRect>
#include <array>
#include <cstdint>
#include <string>

#include "text/PictureChoices.h"

namespace mirt {

class TextStage;

// What following a taken choice's target did.
enum class ChoiceTargetResult {
  kGoOn,       // jumped, or no jump: the choice closes and the story goes on
  kLoaded,     // a saved game was loaded: the story goes on from it
  kNotLoaded,  // the saved game could not be loaded: the choice stays open
};
// "@label" jumps to the line "*label", "!name" switches to that scenario,
// a backslash and a digit loads that save slot; anything else jumps
// nowhere.
ChoiceTargetResult FollowChoiceTarget(TextStage& p, std::string target);

class Choices {
 public:
  static constexpr int kMax = 10;

  bool pending() const { return pending_; }
  bool picturePending() const { return pictures_.pending(); }
  bool anyPending() const { return pending_ || pictures_.pending(); }
  bool pointerOnChoice() const { return pointerOnChoice_; }
  void SetPointerOnChoice(bool on) { pointerOnChoice_ = on; }
  // Closes whatever is on offer. The texts and targets stay until the next
  // SELECT replaces them; the buttons keep their pictures.
  void Clear() {
    pending_ = false;
    hovered_ = false;
    pointerOnChoice_ = false;
    pictures_.Close();
  }

  // ---- text choices ------------------------------------------------------
  // SELECT: reads the choice lines after the command's line up to the "}"
  // line, draws them and leaves them pending.
  void Select(TextStage& p);
  // The pointer moved: every choice is drawn again, the one under the
  // pointer highlighted. True when the pointer is on one.
  bool MouseMove(TextStage& p, int x, int y);
  // Up (-1) or Down (+1): the highlight moves, wrapping round the choices.
  void MoveHighlight(TextStage& p, int step);
  // Takes the highlighted choice and follows its target.
  void Take(TextStage& p);

  int count() const { return count_; }
  int selected() const { return selected_; }
  bool hovered() const { return hovered_; }
  const std::string& text(int j) const { return texts_[j]; }
  const std::string& target(int j) const { return targets_[j]; }
  // Where choice j is drawn: its text's extent at its position. A point is
  // on it only strictly inside.
  QRect Rect(TextStage& p, int j) const;

  // ---- picture choices ---------------------------------------------------
  PictureChoices& pictures() { return pictures_; }
  const PictureChoices& pictures() const { return pictures_; }

 private:
  struct Position {
    int32_t x = 0;
    int32_t y = -1;  // -1: a free slot
  };
  void Draw(TextStage& p, int j, bool highlight) const;

  std::array<std::string, kMax> texts_;
  std::array<std::string, kMax> targets_;
  std::array<Position, kMax + 1> positions_;
  int count_ = 0;
  int selected_ = 0;
  bool pending_ = false;
  bool hovered_ = false;
  bool pointerOnChoice_ = false;
  PictureChoices pictures_;
};

}  // namespace mirt
