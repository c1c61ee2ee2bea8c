// The sixteen numbered transitions from what the window shows to a new
// picture, drawn step by step into the window.
#pragma once

#include <QImage>
#include <memory>

#include "graphics/CImage.h"

namespace mirt {

class Stage;

// The surfaces of the pixel effects and the two frames the effects take
// turns drawing into, kept by the screen between transitions so that a
// transition does not start by allocating and faulting in five megabytes.
struct TransitionSurfaces {
  CImage w;  // W: the window as the effect goes on
  QImage frames[2];
};
std::unique_ptr<TransitionSurfaces> NewTransitionSurfaces();

// Runs effect 1..16 (other numbers do nothing) from the window's current
// contents to source, waiting speed ms (0 counts as 1) between steps.
void RunTransition(Stage& p, unsigned effect, int speed, const QImage& source);

}  // namespace mirt
