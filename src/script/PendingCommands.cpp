// Commands whose subsystems are not in this build yet: they read nothing
// and end their line, so a story that uses them still plays through.
#include "script/Commands.h"

namespace mirt {

#define MIRT_PENDING(name) \
  int Cmd##name(Player&) { return 1; }

MIRT_PENDING(SELECT)
MIRT_PENDING(SELECTCG)
MIRT_PENDING(SETCURSOR)

}  // namespace mirt
