#include "platform/HostFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/Ascii.h"
#include "common/Encoding.h"
#include "platform/GameSource.h"

namespace mirt {

std::vector<std::string> SplitComponents(const std::string& name) {
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (isSjisLead(c) && i + 1 < name.size()) {
      cur += name[i];
      cur += name[i + 1];
      ++i;
      continue;
    }
    if (c == '/' || c == '\\') {
      parts.push_back(cur);
      cur.clear();
      continue;
    }
    cur += name[i];
  }
  parts.push_back(cur);
  return parts;
}

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 || ::stat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& dir, const std::string& comp) {
  if (dir.empty()) return comp;
  if (dir == "/") return "/" + comp;
  return dir + "/" + comp;
}

// Finds comp inside dir: exact bytes, the UTF-8 form, then ignoring case.
std::string MatchComponent(const std::string& dir, const std::string& comp) {
  if (comp.empty() || comp == "." || comp == "..") return Join(dir, comp);
  std::string p = Join(dir, comp);
  if (Exists(p)) return p;
  std::string utf8 = cp932ToUtf8(comp);
  p = Join(dir, utf8);
  if (Exists(p)) return p;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return "";
  std::string found;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (EqualsIgnoringAsciiCase(n, comp) || EqualsIgnoringAsciiCase(n, utf8)) {
      found = Join(dir, n);
      break;
    }
  }
  ::closedir(d);
  return found;
}

// The folder relative names start from; "" is the process's own directory.
std::string& GameFolderRoot() {
  static std::string root;
  return root;
}

std::string& SaveFolderRoot() {
  static std::string root;
  return root;
}

std::string Resolve(const std::string& folder, const std::string& name, bool forCreate) {
  if (name.empty()) return "";
  std::vector<std::string> parts = SplitComponents(name);
  std::string dir = (name[0] == '/') ? "/" : folder;
  size_t first = (name[0] == '/') ? 1 : 0;
  for (size_t i = first; i < parts.size(); ++i) {
    bool last = i + 1 == parts.size();
    if (parts[i].empty() && !last) continue;  // doubled separator
    std::string m = MatchComponent(dir, parts[i]);
    if (m.empty()) {
      if (forCreate && last) return Join(dir, cp932ToUtf8(parts[i]));
      return "";
    }
    dir = m;
  }
  return dir;
}

// The last component, as the game spells it, of a folder the game has (on
// the host, or in its image); "" when it has none of that name.
std::string GameSubFolderName(const std::string& cp932Name) {
  if (const ImageSource* image = CurrentImage()) return cp932ToUtf8(image->FolderName(cp932Name));
  const std::string inGame = Resolve(GameFolderRoot(), cp932Name, false);
  struct stat st;
  if (inGame.empty() || ::stat(inGame.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
  return inGame.substr(inGame.rfind('/') + 1);
}

// Where a relative name is created while a save folder is set: in the save
// folder, which is made first. A sub-folder it lacks is made there when the
// game folder has one of that name (so a game that saves into a folder of its
// own still can); otherwise, as in the game folder, the name cannot be made.
std::string ResolveForCreateInSaveFolder(const std::string& save, const std::string& name) {
  std::error_code ec;
  std::filesystem::create_directories(save, ec);
  if (ec) return "";
  const std::vector<std::string> parts = SplitComponents(name);
  std::string dir = save, gameName;
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    if (parts[i].empty() && !last) continue;
    if (!gameName.empty()) gameName += '/';
    gameName += parts[i];
    std::string m = MatchComponent(dir, parts[i]);
    if (m.empty() && last) return Join(dir, cp932ToUtf8(parts[i]));
    if (m.empty()) {
      const std::string spelt = GameSubFolderName(gameName);
      if (spelt.empty()) return "";
      m = Join(dir, spelt);
      if (::mkdir(m.c_str(), 0755) != 0 && errno != EEXIST) return "";
    }
    dir = m;
  }
  return dir;
}

// Old writers named their aside files "<name>.tmp-PID". Those of processes
// that are gone are removed beside a target that has just been written.
void SweepOldAsideFiles(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string prefix =
      (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp-";
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> stale;
  while (dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n.size() <= prefix.size() || n.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = n.substr(prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) continue;
    const pid_t pid = static_cast<pid_t>(std::atol(digits.c_str()));
    if (pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH) stale.push_back(n);
  }
  ::closedir(d);
  for (const std::string& n : stale) ::unlink((slash == std::string::npos ? n : dir + n).c_str());
}

// Flushes the folder that holds path, so that a rename in it is on the disk.
void FlushFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : path.substr(0, slash);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool NameStaysInGameFolder(const std::string& cp932Name) {
  if (cp932Name.empty() || cp932Name[0] == '/' || cp932Name[0] == '\\') return false;
  // A drive letter makes a name absolute where the games come from.
  const char drive = UpperAscii(cp932Name[0]);
  if (cp932Name.size() >= 2 && cp932Name[1] == ':' && drive >= 'A' && drive <= 'Z') return false;
  for (const std::string& part : SplitComponents(cp932Name))
    if (part == "..") return false;
  return true;
}

void SetGameFolder(const std::string& hostPath) {
  DropGameImage();
  std::string& root = GameFolderRoot();
  root = hostPath;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
}

const std::string& GameFolder() { return GameFolderRoot(); }

std::string InGameFolder(const std::string& hostName) {
  const std::string& root = GameFolderRoot();
  if (root.empty() || (!hostName.empty() && hostName[0] == '/')) return hostName;
  return hostName == "." ? root : Join(root, hostName);
}

void SetSaveFolder(const std::string& hostPath) {
  std::string& root = SaveFolderRoot();
  root = hostPath;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
}

const std::string& SaveFolder() { return SaveFolderRoot(); }

// The save folder is looked in first; an image has no host path for its own
// files, which CFile reads from it.
std::string ResolveExisting(const std::string& cp932Name) {
  const std::string& save = SaveFolderRoot();
  if (!save.empty() && !cp932Name.empty() && cp932Name[0] != '/') {
    // "." and ".." match without a look; what they name must be there.
    std::string inSave = Resolve(save, cp932Name, false);
    if (!inSave.empty() && Exists(inSave)) return inSave;
  }
  if (CurrentImage()) return "";
  return Resolve(GameFolderRoot(), cp932Name, false);
}
std::string ResolveForCreate(const std::string& cp932Name) {
  const std::string& save = SaveFolderRoot();
  if (!save.empty() && !cp932Name.empty() && cp932Name[0] != '/')
    return ResolveForCreateInSaveFolder(save, cp932Name);
  if (CurrentImage()) return "";
  return Resolve(GameFolderRoot(), cp932Name, true);
}
std::string ResolveExistingIn(const std::string& hostFolder, const std::string& cp932Name) {
  return Resolve(hostFolder, cp932Name, false);
}

int HostOpenExisting(const std::string& hostPath, bool* readOnly) {
  if (readOnly) *readOnly = false;
  struct stat st;
  if (::stat(hostPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  int fd = ::open(hostPath.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && readOnly) *readOnly = true;
  }
  return fd;
}

int HostCreate(const std::string& hostPath) {
  return ::open(hostPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

int HostOpenReadOnly(const std::string& hostPath) {
  struct stat st;
  if (::stat(hostPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
}

long HostRead(int fd, void* buf, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::read(fd, static_cast<char*>(buf) + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return static_cast<long>(done);
}

long HostWrite(int fd, const void* buf, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::write(fd, static_cast<const char*>(buf) + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return static_cast<long>(done);
}

bool HostSeek(int fd, uint32_t offset) { return ::lseek(fd, offset, SEEK_SET) >= 0; }

int64_t HostSize(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return 0;
  return st.st_size;
}

void HostClose(int fd) {
  if (fd >= 0) ::close(fd);
}

bool HostCanRead(const std::string& hostPath) { return ::access(hostPath.c_str(), R_OK) == 0; }

FileIdentity HostFileIdentity(const std::string& hostPath) {
  FileIdentity id;
  struct stat st;
  if (hostPath.empty() || ::stat(hostPath.c_str(), &st) != 0) return id;
  auto ns = [](const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
  id.exists = true;
  id.size = st.st_size;
  id.modifiedNs = ns(st.st_mtim);
  id.changedNs = ns(st.st_ctim);
  id.inode = st.st_ino;
  return id;
}

bool WriteFileAtomically(const std::string& cp932Name, const void* data, size_t n) {
  std::string target = ResolveForCreate(cp932Name);
  return !target.empty() && WriteHostFileAtomically(target, data, n);
}

bool WriteHostFileAtomically(const std::string& target, const void* data, size_t n) {
  if (target.empty()) return false;
  const std::string aside = target + ".tmp";
  // The aside file is locked while it is written. A writer that waited for
  // the lock finds the file renamed into place (or removed) by the one
  // before it and starts again with a new one. On a file system without
  // locks it is written unlocked.
  int fd = -1;
  for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
    fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    // An aside file left that cannot be opened (read-only, a link) is removed first.
    if (fd < 0 && attempt == 0 && errno != ENOENT && ::unlink(aside.c_str()) == 0) continue;
    if (fd < 0) return false;
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat held, named;
    if (::fstat(fd, &held) != 0 || ::stat(aside.c_str(), &named) != 0 ||
        held.st_ino != named.st_ino || held.st_dev != named.st_dev) {
      ::close(fd);
      fd = -1;
    }
  }
  if (fd < 0) return false;
  bool ok =
      ::ftruncate(fd, 0) == 0 && HostWrite(fd, data, n) == static_cast<long>(n) && ::fsync(fd) == 0;
  if (!ok || ::rename(aside.c_str(), target.c_str()) != 0) {
    const int error = errno;  // what the caller reports
    ::unlink(aside.c_str());
    ::close(fd);
    errno = error;
    return false;
  }
  ::close(fd);
  FlushFolderOf(target);
  SweepOldAsideFiles(target);
  return true;
}

}  // namespace mirt
