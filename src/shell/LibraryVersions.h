// What --version prints after the program's own version: the libraries the
// player runs with, as they report themselves at run time where they can.
#pragma once

#include <string>

namespace mirt {

// One "name version" line each, every line ended by a newline.
std::string LibraryVersions();

}  // namespace mirt
