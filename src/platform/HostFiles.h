// Game file names on a Linux file system.
//
// Names from scripts and init.def are CP932 bytes relative to the game
// folder, which the player names once; the process's current directory is
// never changed. A name is resolved component by component:
// the bytes as they are, then the name converted to UTF-8, then a
// comparison that ignores the case of a to z. A backslash that separates
// components (not the second byte of a two-byte character) means '/'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mirt {

// The folder that relative game names resolve against; "" (the default)
// means the process's current directory.
void SetGameFolder(const std::string& hostPath);
const std::string& GameFolder();
// A host path under the game folder, as it is spelt ("." is the folder).
std::string InGameFolder(const std::string& hostName);

// The folder the game's writes go to when its own folder cannot take them;
// "" (the default) means the game folder itself. While one is set, the
// relative names a game creates are made there (with the sub-folders the
// game folder has), and every relative name is looked for there first, then
// in the game folder, so files written before, here or in the game, are found.
void SetSaveFolder(const std::string& hostPath);
const std::string& SaveFolder();

// A CP932 name split at '/' and at backslashes that are not the second byte
// of a two-byte character; empty components (a leading or doubled
// separator) are kept.
std::vector<std::string> SplitComponents(const std::string& cp932Name);

// Whether a game name stays inside the game folder: not empty, not
// absolute (a leading slash, backslash or drive letter), and no component "..". Files a game writes
// (and the variable files it reads) must pass this, so that a game cannot reach a reader's own
// files.
bool NameStaysInGameFolder(const std::string& cp932Name);

// Host path of an existing file or folder, or "" when nothing matches (the
// save folder first, when there is one).
std::string ResolveExisting(const std::string& cp932Name);
// The same, resolved against another folder than the game's.
std::string ResolveExistingIn(const std::string& hostFolder, const std::string& cp932Name);
// Host path to create: an existing match if there is one, else the name
// converted to UTF-8 under the resolved folder. "" when the folder is missing.
// With a save folder, the path is in it; the save folder is made as needed.
std::string ResolveForCreate(const std::string& cp932Name);

// Thin POSIX wrappers; fd < 0 means none.
int HostOpenExisting(const std::string& hostPath, bool* readOnly);
int HostCreate(const std::string& hostPath);
int HostOpenReadOnly(const std::string& hostPath);
long HostRead(int fd, void* buf, size_t n);
long HostWrite(int fd, const void* buf, size_t n);
bool HostSeek(int fd, uint32_t offset);
int64_t HostSize(int fd);
void HostClose(int fd);
// Whether this process may read hostPath (a folder too).
bool HostCanRead(const std::string& hostPath);

// What tells one version of a file from another: a file rewritten, replaced
// or touched gets a different identity. The change time also catches a
// rewrite whose modification time was set back (copies that keep times,
// touch -r).
struct FileIdentity {
  bool exists = false;
  int64_t size = 0;
  int64_t modifiedNs = 0;  // since the epoch
  int64_t changedNs = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
// The identity of the file or folder at hostPath (links followed); exists
// is false, and the rest zero, when there is nothing there.
FileIdentity HostFileIdentity(const std::string& hostPath);

// Writes bytes to the file aside, flushes, renames it over the target and
// flushes the folder, so a crash mid-write never destroys the previous file.
// Each target has one aside file, "<target>.tmp", which the next write of it
// takes over: a writer killed mid-write leaves at most that one behind.
bool WriteFileAtomically(const std::string& cp932Name, const void* data, size_t n);
// The same for a host path, such as a file dialog's answer.
bool WriteHostFileAtomically(const std::string& hostPath, const void* data, size_t n);

}  // namespace mirt
