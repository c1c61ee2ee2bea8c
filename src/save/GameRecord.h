// The story's state record, live and as of the last save point.
#pragma once

#include <cstdint>

#include "script/GameState.h"

namespace mirt {

class GameRecord {
 public:
  GameState& live() { return live_; }
  const GameState& live() const { return live_; }
  // The record as the save slots write it: the live record at the last page
  // start, taken choice or SAVEPOINT.
  const GameState& savePoint() const { return savePoint_; }
  // Takes the save point; the read position and the text colour are the
  // interpreter's and the message window's at this moment.
  void TakeSavePoint(uint32_t readPosition, int32_t textColour) {
    live_.readPosition = static_cast<int32_t>(readPosition);
    live_.textColour = textColour;
    savePoint_ = live_;
  }
  // A loaded game: the record becomes both the live state and the save
  // point.
  void Restore(const GameState& loaded) {
    live_ = loaded;
    savePoint_ = loaded;
  }

 private:
  GameState live_{};
  GameState savePoint_{};
};

}  // namespace mirt
