// Placeholder: the transitions are being written.
#include "graphics/Transitions.h"

namespace mirt {

void RunTransition(Player&, unsigned, int, const QImage&) {}

}  // namespace mirt
