// Archives made on the fly: whole well-formed ones, or piece by piece for
// directories that lie.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/LittleEndian.h"
#include "script/Archive.h"

namespace mirt_test {

inline std::string Le32(uint32_t v) {
  std::string s;
  mirt::AppendLe32(s, v);
  return s;
}

// One 52-byte directory record; the name is cut to 41 bytes.
inline std::string ArchiveRecord(uint32_t size, uint32_t offset, const std::string& name) {
  std::string r = Le32(size) + Le32(offset) + std::string(2, '\0') + name.substr(0, 41);
  r.resize(mirt::kArchiveEntrySize, '\0');
  return r;
}

// The count, the records, then the members' bytes in order.
inline std::string ArchiveFile(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string dir = Le32(uint32_t(members.size())), data;
  const size_t base = 4 + mirt::kArchiveEntrySize * members.size();
  for (const auto& [name, bytes] : members) {
    dir += ArchiveRecord(uint32_t(bytes.size()), uint32_t(base + data.size()), name);
    data += bytes;
  }
  return dir + data;
}

}  // namespace mirt_test
