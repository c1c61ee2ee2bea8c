#include "platform/HostFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace mirt {

std::vector<HostFolderFile> ListFolderFiles(const std::string& hostFolder) {
  namespace fs = std::filesystem;
  std::vector<HostFolderFile> files;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(hostFolder, ec)) {
    if (!e.is_regular_file(ec)) continue;
    files.push_back({e.path().filename().string(), fs::absolute(e.path(), ec).string()});
  }
  return files;
}

void ReadAheadHint(const std::string& hostPath) {
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
  ::close(fd);
}

}  // namespace mirt
