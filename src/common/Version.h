// The program's name and version, as the caption, the version box and the
// TITLE command show it.
#pragma once

namespace mirt {

inline constexpr char kVersionCaption[] = "Mirt Ver 2.33";
inline constexpr char kVersionNumber[] = "2.33";  // what --version prints after the name

}  // namespace mirt
