// The program's name and version, as the caption, the version box and the
// TITLE command show it.
#pragma once

namespace mirt {

inline constexpr char kVersionCaption[] = "Mirt Ver 2.33";

}  // namespace mirt
