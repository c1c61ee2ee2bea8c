#include "platform/GameCopy.h"

#include <filesystem>
#include <system_error>

#include "platform/HostFiles.h"

namespace fs = std::filesystem;

namespace mirt {
namespace {

bool SameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

std::string InstalledDemoFolder(const std::string& exeDir) {
  if (exeDir.empty()) return "";
  std::error_code ec;
  const fs::path demo = fs::weakly_canonical(fs::path(exeDir) / "../share/games/mirt/demo", ec);
  if (ec || ResolveExistingIn(demo.string(), "init.def").empty()) return "";
  return demo.string();
}

std::string PlayableGameFolder(const std::string& folder, const std::string& installedDemo,
                               const std::string& copyDir,
                               const std::function<bool(const std::string&)>& writable) {
  if (installedDemo.empty() || !SameFolder(folder, installedDemo) || writable(folder))
    return folder;
  if (!ResolveExistingIn(copyDir, "init.def").empty()) return copyDir;
  // Copied aside, then renamed into place: a copy cut short is never
  // taken for the game.
  std::error_code ec;
  const fs::path target(copyDir);
  const fs::path aside = target.string() + ".part";
  fs::remove_all(aside, ec);
  fs::create_directories(target.parent_path(), ec);
  fs::copy(folder, aside, fs::copy_options::recursive, ec);
  if (!ec) fs::rename(aside, target, ec);
  if (ec) {
    fs::remove_all(aside, ec);
    return "";
  }
  return copyDir;
}

}  // namespace mirt
