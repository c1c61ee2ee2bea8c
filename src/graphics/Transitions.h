// The sixteen numbered transitions from what the window shows to a new
// picture, drawn step by step into the window.
#pragma once

#include <QImage>

namespace mirt {

class Player;

// Runs effect 1..16 (other numbers do nothing) from the window's current
// contents to source, waiting speed ms (0 counts as 1) between steps.
void RunTransition(Player& p, unsigned effect, int speed, const QImage& source);

}  // namespace mirt
