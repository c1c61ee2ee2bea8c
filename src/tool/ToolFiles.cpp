#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "common/Ascii.h"
#include "platform/HostFiles.h"
#include "tool/Tool.h"

namespace mirt::tool {

std::optional<std::vector<uint8_t>> ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  if (WriteHostFileAtomically(path, bytes.data(), bytes.size())) return true;
  if (error) *error = "cannot write " + path + ": " + std::strerror(errno);
  return false;
}

std::string Extension3(const std::string& name) {
  return UpperAscii(name.size() < 3 ? name : name.substr(name.size() - 3));
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace mirt::tool
