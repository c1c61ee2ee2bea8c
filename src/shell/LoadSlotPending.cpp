// Loading a save slot is not in this build yet: no slot can be read.
#include "shell/Player.h"

namespace mirt {

bool Player::LoadSlot(int) { return false; }

}  // namespace mirt
