// The choices on offer: text choices (SELECT) and picture choices
// (SELECTCG). While one is pending the story waits for it.
#pragma once

namespace mirt {

class Choices {
 public:
  bool pending() const { return pending_; }
  bool picturePending() const { return picturePending_; }
  bool anyPending() const { return pending_ || picturePending_; }
  bool pointerOnChoice() const { return pointerOnChoice_; }
  void SetPointerOnChoice(bool on) { pointerOnChoice_ = on; }
  // No choice on offer.
  void Clear() { *this = Choices(); }

 private:
  bool pending_ = false;
  bool picturePending_ = false;
  bool pointerOnChoice_ = false;
};

}  // namespace mirt
