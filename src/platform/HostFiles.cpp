#include "platform/HostFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/Ascii.h"
#include "common/Encoding.h"

namespace mirt {
namespace {

// Splits a CP932 name at '/' and at backslashes that are not the second
// byte of a two-byte character.
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

std::string ResolveExisting(const std::string& cp932Name) {
  return Resolve(GameFolderRoot(), cp932Name, false);
}
std::string ResolveForCreate(const std::string& cp932Name) {
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
  std::string tmp = target + ".tmp-" + std::to_string(::getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = HostWrite(fd, data, n) == static_cast<long>(n) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(tmp.c_str(), target.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace mirt
