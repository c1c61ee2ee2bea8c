// The strip wipe of loading and of the return to the title: a picture
// comes onto ScreenImage in 32 steps of fifteen-row bands, each band of a
// step one row thinner than the one above it.
#pragma once

#include <QImage>
#include <cstdint>

namespace mirt {

class Stage;

// Copies source (640 x 480) onto ScreenImage band by band, repainting the
// window after each step; no pause between steps.
void StripWipe(Stage& p, const QImage& source);
// An empty 640 x 480 picture of a colour given as red + green x 256 +
// blue x 65536 (the fade colour).
QImage FadeColourPicture(int32_t colour);

}  // namespace mirt
