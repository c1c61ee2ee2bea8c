// Going back a page: the ring of snapshots taken at the save points, and
// the way back through the load's path.
#include "save/SlotFile.h"
#include "shell/Player.h"

namespace mirt {

void Player::KeepRollbackSnapshot(const GameState& point) {
  rollback_.Push({EncodeSlotFile("", point, vars_), random_.state(), history_.mark()});
}

void Player::StartRollbackAfresh() {
  // A load: the way back starts at the place loaded.
  rollback_.Clear();
  KeepRollbackSnapshot(record_.savePoint());
}

void Player::KeepFirstRollbackSnapshot() {
  if (!rollback_.empty()) return;
  // The story's start: the live record as the save point would take it
  // here.
  GameState point = state();
  point.readPosition = static_cast<int32_t>(script_.scenario().position());
  point.textColour = message_.textColour();
  KeepRollbackSnapshot(point);
}

bool Player::Rollback() {
  bool ok = false;
  if (rollback_.steps() > 0 && !script_.running()) {
    const RollbackRing::Snapshot back = rollback_.previous();
    if (RestoreSave(back.slot)) {
      // The newest snapshot is the page being left; the one restored is
      // where the reader now is.
      rollback_.DropNewest();
      random_.Seed(back.random);
      history_.CutBack(back.history);
      ok = true;
    }
  }
  TraceEvent("rollback", JsonObject().Bool("ok", ok).Int("steps", rollback_.steps()));
  return ok;
}

}  // namespace mirt
