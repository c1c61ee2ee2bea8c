#include "platform/SaveFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "common/Encoding.h"
#include "platform/HostFiles.h"

namespace mirt {
namespace {

bool IsUtf8(const std::string& s) {
  const QByteArray bytes = QByteArray::fromStdString(s);
  return QString::fromUtf8(bytes).toUtf8() == bytes;
}

std::string FileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

namespace fs = std::filesystem;

bool FolderTakesWrites(const std::string& hostFolder) {
  if (hostFolder.empty()) return false;
  // An unnamed file first: nothing shows in the folder, not even for a
  // moment. File systems without them get a named probe.
  int fd = ::open(hostFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  const std::string probe = hostFolder + "/.mirt-write-test-" + std::to_string(::getpid());
  fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

std::string UserDataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] == '/' ? home : "") + "/.local/share";
}

std::string ContentId(const std::vector<std::vector<uint8_t>>& pieces) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (const std::vector<uint8_t>& piece : pieces) {
    const QByteArray length = QByteArray::number(qulonglong(piece.size())) + ':';
    hash.addData(length);
    hash.addData(QByteArrayView(piece.data(), qsizetype(piece.size())));
  }
  return hash.result().toHex().left(12).toStdString();
}

std::string SafeFolderName(const std::string& label) {
  const std::string utf8 = IsUtf8(label) ? label : cp932ToUtf8(label);
  std::string name;
  for (unsigned char c : utf8) {
    const bool unsafe = c < 0x20 || c == 0x7F ||
                        std::string_view("/\\:*?\"<>|").find(char(c)) != std::string_view::npos;
    name += unsafe ? '_' : char(c);
  }
  while (!name.empty() && (name.front() == '.' || name.front() == ' ')) name.erase(0, 1);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.size() > 64) {
    size_t cut = 64;
    // Not inside a character: back to the byte that starts one.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return name.empty() ? "game" : name;
}

std::string InstalledDemoFolder(const std::string& exeDir) {
  if (exeDir.empty()) return "";
  std::error_code ec;
  const fs::path demo = fs::weakly_canonical(fs::path(exeDir) / "../share/games/mirt/demo", ec);
  if (ec || ResolveExistingIn(demo.string(), "init.def").empty()) return "";
  return demo.string();
}

void CarryOverWrites(const std::string& oldCopy, const std::string& gameFolder,
                     const std::string& saveFolder) {
  std::error_code ec;
  if (fs::exists(saveFolder, ec) || !fs::is_directory(oldCopy, ec)) return;
  // Gathered aside and renamed into place: a start cut short leaves no save
  // folder that would stop the next from trying again.
  const fs::path aside = saveFolder + ".part";
  fs::remove_all(aside, ec);
  fs::create_directories(aside, ec);
  if (ec) return;
  bool ok = true;
  fs::directory_iterator it(oldCopy, ec);
  for (; ok && !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc)) continue;
    const fs::path name = it->path().filename();
    const fs::path inGame = fs::path(gameFolder) / name;
    if (fs::is_regular_file(inGame, fileEc) && FileBytes(inGame) == FileBytes(it->path())) continue;
    ok = fs::copy_file(it->path(), aside / name, fileEc) && !fileEc;
  }
  if (ok && !ec) fs::rename(aside, saveFolder, ec);
  if (!ok || ec) fs::remove_all(aside, ec);
}

std::string SaveFolderFor(const std::string& gameFolder,
                          const std::function<bool(const std::string&)>& writable,
                          const std::string& label,
                          const std::vector<std::vector<uint8_t>>& content,
                          const std::string& dataHome) {
  if (writable(gameFolder)) return "";
  const std::string games = dataHome + "/mirt/games";
  const std::string suffix = "-" + ContentId(content);
  // The same game met before under another name (its disc's label, another
  // copy's folder) keeps the folder it has; the first in name order wins.
  std::string found;
  std::error_code ec;
  fs::directory_iterator it(games, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code dirEc;
    if (name.size() > suffix.size() && name.ends_with(suffix) && it->is_directory(dirEc) &&
        (found.empty() || name < found))
      found = name;
  }
  return games + "/" + (found.empty() ? SafeFolderName(label) + suffix : found);
}

}  // namespace mirt
