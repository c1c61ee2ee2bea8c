// The pointer over the window: SETCURSOR's cursor files, and the cursor a
// saved game names.
#pragma once

#include <QImage>
#include <string>

#include "graphics/CursorFile.h"

namespace mirt {

class Stage;

// The picture of one cursor frame, ARGB32; null when it does not decode.
QImage CursorFrameImage(const CursorFrame& frame);
// Shows the cursor of the named file, an animated one turning through its
// steps; a file that cannot be read or is not a cursor gives the arrow.
// True when the file's cursor is shown.
bool ShowCursorFile(Stage& p, const std::string& cp932Name);
// After a saved game was read: the cursor its state names, when its flag
// says a custom cursor was in use; otherwise the pointer stays as it is.
void ApplyCursor(Stage& p);

}  // namespace mirt
