// The demo that comes with mirt is installed read-only beside the program
// (PREFIX/share/games/mirt/demo), where its saves, its settings file and
// the values it keeps across playthroughs could never be written. A reader
// who starts it plays a copy of their own instead, made once under the
// user's data folder.
#pragma once

#include <functional>
#include <string>

namespace mirt {

// The installed demo's folder for a program in exeDir (exeDir/../share/
// games/mirt/demo), or "" when there is none.
std::string InstalledDemoFolder(const std::string& exeDir);

// The folder to play for folder: the copy at copyDir when folder is the
// installed demo and writable says it cannot be written (copied there
// first when copyDir holds no game yet), else folder itself. "" when the
// copy was needed and could not be made; nothing half-copied is left.
std::string PlayableGameFolder(const std::string& folder, const std::string& installedDemo,
                               const std::string& copyDir,
                               const std::function<bool(const std::string&)>& writable);

}  // namespace mirt
