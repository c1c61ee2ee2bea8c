// Commands whose subsystems are not in this build yet: they read nothing
// and end their line, so a story that uses them still plays through.
#include "script/Commands.h"

namespace mirt {

#define MIRT_PENDING(name) \
  int Cmd##name(Player&) { return 1; }

MIRT_PENDING(DATALOG)
MIRT_PENDING(ONLOAD) MIRT_PENDING(ONSAVE) MIRT_PENDING(PSAVE) MIRT_PENDING(PLOAD)
MIRT_PENDING(SAVEPOINT)

}  // namespace mirt
