// Host folders and files as the sound needs them: the files of a folder
// (the CD track files) and a read-ahead hint (files decoded as they play).
// Paths here are host paths, already resolved.
#pragma once

#include <string>
#include <vector>

namespace mirt {

struct HostFolderFile {
  std::string name;      // the file name's bytes
  std::string hostPath;  // absolute
};

// The regular files of a folder (absolute, or relative to the current
// directory), in no particular order; none when it cannot be read.
std::vector<HostFolderFile> ListFolderFiles(const std::string& hostFolder);

// Asks the system to read the whole file into the page cache ahead, so that
// later reads do not wait for the disk. Nothing happens when it cannot.
void ReadAheadHint(const std::string& hostPath);

}  // namespace mirt
